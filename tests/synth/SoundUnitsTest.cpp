#include "synth/Block.h"
#include "synth/Envelope.h"
#include "synth/Lfo.h"
#include "synth/ModChain.h"
#include "synth/Oscillator.h"
#include "synth/Sampler.h"
#include "synth/Waves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int rate = 22050;

// Times since note start of the samples from..from + count at 22050 Hz.
std::vector<float> noteTimes(int from, int count) {
    std::vector<float> t;
    for (int i = from; i < from + count; ++i) {
        t.push_back(static_cast<float>(i) / rate);
    }
    return t;
}

// One second of an oscillator's output at a note, rendered in blocks.
std::vector<float> oscillatorSecond(const Oscillator& osc, float note, float phase) {
    const float frequency = Oscillator::frequency(osc.pitch(note));
    std::vector<float> out(rate + 1, 0.0f);
    const std::vector<float> t = noteTimes(0, rate + 1);
    for (int from = 0; from < rate + 1; from += MaxBlockSamples) {
        const int count = std::min(MaxBlockSamples, rate + 1 - from);
        osc.render(phase, frequency, &t[from], count, 1010.0f, 0.0f, &out[from]);
    }
    return out;
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
    const struct {
        Wave wave;
        float a, b;
        float expected;
    } cases[] = {
        {Wave::Saw, 0.0f, 1.0f, 1.0f},
        {Wave::Saw, 0.5f, 1.0f, 0.0f},
        {Wave::Saw, 0.75f, 1.0f, -0.5f},
        {Wave::Saw, -0.25f, 1.0f, 1.5f},
        {Wave::Square, 0.25f, 1.0f, -1.0f},
        {Wave::Square, 0.75f, 1.0f, 1.0f},
        {Wave::Square, 1.25f, 1.0f, -1.0f},
        {Wave::Square, 5e8f, 1.0f, -1.0f},
        {Wave::Triangle, 0.25f, 1.0f, 1.0f},
        {Wave::Triangle, 0.5f, 1.0f, 0.0f},
        {Wave::Triangle, 0.75f, 1.0f, -1.0f},
        {Wave::Triangle, 1.125f, 1.0f, 0.5f},
        {Wave::Sine, 0.25f, 1.0f, 1.0f},
        {Wave::Sine, 0.75f, 1.0f, -1.0f},
        // Only the product a * b counts: a quarter cycle at 2 Hz after 0.125 s.
        {Wave::Square, 0.375f, 2.0f, 1.0f},
        {Wave::Sine, 0.125f, 2.0f, 1.0f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(waveValue(c.wave, c.a, c.b), c.expected, 1e-6f)
            << static_cast<int>(c.wave) << " at " << c.a << " x " << c.b;
    }
    EXPECT_NEAR(waveValue(Wave::Saw, 0.999f, 1.0f), -1.0f, 0.01f);
}

TEST(Waves, NoiseSpansTheFullRangeFromTheSharedGenerator) {
    Random::srand(3);
    float lo = 1.0f, hi = -1.0f;
    double sum = 0.0;
    for (int i = 0; i < 20000; ++i) {
        const float v = waveValue(Wave::Noise, 0.0f, 0.0f);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        sum += v;
    }
    EXPECT_LT(lo, -0.99f);
    EXPECT_GT(hi, 0.99f);
    EXPECT_NEAR(sum / 20000.0, 0.0, 0.03);
    // Draw for draw the generator's sequence: the same seed, the same noise.
    Random::srand(3);
    const float first = waveNoise(0.0f, 0.0f);
    Random::srand(3);
    EXPECT_EQ(waveValue(Wave::Noise, 5.0f, 7.0f), first);
}

TEST(Oscillator, PitchFollowsNoteOctaveSemitonesDetuneAndKeyTracking) {
    const Waveform sine;
    const struct {
        float keyTracking;
        int octave, semitones;
        float detune, note;
        int hertz;
    } cases[] = {
        {1.0f, 0, 0, 0.0f, 0.0f, 440},   {1.0f, 0, 0, 0.0f, 12.0f, 880},
        {1.0f, 0, 0, 0.0f, -24.0f, 110}, {0.0f, 0, 0, 0.0f, 12.0f, 440},
        {0.0f, 0, 0, 0.0f, -24.0f, 440}, {0.0f, -3, 0, 0.0f, 30.0f, 55},
        {1.0f, 1, 7, 0.0f, -24.0f, 330}, // 110 Hz up an octave and a fifth
        {1.0f, -1, 7, 0.5f, 0.0f, 349},  // -12 + 7 + 1 semitones
    };
    for (const auto& c : cases) {
        Oscillator osc;
        osc.waveform = &sine;
        osc.keyTracking = c.keyTracking;
        osc.octave = c.octave;
        osc.semitones = c.semitones;
        osc.detune = c.detune;
        EXPECT_NEAR(crossings(oscillatorSecond(osc, c.note, 0.0f)), c.hertz, 1)
            << "octave " << c.octave << " semitones " << c.semitones << " detune " << c.detune
            << " note " << c.note;
    }
}

TEST(Oscillator, PhaseAdvancesBeforeTheWaveIsRead) {
    Waveform saw;
    saw.shape = Wave::Saw;
    Oscillator osc;
    osc.waveform = &saw;
    osc.amplitude = 0.5f;
    float phase = 0.25f;
    const float t = 0.0f;
    float out = 0.0f;
    osc.render(phase, 440.0f, &t, 1, 1.0f, 0.0f, &out);
    EXPECT_NEAR(out, 0.5f * (1.0f - 2.0f * (0.25f + 440.0f / 22050.0f)), 1e-5f);
    EXPECT_NEAR(phase, 0.25f + 440.0f / 22050.0f, 1e-6f);
}

TEST(Oscillator, AnyFrequencyKeepsThePhaseWithinACycle) {
    // Past the sample rate a saw aliases back down; driven below zero by its
    // pitch modulation it runs backwards at the same rate. Either way the
    // phase wraps into one cycle and the wave keeps its swing.
    const Envelope held{0.0f, 0.0f, 1.0f, 0.0f};
    Waveform fast;
    fast.shape = Wave::Saw;
    Waveform backwards;
    backwards.shape = Wave::Saw;
    backwards.pitchMods.addEnvelope(&held, -2.0f, 0.0f);
    const struct {
        const Waveform* waveform;
        int octave;
        float phase;
        int hertz;
    } cases[] = {
        {&fast, 0, 0.0f, 440},
        {&fast, 0, 0.999f, 440},
        {&backwards, 0, 0.5f, 440},
        {&backwards, 1, 0.0f, 880},
    };
    for (const auto& c : cases) {
        Oscillator osc;
        osc.waveform = c.waveform;
        osc.octave = c.octave;
        float phase = c.phase;
        std::vector<float> out(rate, 0.0f);
        const std::vector<float> t = noteTimes(0, rate);
        // 22050 + 440 Hz for the fast one: 1.02 cycles a sample.
        const float frequency =
            c.waveform == &fast ? 22490.0f : Oscillator::frequency(osc.pitch(0.0f));
        for (int from = 0; from < rate; from += MaxBlockSamples) {
            const int count = std::min(MaxBlockSamples, rate - from);
            osc.render(phase, frequency, &t[from], count, 1010.0f, 0.0f, &out[from]);
            ASSERT_GT(phase, -1.0f);
            ASSERT_LT(phase, 1.0f);
        }
        EXPECT_NEAR(wraps(out), c.hertz, 2) << "phase " << c.phase;
        const auto [lo, hi] = std::minmax_element(out.begin(), out.end());
        EXPECT_GT(*hi - *lo, 1.9f);
    }
}

TEST(Oscillator, PitchModulationIsMultiplicative) {
    const Envelope full{0.0f, 0.0f, 1.0f, 0.0f}; // level 1 while held
    Waveform sine;
    sine.pitchMods.addEnvelope(&full, 1.0f, 0.0f); // value 1 doubles
    Oscillator osc;
    osc.waveform = &sine;
    EXPECT_NEAR(crossings(oscillatorSecond(osc, 0.0f, 0.0f)), 880, 1);

    Waveform stopped;
    stopped.pitchMods.addEnvelope(&full, -1.0f, 0.0f); // value -1 drives it to 0 Hz
    Oscillator still;
    still.waveform = &stopped;
    for (float v : oscillatorSecond(still, 0.0f, 0.25f)) {
        ASSERT_NEAR(v, 1.0f, 1e-6f);
    }
}

TEST(Envelope, LevelsAtTheSegmentBoundaries) {
    const Envelope gate{0.0f, 0.0f, 1.0f, 0.0f};
    const Envelope slow{1.0f, 0.0f, 1.0f, 1.0f};
    const Envelope adsr{0.1f, 0.2f, 0.5f, 0.4f};
    const Envelope jumps{0.0f, 0.0f, 0.3f, 0.0f};
    const struct {
        const Envelope& envelope;
        float t, duration, level;
    } cases[] = {
        // A gate holds until the duration and cuts at once.
        {gate, 0.0f, 0.5f, 1.0f},
        {gate, 0.4999f, 0.5f, 1.0f},
        {gate, 0.5f, 0.5f, 0.0f},
        {gate, 3.0f, 0.5f, 0.0f},
        // Released during its attack, a note fades from the level reached.
        {slow, 0.25f, 0.5f, 0.25f},
        {slow, 0.5f, 0.5f, 0.5f},
        {slow, 1.0f, 0.5f, 0.25f},
        {slow, 1.5f, 0.5f, 0.0f},
        {slow, -0.1f, 0.5f, 0.0f},
        // Attack, decay to the sustain level, hold, release.
        {adsr, 0.05f, 10.0f, 0.5f},
        {adsr, 0.1f, 10.0f, 1.0f},
        {adsr, 0.2f, 10.0f, 0.75f},
        {adsr, 5.0f, 10.0f, 0.5f},
        {adsr, 10.2f, 10.0f, 0.25f},
        // Segments of length 0 are jumps.
        {jumps, 0.0f, 1.0f, 0.3f},
        {jumps, 1.0f, 1.0f, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.envelope.level(c.t, c.duration), c.level, 1e-6f)
            << "t " << c.t << " duration " << c.duration;
    }
    EXPECT_FALSE(std::isnan(jumps.level(0.0f, 0.0f)));
}

TEST(Envelope, ABlockOfLevelsMatchesTheLevelAtEverySample) {
    // Blocks inside every segment and across each boundary: held, fading,
    // faded out and still to start.
    const Envelope adsr{0.1f, 0.2f, 0.5f, 0.4f};
    const Envelope gate{0.0f, 0.0f, 1.0f, 0.0f};
    const Envelope pad{1.6f, 0.0f, 1.0f, 3.6f};
    for (const Envelope* e : {&adsr, &gate, &pad}) {
        for (const float duration : {0.25f, 2.0f, 1010.0f}) {
            for (const float from : {-0.001f, 0.0f, 0.09f, 0.29f, 1.0f, 1.59f, 1.99f, 2.3f, 6.0f}) {
                const std::vector<float> t = noteTimes(static_cast<int>(from * rate), 64);
                float out[64];
                e->levels(t.data(), 64, duration, out);
                for (int n = 0; n < 64; ++n) {
                    ASSERT_EQ(out[n], e->level(t[n], duration))
                        << "attack " << e->attack << " duration " << duration << " t " << t[n];
                }
            }
        }
    }
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

TEST(Lfo, ABlockOfValuesMatchesTheValueAtEverySample) {
    for (const Wave wave : {Wave::Sine, Wave::Saw, Wave::Triangle, Wave::Square}) {
        for (const bool retrigger : {false, true}) {
            for (const float frequency : {0.0f, 0.09f, 77.44f}) {
                const Lfo lfo(wave, frequency, 0.3f, retrigger);
                const std::vector<float> t = noteTimes(1234, 64);
                float out[64];
                lfo.values(t.data(), 64, 17.25f, out);
                for (int n = 0; n < 64; ++n) {
                    ASSERT_EQ(out[n], lfo.value(t[n], 17.25f))
                        << static_cast<int>(wave) << " at " << frequency << " Hz";
                }
            }
        }
    }
}

TEST(ModChain, ModulatorsMultiplyInOrder) {
    const Envelope one{0.0f, 0.0f, 1.0f, 0.0f};
    const Lfo square(Wave::Square, 1.0f, 0.0f, true); // -1 in the first half second
    ModChain chain;
    EXPECT_EQ(chain.addEnvelope(&one, 0.5f, 0.0f), 0); // x 1.5
    EXPECT_EQ(chain.addLfo(&square, 0.25f, 3.0f), 1);  // x (1 + (-1 + 3) * 0.25) = x 1.5
    const struct {
        float t, value;
    } cases[] = {
        {0.1f, 225.0f}, // both
        {0.7f, 300.0f}, // the square at +1: x 1.5 x 2
        {2.0f, 150.0f}, // the envelope off after the 1 s note: x 1 x 1.5
    };
    for (const auto& c : cases) {
        float value = 100.0f;
        chain.apply(&value, &c.t, 1, 1.0f, 0.0f);
        EXPECT_FLOAT_EQ(value, c.value) << "t " << c.t;
    }
}

TEST(ModChain, AFullChainRefusesMore) {
    const Lfo lfo(Wave::Sine, 1.0f, 0.0f, false);
    ModChain chain;
    for (int i = 0; i < ModChain::MaxModulators; ++i) {
        EXPECT_EQ(chain.addLfo(&lfo, 0.1f, 0.0f), i);
    }
    EXPECT_EQ(chain.addLfo(&lfo, 0.1f, 0.0f), -1);
    EXPECT_EQ(chain.addEnvelope(nullptr, 0.1f, 0.0f), -1);
    EXPECT_EQ(chain.used, ModChain::MaxModulators);
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
    } cases[] = {
        {s, 10.5f / rate, 11.5f}, {s, 98.5f / rate, 99.5f}, {s, 99.0f / rate, 0.0f},
        {s, 150.0f / rate, 0.0f}, {s, -1.0f, 0.0f},         {s, NAN, 0.0f},
        {empty, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        float x = 0.0f;
        c.sampler.render(&c.t, 1, &x);
        EXPECT_NEAR(x, c.value, 1e-3f) << "t " << c.t * rate << " samples";
    }
}

TEST(Sampler, PrerenderWithoutNoteSourceOrDurationStaysSilent) {
    Sampler s;
    s.buffer.assign(10, 1.0f);
    s.duration = 1.0f;
    s.gain = 1.0f;
    s.note = -24;
    s.prerender(); // no source
    EXPECT_TRUE(s.buffer.empty());
    const float t = 1.0f / rate;
    float x = 0.0f;
    s.render(&t, 1, &x);
    EXPECT_EQ(x, 0.0f);
}
