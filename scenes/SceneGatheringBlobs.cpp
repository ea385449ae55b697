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

// The places are found for the snow's sake also when the blobs are not drawn.
void DrawBlobs(float sceneTime, float blobs[GatheringBlobCount][3], bool drawn) {
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
            if (drawn) {
                DrawSurface();
            }
        }
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
    const bool drawn = !FadeHidesScene(fade);

    const float twirl = BeginBlobScene(sceneTime, {EyeHeight, 10.0f, {0.45f, 0.25f, 0.1f, 1.0f}});
    demo.surfacePhaseU = 0.0f;
    demo.surfacePhaseV = -3.0f * sceneTime;
    BindBlobTextures(PatternA, BumpMapA);
    float blobs[GatheringBlobCount][3];
    DrawBlobs(sceneTime, blobs, drawn);

    DisableBumpPrograms();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    SetupCamera();
    // The attraction stays in the stored flakes.
    DriftAndDrawSnow(1.0f, twirl, frameDelta, SnowCone, drawn,
                     [&](float* position) { AttractToBlobs(position, blobs, frameDelta, pull); });

    DrawBackgroundPlanes(sceneTime, {0.25f, -90.0f, 0.02f, false, {0.75f, 0.65f, 0.5f, 0.3f}},
                         drawn);
    FinishBlobScene(fade);

    demo.glowGain = 0.27f;
}
