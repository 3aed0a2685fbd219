#!/usr/bin/env python3
"""The built web page (build-web/) served on 127.0.0.1 and driven in Debian's headless
Chromium through the DevTools protocol (over a pipe: no extra Python modules).

    scripts/web_page.py serve BUILD_DIR [PORT]     serve the page for a player
    scripts/web_page.py replay BUILD_DIR FILE      play a recording on the page and print
                                                   the game's output (its result line)

The tests (tests/web) and the benchmark (bench/web_bench.py) import it.
"""
import functools
import http.server
import json
import os
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    # WebGL on the CPU: a machine without a graphics card (or with --disable-gpu) has
    # no other.
    "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
    # A page in the background keeps its timers: the tests' page is never shown.
    "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
    "--autoplay-policy=no-user-gesture-required", "--mute-audio",
]


class PageHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript",
                             ".data": "application/octet-stream"})

    extra = {}
    quiet = True
    cache = False

    def translate_path(self, path):
        name = path.split("?", 1)[0].lstrip("/")
        if name in self.extra:
            return self.extra[name]
        return super().translate_path(path)

    def log_message(self, *args):
        if not self.quiet:
            super().log_message(*args)

    def end_headers(self):
        if not self.cache:
            self.send_header("Cache-Control", "no-store")
        super().end_headers()


class Server:
    """A static server for one folder on 127.0.0.1 (a free port unless one is given)."""

    def __init__(self, folder, port=0, quiet=True, extra=None, cache=False):
        """extra maps names under / to files elsewhere (a recording to play); cache lets
        the browser keep the files (else every load fetches them again)."""
        handler_class = type("Handler", (PageHandler,), {"extra": dict(extra or {}),
                                                           "quiet": quiet, "cache": cache})
        handler = functools.partial(handler_class, directory=folder)
        socketserver.TCPServer.allow_reuse_address = True
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.port, path)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def _pipe_fds(reading, writing):
    """In the browser's process: its command pipe on fd 3, its answer pipe on fd 4."""
    reading, writing = os.dup(reading), os.dup(writing)
    os.dup2(reading, 3)
    os.dup2(writing, 4)


class ProtocolError(RuntimeError):
    pass


class Browser:
    """Headless Chromium with a fresh profile, spoken to over --remote-debugging-pipe."""

    def __init__(self, profile=None):
        self.chromium = os.environ.get("ZORBY_CHROMIUM") or shutil.which("chromium")
        if not self.chromium:
            raise RuntimeError("no chromium on PATH (apt-get install chromium)")
        self.own_profile = profile is None
        self.profile = profile or tempfile.mkdtemp(prefix="zorby-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # The browser reads commands on its fd 3 and writes answers on its fd 4.
        self.proc = subprocess.Popen(
            [self.chromium] + CHROMIUM_FLAGS +
            ["--user-data-dir=" + self.profile, "--remote-debugging-pipe", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4, to_browser_r, from_browser_w),
            preexec_fn=lambda: _pipe_fds(to_browser_r, from_browser_w))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    # --- the protocol
    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("no answer from the browser")
            import select
            ready, _, _ = select.select([self.from_browser], [], [], 0.2)
            if ready:
                chunk = os.read(self.from_browser, 1 << 20)
                if not chunk:
                    raise ProtocolError("the browser closed its pipe")
                self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def send(self, method, params=None, session=None, timeout=60):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self.to_browser, data):]
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise ProtocolError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})
            self.events.append(reply)

    def pump(self, seconds=0.0):
        """Reads the events that arrive within the given time."""
        deadline = time.monotonic() + seconds
        while True:
            try:
                self.events.append(self._read_message(deadline))
            except TimeoutError:
                return

    def open_page(self, url, width=1024, height=768):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})[
            "sessionId"]
        page = Page(self, target, session)
        page.send("Page.enable")
        page.send("Runtime.enable")
        page.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        page.goto(url)
        return page

    def close(self):
        try:
            self.send("Browser.close", timeout=5)
        except Exception:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        if self.own_profile:
            shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def goto(self, url):
        self.send("Page.navigate", {"url": url})

    def reload(self):
        """Reloads the page and waits until the new one runs its script."""
        self.eval("window.zorbyBeforeReload = true")
        self.send("Page.reload", {"ignoreCache": True})
        self.wait_for("!window.zorbyBeforeReload && document.readyState === 'complete'")

    def eval(self, expression, timeout=60):
        r = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                           "awaitPromise": True}, timeout)
        if "exceptionDetails" in r:
            raise ProtocolError("%s: %s" % (expression, r["exceptionDetails"]))
        return r["result"].get("value")

    def wait_for(self, expression, timeout=60, step=0.1):
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = self.eval(expression, timeout=max(60, timeout))
            except ProtocolError:
                value = None
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError("waited %ss for %s" % (timeout, expression))
            time.sleep(step)

    # --- input, as a player gives it
    KEYS = {"x": ("KeyX", 88), "Space": ("Space", 32), "ArrowDown": ("ArrowDown", 40),
            "ArrowUp": ("ArrowUp", 38), "PageDown": ("PageDown", 34), "Enter": ("Enter", 13),
            "Escape": ("Escape", 27)}

    def key(self, name, hold=0.08):
        code, vk = self.KEYS[name]
        text = " " if name == "Space" else (name if len(name) == 1 else "")
        base = {"key": " " if name == "Space" else name, "code": code,
                "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk}
        self.send("Input.dispatchKeyEvent", dict(base, type="keyDown", text=text))
        time.sleep(hold)
        self.send("Input.dispatchKeyEvent", dict(base, type="keyUp"))

    def click(self, x, y, hold=0.08):
        for kind in ("mouseMoved", "mousePressed"):
            self.send("Input.dispatchMouseEvent",
                      {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})
            time.sleep(0.03)
        time.sleep(hold)
        self.send("Input.dispatchMouseEvent",
                  {"type": "mouseReleased", "x": x, "y": y, "button": "left", "clickCount": 1})

    def tap(self, x, y, hold=0.05):
        """A quick touch of a finger at page point (x, y)."""
        self.send("Input.dispatchTouchEvent",
                  {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        time.sleep(hold)
        self.send("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def canvas_box(self):
        """The picture's place on the page: x, y, width, height in CSS pixels."""
        return self.eval("(function(){var r=document.getElementById('canvas')"
                         ".getBoundingClientRect();return [r.x,r.y,r.width,r.height];})()")

    def game_point(self, gx, gy):
        """The page point over the game's pixel (gx, gy) of its 320 x 240 picture."""
        x, y, w, h = self.canvas_box()
        return x + (gx + 0.5) * w / 320.0, y + (gy + 0.5) * h / 240.0

    def picture(self):
        """The picture as the page shows it: (width, height, RGB bytes) of the canvas's
        area of a screenshot, one sample per game pixel."""
        import base64
        import io
        x, y, w, h = self.canvas_box()
        shot = self.send("Page.captureScreenshot", {
            "format": "png", "clip": {"x": x, "y": y, "width": w, "height": h,
                                      "scale": 320.0 / w}})
        data = base64.b64decode(shot["data"])
        from PIL import Image  # python3-pil, as the desktop tests use
        img = Image.open(io.BytesIO(data)).convert("RGB").resize((320, 240), Image.NEAREST)
        return img


def replay(build_dir, recording, timeout=600):
    """Plays the recording on the page; returns (exit status, the game's output lines)."""
    site = Server(build_dir, extra={"zorby-replay.txt": os.path.abspath(recording)})
    try:
        with Browser() as browser:
            page = browser.open_page(site.url("index.html?replay=zorby-replay.txt"))
            page.wait_for("window.zorbyState && window.zorbyState.exitStatus !== null",
                          timeout=timeout, step=0.5)
            return page.eval("window.zorbyState.exitStatus"), page.eval("window.zorbyOutput")
    finally:
        site.close()


def main(argv):
    if len(argv) >= 2 and argv[0] == "serve":
        port = int(argv[2]) if len(argv) > 2 else 8036
        server = Server(argv[1], port, quiet=False, cache=True)
        print("zorby: the game is at %s (Ctrl+C stops the server)" % server.url("index.html"))
        try:
            server.thread.join()
        except KeyboardInterrupt:
            server.close()
        return 0
    if len(argv) == 3 and argv[0] == "replay":
        status, lines = replay(argv[1], argv[2])
        for line in lines:
            print(line)
        return status
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
