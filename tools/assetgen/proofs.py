#!/usr/bin/python3
"""Proof sheets: every screen composed as the game draws it, from the files in
assets/, before the game exists to show it.

    python3 tools/assetgen/proofs.py OUTDIR [ASSETDIR]

One PNG per screen, enlarged three times. Green outlines mark the strike boxes of
the holes and the maze goal; the blue one on the maze sheets is the walker's start
run. The hotspots of the menus and buttons are outlined by the game itself, from its
own table: `tools/screenshots.sh --hotspots` (zorby-shots --hotspots).
"""

import os
import struct
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import mazes  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCALE = 3
BLUE, GREEN = (0, 90, 255, 255), (0, 170, 0, 255)


class Screen:
    """A 320 x 240 screen that draws like the engine: sprites by their alpha, text
    from font grids, drawing clipped to the current viewport."""

    def __init__(self, assets):
        self.assets = assets
        self.img = Image.new("RGBA", (320, 240), (0, 0, 0, 255))
        self.view = (0, 0, 320, 240)
        self.fonts = {}
        self.marks = []

    def load(self, name):
        return Image.open(os.path.join(self.assets, name)).convert("RGBA")

    def viewport(self, x=0, y=0, w=0, h=0):
        self.view = (x, y, w, h) if w else (0, 0, 320, 240)

    def sprite(self, name, x, y):
        pic = self.load(name) if isinstance(name, str) else name
        vx, vy, vw, vh = self.view
        layer = Image.new("RGBA", (320, 240), (0, 0, 0, 0))
        layer.paste(pic, (vx + x, vy + y))
        clip = Image.new("L", (320, 240), 0)
        ImageDraw.Draw(clip).rectangle((vx, vy, vx + vw - 1, vy + vh - 1), fill=255)
        alpha = Image.composite(layer.getchannel("A"), clip, clip)
        alpha = alpha.point(lambda a: 255 if a > 12 else 0)
        layer.putalpha(Image.composite(alpha, Image.new("L", (320, 240), 0), clip))
        self.img.alpha_composite(layer)

    def text(self, font, s, x, y):
        sheet = self.load(font)
        gw = sheet.width // 16
        gh = sheet.height // (16 if sheet.width < sheet.height else 8)
        codes = 256 if sheet.width < sheet.height else 128
        for i, ch in enumerate(s):
            k = ord(ch) % codes
            cell = sheet.crop(((k % 16) * gw, (k // 16) * gh, (k % 16 + 1) * gw, (k // 16 + 1) * gh))
            self.sprite(cell, x + i * gw, y)

    def hud(self, countdown=250, score=0, energy=300):
        d = ImageDraw.Draw(self.img)
        colour = (255, 0, 0) if energy < 100 else (255, 190, 0) if energy < 200 else (30, 255, 0)
        for yy in (182, 183, 184, 185):
            d.line((5, yy, energy, yy), fill=colour)
        self.text("font.png", str(countdown), 270, 187)
        self.text("font.png", str(score), 130, 218)
        self.text("font3.png", "V3.2", 6, 60)

    def box(self, x1, x2, y1, y2, colour=GREEN):
        self.marks.append(((x1, x2, y1, y2), colour))

    def save(self, path):
        big = self.img.resize((320 * SCALE, 240 * SCALE), Image.NEAREST)
        d = ImageDraw.Draw(big)
        for (x1, x2, y1, y2), colour in self.marks:
            # The pixels strictly inside the open ranges.
            d.rectangle(((x1 + 1) * SCALE, (y1 + 1) * SCALE, x2 * SCALE - 1, y2 * SCALE - 1), outline=colour)
        big.convert("RGB").save(path)


def framed(assets, **hud):
    s = Screen(assets)
    s.sprite("screen.png", 0, 0)
    return s, hud


def finish(s, hud, out, name, pointer=(150, 40)):
    s.hud(**hud)
    s.text("font2.png", "X", pointer[0] - 4, pointer[1] - 4)
    s.save(os.path.join(out, name))


def holes():
    return [(15 + 30 * (i % 10), 90 + 30 * (i // 10)) for i in range(30)]


def read_high_scores(path):
    data = open(path, "rb").read()
    rows, pos = [], 0
    for _ in range(3):
        score = struct.unpack_from("<I", data, pos)[0]
        end = data.index(b"\n", pos + 4)
        rows.append((score, data[pos + 4 : end].decode("ascii")))
        pos = end + 1
    return rows


def make_all(out, assets):
    os.makedirs(out, exist_ok=True)
    for name in ("device.png", "combo.png", "logo.png"):
        s = Screen(assets)
        s.sprite(name, 0, 0)
        s.save(os.path.join(out, "intro_" + name))

    s, hud = framed(assets)
    s.sprite("buttons.png", 10, 87)
    finish(s, hud, out, "menu_main.png", (60, 100))

    s, hud = framed(assets)
    s.sprite("tellme.png", 10, 85)
    finish(s, hud, out, "menu_help.png")

    for marker, sound in (((220, 60), (6, 55)), ((240, 60), (35, 55)), ((270, 60), (6, 55))):
        s, hud = framed(assets)
        s.viewport(15, 83, 308, 94)
        s.sprite("options.png", 0, 0)
        s.sprite("pointer.png", *marker)
        s.sprite("pointer.png", *sound)
        s.viewport()
        finish(s, hud, out, f"menu_options_{marker[0]}_{sound[0]}.png")

    s, hud = framed(assets)
    s.viewport(20, 83, 308, 93)
    s.sprite("highscore.png", 40, 0)
    for yy in (32, 52, 72):
        s.text("font.png", ":", 135, yy)
    for (score, name), yy in zip(reversed(read_high_scores(os.path.join(assets, "hc.txt"))), (32, 50, 68)):
        if 1 <= len(name) <= 9:
            s.text("font.png", name, 110 - 12 * len(name), yy)
            s.text("font.png", str(score), 160, yy)
    s.viewport()
    finish(s, hud, out, "menu_highscores.png")

    s, hud = framed(assets, score=1234)
    s.viewport(6, 84, 308, 93)
    s.sprite("keyboard.png", 0, 0)
    s.text("font.png", "ZORBYZORBYZORBY", 5, 0)
    s.viewport()
    finish(s, hud, out, "menu_name_entry.png", (120, 108))

    scroll = {"credits.png": [81, -300, -1300], "tellmetime.png": [89, -150, -400], "tellmelost.png": [-150, -350],
              "tellmelaby.png": [-100, -280], "tellmemasq.png": [-100, -300]}
    for name, ys in scroll.items():
        for sy in ys:
            s, hud = framed(assets)
            s.viewport(20, 83, 308, 94)
            s.sprite(name, 0, sy)
            s.viewport()
            finish(s, hud, out, f"scroll_{name[:-4]}_{sy}.png")
        page = Image.open(os.path.join(assets, name)).convert("RGBA")
        full = Image.new("RGBA", page.size, (222, 240, 255, 255))
        full.alpha_composite(page)
        full.resize((page.width * 2, page.height * 2), Image.NEAREST).convert("RGB").save(
            os.path.join(out, f"page_{name}"))

    for name in ("timeattack.png", "lostfound.png", "labyrinth.png", "daboom.png", "gameover.png"):
        s, hud = framed(assets, countdown=999, score=2500, energy=150)
        s.sprite(name, 10, 85)
        finish(s, hud, out, "card_" + name)

    # Time attack: every kind of face, the strike boxes, a star burst.
    s, hud = framed(assets, countdown=123, score=475, energy=240)
    kinds = ["smilie.png", "smilie2.png", "smilie3.png", None]
    for i, (x, y) in enumerate(holes()):
        k = kinds[(i * 7) % 4]
        if k:
            s.sprite(k, x, y)
        s.box(x, x + 17, y, y + 17)
    for j in range(8):
        s.sprite("star.png", 100 + j * 9, 160 - (j % 3) * 7)
    finish(s, hud, out, "stage_time_attack.png", (110, 130))

    s, hud = framed(assets, countdown=12, score=800, energy=200)
    faces6 = ["smilie.png", "smilie2.png", "smilie3.png", "smilie4.png", "smilie5.png", "smilie6.png"]
    for i, (x, y) in enumerate(holes()):
        s.sprite("smilie7.png" if i == 17 else faces6[(i * 5 + i // 3) % 6], x, y)
    finish(s, hud, out, "stage_lost_and_found.png", (250, 100))

    s, hud = framed(assets, countdown=900, score=1200, energy=120)
    for i, (x, y) in enumerate(holes()):
        s.sprite("smilie.png" if i % 3 == 1 else "smilie8.png", x, y)
        if i >= 4:
            s.sprite("block.png", x - 7, y - 7)
    finish(s, hud, out, "stage_masked.png", (40, 100))

    walker = Image.open(os.path.join(assets, "minismilie.png")).convert("RGBA")
    for name in ("labyrinth1.png", "labyrinth2.png", "labyrinth3.png"):
        s, hud = framed(assets, countdown=250, score=1500, energy=260)
        maze = Image.open(os.path.join(assets, name)).convert("RGBA")
        s.sprite(maze, 10, 85)
        s.text("font2.png", "Exit", 260, 147)
        s.sprite(walker, 10, 100)
        s.box(270, 320, 145, 240)  # the walker's top-left must get inside this
        s.box(9, 61, 99, 101, BLUE)  # the start run
        d = ImageDraw.Draw(s.img)
        route = mazes.route_positions(maze, walker)
        for x, y in route[::3]:
            d.point((x + 10 + 5, y + 85 + 5), fill=(255, 0, 255, 255))
        finish(s, hud, out, "stage_" + name, (200, 60))

    for x in (330, 0, -300, -600):
        s, hud = framed(assets, countdown=0, score=2500, energy=300)
        s.viewport(7, 83, 308, 94)
        s.sprite("newhighscore.png", x, 0)
        s.viewport()
        finish(s, hud, out, f"new_high_score_{x}.png")

    # The fonts at their uses, plus every glyph of each.
    s = Screen(assets)
    s.sprite("screen.png", 0, 0)
    s.text("font.png", "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ", 8, 86)
    s.text("font.png", "abcdefghijklmnopqrstuvwxyz !?.:-+", 8, 104)
    s.text("font2.png", "Exit 0123456789 ABCDEFGHIJKLMNOPQRSTUVW", 8, 124)
    s.text("font3.png", "V3.2 The quick brown fox jumps over the lazy dog 0123456789", 8, 144)
    s.text("font2.png", "X", 60 - 4, 165 - 4)
    s.box(59, 61, 164, 166)  # the mouse position the "X" must centre on
    s.text("font2.png", "x", 100, 160)
    s.box(109, 111, 169, 171)  # the cursor's hot spot for the holes
    s.hud(999, 999999, 90)
    s.save(os.path.join(out, "fonts.png"))
    small = Image.open(os.path.join(assets, "smalfont.bmp")).convert("RGB")
    small.resize((small.width * 4, small.height * 4), Image.NEAREST).save(os.path.join(out, "font_smalfont.png"))


def main(argv):
    if not argv:
        raise SystemExit(__doc__)
    make_all(argv[0], argv[1] if len(argv) > 1 else os.path.join(REPO, "assets"))
    print(f"proof sheets written to {argv[0]}")


if __name__ == "__main__":
    main(sys.argv[1:])
