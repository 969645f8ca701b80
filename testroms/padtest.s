| Controller test. Every vertical interrupt reads both ports, each with TH
| high and with TH low, and logs what it read for that frame.
        .include "cartridge.inc"
        CARTRIDGE "PAD TEST", "JUE "

        .equ    LOG_ENTRIES, 32

        .bss
frames:   .space 2                  | 0xFF0000 interrupts logged so far
          .space 2
| 8 bytes per interrupt from 0xFF0004: port 1 TH high, port 1 TH low,
| port 2 TH high, port 2 TH low (bytes), then the word read of port 1 with TH
| high and of port 2 with TH low.
pad_log:  .space 8 * LOG_ENTRIES

        .text
_start:
        move.b  #0x40,PAD1_CTRL         | TH as an output, as games set it
        move.b  #0x40,PAD2_CTRL
        VDP_REG 0, 0x04
        VDP_REG 1, 0x64                 | display, vertical interrupt, mode 5
        move.w  #0x2000,%sr
loop:   stop    #0x2000
        bra.s   loop

on_vint:
        movem.l %d0/%a0,-(%sp)
        move.w  frames,%d0
        cmp.w   #LOG_ENTRIES,%d0
        bcc.s   1f
        lsl.w   #3,%d0
        lea     pad_log,%a0
        adda.w  %d0,%a0
        move.b  #0x40,PAD1_DATA
        move.b  PAD1_DATA,(%a0)+
        move.b  #0x00,PAD1_DATA
        move.b  PAD1_DATA,(%a0)+
        move.b  #0x40,PAD2_DATA
        move.b  PAD2_DATA,(%a0)+
        move.b  #0x00,PAD2_DATA
        move.b  PAD2_DATA,(%a0)+
        move.b  #0x40,PAD1_DATA
        move.w  PAD1_DATA-1,(%a0)+
        move.b  #0x00,PAD2_DATA
        move.w  PAD2_DATA-1,(%a0)+
        addq.w  #1,frames
1:      movem.l (%sp)+,%d0/%a0
        rte
