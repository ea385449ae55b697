// The opening scene as a viewer meets it: the white first frame and fade-in,
// no blobs until 11 s, and snow that falls straight at its own steady rate.
#include "GLRecorder.h"
#include "SceneTestSupport.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Surfaces are the only quad strips a scene sends; each is 33 of them.
int SurfaceStrips(float time) {
    StartRecording();
    SceneFrameAt(time, 0.0f);
    const GLRecording& recording = StopRecording();
    return static_cast<int>(
        std::count_if(recording.primitives.begin(), recording.primitives.end(),
                      [](const RecordedPrimitive& p) { return p.mode == GL_QUAD_STRIP; }));
}

// Pixels that change when the frame at `time` is drawn without its blobs.
int BlobPixels(float time) {
    HideBlobs(false);
    const Pixels shown = SceneFrameAt(time, 0.0f);
    HideBlobs(true);
    const Pixels hidden = SceneFrameAt(time, 0.0f);
    HideBlobs(false);
    return ChangedPixels(shown, hidden, 8);
}

class RisingBlobs : public ::testing::Test {
protected:
    void SetUp() override { OpenSceneWindow(); }
};

TEST_F(RisingBlobs, FadesInFromWhiteOverTheFirstSecondAndAHalf) {
    const Pixels first = SceneFrameAt(0.0f, 0.0f);
    EXPECT_EQ(*std::min_element(first.rgb.begin(), first.rgb.end()), 255);

    // Half-way the overlay is grey at half alpha: 0.25 + 0.5 x the picture.
    const Pixels half = SceneFrameAt(0.75f, 0.0f);
    const auto [low, high] = std::minmax_element(half.rgb.begin(), half.rgb.end());
    EXPECT_GE(*low, 63);
    EXPECT_LE(*high, 192);
    EXPECT_GT(*high - *low, 30); // the scene shows through

    const Pixels clear = SceneFrameAt(1.5f, 0.0f);
    EXPECT_GT(ChangedPixels(clear, half, 20), 512 * 512 / 2);
}

TEST_F(RisingBlobs, BlobsAppearOnlyAfterElevenSeconds) {
    for (const float t : {1.0f, 10.9f, 11.0f}) {
        EXPECT_EQ(SurfaceStrips(t), 0) << t;
        EXPECT_EQ(BlobPixels(t), 0) << t;
    }
    // Just after 11 s the first blobs are drawn, at the edge of the view; by
    // 15 s they fill a good part of it.
    const int strips = SurfaceStrips(11.01f);
    EXPECT_GT(strips, 0);
    EXPECT_EQ(strips % 33, 0);
    EXPECT_LE(strips, 8 * 33);
    EXPECT_GT(BlobPixels(11.01f), 50);
    EXPECT_GT(BlobPixels(15.0f), 10000);
}

TEST_F(RisingBlobs, SnowFallsStraightAtEachFlakesOwnSteadyRate) {
    // 11.2 s is a twirl peak: the swirl is at its strongest on screen.
    ASSERT_GT(std::abs(Twirl(11.2f - 12.0f)), 0.99f);
    std::vector<std::vector<Flake>> frames{Snow()};
    for (int frame = 0; frame < 3; ++frame) {
        SceneFrameAt(11.2f + 0.1f * static_cast<float>(frame), 0.1f);
        frames.push_back(Snow());
    }

    float slowest = 1.0f;
    float fastest = 0.0f;
    int wrapped = 0;
    for (std::size_t i = 0; i < frames[0].size(); ++i) {
        float drop = -1.0f; // this flake's fall per frame, once seen
        for (int frame = 0; frame < 3; ++frame) {
            const Flake& before = frames[frame][i];
            const Flake& after = frames[frame + 1][i];
            // The swirl is drawn, never stored: flakes keep their x and z.
            ASSERT_EQ(after.x, before.x) << i;
            ASSERT_EQ(after.z, before.z) << i;
            if (after.y > before.y) {
                // Past the floor at -10 a flake comes back in at the top.
                EXPECT_EQ(after.y, 10.0f) << i;
                EXPECT_LT(before.y - 0.075f, -10.0f) << i;
                ++wrapped;
                continue;
            }
            const float fall = before.y - after.y;
            // 0.25 to 0.75 units per second, the same in every frame.
            EXPECT_GE(fall, 0.025f - 1e-5f) << i;
            EXPECT_LE(fall, 0.075f + 1e-5f) << i;
            if (drop >= 0.0f) {
                EXPECT_NEAR(fall, drop, 1e-5f) << i;
            }
            drop = fall;
            slowest = std::min(slowest, fall);
            fastest = std::max(fastest, fall);
        }
    }
    EXPECT_LT(slowest, 0.026f);
    EXPECT_GT(fastest, 0.074f);
    EXPECT_GT(wrapped, 0);
}

} // namespace
