// The sequencer: channel binding, the events made from a song, and the
// one-second posting windows, heard through the synthesizer: what it plays
// must be what the notes expected, posted by hand, play.
#include "midi/Sequencer.h"
#include "midi/SongImage.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"
#include "tests/midi/MidiImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A synthesizer with the bank as the show builds it.
struct BankSynth : Synth {
    BankSynth() { BuildInstrumentBank(*this, 1, Sequencer::sampledInstruments()); }
    const Instrument* operator[](const std::string& name) const {
        return findInstruments(name).front();
    }
};

// What a synth plays from one second to another, sample by sample.
std::vector<float> listen(Synth& synth, int from, int to) {
    std::vector<float> out(static_cast<std::size_t>((to - from) * 22050));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(from) + static_cast<float>(i) / 22050.0f;
        synth.renderSamples(&t, &out[i], 1);
    }
    return out;
}

// A sequencer bound to a synthesizer, and a second synthesizer on which a
// test posts the notes it expects.
struct Rig {
    Rig() : sequencer(std::make_unique<Sequencer>(synth)) {}
    void load(const std::string& hex) {
        image = fromHex(hex);
        sequencer->loadSong(image.data(), static_cast<int>(image.size()));
    }
    // Posts the song's events of [from, to) on the expecting synth.
    void expect(float from, float to) {
        for (const SongEvent& e : sequencer->tracks[0].events) {
            if (e.time >= from && e.time < to) {
                expected.playNote(expected[e.instrument->name], e.channel, e.velocity, e.note,
                                  e.time, e.duration);
            }
        }
    }
    BankSynth synth;
    BankSynth expected;
    std::unique_ptr<Sequencer> sequencer;
    std::vector<unsigned char> image;
};

// One track chunk at 480 ticks per quarter and 120 bpm: 960 ticks per second.
std::string song(const std::string& events) {
    return SongHeader + trackOf(events);
}

std::string nameOf(const Instrument* instrument) {
    return instrument != nullptr ? instrument->name : "(none)";
}

} // namespace

TEST(SequencerBinding, ChannelsGetTheirInstrumentsAndQuietMixingChannels) {
    Rig rig;
    rig.load(song(""));
    const Sequencer& s = *rig.sequencer;
    const std::map<int, std::string> named = {
        {0, "bass:detroit"},
        {2, "pad:lush"},
        {3, "lead:fifth"},
        {4, "pad:oceans"},
        {5, "lead:squeak"},
        {6, "lead:neurotic"},
        {7, "lead:buzzer"},
        {9, "sample:drum:bass:mud"},
        {10, "sample:drum:snare:retro"},
        {11, "sample:drum:snare:snap"},
        {12, "sample:drum:hat:hiss:closed"},
    };
    for (int c = 0; c < Sequencer::ChannelCount; ++c) {
        const auto it = named.find(c);
        // Unused channels play the bank's first instrument.
        const std::string expected = it != named.end() ? it->second : "lead:squeak";
        EXPECT_EQ(nameOf(s.channelInstruments[c]), expected) << "channel " << c;
        EXPECT_TRUE(s.channelRecords[c].name.empty());
        EXPECT_FLOAT_EQ(s.channelRecords[c].gain, 0.1f);
    }
    // Loading appends exactly one track.
    ASSERT_EQ(s.tracks.size(), 1u);
    const Track& track = s.tracks[0];
    EXPECT_TRUE(track.events.empty());
    EXPECT_EQ(track.endTime, 0.0f);
}

TEST(SequencerBinding, SampledDrumsAreRenderedWithTheBank) {
    Rig rig;
    rig.load(song(""));
    for (const int c : {9, 10, 11, 12}) {
        const Instrument* drum = rig.sequencer->channelInstruments[c];
        ASSERT_NE(drum, nullptr);
        ASSERT_GT(drum->samplers.size(), 0);
        bool audible = false;
        for (float v : drum->samplers[0].buffer) {
            audible = audible || v != 0.0f;
        }
        EXPECT_TRUE(audible) << drum->name << " has an empty sample";
    }
}

TEST(SequencerEvents, KeysVelocitiesAndReleasesBecomeSongEvents) {
    Rig rig;
    // Channel 4: key 57 at 0 s (velocity 127), key 69 at 0.5 s, key 21 at 1 s;
    // a note-on with velocity 0 and a note-off at 1.5 s.
    rig.load(song("00 94 39 7F"
                  "83 60 94 45 40"
                  "83 60 94 15 01"
                  "83 60 94 39 00"
                  "00 84 45 40"));
    const std::vector<SongEvent>& events = rig.sequencer->tracks[0].events;
    ASSERT_EQ(events.size(), 5u);
    const Instrument* pad = rig.sequencer->channelInstruments[4];
    const Channel* mix = &rig.sequencer->channelRecords[4];

    EXPECT_EQ(events[0].note, 0);
    EXPECT_FLOAT_EQ(events[0].velocity, 127.0f / 255.0f);
    EXPECT_EQ(events[0].time, 0.0f);
    EXPECT_EQ(events[0].duration, 0.0f); // held until released
    EXPECT_EQ(events[0].instrument, pad);
    EXPECT_EQ(events[0].channel, mix);

    EXPECT_EQ(events[1].note, 12);
    EXPECT_FLOAT_EQ(events[1].time, 0.5f);
    EXPECT_EQ(events[2].note, -36);
    EXPECT_FLOAT_EQ(events[2].velocity, 1.0f / 255.0f);
    EXPECT_FLOAT_EQ(events[2].time, 1.0f);

    // Both ways of ending a note give a release: velocity 0, duration 0.
    for (const int i : {3, 4}) {
        EXPECT_EQ(events[i].velocity, 0.0f);
        EXPECT_EQ(events[i].duration, 0.0f);
        EXPECT_FLOAT_EQ(events[i].time, 1.5f);
    }
    EXPECT_FLOAT_EQ(rig.sequencer->tracks[0].endTime, 1.5f);
}

TEST(SequencerEvents, DrumNotesCarryTheirFixedLength) {
    Rig rig;
    rig.load(song("00 99 30 64"    // bass drum
                  "00 9A 18 64"    // retro snare
                  "00 9B 3C 64"    // snap snare
                  "00 9C 18 64")); // closed hat
    const std::vector<SongEvent>& events = rig.sequencer->tracks[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_FLOAT_EQ(events[0].duration, 0.4f);
    EXPECT_FLOAT_EQ(events[1].duration, 0.3f);
    EXPECT_FLOAT_EQ(events[2].duration, 0.3f);
    EXPECT_FLOAT_EQ(events[3].duration, 0.2f);
}

TEST(SequencerEvents, EqualTimesKeepFileOrderAcrossTracks) {
    Rig rig;
    // Two track chunks: the first restarts key 60 at 1 s after releasing it at
    // 1 s; the second has a note at 0.5 s. Sorting interleaves them by time
    // while the release stays ahead of the restart.
    const std::string first = trackOf("00 94 3C 50"
                                      "87 40 84 3C 00"
                                      "00 94 3C 60");
    const std::string second = trackOf("83 60 95 30 40");
    const std::string header = "4D546864 00000006 0001 0002 01E0 ";
    rig.load(header + first + second);
    const std::vector<SongEvent>& events = rig.sequencer->tracks[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].time, 0.0f);
    EXPECT_FLOAT_EQ(events[1].time, 0.5f);
    EXPECT_EQ(events[1].note, 48 - 57);
    EXPECT_FLOAT_EQ(events[2].time, 1.0f);
    EXPECT_EQ(events[2].velocity, 0.0f); // the release first
    EXPECT_FLOAT_EQ(events[3].time, 1.0f);
    EXPECT_FLOAT_EQ(events[3].velocity, 96.0f / 255.0f);
}

TEST(SequencerAdvance, PostsEachSecondOnceWithoutGapOrOverlap) {
    Rig rig;
    // Channel 4 notes at 0, 0.5, 0.999 (959 ticks), 1.0 and 1.5 seconds.
    rig.load(song("00 94 30 40"
                  "83 60 94 31 40"
                  "83 5F 94 32 40"
                  "01 94 33 40"
                  "83 60 94 34 40"));
    Sequencer& s = *rig.sequencer;

    // The first second's three notes, and not the note at exactly 1.0.
    s.advance(0.0f);
    rig.expect(0.0f, 1.0f);
    EXPECT_EQ(listen(rig.synth, 0, 1), listen(rig.expected, 0, 1));
    // Within the same second nothing more is posted.
    s.advance(0.99995f);
    EXPECT_EQ(s.lastAdvanceTime, 0.0f);
    // The note at exactly 1.0 belongs to the window starting there, and
    // nothing is posted twice.
    s.advance(1.0f);
    s.advance(2.0f);
    rig.expect(1.0f, 2.0f);
    EXPECT_EQ(listen(rig.synth, 1, 3), listen(rig.expected, 1, 3));
}

TEST(SequencerAdvance, DriverTimesHitWholeSecondsExactly) {
    Rig rig;
    rig.load(song(""));
    Sequencer& s = *rig.sequencer;
    std::vector<float> working;
    for (int n = 0; n < 22050 * 4; ++n) {
        const float before = s.lastAdvanceTime;
        s.advance(static_cast<float>(n) / 22050.0f);
        if (s.lastAdvanceTime != before) {
            working.push_back(s.lastAdvanceTime);
        }
    }
    EXPECT_EQ(working, (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f}));
}

TEST(SequencerAdvance, NotesSoundForAsLongAsTheirChannelsInstrumentSays) {
    const struct {
        const char* what;
        std::string events;
        int channel;
        const char* instrument;
        int note;
        float velocity, duration;
    } cases[] = {
        // Released after 0.1 s.
        {"a drum is not shortened by its release", "00 99 30 64 60 89 30 00", 9,
         "sample:drum:bass:mud", -9, 100.0f, 0.4f},
        // Released at 0.5 s.
        {"a held note ends at its release", "00 94 30 64 83 60 84 30 40", 4, "pad:oceans", -9,
         100.0f, 0.5f},
        {"an unused channel plays the first instrument", "00 91 39 64", 1, "lead:squeak", 0, 100.0f,
         0.0f},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.load(song(c.events));
        // The voice follows its channel's record.
        rig.sequencer->channelRecords[c.channel].gain = 0.3f;
        rig.sequencer->advance(0.0f);
        rig.expected.playNote(rig.expected[c.instrument], &rig.sequencer->channelRecords[c.channel],
                              c.velocity / 255.0f, c.note, 0.0f, c.duration);
        const std::vector<float> heard = listen(rig.synth, 0, 3);
        EXPECT_EQ(heard, listen(rig.expected, 0, 3)) << c.what;
        EXPECT_NE(*std::max_element(heard.begin(), heard.end()), 0.0f) << c.what;
    }
}

TEST(TrackPlay, AWindowPostsTheEventsInsideItAsTheyStand) {
    BankSynth synth;
    BankSynth expected;
    Channel channel;

    Track track;
    track.synth = &synth;
    track.addEvent(synth["bass:detroit"], &channel, 0.4f, 3, 10.25f, 0.0f);
    track.addEvent(synth["bass:detroit"], &channel, 0.4f, 5, 10.75f, 2.0f);
    EXPECT_FLOAT_EQ(track.endTime, 10.75f);

    // A window at 10.5 finds only the second; one ending at 10.75 only the first.
    track.play(10.5f, 1.0f);
    expected.playNote(expected["bass:detroit"], &channel, 0.4f, 5, 10.75f, 2.0f);
    track.play(10.0f, 0.75f);
    expected.playNote(expected["bass:detroit"], &channel, 0.4f, 3, 10.25f, 0.0f);
    EXPECT_EQ(listen(synth, 10, 15), listen(expected, 10, 15));
}

TEST(EmbeddedSong, EveryChannelPlaysWhatTheSongHolds) {
    BankSynth synth;
    Sequencer sequencer(synth);
    sequencer.loadSong();
    ASSERT_EQ(sequencer.tracks.size(), 1u);
    const std::vector<SongEvent>& events = sequencer.tracks[0].events;
    EXPECT_TRUE(
        std::is_sorted(events.begin(), events.end(),
                       [](const SongEvent& a, const SongEvent& b) { return a.time < b.time; }));

    struct Use {
        int starts = 0;
        int lowKey = 999;
        int highKey = -1;
        float first = 1e9f;
        float last = -1.0f;
    };
    std::map<int, Use> uses;
    for (const SongEvent& e : events) {
        if (e.velocity == 0.0f) {
            continue;
        }
        const int channel = static_cast<int>(e.channel - &sequencer.channelRecords[0]);
        Use& u = uses[channel];
        ++u.starts;
        u.lowKey = std::min(u.lowKey, e.note + 57);
        u.highKey = std::max(u.highKey, e.note + 57);
        u.first = std::min(u.first, e.time);
        u.last = std::max(u.last, e.time);
    }
    struct Expected {
        int channel, starts, lowKey, highKey;
        float first, last;
    };
    const Expected table[] = {
        {0, 85, 21, 31, 16.0f, 64.0f},    {2, 8, 43, 71, 72.0f, 80.0f},
        {3, 36, 17, 59, 47.5f, 92.0f},    {4, 39, 16, 64, 0.0f, 92.0f},
        {5, 21, 33, 57, 4.0f, 52.0f},     {6, 8, 33, 47, 7.25f, 16.5f},
        {7, 153, 40, 52, 16.25f, 48.0f},  {9, 64, 48, 48, 0.75f, 63.5f},
        {10, 40, 24, 24, 16.5f, 47.0f},   {11, 4, 60, 60, 23.5f, 47.5f},
        {12, 256, 24, 24, 12.0f, 63.83f},
    };
    EXPECT_EQ(uses.size(), std::size(table)); // channels 1, 8, 13 to 15 stay silent
    for (const Expected& x : table) {
        const Use& u = uses[x.channel];
        EXPECT_EQ(u.starts, x.starts) << "channel " << x.channel;
        EXPECT_EQ(u.lowKey, x.lowKey) << "channel " << x.channel;
        EXPECT_EQ(u.highKey, x.highKey) << "channel " << x.channel;
        EXPECT_NEAR(u.first, x.first, 0.01f) << "channel " << x.channel;
        EXPECT_NEAR(u.last, x.last, 0.01f) << "channel " << x.channel;
    }
}
