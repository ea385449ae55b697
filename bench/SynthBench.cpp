// The per-sample cost of the synthesizer: one filter, one voice of each kind
// of instrument, and a full chord of voices.
#include "synth/DenormalGuard.h"
#include "synth/Filter.h"
#include "synth/Synth.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

void BM_FilterSample(benchmark::State& state) {
    const DenormalGuard guard;
    Filter filter(22050, static_cast<int>(state.range(0)), 1200.0f, 0.7f);
    float x = 0.0f;
    float t = 0.0f;
    for (auto _ : state) {
        x = filter.process(x * 0.5f + 0.25f, t, 10.0f, 0.0f, 0.0f);
        t += 1.0f / 22050.0f;
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FilterSample)->DenseRange(0, 7);

// One held note of the named instrument, sampled well after its attack.
void BM_InstrumentVoice(benchmark::State& state, const std::string& name) {
    const DenormalGuard guard;
    Synth synth;
    synth.init(22050);
    Instrument* instrument = synth.findInstruments(name).front();
    if (instrument->samplerCount > 0) {
        instrument->prerenderSamples();
    }
    Channel channel;
    synth.playNote(instrument, &channel, 0.4f, 0, 0.0f, 100.0f);
    float t = 0.5f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(synth.renderSample(t));
        t += 1.0f / 22050.0f;
        if (t > 90.0f) {
            t = 0.5f;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_InstrumentVoice, bass_detroit, std::string("bass:detroit"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, lead_buzzer, std::string("lead:buzzer"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, lead_fifth, std::string("lead:fifth"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, pad_oceans, std::string("pad:oceans"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, pad_lush, std::string("pad:lush"));
BENCHMARK_CAPTURE(BM_InstrumentVoice, sample_hat, std::string("sample:drum:hat:hiss:closed"));

// The mix with many voices sounding: the song's densest moments stay near 30.
void BM_MixVoices(benchmark::State& state) {
    const DenormalGuard guard;
    Synth synth;
    synth.init(22050);
    Instrument* pad = synth.findInstruments("pad:oceans").front();
    Channel channel;
    for (int i = 0; i < state.range(0); ++i) {
        synth.playNote(pad, &channel, 0.2f, i % 24, 0.0f, 100.0f);
    }
    float t = 0.5f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(synth.renderSample(t));
        t += 1.0f / 22050.0f;
        if (t > 90.0f) {
            t = 0.5f;
        }
    }
    state.SetItemsProcessed(state.iterations());
    // Seconds of audio per CPU second.
    state.counters["realtime_factor"] = benchmark::Counter(
        static_cast<double>(state.iterations()) / 22050.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixVoices)->Arg(1)->Arg(8)->Arg(30)->Arg(150);

// A filter on the last whisper of a decayed tail: input and history are
// subnormal floats, which the guard flushes. Argument 1 runs with the guard.
void BM_SilentTail(benchmark::State& state) {
    std::unique_ptr<DenormalGuard> guard;
    if (state.range(0) != 0) {
        guard = std::make_unique<DenormalGuard>();
    }
    Filter filter(22050, 0, 800.0f, 4.0f);
    volatile float whisper = 1e-39f;
    float y = 0.0f;
    for (auto _ : state) {
        y = filter.process(whisper, 0.0f, 10.0f, 0.0f, 0.0f);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SilentTail)->Arg(0)->Arg(1);

} // namespace
