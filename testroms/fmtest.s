| FM test. The vertical interrupt of frame N keys voices on and off at known
| frequencies; the frame's audio is made after the processor has run, so
| each change is heard from the first sample of that frame.
|
|   frame 2: voice 0 at block 3, F-number 1709 (a phase step of 512: a
|            square wave of 128 samples), keyed on
|   frame 4: voice 0 keyed off
|   frame 5: voice 4 (part II) at block 4, F-number 1709 (step 1024, 64
|            samples), keyed on through part I's key register
|   frame 6: voice 0 keyed on again, by one word write
|   frame 7: both keyed off
        .include "cartridge.inc"
        CARTRIDGE "FM TEST", "JUE "

        .bss
frames:   .space 2                  | 0xFF0000 vertical interrupts taken

        .text
| Register REG of part I (or II) = DATA.
        .macro  FM1 reg, data
        move.b  #\reg,FM_ADDR0
        move.b  #\data,FM_DATA0
        .endm
        .macro  FM2 reg, data
        move.b  #\reg,FM_ADDR1
        move.b  #\data,FM_DATA1
        .endm

_start:
        VDP_REG 0, 0x04
        VDP_REG 1, 0x64
        move.w  #0x2000,%sr
loop:   stop    #0x2000
        bra.s   loop

on_vint:
        move.w  %d0,-(%sp)
        addq.w  #1,frames
        move.w  frames,%d0
        cmp.w   #2,%d0
        bne.s   1f
        FM1     0xA4, 0x1E              | block 3, F-number high bits first
        FM1     0xA0, 0xAD
        FM1     0xB0, 0x3F              | not modelled: changes nothing
        FM1     0x28, 0xF0
1:      cmp.w   #4,%d0
        bne.s   2f
        FM1     0x28, 0x00
2:      cmp.w   #5,%d0
        bne.s   3f
        FM2     0xA4, 0x26
        FM2     0xA0, 0xAD
        FM1     0x28, 0xF4
3:      cmp.w   #6,%d0
        bne.s   4f
        move.w  #0x28F0,FM_ADDR0        | address byte, then data byte
4:      cmp.w   #7,%d0
        bne.s   5f
        FM1     0x28, 0x00
        FM1     0x28, 0x04
5:      move.w  (%sp)+,%d0
        rte
