#include "synth/Sampler.h"

#include "synth/Instrument.h"

float Sampler::render(float t) const {
    const float p = t * 22050.0f;
    // Reading i and i + 1 needs i + 1 < length, i.e. p < length - 1. Negative
    // or NaN times read nothing rather than converting to a huge index.
    if (!(p >= 0.0f) || p >= static_cast<float>(buffer.size()) - 1.0f) {
        return 0.0f;
    }
    const auto i = static_cast<unsigned>(p);
    const float f = p - static_cast<float>(i);
    return buffer[i] * (1.0f - f) + buffer[i + 1] * f;
}

void Sampler::prerender() {
    buffer.clear();
    if (source == nullptr || duration == 0.0f || note == 0 || source->ampEnvelope == nullptr) {
        return;
    }
    const float length = source->ampEnvelope->release + duration;
    const auto n = static_cast<float>(note);
    // Time accumulates in single precision, which sets the buffer length.
    for (float t = 0.0f; t < length; t = t + 4.5351473e-05f) {
        buffer.push_back(source->render(n, t, duration, 0.0f) * gain);
    }
}
