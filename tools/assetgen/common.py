"""Shared drawing helpers and the palette of the zorby asset generator."""

import os

import numpy as np
from PIL import Image, ImageDraw

import pixfont

# One bright arcade palette for every picture.
INK = (30, 24, 64, 255)  # outlines and dark text
NIGHT = (40, 36, 96, 255)  # dark panels
NIGHT2 = (62, 52, 140, 255)
FLOOR = (222, 240, 255, 255)  # the play area floor (shows through every page)
WHITE = (255, 255, 255, 255)
CREAM = (255, 250, 230, 255)
YELLOW = (255, 214, 40, 255)
GOLD = (255, 170, 20, 255)
ORANGE = (255, 128, 32, 255)
PINK = (255, 84, 160, 255)
RED = (232, 40, 56, 255)
CYAN = (40, 200, 255, 255)
BLUE = (48, 112, 240, 255)
GREEN = (64, 200, 80, 255)
LIME = (170, 240, 60, 255)
PURPLE = (150, 80, 230, 255)
CLEAR = (0, 0, 0, 0)

# Button colour schemes: (fill, light rim, dark rim)
BTN_PINK = (PINK, (255, 170, 210, 255), (170, 30, 100, 255))
BTN_CYAN = (CYAN, (170, 236, 255, 255), (20, 120, 180, 255))
BTN_GREEN = (GREEN, (170, 240, 170, 255), (30, 120, 50, 255))
BTN_ORANGE = (ORANGE, (255, 200, 140, 255), (170, 70, 10, 255))
BTN_PURPLE = (PURPLE, (205, 170, 255, 255), (90, 40, 150, 255))
BTN_YELLOW = (YELLOW, (255, 240, 170, 255), (190, 130, 0, 255))


def new(w, h, colour=CLEAR):
    return Image.new("RGBA", (w, h), colour)


def save_png(img, path):
    """Writes an 8-bit RGBA (or RGB) PNG without any time or text chunks."""
    if img.mode not in ("RGBA", "RGB"):
        img = img.convert("RGBA")
    img.save(path, format="PNG", compress_level=9)


def lerp(c1, c2, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


def paint_mask(img, mask, x, y, colour):
    """Paints the true pixels of mask at (x, y). colour is one RGBA tuple or a
    list of tuples, one per mask row (vertical gradients)."""
    h, w = mask.shape
    arr = np.array(img)
    H, W = arr.shape[:2]
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(W, x + w), min(H, y + h)
    if x1 <= x0 or y1 <= y0:
        return img
    sub = mask[y0 - y : y1 - y, x0 - x : x1 - x]
    if isinstance(colour, list):
        cols = np.array(colour[y0 - y : y1 - y], dtype=np.uint8)[:, None, :]
        cols = np.broadcast_to(cols, (y1 - y0, x1 - x0, 4))
    else:
        cols = np.broadcast_to(np.array(colour, dtype=np.uint8), (y1 - y0, x1 - x0, 4))
    region = arr[y0:y1, x0:x1]
    region[sub] = cols[sub]
    img.paste(Image.fromarray(arr), (0, 0))
    return img


def draw_text(
    img,
    x,
    y,
    text,
    scale=1,
    fill=WHITE,
    outline=INK,
    outline_r=1,
    shadow=None,
    shadow_off=(1, 1),
    align="left",
    proportional=True,
    spacing=1,
    compact=False,
    gradient=None,
):
    """Draws one line of text; (x, y) is the top-left of the glyph area (or its top
    centre with align="center"). Returns (left, top, right, bottom) of the glyphs."""
    mask = pixfont.text_mask(text, scale, proportional, spacing, compact=compact)
    h, w = mask.shape
    if align == "center":
        x = x - w // 2
    elif align == "right":
        x = x - w
    pad = outline_r if outline else 0
    if shadow:
        sh = pixfont.dilate(np.pad(mask, pad), outline_r) if outline else mask
        paint_mask(img, sh, x - pad + shadow_off[0], y - pad + shadow_off[1], shadow)
    if outline:
        ol = pixfont.dilate(np.pad(mask, pad), outline_r)
        paint_mask(img, ol, x - pad, y - pad, outline)
    colour = fill
    if gradient:
        colour = [lerp(gradient[0], gradient[1], i / max(1, h - 1)) for i in range(h)]
    paint_mask(img, mask, x, y, colour)
    return (x, y, x + w - 1, y + h - 1)


def text_size(text, scale=1, proportional=True, spacing=1, compact=False):
    m = pixfont.text_mask(text, scale, proportional, spacing, compact=compact)
    return m.shape[1], m.shape[0]


def panel(img, box, fill, rim=INK, radius=4, light=None, dark=None, width=1):
    """A rounded box with an outline and an optional bevel (light top, dark bottom)."""
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    d.rounded_rectangle(box, radius=radius, fill=rim)
    inner = (x0 + width, y0 + width, x1 - width, y1 - width)
    d.rounded_rectangle(inner, radius=max(0, radius - width), fill=fill)
    if light:
        d.line((inner[0] + radius, inner[1], inner[2] - radius, inner[1]), fill=light)
        d.line((inner[0], inner[1] + radius, inner[0], inner[3] - radius), fill=light)
    if dark:
        d.line((inner[0] + radius, inner[3], inner[2] - radius, inner[3]), fill=dark)
        d.line((inner[2], inner[1] + radius, inner[2], inner[3] - radius), fill=dark)
    return img


def button(img, box, label, scheme, scale=1, text_fill=WHITE, radius=4):
    """A bevelled button whose label is centred in box (inclusive corners)."""
    fill, light, dark = scheme
    panel(img, box, fill, INK, radius, light, dark)
    x0, y0, x1, y1 = box
    w, h = text_size(label, scale)
    cy = y0 + (y1 - y0 + 1 - h) // 2
    # Capitals and digits only use 7 of the 8 glyph rows; centre on those.
    if not any(c in "gjpqy,;_" for c in label):
        cy += scale // 2
    outline = None if text_fill == INK else INK
    draw_text(img, (x0 + x1 + 1) // 2, cy, label, scale, text_fill, outline, align="center")
    return img


def vgradient(w, h, top, bottom):
    img = new(w, h)
    d = ImageDraw.Draw(img)
    for yy in range(h):
        d.line((0, yy, w - 1, yy), fill=lerp(top, bottom, yy / max(1, h - 1)))
    return img


def from_ascii(rows, colours):
    """A picture from text art: each character is looked up in colours ('.' is clear)."""
    h, w = len(rows), max(len(r) for r in rows)
    img = new(w, h)
    px = img.load()
    for yy, row in enumerate(rows):
        for xx, c in enumerate(row):
            if c != "." and c != " ":
                px[xx, yy] = colours[c]
    return img


def overlay_ascii(img, rows, colours, x=0, y=0):
    """Paints text art over img; '.' and ' ' leave the picture as it is."""
    px = img.load()
    for yy, row in enumerate(rows):
        for xx, c in enumerate(row):
            if c not in ". ":
                px[x + xx, y + yy] = colours[c]
    return img


def ensure_dir(path):
    os.makedirs(path, exist_ok=True)
