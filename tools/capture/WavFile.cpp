#include "tools/capture/WavFile.h"

#include "audio/WavImage.h"

#include <cstdio>

bool WriteWav(std::FILE* file, const std::uint8_t* pcm, std::int32_t count,
              std::int32_t sampleRate) {
    std::uint8_t header[WavImage::HeaderBytes];
    WavImage::writeHeader(header, count, sampleRate);
    const auto dataBytes = static_cast<std::size_t>(count) * WavImage::BytesPerSample;
    return std::fwrite(header, 1, sizeof header, file) == sizeof header &&
           std::fwrite(pcm, 1, dataBytes, file) == dataBytes && std::fflush(file) == 0;
}
