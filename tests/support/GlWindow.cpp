#include "tests/support/GlWindow.h"

#include "app/SineTable.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "textures/TextureSlot.h"

#include <cstdio>
#include <cstdlib>

void OpenShowWindow() {
    static bool open = false;
    if (open) {
        return;
    }
    demo.instance = GetModuleHandleA(nullptr);
    demo.fullscreen = 0;
    demo.width = TestWindowWidth;
    demo.height = TestWindowHeight;
    if (!RegisterWindowClass() ||
        CreateShowWindow("test", demo.width, demo.height).handle == nullptr) {
        std::fprintf(stderr, "no GL window\n");
        std::exit(1);
    }
    FillSineTable();
    InitExtensions();
    open = true;
}

void CreateRenderTargets() {
    glGenTextures(TextureCount, demo.TextureTable);
    const struct {
        TextureSlot slot;
        int side;
    } sizes[] = {{FrameTarget, demo.frameSize},
                 {SceneTarget, demo.frameSize},
                 {GlowTarget, GlowSizeFor(demo.frameSize)}};
    for (const auto& [slot, side] : sizes) {
        glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
}

Pixels ReadBackBuffer(int x, int y, int width, int height) {
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.rgb.data());
    return pixels;
}
