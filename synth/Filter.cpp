#include "synth/Filter.h"

#include "synth/Block.h"

#include <cmath>

namespace {

struct Coefficients {
    float b0, b1, b2, a1, a2;
};

Coefficients coefficientsOf(const FilterState& s) {
    return {s.b0, s.b1, s.b2, s.a1, s.a2};
}

// The top first, then the bottom; a NaN passes both.
float clamp(float v, float low, float high) {
    if (v > high) {
        v = high;
    }
    if (v < low) {
        v = low;
    }
    return v;
}

// The coefficients of a type for a clamped cutoff and q, from those in effect
// before: coefficients a type does not set keep their old values; it never
// reads them.
template <int type> Coefficients design(Coefficients k, float fc, float q, float sampleRate) {
    const float w = fc * 6.2831855f / sampleRate;
    const float c = std::cos(w);
    const float s = std::sin(w);
    const float alpha = s / (2.0f * q);
    switch (type) {
    case Filter::PassThrough:
        k.b0 = 1.0f;
        break;
    case Filter::LowPass: {
        const float n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b1 = (1.0f - c) * n;
        k.b0 = k.b1 / 2.0f;
        break;
    }
    case Filter::HighPass: {
        const float n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b1 = -((1.0f + c) * n);
        k.b0 = -k.b1 / 2.0f;
        break;
    }
    case Filter::BandPass: {
        const float n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b0 = alpha * n;
        break;
    }
    case Filter::Notch: {
        const float n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b0 = n;
        k.b1 = k.a1;
        break;
    }
    case Filter::LowShelf: {
        // Shelf gain factor 0.5; the slope term is s itself, so q has no effect.
        const float n = 1.0f / (1.5f - 0.5f * c + s);
        k.a1 = -2.0f * (1.5f * c - 0.5f) * n;
        k.a2 = (1.5f - 0.5f * c - s) * n;
        k.b0 = 0.5f * (1.5f + 0.5f * c + s) * n;
        k.b1 = (-0.5f - 1.5f * c) * n;
        k.b2 = 0.5f * (1.5f + 0.5f * c - s) * n;
        break;
    }
    case Filter::HighShelf: {
        const float n = 1.0f / (1.5f + 0.5f * c + s);
        k.a1 = 2.0f * (-0.5f - 1.5f * c) * n;
        k.a2 = (1.5f + 0.5f * c - s) * n;
        k.b0 = 0.5f * (1.5f - 0.5f * c + s) * n;
        k.b1 = (0.5f - 1.5f * c) * n;
        k.b2 = 0.5f * (1.5f - 0.5f * c - s) * n;
        break;
    }
    case Filter::PeakingCut: {
        const float n = 1.0f / (1.0f + 2.0f * alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - 2.0f * alpha) * n;
        k.b0 = (1.0f + alpha / 2.0f) * n;
        k.b2 = (1.0f - alpha / 2.0f) * n;
        break;
    }
    default:
        break;
    }
    return k;
}

// The difference equation of each type.
template <int type>
float output(const Coefficients& c, float x, float x1, float x2, float y1, float y2) {
    switch (type) {
    case Filter::PassThrough:
        return c.b0 * x;
    case Filter::LowPass:
    case Filter::HighPass:
    case Filter::Notch:
        return c.b0 * (x + x2) + c.b1 * x1 - c.a1 * y1 - c.a2 * y2;
    case Filter::BandPass:
        return c.b0 * x - c.b0 * x2 - c.a1 * y1 - c.a2 * y2;
    case Filter::LowShelf:
    case Filter::HighShelf:
        return c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    case Filter::PeakingCut:
        return c.b0 * x + c.a1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    default:
        // Unknown types pass the input through.
        return x;
    }
}

// The recursion over a block with the history in registers; coefficients(n)
// gives the coefficients in effect at sample n.
template <int type, typename CoefficientsAt>
void recurse(FilterState& s, int count, float* x, CoefficientsAt coefficients) {
    float x1 = s.x1, x2 = s.x2, y1 = s.y1, y2 = s.y2;
    for (int n = 0; n < count; ++n) {
        const float in = x[n];
        const float y = output<type>(coefficients(n), in, x1, x2, y1, y2);
        y2 = y1;
        y1 = y;
        x2 = x1;
        x1 = in;
        x[n] = y;
    }
    s.x1 = x1;
    s.x2 = x2;
    s.y1 = y1;
    s.y2 = y2;
}

// One block of a filter of a given type. The cutoff is clamped, and the
// coefficients are designed again only when the clamped cutoff, q or type
// differ from those they were made for.
template <int type>
void processType(const Filter& f, FilterState& s, float noteCutoff, const float* t, int count,
                 float duration, float start, float* x) {
    // An unmodulated cutoff holds for the whole note: one design at most, and
    // the recursion runs on constants. A modulated one is worked out for the
    // whole block first, so the sines and divisions do not wait on the recursion.
    const bool modulated = f.cutoffMods.used != 0;
    float fc[MaxBlockSamples];
    fc[0] = noteCutoff;
    int designs = 1;
    if (modulated) {
        for (int n = 0; n < count; ++n) {
            fc[n] = noteCutoff;
        }
        f.cutoffMods.apply(fc, t, count, duration, start);
        designs = count;
    }

    const float q = clamp(f.q, 1.0f, 128.0f);
    const auto rate = static_cast<float>(f.sampleRate);
    Coefficients k = coefficientsOf(s);
    Coefficients ks[MaxBlockSamples];
    for (int n = 0; n < designs; ++n) {
        const float clamped = clamp(fc[n], 50.0f, 10000.0f);
        if (clamped != s.cachedCutoff || q != s.cachedQ || type != s.cachedType ||
            s.cachedGain != 1.0f) {
            s.cachedCutoff = clamped;
            s.cachedQ = q;
            s.cachedGain = 1.0f;
            s.cachedType = type;
            k = design<type>(k, clamped, q, rate);
        }
        ks[n] = k;
    }

    if (modulated) {
        recurse<type>(s, count, x, [&ks](int n) { return ks[n]; });
    } else {
        recurse<type>(s, count, x, [k](int) { return k; });
    }
    s.b0 = k.b0;
    s.b1 = k.b1;
    s.b2 = k.b2;
    s.a1 = k.a1;
    s.a2 = k.a2;
}

} // namespace

Filter::Filter(int sampleRate, int type, float cutoff, float q)
    : q(q), type(type), cutoff(cutoff), sampleRate(sampleRate) {}

void Filter::process(FilterState& state, float noteCutoff, const float* t, int count,
                     float duration, float start, float* x) const {
    switch (type) {
    case PassThrough:
        return processType<PassThrough>(*this, state, noteCutoff, t, count, duration, start, x);
    case LowPass:
        return processType<LowPass>(*this, state, noteCutoff, t, count, duration, start, x);
    case HighPass:
        return processType<HighPass>(*this, state, noteCutoff, t, count, duration, start, x);
    case BandPass:
        return processType<BandPass>(*this, state, noteCutoff, t, count, duration, start, x);
    case Notch:
        return processType<Notch>(*this, state, noteCutoff, t, count, duration, start, x);
    case LowShelf:
        return processType<LowShelf>(*this, state, noteCutoff, t, count, duration, start, x);
    case HighShelf:
        return processType<HighShelf>(*this, state, noteCutoff, t, count, duration, start, x);
    case PeakingCut:
        return processType<PeakingCut>(*this, state, noteCutoff, t, count, duration, start, x);
    default:
        return processType<-1>(*this, state, noteCutoff, t, count, duration, start, x);
    }
}
