"""The scrolling pages: the four stage explanations and the credits."""

import faces
import layout

WIDTH = 290  # the page viewport starts at screen x 20; keep clear of the frame's edge

CONTROLS = [
    ("h", "Controls"),
    ("p", "Mouse: move it and click to strike."),
    ("p", "Keyboard: the arrow keys move the cursor, Z or Space strikes."),
    ("p", "Page Up and Page Down: music volume."),
    ("p", "Escape: quit the game."),
]


def time_attack():
    return layout.page(WIDTH, 480, [
        ("h", "Time attack"),
        ("p", "Faces pop up in the thirty holes and stay for about four seconds."),
        ("f", "good", "Friendly yellow face: strike it! +25 points and +10 energy. While a friendly face is left standing, your energy drains."),
        ("f", "bad", "Angry red face: leave it alone! Striking it costs 25 energy."),
        ("f", "bonus", "Golden face with sunglasses: a rare bonus! +100 points and +25 energy."),
        ("p", "The stage ends when the countdown reaches 0. Later rounds of Time attack last longer, and a higher difficulty in the options makes the faces come faster."),
        ("h", "Energy"),
        ("p", "Mistakes and time-outs drain the energy bar, finished stages fill it up again. When it is empty, the game is over."),
    ] + CONTROLS)[0]


def lost_and_found():
    return layout.page(WIDTH, 430, [
        ("h", "Lost and found"),
        ("p", "Every hole holds a face. There are six kinds:"),
        ("row", ["good", "bad", "bonus", "calm", "wow", "grin"]),
        ("f", "lost", "One face is lost: it looks sad and sheds a tear. Find it and strike it before the countdown runs out. You have less than four seconds!"),
        ("p", "Found: +100 points and +25 energy."),
        ("p", "Too slow: 25 energy lost."),
        ("p", "The other faces do nothing when you strike them, so look closely before you strike."),
        ("p", "Either way the Labyrinth comes next."),
    ])[0]


def labyrinth():
    return layout.page(WIDTH, 360, [
        ("h", "Labyrinth"),
        ("f", faces.walker(), "Guide the little face from the left side of the maze to the Exit at the lower right."),
        ("p", "Strike to set a target: the face creeps toward the point you chose. Hold the button down and it follows the pointer."),
        ("p", "Do not touch the walls!"),
        ("p", "Exit reached: +250 points and +25 energy."),
        ("p", "Wall touched or time out: 25 energy lost."),
    ])[0]


def masked_smileys():
    return layout.page(WIDTH, 380, [
        ("h", "Masked smileys"),
        ("p", "Remember the board! The faces show for a moment, then a block drops over every hole."),
        ("f", "good", "Strike the blocks that hide friendly faces: +25 points and +10 energy each."),
        ("f", "devil", "A block that hides a purple devil costs 100 from the countdown."),
        ("p", "Find every friendly face: +50 energy. Time out: 25 energy lost."),
        ("p", "Then Time attack starts the round again."),
    ])[0]


def credits():
    blocks = [
        ("gap", 10),
        ("big", "ZORBY"),
        ("c", "Version 3.2"),
        ("row", ["good", "bonus", "calm", "wow", "grin"]),
        ("gap", 30),
        ("c", "A game by the zorby project"),
        ("gap", 40),
        ("h", "Game design"),
        ("c", "The zorby project team"),
        ("gap", 40),
        ("h", "Game and engine code"),
        ("c", "The zorby project team, in C++20 with SDL2, OpenGL, libpng, zlib and LZO"),
        ("gap", 40),
        ("h", "Pictures and fonts"),
        ("c", "Drawn pixel by pixel by the zorby asset generator"),
        ("gap", 40),
        ("h", "Sound effects"),
        ("c", "Synthesised by the zorby asset generator"),
        ("c", "The voice of Zorby: Zorby"),
        ("gap", 40),
        ("h", "Music"),
        ("c", "The zorby menu tune, composed note by note for this game"),
        ("gap", 40),
        ("h", "The stages"),
        ("c", "Time attack: strike the friendly faces, leave the angry ones."),
        ("c", "Lost and found: find the one sad face."),
        ("c", "Labyrinth: lead the little face to the Exit."),
        ("c", "Masked smileys: remember where the friendly faces hide."),
        ("c", "Four stages, over and over, until your energy runs out."),
        ("gap", 40),
    ] + CONTROLS + [
        ("gap", 40),
        ("h", "Tested by"),
        ("c", "Thousands of virtual frames on a deterministic clock"),
        ("gap", 40),
        ("h", "Special thanks"),
        ("c", "Everyone who ever struck a smiley"),
        ("gap", 150),
        ("row", ["good"]),
        ("c", "Thanks for playing!"),
        ("gap", 30),
    ]
    return layout.page(WIDTH, 1390, blocks, top=20)
