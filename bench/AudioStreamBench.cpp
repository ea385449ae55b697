// Start-up cost and real-time factor of the music driver.
#include "audio/AudioStream.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Building the synthesizer, loading the song and rendering its first 5 s:
// the show's start-up cost for audio.
void BM_AudioInit(benchmark::State& state) {
    for (auto _ : state) {
        auto stream = std::make_unique<AudioStream>();
        stream->init();
        benchmark::DoNotOptimize(stream->samplesRendered);
    }
}
BENCHMARK(BM_AudioInit)->Unit(benchmark::kMillisecond);

// The show's 103 s of audio; the counter is seconds of audio per CPU second.
void BM_RenderShow(benchmark::State& state) {
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto stream = std::make_unique<AudioStream>();
        stream->init();
        state.ResumeTiming();
        stream->renderAhead(103.0f - stream->samplesRendered / 22050.0f);
        seconds += stream->samplesRendered / 22050.0 - 5.0;
    }
    state.counters["realtime_factor"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderShow)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
