// The gathering picture: fades, slides, the picture gathered, the release at
// 28 s, the floor and wall, and the bound of its sprite loop.
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "render/Frame.h"
#include "scenes/SceneGatheringPicture.h"
#include "scenes/Sprite.h"
#include "scenes/SpriteLayers.h"
#include "tests/support/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int BackgroundSlot = 14;

// The gathering picture's entry as its track hands it over: absolute start 64.
SceneEntry PictureEntry() {
    SceneEntry entry;
    entry.start = 64.0f;
    entry.duration = 38.0f;
    entry.fadeIn = 2.5f;
    entry.fadeOut = 1.5f;
    entry.callback = GatheringPictureScene;
    return entry;
}

class GatheringPictureSceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OpenShowWindow();
        CreateRenderTargets();
        // A dark blue picture, and flakes that are opaque discs on clear
        // corners, as the embedded images are.
        std::vector<unsigned char> picture(64 * 64 * 4);
        for (std::size_t i = 0; i < picture.size(); i += 4) {
            picture[i] = 20;
            picture[i + 1] = 30;
            picture[i + 2] = 90;
            picture[i + 3] = 255;
        }
        Upload(BackgroundSlot, picture, 64);
        std::vector<unsigned char> flake(32 * 32 * 4);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                unsigned char* texel = &flake[(y * 32 + x) * 4];
                const float dx = x - 15.5f, dy = y - 15.5f;
                texel[0] = texel[1] = texel[2] = 255;
                texel[3] = dx * dx + dy * dy < 15.0f * 15.0f ? 255 : 0;
            }
        }
        for (int slot = 10; slot <= 12; ++slot) {
            Upload(slot, flake, 32);
        }
    }

    static void Upload(int slot, const std::vector<unsigned char>& rgba, int side) {
        glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, side, side, GL_RGBA, GL_UNSIGNED_BYTE,
                          rgba.data());
    }

    void SetUp() override {
        demo.slideX = 10.0f;
        demo.slideY = 10.0f;
        std::memset(demo.textMap, 0, sizeof demo.textMap);
    }

    void TearDown() override {
        FreeSpriteLayers();
        for (Sprite*& sprite : demo.textLayer) {
            if (sprite != nullptr) {
                sprite->Destroy();
                delete sprite;
                sprite = nullptr;
            }
        }
    }

    // One frame of the scene at show time t.
    static void Frame(float t, float frameDelta) {
        ResetRenderState();
        GatheringPictureScene(0, PictureEntry(), t, -64.0f, frameDelta);
    }

    // Runs the scene from show time `from` to `to` in steps of frameDelta.
    static void Run(float from, float to, float frameDelta) {
        for (float t = from; t < to; t += frameDelta) {
            Frame(t, frameDelta);
        }
    }

    static std::vector<unsigned char> Pixels() {
        std::vector<unsigned char> pixels(DefaultFrameSize * DefaultFrameSize * 4);
        glReadPixels(0, 0, DefaultFrameSize, DefaultFrameSize, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        return pixels;
    }

    // A filled block of lit cells, rows and columns [first, first + side).
    static void LightBlock(int first, int side) {
        for (int row = first; row < first + side; ++row) {
            for (int column = first; column < first + side; ++column) {
                demo.textMap[row * TextMapSize + column] = 200;
            }
        }
    }
};

TEST_F(GatheringPictureSceneTest, OpensOnWhiteAndEndsNearlyBlack) {
    LightBlock(40, 20);
    InitSpriteLayers();
    Frame(64.0f, 1.0f / 60.0f);
    const std::vector<unsigned char> first = Pixels();
    for (std::size_t i = 0; i < first.size(); i += 4) {
        ASSERT_GE(first[i], 254) << i / 4;
        ASSERT_GE(first[i + 1], 254) << i / 4;
        ASSERT_GE(first[i + 2], 254) << i / 4;
    }

    // Half-way through the fade-in the picture shows through the white.
    Frame(65.25f, 1.0f / 60.0f);
    const std::vector<unsigned char> middle = Pixels();
    EXPECT_LT(*std::min_element(middle.begin(), middle.end()), 250);

    Frame(101.99f, 1.0f / 60.0f);
    const std::vector<unsigned char> last = Pixels();
    for (std::size_t i = 0; i < last.size(); i += 4) {
        ASSERT_LE(std::max({last[i], last[i + 1], last[i + 2]}), 3) << i / 4;
    }
}

TEST_F(GatheringPictureSceneTest, SlidesFollowTheirTargetsAtTheirRates) {
    InitSpriteLayers();
    // Frames of one second: slideY lands on its target 10 - 2T at once.
    Frame(67.0f, 1.0f); // T = 3: target 4
    EXPECT_FLOAT_EQ(demo.slideY, 4.0f);
    EXPECT_FLOAT_EQ(demo.slideX, 10.0f); // still waiting for T = 11.5
    Frame(68.0f, 1.0f);                  // T = 4: target 2
    EXPECT_FLOAT_EQ(demo.slideY, 2.0f);
    // slideX moves half-way per second toward 10 - 2 (T - 11.5).
    Frame(78.0f, 1.0f); // T = 14: target 5
    EXPECT_FLOAT_EQ(demo.slideY, 0.0f);
    EXPECT_FLOAT_EQ(demo.slideX, 7.5f);
    Frame(80.5f, 2.0f); // T = 16.5: target 0, reached in one frame of two seconds
    EXPECT_FLOAT_EQ(demo.slideX, 0.0f);

    // Longer frames step past the target: nothing clamps them.
    demo.slideY = 10.0f;
    Frame(67.0f, 1.5f);
    EXPECT_FLOAT_EQ(demo.slideY, 1.0f);
}

TEST_F(GatheringPictureSceneTest, TextSpritesHoldThePictureThenFall) {
    LightBlock(60, 8);
    InitSpriteLayers();
    ASSERT_EQ(demo.textTargetCount, 64);
    const float step = 0.1f;
    Run(64.0f, 66.0f, step); // T < 2: nothing gathers yet
    Run(66.0f, 91.9f, step);
    for (int i = 0; i < demo.textTargetCount; ++i) {
        const float* p = demo.textLayer[i]->position;
        const float* target = demo.textTargets + 3 * i;
        for (int axis = 0; axis < 3; ++axis) {
            ASSERT_NEAR(p[axis], target[axis], 1e-3f) << i << " " << axis;
        }
    }

    // Released at T = 28: every former text sprite falls, at 0.5 to 1.5 times
    // 1.125 units per second, and drifts in z by at most 0.45 per second.
    std::vector<float> before(3 * demo.textTargetCount);
    for (int i = 0; i < demo.textTargetCount; ++i) {
        std::memcpy(&before[3 * i], demo.textLayer[i]->position, sizeof(float) * 3);
    }
    Frame(92.05f, 0.5f);
    for (int i = 0; i < demo.textTargetCount; ++i) {
        const float* p = demo.textLayer[i]->position;
        const float fall = before[3 * i + 1] - p[1];
        ASSERT_GE(fall, 0.5f * 0.5f * 1.125f - 1e-4f) << i;
        ASSERT_LE(fall, 1.5f * 0.5f * 1.125f + 1e-4f) << i;
        ASSERT_LE(std::fabs(p[2] - before[3 * i + 2]), 1.5f * 0.5f * 0.3f + 1e-4f) << i;
        ASSERT_EQ(p[0], before[3 * i]) << i;
    }

    // To the end of the scene they keep falling. A frame's fall may take a
    // flake past the floor; the next frame puts it back on the floor.
    float fallen = 0.5f;
    for (float t = 92.55f; t < 101.5f; t += 0.5f) {
        Frame(t, 0.5f);
        fallen += 0.5f;
    }
    int landed = 0;
    for (int i = 0; i < demo.textTargetCount; ++i) {
        const float y = demo.textLayer[i]->position[1];
        ASSERT_GE(y, PictureFloorY - 1.5f * 0.5f * 1.125f) << i;
        ASSERT_LE(y, std::max(before[3 * i + 1] - 0.5f * 1.125f * fallen + 1e-3f, PictureFloorY))
            << i;
        landed += y <= PictureFloorY;
    }
    EXPECT_GT(landed, 0);
    Frame(101.55f, 0.25f);
    for (int i = 0; i < demo.textTargetCount; ++i) {
        ASSERT_GE(demo.textLayer[i]->position[1], PictureFloorY - 1.5f * 0.25f * 1.125f) << i;
    }
}

TEST_F(GatheringPictureSceneTest, GatheredBlockShowsAsABrightPatchWhereThePictureSits) {
    // Rows 40..59 and columns 60..79 of the map, a little left of centre and
    // above the middle of the picture.
    for (int row = 40; row < 60; ++row) {
        for (int column = 60; column < 80; ++column) {
            demo.textMap[row * TextMapSize + column] = 255;
        }
    }
    InitSpriteLayers();
    Run(64.0f, 75.0f, 0.1f); // T = 11: gathered, the scroll not yet begun
    const std::vector<unsigned char> frame = Pixels();

    // Where the camera puts the block's corner cells, the picture moved by
    // both quantized slides (the eye's up axis is the world's y).
    SetupCamera();
    const float qX = 0.01f * std::trunc(100.0f * demo.slideX);
    const float qY = 0.01f * std::trunc(100.0f * demo.slideY);
    glTranslatef(0.0f, -0.2f * (qX + qY), 0.0f);
    double modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, DefaultFrameSize, DefaultFrameSize};
    auto screen = [&](int row, int column, double& x, double& y) {
        double z = 0.0;
        gluProject((column / 128.0 - 0.5) * 3.75 - 0.25, ((128 - row) / 128.0 - 0.5) * 6 + 0.5,
                   -1.0, modelview, projection, viewport, &x, &y, &z);
    };
    double left, top, right, bottom;
    screen(40, 60, left, top);
    screen(59, 79, right, bottom);
    ASSERT_GT(right - left, 100.0); // 0.56 units at a distance of about 2
    ASSERT_GT(top - bottom, 1.5 * (right - left));

    // Share of pixels clearly brighter than the dark blue picture.
    auto brightShare = [&](double x0, double y0, double x1, double y1) {
        int bright = 0, all = 0;
        for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
            for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
                if (x < 0 || y < 0 || x >= DefaultFrameSize || y >= DefaultFrameSize) {
                    continue;
                }
                const unsigned char* p =
                    &frame[(static_cast<std::size_t>(y) * DefaultFrameSize + x) * 4];
                bright += p[0] > 120 && p[1] > 120;
                ++all;
            }
        }
        return all == 0 ? 0.0 : static_cast<double>(bright) / all;
    };
    const double width = right - left, height = top - bottom;
    EXPECT_GT(brightShare(left + 0.1 * width, bottom + 0.1 * height, right - 0.1 * width,
                          top - 0.1 * height),
              0.9);
    // Beside it, past the flakes' overhang, the picture shows through.
    EXPECT_LT(brightShare(right + 0.3 * width, bottom, right + 1.1 * width, top), 0.3);
    EXPECT_LT(brightShare(left - 1.1 * width, bottom, left - 0.3 * width, top), 0.3);
}

TEST_F(GatheringPictureSceneTest, FloorAndBackWallHoldFlakes) {
    InitSpriteLayers(); // no text sprites: every moved sprite is snow
    Sprite& onFloor = *demo.textLayer[10];
    onFloor.position[1] = -11.3f;
    onFloor.position[2] = -3.0f;
    onFloor.spin = 7.0f;
    Sprite& below = *demo.textLayer[11];
    below.position[1] = -40.0f;
    Sprite& above = *demo.textLayer[12];
    above.position[1] = -11.29f;
    above.position[2] = -30.0f;
    const float aboveSpin = above.spin;

    Frame(80.0f, 0.25f);
    // Exactly on the floor counts as landed: no fall, no drift, no spin.
    EXPECT_EQ(onFloor.position[1], PictureFloorY);
    EXPECT_EQ(onFloor.position[2], -3.0f);
    EXPECT_EQ(onFloor.spin, 7.0f);
    // Below the floor it is lifted onto it.
    EXPECT_EQ(below.position[1], PictureFloorY);
    // Just above, it still falls and spins; behind the wall it is put on it
    // before its drift.
    EXPECT_LT(above.position[1], -11.29f);
    EXPECT_NE(above.spin, aboveSpin);
    EXPECT_LE(std::fabs(above.position[2] - PictureWallZ), 1.5f * 0.25f * 0.3f + 1e-5f);
}

TEST_F(GatheringPictureSceneTest, OnlyTheTextSpritesAndTwoThousandMoreMove) {
    LightBlock(0, 10);
    InitSpriteLayers();
    ASSERT_EQ(demo.textTargetCount, 100);
    const float untouched = demo.textLayer[2100]->position[1];
    const float lastMoved = demo.textLayer[2099]->position[1];
    Frame(95.0f, 0.1f);
    EXPECT_EQ(demo.textLayer[2100]->position[1], untouched);
    EXPECT_LT(demo.textLayer[2099]->position[1], lastMoved);
}

TEST_F(GatheringPictureSceneTest, LargeMapsStopTheLoopAtTheLayersEnd) {
    // 9000 lit cells: the text sprites and 2000 more would run past the layer.
    for (int cell = 0; cell < 9000; ++cell) {
        demo.textMap[cell] = 255;
    }
    InitSpriteLayers();
    ASSERT_EQ(demo.textTargetCount, 9000);
    const std::vector<float> targets(demo.textTargets, demo.textTargets + 3 * 9000);
    float* const targetsAt = demo.textTargets;
    float* const sizesAt = demo.textSizes;
    const float last = demo.textLayer[LayerSize - 1]->position[1];

    Frame(95.0f, 0.1f);
    EXPECT_LT(demo.textLayer[LayerSize - 1]->position[1], last); // the last flake falls
    EXPECT_EQ(demo.textTargets, targetsAt);
    EXPECT_EQ(demo.textSizes, sizesAt);
    EXPECT_EQ(demo.textTargetCount, 9000);
    EXPECT_TRUE(std::equal(targets.begin(), targets.end(), demo.textTargets));
}

} // namespace
