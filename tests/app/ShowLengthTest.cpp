// The whole show, headless: it ends by itself after 103 seconds.
#include "tests/support/Process.h"

#include <gtest/gtest.h>

TEST(ShowLength, EndsByItselfAfterOneHundredAndThreeSeconds) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.timeoutSeconds = 240.0;
    const ProcessResult run = RunProcess({HALLATORVO_EXE, "-window", "-fps"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_GE(run.seconds, 103.0);
    EXPECT_LT(run.seconds, 180.0);
}
