#include "MidiImages.h"
#include "midi/SongImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

namespace {

constexpr float Tolerance = 0.001f; // single-precision sums drift a few microseconds

std::vector<NoteReport> songReports() {
    return readAll(SongImage, SongImageLength);
}

TEST(EmbeddedSong, ImageIsAFormat0FileWithOneTrackAt480TicksPerQuarter) {
    ASSERT_EQ(SongImageLength, 5350);
    const std::vector<unsigned char> header = fromHex(SongHeader + trackChunk(5328));
    EXPECT_TRUE(std::equal(header.begin(), header.end(), SongImage));
}

TEST(EmbeddedSong, Yields714NotesEachEndedByAVelocityZeroNoteOn) {
    const std::vector<NoteReport> reports = songReports();
    ASSERT_EQ(reports.size(), 1428u);

    int starts = 0;
    int releases = 0;
    float lastStart = -1.0f;
    float previousTime = 0.0f;
    std::map<std::pair<int, int>, int> held; // (channel, key) -> notes sounding
    for (const NoteReport& report : reports) {
        EXPECT_EQ(report.kind, NoteKind::NoteOn);
        EXPECT_GE(report.time, previousTime);
        previousTime = report.time;
        int& sounding = held[{report.channel, report.key}];
        if (report.velocity > 0) {
            ++starts;
            ++sounding;
            lastStart = std::max(lastStart, report.time);
        } else {
            ++releases;
            EXPECT_EQ(sounding, 1) << "release at " << report.time << " s";
            sounding = 0;
        }
    }
    EXPECT_EQ(starts, 714);
    EXPECT_EQ(releases, 714);
    for (const auto& [note, sounding] : held) {
        EXPECT_EQ(sounding, 0) << "channel " << note.first << " key " << note.second;
    }
    EXPECT_NEAR(lastStart, 92.0f, Tolerance);
    EXPECT_NEAR(reports.back().time, 98.5f, Tolerance);
    EXPECT_EQ(reports.back().velocity, 0);
}

TEST(EmbeddedSong, ChannelsPlayTheirNotesKeysAndTimes) {
    struct Use {
        int notes;
        int lowKey;
        int highKey;
        float first;
        float last;
    };
    const std::map<int, Use> table = {
        {0, {85, 21, 31, 16.0f, 64.0f}},     // bass:detroit
        {2, {8, 43, 71, 72.0f, 80.0f}},      // pad:lush
        {3, {36, 17, 59, 47.5f, 92.0f}},     // lead:fifth
        {4, {39, 16, 64, 0.0f, 92.0f}},      // pad:oceans
        {5, {21, 33, 57, 4.0f, 52.0f}},      // lead:squeak
        {6, {8, 33, 47, 7.25f, 16.5f}},      // lead:neurotic
        {7, {153, 40, 52, 16.25f, 48.0f}},   // lead:buzzer
        {9, {64, 48, 48, 0.75f, 63.5f}},     // kick
        {10, {40, 24, 24, 16.5f, 47.0f}},    // retro snare
        {11, {4, 60, 60, 23.5f, 47.5f}},     // snap snare
        {12, {256, 24, 24, 12.0f, 63.833f}}, // closed hat
    };

    std::map<int, Use> found;
    for (const NoteReport& report : songReports()) {
        if (report.velocity == 0) {
            continue;
        }
        auto [entry, added] =
            found.try_emplace(report.channel, Use{0, 127, 0, report.time, report.time});
        Use& use = entry->second;
        ++use.notes;
        use.lowKey = std::min(use.lowKey, report.key);
        use.highKey = std::max(use.highKey, report.key);
        use.first = std::min(use.first, report.time);
        use.last = std::max(use.last, report.time);
    }

    for (const int unused : {1, 8, 13, 14, 15}) {
        EXPECT_EQ(found.count(unused), 0u) << "channel " << unused;
    }
    for (const auto& [channel, expected] : table) {
        SCOPED_TRACE("channel " + std::to_string(channel));
        ASSERT_EQ(found.count(channel), 1u);
        const Use& use = found.at(channel);
        EXPECT_EQ(use.notes, expected.notes);
        EXPECT_EQ(use.lowKey, expected.lowKey);
        EXPECT_EQ(use.highKey, expected.highKey);
        EXPECT_NEAR(use.first, expected.first, Tolerance);
        EXPECT_NEAR(use.last, expected.last, Tolerance);
    }
    EXPECT_EQ(found.size(), table.size());
}

} // namespace
