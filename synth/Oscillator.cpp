#include "synth/Oscillator.h"

#include "synth/Block.h"
#include "synth/Dispatch.h"
#include "synth/Lanes.h"
#include "synth/SampleRate.h"
#include "synth/SineCosine.h"

namespace {

// While the phase stays in [0, 1) and a step is less than a cycle, p + step
// lies in [0, 2): its truncation is 0 or 1, so the wrap is one subtraction
// and frac(phase) is the phase itself. Every wave then reads the same float
// as its general form, with a far shorter chain from one sample to the next.
template <Wave shape, bool inCycle, typename T> T waveAt(T p) {
    if constexpr (shape == Wave::Saw) {
        if constexpr (inCycle) {
            return 1.0f - 2.0f * p;
        } else {
            return waveSaw(p, 1.0f);
        }
    } else if constexpr (shape == Wave::Square) {
        if constexpr (inCycle) {
            return Select(p >= 0.5f, Splat(p, 1.0f), Splat(p, -1.0f));
        } else {
            return waveSquare(p, 1.0f);
        }
    } else {
        return waveTriangle(p, 1.0f);
    }
}

// One lane's wave at the phases of the block, times its amplitude, added to x.
template <Wave shape, bool inCycle>
void addWave(const float* phases, int count, float amplitude, float* x) {
    if constexpr (shape == Wave::Sine) {
        float arguments[MaxBlockSamples] = {}; // {} only quiets a false warning
        float sines[MaxBlockSamples];
        InFours(count, [&](auto lanes, int n) {
            Store(arguments + n, 6.2831855f * (Load(lanes, phases + n) * 1.0f));
        });
        Sines(arguments, count, sines);
        InFours(count, [&](auto lanes, int n) {
            Store(x + n, Load(lanes, x + n) + Load(lanes, sines + n) * amplitude);
        });
    } else {
        InFours(count, [&](auto lanes, int n) {
            const auto wave = waveAt<shape, inCycle>(Load(lanes, phases + n));
            Store(x + n, Load(lanes, x + n) + wave * amplitude);
        });
    }
}

// The phases of lanes lanes side by side, each waiting only on its own; the
// lane loops unroll at any optimisation level, so the phases stay in
// registers. Then the waves, lane after lane over the block: lanes that add
// to the same samples add in lane order, as one sample at a time would.
template <Wave shape, bool inCycle, int lanes>
void runLanes(const OscillatorLane* lane, int count) {
    // Copied out of the lanes: the stores to the samples cannot reach them.
    float p[lanes];
    const float* steps[lanes];
    int stride[lanes];
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        p[l] = *lane[l].phase;
        steps[l] = lane[l].steps;
        stride[l] = lane[l].stride;
    }
    float phases[lanes][MaxBlockSamples];
    for (int n = 0; n < count; ++n) {
#pragma GCC unroll 4
        for (int l = 0; l < lanes; ++l) {
            const float q = p[l] + steps[l][n * stride[l]];
            if constexpr (inCycle) {
                p[l] = q >= 1.0f ? q - 1.0f : q;
            } else {
                p[l] = q - std::trunc(q);
            }
            phases[l][n] = p[l];
        }
    }
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        *lane[l].phase = p[l];
    }
    for (int l = 0; l < lanes; ++l) {
        addWave<shape, inCycle>(phases[l], count, lane[l].amplitude, lane[l].x);
    }
}

// Noise draws follow the samples: one lane, a draw per sample.
void runNoise(const OscillatorLane& lane, int count) {
    float p = *lane.phase;
    for (int n = 0; n < count; ++n) {
        const float q = p + lane.steps[n * lane.stride];
        p = q - std::trunc(q);
        lane.x[n] = lane.x[n] + waveNoise(p, 1.0f) * lane.amplitude;
    }
    *lane.phase = p;
}

bool withinCycle(float v) {
    return v >= 0.0f && v < 1.0f;
}

} // namespace

bool Oscillator::steps(float phase, float frequency, RenderContext& context, const float* t,
                       int count, float duration, float start, float* steps, int& stride) const {
    const ModChain& mods = wave->pitchMods;
    if (mods.modulators.empty()) {
        steps[0] = frequency * SampleStep;
        stride = 0;
        return withinCycle(phase) && withinCycle(steps[0]);
    }
    for (int n = 0; n < count; ++n) {
        steps[n] = frequency;
    }
    mods.apply(context, steps, t, count, duration, start);
    InFours(count,
            [&](auto lanes, int n) { Store(steps + n, Load(lanes, steps + n) * SampleStep); });
    bool inCycle = withinCycle(phase);
    for (int n = 0; n < count; ++n) {
        inCycle = inCycle && withinCycle(steps[n]);
    }
    stride = 1;
    return inCycle;
}

void Oscillator::run(Wave shape, bool inCycle, const OscillatorLane* lanes, int laneCount,
                     int count) {
    // One loop per wave, so the wave inlines and the phases stay in registers.
    dispatch<Wave, Wave::Sine, Wave::Saw, Wave::Triangle, Wave::Square, Wave::Noise>(
        shape, [&](auto kind) {
            dispatch<bool, true, false>(inCycle, [&](auto within) {
                if constexpr (kind() == Wave::Noise) {
                    for (int l = 0; l < laneCount; ++l) {
                        runNoise(lanes[l], count);
                    }
                } else {
                    dispatch<int, 1, 2, 3, MaxLanes>(
                        laneCount, [&](auto n) { runLanes<kind(), within(), n()>(lanes, count); });
                }
            });
        });
}

void Oscillator::render(float& phase, float frequency, RenderContext& context, const float* t,
                        int count, float duration, float start, float* x) const {
    float stepsOfBlock[MaxBlockSamples];
    OscillatorLane lane{&phase, stepsOfBlock, 0, amplitude, x};
    const bool inCycle =
        steps(phase, frequency, context, t, count, duration, start, stepsOfBlock, lane.stride);
    run(wave->shape, inCycle, &lane, 1, count);
}
