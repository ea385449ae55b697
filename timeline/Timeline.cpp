#include "timeline/Timeline.h"

#include "common/DemoState.h"

namespace {

// The entry as its callee sees it: moved by the track's offset, its fades and
// variant overridden by the track's where those are set. The stored schedule
// is never written.
void runTrack(const SceneTrack& track, float time, float frameDelta) {
    for (const SceneEntry& entry : track.entries) {
        // Sums in this order, each rounded to float; NaN is never due.
        const float begin = entry.start + track.offset;
        const float end = entry.duration + entry.start + track.offset;
        if (!(begin <= time && time < end) || entry.callback == nullptr) {
            continue;
        }
        SceneEntry due = entry;
        due.start = begin;
        if (track.fadeIn != 0.0f) {
            due.fadeIn = track.fadeIn;
        }
        if (track.fadeOut != 0.0f) {
            due.fadeOut = track.fadeOut;
        }
        const std::int32_t variant = track.variant != -1 ? track.variant : entry.variant;
        entry.callback(variant, due, time, track.timeShift, frameDelta);
    }
}

} // namespace

void AddEntry(SceneTrack& track, SceneCallback callback, std::int32_t variant, float start,
              float duration, float fadeIn, float fadeOut) {
    SceneEntry entry;
    entry.start = start;
    entry.duration = duration;
    entry.fadeIn = fadeIn;
    entry.fadeOut = fadeOut;
    entry.variant = variant;
    entry.callback = callback;
    track.entries.push_back(entry);
}

void AddTrack(Timeline& timeline, const SceneTrack& track, float offset, std::int32_t variant,
              float timeShift, float fadeIn, float fadeOut) {
    SceneTrack copy = track;
    copy.offset = offset;
    copy.variant = variant;
    copy.timeShift = timeShift;
    copy.fadeIn = fadeIn;
    copy.fadeOut = fadeOut;
    timeline.push_back(std::move(copy));
}

void EnterScenes(Timeline& timeline, const ShowScenes& scenes) {
    // Each scene runs on its own clock, time + timeShift: the first on
    // time - 12, the second on time, the third from zero at its own start.
    struct Slot {
        SceneCallback scene;
        float duration, fadeIn, fadeOut, offset, timeShift;
    };
    const Slot slots[] = {
        {scenes.risingBlobs, 32.0f, 1.5f, 0.0f, 0.0f, -12.0f},
        {scenes.gatheringBlobs, 32.0f, 1.5f, 0.0f, 32.0f, 0.0f},
        {scenes.gatheringPicture, 38.0f, 2.5f, 1.5f, 64.0f, -64.0f},
    };
    for (const Slot& slot : slots) {
        if (slot.scene == nullptr) {
            continue;
        }
        SceneTrack track;
        AddEntry(track, slot.scene, 0, 0.0f, slot.duration, slot.fadeIn, slot.fadeOut);
        AddTrack(timeline, track, slot.offset, -1, slot.timeShift, 0.0f, 0.0f);
    }
}

void RunTimeline(float time, float frameDelta) {
    demo.cameraEye[0] = 0.0f;
    demo.cameraEye[1] = 0.0f;
    demo.cameraEye[2] = -1.0f;
    for (float& component : demo.cameraTarget) {
        component = 0.0f;
    }
    demo.lightPosition[0] = 0.0f;
    demo.lightPosition[1] = 0.0f;
    demo.lightPosition[2] = 0.0f;

    for (const SceneTrack& track : demo.timeline) {
        runTrack(track, time, frameDelta);
    }
}
