#!/usr/bin/env python3
"""The engine's video command on the web page in headless Chromium shows every frame
of a clip exactly as the Linux build does, and refuses a clip in a codec the page lacks
with one line and goes on.

The Linux build's video trace program (tests/video/video_trace.cpp,
ZORBY_LINUX_VIDEO_TRACE) writes the clips: the desktop video tests' clip (MPEG-1 and
PCM in Matroska), H.264 and AAC in MP4 at 320 x 240 with a busy picture that changes
with every picture, and HuffYUV in Matroska, which the page's decoders lack. The
page's copy of the program (build-web/video/) plays the three in turn on the virtual
clock, the Linux one the two others with its media libraries' plain C code (the page's
FFmpeg has no assembly; the SIMD colour conversion rounds a level differently). The
browser's trace must be the Linux one, line for line: every clip played with as many
frames, every 6th frame's hash (the same pixels: decoding, conversion, texture and
drawing), once the refused clip's lines are taken out; those must say it was refused
with one error-log line naming the codec, and showed nothing (the frames after it are
numbered as on Linux).

The test prints the decode speed of each played clip in the browser and on Linux
(every picture decoded and converted as playback does), against the 60 frames a second
of the screen; it is reported, not held to a bound.

Usage: video_test.py BUILD_WEB_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts"))
import web_page  # noqa: E402

PLAYED = ["colours.mkv", "texture.mp4"]
LACKING = "lacking.mkv"


def trace_lines(output):
    """The trace among a program's output lines (the engine prints lines first), and
    its decode lines apart."""
    starts = [i for i, l in enumerate(output) if l.startswith("# video trace")]
    lines = output[starts[0]:] if starts else []
    return ([l for l in lines if not l.startswith("decode ")],
            [l for l in lines if l.startswith("decode ")])


def browser_trace(build_dir, folder, clips):
    """The page's program on the clips: (error or None, trace lines, decode lines)."""
    site = web_page.Server(build_dir, extra={c: os.path.join(folder, c) for c in clips})
    browser = web_page.Browser()
    try:
        page = browser.open_page(site.url("video/index.html?clips=" + ",".join(clips)))
        page.wait_for("typeof window.traceStatus === 'number' || !!window.traceError",
                      timeout=240, step=0.5)
        error = page.eval("window.traceError")
        status = page.eval("window.traceStatus")
        lines, decode = trace_lines(page.eval("window.traceLines") or [])
        return error or (status != 0 and "exit status %s" % status) or None, lines, decode
    finally:
        browser.close()
        site.close()


def main(build_dir):
    program = os.environ.get("ZORBY_LINUX_VIDEO_TRACE", "")
    if not os.access(program, os.X_OK):
        print("FAIL no Linux video_trace program at %r (cmake --build build --target "
              "video_trace)" % program)
        return 1
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            failures.append(what.splitlines()[0])

    with tempfile.TemporaryDirectory(prefix="zorby-video-test-") as folder:
        subprocess.run([program, "--write-clips", folder], env=env, check=True)
        linux, linux_decode = trace_lines(subprocess.run(
            [program, "--plain-c"] + [os.path.join(folder, c) for c in PLAYED], env=env,
            check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True).stdout.splitlines())
        error, web, web_decode = browser_trace(build_dir, folder,
                                               [PLAYED[0], LACKING, PLAYED[1]])
    check(not error, "the page's program ran to its end (%s)" % (error or "exit status 0"))

    # The refused clip: one error-log line naming the codec, nothing shown.
    at = web.index("clip " + LACKING) if "clip " + LACKING in web else len(web)
    refusal = web[at + 1:at + 3]
    check(refusal[:1] == ["refused %s: 0 frames, 1 error-log lines" % LACKING] and
          len(refusal) == 2 and
          re.match(r"log: play_video: /clips/%s: .*huffyuv" % LACKING, refusal[1]) is not None,
          "the clip in a codec the page lacks is refused with one line and shows nothing: %s"
          % " | ".join(refusal))
    web = web[:at] + web[at + 3:]

    # The clips before and after it: Linux's trace, every frame hash the same.
    differ = [(i + 1, w, g) for i, (w, g) in enumerate(zip(linux, web)) if w != g]
    hashes = sum(1 for l in linux if ": hash " in l)
    played = [l for l in web if l.startswith("played ")]
    check(not differ and len(web) == len(linux) and len(played) == len(PLAYED) and hashes > 10,
          "the browser's trace is Linux's: %s; %d frame hashes, %d trace lines%s"
          % ("; ".join(played), hashes, len(linux),
             "".join("\n  line %d Linux:   %s\n  line %d browser: %s" % (n, w, n, g)
                     for n, w, g in differ[:5])))

    for label, lines in (("browser", web_decode), ("Linux", linux_decode)):
        for line in lines:
            print("%-7s %s (the screen shows 60 a second)" % (label, line), flush=True)
    check([l.split(" in ")[0] for l in web_decode] == [l.split(" in ")[0] for l in linux_decode]
          and len(web_decode) == len(PLAYED),
          "the browser decodes as many pictures of each clip as Linux")
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
