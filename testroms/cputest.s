| Processor self-test. Runs sequences over every instruction family and
| stores, for each step, a record of 8 bytes in work RAM:
|     tag (word), SR right after the step (word), a result (long).
| The whole-machine test holds the expected records, worked out by hand from
| the 68000's definition. When every step has run, `done` holds 0x600DC0DE
| and `count` the number of records; a step that hangs leaves `done` clear
| and the records show how far the run got.
        .include "cartridge.inc"
        CARTRIDGE "CPU SELF TEST", "JUE "

        .bss
done:     .space 4                  | 0xFF0000
count:    .space 4                  | 0xFF0004
last_vec: .space 2                  | 0xFF0008 vector of the last exception
last_sr:  .space 2                  | 0xFF000A SR it stacked
last_pc:  .space 4                  | 0xFF000C PC it stacked
resume:   .space 4                  | 0xFF0010 where its handler continues
          .org  0x20
buf:      .space 64                 | 0xFF0020 scratch
          .org  0x100
          .space 0x100
ustack:                             | 0xFF0200 top of the user stack
records:  .space 0x1000             | 0xFF0200

        .text
| Record the SR left by the step, then SRC as a long.
        .macro  REC tag, src
        move.w  %sr,%d7
        move.w  #\tag,(%a5)+
        move.w  %d7,(%a5)+
        move.l  \src,(%a5)+
        .endm

| The same with a word operand, zero-extended.
        .macro  RECW tag, src
        move.w  %sr,%d7
        move.w  #\tag,(%a5)+
        move.w  %d7,(%a5)+
        clr.w   (%a5)+
        move.w  \src,(%a5)+
        .endm

| The SR alone (the result long is 0).
        .macro  RECF tag
        move.w  %sr,%d7
        move.w  #\tag,(%a5)+
        move.w  %d7,(%a5)+
        clr.l   (%a5)+
        .endm

        .macro  SETCCR value
        move.w  #\value,%ccr
        .endm

| The exception a step raised: its vector, the stacked PC less PCREF, and the
| stacked SR, as three records TAG, TAG+1, TAG+2.
        .macro  EXC_CHECK tag, pcref
        RECW    \tag, last_vec
        move.l  last_pc,%d0
        sub.l   #\pcref,%d0
        REC     (\tag+1), %d0
        RECW    (\tag+2), last_sr
        .endm

_start:
        lea     records,%a5

|---------------------------------------------------------------------------
| Data movement
|---------------------------------------------------------------------------
        SETCCR  0x1F
        move.l  #0x12345678,%d0
        REC     0x0101, %d0
        SETCCR  0x0F
        move.b  #0x80,%d0
        REC     0x0102, %d0
        SETCCR  0x00
        move.w  #0,%d0
        REC     0x0103, %d0
        SETCCR  0x1F
        movea.w #0x8000,%a0
        REC     0x0104, %a0
        SETCCR  0x10
        moveq   #-2,%d1
        REC     0x0105, %d1
        SETCCR  0x00
        .word   0x7380                  | MOVEQ with opcode bit 8 set: D1 = -128
        REC     0x0106, %d1

        | Postincrement, predecrement, displacement, index, absolute
        lea     buf,%a0
        SETCCR  0x00
        move.l  #0xCAFEBABE,(%a0)+
        move.w  #0x1234,(%a0)+
        move.b  #0x56,(%a0)+
        move.b  #0x78,(%a0)+
        move.l  -(%a0),%d2
        REC     0x0107, %d2
        lea     buf,%a1
        suba.l  %a1,%a0
        REC     0x0108, %a0
        moveq   #0,%d4
        move.w  2(%a1),%d4
        REC     0x0109, %d4
        moveq   #3,%d5
        move.b  1(%a1,%d5.w),%d4
        REC     0x010A, %d4
        move.l  #0x0001FFFF,%d5         | as a word index: -1
        move.b  7(%a1,%d5.w),%d4
        REC     0x010B, %d4
        move.l  buf,%d6
        REC     0x010C, %d6
        move.w  #0x4321,(0xFFFF8000).w
        moveq   #0,%d6
        move.w  (0xFFFF8000).w,%d6
        REC     0x010D, %d6
        bra.s   1f
pcdata: .word   0x8001, 0x1234
1:      move.w  pcdata(%pc),%d0
        REC     0x010E, %d0
        moveq   #2,%d1
        move.w  pcdata(%pc,%d1.w),%d0
        REC     0x010F, %d0

        | MOVE.L An,-(An) stores An from before the decrement
        lea     buf+16,%a0
        move.l  %a0,-(%a0)
        move.l  (%a0),%d0
        sub.l   #buf+16,%d0
        REC     0x0110, %d0
        | A byte push moves A7 by 2
        move.l  %sp,%a4
        move.b  #1,-(%sp)
        move.l  %a4,%d0
        sub.l   %sp,%d0
        addq.l  #2,%sp
        REC     0x0111, %d0
        | MOVE.B from an address register moves its low byte
        movea.l #0x12345680,%a1
        moveq   #0,%d0
        SETCCR  0x00
        .word   0x1009                  | move.b %a1,%d0
        REC     0x0112, %d0

        | MOVEM
        lea     buf,%a0
        moveq   #1,%d0
        moveq   #2,%d1
        move.l  #0x80000003,%d2
        SETCCR  0x1F
        movem.l %d0-%d2,(%a0)
        REC     0x0113, buf+8
        lea     buf+8,%a0
        SETCCR  0x1F
        movem.w (%a0)+,%d3/%d4          | words 0x8000 and 0x0003
        REC     0x0114, %d3
        REC     0x0115, %d4
        lea     buf,%a1
        suba.l  %a1,%a0
        REC     0x0116, %a0
        lea     buf+32,%a0
        movem.l %d0-%d1/%a0,-(%a0)      | A0 is stored as it was
        move.l  buf+28,%d0
        sub.l   #buf+32,%d0
        REC     0x0117, %d0
        move.l  buf+20,%d0
        REC     0x0118, %d0
        lea     buf,%a1
        suba.l  %a1,%a0
        REC     0x0119, %a0

        | MOVEP
        lea     buf,%a0
        clr.l   (%a0)
        clr.l   4(%a0)
        move.l  #0x11223344,%d0
        movep.l %d0,0(%a0)
        REC     0x011A, buf
        REC     0x011B, buf+4
        moveq   #-1,%d2
        movep.w 0(%a0),%d2
        REC     0x011C, %d2

        | LEA and PEA
        lea     buf,%a0
        moveq   #-4,%d1
        lea     0x10(%a0,%d1.w),%a1
        suba.l  %a0,%a1
        REC     0x011D, %a1
        pea     3(%a0)
        move.l  (%sp)+,%d0
        sub.l   %a0,%d0
        REC     0x011E, %d0
        move.l  %sp,%a4
        pea     (%sp)                   | pushes A7 from before the push
        move.l  (%sp)+,%d0
        sub.l   %a4,%d0
        REC     0x011F, %d0

        | EXG, SWAP, EXT
        move.l  #0x12345678,%d0
        movea.l #0x9ABCDEF0,%a0
        SETCCR  0x1F
        exg     %d0,%a0
        REC     0x0120, %d0
        REC     0x0121, %a0
        move.l  #0x12348765,%d1
        SETCCR  0x13
        swap    %d1
        REC     0x0122, %d1
        move.l  #0x12345680,%d2
        SETCCR  0x00
        ext.w   %d2
        REC     0x0123, %d2
        move.l  #0xFFFF7FFF,%d2
        SETCCR  0x0F
        ext.l   %d2
        REC     0x0124, %d2

        | LINK and UNLK
        movea.l #0x11112222,%a6
        move.l  %sp,%a4
        link    %a6,#-8
        move.l  %a4,%d0
        sub.l   %a6,%d0
        REC     0x0125, %d0
        move.l  %a6,%d0
        sub.l   %sp,%d0
        REC     0x0126, %d0
        REC     0x0127, -4(%a4)
        unlk    %a6
        REC     0x0128, %a6
        move.l  %a4,%d0
        sub.l   %sp,%d0
        REC     0x0129, %d0

        | MOVE to and from USP
        movea.l #0x00FF8000,%a0
        move.l  %a0,%usp
        move.l  %usp,%a1
        REC     0x012A, %a1
        | MOVE.W (A0)+,-(A0) reads and writes one word and leaves A0
        lea     buf,%a0
        move.w  #0x1357,(%a0)
        move.w  (%a0)+,-(%a0)
        suba.l  #buf,%a0
        REC     0x012B, %a0
        REC     0x012C, buf

|---------------------------------------------------------------------------
| Program control
|---------------------------------------------------------------------------
| All sixteen conditions as Scc bytes into buf.
        .macro  SCC_ALL ccr
        lea     buf,%a0
        SETCCR  \ccr
        st      (%a0)+
        sf      (%a0)+
        shi     (%a0)+
        sls     (%a0)+
        scc     (%a0)+
        scs     (%a0)+
        sne     (%a0)+
        seq     (%a0)+
        svc     (%a0)+
        svs     (%a0)+
        spl     (%a0)+
        smi     (%a0)+
        sge     (%a0)+
        slt     (%a0)+
        sgt     (%a0)+
        sle     (%a0)+
        .endm

        SCC_ALL 0x0A
        REC     0x0201, buf
        REC     0x0202, buf+4
        REC     0x0203, buf+8
        REC     0x0204, buf+12
        SCC_ALL 0x05
        REC     0x0205, buf
        REC     0x0206, buf+4
        REC     0x0207, buf+8
        REC     0x0208, buf+12
        SCC_ALL 0x08
        REC     0x0209, buf
        REC     0x020A, buf+4
        REC     0x020B, buf+8
        REC     0x020C, buf+12
        move.l  #0x12345600,%d0
        SETCCR  0x04
        seq     %d0
        REC     0x020D, %d0
        SETCCR  0x04
        sne     %d0
        REC     0x020E, %d0

| Bcc: bit BIT of D0 is set when the branch is taken under CCR.
        .macro  BR cond, bit, ccr, size
        SETCCR  \ccr
        b\cond\size 1f
        bra.s   2f
1:      bset    #\bit,%d0
2:
        .endm

        moveq   #0,%d0
        BR      hi, 2, 0x0A, .s
        BR      ls, 3, 0x0A, .w
        BR      cc, 4, 0x0A, .s
        BR      cs, 5, 0x0A, .w
        BR      ne, 6, 0x0A, .s
        BR      eq, 7, 0x0A, .w
        BR      vc, 8, 0x0A, .s
        BR      vs, 9, 0x0A, .w
        BR      pl, 10, 0x0A, .s
        BR      mi, 11, 0x0A, .w
        BR      ge, 12, 0x0A, .s
        BR      lt, 13, 0x0A, .w
        BR      gt, 14, 0x0A, .s
        BR      le, 15, 0x0A, .w
        BR      ra, 0, 0x0A, .s
        REC     0x020F, %d0
        moveq   #0,%d0
        BR      hi, 2, 0x05, .w
        BR      ls, 3, 0x05, .s
        BR      cc, 4, 0x05, .w
        BR      cs, 5, 0x05, .s
        BR      ne, 6, 0x05, .w
        BR      eq, 7, 0x05, .s
        BR      vc, 8, 0x05, .w
        BR      vs, 9, 0x05, .s
        BR      pl, 10, 0x05, .w
        BR      mi, 11, 0x05, .s
        BR      ge, 12, 0x05, .w
        BR      lt, 13, 0x05, .s
        BR      gt, 14, 0x05, .w
        BR      le, 15, 0x05, .s
        BR      ra, 0, 0x05, .w
        REC     0x0210, %d0

        | BSR, JSR, JMP, RTS
        bra.s   3f
inc_d0: addq.l  #1,%d0
        rts
return_address:
        move.l  (%sp),%d1
        rts
3:      moveq   #0,%d0
        bsr.s   inc_d0
        bsr.w   inc_d0
        lea     inc_d0,%a0
        jsr     (%a0)
        jsr     inc_d0
        jsr     inc_d0(%pc)
        lea     1f,%a0
        jmp     (%a0)
        moveq   #99,%d0
1:      REC     0x0211, %d0
        bsr.s   return_address
2:      sub.l   #2b,%d1
        REC     0x0212, %d1

        | DBcc
        moveq   #0,%d0
        move.l  #0x00050009,%d1
1:      addq.l  #1,%d0
        dbf     %d1,1b
        REC     0x0213, %d0
        REC     0x0214, %d1
        moveq   #3,%d1
        SETCCR  0x04
        dbeq    %d1,.
        REC     0x0215, %d1

        | RTR and RTE
        pea     1f
        move.w  #0x000B,-(%sp)
        rtr
        moveq   #99,%d0
1:      RECF    0x0216
        pea     2f
        move.w  #0x2715,-(%sp)
        rte
        moveq   #99,%d0
2:      RECF    0x0217

        | CCR and SR writes
        SETCCR  0x1F
        andi.b  #0x0A,%ccr
        RECF    0x0218
        SETCCR  0x0A
        ori.b   #0x11,%ccr
        RECF    0x0219
        SETCCR  0x1B
        eori.b  #0x1F,%ccr
        RECF    0x021A
        SETCCR  0x04
        eori.w  #0x0015,%sr
        RECF    0x021B
        moveq   #0,%d0
        move.w  #0x2F1F,%sr             | SR bit 11 is kept as written
        move.w  %sr,%d0
        move.w  #0x2700,%sr
        REC     0x021C, %d0
        move.w  #0x2000,%sr
        ori.w   #0x0705,%sr
        RECF    0x021D
        lea     buf,%a0
        move.w  #0xFF15,(%a0)
        move.w  (%a0),%ccr
        RECF    0x021E
        move.w  #0x2700,%sr

        | RESET and NOP go on with the next instruction
        moveq   #0,%d0
        reset
        nop
        moveq   #1,%d0
        REC     0x021F, %d0
        | JMP through a PC-relative index: a jump table
        moveq   #4,%d0
        jmp     2f(%pc,%d0.w)
2:      moveq   #1,%d1
        moveq   #2,%d1
        moveq   #3,%d1
        REC     0x0220, %d1
        SETCCR  0x1F
        move.w  %sr,buf
        RECW    0x0221, buf

|---------------------------------------------------------------------------
| Integer arithmetic, logic and compare
|---------------------------------------------------------------------------
        move.l  #0x7FFFFFFF,%d0
        moveq   #1,%d1
        SETCCR  0x00
        add.l   %d1,%d0
        REC     0x0301, %d0
        move.l  #0x123456FF,%d0
        SETCCR  0x00
        add.b   %d1,%d0
        REC     0x0302, %d0
        lea     buf,%a0
        move.w  #0x8000,(%a0)
        move.w  #0x8000,%d1
        SETCCR  0x00
        add.w   %d1,(%a0)
        RECW    0x0303, (%a0)
        moveq   #5,%d1
        move.w  #0x1234,2(%a0)
        SETCCR  0x1F
        add.w   2(%a0),%d1
        REC     0x0304, %d1
        movea.l #0x00010000,%a0
        SETCCR  0x1F
        adda.w  #0x8000,%a0
        REC     0x0305, %a0
        moveq   #-1,%d2
        SETCCR  0x00
        addi.l  #2,%d2
        REC     0x0306, %d2
        moveq   #-1,%d3
        SETCCR  0x00
        addq.w  #1,%d3
        REC     0x0307, %d3
        moveq   #0,%d3
        SETCCR  0x1F
        addq.b  #8,%d3
        REC     0x0308, %d3
        movea.l #0xFFFFFFFF,%a1
        SETCCR  0x1F
        addq.w  #2,%a1
        REC     0x0309, %a1
        moveq   #-1,%d0
        moveq   #0,%d1
        SETCCR  0x14
        addx.l  %d1,%d0
        REC     0x030A, %d0
        moveq   #1,%d0
        moveq   #1,%d1
        SETCCR  0x14
        addx.l  %d1,%d0
        REC     0x030B, %d0
        lea     buf,%a0
        move.l  #0x00000080,(%a0)
        move.l  #0x00000080,4(%a0)
        lea     4(%a0),%a1
        lea     8(%a0),%a2
        SETCCR  0x04
        addx.b  -(%a1),-(%a2)
        REC     0x030C, 4(%a0)

        moveq   #0,%d0
        moveq   #1,%d1
        SETCCR  0x00
        sub.l   %d1,%d0
        REC     0x030D, %d0
        move.l  #0x80000000,%d0
        SETCCR  0x00
        sub.l   %d1,%d0
        REC     0x030E, %d0
        lea     buf,%a0
        move.w  #5,(%a0)
        moveq   #3,%d1
        SETCCR  0x1F
        sub.w   %d1,(%a0)
        RECW    0x030F, (%a0)
        movea.l #0x1000,%a0
        SETCCR  0x1F
        suba.l  #0x1001,%a0
        REC     0x0310, %a0
        move.l  #0x12345610,%d0
        SETCCR  0x00
        subi.b  #0x20,%d0
        REC     0x0311, %d0
        moveq   #0,%d0
        SETCCR  0x00
        subq.l  #1,%d0
        REC     0x0312, %d0
        movea.l #0x10000,%a0
        SETCCR  0x1F
        subq.w  #1,%a0
        REC     0x0313, %a0
        moveq   #0,%d0
        moveq   #0,%d1
        SETCCR  0x10
        subx.w  %d1,%d0
        REC     0x0314, %d0

        moveq   #3,%d0
        moveq   #5,%d1
        SETCCR  0x00
        cmp.l   %d1,%d0
        REC     0x0315, %d0
        move.l  #0x7FFF,%d0
        SETCCR  0x10
        cmp.w   #0x8000,%d0
        REC     0x0316, %d0
        moveq   #0,%d2
        SETCCR  0x00
        cmp.w   #0x8000,%d0
        sge     %d2                     | N and V both set: GE holds
        REC     0x0317, %d2
        movea.l #0xFFFF8000,%a0
        SETCCR  0x00
        cmpa.w  #0x8000,%a0
        REC     0x0318, %a0
        move.l  #0x80,%d0
        SETCCR  0x00
        cmpi.b  #1,%d0
        REC     0x0319, %d0
        lea     buf,%a0
        lea     buf+4,%a1
        move.b  #5,(%a0)
        move.b  #5,(%a1)
        SETCCR  0x00
        cmpm.b  (%a0)+,(%a1)+
        suba.l  #buf,%a1
        REC     0x031A, %a1

        move.l  #0xF0F0F0F0,%d0
        SETCCR  0x13
        andi.l  #0x0FF00FF0,%d0
        REC     0x031B, %d0
        SETCCR  0x13
        ori.w   #0x8000,%d0
        REC     0x031C, %d0
        moveq   #0x55,%d1
        SETCCR  0x13
        eor.b   %d1,%d0
        REC     0x031D, %d0
        SETCCR  0x03
        not.l   %d0
        REC     0x031E, %d0
        move.l  #0x0000FF00,%d1
        SETCCR  0x00
        and.w   %d1,%d0
        REC     0x031F, %d0
        moveq   #0x0F,%d1
        SETCCR  0x04
        or.b    %d1,%d0
        REC     0x0320, %d0
        lea     buf,%a0
        move.l  #0x12345678,(%a0)
        SETCCR  0x00
        andi.w  #0xFF00,(%a0)
        RECW    0x0321, (%a0)
        SETCCR  0x00
        ori.b   #0x0F,1(%a0)
        REC     0x0322, (%a0)
        SETCCR  0x00
        eori.l  #0xFFFFFFFF,(%a0)
        REC     0x0323, (%a0)
        move.l  #0x0F0F0F0F,%d1
        SETCCR  0x00
        eor.l   %d1,(%a0)
        REC     0x0324, (%a0)
        move.w  #0x00FF,%d1
        SETCCR  0x00
        and.w   (%a0),%d1
        REC     0x0325, %d1

        moveq   #1,%d0
        SETCCR  0x00
        neg.l   %d0
        REC     0x0326, %d0
        move.l  #0x80,%d0
        SETCCR  0x00
        neg.b   %d0
        REC     0x0327, %d0
        moveq   #0,%d0
        SETCCR  0x1F
        neg.w   %d0
        REC     0x0328, %d0
        move.l  #0xFF,%d0
        SETCCR  0x10
        negx.b  %d0
        REC     0x0329, %d0
        move.l  #0x7F,%d0
        SETCCR  0x10
        negx.b  %d0
        REC     0x032A, %d0
        moveq   #-1,%d0
        SETCCR  0x1B
        clr.w   %d0
        REC     0x032B, %d0
        move.l  #0x8000,%d0
        SETCCR  0x03
        tst.w   %d0
        REC     0x032C, %d0
        SETCCR  0x13
        tst.l   %d0
        REC     0x032D, %d0
        lea     buf,%a0
        clr.b   (%a0)
        SETCCR  0x00
        tas     (%a0)
        REC     0x032E, (%a0)
        move.b  #0x81,(%a0)
        SETCCR  0x00
        tas     (%a0)
        REC     0x032F, (%a0)

        move.l  #0x1234FFFF,%d0
        SETCCR  0x00
        mulu.w  %d0,%d0
        REC     0x0330, %d0
        move.l  #0x0000FFFF,%d0
        SETCCR  0x10
        muls.w  %d0,%d0
        REC     0x0331, %d0
        moveq   #3,%d0
        SETCCR  0x00
        muls.w  #-2,%d0
        REC     0x0332, %d0
        move.l  #0x12340003,%d0
        SETCCR  0x04
        mulu.w  #4,%d0
        REC     0x0333, %d0
        moveq   #100,%d0
        SETCCR  0x1F
        divu.w  #7,%d0
        REC     0x0334, %d0
        move.l  #0x00010000,%d0
        SETCCR  0x0C
        divu.w  #1,%d0                  | quotient too large: V, register kept
        REC     0x0335, %d0
        moveq   #-7,%d0
        SETCCR  0x00
        divs.w  #2,%d0
        REC     0x0336, %d0
        move.l  #0x80000000,%d0
        SETCCR  0x01
        divs.w  #-1,%d0
        REC     0x0337, %d0
        move.l  #0xFFFE0001,%d0
        SETCCR  0x00
        divu.w  #0xFFFF,%d0
        REC     0x0338, %d0
        moveq   #-100,%d0
        SETCCR  0x00
        divs.w  #7,%d0
        REC     0x0339, %d0
        | Encodings this core accepts beyond the 68000's own
        movea.l #0x12348000,%a0
        SETCCR  0x13
        .word   0x4A48                  | tst.w %a0
        RECF    0x033A
        movea.l #0x00000080,%a1
        moveq   #0x7F,%d0
        SETCCR  0x00
        .word   0xB009                  | cmp.b %a1,%d0
        RECF    0x033B
        movea.l #0x0000FFFF,%a0
        SETCCR  0x1F
        .word   0x5208                  | addq.b #1,%a0: the whole register
        REC     0x033C, %a0
        | SUBX memory form, NEGX.L
        lea     buf,%a0
        move.l  #0x00000001,(%a0)
        move.l  #0x00000000,4(%a0)
        lea     4(%a0),%a1
        lea     8(%a0),%a2
        SETCCR  0x14
        subx.w  -(%a1),-(%a2)
        REC     0x033D, 4(%a0)
        moveq   #0,%d0
        SETCCR  0x14
        negx.l  %d0
        REC     0x033E, %d0
        moveq   #0,%d0
        SETCCR  0x04
        negx.l  %d0
        REC     0x033F, %d0
        | Multiply and divide with memory operands
        lea     buf,%a0
        move.w  #-300,(%a0)
        move.l  #0x7FFF0100,%d1
        SETCCR  0x00
        muls.w  (%a0),%d1
        REC     0x0340, %d1
        move.w  #10,(%a0)
        move.l  #123456,%d1
        SETCCR  0x00
        divu.w  (%a0),%d1
        REC     0x0341, %d1

|---------------------------------------------------------------------------
| Shifts, rotates, bit operations and BCD
|---------------------------------------------------------------------------
        move.l  #0x4000,%d0
        SETCCR  0x00
        asl.w   #2,%d0
        REC     0x0401, %d0
        move.l  #0xE000,%d0
        SETCCR  0x00
        asl.w   #2,%d0
        REC     0x0402, %d0
        move.l  #0xFF,%d0
        SETCCR  0x00
        asl.b   #8,%d0
        REC     0x0403, %d0
        move.l  #0x80000000,%d0
        moveq   #40,%d1
        SETCCR  0x00
        asr.l   %d1,%d0
        REC     0x0404, %d0
        move.l  #0x8001,%d0
        SETCCR  0x00
        asr.w   #1,%d0
        REC     0x0405, %d0
        move.l  #0x80000001,%d0
        SETCCR  0x00
        lsl.l   #1,%d0
        REC     0x0406, %d0
        move.l  #0x80000000,%d0
        moveq   #32,%d1
        SETCCR  0x00
        lsr.l   %d1,%d0
        REC     0x0407, %d0
        move.l  #0x80000000,%d0
        moveq   #33,%d1
        SETCCR  0x11
        lsr.l   %d1,%d0
        REC     0x0408, %d0
        moveq   #0x0F,%d0
        SETCCR  0x00
        lsr.b   #3,%d0
        REC     0x0409, %d0
        move.l  #0x8001,%d0
        moveq   #16,%d1
        SETCCR  0x00
        rol.w   %d1,%d0
        REC     0x040A, %d0
        move.l  #0x81,%d0
        moveq   #32,%d1
        SETCCR  0x00
        ror.b   %d1,%d0
        REC     0x040B, %d0
        move.l  #0x12345678,%d0
        SETCCR  0x10
        rol.l   #4,%d0
        REC     0x040C, %d0
        move.l  #0x1234,%d0
        SETCCR  0x1F
        ror.w   #4,%d0
        REC     0x040D, %d0
        move.l  #0x55,%d0
        moveq   #9,%d1
        SETCCR  0x10
        roxl.b  %d1,%d0
        REC     0x040E, %d0
        move.l  #0x8000,%d0
        SETCCR  0x00
        roxl.w  #1,%d0
        REC     0x040F, %d0
        moveq   #1,%d0
        SETCCR  0x10
        roxr.l  #1,%d0
        REC     0x0410, %d0
        move.l  #0x12345678,%d0
        moveq   #33,%d1
        SETCCR  0x00
        roxr.l  %d1,%d0
        REC     0x0411, %d0
        move.l  #0x80000000,%d0
        moveq   #0,%d1
        SETCCR  0x1F
        lsl.l   %d1,%d0
        REC     0x0412, %d0
        SETCCR  0x17
        roxl.l  %d1,%d0
        REC     0x0413, %d0
        lea     buf,%a0
        move.w  #0x8001,(%a0)
        SETCCR  0x00
        asl.w   (%a0)
        RECW    0x0414, (%a0)
        SETCCR  0x00
        lsr.w   (%a0)
        RECW    0x0415, (%a0)
        SETCCR  0x00
        ror.w   (%a0)
        RECW    0x0416, (%a0)
        SETCCR  0x10
        roxl.w  (%a0)
        RECW    0x0417, (%a0)

        moveq   #33,%d0
        moveq   #2,%d1
        SETCCR  0x1F
        btst    %d0,%d1                 | bit 33 of a register is bit 1
        RECF    0x0418
        lea     buf,%a0
        clr.b   (%a0)
        SETCCR  0x00
        bset    #9,(%a0)                | bit 9 of a byte is bit 1
        RECW    0x0419, (%a0)
        SETCCR  0x00
        bchg    #1,(%a0)
        RECW    0x041A, (%a0)
        moveq   #1,%d0
        SETCCR  0x00
        bclr    %d0,1(%a0)
        RECW    0x041B, (%a0)
        move.l  #0x80000000,%d2
        SETCCR  0x00
        bclr    #31,%d2
        REC     0x041C, %d2
        moveq   #0,%d2
        moveq   #37,%d0
        SETCCR  0x1F
        bset    %d0,%d2
        REC     0x041D, %d2
        moveq   #5,%d0
        SETCCR  0x00
        btst    %d0,#0x20
        RECF    0x041E
        SETCCR  0x00
        btst    #3,pcbyte(%pc)
        RECF    0x041F
        SETCCR  0x00
        btst    #2,pcbyte(%pc)
        RECF    0x0420

        move.l  #0x45,%d0
        move.l  #0x55,%d1
        SETCCR  0x04
        abcd    %d1,%d0
        REC     0x0421, %d0
        move.l  #0x15,%d0
        move.l  #0x27,%d1
        SETCCR  0x14
        abcd    %d1,%d0
        REC     0x0422, %d0
        moveq   #0,%d0
        moveq   #1,%d1
        SETCCR  0x04
        sbcd    %d1,%d0
        REC     0x0423, %d0
        move.l  #0x50,%d0
        move.l  #0x25,%d1
        SETCCR  0x10
        sbcd    %d1,%d0
        REC     0x0424, %d0
        moveq   #0,%d0
        SETCCR  0x04
        nbcd    %d0
        REC     0x0425, %d0
        moveq   #0,%d0
        SETCCR  0x10
        nbcd    %d0
        REC     0x0426, %d0
        move.l  #0x25,%d0
        SETCCR  0x00
        nbcd    %d0
        REC     0x0427, %d0
        lea     buf,%a0
        move.l  #0x00990001,(%a0)
        lea     2(%a0),%a1
        lea     4(%a0),%a2
        SETCCR  0x00
        abcd    -(%a1),-(%a2)
        REC     0x0428, (%a0)
        | The other four memory shifts
        move.w  #0x8001,(%a0)
        SETCCR  0x00
        asr.w   (%a0)
        RECW    0x0429, (%a0)
        SETCCR  0x00
        lsl.w   (%a0)
        RECW    0x042A, (%a0)
        SETCCR  0x10
        rol.w   (%a0)
        RECW    0x042B, (%a0)
        SETCCR  0x10
        roxr.w  (%a0)
        RECW    0x042C, (%a0)
        | SBCD and NBCD on memory
        move.l  #0x00230045,(%a0)
        lea     2(%a0),%a1
        lea     4(%a0),%a2
        SETCCR  0x04
        sbcd    -(%a1),-(%a2)
        REC     0x042D, (%a0)
        SETCCR  0x00
        nbcd    1(%a0)
        REC     0x042E, (%a0)
        | BTST on memory and BCHG on a register by a register bit number
        moveq   #7,%d0
        SETCCR  0x00
        btst    %d0,(%a0)
        RECF    0x042F
        moveq   #-1,%d2
        moveq   #63,%d0
        SETCCR  0x00
        bchg    %d0,%d2
        REC     0x0430, %d2

|---------------------------------------------------------------------------
| Exceptions. The handlers note vector, stacked SR and PC, drop the frame
| and continue at `resume`, in supervisor mode.
|---------------------------------------------------------------------------
        move.l  #x_trap3_next,resume
        SETCCR  0x03
        trap    #3
x_trap3_next:
        EXC_CHECK 0x0501, x_trap3_next
        move.l  #x_trap15_next,resume
        SETCCR  0x00
        trap    #15
x_trap15_next:
        EXC_CHECK 0x0504, x_trap15_next

        move.l  #x_ill_next,resume
        SETCCR  0x00
x_ill:  illegal
x_ill_next:
        EXC_CHECK 0x0507, x_ill
        move.l  #x_linea_next,resume
x_linea: .word  0xA123
x_linea_next:
        EXC_CHECK 0x050A, x_linea
        move.l  #x_linef_next,resume
x_linef: .word  0xF123
x_linef_next:
        EXC_CHECK 0x050D, x_linef

        move.l  #x_div0_next,resume
        moveq   #5,%d0
        moveq   #0,%d1
        SETCCR  0x1F
        divu.w  %d1,%d0
x_div0_next:
        REC     0x0510, %d0
        EXC_CHECK 0x0511, x_div0_next

        move.l  #x_chk1_next,resume
        moveq   #-1,%d0
        moveq   #5,%d1
        SETCCR  0x00
        chk     %d1,%d0
x_chk1_next:
        EXC_CHECK 0x0514, x_chk1_next
        move.l  #x_chk2_next,resume
        moveq   #7,%d0
        SETCCR  0x08
        chk     %d1,%d0
x_chk2_next:
        EXC_CHECK 0x0517, x_chk2_next
        clr.w   last_vec
        moveq   #3,%d0
        chk     %d1,%d0
        RECW    0x051A, last_vec

        clr.w   last_vec
        SETCCR  0x00
        trapv
        RECW    0x051B, last_vec
        move.l  #x_trapv_next,resume
        SETCCR  0x02
        trapv
x_trapv_next:
        EXC_CHECK 0x051C, x_trapv_next

        move.l  #x_odd_next,resume
        lea     x_odd_target+1,%a0
        SETCCR  0x00
        jmp     (%a0)
x_odd_target:
        nop
x_odd_next:
        EXC_CHECK 0x051F, x_odd_target-1

        | A 68010 instruction on the 68000 is illegal
        move.l  #x_rtd_next,resume
x_rtd:  .word   0x4E74, 0x0008          | rtd #8
x_rtd_next:
        EXC_CHECK 0x0522, x_rtd

        | Privileged instructions in user mode
        move.l  #ustack,%a0
        move.l  %a0,%usp
        move.l  #x_priv_next,resume
        moveq   #0,%d0
        move.w  #0x0000,%sr
        move.w  %sr,%d0                 | allowed in user mode
        move.l  %sp,%d1
x_priv: move.w  #0x2700,%sr
x_priv_next:
        move.w  #0x2700,%sr
        REC     0x0525, %d0
        sub.l   #ustack,%d1
        REC     0x0526, %d1
        EXC_CHECK 0x0527, x_priv
        move.l  #x_priv2_next,resume
        move.w  #0x0004,%sr
x_priv2: ori.w  #0x0700,%sr
x_priv2_next:
        move.w  #0x2700,%sr
        EXC_CHECK 0x052A, x_priv2
        move.l  #x_priv3_next,resume
        move.w  #0x0000,%sr
x_priv3: move.l %usp,%a0
x_priv3_next:
        move.w  #0x2700,%sr
        EXC_CHECK 0x052D, x_priv3

|---------------------------------------------------------------------------
        move.l  %a5,%d0
        sub.l   #records,%d0
        lsr.l   #3,%d0
        move.l  %d0,count
        move.l  #0x600DC0DE,done
halt:   bra.s   halt

        .macro  EXC name, vector
\name:  move.w  #\vector,last_vec
        bra.w   exc_common
        .endm
        EXC     on_address_error, 3
        EXC     on_illegal, 4
        EXC     on_zero_divide, 5
        EXC     on_chk, 6
        EXC     on_trapv, 7
        EXC     on_privilege, 8
        EXC     on_line_a, 10
        EXC     on_line_f, 11
        EXC     on_trap3, 35
        EXC     on_trap15, 47
exc_common:
        move.w  (%sp),last_sr
        move.l  2(%sp),last_pc
        addq.l  #6,%sp
        movea.l resume,%a0
        jmp     (%a0)

pcbyte: .byte   0x08
        .even
