// A wave shape together with the modulation of the pitch it runs at: what an
// oscillator plays, shared by reference between instruments' oscillators.
#pragma once

#include "synth/ModChain.h"
#include "synth/Waves.h"

struct ModulatedWave {
    Wave shape = Wave::Sine;
    ModChain pitchMods; // applied to the oscillator frequency
};
