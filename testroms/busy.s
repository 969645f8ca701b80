| Busy game cartridge: a benchmark shaped like the frame of an action game.
| The main loop waits for the vertical interrupt (polling the VDP status),
| then runs one game frame: 80 objects, each updated through a jump table of
| object kinds and a table of states (JSR and JMP through tables), byte
| counters and flags, Scc and EXT for directions, a player steered by the
| pad, collisions, the sprite table and the per-line scroll table built in
| RAM, and eight patterns made byte by byte.
| The vertical interrupt reads both pads, sends the sprite table, the scroll
| table and the made patterns by DMA from work RAM and animated patterns by
| DMA from the cartridge, fills part of a plane A row by DMA, writes the
| per-column vertical scroll into VSRAM, cycles a palette line, writes the
| score into the window plane (a status bar over the top 24 lines),
| switches between 40- and 32-cell lines every 32 frames and runs a small FM
| tune (key-ons, frequencies with a vibrato, and registers the chip
| ignores). A horizontal interrupt every 16 lines changes the background
| colour and the vertical scroll of plane B.
| Frequently used variables live at 0xFFFF8000 and up, reached by abs.W.
        .include "cartridge.inc"
        CARTRIDGE "MORVALITH BUSY", "JUE "

        .equ    PLANE_A, 0xC000
        .equ    PLANE_B, 0xE000
        .equ    WINDOW, 0xB000
        .equ    SPRITES, 0xA800
        .equ    HSCROLL, 0xAC00
        .equ    OBJECTS, 80
        .equ    OBJ_SIZE, 16
| Patterns: 1-15 plane cells, 16-31 digits, 64-79 renewed from the
| cartridge, 96-103 made in RAM, 256-383 sprites.
        .equ    DIGIT_TILE, 16
        .equ    ANIM_TILE, 64
        .equ    GEN_TILE, 96
        .equ    SPRITE_TILE, 256

| An object record: kind, timer and state are bytes; the sprite's size and
| link word and its attribute word are kept ready for the sprite table.
        .equ    O_KIND, 0
        .equ    O_TIMER, 1
        .equ    O_STATE, 2
        .equ    O_PHASE, 3
        .equ    O_X, 4
        .equ    O_Y, 6
        .equ    O_DX, 8                 | each speed 4 bytes after its coordinate
        .equ    O_DY, 10
        .equ    O_SIZELINK, 12
        .equ    O_ATTR, 14

| Variables reached by abs.W (0xFFFF8000 is work RAM 0xFF8000).
        .equ    ZP, 0xFFFF8000
        .equ    ZP_VFLAG, ZP+0          | byte: set by the vertical interrupt
        .equ    ZP_PAD1, ZP+1           | byte: buttons, active high
        .equ    ZP_PAD2, ZP+2
        .equ    ZP_H32, ZP+3            | byte: 0xFF while 32-cell lines are on
        .equ    ZP_SCORE, ZP+4          | long
        .equ    ZP_RNG, ZP+8            | word
        .equ    ZP_HITS, ZP+10          | word
        .equ    ZP_IDLE, ZP+12          | word: status polls of the last wait
        .equ    ZP_STEP, ZP+14          | word: tune step
        .equ    ZP_SCROLLY, ZP+16       | word
        .equ    ZP_VOICE, ZP+18         | byte: key-on channel code of the note
        .equ    ZP_NOTE, ZP+20          | word: its block and F-number

        .bss
frame:      .space 2                | 0xFF0000 vertical interrupts
hints:      .space 2                | 0xFF0002 horizontal interrupts this frame
passes:     .space 2                | 0xFF0004 game frames run by the main loop
h32frames:  .space 2                | 0xFF0006 interrupts with 32-cell lines
dmas:       .space 2                | 0xFF0008 DMA transfers and fills started
            .org 0x0100
sprite_ram: .space 8 * OBJECTS      | 0xFF0100 the sprite table as DMA sends it
            .org 0x0400
scroll_ram: .space 4 * 224          | 0xFF0400 plane A, plane B per line
            .org 0x0800
tile_ram:   .space 32 * 8           | 0xFF0800 the patterns made each frame
            .org 0x1000
objects:    .space OBJ_SIZE * OBJECTS | 0xFF1000

        .equ    SPRITE_RAM, 0xFF0100
        .equ    SCROLL_RAM, 0xFF0400
        .equ    TILE_RAM, 0xFF0800

        .text
_start:
        VDP_LOAD_REGISTERS
        move.b  #0x40,PAD1_CTRL         | TH is an output on both ports
        move.b  #0x40,PAD2_CTRL

        | Clear the whole of VRAM with one fill.
        move.w  #0,%d0
        move.w  #0x7FFF,%d1
        moveq   #0,%d2
        bsr     dma_fill

        | Colours: four lines from one formula.
        PALETTE_RAMP 0x0247

        | Patterns 1-31: pattern n has pixels of value n & 15 (9 for 16),
        | with a hole that moves along the rows so that flips show; the
        | digits 16-31 have the second half of each row one pixel later.
        VDP_CMD VRAM_WRITE, 32, (%a1)
        moveq   #1,%d1
1:      move.w  %d1,%d2
        andi.w  #15,%d2
        bne.s   2f
        moveq   #9,%d2
2:      mulu.w  #0x1111,%d2
        moveq   #7,%d0
3:      move.w  #0xF000,%d3
        lsr.w   %d0,%d3
        not.w   %d3
        and.w   %d2,%d3
        move.w  %d3,(%a0)
        move.w  %d2,%d3
        btst    #4,%d1
        beq.s   4f
        lsr.w   #4,%d3
4:      move.w  %d3,(%a0)
        dbf     %d0,3b
        addq.w  #1,%d1
        cmpi.w  #32,%d1
        bne.s   1b

        | Sprite patterns 256-383: discs of random pixels, so that flips
        | show and the corners stay clear.
        VDP_CMD VRAM_WRITE, SPRITE_TILE*32, (%a1)
        move.w  #0x1234,%d1
        moveq   #127,%d7
1:      lea     disc,%a2
        moveq   #15,%d6
2:      mulu.w  #25173,%d1
        addi.w  #13849,%d1
        move.w  %d1,%d0
        move.w  %d1,%d2
        lsr.w   #1,%d2
        or.w    %d2,%d0                 | most nibbles non-zero
        and.w   (%a2)+,%d0
        move.w  %d0,(%a0)
        dbf     %d6,2b
        dbf     %d7,1b

        | Plane B: every cell patterned, animated cells every fifth column,
        | flips from the row and column. D6 counts the columns down to the
        | next animated one.
        VDP_CMD VRAM_WRITE, PLANE_B, (%a1)
        moveq   #0,%d1
        moveq   #0,%d6
1:      move.w  %d1,%d2
        andi.w  #0x3F,%d2               | column
        bne.s   2f
        moveq   #0,%d6                  | every row starts with one
2:      move.w  %d1,%d3
        lsr.w   #6,%d3                  | row
        subq.w  #1,%d6
        bpl.s   3f
        moveq   #4,%d6
        move.w  %d3,%d4
        andi.w  #15,%d4
        addi.w  #ANIM_TILE+0x2000,%d4
        bra.s   4f
3:      move.w  %d2,%d4
        add.w   %d3,%d4
        andi.w  #7,%d4
        addq.w  #1,%d4
        move.w  %d3,%d5
        eor.w   %d2,%d5
        andi.w  #3,%d5
        ror.w   #5,%d5                  | bits 12 and 11: the flips
        or.w    %d5,%d4
4:      move.w  %d4,(%a0)
        addq.w  #1,%d1
        cmpi.w  #64*32,%d1
        bne.s   1b

        | Plane A: every seventh cell a made pattern, of the others every
        | third high priority, the rest empty. D5 and D6 count down to the
        | next of each.
        VDP_CMD VRAM_WRITE, PLANE_A, (%a1)
        move.w  #64*32-1,%d7
        moveq   #0,%d5
        moveq   #0,%d6
1:      subq.w  #1,%d5
        bpl.s   2f
        moveq   #6,%d5
        move.w  %d7,%d2
        andi.w  #7,%d2
        addi.w  #GEN_TILE+0x4000,%d2
        move.w  %d2,(%a0)
        bra.s   4f
2:      subq.w  #1,%d6
        bpl.s   3f
        moveq   #2,%d6
        move.w  #0xA009,(%a0)
        bra.s   4f
3:      move.w  #0,(%a0)
4:      dbf     %d7,1b

        | Window: three rows of frame, the score goes into the middle one.
        VDP_CMD VRAM_WRITE, WINDOW, (%a1)
        move.w  #3*64-1,%d7
1:      move.w  #0x4000+15,(%a0)
        dbf     %d7,1b

        bsr     init_objects

        move.w  #0x1234,(ZP_RNG).w
        VDP_REG 0, 0x14                 | horizontal interrupts on
        VDP_REG 1, 0x74                 | display, vertical interrupt, DMA
        move.w  #0x2000,%sr

| The main loop: one game frame per vertical interrupt.
main:   moveq   #0,%d6
1:      addq.w  #1,%d6
        move.w  VDP_CTRL,%d0            | a status poll, as games wait
        btst    #3,%d0
        tst.b   (ZP_VFLAG).w
        beq.s   1b
        move.w  %d6,(ZP_IDLE).w
        clr.b   (ZP_VFLAG).w
        bsr     update_objects
        bsr     collide
        bsr     build_sprites
        bsr     build_scroll
        bsr     make_tiles
        addq.w  #1,passes
        bra.s   main

| 80 objects: object 0 is the player, the others take the kinds 0-3 in
| turn. Sizes run through all sixteen, one in five is high priority, and
| each object links to the one 37 further on (mod 80), so that the link
| order is not the table order.
init_objects:
        lea     objects,%a0
        moveq   #0,%d1
1:      move.w  %d1,%d2
        andi.w  #3,%d2
        move.b  %d2,O_KIND(%a0)
        move.b  %d1,O_TIMER(%a0)
        clr.b   O_STATE(%a0)
        move.b  %d1,%d2
        lsl.b   #2,%d2
        move.b  %d2,O_PHASE(%a0)
        move.w  %d1,%d2
        mulu.w  #53,%d2
        divu.w  #320-32,%d2
        swap    %d2
        move.w  %d2,O_X(%a0)
        move.w  %d1,%d2
        mulu.w  #37,%d2
        divu.w  #224-32,%d2
        swap    %d2
        move.w  %d2,O_Y(%a0)
        move.w  %d1,%d2
        andi.w  #3,%d2
        subq.w  #1,%d2
        bne.s   2f
        moveq   #2,%d2
2:      move.w  %d2,O_DX(%a0)
        neg.w   %d2
        move.w  %d2,O_DY(%a0)
        move.w  %d1,%d2                 | link: (n + 37) mod 80
        addi.w  #37,%d2
        cmpi.w  #OBJECTS,%d2
        blt.s   3f
        subi.w  #OBJECTS,%d2
3:      move.w  %d1,%d3
        andi.w  #15,%d3
        lsl.w   #8,%d3
        or.w    %d3,%d2
        move.w  %d2,O_SIZELINK(%a0)
        move.w  %d1,%d2                 | attributes
        andi.w  #7,%d2
        lsl.w   #4,%d2
        addi.w  #SPRITE_TILE,%d2
        move.w  %d1,%d3
        andi.w  #0x18,%d3               | bits 4-3 become the flips
        lsl.w   #8,%d3
        or.w    %d3,%d2
        move.w  %d1,%d3
        andi.w  #6,%d3                  | palette line
        lsl.w   #8,%d3
        lsl.w   #4,%d3
        or.w    %d3,%d2
        move.w  %d1,%d3
        divu.w  #5,%d3
        swap    %d3
        tst.w   %d3
        bne.s   4f
        ori.w   #0x8000,%d2
4:      move.w  %d2,O_ATTR(%a0)
        lea     OBJ_SIZE(%a0),%a0
        addq.w  #1,%d1
        cmpi.w  #OBJECTS,%d1
        bne     1b
        lea     objects,%a0
        move.b  #4,O_KIND(%a0)          | the player, in the middle
        move.w  #144,O_X(%a0)
        move.w  #96,O_Y(%a0)
        rts

| Each object runs the routine of its kind (JSR through a table of
| offsets), then the routine of its state (JMP through a table of
| addresses).
update_objects:
        lea     objects,%a0
        moveq   #OBJECTS-1,%d7
1:      move.b  O_KIND(%a0),%d0
        ext.w   %d0
        add.w   %d0,%d0
        move.w  kinds(%pc,%d0.w),%d0
        jsr     kinds(%pc,%d0.w)
        bsr.s   run_state
        lea     OBJ_SIZE(%a0),%a0
        dbf     %d7,1b
        rts
kinds:  .word   kind_bounce-kinds, kind_wave-kinds, kind_chase-kinds
        .word   kind_blink-kinds, kind_player-kinds

run_state:
        move.b  O_STATE(%a0),%d0
        ext.w   %d0
        lsl.w   #2,%d0
        movea.l states(%pc,%d0.w),%a1
        jmp     (%a1)
states: .long   state_alive, state_hit

state_alive:
        rts

| A hit object rises for its timer's frames, then comes back at the bottom.
state_hit:
        subq.w  #3,O_Y(%a0)
        subq.b  #1,O_TIMER(%a0)
        bne.s   1f
        clr.b   O_STATE(%a0)
        move.w  #224-32,O_Y(%a0)
        move.w  (ZP_RNG).w,%d0
        mulu.w  #25173,%d0
        addi.w  #13849,%d0
        move.w  %d0,(ZP_RNG).w
        andi.w  #0xFF,%d0
        move.w  %d0,O_X(%a0)
1:      rts

| Straight lines, bouncing off the edges.
kind_bounce:
        lea     O_X(%a0),%a1
        move.w  #320-32,%d3
        bsr.s   bounce
        lea     O_Y(%a0),%a1
        move.w  #224-32,%d3
| The coordinate at A1 moved by its speed (the word 4 bytes on), which turns
| round where the coordinate would leave 0 to D3.
bounce:
        move.w  (%a1),%d0
        add.w   4(%a1),%d0
        cmp.w   %d3,%d0
        bls.s   1f
        neg.w   4(%a1)
        add.w   4(%a1),%d0
        add.w   4(%a1),%d0
1:      move.w  %d0,(%a1)
        rts

| Across the screen with the wrap, up and down along the wave.
kind_wave:
        move.w  O_X(%a0),%d0
        add.w   O_DX(%a0),%d0
        andi.w  #0x1FF,%d0
        move.w  %d0,O_X(%a0)
        addq.b  #1,O_PHASE(%a0)
        moveq   #63,%d0
        and.b   O_PHASE(%a0),%d0
        add.w   %d0,%d0
        lea     wave,%a1
        move.w  0(%a1,%d0.w),%d0
        asr.w   #1,%d0
        addi.w  #96,%d0
        move.w  %d0,O_Y(%a0)
        rts

| One pixel a frame towards the player in each direction.
kind_chase:
        lea     O_X(%a0),%a1
        lea     objects+O_X,%a2
        bsr.s   chase
        addq.l  #O_Y-O_X,%a1
        addq.l  #O_Y-O_X,%a2
| The coordinate at A1 one step towards the one at A2: the step, -1 or +1
| against the sign of the distance, from two Scc results.
chase:
        move.w  (%a1),%d0
        cmp.w   (%a2),%d0
        slt     %d1
        sgt     %d2
        sub.b   %d2,%d1
        ext.w   %d1
        sub.w   %d1,%d0
        move.w  %d0,(%a1)
        rts

| Bounces, and every 24 frames swaps its priority and its horizontal flip.
kind_blink:
        bsr     kind_bounce
        subq.b  #1,O_TIMER(%a0)
        bne.s   1f
        move.b  #24,O_TIMER(%a0)
        bchg    #7,O_ATTR(%a0)
        bchg    #3,O_ATTR(%a0)
1:      rts

| The player: two pixels a frame in the directions held; B scores.
kind_player:
        move.b  (ZP_PAD1).w,%d1
        lea     O_X(%a0),%a1
        moveq   #2,%d2                  | Left, then Right
        move.w  #320-32,%d3
        bsr.s   steer
        lea     O_Y(%a0),%a1
        moveq   #0,%d2                  | Up, then Down
        move.w  #224-32,%d3
        bsr.s   steer
        btst    #4,%d1
        beq.s   1f
        addq.l  #1,(ZP_SCORE).w
1:      rts

| The coordinate at A1 less two while button bit D2 of D1 is held, plus two
| while bit D2 + 1 is; a result outside 0 to D3 is not kept.
steer:
        move.w  (%a1),%d0
        btst    %d2,%d1
        beq.s   1f
        subq.w  #2,%d0
1:      addq.w  #1,%d2
        btst    %d2,%d1
        beq.s   2f
        addq.w  #2,%d0
2:      cmp.w   %d3,%d0
        bhi.s   3f
        move.w  %d0,(%a1)
3:      rts

| Objects that are alive and within 16 pixels of the player are hit.
collide:
        lea     objects,%a1
        lea     OBJ_SIZE(%a1),%a0
        moveq   #OBJECTS-2,%d7
1:      tst.b   O_STATE(%a0)
        bne.s   2f
        move.w  O_X(%a0),%d0
        sub.w   O_X(%a1),%d0
        bpl.s   3f
        neg.w   %d0
3:      cmpi.w  #16,%d0
        bge.s   2f
        move.w  O_Y(%a0),%d0
        sub.w   O_Y(%a1),%d0
        bpl.s   4f
        neg.w   %d0
4:      cmpi.w  #16,%d0
        bge.s   2f
        move.b  #1,O_STATE(%a0)
        move.b  #20,O_TIMER(%a0)
        addi.l  #10,(ZP_SCORE).w
        addq.w  #1,(ZP_HITS).w
2:      lea     OBJ_SIZE(%a0),%a0
        dbf     %d7,1b
        rts

build_sprites:
        lea     objects,%a0
        lea     sprite_ram,%a1
        moveq   #OBJECTS-1,%d7
1:      move.w  O_Y(%a0),%d0
        addi.w  #128,%d0
        move.w  %d0,(%a1)+
        move.w  O_SIZELINK(%a0),(%a1)+
        move.w  O_ATTR(%a0),(%a1)+
        move.w  O_X(%a0),%d0
        addi.w  #128,%d0
        move.w  %d0,(%a1)+
        lea     OBJ_SIZE(%a0),%a0
        dbf     %d7,1b
        rts

| Plane A follows the wave line by line, plane B scrolls at half speed.
build_scroll:
        lea     scroll_ram,%a0
        lea     wave,%a1
        move.w  frame,%d1
        move.w  %d1,%d3
        neg.w   %d3
        asr.w   #1,%d3
        move.w  #223,%d7
1:      move.w  %d1,%d0
        andi.w  #63,%d0
        add.w   %d0,%d0
        move.w  0(%a1,%d0.w),%d2
        move.w  %d2,(%a0)+
        move.w  %d3,(%a0)+
        addq.w  #1,%d1
        dbf     %d7,1b
        rts

| Eight patterns made byte by byte from the frame number.
make_tiles:
        lea     tile_ram,%a0
        move.b  frame+1,%d1
        moveq   #0,%d2
        move.w  #255,%d7
1:      move.b  %d7,%d0
        add.b   %d1,%d0
        eor.b   %d2,%d0
        ror.b   #3,%d0
        andi.b  #0x7B,%d0               | some pixels clear
        move.b  %d0,(%a0)+
        addq.b  #3,%d2
        dbf     %d7,1b
        rts

| D0.W a VRAM address -> D0.L the control long of a VRAM write there.
vram_write_cmd:
        andi.l  #0xFFFF,%d0
        lsl.l   #2,%d0
        lsr.w   #2,%d0
        swap    %d0
        ori.l   #VRAM_WRITE,%d0
        rts

| Registers 19-20, the DMA length, from D1.W; leaves A1 at the control port.
dma_length:
        lea     VDP_CTRL,%a1
        move.w  #0x9300,%d3
        move.b  %d1,%d3
        move.w  %d3,(%a1)
        lsr.w   #8,%d1
        ori.w   #0x9400,%d1
        move.w  %d1,(%a1)
        rts

| DMA of D1.W words from the 68000 address D0.L to VRAM address D2.W.
dma_to_vram:
        bsr.s   dma_length
        DMA_SOURCE %d3
        move.w  %d2,%d0
        bra.s   dma_start

| DMA fill of D1.W + 1 words of D2.W from VRAM address D0.W. Leaves A1 at
| the control port and A0 at the data port.
dma_fill:
        bsr.s   dma_length
        lea     VDP_DATA,%a0
        move.w  #0x9780,(%a1)
        bsr.s   dma_start
        move.w  %d2,(%a0)
        rts

| The command with CD5 that starts a DMA to VRAM address D0.W.
dma_start:
        bsr.s   vram_write_cmd
        ori.w   #0x80,%d0
        move.l  %d0,(%a1)
        addq.w  #1,dmas
        rts

| Both pads, active high: Up Down Left Right B C with TH high, A and Start
| with TH low.
read_pad:
        move.b  #0x40,(%a1)
        nop
        move.b  (%a1),%d0
        move.b  #0x00,(%a1)
        nop
        move.b  (%a1),%d1
        andi.b  #0x3F,%d0
        andi.b  #0x30,%d1
        lsl.b   #2,%d1
        or.b    %d1,%d0
        not.b   %d0
        rts

| FM register D0.B = D1.B on part D2.B, after the busy flag.
fm_write:
        lea     FM_ADDR0,%a1
        tst.b   %d2
        beq.s   1f
        addq.l  #2,%a1
1:      btst    #7,FM_ADDR0
        bne.s   1b
        move.b  %d0,(%a1)
        move.b  %d1,1(%a1)
        rts

| Block and F-number of the sixteen notes, and the six voices the tune
| uses as key-on channel codes (part II in bit 2).
tune:   .word   0x2269, 0x22A1, 0x22E5, 0x2269, 0x2A69, 0x22E5, 0x2B0B, 0x2A69
        .word   0x1A69, 0x22A1, 0x1AE5, 0x2269, 0x22A1, 0x2B0B, 0x2A69, 0x2269
channels:
        .byte   0, 1, 2, 4, 5, 6
        .even

| The sound driver, once a frame. Every eight frames the next note of the
| tune: the voice three notes back is keyed off, the new one gets a few
| registers this chip ignores (as a full driver writes them) and a key-on.
| Every frame the current note's frequency, with a vibrato. Voice 3 sounds
| while A is held on pad 1.
sound:
        move.w  frame,%d0
        andi.w  #7,%d0
        bne.s   2f
        move.w  (ZP_STEP).w,%d4
        addq.w  #1,(ZP_STEP).w
        move.w  %d4,%d5
        subq.w  #3,%d5
        bmi.s   1f
        divu.w  #6,%d5
        swap    %d5
        move.b  channels(%pc,%d5.w),%d1
        moveq   #0x28,%d0
        moveq   #0,%d2
        bsr     fm_write
1:      move.w  %d4,%d5
        divu.w  #6,%d5
        swap    %d5
        move.b  channels(%pc,%d5.w),%d5 | channel code: part in bit 2
        move.b  %d5,(ZP_VOICE).w
        andi.w  #15,%d4
        add.w   %d4,%d4
        lea     tune,%a1
        move.w  0(%a1,%d4.w),(ZP_NOTE).w
        bsr     voice_regs
        moveq   #0x30,%d0               | detune and multiple
        add.b   %d6,%d0
        moveq   #0x71,%d1
        bsr     fm_write
        moveq   #0x40,%d0               | total level
        add.b   %d6,%d0
        moveq   #0x10,%d1
        bsr     fm_write
        move.b  #0xB0,%d0               | algorithm
        add.b   %d6,%d0
        moveq   #0x07,%d1
        bsr     fm_write
2:      bsr.s   voice_regs
        move.w  frame,%d0
        andi.w  #63,%d0
        add.w   %d0,%d0
        lea     wave,%a1
        move.w  0(%a1,%d0.w),%d4
        asr.w   #3,%d4
        add.w   (ZP_NOTE).w,%d4
        move.b  #0xA4,%d0               | frequency, high byte first
        add.b   %d6,%d0
        move.w  %d4,%d1
        lsr.w   #8,%d1
        bsr     fm_write
        move.b  #0xA0,%d0
        add.b   %d6,%d0
        move.b  %d4,%d1
        bsr     fm_write
        move.w  frame,%d0
        andi.w  #7,%d0
        bne.s   3f
        moveq   #0x28,%d0               | key on, all four operators
        move.b  (ZP_VOICE).w,%d1
        ori.b   #0xF0,%d1
        moveq   #0,%d2
        bsr     fm_write
3:      moveq   #0x28,%d0
        moveq   #3,%d1
        btst    #6,(ZP_PAD1).w
        beq.s   4f
        ori.b   #0xF0,%d1
4:      moveq   #0,%d2
        bra     fm_write

| The current voice: D2 its part, D6 its register offset within the part.
voice_regs:
        move.b  (ZP_VOICE).w,%d2
        moveq   #3,%d6
        and.b   %d2,%d6
        lsr.b   #2,%d2
        rts

on_vint:
        movem.l %d0-%d7/%a0-%a2,-(%sp)
        addq.w  #1,frame
        clr.w   hints
        lea     PAD1_DATA,%a1
        bsr     read_pad
        move.b  %d0,(ZP_PAD1).w
        lea     PAD2_DATA,%a1
        bsr     read_pad
        move.b  %d0,(ZP_PAD2).w

        move.l  #SPRITE_RAM,%d0         | the sprite table
        move.w  #4*OBJECTS,%d1
        move.w  #SPRITES,%d2
        bsr     dma_to_vram
        move.l  #SCROLL_RAM,%d0         | the scroll table
        move.w  #2*224,%d1
        move.w  #HSCROLL,%d2
        bsr     dma_to_vram
        move.l  #TILE_RAM,%d0           | the made patterns
        move.w  #16*8,%d1
        move.w  #GEN_TILE*32,%d2
        bsr     dma_to_vram
        move.w  frame,%d0               | four frames of animation from ROM
        lsr.w   #2,%d0
        andi.l  #3,%d0
        lsl.w   #8,%d0
        add.w   %d0,%d0
        addi.l  #anim,%d0
        move.w  #16*16,%d1
        move.w  #ANIM_TILE*32,%d2
        bsr     dma_to_vram

        | 24 cells of plane A row (frame & 31) from column (frame x 7) & 31
        | filled with one entry of four.
        move.w  frame,%d0
        move.w  %d0,%d4
        lsr.w   #4,%d4
        andi.w  #6,%d4
        move.w  fills(%pc,%d4.w),%d2
        move.w  %d0,%d1
        mulu.w  #7,%d1
        andi.w  #31,%d1
        andi.w  #31,%d0
        lsl.w   #6,%d0
        add.w   %d1,%d0
        add.w   %d0,%d0
        addi.w  #PLANE_A,%d0
        moveq   #23,%d1
        bsr     dma_fill
        bra.s   1f
fills:  .word   0, ANIM_TILE+0x2000, 0, GEN_TILE+0xC000

        | Vertical scroll per column: plane A along the wave, plane B down
        | at half speed (plane B is changed again by the horizontal
        | interrupts).
1:      move.w  frame,%d3
        move.w  %d3,(ZP_SCROLLY).w
        move.w  %d3,%d4
        asr.w   #1,%d4
        lea     wave,%a2
        move.l  #VSRAM_WRITE,(%a1)
        moveq   #19,%d7
2:      move.w  %d3,%d0
        andi.w  #63,%d0
        add.w   %d0,%d0
        move.w  0(%a2,%d0.w),%d0
        asr.w   #2,%d0
        add.w   (ZP_SCROLLY).w,%d0
        move.w  %d0,(%a0)
        move.w  %d4,(%a0)
        addq.w  #3,%d3
        dbf     %d7,2b

        | Palette line 3 rotates.
        move.l  #CRAM_WRITE+(0x60 << 16),(%a1)
        move.w  frame,%d1
        moveq   #15,%d0
3:      move.w  %d1,(%a0)
        addi.w  #0x0222,%d1
        dbf     %d0,3b

        | The score and the hits in hexadecimal digits, window row 1.
        VDP_CMD VRAM_WRITE, WINDOW+(64+2)*2, (%a1)
        move.l  (ZP_SCORE).w,%d0
        moveq   #7,%d7
        bsr.s   digits
        move.w  #0x4000+15,(%a0)
        move.w  (ZP_HITS).w,%d0
        swap    %d0
        moveq   #3,%d7
        bsr.s   digits

        | 32-cell lines while frame bit 5 is set.
        move.w  frame,%d0
        btst    #5,%d0
        sne     %d1
        move.b  %d1,(ZP_H32).w
        beq.s   4f
        addq.w  #1,h32frames
4:      not.b   %d1
        andi.w  #0x81,%d1
        ori.w   #0x8C00,%d1
        move.w  %d1,(%a1)

        bsr     sound
        st      (ZP_VFLAG).w
        movem.l (%sp)+,%d0-%d7/%a0-%a2
        rte

| D7 + 1 digit cells from the top of D0.L on, through A0.
digits:
1:      rol.l   #4,%d0
        move.w  %d0,%d1
        andi.w  #15,%d1
        addi.w  #0xC000+DIGIT_TILE,%d1
        move.w  %d1,(%a0)
        dbf     %d7,1b
        rts

| Bands of 16 lines: a background colour and a vertical scroll of plane B
| each.
on_hint:
        movem.l %d0-%d1,-(%sp)
        addq.w  #1,hints
        move.w  hints,%d0
        move.w  %d0,%d1
        andi.w  #0x0F,%d1
        ori.w   #0x8720,%d1
        move.w  %d1,VDP_CTRL
        move.l  #VSRAM_WRITE+(2 << 16),VDP_CTRL
        lsl.w   #2,%d0
        add.w   (ZP_SCROLLY).w,%d0
        move.w  %d0,VDP_DATA
        movem.l (%sp)+,%d0-%d1
        rte

registers:
        .word   0x8004, 0x8114
        .word   0x8200 + (PLANE_A >> 10), 0x8300 + (WINDOW >> 10)
        .word   0x8400 + (PLANE_B >> 13), 0x8500 + (SPRITES >> 9), 0x8700
        .word   0x8A0F, 0x8B07, 0x8C81, 0x8D00 + (HSCROLL >> 10), 0x8F02
        .word   0x9001, 0x9100, 0x9203
registers_end:

| The pixels of a disc, a pattern's two words per row.
disc:   .word   0x00FF, 0xFF00, 0x0FFF, 0xFFF0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF
        .word   0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0x0FFF, 0xFFF0, 0x00FF, 0xFF00

wave:
        .word   0, 3, 6, 9, 12, 15, 17, 19, 21, 22, 23, 24, 24, 24, 23, 22
        .word   21, 19, 17, 15, 12, 9, 6, 3, 0, -3, -6, -9, -12, -15, -17, -19
        .word   -21, -22, -23, -24, -24, -24, -23, -22, -21, -19, -17, -15, -12, -9, -6, -3
        .word   0, 2, 4, 6, 8, 6, 4, 2, 0, -2, -4, -6, -8, -6, -4, -2

| Four frames of sixteen patterns, sent from here by DMA: stripes that move
| one pixel to the right and one row down from frame to frame.
anim:
        .set    f, 0
        .rept   4
        .set    t, 0
        .rept   16
        .set    r, 0
        .rept   8
        .word   (0x1230 + ((t & 7) << 12) + f * 0x0101 + r * 0x0010) & 0xFFFF
        .word   ((0x4567 >> f) + (t << 8) + r) & 0xFFFF
        .set    r, r + 1
        .endr
        .set    t, t + 1
        .endr
        .set    f, f + 1
        .endr
