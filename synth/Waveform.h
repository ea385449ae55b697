// The wave shape of an oscillator together with its pitch modulation. A
// waveform is shared by a registered instrument and all voice copies of it.
#pragma once

#include "synth/ModChain.h"
#include "synth/Waves.h"

struct Waveform {
    WaveFunction shape = waveSine;
    ModChain pitchMods; // applied to the oscillator frequency
};
