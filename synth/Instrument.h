// A named sound: oscillators and samplers summed, filters in series, one
// amplitude envelope and an output gain.
//
// Once the bank is built an instrument's settings are read-only and every
// voice playing it refers to them. What a playing note changes is an
// InstrumentState of fixed size; the instrument keeps one of its own, the
// state its notes start from, which only sample pre-rendering moves on.
#pragma once

#include "synth/Envelope.h"
#include "synth/Filter.h"
#include "synth/Oscillator.h"
#include "synth/Sampler.h"

#include <array>
#include <string>

inline constexpr int MaxOscillators = 8;
inline constexpr int MaxFilters = 4;
inline constexpr int MaxSamplers = 4;

// What the units change while a note plays.
struct InstrumentState {
    std::array<float, MaxOscillators> phases{};
    std::array<FilterState, MaxFilters> filters{};
};

// What does not change while a note plays, worked out once at its start.
struct NoteConstants {
    float note = 0.0f;
    int randomDraws = 0;                             // per sample: noise oscillators and noise LFOs
    std::array<float, MaxOscillators> frequencies{}; // unmodulated, hertz
    std::array<float, MaxFilters> cutoffs{};         // unmodulated, hertz
};

class Instrument {
public:
    std::string name;
    float gain = 1.0f;
    float defaultDuration = -1.0f;         // -1: none
    const Envelope* ampEnvelope = nullptr; // shared, not owned
    // Rendering visits the first oscillatorCount / samplerCount / filterCount
    // units, filters in list order.
    std::array<Oscillator, MaxOscillators> oscillators{};
    std::array<Sampler, MaxSamplers> samplers{};
    std::array<Filter, MaxFilters> filters{};
    int oscillatorCount = 0;
    int samplerCount = 0;
    int filterCount = 0;
    InstrumentState state; // where the next note starts from

    // Append a unit; nullptr when the instrument already holds as many as it can.
    Oscillator* addOscillator(const Oscillator& oscillator);
    Filter* addFilter(const Filter& filter);
    Sampler* addSampler(const Sampler& sampler);

    // Empty the unit lists, clear the name and amplitude envelope, gain 1.
    void reset();

    // The state of a first note: start phases, silent filters without coefficients.
    void resetState();

    NoteConstants noteConstants(int note) const;

    // count output samples of a note at the times t since its start.
    void render(InstrumentState& state, const NoteConstants& note, const float* t, int count,
                float duration, float start, float* out) const;

    // Fill every sampler's buffer from its source instrument.
    void prerenderSamples();
};
