// The schedule of scenes: tracks of entries, and the per-frame call of every
// entry that is due at the current time.
//
// An entry is due while start + offset <= time < duration + start + offset.
// A track shifts its entries by its offset, may override their variant (any
// value but -1) and fade lengths (any value but 0) for the call, and hands its
// time shift to every callback.
#pragma once

#include "common/TimelineTypes.h"

#include <cstdint>

// Appends an entry at the end of the track.
void AddEntry(SceneTrack& track, SceneCallback callback, std::int32_t variant, float start,
              float duration, float fadeIn, float fadeOut);

// Appends a copy of `track`, its entries included, with the given offset,
// variant, time shift and fade overrides.
void AddTrack(Timeline& timeline, const SceneTrack& track, float offset, std::int32_t variant,
              float timeShift, float fadeIn, float fadeOut);

// The show's three scenes, in the order they play.
struct ShowScenes {
    SceneCallback risingBlobs = nullptr;      // 0 to 32 s
    SceneCallback gatheringBlobs = nullptr;   // 32 to 64 s
    SceneCallback gatheringPicture = nullptr; // 64 to 102 s
};

// Enters the show's schedule into `timeline`: one track per scene, in play
// order; a null scene gets no track.
void EnterScenes(Timeline& timeline, const ShowScenes& scenes);

// Once per frame, on the render state the frame has just reset: resets the
// camera and the light (the light's w keeps its value), then calls every due
// entry of demo.timeline in track order and entry order.
void RunTimeline(float time, float frameDelta);
