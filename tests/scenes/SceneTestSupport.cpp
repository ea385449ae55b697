#include "SceneTestSupport.h"

#include "app/SceneSchedule.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/Frame.h"
#include "scenes/Sprite.h"
#include "textures/TextureTable.h"
#include "timeline/Timeline.h"

#include <cstdio>
#include <cstdlib>
#include <string>

void OpenSceneWindow() {
    static bool open = false;
    if (open) {
        return;
    }
    OpenShowWindow();
    InitTextures();
    BuildTimeline();
    open = true;
}

Pixels SceneFrameAt(float time, float frameDelta) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetRenderState();
    RunTimeline(time, frameDelta);
    return ReadBackBuffer(0, 0, DefaultFrameSize, DefaultFrameSize);
}

int ChangedPixels(const Pixels& a, const Pixels& b, int threshold) {
    int changed = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > threshold) {
                ++changed;
                break;
            }
        }
    }
    return changed;
}

void HideBlobs(bool hidden) {
    static unsigned int bump = 0;
    static unsigned int discard = 0;
    if (discard == 0) {
        bump = demo.BumpFragmentProgram;
        std::string error;
        discard = CompileProgram(GL_FRAGMENT_PROGRAM_ARB,
                                 "!!ARBfp1.0\n"
                                 "KIL {-1.0, -1.0, -1.0, -1.0};\n"
                                 "MOV result.color, 0.0;\n"
                                 "END\n",
                                 error);
        if (discard == 0) {
            std::fprintf(stderr, "discarding program: %s\n", error.c_str());
            std::exit(1);
        }
    }
    demo.BumpFragmentProgram = hidden ? discard : bump;
}

std::vector<Flake> Snow() {
    std::vector<Flake> flakes;
    for (const Sprite* sprite : demo.snowLayer) {
        flakes.push_back({sprite->position[0], sprite->position[1], sprite->position[2]});
    }
    return flakes;
}
