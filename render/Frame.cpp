#include "render/Frame.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "textures/TextureSlot.h"

#include <cmath>

namespace {

// Offset of each diagonal blur tap, in texture units (1.28 texels at 128), so
// the halo keeps its extent in the picture whatever the frame size.
constexpr float GlowTapOffset = 0.01f;
// The glow image of the default frame, which the blur is made for.
constexpr int BaseGlowSize = GlowSizeFor(DefaultFrameSize);

// Before the textures exist there is nothing to copy into: binding name 0
// would draw the default texture, so such a frame skips the post-process.
bool targetsExist() {
    return demo.TextureTable[FrameTarget] != 0 && demo.TextureTable[SceneTarget] != 0 &&
           demo.TextureTable[GlowTarget] != 0;
}

// One blur pass over the glow image in the viewport: it becomes the source,
// and four copies of it shifted diagonally by +-offset texture units are added
// up in the current colour.
void blurPass(int glowSize, float offset) {
    CopyToTarget(GlowTarget, glowSize, glowSize);
    glClear(GL_COLOR_BUFFER_BIT);
    // The first pass has blackened the frame around the corner, and the taps
    // draw inside it: the later clears need only the corner.
    glScissor(0, 0, glowSize, glowSize);
    glEnable(GL_SCISSOR_TEST);
    for (int i = -1; i <= 1; i += 2) {
        for (int j = -1; j <= 1; j += 2) {
            glMatrixMode(GL_TEXTURE);
            glLoadIdentity();
            glTranslatef(offset * static_cast<float>(j), offset * static_cast<float>(i), 0.0f);
            glMatrixMode(GL_MODELVIEW);
            DrawTarget(GlowTarget, GL_CLAMP);
        }
    }
}

// The variance per axis, in texels squared, of one pass with taps `offset`
// texels out, drawn texel for texel: the taps' spread and the bilinear mix of
// the two texels each one falls between.
double passSpread(double offset) {
    const double fraction = offset - std::floor(offset);
    return offset * offset + fraction * (1.0 - fraction);
}

// A glow image larger than 128 x 128 has finer texels, so its bilinear taps
// blend less and the seven passes alone would leave a lattice of spots around
// every small light. Softening it first, by the spread its passes lack, gives
// the halo of the 128 x 128 image at any size. The softening passes are
// unit-gain and their taps lie 0.5, 1.5, 2.5, ... texels out, each one filling
// the gaps of those before it.
void softenGlow(int glowSize) {
    const double scale = static_cast<double>(glowSize) / BaseGlowSize;
    const double reference = GlowTapOffset * BaseGlowSize;
    const double lacking =
        GlowPasses * (scale * scale * passSpread(reference) - passSpread(reference * scale));
    double spread = 0.0;
    for (double offset = 0.5;
         std::abs(spread + passSpread(offset) - lacking) < std::abs(spread - lacking);
         offset += 1.0) {
        glColor3f(0.25f, 0.25f, 0.25f);
        blurPass(glowSize, static_cast<float>(offset / glowSize));
        spread += passSpread(offset);
    }
}

void glow() {
    const int frame = demo.frameSize;
    const int glowSize = GlowSizeFor(frame);
    ResetRenderState();
    CopyToTarget(SceneTarget, frame, frame);

    glViewport(0, 0, glowSize, glowSize);
    DrawTarget(SceneTarget, GL_REPEAT);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    BindTextureSlot(GlowTarget, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    softenGlow(glowSize);
    glColor3f(demo.glowGain, demo.glowGain, demo.glowGain);
    for (int pass = 0; pass < GlowPasses; ++pass) {
        blurPass(glowSize, GlowTapOffset);
    }
    CopyToTarget(GlowTarget, glowSize, glowSize);
    glDisable(GL_SCISSOR_TEST);

    ResetRenderState();
    DrawTarget(SceneTarget, GL_REPEAT);
    glEnable(GL_BLEND);
    DrawTarget(GlowTarget, GL_REPEAT);

    ResetRenderState();
    CopyToTarget(FrameTarget, frame, frame);
}

// Puts the finished frame on the output, unblended.
void present() {
    if (demo.frameBuffer != 0) {
        demo.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    const Viewport output = OutputViewport(demo.width, demo.height, demo.keepAspect != 0);
    if (demo.keepAspect) {
        // The bars: in the back buffer they still hold the frame's own work.
        // The clear colour is the frame's black.
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glViewport(output.x, output.y, output.width, output.height);
    DrawTarget(FrameTarget, GL_REPEAT);
}

} // namespace

Viewport OutputViewport(int width, int height, bool keepAspect) {
    if (!keepAspect) {
        return {0, 0, width, height};
    }
    const int side = width < height ? width : height;
    return {(width - side) / 2, (height - side) / 2, side, side};
}

void ResetRenderState() {
    glViewport(0, 0, demo.frameSize, demo.frameSize);
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

void CopyToTarget(TextureSlot slot, int w, int h) {
    BindTextureSlot(slot, GL_REPEAT);
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

void DrawTarget(TextureSlot slot, int wrap) {
    BindTextureSlot(slot, wrap);
    DrawUnitQuad();
}

void BeginFrame() {
    if (demo.frameBuffer != 0) {
        // Cleared as the loop cleared the back buffer just before.
        demo.glBindFramebuffer(GL_FRAMEBUFFER, demo.frameBuffer);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
}

void FinishFrame() {
    if (targetsExist()) {
        glow();
        present();
    } else if (demo.frameBuffer != 0) {
        demo.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
}
