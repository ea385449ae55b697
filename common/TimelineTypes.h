// The schedule's records: what a scene is and the entry it receives. The
// operations on them live in timeline/.
#pragma once

#include <cstdint>
#include <vector>

struct SceneEntry;

// A scene's drawing function: variant, the entry being run (read-only), the
// show time, the track's time shift and the frame length, all in seconds.
using SceneCallback = void (*)(std::int32_t variant, const SceneEntry& entry, float time,
                               float timeShift, float frameDelta);

struct SceneEntry {
    float start = 0.0f;    // seconds, relative to the track
    float duration = 0.0f; // due while start <= t < start + duration
    float fadeIn = 0.0f;
    float fadeOut = 0.0f;
    std::int32_t variant = 0;
    SceneCallback callback = nullptr;
};

struct SceneTrack {
    float offset = 0.0f;       // added to the start of each entry
    std::int32_t variant = -1; // -1: each entry's own variant
    float fadeIn = 0.0f;       // 0: each entry's own fade-in
    float fadeOut = 0.0f;      // 0: each entry's own fade-out
    float timeShift = 0.0f;    // handed to every callback of the track
    std::vector<SceneEntry> entries;
};

using Timeline = std::vector<SceneTrack>;
