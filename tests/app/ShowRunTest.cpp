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
