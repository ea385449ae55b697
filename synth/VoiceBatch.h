// The voices that sound through a whole block, rendered unit by unit across
// all of them rather than voice by voice. A unit's samples each wait on the
// one before (an oscillator's phase, a filter's history), so one voice alone
// leaves the processor waiting; the same unit of up to four voices, or units
// of one kind from different instruments, run side by side and fill that
// wait. Every voice gets the samples it would get alone: its own arithmetic
// in its own order, only interleaved with others'.
//
// Voices whose units draw noise stay out: their draws must follow the samples.
#pragma once

#include "synth/Block.h"
#include "synth/Filter.h"
#include "synth/Instrument.h"
#include "synth/Oscillator.h"

#include <array>

class RenderContext;

// Without defaults: a block's list of them is filled as far as it is read.
struct BatchVoice {
    const Instrument* instrument;
    VoiceState* state;
    const NoteConstants* constants;
    const float* t; // note times of the block
    float duration;
    float start;
    float* out; // the voice's sound, as Instrument::render gives it
};

class VoiceBatch {
public:
    // count samples of each of the voices, none drawing noise.
    void render(const BatchVoice* voices, int voiceCount, RenderContext& context, int count);

private:
    // The steps and coefficients of the lanes being filled.
    std::array<std::array<float, MaxBlockSamples>, Oscillator::MaxLanes> steps;
    std::array<std::array<FilterCoefficients, MaxBlockSamples>, Filter::MaxLanes> coefficients;

    void renderOscillators(const BatchVoice* voices, int voiceCount, RenderContext& context,
                           int count);
    void renderFilters(const BatchVoice* voices, int voiceCount, RenderContext& context, int count);
};
