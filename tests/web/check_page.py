"""The show's web page against the native show, in headless Chromium.

Renders the reference with the native capture tool (seed 3, 10 frames per
second of show time, 800 x 600), then opens the page from a local server at
?seed=3&fps=10&shot=20,50,85 and compares each held frame with the native one
of the same time, the frame at 10 s with ?aspect against the native one with
--aspect, and the page's song (?seed=3&song) with the native song.
With --clicked it also plays the show as a viewer does: a click on the title,
then the whole show in real time, which must end by itself with its sound
played, the pictures following the heard sound and the drawing buffer the
window's size; once more with the CPU slowed four times, ended by Escape; and
once in Firefox under Xvfb and once in WebKitGTK's MiniBrowser under Xvfb,
each with one frame against the native one too. One more run is paused and
resumed with Space, ended by Escape, clicked to play again and has its GL
context taken away. Each row of PAGE_STATES
opens the page in one state in Chromium and checks what it says before any
click and what a click does; a phone's viewport has its frame checked square
against the native one with --aspect.
With --single DIR the page as one file is opened from the disk: its frame at
20 s and a clicked start in Chromium, and Firefox's runs take it too. Prints
every figure it measures; exits non-zero when a check fails.

usage: check_page.py --page BUILD_WEB --capture HALLATORVO_CAPTURE [--clicked]
                     [--keep DIR]   (the page's frames as DIR/page-T.png)
"""

import argparse
import base64
import functools
import io
import math
import pathlib
import subprocess
import sys
import tempfile
import time
import wave

import numpy
from PIL import Image

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import firefox_page  # noqa: E402
import webkit_page  # noqa: E402
from chromium_page import Page, served  # noqa: E402

SEED = 3
FPS = 10
SIZE = (800, 600)
SHOT_TIMES = (20, 50, 85)
# The aspect option as a URL parameter: the frame square between bars.
ASPECT_TIME = 10
# The one frame drawn in Firefox too.
FIREFOX_TIME = 20

# Mean absolute difference per channel, 0-255, that a page frame may have
# from the native one. The page draws the same scenes with WebGL's rounding,
# 8-bit vertex colours and the browser's own mipmaps: 2.91, 1.70 and 0.46 on
# these frames. Builds of the page doctored to fail measured: without the snow
# layer 17.2 and 33.2 (20 s, 50 s); one blob left out 7.4 (50 s); the glow
# 20% weaker 94.0 and 87.2 (20 s, 50 s). The show's own frames are 59 or more
# apart.
FRAME_THRESHOLD = 5.0

# The song: WebAssembly's maths library (musl's sinf, cosf, powf) rounds
# differently from glibc's in the last bit now and then; through the
# oscillators and resonant filters that grows to a few hundred steps in under
# 1% of the samples (291 at most, 73 dB below the song, on this seed). A
# missing or mistuned note is thousands of steps and brings the ratio near
# 0 dB.
MAX_SAMPLE_DIFFERENCE = 512
MIN_SIGNAL_TO_DIFFERENCE_DB = 60.0

# The clicked runs: the picture clock follows the heard sound within this
# (median, milliseconds) over the first SYNC_SECONDS after the click. Timed by
# the page clock alone the pictures ran 141 ms ahead of the sound (median).
SYNC_SECONDS = 20
MAX_MEDIAN_SYNC_MS = 15.0
THROTTLE = 4

SHOW_SECONDS = 103  # the show's length and its closing second
SAMPLE_RATE = 22050

# A phone held upright: CSS pixels and device pixels to each.
PHONE = (390, 844)
PHONE_SCALE = 3

# What the page says before any click, in Chromium with flags, and what a
# click (a tap on the phone) then does: nothing, the show with its sound, or
# the show silent on the page's clock. Where: "served" from the local
# server, "disk" (the page beside its .wasm opened as a file), "no wasm"
# (served without it), "slow wasm" (it arrives 4 s late, clicked meanwhile),
# "phone" (served to a phone's viewport), "no AudioContext" (a browser without
# Web Audio).
PAGE_STATES = [
    # name, Chromium flags, where, status before the click, after the click
    ("no WebGL 2", ["--disable-webgl2"], "served", "WebGL 2", "nothing"),
    ("no 3D APIs", ["--disable-3d-apis"], "served", "WebGL 2", "nothing"),
    ("opened from the disk", [], "disk", "serve its folder", "nothing"),
    ("no .wasm", [], "no wasm", "could not be loaded", "nothing"),
    ("no AudioContext", [], "no AudioContext", "click to start", "silent"),
    ("clicked while loading", [], "slow wasm", "loading", "sound"),
    ("phone", [], "phone", "tap to start", "sound"),
]
WASM_DELAY = 4
NO_WEB_AUDIO = "delete window.AudioContext; delete window.webkitAudioContext;"


def keep(directory, t, frame):
    directory.mkdir(parents=True, exist_ok=True)
    Image.fromarray(frame.astype(numpy.uint8)).save(directory / ("page-%s.png" % t))


def pixels(png):
    return numpy.asarray(Image.open(io.BytesIO(png)).convert("RGB"), dtype=numpy.int16)


def mean_difference(a, b):
    return float(numpy.abs(a - b).mean())


def native_reference(capture, directory):
    """The native frames at SHOT_TIMES, the one at ASPECT_TIME with --aspect,
    and the native song's samples."""
    common = [capture, "--seed", str(SEED), "--fps", str(FPS), "--size", "%dx%d" % SIZE]
    command = common + ["--audio", str(directory / "song.wav")]
    for t in SHOT_TIMES:
        command += ["--shot", "%d:%s" % (t, directory / ("%d.png" % t))]
    aspect = common + ["--aspect", "--shot", "%d:%s" % (ASPECT_TIME, directory / "aspect.png")]
    phone = common[:-1] + ["%dx%d" % tuple(PHONE_SCALE * side for side in PHONE), "--aspect",
                           "--shot", "%d:%s" % (ASPECT_TIME, directory / "phone.png")]
    for run in (command, aspect, phone):
        subprocess.run(run, check=True, stderr=subprocess.DEVNULL,
                       env={"SDL_VIDEODRIVER": "offscreen", "PATH": "/usr/bin:/bin"})
    frames = {t: pixels((directory / ("%d.png" % t)).read_bytes()) for t in SHOT_TIMES}
    for name in ("aspect", "phone"):
        frames[name] = pixels((directory / (name + ".png")).read_bytes())
    with wave.open(str(directory / "song.wav")) as song:
        samples = numpy.frombuffer(song.readframes(song.getnframes()), dtype="<i2")
    return frames, samples


def page_frames(base, query="", times=SHOT_TIMES, browser=Page, size=SIZE):
    """The page's held frames at times, with its timing figures; query adds
    parameters to the page's URL."""
    url = "%sindex.html?seed=%d&fps=%d&shot=%s%s" % (base, SEED, FPS, ",".join(map(str, times)),
                                                       query)
    frames = {}
    with browser(url, *size) as page:
        started = time.time()
        for t in times:
            if page.wait_for_title(["done", "failed"], 900) != "done":
                raise RuntimeError("the page did not hold the frame at %d s" % t)
            held = page.evaluate("window.heldShot")
            if held != t:
                raise RuntimeError("the page holds the frame at %s s, not %d s" % (held, t))
            frames[t] = pixels(page.screenshot())
            page.evaluate("nextShot()")
        seconds = time.time() - started
        timing = page.evaluate("window.pageTiming")
        drawn = page.evaluate("window.framesDrawn")
    print("page: first frame %.0f ms after page load; %d frames in %.1f s (%.1f per second)"
          % (timing["firstFrame"], drawn, seconds, drawn / seconds))
    return frames


def page_song(base):
    with Page("%sindex.html?seed=%d&song" % (base, SEED), *SIZE) as page:
        started = time.time()
        if page.wait_for_title(["done"], 600) != "done":
            raise RuntimeError("the page did not render its song")
        print("page: the song rendered in %.1f s" % (time.time() - started))
        data = base64.b64decode(page.evaluate("window.songBase64"))
    return numpy.frombuffer(data, dtype="<i2")


def sample_sync(page, seconds):
    """|picture - heard| in milliseconds, sampled every 0.1 s for seconds once
    the sound is heard, and the count of later samples without sound."""
    gaps, unheard, deadline = [], 0, time.time() + seconds
    while time.time() < deadline:
        sync = page.evaluate("hallatorvoSync()")
        if sync["heard"] is None:
            unheard += bool(gaps)
        elif sync["heard"] >= 0:
            gaps.append(abs(sync["picture"] - sync["heard"]) * 1000)
        time.sleep(0.1)
    return gaps, unheard


def follows_resize(page):
    """Whether the drawing buffer takes the window's new size."""
    page.call("Emulation.setDeviceMetricsOverride", width=640, height=700, deviceScaleFactor=1,
              mobile=False)
    return page.wait_for("Module.canvas.width == 640 && Module.canvas.height == 700", 10)


def clicked_run(base, escape_after=None, browser=Page, throttle=None, name="clicked run"):
    """The show as a viewer opens it: a click, then the show in real time,
    its sync sampled for escape_after seconds (or SYNC_SECONDS), then ended by
    Escape (twice from full screen) when escape_after is given; throttle slows
    Chromium's CPU that many times."""
    with browser(base + "index.html", *SIZE) as page:
        if not page.wait_for("document.title == 'TORVO: HALLATORVO' && "
                             "document.getElementById('status').textContent == 'click to start'",
                             60):
            raise RuntimeError("the page shows no title to click")
        if throttle:
            page.call("Emulation.setCPUThrottlingRate", rate=throttle)
        page.click(SIZE[0] // 2, SIZE[1] // 2)
        page.wait_for("window.pageTiming.firstFrame != null", 60)
        gaps, unheard = sample_sync(page, escape_after or SYNC_SECONDS)
        fullscreen = page.evaluate("document.fullscreenElement != null")
        resized = escape_after is None and follows_resize(page)
        escape_shown = None
        pressed = time.time()
        if escape_after is not None:
            page.press_escape()
            if fullscreen:
                time.sleep(1)
                escape_shown = page.evaluate("document.fullscreenElement == null && "
                                             "document.title != 'ended'")
                page.press_escape()
        if page.wait_for_title(["ended"], SHOW_SECONDS + 60) != "ended":
            raise RuntimeError("the show did not end")
        ending = time.time() - pressed
        end = page.evaluate("window.showEnd")
        timing = page.evaluate("window.pageTiming")
    end.update(ending=ending, gaps=gaps, unheard=unheard, fullscreen=fullscreen, resized=resized,
               escape_shown=escape_shown, name=name)
    print("%s: first frame %.0f ms after the click; %d frames in %.1f s (%.1f per second); "
          "sound: %d frames played at %d Hz, %d of them underruns; |picture - heard| median "
          "%.1f ms, max %.1f ms over %d samples, %d without sound; full screen: %s"
          % (name, timing["firstFrame"] - timing["started"], end["frames"], end["seconds"],
             end["frames"] / end["seconds"], end["played"], end["rate"], end["underruns"],
             numpy.median(gaps) if gaps else math.nan, max(gaps, default=math.nan), len(gaps),
             unheard, fullscreen))
    return end


STATUS = "document.getElementById('status').textContent"
INVITES = "document.getElementById('overlay').classList.contains('invites')"
LOSE_CONTEXT = "Module.canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext()"


def controls_run(base):
    """Space held, then Space again; Escape, then a click on "the end"; then
    the GL context lost: whether each did what a viewer expects."""
    def still_and_silent(page):  # over a second
        first = page.evaluate("hallatorvoSync()")
        time.sleep(1)
        last = page.evaluate("hallatorvoSync()")
        return last["picture"] == first["picture"] and first["heard"] is last["heard"] is None

    def in_step(page):  # from then on, as the clicked runs measure it
        gaps, unheard = sample_sync(page, 5)
        return bool(gaps) and numpy.median(gaps) <= MAX_MEDIAN_SYNC_MS and unheard == 0

    seen = {}
    with Page(base + "index.html", *SIZE) as page:
        page.wait_for(STATUS + " == 'click to start'", 60)
        page.click(SIZE[0] // 2, SIZE[1] // 2)
        page.wait_for("window.pageTiming.firstFrame != null", 60)
        time.sleep(3)
        page.press_space()
        time.sleep(0.5)
        seen["Space holds the pictures and the sound"] = still_and_silent(page)
        page.press_space()
        seen["Space again: they go on in step"] = in_step(page)
        for _ in range(2):  # the first one may only leave full screen
            page.press_escape()
            time.sleep(1)
        seen["Escape: the end invites a click"] = (page.wait_for_title(["ended"], 10) == "ended"
                                                   and "watch again" in page.evaluate(STATUS))
        page.click(SIZE[0] // 2, SIZE[1] // 2)
        seen["the click plays the show again, in step"] = (
            page.wait_for("document.title != 'ended'", 10)
            and page.evaluate("hallatorvoSync()")["picture"] < 1 and in_step(page))
        page.evaluate(LOSE_CONTEXT)
        seen["a lost context says so and offers a new start"] = (
            page.wait_for_title(["lost"], 10) == "lost" and "dropped" in page.evaluate(STATUS)
            and page.evaluate(INVITES))
        time.sleep(0.5)
        seen["and stops the sound"] = page.evaluate("hallatorvoSync()")["heard"] is None
    return seen


# The title's line boxes, and its space to the left and to the right.
TITLE_LINES = """(() => {
  const range = document.createRange();
  range.selectNodeContents(document.getElementById("overlay").firstElementChild);
  const lines = [...range.getClientRects()];
  return {lines: lines.length, left: lines[0].left, right: innerWidth - lines[0].right};
})()"""


def page_state(row, urls):
    """The page of one row of PAGE_STATES opened, then clicked: what it said
    and did."""
    name, flags, where, _, _ = row
    phone = where == "phone"
    size = PHONE if phone else SIZE
    with Page(urls[where] + "index.html", *size, phone_scale=PHONE_SCALE if phone else None,
              flags=flags, script=NO_WEB_AUDIO if where == "no AudioContext" else None) as page:
        page.wait_for("window.pageTiming !== undefined", 30)
        if where != "slow wasm":
            page.wait_for(STATUS + " != 'loading\u2026'", 60)
        seen = dict(status=page.evaluate(STATUS), title=page.evaluate(TITLE_LINES),
                    invites=page.evaluate(INVITES))
        (page.tap if phone else page.click)(size[0] // 2, size[1] // 2)
        started = page.wait_for("window.pageTiming.firstFrame != null", 5 + WASM_DELAY + 30)
        samples = []
        for _ in range(30):
            samples.append(page.evaluate("window.pageTiming.started && hallatorvoSync()"))
            time.sleep(0.1)
        seen.update(started=started, after=page.evaluate(STATUS),
                    fullscreen=page.evaluate("document.fullscreenElement != null"),
                    heard=sum(1 for s in samples if s and s["heard"] is not None),
                    pictures=(samples[-1]["picture"] - samples[0]["picture"]) if started else 0,
                    buffer=page.evaluate("[Module.canvas.width, Module.canvas.height]"))
    print("%s: said %r; title %s; %s a click; after it: said %r, first frame %s, full "
          "screen %s, %d of 30 samples heard, pictures moved %.1f s in 3 s, drawing buffer %s"
          % (name, seen["status"], seen["title"],
             "invites" if seen["invites"] else "does not invite", seen["after"], seen["started"],
             seen["fullscreen"], seen["heard"], seen["pictures"], seen["buffer"]))
    return seen


def page_states(directory, base, check):
    """Each row of PAGE_STATES, checked."""
    with served(directory, missing=("hallatorvo.wasm",)) as no_wasm, \
            served(directory, delays={"hallatorvo.wasm": WASM_DELAY}) as slow:
        urls = {"served": base, "phone": base, "no AudioContext": base, "no wasm": no_wasm,
                "slow wasm": slow, "disk": directory.resolve().as_uri() + "/"}
        for row in PAGE_STATES:
            name, _, _, status, after = row
            seen = page_state(row, urls)
            check(status in seen["status"] and seen["invites"] == (after != "nothing"),
                  "%s: before any click the page says %r and %s a click"
                  % (name, seen["status"], "invites" if seen["invites"] else "does not invite"))
            if after == "nothing":
                check(not seen["started"] and seen["after"] == seen["status"]
                      and not seen["fullscreen"],
                      "%s: a click changes nothing and leaves no full screen" % name)
            else:
                heard = seen["heard"] > 0 if after == "sound" else seen["heard"] == 0
                check(seen["started"] and heard and seen["pictures"] > 2,
                      "%s: a click starts the show, %s: pictures moved %.1f s in 3 s, "
                      "%d samples heard" % (name, after, seen["pictures"], seen["heard"]))
            if name == "phone":
                title = seen["title"]
                buffer = [PHONE_SCALE * side for side in PHONE]
                check(title["lines"] == 1 and abs(title["left"] - title["right"]) <= 2
                      and seen["buffer"] == buffer,
                      "phone: the title on %d line(s), %.0f and %.0f px from the sides; the "
                      "drawing buffer %s, %s expected"
                      % (title["lines"], title["left"], title["right"], seen["buffer"], buffer))


def single_file(base, native, check):
    """The page as one file from the disk: its held frame, and a click that
    starts the show, drawn and heard until Escape."""
    t = SHOT_TIMES[0]
    difference = mean_difference(page_frames(base, times=(t,))[t], native)
    check(difference < FRAME_THRESHOLD,
          "single file: frame at %d s: mean difference %.2f from the native one" % (t, difference))
    end = clicked_run(base, escape_after=3, name="single file")
    check(end["frames"] > 0 and end["played"] >= SAMPLE_RATE,
          "single file: a click started the show: %d frames drawn, %d sound frames played"
          % (end["frames"], end["played"]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True, type=pathlib.Path)
    parser.add_argument("--capture", required=True)
    parser.add_argument("--clicked", action="store_true")
    parser.add_argument("--keep", type=pathlib.Path)
    parser.add_argument("--single", type=pathlib.Path,
                        help="the folder of the page as one file, opened from file://")
    args = parser.parse_args()

    failures = []

    def check(ok, text):
        print(("ok      " if ok else "FAILED  ") + text)
        if not ok:
            failures.append(text)

    with tempfile.TemporaryDirectory(prefix="hallatorvo-web-") as work:
        native, native_song = native_reference(args.capture, pathlib.Path(work))
    with served(args.page) as base:
        page = page_frames(base)
        page["aspect"] = page_frames(base, "&aspect", (ASPECT_TIME,))[ASPECT_TIME]
        # A phone upright keeps the frame square without being asked.
        phone = functools.partial(Page, phone_scale=PHONE_SCALE)
        page["phone"] = page_frames(base, "", (ASPECT_TIME,), size=PHONE,
                                    browser=phone)[ASPECT_TIME]
        page_states(args.page, base, check)
        song = page_song(base)
        end = clicked_run(base) if args.clicked else None
        escaped = (clicked_run(base, SYNC_SECONDS, throttle=THROTTLE, name="throttled run")
                   if args.clicked else None)
        controls = controls_run(base) if args.clicked else None
        # Firefox opens the single file from the disk when there is one.
        other = args.single.resolve().as_uri() + "/" if args.single else base
        if args.clicked:
            firefox = clicked_run(other, SYNC_SECONDS, firefox_page.Page, name="Firefox run")
            page["Firefox"] = page_frames(other, times=(FIREFOX_TIME,),
                                          browser=firefox_page.Page)[FIREFOX_TIME]
            native["Firefox"] = native[FIREFOX_TIME]
            webkit = clicked_run(base, SYNC_SECONDS, webkit_page.Page, name="WebKit run")
            page["WebKit"] = page_frames(base, times=(FIREFOX_TIME,),
                                         browser=webkit_page.Page)[FIREFOX_TIME]
            native["WebKit"] = native[FIREFOX_TIME]
    if args.single:
        single_file(args.single.resolve().as_uri() + "/", native[SHOT_TIMES[0]], check)

    for t in SHOT_TIMES + ("aspect", "phone") + (("Firefox", "WebKit") if "Firefox" in page
                                                  else ()):
        if args.keep:
            keep(args.keep, t, page[t])
        difference = mean_difference(page[t], native[t])
        check(difference < FRAME_THRESHOLD,
              "frame at %s: mean difference %.2f from the native one (under %.1f)"
              % ({"aspect": "%d s with aspect" % ASPECT_TIME,
                  "phone": "%d s on a phone upright" % ASPECT_TIME,
                  "Firefox": "%d s in Firefox" % FIREFOX_TIME,
                  "WebKit": "%d s in WebKit" % FIREFOX_TIME}[t] if isinstance(t, str)
                 else "%d s" % t, difference,
                 FRAME_THRESHOLD))
    # The measure tells the show's frames apart: each native frame is far from
    # the page's frames of the other times.
    for t in SHOT_TIMES:
        for other in SHOT_TIMES:
            if other != t:
                difference = mean_difference(page[other], native[t])
                check(difference > 2 * FRAME_THRESHOLD,
                      "page frame at %d s vs native at %d s: %.2f apart (over %.1f)"
                      % (other, t, difference, 2 * FRAME_THRESHOLD))

    check(len(song) == len(native_song) == SHOW_SECONDS * SAMPLE_RATE,
          "the song: %d samples from the page, %d native, %d expected"
          % (len(song), len(native_song), SHOW_SECONDS * SAMPLE_RATE))
    count = min(len(song), len(native_song))
    delta = song[:count].astype(numpy.int64) - native_song[:count].astype(numpy.int64)
    largest = int(numpy.abs(delta).max()) if count else 0
    signal = float(numpy.sum(native_song[:count].astype(numpy.float64) ** 2))
    noise = float(numpy.sum(delta.astype(numpy.float64) ** 2))
    ratio = math.inf if noise == 0 else 10 * math.log10(signal / noise)
    check(signal > 0, "the native song is not silent")
    check(largest <= MAX_SAMPLE_DIFFERENCE,
          "the song: largest sample difference %d (at most %d), %d samples differ"
          % (largest, MAX_SAMPLE_DIFFERENCE, int(numpy.count_nonzero(delta))))
    check(ratio >= MIN_SIGNAL_TO_DIFFERENCE_DB,
          "the song: signal to difference %.1f dB (at least %.0f)"
          % (ratio, MIN_SIGNAL_TO_DIFFERENCE_DB))

    if end is not None:
        check(SHOW_SECONDS - 1 <= end["seconds"] <= SHOW_SECONDS + 10,
              "clicked run: ended by itself after %.1f s" % end["seconds"])
        check(end["played"] >= (SHOW_SECONDS - 2) * SAMPLE_RATE,
              "clicked run: %d sound frames played, the show's %d s"
              % (end["played"], SHOW_SECONDS))
        check(end["resized"], "clicked run: the drawing buffer follows the window's size")
        for run in (end, escaped, firefox, webkit):
            median = numpy.median(run["gaps"]) if run["gaps"] else math.inf
            check(median <= MAX_MEDIAN_SYNC_MS and run["unheard"] == 0,
                  "%s: pictures follow the heard sound, |picture - heard| median %.1f ms "
                  "(at most %.0f), %d samples without sound"
                  % (run["name"], median, MAX_MEDIAN_SYNC_MS, run["unheard"]))
            check(run["underruns"] == 0, "%s: %d sound frames missed by the worklet"
                  % (run["name"], run["underruns"]))
        for run in (escaped, firefox, webkit):
            check(run["ending"] < 10 and run["escape_shown"] in (None, True),
                  "%s: Escape %sended the show %.1f s later"
                  % (run["name"], "left full screen, then a second " if run["fullscreen"] else "",
                     run["ending"]))

    for what, ok in (controls or {}).items():
        check(ok, "controls: " + what)

    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
