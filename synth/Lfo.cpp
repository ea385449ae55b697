#include "synth/Lfo.h"

namespace {

// One loop per wave and timing, so neither is decided again per sample.
template <Wave shape, bool retrigger>
void run(const float* t, int count, float start, float phaseSeconds, float frequency, float* out) {
    for (int n = 0; n < count; ++n) {
        const float u = retrigger ? t[n] : start + t[n];
        out[n] = waveValue(shape, u + phaseSeconds, frequency);
    }
}

template <Wave shape>
void runShape(bool retrigger, const float* t, int count, float start, float phaseSeconds,
              float frequency, float* out) {
    if (retrigger) {
        run<shape, true>(t, count, start, phaseSeconds, frequency, out);
    } else {
        run<shape, false>(t, count, start, phaseSeconds, frequency, out);
    }
}

} // namespace

void Lfo::values(const float* t, int count, float start, float* out) const {
    if (frequency == 0.0f) {
        for (int n = 0; n < count; ++n) {
            out[n] = value(t[n], start);
        }
        return;
    }
    switch (shape) {
    case Wave::Sine:
        return runShape<Wave::Sine>(retrigger, t, count, start, phaseSeconds, frequency, out);
    case Wave::Saw:
        return runShape<Wave::Saw>(retrigger, t, count, start, phaseSeconds, frequency, out);
    case Wave::Triangle:
        return runShape<Wave::Triangle>(retrigger, t, count, start, phaseSeconds, frequency, out);
    case Wave::Square:
        return runShape<Wave::Square>(retrigger, t, count, start, phaseSeconds, frequency, out);
    case Wave::Noise:
        return runShape<Wave::Noise>(retrigger, t, count, start, phaseSeconds, frequency, out);
    }
}
