// The second scene as a viewer meets it: it takes over from the first at 32 s
// with a white frame, its snow rises untouched until 41 s, and from then on
// every blob gathers flakes, whether the camera sees it or not.
#include "SceneTestSupport.h"

#include "common/DemoState.h"
#include "scenes/SceneFrame.h"
#include "scenes/SceneGatheringBlobs.h"
#include "scenes/Sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class GatheringBlobs : public ::testing::Test {
protected:
    void SetUp() override { OpenSceneWindow(); }
};

TEST_F(GatheringBlobs, TakesOverAtThirtyTwoSecondsFromWhite) {
    const Pixels last = SceneFrameAt(31.99f, 0.0f);
    EXPECT_LT(*std::min_element(last.rgb.begin(), last.rgb.end()), 128);
    const Pixels first = SceneFrameAt(32.0f, 0.0f);
    EXPECT_EQ(*std::min_element(first.rgb.begin(), first.rgb.end()), 255);
    const Pixels later = SceneFrameAt(35.0f, 0.0f);
    EXPECT_LT(*std::min_element(later.rgb.begin(), later.rgb.end()), 128);
}

TEST_F(GatheringBlobs, SnowOnlyRisesUntilFortyOneSecondsThenGathers) {
    const std::vector<Flake> start = Snow();
    SceneFrameAt(40.9f, 0.1f);
    const std::vector<Flake> risen = Snow();
    int wrapped = 0;
    for (std::size_t i = 0; i < start.size(); ++i) {
        ASSERT_EQ(risen[i].x, start[i].x) << i;
        ASSERT_EQ(risen[i].z, start[i].z) << i;
        if (risen[i].y < start[i].y) {
            // Past the ceiling at 10 a flake comes back in at the bottom.
            EXPECT_EQ(risen[i].y, -10.0f) << i;
            ++wrapped;
        } else {
            EXPECT_GE(risen[i].y - start[i].y, 0.025f - 1e-5f) << i;
            EXPECT_LE(risen[i].y - start[i].y, 0.075f + 1e-5f) << i;
        }
    }
    EXPECT_LT(wrapped, 100);

    SceneFrameAt(44.0f, 0.1f);
    const std::vector<Flake> gathered = Snow();
    int pulled = 0;
    for (std::size_t i = 0; i < start.size(); ++i) {
        if (std::abs(gathered[i].x - risen[i].x) > 1e-3f ||
            std::abs(gathered[i].z - risen[i].z) > 1e-3f) {
            ++pulled;
        }
    }
    EXPECT_GT(pulled, 1000);
}

TEST_F(GatheringBlobs, BlobsOutsideTheViewStillGatherSnow) {
    // A moment when one of the blobs is outside the camera's cone.
    float blobs[GatheringBlobCount][3];
    float time = 0.0f;
    int hidden = -1;
    for (int step = 0; step < 40 && hidden < 0; ++step) {
        time = 44.0f + 0.5f * static_cast<float>(step);
        SetOrbitingEye(time, 4.0f);
        UpdateViewDirection();
        GatheringBlobPositions(time, blobs);
        for (int j = 0; j < GatheringBlobCount && hidden < 0; ++j) {
            if (!InViewCone(blobs[j], 0.4f)) {
                hidden = j;
            }
        }
    }
    ASSERT_GE(hidden, 0);

    // A flake 1.29 units beside it, where its pull is strongest.
    Sprite* flake = demo.snowLayer[5000];
    flake->position[0] = blobs[hidden][0] + 1.29f;
    flake->position[1] = blobs[hidden][1];
    flake->position[2] = blobs[hidden][2];
    const Flake before = {flake->position[0], flake->position[1], flake->position[2]};

    // What the other blobs alone would do to it.
    float others[GatheringBlobCount][3];
    std::copy(&blobs[0][0], &blobs[0][0] + 3 * GatheringBlobCount, &others[0][0]);
    others[hidden][0] = others[hidden][1] = others[hidden][2] = 1.0e4f;
    float alone[3] = {before.x, before.y, before.z};
    AttractToBlobs(alone, others, 0.05f, 1.0f);

    SceneFrameAt(time, 0.05f);
    // Pulled toward the hidden blob by about 1.45 x 0.05 on top of the rest.
    EXPECT_NEAR(flake->position[0] - alone[0], -1.45f * 0.05f, 0.005f);
    EXPECT_NEAR(flake->position[2], alone[2], 0.005f);
}

} // namespace
