#include "SceneTestSupport.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/Frame.h"
#include "timeline/Timeline.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// An 8 x 8 texture of one colour.
void FillSlot(int slot, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    std::vector<std::uint8_t> texels(8 * 8 * 4);
    for (std::size_t i = 0; i < texels.size(); i += 4) {
        texels[i] = r;
        texels[i + 1] = g;
        texels[i + 2] = b;
        texels[i + 3] = a;
    }
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

} // namespace

void OpenSceneWindow() {
    static bool open = false;
    if (open) {
        return;
    }
    OpenShowWindow();
    CreateRenderTargets();
    // Flat normal maps, mid-grey height maps, a white background image and
    // opaque white flakes.
    FillSlot(3, 128, 128, 128, 255);
    FillSlot(4, 128, 128, 128, 255);
    FillSlot(5, 128, 128, 255, 255);
    FillSlot(6, 128, 128, 255, 255);
    FillSlot(9, 255, 255, 255, 255);
    for (int slot = 10; slot <= 12; ++slot) {
        FillSlot(slot, 255, 255, 255, 255);
    }
    BuildTimeline();
    open = true;
}

Pixels SceneFrameAt(float time, float frameDelta) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RunTimeline(time, frameDelta);
    return ReadBackBuffer(0, 0, FrameSize, FrameSize);
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
