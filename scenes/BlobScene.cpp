#include "scenes/BlobScene.h"

#include "common/DemoState.h"
#include "platform/GL.h"

namespace {

constexpr int BackgroundSlot = 9;

void BindRepeatingLinear(int slot) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

} // namespace

void BindBlobTextures(int colourSlot, int bumpSlot) {
    demo.glActiveTextureARB(GL_TEXTURE1_ARB);
    BindRepeatingLinear(colourSlot);
    demo.glActiveTextureARB(GL_TEXTURE0_ARB);
    BindRepeatingLinear(bumpSlot);
}

void EnableBumpPrograms() {
    glEnable(GL_VERTEX_PROGRAM_ARB);
    glEnable(GL_FRAGMENT_PROGRAM_ARB);
    demo.glBindProgramARB(GL_VERTEX_PROGRAM_ARB, demo.BumpVertexProgram);
    demo.glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, demo.BumpFragmentProgram);
}

void DisableBumpPrograms() {
    glDisable(GL_VERTEX_PROGRAM_ARB);
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
}

float SwirlAngle(float d, float twirl) {
    const float falloff = 1.0f / (d + 1.0f);
    return falloff * falloff * twirl * 1.57079633f;
}

void BindBackgroundTexture() {
    BindRepeatingLinear(BackgroundSlot);
}
