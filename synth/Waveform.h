// The wave shape of an oscillator together with its pitch modulation. A
// waveform is shared by reference between instruments' oscillators.
#pragma once

#include "synth/ModChain.h"
#include "synth/Waves.h"

struct Waveform {
    Wave shape = Wave::Sine;
    ModChain pitchMods; // applied to the oscillator frequency
};
