// The synthesizer: a fixed pool of 150 voices, the registry of named
// instruments, the render context and the mix. Notes are posted ahead with
// absolute start times; rendering is a function of absolute time.
//
// The synth knows no instrument by name: a bank builder registers them, and
// once it is done they are read-only.
#pragma once

#include "synth/Block.h"
#include "synth/Channel.h"
#include "synth/Envelope.h"
#include "synth/Instrument.h"
#include "synth/Lfo.h"
#include "synth/ModulatedWave.h"
#include "synth/RenderContext.h"
#include "synth/Voice.h"
#include "synth/VoiceBatch.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Synth {
public:
    static constexpr int voiceCount = 150;

    // Registered instruments whose names match: exact names, or a prefix
    // followed by '*'. In registration order; possibly empty.
    std::vector<const Instrument*> findInstruments(std::string_view pattern) const;

    // Start a note in the first free slot, or drop it when none is free. Duration
    // 0 holds the note until a release, -1 takes the instrument's default.
    // Velocity 0 instead releases every held note of this note and channel.
    void playNote(const Instrument* instrument, const Channel* channel, float velocity, int note,
                  float startTime, float duration);

    // The mix of all sounding voices at count increasing absolute times with
    // no note posted in between, each sample clamped to [-1, 1]. Voices past
    // their end are freed here. Any split of the times into calls gives the
    // same samples.
    void renderSamples(const float* times, float* out, int count);

    // Building the bank. Shared units live as long as the synth; instruments
    // refer to them.
    ModulatedWave* createModulatedWave(Wave shape);
    Lfo* createLfo(Wave shape, float frequency, float phase, bool retrigger);
    Envelope* createEnvelope(float attack, float decay, float sustain, float release);

    // Copy the template into a new registered instrument, renamed when name is
    // non-empty, and prepare it. Its notes start from the start phases.
    Instrument* registerInstrument(const Instrument& templ, const std::string& name);

    // A lone note of a registered instrument rendered from its start state,
    // which moves on: the buffer of a sampler (see Instrument::renderNote).
    std::vector<float> prerender(Instrument& source, int note, float duration, float level);

private:
    std::array<Voice, voiceCount> voices;
    // The active slots in slot order, so the mix adds them as the pool is laid out.
    std::array<std::uint8_t, voiceCount> activeSlots{};
    int activeCount = 0;
    std::vector<std::unique_ptr<Instrument>> instruments;
    std::deque<ModulatedWave> modulatedWaves;
    std::deque<Lfo> lfos;
    std::deque<Envelope> envelopes;
    RenderContext context;
    // A block's note times and sound of each active voice, by its place in
    // activeSlots, and the scratch of rendering them together.
    std::array<std::array<float, MaxBlockSamples>, voiceCount> noteTimes;
    std::array<std::array<float, MaxBlockSamples>, voiceCount> sounds;
    VoiceBatch batch;

    void activate(int slot);
    void renderBlock(const float* times, float* out, int count);
};
