#include "synth/Instrument.h"

#include "synth/DenormalGuard.h"

Oscillator& Instrument::addOscillator(const Oscillator& oscillator) {
    oscillators.push_back(oscillator);
    oscillatorCount = static_cast<int>(oscillators.size());
    return oscillators.back();
}

Filter& Instrument::addFilter(const Filter& filter) {
    filters.push_back(filter);
    filterCount = static_cast<int>(filters.size());
    return filters.back();
}

Sampler& Instrument::addSampler(const Sampler& sampler) {
    samplers.push_back(sampler);
    samplerCount = static_cast<int>(samplers.size());
    return samplers.back();
}

void Instrument::reset() {
    oscillators.clear();
    samplers.clear();
    filters.clear();
    oscillatorCount = 0;
    samplerCount = 0;
    filterCount = 0;
    name.clear();
    ampEnvelope = nullptr;
    gain = 1.0f;
}

float Instrument::render(float note, float t, float duration, float start) {
    float x = 0.0f;
    Oscillator* osc = oscillators.data();
    for (int i = 0; i < oscillatorCount; ++i) {
        x = x + osc[i].render(note, t, duration, start);
    }
    const Sampler* smp = samplers.data();
    for (int i = 0; i < samplerCount; ++i) {
        x = x + smp[i].render(t);
    }
    Filter* flt = filters.data();
    for (int i = 0; i < filterCount; ++i) {
        x = flt[i].process(x, t, duration, start, note);
    }
    return ampEnvelope->level(t, duration) * x * gain;
}

void Instrument::copyFrom(const Instrument& source) {
    if (this == &source) {
        return;
    }
    name = source.name;
    gain = source.gain;
    defaultDuration = source.defaultDuration;
    ampEnvelope = source.ampEnvelope;

    filterCount = static_cast<int>(source.filters.size());
    oscillatorCount = static_cast<int>(source.oscillators.size());
    samplerCount = static_cast<int>(source.samplers.size());

    if (filters.size() < source.filters.size()) {
        filters.resize(source.filters.size());
    }
    if (oscillators.size() < source.oscillators.size()) {
        oscillators.resize(source.oscillators.size());
    }
    if (samplers.size() < source.samplers.size()) {
        samplers.resize(source.samplers.size());
    }

    for (int i = 0; i < oscillatorCount; ++i) {
        oscillators[i] = source.oscillators[i];
    }
    for (int i = 0; i < filterCount; ++i) {
        filters[i].copyFrom(source.filters[i]);
    }
    for (int i = 0; i < samplerCount; ++i) {
        Sampler& to = samplers[i];
        const Sampler& from = source.samplers[i];
        to.buffer.assign(from.buffer.begin(), from.buffer.end());
        to.source = from.source;
        to.note = from.note;
        to.gain = from.gain;
        to.duration = from.duration;
    }
}

void Instrument::prerenderSamples() {
    const DenormalGuard guard;
    for (int i = 0; i < samplerCount; ++i) {
        samplers[i].prerender();
    }
}
