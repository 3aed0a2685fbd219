"""The menu tune: 20 bars at 120 beats a minute (40 s) in C major, rendered in
stereo and encoded to MP3 with lame.

The piece is a loop: its last bar ends on the dominant with every note released
before the end, and the first and last milliseconds fade to silence, so the join
never clicks even when the player leaves a short gap between the end and the
restart.
"""

import os
import subprocess

import numpy as np

import sounds

RATE = 44100
BPM = 120
EIGHTH = 60.0 / BPM / 2
BARS = 20
LENGTH = int(round(BARS * 8 * EIGHTH * RATE))

CHORDS = {"C": (60, 64, 67), "Am": (57, 60, 64), "F": (53, 57, 60), "G": (55, 59, 62), "Em": (52, 55, 59)}
BASS = {"C": 36, "Am": 45, "F": 41, "G": 43, "Em": 40}
PROGRESSION = ["C", "Am", "F", "G", "C", "Am", "F", "G",
               "F", "G", "Em", "Am", "F", "G", "C", "G",
               "C", "Am", "F", "G"]
# The melody, bar by bar: (MIDI note or None for a rest, length in eighths).
MELODY = [
    [(76, 2), (79, 2), (84, 2), (79, 1), (76, 1)],
    [(81, 3), (79, 1), (76, 2), (72, 2)],
    [(77, 2), (81, 2), (84, 2), (81, 2)],
    [(79, 3), (77, 1), (76, 1), (74, 1), (71, 2)],
    [(76, 2), (79, 2), (84, 2), (86, 1), (84, 1)],
    [(81, 2), (84, 2), (88, 3), (86, 1)],
    [(84, 2), (81, 2), (77, 2), (81, 2)],
    [(79, 4), (None, 2), (74, 1), (76, 1)],
    [(77, 1), (77, 1), (81, 2), (77, 1), (81, 1), (84, 2)],
    [(83, 2), (79, 2), (74, 2), (79, 2)],
    [(76, 1), (79, 1), (83, 2), (79, 1), (83, 1), (88, 2)],
    [(84, 3), (83, 1), (81, 4)],
    [(81, 1), (84, 1), (89, 2), (88, 2), (84, 2)],
    [(86, 2), (83, 2), (79, 2), (83, 2)],
    [(84, 2), (79, 2), (76, 2), (79, 2)],
    [(74, 2), (79, 2), (83, 2), (86, 2)],
    [(76, 2), (79, 2), (84, 2), (79, 1), (76, 1)],
    [(81, 3), (79, 1), (76, 2), (72, 2)],
    [(77, 2), (81, 2), (84, 2), (86, 2)],
    [(83, 2), (79, 2), (74, 2), (None, 2)],
]


def hz(midi):
    return 440.0 * 2 ** ((midi - 69) / 12)


def place(track, start, sound):
    end = min(len(track), start + len(sound))
    track[start:end] += sound[: end - start]


def voice_note(midi, eighths, shape, gate=0.85, decay=None, vibrato=0.0):
    sec = eighths * EIGHTH * gate
    return sounds.note(hz(midi), sec, shape, decay=decay, attack=0.006, release=0.04, vibrato=vibrato)


def drums():
    kick_t = sounds.t_axis(0.16)
    kick = sounds.tone(45 + 70 * np.exp(-kick_t * 30), 0.16) * sounds.env(len(kick_t), 0.002, 0.05, 0.02)
    snare = (sounds.highpass(sounds.noise(0.14, 3), 1200) * 0.7 + sounds.tone(190, 0.14) * 0.3) * sounds.env(
        int(0.14 * RATE), 0.001, 0.045, 0.02)
    hat = sounds.highpass(sounds.noise(0.04, 4), 6000) * sounds.env(int(0.04 * RATE), 0.001, 0.01, 0.01)
    track = np.zeros(LENGTH)
    for bar in range(BARS):
        for e in range(8):
            start = int(round((bar * 8 + e) * EIGHTH * RATE))
            last = bar == BARS - 1 and e == 7
            if last:
                continue  # the loop's final eighth stays clear of new hits
            if e in (0, 4) or (e == 7 and bar % 4 == 3):
                place(track, start, kick * 0.9)
            if e in (2, 6):
                place(track, start, snare * 0.5)
            place(track, start, hat * (0.25 if e % 2 else 0.15))
    return track


def render():
    lead = np.zeros(LENGTH)
    arp = np.zeros(LENGTH)
    bass = np.zeros(LENGTH)
    for bar, chord in enumerate(PROGRESSION):
        bar_start = bar * 8
        pos = bar_start
        for midi, length in MELODY[bar]:
            if midi is not None:
                place(lead, int(round(pos * EIGHTH * RATE)), voice_note(midi, length, "square", 0.9, vibrato=0.004))
            pos += length
        tones = CHORDS[chord]
        for e in range(8):
            start = int(round((bar_start + e) * EIGHTH * RATE))
            place(arp, start, voice_note(tones[e % 3] + 12, 1, "triangle", 0.8, decay=0.12))
        root = BASS[chord]
        for e, step in enumerate([0, None, 12, 0, None, 0, 12, 0]):
            if step is None:
                continue
            start = int(round((bar_start + e) * EIGHTH * RATE))
            place(bass, start, voice_note(root + step, 1, "triangle", 0.9))
    lead = sounds.lowpass(lead, 3000)
    beat = drums()
    left = 0.22 * lead + 0.32 * arp + 0.5 * bass + 0.45 * beat
    right = 0.3 * lead + 0.22 * arp + 0.5 * bass + 0.45 * beat
    stereo = np.stack([left, right], axis=1)
    stereo *= 0.8 / np.max(np.abs(stereo))
    fade_in, fade_out = int(0.004 * RATE), int(0.02 * RATE)
    stereo[:fade_in] *= np.linspace(0, 1, fade_in)[:, None]
    stereo[-fade_out:] *= np.linspace(1, 0, fade_out)[:, None]
    return stereo


def write(path):
    pcm = np.clip(np.round(render() * 32767), -32768, 32767).astype("<i2").tobytes()
    # CBR without ReplayGain analysis or tags other than lame's own gapless header,
    # so the file is the same on every run.
    cmd = ["lame", "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian",
           "-m", "j", "-b", "128", "--cbr", "--noreplaygain", "-q", "2", "-", path]
    done = subprocess.run(cmd, input=pcm, stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise SystemExit("lame failed: " + done.stderr.decode(errors="replace"))
    if os.path.getsize(path) < 100000:
        raise SystemExit("music.mp3 came out too small")
