"""The game's bitmap fonts: glyph grids of 16 cells per row, codes 0..127.

font.png   12 x 16 cells: score, countdown, names and the high-score table.
font2.png  12 x 16 cells: the maze's "Exit" label; "X" is the mouse pointer (centred
           on cell pixel (4, 4)) and "x" the keyboard cursor (centred near (8, 9),
           close to the hot spot the holes test, cursor + 10).
font3.png   8 x 10 cells: the version label.
smalfont.bmp 8 x 8 cells, 24-bit BMP, black is transparent: the start-up font.
"""

import numpy as np
from PIL import Image

import common as c
import pixfont


def _sheet(cell_w, cell_h, draw_cell, bg=c.CLEAR):
    img = c.new(cell_w * 16, cell_h * 8, bg)
    for code in range(32, 127):
        cell = c.new(cell_w, cell_h, bg)
        draw_cell(cell, chr(code))
        img.paste(cell, ((code % 16) * cell_w, (code // 16) * cell_h))
    return img


def _outlined(cell, mask, x, y, fill, outline=c.INK):
    ol = pixfont.dilate(np.pad(mask, 1), 1)
    c.paint_mask(cell, ol, x - 1, y - 1, outline)
    c.paint_mask(cell, mask, x, y, fill)


def _big_glyph(cell, ch, top, bottom):
    m = pixfont.scaled(pixfont.glyph_compact(ch), 2)
    grad = [c.lerp(top, bottom, i / (m.shape[0] - 1)) for i in range(m.shape[0])]
    _outlined(cell, m, 1, 1, grad)


def font1():
    return _sheet(12, 16, lambda cell, ch: _big_glyph(cell, ch, (255, 255, 255, 255), (255, 206, 40, 255)))


def _pointer_glyph(cell):
    rows = [
        "kk.....kk",
        "kwk...kwk",
        ".kwk.kwk.",
        "..kwkwk..",
        "...kRk...",
        "..kwkwk..",
        ".kwk.kwk.",
        "kwk...kwk",
        "kk.....kk",
    ]
    c.overlay_ascii(cell, rows, {"k": c.INK, "w": c.WHITE, "R": c.RED}, 0, 0)


def _cursor_glyph(cell):
    m = np.zeros((7, 7), dtype=bool)
    for i in range(7):
        m[i, i] = m[i, 6 - i] = True
    _outlined(cell, m, 5, 6, c.YELLOW)


def font2():
    def draw(cell, ch):
        if ch == "X":
            _pointer_glyph(cell)
        elif ch == "x":
            _cursor_glyph(cell)
        else:
            _big_glyph(cell, ch, (255, 255, 255, 255), (200, 240, 255, 255))

    return _sheet(12, 16, draw)


def font3():
    def draw(cell, ch):
        _outlined(cell, pixfont.glyph(ch), 1, 1, (140, 230, 255, 255))

    return _sheet(8, 10, draw)


def smalfont():
    """The start-up font as an RGB picture on black (black becomes transparent)."""

    def draw(cell, ch):
        m = pixfont.glyph_compact(ch)
        c.paint_mask(cell, m, 2, 1, (70, 70, 110, 255))
        c.paint_mask(cell, m, 1, 0, c.WHITE)

    return _sheet(8, 8, draw, bg=(0, 0, 0, 255)).convert("RGB")


def save_bmp(img, path):
    """A 24-bit BMP with the 40-byte info header and no palette."""
    img.convert("RGB").save(path, format="BMP")
