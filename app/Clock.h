// The show's wall clock and the frame-rate title, both driven by the 32-bit
// millisecond tick counter.
#pragma once

#include <cstdint>

// Seconds between two tick counts, as a float. The difference is taken modulo
// 2^32, so the clock keeps running forward when the counter wraps.
float ElapsedSeconds(std::uint32_t startTick, std::uint32_t now);

// The same clock started `delayTicks` later, and holding 0 until then: the
// show's time runs that far behind the playback start, so that a frame shows
// what is being heard while the sound is still on its way out.
float DelayedElapsedSeconds(std::uint32_t startTick, std::uint32_t delayTicks, std::uint32_t now);

// Frame-rate title: counts frames and, once a second has passed since the last
// update, reports the count. The frame that triggers the update is not counted.
struct FrameRateTitle {
    std::uint32_t frames = 0;
    std::uint32_t lastTick = 0;

    void start(std::uint32_t now);

    // Returns true with the count in `shown` when the title is due this frame.
    bool frame(std::uint32_t now, std::uint32_t& shown);
};

// The loop runs another frame while demoLength + 1 > time: the last frame is
// the first whose time reaches the show's length plus one second.
bool RunAnotherFrame(float demoLength, float time);

// The frames of a fixed-step run, frame k at k / fps seconds. The largest k
// with k / fps <= time, and the smallest k with k / fps >= time.
std::int64_t FrameAtOrBefore(double time, double fps);
std::int64_t FrameAtOrAfter(double time, double fps);
