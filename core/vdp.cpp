// VDP write side: register writes and the two-word command latch on the
// control port, data writes into VRAM, CRAM and VSRAM with auto-increment,
// and DMA (68000 bus to VDP, and fill; a VRAM copy is accepted and ignored).
#include "core/vdp.h"

#include <cstring>

#include "core/bus.h"
#include "core/machine.h"

namespace {

inline VdpState& Vdp() { return g_machine.vdp; }

// Register 1 bit 4.
inline bool DmaEnabled() { return (Vdp().regs[1] & 0x10) != 0; }

// Register 23 bits 7-6: 0 or 1 from the 68000 bus, 2 fill, 3 copy.
inline u32 DmaKind() { return Vdp().regs[23] >> 6; }

}  // namespace

void VdpWritePort(u32 address, u32 value) {
  VdpState& vdp = Vdp();
  const u16 word = static_cast<u16>(value);
  const u32 port = address & 0xFFFFFC;
  if (port == 0xC00000) {
    // A data write while a first control word waits completes the command
    // with the second word of the previous one still in the latch.
    if (vdp.commandPending) VdpCommitCommand();
    vdp.commandPending = 0;
    if ((vdp.command & 0x80) && DmaEnabled() && DmaKind() == 2) {
      VdpDmaFill(word);
    } else {
      VdpWriteData(word);
    }
  } else if (port == 0xC00004) {
    if (vdp.commandPending) {
      vdp.command = (vdp.command & 0xFFFF0000u) | word;
      vdp.commandPending = 0;
      VdpCommitCommand();
    } else if ((word & 0xC000) == 0x8000) {
      vdp.regs[(word >> 8) & 31] = static_cast<u8>(word);
    } else {
      vdp.command = (static_cast<u32>(word) << 16) | (vdp.command & 0xFFFF);
      vdp.commandPending = 1;
    }
  }
}

void VdpCommitCommand() {
  VdpState& vdp = Vdp();
  const u32 c = vdp.command;
  // CD1-CD0 from bits 15-14 of the first word, CD3-CD2 from bits 5-4 of the
  // second; A13-A0 from the first word, A15-A14 from bits 1-0 of the second.
  vdp.code = static_cast<u8>(((c >> 2) & 0x0C) | (c >> 30));
  vdp.address = static_cast<u16>(((c << 14) & 0xC000) | ((c >> 16) & 0x3FFF));
  if (c & 0x80) VdpDmaStart();
}

namespace {
// One data word stored for a code at an address, the address not stepped.
inline void StoreData(u32 code, u32 address, u16 value) {
  // An odd address swaps the bytes of the word; the word index ignores bit 0.
  if (address & 1) value = static_cast<u16>((value << 8) | (value >> 8));
  const u32 index = address >> 1;
  switch (code) {
    case 1:
      std::memcpy(g_machine.vram + ((index & 0x7FFF) << 1), &value, 2);
      VdpNoteVramWrite(index);
      break;
    case 3:
      g_machine.cram[index & 63] = value;
      g_machine.paletteDirty = 1;
      break;
    case 5:
      g_machine.vsram[index & 63] = value;
      break;
    default:
      // Read codes and codes that select no memory store nothing.
      break;
  }
}
}  // namespace

void VdpWriteData(u16 value) {
  VdpState& vdp = Vdp();
  StoreData(vdp.code, vdp.address, value);
  vdp.address = static_cast<u16>(vdp.address + vdp.regs[15]);
}

// Nothing disarms the fill afterwards: while CD5, the DMA enable and the
// fill kind stay set, every data write fills again.
void VdpDmaFill(u16 value) {
  const u32 writes = VdpDmaLength() + 1;
  for (u32 i = 0; i < writes; ++i) VdpWriteData(value);
}

u32 VdpDmaLength() {
  const VdpState& vdp = Vdp();
  return (static_cast<u32>(vdp.regs[20]) << 8) | vdp.regs[19];
}

u32 VdpDmaSource() {
  const VdpState& vdp = Vdp();
  return (static_cast<u32>(vdp.regs[23]) << 17) | (static_cast<u32>(vdp.regs[22]) << 9) |
         (static_cast<u32>(vdp.regs[21]) << 1);
}

void VdpDmaStart() {
  if (!DmaEnabled()) return;
  // A fill waits for the next data write; a copy is never done.
  if (DmaKind() >= 2) return;
  const u32 source = VdpDmaSource();
  // Only cartridge space and work RAM can feed a transfer.
  if (source >= 0x800000 && source < 0xE00000) return;
  VdpDmaFromBus(source, static_cast<i32>(VdpDmaLength()));
}

// The whole transfer happens at once, inside the write that started it: no
// emulated time passes and no busy bit is set.
// The code and the increment stay as they are for the whole transfer, and
// no bus read changes VDP state, so the loop keeps them and the address at
// hand and stores the address back once.
void VdpDmaFromBus(u32 source, i32 count) {
  VdpState& vdp = Vdp();
  const u32 code = vdp.code;
  const u32 step = vdp.regs[15];
  u16 address = vdp.address;
  for (i32 i = 0; i < count; ++i) {
    StoreData(code, address, BusRead16(source));
    address = static_cast<u16>(address + step);
    source += 2;
  }
  vdp.address = address;
}
