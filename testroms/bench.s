| Benchmark cartridge: a busy game-like load that never waits. The main loop
| moves 80 sprites, builds a per-line scroll table, sums a block of RAM,
| multiplies and divides, calls subroutines and rewrites a row of plane A
| through the data port, over and over. The vertical interrupt copies the
| sprite table and the scroll table into VRAM by DMA and cycles a palette
| line; horizontal interrupts come every 8 lines and change the background
| colour. Every line shows both planes and the sprites.
        .include "cartridge.inc"
        CARTRIDGE "MORVALITH BENCH", "JUE "

        .equ    PLANE_A, 0xC000
        .equ    PLANE_B, 0xE000
        .equ    SPRITES, 0xA800
        .equ    HSCROLL, 0xAC00
        .equ    SPRITE_COUNT, 80
| The two DMA sources in work RAM, at fixed addresses for the registers.
        .equ    SPRITE_RAM, 0xFF0100
        .equ    SCROLL_RAM, 0xFF0600

        .bss
frame:      .space 2                | 0xFF0000 vertical interrupts
hints:      .space 2                | 0xFF0002 horizontal interrupts this frame
passes:     .space 4                | 0xFF0004 main loop passes
checksum:   .space 4                | 0xFF0008
mathsum:    .space 4                | 0xFF000C
            .org SPRITE_RAM - 0xFF0000
sprite_ram: .space 8 * SPRITE_COUNT | the sprite table as DMA sends it
speeds:     .space 4 * SPRITE_COUNT | dx, dy of each sprite
            .org SCROLL_RAM - 0xFF0000
scroll_ram: .space 4 * 224          | plane A, plane B per line
            .org 0x1000
work:       .space 1024             | summed by the main loop

        .text
_start:
        VDP_LOAD_REGISTERS

        PALETTE_RAMP 0x0123

        | Patterns 1-15: tile n has rows of pixel value n, with one hole
        VDP_CMD VRAM_WRITE, 32, (%a1)
        moveq   #1,%d1
1:      move.w  %d1,%d2
        mulu.w  #0x1111,%d2
        moveq   #7,%d0
2:      move.w  %d2,(%a0)
        move.w  %d2,%d3
        andi.w  #0xFFF0,%d3
        move.w  %d3,(%a0)
        dbf     %d0,2b
        addq.w  #1,%d1
        cmpi.w  #16,%d1
        bne.s   1b

        | Plane B: tiles by (row + column); plane A: every third cell
        VDP_CMD VRAM_WRITE, PLANE_B, (%a1)
        moveq   #0,%d1
1:      move.w  %d1,%d2
        andi.w  #0x3F,%d2
        move.w  %d1,%d3
        lsr.w   #6,%d3
        add.w   %d3,%d2
        andi.w  #7,%d2
        addq.w  #1,%d2
        move.w  %d2,(%a0)
        addq.w  #1,%d1
        cmpi.w  #64*32,%d1
        bne.s   1b
        VDP_CMD VRAM_WRITE, PLANE_A, (%a1)
        moveq   #0,%d1
1:      move.w  %d1,%d2
        divu.w  #3,%d2
        swap    %d2
        tst.w   %d2
        bne.s   2f
        move.w  #0xA009,(%a0)           | high priority, palette 1
        bra.s   3f
2:      move.w  #0,(%a0)
3:      addq.w  #1,%d1
        cmpi.w  #64*32,%d1
        bne.s   1b

        | 80 sprites of 2 x 2 cells, linked in order, each with a speed
        lea     sprite_ram,%a2
        lea     speeds,%a3
        moveq   #0,%d1
1:      move.w  %d1,%d2
        mulu.w  #37,%d2
        andi.w  #0xFF,%d2
        addi.w  #128,%d2
        move.w  %d2,(%a2)+              | y
        move.w  %d1,%d2
        addq.w  #1,%d2
        cmpi.w  #SPRITE_COUNT,%d2
        bne.s   2f
        moveq   #0,%d2
2:      ori.w   #0x0500,%d2
        move.w  %d2,(%a2)+              | size and link
        move.w  %d1,%d2
        andi.w  #0x60,%d2
        lsl.w   #8,%d2
        addq.w  #5,%d2
        move.w  %d2,(%a2)+              | attributes
        move.w  %d1,%d2
        mulu.w  #53,%d2
        andi.w  #0x1FF,%d2
        addi.w  #64,%d2
        move.w  %d2,(%a2)+              | x
        move.w  %d1,%d2
        andi.w  #3,%d2
        subq.w  #1,%d2
        bne.s   3f
        moveq   #2,%d2
3:      move.w  %d2,(%a3)+
        neg.w   %d2
        move.w  %d2,(%a3)+
        addq.w  #1,%d1
        cmpi.w  #SPRITE_COUNT,%d1
        bne.s   1b

        VDP_REG 0, 0x14                 | horizontal interrupts on
        VDP_REG 1, 0x74                 | display, vertical interrupt, DMA
        move.w  #0x2000,%sr

main:   bsr.s   move_sprites
        bsr     build_scroll
        bsr     sum_work
        bsr     do_math
        bsr     write_row
        addq.l  #1,passes
        bra.s   main

move_sprites:
        lea     sprite_ram,%a0
        lea     speeds,%a1
        move.w  #SPRITE_COUNT-1,%d7
1:      move.w  6(%a0),%d0
        add.w   (%a1),%d0
        cmpi.w  #128,%d0
        blt.s   2f
        cmpi.w  #128+320-16,%d0
        ble.s   3f
2:      neg.w   (%a1)
        add.w   (%a1),%d0
        add.w   (%a1),%d0
3:      move.w  %d0,6(%a0)
        move.w  (%a0),%d0
        add.w   2(%a1),%d0
        cmpi.w  #128,%d0
        blt.s   4f
        cmpi.w  #128+224-16,%d0
        ble.s   5f
4:      neg.w   2(%a1)
        add.w   2(%a1),%d0
        add.w   2(%a1),%d0
5:      move.w  %d0,(%a0)
        addq.l  #8,%a0
        addq.l  #4,%a1
        dbf     %d7,1b
        rts

build_scroll:
        lea     scroll_ram,%a0
        lea     wave,%a1
        move.w  frame,%d1
        move.w  #223,%d7
1:      move.w  %d1,%d0
        andi.w  #63,%d0
        add.w   %d0,%d0
        move.w  0(%a1,%d0.w),%d2
        move.w  %d2,(%a0)+
        asr.w   #1,%d2
        neg.w   %d2
        move.w  %d2,(%a0)+
        addq.w  #1,%d1
        dbf     %d7,1b
        rts

sum_work:
        lea     work,%a0
        moveq   #0,%d0
        moveq   #0,%d1
        move.w  #255,%d7
1:      move.l  (%a0),%d2
        add.l   %d2,%d0
        eor.l   %d0,%d1
        addq.l  #1,%d2
        move.l  %d2,(%a0)+
        dbf     %d7,1b
        add.l   %d1,%d0
        move.l  %d0,checksum
        rts

do_math:
        move.l  checksum,%d0
        moveq   #15,%d7
        moveq   #0,%d3
1:      move.w  %d0,%d1
        mulu.w  #1103,%d1
        addi.l  #12345,%d1
        move.l  %d1,%d2
        andi.l  #0x7FFFFF,%d2
        divu.w  #97,%d2
        add.w   %d2,%d3
        swap    %d2
        add.w   %d2,%d3
        ror.l   #3,%d1
        move.l  %d1,%d0
        dbf     %d7,1b
        move.l  %d3,mathsum
        rts

| Rewrites row 20 of plane A through the data port.
write_row:
        VDP_CMD VRAM_WRITE, PLANE_A+20*64*2, VDP_CTRL
        lea     VDP_DATA,%a0
        move.w  passes+2,%d1
        moveq   #39,%d7
1:      move.w  %d1,%d0
        andi.w  #0x0F,%d0
        beq.s   2f
        ori.w   #0x2000,%d0
2:      move.w  %d0,(%a0)
        addq.w  #1,%d1
        dbf     %d7,1b
        rts

on_vint:
        movem.l %d0-%d1,-(%sp)
        addq.w  #1,frame
        clr.w   hints
        | sprite table: 320 words from sprite_ram
        VDP_REG 19, 0x40
        VDP_REG 20, 0x01
        VDP_REG 21, ((SPRITE_RAM >> 1) & 0xFF)
        VDP_REG 22, ((SPRITE_RAM >> 9) & 0xFF)
        VDP_REG 23, ((SPRITE_RAM >> 17) & 0x7F)
        VDP_CMD VRAM_WRITE+0x80, SPRITES, VDP_CTRL
        | scroll table: 448 words from scroll_ram
        VDP_REG 19, 0xC0
        VDP_REG 20, 0x01
        VDP_REG 21, ((SCROLL_RAM >> 1) & 0xFF)
        VDP_REG 22, ((SCROLL_RAM >> 9) & 0xFF)
        VDP_REG 23, ((SCROLL_RAM >> 17) & 0x7F)
        VDP_CMD VRAM_WRITE+0x80, HSCROLL, VDP_CTRL
        | palette line 3 rotates
        move.l  #CRAM_WRITE+(0x60 << 16),VDP_CTRL
        move.w  frame,%d1
        moveq   #15,%d0
1:      move.w  %d1,VDP_DATA
        addi.w  #0x0222,%d1
        dbf     %d0,1b
        movem.l (%sp)+,%d0-%d1
        rte

on_hint:
        addq.w  #1,hints
        move.w  hints,-(%sp)
        andi.w  #0x0F,(%sp)
        ori.w   #0x8700,(%sp)
        move.w  (%sp)+,VDP_CTRL
        rte

registers:
        .word   0x8004, 0x8144
        .word   0x8200 + (PLANE_A >> 10), 0x8334, 0x8400 + (PLANE_B >> 13)
        .word   0x8500 + (SPRITES >> 9), 0x8700, 0x8A07, 0x8B03, 0x8C81
        .word   0x8D00 + (HSCROLL >> 10), 0x8F02, 0x9001, 0x9100, 0x9200
registers_end:

wave:
        .word   0, 3, 6, 9, 12, 15, 17, 19, 21, 22, 23, 24, 24, 24, 23, 22
        .word   21, 19, 17, 15, 12, 9, 6, 3, 0, -3, -6, -9, -12, -15, -17, -19
        .word   -21, -22, -23, -24, -24, -24, -23, -22, -21, -19, -17, -15, -12, -9, -6, -3
        .word   0, 2, 4, 6, 8, 6, 4, 2, 0, -2, -4, -6, -8, -6, -4, -2
