"""The page in Firefox ESR, driven through WebDriver BiDi, with what
chromium_page.Page offers the checks. Headless Firefox has no WebGL, so it
runs on a virtual X display; without a sound device it plays nothing, so its
sound goes to a null sink of a PulseAudio server of its own."""

import base64
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

import websocket

import chromium_page

PREFERENCES = {
    "remote.active-protocols": 1,
    # Mesa's software renderer is all a virtual display has.
    "webgl.force-enabled": True,
    "layout.css.devPixelsPerPx": "1.0",
}


class Page(chromium_page.Page):
    def __init__(self, url, width, height):
        self.url, self.size = url, (width, height)
        self.profile = tempfile.mkdtemp(prefix="hallatorvo-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            f.writelines("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value))
                         for name, value in PREFERENCES.items())
        read, write = os.pipe()
        self.display = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                         "1280x1024x24", "-nolisten", "tcp"],
                                        pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            display = ":" + f.readline().strip()
        runtime = os.path.join(self.profile, "run")
        os.mkdir(runtime, 0o700)
        self.sound = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
             "--load=module-null-sink sink_name=nul",
             "--load=module-native-protocol-unix auth-anonymous=1"],
            env=dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=self.profile),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        server = os.path.join(runtime, "pulse", "native")
        deadline = time.time() + 30
        while not os.path.exists(server) and time.time() < deadline:
            time.sleep(0.1)
        self.process = subprocess.Popen(
            ["firefox-esr", "--no-remote", "--profile", self.profile,
             "--remote-debugging-port=0", "about:blank"],
            env=dict(os.environ, DISPLAY=display, MOZ_CRASHREPORTER_DISABLE="1",
                     PULSE_SERVER="unix:" + server),
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        for line in iter(self.process.stderr.readline, ""):
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
            if found:
                break
        else:
            raise RuntimeError("Firefox did not open its WebDriver BiDi port")
        threading.Thread(target=self.process.stderr.read, daemon=True).start()
        self.socket = websocket.create_connection(found.group(1) + "/session", timeout=120,
                                                  suppress_origin=True)
        self.next_id = 0
        self.call("session.new", capabilities={})
        self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]

    def evaluate(self, expression):
        result = self.call("script.evaluate", expression="JSON.stringify(%s)" % expression,
                           target={"context": self.context}, awaitPromise=False)
        if result["type"] != "success":
            raise RuntimeError("%s: %s" % (expression, result.get("exceptionDetails")))
        text = result["result"].get("value")
        return None if text is None else json.loads(text)

    def screenshot(self):
        return base64.b64decode(
            self.call("browsingContext.captureScreenshot", context=self.context)["data"])

    def _act(self, kind, device, actions, **more):
        self.call("input.performActions", context=self.context,
                  actions=[dict(type=kind, id=device, actions=actions, **more)])

    def click(self, x, y):
        self._act("pointer", "mouse", [{"type": "pointerMove", "x": x, "y": y},
                                       {"type": "pointerDown", "button": 0},
                                       {"type": "pointerUp", "button": 0}],
                  parameters={"pointerType": "mouse"})

    def press_escape(self):
        self._act("key", "keyboard", [{"type": kind, "value": "\ue00c"}
                                      for kind in ("keyDown", "keyUp")])

    def close(self):
        super().close()
        for process in (self.sound, self.display):
            process.kill()
            process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        self.call("browsingContext.setViewport", context=self.context,
                  viewport={"width": self.size[0], "height": self.size[1]})
        self.call("browsingContext.navigate", context=self.context, url=self.url,
                  wait="complete")
        return self
