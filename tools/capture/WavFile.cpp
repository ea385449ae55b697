#include "tools/capture/WavFile.h"

#include <cstdio>
#include <cstring>

namespace {

void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, value & 0xFFFFu);
    put16(at + 2, value >> 16);
}

} // namespace

bool WriteWav(std::FILE* file, const std::uint8_t* pcm, std::int32_t count,
              std::int32_t sampleRate) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(count) * 2u;
    std::uint8_t header[44];
    std::uint8_t* h = header;
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, dataBytes + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1); // PCM
    put16(h + 22, 1); // mono
    put32(h + 24, static_cast<std::uint32_t>(sampleRate));
    put32(h + 28, static_cast<std::uint32_t>(sampleRate) * 2u);
    put16(h + 32, 2);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);

    return std::fwrite(header, 1, sizeof header, file) == sizeof header &&
           std::fwrite(pcm, 1, dataBytes, file) == dataBytes && std::fflush(file) == 0;
}
