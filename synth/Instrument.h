// A named sound: oscillators and samplers summed, filters in series, one
// amplitude envelope and an output gain.
//
// An instrument is a patch: assembled while the bank is built, read-only
// afterwards, and shared by every voice playing it. What a playing note
// changes is a VoiceState of fixed size that the voice owns; the patch keeps
// the state its notes start from.
#pragma once

#include "synth/Envelope.h"
#include "synth/Filter.h"
#include "synth/FixedList.h"
#include "synth/Oscillator.h"
#include "synth/Sampler.h"

#include <array>
#include <string>
#include <vector>

class RenderContext;

inline constexpr int MaxOscillators = 8;
inline constexpr int MaxFilters = 4;
inline constexpr int MaxSamplers = 4;

// What the units change while a note plays.
struct VoiceState {
    std::array<float, MaxOscillators> phases{};
    std::array<FilterState, MaxFilters> filters{};
};

// What does not change while a note plays, worked out once at its start.
struct NoteConstants {
    float note = 0.0f;
    std::array<float, MaxOscillators> frequencies{}; // unmodulated, hertz
    std::array<float, MaxFilters> cutoffs{};         // unmodulated, hertz
};

class Instrument {
public:
    std::string name;
    float gain = 1.0f;
    float defaultDuration = -1.0f;         // -1: none
    const Envelope* ampEnvelope = nullptr; // shared, not owned
    // Oscillators and samplers are summed in list order, then the filters
    // run in list order.
    FixedList<Oscillator, MaxOscillators> oscillators;
    FixedList<Sampler, MaxSamplers> samplers;
    FixedList<Filter, MaxFilters> filters;

    // Worked out by prepare() when the instrument is registered.
    // Per sample: noise oscillators and noise LFOs. 0 for every instrument
    // the song plays live (see waveNoise).
    int randomDraws = 0;
    VoiceState startState; // where notes start; pre-rendering this instrument moves it on

    // Works out randomDraws and the state of a first note: start phases,
    // silent filters without coefficients.
    void prepare();

    NoteConstants noteConstants(int note) const;

    // count output samples of a note at the times t since its start. With
    // more than one random draw per sample, count is 1 (see inDrawOrder).
    void render(VoiceState& state, const NoteConstants& note, RenderContext& context,
                const float* t, int count, float duration, float start, float* out) const;

    // The last stage of render(): the filtered sum x count samples through the
    // amplitude envelope and the gain.
    void finish(const float* t, int count, float duration, float* out) const;

    // A lone note held for duration seconds and heard to the end of its
    // release, from state, which moves on; scaled by level, SampleRate samples
    // per second. Empty for note 0, duration 0 or no amplitude envelope.
    std::vector<float> renderNote(VoiceState& state, RenderContext& context, int note,
                                  float duration, float level) const;
};
