#!/usr/bin/python3
"""Crafts the stored data of an embedded object by hand, byte by byte, for reader tests: a
short header of the container's own, then a version-3 compound file (512-byte sectors) with
two root streams, both in the mini stream. Run in this folder:

    /usr/bin/python3 make_ole_fixture.py

Writes paint.bin. Layout of the compound file, sectors of 512 bytes after the header:
    0      FAT
    1      directory (root, "\\1CompObj", "\\2OlePres000", unused)
    2      mini FAT
    3, 4   mini stream: "\\1CompObj" from mini sector 0, "\\2OlePres000" after it
The user type is "ビットマップ イメージ" in code page 932; the picture is a packed DIB of 2 x 2
pixels, 24 bits, bottom-up: the lower row blue, the upper row red.
"""
import struct

SECTOR, MINI = 512, 64
FREESECT, ENDOFCHAIN, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
NOSTREAM = 0xFFFFFFFF


def ansi(text):
    return struct.pack("<I", len(text) + 1) + text + b"\0"


comp_obj = b"\x01" * 28 + ansi("ビットマップ イメージ".encode("cp932")) + struct.pack("<I", 0) + ansi(
    b"Paint.Picture")
dib = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, 16, 2835, 2835, 0, 0)
dib += b"\xff\x00\x00" * 2 + b"\0\0" + b"\x00\x00\xff" * 2 + b"\0\0"
ole_pres = struct.pack("<II", 0xFFFFFFFF, 8)  # CF_DIB
ole_pres += struct.pack("<I", 4)  # no target device
ole_pres += struct.pack("<IIIIII", 1, 0xFFFFFFFF, 2, 0, 2000, 1000)
ole_pres += struct.pack("<I", len(dib)) + dib


def mini_sectors(n):
    return (n + MINI - 1) // MINI


comp_sectors, pres_sectors = mini_sectors(len(comp_obj)), mini_sectors(len(ole_pres))
mini_stream = comp_obj.ljust(comp_sectors * MINI, b"\0") + ole_pres.ljust(pres_sectors * MINI, b"\0")
stream_sectors = (len(mini_stream) + SECTOR - 1) // SECTOR
assert stream_sectors <= 2


def entry(name, kind, color, left, right, child, start, size):
    raw_name = name.encode("utf-16-le") + b"\0\0"
    e = raw_name.ljust(64, b"\0")
    e += struct.pack("<HBBIII", len(raw_name), kind, color, left, right, child)
    e += b"\0" * 16 + struct.pack("<IQQIQ", 0, 0, 0, start, size)
    assert len(e) == 128
    return e


def unused():
    return b"\0" * 64 + struct.pack("<HBBIII", 0, 0, 0, NOSTREAM, NOSTREAM, NOSTREAM) + b"\0" * 48


# Names order by length first: "\1CompObj" (black, the tree's root) < "\2OlePres000" (red).
directory = entry("Root Entry", 5, 1, NOSTREAM, NOSTREAM, 1, 3, len(mini_stream))
directory += entry("\x01CompObj", 2, 1, NOSTREAM, 2, NOSTREAM, 0, len(comp_obj))
directory += entry("\x02OlePres000", 2, 0, NOSTREAM, NOSTREAM, NOSTREAM, comp_sectors, len(ole_pres))
directory += unused()

fat = [FATSECT, ENDOFCHAIN, ENDOFCHAIN]
fat += [3 + i + 1 for i in range(stream_sectors - 1)] + [ENDOFCHAIN]
fat += [FREESECT] * (SECTOR // 4 - len(fat))
mini_fat = [i + 1 for i in range(comp_sectors - 1)] + [ENDOFCHAIN]
mini_fat += [comp_sectors + i + 1 for i in range(pres_sectors - 1)] + [ENDOFCHAIN]
mini_fat += [FREESECT] * (SECTOR // 4 - len(mini_fat))

header = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\0" * 16
header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
header += struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, 2, 1, ENDOFCHAIN, 0)
header += struct.pack("<I", 0) + struct.pack("<I", FREESECT) * 108
assert len(header) == SECTOR

cfb = header + struct.pack("<128I", *fat) + directory + struct.pack("<128I", *mini_fat)
cfb += mini_stream.ljust(stream_sectors * SECTOR, b"\0")
with open("paint.bin", "wb") as f:
    f.write(b"container header\0\x07" + cfb)
