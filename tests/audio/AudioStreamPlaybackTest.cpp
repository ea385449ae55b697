// The music driver with the sound player behind it: what the player counts at
// the end of the image, and that a stream lets go of the player before its
// image goes. SDL's disk driver plays into /dev/null, so only the player's
// counts are heard.
#include "audio/AudioStream.h"
#include "platform/SoundProgress.h"
#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t imageBytes = 10584046;

// Images come from one block that is handed out again as soon as it is freed:
// a new image lands where the last one was, as it may with any allocator. The
// block is allocated at run time, and the replacements stay out of line, so the
// compiler draws no conclusions from where a new array can or cannot be.
std::uint8_t* imageBlock() {
    static auto* const block = static_cast<std::uint8_t*>(std::malloc(imageBytes));
    return block;
}
bool imageBlockTaken = false;

} // namespace

[[gnu::noinline]] void* operator new[](std::size_t size) {
    if (size == imageBytes && !imageBlockTaken && imageBlock() != nullptr) {
        imageBlockTaken = true;
        return imageBlock();
    }
    if (void* p = std::malloc(size > 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete[](void* p) noexcept {
    if (p != nullptr && p == imageBlock()) {
        imageBlockTaken = false;
        return;
    }
    std::free(p);
}

[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    operator delete[](p);
}

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

TEST_F(StreamPlayback, AStreamStopsItsOwnSoundBeforeItsImageGoesAndNoOtherSound) {
    // A buffer every 2 ms: the image lasts about ten seconds, still playing
    // when it is checked.
    setenv("SDL_DISKAUDIODELAY", "2", 1);
    struct Case {
        const char* what;
        std::function<void(std::unique_ptr<AudioStream>&)> act;
        bool playsOn;
    };
    const std::vector<Case> cases = {
        {"init() again", [](auto& music) { music->init(); }, false},
        {"destroyed", [](auto& music) { music.reset(); }, false},
        {"another stream made and destroyed without playing",
         [](auto&) {
             AudioStream other;
             other.init();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto music = std::make_unique<AudioStream>();
        music->init();
        music->startPlayback();
        ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 0; }));
        c.act(music);
        EXPECT_EQ(GetSoundPlayerStats().playing, c.playsOn);
        music.reset();
    }
}

TEST_F(StreamPlayback, AStreamGoneWithoutPlayingLeavesNoProgressForTheNextImageAtItsAddress) {
    std::uint8_t header[AudioStream::HeaderBytes];
    const void* freed = nullptr;
    {
        AudioStream music;
        music.init(); // publishes its first five seconds, and never plays
        std::memcpy(header, music.header, sizeof header);
        freed = music.image.get();
    }
    // A finished WAV of the same size, for which nobody publishes anything.
    const std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[imageBytes]());
    ASSERT_EQ(static_cast<const void*>(image.get()), freed) << "the new image is where the old was";
    std::memcpy(image.get(), header, sizeof header);
    ASSERT_TRUE(PlaySoundA(reinterpret_cast<LPCSTR>(image.get()), nullptr, SND_ASYNC | SND_MEMORY));
    ASSERT_TRUE(waitUntil(quiet));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    PlaySoundA(nullptr, nullptr, 0);
    EXPECT_EQ(stats.framesPlayed, 5292001u);
    EXPECT_EQ(stats.underrunFrames, 0u) << "every frame comes from the image";
}
