#include "synth/Filter.h"

#include "synth/Block.h"
#include "synth/Dispatch.h"
#include "synth/Lanes.h"
#include "synth/RenderContext.h"
#include "synth/SampleRate.h"
#include "synth/SineCosine.h"

#include <algorithm>
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
template <typename T> T clamp(T v, float low, float high) {
    v = Select(v > high, Splat(v, high), v);
    return Select(v < low, Splat(v, low), v);
}

int anyOf(bool v) {
    return v ? 1 : 0;
}
int anyOf(FourInts v) {
    return (v[0] | v[1] | v[2] | v[3]) != 0 ? 1 : 0;
}

// The angular frequency of a clamped cutoff, per sample.
template <typename T> T omega(T fc) {
    return fc * 6.2831855f / static_cast<float>(SampleRate);
}

#if defined(__GNUC__)
struct FourCoefficients {
    FourFloats b0, b1, b2, a1, a2;
};
#endif

// The coefficients of a type for the cosine c and sine s of a clamped
// cutoff's omega and a clamped q, from those in effect before: coefficients
// a type does not set keep their old values; it never reads them. K holds
// floats or the lanes of several designs.
template <int type, typename K, typename T> void design(K& k, T c, T s, float q) {
    const T alpha = s / (2.0f * q);
    switch (type) {
    case Filter::PassThrough:
        k.b0 = Splat(c, 1.0f);
        break;
    case Filter::LowPass: {
        const T n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b1 = (1.0f - c) * n;
        k.b0 = k.b1 / 2.0f;
        break;
    }
    case Filter::HighPass: {
        const T n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b1 = -((1.0f + c) * n);
        k.b0 = -k.b1 / 2.0f;
        break;
    }
    case Filter::BandPass: {
        const T n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b0 = alpha * n;
        break;
    }
    case Filter::Notch: {
        const T n = 1.0f / (1.0f + alpha);
        k.a1 = -2.0f * c * n;
        k.a2 = (1.0f - alpha) * n;
        k.b0 = n;
        k.b1 = k.a1;
        break;
    }
    case Filter::LowShelf: {
        // Shelf gain factor 0.5; the slope term is s itself, so q has no effect.
        const T n = 1.0f / (1.5f - 0.5f * c + s);
        k.a1 = -2.0f * (1.5f * c - 0.5f) * n;
        k.a2 = (1.5f - 0.5f * c - s) * n;
        k.b0 = 0.5f * (1.5f + 0.5f * c + s) * n;
        k.b1 = (-0.5f - 1.5f * c) * n;
        k.b2 = 0.5f * (1.5f + 0.5f * c - s) * n;
        break;
    }
    case Filter::HighShelf: {
        const T n = 1.0f / (1.5f + 0.5f * c + s);
        k.a1 = 2.0f * (-0.5f - 1.5f * c) * n;
        k.a2 = (1.5f + 0.5f * c - s) * n;
        k.b0 = 0.5f * (1.5f - 0.5f * c + s) * n;
        k.b1 = (0.5f - 1.5f * c) * n;
        k.b2 = 0.5f * (1.5f - 0.5f * c - s) * n;
        break;
    }
    case Filter::PeakingCut: {
        const T n = 1.0f / (1.0f + 2.0f * alpha);
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

// The designs of count clamped cutoffs at one q into out, four at a time
// where the sines and cosines are. The coefficients a type does not set are
// 0, as in every state a note of it starts from.
template <int type> void designAll(const float* cutoffs, int count, float q, Coefficients* out) {
    float w[MaxBlockSamples];
    float sines[MaxBlockSamples];
    float cosines[MaxBlockSamples];
    InFours(count, [&](auto lanes, int n) { Store(w + n, omega(Load(lanes, cutoffs + n))); });
    SinesAndCosines(w, count, sines, cosines);
    int n = 0;
#if defined(__GNUC__)
    for (; n + 4 <= count; n += 4) {
        FourCoefficients k{};
        design<type>(k, Load(FourFloats{}, cosines + n), Load(FourFloats{}, sines + n), q);
        for (int l = 0; l < 4; ++l) {
            out[n + l] = {k.b0[l], k.b1[l], k.b2[l], k.a1[l], k.a2[l]};
        }
    }
#endif
    for (; n < count; ++n) {
        Coefficients k{};
        design<type>(k, cosines[n], sines[n], q);
        out[n] = k;
    }
}

// The difference equation of each form.
// T is a float, or a vector of floats whose lanes each take the same steps.
template <FilterForm form, typename C, typename T>
T output(const C& c, T x, T x1, T x2, T y1, T y2) {
    switch (form) {
    case FilterForm::Gain:
        return c.b0 * x;
    case FilterForm::Symmetric:
        return c.b0 * (x + x2) + c.b1 * x1 - c.a1 * y1 - c.a2 * y2;
    case FilterForm::BandPass:
        return c.b0 * x - c.b0 * x2 - c.a1 * y1 - c.a2 * y2;
    case FilterForm::Shelf:
        return c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    case FilterForm::Peaking:
        return c.b0 * x + c.a1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    case FilterForm::Identity:
        break;
    }
    // Unknown types pass the input through.
    return x;
}

#if defined(__GNUC__)
// Four recursions in the lanes of each of groups vector registers, filtering
// 4 x groups separate buffers; two groups fill each other's wait.
template <FilterForm form, int groups> void recurseFours(const FilterLane* lane, int count) {
    constexpr int lanes = 4 * groups;
    const Coefficients* c[lanes];
    int stride[lanes];
    float* x[lanes];
    FourFloats x1[groups], x2[groups], y1[groups], y2[groups];
#pragma GCC unroll 8
    for (int l = 0; l < lanes; ++l) {
        c[l] = lane[l].coefficients;
        stride[l] = lane[l].stride;
        x[l] = lane[l].x;
        const FilterState& s = *lane[l].state;
        x1[l / 4][l % 4] = s.x1;
        x2[l / 4][l % 4] = s.x2;
        y1[l / 4][l % 4] = s.y1;
        y2[l / 4][l % 4] = s.y2;
    }
    for (int n = 0; n < count; ++n) {
#pragma GCC unroll 2
        for (int g = 0; g < groups; ++g) {
            const Coefficients& k0 = c[4 * g][n * stride[4 * g]];
            const Coefficients& k1 = c[4 * g + 1][n * stride[4 * g + 1]];
            const Coefficients& k2 = c[4 * g + 2][n * stride[4 * g + 2]];
            const Coefficients& k3 = c[4 * g + 3][n * stride[4 * g + 3]];
            const FourCoefficients k{{k0.b0, k1.b0, k2.b0, k3.b0},
                                     {k0.b1, k1.b1, k2.b1, k3.b1},
                                     {k0.b2, k1.b2, k2.b2, k3.b2},
                                     {k0.a1, k1.a1, k2.a1, k3.a1},
                                     {k0.a2, k1.a2, k2.a2, k3.a2}};
            const FourFloats in{x[4 * g][n], x[4 * g + 1][n], x[4 * g + 2][n], x[4 * g + 3][n]};
            const FourFloats y = output<form>(k, in, x1[g], x2[g], y1[g], y2[g]);
            y2[g] = y1[g];
            y1[g] = y;
            x2[g] = x1[g];
            x1[g] = in;
#pragma GCC unroll 4
            for (int l = 0; l < 4; ++l) {
                x[4 * g + l][n] = y[l];
            }
        }
    }
#pragma GCC unroll 8
    for (int l = 0; l < lanes; ++l) {
        FilterState& s = *lane[l].state;
        s.x1 = x1[l / 4][l % 4];
        s.x2 = x2[l / 4][l % 4];
        s.y1 = y1[l / 4][l % 4];
        s.y2 = y2[l / 4][l % 4];
    }
}
#endif

// The recursions of lanes lanes over a block with their histories in
// registers. Each sample of a recursion waits on the one before; lanes side
// by side fill that wait with each other's work. The lane loops unroll at
// any optimisation level, so each lane's history stays in registers.
template <FilterForm form, int lanes> void recurseLanes(const FilterLane* lane, int count) {
#if defined(__GNUC__)
    if constexpr (lanes % 4 == 0) {
        recurseFours<form, lanes / 4>(lane, count);
        return;
    }
#endif
    float x1[lanes], x2[lanes], y1[lanes], y2[lanes];
    // Copied out of the lanes: the stores to the samples cannot reach them.
    const Coefficients* coefficients[lanes];
    int stride[lanes];
    float* x[lanes];
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        coefficients[l] = lane[l].coefficients;
        stride[l] = lane[l].stride;
        x[l] = lane[l].x;
        const FilterState& s = *lane[l].state;
        x1[l] = s.x1;
        x2[l] = s.x2;
        y1[l] = s.y1;
        y2[l] = s.y2;
    }
    for (int n = 0; n < count; ++n) {
#pragma GCC unroll 4
        for (int l = 0; l < lanes; ++l) {
            const float in = x[l][n];
            const float y =
                output<form>(coefficients[l][n * stride[l]], in, x1[l], x2[l], y1[l], y2[l]);
            y2[l] = y1[l];
            y1[l] = y;
            x2[l] = x1[l];
            x1[l] = in;
            x[l][n] = y;
        }
    }
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        FilterState& s = *lane[l].state;
        s.x1 = x1[l];
        s.x2 = x2[l];
        s.y1 = y1[l];
        s.y2 = y2[l];
    }
}

// One block's coefficients of a filter of a given type. The cutoff is
// clamped, and the coefficients are designed again only when the clamped
// cutoff, q or type differ from those they were made for.
template <int type>
int designType(const Filter& filter, FilterState& s, FilterDesigns& d, RenderContext& context,
               float noteCutoff, const float* t, int count, float duration, float start,
               Coefficients* out) {
    const float q = clamp(filter.q, 1.0f, 128.0f);
    Coefficients k = s.coefficients;
    if (filter.cutoffMods.modulators.empty()) {
        // The cutoff holds for the whole note: one design at most, and the
        // recursion runs on constants.
        const float fc = clamp(noteCutoff, 50.0f, 10000.0f);
        if (settle(s, fc, q, type)) {
            const float w = omega(fc);
            design<type>(k, std::cos(w), std::sin(w), q);
        }
        s.coefficients = k;
        out[0] = k;
        return 0;
    }
    if (count <= 0) { // no block to design for: the coefficients hold
        out[0] = k;
        return 0;
    }

    // A modulated cutoff is worked out for the whole block first. A design
    // is a function of the clamped cutoff alone (q and type being the
    // filter's), so a block held at the cutoff last designed keeps its
    // coefficients, a block whose cutoffs all match the last block designed
    // takes that block's designs, and any other block is designed sample by
    // sample, in lanes, so that the sines and divisions do not wait on each
    // other.
    float fc[MaxBlockSamples];
    for (int n = 0; n < count; ++n) {
        fc[n] = noteCutoff;
    }
    filter.cutoffMods.apply(context, fc, t, count, duration, start);
    const float last = s.designedCutoff;
    int changed = 0;
    InFours(count, [&](auto lanes, int n) {
        const auto clamped = clamp(Load(lanes, fc + n), 50.0f, 10000.0f);
        Store(fc + n, clamped);
        changed |= anyOf(clamped != last);
    });
    if (s.designed && s.designedQ == q && s.designedType == type && changed == 0) {
        out[0] = k;
        return 0;
    }
    bool remembered = d.q == q && d.type == type && count <= d.count;
    for (int n = 0; remembered && n < count; ++n) {
        remembered = fc[n] == d.cutoffs[n];
    }
    if (remembered) {
        std::copy(d.coefficients.begin(), d.coefficients.begin() + count, out);
    } else {
        designAll<type>(fc, count, q, out);
        std::copy(fc, fc + count, d.cutoffs.begin());
        std::copy(out, out + count, d.coefficients.begin());
        d.count = count;
        d.q = q;
        d.type = type;
    }
    settle(s, fc[count - 1], q, type);
    s.coefficients = out[count - 1];
    return 1;
}

} // namespace

FilterForm Filter::form() const {
    switch (type) {
    case PassThrough:
        return FilterForm::Gain;
    case LowPass:
    case HighPass:
    case Notch:
        return FilterForm::Symmetric;
    case BandPass:
        return FilterForm::BandPass;
    case LowShelf:
    case HighShelf:
        return FilterForm::Shelf;
    case PeakingCut:
        return FilterForm::Peaking;
    default:
        return FilterForm::Identity;
    }
}

int Filter::design(FilterState& state, RenderContext& context, float noteCutoff, const float* t,
                   int count, float duration, float start, FilterCoefficients* out) const {
    int stride = 0;
    // Types outside the table pass their input through.
    dispatch<int, PassThrough, LowPass, HighPass, BandPass, Notch, LowShelf, HighShelf, PeakingCut,
             -1>(type, [&](auto kind) {
        stride = designType<kind()>(*this, state, context.filterDesigns(memo), context, noteCutoff,
                                    t, count, duration, start, out);
    });
    return stride;
}

void Filter::recurse(FilterForm form, const FilterLane* lanes, int laneCount, int count) {
    dispatch<FilterForm, FilterForm::Gain, FilterForm::Symmetric, FilterForm::BandPass,
             FilterForm::Shelf, FilterForm::Peaking, FilterForm::Identity>(form, [&](auto f) {
        if (laneCount > 4) {
            // Up to eight, the missing ones filtering silence of their own.
            FilterLane all[MaxLanes];
            FilterState spare[MaxLanes];
            const FilterCoefficients none{};
            float silence[MaxLanes][MaxBlockSamples];
            for (int l = 0; l < MaxLanes; ++l) {
                if (l < laneCount) {
                    all[l] = lanes[l];
                } else {
                    std::fill(silence[l], silence[l] + count, 0.0f);
                    all[l] = {&spare[l], &none, 0, silence[l]};
                }
            }
            recurseLanes<f(), MaxLanes>(all, count);
            return;
        }
        dispatch<int, 1, 2, 3, 4>(laneCount, [&](auto n) { recurseLanes<f(), n()>(lanes, count); });
    });
}

void Filter::process(FilterState& state, RenderContext& context, float noteCutoff, const float* t,
                     int count, float duration, float start, float* x) const {
    FilterCoefficients coefficients[MaxBlockSamples];
    const FilterLane lane{
        &state, coefficients,
        design(state, context, noteCutoff, t, count, duration, start, coefficients), x};
    recurse(form(), &lane, 1, count);
}
