// Low-frequency oscillator: a wave function run at a fixed rate, either from
// each note's start (retrigger) or on absolute time (free-running).
#pragma once

#include "synth/Waves.h"

struct Lfo {
    WaveFunction shape = waveSine;
    float frequency = 0.0f; // hertz
    float phase = 0.0f;     // cycles
    unsigned char retrigger = 0;

    // The wave at cycle position frequency * u + phase, u being t (retrigger)
    // or start + t (free-running).
    float value(float t, float start) const {
        const float u = retrigger ? t : start + t;
        if (frequency == 0.0f) {
            // A standing LFO holds its start phase instead of dividing by zero.
            return shape(phase, 1.0f);
        }
        return shape(u + phase / frequency, frequency);
    }
};
