#!/usr/bin/env python3
"""The web page in headless Chromium, as a player meets it: the page loads and draws the
start-up question, X then a click on START starts a game, a finger's tap strikes once
where it lands on the enlarged picture, the game's keys do not scroll the page, the game that ends is kept and survives a reload (IndexedDB) with a download
link, and storage that cannot be written costs one line on the page while the game goes
on; a browser without WebAssembly is told so.

Usage: page_test.py BUILD_WEB_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts"))
import web_page  # noqa: E402

FAILURES = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        FAILURES.append(what)


def lit_pixels(img):
    """Pixels that are not near black."""
    return sum(1 for p in img.getdata() if max(p) > 40)


def differing_pixels(a, b):
    return sum(1 for p, q in zip(a.getdata(), b.getdata())
               if max(abs(p[i] - q[i]) for i in range(3)) > 24)


def wait_for_picture(page, timeout=90, still=0.5):
    """Waits until the picture has been drawn and left unchanged for `still` seconds;
    returns it."""
    deadline = time.monotonic() + timeout
    previous, since = None, time.monotonic()
    while time.monotonic() < deadline:
        img = page.picture()
        if previous is None or differing_pixels(img, previous) != 0 or lit_pixels(img) <= 2000:
            previous, since = img, time.monotonic()
        elif time.monotonic() - since >= still:
            return img
        time.sleep(0.5)
    return previous


def pressed_points(recording):
    """The pointer's position at each press of the first button in a recording (a read
    takes the position and the buttons together: a press is where that read's pointer
    is)."""
    reads = []  # [position, x, y, presses]
    for line in (recording or "").splitlines():
        words = line.split()
        if len(words) < 2 or line.startswith("#"):
            continue
        if not reads or reads[-1][0] != words[0]:
            reads.append([words[0], None, None, 0])
        if len(words) == 4 and words[1] == "mouse":
            reads[-1][1:3] = int(words[2]), int(words[3])
        elif words[1:] == ["button", "1", "down"]:
            reads[-1][3] += 1
    presses, x, y = [], None, None
    for _, rx, ry, pressed in reads:
        if rx is not None:
            x, y = rx, ry
        presses += [(x, y)] * pressed
    return presses


def kept_games(page):
    return page.eval("(function(){try{return Module.FS.readdir("
                     "'/player/data/zorby/replays').filter(function(n){return n[0]!=='.';});}"
                     "catch(e){return [];}})()") or []


def main(build_dir):
    site = web_page.Server(build_dir)
    try:
        with web_page.Browser() as browser:
            page = browser.open_page(site.url("index.html"))
            page.wait_for("window.zorbyState && window.zorbyState.started", timeout=120)
            question = wait_for_picture(page)
            check(lit_pixels(question) > 2000,
                  "the page draws the start-up question (%d lit pixels)" % lit_pixels(question))
            _, _, w, h = page.canvas_box()
            check(w % 320 == 0 and h % 240 == 0 and w // 320 == h // 240 and w >= 640,
                  "the picture is enlarged by a whole factor (%dx%d in a 1024x768 page)" % (w, h))

            # The game's keys reach the game and leave the page where it is.
            page.eval("document.body.style.height='5000px';document.documentElement"
                      ".style.overflow='auto';window.scrollTo(0,0);true")
            for key in ("ArrowDown", "Space", "PageDown"):
                page.key(key)
            scrolled = page.eval("window.scrollY")
            page.eval("document.body.style.height='';document.documentElement.style.overflow="
                      "'';true")
            check(scrolled == 0, "arrows, Space and Page Down do not scroll the page (scrollY %s)"
                  % scrolled)

            page.key("x")
            # Two still pictures of 2 s each come before the menu, which stays.
            menu = wait_for_picture(page, still=3.0)
            check(differing_pixels(menu, question) > 1000, "X answers the question: the menu")
            gx, gy = page.game_point(40, 220)
            page.click(gx, gy)
            # A stage starts with still pictures of 1.5 s and 4 s, then runs.
            time.sleep(7.0)
            game = page.picture()
            check(differing_pixels(game, menu) > 5000, "a click on START starts a game (%d "
                  "pixels changed)" % differing_pixels(game, menu))

            # A finger's quick tap on the enlarged picture strikes where it lands, once:
            # the game's own recording of its input holds the presses it saw.
            page.send("Emulation.setTouchEmulationEnabled", {"enabled": True,
                                                              "maxTouchPoints": 1})
            page.tap(*page.game_point(200, 120))

            # Left alone, the game runs out of energy and ends: it is kept, written whole
            # under another name, renamed, and then stored in IndexedDB.
            page.wait_for("window.zorbyState.synced > 0", timeout=240, step=1.0)
            before = kept_games(page)
            check(len(before) >= 1, "the ended game is kept in the player's folder (%s)" % before)
            presses = pressed_points(page.eval(
                "Module.FS.readFile('/player/data/zorby/replays/' + %s, {encoding: 'utf8'})"
                % repr(sorted(before)[-1])))
            check(len(presses) == 2 and abs(presses[1][0] - 200) <= 1 and
                  abs(presses[1][1] - 120) <= 1,
                  "the game saw the click on START and the tap, once, at (200, 120) of the "
                  "picture: %s" % presses)
            page.reload()
            page.wait_for("window.zorbyState && window.zorbyState.started", timeout=120)
            after = kept_games(page)
            check(set(before) <= set(after) and len(before) >= 1,
                  "the kept game is there after a reload (%s)" % after)
            links = page.eval("document.getElementById('kept').click();"
                              "document.querySelectorAll('#recordings a[download]').length")
            check(links == len(after), "each kept game has a download link (%s)" % links)

            # Storage that is full: the browser refuses the write; one line on the
            # page, and the game goes on.
            page.eval("IDBObjectStore.prototype.put = function () { throw new DOMException("
                      "'the quota is used up', 'QuotaExceededError'); }; true")
            frames = page.eval("Module.zorbyFrames")
            page.eval("Module.FS.writeFile('/player/data/zorby/big.new', new Uint8Array(1<<20));"
                      "Module.FS.rename('/player/data/zorby/big.new','/player/data/zorby/big');"
                      "true")
            page.wait_for("window.zorbyState.storageError !== null", timeout=30)
            note = page.eval("document.getElementById('note').textContent")
            check("QuotaExceededError" in note and "\n" not in note.strip(),
                  "full storage is one line on the page: %r" % note)
            page.key("x")
            time.sleep(1.0)
            check(page.eval("window.zorbyState.exitStatus") is None and
                  page.eval("Module.zorbyFrames") > frames,
                  "the game goes on after the storage failed")

            # A browser without IndexedDB (some private windows): one line, the game runs.
            private = browser.open_page("about:blank")
            private.send("Page.addScriptToEvaluateOnNewDocument",
                         {"source": "Object.defineProperty(window, 'indexedDB', "
                                    "{ value: undefined });"})
            private.goto(site.url("index.html"))
            private.wait_for("window.zorbyState && window.zorbyState.started", timeout=120)
            private.wait_for("Module.zorbyFrames > 0", timeout=60)
            note = private.eval("document.getElementById('note').textContent")
            check("cannot be kept" in note and private.eval("window.zorbyState.exitStatus") is None,
                  "without IndexedDB the page says so in one line and the game runs: %r" % note)
            # A browser without WebAssembly is told so in words.
            old = browser.open_page("about:blank")
            old.send("Page.addScriptToEvaluateOnNewDocument",
                     {"source": "Object.defineProperty(window, 'WebAssembly', "
                                "{ value: undefined });"})
            old.goto(site.url("index.html"))
            note = old.wait_for("document.readyState === 'complete' && "
                                "document.getElementById('note').textContent", timeout=60)
            check("no WebAssembly" in note, "without WebAssembly the page says so: %r" % note)
    finally:
        site.close()
    if FAILURES:
        print("%d check(s) failed" % len(FAILURES))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
