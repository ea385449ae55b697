#include "MidiImages.h"

#include <gtest/gtest.h>

namespace {

// A header with the given division (hex, two bytes).
std::string headerWithDivision(const std::string& division) {
    return "4D546864 00000006 0000 0001 " + division + " ";
}

void expectNote(const NoteReport& report, NoteKind kind, int channel, int key, int velocity,
                float time) {
    EXPECT_EQ(report.kind, kind);
    EXPECT_EQ(report.channel, channel);
    EXPECT_EQ(report.key, key);
    EXPECT_EQ(report.velocity, velocity);
    EXPECT_FLOAT_EQ(report.time, time);
}

TEST(MidiReader, TempoIsRoundedDownToWholeBeatsPerMinute) {
    // Without a tempo event a quarter note lasts 0.5 s (8360 is a delta of 480).
    std::vector<NoteReport> reports = readHex(SongHeader + trackOf("8360 903C64"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FLOAT_EQ(reports[0].time, 0.5f);

    // 600,000 us is 100 bpm exactly; 700,000 us is 85.7 bpm, taken as 85.
    reports = readHex(SongHeader + trackOf("00 FF5103 0927C0 8360 903C64"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FLOAT_EQ(reports[0].time, 0.6f);
    reports = readHex(SongHeader + trackOf("00 FF5103 0AAE60 8360 903C64"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].time, 60.0f / 85.0f);
}

TEST(MidiReader, TempoChangeAppliesToTheDeltasAfterIt) {
    // The tempo event's own delta still runs at 0.5 s per quarter.
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackOf("8360 FF5103 0927C0 8360 903C64 8360 3C00"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FLOAT_EQ(reports[0].time, 1.1f);
    EXPECT_FLOAT_EQ(reports[1].time, 1.7f);
}

TEST(MidiReader, RefusesTempoThatWouldDivideByZeroOrIsTooShort) {
    for (const char* tempo : {"FF5103 000000", "FF5102 0927"}) {
        const std::vector<NoteReport> reports =
            readHex(SongHeader + trackOf(std::string("00 ") + tempo + " 8360 903C64"));
        ASSERT_EQ(reports.size(), 1u) << tempo;
        EXPECT_FLOAT_EQ(reports[0].time, 0.5f) << tempo;
    }
}

TEST(MidiReader, DivisionComesFromHeaderBytes12And13) {
    // 960 ticks per quarter: 480 ticks are a quarter of a second.
    std::vector<NoteReport> reports = readHex(headerWithDivision("03C0") + trackOf("8360 903C64"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FLOAT_EQ(reports[0].time, 0.25f);

    // Frame-based (high bit set) and zero divisions count 240 ticks per
    // quarter: a delta of 240 (8170) is half a second.
    for (const char* division : {"E728", "8000", "0000"}) {
        reports = readHex(headerWithDivision(division) + trackOf("8170 903C64"));
        ASSERT_EQ(reports.size(), 1u) << division;
        EXPECT_FLOAT_EQ(reports[0].time, 0.5f) << division;
    }
}

TEST(MidiReader, RunningStatusCarriesNoteOnsAndVelocityZeroReleases) {
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackOf("00 933C64 8360 3E50 8360 3C00 00 3E00"));
    ASSERT_EQ(reports.size(), 4u);
    expectNote(reports[0], NoteKind::NoteOn, 3, 60, 100, 0.0f);
    expectNote(reports[1], NoteKind::NoteOn, 3, 62, 80, 0.5f);
    expectNote(reports[2], NoteKind::NoteOn, 3, 60, 0, 1.0f);
    expectNote(reports[3], NoteKind::NoteOn, 3, 62, 0, 1.0f);
}

TEST(MidiReader, NoteOffReportsKeyAndTimeButNoVelocity) {
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackOf("00 9F4040 8360 8F407F 8360 417F"));
    ASSERT_EQ(reports.size(), 3u);
    expectNote(reports[0], NoteKind::NoteOn, 15, 64, 64, 0.0f);
    expectNote(reports[1], NoteKind::NoteOff, 15, 64, 0, 0.5f);
    expectNote(reports[2], NoteKind::NoteOff, 15, 65, 0, 1.0f);
}

TEST(MidiReader, ProgramChangeAndChannelPressureTakeOneDataByte) {
    const std::vector<NoteReport> reports = readHex(
        SongHeader + trackOf("00 C205 00 06 00 D240 00 923C64 00 B20740 8360 923C00 00 E20040"));
    ASSERT_EQ(reports.size(), 2u);
    expectNote(reports[0], NoteKind::NoteOn, 2, 60, 100, 0.0f);
    expectNote(reports[1], NoteKind::NoteOn, 2, 60, 0, 0.5f);
}

TEST(MidiReader, MetaStatusIsRememberedAsRunningStatus) {
    // After the text event, "01 03" is another meta event (type 1, three data
    // bytes that look like a note), not a note-on under the earlier 0x90.
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackOf("00 903C64 00 FF0100 00 0103 903C00 00 913D64"));
    ASSERT_EQ(reports.size(), 2u);
    expectNote(reports[0], NoteKind::NoteOn, 0, 60, 100, 0.0f);
    expectNote(reports[1], NoteKind::NoteOn, 1, 61, 100, 0.0f);
}

TEST(MidiReader, SystemExclusiveIsSkippedByItsLength) {
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackOf("00 903C64 00 F003 913D64 00 F702 923E 8360 903C00"));
    ASSERT_EQ(reports.size(), 2u);
    expectNote(reports[0], NoteKind::NoteOn, 0, 60, 100, 0.0f);
    expectNote(reports[1], NoteKind::NoteOn, 0, 60, 0, 0.5f);
}

TEST(MidiReader, EveryTrackChunkStartsAtTimeZeroAndKeepsTheTempo) {
    const std::string header = "4D546864 00000006 0001 0002 01E0 ";
    const std::vector<NoteReport> reports =
        readHex(header + trackOf("00 FF5103 0927C0 8360 903C64 00 FF2F00") +
                trackOf("8170 913D64 00 FF2F00"));
    ASSERT_EQ(reports.size(), 2u);
    expectNote(reports[0], NoteKind::NoteOn, 0, 60, 100, 0.6f);
    expectNote(reports[1], NoteKind::NoteOn, 1, 61, 100, 0.3f);
}

TEST(MidiReader, BytesOutsideTrackChunksAreSkipped) {
    // Junk, a partial name and an unknown chunk before the track; the header
    // length is ignored, so its extra bytes are junk too.
    const std::string header = "4D546864 00000008 0000 0001 01E0 7777 ";
    const std::vector<NoteReport> reports =
        readHex(header + "DEADBEEF 4D5472 4D546864 00000002 903C " + trackOf("00 913D64") +
                "00 923E64 4D54 72 00 6B" + trackOf("00 933F64"));
    ASSERT_EQ(reports.size(), 2u);
    expectNote(reports[0], NoteKind::NoteOn, 1, 61, 100, 0.0f);
    expectNote(reports[1], NoteKind::NoteOn, 3, 63, 100, 0.0f);
}

TEST(MidiReader, ChunkLengthEndingInsideAnEventStopsAfterThatEvent) {
    // The first chunk claims two bytes but its note takes four; the walk then
    // looks for the next chunk instead of reading its name as events.
    const std::vector<NoteReport> reports =
        readHex(SongHeader + trackChunk(2) + "00 903C64 " + trackOf("00 913D64"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].key, 60);
    EXPECT_EQ(reports[1].key, 61);
}

TEST(MidiReader, OverlongDeltaEndsItsChunk) {
    // A delta or meta length of five bytes would overflow: the rest of its
    // chunk is skipped and the next chunk is read.
    for (const char* events : {"00 903C64 8181818101 903D64", "00 903C64 00 FF01 8181818101 00"}) {
        const std::vector<NoteReport> reports =
            readHex(SongHeader + trackOf(events) + trackOf("00 923E64"));
        ASSERT_EQ(reports.size(), 2u) << events;
        expectNote(reports[0], NoteKind::NoteOn, 0, 60, 100, 0.0f);
        expectNote(reports[1], NoteKind::NoteOn, 2, 62, 100, 0.0f);
    }
}

} // namespace
