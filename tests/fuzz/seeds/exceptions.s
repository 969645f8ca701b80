| Seed for the processor target: every exception the 68000 raises, each
| handler returning past the instruction that raised it; a routine copied to
| work RAM and run there; STOP woken by the vertical interrupt; RESET; user
| mode and a privileged instruction in it; and last a jump to an odd
| address. The fuzzer mutates this into the wild cases.
        .include "cartridge.inc"
        CARTRIDGE "FUZZ SEED", "JUE "

        .text
_start:
        trap    #0
        trap    #15
        .word   0xA123                  | line A
        .word   0xF456                  | line F
        illegal
        moveq   #0,%d0
        divu.w  %d0,%d1                 | zero divide
        move.w  #-1,%d1
        chk.w   #5,%d1
        move.w  #0x2702,%sr             | V set
        trapv
        move.w  0xFF0001,%d0            | odd word address

        lea     ram_code,%a0
        lea     0xFF8000,%a1
        moveq   #(ram_code_end-ram_code)/2-1,%d0
1:      move.w  (%a0)+,(%a1)+
        dbf     %d0,1b
        jsr     0xFF8000

        VDP_REG 1, 0x64                 | display, vertical interrupt
        moveq   #2,%d2
2:      stop    #0x2000
        dbf     %d2,2b
        reset

        move.w  #0x0000,%sr             | user mode
        move.w  #0x2700,%sr             | privileged: a violation
        jmp     0x000201                | odd: the wild end

| Runs from work RAM: counts, then returns.
ram_code:
        moveq   #15,%d3
3:      addq.w  #1,0xFF0000
        dbf     %d3,3b
        rts
ram_code_end:

| Faults whose stacked PC is the instruction itself: step over one word.
skip_word:
        addq.l  #2,2(%sp)
        rte
returns:
        rte

        .globl  on_illegal, on_line_a, on_line_f, on_privilege, on_zero_divide
        .globl  on_chk, on_trapv, on_trap0, on_trap15, on_address_error, on_vint
        .equ    on_illegal, skip_word
        .equ    on_line_a, skip_word
        .equ    on_line_f, skip_word
        .equ    on_privilege, skip_word
        .equ    on_zero_divide, returns
        .equ    on_chk, returns
        .equ    on_trapv, returns
        .equ    on_trap0, returns
        .equ    on_trap15, returns
        .equ    on_address_error, returns
        .equ    on_vint, returns
