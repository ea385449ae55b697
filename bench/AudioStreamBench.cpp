// Start-up cost and real-time factor of the music driver.
#include "audio/AudioStream.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr float ShowSeconds = 103.0f;

// Building the synthesizer, loading the song and rendering its first 5 s:
// the show's start-up cost for audio.
void BM_AudioInit(benchmark::State& state) {
    for (auto _ : state) {
        auto stream = std::make_unique<AudioStream>();
        stream->init();
        benchmark::DoNotOptimize(stream->samplesRendered());
    }
}
BENCHMARK(BM_AudioInit)->Unit(benchmark::kMillisecond);

// The show's whole song, start-up included, as the capture tool renders it;
// the counter is seconds of audio per CPU second, its median over five runs.
void BM_RenderShow(benchmark::State& state) {
    for (auto _ : state) {
        auto stream = std::make_unique<AudioStream>();
        stream->renderSong(static_cast<int>(ShowSeconds) * SampleRate);
        benchmark::DoNotOptimize(stream->samplesRendered());
    }
    state.counters["realtime_factor"] = benchmark::Counter(
        ShowSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderShow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
