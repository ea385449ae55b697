#include "app/Clock.h"

#include <cmath>

float ElapsedSeconds(std::uint32_t startTick, std::uint32_t now) {
    const std::uint32_t elapsed = now - startTick; // unsigned: survives the wrap
    return static_cast<float>(static_cast<double>(elapsed) * static_cast<double>(0.001f));
}

float DelayedElapsedSeconds(std::uint32_t startTick, std::uint32_t delayTicks, std::uint32_t now) {
    if (now - startTick < delayTicks) {
        return 0.0f;
    }
    return ElapsedSeconds(startTick + delayTicks, now);
}

void FrameRateTitle::start(std::uint32_t now) {
    frames = 0;
    lastTick = now;
}

bool FrameRateTitle::frame(std::uint32_t now, std::uint32_t& shown) {
    if (now - lastTick < 1000u) {
        ++frames;
        return false;
    }
    shown = frames;
    lastTick = now;
    frames = 0;
    return true;
}

bool RunAnotherFrame(float demoLength, float time) {
    return demoLength + 1.0f > time;
}

std::int64_t FrameAtOrBefore(double time, double fps) {
    auto frame = static_cast<std::int64_t>(std::floor(time * fps));
    // The product may round across an integer; settle on the exact rule.
    while (static_cast<double>(frame + 1) / fps <= time) {
        ++frame;
    }
    while (frame > 0 && static_cast<double>(frame) / fps > time) {
        --frame;
    }
    return frame;
}

std::int64_t FrameAtOrAfter(double time, double fps) {
    auto frame = static_cast<std::int64_t>(std::ceil(time * fps));
    while (frame > 0 && static_cast<double>(frame - 1) / fps >= time) {
        --frame;
    }
    while (static_cast<double>(frame) / fps < time) {
        ++frame;
    }
    return frame;
}
