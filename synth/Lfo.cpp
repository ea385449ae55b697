#include "synth/Lfo.h"

#include "synth/Dispatch.h"
#include "synth/Lanes.h"
#include "synth/RenderContext.h"
#include "synth/SineCosine.h"

#include <algorithm>

namespace {

// One loop per wave and timing, so neither is decided again per sample.
template <Wave shape, bool retrigger>
void run(const float* t, int count, float start, float phaseSeconds, float frequency, float* out) {
    if constexpr (shape == Wave::Noise) {
        for (int n = 0; n < count; ++n) {
            const float u = retrigger ? t[n] : start + t[n];
            out[n] = waveNoise(u + phaseSeconds, frequency);
        }
    } else {
        InFours(count, [&](auto lanes, int n) {
            const auto tn = Load(lanes, t + n);
            const auto u = retrigger ? tn : start + tn;
            if constexpr (shape == Wave::Saw) {
                Store(out + n, waveSaw(u + phaseSeconds, frequency));
            } else if constexpr (shape == Wave::Triangle) {
                Store(out + n, waveTriangle(u + phaseSeconds, frequency));
            } else {
                Store(out + n, waveSquare(u + phaseSeconds, frequency));
            }
        });
    }
}

// A sine reuses the last block's values when its times are all the same;
// otherwise the sines of the block are worked out in lanes.
template <bool retrigger>
void runSine(const float* t, int count, float start, float phaseSeconds, float frequency,
             LfoSines& recent, float* out) {
    float u[MaxBlockSamples];
    InFours(count, [&](auto lanes, int n) {
        const auto tn = Load(lanes, t + n);
        Store(u + n, retrigger ? tn : start + tn);
    });
    bool same = count <= recent.count;
    for (int n = 0; same && n < count; ++n) {
        same = recent.times[n] == u[n];
    }
    if (!same) {
        float x[MaxBlockSamples];
        InFours(count, [&](auto lanes, int n) {
            Store(x + n, 6.2831855f * ((Load(lanes, u + n) + phaseSeconds) * frequency));
        });
        Sines(x, count, recent.values.data());
        std::copy(u, u + count, recent.times.begin());
        recent.count = count;
    }
    std::copy(recent.values.begin(), recent.values.begin() + count, out);
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
