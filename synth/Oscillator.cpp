#include "synth/Oscillator.h"

#include <cmath>

float Oscillator::render(float note, float t, float duration, float start) {
    // Semitones relative to A = 440 Hz.
    const float e = keyTracking * note + static_cast<float>(12 * octave) + 2.0f * detune +
                    static_cast<float>(semitones);
    float f = 440.0f * std::pow(2.0f, e * 0.083333336f);
    f = waveform->pitchMods.apply(f, e, t, duration, start);
    // The step uses the fixed rate 22050, whatever the synth's rate.
    const float p = phase + f * 4.5351473e-05f;
    phase = p - std::trunc(p);
    return waveform->shape(phase, 1.0f) * amplitude;
}
