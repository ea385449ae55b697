#include "common/Random.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// A synth with "test:dc", an instrument whose output is its amplitude envelope
// times its gain, so a voice's contribution is exact.
class VoicePool : public ::testing::Test {
protected:
    void SetUp() override {
        synth = std::make_unique<Synth>();
        synth->init(22050);
        dc = makeDc("test:dc", synth->createEnvelope(0.0f, 0.0f, 1.0f, 0.25f), 1.0f, -1.0f);
    }

    // A square wave a hundred octaves down never leaves its start phase: at
    // 0.75 it holds +1.
    Oscillator steadyOne() {
        Oscillator osc;
        osc.waveform = synth->createWaveform(Wave::Square);
        osc.keyTracking = 0.0f;
        osc.octave = -100;
        osc.phase = 0.75f;
        return osc;
    }

    Instrument* makeDc(const std::string& name, const Envelope* env, float gain,
                       float defaultDuration, int oscillators = 1) {
        Instrument templ;
        templ.gain = gain;
        templ.defaultDuration = defaultDuration;
        templ.ampEnvelope = env;
        for (int i = 0; i < oscillators; ++i) {
            templ.addOscillator(steadyOne());
        }
        return synth->registerInstrument(templ, name);
    }

    std::unique_ptr<Synth> synth;
    Instrument* dc = nullptr;
    Channel channel;
};

} // namespace

TEST_F(VoicePool, The151stNoteIsDroppedAndNoVoiceIsStolen) {
    for (int i = 0; i < 151; ++i) {
        synth->playNote(dc, &channel, 0.004f, i, 0.0f, 1.0f);
    }
    EXPECT_EQ(synth->activeVoiceCount(), 150);
    EXPECT_NEAR(synth->renderSample(0.5f), 0.6f, 1e-5f); // 150 x 0.004
    EXPECT_EQ(synth->voice(149).note, 149);
    // A later note finds no slot either while the first 150 still sound.
    synth->playNote(dc, &channel, 0.004f, 7, 0.6f, 1.0f);
    EXPECT_NEAR(synth->renderSample(0.7f), 0.6f, 1e-5f);
}

TEST_F(VoicePool, DurationRulesForMinusOne) {
    synth->playNote(dc, &channel, 0.5f, 0, 0.0f, -1.0f); // no default: dropped
    EXPECT_EQ(synth->activeVoiceCount(), 0);
    EXPECT_EQ(synth->renderSample(0.1f), 0.0f);

    Instrument* timed = makeDc("test:timed", synth->createEnvelope(0, 0, 1, 0), 1.0f, 0.3f);
    synth->playNote(timed, &channel, 0.5f, 0, 1.0f, -1.0f);
    EXPECT_FLOAT_EQ(synth->renderSample(1.29f), 0.5f);
    EXPECT_EQ(synth->renderSample(1.31f), 0.0f);
}

TEST_F(VoicePool, HeldNoteSoundsUntilItsReleaseThenFades) {
    synth->playNote(dc, &channel, 0.5f, 3, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(synth->renderSample(0.5f), 0.5f);
    // Release at 2 s: a 0.25 s fade from full level.
    synth->playNote(dc, &channel, 0.0f, 3, 2.0f, 0.0f);
    // A second identical release finds no held note and changes nothing.
    synth->playNote(dc, &channel, 0.0f, 3, 100.0f, 0.0f);
    EXPECT_FLOAT_EQ(synth->renderSample(1.9f), 0.5f);
    EXPECT_NEAR(synth->renderSample(2.125f), 0.25f, 1e-5f);
    EXPECT_EQ(synth->renderSample(2.25f), 0.0f);
    EXPECT_EQ(synth->activeVoiceCount(), 1);
    EXPECT_EQ(synth->renderSample(2.2501f), 0.0f);
    EXPECT_EQ(synth->activeVoiceCount(), 0);
}

TEST_F(VoicePool, ReleaseMatchesNoteAndChannelButNotInstrument) {
    Channel other;
    Instrument* second = makeDc("test:other", synth->createEnvelope(0, 0, 1, 0), 1.0f, -1.0f);
    synth->playNote(dc, &channel, 0.25f, 5, 0.0f, 0.0f);
    synth->playNote(dc, &channel, 0.0f, 6, 1.0f, 0.0f); // other note
    synth->playNote(dc, &other, 0.0f, 5, 1.0f, 0.0f);   // other channel
    EXPECT_FLOAT_EQ(synth->renderSample(50.0f), 0.25f);
    synth->playNote(second, &channel, 0.0f, 5, 60.0f, 0.0f); // other instrument still releases
    EXPECT_FLOAT_EQ(synth->renderSample(59.0f), 0.25f);
    EXPECT_EQ(synth->renderSample(60.3f), 0.0f);
    EXPECT_EQ(synth->activeVoiceCount(), 0);
}

TEST_F(VoicePool, ReleaseNeverShortensAnExplicitDuration) {
    synth->playNote(dc, &channel, 0.5f, 1, 0.0f, 0.5f);
    synth->playNote(dc, &channel, 0.0f, 1, 0.2f, 0.0f);
    EXPECT_FLOAT_EQ(synth->renderSample(0.45f), 0.5f);
    EXPECT_NEAR(synth->renderSample(0.625f), 0.25f, 1e-5f);
}

TEST_F(VoicePool, FutureNoteWaitsSilentlyAndIsKept) {
    synth->playNote(dc, &channel, 0.5f, 0, 2.0f, 1.0f);
    for (float t : {0.0f, 1.0f, 1.999f, 2.0f}) {
        EXPECT_EQ(synth->renderSample(t), 0.0f) << t; // d <= 0 contributes nothing
    }
    EXPECT_EQ(synth->activeVoiceCount(), 1);
    EXPECT_FLOAT_EQ(synth->renderSample(2.001f), 0.5f);
}

TEST_F(VoicePool, VoiceIsFreedOnTheFirstSampleAfterItsEnd) {
    // end = duration 0.5 + release 0.25
    synth->playNote(dc, &channel, 0.5f, 0, 0.0f, 0.5f);
    synth->renderSample(0.75f);
    EXPECT_EQ(synth->activeVoiceCount(), 1);
    EXPECT_TRUE(synth->voice(0).active);
    synth->renderSample(0.7501f);
    EXPECT_EQ(synth->activeVoiceCount(), 0);
    EXPECT_FALSE(synth->voice(0).active);
}

TEST_F(VoicePool, OutputIsClampedToExactlyOne) {
    for (int i = 0; i < 10; ++i) {
        synth->playNote(dc, &channel, 1.0f, i, 0.0f, 1.0f);
    }
    EXPECT_EQ(synth->renderSample(0.5f), 1.0f);

    Instrument* inverted = makeDc("test:inverted", synth->createEnvelope(0, 0, 1, 0), -1.0f, -1.0f);
    for (int i = 0; i < 20; ++i) {
        synth->playNote(inverted, &channel, 1.0f, i, 2.0f, 1.0f);
    }
    EXPECT_EQ(synth->renderSample(2.5f), -1.0f);
}

TEST_F(VoicePool, VoicesFollowTheCallersChannelRecord) {
    channel.gain = 0.1f;
    synth->playNote(dc, &channel, 0.5f, 0, 0.0f, 2.0f);
    EXPECT_FLOAT_EQ(synth->renderSample(0.5f), 0.05f);
    channel.gain = 0.2f;
    EXPECT_FLOAT_EQ(synth->renderSample(0.6f), 0.1f);
}

TEST_F(VoicePool, AddChannelKeepsARenamedCopy) {
    Channel source{"drums", 0.3f};
    Channel* kept = synth->addChannel(source, "");
    EXPECT_NE(kept, &source);
    EXPECT_EQ(kept->name, "drums");
    EXPECT_EQ(kept->gain, 0.3f);
    EXPECT_EQ(synth->addChannel(source, "lead")->name, "lead");
    EXPECT_EQ(synth->channelList().size(), 2u);
}

TEST_F(VoicePool, ChordPlaysItsTableRowAndReleasesAllFour) {
    const struct {
        int chord, root;
        int notes[4];
    } rows[] = {{0, 48, {48, 52, 55, 60}},
                {1, 40, {40, 43, 47, 52}},
                {2, 48, {48, 52, 55, 58}},
                {3, 36, {36, 39, 43, 46}}};
    float at = 0.0f;
    for (const auto& row : rows) {
        synth->playChord(dc, &channel, 0.1f, row.root, row.chord, at, 0.0f);
        ASSERT_EQ(synth->activeVoiceCount(), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(synth->voice(i).note, row.notes[i]) << "chord " << row.chord;
        }
        EXPECT_NEAR(synth->renderSample(at + 1.0f), 0.4f, 1e-6f);
        synth->playChord(dc, &channel, 0.0f, row.root, row.chord, at + 2.0f, 0.0f);
        EXPECT_EQ(synth->renderSample(at + 2.3f), 0.0f);
        EXPECT_EQ(synth->activeVoiceCount(), 0);
        at += 10.0f;
    }
    synth->playChord(dc, &channel, 0.1f, 40, 4, 0.0f, 1.0f); // no such row
    EXPECT_EQ(synth->activeVoiceCount(), 0);
}

TEST_F(VoicePool, ReusedSlotRendersOnlyTheInstrumentNowPlayed) {
    Instrument* triple = makeDc("test:triple", synth->createEnvelope(0, 0, 1, 0), 1.0f, -1.0f, 3);
    synth->playNote(triple, &channel, 0.1f, 0, 0.0f, 0.5f);
    EXPECT_NEAR(synth->renderSample(0.25f), 0.3f, 1e-6f);
    synth->renderSample(0.6f); // frees the slot
    synth->playNote(dc, &channel, 0.1f, 0, 1.0f, 0.5f);
    EXPECT_EQ(synth->voice(0).instrument, dc);
    EXPECT_NEAR(synth->renderSample(1.25f), 0.1f, 1e-6f);
}

TEST_F(VoicePool, RegisteringCopiesUnitsAndVoicesShareThem) {
    Instrument templ;
    templ.ampEnvelope = synth->createEnvelope(0, 0, 1, 0);
    Oscillator osc;
    osc.waveform = synth->createWaveform(Wave::Saw);
    osc.phase = 0.25f;
    templ.addOscillator(osc);
    templ.addFilter(Filter(22050, Filter::LowPass, 300.0f, 1.0f));
    Instrument* kept = synth->registerInstrument(templ, "test:saw");
    templ.reset();
    templ.name = "changed";

    ASSERT_EQ(kept->oscillatorCount, 1);
    EXPECT_EQ(kept->name, "test:saw");
    EXPECT_EQ(kept->oscillators[0].waveform, osc.waveform);
    EXPECT_EQ(kept->filters[0].cutoff, 300.0f);
    EXPECT_EQ(kept->state.phases[0], 0.25f);

    // A voice refers to the registered instrument and starts from its state;
    // playing moves only the voice's own phase on.
    synth->playNote(kept, &channel, 1.0f, 0, 0.0f, 1.0f);
    const Voice& voice = synth->voice(0);
    EXPECT_EQ(voice.instrument, kept);
    EXPECT_EQ(voice.state.phases[0], 0.25f);
    synth->renderSample(0.1f);
    EXPECT_EQ(kept->state.phases[0], 0.25f);
    EXPECT_NE(voice.state.phases[0], 0.25f);
}

TEST_F(VoicePool, UnitListsHoldAFixedNumberAndRefuseMore) {
    Instrument templ;
    ModChain chain;
    const struct {
        const char* unit;
        int capacity;
        std::function<bool()> add;
    } units[] = {
        {"oscillator", MaxOscillators, [&] { return templ.addOscillator({}) != nullptr; }},
        {"filter", MaxFilters, [&] { return templ.addFilter({}) != nullptr; }},
        {"sampler", MaxSamplers, [&] { return templ.addSampler({}) != nullptr; }},
        {"modulator", ModChain::MaxModulators, [&] { return chain.addLfo(nullptr, 1, 0) >= 0; }}};
    for (const auto& u : units) {
        for (int i = 0; i < u.capacity; ++i) {
            EXPECT_TRUE(u.add()) << u.unit << " " << i;
        }
        EXPECT_FALSE(u.add()) << "one " << u.unit << " too many";
    }
}

TEST_F(VoicePool, PrerenderNeedsANote) {
    Instrument templ;
    templ.ampEnvelope = synth->createEnvelope(0, 0, 1, 0);
    Sampler s;
    s.source = dc;
    s.gain = 1.0f;
    s.duration = 0.01f;
    templ.addSampler(s);
    Instrument* unset = synth->registerInstrument(templ, "test:unset");
    unset->prerenderSamples();
    EXPECT_TRUE(unset->samplers[0].buffer.empty());

    templ.samplers[0].note = 5;
    Instrument* set = synth->registerInstrument(templ, "test:set");
    set->prerenderSamples();
    // 0.01 s plus the source's 0.25 s release at 22050 Hz.
    EXPECT_NEAR(static_cast<double>(set->samplers[0].buffer.size()), 0.26 * 22050, 2);
    EXPECT_EQ(set->samplers[0].buffer[10], 1.0f);
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
        for (Synth* s : {&single, &blocks}) {
            s->init(22050);
            BuildInstrumentBank(*s);
            // Noise with a noise vibrato: two draws a sample.
            Instrument noises;
            noises.ampEnvelope = s->createEnvelope(0.0f, 0.0f, 1.0f, 0.01f);
            Waveform* noise = s->createWaveform(Wave::Noise);
            noise->pitchMods.addLfo(s->createLfo(Wave::Noise, 5.0f, 0.0f, true), 0.1f, 1.0f);
            noises.addOscillator(Oscillator{noise});
            s->registerInstrument(noises, "test:noises");
            Random::srand(5);
            for (Instrument* i : s->findInstruments("sample:*")) {
                i->prerenderSamples();
            }
            Channel* channel = s->addChannel(Channel{"", 0.1f}, "");
            for (const Note& n : scene.notes) {
                s->playNote(s->findInstruments(n.instrument).front(), channel, 0.4f, n.note,
                            n.start, n.duration);
            }
            // A held note released part of the way through.
            s->playNote(s->findInstruments("pad:lush").front(), channel, 0.0f, 4, 0.03f, 0.0f);
        }
        std::vector<float> expected(8000), mixed(8000), times(8000);
        Random::srand(9);
        for (int i = 0; i < 8000; ++i) {
            times[i] = static_cast<float>(i) / 22050.0f;
            expected[i] = single.renderSample(times[i]);
        }
        Random::srand(9);
        for (int from = 0, length = 1; from < 8000; length = length % 64 + 1) {
            const int count = std::min({length, MaxBlockSamples, 8000 - from});
            blocks.renderSamples(&times[from], &mixed[from], count);
            from += count;
        }
        EXPECT_EQ(mixed, expected) << scene.scene;
        EXPECT_EQ(blocks.activeVoiceCount(), single.activeVoiceCount()) << scene.scene;
    }
}
