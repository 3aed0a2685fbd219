#!/usr/bin/env python3
"""The golden recordings (tests/golden/*.script) give the Linux traces in headless
Chromium, frame by frame.

The golden trace program (tests/golden/golden_trace.cpp, built for the page in
build-web/trace/) replays each recording in the browser and prints its trace: every
line must equal the committed Linux trace (*.trace) - each frame's screen, page,
energy, score, countdown, stage and sounds, the frame count, the exit status and the
high-score file - and so must every frame hash, except where WebGL's rasterizer blends
a pixel differently from Mesa's. For such a frame the browser's pixels are compared with
the Linux build's (the same program, ZORBY_LINUX_GOLDEN_TRACE, whose frame must have the
committed hash): the test reports how many pixels differ and by how much, and holds
them to BOUND.

The bound: the only differences seen are in pixels of translucent drawings (the star
particles), where the blend of an 8-bit colour with its background falls between two
levels and the two rasterizers round it differently: one level in a channel, no more,
at most one per cent of the frame (measured: frame 2700 of cursor_game, 398 pixels or
0.52 %, each by one level). A wrong texture, a shifted sprite or a missing drawing
differs by far more in value, and any difference of the game's state fails the line.

Then the game's own page plays one recording (index.html?replay=URL, as
scripts/zorby.sh web-replay does) and ends with the `replay result` line of the Linux
trace's frame count and score.

Usage: golden_test.py BUILD_WEB_DIR
"""
import base64
import glob
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import web_page  # noqa: E402

MAX_LEVELS = 1
MAX_SHARE = 0.01
HASH = re.compile(r"^(\d+: .*?)hash ([0-9a-f]+)(.*)$")


def fnv1a(data):
    h = 14695981039346656037
    for b in data:
        h = ((h ^ b) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return h


def trace_lines(output):
    """The trace among a program's output lines (the engine prints a line first)."""
    starts = [i for i, l in enumerate(output) if l.startswith("# frame:")]
    return output[starts[0]:] if starts else []


def browser_trace(build_dir, script):
    """Runs the trace program on the page: (its trace lines, {frame: RGBA bytes} getter)."""
    site = web_page.Server(build_dir, extra={"recording.script": os.path.abspath(script)})
    browser = web_page.Browser()
    page = browser.open_page(site.url("trace/index.html?script=/recording.script"))
    page.wait_for("typeof window.traceStatus === 'number' || !!window.traceError",
                  timeout=600, step=0.5)
    error = page.eval("window.traceError")
    status = page.eval("window.traceStatus")
    lines = page.eval("window.traceLines") or []

    def frame(n):
        return base64.b64decode(page.eval("window.traceFrame(%d)" % n))

    def close():
        browser.close()
        site.close()
    return error or (status != 0 and "exit status %s" % status), trace_lines(lines), frame, close


def linux_frames(script, folder):
    """Runs the Linux build's trace program, its hashed frames into folder."""
    program = os.environ.get("ZORBY_LINUX_GOLDEN_TRACE", "")
    if not os.access(program, os.X_OK):
        return "no Linux golden_trace program at %r (cmake --build build --target golden_trace)" \
            % program
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    r = subprocess.run([program, script, os.path.join(ROOT, "assets"), folder], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return None if r.returncode == 0 else "the Linux golden_trace ended with %d" % r.returncode


def pixel_difference(a, b):
    """(pixels that differ, the largest difference of a channel in levels)."""
    count = largest = 0
    for i in range(0, len(a), 4):
        if a[i:i + 4] != b[i:i + 4]:
            count += 1
            largest = max(largest, *(abs(a[i + k] - b[i + k]) for k in range(4)))
    return count, largest


def check_trace(build_dir, script):
    """Returns a list of failures (empty: the browser gave the Linux trace)."""
    name = os.path.basename(script)
    with open(script[:-len(".script")] + ".trace") as f:
        want = f.read().splitlines()
    error, got, frame, close = browser_trace(build_dir, script)
    try:
        if error:
            return ["%s: the trace program failed in the browser: %s" % (name, error)]
        differing = []  # (frame, Linux hash)
        for i in range(max(len(want), len(got))):
            w = want[i] if i < len(want) else "(end of file)"
            g = got[i] if i < len(got) else "(end of trace)"
            if w == g:
                continue
            mw, mg = HASH.match(w), HASH.match(g)
            if mw and mg and (mw.group(1), mw.group(3)) == (mg.group(1), mg.group(3)):
                differing.append((int(w.split(":")[0]), int(mw.group(2), 16)))
                continue
            return ["%s: line %d differs\n  Linux:   %s\n  browser: %s" % (name, i + 1, w, g)]
        print("ok   %s: %d lines as on Linux; %d frame hashes differ"
              % (name, len(want), len(differing)), flush=True)
        if not differing:
            return []
        failures = []
        with tempfile.TemporaryDirectory(prefix="zorby-linux-frames-") as folder:
            problem = linux_frames(os.path.abspath(script), folder)
            if problem:
                return ["%s: %s" % (name, problem)]
            for n, linux_hash in differing:
                with open(os.path.join(folder, "%d.rgba" % n), "rb") as f:
                    linux = f.read()
                if fnv1a(linux) != linux_hash:
                    failures.append("%s: the Linux build's frame %d is not the committed one"
                                    % (name, n))
                    continue
                web = frame(n)
                count, largest = pixel_difference(linux, web)
                share = count / (len(linux) / 4)
                ok = len(web) == len(linux) and largest <= MAX_LEVELS and share <= MAX_SHARE
                print("%s %s: frame %d: %d pixels (%.2f %%) differ from Linux's, by at most %d "
                      "level%s (bound: %d, %.0f %%)"
                      % ("ok  " if ok else "FAIL", name, n, count, 100 * share, largest,
                         "" if largest == 1 else "s", MAX_LEVELS, 100 * MAX_SHARE), flush=True)
                if not ok:
                    failures.append("%s: frame %d beyond the bound" % (name, n))
        return failures
    finally:
        close()


def linux_result(trace):
    """(frames, exit status, score) from a Linux trace: its end line and last frame line."""
    frames = status = score = None
    with open(trace) as f:
        for line in f:
            m = re.match(r"end: (\d+) frames, exit status (-?\d+)", line)
            if m:
                frames, status = int(m.group(1)), int(m.group(2))
                continue
            m = re.match(r"\d+: (-?\d+) (-?\d+) (-?\d+) (-?\d+) ", line)
            if m:
                score = int(m.group(4))
    return frames, status, score


def check_page_replay(build_dir, script):
    """The game's page plays the recording to the Linux trace's end."""
    expected = linux_result(script[:-len(".script")] + ".trace")
    status, lines = web_page.replay(build_dir, script)
    results = [l for l in lines if l.startswith("replay result ")]
    m = re.match(r"replay result frames (\d+) score (-?\d+)$", results[-1]) if results else None
    got = (int(m.group(1)), status, int(m.group(2))) if m else (None, status, None)
    ok = got == expected
    print("%s %s on the game's page: %s, Linux %s (frames, exit status, score)"
          % ("ok  " if ok else "FAIL", os.path.basename(script), got, expected), flush=True)
    return [] if ok else ["the page's replay of %s" % os.path.basename(script)]


def main(build_dir):
    failures = []
    scripts = sorted(glob.glob(os.path.join(ROOT, "tests", "golden", "*.script")))
    for script in scripts:
        failures += check_trace(build_dir, script)
    failures += check_page_replay(build_dir, os.path.join(ROOT, "tests", "golden",
                                                          "mouse_game.script"))
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
