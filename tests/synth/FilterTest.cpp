#include "synth/Filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int rate = 22050;

Filter makeFilter(int type, float cutoff, float q) {
    return Filter(rate, type, cutoff, q);
}

// Amplitude of the filter's answer to a unit sine, after the transient has settled.
float gainAt(Filter f, float hz, float note = 0.0f) {
    const int settle = rate / 2;
    const int measure = rate / 2;
    double sumIn = 0.0, sumOut = 0.0;
    for (int i = 0; i < settle + measure; ++i) {
        const float t = static_cast<float>(i) / rate;
        const float x = std::sin(6.2831855f * hz * static_cast<float>(i) / rate);
        const float y = f.process(x, t, 1010.0f, 0.0f, note);
        if (i >= settle) {
            sumIn += static_cast<double>(x) * x;
            sumOut += static_cast<double>(y) * y;
        }
    }
    return static_cast<float>(std::sqrt(sumOut / sumIn));
}

float settledValue(Filter f, float input) {
    float y = 0.0f;
    for (int i = 0; i < rate; ++i) {
        y = f.process(input, static_cast<float>(i) / rate, 1010.0f, 0.0f, 0.0f);
    }
    return y;
}

std::vector<float> response(Filter f, int n) {
    std::vector<float> out;
    unsigned state = 12345;
    for (int i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
        out.push_back(f.process(x, static_cast<float>(i) / rate, 1010.0f, 0.0f, 0.0f));
    }
    return out;
}

} // namespace

TEST(Filter, PassThroughReturnsItsInputUnchanged) {
    Filter f = makeFilter(Filter::PassThrough, 1000.0f, 1.0f);
    for (float x : {0.0f, 0.3f, -0.77f, 1.0f, 1e-3f}) {
        EXPECT_EQ(f.process(x, 0.1f, 1.0f, 0.0f, 0.0f), x);
    }
}

TEST(Filter, LowPassPassesLowCutsHigh) {
    const Filter f = makeFilter(Filter::LowPass, 1000.0f, 1.0f);
    EXPECT_NEAR(gainAt(f, 100.0f), 1.0f, 0.02f);
    EXPECT_NEAR(gainAt(f, 1000.0f), 1.0f, 0.03f); // q 1: unity at the cutoff
    EXPECT_LT(gainAt(f, 5000.0f), 0.05f);
    EXPECT_NEAR(gainAt(makeFilter(Filter::LowPass, 1000.0f, 4.0f), 1000.0f), 4.0f, 0.1f);
}

TEST(Filter, HighPassCutsLowPassesHigh) {
    const Filter f = makeFilter(Filter::HighPass, 1000.0f, 1.0f);
    EXPECT_LT(gainAt(f, 150.0f), 0.03f);
    EXPECT_NEAR(gainAt(f, 1000.0f), 1.0f, 0.03f);
    EXPECT_NEAR(gainAt(f, 6000.0f), 1.0f, 0.03f);
}

TEST(Filter, BandPassIsUnityAtTheCentreOnly) {
    const Filter f = makeFilter(Filter::BandPass, 1000.0f, 4.0f);
    EXPECT_NEAR(gainAt(f, 1000.0f), 1.0f, 0.02f);
    EXPECT_LT(gainAt(f, 300.0f), 0.15f);
    EXPECT_LT(gainAt(f, 4000.0f), 0.15f);
}

TEST(Filter, NotchNullsTheCentre) {
    const Filter f = makeFilter(Filter::Notch, 1000.0f, 1.0f);
    EXPECT_LT(gainAt(f, 1000.0f), 0.01f);
    EXPECT_NEAR(gainAt(f, 60.0f), 1.0f, 0.02f);
    EXPECT_NEAR(gainAt(f, 9000.0f), 1.0f, 0.05f);
}

TEST(Filter, ShelvesAndPeakingCutScaleByAQuarter) {
    // About -12 dB on the shelf side or at the centre, unity elsewhere.
    const Filter low = makeFilter(Filter::LowShelf, 1000.0f, 1.0f);
    EXPECT_NEAR(gainAt(low, 40.0f), 0.25f, 0.01f);
    EXPECT_NEAR(gainAt(low, 1000.0f), 0.5f, 0.02f);
    EXPECT_NEAR(gainAt(low, 10000.0f), 1.0f, 0.02f);

    const Filter high = makeFilter(Filter::HighShelf, 1000.0f, 1.0f);
    EXPECT_NEAR(gainAt(high, 40.0f), 1.0f, 0.01f);
    EXPECT_NEAR(gainAt(high, 1000.0f), 0.5f, 0.02f);
    EXPECT_NEAR(gainAt(high, 10000.0f), 0.25f, 0.02f);

    const Filter peak = makeFilter(Filter::PeakingCut, 1000.0f, 2.0f);
    EXPECT_NEAR(gainAt(peak, 1000.0f), 0.25f, 0.01f);
    EXPECT_NEAR(gainAt(peak, 50.0f), 1.0f, 0.02f);
    EXPECT_NEAR(gainAt(peak, 9000.0f), 1.0f, 0.03f);
}

TEST(Filter, ShelvesIgnoreQ) {
    EXPECT_EQ(response(makeFilter(Filter::LowShelf, 700.0f, 1.0f), 2000),
              response(makeFilter(Filter::LowShelf, 700.0f, 9.0f), 2000));
    EXPECT_EQ(response(makeFilter(Filter::HighShelf, 700.0f, 1.0f), 2000),
              response(makeFilter(Filter::HighShelf, 700.0f, 50.0f), 2000));
}

TEST(Filter, ConstantInputSettles) {
    EXPECT_NEAR(settledValue(makeFilter(Filter::LowPass, 500.0f, 1.0f), 1.0f), 1.0f, 1e-4f);
    EXPECT_NEAR(settledValue(makeFilter(Filter::HighPass, 500.0f, 1.0f), 1.0f), 0.0f, 1e-4f);
    EXPECT_NEAR(settledValue(makeFilter(Filter::BandPass, 500.0f, 1.0f), 1.0f), 0.0f, 1e-4f);
    EXPECT_NEAR(settledValue(makeFilter(Filter::LowShelf, 500.0f, 1.0f), 1.0f), 0.25f, 1e-3f);
    EXPECT_NEAR(settledValue(makeFilter(Filter::HighShelf, 500.0f, 1.0f), 1.0f), 1.0f, 1e-3f);
}

TEST(Filter, CutoffAndQAreClamped) {
    for (int type : {1, 2, 3, 4, 7}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(response(makeFilter(type, 20.0f, 0.0f), 3000),
                  response(makeFilter(type, 50.0f, 1.0f), 3000));
        EXPECT_EQ(response(makeFilter(type, 20000.0f, 200.0f), 3000),
                  response(makeFilter(type, 10000.0f, 128.0f), 3000));
    }
    Filter f = makeFilter(Filter::LowPass, 1000.0f, 0.0f);
    f.process(0.5f, 0.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(f.q, 1.0f);
    f.q = 500.0f;
    f.process(0.5f, 0.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(f.q, 128.0f);
}

TEST(Filter, ModulatedCutoffIsClampedToo) {
    Envelope on{0.0f, 0.0f, 1.0f, 0.0f};
    Filter doubled = makeFilter(Filter::LowPass, 10000.0f, 1.0f);
    doubled.cutoffMods.addEnvelope(&on, 1.0f, 0.0f); // 20000 Hz
    EXPECT_EQ(response(doubled, 3000), response(makeFilter(Filter::LowPass, 10000.0f, 1.0f), 3000));

    Filter halved = makeFilter(Filter::HighPass, 2000.0f, 1.0f);
    halved.cutoffMods.addEnvelope(&on, -0.5f, 0.0f); // 1000 Hz
    EXPECT_NEAR(gainAt(halved, 1000.0f), 1.0f, 0.03f);
    EXPECT_LT(gainAt(halved, 250.0f), 0.1f);
}

TEST(Filter, KeyTrackingMovesTheCentreWithTheNote) {
    Filter f = makeFilter(Filter::BandPass, 2515.46f, 8.0f);
    f.keyTracking = 50.0f;
    // Note 12 puts the centre at 2515.46 + 600 Hz.
    EXPECT_NEAR(gainAt(f, 3115.46f, 12.0f), 1.0f, 0.02f);
    EXPECT_LT(gainAt(f, 2515.46f, 12.0f), 0.3f);
    EXPECT_NEAR(gainAt(f, 2515.46f, 0.0f), 1.0f, 0.02f);
}

TEST(Filter, ChangingTheTypeRecomputesTheCoefficients) {
    Filter f = makeFilter(Filter::LowPass, 1000.0f, 1.0f);
    settledValue(f, 1.0f);
    f.type = Filter::HighPass;
    EXPECT_LT(gainAt(f, 100.0f), 0.03f);
    f.type = Filter::LowPass;
    EXPECT_NEAR(gainAt(f, 100.0f), 1.0f, 0.02f);
}

TEST(Filter, CopyTakesOverHistoryAndModulators) {
    Lfo wobble{waveSine, 2.0f, 0.0f, 1};
    Filter a = makeFilter(Filter::BandPass, 800.0f, 3.0f);
    a.cutoffMods.addLfo(&wobble, 0.5f, 1.0f);
    for (int i = 0; i < 500; ++i) {
        a.process(std::sin(0.3f * i), i / 22050.0f, 1010.0f, 0.0f, 0.0f);
    }
    Filter b;
    b.copyFrom(a);
    EXPECT_EQ(b.cutoffMods.entries[0].lfo, &wobble);
    for (int i = 500; i < 1500; ++i) {
        const float x = std::sin(0.3f * i);
        const float t = i / 22050.0f;
        ASSERT_EQ(a.process(x, t, 1010.0f, 0.0f, 0.0f), b.process(x, t, 1010.0f, 0.0f, 0.0f));
    }
}
