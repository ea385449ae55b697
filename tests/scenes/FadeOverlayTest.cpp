// The full-screen fade overlays as they look over a drawn frame.
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "render/Frame.h"
#include "scenes/SceneFrame.h"
#include "tests/support/GlWindow.h"

#include <gtest/gtest.h>

namespace {

class FadeOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OpenShowWindow(); }

    // A frame filled with (0.8, 0.4, 0) under the scenes' camera, then
    // `overlay`; returns the frame's four corners and middle.
    template <typename Overlay> std::vector<Pixels> frameUnder(Overlay overlay) {
        ResetRenderState();
        glClearColor(0.8f, 0.4f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        demo.cameraEye[0] = 0.0f;
        demo.cameraEye[1] = 0.0f;
        demo.cameraEye[2] = -1.0f;
        SetupCamera();
        overlay();
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        std::vector<Pixels> spots;
        for (const auto& [x, y] : {std::pair{0, 0}, {511, 0}, {0, 511}, {511, 511}, {256, 256}}) {
            spots.push_back(ReadBackBuffer(x, y, 1, 1));
        }
        return spots;
    }
};

TEST_F(FadeOverlay, CoversTheWholeFrameBlendedByItsAlpha) {
    // White at 1 - fade with alpha 1 - fade: fade 0.25 gives 0.75 x 0.75 of
    // white over a quarter of the picture.
    for (const Pixels& p : frameUnder([] { DrawWhiteFade(0.25f); })) {
        EXPECT_NEAR(p.at(0, 0, 0), 255 * (0.5625 + 0.25 * 0.8), 2);
        EXPECT_NEAR(p.at(0, 0, 1), 255 * (0.5625 + 0.25 * 0.4), 2);
        EXPECT_NEAR(p.at(0, 0, 2), 255 * 0.5625, 2);
    }
    // A finished fade leaves the picture alone.
    for (const Pixels& p : frameUnder([] { DrawWhiteFade(1.0f); })) {
        EXPECT_NEAR(p.at(0, 0, 0), 204, 1);
        EXPECT_NEAR(p.at(0, 0, 1), 102, 1);
    }
    // Full white, alpha 1 - fadeIn.
    for (const Pixels& p : frameUnder([] { DrawWhiteFadeIn(0.5f); })) {
        EXPECT_NEAR(p.at(0, 0, 0), 255 * (0.5 + 0.5 * 0.8), 2);
        EXPECT_NEAR(p.at(0, 0, 2), 128, 2);
    }
    // Black at alpha g darkens to 1 - g.
    for (const Pixels& p : frameUnder([] { DrawBlackFade(0.75f); })) {
        EXPECT_NEAR(p.at(0, 0, 0), 255 * 0.25 * 0.8, 2);
        EXPECT_NEAR(p.at(0, 0, 2), 0, 1);
    }
}

} // namespace
