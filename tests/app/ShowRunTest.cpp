// The real show, run headless as a user would start it.
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {
const std::string Show = HALLATORVO_EXE;
}

TEST(ShowRun, SigtermEndsTheShowLikeEscapeWithExitCodeZero) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.signalAfterSeconds = 4.0;
    options.signal = SIGTERM;
    options.timeoutSeconds = 60.0;
    const ProcessResult run = RunProcess({Show, "-window"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_LT(run.seconds, 30.0);
}

TEST(ShowRun, SigintEndsTheFullScreenShowToo) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.signalAfterSeconds = 4.0;
    options.signal = SIGINT;
    const ProcessResult run = RunProcess({Show}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

// Frames larger than the window go through a framebuffer object; the show
// runs and ends as usual.
TEST(ShowRun, ALargeSquareFrameInASmallWindowRunsAndEndsLikeAnyOther) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.signalAfterSeconds = 6.0;
    options.signal = SIGTERM;
    const ProcessResult run = RunProcess({Show, "-window", "-res", "1024", "-aspect"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("drawing them at"), std::string::npos) << run.output;
}

// A frame size the show cannot draw is a usage error, named to the user
// before any window opens.
TEST(ShowRun, AnInvalidFrameSizeIsToldAndTheExitCodeIsTwo) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    for (const char* size : {"1000", "abc"}) {
        const ProcessResult run = RunProcess({Show, "-window", "-res", size}, options);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find(std::string("Error: -res ") + size + ": the frame size must be"),
                  std::string::npos)
            << run.output;
    }
}

TEST(ShowRun, WithoutOpenGlTheUserIsToldAndTheExitCodeIsNonZero) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    const ProcessResult run = RunProcess({Show, "-window"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.exitCode, -1);
    EXPECT_NE(run.output.find("Error: Can't Create A GL Rendering Context."), std::string::npos)
        << run.output;
}
