#include "synth/Synth.h"

#include "synth/InstrumentBank.h"

namespace {

constexpr int chordTable[4][4] = {
    {0, 4, 7, 12},
    {0, 3, 7, 12},
    {0, 4, 7, 10},
    {0, 3, 7, 10},
};

// Character by character; a '*' in the pattern matches the rest of any name.
bool matches(std::string_view pattern, std::string_view name) {
    for (std::size_t i = 0;; ++i) {
        const char p = i < pattern.size() ? pattern[i] : '\0';
        const char n = i < name.size() ? name[i] : '\0';
        if (p == '*') {
            return true;
        }
        if (p != n) {
            return false;
        }
        if (p == '\0') {
            return true;
        }
    }
}

} // namespace

void Synth::init(int rate) {
    sampleRate = rate;
    for (Voice& v : voices) {
        v.active = false;
        v.start = 0.0f;
        v.channel = nullptr;
        v.instance = Instrument();
    }
    instruments.clear();
    channels.clear();
    BuildInstrumentBank(*this);
}

Channel* Synth::addChannel(const Channel& channel, const std::string& name) {
    auto copy = std::make_unique<Channel>(channel);
    if (!name.empty()) {
        copy->name = name;
    }
    channels.push_back(std::move(copy));
    return channels.back().get();
}

std::vector<Instrument*> Synth::findInstruments(std::string_view pattern) const {
    std::vector<Instrument*> found;
    for (const auto& instrument : instruments) {
        if (matches(pattern, instrument->name)) {
            found.push_back(instrument.get());
        }
    }
    return found;
}

Instrument* Synth::registerInstrument(const Instrument& templ, const std::string& name) {
    auto instrument = std::make_unique<Instrument>();
    instrument->copyFrom(templ);
    if (!name.empty()) {
        instrument->name = name;
    }
    instruments.push_back(std::move(instrument));
    return instruments.back().get();
}

void Synth::playNote(Instrument* instrument, Channel* channel, float velocity, int note,
                     float startTime, float duration) {
    if (velocity == 0.0f) {
        for (Voice& v : voices) {
            if (v.active && v.note == note && v.channel == channel &&
                v.duration > Voice::heldThreshold) {
                v.duration = startTime - v.start;
                v.end = v.duration + v.instance.ampEnvelope->release;
            }
        }
        return;
    }
    // A note without an instrument, channel or amplitude envelope cannot sound.
    if (instrument == nullptr || channel == nullptr || instrument->ampEnvelope == nullptr) {
        return;
    }
    for (Voice& v : voices) {
        if (v.startNote(*instrument, channel, velocity, note, startTime, duration)) {
            return;
        }
    }
}

void Synth::playChord(Instrument* instrument, Channel* channel, float velocity, int rootNote,
                      int chordIndex, float startTime, float duration) {
    if (chordIndex < 0 || chordIndex > 3) {
        return;
    }
    for (int offset : chordTable[chordIndex]) {
        playNote(instrument, channel, velocity, rootNote + offset, startTime, duration);
    }
}

float Synth::renderSample(float time) {
    float sum = 0.0f;
    for (Voice& v : voices) {
        if (!v.active) {
            continue;
        }
        const float d = time - v.start;
        if (d > v.end) {
            v.active = false;
        } else if (d > 0.0f) {
            sum = sum + v.instance.render(static_cast<float>(v.note), d, v.duration, v.start) *
                            v.channel->gain * v.velocity;
        }
    }
    if (sum > 1.0f) {
        sum = 1.0f;
    }
    if (sum < -1.0f) {
        sum = -1.0f;
    }
    return sum;
}

Waveform* Synth::createWaveform(WaveFunction shape) {
    Waveform& w = waveforms.emplace_back();
    w.shape = shape;
    return &w;
}

Lfo* Synth::createLfo(WaveFunction shape, float frequency, float phase, bool retrigger) {
    Lfo& l = lfos.emplace_back();
    l.shape = shape;
    l.frequency = frequency;
    l.phase = phase;
    l.retrigger = retrigger ? 1 : 0;
    return &l;
}

Envelope* Synth::createEnvelope(float attack, float decay, float sustain, float release) {
    Envelope& e = envelopes.emplace_back();
    e.attack = attack;
    e.decay = decay;
    e.sustain = sustain;
    e.release = release;
    return &e;
}

int Synth::activeVoiceCount() const {
    int n = 0;
    for (const Voice& v : voices) {
        n += v.active ? 1 : 0;
    }
    return n;
}
