// The opening scene: eight bump-lit, slowly pulsing blobs rise through the view
// and wrap around while the snow falls and swirls about the view axis; forty
// semi-transparent planes sway behind everything, the camera orbits the origin
// and the picture fades in from white.
#pragma once

#include "common/TimelineTypes.h"

#include <cstdint>

constexpr int RisingBlobCount = 8;

// The scene callback; its scene time is time + timeShift. The blobs are drawn
// only once time has passed 11 s.
void RisingBlobsScene(std::int32_t variant, const SceneEntry& entry, float time, float timeShift,
                      float frameDelta);
