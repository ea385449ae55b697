// The show's song rendered once, start-up included, as one process: the
// figure the side-by-side run against other MIDI players times. With a path,
// writes the rendered samples there as a WAV file.
#include "audio/AudioStream.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int ShowSeconds = 103;

} // namespace

int main(int argc, char** argv) {
    AudioStream stream;
    stream.init();
    while (stream.samplesRendered < ShowSeconds * stream.sampleRate) {
        stream.renderAhead(1.0f);
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
    const auto dataBytes = static_cast<std::uint32_t>(2 * stream.samplesRendered);
    std::uint8_t header[AudioStream::HeaderBytes];
    std::memcpy(header, stream.image.get(), sizeof header);
    const std::uint32_t sizes[2] = {dataBytes + 36, dataBytes};
    const int at[2] = {4, 40};
    for (int i = 0; i < 2; ++i) {
        for (int b = 0; b < 4; ++b) {
            header[at[i] + b] = static_cast<std::uint8_t>(sizes[i] >> (8 * b));
        }
    }
    const bool written =
        std::fwrite(header, 1, sizeof header, file) == sizeof header &&
        std::fwrite(stream.image.get() + AudioStream::HeaderBytes, 1, dataBytes, file) == dataBytes;
    return std::fclose(file) == 0 && written ? 0 : 1;
}
