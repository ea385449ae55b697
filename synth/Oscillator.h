// A pitched signal source: a shared waveform run at the note's frequency. The
// running phase is voice state; the oscillator holds only where it starts.
#pragma once

#include "synth/Waveform.h"

#include <cmath>

class RenderContext;

struct Oscillator {
    const Waveform* waveform = nullptr; // shared, not owned
    float amplitude = 1.0f;
    int octave = 0;
    int semitones = 0;
    float detune = 0.0f;     // one unit is two semitones
    float startPhase = 0.0f; // cycles in [0, 1)
    float keyTracking = 1.0f;

    // Semitones relative to A = 440 Hz for a note; constant while it plays.
    float pitch(float note) const {
        return keyTracking * note + static_cast<float>(12 * octave) + 2.0f * detune +
               static_cast<float>(semitones);
    }

    // The unmodulated frequency of a pitch in semitones.
    static float frequency(float pitch) { return 440.0f * std::pow(2.0f, pitch * 0.083333336f); }

    // Adds count samples to x, at the note times t. Every sample first advances
    // the running phase by one sample's step, then reads the wave there.
    void render(float& phase, float frequency, RenderContext& context, const float* t, int count,
                float duration, float start, float* x) const;
};
