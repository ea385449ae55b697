#include "scenes/BlobScene.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "render/Frame.h"
#include "scenes/Surface.h"

namespace {

constexpr float Pi = 3.14159265358979f;

} // namespace

float BeginBlobScene(float sceneTime, const BlobSceneLook& look) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PlaceCirclingLight(sceneTime);
    ResetSurfaceMaterial();
    const float twirl = Twirl(sceneTime);

    SetOrbitingEye(sceneTime, look.eyeHeight);
    UpdateViewDirection();
    SetupCamera();

    demo.surfaceResolution = 32;
    demo.specularColor[0] *= 0.75f;
    demo.specularColor[2] *= 1.5f;
    demo.surfaceTexRepeat[0] *= look.texRepeat;
    glDisable(GL_TEXTURE_2D);
    for (int i = 0; i < 4; ++i) {
        demo.surfaceColor[i] = look.surfaceColor[i];
    }
    demo.glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 0, demo.lightPosition);

    EnableBumpPrograms();
    demo.surfaceScale[0] = 1.0f;
    demo.surfaceScale[1] = 1.0f;
    demo.surfaceScale[2] = 1.0f;
    demo.surfaceWeight = 0.0f;
    demo.surfaceShape = 0;
    return twirl;
}

void DrawBackgroundPlanes(float sceneTime, const PlaneSway& sway, bool drawn) {
    demo.cameraEye[0] = 0.0f;
    demo.cameraEye[1] = 0.0f;
    demo.cameraEye[2] = 1.0f;
    SetupCamera();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!sway.shimmer) {
        glColor4f(sway.colour[0], sway.colour[1], sway.colour[2], sway.colour[3]);
    }
    BindBackgroundTexture();
    if (!drawn) {
        return;
    }
    const float tilt = 20.0f * TableSin(TableCos(0.25f * sceneTime));
    for (int k = 0; k < 80; k += 2) {
        const float fk = static_cast<float>(k);
        if (sway.shimmer) {
            const float m = (TableSin(Pi * fk / 40.0f + 0.125f * sceneTime + Pi) + 1.0f) * 0.5f;
            glColor4f(0.8f + 0.2f * m, 0.85f + 0.15f * m, 0.9f + 0.1f * m, 0.5f);
        }
        glPushMatrix();
        glTranslatef(0.5f * TableCos(TableSin(0.1f * fk + 0.05f * sceneTime)), 0.0f,
                     0.2f * fk - 19.0f);
        glScalef(12.0f, 12.0f, 1.0f);
        const float turn =
            SignedPow(8, true, TableCos(4.4f * TableSin(0.02f * fk + sway.turnRate * sceneTime)));
        glRotatef(180.0f + sway.turnDegrees * turn, 0.0f, sway.axisY, 1.0f);
        glRotatef(tilt, 1.0f, 0.0f, 0.0f);
        DrawUnitQuad();
        glPopMatrix();
    }
}

void FinishBlobScene(float fade) {
    glDisable(GL_BLEND);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    DrawWhiteFade(fade);
}

void BindBlobTextures(TextureSlot colourSlot, TextureSlot bumpSlot) {
    demo.glActiveTextureARB(GL_TEXTURE1_ARB);
    BindTextureSlot(colourSlot, GL_REPEAT);
    demo.glActiveTextureARB(GL_TEXTURE0_ARB);
    BindTextureSlot(bumpSlot, GL_REPEAT);
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
    BindTextureSlot(PlanesImage, GL_REPEAT);
}
