// A blob scene's frame under its opaque white fade, as on the first frame of
// each scene: only the fade is drawn, yet the snow moves as in a drawn frame,
// so the frames after it are those a fully drawn one would have led to.
#include "GLRecorder.h"
#include "SceneTestSupport.h"

#include "common/DemoState.h"
#include "scenes/Sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

void PlaceSnow(const std::vector<Flake>& flakes) {
    for (std::size_t i = 0; i < flakes.size(); ++i) {
        demo.snowLayer[i]->position[0] = flakes[i].x;
        demo.snowLayer[i]->position[1] = flakes[i].y;
        demo.snowLayer[i]->position[2] = flakes[i].z;
    }
}

bool SameSnow(const std::vector<Flake>& a, const std::vector<Flake>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Flake& p, const Flake& q) {
        return p.x == q.x && p.y == q.y && p.z == q.z;
    });
}

struct Drawn {
    std::size_t primitives;
    std::vector<Flake> snow;
    int darkest;
};

Drawn FrameFrom(const std::vector<Flake>& snow, float time, float frameDelta) {
    PlaceSnow(snow);
    StartRecording();
    const Pixels pixels = SceneFrameAt(time, frameDelta);
    const std::size_t primitives = StopRecording().primitives.size();
    return {primitives, Snow(), *std::min_element(pixels.rgb.begin(), pixels.rgb.end())};
}

} // namespace

TEST(OpaqueFade, AHiddenBlobSceneDrawsOnlyItsFadeAndStillMovesItsSnow) {
    OpenSceneWindow();
    const std::vector<Flake> start = Snow();
    // Each blob scene's start, and a moment later when the scene shows
    // through; the drift depends on the frame's length alone.
    for (const float sceneStart : {0.0f, 32.0f}) {
        const Drawn hidden = FrameFrom(start, sceneStart, 0.1f);
        const Drawn shown = FrameFrom(start, sceneStart + 0.01f, 0.1f);
        EXPECT_EQ(hidden.primitives, 1u) << sceneStart;
        EXPECT_GT(shown.primitives, 100u) << sceneStart;
        EXPECT_EQ(hidden.darkest, 255) << sceneStart;
        EXPECT_FALSE(SameSnow(hidden.snow, start)) << sceneStart;
        EXPECT_TRUE(SameSnow(hidden.snow, shown.snow)) << sceneStart;
    }
    PlaceSnow(start);
}
