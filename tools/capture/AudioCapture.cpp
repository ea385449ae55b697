#include "tools/capture/AudioCapture.h"

#include "audio/AudioStream.h"
#include "common/DemoState.h"
#include "tools/capture/Interruption.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

} // namespace

std::vector<std::uint8_t> RenderShowAudio(std::uint32_t seed) {
    const double started = cpuSeconds();
    demo.randomSeed = seed;
    AudioStream music;
    const bool inPlace = isatty(STDERR_FILENO) != 0;
    const bool whole = music.renderSong(ShowAudioSamples, [inPlace](std::int32_t rendered) {
        // The last second's render runs past the show's end; the file does not.
        const std::int32_t written = std::min(rendered, ShowAudioSamples);
        std::fprintf(stderr, "hallatorvo-capture: audio %5.1f of %d s%s",
                     written / static_cast<double>(ShowSampleRate),
                     ShowAudioSamples / ShowSampleRate, inPlace ? "\r" : "\n");
        return Interruption() == 0;
    });
    if (!whole) {
        return {};
    }

    // The image already holds the samples as WAV data.
    const std::uint8_t* pcm = music.image().pcm();
    const std::size_t bytes = std::size_t(ShowAudioSamples) * WavImage::BytesPerSample;
    std::vector<std::uint8_t> samples(pcm, pcm + bytes);
    const double cpu = cpuSeconds() - started;
    const double audio = ShowAudioSamples / static_cast<double>(ShowSampleRate);
    std::fprintf(stderr,
                 "%shallatorvo-capture: %.2f s of audio in %.2f CPU s, real-time factor %.1f\n",
                 inPlace ? "\n" : "", audio, cpu, cpu > 0.0 ? audio / cpu : 0.0);
    return samples;
}
