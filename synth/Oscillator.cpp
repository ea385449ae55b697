#include "synth/Oscillator.h"

#include "synth/Block.h"
#include "synth/Dispatch.h"
#include "synth/SampleRate.h"

namespace {

// While the phase stays in [0, 1) and a step is less than a cycle, p + step
// lies in [0, 2): its truncation is 0 or 1, so the wrap is one subtraction
// and frac(phase) is the phase itself. Every wave then reads the same float
// as its general form, with a far shorter chain from one sample to the next.
template <Wave shape> float waveInCycle(float p) {
    switch (shape) {
    case Wave::Saw:
        return 1.0f - 2.0f * p;
    case Wave::Square:
        return p >= 0.5f ? 1.0f : -1.0f;
    default:
        return waveValue(shape, p, 1.0f);
    }
}

// The phases of lanes lanes side by side, each waiting only on its own; the
// lane loops unroll at any optimisation level, so the phases stay in
// registers.
template <Wave shape, bool inCycle, int lanes>
void runLanes(const OscillatorLane* lane, int count) {
    // Copied out of the lanes: the stores to the samples cannot reach them.
    float p[lanes], amplitude[lanes];
    const float* steps[lanes];
    int stride[lanes];
    float* x[lanes];
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        p[l] = *lane[l].phase;
        amplitude[l] = lane[l].amplitude;
        steps[l] = lane[l].steps;
        stride[l] = lane[l].stride;
        x[l] = lane[l].x;
    }
    for (int n = 0; n < count; ++n) {
#pragma GCC unroll 4
        for (int l = 0; l < lanes; ++l) {
            const float q = p[l] + steps[l][n * stride[l]];
            float wave;
            if constexpr (inCycle) {
                p[l] = q >= 1.0f ? q - 1.0f : q;
                wave = waveInCycle<shape>(p[l]);
            } else {
                p[l] = q - std::trunc(q);
                wave = waveValue(shape, p[l], 1.0f);
            }
            x[l][n] = x[l][n] + wave * amplitude[l];
        }
    }
#pragma GCC unroll 4
    for (int l = 0; l < lanes; ++l) {
        *lane[l].phase = p[l];
    }
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
    bool inCycle = withinCycle(phase);
    for (int n = 0; n < count; ++n) {
        steps[n] = steps[n] * SampleStep;
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
                        runLanes<kind(), within(), 1>(lanes + l, count);
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
