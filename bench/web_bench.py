#!/usr/bin/env python3
"""The web page's speed and size, in Debian's headless Chromium (run by hand, never as a
test: these machines are shared and noisy).

    python3 bench/web_bench.py [BUILD_WEB_DIR [LINUX_ZORBY]]

Prints: the time from opening the page to its first drawn frame with the files cached;
the frames a second over 20 s of the menu and 20 s of a stage (the goal is 58 or more),
with the frames shown late and the pacing's sleeps, timers and turns per frame (the
machine's load average beside them: these machines are shared);
the CPU the browser's processes use in the idle menu against the Linux build's own
idle menu (LINUX_ZORBY, default build/src/zorby, run on a virtual X server); and the
gzipped size of what a player downloads.
"""
import gzip
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import web_page  # noqa: E402

SECONDS = 20.0
TICKS = os.sysconf("SC_CLK_TCK")


def process_tree(pid):
    """pid and all its descendants."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(entry))
        except OSError:
            continue
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(children.get(p, []))
    return out


def cpu_seconds(pids):
    total = 0
    for p in pids:
        try:
            with open("/proc/%d/stat" % p) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            continue
    return total / TICKS


# The page records when each frame is shown (the game counts them in Module.zorbyFrames).
SWAP_TIMES = """(function () {
  var times = [], count = Module.zorbyFrames | 0;
  window.zorbySwapTimes = times;
  Object.defineProperty(Module, "zorbyFrames", { configurable: true,
    get: function () { return count; },
    set: function (v) { count = v; times.push(performance.now()); } });
  return true;
})()"""
# A frame shown this long after the one before is one of the game's own still pictures
# (2 s after the menu appears; 1.5 s and 4 s as a stage starts, 0.5 s between stages),
# not the frame loop's pacing: such pauses are left out of the frame rate and counted.
PAUSE_MS = 250.0
# A frame shown this long after the one before took the time of two or more.
LATE_MS = 1.5 * 1000.0 / 60.0


def frames_over(page, seconds):
    """The frame loop's rate over the next seconds: (frames a second, frames, frames late,
    the game's own pauses left out as (count, seconds), the pacing counters' changes)."""
    before = page.eval("Object.assign({}, Module.zorbyPacing || {})")
    page.eval("window.zorbySwapTimes.length = 0; true")
    start = page.eval("performance.now()")
    time.sleep(seconds)
    end = page.eval("performance.now()")
    times = [start] + [t for t in page.eval("window.zorbySwapTimes.slice()") if t <= end]
    after = page.eval("Object.assign({}, Module.zorbyPacing || {})")
    gaps = [b - a for a, b in zip(times, times[1:])]
    pauses = [g for g in gaps if g > PAUSE_MS]
    shown = (end - start - sum(pauses)) / 1000.0
    late = sum(1 for g in gaps if LATE_MS < g <= PAUSE_MS)
    counters = {k: after.get(k, 0) - before.get(k, 0) for k in after}
    frames = len(times) - 1
    return frames / shown, frames, late, (len(pauses), sum(pauses) / 1000.0), counters


def print_rate(label, measured):
    fps, frames, late, (pauses, paused), counters = measured
    print("frames a second, %s: %.1f (%d frames shown late; %d pause%s of the game's own, "
          "%.1f s, left out)" % (label, fps, late, pauses, "" if pauses == 1 else "s", paused))
    sleeps = counters.get("sleeps", 0)
    if sleeps:
        per_frame = [v / max(frames, 1) for v in (sleeps, counters.get("timers", 0),
                                                  counters.get("turns", 0))]
        print("  pacing, per frame: %.2f sleeps, %.2f timers, %.2f turns; a sleep ends "
              "%.2f ms after its deadline on average"
              % tuple(per_frame + [counters.get("lateMs", 0) / sleeps]))


def linux_idle_cpu(zorby, seconds):
    """CPU share of the Linux game in its menu (after X answers the question)."""
    if not os.path.exists(zorby):
        return None
    env = dict(os.environ, SDL_AUDIODRIVER="dummy", XDG_DATA_HOME="/tmp/zorby-bench-data",
               XDG_CONFIG_HOME="/tmp/zorby-bench-config")
    cmd = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "sh", "-c",
           'cd "$(dirname "$0")" && "$0" & sleep 4; xdotool key x; sleep 2; '
           'p=$(pgrep -n -x zorby); a=$(cut -d" " -f14,15 /proc/$p/stat); sleep %d; '
           'b=$(cut -d" " -f14,15 /proc/$p/stat); echo "$a $b"; kill $p' % seconds, zorby]
    out = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=seconds + 60)
    try:
        u0, s0, u1, s1 = (int(v) for v in out.stdout.split()[-4:])
    except ValueError:
        return None
    return (u1 + s1 - u0 - s0) / TICKS / seconds


def main(argv):
    build = os.path.abspath(argv[0] if argv else os.path.join(ROOT, "build-web"))
    zorby = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(ROOT, "build", "src",
                                                                          "zorby"))
    sizes = {}
    for name in ("zorby.wasm", "zorby.js", "zorby.data", "index.html"):
        with open(os.path.join(build, name), "rb") as f:
            data = f.read()
        sizes[name] = (len(data), len(gzip.compress(data, 9)))
    site = web_page.Server(build, cache=True)
    load_before = os.getloadavg()
    try:
        with web_page.Browser() as browser:
            page = browser.open_page(site.url("index.html"))
            page.wait_for("Module.zorbyFrames > 0", timeout=120)
            # Once more with the files in the browser's cache.
            page.reload()
            page.wait_for("window.Module && Module.zorbyFrames > 0", timeout=120)
            first = page.eval("Module.zorbyFirstFrameMs")
            time.sleep(3)
            page.eval(SWAP_TIMES)
            page.key("x")
            # The menu after its first still pictures.
            time.sleep(6)
            pids = process_tree(browser.proc.pid)
            cpu0, t0 = cpu_seconds(pids), time.monotonic()
            menu = frames_over(page, SECONDS)
            web_cpu = (cpu_seconds(pids) - cpu0) / (time.monotonic() - t0)
            gx, gy = page.game_point(40, 220)
            page.click(gx, gy)
            # The stage after its start (1.5 s and 4 s of still pictures).
            time.sleep(6)
            stage = frames_over(page, SECONDS)
    finally:
        site.close()
    linux_cpu = linux_idle_cpu(zorby, int(SECONDS))

    print("time to first frame (files cached): %.0f ms" % first)
    print("load average before and after: %s, %s" % (load_before, os.getloadavg()))
    print_rate("menu", menu)
    print_rate("stage", stage)
    print("idle menu CPU: page %.1f%% of a core" % (100 * web_cpu), end="")
    if linux_cpu:
        print(", Linux build %.1f%%, ratio %.2f" % (100 * linux_cpu, web_cpu / linux_cpu))
    else:
        print(" (the Linux build %s %s)" % (zorby, "gave no figure under xvfb-run"
                                            if os.path.exists(zorby) else "is not there"))
    total = sum(g for _, g in sizes.values())
    for name, (raw, packed) in sizes.items():
        print("%-11s %8d bytes, %8d gzipped" % (name, raw, packed))
    print("download, gzipped: %d bytes (%.2f MB)" % (total, total / 1e6))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
