// Units render a note in blocks of consecutive samples: the per-note work
// stays out of the per-sample loops and each loop keeps its state in
// registers. A block never spans a change to the voices, so a sample renders
// the same whether it is the first of a block or the last. The units' block
// functions take at most MaxBlockSamples samples; Synth::renderSamples takes
// any number and splits them.
#pragma once

constexpr int MaxBlockSamples = 64;

// Noise units take turns at the shared random generator on every sample:
// rendered one unit after the other over a block, they would draw in another
// order. So a block that draws more than once per sample is rendered one
// sample at a time; render(from, length) renders a part of the block.
template <typename Render> void inDrawOrder(int drawsPerSample, int count, Render render) {
    if (drawsPerSample > 1) {
        for (int n = 0; n < count; ++n) {
            render(n, 1);
        }
    } else if (count > 0) {
        render(0, count);
    }
}
