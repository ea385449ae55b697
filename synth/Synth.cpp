#include "synth/Synth.h"

#include "synth/Lanes.h"

#include <algorithm>

namespace {

static_assert(Synth::voiceCount <= 256, "active slots are stored as bytes");

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

// The samples of a block during which a voice sounds: [from, to), d = time -
// start above 0 and not above end. d grows with time, so they are one run;
// ended tells whether a sample past the end was reached.
struct Span {
    int from;
    int to;
    bool ended;
};

Span soundingSpan(const Voice& v, const float* times, int count) {
    // Most blocks lie wholly inside a note or wholly before its start.
    const float last = times[count - 1] - v.start;
    if (last <= v.end) {
        if (times[0] - v.start > 0.0f) {
            return {0, count, false};
        }
        if (last <= 0.0f) {
            return {count, count, false};
        }
    }
    Span span{count, count, false};
    for (int n = 0; n < count; ++n) {
        const float d = times[n] - v.start;
        if (d > v.end) {
            span.to = n;
            span.ended = true;
            break;
        }
        if (d > 0.0f && span.from == count) {
            span.from = n;
        }
    }
    span.from = std::min(span.from, span.to);
    return span;
}

} // namespace

std::vector<const Instrument*> Synth::findInstruments(std::string_view pattern) const {
    std::vector<const Instrument*> found;
    for (const auto& instrument : instruments) {
        if (matches(pattern, instrument->name)) {
            found.push_back(instrument.get());
        }
    }
    return found;
}

Instrument* Synth::registerInstrument(const Instrument& templ, const std::string& name) {
    auto instrument = std::make_unique<Instrument>(templ);
    if (!name.empty()) {
        instrument->name = name;
    }
    for (Filter& filter : instrument->filters) {
        filter.memo = context.addFilterDesigns();
    }
    instrument->prepare();
    instruments.push_back(std::move(instrument));
    return instruments.back().get();
}

std::vector<float> Synth::prerender(Instrument& source, int note, float duration, float level) {
    return source.renderNote(source.startState, context, note, duration, level);
}

void Synth::activate(int slot) {
    int at = activeCount;
    while (at > 0 && activeSlots[at - 1] > slot) {
        activeSlots[at] = activeSlots[at - 1];
        --at;
    }
    activeSlots[at] = static_cast<std::uint8_t>(slot);
    ++activeCount;
}

void Synth::playNote(const Instrument* instrument, const Channel* channel, float velocity, int note,
                     float startTime, float duration) {
    if (velocity == 0.0f) {
        for (int k = 0; k < activeCount; ++k) {
            Voice& v = voices[activeSlots[k]];
            if (v.note == note && v.channel == channel && v.duration > Voice::heldThreshold) {
                v.duration = startTime - v.start;
                v.end = v.duration + v.instrument->ampEnvelope->release;
            }
        }
        return;
    }
    // A note without an instrument, channel or amplitude envelope cannot sound.
    if (instrument == nullptr || channel == nullptr || instrument->ampEnvelope == nullptr) {
        return;
    }
    for (int slot = 0; slot < voiceCount; ++slot) {
        if (voices[slot].startNote(*instrument, channel, velocity, note, startTime, duration)) {
            activate(slot);
            return;
        }
    }
}

void Synth::renderSamples(const float* times, float* out, int count) {
    // In blocks the units can hold.
    for (; count > MaxBlockSamples; count -= MaxBlockSamples) {
        renderBlock(times, out, MaxBlockSamples);
        times += MaxBlockSamples;
        out += MaxBlockSamples;
    }
    if (count > 0) {
        renderBlock(times, out, count);
    }
}

void Synth::renderBlock(const float* times, float* out, int count) {
    Span spans[voiceCount]; // filled for the active voices only
    int draws = 0;
    for (int k = 0; k < activeCount; ++k) {
        const Voice& v = voices[activeSlots[k]];
        spans[k] = soundingSpan(v, times, count);
        if (spans[k].from < spans[k].to) {
            draws += v.instrument->randomDraws;
        }
    }
    if (draws > 1 && count > 1) {
        inDrawOrder(draws, count,
                    [&](int from, int length) { renderBlock(times + from, out + from, length); });
        return;
    }

    // Each voice's sound first: those sounding through the block without
    // noise together, the others alone.
    BatchVoice batched[voiceCount];
    int batchedCount = 0;
    for (int k = 0; k < activeCount; ++k) {
        Voice& v = voices[activeSlots[k]];
        const Span span = spans[k];
        const int length = span.to - span.from;
        if (length <= 0) {
            continue;
        }
        float* d = noteTimes[k].data();
        const float* from = times + span.from;
        InFours(length, [&](auto lanes, int n) { Store(d + n, Load(lanes, from + n) - v.start); });
        if (length == count && v.instrument->randomDraws == 0) {
            batched[batchedCount++] = {v.instrument, &v.state, &v.constants,    d,
                                       v.duration,   v.start,  sounds[k].data()};
        } else {
            v.instrument->render(v.state, v.constants, context, d, length, v.duration, v.start,
                                 sounds[k].data());
        }
    }
    batch.render(batched, batchedCount, context, count);

    // Then the mix, voice by voice in slot order: each sample's sum is formed
    // in the same order as one sample at a time would form it.
    for (int n = 0; n < count; ++n) {
        out[n] = 0.0f;
    }
    int kept = 0;
    for (int k = 0; k < activeCount; ++k) {
        const int slot = activeSlots[k];
        Voice& v = voices[slot];
        const Span span = spans[k];
        const int length = span.to - span.from;
        if (length > 0) {
            const float* sound = sounds[k].data();
            const float gain = v.channel->gain;
            const float velocity = v.velocity;
            float* mix = out + span.from;
            InFours(length, [&](auto lanes, int n) {
                Store(mix + n, Load(lanes, mix + n) + Load(lanes, sound + n) * gain * velocity);
            });
        }
        if (span.ended) {
            v.active = false;
        } else {
            activeSlots[kept++] = static_cast<std::uint8_t>(slot);
        }
    }
    activeCount = kept;

    // The top first, then the bottom; a NaN passes both.
    InFours(count, [&](auto lanes, int n) {
        auto v = Load(lanes, out + n);
        v = Select(v > 1.0f, Splat(v, 1.0f), v);
        Store(out + n, Select(v < -1.0f, Splat(v, -1.0f), v));
    });
}

ModulatedWave* Synth::createModulatedWave(Wave shape) {
    ModulatedWave& w = modulatedWaves.emplace_back();
    w.shape = shape;
    return &w;
}

Lfo* Synth::createLfo(Wave shape, float frequency, float phase, bool retrigger) {
    return &lfos.emplace_back(shape, frequency, phase, retrigger, context.addLfoSines());
}

Envelope* Synth::createEnvelope(float attack, float decay, float sustain, float release) {
    Envelope& e = envelopes.emplace_back();
    e.attack = attack;
    e.decay = decay;
    e.sustain = sustain;
    e.release = release;
    return &e;
}
