#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus into tests/fuzz/corpus/<target>/.

Usage: tests/fuzz/make_corpus.py BUILD_DIR
BUILD_DIR is a normal build, whose testroms/ holds our assembled test
cartridges; seeds/exceptions.s is assembled here with the same tools.
The seeds are small and valid-looking, so that the fuzzer starts from
inputs that reach deep: a real cartridge, an interleaved one, archives,
VDP and FM programs that set up a picture and a tone, folders of odd names.
"""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CORPUS = os.path.join(HERE, "corpus")


def assemble(source):
    testroms = os.path.join(ROOT, "testroms")
    with tempfile.TemporaryDirectory() as tmp:
        obj, elf, binary = (os.path.join(tmp, "seed" + e) for e in (".o", ".elf", ".bin"))
        subprocess.check_call(["m68k-linux-gnu-as", "-m68000", "--fatal-warnings", "-I", testroms,
                               "-o", obj, source])
        subprocess.check_call(["m68k-linux-gnu-ld", "-nostdlib", "-T",
                               os.path.join(testroms, "cartridge.ld"), "-o", elf, obj])
        subprocess.check_call(["m68k-linux-gnu-objcopy", "-O", "binary", elf, binary])
        with open(binary, "rb") as f:
            return f.read()


def interleave(plain):
    """A 512-byte header, then per 16 KB block its odd bytes, then its even ones."""
    plain = plain + bytes(-len(plain) % 16384)
    out = bytearray(b"\xee" * 512)
    for off in range(0, len(plain), 16384):
        block = plain[off:off + 16384]
        out += block[1::2] + block[0::2]
    return bytes(out)


def archive(name, data, method):
    buf = io.BytesIO()
    info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))  # the same bytes every time
    info.compress_type = method
    with zipfile.ZipFile(buf, "w") as z:
        z.writestr(info, data)
    return buf.getvalue()


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# VDP target operations (vdp_fuzz.cpp).
def vdp_reg(reg, value):
    return bytes([4 | reg << 3, value])


def vdp_ctrl32(value):
    return bytes([1 | 4 << 3]) + value.to_bytes(4, "big")


def vdp_data16(value):
    return bytes([0]) + value.to_bytes(2, "big")


def vdp_ram32(offset, value):
    return bytes([5]) + offset.to_bytes(2, "big") + value.to_bytes(4, "big")


VDP_FRAME = bytes([7])


def vdp_line(n):
    return bytes([6, n])


def vdp_dma(length, source_words, command):
    return (vdp_reg(19, length & 0xFF) + vdp_reg(20, length >> 8) +
            vdp_reg(21, source_words & 0xFF) + vdp_reg(22, (source_words >> 8) & 0xFF) +
            vdp_reg(23, (source_words >> 16) & 0xFF) + vdp_ctrl32(command))


def vdp_seeds():
    setup = b"".join(vdp_reg(r, v) for r, v in
                     [(0, 0x04), (1, 0x74), (2, 0x30), (3, 0x2C), (4, 0x07), (5, 0x78),
                      (11, 0x00), (12, 0x81), (13, 0x3F), (15, 0x02), (16, 0x01)])
    colours = vdp_ctrl32(0xC0000000) + b"".join(vdp_data16(c * 0x0222 & 0x0EEE) for c in range(16))
    tiles = vdp_ctrl32(0x40200000) + b"".join(vdp_data16(0x1234 * (i + 1) & 0xFFFF)
                                              for i in range(32))
    names = vdp_ctrl32(0x40000003) + b"".join(vdp_data16(0x0001 | (i & 3) << 13)
                                              for i in range(64))
    sprite = vdp_ctrl32(0x78000002) + b"".join(vdp_data16(w) for w in (0x0090, 0x0F00, 0x0001,
                                                                       0x00A0))
    picture = setup + colours + tiles + names + sprite
    write("vdp", "picture", picture + VDP_FRAME + vdp_line(100))
    # DMA from the cartridge (source in words), a fill, and a copy.
    write("vdp", "dma-rom", setup + vdp_dma(0x200, 0x102, 0x40000080) + VDP_FRAME)
    fill = setup + vdp_reg(19, 0x40) + vdp_reg(20, 0) + vdp_reg(23, 0x80) + \
        vdp_ctrl32(0x40000080) + vdp_data16(0xA5A5)
    write("vdp", "dma-fill", fill + VDP_FRAME)
    copy = setup + vdp_reg(15, 1) + vdp_reg(19, 0x80) + vdp_reg(20, 0) + vdp_reg(21, 0) + \
        vdp_reg(22, 0x10) + vdp_reg(23, 0xC0) + vdp_ctrl32(0x000000C0)
    write("vdp", "dma-copy", picture + copy + VDP_FRAME)
    ram = b"".join(vdp_ram32(i * 4, 0x0EEE0222 + i) for i in range(8))
    write("vdp", "dma-ram", setup + ram + vdp_dma(16, 0x7F8000, 0xC0000080) + VDP_FRAME)
    # Horizontal interrupts every 5 lines: the frame runs line by line.
    write("vdp", "hint", picture + vdp_reg(0, 0x14) + vdp_reg(10, 4) + VDP_FRAME + VDP_FRAME)


# FM target operations (fm_fuzz.cpp).
def fm_write(part, reg, value):
    return bytes([2 | (part * 2) << 3, reg, value])


def fm_seeds():
    tone = b"".join(fm_write(0, 0xA4 + ch, 0x22) + fm_write(0, 0xA0 + ch, 0x69) for ch in range(3))
    tone += b"".join(fm_write(1, 0xA4 + ch, 0x1A) + fm_write(1, 0xA0 + ch, 0x40) for ch in range(3))
    keys = b"".join(fm_write(0, 0x28, 0xF0 | ch) for ch in (0, 1, 2, 4, 5, 6))
    off = b"".join(fm_write(0, 0x28, ch) for ch in (0, 1, 2, 4, 5, 6))
    write("fm", "tone-60", b"\x00" + tone + keys + b"\x07\x07" + off + b"\x07")
    write("fm", "tone-50", b"\x01" + tone + keys + b"\x07" + bytes([5, 0x28, 0x00]) + b"\x07")
    write("fm", "ports", b"\x00" + bytes([0x00, 0xA4, 0x01, 0x22, 0x00, 0xA0, 0x01, 0x11,
                                          0x00, 0x28, 0x01, 0xF0, 0x06, 0x07]))


# ROM list target (romlist_fuzz.cpp): entries, then one byte of keys a frame.
FILE, FOLDER, FIFO, FILE_LINK, FOLDER_LINK, DANGLING = range(6)
BIN, SMD, ZIP, UBIN, MSMD, MZIP, NONE, SHORT, TXT = range(9)
UP, DOWN, ENTER, ESC, KEY_Z, KEY_X = (1 << i for i in range(6))


def entry(kind, extension, name, content=b""):
    content = content + bytes(-len(content) % 8)
    return bytes([kind | extension << 3, len(name)]) + name + bytes([len(content) // 8]) + content


def romlist_seeds(cartridge):
    game = cartridge[:2040]
    entries = [entry(FILE, BIN, b"game", game), entry(FOLDER, ZIP, b"folder"),
               entry(FIFO, BIN, b"pipe"), entry(DANGLING, SMD, b"gone")]
    keys = bytes([0, ENTER, 0, 0, ESC, 0, DOWN, 0, KEY_Z, 0, ESC, 0, DOWN, 0, KEY_X, 0, ESC])
    write("romlist", "kinds", bytes([len(entries)]) + b"".join(entries) + keys)
    odd = [entry(FILE, UBIN, b"\x01\x1b[31m\x7f", game), entry(FILE_LINK, MZIP, b"\xff\xfe\xc3(", game),
           entry(FILE, MSMD, b"L" * 255, game[:64]), entry(FOLDER_LINK, BIN, b"up"),
           entry(FILE, NONE, b"plain"), entry(FILE, TXT, b"notes")]
    keys = bytes([DOWN, 0, DOWN, 0, ENTER, 0, ESC, 0, UP, UP, 0, ENTER, 0, ESC])
    write("romlist", "odd-names", bytes([len(odd)]) + b"".join(odd) + keys)
    write("romlist", "empty", b"\x00" + bytes([ENTER, 0, ESC, 0, ESC]))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    testroms = os.path.join(sys.argv[1], "testroms")
    shutil.rmtree(CORPUS, ignore_errors=True)
    seed = assemble(os.path.join(HERE, "seeds", "exceptions.s"))

    write("cpu", "exceptions.bin", seed)
    for name in sorted(os.listdir(testroms)):
        if name.endswith(".bin"):
            with open(os.path.join(testroms, name), "rb") as f:
                write("cpu", name, f.read())

    # ROM loading: the first byte picks the name (romload_fuzz.cpp).
    write("romload", "plain-bin", b"\x00" + seed)
    write("romload", "odd-size-bin", b"\x03" + seed[:1001])
    write("romload", "interleaved-smd", b"\x01" + interleave(seed))
    write("romload", "header-only-smd", b"\x04" + bytes(512))
    write("romload", "deflated-zip", b"\x02" + archive("rom.bin", seed, zipfile.ZIP_DEFLATED))
    write("romload", "stored-ZIP", b"\x05" + archive("rom.bin", seed, zipfile.ZIP_STORED))
    write("romload", "interleaved-Zip", b"\x06" + archive("rom.smd", interleave(seed[:600]),
                                                          zipfile.ZIP_DEFLATED))
    write("romload", "empty-bin", b"\x00")
    write("romload", "core-cannot-keep-zip", b"\x82" + archive("rom.bin", seed, zipfile.ZIP_DEFLATED))

    # The cartridge reader: the first byte picks the allocation that fails.
    write("cart", "plain", b"\x00" + seed)
    write("cart", "interleaved", b"\x00" + interleave(seed[:300]))
    write("cart", "no-image-buffer", b"\x01" + seed[:100])
    write("cart", "no-scratch", b"\x02" + interleave(seed[:100]))
    write("cart", "header-only", b"\x00" + bytes(509))

    vdp_seeds()
    fm_seeds()
    romlist_seeds(seed)


if __name__ == "__main__":
    main()
