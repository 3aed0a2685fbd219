#!/usr/bin/env python3
"""Makes the examples' pictures and sounds: PNG pictures and 16-bit PCM WAV sounds,
drawn and synthesised here from numbers, with Python's standard library only.

    python3 examples/assets/make_assets.py            rewrite every picture and sound
    python3 examples/assets/make_assets.py --clip ZORBY
                                                      also export the player's video clip
                                                      with the game at ZORBY (a built zorby)

The pictures and sounds come out the same on every run (no randomness, no dates in the
files), so a rerun after a change shows only what changed. Each example reads its files
from its own assets/ folder; README.md beside this script lists every file.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.dirname(HERE)
RATE = 22050  # sample rate of the effects
MUSIC_RATE = 11025  # the music loop is longer, so a lower rate keeps it small


# --- pictures -----------------------------------------------------------------------

def write_png(path, width, height, pixel):
    """Writes an 8-bit RGBA PNG; pixel(x, y) gives (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # no filter: the pictures are flat enough for zlib alone
        for x in range(width):
            raw.extend(bytes(max(0, min(255, int(round(c)))) for c in pixel(x, y)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def ball(x, y, size=16, colour=(255, 190, 40)):
    """A shaded disc lit from the top left, with a soft edge."""
    r = size / 2
    dx, dy = x + 0.5 - r, y + 0.5 - r
    d = math.hypot(dx, dy)
    if d > r:
        return (0, 0, 0, 0)
    light = max(0.0, 1.0 - math.hypot(dx + r * 0.35, dy + r * 0.35) / (r * 1.4))
    shade = 0.55 + 0.45 * light
    edge = min(1.0, r - d + 0.5)
    return (min(255, colour[0] * shade + 90 * light ** 3),
            min(255, colour[1] * shade + 90 * light ** 3),
            min(255, colour[2] * shade + 90 * light ** 3), 255 * edge)


def sky_with_grid(x, y, top, bottom, grid):
    """A vertical gradient with faint grid lines every 40 pixels."""
    t = y / 239
    c = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
    if x % 40 == 0 or y % 40 == 0:
        c = [c[i] + grid for i in range(3)]
    return (c[0], c[1], c[2], 255)


def paddle(x, y, w=40, h=8):
    """A rounded bar, lighter along its top edge."""
    corner = 3
    cx = min(x, w - 1 - x)
    cy = min(y, h - 1 - y)
    if cx < corner and cy < corner and math.hypot(corner - cx - 0.5, corner - cy - 0.5) > corner:
        return (0, 0, 0, 0)
    light = 1.0 if y <= 1 else 0.75 - 0.05 * y
    return (80 * light, 200 * light, 255 * light, 255)


def drop(x, y):
    """A falling star: five points, yellow with an orange rim."""
    cx, cy = 5.5, 5.5
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
    angle = math.atan2(dy, dx)
    radius = 3.0 + 2.4 * max(0.0, math.cos(2.5 * (angle + math.pi / 2))) ** 2
    d = math.hypot(dx, dy)
    if d > radius:
        return (0, 0, 0, 0)
    rim = d > radius - 1.2
    return (255, 150, 30, 255) if rim else (255, 235, 90, 255)


# --- sounds -------------------------------------------------------------------------

def write_wav(path, samples, rate):
    """Writes mono 16-bit PCM; samples are floats in -1..1."""
    frames = b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32000)) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)


def tone(seconds, freq_at, volume_at, rate=RATE, shape=math.sin):
    """A tone whose frequency and volume follow functions of the time in seconds."""
    out, phase = [], 0.0
    for i in range(int(seconds * rate)):
        t = i / rate
        phase += 2 * math.pi * freq_at(t) / rate
        out.append(volume_at(t) * shape(phase))
    return out


def square(phase):
    return 0.6 if math.sin(phase) >= 0 else -0.6


def wall_hit():
    """A short falling 'boing' for the bouncing ball."""
    return tone(0.14, lambda t: 520 - 1800 * t, lambda t: 0.8 * math.exp(-t * 30))


def catch_blip():
    """A rising two-step blip for a caught star."""
    return tone(0.12, lambda t: 880 if t < 0.05 else 1320,
                lambda t: 0.5 * min(1.0, (0.12 - t) * 40), shape=square)


def miss_buzz():
    """A low falling buzz for a star that hits the ground."""
    return tone(0.3, lambda t: 180 - 200 * t, lambda t: 0.5 * min(1.0, (0.3 - t) * 10),
                shape=square)


def game_over_tune():
    """Three falling notes."""
    out = []
    for f in (523.25, 392.0, 261.63):
        out += tone(0.16, lambda t, f=f: f, lambda t: 0.45 * math.exp(-t * 8), shape=square)
    return out


def music_loop():
    """Four bars of a bass line and an arpeggio at 120 beats a minute: 8 seconds that
    repeat without a seam (every note ends inside its own beat)."""
    rate = MUSIC_RATE
    beat = 0.5
    bars = [(220.0, (440.0, 523.25, 659.26)), (174.61, (349.23, 440.0, 523.25)),
            (261.63, (523.25, 659.26, 783.99)), (196.0, (392.0, 493.88, 587.33))]
    total = int(len(bars) * 4 * beat * rate)
    out = [0.0] * total
    for b, (bass, chord) in enumerate(bars):
        for step in range(8):  # eighth notes of the arpeggio
            start = int((b * 4 * beat + step * beat / 2) * rate)
            f = chord[(0, 1, 2, 1)[step % 4]] * (2 if step >= 4 else 1)
            note = tone(beat / 2 * 0.9, lambda t, f=f: f, lambda t: 0.22 * math.exp(-t * 9),
                        rate=rate)
            for i, s in enumerate(note):
                out[start + i] += s
        for step in range(4):  # one bass note a beat
            start = int((b * 4 * beat + step * beat) * rate)
            note = tone(beat * 0.85, lambda t: bass / 2,
                        lambda t: 0.3 * min(1.0, t * 200) * math.exp(-t * 3), rate=rate,
                        shape=lambda p: 0.7 * math.sin(p) + 0.3 * math.sin(2 * p))
            for i, s in enumerate(note):
                out[start + i] += s
    return out, rate


# --- the video clip -----------------------------------------------------------------

def export_clip(zorby):
    """Exports a 3-second replay of the game's menu as the player's clip: 320 x 240,
    H.264 with AAC sound. The game writes the file through its own replay export."""
    script = os.path.join(HERE, "clip.script")
    out = os.path.join(EXAMPLES, "player", "assets", "clip.mp4")
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    with tempfile.TemporaryDirectory() as home:
        # A private home, so the export neither reads nor writes the player's settings.
        env.update(HOME=home, XDG_DATA_HOME=home, XDG_CONFIG_HOME=home)
        subprocess.run([os.path.abspath(zorby), "--replay", script, "--export", out,
                        "--scale", "1"], env=env, check=True)


def main():
    args = sys.argv[1:]
    clip_with = None
    if args[:1] == ["--clip"] and len(args) == 2:
        clip_with = args[1]
    elif args:
        sys.exit("usage: make_assets.py [--clip PATH_TO_ZORBY]")

    folders = {name: os.path.join(EXAMPLES, name, "assets")
               for name in ("bounce", "catch", "player")}
    for folder in folders.values():
        os.makedirs(folder, exist_ok=True)

    bounce = folders["bounce"]
    write_png(os.path.join(bounce, "ball.png"), 16, 16, ball)
    write_png(os.path.join(bounce, "background.png"), 320, 240,
              lambda x, y: sky_with_grid(x, y, (20, 30, 70), (60, 20, 60), 18))
    write_wav(os.path.join(bounce, "wall.wav"), wall_hit(), RATE)
    samples, rate = music_loop()
    write_wav(os.path.join(bounce, "music.wav"), samples, rate)

    catch = folders["catch"]
    write_png(os.path.join(catch, "paddle.png"), 40, 8, paddle)
    write_png(os.path.join(catch, "star.png"), 11, 11, drop)
    write_png(os.path.join(catch, "background.png"), 320, 240,
              lambda x, y: sky_with_grid(x, y, (10, 10, 40), (10, 50, 60), 10))
    write_wav(os.path.join(catch, "catch.wav"), catch_blip(), RATE)
    write_wav(os.path.join(catch, "miss.wav"), miss_buzz(), RATE)
    write_wav(os.path.join(catch, "over.wav"), game_over_tune(), RATE)

    if clip_with:
        export_clip(clip_with)


if __name__ == "__main__":
    main()
