// The music driver with the sound player behind it: what the player counts at
// the end of the image. SDL's disk driver plays into /dev/null, so only the player's
// counts are heard.
#include "audio/AudioStream.h"
#include "platform/SoundProgress.h"
#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool quiet() {
    return !GetSoundPlayerStats().playing;
}

class StreamPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        // Flat out: the 240 s of the image pass in well under a second.
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }

    void TearDown() override { PlaySoundA(nullptr, nullptr, 0); }
};

} // namespace

TEST_F(StreamPlayback, APlayerReachingTheEndOfAFullImageCountsNoUnderrun) {
    AudioStream music;
    music.init();
    // Straight to the end of the capacity; the samples skipped stay silent.
    music.samplesRendered = music.capacitySamples() - 10;
    music.renderAhead(1.0f);
    ASSERT_EQ(music.samplesRendered, 5292000);
    music.startPlayback();
    ASSERT_TRUE(waitUntil(quiet));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    EXPECT_EQ(stats.framesPlayed, 5292001u)
        << "every slot of the data chunk, the silent last one too";
    EXPECT_EQ(stats.underrunFrames, 0u);
}
