// A named sound: oscillators and samplers summed, filters in series, one
// amplitude envelope and an output gain. Voices play their own copies; the
// waveforms, modulation sources and amplitude envelope stay shared.
#pragma once

#include "synth/Envelope.h"
#include "synth/Filter.h"
#include "synth/Oscillator.h"
#include "synth/Sampler.h"

#include <string>
#include <vector>

class Instrument {
public:
    // The lists only ever grow; the counts say how many leading elements belong
    // to the instrument currently held.
    std::vector<Oscillator> oscillators;
    std::vector<Sampler> samplers;
    std::string name;
    float gain = 1.0f;
    float defaultDuration = -1.0f; // -1: none
    std::vector<Filter> filters;
    const Envelope* ampEnvelope = nullptr; // shared, not owned
    int oscillatorCount = 0;
    int samplerCount = 0;
    int filterCount = 0;

    // Append a unit and count it in.
    Oscillator& addOscillator(const Oscillator& oscillator);
    Filter& addFilter(const Filter& filter);
    Sampler& addSampler(const Sampler& sampler);

    // Empty the unit lists, clear the name and amplitude envelope, gain 1.
    void reset();

    // One output sample of a note at t seconds after its start.
    float render(float note, float t, float duration, float start);

    // Become a copy of source: own units copied into this instrument's (grown,
    // never shrunk) lists; waveforms, modulation sources and the amplitude
    // envelope taken over by reference.
    void copyFrom(const Instrument& source);

    // Fill every sampler's buffer from its source instrument.
    void prerenderSamples();
};
