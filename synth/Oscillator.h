// A pitched signal source: a shared modulated wave run at the note's frequency. The
// running phase is voice state; the oscillator holds only where it starts.
#pragma once

#include "synth/ModulatedWave.h"

#include <cmath>

class RenderContext;

// One oscillator's run over a block: its running phase, the phase step of each
// sample (stride 1) or of the whole block (stride 0), its amplitude, and the
// samples its wave is added to. Without defaults: lanes are filled as they
// are taken.
struct OscillatorLane {
    float* phase;
    const float* steps;
    int stride;
    float amplitude;
    float* x;
};

struct Oscillator {
    // At most this many runs go side by side.
    static constexpr int MaxLanes = 4;

    const ModulatedWave* wave = nullptr; // shared, not owned
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

    // The first half of render(): the phase steps of the count samples into
    // steps; stride 0 when steps[0] holds for the whole block. Returns whether
    // the phase stays within one cycle and every step is less than a cycle.
    bool steps(float phase, float frequency, RenderContext& context, const float* t, int count,
               float duration, float start, float* steps, int& stride) const;

    // The second half: up to MaxLanes runs of one wave side by side, all
    // within a cycle or not, over count samples. Noise takes one lane: its
    // draws follow the samples.
    static void run(Wave shape, bool inCycle, const OscillatorLane* lanes, int laneCount,
                    int count);
};
