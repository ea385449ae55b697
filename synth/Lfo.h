// Low-frequency oscillator: a wave function run at a fixed rate, either from
// each note's start (retrigger) or on absolute time (free-running).
#pragma once

#include "synth/Waves.h"

struct Lfo {
    Lfo(Wave shape, float frequency, float phase, bool retrigger)
        : shape(shape), frequency(frequency), phase(phase), retrigger(retrigger),
          phaseSeconds(frequency != 0.0f ? phase / frequency : 0.0f) {}

    // Fixed at construction: the phase is also kept as a time offset.
    const Wave shape;
    const float frequency; // hertz
    const float phase;     // cycles
    const bool retrigger;

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
    void values(const float* t, int count, float start, float* out) const;

private:
    const float phaseSeconds; // phase / frequency
};
