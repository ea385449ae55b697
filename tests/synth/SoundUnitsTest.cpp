#include "synth/Envelope.h"
#include "synth/Lfo.h"
#include "synth/ModChain.h"
#include "synth/Oscillator.h"
#include "synth/Sampler.h"
#include "synth/Waves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int rate = 22050;

// Upward zero crossings over one second of the oscillator's output: its frequency in hertz.
int measuredFrequency(Oscillator& osc, float note) {
    int crossings = 0;
    float previous = osc.render(note, 0.0f, 1010.0f, 0.0f);
    for (int i = 1; i <= rate; ++i) {
        const float v = osc.render(note, static_cast<float>(i) / rate, 1010.0f, 0.0f);
        if (previous < 0.0f && v >= 0.0f) {
            ++crossings;
        }
        previous = v;
    }
    return crossings;
}

} // namespace

TEST(Waves, ValuesAtCharacteristicPoints) {
    EXPECT_FLOAT_EQ(waveSaw(0.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(waveSaw(0.5f, 1.0f), 0.0f);
    EXPECT_NEAR(waveSaw(0.999f, 1.0f), -1.0f, 0.01f);
    EXPECT_FLOAT_EQ(waveSquare(0.25f, 1.0f), -1.0f);
    EXPECT_FLOAT_EQ(waveSquare(0.75f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(waveSquare(1.25f, 1.0f), -1.0f);
    EXPECT_FLOAT_EQ(waveTriangle(0.25f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(waveTriangle(0.5f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(waveTriangle(0.75f, 1.0f), -1.0f);
    EXPECT_FLOAT_EQ(waveTriangle(1.125f, 1.0f), 0.5f);
    EXPECT_NEAR(waveSine(0.25f, 1.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(waveSine(0.75f, 1.0f), -1.0f, 1e-6f);
    // Only the product a * b counts: a quarter cycle at 2 Hz after 0.125 s.
    EXPECT_FLOAT_EQ(waveSquare(0.375f, 2.0f), 1.0f);
    EXPECT_NEAR(waveSine(0.125f, 2.0f), 1.0f, 1e-6f);
}

TEST(Waves, NoiseSpansTheFullRangeFromTheSharedGenerator) {
    float lo = 1.0f, hi = -1.0f;
    double sum = 0.0;
    for (int i = 0; i < 20000; ++i) {
        const float v = waveNoise(0.0f, 0.0f);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        sum += v;
    }
    EXPECT_LT(lo, -0.99f);
    EXPECT_GT(hi, 0.99f);
    EXPECT_NEAR(sum / 20000.0, 0.0, 0.03);
}

TEST(Oscillator, PitchFollowsNoteOctaveDetuneAndKeyTracking) {
    Waveform sine;
    Oscillator osc;
    osc.waveform = &sine;
    EXPECT_NEAR(measuredFrequency(osc, 0.0f), 440, 1);
    EXPECT_NEAR(measuredFrequency(osc, 12.0f), 880, 1);
    EXPECT_NEAR(measuredFrequency(osc, -24.0f), 110, 1);

    osc.keyTracking = 0.0f;
    EXPECT_NEAR(measuredFrequency(osc, 12.0f), 440, 1);
    EXPECT_NEAR(measuredFrequency(osc, -24.0f), 440, 1);

    Oscillator up;
    up.waveform = &sine;
    up.octave = -1;
    up.semitones = 7;
    up.detune = 0.5f; // one semitone
    // -12 + 7 + 1 = -4 semitones: 440 * 2^(-4/12)
    EXPECT_NEAR(measuredFrequency(up, 0.0f), 349.2, 1);
}

TEST(Oscillator, PhaseAdvancesBeforeTheWaveIsRead) {
    Waveform saw;
    saw.shape = waveSaw;
    Oscillator osc;
    osc.waveform = &saw;
    osc.amplitude = 0.5f;
    osc.phase = 0.25f;
    const float first = osc.render(0.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_NEAR(first, 0.5f * (1.0f - 2.0f * (0.25f + 440.0f / 22050.0f)), 1e-5f);
    EXPECT_GE(osc.phase, 0.0f);
    EXPECT_LT(osc.phase, 1.0f);
}

TEST(Oscillator, PitchModulationIsMultiplicative) {
    Envelope full; // attack 0, decay 0, sustain 1: level 1 while held
    full.sustain = 1.0f;
    Waveform sine;
    sine.pitchMods.addEnvelope(&full, 1.0f, 0.0f);
    Oscillator osc;
    osc.waveform = &sine;
    EXPECT_NEAR(measuredFrequency(osc, 0.0f), 880, 1); // value 1 doubles

    Waveform stopped;
    stopped.pitchMods.addEnvelope(&full, -1.0f, 0.0f); // value -1 drives it to 0 Hz
    Oscillator still;
    still.waveform = &stopped;
    still.amplitude = 1.0f;
    still.phase = 0.25f;
    for (int i = 1; i < 100; ++i) {
        EXPECT_NEAR(still.render(0.0f, i / 22050.0f, 1010.0f, 0.0f), 1.0f, 1e-6f);
    }
}

TEST(Envelope, GateHoldsUntilTheDurationAndCutsAtOnce) {
    Envelope gate;
    gate.sustain = 1.0f;
    EXPECT_EQ(gate.level(0.0f, 0.5f), 1.0f);
    EXPECT_EQ(gate.level(0.4999f, 0.5f), 1.0f);
    EXPECT_EQ(gate.level(0.5f, 0.5f), 0.0f);
    EXPECT_EQ(gate.level(3.0f, 0.5f), 0.0f);
}

TEST(Envelope, ReleaseDuringAttackFadesFromTheLevelReached) {
    Envelope env{1.0f, 0.0f, 1.0f, 1.0f};
    EXPECT_FLOAT_EQ(env.level(0.25f, 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(env.level(0.5f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(env.level(1.0f, 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(env.level(1.5f, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(env.level(-0.1f, 0.5f), 0.0f);
}

TEST(Envelope, DecayReachesSustainAndZeroSegmentsJump) {
    Envelope adsr{0.1f, 0.2f, 0.5f, 0.4f};
    EXPECT_FLOAT_EQ(adsr.level(0.05f, 10.0f), 0.5f);
    EXPECT_FLOAT_EQ(adsr.level(0.1f, 10.0f), 1.0f);
    EXPECT_FLOAT_EQ(adsr.level(0.2f, 10.0f), 0.75f);
    EXPECT_FLOAT_EQ(adsr.level(5.0f, 10.0f), 0.5f);
    EXPECT_NEAR(adsr.level(10.2f, 10.0f), 0.25f, 1e-6f);

    Envelope jumps{0.0f, 0.0f, 0.3f, 0.0f};
    EXPECT_FLOAT_EQ(jumps.level(0.0f, 1.0f), 0.3f);
    EXPECT_FLOAT_EQ(jumps.level(1.0f, 1.0f), 0.0f);
    EXPECT_FALSE(std::isnan(jumps.level(0.0f, 0.0f)));
}

TEST(Lfo, FreeRunningFollowsAbsoluteTimeRetriggerFollowsTheNote) {
    Lfo free{waveSine, 3.0f, 0.0f, 0};
    // Notes started at 0.25 s and 0.5 s, both at absolute time 0.75 s.
    EXPECT_EQ(free.value(0.5f, 0.25f), free.value(0.25f, 0.5f));
    EXPECT_NE(free.value(0.1f, 0.25f), free.value(0.1f, 0.5f));

    Lfo retrig{waveSine, 3.0f, 0.0f, 1};
    EXPECT_EQ(retrig.value(0.1f, 0.25f), retrig.value(0.1f, 0.5f));
    EXPECT_NEAR(retrig.value(1.0f / 12.0f, 7.0f), 1.0f, 1e-5f); // a quarter cycle at 3 Hz

    Lfo shifted{waveSquare, 1.0f, 0.5f, 1}; // starts in the second half
    EXPECT_EQ(shifted.value(0.0f, 0.0f), 1.0f);
    EXPECT_EQ(shifted.value(0.6f, 0.0f), -1.0f);
}

TEST(ModChain, ModulatorsMultiplyInOrderAndKeptEntriesAreReused) {
    Envelope one{0.0f, 0.0f, 1.0f, 0.0f};
    Lfo square{waveSquare, 1.0f, 0.0f, 1}; // -1 in the first half second
    ModChain chain;
    EXPECT_EQ(chain.addEnvelope(&one, 0.5f, 0.0f), 0); // x 1.5
    EXPECT_EQ(chain.addLfo(&square, 0.25f, 3.0f), 1);  // x (1 + (-1 + 3) * 0.25) = x 1.5
    EXPECT_FLOAT_EQ(chain.apply(100.0f, 0.0f, 0.1f, 1.0f, 0.0f), 225.0f);
    EXPECT_FLOAT_EQ(chain.apply(100.0f, 0.0f, 2.0f, 1.0f, 0.0f), 150.0f); // envelope off

    ModChain shorter;
    shorter.addLfo(&square, 1.0f, 0.0f);
    chain.copyFrom(shorter);
    EXPECT_EQ(chain.used, 1);
    EXPECT_EQ(chain.entries.size(), 2u);
    EXPECT_FLOAT_EQ(chain.apply(100.0f, 0.0f, 0.1f, 1.0f, 0.0f), 0.0f);
    EXPECT_EQ(chain.addEnvelope(&one, 1.0f, 0.0f), 1);
    EXPECT_EQ(chain.entries.size(), 2u);
}

TEST(Sampler, InterpolatesAndFallsSilentAtTheEndOfItsBuffer) {
    Sampler s;
    for (int i = 0; i < 100; ++i) {
        s.buffer.push_back(static_cast<float>(i + 1));
    }
    EXPECT_NEAR(s.render(10.5f / 22050.0f), 11.5f, 1e-3f);
    EXPECT_NEAR(s.render(98.5f / 22050.0f), 99.5f, 1e-3f);
    EXPECT_EQ(s.render(99.0f / 22050.0f), 0.0f);
    EXPECT_EQ(s.render(150.0f / 22050.0f), 0.0f);
    EXPECT_EQ(s.render(-1.0f), 0.0f);

    Sampler empty;
    EXPECT_EQ(empty.render(0.0f), 0.0f);
}

TEST(Sampler, PrerenderWithoutNoteSourceOrDurationStaysSilent) {
    Sampler s;
    s.buffer.assign(10, 1.0f);
    s.duration = 1.0f;
    s.gain = 1.0f;
    s.note = -24;
    s.prerender(); // no source
    EXPECT_TRUE(s.buffer.empty());
    EXPECT_EQ(s.render(1.0f / 22050.0f), 0.0f);
}
