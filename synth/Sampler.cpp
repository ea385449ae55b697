#include "synth/Sampler.h"

#include "synth/Block.h"
#include "synth/Instrument.h"

void Sampler::render(const float* t, int count, float* x) const {
    // Reading i and i + 1 needs i + 1 < length, i.e. p < length - 1. Negative
    // or NaN times read nothing rather than converting to a huge index.
    const float last = static_cast<float>(buffer.size()) - 1.0f;
    const float* b = buffer.data();
    for (int n = 0; n < count; ++n) {
        const float p = t[n] * 22050.0f;
        float v = 0.0f;
        if (p >= 0.0f && p < last) {
            const auto i = static_cast<unsigned>(p);
            const float f = p - static_cast<float>(i);
            v = b[i] * (1.0f - f) + b[i + 1] * f;
        }
        x[n] = x[n] + v;
    }
}

void Sampler::prerender() {
    buffer.clear();
    if (source == nullptr || duration == 0.0f || note == 0 || source->ampEnvelope == nullptr) {
        return;
    }
    const float length = source->ampEnvelope->release + duration;
    const NoteConstants constants = source->noteConstants(note);
    // Time accumulates in single precision, which sets the buffer length.
    float times[MaxBlockSamples];
    float out[MaxBlockSamples];
    float t = 0.0f;
    while (t < length) {
        int count = 0;
        for (; count < MaxBlockSamples && t < length; ++count) {
            times[count] = t;
            t = t + 4.5351473e-05f;
        }
        source->render(source->state, constants, times, count, duration, 0.0f, out);
        for (int n = 0; n < count; ++n) {
            buffer.push_back(out[n] * gain);
        }
    }
}
