| VDP test: sets the registers, copies six patterns from ROM into VRAM by
| DMA, fills plane B's name table by a DMA fill, writes CRAM, VSRAM, the
| horizontal scroll table, a few plane A cells, two rows of the window and
| four sprites, then leaves the display on. The whole-machine test checks the
| rendered picture:
|
|   background (index 14) at screen x 0-31 of lines 0-7, where plane B's
|     first four cells are empty; plane B (index 1) elsewhere
|   plane A, scrolled 16 right and 8 up: a 32 x 8 block of index 18 at
|     x 16-47, lines 16-23; a high-priority cell (index 34) at x 112-119,
|     lines 56-63, over the sprites; a vertically flipped diagonal at
|     x 176-183 and a diagonal flipped both ways at x 184-191, lines 72-79
|   sprite 0 (16 x 16, index 50) at x 100, line 50, above sprite 1
|     (16 x 16, index 33) at x 110, line 60; sprite 2 (8 x 8, index 17) at
|     x -7, line 100, showing one column at x 0; sprite 3 (16 x 8,
|     horizontally flipped) at x 200, line 120
|   the window (indices 35 and 36 in 4-pixel stripes) on lines 208-223
        .include "cartridge.inc"
        CARTRIDGE "VDP TEST", "JUE "

        .equ    PLANE_A, 0xC000
        .equ    PLANE_B, 0xE000
        .equ    WINDOW, 0xB000
        .equ    SPRITES, 0xA800
        .equ    HSCROLL, 0xAC00

        .bss
done:   .space  2                       | 0xFF0000 1 once everything is written

        .text
_start:
        VDP_LOAD_REGISTERS

        | Colour RAM, all 64 entries
        move.l  #CRAM_WRITE,(%a1)
        lea     palette,%a2
        moveq   #63,%d0
1:      move.w  (%a2)+,(%a0)
        dbf     %d0,1b

        | Vertical scroll: plane A 8, plane B 0
        move.l  #VSRAM_WRITE,(%a1)
        move.w  #8,(%a0)
        move.w  #0,(%a0)

        | Patterns by DMA from ROM into VRAM 0: length in words, then the
        | source address in words
        VDP_REG 19, (patterns_end-patterns)/2
        VDP_REG 20, 0
        move.l  #patterns,%d0
        DMA_SOURCE %d1
        move.l  #VRAM_WRITE+0x80,(%a1)  | CD5: the transfer runs now

        | Plane B's name table (64 x 32 cells) filled with 0x0001 by DMA
        VDP_REG 19, 0xFF
        VDP_REG 20, 0x07                | 2047: 2048 words
        VDP_REG 23, 0x80
        VDP_CMD VRAM_WRITE+0x80, PLANE_B, (%a1)
        move.w  #0x0001,(%a0)
        VDP_REG 1, 0x44                 | DMA off again

        | Plane B's first four cells empty
        VDP_CMD VRAM_WRITE, PLANE_B, (%a1)
        moveq   #3,%d0
1:      move.w  #0,(%a0)
        dbf     %d0,1b

        | Plane A: row 3 cells 0-3, row 8 cell 12 (high), row 10 cells 20-21
        VDP_CMD VRAM_WRITE, PLANE_A+(3*64+0)*2, (%a1)
        moveq   #3,%d0
1:      move.w  #0x2002,(%a0)
        dbf     %d0,1b
        VDP_CMD VRAM_WRITE, PLANE_A+(8*64+12)*2, (%a1)
        move.w  #0xC002,(%a0)
        VDP_CMD VRAM_WRITE, PLANE_A+(10*64+20)*2, (%a1)
        move.w  #0x1005,(%a0)           | vertical flip
        move.w  #0x1805,(%a0)           | both flips

        | Window rows 26 and 27
        VDP_CMD VRAM_WRITE, WINDOW+26*64*2, (%a1)
        move.w  #127,%d0
1:      move.w  #0x4003,(%a0)
        dbf     %d0,1b

        | Horizontal scroll: plane A 16, plane B 0
        VDP_CMD VRAM_WRITE, HSCROLL, (%a1)
        move.w  #16,(%a0)
        move.w  #0,(%a0)

        | Sprite table
        VDP_CMD VRAM_WRITE, SPRITES, (%a1)
        lea     sprites,%a2
        moveq   #(sprites_end-sprites)/2-1,%d0
1:      move.w  (%a2)+,(%a0)
        dbf     %d0,1b

        move.w  #1,done
halt:   bra.s   halt

registers:
        .word   0x8004                  | 0: no horizontal interrupts
        .word   0x8154                  | 1: display on, DMA on, mode 5
        .word   0x8200 + (PLANE_A >> 10) | 2: plane A
        .word   0x8300 + (WINDOW >> 10) | 3: window
        .word   0x8400 + (PLANE_B >> 13) | 4: plane B
        .word   0x8500 + (SPRITES >> 9) | 5: sprite table
        .word   0x870E                  | 7: background index 14
        .word   0x8AFF                  | 10
        .word   0x8B00                  | 11: one scroll value for the screen
        .word   0x8C81                  | 12: 40 cells
        .word   0x8D00 + (HSCROLL >> 10) | 13: horizontal scroll table
        .word   0x8F02                  | 15: auto-increment 2
        .word   0x9001                  | 16: planes 64 x 32 cells
        .word   0x9100                  | 17
        .word   0x929A                  | 18: window from line 208 down
registers_end:

| 0000BBB0GGG0RRR0
palette:
        .word   0x000, 0x00E, 0x0E0, 0xE00, 0xEEE, 0x0EE, 0xE0E, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x444, 0x666
        .word   0x000, 0x00A, 0x0A0, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x000, 0xA00, 0x0AA, 0xE80, 0x08E, 0x222, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x000, 0x222, 0xAAA, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222

| Tiles 0-5: empty, solid 1, solid 2, stripes of 3 and 4, a single pixel 5
| at the top left, and a diagonal of 6 from the top left; 6-9 and 10-13 are
| solid 2 and solid 1 again, for the 2 x 2 cell sprites, whose four cells
| are four patterns in a row.
patterns:
        SOLID_PATTERN 0
        SOLID_PATTERN 1
        SOLID_PATTERN 2
        .rept   8
        .word   0x3333, 0x4444
        .endr
        .word   0x5000, 0x0000
        .rept   7
        .word   0x0000, 0x0000
        .endr
        .word   0x6000, 0x0000, 0x0600, 0x0000, 0x0060, 0x0000, 0x0006, 0x0000
        .word   0x0000, 0x6000, 0x0000, 0x0600, 0x0000, 0x0060, 0x0000, 0x0006
        .rept   4
        SOLID_PATTERN 2
        .endr
        .rept   4
        SOLID_PATTERN 1
        .endr
patterns_end:

| y + 128, size and link, attributes, x + 128
sprites:
        .word   50 + 128, 0x0501, 0x6006, 100 + 128
        .word   60 + 128, 0x0502, 0x400A, 110 + 128
        .word   100 + 128, 0x0003, 0x2001, 121
        .word   120 + 128, 0x0400, 0x0804, 200 + 128
sprites_end:
