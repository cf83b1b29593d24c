#!/usr/bin/env python3
"""Builds a Windows icon file of 256-colour images from PNG images.

    make_icon.py OUTPUT.ico INPUT.png...

Each PNG (8 bits per channel, RGB or RGBA, not interlaced, at most 255 colours) becomes
one 8-bit image with a palette; a pixel less than half opaque is transparent through the
icon's mask. Anything else is refused with a message, and no file is written.
"""
import struct
import sys
import zlib

CHANNELS = {2: 3, 6: 4}  # PNG colour type: RGB, RGBA


def fail(message):
    sys.exit(f"make_icon.py: {message}")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def read_png(path):
    """Returns (width, height, rows of RGBA tuples)."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path} is not a PNG file")
    header, compressed, position = None, b"", 8
    while position + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    if header is None:
        fail(f"{path} has no header")
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in CHANNELS or interlace:
        fail(f"{path}: only 8-bit RGB or RGBA images without interlacing are read")
    step = CHANNELS[colour_type]
    stride = width * step
    raw = zlib.decompress(compressed)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = line[x - step] if x >= step else 0
            up = previous[x]
            up_left = previous[x - step] if x >= step else 0
            predictor = (0, left, up, (left + up) // 2, paeth(left, up, up_left))[kind]
            line[x] = (line[x] + predictor) & 0xFF
        pixels = [tuple(line[x:x + step]) for x in range(0, stride, step)]
        rows.append([p if step == 4 else p + (255,) for p in pixels])
        previous = line
    return width, height, rows


def icon_image(width, height, rows):
    """The DIB of one icon image: header, palette, colour bits, mask bits, bottom-up."""
    palette = [(0, 0, 0)]  # entry 0 is black, the colour under transparent pixels
    index = {(0, 0, 0): 0}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128 and (r, g, b) not in index:
                index[(r, g, b)] = len(palette)
                palette.append((r, g, b))
    if len(palette) > 256:
        fail(f"a {width} x {height} image has {len(palette) - 1} colours, at most 255 fit")
    colour_stride = (width + 3) // 4 * 4
    mask_stride = ((width + 7) // 8 + 3) // 4 * 4
    colours, mask = bytearray(), bytearray()
    for row in reversed(rows):
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line[x] = index[(r, g, b)]
            else:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 8, 0,
                         len(colours) + len(mask), 0, 0, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    table += b"\0" * (4 * (256 - len(palette)))
    return header + table + bytes(colours) + bytes(mask)


def main(arguments):
    if len(arguments) < 2:
        fail("usage: make_icon.py OUTPUT.ico INPUT.png...")
    images = []
    for path in arguments[1:]:
        width, height, rows = read_png(path)
        if not 0 < width <= 255 or not 0 < height <= 255:
            fail(f"{path}: an icon image is at most 255 pixels wide and high")
        images.append((width, height, icon_image(width, height, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, bodies = b"", b""
    for width, height, body in images:
        entries += struct.pack("<BBBBHHII", width, height, 0, 0, 1, 8, len(body), offset)
        bodies += body
        offset += len(body)
    with open(arguments[0], "wb") as file:
        file.write(directory + entries + bodies)


if __name__ == "__main__":
    main(sys.argv[1:])
