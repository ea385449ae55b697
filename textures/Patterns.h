// The two generated grey patterns and their bump maps. Pattern A is uniform
// noise, pattern B a diagonal cross-hatching with a little noise; the bump map
// packs the x and y slopes, the normal's z and the height into one RGBA pixel,
// so one texture carries both the normal and the height for parallax.
#pragma once

#include <cstdint>

constexpr int PatternSize = 512;
constexpr int PatternPixels = PatternSize * PatternSize;
constexpr int PatternBytes = PatternPixels * 4;

// Pattern pixels are (v, v, v, 0); bump pixels are (dx, dy, nz, h). Both are
// row-major RGBA, row 0 first, and keep their last contents after start-up.
extern std::uint8_t patternBuffer[PatternBytes];
extern std::uint8_t bumpBuffer[PatternBytes];

// Fills the pattern buffer from the shared random generator: variant 0 makes
// pattern A, any other value pattern B. Draws two values per pixel for A and
// one for B, pixel by pixel in memory order.
void GeneratePattern(int variant);

// Derives the bump buffer from the red byte of every pattern pixel.
void DeriveBumpMap();
