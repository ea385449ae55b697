#include "synth/Filter.h"

#include "synth/Block.h"
#include "synth/Dispatch.h"
#include "synth/RenderContext.h"
#include "synth/SampleRate.h"

#include <cmath>

namespace {

using Coefficients = FilterCoefficients;

// Whether the coefficients must be designed for a clamped cutoff, q and type:
// none are yet, or they were made for others. Records them if so.
bool settle(FilterState& s, float fc, float q, int type) {
    if (s.designed && fc == s.designedCutoff && q == s.designedQ && type == s.designedType) {
        return false;
    }
    s.designed = true;
    s.designedCutoff = fc;
    s.designedQ = q;
    s.designedType = type;
    return true;
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
template <int type> void design(Coefficients& k, float fc, float q) {
    const float w = fc * 6.2831855f / static_cast<float>(SampleRate);
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
void processType(const Filter& filter, FilterState& s, FilterDesigns& d, RenderContext& context,
                 float noteCutoff, const float* t, int count, float duration, float start,
                 float* x) {
    const float q = clamp(filter.q, 1.0f, 128.0f);
    Coefficients k = s.coefficients;
    if (filter.cutoffMods.modulators.empty()) {
        // The cutoff holds for the whole note: one design at most, and the
        // recursion runs on constants.
        const float fc = clamp(noteCutoff, 50.0f, 10000.0f);
        if (settle(s, fc, q, type)) {
            design<type>(k, fc, q);
        }
        recurse<type>(s, count, x, [k](int) { return k; });
        s.coefficients = k;
        return;
    }

    // A modulated cutoff is worked out for the whole block first, then its
    // coefficients, so that the sines and divisions do not wait on the
    // recursion. They go where the last block's designs were, and are taken
    // from there where the cutoff is the same.
    float fc[MaxBlockSamples];
    for (int n = 0; n < count; ++n) {
        fc[n] = noteCutoff;
    }
    filter.cutoffMods.apply(context, fc, t, count, duration, start);
    const int known = d.q == q && d.type == type ? d.count : 0;
    for (int n = 0; n < count; ++n) {
        const float clamped = clamp(fc[n], 50.0f, 10000.0f);
        if (settle(s, clamped, q, type)) {
            if (n < known && d.cutoffs[n] == clamped) {
                k = d.coefficients[n];
            } else {
                design<type>(k, clamped, q);
            }
        }
        d.cutoffs[n] = clamped;
        d.coefficients[n] = k;
    }
    d.count = count;
    d.q = q;
    d.type = type;
    recurse<type>(s, count, x, [&d](int n) { return d.coefficients[n]; });
    s.coefficients = k;
}

} // namespace

void Filter::process(FilterState& state, RenderContext& context, float noteCutoff, const float* t,
                     int count, float duration, float start, float* x) const {
    // Types outside the table pass their input through.
    dispatch<int, PassThrough, LowPass, HighPass, BandPass, Notch, LowShelf, HighShelf, PeakingCut,
             -1>(type, [&](auto kind) {
        processType<kind()>(*this, state, context.filterDesigns(memo), context, noteCutoff, t,
                            count, duration, start, x);
    });
}
