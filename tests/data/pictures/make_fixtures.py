#!/usr/bin/env python3
"""Writes the picture test fixtures in this folder.

This script writes the source pictures as PNG itself; ImageMagick (/usr/bin/convert) turns
them into JPEG, PNG and GIF variants and decodes each variant back into a reference PNG
(<name>.ref.png), so every picture is checked against an independent decoder. The compressed
bitmap (.cbm) is a BMP inside the "ZLIBCompress" container; the foreign metafiles are minimal
files with real headers. The golden image of the masked draw is composed by ImageMagick.
Run: python3 make_fixtures.py
"""
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"


def path(name):
    return os.path.join(HERE, name)


def save(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


def png_bytes(width, height, rows, alpha=False):
    """An 8-bit RGB or RGBA PNG from rows of (r, g, b[, a]) tuples, no ancillary chunks."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    color_type = 6 if alpha else 2
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def convert(*args):
    subprocess.run([CONVERT, *args], check=True, cwd=HERE)


# Plain PNG output of ImageMagick without gamma or time chunks, so that any decoder reads
# the stored sample values.
PLAIN = ["-define", "png:exclude-chunks=date,time,gAMA,cHRM,sRGB,bKGD,iCCP,tEXt,zTXt"]


def photo(width, height):
    """A smooth colour picture with a few sharp features (a JPEG-friendly test image)."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r = (x * 255) // (width - 1)
            g = (y * 255) // (height - 1)
            b = 255 - (r + g) // 2
            if (x // 8 + y // 8) % 5 == 0:
                r, g, b = 250, 240, 30
            row.append((r, g, b))
        rows.append(row)
    return rows


def main():
    # Source pictures.
    save("photo.png", png_bytes(48, 32, photo(48, 32)))
    save("large.png", png_bytes(160, 120, photo(160, 120)))
    rgba = [[((x * 23) % 256, (y * 41) % 256, 128, 255 if (x + y) % 3 else (x * 17) % 256)
             for x in range(19)] for y in range(13)]
    save("rgba.png", png_bytes(19, 13, rgba, alpha=True))
    cells = [(255, 0, 0), (0, 160, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (200, 120, 40)]
    indexed = [[cells[(x // 3 + y // 2) % len(cells)] for x in range(21)] for y in range(11)]
    save("indexed.png", png_bytes(21, 11, indexed))

    # JPEG variants and their reference decodes.
    convert("photo.png", "-quality", "92", "photo.jpg")
    convert("photo.png", "-quality", "92", "-interlace", "Plane", "progressive.jpg")
    convert("photo.png", "-colorspace", "Gray", "-quality", "92", "gray.jpg")
    convert("photo.png", "-colorspace", "CMYK", "-quality", "95", "cmyk.jpg")
    convert("large.png", "-quality", "90", "large.jpg")
    for name in ("photo.jpg", "progressive.jpg", "gray.jpg", "large.jpg"):
        convert(name, *PLAIN, "PNG24:" + name[:-4] + ".ref.png")
    convert("cmyk.jpg", "-colorspace", "sRGB", *PLAIN, "PNG24:cmyk.ref.png")

    # PNG variants (QImage decodes these as the reference).
    convert("indexed.png", *PLAIN, "PNG8:palette.png")
    convert("indexed.png", "-transparent", "rgb(0,160,0)", *PLAIN, "PNG8:palette-trns.png")
    convert("photo.png", "-colorspace", "Gray", "-type", "Grayscale", "-depth", "8", *PLAIN,
            "gray8.png")
    convert("indexed.png", "-colorspace", "Gray", "-depth", "2", *PLAIN, "gray2.png")
    convert("photo.png", "-depth", "16", *PLAIN, "PNG48:rgb16.png")
    convert("rgba.png", "-depth", "16", *PLAIN, "PNG64:rgba16.png")
    convert("photo.png", "-interlace", "PNG", *PLAIN, "PNG24:interlaced.png")

    # GIF variants and their reference decodes.
    convert("indexed.png", "gif-opaque.gif")
    convert("indexed.png", "-transparent", "rgb(0,160,0)", "gif-transparent.gif")
    convert("indexed.png", "-interlace", "Line", "gif-interlaced.gif")
    for name in ("gif-opaque.gif", "gif-transparent.gif", "gif-interlaced.gif"):
        convert(name, *PLAIN, "PNG32:" + name[:-4] + ".ref.png")

    # A compressed bitmap: a 24-bit BMP inside the container.
    convert("indexed.png", "-type", "TrueColor", "BMP3:indexed.bmp")
    with open(path("indexed.bmp"), "rb") as f:
        bmp = f.read()
    save("indexed.cbm", b"ZLIBCompress\x1a" + struct.pack("<i", len(bmp)) + zlib.compress(bmp, 9))
    os.remove(path("indexed.bmp"))

    # Foreign metafiles. An enhanced metafile: header (frame 0..5080 x 0..2540 in 0.01 mm,
    # 2 x 1 inches) and the end record. A placeable Windows metafile: key, bounding box
    # 0..144 x 0..72 at 72 units per inch (2 x 1 inches), header and the end record.
    header = struct.pack("<II4i4iIIIIHHIII2i2i", 1, 88, 0, 0, 191, 95, 0, 0, 5080, 2540,
                         0x464D4520, 0x10000, 108, 2, 1, 0, 0, 0, 0, 1920, 1080, 508, 285)
    assert len(header) == 88
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)
    save("two-by-one.emf", header + eof)
    words = [0xCDD7, 0x9AC6, 0, 0, 0, 144, 72, 72, 0, 0]
    checksum = 0
    for w in words:
        checksum ^= w
    placeable = struct.pack("<10HH", *words, checksum)
    wmf_header = struct.pack("<HHHIHIH", 1, 9, 0x300, 12, 0, 3, 0)
    wmf_eof = struct.pack("<IH", 3, 0)
    save("two-by-one.wmf", placeable + wmf_header + wmf_eof)

    # Masked draw: a sprite with magenta as its transparent colour, stretched twice its size
    # at (5, 4) over a backdrop; ImageMagick composes the expected image.
    backdrop = [[(40, 90, 160) if (x // 4 + y // 4) % 2 else (230, 220, 200) for x in range(40)]
                for y in range(30)]
    save("backdrop.png", png_bytes(40, 30, backdrop))
    sprite = []
    for y in range(8):
        row = []
        for x in range(10):
            if (x - 4.5) ** 2 + (y - 3.5) ** 2 > 14 or (x == 4 and y == 3):
                row.append((255, 0, 255))
            else:
                row.append(((x * 25) % 256, 200 - y * 20, 60))
        sprite.append(row)
    save("sprite.png", png_bytes(10, 8, sprite))
    convert("backdrop.png", "(", "sprite.png", "-sample", "200%", "-transparent",
            "rgb(255,0,255)", ")", "-geometry", "+5+4", "-composite", *PLAIN,
            "PNG24:masked-draw.png")


if __name__ == "__main__":
    main()
