#include "synth/Instrument.h"

#include "synth/Block.h"
#include "synth/DenormalGuard.h"
#include "synth/Lanes.h"
#include "synth/SampleRate.h"

namespace {

// How many draws of the shared random generator one sample takes.
int randomDrawsPerSample(const Instrument& instrument) {
    auto noisy = [](const ModChain& chain) {
        int draws = 0;
        for (const Modulator& m : chain.modulators) {
            draws += m.kind == Modulator::LfoSource && m.lfo->shape == Wave::Noise ? 1 : 0;
        }
        return draws;
    };
    int draws = 0;
    for (const Oscillator& oscillator : instrument.oscillators) {
        const ModulatedWave& wave = *oscillator.wave;
        draws += (wave.shape == Wave::Noise ? 1 : 0) + noisy(wave.pitchMods);
    }
    for (const Filter& filter : instrument.filters) {
        draws += noisy(filter.cutoffMods);
    }
    return draws;
}

} // namespace

void Instrument::prepare() {
    randomDraws = randomDrawsPerSample(*this);
    startState = VoiceState{};
    for (int i = 0; i < oscillators.size(); ++i) {
        startState.phases[i] = oscillators[i].startPhase;
    }
}

NoteConstants Instrument::noteConstants(int note) const {
    NoteConstants constants;
    constants.note = static_cast<float>(note);
    for (int i = 0; i < oscillators.size(); ++i) {
        constants.frequencies[i] = Oscillator::frequency(oscillators[i].pitch(constants.note));
    }
    for (int i = 0; i < filters.size(); ++i) {
        constants.cutoffs[i] = filters[i].noteCutoff(constants.note);
    }
    return constants;
}

void Instrument::render(VoiceState& state, const NoteConstants& note, RenderContext& context,
                        const float* t, int count, float duration, float start, float* out) const {
    // Sums and products keep the order of a sample-by-sample evaluation:
    // oscillators, then samplers, added one unit at a time to 0.
    for (int n = 0; n < count; ++n) {
        out[n] = 0.0f;
    }
    for (int i = 0; i < oscillators.size(); ++i) {
        oscillators[i].render(state.phases[i], note.frequencies[i], context, t, count, duration,
                              start, out);
    }
    for (const Sampler& sampler : samplers) {
        sampler.render(t, count, out);
    }
    for (int i = 0; i < filters.size(); ++i) {
        filters[i].process(state.filters[i], context, note.cutoffs[i], t, count, duration, start,
                           out);
    }
    finish(t, count, duration, out);
}

void Instrument::finish(const float* t, int count, float duration, float* out) const {
    float level[MaxBlockSamples];
    ampEnvelope->levels(t, count, duration, level);
    InFours(count, [&](auto lanes, int n) {
        Store(out + n, Load(lanes, level + n) * Load(lanes, out + n) * gain);
    });
}

std::vector<float> Instrument::renderNote(VoiceState& state, RenderContext& context, int note,
                                          float duration, float level) const {
    std::vector<float> samples;
    if (duration == 0.0f || note == 0 || ampEnvelope == nullptr) {
        return samples;
    }
    const DenormalGuard guard;
    const float length = ampEnvelope->release + duration;
    const NoteConstants constants = noteConstants(note);
    // Time accumulates in single precision, which sets the buffer length.
    float times[MaxBlockSamples];
    float out[MaxBlockSamples];
    float t = 0.0f;
    while (t < length) {
        int count = 0;
        for (; count < MaxBlockSamples && t < length; ++count) {
            times[count] = t;
            t = t + SampleStep;
        }
        // Free-running LFOs see start 0: they run on t alone.
        inDrawOrder(randomDraws, count, [&](int from, int part) {
            render(state, constants, context, times + from, part, duration, 0.0f, out + from);
        });
        for (int n = 0; n < count; ++n) {
            samples.push_back(out[n] * level);
        }
    }
    return samples;
}
