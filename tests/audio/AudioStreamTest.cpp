// The WAV image, the sample conversion and the render pacing of the music
// driver, and what the player behind it counts.
#include "audio/AudioStream.h"
#include "platform/SoundPlayer.h"
#include "synth/Block.h"
#include "tests/support/ManualClock.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// The player plays into /dev/null as fast as it can: the 240 s of an image
// pass in well under a second.
[[maybe_unused]] const bool flatOutPlayer = setenv("SDL_AUDIODRIVER", "disk", 1) == 0 &&
                                            setenv("SDL_DISKAUDIOFILE", "/dev/null", 1) == 0 &&
                                            setenv("SDL_DISKAUDIODELAY", "0", 1) == 0;

// A tick counter that follows the rendering: the manual clock's ticks plus a
// stream's samples rendered since a start, at a number of samples per tick.
struct RenderingClock {
    const AudioStream* stream = nullptr;
    std::int32_t from = 0;
    double samplesPerTick = 1.0;
};
RenderingClock renderingClock;
DWORD renderingTicks() {
    const RenderingClock& c = renderingClock;
    return ManualClock::ticks +
           static_cast<DWORD>((c.stream->samplesRendered() - c.from) / c.samplesPerTick);
}

std::int16_t sampleAt(const AudioStream& stream, std::int32_t index) {
    const std::uint8_t* at = stream.image().bytes() + WavImage::offsetOf(index);
    return static_cast<std::int16_t>(at[0] | (at[1] << 8));
}

// One stream for the suite: building it renders five seconds of the song.
class AudioStreamTest : public ::testing::Test {
protected:
    static AudioStream* stream;
    static void SetUpTestSuite() {
        ManualClock clock(1000, 0);
        stream = new AudioStream;
        stream->init();
    }
};
AudioStream* AudioStreamTest::stream = nullptr;

} // namespace

TEST_F(AudioStreamTest, HeaderBytesMatchTheWavLayout) {
    const std::uint8_t expected[44] = {
        'R', 'I', 'F', 'F', 0xE6, 0x7F, 0xA1, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ', 16,  0,   0,   0,    1,    0,    1,    0,   0x22, 0x56, 0,    0,    0x44, 0xAC,
        0,   0,   2,   0,   16,   0,    'd',  'a',  't', 'a',  0xC2, 0x7F, 0xA1, 0x00};
    const std::uint8_t* header = stream->image().bytes();
    for (int i = 0; i < 44; ++i) {
        EXPECT_EQ(header[i], expected[i]) << "byte " << i;
    }
    EXPECT_EQ(stream->image().dataBytes(), 10584002);
    EXPECT_EQ(stream->image().size(), 10584046u);
    // The RIFF size is 36 more than the data size.
    const std::uint32_t riff = header[4] | header[5] << 8 | header[6] << 16 | header[7] << 24;
    EXPECT_EQ(riff, static_cast<std::uint32_t>(stream->image().dataBytes()) + 36u);
}

TEST_F(AudioStreamTest, InitRendersAboutFiveSecondsCountedDownInSinglePrecision) {
    // The countdown of 5.0 by the float 1/22050 overshoots the exact 110,250.
    EXPECT_GT(stream->samplesRendered(), 110250 + 50);
    EXPECT_LT(stream->samplesRendered(), 110250 + 200);
    EXPECT_NEAR(stream->lead(), stream->samplesRendered() / 22050.0f, 1e-4f);
    // The song starts at once: the first second is not silent.
    int loud = 0;
    for (int i = 0; i < 22050; ++i) {
        loud += std::abs(sampleAt(*stream, i)) > 100;
    }
    EXPECT_GT(loud, 1000);
    // Nothing beyond the rendered samples has been written: still silence.
    for (int i = stream->samplesRendered(); i < stream->samplesRendered() + 22050; ++i) {
        ASSERT_EQ(sampleAt(*stream, i), 0) << "sample " << i;
    }
}

TEST(AudioStreamConversion, ScalesClampsAndTruncatesTowardZero) {
    EXPECT_EQ(AudioStream::toPcm(1.0f), 32767);
    EXPECT_EQ(AudioStream::toPcm(-1.0f), -32767); // not -32768
    EXPECT_EQ(AudioStream::toPcm(0.5f), 16383);
    EXPECT_EQ(AudioStream::toPcm(-0.5f), -16383);
    EXPECT_EQ(AudioStream::toPcm(0.0f), 0);
    EXPECT_EQ(AudioStream::toPcm(3.0f), 32767);
    EXPECT_EQ(AudioStream::toPcm(-3.0f), -32767);
    EXPECT_EQ(AudioStream::toPcm(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(AudioStream::toPcm(-std::numeric_limits<float>::infinity()), -32767);
    EXPECT_EQ(AudioStream::toPcm(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(AudioStream::toPcm(1.0f / 32767.0f * 0.999f), 0);
}

TEST(AudioStreamBudget, GrowsAsTheLeadShrinks) {
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(5.0f), 20.0f);
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(30.0f), 20.0f);
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(2.5f), 220.0f);
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(0.0f), 420.0f);
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(-3.0f), 420.0f);
    EXPECT_FLOAT_EQ(AudioStream::budgetMilliseconds(4.0f), 100.0f);
}

TEST_F(AudioStreamTest, LeadLosesTheWallClockTimeBetweenCallsAndGainsWhatWasRendered) {
    ManualClock clock(50000, 0);
    stream->startPlayback(); // the pacing clock starts at 50 s of ticks
    const float leadBefore = stream->lead();
    const std::int32_t before = stream->samplesRendered();

    // 300 ms pass; then rendering runs at ten times real time, so the clock
    // moves on a millisecond for every 220.5 samples rendered.
    clock.ticks = 50300;
    renderingClock = {stream, before, 220.5};
    SetTickSource(renderingTicks);
    stream->renderAhead(0.0f);
    SetTickSource(ManualClock::read);
    const std::int32_t rendered = stream->samplesRendered() - before;
    EXPECT_NEAR(stream->lead(), leadBefore - 0.3f + rendered / 22050.0f, 1e-4f);
    // The budget at a lead just under 5 s is a little over 20 ms. The call
    // renders until the clock shows it spent, and stops within a millisecond
    // of that tick.
    const float budget = AudioStream::budgetMilliseconds(leadBefore - 0.3f);
    EXPECT_GE(rendered / 220.5, std::floor(budget) + 1.0);
    EXPECT_LE(rendered / 220.5, std::floor(budget) + 2.0);
}

TEST_F(AudioStreamTest, AZeroCallRendersEvenWhenAlreadyOverBudget) {
    ManualClock clock(90000, 0);
    stream->startPlayback();
    const std::int32_t before = stream->samplesRendered();
    clock.ticksPerRead = 5000; // each read of the clock jumps far past any budget
    stream->renderAhead(0.0f);
    // At least a sample, and no more than the few that are rendered between
    // two looks at the clock.
    EXPECT_GE(stream->samplesRendered(), before + 1);
    EXPECT_LE(stream->samplesRendered(), before + MaxBlockSamples);
}

TEST_F(AudioStreamTest, APositiveRequestIgnoresTheClock) {
    ManualClock clock(200000, 1000);
    const std::int32_t before = stream->samplesRendered();
    stream->renderAhead(0.1f);
    const std::int32_t rendered = stream->samplesRendered() - before;
    EXPECT_GE(rendered, 2205);
    EXPECT_LE(rendered, 2210);
}

TEST(AudioStreamEnd, StopsAtTwoHundredAndFortySecondsKeepsTheLeadAndPublishesTheWholeImage) {
    ManualClock clock(0, 0);
    AudioStream stream;
    // The song to within two seconds of the end; a request of three seconds
    // then meets the full image part way and returns early.
    ASSERT_TRUE(stream.renderSong(AudioStream::CapacitySamples - 2 * 22050));
    EXPECT_EQ(AudioStream::CapacitySamples, 5292000);
    const float lead = stream.lead();
    stream.renderAhead(3.0f);
    EXPECT_EQ(stream.samplesRendered(), 5292000);
    EXPECT_FLOAT_EQ(stream.lead(), lead); // returned early: the lead is not updated
    stream.renderAhead(0.0f);
    EXPECT_EQ(stream.samplesRendered(), 5292000);
    // The final slot of the data chunk is never written, yet final: a player
    // that reaches the end plays it as silence and counts no underrun.
    EXPECT_EQ(sampleAt(stream, 5292000), 0);
    stream.startPlayback();
    ASSERT_TRUE(waitUntil([] { return !GetSoundPlayerStats().playing; }));
    EXPECT_EQ(GetSoundPlayerStats().framesPlayed, 5292001u);
    EXPECT_EQ(GetSoundPlayerStats().underrunFrames, 0u);

    // A whole-song render asked for more than the image holds stops at its end.
    AudioStream more;
    EXPECT_FALSE(more.renderSong(AudioStream::CapacitySamples + 1));
    EXPECT_EQ(more.samplesRendered(), 5292000);
}

TEST(AudioStreamPlayback, AStreamStopsItsOwnSoundBeforeItsImageGoesAndNoOtherSound) {
    setenv("SDL_DISKAUDIODELAY", "2", 1); // an image lasts ten seconds: it still plays when checked
    const struct {
        const char* what;
        void (*act)(std::unique_ptr<AudioStream>&);
        bool playsOn;
    } cases[] = {
        {"init() again", [](std::unique_ptr<AudioStream>& music) { music->init(); }, false},
        {"destroyed", [](std::unique_ptr<AudioStream>& music) { music.reset(); }, false},
        {"another stream made and gone without playing",
         [](std::unique_ptr<AudioStream>&) { AudioStream().init(); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto music = std::make_unique<AudioStream>();
        music->init();
        music->startPlayback();
        ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 0; }));
        c.act(music);
        EXPECT_EQ(GetSoundPlayerStats().playing, c.playsOn);
    }
}

// Pause and replay: the player takes up the image at any sample and hears the
// song from there, nothing rendered is rendered again, and once it stops the
// image holds the song exactly as before.
TEST(AudioStreamPlayback, PlaysTheSongOnFromAnySampleAndLeavesTheImageAsItWas) {
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    const std::string recording = "/tmp/hallatorvo-from-" + std::to_string(getpid()) + ".raw";
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    AudioStream reference;
    ASSERT_TRUE(reference.renderSong(12 * 22050));
    const struct {
        std::int32_t renderedFirst, from; // rendered 0: init() alone
    } cases[] = {{12 * 22050, 0}, {10 * 22050, 4 * 22050 + 7}, {0, 8 * 22050}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        AudioStream music;
        c.renderedFirst > 0 ? (void)music.renderSong(c.renderedFirst) : music.init();
        const std::int32_t before = music.samplesRendered();
        music.playFrom(c.from);
        const std::int32_t rendered = music.samplesRendered();
        EXPECT_EQ(rendered, c.from <= before ? before : std::clamp(rendered, c.from, c.from + 999));
        EXPECT_NEAR(music.lead(), (rendered - c.from) / 22050.0f, 1e-4f);
        ASSERT_TRUE(waitUntil([] { return !GetSoundPlayerStats().playing; }));
        EXPECT_EQ(GetSoundPlayerStats().framesPlayed, AudioStream::ImageSamples - c.from + 0u);
        music.stop();

        std::ifstream file(recording, std::ios::binary);
        const std::string heard((std::istreambuf_iterator<char>(file)), {});
        // The song from the sample, after the silence SDL writes while the
        // device is open but not yet started.
        const std::string song(reinterpret_cast<const char*>(reference.image().pcm()) + 2 * c.from,
                               2 * static_cast<std::size_t>(rendered - c.from));
        const std::size_t at = heard.find(song);
        ASSERT_NE(at, std::string::npos);
        EXPECT_GE(heard.find_first_not_of('\0'), at);
        EXPECT_EQ(std::memcmp(music.image().bytes(), reference.image().bytes(),
                              WavImage::offsetOf(rendered)),
                  0);
    }
    std::remove(recording.c_str());
}
