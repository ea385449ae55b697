#include "synth/VoiceBatch.h"

#include <algorithm>

namespace {

constexpr FilterForm Forms[] = {FilterForm::Gain,  FilterForm::Symmetric, FilterForm::BandPass,
                                FilterForm::Shelf, FilterForm::Peaking,   FilterForm::Identity};

} // namespace

// Voice after voice, oscillator after oscillator, into runs of one wave: a
// run may hold several oscillators of a voice, as each sample's sum takes
// the lanes in order, and the oscillators of several voices.
void VoiceBatch::renderOscillators(const BatchVoice* voices, int voiceCount, RenderContext& context,
                                   int count) {
    OscillatorLane lanes[Oscillator::MaxLanes];
    int filled = 0;
    Wave wave = Wave::Sine;
    for (int v = 0; v < voiceCount; ++v) {
        const BatchVoice& voice = voices[v];
        const Instrument& instrument = *voice.instrument;
        for (int i = 0; i < instrument.oscillators.size(); ++i) {
            const Oscillator& oscillator = instrument.oscillators[i];
            if (filled > 0 && (oscillator.wave->shape != wave || filled == Oscillator::MaxLanes)) {
                Oscillator::run(wave, true, lanes, filled, count);
                filled = 0;
            }
            wave = oscillator.wave->shape;
            OscillatorLane& lane = lanes[filled];
            lane.phase = &voice.state->phases[i];
            lane.steps = steps[filled].data();
            lane.amplitude = oscillator.amplitude;
            lane.x = voice.out;
            if (oscillator.steps(*lane.phase, voice.constants->frequencies[i], context, voice.t,
                                 count, voice.duration, voice.start, steps[filled].data(),
                                 lane.stride)) {
                ++filled;
                continue;
            }
            // Out of a cycle: alone, after what the voice has added so far.
            if (filled > 0) {
                Oscillator::run(wave, true, lanes, filled, count);
                lanes[0] = lane;
                filled = 0;
            }
            Oscillator::run(wave, false, &lanes[0], 1, count);
        }
    }
    if (filled > 0) {
        Oscillator::run(wave, true, lanes, filled, count);
    }
}

// The j-th filters of all voices, form by form, after the (j-1)-th.
void VoiceBatch::renderFilters(const BatchVoice* voices, int voiceCount, RenderContext& context,
                               int count) {
    int most = 0;
    for (int v = 0; v < voiceCount; ++v) {
        most = std::max(most, voices[v].instrument->filters.size());
    }
    for (int j = 0; j < most; ++j) {
        for (const FilterForm form : Forms) {
            FilterLane lanes[Filter::MaxLanes];
            int filled = 0;
            for (int v = 0; v < voiceCount; ++v) {
                const BatchVoice& voice = voices[v];
                const Instrument& instrument = *voice.instrument;
                if (j >= instrument.filters.size() || instrument.filters[j].form() != form) {
                    continue;
                }
                FilterLane& lane = lanes[filled];
                lane.state = &voice.state->filters[j];
                lane.coefficients = coefficients[filled].data();
                lane.x = voice.out;
                lane.stride = instrument.filters[j].design(
                    *lane.state, context, voice.constants->cutoffs[j], voice.t, count,
                    voice.duration, voice.start, coefficients[filled].data());
                if (++filled == Filter::MaxLanes) {
                    Filter::recurse(form, lanes, filled, count);
                    filled = 0;
                }
            }
            if (filled > 0) {
                Filter::recurse(form, lanes, filled, count);
            }
        }
    }
}

void VoiceBatch::render(const BatchVoice* voices, int voiceCount, RenderContext& context,
                        int count) {
    for (int v = 0; v < voiceCount; ++v) {
        std::fill(voices[v].out, voices[v].out + count, 0.0f);
    }
    renderOscillators(voices, voiceCount, context, count);
    for (int v = 0; v < voiceCount; ++v) {
        for (const Sampler& sampler : voices[v].instrument->samplers) {
            sampler.render(voices[v].t, count, voices[v].out);
        }
    }
    renderFilters(voices, voiceCount, context, count);
    for (int v = 0; v < voiceCount; ++v) {
        voices[v].instrument->finish(voices[v].t, count, voices[v].duration, voices[v].out);
    }
}
