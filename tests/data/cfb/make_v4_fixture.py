#!/usr/bin/python3
"""Crafts a version-4 compound file (4096-byte sectors) by hand, byte by byte, for reader
tests; the npm "cfb" package writes version 3 only. Run in this folder:

    /usr/bin/python3 make_v4_fixture.py

Writes v4-basic.cfb and v4-basic.txt (the expected listing in the format of olelist.py).

Layout, sectors of 4096 bytes after the 4096-byte header block:
    0      FAT
    1      directory (32 entries)
    2      mini FAT
    3, 4   mini stream: "Tiny" (100 bytes) then "Mid" (4095 bytes), 64-byte mini sectors
    5-7    "Folder/Big" (10000 bytes), chained out of order 5 -> 7 -> 6
Tree: root -> {Mid, Folder}; Folder -> {Big, Tiny}, each a valid red-black tree.
"""
import hashlib
import struct
import uuid

SECTOR = 4096
FREESECT, ENDOFCHAIN, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
NOSTREAM = 0xFFFFFFFF


def content(n, seed):
    x, out = seed, bytearray()
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out.append(x >> 24)
    return bytes(out)


tiny, mid, big = content(100, 11), content(4095, 12), content(10000, 13)
folder_clsid = uuid.UUID("{12345678-9ABC-DEF0-1122-334455667788}")


def entry(name, kind, color, left, right, child, start, size, clsid=None):
    raw_name = name.encode("utf-16-le") + b"\0\0"
    e = raw_name.ljust(64, b"\0")
    e += struct.pack("<HBBIII", len(raw_name), kind, color, left, right, child)
    e += (clsid.bytes_le if clsid else b"\0" * 16)
    e += struct.pack("<IQQIQ", 0, 0, 0, start, size)
    assert len(e) == 128
    return e


def unused():
    return b"\0" * 64 + struct.pack("<HBBIII", 0, 0, 0, NOSTREAM, NOSTREAM, NOSTREAM) + b"\0" * 48


tiny_mini = (len(tiny) + 63) // 64        # 2 mini sectors, 0..1
mid_mini = (len(mid) + 63) // 64          # 64 mini sectors, 2..65
mini_stream = tiny.ljust(tiny_mini * 64, b"\0") + mid.ljust(mid_mini * 64, b"\0")

# Directory: 0 root, 1 Mid, 2 Folder, 3 Big, 4 Tiny.  Colours: 0 red, 1 black.
directory = (entry("Root Entry", 5, 1, NOSTREAM, NOSTREAM, 2, 3, len(mini_stream))
             + entry("Mid", 2, 0, NOSTREAM, NOSTREAM, NOSTREAM, tiny_mini, len(mid))
             + entry("Folder", 1, 1, 1, NOSTREAM, 4, 0, 0, folder_clsid)
             + entry("Big", 2, 0, NOSTREAM, NOSTREAM, NOSTREAM, 5, len(big))
             + entry("Tiny", 2, 1, 3, NOSTREAM, NOSTREAM, 0, len(tiny)))
directory += unused() * (32 - 5)
assert len(directory) == SECTOR

fat = [FREESECT] * 1024
fat[0] = FATSECT
fat[1] = ENDOFCHAIN          # directory
fat[2] = ENDOFCHAIN          # mini FAT
fat[3], fat[4] = 4, ENDOFCHAIN
fat[5], fat[7], fat[6] = 7, 6, ENDOFCHAIN

minifat = [FREESECT] * 1024
for first, count in ((0, tiny_mini), (tiny_mini, mid_mini)):
    for k in range(count):
        minifat[first + k] = first + k + 1 if k + 1 < count else ENDOFCHAIN

header = bytearray(512)
header[0:8] = bytes.fromhex("D0CF11E0A1B11AE1")
struct.pack_into("<HHHHH", header, 0x18, 0x3E, 4, 0xFFFE, 12, 6)
struct.pack_into("<IIIIIIIII", header, 0x28, 1, 1, 1, 0, 4096, 2, 1, ENDOFCHAIN, 0)
struct.pack_into("<I", header, 0x4C, 0)
for i in range(1, 109):
    struct.pack_into("<I", header, 0x4C + 4 * i, FREESECT)

big_sectors = {5: big[0:4096], 7: big[4096:8192], 6: big[8192:]}
sectors = [struct.pack("<1024I", *fat), directory, struct.pack("<1024I", *minifat),
           mini_stream[:SECTOR], mini_stream[SECTOR:], big_sectors[5], big_sectors[6],
           big_sectors[7]]
data = bytes(header).ljust(SECTOR, b"\0") + b"".join(s.ljust(SECTOR, b"\0") for s in sectors)
with open("v4-basic.cfb", "wb") as f:
    f.write(data)


def sha1(b):
    return hashlib.sha1(b).hexdigest()


listing = sorted([
    "storage Folder",
    "clsid Folder " + str(folder_clsid).upper(),
    "stream Mid %d %s" % (len(mid), sha1(mid)),
    "stream Folder/Big %d %s" % (len(big), sha1(big)),
    "stream Folder/Tiny %d %s" % (len(tiny), sha1(tiny)),
])
with open("v4-basic.txt", "w") as f:
    f.write("\n".join(listing) + "\n")
