#include "synth/Filter.h"

#include <cmath>

Filter::Filter(int sampleRate, int type, float cutoff, float q)
    : q(q), type(type), cutoff(cutoff), sampleRate(sampleRate) {}

void Filter::computeCoefficients(float fc) {
    const float w = fc * 6.2831855f / static_cast<float>(sampleRate);
    const float c = std::cos(w);
    const float s = std::sin(w);
    const float alpha = s / (2.0f * q);
    // Coefficients a type does not set keep their old values; it never reads them.
    switch (type) {
    case PassThrough:
        b0 = 1.0f;
        break;
    case LowPass: {
        const float n = 1.0f / (1.0f + alpha);
        a1 = -2.0f * c * n;
        a2 = (1.0f - alpha) * n;
        b1 = (1.0f - c) * n;
        b0 = b1 / 2.0f;
        break;
    }
    case HighPass: {
        const float n = 1.0f / (1.0f + alpha);
        a1 = -2.0f * c * n;
        a2 = (1.0f - alpha) * n;
        b1 = -((1.0f + c) * n);
        b0 = -b1 / 2.0f;
        break;
    }
    case BandPass: {
        const float n = 1.0f / (1.0f + alpha);
        a1 = -2.0f * c * n;
        a2 = (1.0f - alpha) * n;
        b0 = alpha * n;
        break;
    }
    case Notch: {
        const float n = 1.0f / (1.0f + alpha);
        a1 = -2.0f * c * n;
        a2 = (1.0f - alpha) * n;
        b0 = n;
        b1 = a1;
        break;
    }
    case LowShelf: {
        // Shelf gain factor 0.5; the slope term is s itself, so q has no effect.
        const float n = 1.0f / (1.5f - 0.5f * c + s);
        a1 = -2.0f * (1.5f * c - 0.5f) * n;
        a2 = (1.5f - 0.5f * c - s) * n;
        b0 = 0.5f * (1.5f + 0.5f * c + s) * n;
        b1 = (-0.5f - 1.5f * c) * n;
        b2 = 0.5f * (1.5f + 0.5f * c - s) * n;
        break;
    }
    case HighShelf: {
        const float n = 1.0f / (1.5f + 0.5f * c + s);
        a1 = 2.0f * (-0.5f - 1.5f * c) * n;
        a2 = (1.5f + 0.5f * c - s) * n;
        b0 = 0.5f * (1.5f - 0.5f * c + s) * n;
        b1 = (0.5f - 1.5f * c) * n;
        b2 = 0.5f * (1.5f - 0.5f * c - s) * n;
        break;
    }
    case PeakingCut: {
        const float n = 1.0f / (1.0f + 2.0f * alpha);
        a1 = -2.0f * c * n;
        a2 = (1.0f - 2.0f * alpha) * n;
        b0 = (1.0f + alpha / 2.0f) * n;
        b2 = (1.0f - alpha / 2.0f) * n;
        break;
    }
    default:
        break;
    }
}

float Filter::process(float x, float t, float duration, float start, float note) {
    float fc = cutoffMods.apply(keyTracking * note + cutoff, note, t, duration, start);
    if (fc > 10000.0f) {
        fc = 10000.0f;
    }
    if (fc < 50.0f) {
        fc = 50.0f;
    }
    if (q > 128.0f) {
        q = 128.0f;
    }
    if (q < 1.0f) {
        q = 1.0f;
    }
    if (fc != cachedCutoff || q != cachedQ || type != cachedType || cachedGain != 1.0f) {
        cachedCutoff = fc;
        cachedQ = q;
        cachedGain = 1.0f;
        cachedType = type;
        computeCoefficients(fc);
    }

    float y;
    switch (type) {
    case PassThrough:
        y = b0 * x;
        break;
    case LowPass:
    case HighPass:
    case Notch:
        y = b0 * (x + x2) + b1 * x1 - a1 * y1 - a2 * y2;
        break;
    case BandPass:
        y = b0 * x - b0 * x2 - a1 * y1 - a2 * y2;
        break;
    case LowShelf:
    case HighShelf:
        y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        break;
    case PeakingCut:
        y = b0 * x + a1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        break;
    default:
        // Unknown types pass the input through.
        y = x;
        break;
    }
    y2 = y1;
    y1 = y;
    x2 = x1;
    x1 = x;
    return y;
}

void Filter::copyFrom(const Filter& source) {
    q = source.q;
    type = source.type;
    cutoff = source.cutoff;
    keyTracking = source.keyTracking;
    cutoffMods.copyFrom(source.cutoffMods);
    x1 = source.x1;
    x2 = source.x2;
    y1 = source.y1;
    y2 = source.y2;
    b0 = source.b0;
    b1 = source.b1;
    b2 = source.b2;
    a1 = source.a1;
    a2 = source.a2;
    cachedCutoff = source.cachedCutoff;
    cachedQ = source.cachedQ;
    cachedGain = source.cachedGain;
    cachedType = source.cachedType;
    sampleRate = source.sampleRate;
}
