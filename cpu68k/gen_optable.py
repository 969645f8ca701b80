#!/usr/bin/env python3
"""The one description of the 68000 instruction encodings.

Decodes every one of the 65,536 opcodes to a handler key (instruction,
size, source mode, destination mode, extra) and writes, for the C++ build:
  - the list of distinct handlers, as template instantiations, in order of
    first appearance (the packed table names a handler by its index here);
  - the packed run-length table that Cpu68kBuildOpTable expands.

Usage: gen_optable.py OUTPUT.inc        write the generated C++
       gen_optable.py --stats           print the table's figures
"""

import struct
import sys

# Effective-address classes. Post7/Pre7 are the byte forms through A7, which
# step by 2; DnAn is a source that may be either kind of register (the handler
# reads bits 3-0 as an index into the 16 registers).
ALL = {"Dn", "An", "Ind", "Post", "Pre", "Disp", "Index", "AbsW", "AbsL", "PcDisp", "PcIndex", "Imm"}
DATA = ALL - {"An"}
MEMALT = {"Ind", "Post", "Pre", "Disp", "Index", "AbsW", "AbsL"}
DATAALT = MEMALT | {"Dn"}
ALT = DATAALT | {"An"}
CTRL = {"Ind", "Disp", "Index", "AbsW", "AbsL", "PcDisp", "PcIndex"}
CTRLALT = {"Ind", "Disp", "Index", "AbsW", "AbsL"}

SIZES = {0: "B", 1: "W", 2: "L"}


def ea_class(mode, reg, size, allowed, dn_an=False):
    """The handler's class for an EA field, or None when not allowed."""
    if mode < 7:
        base = ["Dn", "An", "Ind", "Post", "Pre", "Disp", "Index"][mode]
    else:
        if reg > 4:
            return None
        base = ["AbsW", "AbsL", "PcDisp", "PcIndex", "Imm"][reg]
    if base not in allowed:
        return None
    if dn_an and base in ("Dn", "An"):
        return "DnAn"
    if size == "B" and reg == 7 and base in ("Post", "Pre"):
        return base + "7"
    return base


ILLEGAL = ("Illegal", "N", "None", "None", 0)


def key(op, size="N", src="None", dst="None", extra=0):
    return (op, size, src, dst, extra)


def ea_key(op, size, allowed, opcode, dn_an=False, as_src=False, extra=0):
    cls = ea_class((opcode >> 3) & 7, opcode & 7, size, allowed, dn_an)
    if cls is None:
        return ILLEGAL
    return key(op, size, cls, "None", extra) if as_src else key(op, size, "None", cls, extra)


def pair_key(op_name, size, op, memory_mode):
    """ADDX/SUBX/ABCD/SBCD/CMPM: Dy,Dx, or the memory form with Ay in bits
    2-0 and Ax in bits 11-9 (mode 3 (An)+ or 4 -(An), A7 apart for bytes)."""
    if not (op & 8):
        return key(op_name, size, "Dn", "Dn")
    return key(op_name, size, ea_class(memory_mode, op & 7, size, ALL),
               ea_class(memory_mode, (op >> 9) & 7, size, ALL))


def decode_line0(op):
    mode = (op >> 3) & 7
    if op & 0x0100:
        if mode == 1:
            return key("Movep", "N", extra=(op >> 6) & 3)
        kind = (op >> 6) & 3
        allowed = DATA if kind == 0 else DATAALT
        name = ["BtstDyn", "BchgDyn", "BclrDyn", "BsetDyn"][kind]
        return ea_key(name, "B", allowed, op)
    sel = (op >> 9) & 7
    if sel == 4:
        kind = (op >> 6) & 3
        allowed = (DATA - {"Imm"}) if kind == 0 else DATAALT
        name = ["BtstImm", "BchgImm", "BclrImm", "BsetImm"][kind]
        return ea_key(name, "B", allowed, op)
    if sel == 7:
        return ILLEGAL
    szf = (op >> 6) & 3
    if szf == 3:
        return ILLEGAL
    size = SIZES[szf]
    name = {0: "Ori", 1: "Andi", 2: "Subi", 3: "Addi", 5: "Eori", 6: "Cmpi"}[sel]
    if (op & 0x3F) == 0x3C and sel in (0, 1, 5):
        if size == "B":
            return key(name + "Ccr")
        if size == "W":
            return key(name + "Sr")
        return ILLEGAL
    return ea_key(name, size, DATAALT, op)


def decode_move(op):
    size = {1: "B", 3: "W", 2: "L"}[op >> 12]
    src = ea_class((op >> 3) & 7, op & 7, size, ALL, dn_an=True)
    if src is None:
        return ILLEGAL
    dmode, dreg = (op >> 6) & 7, (op >> 9) & 7
    if dmode == 1:
        if size == "B":
            return ILLEGAL
        return key("Movea", size, src, "An")
    dst = ea_class(dmode, dreg, size, DATAALT)
    if dst is None:
        return ILLEGAL
    return key("Move", size, src, dst)


def decode_line4(op):
    mode = (op >> 3) & 7
    if (op & 0xFFF8) == 0x49C0:
        # The 68020's EXTB.L encoding: a handler of its own that runs EXT.L.
        return key("Ext", "L", extra=1)
    if (op & 0xF1C0) == 0x41C0:
        return ea_key("Lea", "L", CTRL, op, as_src=True)
    if (op & 0xF1C0) == 0x4180:
        return ea_key("Chk", "W", DATA, op, as_src=True)
    if op & 0x0100:
        return ILLEGAL
    hi = op & 0x0FC0
    szf = (op >> 6) & 3
    unary = {0x000: "Negx", 0x200: "Clr", 0x400: "Neg", 0x600: "Not"}
    if (op & 0x0F00) in unary and szf != 3:
        return ea_key(unary[op & 0x0F00], SIZES[szf], DATAALT, op)
    if hi == 0x0C0:
        return ea_key("MoveFromSr", "W", DATAALT, op)
    if hi == 0x2C0:
        return ea_key("MoveFromCcr", "W", DATAALT, op)
    if hi == 0x4C0:
        return ea_key("MoveToCcr", "W", DATA, op, as_src=True)
    if hi == 0x6C0:
        return ea_key("MoveToSr", "W", DATA, op, as_src=True)
    if hi == 0x800:
        return ea_key("Nbcd", "B", DATAALT, op)
    if hi == 0x840:
        if mode == 0:
            return key("Swap")
        if mode == 1:
            return ILLEGAL
        return ea_key("Pea", "L", CTRL, op, as_src=True)
    if hi in (0x880, 0x8C0):
        size = "W" if hi == 0x880 else "L"
        if mode == 0:
            return key("Ext", size)
        return ea_key("MovemToMem", size, CTRLALT | {"Pre"}, op)
    if (op & 0x0F00) == 0xA00:
        if szf == 3:
            return ea_key("Tas", "B", DATAALT, op)
        size = SIZES[szf]
        if size == "B":
            return ea_key("Tst", size, DATAALT, op, as_src=True)
        return ea_key("Tst", size, DATAALT | {"An"}, op, dn_an=True, as_src=True)
    if hi in (0xC80, 0xCC0):
        size = "W" if hi == 0xC80 else "L"
        return ea_key("MovemToReg", size, CTRL | {"Post"}, op, as_src=True)
    if (op & 0xFFF0) == 0x4E40:
        return key("Trap")
    if (op & 0xFFF8) == 0x4E50:
        return key("Link")
    if (op & 0xFFF8) == 0x4E58:
        return key("Unlk")
    if (op & 0xFFF8) == 0x4E60:
        return key("MoveToUsp")
    if (op & 0xFFF8) == 0x4E68:
        return key("MoveFromUsp")
    singles = {0x4E70: "Reset", 0x4E71: "Nop", 0x4E72: "Stop", 0x4E73: "Rte", 0x4E74: "Rtd",
               0x4E75: "Rts", 0x4E76: "Trapv", 0x4E77: "Rtr", 0x4E7A: "MovecToReg",
               0x4E7B: "MovecFromReg"}
    if op in singles:
        return key(singles[op])
    if hi == 0xE80:
        return ea_key("Jsr", "L", CTRL, op, as_src=True)
    if hi == 0xEC0:
        return ea_key("Jmp", "L", CTRL, op, as_src=True)
    return ILLEGAL


def decode_line5(op):
    mode = (op >> 3) & 7
    cond = (op >> 8) & 15
    szf = (op >> 6) & 3
    if szf == 3:
        if mode == 1:
            return key("Dbcc", extra=cond)
        return ea_key("Scc", "B", DATAALT, op, extra=cond)
    name = "Subq" if op & 0x0100 else "Addq"
    size = SIZES[szf]
    if mode == 1:
        # Byte size on An runs the word form: the whole register changes.
        return key(name, "L" if size == "L" else "W", "None", "An")
    return ea_key(name, size, DATAALT, op)


def decode_line6(op):
    cond = (op >> 8) & 15
    return key("Bcc16" if (op & 0xFF) == 0 else "Bcc8", extra=cond)


def decode_arith(op, name, xname, aname, allow_byte_an):
    """Lines 9 and D: SUB/ADD, SUBA/ADDA, SUBX/ADDX."""
    mode = (op >> 3) & 7
    opmode = (op >> 6) & 7
    if opmode in (3, 7):
        return ea_key(aname, "W" if opmode == 3 else "L", ALL, op, dn_an=True, as_src=True)
    size = SIZES[opmode & 3]
    if opmode < 3:
        allowed = ALL if (size != "B" or allow_byte_an) else DATA
        return ea_key(name + "ToReg", size, allowed, op, dn_an=True, as_src=True)
    if mode in (0, 1):
        return pair_key(xname, size, op, 4)
    return ea_key(name + "ToMem", size, MEMALT, op)


def decode_lineb(op):
    mode = (op >> 3) & 7
    opmode = (op >> 6) & 7
    if opmode in (3, 7):
        return ea_key("Cmpa", "W" if opmode == 3 else "L", ALL, op, dn_an=True, as_src=True)
    size = SIZES[opmode & 3]
    if opmode < 3:
        # CMP.B from An (the low byte) is a handler of its own; the word and
        # long forms serve Dn and An alike.
        return ea_key("Cmp", size, ALL, op, dn_an=(size != "B"), as_src=True)
    if mode == 1:
        return pair_key("Cmpm", size, op, 3)
    return ea_key("Eor", size, DATAALT, op)


# Lines 8 and C: OR/DIVU/DIVS/SBCD and AND/MULU/MULS/ABCD share one layout;
# line C also holds EXG where line 8's other register-pair forms are illegal.
EXG = {(5, 0): "ExgDD", (5, 1): "ExgAA", (6, 1): "ExgDA"}


def decode_logic(op, logic, unsigned_op, signed_op, decimal, exg):
    mode = (op >> 3) & 7
    opmode = (op >> 6) & 7
    if opmode == 3:
        return ea_key(unsigned_op, "W", DATA, op, as_src=True)
    if opmode == 7:
        return ea_key(signed_op, "W", DATA, op, as_src=True)
    size = SIZES[opmode & 3]
    if opmode < 3:
        return ea_key(logic + "ToReg", size, DATA, op, as_src=True)
    if mode in (0, 1):
        if opmode == 4:
            return pair_key(decimal, "B", op, 4)
        return key(EXG[(opmode, mode)]) if exg and (opmode, mode) in EXG else ILLEGAL
    return ea_key(logic + "ToMem", size, MEMALT, op)


SHIFT_NAMES = ["As", "Ls", "Rox", "Ro"]


def decode_linee(op):
    szf = (op >> 6) & 3
    left = bool(op & 0x0100)
    if szf == 3:
        kind = (op >> 9) & 7
        if kind > 3:
            return ILLEGAL
        name = SHIFT_NAMES[kind] + ("l" if left else "r") + "Mem"
        return ea_key(name, "W", MEMALT, op)
    kind = (op >> 3) & 3
    name = SHIFT_NAMES[kind] + ("l" if left else "r") + ("Reg" if op & 0x20 else "Imm")
    # ASL.L #1 has a cost of its own, so a handler of its own.
    extra = 1 if (name == "AslImm" and szf == 2 and ((op >> 9) & 7) == 1) else 0
    return key(name, SIZES[szf], "None", "Dn", extra)


def decode(op):
    line = op >> 12
    if line == 0:
        return decode_line0(op)
    if line in (1, 2, 3):
        return decode_move(op)
    if line == 4:
        return decode_line4(op)
    if line == 5:
        return decode_line5(op)
    if line == 6:
        return decode_line6(op)
    if line == 7:
        return key("Moveq")
    if line == 8:
        return decode_logic(op, "Or", "Divu", "Divs", "Sbcd", exg=False)
    if line == 9:
        return decode_arith(op, "Sub", "Subx", "Suba", False)
    if line == 0xA:
        return key("LineA")
    if line == 0xB:
        return decode_lineb(op)
    if line == 0xC:
        return decode_logic(op, "And", "Mulu", "Muls", "Abcd", exg=True)
    if line == 0xD:
        return decode_arith(op, "Add", "Addx", "Adda", False)
    if line == 0xE:
        return decode_linee(op)
    return key("LineF")


def build():
    keys = [decode(op) for op in range(65536)]
    # Handler 0 is the illegal handler, so the packed table's base is it.
    handlers = [ILLEGAL]
    index = {ILLEGAL: 0}
    for k in keys:
        if k not in index:
            index[k] = len(handlers)
            handlers.append(k)
    runs = []
    for k in keys:
        h = index[k]
        if runs and runs[-1][0] == h:
            runs[-1][1] += 1
        else:
            runs.append([h, 1])
    return keys, handlers, index, runs


def pack(runs):
    out = bytearray(struct.pack("<I", 0))
    for h, n in runs:
        while n > 0:
            if n <= 255:
                out += struct.pack("<I", (n << 24) | h)
                n = 0
            else:
                step = min(n, 65535)
                out += struct.pack("<IH", h, step)
                n -= step
    out += struct.pack("<IH", 0, 0)
    return bytes(out)


def stats():
    keys, handlers, index, runs = build()
    entries = len(runs)
    long_runs = [n for _, n in runs if n > 255]
    print("handlers", len(handlers))
    print("entries", entries, "long", len(long_runs), long_runs)
    print("illegal", sum(1 for k in keys if k == ILLEGAL))
    for line in range(16):
        print("line %X illegal %d" % (line, sum(1 for op in range(line << 12, (line + 1) << 12)
                                                 if keys[op] == ILLEGAL)))


def cpp_handler(i, k):
    op, size, src, dst, extra = k
    return "X(%d, %s, %s, %s, %s, %d)" % (i, op, size, src, dst, extra)


def write(path):
    keys, handlers, index, runs = build()
    packed = pack(runs)
    lines = ["// Generated by cpu68k/gen_optable.py; do not edit.", "#pragma once", ""]
    ops = sorted({k[0] for k in handlers if k[0] not in ("Illegal", "LineA", "LineF")})
    lines.append("#define CPU68K_OPS(X) " + " ".join("X(%s)" % op for op in ops))
    lines.append("#define CPU68K_HANDLER_COUNT %d" % len(handlers))
    lines.append("#define CPU68K_PACKED_BYTES %d" % len(packed))
    lines.append("// Every distinct handler, in the order the packed table names them.")
    lines.append("#define CPU68K_HANDLERS(X) \\")
    for i, k in enumerate(handlers):
        lines.append("  %s \\" % cpp_handler(i, k))
    lines.append("")
    lines.append("#define CPU68K_PACKED_TABLE_BYTES \\")
    for i in range(0, len(packed), 16):
        lines.append("  " + ", ".join("0x%02X" % b for b in packed[i:i + 16]) + ", \\")
    lines.append("")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) == 2 and sys.argv[1] == "--stats":
        stats()
    elif len(sys.argv) == 2:
        write(sys.argv[1])
    else:
        sys.exit(__doc__)
