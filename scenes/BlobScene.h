// The pieces the two blob scenes share: their opening set-up, the bump-lit
// surface's programs and texture pair, the swirl of the snow about the view
// axis, the swaying background planes and the closing fade.
#pragma once

#include "common/DemoState.h"
#include "common/Random.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"
#include "textures/TextureSlot.h"

// What sets one blob scene's look apart from the other's.
struct BlobSceneLook {
    float eyeHeight;       // of the orbiting eye
    float texRepeat;       // scales the material's first texture repeat
    float surfaceColor[4]; // of the blobs
};

// The opening both blob scenes share, in this order: the clear, the circling
// light, the material, the orbiting eye and its camera, the surface's
// resolution, specular colour, repeat and colour, the light handed to the
// vertex program, the bump programs bound, and the surface unscaled and
// undeformed (weight 0, shape 0). Returns the snow's twirl.
float BeginBlobScene(float sceneTime, const BlobSceneLook& look);

// How the 40 background planes of a blob scene sway and shine.
struct PlaneSway {
    float turnRate;    // of the scene time in each plane's turn
    float turnDegrees; // the turn's swing, signed
    float axisY;       // each plane turns about (0, axisY, 1)
    // Each plane's colour follows a wave along the row; otherwise all of them
    // take `colour`.
    bool shimmer;
    float colour[4];
};

// The planes behind the blobs, seen from (0, 0, 1), textured with the
// background image and blended over the scene; with `drawn` false only their
// camera and state are set.
void DrawBackgroundPlanes(float sceneTime, const PlaneSway& sway, bool drawn);

// The closing both blob scenes share: blending, texturing and the modelview
// reset, then the white fade-in at `fade`.
void FinishBlobScene(float fade);

// Whether the closing fade at `fade` is opaque white over the whole frame:
// nothing a blob scene draws before it shows, so the scene then only moves its
// snow. It is so on the first frame of each blob scene, and on every frame of
// the show while the pictures wait at 0 s for the sound to be heard.
inline bool FadeHidesScene(float fade) {
    return fade <= 0.0f;
}

// Binds colour/height texture `colourSlot` on unit 1 and bump texture
// `bumpSlot` on unit 0, both repeating with linear filters; unit 0 stays active.
void BindBlobTextures(TextureSlot colourSlot, TextureSlot bumpSlot);

// Enables both program targets and binds the bump-lighting pair.
void EnableBumpPrograms();

// Disables both program targets.
void DisableBumpPrograms();

// The swirl of a flake at distance d from the view axis through the origin:
// a quarter turn times twirl on the axis, falling off as 1 / (d + 1)^2.
float SwirlAngle(float d, float twirl);

// Binds the background image, repeating with linear filters.
void BindBackgroundTexture();

// Moves the snow layer one frame: each flake drifts vertically by
// direction x (R + 0.5) x frameDelta x 0.5 with R drawn from seed 123 in layer
// order, wraps at +-10, then `attract(position)` may move the stored flake.
// The swirl about the view axis only displaces where the flake is drawn this
// frame (inside the cone, and only when `drawn`); the stored position keeps
// moving straight.
template <class Attract>
void DriftAndDrawSnow(float direction, float twirl, float frameDelta, float cone, bool drawn,
                      Attract&& attract) {
    Sprite* head = demo.snowLayer[0];
    if (head == nullptr) {
        return;
    }
    head->BeginLayer();
    Random::srand(123);
    for (Sprite* sprite : demo.snowLayer) {
        float* position = sprite->position;
        position[1] += direction * (R() + 0.5f) * frameDelta * 0.5f;
        if (position[1] > 10.0f) {
            position[1] = -10.0f;
        }
        if (position[1] < -10.0f) {
            position[1] = 10.0f;
        }
        const float d = Sqrt(position[0] * position[0] + position[1] * position[1]);
        attract(position);
        const float kept[3] = {position[0], position[1], position[2]};
        float angle = SwirlAngle(d, twirl);
        RotateAboutAxis(position, demo.viewDirection, angle);
        sprite->spin += (2.0f * R() - 1.5f) * frameDelta * 90.0f;
        if (drawn && InViewCone(position, cone)) {
            sprite->Draw(*head);
        }
        position[0] = kept[0];
        position[1] = kept[1];
        position[2] = kept[2];
    }
    head->EndLayer();
}
