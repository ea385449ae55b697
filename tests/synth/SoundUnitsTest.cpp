#include "synth/Block.h"
#include "synth/Envelope.h"
#include "synth/Lfo.h"
#include "synth/ModChain.h"
#include "synth/Oscillator.h"
#include "synth/RenderContext.h"
#include "synth/SampleRate.h"
#include "synth/Sampler.h"
#include "synth/Waves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int rate = SampleRate;

// Times since note start of the samples from..from + count at 22050 Hz.
std::vector<float> noteTimes(int from, int count) {
    std::vector<float> t;
    for (int i = from; i < from + count; ++i) {
        t.push_back(static_cast<float>(i) / rate);
    }
    return t;
}

// One second of an oscillator's output, rendered in blocks; the phase must
// stay within a cycle.
std::vector<float> oscillatorSecond(const Oscillator& osc, float frequency, float phase) {
    RenderContext context;
    std::vector<float> out(rate + 1, 0.0f);
    const std::vector<float> t = noteTimes(0, rate + 1);
    for (int from = 0; from < rate + 1; from += MaxBlockSamples) {
        const int count = std::min(MaxBlockSamples, rate + 1 - from);
        osc.render(phase, frequency, context, &t[from], count, 1010.0f, 0.0f, &out[from]);
        EXPECT_LT(std::abs(phase), 1.0f);
    }
    return out;
}

std::vector<float> oscillatorSecondAt(const Oscillator& osc, float note, float phase) {
    return oscillatorSecond(osc, Oscillator::frequency(osc.pitch(note)), phase);
}

// Upward zero crossings over one second: the frequency in hertz.
int crossings(const std::vector<float>& v) {
    int n = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        n += v[i - 1] < 0.0f && v[i] >= 0.0f ? 1 : 0;
    }
    return n;
}

// Downward crossings of a wave's midpoint: the frequency of a saw, whichever
// way it runs, since only its wrap jumps across by a whole swing.
int wraps(const std::vector<float>& v) {
    int n = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        n += std::abs(v[i] - v[i - 1]) > 1.0f ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(Waves, ValuesAtCharacteristicPoints) {
    // The last two: only the product a * b counts, a quarter cycle at 2 Hz after 0.125 s.
    const struct {
        Wave wave;
        float a, b, expected;
    } cases[] = {{Wave::Saw, 0.0f, 1.0f, 1.0f},        {Wave::Saw, 0.5f, 1.0f, 0.0f},
                 {Wave::Saw, 0.75f, 1.0f, -0.5f},      {Wave::Saw, -0.25f, 1.0f, 1.5f},
                 {Wave::Square, 0.25f, 1.0f, -1.0f},   {Wave::Square, 0.75f, 1.0f, 1.0f},
                 {Wave::Square, 1.25f, 1.0f, -1.0f},   {Wave::Square, 5e8f, 1.0f, -1.0f},
                 {Wave::Triangle, 0.25f, 1.0f, 1.0f},  {Wave::Triangle, 0.5f, 1.0f, 0.0f},
                 {Wave::Triangle, 0.75f, 1.0f, -1.0f}, {Wave::Triangle, 1.125f, 1.0f, 0.5f},
                 {Wave::Sine, 0.25f, 1.0f, 1.0f},      {Wave::Sine, 0.75f, 1.0f, -1.0f},
                 {Wave::Square, 0.375f, 2.0f, 1.0f},   {Wave::Sine, 0.125f, 2.0f, 1.0f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(waveValue(c.wave, c.a, c.b), c.expected, 1e-6f)
            << static_cast<int>(c.wave) << " at " << c.a << " x " << c.b;
    }
    EXPECT_NEAR(waveValue(Wave::Saw, 0.999f, 1.0f), -1.0f, 0.01f);
}

TEST(Waves, NoiseSpansTheFullRangeFromTheSharedGenerator) {
    Random::srand(3);
    std::vector<float> draws(20000);
    for (float& v : draws) {
        v = waveValue(Wave::Noise, 0.0f, 0.0f);
    }
    const auto [lo, hi] = std::minmax_element(draws.begin(), draws.end());
    EXPECT_TRUE(*lo >= -1.0f && *lo < -0.99f) << *lo;
    EXPECT_TRUE(*hi <= 1.0f && *hi > 0.99f) << *hi;
    double sum = 0.0;
    for (float v : draws) {
        sum += v;
    }
    EXPECT_NEAR(sum / 20000.0, 0.0, 0.03);
    // Draw for draw the generator's sequence: the same seed, the same noise.
    Random::srand(3);
    EXPECT_EQ(waveNoise(5.0f, 7.0f), draws[0]);
}

TEST(Oscillator, PitchFollowsNoteOctaveSemitonesDetuneAndKeyTracking) {
    const ModulatedWave sine;
    // The last two: 110 Hz up an octave and a fifth; -12 + 7 + 1 semitones.
    const struct {
        float keyTracking;
        int octave, semitones;
        float detune, note;
        int hertz;
    } cases[] = {{1.0f, 0, 0, 0.0f, 0.0f, 440},   {1.0f, 0, 0, 0.0f, 12.0f, 880},
                 {1.0f, 0, 0, 0.0f, -24.0f, 110}, {0.0f, 0, 0, 0.0f, 12.0f, 440},
                 {0.0f, 0, 0, 0.0f, -24.0f, 440}, {0.0f, -3, 0, 0.0f, 30.0f, 55},
                 {1.0f, 1, 7, 0.0f, -24.0f, 330}, {1.0f, -1, 7, 0.5f, 0.0f, 349}};
    for (const auto& c : cases) {
        Oscillator osc;
        osc.wave = &sine;
        osc.keyTracking = c.keyTracking;
        osc.octave = c.octave;
        osc.semitones = c.semitones;
        osc.detune = c.detune;
        EXPECT_NEAR(crossings(oscillatorSecondAt(osc, c.note, 0.0f)), c.hertz, 1)
            << "octave " << c.octave << " semitones " << c.semitones << " detune " << c.detune
            << " note " << c.note;
    }
}

TEST(Oscillator, PhaseAdvancesBeforeTheWaveIsRead) {
    ModulatedWave saw;
    saw.shape = Wave::Saw;
    Oscillator osc;
    osc.wave = &saw;
    osc.amplitude = 0.5f;
    RenderContext context;
    float phase = 0.25f;
    const float t = 0.0f;
    float out = 0.0f;
    osc.render(phase, 440.0f, context, &t, 1, 1.0f, 0.0f, &out);
    EXPECT_NEAR(out, 0.5f * (1.0f - 2.0f * (0.25f + 440.0f / 22050.0f)), 1e-5f);
    EXPECT_NEAR(phase, 0.25f + 440.0f / 22050.0f, 1e-6f);

    // A step that lands exactly on the next cycle wraps to its start: the
    // saw's top, not its bottom.
    const float step = 440.0f * SampleStep;
    phase = 1.0f - step;
    while (phase + step < 1.0f) {
        phase = std::nextafter(phase, 1.0f);
    }
    ASSERT_EQ(phase + step, 1.0f);
    out = 0.0f;
    osc.render(phase, 440.0f, context, &t, 1, 1.0f, 0.0f, &out);
    EXPECT_EQ(phase, 0.0f);
    EXPECT_EQ(out, 0.5f);
}

TEST(Oscillator, AnyFrequencyKeepsThePhaseWithinACycle) {
    // Past the sample rate a saw aliases back down; driven below zero by its
    // pitch modulation it runs backwards. Either way it keeps its swing.
    const Envelope held{0.0f, 0.0f, 1.0f, 0.0f};
    ModulatedWave saw;
    saw.shape = Wave::Saw;
    ModulatedWave backwards = saw;
    backwards.pitchMods.addEnvelope(&held, -2.0f, 0.0f);
    const struct {
        const ModulatedWave& wave;
        float frequency, phase;
        int hertz;
    } cases[] = {{saw, 22050.0f + 440.0f, 0.0f, 440},
                 {saw, 22050.0f + 440.0f, 0.999f, 440},
                 {backwards, 440.0f, 0.5f, 440},
                 {backwards, 880.0f, 0.0f, 880}};
    for (const auto& c : cases) {
        Oscillator osc;
        osc.wave = &c.wave;
        const std::vector<float> out = oscillatorSecond(osc, c.frequency, c.phase);
        EXPECT_NEAR(wraps(out), c.hertz, 2) << c.frequency << " Hz from phase " << c.phase;
        const auto [lo, hi] = std::minmax_element(out.begin(), out.end());
        EXPECT_GT(*hi - *lo, 1.9f);
    }
}

TEST(Oscillator, PitchModulationIsMultiplicative) {
    const Envelope full{0.0f, 0.0f, 1.0f, 0.0f}; // level 1 while held
    ModulatedWave sine;
    sine.pitchMods.addEnvelope(&full, 1.0f, 0.0f); // value 1 doubles
    Oscillator osc;
    osc.wave = &sine;
    EXPECT_NEAR(crossings(oscillatorSecondAt(osc, 0.0f, 0.0f)), 880, 1);

    ModulatedWave stopped;
    stopped.pitchMods.addEnvelope(&full, -1.0f, 0.0f); // value -1 drives it to 0 Hz
    Oscillator still;
    still.wave = &stopped;
    for (float v : oscillatorSecondAt(still, 0.0f, 0.25f)) {
        ASSERT_NEAR(v, 1.0f, 1e-6f);
    }
}

TEST(Envelope, LevelsAtTheSegmentBoundaries) {
    const Envelope gate{0.0f, 0.0f, 1.0f, 0.0f};
    const Envelope slow{1.0f, 0.0f, 1.0f, 1.0f};
    const Envelope adsr{0.1f, 0.2f, 0.5f, 0.4f};
    const Envelope jumps{0.0f, 0.0f, 0.3f, 0.0f};
    // A gate holds until the duration and cuts at once; released during its
    // attack, a note fades from the level reached; attack, decay to the
    // sustain level, hold, release; segments of length 0 are jumps.
    const struct {
        const Envelope& envelope;
        float t, duration, level;
    } cases[] = {
        {gate, 0.0f, 0.5f, 1.0f},   {gate, 0.4999f, 0.5f, 1.0f}, {gate, 0.5f, 0.5f, 0.0f},
        {gate, 3.0f, 0.5f, 0.0f},   {slow, 0.25f, 0.5f, 0.25f},  {slow, 0.5f, 0.5f, 0.5f},
        {slow, 1.0f, 0.5f, 0.25f},  {slow, 1.5f, 0.5f, 0.0f},    {slow, -0.1f, 0.5f, 0.0f},
        {adsr, 0.05f, 10.0f, 0.5f}, {adsr, 0.1f, 10.0f, 1.0f},   {adsr, 0.2f, 10.0f, 0.75f},
        {adsr, 5.0f, 10.0f, 0.5f},  {adsr, 10.2f, 10.0f, 0.25f}, {jumps, 0.0f, 1.0f, 0.3f},
        {jumps, 1.0f, 1.0f, 0.0f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(c.envelope.level(c.t, c.duration), c.level, 1e-6f)
            << "t " << c.t << " duration " << c.duration;
    }
    EXPECT_FALSE(std::isnan(jumps.level(0.0f, 0.0f)));
}

TEST(Lfo, FreeRunningFollowsAbsoluteTimeRetriggerFollowsTheNote) {
    const Lfo free(Wave::Sine, 3.0f, 0.0f, false);
    // Notes started at 0.25 s and 0.5 s, both at absolute time 0.75 s.
    EXPECT_EQ(free.value(0.5f, 0.25f), free.value(0.25f, 0.5f));
    EXPECT_NE(free.value(0.1f, 0.25f), free.value(0.1f, 0.5f));

    const Lfo retrig(Wave::Sine, 3.0f, 0.0f, true);
    EXPECT_EQ(retrig.value(0.1f, 0.25f), retrig.value(0.1f, 0.5f));
    EXPECT_NEAR(retrig.value(1.0f / 12.0f, 7.0f), 1.0f, 1e-5f); // a quarter cycle at 3 Hz

    const Lfo shifted(Wave::Square, 1.0f, 0.5f, true); // starts in the second half
    EXPECT_EQ(shifted.value(0.0f, 0.0f), 1.0f);
    EXPECT_EQ(shifted.value(0.6f, 0.0f), -1.0f);

    const Lfo standing(Wave::Triangle, 0.0f, 0.25f, false); // holds its start phase
    EXPECT_EQ(standing.value(3.0f, 1.0f), 1.0f);
}

TEST(Envelope, ABlockOfLevelsMatchesTheLevelAtEverySample) {
    // Blocks inside every segment and across each boundary: held, fading,
    // faded out and still to start.
    const Envelope envelopes[] = {
        {0.1f, 0.2f, 0.5f, 0.4f}, {0.0f, 0.0f, 1.0f, 0.0f}, {1.6f, 0.0f, 1.0f, 3.6f}};
    for (const Envelope& e : envelopes) {
        for (const float duration : {0.25f, 2.0f, 1010.0f}) {
            for (const float from : {-0.001f, 0.0f, 0.09f, 0.29f, 1.0f, 1.59f, 1.99f, 2.3f, 6.0f}) {
                const std::vector<float> t = noteTimes(static_cast<int>(from * rate), 64);
                float out[64];
                e.levels(t.data(), 64, duration, out);
                for (int n = 0; n < 64; ++n) {
                    ASSERT_EQ(out[n], e.level(t[n], duration))
                        << "attack " << e.attack << " duration " << duration << " t " << t[n];
                }
            }
        }
    }
}

TEST(ModChain, ModulatorsMultiplyInOrder) {
    const Envelope one{0.0f, 0.0f, 1.0f, 0.0f};
    const Lfo square(Wave::Square, 1.0f, 0.0f, true); // -1 in the first half second
    RenderContext context;
    ModChain chain;
    EXPECT_EQ(chain.addEnvelope(&one, 0.5f, 0.0f), 0); // x 1.5
    EXPECT_EQ(chain.addLfo(&square, 0.25f, 3.0f), 1);  // x (1 + (-1 + 3) * 0.25) = x 1.5
    // Both; the square at +1: x 1.5 x 2; the envelope off after the 1 s note: x 1 x 1.5.
    const struct { float t, value; } cases[] = {{0.1f, 225.0f}, {0.7f, 300.0f}, {2.0f, 150.0f}};
    for (const auto& c : cases) {
        float value = 100.0f;
        chain.apply(context, &value, &c.t, 1, 1.0f, 0.0f);
        EXPECT_FLOAT_EQ(value, c.value) << "t " << c.t;
    }
}

TEST(Sampler, InterpolatesAndFallsSilentAtTheEndOfItsBuffer) {
    Sampler s;
    for (int i = 0; i < 100; ++i) {
        s.buffer.push_back(static_cast<float>(i + 1));
    }
    Sampler empty;
    const struct {
        const Sampler& sampler;
        float t, value;
    } cases[] = {{s, 10.5f / rate, 11.5f}, {s, 98.5f / rate, 99.5f}, {s, 99.0f / rate, 0.0f},
                 {s, 150.0f / rate, 0.0f}, {s, -1.0f, 0.0f},         {s, NAN, 0.0f},
                 {empty, 0.0f, 0.0f}};
    for (const auto& c : cases) {
        float x = 0.0f;
        c.sampler.render(&c.t, 1, &x);
        EXPECT_NEAR(x, c.value, 1e-3f) << "t " << c.t * rate << " samples";
    }
}

TEST(ModChain, HoldsEightModulatorsAndRefusesANinth) {
    ModChain chain;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(chain.addLfo(nullptr, 1.0f, 0.0f), i);
    }
    EXPECT_EQ(chain.addEnvelope(nullptr, 1.0f, 0.0f), -1);
}
