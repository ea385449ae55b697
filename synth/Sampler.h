// A signal source that plays a buffer rendered once, while the bank is built,
// from another instrument. The buffer is part of the instrument's patch:
// every voice reads the same one.
#pragma once

#include <vector>

struct Sampler {
    std::vector<float> buffer; // SampleRate samples per second

    // Adds count samples to x at the note times t: linear interpolation
    // between buffer samples, 0 past the end of the buffer.
    void render(const float* t, int count, float* x) const;
};
