#!/usr/bin/python3
"""Writes every game asset into a directory (default: the repository's assets/).

    python3 tools/assetgen/generate.py [OUTDIR] [--no-audio] [--icons ICONDIR]

The desktop icons (the menu entry's icon in the sizes desktops ask for) go to
ICONDIR, by default packaging/icons when OUTDIR is not given.

The output is the same, byte for byte, on every run: all randomness is seeded and
no file carries a time stamp.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import common as c  # noqa: E402
import faces  # noqa: E402
import fonts  # noqa: E402
import mazes  # noqa: E402
import pages  # noqa: E402
import screens  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# The default high-score table, lowest first: (score, name).
HIGH_SCORES = [(500, "ZORBY"), (1000, "SUNNY"), (2000, "ACE")]


def high_score_file():
    """Three records: a little-endian 32-bit score, then the name and one LF."""
    out = b""
    for score, name in HIGH_SCORES:
        out += struct.pack("<I", score) + name.encode("ascii") + b"\n"
    return out


# Sizes of the desktop icons: the 16 x 16 pixel-art face enlarged by whole factors.
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def desktop_icons(out):
    """zorby-N.png for each size: one 16 x 16 face, every pixel made N/16 wide."""
    from PIL import Image

    c.ensure_dir(out)
    base = faces.vector_face(16, "good")
    for size in ICON_SIZES:
        c.save_png(base.resize((size, size), Image.NEAREST), os.path.join(out, f"zorby-{size}.png"))


def pictures():
    """Every picture by file name."""
    f = faces.face
    pics = {
        "screen.png": screens.frame(),
        "smilie.png": f("good"),
        "logo.png": screens.intro_title(),
        "gameover.png": screens.game_over(),
        "smilie2.png": f("bad"),
        "smilie3.png": f("bonus"),
        "credits.png": pages.credits()[0],
        "highscore.png": screens.highscore_title(),
        "buttons.png": screens.main_menu(),
        "smilie4.png": f("calm"),
        "smilie5.png": f("wow"),
        "smilie6.png": f("grin"),
        "smilie7.png": f("lost"),
        "combo.png": screens.intro_splash(),
        "keyboard.png": screens.keyboard(),
        "newhighscore.png": screens.new_high_score(),
        "smilie8.png": f("devil"),
        "block.png": faces.block(),
        "minismilie.png": faces.walker(),
        "star.png": faces.star(),
        "options.png": screens.options(),
        "pointer.png": faces.marker(),
        "tellmetime.png": pages.time_attack(),
        "tellmelost.png": pages.lost_and_found(),
        "tellmelaby.png": pages.labyrinth(),
        "tellmemasq.png": pages.masked_smileys(),
        "tellme.png": screens.help_index(),
        "device.png": screens.intro_device(),
        "icon.png": faces.icon(),
    }
    pics.update(screens.stage_cards())
    pics.update(screens.small_pictures())
    walker = pics["minismilie.png"]
    for name in ("labyrinth1.png", "labyrinth2.png", "labyrinth3.png"):
        maze = mazes.render(name, walker)
        steps = mazes.check(name, maze, walker)
        print(f"{name}: shortest route {steps} of {mazes.LAYOUTS[name]['budget']} steps")
        pics[name] = maze
    return pics


def main(argv):
    audio = "--no-audio" not in argv
    icons = None
    if "--icons" in argv:
        i = argv.index("--icons")
        icons = argv[i + 1]
        argv = argv[:i] + argv[i + 2 :]
    args = [a for a in argv if not a.startswith("--")]
    out = args[0] if args else os.path.join(REPO, "assets")
    if icons is None and not args:
        icons = os.path.join(REPO, "packaging", "icons")
    if icons is not None:
        desktop_icons(icons)
    c.ensure_dir(out)
    for name, img in pictures().items():
        c.save_png(img, os.path.join(out, name))
    c.save_png(fonts.font1(), os.path.join(out, "font.png"))
    c.save_png(fonts.font2(), os.path.join(out, "font2.png"))
    c.save_png(fonts.font3(), os.path.join(out, "font3.png"))
    fonts.save_bmp(fonts.smalfont(), os.path.join(out, "smalfont.bmp"))
    with open(os.path.join(out, "hc.txt"), "wb") as fh:
        fh.write(high_score_file())
    if audio:
        import music
        import sounds

        sounds.write_all(out)
        music.write(os.path.join(out, "music.mp3"))
    print(f"assets written to {out}")


if __name__ == "__main__":
    main(sys.argv[1:])
