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
    float amplitude = 1;
    int octave = 0;
    int semitones = 0;
    float detune = 0;
    float phase = 0;
    float keyTracking = 1;
    std::vector<ModSpec> pitchMods = {};
};

struct FilterSpec {
    Filter::Type type;
    float cutoff;
    float q = 0;
    float keyTracking = 0;
    std::vector<ModSpec> cutoffMods = {};
};

struct SamplerSpec {
    const char* source;
    int note;
    float gain;
    float duration;
};

constexpr float none = -1.0f;

struct InstrumentSpec {
    const char* name;
    float gain;
    float defaultDuration = none;
    AdsrSpec amp;
    std::vector<OscSpec> oscillators = {};
    std::vector<FilterSpec> filters = {};
    std::vector<SamplerSpec> samplers = {};
};

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
    using enum Wave;
    using enum Filter::Type;
    return {
        {.name = "lead:squeak",
         .gain = 0.5f,
         .amp = {1.764f, 0, 1, 2.601f},
         .oscillators = {{.wave = Square,
                          .pitchMods = {env(0.016f, 0, 1, 2.209f, 1, 0),
                                        lfo(Sine, 77.44f, FreeRunning, 0.01024f, 1)}},
                         {.wave = Saw,
                          .semitones = 7,
                          .pitchMods = {env(0.1f, 0, 1, 0.1f, 1.01306f, 0)}},
                         {.wave = Saw, .octave = 2}},
         .filters = {{.type = HighPass,
                      .cutoff = 85.184f,
                      .q = 5,
                      .cutoffMods = {lfo(Sine, 0.09f, Retrigger, 8.4375f, 1),
                                     lfo(Saw, 2.25f, FreeRunning, 0.71874f, 1)}},
                     {.type = PassThrough, .cutoff = 884.736f},
                     {.type = BandPass,
                      .cutoff = 512,
                      .cutoffMods = {lfo(Saw, 2.25f, FreeRunning, 0.59582f, 1)}}}},

        {.name = "bass:detroit",
         .gain = 1.7f,
         .amp = {0, 0.289f, 0, 0.081f},
         .oscillators = {{.wave = Sine, .octave = -1, .detune = 0.01f},
                         {.wave = Square},
                         {.wave = Sine, .amplitude = 0.97f, .octave = 2, .semitones = 7}},
         .filters = {{.type = LowPass,
                      .cutoff = 74.088f,
                      .cutoffMods = {env(0, 0.169f, 0, 0.196f, 15.4f, 0)}},
                     {.type = PeakingCut,
                      .cutoff = 1404.93f,
                      .cutoffMods = {env(0, 0.169f, 0, 0.196f, 3.3f, 0),
                                     lfo(Sine, 0.16f, FreeRunning, -0.4f, 1)}}}},

        {.name = "drum:hat:hiss",
         .gain = 0.5f,
         .amp = {0, 0.064f, 0.3364f, 0.064f},
         .oscillators = {{.wave = Noise, .phase = 0.599783f}},
         .filters = {{.type = HighPass, .cutoff = 6028.57f, .q = 1},
                     {.type = LowShelf,
                      .cutoff = 5639.75f,
                      .q = 1,
                      .cutoffMods = {env(0.484f, 10, 1, 10, 9.2f, 0)}}}},

        {.name = "drum:bass:mud",
         .gain = 2,
         .amp = {0.001f, 0.196f, 0, 0.144f},
         .oscillators = {{.wave = Square,
                          .octave = -3,
                          .phase = 0.842893f,
                          .keyTracking = 0,
                          .pitchMods = {env(0, 0.064f, 0, 0, 2.1f, 0)}},
                         {.wave = Sine,
                          .amplitude = 0.83f,
                          .octave = -2,
                          .semitones = -10,
                          .phase = 0.58269f,
                          .keyTracking = 0,
                          .pitchMods = {env(0, 0.064f, 0, 0, 2.1f, 0)}}},
         .filters = {{.type = LowPass,
                      .cutoff = 74.088f,
                      .q = 1.715f,
                      .cutoffMods = {env(0, 0.064f, 0, 0, 5.4f, 0)}}}},

        {.name = "lead:neurotic",
         .gain = 1.6f,
         .amp = {0.001f, 0, 1, 2.601f},
         .oscillators = {{.wave = Saw, .detune = -0.03f},
                         {.wave = Saw, .octave = 1, .detune = 0.05f},
                         {.wave = Saw,
                          .amplitude = 0.77f,
                          .octave = 3,
                          .semitones = 3,
                          .pitchMods = {lfo(Sine, 57.76f, FreeRunning, 0.04394f, 1)}}},
         .filters = {{.type = LowPass,
                      .cutoff = 551.368f,
                      .q = 0.97556f,
                      .cutoffMods = {env(3.721f, 0, 1, 10, 10, 0)}},
                     {.type = Notch,
                      .cutoff = 262.144f,
                      .cutoffMods = {lfo(Sine, 1, FreeRunning, 1.09744f, 1)}}}},

        {.name = "drum:snare:snap",
         .gain = 3.7f,
         .amp = {0, 0.196f, 0, 0.196f},
         .oscillators = {{.wave = Noise, .phase = 0.317163f},
                         {.wave = Sine,
                          .octave = -3,
                          .phase = 0.0695606f,
                          .keyTracking = 0,
                          .pitchMods = {env(0, 0.081f, 0, 0, 3.51232f, 0)}}},
         .filters = {{.type = HighPass,
                      .cutoff = 195.112f,
                      .q = 1,
                      .cutoffMods = {env(0, 0.081f, 0, 0, 0.8575f, 0)}},
                     {.type = PeakingCut,
                      .cutoff = 2000.38f,
                      .q = 1,
                      .cutoffMods = {env(0, 0.256f, 0, 0.1f, 4.10758f, 0)}}}},

        {.name = "pad:oceans",
         .gain = 0.5f,
         .amp = {0.841f, 0, 1, 1.521f},
         .oscillators = {{.wave = Saw},
                         {.wave = Saw, .detune = 0.11f},
                         {.wave = Saw, .octave = 1, .detune = -0.08f}},
         .filters = {{.type = LowPass,
                      .cutoff = 1404.93f,
                      .q = 1,
                      .cutoffMods = {env(0, 5.329f, 0, 4.356f, 3.90224f, 0)}},
                     {.type = LowShelf, .cutoff = 64}}},

        {.name = "drum:snare:retro",
         .gain = 1.8f,
         .amp = {0, 0.256f, 0, 0.144f},
         .oscillators = {{.wave = Noise, .phase = 0.190051f},
                         {.wave = Sine,
                          .amplitude = 0.36f,
                          .octave = 4,
                          .phase = 0.0171f,
                          .keyTracking = 0,
                          .pitchMods = {env(0, 0.016f, 0, 0, 0.39366f, 0)}}},
         .filters = {{.type = HighPass,
                      .cutoff = 21.952f,
                      .q = 4.42368f,
                      .cutoffMods = {env(0, 0.121f, 0, 0, 2.81216f, 0),
                                     lfo(Sine, 0.64f, FreeRunning, 6.57018f, 1)}},
                     {.type = LowShelf,
                      .cutoff = 140.608f,
                      .q = 1,
                      .cutoffMods = {env(0, 0.064f, 0, 0.064f, 2.81216f, 0)}}}},

        {.name = "lead:buzzer",
         .gain = 1,
         .amp = {0, 0, 1, 0.004f},
         .oscillators =
             {{.wave = Saw},
              {.wave = Saw, .amplitude = 0.47f, .octave = 1, .detune = 0.02f},
              {.wave = Saw, .amplitude = 0.33f, .octave = 1, .semitones = 7, .detune = -0.04f}},
         .filters = {{.type = HighPass, .cutoff = 681.472f},
                     {.type = PeakingCut,
                      .cutoff = 4251.53f,
                      .q = 1,
                      .cutoffMods = {lfo(Sine, 0.09f, FreeRunning, 2.5f, 1)}}}},

        {.name = "sample:drum:bass:mud",
         .gain = 1.4f,
         .defaultDuration = 0.4f,
         .amp = {0, 0, 1, 0},
         .samplers = {{"drum:bass:mud", -24, 1, 1}}},
        {.name = "sample:drum:hat:hiss:closed",
         .gain = 1,
         .defaultDuration = 0.2f,
         .amp = {0, 0, 1, 0},
         .samplers = {{"drum:hat:hiss", -24, 1, 0.08f}}},
        {.name = "sample:drum:snare:snap",
         .gain = 1,
         .defaultDuration = 0.3f,
         .amp = {0, 0, 1, 0},
         .samplers = {{"drum:snare:snap", -24, 1, 1}}},
        {.name = "sample:drum:snare:retro",
         .gain = 0.7f,
         .defaultDuration = 0.3f,
         .amp = {0, 0, 1, 0},
         .samplers = {{"drum:snare:retro", -24, 1, 1}}},

        {.name = "lead:phaser",
         .gain = 1.2f,
         .amp = {1.156f, 0, 1, 2.401f},
         .oscillators =
             {{.wave = Saw, .octave = 1},
              {.wave = Saw,
               .octave = 1,
               .detune = 0.11f,
               .pitchMods = {lfo(Sine, 3.24f, Retrigger, 0.00128f, 1)}},
              {.wave = Sine, .amplitude = 0.55f, .octave = 1, .semitones = 7, .detune = 0.02f},
              {.wave = Sine, .amplitude = 0.61f, .octave = 2},
              {.wave = Noise, .amplitude = 0.3f, .octave = 6}},
         .filters = {{.type = BandPass,
                      .cutoff = 287.496f,
                      .q = 0.37044f,
                      .cutoffMods = {lfo(Saw, 0.25f, Retrigger, 5.00094f, 1),
                                     lfo(Square, 4, Retrigger, 1.18638f, 1),
                                     env(0, 10, 1, 2.916f, -0.71874f, 0),
                                     lfo(Square, 1, Retrigger, 1.94672f, 1, 0.5f)}},
                     {.type = HighShelf, .cutoff = 2515.46f, .q = 1, .keyTracking = 50}}},

        {.name = "lead:fifth",
         .gain = 0.7f,
         .amp = {0.001f, 0, 1, 1.521f},
         .oscillators = {{.wave = Saw, .octave = 1},
                         {.wave = Saw,
                          .octave = 1,
                          .semitones = 7,
                          .pitchMods = {lfo(Sine, 1, FreeRunning, 0.00128f, 1)}},
                         {.wave = Sine, .amplitude = 0.42f, .octave = 3}},
         .filters = {{.type = LowPass,
                      .cutoff = 1906.62f,
                      .q = 1,
                      .keyTracking = 30,
                      .cutoffMods = {lfo(Triangle, 1, Retrigger, 0.48778f, 1)}}}},

        {.name = "pad:lush",
         .gain = 0.6f,
         .amp = {1.6f, 0, 1, 3.6f},
         .oscillators = {{.wave = Saw},
                         {.wave = Saw, .octave = 1, .detune = -0.04f},
                         {.wave = Saw, .octave = 1, .semitones = 7, .detune = 0.06f}},
         .filters = {{.type = Notch,
                      .cutoff = 1000,
                      .q = 1,
                      .cutoffMods = {lfo(Sine, 0.25f, FreeRunning, 1.94672f, 1)}},
                     {.type = LowShelf,
                      .cutoff = 262.144f,
                      .q = 1,
                      .cutoffMods = {lfo(Sine, 0.16f, FreeRunning, 0.48778f, 1)}},
                     {.type = HighShelf, .cutoff = 7529.54f}}},
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
            ModulatedWave* wave = synth.createModulatedWave(o.wave);
            addModulators(synth, wave->pitchMods, o.pitchMods);
            Oscillator osc;
            osc.wave = wave;
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
