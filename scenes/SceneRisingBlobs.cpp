#include "scenes/SceneRisingBlobs.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "render/Frame.h"
#include "scenes/BlobScene.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"
#include "scenes/Surface.h"

namespace {

constexpr float Pi = 3.14159265358979f;
constexpr float EyeHeight = 3.5f;
constexpr float BlobCone = 0.45f;
constexpr float SnowCone = 0.4f;

float R() {
    return static_cast<float>(Random::rand()) / 32767.0f;
}

// Every blob replays its own seeded draws each frame, so its rate, phase and
// place recur and only the scene time moves it.
void DrawBlobs(float sceneTime, bool blobsShown) {
    for (int i = 0; i < RisingBlobCount; ++i) {
        BindBlobTextures(3 + i % 2, 5 + i % 2);
        glPushMatrix();
        Random::srand(123 + 1234 * i);
        demo.surfacePhaseU = 8.8f * R();
        demo.surfacePhaseV = -(4.0f * R() + 12.0f) * sceneTime;
        float p[3];
        p[2] = (2.0f * R() - 0.5f) * 2.0f;
        const float a = (2.0f * R() - 0.5f) * 2.0f;
        const float b = 2.0f * R();
        const float c = 2.0f * R();
        p[1] = Fraction((0.15f + 0.01f * b) * sceneTime + 4.3f * c) * 24.0f + a - 15.0f;
        p[0] = (2.0f * R() - 0.5f) * 2.0f;
        if (InViewCone(p, BlobCone)) {
            glTranslatef(p[0], p[1], p[2]);
            glScalef(0.75f, 0.75f, 0.75f);
            const float phase = 2.0f * R();
            demo.surfaceWeight = SignedPow(
                2, true, (TableSin(3.3f * sceneTime + 12.2f * phase) * 0.25f + 0.5f) * 0.5f);
            if (blobsShown) {
                DrawSurface();
            }
        }
        glPopMatrix();
    }
}

void DrawPlanes(float sceneTime) {
    demo.cameraEye[0] = 0.0f;
    demo.cameraEye[1] = 0.0f;
    demo.cameraEye[2] = 1.0f;
    SetupCamera();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    BindBackgroundTexture();
    const float tilt = 20.0f * TableSin(TableCos(0.25f * sceneTime));
    for (int k = 0; k < 80; k += 2) {
        const float fk = static_cast<float>(k);
        const float m = (TableSin(Pi * fk / 40.0f + 0.125f * sceneTime + Pi) + 1.0f) * 0.5f;
        glColor4f(0.8f + 0.2f * m, 0.85f + 0.15f * m, 0.9f + 0.1f * m, 0.5f);
        glPushMatrix();
        glTranslatef(0.5f * TableCos(TableSin(0.1f * fk + 0.05f * sceneTime)), 0.0f,
                     0.2f * fk - 19.0f);
        glScalef(12.0f, 12.0f, 1.0f);
        const float turn =
            SignedPow(8, true, TableCos(4.4f * TableSin(0.02f * fk + 0.5f * sceneTime)));
        glRotatef(180.0f + 90.0f * turn, 0.0f, 0.0f, 1.0f);
        glRotatef(tilt, 1.0f, 0.0f, 0.0f);
        DrawUnitQuad();
        glPopMatrix();
    }
}

} // namespace

void RisingBlobsScene(std::int32_t, const SceneEntry& entry, float time, float timeShift,
                      float frameDelta) {
    const float sceneTime = time + timeShift;
    const float fade = FadeLevel(entry, time);
    const bool blobsShown = (time - 9.0f) * 0.5f > 1.0f;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PlaceCirclingLight(sceneTime);
    ResetSurfaceMaterial();
    const float twirl = Twirl(sceneTime);

    SetOrbitingEye(sceneTime, EyeHeight);
    UpdateViewDirection();
    SetupCamera();

    demo.surfaceResolution = 32;
    demo.specularColor[0] *= 0.75f;
    demo.specularColor[2] *= 1.5f;
    demo.surfaceTexRepeat[0] *= 8.0f;
    glDisable(GL_TEXTURE_2D);
    demo.surfaceColor[0] = 0.025f;
    demo.surfaceColor[1] = 0.025f;
    demo.surfaceColor[2] = 0.15f;
    demo.surfaceColor[3] = 1.0f;
    demo.glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 0, demo.lightPosition);

    EnableBumpPrograms();
    demo.surfaceScale[0] = 1.0f;
    demo.surfaceScale[1] = 1.0f;
    demo.surfaceScale[2] = 1.0f;
    demo.surfaceWeight = 0.0f;
    demo.surfaceShape = 0;
    DrawBlobs(sceneTime, blobsShown);

    DisableBumpPrograms();
    glDisable(GL_LIGHTING);
    SetupCamera();
    DriftAndDrawSnow(-1.0f, twirl, frameDelta, SnowCone, [](float*) {});

    DrawPlanes(sceneTime);

    glDisable(GL_BLEND);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    DrawWhiteFade(fade);

    demo.glowGain = 0.265f;
}
