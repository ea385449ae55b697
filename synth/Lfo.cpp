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

// A sine reuses the last block's value wherever its time is the same.
template <bool retrigger, typename Sines>
void runSine(const float* t, int count, float start, float phaseSeconds, float frequency,
             Sines& recent, float* out) {
    const int known = recent.count;
    for (int n = 0; n < count; ++n) {
        const float u = retrigger ? t[n] : start + t[n];
        if (n >= known || recent.times[n] != u) {
            recent.times[n] = u;
            recent.values[n] = waveSine(u + phaseSeconds, frequency);
        }
        out[n] = recent.values[n];
    }
    recent.count = count;
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
        if (retrigger) {
            return runSine<true>(t, count, start, phaseSeconds, frequency, recent, out);
        }
        return runSine<false>(t, count, start, phaseSeconds, frequency, recent, out);
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
