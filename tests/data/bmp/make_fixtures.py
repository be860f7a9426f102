#!/usr/bin/env python3
"""Writes the BMP test pictures in this folder.

Source pictures are written as PNG by this script; ImageMagick (/usr/bin/convert) writes the
BMP variants it can, and this script writes the others (RLE4, top-down rows, bit fields
after a 40-byte header, 5-5-5 and 4-4-4 pixels, 32-bit BI_RGB, a gap before the bits).
Every BMP but the 4-4-4 one is then checked against its PNG with ImageMagick's compare, so
each pair is confirmed by an independent decoder. pairs.txt lists the pairs for the tests. Run: python3 make_fixtures.py
"""
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 13, 7


def path(name):
    return os.path.join(HERE, name)


def write_png(name, pixels):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path(name), "wb") as f:
        f.write(data)


def bmp(pixel_bytes_rows, bits, compression=0, table=(), masks=None, top_down=False,
        gap=0, header_size=40, size_image=None):
    """A BMP file from rows given top row first (already packed and padded)."""
    rows = pixel_bytes_rows if top_down else list(reversed(pixel_bytes_rows))
    image = b"".join(rows)
    extra = b"".join(struct.pack("<I", m) for m in masks) if masks else b""
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in table)
    off = 14 + header_size + len(extra) + len(pal) + gap
    info = struct.pack("<IiiHHIIiiII", header_size, W, -H if top_down else H, 1, bits,
                       compression, len(image) if size_image is None else size_image,
                       2835, 2835, len(table), 0)
    return (b"BM" + struct.pack("<IHHI", off + len(image), 0, 0, off) + info + extra + pal +
            b"\0" * gap + image)


def pad(row):
    return row + b"\0" * ((-len(row)) % 4)


def save(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


def convert(*args):
    subprocess.run(["convert", *args], check=True, cwd=HERE)


# Colour levels that 5-bit and 6-bit channels both hold exactly (bits repeated).
LEVELS = [0, 8, 16, 24, 231, 239, 247, 255]
rgb = [[(LEVELS[(x + y) % 8], LEVELS[(3 * x + y) % 8], LEVELS[(x + 2 * y + 5) % 8])
        for x in range(W)] for y in range(H)]
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
idx16 = [[(x * 5 + y * 3) % 16 if x < 9 else 6 for x in range(W)] for y in range(H)]
pal16 = [[VGA[i] for i in row] for row in idx16]
COLORS60 = [(i * 4, 255 - i * 4, (i * 37) % 256) for i in range(60)]
idx60 = [[(x * 7 + y * 13) % 60 for x in range(W)] for y in range(H)]
pal60 = [[COLORS60[i] for i in row] for row in idx60]
bilevel = [[(0, 0, 0) if (x == y or (2 <= x <= 6 and 1 <= y <= 4)) else (255, 255, 255)
            for x in range(W)] for y in range(H)]
rgb444 = [[tuple((c >> 4) * 17 for c in px) for px in row] for row in rgb]

write_png("rgb.png", rgb)
write_png("pal16.png", pal16)
write_png("pal60.png", pal60)
write_png("bilevel.png", bilevel)
write_png("rgb444.png", rgb444)

pairs = []
# Written by ImageMagick.
for out, src, args in [
    ("bw1.bmp", "bilevel.png", ["-type", "Palette", "BMP3:bw1.bmp"]),
    ("pal4.bmp", "pal16.png", ["-type", "Palette", "BMP3:pal4.bmp"]),
    ("pal4v5.bmp", "pal16.png", ["-type", "Palette", "BMP:pal4v5.bmp"]),
    ("pal4core.bmp", "pal16.png", ["-type", "Palette", "BMP2:pal4core.bmp"]),
    ("pal8.bmp", "pal60.png", ["-type", "Palette", "-compress", "None", "BMP3:pal8.bmp"]),
    ("pal8rle.bmp", "pal60.png", ["-type", "Palette", "-compress", "RLE", "BMP3:pal8rle.bmp"]),
    ("rgb24.bmp", "rgb.png", ["-type", "TrueColor", "BMP3:rgb24.bmp"]),
    ("rgb565v5.bmp", "rgb565v5.png", ["-type", "TrueColor", "-define", "bmp:subtype=RGB565",
                                      "BMP:rgb565v5.bmp"]),
    ("rgb32v5.bmp", "rgb.png", ["-type", "TrueColorAlpha", "BMP:rgb32v5.bmp"]),
]:
    convert("rgb.png" if src == "rgb565v5.png" else src, *args)
    if src == "rgb565v5.png":
        # ImageMagick rounds to 5-6-5 its own way; its reading of the file is the reference.
        convert(out, "PNG24:" + src)
    pairs.append((out, src))


def rle4(indices):
    """RLE4 with encoded runs for repeats, literal runs otherwise, end of line and end."""
    out = b""
    for row in reversed(indices):
        x = 0
        while x < W:
            run = 1
            while x + run < W and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 3 or W - x < 3:
                out += bytes((run, (row[x] << 4) | row[x]))
                x += run
            else:
                n = min(W - x, 6)
                lit = row[x:x + n] + [0]
                body = bytes((lit[i] << 4) | lit[i + 1] for i in range(0, n, 2))
                body += b"\0" * (len(body) & 1)
                out += bytes((0, n)) + body
                x += n
        out += b"\0\0"
    return out + b"\0\1"


# Written here.
rle = rle4(idx16)
save("pal4rle.bmp", bmp([rle], 4, compression=2, table=VGA, size_image=len(rle)))
pairs.append(("pal4rle.bmp", "pal16.png"))
rows24 = [pad(bytes(c for (r, g, b) in row for c in (b, g, r))) for row in rgb]
save("rgb24td.bmp", bmp(rows24, 24, top_down=True))
pairs.append(("rgb24td.bmp", "rgb.png"))
rows565 = [pad(b"".join(struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
                        for (r, g, b) in row)) for row in rgb]
save("rgb565.bmp", bmp(rows565, 16, compression=3, masks=(0xF800, 0x07E0, 0x001F)))
pairs.append(("rgb565.bmp", "rgb.png"))
rows555 = [pad(b"".join(struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                        for (r, g, b) in row)) for row in rgb]
save("rgb555.bmp", bmp(rows555, 16))
pairs.append(("rgb555.bmp", "rgb.png"))
rows444 = [pad(b"".join(struct.pack("<H", (r >> 4) << 8 | (g >> 4) << 4 | b >> 4)
                        for (r, g, b) in row)) for row in rgb]
save("rgb444.bmp", bmp(rows444, 16, compression=3, masks=(0x0F00, 0x00F0, 0x000F)))
pairs.append(("rgb444.bmp", "rgb444.png"))
rows32 = [bytes(c for (r, g, b) in row for c in (b, g, r, 0)) for row in rgb]
save("rgb32.bmp", bmp(rows32, 32))
pairs.append(("rgb32.bmp", "rgb.png"))
rows8 = [pad(bytes(row)) for row in idx60]
save("pal8gap.bmp", bmp(rows8, 8, table=COLORS60, gap=37))
pairs.append(("pal8gap.bmp", "pal60.png"))

for out, src in pairs:
    if out == "rgb444.bmp":
        # ImageMagick 6 widens 4-bit channels by shifting alone (15 reads as 240); channels
        # are widened here by repeating their bits (15 reads as 255), as 5- and 6-bit ones.
        continue
    r = subprocess.run(["compare", "-metric", "AE", out, src, "null:"], cwd=HERE,
                       capture_output=True, text=True)
    assert r.stderr.strip() == "0", (out, src, r.stderr)
with open(path("pairs.txt"), "w") as f:
    for out, src in pairs:
        f.write(f"{out} {src}\n")
print("ok", len(pairs))
