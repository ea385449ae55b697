// Writing 16-bit mono PCM as a canonical WAV file.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes count samples at sampleRate, given as little-endian 16-bit PCM bytes;
// the header's sizes match the file. Returns false when a write fails (errno
// tells why).
bool WriteWav(std::FILE* file, const std::uint8_t* pcm, std::int32_t count,
              std::int32_t sampleRate);
