// Units render a note in blocks of consecutive samples: the per-note work
// stays out of the per-sample loops and each loop keeps its state in
// registers. A block never spans a change to the voices, so a sample renders
// the same whether it is the first of a block or the last. The units' block
// functions take at most MaxBlockSamples samples; Synth::renderSamples takes
// any number and splits them.
#pragma once

constexpr int MaxBlockSamples = 64;
