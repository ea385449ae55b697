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

constexpr float EyeHeight = 3.5f;
constexpr float BlobCone = 0.45f;
constexpr float SnowCone = 0.4f;

// Every blob replays its own seeded draws each frame, so its rate, phase and
// place recur and only the scene time moves it.
void DrawBlobs(float sceneTime, bool blobsShown) {
    for (int i = 0; i < RisingBlobCount; ++i) {
        // Odd blobs wear pattern B.
        BindBlobTextures(static_cast<TextureSlot>(PatternA + i % 2),
                         static_cast<TextureSlot>(BumpMapA + i % 2));
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

} // namespace

void RisingBlobsScene(std::int32_t, const SceneEntry& entry, float time, float timeShift,
                      float frameDelta) {
    const float sceneTime = time + timeShift;
    const float fade = FadeLevel(entry, time);
    const bool drawn = !FadeHidesScene(fade);
    const bool blobsShown = drawn && (time - 9.0f) * 0.5f > 1.0f;

    const float twirl = BeginBlobScene(sceneTime, {EyeHeight, 8.0f, {0.025f, 0.025f, 0.15f, 1.0f}});
    DrawBlobs(sceneTime, blobsShown);

    DisableBumpPrograms();
    glDisable(GL_LIGHTING);
    SetupCamera();
    DriftAndDrawSnow(-1.0f, twirl, frameDelta, SnowCone, drawn, [](float*) {});

    DrawBackgroundPlanes(sceneTime, {0.5f, 90.0f, 0.0f, true, {}}, drawn);
    FinishBlobScene(fade);

    demo.glowGain = 0.265f;
}
