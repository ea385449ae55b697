// The gathering picture, the last scene: over a background picture that
// slides into place, the text sprites fly to the cells of the text map and
// hold the picture, which scrolls up once; at 28 s of scene time they are released and fall with
// the other snow onto a floor. Fades in from white and out to black.
#pragma once

#include "common/TimelineTypes.h"

#include <cstdint>

// Lowest height of a flake: one that reaches it has landed for good.
constexpr float PictureFloorY = -11.3f;
// The back wall no flake drifts through.
constexpr float PictureWallZ = -25.0f;
// Scene time at which the gathered picture lets go.
constexpr float PictureReleaseTime = 28.0f;
// Sprites after the text sprites that fall with them.
constexpr int PictureExtraFlakes = 2000;

// The scene callback; its scene time is time + timeShift.
void GatheringPictureScene(std::int32_t variant, const SceneEntry& entry, float time,
                           float timeShift, float frameDelta);
