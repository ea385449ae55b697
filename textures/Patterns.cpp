#include "textures/Patterns.h"

#include "common/Random.h"

#include <cmath>

std::uint8_t patternBuffer[PatternBytes];
std::uint8_t bumpBuffer[PatternBytes];

namespace {

constexpr int RandMax = 32767;

std::uint8_t clampByte(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

int height(int x, int y) {
    return patternBuffer[(y * PatternSize + x) * 4];
}

// 127 + half the central difference, halved by an arithmetic shift so odd
// negative differences round toward minus infinity.
int slope(int before, int after) {
    return 127 + ((after - before) >> 1);
}

} // namespace

void GeneratePattern(int variant) {
    for (int i = 0; i < PatternPixels; ++i) {
        const int y = i / PatternSize;
        const int x = i % PatternSize;
        const int r1 = Random::rand();
        int v;
        if (variant == 0) {
            // The first draw is spent unused; A advances the generator twice per pixel.
            const int r2 = Random::rand();
            v = 32 + r2 * 128 / RandMax;
        } else {
            // Two families of diagonals with a period of 8 pixels; & 7 is the
            // non-negative residue even when y - x is negative.
            v = r1 * 32 / RandMax + 8 * (((y - x) & 7) + ((x + y) & 7));
        }
        std::uint8_t* pixel = patternBuffer + i * 4;
        pixel[0] = pixel[1] = pixel[2] = static_cast<std::uint8_t>(v);
        pixel[3] = 0;
    }
}

void DeriveBumpMap() {
    const int last = PatternSize - 1;
    for (int y = 0; y < PatternSize; ++y) {
        for (int x = 0; x < PatternSize; ++x) {
            // Borders are flat across the border: no wrap-around.
            const int dx = (x == 0 || x == last) ? 127 : slope(height(x - 1, y), height(x + 1, y));
            const int dy = (y == 0 || y == last) ? 127 : slope(height(x, y - 1), height(x, y + 1));
            const float nx = static_cast<float>(dx - 127) / 128.0f;
            const float ny = static_cast<float>(dy - 127) / 128.0f;
            // Only differences the patterns cannot produce drive this below zero.
            float zz = 1.0f - nx * nx - ny * ny;
            if (zz < 0.0f) {
                zz = 0.0f;
            }
            const float nz = std::sqrt(zz);
            std::uint8_t* pixel = bumpBuffer + (y * PatternSize + x) * 4;
            pixel[0] = clampByte(dx);
            pixel[1] = clampByte(dy);
            pixel[2] = clampByte(static_cast<int>(nz * 128.0f + 127.0f));
            pixel[3] = static_cast<std::uint8_t>(height(x, y));
        }
    }
}
