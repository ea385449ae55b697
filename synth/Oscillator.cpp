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

template <Wave shape, typename Steps>
void runInCycle(float& phase, float amplitude, int count, float* x, Steps step) {
    float p = phase;
    for (int n = 0; n < count; ++n) {
        const float q = p + step(n);
        p = q >= 1.0f ? q - 1.0f : q;
        x[n] = x[n] + waveInCycle<shape>(p) * amplitude;
    }
    phase = p;
}

// Any phase and step: negative frequencies, or several cycles in one step.
template <Wave shape, typename Steps>
void runAnyPhase(float& phase, float amplitude, int count, float* x, Steps step) {
    float p = phase;
    for (int n = 0; n < count; ++n) {
        const float q = p + step(n);
        p = q - std::trunc(q);
        x[n] = x[n] + waveValue(shape, p, 1.0f) * amplitude;
    }
    phase = p;
}

// One loop per wave, so the wave inlines and the phase stays in a register.
// step(n) is the phase step of sample n.
template <typename Steps>
void run(Wave shape, bool inCycle, float& phase, float amplitude, int count, float* x, Steps step) {
    dispatch<Wave, Wave::Sine, Wave::Saw, Wave::Triangle, Wave::Square, Wave::Noise>(
        shape, [&](auto wave) {
            if (inCycle) {
                runInCycle<wave()>(phase, amplitude, count, x, step);
            } else {
                runAnyPhase<wave()>(phase, amplitude, count, x, step);
            }
        });
}

bool withinCycle(float v) {
    return v >= 0.0f && v < 1.0f;
}

} // namespace

void Oscillator::render(float& phase, float frequency, RenderContext& context, const float* t,
                        int count, float duration, float start, float* x) const {
    const ModChain& mods = waveform->pitchMods;
    if (mods.modulators.empty()) {
        const float step = frequency * SampleStep;
        const bool inCycle = withinCycle(phase) && withinCycle(step);
        run(waveform->shape, inCycle, phase, amplitude, count, x, [step](int) { return step; });
        return;
    }
    float steps[MaxBlockSamples];
    for (int n = 0; n < count; ++n) {
        steps[n] = frequency;
    }
    mods.apply(context, steps, t, count, duration, start);
    bool inCycle = withinCycle(phase);
    for (int n = 0; n < count; ++n) {
        steps[n] = steps[n] * SampleStep;
        inCycle = inCycle && withinCycle(steps[n]);
    }
    run(waveform->shape, inCycle, phase, amplitude, count, x, [&steps](int n) { return steps[n]; });
}
