// Shape of the deformed sphere: the ellipsoid it starts from, the range of its
// radius, and the material defaults the scenes start from.
#include "scenes/Surface.h"
#include "app/SineTable.h"
#include "common/DemoState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265358979f;

class SurfaceShape : public ::testing::Test {
protected:
    static void SetUpTestSuite() { FillSineTable(); }

    void SetUp() override {
        demo.surfaceShape = 0;
        demo.surfaceWeight = 1.0f;
        demo.surfacePhaseU = 0.0f;
        demo.surfacePhaseV = 0.0f;
        demo.surfaceScale[0] = demo.surfaceScale[1] = demo.surfaceScale[2] = 1.0f;
    }

    // The polar angle the surface uses for its ring radius.
    static float PulledIn(float v) { return 0.999f * v + 0.0015708f; }

    // Signed radius at (u, v): the point projected on its unit sphere direction.
    static float Radius(float u, float v) {
        const SurfaceVector p = SurfacePoint(u, v);
        const float s = std::sin(PulledIn(v));
        return p.x * std::cos(u) * s + p.y * std::cos(v) + p.z * std::sin(u) * s;
    }
};

TEST_F(SurfaceShape, WithoutWeightEveryRowIsTheScaledEllipsoid) {
    demo.surfaceWeight = 0.0f;
    demo.surfaceScale[0] = 1.0f;
    demo.surfaceScale[1] = 2.5f;
    demo.surfaceScale[2] = 0.5f;
    demo.surfacePhaseU = 1.7f;
    demo.surfacePhaseV = -36.0f;
    for (int row = 0; row < ShapeRows; ++row) {
        demo.surfaceShape = row;
        for (int i = 0; i <= 32; ++i) {
            for (int j = 0; j <= 32; ++j) {
                const float u = static_cast<float>(i) * 2.0f * Pi / 32.0f;
                const float v = static_cast<float>(j) * Pi / 32.0f;
                const SurfaceVector p = SurfacePoint(u, v);
                const float s = std::sin(PulledIn(v));
                // Table lookups are good to about one table step (1e-4 rad).
                EXPECT_NEAR(p.x, 1.0f * std::cos(u) * s, 5e-4f) << row << " " << u << " " << v;
                EXPECT_NEAR(p.y, 2.5f * std::cos(v), 5e-4f) << row << " " << u << " " << v;
                EXPECT_NEAR(p.z, 0.5f * std::sin(u) * s, 5e-4f) << row << " " << u << " " << v;
            }
        }
    }
}

TEST_F(SurfaceShape, PolesAreOpenedSlightlyButTheHeightIsNot) {
    demo.surfaceWeight = 0.0f;
    // At v = 0 the ring keeps a radius of about 0.0015 (table entry 16), yet
    // sits at full height.
    const SurfaceVector top = SurfacePoint(0.0f, 0.0f);
    EXPECT_NEAR(top.x, std::sin(16.0 * 2.0 * 3.14159265358979 / 65536.0), 1e-7);
    EXPECT_GT(top.x, 0.0f);
    EXPECT_FLOAT_EQ(top.y, 1.0f);
    EXPECT_NEAR(top.z, 0.0f, 1e-6f);
    // The pulled-in angle stays a hair short of pi/2 at the equator.
    const SurfaceVector equator = SurfacePoint(0.0f, 0.5f * Pi);
    EXPECT_NEAR(equator.x, std::sin(PulledIn(0.5f * Pi)), 2e-4f);
    EXPECT_NEAR(equator.y, 0.0f, 2e-4f);
}

TEST_F(SurfaceShape, RowZeroAtFullWeightSpansRadiiFromMinusThreeToFive) {
    // All four terms at +1: sin(v + phi) = cos(5v + phi) = sin(5u + psi) =
    // cos(u + psi) = 1 at u = pi/8, v = 3pi/8 with phi = pi/8, psi = -pi/8.
    demo.surfacePhaseV = Pi / 8.0f;
    demo.surfacePhaseU = -Pi / 8.0f;
    EXPECT_NEAR(Radius(Pi / 8.0f, 3.0f * Pi / 8.0f), 5.0f, 0.01f);

    // All four at -1: u = pi/8, v = 3pi/8 with phi = -7pi/8, psi = 7pi/8.
    demo.surfacePhaseV = -7.0f * Pi / 8.0f;
    demo.surfacePhaseU = 7.0f * Pi / 8.0f;
    EXPECT_NEAR(Radius(Pi / 8.0f, 3.0f * Pi / 8.0f), -3.0f, 0.01f);

    // No angle or phase leaves that range.
    float lowest = 1.0f;
    float highest = 1.0f;
    for (const float phase : {0.0f, 0.9f, -2.3f, 40.0f}) {
        demo.surfacePhaseV = phase;
        demo.surfacePhaseU = 0.5f * phase;
        for (int i = 0; i < 128; ++i) {
            for (int j = 0; j < 64; ++j) {
                const float r = Radius(static_cast<float>(i) * 2.0f * Pi / 128.0f,
                                       static_cast<float>(j) * Pi / 64.0f);
                lowest = std::min(lowest, r);
                highest = std::max(highest, r);
            }
        }
    }
    EXPECT_GE(lowest, -3.0f - 1e-3f);
    EXPECT_LE(highest, 5.0f + 1e-3f);
    EXPECT_LT(lowest, 0.0f); // parts of the surface do turn inside out
}

TEST_F(SurfaceShape, WeightScalesTheDeformation) {
    demo.surfacePhaseV = Pi / 8.0f;
    demo.surfacePhaseU = -Pi / 8.0f;
    demo.surfaceWeight = 0.140625f; // the largest weight the first scene breathes to
    EXPECT_NEAR(Radius(Pi / 8.0f, 3.0f * Pi / 8.0f), 1.0f + 4.0f * 0.140625f, 0.01f);
    demo.surfaceWeight = -0.015625f; // the second scene's inward swing
    EXPECT_NEAR(Radius(Pi / 8.0f, 3.0f * Pi / 8.0f), 1.0f - 4.0f * 0.015625f, 0.01f);
}

TEST(SurfaceMaterial, ResetRestoresTheDefaultsButKeepsTheSpareSpecularFields) {
    demo.specularColor[0] = 9.0f;
    demo.specularColor[3] = 9.0f;
    demo.specularParams[0] = 9.0f;
    demo.specularParams[1] = 9.0f;
    demo.specularParams[2] = 7.0f;
    demo.specularParams[3] = 8.0f;
    demo.bumpParams[3] = 9.0f;
    demo.surfaceTexRepeat[0] = 9.0f;
    ResetSurfaceMaterial();
    EXPECT_FLOAT_EQ(demo.specularColor[0], 1.5f);
    EXPECT_FLOAT_EQ(demo.specularColor[1], 1.4f);
    EXPECT_FLOAT_EQ(demo.specularColor[2], 1.1f);
    EXPECT_FLOAT_EQ(demo.specularColor[3], 1.0f);
    EXPECT_FLOAT_EQ(demo.specularParams[0], 4.0f);
    EXPECT_FLOAT_EQ(demo.specularParams[1], 0.995f);
    EXPECT_FLOAT_EQ(demo.specularParams[2], 7.0f);
    EXPECT_FLOAT_EQ(demo.specularParams[3], 8.0f);
    EXPECT_FLOAT_EQ(demo.bumpParams[0], 2.0f);
    EXPECT_FLOAT_EQ(demo.bumpParams[1], 0.15f);
    EXPECT_FLOAT_EQ(demo.bumpParams[2], 0.01f);
    EXPECT_FLOAT_EQ(demo.bumpParams[3], 0.0f);
    EXPECT_FLOAT_EQ(demo.surfaceTexRepeat[0], 0.1f);
    EXPECT_FLOAT_EQ(demo.surfaceTexRepeat[1], 0.1f);
}

} // namespace
