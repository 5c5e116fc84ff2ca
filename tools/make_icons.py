#!/usr/bin/env python3
"""Draws the program's tray and application icons and writes them as .ico files.

Every icon has a 16 x 16 image, 4 bits per pixel in the standard 16-colour
palette, with an AND mask. MAINICON is a small window face with coloured bars;
ICON1 .. ICON10 put the page number on the same face in large black digits
and ICON12 a question mark. The 16-pixel pictures come from the pixel tables
below. MAINICON, which Explorer, the taskbar and Alt+Tab show, also has the
face drawn at 32 and 48 pixels (32-bit with alpha) and at 256 pixels (PNG).
The page icons, which the notification area shows at the small-icon size of
the display scale (16 at 100 %, 20 at 125 %, 24 at 150 %, 32 at 200 %), have
the face drawn at 20, 24 and 32 pixels too, with the 16-pixel digits scaled.

    python3 tools/make_icons.py                  # writes resources/icons/*.ico
    python3 tools/make_icons.py --sheet out.png  # also a scaled-up preview sheet

Only the Python standard library is used.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 16

# The standard 16-colour palette, by index (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None  # transparent: set in the AND mask

# The window face. Letters map to colours; '.' is transparent.
FACE_KEY = {
    "k": BLACK, "n": NAVY, "b": BLUE, "w": WHITE, "s": SILVER, "g": GRAY,
    "r": RED, "y": YELLOW, "l": LIME, "a": AQUA, ".": CLEAR,
}
FACE = [
    ".kkkkkkkkkkkkkk.",
    "knnnnnnnnnnnswsk",
    "knnnnnnnnnnnsssk",
    "kwwwwwwwwwwwwwwk",
    "kwrrrrrrrrrrrrwk",
    "kwrrrrrrrrrrrrwk",
    "kwwwwwwwwwwwwwwk",
    "kwyyyyyyyyyyyywk",
    "kwyyyyyyyyyyyywk",
    "kwwwwwwwwwwwwwwk",
    "kwllllllllllllwk",
    "kwllllllllllllwk",
    "kwwwwwwwwwwwwwwk",
    "kwaaaaaaaaaaaawk",
    "kwaaaaaaaaaaaawk",
    ".kkkkkkkkkkkkkk.",
]

# Where glyphs go: the bars give way to white from this column on, so the
# digits stand on a plain background while the bars stay visible at the left.
GLYPH_AREA_LEFT = 4
GLYPH_AREA_RIGHT = 14  # exclusive
GLYPH_TOP = 4
GLYPH_HEIGHT = 10

# Large digits: 6 x 10, strokes two pixels wide.
WIDE_GLYPHS = {
    "1": ["..##..", ".###..", "####..", "..##..", "..##..",
          "..##..", "..##..", "..##..", "..##..", "######"],
    "2": [".####.", "##..##", "....##", "....##", "...##.",
          "..##..", ".##...", "##....", "##....", "######"],
    "3": [".####.", "##..##", "....##", "....##", "..###.",
          "....##", "....##", "....##", "##..##", ".####."],
    "4": ["....##", "...###", "..####", ".##.##", "##..##",
          "######", "....##", "....##", "....##", "....##"],
    "5": ["######", "##....", "##....", "#####.", "....##",
          "....##", "....##", "....##", "##..##", ".####."],
    "6": [".####.", "##..##", "##....", "##....", "#####.",
          "##..##", "##..##", "##..##", "##..##", ".####."],
    "7": ["######", "....##", "....##", "...##.", "...##.",
          "..##..", "..##..", "..##..", "..##..", "..##.."],
    "8": [".####.", "##..##", "##..##", "##..##", ".####.",
          "##..##", "##..##", "##..##", "##..##", ".####."],
    "9": [".####.", "##..##", "##..##", "##..##", "##..##",
          ".#####", "....##", "....##", "##..##", ".####."],
    "?": [".####.", "##..##", "....##", "....##", "...##.",
          "..##..", "..##..", "......", "..##..", "..##.."],
}

# Narrow digits for two-digit numbers, so that "10" still fits the face.
NARROW_GLYPHS = {
    "1": [".##", "###", ".##", ".##", ".##", ".##", ".##", ".##", ".##", ".##"],
    "0": [".##.", "#..#", "#..#", "#..#", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."],
}


def face():
    return [[FACE_KEY[c] for c in row] for row in FACE]


def clear_glyph_area(pixels):
    for y in range(GLYPH_TOP - 1, GLYPH_TOP + GLYPH_HEIGHT + 1):
        for x in range(GLYPH_AREA_LEFT, GLYPH_AREA_RIGHT):
            pixels[y][x] = WHITE


def draw_text(pixels, text):
    """Centres text in black in the glyph area; narrow digits when it has two characters."""
    glyphs = [(NARROW_GLYPHS if len(text) > 1 else WIDE_GLYPHS)[c] for c in text]
    width = sum(len(g[0]) for g in glyphs) + (len(glyphs) - 1)
    area = GLYPH_AREA_RIGHT - GLYPH_AREA_LEFT
    if width > area:
        raise ValueError(f"{text!r} is {width} pixels wide; the face has room for {area}")
    x0 = GLYPH_AREA_LEFT + (area - width + 1) // 2
    for glyph in glyphs:
        assert len(glyph) == GLYPH_HEIGHT and len({len(r) for r in glyph}) == 1, glyph
        for dy, row in enumerate(glyph):
            for dx, c in enumerate(row):
                if c == "#":
                    pixels[GLYPH_TOP + dy][x0 + dx] = BLACK
        x0 += len(glyph[0]) + 1


def icon_pictures():
    """(resource name, pixel rows) for every icon, in resource order."""
    pictures = [("MAINICON", face())]
    for number in range(1, 11):
        pixels = face()
        clear_glyph_area(pixels)
        draw_text(pixels, str(number))
        pictures.append((f"ICON{number}", pixels))
    pixels = face()
    clear_glyph_area(pixels)
    draw_text(pixels, "?")
    pictures.append(("ICON12", pixels))
    return pictures


def ico_bytes(pixels):
    """One 16 x 16 4-bit image in .ico form: directory, DIB header, palette, XOR rows, AND rows."""
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # DIB rows are stored bottom-up
        nibbles = [BLACK if p is CLEAR else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        mask = 0
        for x, p in enumerate(row):
            if p is CLEAR:
                mask |= 0x8000 >> x
        and_rows.append(struct.pack(">H", mask) + b"\0\0")  # rows padded to 32 bits
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image_size = sum(map(len, xor_rows)) + sum(map(len, and_rows))
    # The DIB height counts the XOR and the AND bitmap together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, image_size, 0, 0, 0, 0)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


LARGE_SIZES = (32, 48, 256)
TRAY_SIZES = (20, 24, 32)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """Whether (x, y) lies in the rectangle with corners rounded by `radius`."""
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def large_face(size, page=None):
    """The window face at `size` pixels as rows of (r, g, b, a), edges smoothed.

    The proportions follow the 16-pixel face (one unit = size / 16): the title
    bar with its button, then four bars on white at units 4, 7, 10 and 13,
    two units high, from unit 2 to 14; the frame is thinner than one unit so
    that it stays a line at large sizes. With `page`, a 16-pixel page
    picture, its glyph area (white with black digits) is drawn scaled over
    the bars.
    """
    unit = size / 16
    frame = max(1.0, round(size / 24))
    title_bottom = frame + 2.2 * unit
    button = (size - frame - 3.0 * unit, frame + 0.45 * unit, size - frame - 0.6 * unit, title_bottom - 0.45 * unit)
    bars = [PALETTE[RED], PALETTE[YELLOW], PALETTE[LIME], PALETTE[AQUA]]
    samples = 4 if size < 256 else 2

    def colour_at(x, y):
        if not inside_rounded(x, y, 0, 0, size, size, 1.4 * unit):
            return None
        if not inside_rounded(x, y, frame, frame, size - frame, size - frame, max(0.0, 1.4 * unit - frame)):
            return PALETTE[BLACK]
        if page is not None:
            gx, gy = x / unit, y / unit
            if GLYPH_AREA_LEFT <= gx < GLYPH_AREA_RIGHT and GLYPH_TOP - 1 <= gy < GLYPH_TOP + GLYPH_HEIGHT + 1:
                return PALETTE[page[int(gy)][int(gx)]]
        if y < title_bottom:
            if inside_rounded(x, y, *button, 0.2 * unit):
                return PALETTE[WHITE] if y < (button[1] + button[3]) / 2 else PALETTE[SILVER]
            shade = x / size  # navy on the left to blue on the right
            return (0, int(0x20 * shade), int(0x80 + 0x60 * shade))
        for i, colour in enumerate(bars):
            top = (4 + 3 * i) * unit
            if inside_rounded(x, y, 2 * unit, top, 14 * unit, top + 2 * unit, 0.3 * unit):
                return colour
        return PALETTE[WHITE]

    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    if c is not None:
                        r, g, b, covered = r + c[0], g + c[1], b + c[2], covered + 1
            if covered:
                row.append((round(r / covered), round(g / covered), round(b / covered),
                            round(255 * covered / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def rgba_dib(rows):
    """A 32-bit image with alpha in .ico form (BGRA rows bottom-up, then the AND mask)."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    xor = b"".join(bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def multi_ico_bytes(images):
    """An .ico file from (size, bits per pixel, colour count, image bytes) entries."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, bits, colours, image in images:
        side = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, colours, 0, 1, bits, len(image), offset + len(data))
        data += image
    return directory + entries + data


def main_icon_bytes(pixels):
    """MAINICON: the 16-colour 16-pixel image, then the face drawn large."""
    small = ico_bytes(pixels)[6 + 16:]
    images = [(SIZE, 4, 16, small)]
    for size in LARGE_SIZES:
        rows = large_face(size)
        image = png_bytes(rows) if size >= 256 else rgba_dib(rows)
        images.append((size, 32, 0, image))
    return multi_ico_bytes(images)


def page_icon_bytes(pixels):
    """A page icon: the 16-colour 16-pixel image, then the tray sizes drawn from it."""
    images = [(SIZE, 4, 16, ico_bytes(pixels)[6 + 16:])]
    for size in TRAY_SIZES:
        images.append((size, 32, 0, rgba_dib(large_face(size, pixels))))
    return multi_ico_bytes(images)


def png_bytes(rgb_rows):
    """A plain 8-bit PNG from rows of (r, g, b) or (r, g, b, a) tuples."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    height, width = len(rgb_rows), len(rgb_rows[0])
    colour_type = 6 if len(rgb_rows[0][0]) == 4 else 2
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rgb_rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def preview_sheet(pictures, scale=12, gap=8):
    """All icons side by side, scaled up; transparent pixels as a grey checkerboard."""
    cell = SIZE * scale
    width = len(pictures) * (cell + gap) + gap
    height = cell + 2 * gap
    rows = [[(0x60, 0x60, 0x60)] * width for _ in range(height)]
    for i, (_, pixels) in enumerate(pictures):
        left = gap + i * (cell + gap)
        for y in range(cell):
            for x in range(cell):
                p = pixels[y // scale][x // scale]
                if p is CLEAR:
                    colour = (0xD0, 0xD0, 0xD0) if ((x // 4) + (y // 4)) % 2 else (0xA0, 0xA0, 0xA0)
                else:
                    colour = PALETTE[p]
                rows[gap + y][left + x] = colour
    return png_bytes(rows)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "resources", "icons"),
                        help="folder for the .ico files (default: resources/icons)")
    parser.add_argument("--sheet", help="also write a scaled-up PNG of all icons here")
    args = parser.parse_args(argv)

    pictures = icon_pictures()
    os.makedirs(args.out, exist_ok=True)
    for name, pixels in pictures:
        with open(os.path.join(args.out, name + ".ico"), "wb") as f:
            f.write(main_icon_bytes(pixels) if name == "MAINICON" else page_icon_bytes(pixels))
    if args.sheet:
        with open(args.sheet, "wb") as f:
            f.write(preview_sheet(pictures))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
