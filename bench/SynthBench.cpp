// The cost of the synthesizer: a filter block, one voice of each kind of
// instrument, a growing mix of voices, and a note start.
#include "midi/Sequencer.h"
#include "synth/DenormalGuard.h"
#include "synth/Filter.h"
#include "synth/InstrumentBank.h"
#include "synth/RenderContext.h"
#include "synth/SampleRate.h"
#include "synth/Synth.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<Synth> bankSynth() {
    auto synth = std::make_unique<Synth>();
    BuildInstrumentBank(*synth, 1, Sequencer::sampledInstruments());
    return synth;
}

// Renders blocks of the mix from 0.5 s on, wrapping before the notes end;
// items are samples.
void renderMix(benchmark::State& state, Synth& synth) {
    float times[MaxBlockSamples];
    float out[MaxBlockSamples];
    int sample = 11025;
    for (auto _ : state) {
        for (int n = 0; n < MaxBlockSamples; ++n) {
            times[n] = static_cast<float>(sample + n) / static_cast<float>(SampleRate);
        }
        synth.renderSamples(times, out, MaxBlockSamples);
        benchmark::DoNotOptimize(out);
        sample += MaxBlockSamples;
        if (sample > 90 * SampleRate) {
            sample = 11025;
        }
    }
    state.SetItemsProcessed(state.iterations() * MaxBlockSamples);
}

// A block of one filter type, with the cutoff swept by an LFO (argument 1)
// or fixed (argument 0); items are samples.
void BM_FilterBlock(benchmark::State& state) {
    const DenormalGuard guard;
    const Lfo sweep(Wave::Sine, 3.0f, 0.0f, false);
    RenderContext context;
    Filter filter;
    filter.type = static_cast<int>(state.range(0));
    filter.cutoff = 1200.0f;
    filter.q = 0.7f;
    if (state.range(1) != 0) {
        filter.cutoffMods.addLfo(&sweep, 0.5f, 1.0f);
    }
    FilterState running;
    float t[MaxBlockSamples];
    float x[MaxBlockSamples];
    float time = 0.0f;
    for (auto _ : state) {
        for (int n = 0; n < MaxBlockSamples; ++n) {
            t[n] = time + static_cast<float>(n) / static_cast<float>(SampleRate);
            x[n] = static_cast<float>(n % 7) * 0.1f - 0.3f;
        }
        filter.process(running, context, filter.noteCutoff(0.0f), t, MaxBlockSamples, 1010.0f, 0.0f,
                       x);
        benchmark::DoNotOptimize(x);
        time += MaxBlockSamples / static_cast<float>(SampleRate);
    }
    state.SetItemsProcessed(state.iterations() * MaxBlockSamples);
}
BENCHMARK(BM_FilterBlock)->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), {0, 1}});

// One held note of the named instrument, sampled well after its attack.
void BM_InstrumentVoice(benchmark::State& state, const std::string& name) {
    const DenormalGuard guard;
    auto synth = bankSynth();
    const Instrument* instrument = synth->findInstruments(name).front();
    Channel channel;
    synth->playNote(instrument, &channel, 0.4f, 0, 0.0f, 100.0f);
    renderMix(state, *synth);
}
BENCHMARK_CAPTURE(BM_InstrumentVoice, bass_detroit, std::string("bass:detroit"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, lead_buzzer, std::string("lead:buzzer"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, lead_fifth, std::string("lead:fifth"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, lead_squeak, std::string("lead:squeak"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, pad_oceans, std::string("pad:oceans"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, pad_lush, std::string("pad:lush"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, sample_hat, std::string("sample:drum:hat:hiss:closed"));

// The mix with many voices sounding: the song's densest moments stay near 30.
void BM_MixVoices(benchmark::State& state) {
    const DenormalGuard guard;
    auto synth = bankSynth();
    const Instrument* pad = synth->findInstruments("pad:oceans").front();
    Channel channel;
    for (int i = 0; i < state.range(0); ++i) {
        synth->playNote(pad, &channel, 0.2f, i % 24, 0.0f, 100.0f);
    }
    renderMix(state, *synth);
    // Seconds of audio per CPU second.
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * MaxBlockSamples / SampleRate,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixVoices)->Arg(1)->Arg(8)->Arg(30)->Arg(150);

// Starting a note on a free voice: the instrument's state copied and the
// note's pitches worked out, nothing allocated.
void BM_NoteStart(benchmark::State& state, const std::string& name) {
    auto synth = bankSynth();
    const Instrument& instrument = *synth->findInstruments(name).front();
    Channel channel;
    Voice voice;
    int note = 0;
    for (auto _ : state) {
        voice.active = false;
        voice.startNote(instrument, &channel, 0.4f, note, 1.0f, 0.0f);
        benchmark::DoNotOptimize(voice);
        note = (note + 7) % 48 - 24;
    }
}
BENCHMARK_CAPTURE(BM_NoteStart, lead_phaser, std::string("lead:phaser"));
BENCHMARK_CAPTURE(BM_NoteStart, sample_bass_drum, std::string("sample:drum:bass:mud"));

// A filter on the last whisper of a decayed tail: input and history are
// subnormal floats, which the guard flushes. Argument 1 runs with the guard.
void BM_SilentTail(benchmark::State& state) {
    std::unique_ptr<DenormalGuard> guard;
    if (state.range(0) != 0) {
        guard = std::make_unique<DenormalGuard>();
    }
    RenderContext context;
    Filter filter;
    filter.cutoff = 800.0f;
    filter.q = 4.0f;
    FilterState running;
    volatile float whisper = 1e-39f;
    float x[MaxBlockSamples];
    const float t[MaxBlockSamples] = {};
    for (auto _ : state) {
        for (float& v : x) {
            v = whisper;
        }
        filter.process(running, context, 800.0f, t, MaxBlockSamples, 10.0f, 0.0f, x);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * MaxBlockSamples);
}
BENCHMARK(BM_SilentTail)->Arg(0)->Arg(1);

} // namespace
