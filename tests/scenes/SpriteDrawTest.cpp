// Sprite drawing under a real GL context: where the quads land, how they face
// the viewer, and how the layer's blending and alpha test look on screen.
#include "common/DemoState.h"
#include "platform/GL.h"
#include "scenes/Sprite.h"
#include "tests/support/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int Size = 512;

struct Box {
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    float alpha = -1.0f;
    float width() const { return maxX - minX; }
    float height() const { return maxY - minY; }
    float centerX() const { return 0.5f * (minX + maxX); }
    float centerY() const { return 0.5f * (minY + maxY); }
};

// Window-space polygons the GL produced, one box per polygon, read through
// feedback mode so no fragment is involved.
std::vector<Box> Polygons(const std::vector<float>& buffer, int count) {
    std::vector<Box> boxes;
    for (int i = 0; i < count;) {
        const auto token = static_cast<GLenum>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN) {
            continue;
        }
        const int vertices = static_cast<int>(buffer[i++]);
        Box b;
        for (int v = 0; v < vertices; ++v, i += 7) {
            b.minX = std::min(b.minX, buffer[i]);
            b.maxX = std::max(b.maxX, buffer[i]);
            b.minY = std::min(b.minY, buffer[i + 1]);
            b.maxY = std::max(b.maxY, buffer[i + 1]);
            b.minZ = std::min(b.minZ, buffer[i + 2]);
            b.maxZ = std::max(b.maxZ, buffer[i + 2]);
            b.alpha = buffer[i + 6];
        }
        boxes.push_back(b);
    }
    return boxes;
}

// One box around every polygon: a quad may reach feedback as two triangles.
std::vector<Box> Merged(const std::vector<Box>& boxes) {
    if (boxes.empty()) {
        return boxes;
    }
    Box all = boxes[0];
    for (const Box& b : boxes) {
        all.minX = std::min(all.minX, b.minX);
        all.maxX = std::max(all.maxX, b.maxX);
        all.minY = std::min(all.minY, b.minY);
        all.maxY = std::max(all.maxY, b.maxY);
        all.minZ = std::min(all.minZ, b.minZ);
        all.maxZ = std::max(all.maxZ, b.maxZ);
    }
    return {all};
}

class SpriteDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OpenShowWindow(); }

    void SetUp() override {
        head.Init(true);
        sprite.Init(false);
        sprite.texture = 0;
        sprite.color[0] = sprite.color[1] = sprite.color[2] = 0.3f;
        sprite.position[0] = sprite.position[1] = sprite.position[2] = 0.0f;
        sprite.halfSize[0] = 0.5f;
        sprite.halfSize[1] = 0.25f;
        glViewport(0, 0, Size, Size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        // One unit is 64 pixels; depth is wide enough for any test camera.
        glOrtho(-4, 4, -4, 4, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override { head.Destroy(); }

    // Runs one layer with the given sprites in feedback mode.
    std::vector<Box> Feedback(const std::vector<Sprite*>& sprites) {
        std::vector<float> buffer(4096);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        head.BeginLayer();
        for (Sprite* s : sprites) {
            s->Draw(head);
        }
        head.EndLayer();
        const int count = glRenderMode(GL_RENDER);
        return Polygons(buffer, count);
    }

    Sprite head{};
    Sprite sprite{};
};

TEST_F(SpriteDraw, BeginLayerKeepsTheCameraTranslationWithoutItsRotation) {
    gluLookAt(3, 2, 5, 0, 0, 0, 0, 1, 0);
    glTranslatef(0.5f, -1.0f, 2.0f);
    float camera[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, camera);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    head.BeginLayer();
    float loaded[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, loaded);
    GLint depthInside = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthInside);
    EXPECT_EQ(depthInside, depthBefore + 1);
    for (int e = 0; e < 16; ++e) {
        EXPECT_EQ(head.modelviewMatrix[e], camera[e]) << e;
        EXPECT_EQ(loaded[e], head.billboardMatrix[e]) << e;
        const int column = e / 4, row = e % 4;
        if (column < 3 && row < 3) {
            EXPECT_EQ(head.billboardMatrix[e], column == row ? 1.0f : 0.0f) << e;
        } else {
            EXPECT_EQ(head.billboardMatrix[e], camera[e]) << e;
        }
    }
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_ADD);

    head.EndLayer();
    float after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int e = 0; e < 16; ++e) {
        EXPECT_EQ(after[e], camera[e]) << e;
    }
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(SpriteDraw, QuadLandsWhereTheCameraPutsItAndFacesTheViewer) {
    // The camera turns the world a quarter turn about y and moves it away.
    glTranslatef(0.5f, -0.25f, -5.0f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    sprite.position[0] = 1.0f; // world +x ends up straight ahead: eye (0.5, -0.25, -6)
    const std::vector<Box> boxes = Merged(Feedback({&sprite}));
    ASSERT_EQ(boxes.size(), 1u);
    const Box& b = boxes[0];
    EXPECT_NEAR(b.centerX(), (0.5f + 4.0f) * 64.0f, 1e-2f);
    EXPECT_NEAR(b.centerY(), (-0.25f + 4.0f) * 64.0f, 1e-2f);
    // Seen full face, not edge-on: 1 x 0.5 units, all at one depth.
    EXPECT_NEAR(b.width(), 64.0f, 1e-2f);
    EXPECT_NEAR(b.height(), 32.0f, 1e-2f);
    EXPECT_NEAR(b.maxZ - b.minZ, 0.0f, 1e-5f);
    EXPECT_NEAR(b.alpha, 1.0f, 1e-6f);
}

TEST_F(SpriteDraw, SpinTurnsTheQuadAndHeightTumblesIt) {
    sprite.spin = 90.0f;
    std::vector<Box> boxes = Merged(Feedback({&sprite}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0].width(), 32.0f, 1e-2f);
    EXPECT_NEAR(boxes[0].height(), 64.0f, 1e-2f);

    // At y = pi/4 the flake leans 45 degrees about x: its height shrinks.
    sprite.spin = 0.0f;
    sprite.position[1] = 0.785398163f;
    boxes = Merged(Feedback({&sprite}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0].centerY(), (0.785398163f + 4.0f) * 64.0f, 1e-2f);
    EXPECT_NEAR(boxes[0].width(), 64.0f, 1e-2f);
    EXPECT_NEAR(boxes[0].height(), 32.0f * std::cos(0.785398163f), 1e-2f);
}

TEST_F(SpriteDraw, ClusterDrawsNineUnturnedCopiesAtThreeQuartersAlpha) {
    sprite.cluster = 1;
    sprite.clusterSpacing = 2.0f;
    sprite.spin = 90.0f;
    sprite.position[1] = 0.5f; // would tumble if the cluster used it
    const std::vector<Box> boxes = Feedback({&sprite});
    std::vector<Box> quads;
    for (const Box& b : boxes) {
        // Keep one box per copy.
        const bool known = std::any_of(quads.begin(), quads.end(), [&](const Box& q) {
            return std::fabs(q.centerX() - b.centerX()) < 20 &&
                   std::fabs(q.centerY() - b.centerY()) < 20;
        });
        if (!known) {
            quads.push_back(b);
        }
    }
    ASSERT_EQ(quads.size(), 9u);
    for (const Box& q : quads) {
        EXPECT_NEAR(q.alpha, 0.75f, 1e-6f);
        const float dx = q.centerX() - 4.0f * 64.0f;
        const float dy = q.centerY() - 4.5f * 64.0f;
        // Copies one spacing-half (1 unit = 64 px) apart around the centre.
        EXPECT_NEAR(std::fabs(dx), std::round(std::fabs(dx) / 64.0f) * 64.0f, 0.5f);
        EXPECT_NEAR(std::fabs(dy), std::round(std::fabs(dy) / 64.0f) * 64.0f, 0.5f);
        EXPECT_LE(std::fabs(dx), 64.5f);
        EXPECT_LE(std::fabs(dy), 64.5f);
    }
}

// Reads the framebuffer's red value at the window centre, 0..255.
int CentreRed() {
    unsigned char pixel[4] = {};
    glReadPixels(Size / 2, Size / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return pixel[0];
}

TEST_F(SpriteDraw, BlendModesAndTheAlphaTestAsSeen) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    auto upload = [&](unsigned char alpha) {
        unsigned char texels[4 * 4 * 4];
        for (int t = 0; t < 16; ++t) {
            texels[4 * t] = texels[4 * t + 1] = texels[4 * t + 2] = 51; // 0.2
            texels[4 * t + 3] = alpha;
        }
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    };
    sprite.texture = texture;
    auto frame = [&]() {
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        head.BeginLayer();
        sprite.Draw(head);
        head.EndLayer();
        return CentreRed();
    };

    // Additive: background 0.25 plus sprite 0.3 plus texture 0.2.
    upload(255);
    EXPECT_NEAR(frame(), 191, 2);
    // Alpha blend: 0.4 of 0.5 over 0.6 of 0.25.
    upload(102);
    head.blendMode = 1;
    head.lowAlphaCut = 1;
    EXPECT_NEAR(frame(), 0.35 * 255, 2);
    // Alpha 0.4 fails the usual 0.5 test: the background shows.
    head.lowAlphaCut = 0;
    EXPECT_NEAR(frame(), 64, 1);
    glDeleteTextures(1, &texture);
}

} // namespace
