// The voice pool and the mix, heard through the calls the show makes: notes
// posted with playNote, samples taken with renderSamples.
#include "midi/Sequencer.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// A synth with "test:dc", an instrument whose output is its amplitude envelope
// times its gain, so a voice's contribution is exact.
class VoicePool : public ::testing::Test {
protected:
    void SetUp() override { restart(); }

    // A new synth holding only "test:dc".
    void restart() {
        synth = std::make_unique<Synth>();
        dc = makeDc("test:dc", synth->createEnvelope(0.0f, 0.0f, 1.0f, 0.25f), 1.0f, -1.0f);
    }

    // A square wave a hundred octaves down never leaves its start phase: at
    // 0.75 it holds +1.
    Oscillator steadyOne() {
        Oscillator osc;
        osc.wave = synth->createModulatedWave(Wave::Square);
        osc.keyTracking = 0.0f;
        osc.octave = -100;
        osc.startPhase = 0.75f;
        return osc;
    }

    const Instrument* makeDc(const std::string& name, const Envelope* env, float gain,
                             float defaultDuration, int oscillators = 1) {
        Instrument templ;
        templ.gain = gain;
        templ.defaultDuration = defaultDuration;
        templ.ampEnvelope = env;
        for (int i = 0; i < oscillators; ++i) {
            templ.oscillators.add(steadyOne());
        }
        return synth->registerInstrument(templ, name);
    }

    // The mix at one time.
    float at(float t) {
        float out = 0.0f;
        synth->renderSamples(&t, &out, 1);
        return out;
    }

    std::unique_ptr<Synth> synth;
    const Instrument* dc = nullptr;
    Channel channel;
};

} // namespace

TEST_F(VoicePool, HoldsExactly150VoicesAndFreesEachOnTheFirstSampleAfterItsEnd) {
    // 150 notes of 0.004 ending at 0.5 + 0.25 s; the 151st finds no slot and
    // steals none until a voice is free again.
    for (int i = 0; i < 151; ++i) {
        synth->playNote(dc, &channel, 0.004f, i, 0.0f, 0.5f);
    }
    EXPECT_NEAR(at(0.25f), 0.6f, 1e-5f);
    synth->playNote(dc, &channel, 0.5f, 7, 0.1f, 1.0f);
    EXPECT_NEAR(at(0.3f), 0.6f, 1e-5f);
    EXPECT_EQ(at(0.75f), 0.0f); // faded out, yet still in their slots
    synth->playNote(dc, &channel, 0.5f, 7, 0.76f, 1.0f);
    EXPECT_EQ(at(0.7501f), 0.0f); // all free now; the note came too early
    synth->playNote(dc, &channel, 0.5f, 7, 0.76f, 1.0f);
    EXPECT_FLOAT_EQ(at(0.8f), 0.5f);
}

TEST_F(VoicePool, DurationsReleasesStartsAndTheClampAsTheyAreHeard) {
    enum Plays { Dc, Timed, Inverted };
    Channel other;
    struct Post {
        Plays instrument;
        Channel* channel;
        float velocity;
        int note;
        float start, duration;
    };
    const struct {
        const char* what;
        std::vector<Post> posts;
        std::vector<std::pair<float, float>> heard; // time, level
    } cases[] = {
        {"-1 without a default duration is dropped",
         {{Dc, &channel, 0.5f, 0, 0.0f, -1.0f}},
         {{0.1f, 0.0f}}},
        {"-1 takes the default: 0.3 s, no release",
         {{Timed, &channel, 0.5f, 0, 1.0f, -1.0f}},
         {{1.29f, 0.5f}, {1.3f, 0.5f}, {1.3001f, 0.0f}}},
        {"held until its release, then a 0.25 s fade; a second release changes nothing",
         {{Dc, &channel, 0.5f, 3, 0.0f, 0.0f},
          {Dc, &channel, 0.0f, 3, 2.0f, 0.0f},
          {Dc, &channel, 0.0f, 3, 100.0f, 0.0f}},
         {{0.5f, 0.5f}, {1.9f, 0.5f}, {2.125f, 0.25f}, {2.25f, 0.0f}}},
        {"a release matches note and channel, not instrument",
         {{Dc, &channel, 0.25f, 5, 0.0f, 0.0f},
          {Dc, &channel, 0.0f, 6, 1.0f, 0.0f},
          {Dc, &other, 0.0f, 5, 1.0f, 0.0f},
          {Timed, &channel, 0.0f, 5, 60.0f, 0.0f}},
         {{50.0f, 0.25f}, {59.0f, 0.25f}, {60.3f, 0.0f}}},
        {"a release never shortens an explicit duration",
         {{Dc, &channel, 0.5f, 1, 0.0f, 0.5f}, {Dc, &channel, 0.0f, 1, 0.2f, 0.0f}},
         {{0.45f, 0.5f}, {0.625f, 0.25f}}},
        {"a future note is silent up to and at its start",
         {{Dc, &channel, 0.5f, 0, 2.0f, 1.0f}},
         {{0.0f, 0.0f}, {1.999f, 0.0f}, {2.0f, 0.0f}, {2.001f, 0.5f}}},
        {"a mix just inside the clamp passes, just outside it is 1",
         {{Dc, &channel, 0.5f, 0, 0.0f, 1.0f},
          {Dc, &channel, 0.49f, 1, 0.0f, 1.0f},
          {Dc, &channel, 0.02f, 2, 0.5f, 1.0f}},
         {{0.25f, 0.99f}, {0.75f, 1.0f}}},
        {"and below, -1",
         {{Inverted, &channel, 0.5f, 0, 0.0f, 1.0f},
          {Inverted, &channel, 0.49f, 1, 0.0f, 1.0f},
          {Inverted, &channel, 0.02f, 2, 0.5f, 1.0f}},
         {{0.25f, -0.99f}, {0.75f, -1.0f}}},
    };
    for (const auto& c : cases) {
        restart();
        const Instrument* plays[] = {
            dc, makeDc("test:timed", synth->createEnvelope(0, 0, 1, 0), 1.0f, 0.3f),
            makeDc("test:inverted", synth->createEnvelope(0, 0, 1, 0), -1.0f, -1.0f)};
        for (const Post& p : c.posts) {
            synth->playNote(plays[p.instrument], p.channel, p.velocity, p.note, p.start,
                            p.duration);
        }
        for (const auto& [t, level] : c.heard) {
            EXPECT_NEAR(at(t), level, 1e-6f) << c.what << " at " << t;
        }
    }
}

TEST_F(VoicePool, VoicesFollowTheCallersChannelRecord) {
    channel.gain = 0.1f;
    synth->playNote(dc, &channel, 0.5f, 0, 0.0f, 2.0f);
    EXPECT_FLOAT_EQ(at(0.5f), 0.05f);
    channel.gain = 0.2f;
    EXPECT_FLOAT_EQ(at(0.6f), 0.1f);
}

TEST_F(VoicePool, ReusedSlotRendersOnlyTheInstrumentNowPlayed) {
    const Instrument* triple =
        makeDc("test:triple", synth->createEnvelope(0, 0, 1, 0), 1.0f, -1.0f, 3);
    synth->playNote(triple, &channel, 0.1f, 0, 0.0f, 0.5f);
    EXPECT_NEAR(at(0.25f), 0.3f, 1e-6f);
    at(0.6f); // frees the slot
    synth->playNote(dc, &channel, 0.1f, 0, 1.0f, 0.5f);
    EXPECT_NEAR(at(1.25f), 0.1f, 1e-6f);
}

TEST_F(VoicePool, RegisteringCopiesThePatchAndPlayingLeavesItAsItIs) {
    Instrument templ;
    templ.ampEnvelope = synth->createEnvelope(0, 0, 1, 0);
    Oscillator osc;
    osc.wave = synth->createModulatedWave(Wave::Saw);
    osc.startPhase = 0.25f;
    templ.oscillators.add(osc);
    Filter lowPass;
    lowPass.type = Filter::LowPass;
    lowPass.cutoff = 300.0f;
    templ.filters.add(lowPass);
    const Instrument* kept = synth->registerInstrument(templ, "test:saw");
    templ.name = "changed";
    templ.oscillators[0].startPhase = 0.5f;
    EXPECT_EQ(kept->name, "test:saw");
    EXPECT_EQ(kept->startState.phases[0], 0.25f);

    // Two notes, the second after the first has ended, sound alike: each
    // starts from the patch's start state, which playing does not move.
    synth->playNote(kept, &channel, 1.0f, 0, 0.0f, 0.1f);
    synth->playNote(kept, &channel, 1.0f, 0, 1.0f, 0.1f);
    std::vector<float> first(2000), second(2000), t(2000);
    for (int i = 0; i < 2000; ++i) {
        t[i] = 0.0001f + static_cast<float>(i) / 22050.0f;
    }
    synth->renderSamples(t.data(), first.data(), 2000);
    for (float& v : t) {
        v += 1.0f;
    }
    synth->renderSamples(t.data(), second.data(), 2000);
    EXPECT_GT(*std::max_element(first.begin(), first.end()), 0.1f);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_NEAR(first[i], second[i], 1e-3f) << i;
    }
    EXPECT_EQ(kept->startState.phases[0], 0.25f);
    EXPECT_FALSE(kept->startState.filters[0].designed);
}

TEST_F(VoicePool, PrerenderingPlaysALoneNoteOnlyWhenThereIsOne) {
    // 0.01 s plus the source's 0.25 s release at 22050 Hz, at the gain given.
    Instrument* source = synth->registerInstrument(*dc, "test:source");
    const struct {
        int note;
        float duration;
        std::size_t length;
    } cases[] = {{0, 0.01f, 0}, {5, 0.0f, 0}, {5, 0.01f, 5734}};
    for (const auto& c : cases) {
        const std::vector<float> buffer = synth->prerender(*source, c.note, c.duration, 0.5f);
        EXPECT_EQ(buffer.size(), c.length) << "note " << c.note << " for " << c.duration;
        if (!buffer.empty()) {
            EXPECT_EQ(buffer[10], 0.5f);
        }
    }
}

TEST(VoicePoolBlocks, ABlockMixesWhatOneSampleAtATimeMixes) {
    // Notes that start, end, are released and free their slots inside a
    // block; drums whose noise must be drawn voice after voice in slot order.
    struct Note {
        const char* instrument;
        int note;
        float start, duration;
    };
    const struct {
        const char* scene;
        std::vector<Note> notes;
    } scenes[] = {
        {"a chord and a bass",
         {{"pad:lush", 0, 0.0013f, 0.0f},
          {"pad:lush", 4, 0.0013f, 0.0f},
          {"bass:detroit", -24, 0.0101f, 0.05f},
          {"lead:fifth", 7, 0.02f, 0.031f}}},
        {"two noisy drums at once",
         {{"drum:snare:snap", -24, 0.001f, 0.05f}, {"drum:hat:hiss", -24, 0.0021f, 0.04f}}},
        {"two voices of a lead with a noise oscillator",
         {{"lead:phaser", 0, 0.0f, 0.08f}, {"lead:phaser", 12, 0.003f, 0.03f}}},
        {"noise drawn twice a sample by one instrument", {{"test:noises", 0, 0.002f, 0.1f}}},
        {"sampled drums",
         {{"sample:drum:bass:mud", 0, 0.0f, -1.0f},
          {"sample:drum:hat:hiss:closed", 0, 0.004f, -1.0f}}}};
    for (const auto& scene : scenes) {
        Synth single;
        Synth blocks;
        const Channel channel{"", 0.1f};
        for (Synth* s : {&single, &blocks}) {
            BuildInstrumentBank(*s, 5, Sequencer::sampledInstruments());
            // Noise with a noise vibrato: two draws a sample.
            Instrument noises;
            noises.ampEnvelope = s->createEnvelope(0.0f, 0.0f, 1.0f, 0.01f);
            ModulatedWave* noise = s->createModulatedWave(Wave::Noise);
            noise->pitchMods.addLfo(s->createLfo(Wave::Noise, 5.0f, 0.0f, true), 0.1f, 1.0f);
            noises.oscillators.add(Oscillator{noise});
            s->registerInstrument(noises, "test:noises");
            for (const Note& n : scene.notes) {
                s->playNote(s->findInstruments(n.instrument).front(), &channel, 0.4f, n.note,
                            n.start, n.duration);
            }
            // A held note released part of the way through.
            s->playNote(s->findInstruments("pad:lush").front(), &channel, 0.0f, 4, 0.03f, 0.0f);
        }
        std::vector<float> expected(8000), mixed(8000), times(8000);
        Random::srand(9);
        for (int i = 0; i < 8000; ++i) {
            times[i] = static_cast<float>(i) / 22050.0f;
            single.renderSamples(&times[i], &expected[i], 1);
        }
        Random::srand(9);
        for (int from = 0, length = 1; from < 8000; length = length % 64 + 1) {
            const int count = std::min({length, MaxBlockSamples, 8000 - from});
            blocks.renderSamples(&times[from], &mixed[from], count);
            from += count;
        }
        EXPECT_EQ(mixed, expected) << scene.scene;
    }
}
