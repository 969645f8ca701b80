| Pad view: eight blocks across the middle of the screen, one per button of
| pad 1, from the left Up, Down, Left, Right, B, C, A, Start; a block is lit
| while its button is held.
        .include "cartridge.inc"
        CARTRIDGE "PAD VIEW", "JUE "

        .equ    PLANE_A, 0xC000
        .equ    PLANE_B, 0xE000
        .equ    SPRITES, 0xA800
        .equ    HSCROLL, 0xAC00
        .equ    TOP_ROW, 12             | the blocks' first cell row
        .equ    LIT, 0x0EE              | yellow
        .equ    UNLIT, 0x444            | grey

        .text
_start:
        VDP_LOAD_REGISTERS

        | Patterns 1-8: solid, in colours 1-8.
        VDP_CMD VRAM_WRITE, 32, (%a1)
        move.w  #0x1111,%d1
        moveq   #7,%d0
1:      moveq   #15,%d2
2:      move.w  %d1,(%a0)
        dbf     %d2,2b
        addi.w  #0x1111,%d1
        dbf     %d0,1b

        | Block n: 3 x 3 cells of pattern n + 1, from column 1 + 5n.
        moveq   #2,%d0
        VDP_CMD VRAM_WRITE, PLANE_A + (TOP_ROW * 64 + 1) * 2, %d3
1:      move.l  %d3,(%a1)
        moveq   #1,%d1
2:      move.w  %d1,(%a0)
        move.w  %d1,(%a0)
        move.w  %d1,(%a0)
        move.l  #0,(%a0)
        addq.w  #1,%d1
        cmpi.w  #9,%d1
        bne.s   2b
        addi.l  #128 << 16,%d3          | the next row of 64 cells
        dbf     %d0,1b

        move.b  #0x40,PAD1_CTRL
        VDP_REG 1, 0x64                 | display and vertical interrupt on
        move.w  #0x2000,%sr
loop:   stop    #0x2000
        bra.s   loop

| Colours 1-8 follow buttons 0-7.
on_vint:
        movem.l %d0-%d2,-(%sp)
        READ_PAD1
        move.l  #CRAM_WRITE + (2 << 16),VDP_CTRL
        moveq   #0,%d1
1:      move.w  #UNLIT,%d2
        btst    %d1,%d0
        beq.s   2f
        move.w  #LIT,%d2
2:      move.w  %d2,VDP_DATA
        addq.b  #1,%d1
        cmpi.b  #8,%d1
        bne.s   1b
        movem.l (%sp)+,%d0-%d2
        rte

registers:
        .word   0x8004, 0x8104                  | display off while loading
        .word   0x8200 + (PLANE_A >> 10), 0x8334, 0x8400 + (PLANE_B >> 13)
        .word   0x8500 + (SPRITES >> 9), 0x8700, 0x8AFF, 0x8B00, 0x8C81
        .word   0x8D00 + (HSCROLL >> 10), 0x8F02, 0x9001, 0x9100, 0x9200
registers_end:
