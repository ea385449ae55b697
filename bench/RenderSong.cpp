// The show's song rendered once, start-up included, as one process: the
// figure the side-by-side run against other MIDI players times. With a path,
// writes the rendered samples there as a WAV file.
#include "audio/AudioStream.h"
#include "audio/WavImage.h"
#include "synth/SampleRate.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr int ShowSeconds = 103;

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        // An option is no file name: "--help" would otherwise become a WAV file.
        std::fprintf(stderr, "usage: %s [FILE.wav]\n", argv[0]);
        return 2;
    }
    AudioStream stream;
    if (!stream.renderSong(ShowSeconds * SampleRate)) {
        return 1;
    }
    if (argc < 2) {
        return 0;
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    // The image's header announces the whole capacity; this file holds only
    // what was rendered.
    const std::int32_t samples = stream.samplesRendered();
    std::uint8_t header[WavImage::HeaderBytes];
    WavImage::writeHeader(header, samples, SampleRate);
    const auto dataBytes = static_cast<std::size_t>(samples) * WavImage::BytesPerSample;
    const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                         std::fwrite(stream.image().pcm(), 1, dataBytes, file) == dataBytes;
    return std::fclose(file) == 0 && written ? 0 : 1;
}
