"""The page in headless Chromium, driven through the DevTools protocol.

Serves a directory on 127.0.0.1, opens one URL of it in Chromium with WebGL 2
on its software renderer, and offers what the checks need: evaluating
JavaScript, waiting for the page's title, screenshots, and a click.
"""

import base64
import contextlib
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket

CHROMIUM_FLAGS = [
    "--headless=new",
    "--enable-unsafe-swiftshader",
    "--use-angle=swiftshader",
    "--no-sandbox",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-background-timer-throttling",
    "--disable-renderer-backgrounding",
    "--disable-backgrounding-occluded-windows",
    "--force-device-scale-factor=1",
    "--remote-allow-origins=*",
    "--remote-debugging-port=0",
]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    missing = ()
    delays = {}

    def log_message(self, *args):
        pass

    def do_GET(self):
        name = self.path.split("?")[0].rsplit("/", 1)[-1]
        if name in self.missing:
            self.send_error(404)
            return
        time.sleep(self.delays.get(name, 0))
        super().do_GET()


@contextlib.contextmanager
def served(directory, missing=(), delays=None):
    """An HTTP server for directory on 127.0.0.1, without the files named in
    missing and answering for those in delays that many seconds late; yields
    its base URL."""
    handler = functools.partial(type("Handler", (QuietHandler,),
                                     dict(missing=tuple(missing), delays=dict(delays or {}))),
                                directory=str(directory))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield "http://127.0.0.1:%d/" % server.server_address[1]
    finally:
        server.shutdown()
        server.server_close()


class Page:
    """One Chromium with one page at url, its viewport width x height CSS
    pixels of one device pixel each, closed on exit. A phone's viewport has
    scale device pixels to the CSS pixel and a touch screen; flags go to
    Chromium; script runs in the page before its own."""

    def __init__(self, url, width, height, phone_scale=None, flags=(), script=None):
        self.url = url
        self.size = (width, height)
        self.phone_scale = phone_scale
        self.script = script
        self.profile = tempfile.mkdtemp(prefix="hallatorvo-chromium-")
        self.process = subprocess.Popen(
            ["chromium", *CHROMIUM_FLAGS, *flags, "--user-data-dir=" + self.profile,
             "--window-size=%d,%d" % (width, height), "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.socket = websocket.create_connection(self._page_socket(), timeout=600)
        self.next_id = 0
        self.console = []

    def _page_socket(self):
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.time() + 60
        while time.time() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as f:
                    port = f.readline().strip()
                if port:
                    with urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port) as r:
                        targets = [t for t in json.load(r) if t["type"] == "page"]
                    if targets:
                        return targets[0]["webSocketDebuggerUrl"]
            time.sleep(0.2)
        raise RuntimeError("Chromium did not open its DevTools port")

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("method") == "Runtime.consoleAPICalled":
                args = message["params"]["args"]
                self.console.append(" ".join(str(a.get("value", "")) for a in args))
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s %s" % (method, message["error"],
                                                      message.get("message", "")))
                return message["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result["result"].get("value")

    def wait_for(self, expression, timeout):
        """Waits until expression is true in the page; returns whether it became so."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.evaluate(expression):
                return True
            time.sleep(0.25)
        return False

    def wait_for_title(self, titles, timeout):
        """Waits until the title is one of titles; returns it, or None on timeout."""
        if self.wait_for("%s.includes(document.title)" % json.dumps(list(titles)), timeout):
            return self.evaluate("document.title")
        return None

    def screenshot(self):
        """The page's pixels as PNG bytes."""
        return base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def tap(self, x, y):
        for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
            self.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)

    def press_escape(self, key="Escape", code="Escape", virtual_key=27):
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=virtual_key)

    def press_space(self):
        self.press_escape(" ", "Space", 32)

    def close(self):
        with contextlib.suppress(Exception):
            self.socket.close()
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        self.call("Runtime.enable")
        # The window's size leaves the viewport to the browser's own chrome.
        self.call("Emulation.setDeviceMetricsOverride", width=self.size[0], height=self.size[1],
                  deviceScaleFactor=self.phone_scale or 1, mobile=bool(self.phone_scale))
        if self.phone_scale:
            self.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        if self.script:
            self.call("Page.enable")
            self.call("Page.addScriptToEvaluateOnNewDocument", source=self.script)
        self.call("Page.navigate", url=self.url)
        return self

    def __exit__(self, *exc):
        self.close()
