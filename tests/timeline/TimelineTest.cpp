// Which scenes a frame calls, with what, and what the timeline keeps.
#include "timeline/Timeline.h"
#include "common/DemoState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// What one callback saw.
struct Call {
    int scene;
    std::int32_t variant;
    SceneEntry entry;
    float time, timeShift, frameDelta;
    float eye[3], target[4], light[4];
};
std::vector<Call> calls;

template <int Scene>
void record(std::int32_t variant, const SceneEntry& entry, float time, float timeShift,
            float frameDelta) {
    Call call{Scene, variant, entry, time, timeShift, frameDelta, {}, {}, {}};
    std::copy_n(demo.cameraEye, 3, call.eye);
    std::copy_n(demo.cameraTarget, 4, call.target);
    std::copy_n(demo.lightPosition, 4, call.light);
    calls.push_back(call);
    // A scene leaves its own state behind; the next frame must not see it.
    demo.cameraEye[2] = 9.0f;
    demo.lightPosition[0] = 9.0f;
}

std::vector<int> scenesAt(float time) {
    calls.clear();
    RunTimeline(time, 0.02f);
    std::vector<int> scenes;
    for (const Call& call : calls) {
        scenes.push_back(call.scene);
    }
    return scenes;
}

class TimelineRun : public ::testing::Test {
protected:
    void SetUp() override { demo.timeline.clear(); }
};

TEST_F(TimelineRun, TheShowHandsEachScenePeriodOver) {
    ShowScenes show;
    show.risingBlobs = record<1>;
    show.gatheringBlobs = record<2>;
    show.gatheringPicture = record<3>;
    EnterScenes(demo.timeline, show);

    using S = std::vector<int>;
    EXPECT_EQ(scenesAt(0.0f), S{1});
    EXPECT_EQ(scenesAt(31.999f), S{1});
    EXPECT_EQ(scenesAt(32.0f), S{2});
    EXPECT_EQ(scenesAt(63.999f), S{2});
    EXPECT_EQ(scenesAt(64.0f), S{3});
    EXPECT_EQ(scenesAt(101.99f), S{3});
    EXPECT_EQ(scenesAt(102.0f), S{});
    EXPECT_EQ(scenesAt(102.5f), S{});
    EXPECT_EQ(scenesAt(NAN), S{});

    // Each scene gets its absolute start, its own fades, variant 0 and a
    // time shift that puts its clock where the show wants it.
    const struct {
        float time, start, fadeIn, fadeOut, sceneTime;
    } expected[] = {{10.0f, 0.0f, 1.5f, 0.0f, -2.0f},
                    {40.0f, 32.0f, 1.5f, 0.0f, 40.0f},
                    {70.0f, 64.0f, 2.5f, 1.5f, 6.0f}};
    for (const auto& e : expected) {
        scenesAt(e.time);
        ASSERT_EQ(calls.size(), 1u);
        const Call& c = calls[0];
        EXPECT_EQ(c.variant, 0);
        EXPECT_EQ(c.entry.start, e.start);
        EXPECT_EQ(c.entry.fadeIn, e.fadeIn);
        EXPECT_EQ(c.entry.fadeOut, e.fadeOut);
        EXPECT_EQ(c.time + c.timeShift, e.sceneTime);
        EXPECT_EQ(c.frameDelta, 0.02f);
    }

    // Scenes that do not exist yet get no track.
    Timeline partial;
    EnterScenes(partial, ShowScenes{nullptr, nullptr, record<3>});
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_EQ(partial[0].offset, 64.0f);
}

TEST_F(TimelineRun, OverlappingEntriesRunInTrackThenEntryOrder) {
    SceneTrack first;
    AddEntry(first, record<1>, 0, 0.0f, 10.0f, 0.0f, 0.0f);
    AddEntry(first, record<2>, 0, -5.0f, 8.0f, 0.0f, 0.0f); // due from the first frame
    AddEntry(first, record<9>, 0, 1.0f, 0.0f, 0.0f, 0.0f);  // never due
    SceneTrack second;
    AddEntry(second, record<3>, 0, 0.0f, 10.0f, 0.0f, 0.0f);
    AddEntry(second, record<9>, 0, 1.0f, -3.0f, 0.0f, 0.0f); // never due
    AddTrack(demo.timeline, second, 1.0f, -1, 0.0f, 0.0f, 0.0f);
    AddTrack(demo.timeline, first, 0.0f, -1, 0.0f, 0.0f, 0.0f);

    EXPECT_EQ(scenesAt(0.0f), (std::vector<int>{1, 2}));
    EXPECT_EQ(scenesAt(2.0f), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(scenesAt(3.0f), (std::vector<int>{3, 1}));
    EXPECT_EQ(scenesAt(10.5f), (std::vector<int>{3}));
}

TEST_F(TimelineRun, TrackOverridesHoldForTheCallOnly) {
    SceneTrack track;
    AddEntry(track, record<1>, 4, 2.0f, 10.0f, 1.0f, 3.0f);
    AddTrack(demo.timeline, track, 10.0f, 5, 0.0f, 0.25f, 0.0f);
    AddTrack(demo.timeline, track, 10.0f, -1, 0.0f, 0.0f, 0.5f);
    // Later changes to the caller's track do not reach the timeline.
    track.entries[0].fadeIn = 99.0f;

    scenesAt(12.0f);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].variant, 5);
    EXPECT_EQ(calls[0].entry.fadeIn, 0.25f);
    EXPECT_EQ(calls[0].entry.fadeOut, 3.0f);
    EXPECT_EQ(calls[1].variant, 4);
    EXPECT_EQ(calls[1].entry.fadeIn, 1.0f);
    EXPECT_EQ(calls[1].entry.fadeOut, 0.5f);
    EXPECT_EQ(calls[1].entry.start, 12.0f);

    for (const SceneTrack& stored : demo.timeline) {
        EXPECT_EQ(stored.entries[0].start, 2.0f);
        EXPECT_EQ(stored.entries[0].fadeIn, 1.0f);
        EXPECT_EQ(stored.entries[0].fadeOut, 3.0f);
        EXPECT_EQ(stored.entries[0].variant, 4);
    }
}

TEST_F(TimelineRun, EveryRunStartsWithTheCameraAndLightReset) {
    SceneTrack track;
    AddEntry(track, record<1>, 0, 0.0f, 10.0f, 0.0f, 0.0f);
    AddTrack(demo.timeline, track, 0.0f, -1, 0.0f, 0.0f, 0.0f);
    demo.cameraTarget[3] = 4.0f;
    demo.lightPosition[3] = 0.5f;

    scenesAt(1.0f); // leaves the camera and light changed
    scenesAt(1.1f);
    ASSERT_EQ(calls.size(), 1u);
    const Call& c = calls[0];
    EXPECT_EQ(c.eye[0], 0.0f);
    EXPECT_EQ(c.eye[1], 0.0f);
    EXPECT_EQ(c.eye[2], -1.0f);
    for (float component : c.target) {
        EXPECT_EQ(component, 0.0f);
    }
    EXPECT_EQ(c.light[0], 0.0f);
    EXPECT_EQ(c.light[1], 0.0f);
    EXPECT_EQ(c.light[2], 0.0f);
    EXPECT_EQ(c.light[3], 0.5f); // w keeps its value
}

} // namespace
