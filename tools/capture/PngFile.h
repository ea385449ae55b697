// Writes 8-bit RGB pictures as PNG files.
#pragma once

#include <cstdint>
#include <cstdio>

// `rgb` holds height rows of width x 3 bytes, the top row first. Returns false
// when the file does not take the data (errno tells why when a write failed).
bool WritePng(std::FILE* file, const std::uint8_t* rgb, int width, int height);
