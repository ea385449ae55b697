// The sound player behind PlaySoundA, heard through SDL's disk audio driver:
// every buffer the player hands to the device lands in a file, so the tests
// compare what a listener would hear with the image that was played.
#include "platform/SoundPlayer.h"
#include "platform/Win32.h"
#include "tests/support/ManualClock.h"
#include "tests/support/WaitUntil.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <list>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t headerBytes = 44;

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFFu);
    put16(b, at + 2, v >> 16);
}

void putId(std::vector<std::uint8_t>& b, std::size_t at, const char* id) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(id[i]);
    }
}

// A canonical 44-byte-header PCM image with room for dataBytes of samples.
std::vector<std::uint8_t> makeWave(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate,
                                   std::uint32_t dataBytes) {
    std::vector<std::uint8_t> b(headerBytes + dataBytes, 0);
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    putId(b, 0, "RIFF");
    put32(b, 4, dataBytes + 36);
    putId(b, 8, "WAVE");
    putId(b, 12, "fmt ");
    put32(b, 16, 16);
    put16(b, 20, 1);
    put16(b, 22, channels);
    put32(b, 24, rate);
    put32(b, 28, rate * blockAlign);
    put16(b, 32, blockAlign);
    put16(b, 34, bits);
    putId(b, 36, "data");
    put32(b, 40, dataBytes);
    return b;
}

// Never zero, both signs, and no two neighbours alike: a gap of silence, a
// repeated or a skipped sample all show.
std::int16_t rampSample(std::size_t n) {
    const int magnitude = 1 + static_cast<int>((n * 7) % 32000);
    return static_cast<std::int16_t>(n % 2 == 0 ? magnitude : -magnitude);
}

std::vector<std::uint8_t> makeRamp(std::uint32_t frames) {
    std::vector<std::uint8_t> b = makeWave(1, 16, 22050, frames * 2);
    for (std::size_t n = 0; n < frames; ++n) {
        put16(b, headerBytes + 2 * n, static_cast<std::uint16_t>(rampSample(n)));
    }
    return b;
}

LPCSTR asSound(const std::vector<std::uint8_t>& image) {
    return reinterpret_cast<LPCSTR>(image.data());
}

BOOL play(const std::vector<std::uint8_t>& image) {
    return PlaySoundA(asSound(image), nullptr, SND_ASYNC | SND_MEMORY);
}

bool finished() {
    return !GetSoundPlayerStats().playing;
}

// The device the player has open: the one SDL says is playing.
SDL_AudioDeviceID playingDevice() {
    for (SDL_AudioDeviceID id = 1; id < 64; ++id) {
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) {
            return id;
        }
    }
    return 0;
}

class SoundPlayer : public ::testing::Test {
protected:
    std::vector<std::string> files;
    std::list<std::vector<std::uint8_t>> images;

    // The player reads the caller's memory until it stops: images live until
    // TearDown has stopped it, whatever way a test ends.
    std::vector<std::uint8_t>& keep(std::vector<std::uint8_t> image) {
        images.push_back(std::move(image));
        return images.back();
    }

    void SetUp() override {
        // Read once, when the audio subsystem starts.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        // Milliseconds per device buffer: far faster than real time.
        setenv("SDL_DISKAUDIODELAY", "2", 1);
        useNewFile();
    }

    void TearDown() override {
        PlaySoundA(nullptr, nullptr, 0);
        for (const std::string& f : files) {
            std::remove(f.c_str());
        }
    }

    // The disk driver opens its file when a device opens.
    void useNewFile() {
        std::string path = ::testing::TempDir() + "hv-sound-XXXXXX";
        const int fd = mkstemp(path.data());
        ASSERT_GE(fd, 0);
        close(fd);
        files.push_back(path);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    }

    std::vector<std::uint8_t> readFile(std::size_t index) const {
        std::ifstream in(files.at(index), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The 16-bit samples written to a file, without the silence SDL writes
    // while the device is open but not yet started (its length depends on
    // scheduling alone).
    std::vector<std::int16_t> heard16(std::size_t index) const {
        const std::vector<std::uint8_t> raw = readFile(index);
        std::vector<std::int16_t> s(raw.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i) {
            s[i] = static_cast<std::int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        }
        std::size_t lead = 0;
        while (lead < s.size() && s[lead] == 0) {
            ++lead;
        }
        return {s.begin() + static_cast<std::ptrdiff_t>(lead), s.end()};
    }
};

// --- the header ---------------------------------------------------------------

TEST_F(SoundPlayer, AcceptsTheMusicDriversImageWithOnlyItsFirstSecondsWritten) {
    constexpr std::uint32_t dataBytes = 10584002;
    std::vector<std::uint8_t>& image = keep(makeWave(1, 16, 22050, dataBytes));
    ASSERT_EQ(image.size(), 10584046u);
    const std::vector<std::uint8_t> expectedStart = {
        'R', 'I', 'F', 'F', 0xE6, 0x7F, 0xA1, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ', 16,  0,   0,   0,    1,    0,    1,    0,   0x22, 0x56, 0,    0,    0x44, 0xAC,
        0,   0,   2,   0,   16,   0,    'd',  'a',  't', 'a',  0xC2, 0x7F, 0xA1, 0x00};
    ASSERT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), image.begin()));

    PublishSoundProgress(image.data(), headerBytes + 2 * 110350);
    ASSERT_TRUE(play(image));
    EXPECT_TRUE(GetSoundPlayerStats().playing);
    ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 110350; }));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    EXPECT_TRUE(stats.playing) << "the player goes on past the written part";
    EXPECT_EQ(stats.underrunFrames, stats.framesPlayed - 110350);
}

TEST_F(SoundPlayer, RejectsMalformedHeadersAndPlaysNothing) {
    const std::vector<std::uint8_t>& good = keep(makeRamp(22050));
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"bad RIFF id", [](auto& b) { putId(b, 0, "RIFX"); }},
        {"bad WAVE id", [](auto& b) { putId(b, 8, "AVI "); }},
        {"no fmt chunk before data", [](auto& b) { putId(b, 12, "junk"); }},
        {"fmt chunk too short", [](auto& b) { put32(b, 16, 14); }},
        {"not PCM", [](auto& b) { put16(b, 20, 3); }},
        {"zero channels", [](auto& b) { put16(b, 22, 0); }},
        {"zero sample rate", [](auto& b) { put32(b, 24, 0); }},
        {"block align mismatch", [](auto& b) { put16(b, 32, 4); }},
        {"24-bit samples",
         [](auto& b) {
             put16(b, 34, 24);
             put16(b, 32, 3);
         }},
        {"RIFF ends inside the fmt chunk", [](auto& b) { put32(b, 4, 20); }},
        {"RIFF ends before the data chunk", [](auto& b) { put32(b, 4, 36); }},
        {"RIFF too small for WAVE", [](auto& b) { put32(b, 4, 2); }},
        {"data beyond the RIFF size", [](auto& b) { put32(b, 40, 22050 * 2 + 2); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t>& bad = keep(good);
        c.spoil(bad);
        ASSERT_TRUE(play(good));
        EXPECT_FALSE(play(bad));
        const SoundPlayerStats stats = GetSoundPlayerStats();
        EXPECT_FALSE(stats.playing) << "the bad image replaces the playing one with nothing";
        EXPECT_EQ(stats.framesPlayed, 0u);
    }
    EXPECT_FALSE(PlaySoundA(asSound(good), nullptr, SND_MEMORY)) << "only asynchronous playback";
    EXPECT_FALSE(GetSoundPlayerStats().playing);
}

TEST_F(SoundPlayer, SkipsOtherChunksIncludingTheirPadByte) {
    // A LIST chunk of odd size (padded to even) between "fmt " and "data".
    std::vector<std::uint8_t> ramp = makeRamp(4410);
    std::vector<std::uint8_t>& image = keep({ramp.begin(), ramp.begin() + 36});
    const std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    image.insert(image.end(), list.begin(), list.end());
    image.insert(image.end(), ramp.begin() + 36, ramp.end());
    put32(image, 4, static_cast<std::uint32_t>(image.size() - 8));

    ASSERT_TRUE(play(image));
    ASSERT_TRUE(waitUntil(finished));
    PlaySoundA(nullptr, nullptr, 0);
    const std::vector<std::int16_t> heard = heard16(0);
    ASSERT_GE(heard.size(), 4410u);
    for (std::size_t n = 0; n < 4410; ++n) {
        ASSERT_EQ(heard[n], rampSample(n)) << "sample " << n;
    }
}

// --- what comes out -----------------------------------------------------------

TEST_F(SoundPlayer, PlaysACompleteImageSampleForSampleThenSilence) {
    const std::vector<std::uint8_t>& image = keep(makeRamp(22050));
    ASSERT_TRUE(play(image));
    ASSERT_TRUE(waitUntil(finished));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    EXPECT_EQ(stats.framesPlayed, 22050u);
    EXPECT_EQ(stats.underrunFrames, 0u) << "an image nobody publishes for counts as written";
    PlaySoundA(nullptr, nullptr, 0);

    const std::vector<std::int16_t> heard = heard16(0);
    ASSERT_GE(heard.size(), 22050u);
    for (std::size_t n = 0; n < 22050; ++n) {
        ASSERT_EQ(heard[n], rampSample(n)) << "sample " << n;
    }
    for (std::size_t n = 22050; n < heard.size(); ++n) {
        ASSERT_EQ(heard[n], 0) << "after the data's end, at " << n;
    }
}

TEST_F(SoundPlayer, UnpublishedSamplesPlayAsSilenceInPlaceAndPlaybackKeepsPace) {
    // Long enough (over a second at the test's pace) that the writer catches
    // up before the end even on a busy machine.
    constexpr std::uint32_t frames = 30 * 22050;
    constexpr std::size_t written = 22050;
    const std::vector<std::uint8_t>& image = keep(makeRamp(frames));
    // Half of the next sample is written too: it must not play.
    PublishSoundProgress(image.data(), headerBytes + 2 * written + 1);
    ASSERT_TRUE(play(image));
    ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().underrunFrames > 0; }));
    PublishSoundProgress(image.data(), image.size());
    ASSERT_TRUE(waitUntil(finished));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    PlaySoundA(nullptr, nullptr, 0);

    EXPECT_EQ(stats.framesPlayed, frames) << "silence takes the missing samples' time";
    const std::size_t gap = stats.underrunFrames;
    ASSERT_GT(gap, 0u);
    ASSERT_LT(written + gap, frames) << "the writer caught up before the end";

    const std::vector<std::int16_t> heard = heard16(0);
    ASSERT_GE(heard.size(), frames);
    for (std::size_t n = 0; n < written; ++n) {
        ASSERT_EQ(heard[n], rampSample(n)) << "before the gap, sample " << n;
    }
    for (std::size_t n = written; n < written + gap; ++n) {
        ASSERT_EQ(heard[n], 0) << "in the gap, at " << n;
    }
    // The samples after the gap play at their own time: none is delayed.
    for (std::size_t n = written + gap; n < frames; ++n) {
        ASSERT_EQ(heard[n], rampSample(n)) << "after the gap, sample " << n;
    }
}

TEST_F(SoundPlayer, ProgressAppliesOnlyToTheImageHandedOverNext) {
    const std::vector<std::uint8_t>& first = keep(makeRamp(4410));
    const std::vector<std::uint8_t>& second = keep(makeRamp(4410));
    auto underrunsOf = [](const std::vector<std::uint8_t>& image) {
        EXPECT_TRUE(play(image));
        EXPECT_TRUE(waitUntil(finished));
        return GetSoundPlayerStats().underrunFrames;
    };
    PublishSoundProgress(first.data(), headerBytes);
    EXPECT_EQ(underrunsOf(second), 0u) << "another image's progress does not hold it back";
    EXPECT_EQ(underrunsOf(first), 0u) << "the handover in between took the progress";
    PublishSoundProgress(first.data(), headerBytes);
    EXPECT_EQ(underrunsOf(first), 4410u);
    PublishSoundProgress(first.data(), headerBytes);
    WithdrawSoundImage(first.data());
    EXPECT_EQ(underrunsOf(first), 0u) << "a withdrawn image's progress is forgotten";
}

TEST_F(SoundPlayer, EightBitStereoPlaysBytesAndMidScaleSilence) {
    constexpr std::uint32_t frames = 11025;
    constexpr std::size_t written = 5000;
    std::vector<std::uint8_t>& image = keep(makeWave(2, 8, 11025, frames * 2));
    for (std::size_t i = 0; i < frames * 2; ++i) {
        image[headerBytes + i] = static_cast<std::uint8_t>(i % 2 == 0 ? 1 + i % 100 : 250 - i % 90);
    }
    PublishSoundProgress(image.data(), headerBytes + 2 * written);
    ASSERT_TRUE(play(image));
    ASSERT_TRUE(waitUntil(finished));
    const SoundPlayerStats stats = GetSoundPlayerStats();
    PlaySoundA(nullptr, nullptr, 0);
    EXPECT_EQ(stats.framesPlayed, frames);
    EXPECT_EQ(stats.underrunFrames, frames - written);

    std::vector<std::uint8_t> raw = readFile(0);
    std::size_t lead = 0;
    while (lead < raw.size() && raw[lead] == 0x80) {
        ++lead;
    }
    ASSERT_GE(raw.size(), lead + 2 * frames);
    for (std::size_t i = 0; i < 2 * written; ++i) {
        ASSERT_EQ(raw[lead + i], image[headerBytes + i]) << "byte " << i;
    }
    for (std::size_t i = lead + 2 * written; i < raw.size(); ++i) {
        ASSERT_EQ(raw[i], 0x80) << "unsigned silence, at byte " << i;
    }
}

// --- statistics -------------------------------------------------------------

TEST_F(SoundPlayer, EveryPollPairsTheCountsOfOneBuffer) {
    // A long data chunk with nothing published: every frame played is an
    // underrun, so a reading from one buffer has both counts equal.
    std::vector<std::uint8_t>& image = keep(makeWave(1, 16, 22050, 0));
    put32(image, 4, 36 + 0x7FFFFFF0u);
    put32(image, 40, 0x7FFFFFF0u);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1); // one buffer right after another
    PublishSoundProgress(image.data(), headerBytes);
    ASSERT_TRUE(play(image));
    std::uint64_t polls = 0;
    std::uint64_t torn = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 10000; ++i, ++polls) {
            const SoundPlayerStats stats = GetSoundPlayerStats();
            torn += stats.underrunFrames != stats.framesPlayed;
        }
    }
    EXPECT_EQ(torn, 0u) << "in " << polls << " polls";
    EXPECT_GT(GetSoundPlayerStats().framesPlayed, 100u * 1024u) << "many buffers passed";
}

// --- a lost device -------------------------------------------------------------

// Pumps the layer's events, as the show does every frame, at the given tick.
void pumpEventsAt(DWORD tick) {
    ManualClock::ticks = tick;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
}

// A device that took the ramp from frame `from` to `end`.
void expectRampFrom(const std::vector<std::int16_t>& heard, std::size_t from, std::size_t end) {
    ASSERT_GE(heard.size(), end - from);
    for (std::size_t n = from; n < end; ++n) {
        ASSERT_EQ(heard[n - from], rampSample(n)) << "sample " << n;
    }
}

TEST_F(SoundPlayer, AfterALostDeviceTheSoundGoesOnWhereTheClockIsOnANewDevice) {
    constexpr std::uint32_t frames = 10 * 22050;
    // Event pumps after the removal, at milliseconds since the start. SDL's disk
    // driver opens no device on a file it cannot create.
    struct Pump {
        DWORD at;
        bool deviceOpens;
        bool replaced; // the sound plays on a new device from here on
    };
    const struct {
        const char* what;
        std::vector<Pump> pumps;
        std::size_t resumesAt; // the frame the new device starts from
    } cases[] = {
        {"a new device at once", {{3000, true, true}}, 66150},
        {"none for a while, tried again after a second and not sooner",
         {{3000, false, false}, {3500, true, false}, {4200, true, true}},
         92610},
        {"none until the sound is over", {{3000, false, false}, {12000, true, false}}, frames},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ManualClock clock(70000, 0);
        const std::size_t lostFile = files.size() - 1;
        setenv("SDL_DISKAUDIODELAY", "250", 1); // the first device plays little before it goes
        ASSERT_TRUE(play(keep(makeRamp(frames))));
        ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 0; }));
        SDL_Event removal{};
        removal.type = SDL_AUDIODEVICEREMOVED;
        removal.adevice.which = playingDevice();
        ASSERT_EQ(SDL_PushEvent(&removal), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1);
        useNewFile();
        for (const Pump& pump : c.pumps) {
            setenv("SDL_DISKAUDIOFILE", pump.deviceOpens ? files.back().c_str() : "/no/hv", 1);
            pumpEventsAt(70000 + pump.at);
            EXPECT_TRUE(pump.replaced || !GetSoundPlayerStats().playing) << pump.at << " ms";
        }
        ASSERT_TRUE(waitUntil(finished));
        const SoundPlayerStats stats = GetSoundPlayerStats();
        PlaySoundA(nullptr, nullptr, 0);
        const std::vector<std::int16_t> lost = heard16(lostFile);
        expectRampFrom(lost, 0, lost.size());
        EXPECT_EQ(stats.framesPlayed, frames);
        EXPECT_EQ(stats.lostFrames, c.resumesAt - lost.size()) << "the frames no device took";
        expectRampFrom(heard16(lostFile + 1), c.resumesAt, frames);
        useNewFile();
    }
}

TEST_F(SoundPlayer, ADeviceSdlGivesUpStopsCountingAndIsReplacedOnTheNextPump) {
    // SDL's disk driver gives up a device whose file takes no more data, as a
    // sound server does one that is unplugged, and reports the removal itself.
    ManualClock clock(70000, 0);
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    ASSERT_TRUE(play(keep(makeRamp(10 * 22050))));
    ASSERT_TRUE(waitUntil([] { return SDL_HasEvent(SDL_AUDIODEVICEREMOVED) == SDL_TRUE; }));
    const SoundPlayerStats gone = GetSoundPlayerStats();
    EXPECT_FALSE(gone.playing) << "a lost device plays nothing";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(GetSoundPlayerStats().framesPlayed, gone.framesPlayed) << "nor counts as playing";
    setenv("SDL_DISKAUDIOFILE", files.back().c_str(), 1);
    pumpEventsAt(70000 + 3000);
    ASSERT_TRUE(waitUntil(finished));
    EXPECT_EQ(GetSoundPlayerStats().lostFrames, 66150 - gone.framesPlayed);
    PlaySoundA(nullptr, nullptr, 0);
    expectRampFrom(heard16(files.size() - 1), 66150, 10 * 22050);
}

// --- stopping and replacing ---------------------------------------------------

TEST_F(SoundPlayer, NullSoundStopsPlayback) {
    const std::vector<std::uint8_t>& image = keep(makeRamp(60 * 22050));
    ASSERT_TRUE(play(image));
    ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 22050; }));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    const SoundPlayerStats stopped = GetSoundPlayerStats();
    EXPECT_FALSE(stopped.playing);
    EXPECT_LT(stopped.framesPlayed, 60u * 22050u);
    const std::size_t size = readFile(0).size();

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(GetSoundPlayerStats().framesPlayed, stopped.framesPlayed);
    EXPECT_EQ(readFile(0).size(), size) << "nothing more reaches the device";
    const std::vector<std::int16_t> heard = heard16(0);
    ASSERT_EQ(heard.size(), stopped.framesPlayed) << "every buffer handed over was heard";
    for (std::size_t n = 0; n < stopped.framesPlayed; ++n) {
        ASSERT_EQ(heard[n], rampSample(n)) << "sample " << n;
    }
}

TEST_F(SoundPlayer, ASecondSoundReplacesTheFirstFromItsStart) {
    const std::vector<std::uint8_t>& first = keep(makeRamp(60 * 22050));
    std::vector<std::uint8_t>& second = keep(makeWave(1, 16, 22050, 2 * 22050));
    for (std::size_t n = 0; n < 22050; ++n) {
        put16(second, headerBytes + 2 * n, static_cast<std::uint16_t>(-rampSample(n + 1)));
    }
    ASSERT_TRUE(play(first));
    ASSERT_TRUE(waitUntil([] { return GetSoundPlayerStats().framesPlayed > 22050; }));
    useNewFile();
    ASSERT_TRUE(play(second));
    const std::size_t firstSize = readFile(0).size();
    ASSERT_TRUE(waitUntil(finished));
    EXPECT_EQ(GetSoundPlayerStats().framesPlayed, 22050u) << "counted for the second sound";
    PlaySoundA(nullptr, nullptr, 0);

    EXPECT_EQ(readFile(0).size(), firstSize) << "the first sound no longer plays";
    const std::vector<std::int16_t> heard = heard16(1);
    ASSERT_GE(heard.size(), 22050u);
    for (std::size_t n = 0; n < 22050; ++n) {
        ASSERT_EQ(heard[n], -rampSample(n + 1)) << "sample " << n;
    }
}

} // namespace
