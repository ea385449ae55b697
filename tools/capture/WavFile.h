// Writing 16-bit mono PCM as a canonical WAV file.
#pragma once

#include <cstdint>
#include <string>

// Writes count samples at sampleRate; the header's sizes match the file.
// Returns false with a message in error when the file cannot be written.
bool WriteWav(const std::string& path, const std::int16_t* samples, std::int32_t count,
              std::int32_t sampleRate, std::string& error);
