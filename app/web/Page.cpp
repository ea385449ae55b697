// The show in a web page. The page (index.html) calls one of three entries
// once the module is loaded:
//
// - PageStartShow, from the click on its title overlay: the show as the
//   desktop plays it, the shared start-up and then one shared frame step per
//   browser frame, until the show ends or Escape is pressed.
// - PageCaptureFrames, for tests and captures: no sound, frames at a fixed
//   step from time zero, as the capture tool draws them, up to the frame shown
//   at a given time, which stays on the canvas. Called again with a later
//   time, the same run goes on to that one.
// - PageRenderSong: the song of a seed, rendered whole as the capture tool
//   renders it, for comparison with the desktop's.
//
// After the show has ended, PageWatchAgain plays it again from the start;
// PageLoseShow stops it for good when the browser takes its GL context away.
//
// Each reports back through a function the page defines on Module.
#include "app/CommandLine.h"
#include "app/Show.h"
#include "app/Shutdown.h"
#include "app/web/PictureClock.h"
#include "common/DemoState.h"
#include "platform/SoundPlayer.h"
#include "platform/web/WebSound.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

Show show;
std::int64_t framesDrawn = 0;
PictureClock pictureClock;

// Whether the run asked for the square frame between bars everywhere.
bool aspectAsked = false;

// The fixed-step run of PageCaptureFrames.
double captureFps = 0.0;
std::int64_t lastFrame = 0;

// A step of the page's frame loop draws this long at most before the browser
// gets control back, so that a long capture keeps the page responsive.
constexpr double CaptureSliceMilliseconds = 50.0;

void reportFirstFrame() {
    if (framesDrawn == 1) {
        EM_ASM({ Module.firstFrame&& Module.firstFrame(); });
    }
}

void endShow() {
    emscripten_cancel_main_loop();
    Shutdown();
    PlaySoundA(nullptr, nullptr, 0);
    const SoundPlayerStats sound = GetSoundPlayerStats();
    EM_ASM({ Module.showEnded&& Module.showEnded($0, $1, $2, $3); },
           static_cast<double>(framesDrawn), static_cast<double>(sound.framesPlayed),
           static_cast<double>(sound.underrunFrames), static_cast<double>(sound.sampleRate));
}

// The drawing buffer follows the canvas as the page lays it out, in device
// pixels, never smaller than the frame it holds; the output is all of it. A
// canvas smaller than the frame gets a larger buffer of its own proportions,
// so that what is square in the buffer stays square on the page.
void followCanvasSize() {
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight);
    if (!(cssWidth > 0.0 && cssHeight > 0.0)) {
        return;
    }
    const double scale = std::max({emscripten_get_device_pixel_ratio(), demo.frameSize / cssWidth,
                                   demo.frameSize / cssHeight});
    const int width = std::max(static_cast<int>(cssWidth * scale + 0.5), demo.frameSize);
    const int height = std::max(static_cast<int>(cssHeight * scale + 0.5), demo.frameSize);
    if (width != demo.width || height != demo.height) {
        emscripten_set_canvas_element_size("#canvas", width, height);
        demo.width = width;
        demo.height = height;
    }
}

// A window taller than wide, as a phone held upright, would stretch the
// square frame upright (over twice as tall as wide on a phone); there it
// stays square between bars. A landscape window stretches it as the desktop.
void followWindowShape() {
    demo.keepAspect = aspectAsked || demo.height > demo.width ? 1 : 0;
}

void showFrame() {
    followCanvasSize();
    followWindowShape();
    StepShow(show, pictureClock.next(emscripten_get_now()));
    SwapBuffers(demo.deviceContext);
    ++framesDrawn;
    reportFirstFrame();
    switch (FollowShow(show)) {
    case AfterFrame::paused:
        pictureClock.hold();
        break;
    case AfterFrame::resumed:
        pictureClock.resume(static_cast<double>(show.music.playedFrom()) / ShowSampleRate);
        break;
    case AfterFrame::restarted:
        pictureClock = PictureClock{};
        break;
    case AfterFrame::end:
        endShow();
        break;
    case AfterFrame::next:
        break;
    }
}

void captureFrames() {
    const double started = emscripten_get_now();
    followWindowShape();
    do {
        StepShow(show, FixedStepFrame(framesDrawn, captureFps));
        SwapBuffers(demo.deviceContext);
        ++framesDrawn;
        reportFirstFrame();
    } while (framesDrawn <= lastFrame && emscripten_get_now() - started < CaptureSliceMilliseconds);
    if (framesDrawn > lastFrame) {
        emscripten_cancel_main_loop();
        EM_ASM({ Module.framesDone&& Module.framesDone($0); }, static_cast<double>(framesDrawn));
    }
}

// The show's switches (-res, -aspect) in a command line; false after telling
// the user what is wrong with it.
bool readSwitches(const char* commandLine, ShowRun& run) {
    const Switches switches = ScanCommandLine(commandLine);
    if (!switches.error.empty()) {
        MessageBoxA(nullptr, switches.error.c_str(), "Error", MB_OK | MB_ICONERROR);
        return false;
    }
    run.frameSize = switches.frameSize;
    run.keepAspect = switches.aspect;
    run.loop = switches.loop;
    aspectAsked = switches.aspect;
    run.program = "hallatorvo (web)";
    return true;
}

} // namespace

// The show over the whole canvas; seeded by the clock unless fixedSeed.
extern "C" EMSCRIPTEN_KEEPALIVE int PageStartShow(const char* commandLine, int fixedSeed,
                                                  std::uint32_t seed) {
    ShowRun run;
    if (!readSwitches(commandLine, run)) {
        return 0;
    }
    run.fixedSeed = fixedSeed != 0;
    run.seed = seed;
    if (!StartShow(run, show)) {
        return 0;
    }
    emscripten_set_main_loop(showFrame, 0, false);
    return 1;
}

// The picture clock and the heard song position at the same moment, in
// seconds, for the page's hallatorvoSync(); the latter NaN without sound.
extern "C" EMSCRIPTEN_KEEPALIVE void PageSync(double* picture, double* heard) {
    const double now = emscripten_get_now();
    *picture = pictureClock.at(now);
    *heard = pictureClock.heard(now);
}

// The ended show from its start again, on the click that asks for it.
extern "C" EMSCRIPTEN_KEEPALIVE void PageWatchAgain() {
    // Keys pressed while the end was showing are not for the new run.
    GetAsyncKeyState(VK_ESCAPE);
    GetAsyncKeyState(VK_SPACE);
    RestartShow(show);
    pictureClock = PictureClock{};
    framesDrawn = 0;
    emscripten_set_main_loop(showFrame, 0, false);
}

// The GL context is gone, and every texture and program with it: the frames
// and the sound stop, for the page to offer a new start.
extern "C" EMSCRIPTEN_KEEPALIVE void PageLoseShow() {
    emscripten_cancel_main_loop();
    show.music.stop();
}

// Gets the sound of PageStartShow ready while the page waits for the click.
extern "C" EMSCRIPTEN_KEEPALIVE void PagePrepareSound() {
    PrepareWebSound(ShowSampleRate);
}

// Frames at fps per second of show time up to the one shown at shotTime.
extern "C" EMSCRIPTEN_KEEPALIVE int PageCaptureFrames(const char* commandLine, std::uint32_t seed,
                                                      double fps, double shotTime) {
    if (!(fps > 0.0) || !(shotTime >= 0.0)) {
        return 0;
    }
    if (captureFps == 0.0) {
        ShowRun run;
        if (!readSwitches(commandLine, run)) {
            return 0;
        }
        run.fixedSeed = true;
        run.seed = seed;
        run.offline = true;
        if (!StartShow(run, show)) {
            return 0;
        }
        captureFps = fps;
    }
    lastFrame = FrameAtOrBefore(shotTime, captureFps);
    emscripten_set_main_loop(captureFrames, 0, false);
    return 1;
}

// The song's samples as 16-bit PCM; their count in *samples.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* PageRenderSong(std::uint32_t seed,
                                                                   std::int32_t* samples) {
    demo.randomSeed = seed;
    show.music.renderSong(ShowAudioSamples);
    *samples = ShowAudioSamples;
    return show.music.image().pcm();
}
