// The bump-lighting program pair at work on a lit quad: per-pixel diffuse
// from the normal map, and the height texture added on top.
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/Frame.h"
#include "tests/support/BumpPrograms.h"
#include "tests/support/GlWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A side x side texture sampled nearest, texel (i, j) from `texel`.
template <typename Texel> unsigned int makeTexture(int side, Texel texel) {
    std::vector<std::uint8_t> data;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const Rgb c = texel(i, j);
            data.insert(data.end(), {c.r, c.g, c.b, 255});
        }
    }
    unsigned int name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
}

unsigned int flatTexture(Rgb colour) {
    return makeTexture(1, [&](int, int) { return colour; });
}

struct Material {
    float light[4] = {0.0f, 0.0f, 2.0f, 1.0f};
    float colour[3] = {0.8f, 0.6f, 0.4f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float exponent[4] = {4.0f, 0.995f, 0.0f, 0.0f};
    float bump[4] = {2.0f, 0.15f, 0.01f, 0.0f};
};

// Draws the quad (-1, -1)..(1, 1) at z = 0 facing +z, tangent +x and binormal
// +y, with identity matrices, through the program pair.
Pixels drawLitQuad(unsigned int normalMap, unsigned int heightMap, const Material& m) {
    ResetRenderState();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    BindBumpPrograms(m.light, m.specular, m.exponent, m.bump);
    demo.glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    demo.glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, normalMap);

    const float tangent[3] = {1.0f, 0.0f, 0.0f};
    const float binormal[3] = {0.0f, 1.0f, 0.0f};
    const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (const auto& [s, t] : corners) {
        glNormal3f(0.0f, 0.0f, 1.0f);
        glColor3f(m.colour[0], m.colour[1], m.colour[2]);
        glTexCoord2f(static_cast<float>(s), static_cast<float>(t));
        demo.glMultiTexCoord3fvARB(GL_TEXTURE1_ARB, tangent);
        demo.glMultiTexCoord3fvARB(GL_TEXTURE2_ARB, binormal);
        glVertex3f(2.0f * s - 1.0f, 2.0f * t - 1.0f, 0.0f);
    }
    glEnd();
    glDisable(GL_VERTEX_PROGRAM_ARB);
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
    return ReadBackBuffer(0, 0, DefaultFrameSize, DefaultFrameSize);
}

// Position on the quad of pixel p's centre.
float quadCoordinate(int p) {
    return (static_cast<float>(p) + 0.5f) / 256.0f - 1.0f;
}

// The largest difference, over a grid of pixels, between the picture and the
// clamped diffuse colour x N.L for the light at m.light and normal n.
int worstDiffuseError(const Pixels& out, const Material& m, const double n[3]) {
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    int worst = 0;
    for (int py = 8; py < DefaultFrameSize; py += 24) {
        for (int px = 8; px < DefaultFrameSize; px += 24) {
            const double l[3] = {m.light[0] - quadCoordinate(px), m.light[1] - quadCoordinate(py),
                                 m.light[2]};
            const double d = (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) / length /
                             std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
            for (int c = 0; c < 3; ++c) {
                const double expected = 255.0 * std::clamp(d * m.colour[c], 0.0, 1.0);
                worst = std::max(
                    worst, static_cast<int>(std::lround(std::abs(out.at(px, py, c) - expected))));
            }
        }
    }
    return worst;
}

class BumpProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OpenShowWindow(); }
};

TEST_F(BumpProgram, BothProgramsCompileOnThisGl) {
    EXPECT_NE(demo.BumpVertexProgram, 0u);
    EXPECT_NE(demo.BumpFragmentProgram, 0u);
    EXPECT_NE(demo.BumpVertexProgram, demo.BumpFragmentProgram);
    GLint position = 0;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    EXPECT_EQ(position, -1);
}

TEST_F(BumpProgram, AMidGreyNormalMapLeavesTheNormalAlone) {
    const unsigned int black = flatTexture({0, 0, 0});
    const unsigned int flat = flatTexture({128, 128, 128});
    Material m;
    const Pixels out = drawLitQuad(flat, black, m);
    const double straight[3] = {0.0, 0.0, 1.0};
    EXPECT_LE(worstDiffuseError(out, m, straight), 3);
    // Light straight ahead of the middle: full colour there, dimmer at the
    // corners.
    EXPECT_NEAR(out.at(256, 256, 0), 204, 2);
    EXPECT_LT(out.at(4, 4, 0), 170);

    // A light off to the side lights the quad at its own angle.
    m.light[0] = 3.0f;
    m.light[1] = -1.0f;
    m.light[2] = 1.5f;
    EXPECT_LE(worstDiffuseError(drawLitQuad(flat, black, m), m, straight), 3);
}

TEST_F(BumpProgram, AFullNormalMapTexelAddsTheWholeTangent) {
    const unsigned int black = flatTexture({0, 0, 0});
    const unsigned int bentRight = flatTexture({255, 128, 128});
    Material m;
    const double bent[3] = {1.0, 0.0, 1.0};
    EXPECT_LE(worstDiffuseError(drawLitQuad(bentRight, black, m), m, bent), 3);

    // Lit from 45 degrees to the right, the bent normal faces the light.
    m.light[0] = 2.0f;
    const Pixels out = drawLitQuad(bentRight, black, m);
    EXPECT_LE(worstDiffuseError(out, m, bent), 3);
    EXPECT_NEAR(out.at(256, 256, 1), 153, 2);

    const unsigned int bentUp = flatTexture({128, 255, 128});
    const double up[3] = {0.0, 1.0, 1.0};
    EXPECT_LE(worstDiffuseError(drawLitQuad(bentUp, black, m), m, up), 3);
}

TEST_F(BumpProgram, WithoutHeightScaleAndBiasTheHeightTextureIsAddedUnmoved) {
    const unsigned int flat = flatTexture({128, 128, 128});
    // 4 x 4 texels, 128 pixels each on the quad.
    const unsigned int height = makeTexture(4, [](int i, int j) {
        return Rgb{static_cast<std::uint8_t>(40 + 60 * i), static_cast<std::uint8_t>(40 + 60 * j),
                   200};
    });
    Material m;
    m.colour[0] = m.colour[1] = m.colour[2] = 0.0f; // no diffuse
    m.bump[1] = 0.5f;
    m.bump[2] = 0.0f;
    m.bump[3] = 0.0f;
    const Pixels out = drawLitQuad(flat, height, m);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            for (int dy : {-40, 0, 40}) {
                for (int dx : {-40, 0, 40}) {
                    const int px = 64 + 128 * i + dx;
                    const int py = 64 + 128 * j + dy;
                    EXPECT_NEAR(out.at(px, py, 0), 0.5 * (40 + 60 * i), 1.5) << px << "," << py;
                    EXPECT_NEAR(out.at(px, py, 1), 0.5 * (40 + 60 * j), 1.5) << px << "," << py;
                    EXPECT_NEAR(out.at(px, py, 2), 100, 1.5);
                }
            }
        }
    }

    // A height bias moves the read along the eye vector: other texels show.
    m.bump[3] = 0.3f;
    const Pixels shifted = drawLitQuad(flat, height, m);
    int moved = 0;
    for (std::size_t k = 0; k < out.rgb.size(); ++k) {
        moved += std::abs(out.rgb[k] - shifted.rgb[k]) > 10 ? 1 : 0;
    }
    EXPECT_GT(moved, 10000);
}

} // namespace
