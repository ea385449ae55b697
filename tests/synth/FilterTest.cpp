#include "synth/Filter.h"
#include "synth/RenderContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int rate = 22050;

// A filter with its running state, fed one sample at a time.
struct Running {
    Running(int type, float cutoff, float q) {
        filter.type = type;
        filter.cutoff = cutoff;
        filter.q = q;
    }

    float process(float x, float t, float note = 0.0f) {
        filter.process(state, context, filter.noteCutoff(note), &t, 1, 1010.0f, 0.0f, &x);
        return x;
    }

    Filter filter;
    FilterState state;
    RenderContext context;
};

// Amplitude of the filter's answer to a unit sine, after the transient has settled.
float gainAt(Running f, float hz, float note = 0.0f) {
    const int settle = rate / 2;
    const int measure = rate / 2;
    double sumIn = 0.0, sumOut = 0.0;
    for (int i = 0; i < settle + measure; ++i) {
        const float t = static_cast<float>(i) / rate;
        const float x = std::sin(6.2831855f * hz * static_cast<float>(i) / rate);
        const float y = f.process(x, t, note);
        if (i >= settle) {
            sumIn += static_cast<double>(x) * x;
            sumOut += static_cast<double>(y) * y;
        }
    }
    return static_cast<float>(std::sqrt(sumOut / sumIn));
}

float settledValue(Running f, float input) {
    float y = 0.0f;
    for (int i = 0; i < rate; ++i) {
        y = f.process(input, static_cast<float>(i) / rate);
    }
    return y;
}

float noise(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

std::vector<float> response(Running f, int n) {
    std::vector<float> out;
    unsigned state = 12345;
    for (int i = 0; i < n; ++i) {
        out.push_back(f.process(noise(state), static_cast<float>(i) / rate));
    }
    return out;
}

} // namespace

TEST(Filter, PassThroughReturnsItsInputUnchanged) {
    Running f(Filter::PassThrough, 1000.0f, 1.0f);
    for (float x : {0.0f, 0.3f, -0.77f, 1.0f, 1e-3f}) {
        EXPECT_EQ(f.process(x, 0.1f), x);
    }
}

TEST(Filter, EachTypeShapesTheSpectrumAsDesigned) {
    // The gain for a sine at a frequency, around a cutoff of 1000 Hz (with q 1,
    // unity at the cutoff). The shelves and the peaking cut bring the
    // amplitude down to a quarter (-12 dB) on the shelf side or at the centre.
    const struct {
        int type;
        float q, hz, low, high;
    } cases[] = {{Filter::LowPass, 1.0f, 100.0f, 0.98f, 1.02f},
                 {Filter::LowPass, 1.0f, 1000.0f, 0.97f, 1.03f},
                 {Filter::LowPass, 1.0f, 5000.0f, 0.0f, 0.05f},
                 {Filter::LowPass, 4.0f, 1000.0f, 3.9f, 4.1f},
                 {Filter::HighPass, 1.0f, 150.0f, 0.0f, 0.03f},
                 {Filter::HighPass, 1.0f, 1000.0f, 0.97f, 1.03f},
                 {Filter::HighPass, 1.0f, 6000.0f, 0.97f, 1.03f},
                 {Filter::BandPass, 4.0f, 1000.0f, 0.98f, 1.02f},
                 {Filter::BandPass, 4.0f, 300.0f, 0.0f, 0.15f},
                 {Filter::BandPass, 4.0f, 4000.0f, 0.0f, 0.15f},
                 {Filter::Notch, 1.0f, 1000.0f, 0.0f, 0.01f},
                 {Filter::Notch, 1.0f, 60.0f, 0.98f, 1.02f},
                 {Filter::Notch, 1.0f, 9000.0f, 0.95f, 1.05f},
                 {Filter::LowShelf, 1.0f, 40.0f, 0.24f, 0.26f},
                 {Filter::LowShelf, 1.0f, 1000.0f, 0.48f, 0.52f},
                 {Filter::LowShelf, 1.0f, 10000.0f, 0.98f, 1.02f},
                 {Filter::HighShelf, 1.0f, 40.0f, 0.99f, 1.01f},
                 {Filter::HighShelf, 1.0f, 1000.0f, 0.48f, 0.52f},
                 {Filter::HighShelf, 1.0f, 10000.0f, 0.23f, 0.27f},
                 {Filter::PeakingCut, 2.0f, 1000.0f, 0.24f, 0.26f},
                 {Filter::PeakingCut, 2.0f, 50.0f, 0.98f, 1.02f},
                 {Filter::PeakingCut, 2.0f, 9000.0f, 0.97f, 1.03f}};
    for (const auto& c : cases) {
        const float gain = gainAt(Running(c.type, 1000.0f, c.q), c.hz);
        EXPECT_GE(gain, c.low) << "type " << c.type << " at " << c.hz << " Hz";
        EXPECT_LE(gain, c.high) << "type " << c.type << " at " << c.hz << " Hz";
    }
}

TEST(Filter, ShelvesIgnoreQ) {
    for (int type : {Filter::LowShelf, Filter::HighShelf}) {
        EXPECT_EQ(response(Running(type, 700.0f, 1.0f), 2000),
                  response(Running(type, 700.0f, 50.0f), 2000))
            << "type " << type;
    }
}

TEST(Filter, ConstantInputSettles) {
    const struct {
        int type;
        float settled, tolerance;
    } cases[] = {{Filter::LowPass, 1.0f, 1e-4f},
                 {Filter::HighPass, 0.0f, 1e-4f},
                 {Filter::BandPass, 0.0f, 1e-4f},
                 {Filter::LowShelf, 0.25f, 1e-3f},
                 {Filter::HighShelf, 1.0f, 1e-3f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(settledValue(Running(c.type, 500.0f, 1.0f), 1.0f), c.settled, c.tolerance)
            << "type " << c.type;
    }
}

TEST(Filter, CutoffAndQAreClampedAtTheirLimits) {
    // Just outside a limit sounds as the limit itself; just inside does not.
    const struct {
        float cutoff, q, limitCutoff, limitQ;
        bool same;
    } cases[] = {{20.0f, 1.0f, 50.0f, 1.0f, true},         {49.9f, 1.0f, 50.0f, 1.0f, true},
                 {50.1f, 1.0f, 50.0f, 1.0f, false},        {10000.1f, 1.0f, 10000.0f, 1.0f, true},
                 {9999.9f, 1.0f, 10000.0f, 1.0f, false},   {1000.0f, 0.0f, 1000.0f, 1.0f, true},
                 {1000.0f, 0.99f, 1000.0f, 1.0f, true},    {1000.0f, 1.01f, 1000.0f, 1.0f, false},
                 {1000.0f, 200.0f, 1000.0f, 128.0f, true}, {1000.0f, 128.1f, 1000.0f, 128.0f, true},
                 {1000.0f, 127.9f, 1000.0f, 128.0f, false}};
    for (int type : {1, 2, 3, 4, 7}) {
        for (const auto& c : cases) {
            EXPECT_EQ(response(Running(type, c.cutoff, c.q), 3000) ==
                          response(Running(type, c.limitCutoff, c.limitQ), 3000),
                      c.same)
                << "type " << type << " cutoff " << c.cutoff << " q " << c.q;
        }
    }
}

TEST(Filter, ModulatedCutoffIsClampedToo) {
    const Envelope on{0.0f, 0.0f, 1.0f, 0.0f};
    Running doubled(Filter::LowPass, 10000.0f, 1.0f);
    doubled.filter.cutoffMods.addEnvelope(&on, 1.0f, 0.0f); // 20000 Hz
    EXPECT_EQ(response(doubled, 3000), response(Running(Filter::LowPass, 10000.0f, 1.0f), 3000));

    Running halved(Filter::HighPass, 2000.0f, 1.0f);
    halved.filter.cutoffMods.addEnvelope(&on, -0.5f, 0.0f); // 1000 Hz
    EXPECT_NEAR(gainAt(halved, 1000.0f), 1.0f, 0.03f);
    EXPECT_LT(gainAt(halved, 250.0f), 0.1f);
}

TEST(Filter, KeyTrackingMovesTheCentreWithTheNote) {
    Running f(Filter::BandPass, 2515.46f, 8.0f);
    f.filter.keyTracking = 50.0f;
    // Note 12 puts the centre at 2515.46 + 600 Hz.
    EXPECT_FLOAT_EQ(f.filter.noteCutoff(12.0f), 3115.46f);
    EXPECT_NEAR(gainAt(f, 3115.46f, 12.0f), 1.0f, 0.02f);
    EXPECT_LT(gainAt(f, 2515.46f, 12.0f), 0.3f);
    EXPECT_NEAR(gainAt(f, 2515.46f, 0.0f), 1.0f, 0.02f);
}

TEST(Filter, ChangingTheTypeRecomputesTheCoefficients) {
    // A fixed cutoff, and one modulated but held still: neither the state's
    // coefficients nor the filter's latest designs carry over to another type.
    const Envelope held{0.0f, 0.0f, 1.0f, 0.0f};
    for (const bool modulated : {false, true}) {
        Running f(Filter::LowPass, 1000.0f, 1.0f);
        if (modulated) {
            f.filter.cutoffMods.addEnvelope(&held, 0.0f, 0.0f);
        }
        for (int i = 0; i < 100; ++i) {
            f.process(1.0f, static_cast<float>(i) / rate);
        }
        f.filter.type = Filter::HighPass;
        EXPECT_LT(gainAt(f, 100.0f), 0.03f) << (modulated ? "modulated" : "fixed");
        f.filter.type = Filter::LowPass;
        EXPECT_NEAR(gainAt(f, 100.0f), 1.0f, 0.02f) << (modulated ? "modulated" : "fixed");
    }
}

TEST(Filter, ACopiedStateCarriesOnWhereTheOriginalIs) {
    // Notes start from the instrument's own state, history and coefficients
    // included, which pre-rendering may have moved on.
    Running a(Filter::BandPass, 800.0f, 3.0f);
    for (int i = 0; i < 500; ++i) {
        a.process(std::sin(0.3f * i), i / 22050.0f);
    }
    Running b(Filter::BandPass, 800.0f, 3.0f);
    b.state = a.state;
    for (int i = 500; i < 1500; ++i) {
        const float x = std::sin(0.3f * i);
        const float t = i / 22050.0f;
        ASSERT_EQ(a.process(x, t), b.process(x, t));
    }
}
