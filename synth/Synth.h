// The synthesizer: a fixed pool of 150 voices, the registry of named
// instruments and of mixing channels, and the mix. Notes are posted ahead with
// absolute start times; rendering is a function of absolute time.
//
// The synth knows no instrument by name: a bank builder registers them.
#pragma once

#include "synth/Block.h"
#include "synth/Channel.h"
#include "synth/Envelope.h"
#include "synth/Instrument.h"
#include "synth/Lfo.h"
#include "synth/Voice.h"
#include "synth/Waveform.h"

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

    // Store the rate, clear the pool and both registries.
    void init(int sampleRate);

    // Keep a copy of the channel, renamed when name is non-empty.
    Channel* addChannel(const Channel& channel, const std::string& name);

    // Registered instruments whose names match: exact names, or a prefix
    // followed by '*'. In registration order; possibly empty.
    std::vector<Instrument*> findInstruments(std::string_view pattern) const;

    // Copy the template into a new registered instrument, renamed when name is
    // non-empty. Its notes start from the template's start phases.
    Instrument* registerInstrument(const Instrument& templ, const std::string& name);

    // Start a note in the first free slot, or drop it when none is free. Duration
    // 0 holds the note until a release, -1 takes the instrument's default.
    // Velocity 0 instead releases every held note of this note and channel.
    void playNote(Instrument* instrument, Channel* channel, float velocity, int note,
                  float startTime, float duration);

    // Four notes from rootNote by one row (0 to 3) of the chord table.
    void playChord(Instrument* instrument, Channel* channel, float velocity, int rootNote,
                   int chordIndex, float startTime, float duration);

    // The mix of all sounding voices at an absolute time, clamped to [-1, 1].
    // Voices past their end are freed here.
    float renderSample(float time);

    // renderSample() for count increasing times with no note posted in
    // between: the same samples, computed voice by voice a block at a time.
    void renderSamples(const float* times, float* out, int count);

    // Shared units live as long as the synth; instruments refer to them.
    Waveform* createWaveform(Wave shape);
    Lfo* createLfo(Wave shape, float frequency, float phase, bool retrigger);
    Envelope* createEnvelope(float attack, float decay, float sustain, float release);

    int activeVoiceCount() const { return activeCount; }
    const Voice& voice(int index) const { return voices[index]; }
    const std::vector<std::unique_ptr<Channel>>& channelList() const { return channels; }

    int sampleRate = 0;

private:
    std::array<Voice, voiceCount> voices;
    // The active slots in slot order, so the mix adds them as the pool is laid out.
    std::array<std::uint8_t, voiceCount> activeSlots{};
    int activeCount = 0;
    std::vector<std::unique_ptr<Instrument>> instruments;
    std::vector<std::unique_ptr<Channel>> channels;
    std::deque<Waveform> waveforms;
    std::deque<Lfo> lfos;
    std::deque<Envelope> envelopes;

    void activate(int slot);
};
