// The frame's post-process seen on real frames: what reaches the output after
// the glow and the stretch, at every frame size and in either buffer.
#include "app/SceneSchedule.h"
#include "app/ShowFrame.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Frame.h"
#include "render/FramePlan.h"
#include "tests/support/GlWindow.h"
#include "textures/TextureTable.h"
#include "timeline/Timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// What the test scenes draw, set before each frame.
float flatLevel = 0.0f;
float sceneGlowGain = -1.0f; // below 0: leave the frame's default

void setGain() {
    if (sceneGlowGain >= 0.0f) {
        demo.glowGain = sceneGlowGain;
    }
}

// Fills the rectangle of the 512 x 512 frame with a flat colour.
void fillRect(int x, int y, int w, int h, float r, float g, float b) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDisable(GL_SCISSOR_TEST);
}

void emptyScene(std::int32_t, const SceneEntry&, float, float, float) {}

// What the state scene found when it began, and what it leaves behind.
struct {
    GLint viewport[4];
    GLboolean blend;
} stateFound;
void stateScene(std::int32_t, const SceneEntry&, float, float, float) {
    glGetIntegerv(GL_VIEWPORT, stateFound.viewport);
    stateFound.blend = glIsEnabled(GL_BLEND);
    glEnable(GL_BLEND);
    glViewport(0, 0, 7, 7);
}

// A white dot of one glow texel, 4 x 4 in the 512 frame, centred on its
// (258, 258).
void dotScene(std::int32_t, const SceneEntry&, float, float, float) {
    auto at = [](int pixels) { return pixels * demo.frameSize / DefaultFrameSize; };
    fillRect(at(256), at(256), at(4), at(4), 1.0f, 1.0f, 1.0f);
    setGain();
}

void flatScene(std::int32_t, const SceneEntry&, float, float, float) {
    fillRect(0, 0, demo.frameSize, demo.frameSize, flatLevel, flatLevel, flatLevel);
    setGain();
}

// Quadrants: red lower left, green lower right, blue upper left, white upper
// right, all at a quarter so the glow does not saturate them.
void quadrantScene(std::int32_t, const SceneEntry&, float, float, float) {
    fillRect(0, 0, 256, 256, 0.25f, 0.0f, 0.0f);
    fillRect(256, 0, 256, 256, 0.0f, 0.25f, 0.0f);
    fillRect(0, 256, 256, 256, 0.0f, 0.0f, 0.25f);
    fillRect(256, 256, 256, 256, 0.25f, 0.25f, 0.25f);
}

class Glow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OpenShowWindow();
        CreateRenderTargets();
    }

    void SetUp() override {
        demo.timeline.clear();
        demo.width = DefaultFrameSize;
        demo.height = DefaultFrameSize;
        sceneGlowGain = -1.0f;
        useFrame(DefaultFrameSize, false);
    }

    // Frames of size x size from here on, in a framebuffer object when the
    // window cannot hold them or when asked to.
    static void useFrame(int size, bool offscreen) {
        const bool resized = size != demo.frameSize;
        EXPECT_EQ(SetUpFrame(size, TestWindowWidth, TestWindowHeight), "");
        if (offscreen && demo.frameBuffer == 0) {
            demo.frameBuffer = CreateFrameBuffer(size);
            ASSERT_NE(demo.frameBuffer, 0u);
        }
        if (resized) {
            CreateRenderTargets();
        }
    }

    // Runs one frame with `scene` due, as the main loop does, and reads the
    // output area.
    Pixels frameWith(SceneCallback scene) {
        SceneTrack track;
        AddEntry(track, scene, 0, 0.0f, 100.0f, 0.0f, 0.0f);
        demo.timeline.clear();
        AddTrack(demo.timeline, track, 0.0f, -1, 0.0f, 0.0f, 0.0f);
        return frameAt(1.0f, 0.016f);
    }

    // Runs one frame of the timeline as the main loop does and reads the
    // output area.
    static Pixels frameAt(float time, float frameDelta) {
        demo.time = time;
        demo.frameDelta = frameDelta;
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        RenderFrame();
        return ReadBackBuffer(0, 0, demo.width, demo.height);
    }
};

TEST_F(Glow, AnEmptyFrameComesOutBlack) {
    // Leftovers of an earlier frame must not survive into an empty one.
    flatLevel = 0.5f;
    frameWith(flatScene);
    const Pixels out = frameWith(emptyScene);
    int brightest = 0;
    for (std::uint8_t value : out.rgb) {
        brightest = std::max<int>(brightest, value);
    }
    EXPECT_EQ(brightest, 0);
}

TEST_F(Glow, EverySceneStartsFromTheResetStateWhateverTheLastOneLeft) {
    frameWith(stateScene);
    frameWith(stateScene);
    EXPECT_EQ(stateFound.viewport[2], DefaultFrameSize);
    EXPECT_EQ(stateFound.viewport[3], DefaultFrameSize);
    EXPECT_FALSE(stateFound.blend);
}

TEST_F(Glow, ABrightDotBecomesASymmetricSoftHalo) {
    const Pixels out = frameWith(dotScene);
    // The dot itself stays white and only it: the glow adds, never removes.
    EXPECT_EQ(out.at(256, 256, 0), 255);
    EXPECT_EQ(out.at(259, 259, 1), 255);

    // Around the dot's centre (258, 258) the halo looks the same mirrored left
    // to right, top to bottom and across the diagonal (the blur taps are
    // diagonal), up to one step of rounding.
    int worst = 0;
    for (int dy = 0; dy < 48; ++dy) {
        for (int dx = 0; dx < 48; ++dx) {
            const int here = out.at(258 + dx, 258 + dy, 0);
            worst = std::max(worst, std::abs(here - out.at(257 - dx, 258 + dy, 0)));
            worst = std::max(worst, std::abs(here - out.at(258 + dx, 257 - dy, 0)));
            worst = std::max(worst, std::abs(here - out.at(258 + dy, 258 + dx, 0)));
        }
    }
    EXPECT_LE(worst, 1);

    // Soft: it reaches well beyond the 4-pixel dot, fades with distance and is
    // gone far away; it stays grey, not coloured.
    const int near = out.at(262, 258, 0);
    const int middle = out.at(272, 258, 0);
    EXPECT_GE(near, 3);
    EXPECT_GT(middle, 0);
    EXPECT_GE(near, middle);
    EXPECT_GE(middle, out.at(282, 258, 0));
    EXPECT_EQ(out.at(258 + 40, 258, 0), 0);
    EXPECT_EQ(out.at(258 + 30, 258 + 30, 0), 0);
    EXPECT_EQ(out.at(262, 258, 1), near);
    EXPECT_EQ(out.at(262, 258, 2), near);
}

// On a flat area each blur pass multiplies by 4 x glowGain, and the finished
// glow is added to the picture: 1.08^7 = 1.71 of it at the frame's 0.27, only
// 0.6^7 = 0.028 at 0.15. Rounding to 8 bits in every pass costs a few steps.
TEST_F(Glow, GainDecidesWhetherAFlatAreaGlowsOrNot) {
    flatLevel = 0.3f;
    const double picture = 0.3 * 255.0;

    const Pixels strong = frameWith(flatScene);
    const double strongGlow = strong.at(256, 256, 0) - picture;
    EXPECT_NEAR(strongGlow, picture * std::pow(4 * 0.27, 7), 6.0);

    sceneGlowGain = 0.15f;
    const Pixels weak = frameWith(flatScene);
    const double weakGlow = weak.at(256, 256, 0) - picture;
    EXPECT_NEAR(weakGlow, picture * std::pow(4 * 0.15, 7), 3.0);

    // The scene's gain lasts one frame: the next starts at 0.27 again.
    sceneGlowGain = -1.0f;
    const Pixels again = frameWith(flatScene);
    EXPECT_EQ(again.at(256, 256, 0), strong.at(256, 256, 0));
}

// The 512 x 512 frame fills any output, ignoring the aspect ratio: the middle
// of the frame lands on the middle of an 800 x 600 output.
TEST_F(Glow, TheFrameIsStretchedOverTheWholeOutput) {
    demo.width = TestWindowWidth;
    demo.height = TestWindowHeight;
    const Pixels out = frameWith(quadrantScene);

    auto dominant = [&](int x, int y) {
        const int r = out.at(x, y, 0);
        const int g = out.at(x, y, 1);
        const int b = out.at(x, y, 2);
        if (r > 0 && r == g && g == b) {
            return 'w';
        }
        if (r > g && r > b) {
            return 'r';
        }
        if (g > r && g > b) {
            return 'g';
        }
        if (b > r && b > g) {
            return 'b';
        }
        return '?';
    };
    // Quadrant centres and the corners of the output (the glow, wrapped,
    // tints the last pixel or two).
    EXPECT_EQ(dominant(200, 150), 'r');
    EXPECT_EQ(dominant(600, 150), 'g');
    EXPECT_EQ(dominant(200, 450), 'b');
    EXPECT_EQ(dominant(600, 450), 'w');
    EXPECT_EQ(dominant(4, 4), 'r');
    EXPECT_EQ(dominant(795, 4), 'g');
    EXPECT_EQ(dominant(4, 595), 'b');
    EXPECT_EQ(dominant(795, 595), 'w');
    // The quadrant borders sit at x = 400 and y = 300.
    EXPECT_EQ(dominant(390, 150), 'r');
    EXPECT_EQ(dominant(410, 150), 'g');
    EXPECT_EQ(dominant(200, 290), 'r');
    EXPECT_EQ(dominant(200, 310), 'b');
}

// The halo around the dot in the 81 x 81 pixels about it: the brightness it
// adds, how many rows or columns out it reaches, and the most it brightens
// again on the way out along the dot's row (a soft halo fades steadily, a
// lattice of spots does not).
struct Halo {
    long brightness = 0;
    int reach = 0;
    int rise = 0;
};

Halo haloOf(const Pixels& out) {
    Halo halo;
    for (int dy = -40; dy <= 40; ++dy) {
        for (int dx = -40; dx <= 40; ++dx) {
            const int value = out.at(258 + dx, 258 + dy, 0);
            const int distance = std::max(std::abs(dx), std::abs(dy));
            if (distance >= 4 && value > 0) {
                halo.brightness += value;
                halo.reach = std::max(halo.reach, distance);
            }
        }
    }
    for (int dx = 4, darkest = 255; dx <= 40; ++dx) {
        darkest = std::min(darkest, out.at(258 + dx, 258, 0));
        halo.rise = std::max(halo.rise, out.at(258 + dx, 258, 0) - darkest);
    }
    return halo;
}

// The same soft halo on the same output at every frame size: the glow image
// follows the frame, the taps stay put in texture units and a larger glow
// image is first softened by what its finer texels lack, so it reaches as far
// (7 x 0.01 of the frame) without breaking into spots. Larger glow images lose
// less to 8-bit rounding, so brightness may differ within a factor of two.
// Frames larger than the 800 x 600 window go off screen; there the 512 frame
// comes out exactly as in the back buffer.
TEST_F(Glow, TheHaloKeepsItsExtentAtEveryFrameSize) {
    const Pixels reference = frameWith(dotScene);
    const Halo expected = haloOf(reference);
    ASSERT_GT(expected.reach, 16);
    ASSERT_LE(expected.rise, 1);
    const std::pair<int, bool> cases[] = {{512, true}, {256, false}, {1024, true}, {2048, true}};
    for (const auto& [size, offscreen] : cases) {
        useFrame(size, offscreen);
        EXPECT_EQ(demo.frameBuffer != 0, offscreen) << size;
        const Pixels out = frameWith(dotScene);
        EXPECT_TRUE(size != DefaultFrameSize || out.rgb == reference.rgb);
        const Halo halo = haloOf(out);
        EXPECT_EQ(out.at(258, 258, 0), 255) << size;
        EXPECT_NEAR(halo.reach, expected.reach, 4) << size;
        EXPECT_LE(halo.rise, 1) << size;
        EXPECT_GT(halo.brightness, expected.brightness / 2) << size;
        EXPECT_LT(halo.brightness, expected.brightness * 2) << size;
    }
}

// The show's own frame, blobs and depth-tested snow included, comes out of a
// framebuffer object as from the back buffer, up to the rasterizer's rounding
// on the edges of overlapping flakes. Frames of length 0 leave the snow where
// it was.
TEST_F(Glow, TheShowsFrameComesOutTheSameOffScreen) {
    InitTextures();
    BuildTimeline();
    const Pixels inBackBuffer = frameAt(12.5f, 0.0f);
    useFrame(DefaultFrameSize, true);
    const Pixels offScreen = frameAt(12.5f, 0.0f);
    long differing = 0;
    long difference = 0;
    for (std::size_t i = 0; i < offScreen.rgb.size(); ++i) {
        differing += offScreen.rgb[i] != inBackBuffer.rgb[i];
        difference += std::abs(offScreen.rgb[i] - inBackBuffer.rgb[i]);
    }
    const auto values = static_cast<long>(offScreen.rgb.size());
    EXPECT_LT(differing, values / 50);
    EXPECT_LT(difference, values / 4); // a mean below a quarter step
    EXPECT_GT(*std::max_element(offScreen.rgb.begin(), offScreen.rgb.end()), 200); // not blank
}

} // namespace
