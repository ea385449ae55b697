#include "synth/InstrumentBank.h"

#include "common/Random.h"
#include "synth/Synth.h"

#include <string_view>
#include <vector>

namespace {

// One modulator with its own source unit.
struct ModSpec {
    bool isEnvelope;
    // LFO
    Wave shape;
    float frequency;
    float phase;
    bool retrigger;
    // envelope
    float attack, decay, sustain, release;
    float depth;
    float offset;
};

enum LfoMode : bool { FreeRunning = false, Retrigger = true };

ModSpec lfo(Wave shape, float frequency, LfoMode mode, float depth, float offset,
            float phase = 0.0f) {
    return {false, shape, frequency, phase, mode, 0, 0, 0, 0, depth, offset};
}

ModSpec env(float a, float d, float s, float r, float depth, float offset) {
    return {true, Wave::Sine, 0, 0, false, a, d, s, r, depth, offset};
}

struct AdsrSpec {
    float attack, decay, sustain, release;
};

struct OscSpec {
    Wave wave;
    float amplitude;
    int octave;
    int semitones;
    float detune;
    float phase;
    float keyTracking;
    std::vector<ModSpec> pitchMods;
};

struct FilterSpec {
    int type;
    float cutoff;
    float q;
    float keyTracking;
    std::vector<ModSpec> cutoffMods;
};

struct SamplerSpec {
    const char* source;
    int note;
    float gain;
    float duration;
};

struct InstrumentSpec {
    const char* name;
    float gain;
    float defaultDuration;
    AdsrSpec amp;
    std::vector<OscSpec> oscillators;
    std::vector<FilterSpec> filters;
    std::vector<SamplerSpec> samplers;
};

constexpr float none = -1.0f;

// How to read the numbers. The values come from knobs moving in even steps,
// spread by a power so the steps are fine where the ear is sensitive:
// - cutoffs are cubes of a knob in hertz: 85.184 = 4.4^3, 1404.93 = 11.2^3;
// - envelope times are squares of a knob in milliseconds: 1.764 s = 42^2 ms;
// - LFO rates are squares of a knob in hertz: 77.44 = 8.8^2, 0.09 = 0.3^2;
// - most modulation depths are twenty times a cube: 8.4375 = 20 x 0.75^3,
//   0.01024 = 20 x 0.08^3.
// The literals stay as written: working them out here in single precision
// would move their last bits and with them every sample.
//
// A modulator scales its target by 1 + (source + offset) x depth. An LFO with
// offset 1 and a small depth d is a vibrato between 1 and 1 + 2d; an envelope
// with offset 0 sweeps from 1 + depth at its peak back to 1. A pitch is key
// tracking x note + 12 x octave + 2 x detune + semitones, so a detune of 0.11
// is 0.22 semitone; the drums' key tracking 0 fixes their pitch. Filter q
// below 1 acts as 1 and the shelves ignore it.
//
// A sampler plays its source instrument at a note for a duration plus the
// source's release, rendered while the bank is built and scaled by its gain.
std::vector<InstrumentSpec> bankSpec() {
    return {
        {"lead:squeak",
         0.5f,
         none,
         {1.764f, 0, 1, 2.601f},
         {{Wave::Square,
           1,
           0,
           0,
           0,
           0,
           1,
           {env(0.016f, 0, 1, 2.209f, 1, 0), lfo(Wave::Sine, 77.44f, FreeRunning, 0.01024f, 1)}},
          {Wave::Saw, 1, 0, 7, 0, 0, 1, {env(0.1f, 0, 1, 0.1f, 1.01306f, 0)}},
          {Wave::Saw, 1, 2, 0, 0, 0, 1, {}}},
         {{2,
           85.184f,
           5,
           0,
           {lfo(Wave::Sine, 0.09f, Retrigger, 8.4375f, 1),
            lfo(Wave::Saw, 2.25f, FreeRunning, 0.71874f, 1)}},
          {0, 884.736f, 0, 0, {}},
          {3, 512, 0, 0, {lfo(Wave::Saw, 2.25f, FreeRunning, 0.59582f, 1)}}},
         {}},

        {"bass:detroit",
         1.7f,
         none,
         {0, 0.289f, 0, 0.081f},
         {{Wave::Sine, 1, -1, 0, 0.01f, 0, 1, {}},
          {Wave::Square, 1, 0, 0, 0, 0, 1, {}},
          {Wave::Sine, 0.97f, 2, 7, 0, 0, 1, {}}},
         {{1, 74.088f, 0, 0, {env(0, 0.169f, 0, 0.196f, 15.4f, 0)}},
          {7,
           1404.93f,
           0,
           0,
           {env(0, 0.169f, 0, 0.196f, 3.3f, 0), lfo(Wave::Sine, 0.16f, FreeRunning, -0.4f, 1)}}},
         {}},

        {"drum:hat:hiss",
         0.5f,
         none,
         {0, 0.064f, 0.3364f, 0.064f},
         {{Wave::Noise, 1, 0, 0, 0, 0.599783f, 1, {}}},
         {{2, 6028.57f, 1, 0, {}}, {5, 5639.75f, 1, 0, {env(0.484f, 10, 1, 10, 9.2f, 0)}}},
         {}},

        {"drum:bass:mud",
         2,
         none,
         {0.001f, 0.196f, 0, 0.144f},
         {{Wave::Square, 1, -3, 0, 0, 0.842893f, 0, {env(0, 0.064f, 0, 0, 2.1f, 0)}},
          {Wave::Sine, 0.83f, -2, -10, 0, 0.58269f, 0, {env(0, 0.064f, 0, 0, 2.1f, 0)}}},
         {{1, 74.088f, 1.715f, 0, {env(0, 0.064f, 0, 0, 5.4f, 0)}}},
         {}},

        {"lead:neurotic",
         1.6f,
         none,
         {0.001f, 0, 1, 2.601f},
         {{Wave::Saw, 1, 0, 0, -0.03f, 0, 1, {}},
          {Wave::Saw, 1, 1, 0, 0.05f, 0, 1, {}},
          {Wave::Saw, 0.77f, 3, 3, 0, 0, 1, {lfo(Wave::Sine, 57.76f, FreeRunning, 0.04394f, 1)}}},
         {{1, 551.368f, 0.97556f, 0, {env(3.721f, 0, 1, 10, 10, 0)}},
          {4, 262.144f, 0, 0, {lfo(Wave::Sine, 1, FreeRunning, 1.09744f, 1)}}},
         {}},

        {"drum:snare:snap",
         3.7f,
         none,
         {0, 0.196f, 0, 0.196f},
         {{Wave::Noise, 1, 0, 0, 0, 0.317163f, 1, {}},
          {Wave::Sine, 1, -3, 0, 0, 0.0695606f, 0, {env(0, 0.081f, 0, 0, 3.51232f, 0)}}},
         {{2, 195.112f, 1, 0, {env(0, 0.081f, 0, 0, 0.8575f, 0)}},
          {7, 2000.38f, 1, 0, {env(0, 0.256f, 0, 0.1f, 4.10758f, 0)}}},
         {}},

        {"pad:oceans",
         0.5f,
         none,
         {0.841f, 0, 1, 1.521f},
         {{Wave::Saw, 1, 0, 0, 0, 0, 1, {}},
          {Wave::Saw, 1, 0, 0, 0.11f, 0, 1, {}},
          {Wave::Saw, 1, 1, 0, -0.08f, 0, 1, {}}},
         {{1, 1404.93f, 1, 0, {env(0, 5.329f, 0, 4.356f, 3.90224f, 0)}}, {5, 64, 0, 0, {}}},
         {}},

        {"drum:snare:retro",
         1.8f,
         none,
         {0, 0.256f, 0, 0.144f},
         {{Wave::Noise, 1, 0, 0, 0, 0.190051f, 1, {}},
          {Wave::Sine, 0.36f, 4, 0, 0, 0.0171f, 0, {env(0, 0.016f, 0, 0, 0.39366f, 0)}}},
         {{2,
           21.952f,
           4.42368f,
           0,
           {env(0, 0.121f, 0, 0, 2.81216f, 0), lfo(Wave::Sine, 0.64f, FreeRunning, 6.57018f, 1)}},
          {5, 140.608f, 1, 0, {env(0, 0.064f, 0, 0.064f, 2.81216f, 0)}}},
         {}},

        {"lead:buzzer",
         1,
         none,
         {0, 0, 1, 0.004f},
         {{Wave::Saw, 1, 0, 0, 0, 0, 1, {}},
          {Wave::Saw, 0.47f, 1, 0, 0.02f, 0, 1, {}},
          {Wave::Saw, 0.33f, 1, 7, -0.04f, 0, 1, {}}},
         {{2, 681.472f, 0, 0, {}},
          {7, 4251.53f, 1, 0, {lfo(Wave::Sine, 0.09f, FreeRunning, 2.5f, 1)}}},
         {}},

        {"sample:drum:bass:mud", 1.4f, 0.4f, {0, 0, 1, 0}, {}, {}, {{"drum:bass:mud", -24, 1, 1}}},
        {"sample:drum:hat:hiss:closed",
         1,
         0.2f,
         {0, 0, 1, 0},
         {},
         {},
         {{"drum:hat:hiss", -24, 1, 0.08f}}},
        {"sample:drum:snare:snap", 1, 0.3f, {0, 0, 1, 0}, {}, {}, {{"drum:snare:snap", -24, 1, 1}}},
        {"sample:drum:snare:retro",
         0.7f,
         0.3f,
         {0, 0, 1, 0},
         {},
         {},
         {{"drum:snare:retro", -24, 1, 1}}},

        {"lead:phaser",
         1.2f,
         none,
         {1.156f, 0, 1, 2.401f},
         {{Wave::Saw, 1, 1, 0, 0, 0, 1, {}},
          {Wave::Saw, 1, 1, 0, 0.11f, 0, 1, {lfo(Wave::Sine, 3.24f, Retrigger, 0.00128f, 1)}},
          {Wave::Sine, 0.55f, 1, 7, 0.02f, 0, 1, {}},
          {Wave::Sine, 0.61f, 2, 0, 0, 0, 1, {}},
          {Wave::Noise, 0.3f, 6, 0, 0, 0, 1, {}}},
         {{3,
           287.496f,
           0.37044f,
           0,
           {lfo(Wave::Saw, 0.25f, Retrigger, 5.00094f, 1),
            lfo(Wave::Square, 4, Retrigger, 1.18638f, 1), env(0, 10, 1, 2.916f, -0.71874f, 0),
            lfo(Wave::Square, 1, Retrigger, 1.94672f, 1, 0.5f)}},
          {6, 2515.46f, 1, 50, {}}},
         {}},

        {"lead:fifth",
         0.7f,
         none,
         {0.001f, 0, 1, 1.521f},
         {{Wave::Saw, 1, 1, 0, 0, 0, 1, {}},
          {Wave::Saw, 1, 1, 7, 0, 0, 1, {lfo(Wave::Sine, 1, FreeRunning, 0.00128f, 1)}},
          {Wave::Sine, 0.42f, 3, 0, 0, 0, 1, {}}},
         {{1, 1906.62f, 1, 30, {lfo(Wave::Triangle, 1, Retrigger, 0.48778f, 1)}}},
         {}},

        {"pad:lush",
         0.6f,
         none,
         {1.6f, 0, 1, 3.6f},
         {{Wave::Saw, 1, 0, 0, 0, 0, 1, {}},
          {Wave::Saw, 1, 1, 0, -0.04f, 0, 1, {}},
          {Wave::Saw, 1, 1, 7, 0.06f, 0, 1, {}}},
         {{4, 1000, 1, 0, {lfo(Wave::Sine, 0.25f, FreeRunning, 1.94672f, 1)}},
          {5, 262.144f, 1, 0, {lfo(Wave::Sine, 0.16f, FreeRunning, 0.48778f, 1)}},
          {6, 7529.54f, 0, 0, {}}},
         {}},
    };
}

// Each modulator gets a source unit of its own.
void addModulators(Synth& synth, ModChain& chain, const std::vector<ModSpec>& mods) {
    for (const ModSpec& m : mods) {
        if (m.isEnvelope) {
            chain.addEnvelope(synth.createEnvelope(m.attack, m.decay, m.sustain, m.release),
                              m.depth, m.offset);
        } else {
            chain.addLfo(synth.createLfo(m.shape, m.frequency, m.phase, m.retrigger), m.depth,
                         m.offset);
        }
    }
}

// The position of the instrument of that name in the bank; the bank's size if none.
std::size_t find(const std::vector<InstrumentSpec>& specs, std::string_view name) {
    std::size_t i = 0;
    while (i < specs.size() && name != specs[i].name) {
        ++i;
    }
    return i;
}

} // namespace

void BuildInstrumentBank(Synth& synth, std::uint32_t seed, std::span<const char* const> sampled) {
    const std::vector<InstrumentSpec> specs = bankSpec();
    std::vector<Instrument*> instruments;
    for (const InstrumentSpec& spec : specs) {
        Instrument templ;
        templ.gain = spec.gain;
        templ.defaultDuration = spec.defaultDuration;
        templ.ampEnvelope = synth.createEnvelope(spec.amp.attack, spec.amp.decay, spec.amp.sustain,
                                                 spec.amp.release);

        for (const OscSpec& o : spec.oscillators) {
            Waveform* waveform = synth.createWaveform(o.wave);
            addModulators(synth, waveform->pitchMods, o.pitchMods);
            Oscillator osc;
            osc.waveform = waveform;
            osc.amplitude = o.amplitude;
            osc.octave = o.octave;
            osc.semitones = o.semitones;
            osc.detune = o.detune;
            osc.startPhase = o.phase;
            osc.keyTracking = o.keyTracking;
            templ.oscillators.add(osc);
        }

        for (const FilterSpec& f : spec.filters) {
            Filter filter;
            filter.type = f.type;
            filter.q = f.q;
            filter.cutoff = f.cutoff;
            filter.keyTracking = f.keyTracking;
            addModulators(synth, filter.cutoffMods, f.cutoffMods);
            templ.filters.add(filter);
        }

        for (std::size_t i = 0; i < spec.samplers.size(); ++i) {
            templ.samplers.add(Sampler{});
        }

        instruments.push_back(synth.registerInstrument(templ, spec.name));
    }

    // Pre-rendering plays each source from its start state and leaves it
    // where its note ended: later notes of the source start from there.
    Random::srand(seed);
    for (const char* name : sampled) {
        const std::size_t target = find(specs, name);
        if (target == specs.size()) {
            continue;
        }
        const std::vector<SamplerSpec>& samplers = specs[target].samplers;
        for (std::size_t i = 0; i < samplers.size(); ++i) {
            const SamplerSpec& s = samplers[i];
            const std::size_t source = find(specs, s.source);
            if (source != specs.size()) {
                instruments[target]->samplers[static_cast<int>(i)].buffer =
                    synth.prerender(*instruments[source], s.note, s.duration, s.gain);
            }
        }
    }
}
