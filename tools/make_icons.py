#!/usr/bin/env python3
"""Draws Fendrel's icons and writes them as .ico files into res/.

Group 107 (fendrel.ico) holds 16, 32, 48, 64 and 256 pixel images; group 108
(fendrel_small.ico) the 16 pixel one. The picture is a magnifying glass over a
red tile with rounded corners. Only the standard library is used and the output
is byte-for-byte the same on every run, so the files in res/ can be checked by
running this again and comparing.

    python3 tools/make_icons.py [output folder]
"""

import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # per axis: 16 samples a pixel smooth the edges


def smoothstep_cover(distance, half_width):
    """1 inside a stroke of the given half width around distance 0, else 0."""
    return 1.0 if abs(distance) <= half_width else 0.0


def rounded_square_distance(x, y, half, radius):
    """Signed distance from (x, y) to a square of half size `half` with round corners."""
    qx = abs(x) - (half - radius)
    qy = abs(y) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def segment_distance(x, y, ax, ay, bx, by):
    """Distance from (x, y) to the segment from a to b."""
    vx, vy = bx - ax, by - ay
    t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))


def sample(x, y, size):
    """Colour (r, g, b, a) at a point in [-1, 1]^2 (y downwards)."""
    # Thin lines vanish at 16 pixels: strokes get thicker as the image gets smaller.
    pixel = 2.0 / size
    ring_half = max(0.075, 0.9 * pixel)
    handle_half = max(0.11, 1.1 * pixel)

    if rounded_square_distance(x, y, 0.94, 0.22) > 0:
        return (0, 0, 0, 0)
    # Tile: a slight top-to-bottom darkening of the red.
    shade = 0.5 + 0.5 * (1.0 - (y + 1.0) / 2.0)
    tile = (int(150 + 60 * shade), int(28 + 20 * shade), int(32 + 18 * shade), 255)

    cx, cy, radius = -0.14, -0.14, 0.42
    d_center = math.hypot(x - cx, y - cy)
    if smoothstep_cover(d_center - radius, ring_half):
        return (255, 255, 255, 255)
    if d_center < radius - ring_half:
        # The lens: the tile seen a little lighter through the glass.
        return (min(255, tile[0] + 45), min(255, tile[1] + 45), min(255, tile[2] + 45), 255)
    hx = cx + radius * math.cos(math.pi / 4) + ring_half * 0.5
    hy = cy + radius * math.sin(math.pi / 4) + ring_half * 0.5
    if segment_distance(x, y, hx, hy, 0.66, 0.66) <= handle_half:
        return (255, 255, 255, 255)
    return tile


def render(size):
    """Rows of (r, g, b, a) from the top, with premultiplied averaging of the samples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size * 2.0 - 1.0
                    y = (py + (sy + 0.5) / SAMPLES) / size * 2.0 - 1.0
                    r, g, b, a = sample(x, y, size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha)),))
        rows.append(row)
    return rows


def bmp_image(rows):
    """The icon-directory form of a 32-bit image: header, bottom-up BGRA, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + pixels + bytes(mask)


def png_image(rows):
    """A PNG of the image (RGBA, no time stamp, so the bytes never change)."""
    size = len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_file(images):
    """An .ico of (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    images = {}
    for size in (16, 32, 48, 64, 256):
        rows = render(size)
        # The largest image as PNG keeps the file small; the others stay plain bitmaps.
        images[size] = png_image(rows) if size >= 256 else bmp_image(rows)
    with open(os.path.join(out_dir, "fendrel.ico"), "wb") as f:
        f.write(ico_file([(s, images[s]) for s in (16, 32, 48, 64, 256)]))
    with open(os.path.join(out_dir, "fendrel_small.ico"), "wb") as f:
        f.write(ico_file([(16, images[16])]))


if __name__ == "__main__":
    main()
