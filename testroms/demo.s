| Demo cartridge: eight balls bounce over a scrolling checkerboard under a
| falling star field; the D-pad of pad 1 steers a ship, and every button of
| pad 1 sounds a tone of its own while held (Up C, Down D, Left E, Right F,
| B G, C A, A B, Start the high C), one FM voice per button.
        .include "cartridge.inc"
        CARTRIDGE "MORVALITH DEMO", "JUE "

        .equ    PLANE_A, 0xC000
        .equ    PLANE_B, 0xE000
        .equ    SPRITES, 0xA800
        .equ    HSCROLL, 0xAC00
        .equ    BALLS, 8
        .equ    MAX_X, 320 - 16
        .equ    MAX_Y, 224 - 16

        .bss
frame:    .space 2                  | 0xFF0000 frames shown
buttons:  .space 2                  | 0xFF0002 pad 1 this frame, active high
player_x: .space 2                  | 0xFF0004 ship position on screen
player_y: .space 2                  | 0xFF0006
balls:    .space 8 * BALLS          | 0xFF0008 x, y, dx, dy of each ball

        .text
_start:
        VDP_LOAD_REGISTERS

        | The tone of each voice
        lea     tones,%a2
        lea     FM_ADDR0,%a3
        moveq   #7,%d0
1:      moveq   #0,%d1
        move.b  (%a2)+,%d1              | 0 for part I, 2 for part II
        move.b  (%a2)+,0(%a3,%d1.w)
        move.b  (%a2)+,1(%a3,%d1.w)
        move.b  (%a2)+,0(%a3,%d1.w)
        move.b  (%a2)+,1(%a3,%d1.w)
        addq.l  #1,%a2
        dbf     %d0,1b

        move.l  #CRAM_WRITE,(%a1)
        lea     palette,%a2
        moveq   #63,%d0
1:      move.w  (%a2)+,(%a0)
        dbf     %d0,1b

        VDP_CMD VRAM_WRITE, 0, (%a1)
        lea     patterns,%a2
        move.w  #(patterns_end-patterns)/2-1,%d0
1:      move.w  (%a2)+,(%a0)
        dbf     %d0,1b

        | Plane B: a checkerboard of 2 x 2 cell squares
        VDP_CMD VRAM_WRITE, PLANE_B, (%a1)
        moveq   #0,%d1                  | row
1:      moveq   #0,%d2                  | column
2:      move.w  %d1,%d3
        lsr.w   #1,%d3
        move.w  %d2,%d4
        lsr.w   #1,%d4
        eor.w   %d4,%d3
        andi.w  #1,%d3
        addq.w  #1,%d3
        move.w  %d3,(%a0)
        addq.w  #1,%d2
        cmpi.w  #64,%d2
        bne.s   2b
        addq.w  #1,%d1
        cmpi.w  #32,%d1
        bne.s   1b

        | Plane A: stars where (5 column + 3 row) mod 16 is 0
        VDP_CMD VRAM_WRITE, PLANE_A, (%a1)
        moveq   #0,%d1
1:      moveq   #0,%d2
2:      move.w  %d2,%d3
        lsl.w   #2,%d3
        add.w   %d2,%d3
        add.w   %d1,%d3
        add.w   %d1,%d3
        add.w   %d1,%d3
        andi.w  #15,%d3
        beq.s   3f
        move.w  #0,(%a0)
        bra.s   4f
3:      move.w  #0x2003,(%a0)
4:      addq.w  #1,%d2
        cmpi.w  #64,%d2
        bne.s   2b
        addq.w  #1,%d1
        cmpi.w  #32,%d1
        bne.s   1b

        lea     start_balls,%a2
        lea     balls,%a3
        moveq   #4*BALLS-1,%d0
1:      move.w  (%a2)+,(%a3)+
        dbf     %d0,1b
        move.w  #152,player_x
        move.w  #180,player_y

        move.b  #0x40,PAD1_CTRL
        VDP_REG 1, 0x64                 | display and vertical interrupt on
        move.w  #0x2000,%sr
loop:   stop    #0x2000
        bra.s   loop

on_vint:
        movem.l %d0-%d7/%a0-%a3,-(%sp)
        addq.w  #1,frame
        bsr.s   read_pad
        move.w  %d0,buttons
        bsr.s   play_tones
        bsr.s   move_player
        bsr     move_balls
        bsr     write_sprites
        bsr     write_scroll
        movem.l (%sp)+,%d0-%d7/%a0-%a3
        rte

read_pad:
        READ_PAD1
        rts

| Voice N keyed on while button N is held.
play_tones:
        moveq   #0,%d1
1:      move.b  %d1,%d2
        btst    %d1,%d0
        beq.s   2f
        ori.b   #0xF0,%d2
2:      move.b  #0x28,FM_ADDR0
        move.b  %d2,FM_DATA0
        addq.b  #1,%d1
        cmpi.b  #8,%d1
        bne.s   1b
        rts

move_player:
        move.w  player_x,%d1
        move.w  player_y,%d2
        btst    #0,%d0
        beq.s   1f
        subq.w  #2,%d2
1:      btst    #1,%d0
        beq.s   2f
        addq.w  #2,%d2
2:      btst    #2,%d0
        beq.s   3f
        subq.w  #2,%d1
3:      btst    #3,%d0
        beq.s   4f
        addq.w  #2,%d1
4:      cmpi.w  #MAX_X,%d1              | below 0 reads as a large unsigned value
        bls.s   5f
        move.w  player_x,%d1
5:      cmpi.w  #MAX_Y,%d2
        bls.s   6f
        move.w  player_y,%d2
6:      move.w  %d1,player_x
        move.w  %d2,player_y
        rts

| Each ball moves by its speed and bounces off the screen's edges.
move_balls:
        lea     balls,%a0
        moveq   #BALLS-1,%d7
1:      move.w  (%a0),%d1
        add.w   4(%a0),%d1
        cmpi.w  #MAX_X,%d1
        bls.s   2f
        neg.w   4(%a0)
        add.w   4(%a0),%d1
        add.w   4(%a0),%d1
2:      move.w  %d1,(%a0)
        move.w  2(%a0),%d1
        add.w   6(%a0),%d1
        cmpi.w  #MAX_Y,%d1
        bls.s   3f
        neg.w   6(%a0)
        add.w   6(%a0),%d1
        add.w   6(%a0),%d1
3:      move.w  %d1,2(%a0)
        addq.l  #8,%a0
        dbf     %d7,1b
        rts

| Sprite 0 is the ship, linked to the balls, sprites 1-8.
write_sprites:
        VDP_CMD VRAM_WRITE, SPRITES, VDP_CTRL
        lea     VDP_DATA,%a1
        move.w  player_y,%d1
        addi.w  #128,%d1
        move.w  %d1,(%a1)
        move.w  #0x0501,(%a1)
        move.w  #0x8008,(%a1)
        move.w  player_x,%d1
        addi.w  #128,%d1
        move.w  %d1,(%a1)
        lea     balls,%a0
        lea     ball_sprites,%a2
        moveq   #BALLS-1,%d7
1:      move.w  2(%a0),%d1
        addi.w  #128,%d1
        move.w  %d1,(%a1)
        move.w  (%a2)+,(%a1)
        move.w  (%a2)+,(%a1)
        move.w  (%a0),%d1
        addi.w  #128,%d1
        move.w  %d1,(%a1)
        addq.l  #8,%a0
        dbf     %d7,1b
        rts

| The checkerboard moves left one pixel a frame, the stars down one.
write_scroll:
        VDP_CMD VRAM_WRITE, HSCROLL, VDP_CTRL
        move.w  frame,%d1
        neg.w   %d1
        move.w  #0,VDP_DATA
        move.w  %d1,VDP_DATA
        move.l  #VSRAM_WRITE,VDP_CTRL
        move.w  %d1,VDP_DATA
        move.w  #0,VDP_DATA
        rts

registers:
        .word   0x8004, 0x8144                  | display on
        .word   0x8200 + (PLANE_A >> 10), 0x8334, 0x8400 + (PLANE_B >> 13)
        .word   0x8500 + (SPRITES >> 9), 0x8700, 0x8AFF, 0x8B00, 0x8C81
        .word   0x8D00 + (HSCROLL >> 10), 0x8F02, 0x9001, 0x9100, 0x9200
registers_end:

palette:
        .word   0x000, 0x400, 0x622, 0x222, 0x222, 0x222, 0x0AE, 0xEEE
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x000, 0xEEE, 0x222, 0x008, 0x00E, 0xAAE, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x000, 0x222, 0x222, 0x080, 0x0E0, 0xAEA, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222
        .word   0x000, 0x222, 0x222, 0x800, 0xE00, 0xEAA, 0x222, 0x222
        .word   0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222, 0x222

| Tiles: 0 empty, 1 and 2 the checkerboard's squares, 3 a star, 4-7 the
| ball, 8-11 the ship (a sprite's cells run column by column).
patterns:
        SOLID_PATTERN 0
        SOLID_PATTERN 1
        SOLID_PATTERN 2
        .word   0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0001, 0x0000
        .word   0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000
        .word   0x0000, 0x0000, 0x0000, 0x3333, 0x0003, 0x3444, 0x0033, 0x5554
        .word   0x0335, 0x5555, 0x0345, 0x5555, 0x0345, 0x5555, 0x0344, 0x5554
        .word   0x0344, 0x4444, 0x0344, 0x4444, 0x0344, 0x4444, 0x0334, 0x4444
        .word   0x0033, 0x4444, 0x0003, 0x3444, 0x0000, 0x3333, 0x0000, 0x0000
        .word   0x0000, 0x0000, 0x3333, 0x0000, 0x4443, 0x3000, 0x4444, 0x3300
        .word   0x4444, 0x4330, 0x4444, 0x4430, 0x4444, 0x4430, 0x4444, 0x4430
        .word   0x4444, 0x4430, 0x4444, 0x4430, 0x4444, 0x4430, 0x4444, 0x4330
        .word   0x4444, 0x3300, 0x4443, 0x3000, 0x3333, 0x0000, 0x0000, 0x0000
        .word   0x0000, 0x0000, 0x0000, 0x0006, 0x0000, 0x0006, 0x0000, 0x0066
        .word   0x0000, 0x0067, 0x0000, 0x0667, 0x0000, 0x0667, 0x0000, 0x6667
        .word   0x0000, 0x6667, 0x0006, 0x6667, 0x0006, 0x6667, 0x0066, 0x6667
        .word   0x0066, 0x6667, 0x0666, 0x6667, 0x0666, 0x6667, 0x0000, 0x0000
        .word   0x0000, 0x0000, 0x6000, 0x0000, 0x6000, 0x0000, 0x6600, 0x0000
        .word   0x7600, 0x0000, 0x7660, 0x0000, 0x7660, 0x0000, 0x7666, 0x0000
        .word   0x7666, 0x0000, 0x7666, 0x6000, 0x7666, 0x6000, 0x7666, 0x6600
        .word   0x7666, 0x6600, 0x7666, 0x6660, 0x7666, 0x6660, 0x0000, 0x0000
patterns_end:

| Size, link and attributes of the ball sprites 1-8.
ball_sprites:
        .word   0x0502, 0x2004, 0x0503, 0x4004, 0x0504, 0x6004, 0x0505, 0x2004
        .word   0x0506, 0x4004, 0x0507, 0x6004, 0x0508, 0x2004, 0x0500, 0x4004

| x, y, dx, dy
start_balls:
        .word   10, 20, 2, 1,     60, 100, -1, 2,   120, 40, 3, -1,   200, 150, -2, -2
        .word   250, 30, 1, 3,    30, 180, 2, -3,   170, 90, -3, 1,   290, 120, -1, -1

| Per voice: the part's port offset, frequency high register and value, low
| register and value (block 4), then a pad byte.
tones:
        .byte   0, 0xA4, 0x22, 0xA0, 0x8A, 0        | 0 Up: C, F-number 650
        .byte   0, 0xA5, 0x22, 0xA1, 0xD9, 0        | 1 Down: D, 729
        .byte   0, 0xA6, 0x23, 0xA2, 0x32, 0        | 2 Left: E, 818
        .byte   0, 0xA7, 0x23, 0xA3, 0x62, 0        | 3 Right: F, 866
        .byte   2, 0xA4, 0x23, 0xA0, 0xCC, 0        | 4 B: G, 972
        .byte   2, 0xA5, 0x24, 0xA1, 0x43, 0        | 5 C: A, 1091
        .byte   2, 0xA6, 0x24, 0xA2, 0xC9, 0        | 6 A: B, 1225
        .byte   2, 0xA7, 0x25, 0xA3, 0x11, 0        | 7 Start: high C, 1297
        .even
