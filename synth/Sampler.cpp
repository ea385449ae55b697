#include "synth/Sampler.h"

#include "synth/SampleRate.h"

void Sampler::render(const float* t, int count, float* x) const {
    // Reading i and i + 1 needs i + 1 < length, i.e. p < length - 1. Negative
    // or NaN times read nothing rather than converting to a huge index.
    const float last = static_cast<float>(buffer.size()) - 1.0f;
    const float* b = buffer.data();
    for (int n = 0; n < count; ++n) {
        const float p = t[n] * static_cast<float>(SampleRate);
        float v = 0.0f;
        if (p >= 0.0f && p < last) {
            const auto i = static_cast<unsigned>(p);
            const float f = p - static_cast<float>(i);
            v = b[i] * (1.0f - f) + b[i + 1] * f;
        }
        x[n] = x[n] + v;
    }
}
