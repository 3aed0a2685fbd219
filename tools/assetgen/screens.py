"""The screen pictures: the frame, the intro screens, menu pages and title cards.

Every hotspot the game tests is listed here next to the box drawn under it, in the
picture's own coordinates; proofs.py outlines the same rectangles on the composed
screens.
"""

import random

from PIL import ImageDraw

import common as c
import faces
import layout

# Frame buttons (screen coordinates; the hotspot is the open range, the drawn box
# sits one pixel inside it).
FRAME_BUTTONS = {"Menu": (5, 86, 188, 206), "Start": (5, 86, 213, 230), "Exit": (230, 307, 203, 227)}
MENU_ITEMS = {  # buttons.png, relative
    "How to play": (8, 125, 5, 29),
    "Options": (167, 251, 14, 33),
    "High scores": (18, 161, 53, 72),
    "Credits": (193, 271, 51, 73),
}
HELP_ITEMS = {  # tellme.png, relative
    "Time attack": (25, 133, 40, 54),
    "Lost and found": (25, 143, 65, 78),
    "Labyrinth": (164, 254, 40, 55),
    "Masked smileys": (164, 271, 65, 81),
}
OPTION_BOXES = {  # options.png, relative
    "1": (219, 232, 60, 73),
    "2": (243, 255, 60, 73),
    "3": (269, 281, 60, 73),
    "on": (0, 18, 58, 72),
    "off": (29, 51, 58, 72),
}
KEY_COLUMNS = [(0, 33), (39, 71), (77, 111), (115, 149), (153, 186), (191, 225), (230, 264), (269, 302)]
KEY_ROWS = [(17, 30), (36, 48), (53, 66)]
LAST_ROW = {"Y": (58, 92), "Z": (97, 130), "DEL": (135, 168), "ENTER": (173, 244)}
LAST_ROW_Y = (71, 83)


def keyboard_keys():
    """Every key of the name entry: label -> (x1, x2, y1, y2) relative hotspot."""
    keys = {}
    letters = "ABCDEFGHIJKLMNOPQRSTUVWX"
    for r, (y1, y2) in enumerate(KEY_ROWS):
        for k, (x1, x2) in enumerate(KEY_COLUMNS):
            keys[letters[r * 8 + k]] = (x1, x2, y1, y2)
    for label, (x1, x2) in LAST_ROW.items():
        keys[label] = (x1, x2) + LAST_ROW_Y
    return keys


def inside(hot):
    """The drawn box for a hotspot (x1, x2, y1, y2): one pixel inside the open range."""
    x1, x2, y1, y2 = hot
    return (x1 + 1, y1 + 1, x2 - 1, y2 - 1)


def starfield(img, box, seed, n=60):
    rng = random.Random(seed)
    px = img.load()
    x0, y0, x1, y1 = box
    for _ in range(n):
        x, y = rng.randrange(x0, x1), rng.randrange(y0, y1)
        col = rng.choice([(255, 255, 255, 255), (150, 220, 255, 255), (255, 230, 120, 255)])
        px[x, y] = col
        if rng.random() < 0.2 and x + 1 < x1 and y + 1 < y1:
            px[x + 1, y] = px[x - 1, y] = px[x, y + 1] = px[x, y - 1] = (col[0] // 2, col[1] // 2, col[2] // 2 + 60, 255)


def big_title(img, cx, y, text, scale=4, grad=layout.HEAD_GRAD):
    return c.draw_text(img, cx, y, text, scale, outline=c.INK, outline_r=2, gradient=grad, align="center", compact=True, shadow=(10, 8, 30, 255), shadow_off=(2, 3))


def frame():
    img = c.vgradient(320, 240, (58, 48, 132, 255), (28, 22, 70, 255))
    starfield(img, (0, 0, 320, 58), 7, 50)
    d = ImageDraw.Draw(img)
    big_title(img, 160, 12, "ZORBY")
    c.draw_text(img, 160, 48, "strike the smileys!", 1, (180, 230, 255, 255), c.INK, align="center")
    img.alpha_composite(faces.vector_face(44, "good"), (36, 10))
    img.alpha_composite(faces.vector_face(44, "bonus"), (240, 10))
    # The version label is printed at (6, 60) in font 3: keep a calm strip there.
    d.rounded_rectangle((3, 57, 44, 72), radius=3, fill=(24, 20, 60, 255), outline=(90, 80, 170, 255))
    # Content window: the floor of every page and stage lies in x 6..314, y 83..177.
    d.rounded_rectangle((2, 79, 317, 181), radius=4, fill=c.INK)
    d.rectangle((4, 81, 315, 179), fill=c.CYAN)
    d.rectangle((5, 82, 314, 178), fill=c.INK)
    d.rectangle((6, 83, 314, 177), fill=c.FLOOR)
    # Energy bar trough: the game draws the bar on lines 182..185 from x 5 on.
    d.rectangle((3, 181, 302, 186), fill=c.INK)
    d.rectangle((5, 182, 300, 185), fill=(70, 20, 40, 255))
    heart = [".rr.rr.", "rrrrrrr", "rrrrrrr", ".rrrrr.", "..rrr..", "...r..."]
    c.overlay_ascii(img, heart, {"r": c.PINK}, 306, 181)
    # Countdown (printed at (270, 187), 3 digits) and score (at (130, 218), 6 digits).
    c.draw_text(img, 263, 192, "TIME", 1, c.YELLOW, c.INK, align="right")
    d.rounded_rectangle((267, 187, 309, 203), radius=2, fill=(20, 16, 50, 255), outline=(90, 80, 170, 255))
    c.draw_text(img, 124, 222, "SCORE", 1, c.YELLOW, c.INK, align="right")
    d.rounded_rectangle((127, 216, 205, 235), radius=2, fill=(20, 16, 50, 255), outline=(90, 80, 170, 255))
    for name, scheme in (("Menu", c.BTN_PINK), ("Start", c.BTN_GREEN), ("Exit", c.BTN_ORANGE)):
        c.button(img, inside(FRAME_BUTTONS[name]), name.upper(), scheme, 2 if name == "Exit" else 1)
    c.draw_text(img, 160, 190, "PgUp/PgDn: music", 1, (150, 140, 220, 255), None, align="center")
    return img.convert("RGB")


def main_menu():
    img = c.new(300, 88)
    schemes = [c.BTN_PINK, c.BTN_CYAN, c.BTN_YELLOW, c.BTN_PURPLE]
    for (label, hot), scheme in zip(MENU_ITEMS.items(), schemes):
        c.button(img, inside(hot), label, scheme, 2, radius=5)
    img.alpha_composite(faces.face("good"), (140, 8))
    img.alpha_composite(faces.face("bonus"), (272, 10))
    img.alpha_composite(faces.face("calm"), (168, 54))
    c.draw_text(img, 150, 78, "Press Start to play!", 1, c.INK, None, align="center")
    return img


def help_index():
    img = c.new(300, 90)
    layout.heading(img, 150, 4, "How to play")
    c.draw_text(img, 150, 26, "Pick a stage:", 1, c.INK, None, align="center")
    schemes = [c.BTN_PINK, c.BTN_CYAN, c.BTN_ORANGE, c.BTN_PURPLE]
    for (label, hot), scheme in zip(HELP_ITEMS.items(), schemes):
        c.button(img, inside(hot), label, scheme, 1, radius=3)
    return img


def options():
    img = c.new(300, 94)
    layout.heading(img, 150, 2, "Options")
    c.draw_text(img, 0, 44, "Sound", 1, c.INK, None)
    c.draw_text(img, 284, 44, "Difficulty", 1, c.INK, None, align="right")
    for label, hot in OPTION_BOXES.items():
        box = inside(hot)
        c.panel(img, box, c.WHITE, c.INK, 2, None, (190, 200, 220, 255))
        cx = (box[0] + box[2] + 1) // 2
        c.draw_text(img, cx, box[3] + 4, label, 1, c.INK, None, align="center")
    c.draw_text(img, 150, 36, "Music volume:", 1, c.INK, None, align="center")
    c.draw_text(img, 150, 47, "Page Up / Page Down", 1, (180, 40, 110, 255), None, align="center")
    c.draw_text(img, 150, 62, "Escape quits", 1, c.INK, None, align="center")
    c.draw_text(img, 150, 73, "the game", 1, c.INK, None, align="center")
    return img


def keyboard():
    img = c.new(308, 93)
    d = ImageDraw.Draw(img)
    # The typed name is printed at (5, 0) in the 12 x 16 font: a dark field for it.
    d.rounded_rectangle((0, 0, 200, 15), radius=3, fill=(40, 36, 96, 255))
    c.draw_text(img, 306, 4, "Type your name", 1, c.INK, None, align="right")
    for label, hot in keyboard_keys().items():
        scheme = c.BTN_GREEN if label == "ENTER" else c.BTN_ORANGE if label == "DEL" else (
            c.WHITE, c.WHITE, (180, 190, 220, 255))
        c.button(img, inside(hot), label, scheme, 1, text_fill=c.WHITE if label in ("DEL", "ENTER") else c.INK, radius=3)
    return img


def highscore_title():
    img = c.new(240, 30)
    layout.heading(img, 120, 4, "High scores")
    for x in (20, 204):
        img.alpha_composite(faces.star(), (x, 8))
        img.alpha_composite(faces.star(), (x + 8, 14))
    return img


def card(title, lines, scheme, pictures=(), seed=1):
    """A stage title card or the game-over card: about 300 x 90, opaque."""
    img = c.new(300, 90)
    fill, light, dark = scheme
    c.panel(img, (0, 0, 299, 89), fill, c.INK, 8, light, dark, 2)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((6, 6, 293, 83), radius=6, fill=c.lerp(fill, (40, 36, 96, 255), 0.75))
    starfield(img, (8, 8, 292, 82), seed, 40)
    scale = 4 if c.text_size(title, 4, compact=True)[0] <= 270 else 2
    big_title(img, 150, 12 if scale == 4 else 16, title, scale)
    y = 50
    for line in lines:
        c.draw_text(img, 150, y, line, 1, c.WHITE, c.INK, align="center")
        y += 11
    for pic, (x, py) in pictures:
        img.alpha_composite(pic, (x, py))
    return img


def stage_cards():
    f = faces.face
    return {
        "timeattack.png": card("Time attack", ["Strike the friendly faces fast!", "Leave the angry ones alone."], c.BTN_PINK,
                               [(f("good"), (12, 62)), (f("bad"), (270, 62))], 1),
        "lostfound.png": card("Lost and found", ["One face is lost and sad.", "Find it and strike it!"], c.BTN_CYAN,
                              [(f("lost"), (12, 62)), (f("wow"), (270, 62))], 2),
        "labyrinth.png": card("Labyrinth", ["Lead the little face to the Exit.", "Do not touch the walls!"], c.BTN_GREEN,
                              [(faces.walker(), (16, 66)), (f("calm"), (270, 62))], 3),
        "daboom.png": card("Masked smileys", ["Remember the friendly faces,", "then find them under the blocks!"], c.BTN_PURPLE,
                           [(faces.block(), (10, 52)), (f("devil"), (270, 62))], 4),
    }


def game_over():
    f = faces.face
    return card("GAME OVER", ["Your energy ran out.", "Press Start to play again!"], c.BTN_ORANGE,
                [(f("lost"), (12, 62)), (f("bad"), (270, 62))], 5)


def new_high_score():
    img = c.new(900, 94)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 10, 899, 83), radius=12, fill=c.INK)
    d.rounded_rectangle((2, 12, 897, 81), radius=10, fill=(255, 90, 160, 255))
    d.rounded_rectangle((6, 16, 893, 77), radius=8, fill=(60, 40, 140, 255))
    starfield(img, (8, 18, 892, 76), 9, 160)
    big_title(img, 180, 24, "NEW HIGH SCORE!")
    c.draw_text(img, 480, 40, "Type your name next", 2, c.WHITE, c.INK, compact=True, align="center")
    big_title(img, 760, 24, "WELL DONE!")
    for x in range(20, 900, 150):
        img.alpha_composite(faces.vector_face(24, "bonus"), (x, 0))
        img.alpha_composite(faces.star(), (x + 70, 84))
    return img


def intro_device():
    img = c.vgradient(320, 240, (50, 44, 130, 255), (24, 20, 64, 255))
    starfield(img, (0, 0, 320, 240), 3, 90)
    layout.heading(img, 160, 10, "How do you play?")
    d = ImageDraw.Draw(img)
    # The left end of a US keyboard; A and Z choose the keyboard cursor, X and B the mouse.
    rows = ["QWERT", "ASDFG", "ZXCVB"]
    for r, keys in enumerate(rows):
        for k, ch in enumerate(keys):
            x, y = 104 + r * 8 + k * 22, 44 + r * 20
            if ch in "AZ":
                scheme = c.BTN_CYAN
            elif ch in "XB":
                scheme = c.BTN_PINK
            else:
                scheme = ((110, 104, 170, 255), (150, 144, 210, 255), (70, 64, 130, 255))
            c.button(img, (x, y, x + 19, y + 17), ch, scheme, 1)
    c.panel(img, (8, 112, 155, 226), (40, 36, 96, 255), c.PINK, 6)
    c.panel(img, (164, 112, 311, 226), (40, 36, 96, 255), c.CYAN, 6)
    c.draw_text(img, 81, 120, "Press X or B", 1, c.PINK, c.INK, align="center")
    c.draw_text(img, 81, 134, "MOUSE", 2, c.WHITE, c.INK, align="center", compact=True)
    layout.paragraph(img, 14, 156, 136, "Move the mouse and click to strike.", c.WHITE, c.INK, align="center")
    c.draw_text(img, 237, 120, "Press Z or A", 1, c.CYAN, c.INK, align="center")
    c.draw_text(img, 237, 134, "KEYBOARD", 2, c.WHITE, c.INK, align="center", compact=True)
    layout.paragraph(img, 170, 156, 136, "Arrow keys move the cursor, Z or Space strikes.", c.WHITE, c.INK, align="center")
    img.alpha_composite(faces.face("good"), (72, 200))
    img.alpha_composite(faces.face("good"), (228, 200))
    return img.convert("RGB")


def intro_splash():
    img = c.vgradient(320, 240, (255, 214, 90, 255), (255, 120, 150, 255))
    d = ImageDraw.Draw(img)
    for i in range(12):
        d.ellipse((i * 30 - 10, 190 + (i % 2) * 10, i * 30 + 30, 260), fill=(255, 255, 255, 60 + (i % 3) * 20))
    c.draw_text(img, 160, 40, "the zorby project", 2, c.WHITE, c.INK, align="center")
    c.draw_text(img, 160, 66, "presents", 1, c.INK, None, align="center")
    kinds = ["good", "calm", "wow", "bonus", "grin", "good"]
    for i, k in enumerate(kinds):
        img.alpha_composite(faces.vector_face(40, k), (22 + i * 47, 100 + (i % 2) * 16))
    c.draw_text(img, 160, 176, "a game of quick hands and sharp eyes", 1, c.INK, None, align="center")
    return img.convert("RGB")


def intro_title():
    img = c.vgradient(320, 240, (60, 50, 150, 255), (20, 16, 56, 255))
    starfield(img, (0, 0, 320, 240), 5, 120)
    img.alpha_composite(faces.vector_face(96, "good"), (112, 20))
    big_title(img, 160, 128, "ZORBY")
    c.draw_text(img, 160, 168, "Strike the smileys!", 2, c.WHITE, c.INK, align="center")
    for i, k in enumerate(["bad", "bonus", "calm", "wow", "grin", "devil"]):
        img.alpha_composite(faces.face(k), (58 + i * 36, 204))
    return img.convert("RGB")


def small_pictures():
    text = c.new(64, 16)
    c.draw_text(text, 32, 4, "zorby", 1, c.WHITE, c.INK, align="center")
    howto = c.new(80, 16)
    c.draw_text(howto, 40, 4, "How to play", 1, c.WHITE, c.INK, align="center")
    dummy = c.new(8, 8)
    ImageDraw.Draw(dummy).ellipse((1, 1, 6, 6), fill=c.YELLOW, outline=c.INK)
    return {"text.png": text, "howtoplay.png": howto, "dummy.png": dummy}
