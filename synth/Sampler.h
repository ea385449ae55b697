// A signal source that plays a buffer rendered once, at start-up, from another
// instrument. The buffer belongs to the instrument's settings: every voice
// reads the same one.
#pragma once

#include <vector>

class Instrument;

struct Sampler {
    std::vector<float> buffer;    // 22050 samples per second
    Instrument* source = nullptr; // the registered instrument that prerender plays
    int note = 0;                 // 0 means unset
    float gain = 0.0f;            // applied while pre-rendering
    float duration = 0.0f;        // seconds of the pre-rendered note

    // Adds count samples to x at the note times t: linear interpolation
    // between buffer samples, 0 past the end of the buffer.
    void render(const float* t, int count, float* x) const;

    // Refill the buffer with the source played at `note` for `duration` plus its
    // release. Plays the registered source itself, so its phases and filter
    // history move on.
    void prerender();
};
