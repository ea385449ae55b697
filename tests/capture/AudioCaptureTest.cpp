// hallatorvo-capture --audio: the show's song as a WAV file, the same for the
// same seed, and different seeds changing only the noise drums.
#include "midi/MidiReader.h"
#include "midi/SongImage.h"
#include "tests/support/Golden.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t ShowSamples = 103 * 22050;

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::int16_t sample(const std::vector<std::uint8_t>& b, std::size_t index) {
    return static_cast<std::int16_t>(b[44 + 2 * index] | b[45 + 2 * index] << 8);
}

struct Capture {
    int exitCode = -1;
    std::string output;
    std::vector<std::uint8_t> wav;
};

// One run of the tool writing the song with the given seed.
Capture captureSong(const char* seed, const std::string& name) {
    const fs::path file =
        fs::temp_directory_path() / ("hv_audio_" + std::to_string(getpid()) + "_" + name);
    const ProcessResult run = RunProcess({CAPTURE_EXE, "--seed", seed, "--audio", file.string()},
                                         ProcessOptions{{}, 600.0, -1.0, 0});
    Capture capture{run.exitCode, run.output, bytesOf(file)};
    fs::remove(file);
    return capture;
}

} // namespace

TEST(AudioCapture, WritesTheShowsLengthAsSixteenBitMonoWav) {
    const Capture song = captureSong("1", "format.wav");
    ASSERT_EQ(song.exitCode, 0) << song.output;
    const std::vector<std::uint8_t>& wav = song.wav;
    ASSERT_EQ(wav.size(), 44u + 2u * ShowSamples);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(wav, 16), 16u);
    EXPECT_EQ(wav[20] | wav[21] << 8, 1);  // PCM
    EXPECT_EQ(wav[22] | wav[23] << 8, 1);  // mono
    EXPECT_EQ(le32(wav, 24), 22050u);      // samples per second
    EXPECT_EQ(le32(wav, 28), 44100u);      // bytes per second
    EXPECT_EQ(wav[32] | wav[33] << 8, 2);  // block align
    EXPECT_EQ(wav[34] | wav[35] << 8, 16); // bits
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(le32(wav, 40), 2u * ShowSamples);

    // Music from the first second to the end of the song at 98.5 s, then the
    // last chord's tail dies away.
    auto peak = [&wav](double from, double to) {
        int p = 0;
        for (auto i = static_cast<std::size_t>(from * 22050); i < to * 22050; ++i) {
            p = std::max(p, std::abs(static_cast<int>(sample(wav, i))));
        }
        return p;
    };
    for (int second = 1; second < 98; ++second) {
        EXPECT_GT(peak(second, second + 1), 300) << "near silence at " << second << " s";
    }
    EXPECT_LT(peak(102.0, 103.0), peak(90.0, 91.0));
    // The progress ends at the length written.
    const std::size_t end = song.output.rfind(" of 103 s");
    EXPECT_EQ(song.output.substr(end - 5, 5), "103.0") << song.output;
    // The closing line reports the real-time factor.
    EXPECT_NE(song.output.find("103.00 s of audio"), std::string::npos) << song.output;
    EXPECT_NE(song.output.find("real-time factor"), std::string::npos);
}

TEST(AudioCapture, TheSameSeedGivesTheSameFileAnotherChangesOnlyTheNoiseDrums) {
    const Capture first = captureSong("1", "first.wav");
    const Capture again = captureSong("1", "again.wav");
    const Capture other = captureSong("2", "other.wav");
    ASSERT_EQ(first.exitCode, 0);
    ASSERT_EQ(again.exitCode, 0);
    ASSERT_EQ(other.exitCode, 0);
    ASSERT_EQ(first.wav.size(), 44u + 2u * ShowSamples);
    EXPECT_TRUE(first.wav == again.wav);
    ASSERT_EQ(other.wav.size(), first.wav.size());

    // The settled song: every sample of both seeds as recorded.
    const struct {
        const Capture& song;
        const char* name;
        std::uint64_t checksum;
    } settled[] = {
        {first, "seed 1", 0x5877cb0edb057a7cull},
        {other, "seed 2", 0x03852e5db3cde1bbull},
    };
    for (const auto& golden : settled) {
        const std::uint64_t checksum = Fnv1a64(golden.song.wav.data() + 44, 2u * ShowSamples);
        if (RecordingGolden()) {
            PrintGolden(golden.name, checksum);
        } else {
            EXPECT_EQ(checksum, golden.checksum) << golden.name << GoldenMismatchNote();
        }
    }

    // Samples during which a snare or hat (channels 10 to 12) sounds: their
    // notes last at most 0.3 s.
    std::vector<bool> drums(ShowSamples, false);
    auto mark = [&drums](const NoteReport& report) {
        if (report.kind != NoteKind::NoteOn || report.velocity == 0 || report.channel < 10 ||
            report.channel > 12) {
            return;
        }
        const auto from = static_cast<std::size_t>(report.time * 22050.0f);
        for (std::size_t i = from; i < std::min<std::size_t>(from + 6700, ShowSamples); ++i) {
            drums[i] = true;
        }
    };
    readSong(SongImage, SongImageLength, mark);

    std::size_t differing = 0;
    std::size_t outsideDrums = 0;
    for (std::size_t i = 0; i < ShowSamples; ++i) {
        if (sample(first.wav, i) != sample(other.wav, i)) {
            ++differing;
            outsideDrums += !drums[i];
        }
    }
    EXPECT_GT(differing, 22050u); // the drums are audibly different hits
    EXPECT_EQ(outsideDrums, 0u);
}
