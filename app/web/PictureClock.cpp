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
    if (held) {
        FrameTime frame;
        frame.tick = GetTickCount();
        frame.time = static_cast<float>(shown);
        return frame;
    }
    if (started >= 0.0) {
        const double step = std::min(now - started, LongestPresentation);
        interval = interval == 0.0 ? step : 0.9 * interval + 0.1 * step;
    }
    const double presentedNow = now + interval;
    const double predicted = started < 0.0 ? shown : at(presentedNow);
    const double song = heard(presentedNow);
    double time = predicted;
    if (std::isfinite(song)) {
        // The first position heard of a sound that plays (it reads below its
        // start until then) is joined at once: slewed, a gap under the
        // rejoining one would last seconds.
        const bool first = !joined && song >= songFrom;
        joined = joined || first;
        const double rejoin = first ? 0.0 : RejoinSeconds;
        const double gap = song - predicted;
        if (gap > rejoin) {
            time = song;
        } else if (gap < -rejoin) {
            time = std::max(shown, song); // waits for the sound
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
    // Before a frame, and while held, the clock stands.
    return held || started < 0.0 ? shown : shown + (now - presented) / 1000.0;
}

double PictureClock::heard(double now) const {
    return songFrom + HeardSongSeconds(now);
}

void PictureClock::hold() {
    held = true;
}

void PictureClock::resume(double songSeconds) {
    held = false;
    songFrom = songSeconds;
    started = -1.0;
    interval = 0.0;
    joined = false;
}
