// A PNG file decoded to 8-bit RGB, top row first, for tests of written frames.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgb; // empty when the file could not be read
};

Picture ReadPng(const std::filesystem::path& path);
