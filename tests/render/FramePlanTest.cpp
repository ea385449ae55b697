// Where the frame goes and how large it is, for every kind of window and GL.
#include "render/FramePlan.h"

#include <gtest/gtest.h>

namespace {

struct PlanCase {
    const char* what;
    FrameRequest request;
    FramePlan plan; // the note: a piece of it, empty when there must be none
};

TEST(FramePlan, TheFrameGoesWhereItFitsOrGetsTheLargestSizeThatDoes) {
    // size, window, largest texture, any texture size, largest framebuffer object
    const PlanCase cases[] = {
        {"the default", {512, 800, 600, 8192, true, 8192}, {512, false, ""}},
        {"fits the screen", {1024, 1920, 1080, 8192, true, 8192}, {1024, false, ""}},
        {"larger than the window", {1024, 800, 600, 8192, true, 8192}, {1024, true, ""}},
        {"the default in a small window", {512, 320, 200, 8192, true, 8192}, {512, true, ""}},
        {"no framebuffer objects",
         {2048, 1920, 1080, 8192, true, 0},
         {1024, false,
          "frames of 2048 x 2048 do not fit the 1920 x 1080 window and this OpenGL has no "
          "framebuffer objects for them; drawing them at 1024 x 1024"}},
        {"a multiple of 128 that fits", {1024, 800, 700, 8192, true, 0}, {640, false, "at 640"}},
        {"framebuffer objects too small",
         {4096, 1920, 1080, 8192, true, 2048},
         {1024, false, "do not fit"}},
        {"nothing fits", {512, 100, 80, 8192, true, 0}, {128, false, "at 128 x 128"}},
        {"beyond the textures",
         {4096, 4096, 4096, 2048, true, 2048},
         {2048, false,
          "frames of 4096 x 4096 are beyond this OpenGL's textures; drawing them "
          "at 2048 x 2048"}},
        {"powers of two only", {1536, 1600, 1600, 8192, false, 8192}, {1024, false, "at 1024"}},
        {"powers of two that fit", {2048, 1000, 900, 8192, false, 0}, {512, false, "at 512"}},
    };
    for (const PlanCase& c : cases) {
        const FramePlan plan = PlanFrame(c.request);
        EXPECT_EQ(plan.size, c.plan.size) << c.what;
        EXPECT_EQ(plan.offscreen, c.plan.offscreen) << c.what;
        if (c.plan.note.empty()) {
            EXPECT_EQ(plan.note, "") << c.what;
        } else {
            EXPECT_NE(plan.note.find(c.plan.note), std::string::npos)
                << c.what << ": " << plan.note;
        }
    }
}

// With the aspect kept the frame fills the largest centred square; without,
// the whole output.
TEST(FramePlan, AKeptAspectIsTheLargestCentredSquare) {
    const std::pair<Viewport, Viewport> cases[] = {{{0, 0, 1366, 767}, {299, 0, 767, 767}},
                                                   {{0, 0, 300, 500}, {0, 100, 300, 300}},
                                                   {{0, 0, 512, 512}, {0, 0, 512, 512}}};
    for (const auto& [output, square] : cases) {
        EXPECT_EQ(OutputViewport(output.width, output.height, false), output);
        EXPECT_EQ(OutputViewport(output.width, output.height, true), square);
    }
}

} // namespace
