#include "render/Frame.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "timeline/Timeline.h"

namespace {

// Offset of each diagonal blur tap, in texture units (1.28 texels at 128).
constexpr float GlowTapOffset = 0.01f;

void setTargetSampling(int wrap) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// Before the textures exist there is nothing to copy into: binding name 0
// would draw the default texture, so such a frame skips the post-process.
bool targetsExist() {
    return demo.TextureTable[0] != 0 && demo.TextureTable[2] != 0 && demo.TextureTable[7] != 0;
}

void glow() {
    ResetRenderState();
    CopyToTarget(2, FrameSize, FrameSize);

    glViewport(0, 0, GlowSize, GlowSize);
    DrawTarget(2, GL_REPEAT);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[7]);
    setTargetSampling(GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(demo.glowGain, demo.glowGain, demo.glowGain);

    for (int pass = 0; pass < GlowPasses; ++pass) {
        CopyToTarget(7, GlowSize, GlowSize);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int i = -1; i <= 1; i += 2) {
            for (int j = -1; j <= 1; j += 2) {
                glMatrixMode(GL_TEXTURE);
                glLoadIdentity();
                glTranslatef(GlowTapOffset * static_cast<float>(j),
                             GlowTapOffset * static_cast<float>(i), 0.0f);
                glMatrixMode(GL_MODELVIEW);
                DrawTarget(7, GL_CLAMP);
            }
        }
    }
    CopyToTarget(7, GlowSize, GlowSize);

    ResetRenderState();
    DrawTarget(2, GL_REPEAT);
    glEnable(GL_BLEND);
    DrawTarget(7, GL_REPEAT);

    ResetRenderState();
    CopyToTarget(0, FrameSize, FrameSize);
    glViewport(0, 0, demo.width, demo.height);
    DrawTarget(0, GL_REPEAT);
}

} // namespace

void ResetRenderState() {
    glViewport(0, 0, FrameSize, FrameSize);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor3ub(255, 255, 255);
    glDisable(GL_LIGHTING);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void CopyToTarget(int slot, int w, int h) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    setTargetSampling(GL_REPEAT);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
}

void DrawUnitQuad() {
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2i(-1, -1);
    glTexCoord2i(1, 0);
    glVertex2i(1, -1);
    glTexCoord2i(1, 1);
    glVertex2i(1, 1);
    glTexCoord2i(0, 1);
    glVertex2i(-1, 1);
    glEnd();
}

void DrawTarget(int slot, int wrap) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    setTargetSampling(wrap);
    DrawUnitQuad();
}

void RenderFrame() {
    ResetRenderState();
    demo.glowGain = 0.27f;
    RunTimeline(demo.time, demo.frameDelta);
    if (targetsExist()) {
        glow();
    }
}
