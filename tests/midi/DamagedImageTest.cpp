#include "MidiImages.h"
#include "midi/SongImage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool sameReport(const NoteReport& a, const NoteReport& b) {
    return a.kind == b.kind && a.channel == b.channel && a.key == b.key &&
           a.velocity == b.velocity && a.time == b.time;
}

// Each image is read from an exactly sized heap copy; under AddressSanitizer a
// read past the end fails the run. A hang would time the test out.
TEST(DamagedImage, CutOffAndHostileImagesAreReadSafely) {
    std::string maximalDeltas = "00 903C64 ";
    for (int i = 0; i < 3000; ++i) {
        maximalDeltas += "FFFFFF7F 3C64 ";
    }
    struct Case {
        const char* name;
        std::string hex;
        size_t notes;
    };
    const Case cases[] = {
        {"empty image", "", 0},
        {"one byte", "4D", 0},
        {"eight bytes", "4D546864 00000006", 0},
        {"thirteen bytes", "4D546864 00000006 0000 0001 01", 0},
        {"header only", SongHeader, 0},
        {"chunk name cut off", SongHeader + "4D5472", 0},
        {"chunk length cut off", SongHeader + "4D54726B 0000", 0},
        {"delta cut off", SongHeader + trackChunk(4) + "83", 0},
        {"status cut off", SongHeader + trackChunk(4) + "00", 0},
        {"note cut off after its key", SongHeader + trackChunk(4) + "00 903C", 0},
        {"note cut off after its status", SongHeader + trackChunk(99) + "00 903C64 00 91", 1},
        {"meta type cut off", SongHeader + trackChunk(4) + "00 FF", 0},
        {"tempo cut off", SongHeader + trackChunk(7) + "00 FF5103 07A1", 0},
        {"five-byte delta", SongHeader + trackOf("8181818101 903C64"), 0},
        {"five-byte meta length", SongHeader + trackOf("00 FF01 8181818101 903C64"), 0},
        {"four continued delta bytes at the end", SongHeader + trackChunk(8) + "81818181", 0},
        {"chunk length past the end", SongHeader + "4D54726B FFFFFFFF 00903C64 00 3C00", 2},
        {"meta length past the end", SongHeader + trackChunk(99) + "00 903C64 00 FF01 7F 4141", 1},
        {"sysex length past the end", SongHeader + trackChunk(99) + "00 903C64 00 F0 8F7F 00", 1},
        {"data byte with no earlier status", SongHeader + trackOf("00 3C64 00 903D50"), 1},
        {"junk between chunks without a track name",
         SongHeader + trackOf("00 903C64") + "4D 54 72 00 4D 54 00 72 6B 00 913D64", 1},
        {"junk between chunks with a track name",
         SongHeader + trackOf("00 903C64") + "01 02 4D 54 4D" + trackOf("00 913D64"), 2},
        {"running meta status at the end", SongHeader + trackChunk(9) + "00 FF0100 00", 0},
        {"zero-length chunks", SongHeader + trackChunk(0) + "00" + trackChunk(0) + "00", 0},
        {"many maximal deltas in a row", SongHeader + trackOf(maximalDeltas), 3001},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> image = fromHex(c.hex);
        const std::vector<NoteReport> reports = readAll(image);
        EXPECT_EQ(reports.size(), c.notes);
        float previous = 0.0f;
        for (const NoteReport& report : reports) {
            EXPECT_GE(report.channel, 0);
            EXPECT_LE(report.channel, 15);
            EXPECT_TRUE(std::isfinite(report.time));
            EXPECT_GE(report.time, previous); // one track: time never goes back
            previous = report.time;
        }
    }
}

TEST(DamagedImage, EveryPrefixOfTheSongYieldsAPrefixOfItsNotes) {
    const std::vector<NoteReport> whole = readAll(SongImage, SongImageLength);
    ASSERT_EQ(whole.size(), 1428u);
    size_t previousCount = 0;
    for (int length = 0; length <= SongImageLength; ++length) {
        const std::vector<NoteReport> part = readAll(SongImage, length);
        ASSERT_GE(part.size(), previousCount) << "length " << length;
        ASSERT_LE(part.size(), whole.size());
        for (size_t i = 0; i < part.size(); ++i) {
            ASSERT_TRUE(sameReport(part[i], whole[i])) << "length " << length << " report " << i;
        }
        previousCount = part.size();
    }
    // The end-of-track event carries no note; one byte more cut off takes the
    // velocity of the final release, and with it that release.
    EXPECT_EQ(readAll(SongImage, SongImageLength - 4).size(), 1428u);
    EXPECT_EQ(readAll(SongImage, SongImageLength - 5).size(), 1427u);
}

} // namespace
