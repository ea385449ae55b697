#include "scenes/SceneGatheringPicture.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "render/Camera.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"
#include "textures/TextureSlot.h"

#include <algorithm>
#include <cmath>

namespace {

// Steps of 0.01, truncated toward zero: the slides move in visible notches.
float Quantized(float slide) {
    return 0.01f * std::trunc(100.0f * slide);
}

void UpdateSlides(float sceneTime, float frameDelta) {
    const float a = std::min(2.0f * sceneTime, 10.0f);
    demo.slideY += frameDelta * ((10.0f - a) - demo.slideY);
    const float b = std::clamp(2.0f * (sceneTime - 11.5f), 0.0f, 10.0f);
    demo.slideX += 0.5f * frameDelta * ((10.0f - b) - demo.slideX);
}

// The picture overfills the screen by a tenth and rises as slideY falls.
void DrawBackground(float slideY) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    BindTextureSlot(PictureImage, GL_CLAMP);
    glPushMatrix();
    glTranslatef(0.0f, 0.00625f - 0.0125f * slideY, 0.0f);
    glScalef(1.1f, 1.1f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, -1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, -1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, -1.0f, -1.0f);
    glEnd();
    glPopMatrix();
    glDepthMask(GL_TRUE);
}

void MoveAndDrawFlakes(float sceneTime, float frameDelta, float slideX, float slideY) {
    const float gather = std::clamp((sceneTime - 2.0f) / 3.0f, 0.0f, 1.0f);
    const bool holding = sceneTime < PictureReleaseTime;
    Sprite& head = *demo.textLayer[0];

    glTranslatef(0.0f, -0.2f * slideY, 0.0f);
    head.BeginLayer();
    Random::srand(123);
    // The text sprites and the flakes after them, never past the layer.
    const int count = std::min(demo.textTargetCount + PictureExtraFlakes, LayerSize);
    for (int i = 0; i < count; ++i) {
        Sprite& sprite = *demo.textLayer[i];
        float* p = sprite.position;
        bool landed = false;
        if (p[1] <= PictureFloorY) {
            p[1] = PictureFloorY;
            landed = true;
        }
        if (p[2] <= PictureWallZ) {
            p[2] = PictureWallZ;
        }
        if (!landed) {
            // Small flakes spin faster; wide ones turn the other way.
            sprite.spin +=
                (2.0f * R() - 1.5f) * 30.0f * (0.085f - sprite.halfSize[0]) * frameDelta * 90.0f;
        }
        float lift;
        if (i < demo.textTargetCount && holding) {
            const float* target = demo.textTargets + 3 * i;
            const float step = gather * frameDelta;
            for (int axis = 0; axis < 3; ++axis) {
                p[axis] += (target[axis] - p[axis]) * step;
            }
            lift = -0.2f * slideX;
        } else {
            if (!landed) {
                p[1] -= (R() + 0.5f) * frameDelta * 1.125f;
                const float side = (Random::rand() & 1) ? 1.0f : -1.0f;
                p[2] += (R() + 0.5f) * side * frameDelta * 0.3f;
            }
            lift = -0.2f * slideY;
        }
        if (InFrontOfEye(p)) {
            sprite.DrawLifted(head, lift);
        }
    }
    head.EndLayer();
}

} // namespace

void GatheringPictureScene(std::int32_t, const SceneEntry& entry, float time, float timeShift,
                           float frameDelta) {
    const float sceneTime = time + timeShift;
    const float fadeIn = RampIn(time, entry.start, entry.fadeIn);
    const float fadeOutLevel =
        RampIn(time, entry.start + entry.duration - entry.fadeOut, entry.fadeOut);

    UpdateSlides(sceneTime, frameDelta);
    const float slideY = Quantized(demo.slideY);
    const float slideX = Quantized(demo.slideX);

    demo.glowGain = 0.15f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    DrawBackground(slideY);

    demo.cameraEye[0] = 0.1f;
    demo.cameraEye[1] = 0.0f;
    demo.cameraEye[2] = 1.0f;
    UpdateViewDirection();
    SetupCamera();

    MoveAndDrawFlakes(sceneTime, frameDelta, slideX, slideY);

    DrawWhiteFadeIn(fadeIn);
    DrawBlackFade(fadeOutLevel);
}
