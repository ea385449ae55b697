// The scenes' numeric helpers and frame conventions, at their edges.
#include "scenes/SceneFrame.h"
#include "app/SineTable.h"
#include "common/DemoState.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// One step of the sine table, the accuracy a table read can promise.
constexpr float TableStep = 1.0e-4f;

class SceneFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() { FillSineTable(); }
};

TEST_F(SceneFrame, RampsWithoutLengthSwitchAtTheirStart) {
    EXPECT_EQ(RampIn(1.999f, 2.0f, 0.0f), 0.0f);
    EXPECT_EQ(RampIn(2.0f, 2.0f, 0.0f), 1.0f);
    EXPECT_EQ(RampOut(1.999f, 2.0f, 0.0f), 1.0f);
    EXPECT_EQ(RampOut(2.0f, 2.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(RampIn(2.5f, 2.0f, 2.0f), 0.25f);
    EXPECT_FLOAT_EQ(RampOut(2.5f, 2.0f, 2.0f), 0.75f);
    EXPECT_EQ(RampIn(9.0f, 2.0f, 2.0f), 1.0f);
    EXPECT_EQ(RampOut(9.0f, 2.0f, 2.0f), 0.0f);
}

TEST_F(SceneFrame, FractionAndPowersKeepTheirSigns) {
    EXPECT_EQ(Fraction(-0.25f), -0.25f);
    EXPECT_EQ(Fraction(-3.25f), -0.25f);
    EXPECT_EQ(Fraction(2.75f), 0.75f);
    EXPECT_EQ(SignedPow(8, true, -0.5f), -0.00390625f);
    EXPECT_EQ(SignedPow(8, false, -0.5f), 0.00390625f);
    EXPECT_EQ(SignedPow(1, true, -0.5f), -0.5f);
    EXPECT_EQ(SignedPow(0, false, -0.5f), 0.5f);
    const float zero = SignedPow(2, true, 0.0f);
    EXPECT_EQ(zero, 0.0f);
    EXPECT_TRUE(std::signbit(zero));
    EXPECT_FLOAT_EQ(Pow(2.0f, 10.0f), 1024.0f);
    EXPECT_FLOAT_EQ(Pow(9.0f, 0.5f), 3.0f);
    EXPECT_EQ(Pow(0.0f, 2.0f), 0.0f);
    EXPECT_FLOAT_EQ(Lerp(0.25f, 4.0f, 8.0f), 5.0f);
}

TEST_F(SceneFrame, TableSinesFollowTheSineAlsoForNegativeAngles) {
    for (float x = -40.0f; x < 40.0f; x += 0.37f) {
        EXPECT_NEAR(TableSin(x), std::sin(x), TableStep) << x;
        EXPECT_NEAR(TableCos(x), std::cos(x), TableStep) << x;
    }
    // A negative index wraps to the table's far end, mirroring the positive one
    // up to the table's rounding.
    EXPECT_EQ(TableSin(-1.0f), demo.sineTable[65536 - 10430]);
    EXPECT_NEAR(TableSin(-1.0f), -TableSin(1.0f), 1.0e-6f);
}

TEST_F(SceneFrame, AQuarterTurnIsRightHanded) {
    const float z[3] = {0.0f, 0.0f, 1.0f};
    const float y[3] = {0.0f, 1.0f, 0.0f};
    float quarter = 1.5707964f;
    float p[3] = {1.0f, 0.0f, 0.0f};
    RotateAboutAxis(p, z, quarter);
    EXPECT_NEAR(p[0], 0.0f, TableStep);
    EXPECT_NEAR(p[1], 1.0f, TableStep);
    EXPECT_NEAR(p[2], 0.0f, TableStep);
    float q[3] = {0.0f, 0.0f, 2.0f};
    RotateAboutAxis(q, y, quarter);
    EXPECT_NEAR(q[0], 2.0f, 2 * TableStep);
    EXPECT_NEAR(q[2], 0.0f, 2 * TableStep);
    // Points on the axis stay put.
    float onAxis[3] = {0.0f, 3.0f, 0.0f};
    RotateAboutAxis(onAxis, y, quarter);
    EXPECT_NEAR(onAxis[1], 3.0f, TableStep);
}

TEST_F(SceneFrame, FadesFollowTheEntryTheSceneReceives) {
    // The opening scene: in over 1.5 s, no fade-out; the closing one as the
    // timeline hands it over, from 64 s for 38 s, in 2.5 s, out 1.5 s.
    const SceneEntry opening{0.0f, 32.0f, 1.5f, 0.0f, 0, nullptr};
    EXPECT_FLOAT_EQ(FadeLevel(opening, 0.75f), 0.5f);
    EXPECT_EQ(FadeLevel(opening, 31.99f), 1.0f);
    const SceneEntry closing{64.0f, 38.0f, 2.5f, 1.5f, 0, nullptr};
    EXPECT_FLOAT_EQ(FadeLevel(closing, 65.25f), 0.5f);
    EXPECT_FLOAT_EQ(FadeLevel(closing, 101.25f), 0.5f);
    EXPECT_EQ(FadeLevel(closing, 80.0f), 1.0f);
}

TEST_F(SceneFrame, CameraLightAndViewConeShareOneConvention) {
    for (float& c : demo.cameraTarget) {
        c = 0.0f;
    }
    SetOrbitingEye(0.0f, 1.5f);
    EXPECT_EQ(demo.cameraEye[0], 0.0f);
    EXPECT_EQ(demo.cameraEye[1], 1.5f);
    EXPECT_EQ(demo.cameraEye[2], 5.0f);
    SetOrbitingEye(7.853982f, 0.0f); // a quarter of the orbit
    EXPECT_NEAR(demo.cameraEye[0], 5.0f, 1.0e-5f);
    EXPECT_NEAR(demo.cameraEye[2], 0.0f, 1.0e-5f);

    PlaceCirclingLight(1.5707964f);
    EXPECT_NEAR(demo.lightPosition[0], 15.0f, 15 * TableStep);
    EXPECT_EQ(demo.lightPosition[1], -3.0f);
    EXPECT_NEAR(demo.lightPosition[2], 0.0f, 15 * TableStep);
    EXPECT_EQ(demo.lightPosition[3], 1.0f);

    demo.cameraEye[0] = 3.0f;
    demo.cameraEye[1] = 0.0f;
    demo.cameraEye[2] = 4.0f;
    UpdateViewDirection();
    EXPECT_FLOAT_EQ(demo.viewDirection[0], -0.6f);
    EXPECT_FLOAT_EQ(demo.viewDirection[2], -0.8f);
    const float ahead[3] = {-3.0f, 0.0f, -4.0f};
    const float aside[3] = {7.0f, 0.0f, 1.0f}; // square to the view
    EXPECT_TRUE(InViewCone(ahead, 0.45f));
    EXPECT_FALSE(InViewCone(aside, 0.4f));
    EXPECT_TRUE(InFrontOfEye(ahead));

    // Eye on the target: no direction, and nothing passes a positive cone.
    for (int i = 0; i < 3; ++i) {
        demo.cameraEye[i] = 0.0f;
    }
    UpdateViewDirection();
    EXPECT_EQ(demo.viewDirection[0], 0.0f);
    EXPECT_EQ(demo.viewDirection[1], 0.0f);
    EXPECT_EQ(demo.viewDirection[2], 0.0f);
    EXPECT_FALSE(InViewCone(ahead, 0.4f));
}

TEST_F(SceneFrame, TheTwirlRestsNearZeroAndPeaksAtOne) {
    EXPECT_NEAR(Twirl(-0.8f), 1.0f, 1.0e-3f); // inner sine 0, cosine 1
    const float resting = Twirl(2.0f * (1.5707964f - 0.4f));
    EXPECT_LT(std::abs(resting), 1.0e-3f);
    for (float t = 0.0f; t < 60.0f; t += 0.1f) {
        EXPECT_LE(std::abs(Twirl(t)), 1.0f);
    }
}

} // namespace
