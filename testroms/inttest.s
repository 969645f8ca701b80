| Interrupt test. The main loop waits in STOP and counts its wake-ups; the
| vertical and horizontal interrupt handlers count per frame and note the
| line (the HV counter) they came on.
|
| Frames 1-5 run in two slices (horizontal interrupts off). From the sixth
| interrupt on, register 0 enables horizontal interrupts every 28 lines
| (register 10 = 27); from the eleventh, on every line (register 10 = 0).
        .include "cartridge.inc"
        CARTRIDGE "INTERRUPT TEST", "JUE "

        .equ    LOG_ENTRIES, 16
        .equ    HINT_LINES, 16

        .bss
vint_count:  .space 2               | 0xFF0000 vertical interrupts taken
hint_count:  .space 2               | 0xFF0002 horizontal ones since the last vertical
wakeups:     .space 2               | 0xFF0004 returns from STOP since the last vertical
hint_first:  .space 2               | 0xFF0006 V counter of the first of them, or 0xFFFF
done:        .space 2               | 0xFF0008 1 once 14 frames have been logged
             .space 6
| One entry of 8 bytes per vertical interrupt from 0xFF0010, for the frame
| before it: wakeups, horizontal interrupts, V counter of the first one
| (words), then the V counter at the vertical interrupt and the VDP status
| AND 0x88 (bytes).
log:         .space 8 * LOG_ENTRIES
log_end:
| The V counter at each of the first 16 horizontal interrupts, from 0xFF0090.
hint_lines:  .space 2 * HINT_LINES
hint_lines_end:

        .text
_start:
        lea     log,%a6
        lea     hint_lines,%a4
        move.w  #0xFFFF,hint_first
        VDP_REG 0, 0x04
        VDP_REG 1, 0x64                 | display, vertical interrupt, mode 5
        VDP_REG 10, 27
        move.w  #0x2000,%sr
loop:   stop    #0x2000
        addq.w  #1,wakeups
        move.w  vint_count,%d0
        cmp.w   #5,%d0
        bne.s   1f
        VDP_REG 0, 0x14                 | horizontal interrupts on
1:      cmp.w   #10,%d0
        bne.s   2f
        VDP_REG 10, 0                   | ... on every line
2:      cmp.w   #14,%d0
        bcs.s   loop
        move.w  #1,done
        bra.s   loop

| Kept short: in the line path this and the main loop's wake-up share the
| 489 cycles of line -38.
on_vint:
        move.w  %d0,-(%sp)
        addq.w  #1,vint_count
        cmpa.l  #log_end,%a6
        bcc.s   1f
        move.w  wakeups,(%a6)+
        move.w  hint_count,(%a6)+
        move.w  hint_first,(%a6)+
        move.b  VDP_HV,(%a6)+
        move.w  VDP_CTRL,%d0
        andi.b  #0x88,%d0
        move.b  %d0,(%a6)+
1:      clr.w   wakeups
        clr.w   hint_count
        move.w  #0xFFFF,hint_first
        move.w  (%sp)+,%d0
        rte

on_hint:
        move.w  %d0,-(%sp)
        moveq   #0,%d0
        move.b  VDP_HV,%d0
        tst.w   hint_count
        bne.s   1f
        move.w  %d0,hint_first
1:      addq.w  #1,hint_count
        cmpa.l  #hint_lines_end,%a4
        bcc.s   2f
        move.w  %d0,(%a4)+
2:      move.w  (%sp)+,%d0
        rte
