// The video display processor: the ports with the command latch and DMA,
// and the line renderer with its colour conversion.
#pragma once

#include "core/types.h"

// Port writes from the bus, 0xC00000-0xC00007: the data port at 0xC00000-3,
// the control port at 0xC00004-7. Only the low 16 bits of value count.
void VdpWritePort(u32 address, u32 value);

// Decodes the latched command into code and address; starts a DMA when CD5
// is set.
void VdpCommitCommand();
// Stores one word by the access code at the access address, then adds the
// auto-increment (register 15) to the address.
void VdpWriteData(u16 value);
// The armed fill: length + 1 data writes of value.
void VdpDmaFill(u16 value);
// DMA length in words (registers 20:19).
u32 VdpDmaLength();
// DMA source as a 68000 byte address (registers 23:22:21, shifted left one).
u32 VdpDmaSource();
// Starts what a completed command with CD5 asks for.
void VdpDmaStart();
// Copies count words from the 68000 bus into VdpWriteData.
void VdpDmaFromBus(u32 source, i32 count);

// Builds line 0-223 and hands it to the line callback; returns 0.
u32 VdpRenderLine(i32 line);

// The renderer walks the sprite list once and bins it by line until
// something may change it: the table moving (registers 5 and 12, which it
// checks itself), a VRAM write that can reach the 512 words 128 links can
// name from the table base, or a clear of the machine.
extern u32 g_spriteTableWord;  // table base the bins were made from, a VRAM word index
extern u8 g_spriteBinsValid;
inline void VdpNoteVramWrite(u32 index) {
  if (((index - g_spriteTableWord) & 0x7FFF) < 512) g_spriteBinsValid = 0;
}
// Drops what the renderer keeps between lines; called when the machine is cleared.
void VdpRenderReset();

// Colour RAM word 0000BBB0GGG0RRR0 to host RGB565.
u16 VdpColorToRgb565(u16 color);

// Palette indices of the line being built. 0-31: left border and margin,
// 32-351: the 320 visible pixels, 352-359: right margin. Cells are drawn at
// positions 25 to 358 and never clipped.
inline constexpr i32 kLineBufferSize = 360;
extern u8 g_lineBuffer[kLineBufferSize];
extern i32 g_currentLine;
// The CRAM to host colour conversion used when the palette is rebuilt.
extern u16 (*g_colorConvert)(u16 color);
