"""The 18 sound effects, synthesised: 16-bit mono PCM at 44100 Hz.

Every effect is normalised to the same loudness (RMS of its loudest 50 ms), kept
below full scale, and faded in and out over a few milliseconds so it never clicks.
The WAV files hold only a 16-byte fmt chunk and the data chunk right after it.
"""

import os
import struct

import numpy as np

RATE = 44100
TARGET_RMS = 0.2  # loudness of every effect (loudest 50 ms at about -14 dBFS)
PEAK = 0.89  # never louder than this (about -1 dBFS)


def t_axis(seconds):
    return np.arange(int(seconds * RATE)) / RATE


def tone(freq, seconds, shape="sine", phase=0.0):
    """An oscillator; freq may be a number or an array (a glide)."""
    n = int(seconds * RATE)
    f = np.broadcast_to(np.asarray(freq, dtype=np.float64), (n,))
    ph = phase + 2 * np.pi * np.cumsum(f) / RATE
    if shape == "sine":
        return np.sin(ph)
    if shape == "square":
        return np.tanh(4 * np.sin(ph))
    if shape == "saw":
        return 2 * ((ph / (2 * np.pi)) % 1.0) - 1
    if shape == "triangle":
        return 2 * np.abs(2 * ((ph / (2 * np.pi)) % 1.0) - 1) - 1
    raise ValueError(shape)


def env(n, attack=0.005, decay=None, release=0.02):
    """Attack, optional exponential decay (time constant in seconds), release."""
    e = np.ones(n)
    a = max(1, int(attack * RATE))
    e[:a] = np.linspace(0, 1, a)
    if decay:
        e *= np.exp(-np.arange(n) / (decay * RATE))
    r = max(1, int(release * RATE))
    e[-r:] *= np.linspace(1, 0, r)
    return e


def noise(seconds, seed):
    return np.random.default_rng(seed).uniform(-1, 1, int(seconds * RATE))


def lowpass(x, cutoff):
    """One-pole low-pass filter; cutoff in Hz (number or array)."""
    a = np.exp(-2 * np.pi * np.broadcast_to(np.asarray(cutoff, dtype=np.float64), x.shape) / RATE)
    y = np.empty_like(x)
    acc = 0.0
    for i in range(len(x)):
        acc = a[i] * acc + (1 - a[i]) * x[i]
        y[i] = acc
    return y


def highpass(x, cutoff):
    return x - lowpass(x, cutoff)


def mix(*parts):
    n = max(len(p) for p in parts)
    out = np.zeros(n)
    for p in parts:
        out[: len(p)] += p
    return out


def pad(x, seconds_before=0.0):
    return np.concatenate([np.zeros(int(seconds_before * RATE)), x])


def finish(x):
    """Normalises loudness, limits the peak and fades both ends."""
    x = x - np.mean(x)
    # Loudness is the RMS of the loudest 50 ms, so sparse sounds (ticks, claps)
    # come out as loud as sustained ones.
    win = int(0.05 * RATE)
    power = np.convolve(x**2, np.ones(win) / win, mode="same") if len(x) > win else np.array([np.mean(x**2)])
    x = x * (TARGET_RMS / np.sqrt(np.max(power)))
    peak = np.max(np.abs(x))
    if peak > PEAK:
        x = x * (PEAK / peak)
    fade = int(0.003 * RATE)
    x[:fade] *= np.linspace(0, 1, fade)
    x[-fade * 3 :] *= np.linspace(1, 0, fade * 3)
    return x


def note(freq, seconds, shape="sine", decay=None, attack=0.005, release=0.03, vibrato=0.0):
    f = freq
    if vibrato:
        f = freq * (1 + vibrato * np.sin(2 * np.pi * 6 * t_axis(seconds)))
    return tone(f, seconds, shape) * env(int(seconds * RATE), attack, decay, release)


def voice(syllables, seed):
    """Zorby's voice: a buzzy glottal source through two moving formants, with a
    'z' hiss in front. syllables: (seconds, pitch from, pitch to, vowel) items."""
    vowels = {"o": (500, 900), "ee": (350, 2300), "a": (800, 1300), "i": (400, 2000), "u": (350, 800)}
    out = []
    for k, (sec, p0, p1, v) in enumerate(syllables):
        n = int(sec * RATE)
        pitch = np.linspace(p0, p1, n) * (1 + 0.02 * np.sin(2 * np.pi * 7 * t_axis(sec)))
        src = tone(pitch, sec, "saw") * 0.6 + tone(pitch * 2, sec, "sine") * 0.2
        f1, f2 = vowels[v]
        band1 = lowpass(src, f1 * 1.2) - lowpass(src, f1 * 0.5)
        band2 = lowpass(src, f2 * 1.2) - lowpass(src, f2 * 0.6)
        s = (band1 * 1.4 + band2 * 0.9) * env(n, 0.015, None, 0.04)
        out.append(s)
    body = np.concatenate(out)
    hiss = highpass(noise(0.07, seed), 3500) * env(int(0.07 * RATE), 0.01, None, 0.03) * 0.5
    buzz = tone(180, 0.07, "saw") * 0.15 * env(int(0.07 * RATE), 0.01, None, 0.03)
    return mix(hiss + buzz, pad(body, 0.05))


def effects():
    """Every effect by file name."""
    fx = {}
    fx["keyclick.wav"] = highpass(noise(0.025, 1), 2000) * env(int(0.025 * RATE), 0.0005, 0.004, 0.005)
    f = 220 * (1 + 0.6 * np.exp(-t_axis(0.4) * 8) * np.cos(2 * np.pi * 14 * t_axis(0.4)))
    fx["boing.wav"] = tone(f, 0.4, "triangle") * env(int(0.4 * RATE), 0.002, 0.14, 0.05)
    fx["chime.wav"] = mix(
        note(1318.5, 0.9, decay=0.3) + 0.3 * note(1318.5 * 2.76, 0.9, decay=0.1),
        pad(note(1975.5, 0.75, decay=0.3) + 0.3 * note(1975.5 * 2.76, 0.75, decay=0.1), 0.12),
    )
    fx["zorby.wav"] = voice([(0.12, 330, 300, "o"), (0.2, 380, 480, "ee")], 11)
    fx["zorby2.wav"] = voice([(0.1, 400, 420, "o"), (0.22, 420, 620, "ee")], 12)
    fx["zorby3.wav"] = voice([(0.14, 300, 260, "u"), (0.18, 300, 360, "i")], 13)
    fx["zorby4.wav"] = voice([(0.1, 450, 450, "a"), (0.1, 500, 500, "ee"), (0.16, 600, 400, "o")], 14)
    fx["zorby5.wav"] = voice([(0.2, 260, 220, "o"), (0.25, 240, 200, "u")], 15)
    fx["zorby6.wav"] = voice([(0.08, 500, 520, "i"), (0.08, 560, 580, "i"), (0.18, 620, 800, "ee")], 16)
    fb = np.linspace(160, 70, int(0.8 * RATE))
    fx["buzz.wav"] = lowpass(tone(fb, 0.8, "square") + 0.5 * tone(fb * 1.01, 0.8, "saw"), 1800) * env(int(0.8 * RATE), 0.005, None, 0.15)
    pulse = lowpass(tone(110, 0.14, "square") + 0.4 * tone(112, 0.14, "saw"), 1500) * env(int(0.14 * RATE), 0.003, None, 0.03)
    fx["buzz2.wav"] = mix(pulse, pad(pulse, 0.17))
    chord = [523.25, 659.25, 783.99, 1046.5]
    halle = sum(note(fr, 1.3, "triangle", attack=0.12, release=0.4, vibrato=0.006) for fr in chord)
    sparkle = mix(*[pad(note(2093 * r, 0.25, decay=0.07), 0.1 + 0.13 * i) for i, r in enumerate([1, 1.25, 1.5, 2])])
    fx["halle.wav"] = mix(halle, 0.5 * sparkle)
    fx["applaus.wav"] = applause(2.0, 21)
    ticks = [highpass(noise(0.03, 30 + i), 1500) * env(int(0.03 * RATE), 0.0005, 0.006, 0.005) + 0.5 * note(2400 if i % 2 == 0 else 1800, 0.03, decay=0.008) for i in range(4)]
    fx["clock.wav"] = mix(*[pad(tk, 0.25 * i) for i, tk in enumerate(ticks)], np.zeros(int(1.0 * RATE)))
    brass = lambda fr, sec: lowpass(tone(fr, sec, "saw") + 0.3 * tone(fr * 2, sec, "square"), np.linspace(600, 3500, int(sec * RATE))) * env(int(sec * RATE), 0.02, None, 0.06)
    fx["fanfare.wav"] = mix(pad(brass(392, 0.14), 0), pad(brass(523.25, 0.14), 0.16), pad(brass(659.25, 0.14), 0.32), pad(brass(783.99, 0.7), 0.48) * 1.1)
    arp = mix(*[pad(note(fr, 0.35, "square", decay=0.15) * 0.5, 0.08 * i) for i, fr in enumerate([523.25, 659.25, 783.99, 1046.5, 1318.5])])
    fx["cheer.wav"] = mix(arp, 0.6 * applause(1.2, 40))
    fx["beep.wav"] = note(880, 0.15, "square", attack=0.003, release=0.02) * 0.7
    fbl = 900 * np.exp(-t_axis(0.16) * 12) + 180
    fx["bloop.wav"] = tone(fbl, 0.16, "sine") * env(int(0.16 * RATE), 0.002, 0.06, 0.03)
    return {name: finish(x) for name, x in fx.items()}


def applause(seconds, seed):
    rng = np.random.default_rng(seed)
    out = np.zeros(int(seconds * RATE))
    clap = int(0.012 * RATE)
    for _ in range(int(seconds * 40)):
        start = rng.integers(0, len(out) - clap)
        burst = rng.uniform(-1, 1, clap) * np.exp(-np.arange(clap) / (0.003 * RATE)) * rng.uniform(0.3, 1.0)
        out[start : start + clap] += burst
    out = highpass(out, 600)
    e = np.minimum(1, np.linspace(0, 4, len(out))) * np.minimum(1, np.linspace(3, 0, len(out)))
    return out * e


def wav_bytes(x):
    """A RIFF WAVE file: 16-byte PCM fmt chunk, then the data chunk."""
    pcm = np.clip(np.round(x * 32767), -32768, 32767).astype("<i2").tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(pcm)) + b"WAVE" + b"fmt "
            + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm)


def write_all(out):
    for name, x in effects().items():
        with open(os.path.join(out, name), "wb") as fh:
            fh.write(wav_bytes(x))
