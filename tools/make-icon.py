#!/usr/bin/env python3
"""Writes window/kavro.ico: a sheet with two dashed cut lines, in the three images the window
uses (16 x 16 with 16 colours, 32 x 32 with 2 colours, 32 x 32 with 16 colours). The output
is the same byte for byte on every run."""
import struct
import sys

# The standard 16-colour palette.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GREY, RED, WHITE = 0, 4, 8, 9, 15
TRANSPARENT = None


def sheet_pixel(x, y, size):
    """The colour of one pixel of the picture at the given size, or TRANSPARENT."""
    s = size / 32
    left, right, top, bottom = round(6 * s), round(25 * s), round(2 * s), round(29 * s) - 1
    cuts = (round(11 * s), round(20 * s))
    if y in cuts and (x // max(1, round(2 * s))) % 2 == 0 and round(2 * s) <= x <= round(29 * s):
        return RED
    if not (left <= x <= right and top <= y <= bottom):
        return TRANSPARENT
    if x in (left, right) or y in (top, bottom):
        return BLACK
    if y in cuts:
        return WHITE
    if (y - top) % max(2, round(3 * s)) == 0 and left + round(3 * s) <= x <= right - round(3 * s):
        return NAVY if size > 16 else GREY
    return WHITE


def two_colour(index):
    return TRANSPARENT if index is TRANSPARENT else (0 if index in (BLACK, NAVY, RED, GREY) else 1)


def packed_rows(pixels, size, bpp):
    """Rows bottom-up, each padded to four bytes, as icon bitmaps store them."""
    data = b""
    for y in reversed(range(size)):
        bits = "".join(format(0 if p is TRANSPARENT else p, "0%db" % bpp) for p in pixels[y])
        row = int(bits, 2).to_bytes(len(bits) // 8, "big")
        data += row + b"\0" * (-len(row) % 4)
    return data


def image(size, bpp, palette, colour_of):
    pixels = [[colour_of(sheet_pixel(x, y, size)) for x in range(size)] for y in range(size)]
    mask = [[1 if p is TRANSPARENT else 0 for p in row] for row in pixels]
    xor = packed_rows(pixels, size, bpp)
    and_mask = packed_rows(mask, size, 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + and_mask


def main(path):
    images = [
        (16, 16, 4, image(16, 4, VGA, lambda i: i)),
        (32, 2, 1, image(32, 1, [(0, 0, 0), (255, 255, 255)], two_colour)),
        (32, 16, 4, image(32, 4, VGA, lambda i: i)),
    ]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, colours, bpp, data in images:
        directory += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + b"".join(data for *_, data in images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "window/kavro.ico")
