#include "app/Clock.h"

float ElapsedSeconds(std::uint32_t startTick, std::uint32_t now) {
    const std::uint32_t elapsed = now - startTick; // unsigned: survives the wrap
    return static_cast<float>(static_cast<double>(elapsed) * static_cast<double>(0.001f));
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
