// Writing 16-bit mono PCM as a canonical WAV file.
#pragma once

#include <cstdint>
#include <string>

// Writes count samples at sampleRate, given as little-endian 16-bit PCM bytes;
// the header's sizes match the file. Returns false with a message in error
// when the file cannot be written.
bool WriteWav(const std::string& path, const std::uint8_t* pcm, std::int32_t count,
              std::int32_t sampleRate, std::string& error);
