// A pitched signal source: a shared waveform run at the note's frequency, with
// its own phase accumulator carried from sample to sample.
#pragma once

#include "synth/Waveform.h"

struct Oscillator {
    Waveform* waveform = nullptr; // shared, not owned
    float amplitude = 1.0f;
    int octave = 0;
    int semitones = 0;
    float detune = 0.0f; // one unit is two semitones
    float phase = 0.0f;  // cycles, in [0, 1); settable as a start phase
    float keyTracking = 1.0f;

    // Advances the phase by one sample at 22050 Hz and returns the wave there.
    float render(float note, float t, float duration, float start);
};
