"""The faces and small sprites: smileys, the walker, the star, the marker, the block,
the window icon, and large vector faces for title pictures."""

import math

from PIL import Image, ImageDraw

import common as c

INK = c.INK

# Base colours of the face kinds: fill, light, shade.
SKINS = {
    "good": ((255, 214, 40, 255), (255, 244, 150, 255), (222, 150, 10, 255)),
    "bad": ((226, 54, 72, 255), (255, 140, 150, 255), (150, 20, 40, 255)),
    "bonus": ((255, 186, 20, 255), (255, 250, 200, 255), (205, 110, 0, 255)),
    "calm": ((120, 214, 80, 255), (200, 250, 170, 255), (60, 150, 40, 255)),
    "wow": ((80, 180, 255, 255), (190, 234, 255, 255), (30, 110, 200, 255)),
    "grin": ((255, 150, 50, 255), (255, 214, 160, 255), (200, 90, 20, 255)),
    "devil": ((160, 80, 220, 255), (220, 180, 255, 255), (100, 40, 160, 255)),
}

FEATURE_COLOURS = {
    "k": INK,
    "w": (255, 255, 255, 255),
    "r": (200, 30, 50, 255),
    "t": (255, 120, 150, 255),
    "p": (255, 130, 120, 255),  # blush
    "b": (90, 190, 255, 255),  # tear
    "s": (20, 20, 30, 255),  # sunglasses
    "g": (140, 140, 150, 255),
    "y": (255, 255, 180, 255),  # sparkle
    "h": (120, 30, 40, 255),  # horn shade
    "R": (220, 40, 40, 255),  # horn
}

# Feature overlays on the 18 x 18 face, rows 0..17.
FEATURES = {
    "good": {
        4: ".....kk....kk.....",
        5: "....kwkk..kwkk....",
        6: "....kkkk..kkkk....",
        7: ".....kk....kk.....",
        9: "...pp........pp...",
        10: "...kkkkkkkkkkkk...",
        11: "...krrrrrrrrrrk...",
        12: "....krrrrrrrrk....",
        13: ".....krrttrrk.....",
        14: "......kkkkkk......",
    },
    "lost": {
        4: ".....kk....kk.....",
        5: "....kwkk..kwkk....",
        6: "....kkkk..kkkk....",
        7: ".....kk....kk.....",
        8: "....b.............",
        9: "...pb........pp...",
        11: "......kkkkkk......",
        12: ".....k......k.....",
        13: "....k........k....",
    },
    "bad": {
        3: "...kk........kk...",
        4: "....kkk....kkk....",
        5: ".....kwk..kwk.....",
        6: ".....kkk..kkk.....",
        10: ".....kkkkkkkk.....",
        11: "....kwkwkwkwkwk...",
        12: "...kkrrrrrrrrrkk..",
        13: "...k..........k...",
    },
    "bonus": {
        1: "..............y...",
        2: ".............yyy..",
        3: "..............y...",
        5: "...ssssssssssss...",
        6: "...swwsss.swwss...",
        7: "....ssss..ssss....",
        10: "...k..........k...",
        11: "...kkkkkkkkkkkk...",
        12: "....kwwwwwwwwk....",
        13: ".....krrrrrrk.....",
        14: "......kkkkkk......",
    },
    "calm": {
        5: ".....kk....kk.....",
        6: ".....kk....kk.....",
        7: ".....kk....kk.....",
        10: "....k.........k...",
        11: ".....k.......k....",
        12: "......kkkkkkk.....",
    },
    "wow": {
        3: "....kkk....kkk....",
        5: ".....kk....kk.....",
        6: "....kwkk..kwkk....",
        7: "....kkkk..kkkk....",
        8: ".....kk....kk.....",
        10: ".......kkkk.......",
        11: "......krrrrk......",
        12: "......krrrrk......",
        13: "......krrrrk......",
        14: ".......kkkk.......",
    },
    "grin": {
        4: ".....kk....kk.....",
        5: ".....kk....kk.....",
        6: ".....kk....kk.....",
        9: "..kk..........kk..",
        10: "...kkkkkkkkkkkk...",
        11: "...kwwwwwwwwwwk...",
        12: "...kwkwkwkwkwwk...",
        13: "....kwwwwwwwwk....",
        14: ".....kkkkkkkk.....",
    },
    "devil": {
        0: "RR..............RR",
        1: ".RR............RR.",
        2: ".RhR..........RhR.",
        4: "...kk........kk...",
        5: "....kkk....kkk....",
        6: "....kwwk..kwwk....",
        7: ".....kk....kk.....",
        10: "...kkkkkkkkkkkk...",
        11: "...kwkrrrrrrkwk...",
        12: "....kkrrrrrrkk....",
        13: ".....kkkkkkkk.....",
    },
}


def face_base(size, skin):
    """A shaded round face of size x size pixels with a one-pixel ink outline."""
    fill, light, shade = SKINS[skin]
    img = c.new(size, size)
    px = img.load()
    r = size / 2.0
    cx = cy = (size - 1) / 2.0

    def inside(x, y):
        return 0 <= x < size and 0 <= y < size and math.hypot(x - cx, y - cy) <= r - 0.1

    for y in range(size):
        for x in range(size):
            if not inside(x, y):
                continue
            if not (inside(x - 1, y) and inside(x + 1, y) and inside(x, y - 1) and inside(x, y + 1)):
                px[x, y] = INK
                continue
            col = fill
            d = math.hypot(x - cx, y - cy)
            if math.hypot(x - (cx - r * 0.35), y - (cy - r * 0.4)) < r * 0.28:
                col = light
            elif d > r * 0.72 and (x - cx) + (y - cy) > r * 0.5:
                col = shade
            px[x, y] = col
    return img


def face(kind):
    """The 18 x 18 face of a kind: good, bad, bonus, calm, wow, grin, lost, devil."""
    skin = "good" if kind == "lost" else kind
    img = face_base(18, skin)
    for row, pattern in FEATURES[kind].items():
        c.overlay_ascii(img, [pattern], FEATURE_COLOURS, 0, row)
    return img


def walker():
    """The labyrinth walker: a tiny face, 8 x 8 inside a clear one-pixel ring so
    that the picture's left column never touches the maze's left wall."""
    rows = [
        "..........",
        "...kkkk...",
        "..kyyyyk..",
        ".kywyywyk.",
        ".kykyykyk.",
        ".kyyyyyyk.",
        ".kykyykyk.",
        "..kykkyk..",
        "...kkkk...",
        "..........",
    ]
    return c.from_ascii(rows, {"k": INK, "y": SKINS["good"][0], "w": (255, 255, 255, 255)})


def star():
    rows = [
        "...o...",
        "..oyo..",
        "ooyWyoo",
        ".oyWyo.",
        "..yyy..",
        ".oy.yo.",
        ".o...o.",
    ]
    return c.from_ascii(rows, {"o": (255, 140, 0, 255), "y": (255, 230, 60, 255), "W": (255, 255, 230, 255)})


def marker():
    """The option marker: a green tick that pops out of its box."""
    rows = [
        "..........kk",
        ".........kgk",
        "........kggk",
        ".......kggk.",
        ".kk...kggk..",
        "kggk.kggk...",
        "kgggkggk....",
        ".kgggggk....",
        "..kgggk.....",
        "...kgk......",
        "....k.......",
        "............",
    ]
    return c.from_ascii(rows, {"k": INK, "g": (70, 220, 90, 255)})


def block():
    """The 32 x 32 mask of Masked smileys: a gift box with a question mark."""
    img = c.new(32, 32)
    c.panel(img, (0, 0, 31, 31), (150, 80, 230, 255), INK, 5, (205, 170, 255, 255), (90, 40, 150, 255), 1)
    d = ImageDraw.Draw(img)
    d.rectangle((2, 14, 29, 17), fill=(255, 214, 40, 255))
    d.rectangle((14, 2, 17, 29), fill=(255, 214, 40, 255))
    c.draw_text(img, 16, 8, "?", 2, (255, 255, 255, 255), INK, align="center")
    return img


def vector_face(size, kind="good"):
    """A smooth face of any size for title pictures (drawn 4x larger, then reduced)."""
    s = 4
    n = size * s
    img = c.new(n, n)
    d = ImageDraw.Draw(img)
    fill, light, shade = SKINS["good" if kind == "lost" else kind]
    lw = max(s, n // 24)
    d.ellipse((0, 0, n - 1, n - 1), fill=INK)
    d.ellipse((lw, lw, n - 1 - lw, n - 1 - lw), fill=shade)
    d.ellipse((lw, lw, n - 1 - lw * 2, n - 1 - lw * 2), fill=fill)
    d.ellipse((n * 0.2, n * 0.14, n * 0.42, n * 0.3), fill=light)
    ew, eh = n * 0.11, n * 0.2
    for ex in (n * 0.34, n * 0.66):
        if kind == "bad" or kind == "devil":
            d.ellipse((ex - ew / 2, n * 0.34, ex + ew / 2, n * 0.34 + eh * 0.8), fill=INK)
        else:
            d.ellipse((ex - ew / 2, n * 0.28, ex + ew / 2, n * 0.28 + eh), fill=INK)
            d.ellipse((ex - ew / 4, n * 0.31, ex + ew / 8, n * 0.31 + eh / 3), fill=(255, 255, 255, 255))
    if kind in ("bad", "devil"):
        d.line((n * 0.22, n * 0.26, n * 0.42, n * 0.36), fill=INK, width=lw * 2)
        d.line((n * 0.78, n * 0.26, n * 0.58, n * 0.36), fill=INK, width=lw * 2)
        d.chord((n * 0.25, n * 0.62, n * 0.75, n * 0.95), 180, 360, fill=INK)
        d.chord((n * 0.25 + lw, n * 0.62 + lw * 1.5, n * 0.75 - lw, n * 0.95), 180, 360, fill=(200, 30, 50, 255))
    else:
        d.chord((n * 0.2, n * 0.36, n * 0.8, n * 0.84), 0, 180, fill=INK)
        d.chord((n * 0.2 + lw * 1.5, n * 0.36 + lw * 1.5, n * 0.8 - lw * 1.5, n * 0.84 - lw * 1.5), 0, 180, fill=(200, 30, 50, 255))
        d.ellipse((n * 0.4, n * 0.68, n * 0.6, n * 0.8), fill=(255, 120, 150, 255))
    return img.resize((size, size), Image.LANCZOS)


def icon():
    return vector_face(32, "good")
