#include "scenes/SceneGatheringBlobs.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "render/Frame.h"
#include "scenes/BlobScene.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"
#include "scenes/Surface.h"

#include <algorithm>

namespace {

constexpr float EyeHeight = 4.0f;
constexpr float BlobCone = 0.4f;
constexpr float SnowCone = 0.4f;

float R() {
    return static_cast<float>(Random::rand()) / 32767.0f;
}

// Seeds the generator for blob i and draws its place; the caller may draw
// on from the same sequence.
void PlaceBlob(int i, float sceneTime, float p[3]) {
    Random::srand(123 + 1234 * i);
    p[0] = (2.0f * R() - 0.5f) * 2.0f;
    const float a = (2.0f * R() - 0.5f) * 2.0f;
    const float c = 2.0f * R();
    p[1] = Fraction(4.3f * c + 0.15f * sceneTime) * 24.0f + a - 15.0f;
    p[2] = (2.0f * R() - 0.5f) * 2.0f;
}

void DrawBlobs(float sceneTime, float blobs[GatheringBlobCount][3]) {
    for (int i = 0; i < GatheringBlobCount; ++i) {
        glPushMatrix();
        float* p = blobs[i];
        PlaceBlob(i, sceneTime, p);
        if (InViewCone(p, BlobCone)) {
            glTranslatef(p[0], p[1], p[2]);
            glScalef(0.75f, 0.75f, 0.75f);
            demo.surfaceScale[0] = 1.0f;
            demo.surfaceScale[1] = 2.5f;
            demo.surfaceScale[2] = 1.0f;
            const float phase = 2.0f * R();
            demo.surfaceWeight =
                SignedPow(2, true, (TableSin(sceneTime + 12.2f * phase) * 0.5f + 0.25f) * 0.5f);
            DrawSurface();
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
    glColor4f(0.75f, 0.65f, 0.5f, 0.3f);
    BindBackgroundTexture();
    const float tilt = 20.0f * TableSin(TableCos(0.25f * sceneTime));
    for (int k = 0; k < 80; k += 2) {
        const float fk = static_cast<float>(k);
        glPushMatrix();
        glTranslatef(0.5f * TableCos(TableSin(0.1f * fk + 0.05f * sceneTime)), 0.0f,
                     0.2f * fk - 19.0f);
        glScalef(12.0f, 12.0f, 1.0f);
        const float turn =
            SignedPow(8, true, TableCos(4.4f * TableSin(0.02f * fk + 0.25f * sceneTime)));
        glRotatef(180.0f - 90.0f * turn, 0.0f, 0.02f, 1.0f);
        glRotatef(tilt, 1.0f, 0.0f, 0.0f);
        DrawUnitQuad();
        glPopMatrix();
    }
}

} // namespace

float GatherPull(float sceneTime) {
    return std::clamp((sceneTime - 32.0f - 9.0f) / 3.0f, 0.0f, 1.0f);
}

void GatheringBlobPositions(float sceneTime, float positions[GatheringBlobCount][3]) {
    for (int i = 0; i < GatheringBlobCount; ++i) {
        PlaceBlob(i, sceneTime, positions[i]);
    }
}

void AttractToBlobs(float position[3], const float blobs[GatheringBlobCount][3], float frameDelta,
                    float pull) {
    for (int j = 0; j < GatheringBlobCount; ++j) {
        const float dx = blobs[j][0] - position[0];
        const float dy = blobs[j][1] - position[1];
        const float dz = blobs[j][2] - position[2];
        const float f = 1.0f / (dx * dx + dy * dy + dz * dz + 5.0f);
        const float step = frameDelta * f * 50.0f * f * pull;
        position[0] += step * dx;
        position[1] += step * dy;
        position[2] += step * dz;
    }
}

void GatheringBlobsScene(std::int32_t, const SceneEntry& entry, float time, float timeShift,
                         float frameDelta) {
    const float sceneTime = time + timeShift;
    const float fade = FadeLevel(entry, time);
    const float pull = GatherPull(sceneTime);

    PlaceCirclingLight(sceneTime);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetSurfaceMaterial();
    const float twirl = Twirl(sceneTime);

    SetOrbitingEye(sceneTime, EyeHeight);
    UpdateViewDirection();
    SetupCamera();

    demo.surfacePhaseU = 0.0f;
    demo.surfaceResolution = 32;
    demo.surfacePhaseV = -3.0f * sceneTime;
    demo.specularColor[0] *= 0.75f;
    demo.specularColor[2] *= 1.5f;
    demo.surfaceTexRepeat[0] *= 10.0f;
    glDisable(GL_TEXTURE_2D);
    demo.surfaceColor[0] = 0.45f;
    demo.surfaceColor[1] = 0.25f;
    demo.surfaceColor[2] = 0.1f;
    demo.surfaceColor[3] = 1.0f;
    demo.glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 0, demo.lightPosition);

    BindBlobTextures(3, 5);
    EnableBumpPrograms();
    demo.surfaceScale[0] = 1.0f;
    demo.surfaceScale[1] = 1.0f;
    demo.surfaceScale[2] = 1.0f;
    demo.surfaceWeight = 0.0f;
    demo.surfaceShape = 0;
    float blobs[GatheringBlobCount][3];
    DrawBlobs(sceneTime, blobs);

    DisableBumpPrograms();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    SetupCamera();
    // The attraction stays in the stored flakes.
    DriftAndDrawSnow(1.0f, twirl, frameDelta, SnowCone,
                     [&](float* position) { AttractToBlobs(position, blobs, frameDelta, pull); });

    DrawPlanes(sceneTime);

    glDisable(GL_BLEND);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    DrawWhiteFade(fade);

    demo.glowGain = 0.27f;
}
