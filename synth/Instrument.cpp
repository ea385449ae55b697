#include "synth/Instrument.h"

#include "synth/Block.h"
#include "synth/DenormalGuard.h"

namespace {

// How many draws of the shared random generator one sample takes.
int randomDrawsPerSample(const Instrument& instrument) {
    auto noisy = [](const ModChain& chain) {
        int draws = 0;
        for (int i = 0; i < chain.used; ++i) {
            const Modulator& m = chain.entries[i];
            draws += m.kind == Modulator::LfoSource && m.lfo->shape == Wave::Noise ? 1 : 0;
        }
        return draws;
    };
    int draws = 0;
    for (int i = 0; i < instrument.oscillatorCount; ++i) {
        const Waveform& waveform = *instrument.oscillators[i].waveform;
        draws += (waveform.shape == Wave::Noise ? 1 : 0) + noisy(waveform.pitchMods);
    }
    for (int i = 0; i < instrument.filterCount; ++i) {
        draws += noisy(instrument.filters[i].cutoffMods);
    }
    return draws;
}

} // namespace

Oscillator* Instrument::addOscillator(const Oscillator& oscillator) {
    if (oscillatorCount == MaxOscillators) {
        return nullptr;
    }
    oscillators[oscillatorCount] = oscillator;
    return &oscillators[oscillatorCount++];
}

Filter* Instrument::addFilter(const Filter& filter) {
    if (filterCount == MaxFilters) {
        return nullptr;
    }
    filters[filterCount] = filter;
    return &filters[filterCount++];
}

Sampler* Instrument::addSampler(const Sampler& sampler) {
    if (samplerCount == MaxSamplers) {
        return nullptr;
    }
    samplers[samplerCount] = sampler;
    return &samplers[samplerCount++];
}

void Instrument::reset() {
    oscillators = {};
    samplers = {};
    filters = {};
    oscillatorCount = 0;
    samplerCount = 0;
    filterCount = 0;
    name.clear();
    ampEnvelope = nullptr;
    gain = 1.0f;
    resetState();
}

void Instrument::resetState() {
    for (int i = 0; i < MaxOscillators; ++i) {
        state.phases[i] = oscillators[i].phase;
    }
    state.filters = {};
}

NoteConstants Instrument::noteConstants(int note) const {
    NoteConstants constants;
    constants.note = static_cast<float>(note);
    constants.randomDraws = randomDrawsPerSample(*this);
    for (int i = 0; i < oscillatorCount; ++i) {
        constants.frequencies[i] = Oscillator::frequency(oscillators[i].pitch(constants.note));
    }
    for (int i = 0; i < filterCount; ++i) {
        constants.cutoffs[i] = filters[i].noteCutoff(constants.note);
    }
    return constants;
}

void Instrument::render(InstrumentState& s, const NoteConstants& note, const float* t, int count,
                        float duration, float start, float* out) const {
    if (count > 1 && note.randomDraws > 1) {
        // Noise units take turns at the random generator on every sample;
        // rendered one unit after the other they would not.
        for (int n = 0; n < count; ++n) {
            render(s, note, t + n, 1, duration, start, out + n);
        }
        return;
    }
    // Sums and products keep the order of a sample-by-sample evaluation:
    // oscillators, then samplers, added one unit at a time to 0.
    for (int n = 0; n < count; ++n) {
        out[n] = 0.0f;
    }
    for (int i = 0; i < oscillatorCount; ++i) {
        oscillators[i].render(s.phases[i], note.frequencies[i], t, count, duration, start, out);
    }
    for (int i = 0; i < samplerCount; ++i) {
        samplers[i].render(t, count, out);
    }
    for (int i = 0; i < filterCount; ++i) {
        filters[i].process(s.filters[i], note.cutoffs[i], t, count, duration, start, out);
    }
    float level[MaxBlockSamples];
    ampEnvelope->levels(t, count, duration, level);
    for (int n = 0; n < count; ++n) {
        out[n] = level[n] * out[n] * gain;
    }
}

void Instrument::prerenderSamples() {
    const DenormalGuard guard;
    for (int i = 0; i < samplerCount; ++i) {
        samplers[i].prerender();
    }
}
