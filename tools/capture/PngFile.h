// Writes 8-bit RGB pictures as PNG files.
#pragma once

#include <cstdint>
#include <string>

// `rgb` holds height rows of width x 3 bytes, the top row first. Returns false
// with `error` set when the file cannot be written.
bool WritePng(const std::string& path, const std::uint8_t* rgb, int width, int height,
              std::string& error);
