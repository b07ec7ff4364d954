#!/usr/bin/env python3
"""Draws the icon of the operator windows and writes it as resources/zelk.ico.

A rounded pale-yellow tile with a thin dark-blue border and a bold dark "Z", drawn separately
for 16x16 and 32x32 so that both sizes sit on whole pixels; 32-bit BGRA images with an AND mask.
Standard library only.

    scripts/make-icon.py [--out FILE] [--preview FILE.png]

--preview also writes an enlarged PNG of both sizes, read back from the written icon, on a light
and a dark background.
"""
import argparse
import pathlib
import struct
import zlib

TILE = (255, 250, 198)
BORDER = (28, 52, 128)
LETTER = (22, 30, 70)

# Per size: corner radius, border width, the Z's box (left, top, right, bottom) and stroke.
LAYOUT = {
    16: dict(radius=3.5, border=1.0, box=(4.0, 4.0, 12.0, 12.0), bar=2.0, slant=2.9),
    32: dict(radius=7.0, border=2.0, box=(8.0, 8.0, 24.0, 24.0), bar=4.0, slant=5.4),
}
SAMPLES = 8  # per pixel and axis


def in_rounded_square(x, y, low, high, radius):
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and low <= x <= high and low <= y <= high


def in_convex(x, y, points):
    sign = 0
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        if cross != 0:
            if sign == 0:
                sign = 1 if cross > 0 else -1
            elif (cross > 0) != (sign > 0):
                return False
    return True


def in_letter(x, y, layout):
    left, top, right, bottom = layout["box"]
    bar, slant = layout["bar"], layout["slant"]
    if left <= x <= right and (top <= y <= top + bar or bottom - bar <= y <= bottom):
        return True
    # The diagonal joins the top bar's right end to the bottom bar's left end.
    stroke = [(right - slant, top + bar), (right, top + bar), (left + slant, bottom - bar), (left, bottom - bar)]
    return in_convex(x, y, stroke)


def draw(size):
    """Rows of (r, g, b, a) from the top, the colour not premultiplied."""
    layout = LAYOUT[size]
    radius, border = layout["radius"], layout["border"]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            totals = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    if not in_rounded_square(x, y, 0.0, size, radius):
                        continue
                    covered += 1
                    if not in_rounded_square(x, y, border, size - border, radius - border):
                        color = BORDER
                    elif in_letter(x, y, layout):
                        color = LETTER
                    else:
                        color = TILE
                    for i in range(3):
                        totals[i] += color[i]
            if covered:
                row.append(tuple(round(t / covered) for t in totals) + (round(255 * covered / SAMPLES**2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(rows):
    """A BITMAPINFOHEADER, the BGRA pixels and the AND mask, both bottom-up."""
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def ico_bytes(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return directory + entries + data


def read_ico(data):
    """{size: rows of (r, g, b, a) from the top} of a 32-bit icon."""
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = {}
    for i in range(count):
        width, _, _, _, _, bits, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = width or 256
        assert bits == 32
        start = offset + 40
        rows = []
        for y in range(size):
            line = data[start + y * size * 4 : start + (y + 1) * size * 4]
            rows.append([(line[x * 4 + 2], line[x * 4 + 1], line[x * 4], line[x * 4 + 3]) for x in range(size)])
        images[size] = list(reversed(rows))
    return images


def write_png(path, width, height, rgb_rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    pathlib.Path(path).write_bytes(png)


def preview(path, images, scale=8):
    """Each size enlarged and at its own size, on a light and on a dark background."""
    backgrounds = [(240, 240, 240), (60, 60, 60)]
    width = sum((size * scale + size + 24) for size in images) + 8
    height = len(backgrounds) * (max(images) * scale + 16)
    canvas = [[list(backgrounds[(y * len(backgrounds)) // height]) for _ in range(width)] for y in range(height)]
    for band, background in enumerate(backgrounds):
        x0 = 8
        top = band * (max(images) * scale + 16) + 8
        for size, rows in sorted(images.items()):
            for factor, left in ((scale, x0), (1, x0 + size * scale + 8)):
                for y in range(size * factor):
                    for x in range(size * factor):
                        r, g, b, a = rows[y // factor][x // factor]
                        canvas[top + y][left + x] = [
                            (c * a + bg * (255 - a)) // 255 for c, bg in zip((r, g, b), background)
                        ]
            x0 += size * scale + size + 24
    write_png(path, width, height, [[c for pixel in row for c in pixel] for row in canvas])


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=root / "resources" / "zelk.ico")
    parser.add_argument("--preview")
    args = parser.parse_args()
    data = ico_bytes([(size, icon_image(draw(size))) for size in sorted(LAYOUT)])
    pathlib.Path(args.out).write_bytes(data)
    if args.preview:
        preview(args.preview, read_ico(data))


if __name__ == "__main__":
    main()
