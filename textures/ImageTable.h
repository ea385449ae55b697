// The PNG images compiled into the program, chosen by index; nothing is read
// from disk. Entry 5 is empty and never decoded.
#pragma once

#include <cstdint>

constexpr int ImageCount = 7;

struct ImageEntry {
    const unsigned char* bytes; // a complete PNG file, or null for the empty entry
    std::int32_t length;        // in bytes
};

// Indexes: 0 "lumimatto.png", 1 "taustakuva.png", 2 "flake8.png", 3 "flake5.png",
// 4 "flake9b.png", 5 empty, 6 "teksts_hiutalemap3.png".
extern const ImageEntry ImageTable[ImageCount];
