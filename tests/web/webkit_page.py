"""The page in WebKitGTK (Safari's engine), driven through WebKitWebDriver's
W3C WebDriver protocol, with what chromium_page.Page offers the checks. Its
MiniBrowser runs on a virtual X display, its sound going to a null sink of a
PulseAudio server of its own, as Firefox's does."""

import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

import chromium_page

BROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Page(chromium_page.Page):
    def __init__(self, url, width, height):
        self.url, self.size = url, (width, height)
        self.profile = tempfile.mkdtemp(prefix="hallatorvo-webkit-")
        self.processes = []
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    def _start(self):
        read, write = os.pipe()
        self.processes.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write,), stderr=subprocess.DEVNULL))
        os.close(write)
        with os.fdopen(read) as f:
            display = ":" + f.readline().strip()
        runtime = os.path.join(self.profile, "run")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=self.profile, DISPLAY=display)
        self.processes.append(subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
             "--load=module-null-sink sink_name=nul",
             "--load=module-native-protocol-unix auth-anonymous=1"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        server = os.path.join(runtime, "pulse", "native")
        deadline = time.time() + 30
        while not os.path.exists(server) and time.time() < deadline:
            time.sleep(0.1)
        port = free_port()
        self.processes.append(subprocess.Popen(
            ["WebKitWebDriver", "--port=%d" % port],
            env=dict(env, PULSE_SERVER="unix:" + server), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))
        self.base = "http://127.0.0.1:%d" % port
        deadline = time.time() + 30
        while True:
            try:
                self._request("GET", "/status")
                break
            except OSError:
                if time.time() > deadline:
                    raise RuntimeError("WebKitWebDriver did not answer")
                time.sleep(0.2)
        options = {"binary": BROWSER, "args": ["--automation"]}
        session = self._request("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": options}}})
        self.base += "/session/" + session["sessionId"]

    def _request(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=600) as response:
                return json.load(response)["value"]
        except urllib.error.HTTPError as error:
            raise RuntimeError("%s %s: %s" % (method, path, error.read().decode())) from None

    def evaluate(self, expression):
        text = self._request("POST", "/execute/sync", {
            "script": "return JSON.stringify(%s);" % expression, "args": []})
        return None if text is None else json.loads(text)

    def screenshot(self):
        return base64.b64decode(self._request("GET", "/screenshot"))

    def _act(self, kind, device, actions, **more):
        self._request("POST", "/actions", {"actions": [dict(type=kind, id=device,
                                                            actions=actions, **more)]})

    def click(self, x, y):
        self._act("pointer", "mouse", [{"type": "pointerMove", "x": x, "y": y},
                                       {"type": "pointerDown", "button": 0},
                                       {"type": "pointerUp", "button": 0}],
                  parameters={"pointerType": "mouse"})

    def press_escape(self):
        self._act("key", "keyboard", [{"type": kind, "value": "\ue00c"}
                                      for kind in ("keyDown", "keyUp")])

    def close(self):
        if "/session/" in getattr(self, "base", ""):
            try:
                self._request("DELETE", "")
            except (OSError, RuntimeError):
                pass
        for process in reversed(self.processes):
            process.kill()
            process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        # The window's outer size is what can be set; the viewport follows
        # after its chrome is taken off.
        width, height = self.size
        for _ in range(3):
            self._request("POST", "/window/rect", {"width": width, "height": height})
            inner = self.evaluate("[innerWidth, innerHeight]")
            if inner == list(self.size):
                break
            width += self.size[0] - inner[0]
            height += self.size[1] - inner[1]
        self._request("POST", "/url", {"url": self.url})
        return self
