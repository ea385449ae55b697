#!/usr/bin/python3
"""The Windows build of the show, run under Wine in a virtual X server as a
viewer runs it: windowed, watched through its title, photographed at 20 s,
closed with Alt+F4 once and left to end by itself once.

usage: run_under_wine.py BUILD_DIR

BUILD_DIR holds the 32-bit build (bin/hallatorvo.exe). When this machine
cannot execute 32-bit x86 code at all, the 64-bit build of the same sources is
made in BUILD_DIR + "64" and run under the 64-bit Wine instead, and the reason
is printed. Everything the run leaves (screenshot, sound, logs, the Wine
prefix) goes to BUILD_DIR/wine.
"""

import array
import math
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

from PIL import ImageGrab

ROOT = Path(__file__).resolve().parents[2]
WINE32 = "/usr/lib/wine/wine"
WINE64 = "/usr/lib/wine/wine64"

TITLE = "TORVO: HALLATORVO"
SHOW_END = 103.0  # the clock's reading at which the show ends itself
SCREENSHOT_AT = 20.0  # clock seconds
STARTUP_LIMIT = 180.0  # launch to window, and window to first frame, at most
SAMPLE_RATE = 22050

# The sound device Wine plays to: ALSA's default, converted to the song's own
# format and written to a file instead of a sound card.
ASOUNDRC = """pcm.!default {{
    type plug
    slave {{ pcm "hvrecord"; format S16_LE; rate {rate}; channels 1 }}
}}
pcm.hvrecord {{
    type file
    slave.pcm "null"
    file "{file}"
    format "raw"
}}
"""


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        line = f"{'ok  ' if ok else 'FAIL'} {what}"
        if detail:
            line += f" ({detail})"
        print(line, flush=True)
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok


def run(args, **kwargs):
    return subprocess.run(args, check=True, **kwargs)


def can_run_32bit():
    """Whether the 32-bit Wine starts here; the reason when it does not."""
    try:
        result = subprocess.run([WINE32, "--version"], capture_output=True, text=True, timeout=60)
    except OSError as error:
        return False, f"{WINE32}: {error.strerror}"
    if result.returncode != 0:
        return False, f"{WINE32} --version: exit {result.returncode} {result.stderr.strip()}"
    return True, ""


def choose_build(build_dir):
    ok, reason = can_run_32bit()
    if ok:
        return build_dir / "bin" / "hallatorvo.exe", WINE32
    print(f"NOTE: this machine cannot run 32-bit x86 programs ({reason}).")
    print("NOTE: running the 64-bit Windows build of the same sources under wine64 instead.")
    build64 = Path(str(build_dir) + "64")
    run(["make", "--no-print-directory", "-C", str(ROOT), "windows", "WINDOWS_TRIPLE=x86_64-w64-mingw32",
         f"WINDOWS_BUILD={build64}"])
    return build64 / "bin" / "hallatorvo.exe", WINE64


class VirtualDisplay:
    def __init__(self, log_path):
        read_end, write_end = os.pipe()
        self.log = open(log_path, "w")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdout=self.log, stderr=self.log)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError(f"Xvfb did not start; see {log_path}")
        self.name = f":{number}"

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)
        self.log.close()


def xdotool(*args):
    try:
        result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)
    except subprocess.TimeoutExpired:
        return ""
    return result.stdout.strip() if result.returncode == 0 else ""


def show_windows():
    """(id, title) of every visible window of the show's process, its message
    boxes included: Wine names the X class after the executable."""
    ids = xdotool("search", "--onlyvisible", "--class", "hallatorvo").split()
    return [(w, xdotool("getwindowname", w)) for w in ids]


def window_box(window):
    shell = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in shell.splitlines() if "=" in line)
    x, y = int(values["X"]), int(values["Y"])
    return x, y, x + int(values["WIDTH"]), y + int(values["HEIGHT"])


class Show:
    """One run of the executable, watched through its windows' titles."""

    def __init__(self, loader, exe, args, log_path):
        self.log = open(log_path, "w")
        self.launched = time.monotonic()
        self.process = subprocess.Popen([loader, str(exe), *args], stdout=self.log,
                                        stderr=subprocess.STDOUT, start_new_session=True)
        self.window = None
        self.window_seen = None
        self.titles = []  # (monotonic time, title) whenever the title changes
        self.error_box = None

    def poll(self):
        for window, title in show_windows():
            if title in ("Error", "ERROR"):
                self.error_box = self.error_box or window
            elif self.window is None:
                self.window = window
                self.window_seen = time.monotonic()
            if window == self.window and (not self.titles or self.titles[-1][1] != title):
                self.titles.append((time.monotonic(), title))

    def watch_until(self, done, limit):
        """Polls until done() holds, the process ends, a message box shows or
        limit seconds pass; returns done()."""
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            self.poll()
            if done() or self.process.poll() is not None or self.error_box:
                break
            time.sleep(0.05)
        return done()

    def frame_rates(self):
        return [int(m.group(1)) for _, t in self.titles if (m := re.fullmatch(r"FPS: (\d+)", t))]

    def clock_start(self):
        """When the show's clock started: the first frame-rate title goes up one
        second after it."""
        for seen, title in self.titles:
            if title.startswith("FPS: "):
                return seen - 1.0
        return None

    def wait_exit(self, limit):
        try:
            return self.process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.log.close()


def picture_summary(image):
    """Share of pixels that differ visibly from the most common colour, and the
    number of distinct colours."""
    pixels = image.convert("RGB")
    colours = pixels.getcolors(maxcolors=pixels.width * pixels.height)
    count, background = max(colours)
    total = pixels.width * pixels.height
    differing = sum(n for n, c in colours
                    if max(abs(a - b) for a, b in zip(c, background)) > 24)
    return differing / total, len(colours), background


def run_closed_early(checks, loader, exe, out):
    print(f"-- {exe.name} -window -fps, photographed at {SCREENSHOT_AT:.0f} s, closed with Alt+F4")
    show = Show(loader, exe, ["-window", "-fps"], out / "run-closed.log")
    shot = None
    shot_path = out / "hallatorvo-20s.png"
    try:
        checks.check(show.watch_until(lambda: show.window is not None, STARTUP_LIMIT),
                     "the window opens",
                     f"{time.monotonic() - show.launched:.1f} s after launch")
        if show.window is None:
            return
        first_title = show.titles[0][1] if show.titles else ""
        checks.check(first_title == TITLE, f'its title is "{TITLE}"', f'"{first_title}"')
        x0, y0, x1, y1 = window_box(show.window)
        checks.check(700 <= x1 - x0 <= 800 and 500 <= y1 - y0 <= 600,
                     "the client area fits an 800 x 600 window", f"{x1 - x0} x {y1 - y0}")

        running = show.watch_until(lambda: show.clock_start() is not None, STARTUP_LIMIT)
        checks.check(not show.error_box, "no error message box (GL context, ARB extensions "
                     "and programs are there)")
        checks.check(running, "the frame loop runs: the title shows the frame rate",
                     f"{show.clock_start() - show.window_seen:.1f} s of start-up"
                     if running else f"titles {[t for _, t in show.titles]}")
        if not running:
            return

        shot_time = show.clock_start() + SCREENSHOT_AT
        show.watch_until(lambda: time.monotonic() >= shot_time, SCREENSHOT_AT + 5)
        x0, y0, x1, y1 = window_box(show.window)
        shot = ImageGrab.grab(bbox=(x0, y0, x1, y1), xdisplay=os.environ["DISPLAY"])
        shot.save(shot_path)

        show.watch_until(lambda: False, 2.0)
        rates = show.frame_rates()
        checks.check(bool(rates) and max(rates) >= 1, "frames are presented",
                     f"FPS titles min {min(rates)} median {statistics.median(rates)} "
                     f"max {max(rates)}" if rates else "no FPS title")

        closed_at = time.monotonic()
        clock = closed_at - show.clock_start()
        alive = show.process.poll() is None
        xdotool("windowfocus", "--sync", show.window)
        xdotool("key", "--clearmodifiers", "alt+F4")
        code = show.wait_exit(15)
        checks.check(alive and code == 0,
                     "Alt+F4 closes the window and the show ends with exit code 0",
                     f"exit code {code} {time.monotonic() - closed_at:.1f} s after the key, "
                     f"at clock {clock:.1f} s")
    finally:
        show.kill()

    if shot is not None:
        share, colours, background = picture_summary(shot)
        checks.check(share >= 0.01 and colours >= 64,
                     f"the picture at {SCREENSHOT_AT:.0f} s shows something",
                     f"{share:.1%} of the pixels away from the background {background}, "
                     f"{colours} colours; {shot_path}")


def run_to_the_end(checks, loader, exe, out, recording):
    print(f"-- {exe.name} -window, left to end by itself")
    recording.unlink(missing_ok=True)
    show = Show(loader, exe, ["-window"], out / "run-full.log")
    try:
        opened = show.watch_until(lambda: show.window is not None, STARTUP_LIMIT)
        checks.check(opened, "the window opens")
        if not opened:
            return
        code = show.wait_exit(SHOW_END + STARTUP_LIMIT)
        ended = time.monotonic()
        show.poll()
        after_window = ended - show.window_seen
        checks.check(code == 0 and after_window >= SHOW_END,
                     f"the show ends by itself after {SHOW_END:.0f} s with exit code 0",
                     f"exit code {code}, {after_window:.1f} s after the window opened, "
                     f"{ended - show.launched:.1f} s after launch")
        checks.check(not show.error_box, "no error message box")
    finally:
        show.kill()

    data = recording.read_bytes() if recording.exists() else b""
    samples = array.array("h", data[: len(data) // 2 * 2])
    opening = samples[: 5 * SAMPLE_RATE]
    rms = math.sqrt(sum(s * s for s in opening) / len(opening)) if opening else 0.0
    level = 20 * math.log10(rms / 32768) if rms > 0 else float("-inf")
    checks.check(len(opening) == 5 * SAMPLE_RATE and level > -40.0,
                 "the song reaches the sound device: its first 5 s are not silent",
                 f"opening level {level:.1f} dBFS; the file device takes samples faster "
                 f"than real time, {len(samples) / SAMPLE_RATE:.0f} s in all")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build_dir = Path(sys.argv[1]).resolve()
    exe, loader = choose_build(build_dir)
    out = build_dir / "wine"
    shutil.rmtree(out / "home", ignore_errors=True)
    (out / "home").mkdir(parents=True)
    recording = out / "played-s16-22050-mono.raw"
    recording.unlink(missing_ok=True)
    (out / "home" / ".asoundrc").write_text(ASOUNDRC.format(rate=SAMPLE_RATE, file=recording))

    display = VirtualDisplay(out / "xvfb.log")
    os.environ.update({
        "DISPLAY": display.name,
        "HOME": str(out / "home"),
        "WINEPREFIX": str(out / "prefix"),
        "WINEDEBUG": "-all",
        # No Mono or Gecko installers, no desktop menu entries.
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    })
    checks = Checks()
    try:
        print(f"{exe} ({exe.stat().st_size} bytes) under {loader}, display {display.name}")
        started = time.monotonic()
        run([loader, "wineboot", "--init"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print(f"Wine prefix ready in {time.monotonic() - started:.0f} s")
        run_closed_early(checks, loader, exe, out)
        run_to_the_end(checks, loader, exe, out, recording)
    finally:
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        display.stop()
    print(f"windows: {checks.passed} passed, {checks.failed} failed")
    sys.exit(1 if checks.failed else 0)


if __name__ == "__main__":
    main()
