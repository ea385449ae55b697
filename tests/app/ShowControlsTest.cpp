// The viewer's controls on the real show, drawn headless: a pause holds the
// picture and the clock, and a looping show's second pass draws its first.
#include "app/Show.h"
#include "common/DemoState.h"
#include "platform/GL.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
std::vector<std::uint8_t> StepAndRead(Show& show, const FrameTime& at) {
    StepShow(show, at);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(demo.width) * demo.height * 4);
    glReadPixels(0, 0, demo.width, demo.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
} // namespace

TEST(ShowControls, APauseHoldsThePictureAndALoopsSecondPassDrawsTheFirstOnesFrames) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ShowRun run;
    run.fullscreen = false;
    run.fixedSeed = run.offline = run.loop = true;
    Show show;
    ASSERT_TRUE(StartShow(run, show));
    // Long steps through every scene take the snow, the flakes and the
    // closing scene's slides far from where the start-up put them.
    const float times[] = {0.5f, 12.0f, 31.0f, 45.0f, 66.0f, 80.0f, 101.0f};
    std::vector<std::uint8_t> firstPass[std::size(times)];
    for (int pass = 0; pass < 2; ++pass) {
        float previous = 0.0f;
        for (std::size_t i = 0; i < std::size(times); ++i) {
            const auto frame = StepAndRead(show, {times[i], times[i] - previous});
            previous = times[i];
            if (pass == 1) {
                EXPECT_TRUE(frame == firstPass[i]) << "second pass at " << times[i] << " s";
                continue;
            }
            firstPass[i] = frame;
            if (times[i] == 80.0f) { // paused among the moving flakes
                PauseShow(show);
                const FrameTime held = ReadShowClock(show);
                EXPECT_TRUE(held.time == 80.0f && held.frameDelta == 0.0f);
                EXPECT_TRUE(StepAndRead(show, held) == frame && StepAndRead(show, held) == frame);
                ResumeShow(show);
                EXPECT_NEAR(ReadShowClock(show).time, 80.0f, 0.5f);
            }
        }
        StepShow(show, {103.0f, 2.0f});
        show.loop = pass == 0;
        EXPECT_EQ(FollowShow(show), pass == 0 ? AfterFrame::restarted : AfterFrame::end);
    }
}
