#include "app/web/PictureClock.h"

#include "common/DemoState.h"
#include "platform/web/WebSound.h"

#include <algorithm>
#include <cmath>

namespace {

// A frame is presented when the next one starts, at the display's refresh or
// at the page's own pace when drawing takes longer; no longer than this ahead.
constexpr double LongestPresentation = 100.0;
// Sound and picture clocks further apart than this are rejoined at once, not
// slewed: at the start, and after a hidden tab or a stalled device.
constexpr double RejoinSeconds = 0.05;
// The most a frame's step departs from the page clock's to follow the sound.
constexpr double SlewSeconds = 0.002;

} // namespace

FrameTime PictureClock::next(double now) {
    if (started >= 0.0) {
        const double step = std::min(now - started, LongestPresentation);
        interval = interval == 0.0 ? step : 0.9 * interval + 0.1 * step;
    }
    const double presentedNow = now + interval;
    const double predicted = started < 0.0 ? 0.0 : at(presentedNow);
    const double heard = HeardSongSeconds(presentedNow);
    double time = predicted;
    if (std::isfinite(heard)) {
        const double gap = heard - predicted;
        if (gap > RejoinSeconds) {
            time = heard;
        } else if (gap < -RejoinSeconds) {
            time = std::max(shown, heard); // waits for the sound
        } else {
            time = std::max(shown, predicted + std::clamp(gap / 2, -SlewSeconds, SlewSeconds));
        }
    }
    started = now;
    shown = time;
    presented = presentedNow;

    FrameTime frame;
    frame.tick = GetTickCount();
    frame.time = static_cast<float>(time);
    frame.frameDelta = frame.time - demo.time;
    return frame;
}

double PictureClock::at(double now) const {
    return shown + (now - presented) / 1000.0;
}
