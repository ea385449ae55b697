// The shell's rules: switches, clock, frame-rate title, end of the loop, sine table.
#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/SineTable.h"
#include "common/DemoState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>

TEST(CommandLine, SwitchesAreCaseSensitiveSubstringsAnywhere) {
    EXPECT_FALSE(ScanCommandLine("").window);
    EXPECT_FALSE(ScanCommandLine(nullptr).fps);
    EXPECT_TRUE(ScanCommandLine("-window").window);
    EXPECT_TRUE(ScanCommandLine("-windowed").window);       // a longer word matches
    EXPECT_TRUE(ScanCommandLine("x-windowy -fps2").window); // inside a word too
    EXPECT_FALSE(ScanCommandLine("-WINDOW -FPS").window);   // capitals do not
    EXPECT_FALSE(ScanCommandLine("-WINDOW -FPS").fps);
    EXPECT_FALSE(ScanCommandLine("- window").window);

    const Switches both = ScanCommandLine("-fps -window");
    EXPECT_TRUE(both.window);
    EXPECT_TRUE(both.fps);
    const Switches reversed = ScanCommandLine("-window -fps");
    EXPECT_TRUE(reversed.window);
    EXPECT_TRUE(reversed.fps);
    const Switches fpsOnly = ScanCommandLine("-fps");
    EXPECT_FALSE(fpsOnly.window);
    EXPECT_TRUE(fpsOnly.fps);
}

// "-res N" and "-aspect" are whole words, the last "-res" counting; N is a
// multiple of 128 from 256 to 4096, anything else is refused with the reason.
TEST(CommandLine, FrameSizeAndAspectAreWholeWords) {
    const std::tuple<const char*, int, bool> cases[] = {
        // command line, frame size (0: refused), aspect
        {"", 512, false},
        {"-window -res 256 -fps", 256, false},
        {"-res 4096 -aspect", 4096, true},
        {"\t-aspect\t-res\t640", 640, true},
        {"-res 512 -res 2048", 2048, false},
        {"-aspects -resolution 1024 -ASPECT", 512, false},
        {"-res", 0, false},
        {"-res 128", 0, false},
        {"-res 4224", 0, false},
        {"-res 1000", 0, false},
        {"-res +512", 0, false},
        {"-res 1024x", 0, false},
        {"-res 99999999999999999999", 0, false},
        {"-res -window", 0, false},
    };
    for (const auto& [line, frameSize, aspect] : cases) {
        const Switches switches = ScanCommandLine(line);
        EXPECT_EQ(switches.error.empty(), frameSize != 0) << line << ": " << switches.error;
        EXPECT_EQ(switches.frameSize, frameSize != 0 ? frameSize : 512) << line;
        EXPECT_EQ(switches.aspect, aspect) << line;
    }
    EXPECT_EQ(ScanCommandLine("-res 1000").error,
              "-res 1000: the frame size must be a multiple of 128 from 256 to 4096.");
    EXPECT_TRUE(ScanCommandLine("-res 1024 -window").window);
}

// "--help" and "--version" are whole words, case-sensitive like the rest;
// the other switches keep their meaning beside them, and a refused frame
// size is still refused.
TEST(CommandLine, HelpAndVersionAreWholeWords) {
    const std::tuple<const char*, bool, bool, bool, bool> cases[] = {
        // command line, help, version, window, refused
        {"--help", true, false, false, false},
        {"--version", false, true, false, false},
        {"-window --version -fps", false, true, true, false},
        {"\t--help\t--version", true, true, false, false},
        {"--helpme --versions -version", false, false, false, false},
        {"--HELP --Version x--help", false, false, false, false},
        {"--help -res 1000", true, false, false, true},
    };
    for (const auto& [line, help, version, window, refused] : cases) {
        const Switches switches = ScanCommandLine(line);
        EXPECT_EQ(switches.help, help) << line;
        EXPECT_EQ(switches.version, version) << line;
        EXPECT_EQ(switches.window, window) << line;
        EXPECT_EQ(!switches.error.empty(), refused) << line;
    }
}

// "-loop" and "-display N" are whole words, the last "-display" counting.
TEST(CommandLine, LoopAndDisplayAreWholeWords) {
    EXPECT_TRUE(ScanCommandLine("-window -loop").loop);
    EXPECT_FALSE(ScanCommandLine("-loops x-loop").loop);
    EXPECT_EQ(ScanCommandLine("-display 2 -fps -display 1").display, 1);
}

TEST(Clock, ElapsedTimeSurvivesTheTickCounterWrapping) {
    EXPECT_FLOAT_EQ(ElapsedSeconds(1000, 1000), 0.0f);
    EXPECT_FLOAT_EQ(ElapsedSeconds(1000, 3500), 2.5f);
    // Started 500 ms before the wrap; now 1500 ms after it.
    const std::uint32_t start = 0xFFFFFFFFu - 499u;
    EXPECT_NEAR(ElapsedSeconds(start, 1500u), 2.0f, 1e-6f);

    // Frame by frame across the wrap, time never goes backwards.
    float previous = 0.0f;
    for (std::uint32_t step = 0; step < 4000; step += 7) {
        const float now = ElapsedSeconds(start, start + step);
        EXPECT_GE(now, previous);
        previous = now;
    }
    EXPECT_NEAR(previous, 3.997f, 1e-5f);
}

// Pictures that wait for the sound's way out: 0 until it is heard, then the
// plain clock from then on, across the wrap too; the show's 103 s come 45 ms later.
TEST(Clock, ADelayedClockHoldsZeroUntilTheSoundIsHeard) {
    const std::uint32_t wrap = 0xFFFFFFFFu - 19u;
    const struct {
        std::uint32_t start, delay, now;
        float seconds;
    } cases[] = {{1000, 0, 3500, 2.5f}, {1000, 45, 1045, 0.0f}, {1000, 45, 1046, 0.001f},
                 {wrap, 45, 10, 0.0f},  {wrap, 45, 1025, 1.0f}, {0, 45, 103044, 102.999f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(DelayedElapsedSeconds(c.start, c.delay, c.now), c.seconds, 1e-5f) << c.now;
    }
    EXPECT_LT(DelayedElapsedSeconds(0, 45, 103044), 103.0f);
    EXPECT_GT(DelayedElapsedSeconds(0, 45, 103045), 103.0f);
}

TEST(Clock, ElapsedTimeUsesTheSinglePrecisionMillisecond) {
    // 0.001f is slightly above a millisecond, so 103000 ticks read a hair past
    // 103 s and 102999 ticks stay below: the show ends on the 103000th ms.
    EXPECT_GT(ElapsedSeconds(0, 103000), 103.0f);
    EXPECT_LT(ElapsedSeconds(0, 102999), 103.0f);
    EXPECT_EQ(ElapsedSeconds(0, 1), 0.001f);
}

TEST(FrameRateTitle, SixtyFramesASecondShowsFiftyNine) {
    FrameRateTitle title;
    title.start(0);
    std::uint32_t shown = 12345;
    int updates = 0;
    // Frames every 1000/60 ms: the 60th frame lands on 1000 ms and triggers.
    for (int k = 1; k <= 60; ++k) {
        const auto now = static_cast<std::uint32_t>(k * 1000.0 / 60.0 + 0.5);
        if (title.frame(now, shown)) {
            ++updates;
            EXPECT_EQ(k, 60);
        }
    }
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(shown, 59u);
    EXPECT_EQ(title.frames, 0u);
}

TEST(FrameRateTitle, SlowerThanOneFrameASecondShowsZero) {
    FrameRateTitle title;
    title.start(500);
    std::uint32_t shown = 99;
    EXPECT_TRUE(title.frame(1700, shown));
    EXPECT_EQ(shown, 0u);
    EXPECT_TRUE(title.frame(3000, shown));
    EXPECT_EQ(shown, 0u);
}

TEST(FrameRateTitle, CountsAcrossTheTickCounterWrap) {
    FrameRateTitle title;
    title.start(0xFFFFFF00u);
    std::uint32_t shown = 0;
    EXPECT_FALSE(title.frame(0xFFFFFF80u, shown));
    EXPECT_FALSE(title.frame(100u, shown)); // 356 ms later
    EXPECT_TRUE(title.frame(800u, shown));  // 1056 ms later
    EXPECT_EQ(shown, 2u);
}

TEST(MainLoop, TheLastFrameIsTheFirstAtOrPastOneHundredAndThreeSeconds) {
    EXPECT_TRUE(RunAnotherFrame(102.0f, 0.0f));
    EXPECT_TRUE(RunAnotherFrame(102.0f, 102.5f));
    EXPECT_TRUE(RunAnotherFrame(102.0f, std::nextafter(103.0f, 0.0f)));
    EXPECT_FALSE(RunAnotherFrame(102.0f, 103.0f));
    EXPECT_FALSE(RunAnotherFrame(102.0f, 150.0f));
}

TEST(SineTable, HoldsOneCycleOfTheSine) {
    FillSineTable();
    EXPECT_EQ(demo.sineTable[0], 0.0f);
    EXPECT_EQ(demo.sineTable[16384], 1.0f);
    EXPECT_EQ(demo.sineTable[49152], -1.0f);
    // The step is the single-precision 2 pi / 65536, so entry 32768 is not quite 0.
    EXPECT_NEAR(demo.sineTable[32768], 0.0f, 1e-6f);
    const long double step = static_cast<long double>(9.58737992e-05f);
    for (int i = 0; i < SineTableSize; ++i) {
        const float expected = static_cast<float>(sinl(static_cast<long double>(i) * step));
        EXPECT_EQ(demo.sineTable[i], expected) << "entry " << i;
    }
    EXPECT_NEAR(demo.sineTable[8192], std::sqrt(0.5f), 1e-6f);
}
