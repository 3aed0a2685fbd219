#!/usr/bin/env python3
"""The golden recordings played on the web page in headless Chromium end as on Linux: the
page's `replay result frames N score S` line against the frame count, exit status and
final score of each recording's Linux trace (tests/golden/*.trace).

Usage: replay_test.py BUILD_WEB_DIR
"""
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import web_page  # noqa: E402


def linux_result(trace):
    """(frames, exit status, score) from a Linux trace: its end line and last frame line."""
    frames = status = score = None
    with open(trace) as f:
        for line in f:
            m = re.match(r"end: (\d+) frames, exit status (-?\d+)", line)
            if m:
                frames, status = int(m.group(1)), int(m.group(2))
                continue
            # "FRAME: state page energy score countdown stage ..."
            m = re.match(r"\d+: (-?\d+) (-?\d+) (-?\d+) (-?\d+) ", line)
            if m:
                score = int(m.group(4))
    return frames, status, score


def main(build_dir):
    failures = 0
    for script in sorted(glob.glob(os.path.join(ROOT, "tests", "golden", "*.script"))):
        name = os.path.basename(script)
        expected = linux_result(script[:-len(".script")] + ".trace")
        status, lines = web_page.replay(build_dir, script)
        results = [l for l in lines if l.startswith("replay result ")]
        m = re.match(r"replay result frames (\d+) score (-?\d+)$", results[-1]) if results else None
        got = (int(m.group(1)), status, int(m.group(2))) if m else (None, status, None)
        ok = got == expected
        failures += not ok
        print("%s %s: page %s, Linux %s (frames, exit status, score)"
              % ("ok  " if ok else "FAIL", name, got, expected), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
