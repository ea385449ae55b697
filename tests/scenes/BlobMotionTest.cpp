// How the second scene's blobs move and pull the snow, without drawing: the
// strength of the pull over time, the pull on one flake, and the blobs' rise.
#include "scenes/SceneGatheringBlobs.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float Far = 1.0e4f;

// Blob 0 at `blob`, the others too far away to matter.
void OneBlob(float blobs[GatheringBlobCount][3], float x, float y, float z) {
    for (int j = 0; j < GatheringBlobCount; ++j) {
        blobs[j][0] = Far * static_cast<float>(j);
        blobs[j][1] = Far;
        blobs[j][2] = Far;
    }
    blobs[0][0] = x;
    blobs[0][1] = y;
    blobs[0][2] = z;
}

// How far a flake at distance L is pulled toward a single blob.
float PullStep(float distance, float frameDelta, float pull) {
    float blobs[GatheringBlobCount][3];
    OneBlob(blobs, 1.0f, 2.0f, -3.0f);
    float flake[3] = {1.0f, 2.0f + distance, -3.0f};
    AttractToBlobs(flake, blobs, frameDelta, pull);
    EXPECT_NEAR(flake[0], 1.0f, 1e-9f);
    EXPECT_NEAR(flake[2], -3.0f, 1e-9f);
    return 2.0f + distance - flake[1];
}

TEST(GatherPull, IsZeroUntilFortyOneSecondsAndFullFromFortyFour) {
    EXPECT_EQ(GatherPull(32.0f), 0.0f);
    EXPECT_EQ(GatherPull(40.9f), 0.0f);
    EXPECT_EQ(GatherPull(41.0f), 0.0f);
    EXPECT_NEAR(GatherPull(42.5f), 0.5f, 1e-6f);
    EXPECT_NEAR(GatherPull(43.0f), 2.0f / 3.0f, 1e-6f);
    EXPECT_EQ(GatherPull(44.0f), 1.0f);
    EXPECT_EQ(GatherPull(63.99f), 1.0f);
}

TEST(Attraction, MovesAFlakeTowardTheBlobByTheInverseSquareLaw) {
    for (const float pull : {1.0f, 0.5f}) {
        for (const float distance : {0.25f, 1.29f, 3.0f, 9.0f}) {
            const float law = 50.0f * 0.02f * pull * distance /
                              ((distance * distance + 5.0f) * (distance * distance + 5.0f));
            EXPECT_NEAR(PullStep(distance, 0.02f, pull), law, 1e-5f * (1.0f + law))
                << distance << " " << pull;
        }
    }
    EXPECT_EQ(PullStep(1.0f, 0.02f, 0.0f), 0.0f);
    EXPECT_EQ(PullStep(1.0f, 0.0f, 1.0f), 0.0f);
}

TEST(Attraction, IsStrongestAtAboutOnePointThreeUnits) {
    float strongest = 0.0f;
    float where = 0.0f;
    for (int i = 1; i <= 1000; ++i) {
        const float distance = 0.01f * static_cast<float>(i);
        const float step = PullStep(distance, 0.1f, 1.0f) / 0.1f;
        if (step > strongest) {
            strongest = step;
            where = distance;
        }
    }
    EXPECT_NEAR(strongest, 1.45f, 0.01f);
    EXPECT_NEAR(where, 1.29f, 0.02f);
}

TEST(Attraction, NeverThrowsAFlakePastTheBlobForFramesUnderHalfASecond) {
    for (int i = 1; i <= 400; ++i) {
        const float distance = 0.005f * static_cast<float>(i);
        const float step = PullStep(distance, 0.49f, 1.0f);
        EXPECT_GT(step, 0.0f) << distance;
        EXPECT_LE(step, 2.0f * 0.49f * distance) << distance;
        EXPECT_LT(step, distance) << distance;
    }
}

TEST(Attraction, EachBlobPullsFromWhereTheOnesBeforeItLeftTheFlake) {
    // Two blobs at the same place pull twice, the second from nearer.
    float blobs[GatheringBlobCount][3];
    OneBlob(blobs, 0.0f, 0.0f, 0.0f);
    blobs[3][0] = blobs[3][1] = blobs[3][2] = 0.0f;
    float flake[3] = {0.0f, 0.0f, 2.0f};
    AttractToBlobs(flake, blobs, 0.1f, 1.0f);
    const auto step = [](float l) { return 5.0f * l / ((l * l + 5.0f) * (l * l + 5.0f)); };
    const float afterFirst = 2.0f - step(2.0f);
    EXPECT_NEAR(flake[2], afterFirst - step(afterFirst), 1e-6f);
    EXPECT_NEAR(flake[0], 0.0f, 1e-9f);
    EXPECT_NEAR(flake[1], 0.0f, 1e-9f);
}

TEST(GatheringBlobs, RiseTogetherAtThreePointSixUnitsASecondAndWrapAfterTwentyFour) {
    float before[GatheringBlobCount][3];
    float after[GatheringBlobCount][3];
    int wraps = 0;
    for (int step = 0; step < 320; ++step) {
        const float t = 32.0f + 0.1f * static_cast<float>(step);
        GatheringBlobPositions(t, before);
        GatheringBlobPositions(t + 0.1f, after);
        for (int j = 0; j < GatheringBlobCount; ++j) {
            EXPECT_EQ(after[j][0], before[j][0]);
            EXPECT_EQ(after[j][2], before[j][2]);
            EXPECT_GE(before[j][0], -1.0f);
            EXPECT_LE(before[j][0], 3.0f);
            EXPECT_GE(before[j][2], -1.0f);
            EXPECT_LE(before[j][2], 3.0f);
            // From about 15 units below the centre to 9 above.
            EXPECT_GE(before[j][1], -16.0f);
            EXPECT_LE(before[j][1], 12.0f);
            const float rise = after[j][1] - before[j][1];
            if (rise < 0.0f) {
                EXPECT_NEAR(rise, 0.36f - 24.0f, 0.01f) << t;
                ++wraps;
            } else {
                EXPECT_NEAR(rise, 0.36f, 0.01f) << t;
            }
        }
    }
    // 32 s at 3.6 units a second: every blob wraps four or five times.
    EXPECT_GE(wraps, 4 * GatheringBlobCount);
    EXPECT_LE(wraps, 5 * GatheringBlobCount);
}

} // namespace
