// The whole song through the show's audio path in real time: the player plays
// the image while the stream renders ahead frame by frame, and SDL's disk
// driver records what the device received.
#include "audio/AudioStream.h"
#include "platform/SoundPlayer.h"
#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::int16_t> readRecording(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                               static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return samples;
}

} // namespace

TEST(SongPlayback, TheDeviceReceivesEverySampleOfTheShowInTimeWithoutUnderrun) {
    const std::string recording = "/tmp/hallatorvo-song-" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);

    AudioStream music;
    music.init();
    music.startPlayback();
    // Frames of a busy show: 30 ms of drawing after each render-ahead step,
    // until the player has handed out the show's 103 seconds.
    const std::uint64_t showFrames = 103u * 22050u;
    SoundPlayerStats stats = GetSoundPlayerStats();
    ASSERT_TRUE(stats.playing);
    while (stats.framesPlayed < showFrames) {
        music.renderAhead(0.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        stats = GetSoundPlayerStats();
        ASSERT_GT(music.lead(), 0.0f) << "the player caught up at " << stats.framesPlayed;
    }
    PlaySoundA(nullptr, nullptr, 0); // closes the device and the recording
    EXPECT_EQ(stats.underrunFrames, 0u);

    std::vector<std::int16_t> heard = readRecording(recording);
    std::remove(recording.c_str());
    const auto* image = music.image().pcm();
    auto sampleAt = [image](std::size_t i) {
        return static_cast<std::int16_t>(image[2 * i] | static_cast<unsigned>(image[2 * i + 1])
                                                            << 8);
    };
    // Both are compared from the song's first sound: the recording may begin with
    // silence SDL writes while the device is open but not yet started.
    std::size_t songStart = 0;
    while (sampleAt(songStart) == 0) {
        ++songStart;
    }
    const auto heardStart = std::find_if(heard.begin(), heard.end(), [](auto s) { return s != 0; });
    heard.erase(heard.begin(), heardStart);
    ASSERT_GE(heard.size() + songStart, showFrames);
    std::size_t mismatches = 0;
    std::size_t loud = 0;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        mismatches += heard[i] != sampleAt(songStart + i);
        loud += std::abs(heard[i]) > 1000;
    }
    EXPECT_EQ(mismatches, 0u);
    // The song plays almost throughout: 98.5 seconds of music in 103.
    EXPECT_GT(loud, heard.size() / 4);
}
