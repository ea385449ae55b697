// Low-frequency oscillator: a wave function run at a fixed rate, either from
// each note's start (retrigger) or on absolute time (free-running).
#pragma once

#include "synth/Block.h"
#include "synth/Waves.h"

#include <array>

class RenderContext;

// A sine LFO's values for the last block, by sample, with the times they were
// taken at. Notes started together on one instrument, or any notes of a
// free-running LFO, reach the same times at the same samples: they take the
// values from here instead of working out the sine again.
struct LfoSines {
    int count = 0;
    std::array<float, MaxBlockSamples> times{};
    std::array<float, MaxBlockSamples> values{};
};

struct Lfo {
    // memoSlot: this LFO's LfoSines in the render context.
    Lfo(Wave waveShape, float hertz, float cycles, bool restarts, int memoSlot = 0)
        : shape(waveShape), frequency(hertz), phase(cycles), retrigger(restarts), memo(memoSlot),
          phaseSeconds(hertz != 0.0f ? cycles / hertz : 0.0f) {}

    // Fixed at construction: the phase is also kept as a time offset.
    const Wave shape;
    const float frequency; // hertz
    const float phase;     // cycles
    const bool retrigger;
    const int memo;

    // The wave at cycle position frequency * u + phase, u being t (retrigger)
    // or start + t (free-running).
    float value(float t, float start) const {
        const float u = retrigger ? t : start + t;
        if (frequency == 0.0f) {
            // A standing LFO holds its start phase instead of dividing by zero.
            return waveValue(shape, phase, 1.0f);
        }
        return waveValue(shape, u + phaseSeconds, frequency);
    }

    // value() at count note times t, into out.
    void values(RenderContext& context, const float* t, int count, float start, float* out) const;

private:
    const float phaseSeconds; // phase / frequency
};
