#include "synth/Lfo.h"

#include "synth/Dispatch.h"
#include "synth/RenderContext.h"

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
template <bool retrigger>
void runSine(const float* t, int count, float start, float phaseSeconds, float frequency,
             LfoSines& recent, float* out) {
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

} // namespace

void Lfo::values(RenderContext& context, const float* t, int count, float start, float* out) const {
    if (frequency == 0.0f) {
        for (int n = 0; n < count; ++n) {
            out[n] = value(t[n], start);
        }
        return;
    }
    dispatch<bool, true, false>(retrigger, [&](auto restarts) {
        dispatch<Wave, Wave::Sine, Wave::Saw, Wave::Triangle, Wave::Square, Wave::Noise>(
            shape, [&](auto wave) {
                if constexpr (wave() == Wave::Sine) {
                    runSine<restarts()>(t, count, start, phaseSeconds, frequency,
                                        context.lfoSines(memo), out);
                } else {
                    run<wave(), restarts()>(t, count, start, phaseSeconds, frequency, out);
                }
            });
    });
}
