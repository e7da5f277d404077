#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus, field by field, without the program's own
encoders: small sprites of every kind (sound, damaged and empty), BMP and TGA files,
and palette files of both layouts.

Usage: make_corpus.py [CORPUS_FOLDER]   (default: the corpus folder beside this script)
"""

import os
import struct
import sys
import zlib


def palette(seed=0):
    """256 entries of (red, green, blue, reserved), every one different."""
    return b"".join(struct.pack("<4B", i, 255 - i, (i * 7 + seed) % 256, i ^ 0x5A) for i in range(256))


def sprite(rle_flag, indexed, true_colour, records, pal=None):
    """The header, the frame records as given (bytes), then the palette block."""
    head = b"SP" + struct.pack("<BBHH", rle_flag, 2, indexed, true_colour)
    return head + b"".join(records) + (palette() if pal is None else pal)


def rle_record(width, height, data):
    return struct.pack("<HHH", width, height, len(data)) + bytes(data)


def raw_record(width, height, pixels):
    return struct.pack("<HH", width, height) + bytes(pixels)


def bmp8(width, height, rows, info_size=40, colours=256):
    """An 8-bit BMP: rows top first, each padded to four bytes, stored bottom up."""
    stride = (width + 3) // 4 * 4
    table = b"".join(struct.pack("<4B", (i * 3) % 256, i, 255 - i, 0) for i in range(colours))
    offset = 14 + info_size + len(table)
    pixels = b"".join(bytes(row) + bytes(stride - width) for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, 8, 0, len(pixels), 2835, 2835, colours, 0)
    info += bytes(info_size - 40)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels


def tga32(width, height, bgra, footer=True):
    """An uncompressed 32-bit TGA, rows bottom first, with or without its footer."""
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 8)
    tail = bytes(8) + b"TRUEVISION-XFILE.\0" if footer else b""
    return head + bytes(bgra) + tail


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_header(width, height, colour_type, bit_depth):
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0))


def png_of_zero_rows(width, height, colour_type, bit_depth):
    """A PNG of all-zero rows, compressed a row at a time so the pixels are never held."""
    row = bytes(1 + (width * bit_depth + 7) // 8)
    deflate = zlib.compressobj(9)
    data = b"".join(deflate.compress(row) for _ in range(height)) + deflate.flush()
    return png_header(width, height, colour_type, bit_depth) + png_chunk(b"IDAT", data) + png_chunk(b"IEND", b"")


def png(width, height, colour_type, bit_depth, rows, plte=None, trns=None, extra=()):
    """A PNG written chunk by chunk: each row gets filter byte 0, the data one zlib stream;
    `extra` chunks (kind, data) go right after the header."""
    chunk = png_chunk
    out = png_header(width, height, colour_type, bit_depth) + b"".join(chunk(kind, data) for kind, data in extra)
    if plte is not None:
        out += chunk(b"PLTE", bytes(plte))
    if trns is not None:
        out += chunk(b"tRNS", bytes(trns))
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    return out + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def seeds():
    rle = [rle_record(4, 3, [0, 5, 1, 2, 3, 0, 1, 7, 9, 4]), rle_record(2, 2, [8, 0, 2, 6])]
    yield "fuzz_sprite/rle.spr", sprite(1, 2, 0, rle)
    yield "fuzz_sprite/raw.spr", sprite(0, 2, 0, [raw_record(3, 2, [1, 0, 2, 3, 4, 0]), raw_record(1, 1, [9])])
    yield "fuzz_sprite/true_colour.spr", sprite(1, 0, 2, [
        raw_record(2, 2, [255, 1, 2, 3, 128, 200, 100, 50, 0, 9, 9, 9, 77, 4, 5, 6]),
        raw_record(1, 1, [255, 10, 20, 30])], bytes(1024))
    yield "fuzz_sprite/frames_without_pixels.spr", sprite(1, 3, 0, [
        rle_record(0, 5, []), rle_record(7, 0, []), rle_record(1, 1, [3])])
    yield "fuzz_sprite/no_frames.spr", sprite(1, 0, 0, [])
    # The smallest sprite with a frame of no pixels; animating it and exporting it as PNG
    # once crashed.
    yield "fuzz_sprite/zero_by_zero.spr", b"SP\x01\x02\x01\x00\x00\x00" + bytes(6) + palette()
    yield "fuzz_sprite/true_colour_without_pixels.spr", sprite(1, 0, 2, [
        raw_record(0, 3, []), raw_record(2, 1, [255, 1, 2, 3, 128, 4, 5, 6])], bytes(1024))
    whole = sprite(1, 2, 0, rle)
    yield "fuzz_sprite/truncated.spr", whole[:8 + 6 + 5] + palette(9)
    yield "fuzz_sprite/run_past_frame.spr", sprite(1, 1, 0, [rle_record(2, 2, [1, 0, 4])])
    yield "fuzz_sprite/missing_count.spr", sprite(1, 1, 0, [rle_record(2, 1, [1, 0])])

    yield "fuzz_images/padded.bmp", bmp8(3, 2, [[0, 1, 2], [3, 4, 5]])
    yield "fuzz_images/transparent_five.bmp", bmp8(5, 2, [[5, 0, 1, 5, 0], [0, 0, 2, 2, 5]])
    yield "fuzz_images/info_header_124.bmp", bmp8(4, 1, [[7, 0, 7, 1]], info_size=124)
    yield "fuzz_images/sixteen_colours.bmp", bmp8(2, 2, [[1, 2], [3, 15]], colours=16)
    yield "fuzz_images/alpha.tga", tga32(2, 2, [10, 20, 30, 40, 1, 2, 3, 0, 255, 255, 255, 255, 9, 8, 7, 128])
    yield "fuzz_images/no_footer.tga", tga32(1, 3, range(12), footer=False)
    yield "fuzz_images/zero_wide.tga", tga32(0, 3, [])

    yield "fuzz_png/indexed_trns.png", png(3, 2, 3, 8, [[0, 1, 2], [2, 1, 0]], plte=range(9), trns=[255, 0])
    yield "fuzz_png/rgba.png", png(2, 1, 6, 8, [[10, 20, 30, 40, 50, 60, 70, 255]])
    yield "fuzz_png/grey16.png", png(2, 2, 0, 16, [[0, 1, 255, 255], [128, 0, 0, 7]])
    # Bombs: a few kilobytes that stand for hundreds of megabytes of pixels.
    yield "fuzz_png/bomb_one_bit_grey.png", png_of_zero_rows(16384, 16384, 0, 1)
    yield "fuzz_png/bomb_eight_bit_grey.png", png_of_zero_rows(16384, 16384, 0, 8)
    # A sound image behind thousands of comments.
    yield "fuzz_png/many_text_chunks.png", png(2, 1, 6, 8, [[10, 20, 30, 40, 50, 60, 70, 255]],
                                               extra=[(b"tEXt", b"Comment\0by hand")] * 3000)

    yield "fuzz_palette/velmark.pal", palette(3)
    yield "fuzz_palette/microsoft.pal", b"RIFF" + struct.pack("<I", 1040) + b"PAL data" + struct.pack(
        "<IHH", 1028, 0x0300, 256) + palette(4)
    yield "fuzz_palette/short.pal", palette(5)[:1000]
    yield "fuzz_palette/jasc.pal", b"JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n255 128 7\r\n12 34 56\r\n"
    yield "fuzz_palette/gimp.gpl", (b"GIMP Palette\nName: seed\nColumns: 4\n# a comment\n"
                                    b"  0   0   0\tIndex 0\n255 128   7 orange\n\n 12  34  56\n")
    yield "fuzz_palette/adobe.act", bytes(range(256)) * 3
    yield "fuzz_palette/adobe_count.act", bytes(range(256)) * 3 + b"\x00\x10\xff\xff"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    for name, data in seeds():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
