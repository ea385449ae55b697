// What the capture writes of a frame, and which frames it picks.
#include "tools/capture/FrameGrab.h"
#include "platform/GL.h"
#include "tests/support/GlWindow.h"
#include "tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(FrameGrab, TheFirstRowIsTheTopOfThePicture) {
    OpenShowWindow();
    glViewport(0, 0, TestWindowWidth, TestWindowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 150, 40, 50); // the top quarter of a 40 x 200 picture
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> rgb;
    GrabFrame(40, 200, scratch, rgb);
    ASSERT_EQ(rgb.size(), 40u * 200u * 3u);
    auto at = [&](int x, int row) { return rgb[(static_cast<std::size_t>(row) * 40 + x) * 3]; };
    EXPECT_EQ(at(0, 0), 255);
    EXPECT_EQ(at(39, 49), 255);
    EXPECT_EQ(at(0, 50), 0);
    EXPECT_EQ(at(20, 199), 0);
}

TEST(CapturePlan, AShotIsTheLastFrameNotAfterItsTime) {
    CaptureOptions options;
    options.fps = 100.0;
    options.shots = {{0.29, "a.png"}, {102.5, "b.png"}, {0.0, "c.png"}};
    const CapturePlan plan = PlanCapture(options);
    // 0.29 x 100 rounds to just below 29, but frame 29 shows exactly 0.29 s.
    EXPECT_EQ(plan.shotFrames, (std::vector<std::int64_t>{29, 10250, 0}));
    EXPECT_EQ(plan.lastFrame, 10250);
    EXPECT_FALSE(plan.inRange(0));

    options.fps = 60.0;
    options.shots.clear();
    options.framesDirectory = "frames";
    const CapturePlan whole = PlanCapture(options);
    // The whole show: up to the first frame at 103 s, the run's last.
    EXPECT_EQ(whole.rangeFirst, 0);
    EXPECT_EQ(whole.rangeLast, 6180);
    EXPECT_EQ(whole.lastFrame, 6180);
}

TEST(CaptureOptionsDefaults, SeedOneSixtyFramesAndTheFrameSize) {
    const ParsedOptions parsed = ParseCaptureOptions({"--shot", "1:x.png"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.seed, 1u);
    EXPECT_EQ(parsed.options.fps, 60.0);
    EXPECT_EQ(parsed.options.width, 512);
    EXPECT_EQ(parsed.options.height, 512);
    const ParsedOptions sized = ParseCaptureOptions({"--size", "800x600", "--shot", "1:a:b.png"});
    ASSERT_TRUE(sized.ok) << sized.error;
    EXPECT_EQ(sized.options.width, 800);
    EXPECT_EQ(sized.options.height, 600);
    EXPECT_EQ(sized.options.shots[0].file, "a:b.png");
    EXPECT_EQ(parsed.options.frameSize, 512);
    EXPECT_FALSE(parsed.options.keepAspect);
    const ParsedOptions square =
        ParseCaptureOptions({"--aspect", "--res", "4096", "--shot", "1:x"});
    EXPECT_TRUE(square.ok && square.options.frameSize == 4096 && square.options.keepAspect);
}

// --help and --version ask for nothing to capture, but a value that is
// wrong is still refused; nothing else stands for them.
TEST(CaptureOptionsDefaults, HelpAndVersionNeedNothingToCapture) {
    const std::tuple<std::vector<std::string>, bool, bool, bool> cases[] = {
        // arguments, accepted, help, version
        {{"--version"}, true, false, true},
        {{"--help"}, true, true, false},
        {{"-h", "--version"}, true, true, true},
        {{"--fps", "30", "--version"}, true, false, true},
        {{"--version", "--fps", "0"}, false, false, false},
        {{"-v"}, false, false, false},
        {{"--versions"}, false, false, false},
    };
    for (const auto& [arguments, accepted, help, version] : cases) {
        const ParsedOptions parsed = ParseCaptureOptions(arguments);
        EXPECT_EQ(parsed.ok, accepted) << arguments[0] << ": " << parsed.error;
        EXPECT_EQ(parsed.options.help, help) << arguments[0];
        EXPECT_EQ(parsed.options.version, version) << arguments[0];
    }
}

} // namespace
