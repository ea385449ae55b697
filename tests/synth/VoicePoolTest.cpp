#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

float waveOne(float, float) {
    return 1.0f;
}

// A synth with the bank plus "test:dc", an instrument whose output is its
// amplitude envelope times its gain, so a voice's contribution is exact.
class VoicePool : public ::testing::Test {
protected:
    void SetUp() override {
        synth = std::make_unique<Synth>();
        synth->init(22050);
        dc = makeDc("test:dc", synth->createEnvelope(0.0f, 0.0f, 1.0f, 0.25f), 1.0f, -1.0f);
    }

    Instrument* makeDc(const std::string& name, const Envelope* env, float gain,
                       float defaultDuration, int oscillators = 1) {
        Instrument templ;
        templ.gain = gain;
        templ.defaultDuration = defaultDuration;
        templ.ampEnvelope = env;
        for (int i = 0; i < oscillators; ++i) {
            Oscillator osc;
            osc.waveform = synth->createWaveform(waveOne);
            templ.addOscillator(osc);
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
    synth->renderSample(0.7501f);
    EXPECT_EQ(synth->activeVoiceCount(), 0);
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
    synth->playChord(dc, &channel, 0.1f, 48, 2, 0.0f, 0.0f);
    ASSERT_EQ(synth->activeVoiceCount(), 4);
    EXPECT_EQ(synth->voice(0).note, 48);
    EXPECT_EQ(synth->voice(1).note, 52);
    EXPECT_EQ(synth->voice(2).note, 55);
    EXPECT_EQ(synth->voice(3).note, 58);
    EXPECT_NEAR(synth->renderSample(1.0f), 0.4f, 1e-6f);
    synth->playChord(dc, &channel, 0.0f, 48, 2, 2.0f, 0.0f);
    EXPECT_EQ(synth->renderSample(2.3f), 0.0f);
    EXPECT_EQ(synth->activeVoiceCount(), 0);

    synth->playChord(dc, &channel, 0.1f, 40, 1, 3.0f, 1.0f);
    EXPECT_EQ(synth->voice(1).note, 43);
    EXPECT_EQ(synth->voice(3).note, 52);
}

TEST_F(VoicePool, ReusedSlotRendersOnlyTheInstrumentNowPlayed) {
    Instrument* triple = makeDc("test:triple", synth->createEnvelope(0, 0, 1, 0), 1.0f, -1.0f, 3);
    synth->playNote(triple, &channel, 0.1f, 0, 0.0f, 0.5f);
    EXPECT_NEAR(synth->renderSample(0.25f), 0.3f, 1e-6f);
    synth->renderSample(0.6f); // frees the slot
    synth->playNote(dc, &channel, 0.1f, 0, 1.0f, 0.5f);
    EXPECT_EQ(synth->voice(0).instance.oscillators.size(), 3u); // the list only grew
    EXPECT_EQ(synth->voice(0).instance.oscillatorCount, 1);
    EXPECT_NEAR(synth->renderSample(1.25f), 0.1f, 1e-6f);
}

TEST_F(VoicePool, RegisteringCopiesUnitsButSharesWaveformsAndEnvelope) {
    Instrument templ;
    templ.ampEnvelope = synth->createEnvelope(0, 0, 1, 0);
    Oscillator osc;
    osc.waveform = synth->createWaveform(waveSaw);
    osc.phase = 0.25f;
    templ.addOscillator(osc);
    templ.addFilter(Filter(22050, Filter::LowPass, 300.0f, 1.0f));
    Instrument* kept = synth->registerInstrument(templ, "test:saw");
    templ.reset();
    templ.name = "changed";

    ASSERT_EQ(kept->oscillatorCount, 1);
    EXPECT_EQ(kept->name, "test:saw");
    EXPECT_EQ(kept->oscillators[0].waveform, osc.waveform);
    EXPECT_NE(&kept->oscillators[0], &osc);
    EXPECT_EQ(kept->filters[0].cutoff, 300.0f);

    synth->playNote(kept, &channel, 1.0f, 0, 0.0f, 1.0f);
    const Instrument& voiceCopy = synth->voice(0).instance;
    EXPECT_EQ(voiceCopy.ampEnvelope, kept->ampEnvelope);
    EXPECT_EQ(voiceCopy.oscillators[0].waveform, kept->oscillators[0].waveform);
    EXPECT_EQ(voiceCopy.oscillators[0].phase, 0.25f); // starts from the registered phase
    synth->renderSample(0.1f);
    EXPECT_EQ(kept->oscillators[0].phase, 0.25f); // the voice advanced only its own copy
    EXPECT_NE(voiceCopy.oscillators[0].phase, 0.25f);
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
