// What DrawSurface sends to GL: how many strips and vertices, where the
// vertices lie, and the normal, tangents and coordinates each one carries.
#include "GLRecorder.h"

#include "app/SineTable.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "scenes/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265358979f;

float Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

class SurfaceDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo.fullscreen = 0;
        ASSERT_TRUE(RegisterWindowClass());
        ASSERT_NE(CreateShowWindow("surface", 800, 600).handle, nullptr);
        FillSineTable();
    }

    void SetUp() override {
        demo.surfaceResolution = 32;
        demo.surfaceShape = 0;
        demo.surfaceWeight = 0.0f;
        demo.surfacePhaseU = 0.0f;
        demo.surfacePhaseV = 0.0f;
        demo.surfaceScale[0] = demo.surfaceScale[1] = demo.surfaceScale[2] = 1.0f;
        ResetSurfaceMaterial();
        glDisable(GL_CULL_FACE);
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    static const GLRecording& Draw() {
        StartRecording();
        DrawSurface();
        return StopRecording();
    }

    static const RecordedVertex& At(const GLRecording& r, int strip, int vertex) {
        return r.primitives.at(strip).vertices.at(vertex);
    }
};

TEST_F(SurfaceDraw, ResolutionThirtyTwoSendsThirtyThreeStripsOfSixtyFourVertices) {
    const GLRecording& r = Draw();
    ASSERT_EQ(r.primitives.size(), 33u);
    for (const RecordedPrimitive& strip : r.primitives) {
        EXPECT_EQ(strip.mode, static_cast<unsigned int>(GL_QUAD_STRIP));
        ASSERT_EQ(strip.vertices.size(), 64u);
        for (const RecordedVertex& v : strip.vertices) {
            EXPECT_EQ(v.multiTexCalls, 2); // tangent and binormal with every vertex
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SurfaceDraw, OtherResolutionsKeepTheOneExtraStrip) {
    demo.surfaceResolution = 5;
    const GLRecording& five = Draw();
    ASSERT_EQ(five.primitives.size(), 6u);
    EXPECT_EQ(five.primitives[5].vertices.size(), 10u);

    // Zero draws one empty strip and nothing else.
    demo.surfaceResolution = 0;
    const GLRecording& zero = Draw();
    ASSERT_EQ(zero.primitives.size(), 1u);
    EXPECT_TRUE(zero.primitives[0].vertices.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SurfaceDraw, StripsWalkAroundAndPairsWalkAlong) {
    demo.surfaceWeight = 0.1f;
    demo.surfacePhaseV = -7.0f;
    demo.surfacePhaseU = 2.0f;
    const GLRecording& r = Draw();
    ASSERT_EQ(r.primitives.size(), 33u);
    const float du = 2.0f * Pi / 32.0f;
    const float dv = Pi / 32.0f;
    for (const int i : {0, 7, 31}) {
        for (const int j : {0, 13, 31}) {
            const float u = static_cast<float>(i) * du;
            const float v = static_cast<float>(j) * dv;
            const RecordedVertex& first = At(r, i, 2 * j);
            const RecordedVertex& second = At(r, i, 2 * j + 1);
            const SurfaceVector p = SurfacePoint(u, v);
            const SurfaceVector q = SurfacePoint(u + du, v);
            EXPECT_NEAR(first.position[0], p.x, 1e-5f);
            EXPECT_NEAR(first.position[1], p.y, 1e-5f);
            EXPECT_NEAR(first.position[2], p.z, 1e-5f);
            EXPECT_NEAR(second.position[0], q.x, 1e-5f);
            EXPECT_NEAR(second.position[1], q.y, 1e-5f);
            EXPECT_NEAR(second.position[2], q.z, 1e-5f);
        }
    }
    // The last strip lies on the first: table angles wrap at 2 pi.
    for (int k = 0; k < 64; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(At(r, 32, k).position[c], At(r, 0, k).position[c], 2e-4f) << k;
        }
    }
}

TEST_F(SurfaceDraw, SurfaceCoordinatesFollowTheRepeatsAndStopShortOfThePole) {
    demo.surfaceTexRepeat[0] = 0.8f;
    demo.surfaceTexRepeat[1] = 0.1f;
    const GLRecording& r = Draw();
    ASSERT_EQ(r.primitives.size(), 33u);
    EXPECT_FLOAT_EQ(At(r, 0, 0).texCoord0[0], 0.0f);
    EXPECT_FLOAT_EQ(At(r, 0, 0).texCoord0[1], 0.0f);
    EXPECT_NEAR(At(r, 0, 1).texCoord0[0], 0.8f / 32.0f, 1e-6f);
    EXPECT_NEAR(At(r, 16, 20).texCoord0[0], 0.8f * 16.0f / 32.0f, 1e-6f);
    EXPECT_NEAR(At(r, 16, 20).texCoord0[1], 0.1f * 10.0f / 32.0f, 1e-6f);
    // The last vertex of the extra strip goes one step past a full turn.
    EXPECT_NEAR(At(r, 32, 63).texCoord0[0], 0.8f * 33.0f / 32.0f, 1e-5f);
    // No vertex reaches v = pi: the band next to that pole is never drawn.
    float highestT = 0.0f;
    float lowestY = 1.0f;
    for (const RecordedPrimitive& strip : r.primitives) {
        for (const RecordedVertex& v : strip.vertices) {
            highestT = std::max(highestT, v.texCoord0[1]);
            lowestY = std::min(lowestY, v.position[1]);
        }
    }
    EXPECT_NEAR(highestT, 0.1f * 31.0f / 32.0f, 1e-6f);
    EXPECT_NEAR(lowestY, std::cos(31.0f * Pi / 32.0f), 1e-3f);
    EXPECT_GT(lowestY, -0.996f);
}

TEST_F(SurfaceDraw, EachVertexCarriesItsTangentsTheirCrossProductAndTheColour) {
    demo.surfaceWeight = 0.14f;
    demo.surfacePhaseV = -20.0f;
    demo.surfaceScale[1] = 2.5f;
    demo.surfaceColor[0] = 0.45f;
    demo.surfaceColor[1] = 0.25f;
    demo.surfaceColor[2] = 0.1f;
    const GLRecording& r = Draw();
    ASSERT_EQ(r.primitives.size(), 33u);
    const float du = 2.0f * Pi / 32.0f;
    const float dv = Pi / 32.0f;
    for (const int i : {3, 20}) {
        for (const int j : {1, 16, 30}) {
            const float u = static_cast<float>(i) * du;
            const float v = static_cast<float>(j) * dv;
            const RecordedVertex& rv = At(r, i, 2 * j);
            const SurfaceVector p0 = SurfacePoint(u, v);
            const SurfaceVector p1 = SurfacePoint(u + du, v);
            const SurfaceVector p2 = SurfacePoint(u, v + dv);
            const float a[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
            const float b[3] = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(rv.texCoord1[c], a[c], 1e-6f);
                EXPECT_NEAR(rv.texCoord2[c], b[c], 1e-6f);
            }
            // The normal is perpendicular to both tangents and as long as the
            // parallelogram they span: not normalized.
            EXPECT_NEAR(Dot(rv.normal, a), 0.0f, 1e-6f);
            EXPECT_NEAR(Dot(rv.normal, b), 0.0f, 1e-6f);
            const float area2 = Dot(a, a) * Dot(b, b) - Dot(a, b) * Dot(a, b);
            EXPECT_NEAR(Dot(rv.normal, rv.normal), area2, 1e-3f * area2);
            EXPECT_FLOAT_EQ(rv.color[0], 0.45f);
            EXPECT_FLOAT_EQ(rv.color[1], 0.25f);
            EXPECT_FLOAT_EQ(rv.color[2], 0.1f);
        }
    }
}

TEST_F(SurfaceDraw, NormalsPointOutOfTheSurfaceAndFlipWhereTheRadiusTurnsNegative) {
    const GLRecording& sphere = Draw();
    for (const RecordedPrimitive& strip : sphere.primitives) {
        for (const RecordedVertex& v : strip.vertices) {
            EXPECT_GT(Dot(v.normal, v.position), 0.0f);
        }
    }

    // Full weight with phases that put radius 5, then radius -3, at
    // (pi/8, 3pi/8): strip 2 is u = pi/8, pair 12 is v = 3pi/8.
    demo.surfaceWeight = 1.0f;
    demo.surfacePhaseV = Pi / 8.0f;
    demo.surfacePhaseU = -Pi / 8.0f;
    const GLRecording& swollen = Draw();
    const RecordedVertex& outer = At(swollen, 2, 24);
    EXPECT_NEAR(std::sqrt(Dot(outer.position, outer.position)), 5.0f, 0.02f);
    EXPECT_GT(Dot(outer.normal, outer.position), 0.0f);

    demo.surfacePhaseV = -7.0f * Pi / 8.0f;
    demo.surfacePhaseU = 7.0f * Pi / 8.0f;
    const GLRecording& inverted = Draw();
    const RecordedVertex& inner = At(inverted, 2, 24);
    EXPECT_NEAR(std::sqrt(Dot(inner.position, inner.position)), 3.0f, 0.02f);
    EXPECT_LT(Dot(inner.normal, inner.position), 0.0f);
}

TEST_F(SurfaceDraw, MaterialGoesToTheFragmentProgramAndCullingStaysOn) {
    demo.specularColor[0] = 1.125f;
    demo.specularColor[2] = 1.65f;
    demo.surfaceResolution = 2;
    const GLRecording& r = Draw();
    ASSERT_EQ(r.envParameters.size(), 3u);
    const float* expected[3] = {demo.specularColor, demo.specularParams, demo.bumpParams};
    for (unsigned int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.envParameters[k].target, static_cast<unsigned int>(GL_FRAGMENT_PROGRAM_ARB));
        EXPECT_EQ(r.envParameters[k].index, k + 1);
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(r.envParameters[k].value[c], expected[k][c]) << k << " " << c;
        }
    }
    EXPECT_FLOAT_EQ(r.envParameters[0].value[0], 1.125f);
    EXPECT_FLOAT_EQ(r.envParameters[1].value[0], 4.0f);
    EXPECT_FLOAT_EQ(r.envParameters[2].value[1], 0.15f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

} // namespace
