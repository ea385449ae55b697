// The generated patterns and their bump maps: value ranges, the number of
// draws from the shared generator, the hatch geometry and the slope encoding.
#include "textures/Patterns.h"
#include "common/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t Seed = 0x5EED1234u;

// The generator state after `draws` steps, advanced without Random.
std::uint32_t stateAfter(std::uint32_t state, long draws) {
    for (long i = 0; i < draws; ++i) {
        state = state * 214013u + 2531011u;
    }
    return state;
}

// The draw with number `n` (0-based) after seeding.
int drawNumber(std::uint32_t seed, int n) {
    Random::srand(seed);
    for (int i = 0; i < n; ++i) {
        Random::rand();
    }
    return Random::rand();
}

const std::uint8_t* patternAt(int x, int y) {
    return patternBuffer + (y * PatternSize + x) * 4;
}
const std::uint8_t* bumpAt(int x, int y) {
    return bumpBuffer + (y * PatternSize + x) * 4;
}

void fillPattern(int (*height)(int x, int y)) {
    for (int y = 0; y < PatternSize; ++y) {
        for (int x = 0; x < PatternSize; ++x) {
            std::uint8_t* p = patternBuffer + (y * PatternSize + x) * 4;
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(height(x, y));
            p[3] = 0;
        }
    }
}

} // namespace

TEST(PatternA, IsGreyNoiseFrom32To160WithAlphaZeroAndTwoDrawsPerPixel) {
    Random::srand(Seed);
    GeneratePattern(0);
    EXPECT_EQ(Random::state(), stateAfter(Seed, 524288));

    int lowest = 255, highest = 0;
    for (int i = 0; i < PatternPixels; ++i) {
        const std::uint8_t* p = patternBuffer + i * 4;
        ASSERT_EQ(p[1], p[0]) << "pixel " << i;
        ASSERT_EQ(p[2], p[0]) << "pixel " << i;
        ASSERT_EQ(p[3], 0) << "pixel " << i;
        lowest = std::min<int>(lowest, p[0]);
        highest = std::max<int>(highest, p[0]);
    }
    EXPECT_GE(lowest, 32);
    EXPECT_LE(highest, 160);
    // Over a quarter of a million pixels the noise spans its whole range.
    EXPECT_LE(lowest, 33);
    EXPECT_GE(highest, 159);

    // The second draw of each pixel sets its value; the first is spent unused.
    const int pixel = 3 * PatternSize + 200;
    const int r2 = drawNumber(Seed, 2 * pixel + 1);
    EXPECT_EQ(patternBuffer[pixel * 4], 32 + r2 * 128 / 32767);
}

TEST(PatternB, IsHatchingWithNoiseAndOneDrawPerPixel) {
    Random::srand(Seed);
    GeneratePattern(4);
    EXPECT_EQ(Random::state(), stateAfter(Seed, 262144));

    for (int i = 0; i < PatternPixels; ++i) {
        const std::uint8_t* p = patternBuffer + i * 4;
        ASSERT_LE(p[0], 144) << "pixel " << i;
        ASSERT_EQ(p[1], p[0]);
        ASSERT_EQ(p[2], p[0]);
        ASSERT_EQ(p[3], 0);
    }

    struct Hatch {
        int x, y, term;
    };
    for (const Hatch h : {Hatch{0, 0, 0}, Hatch{7, 0, 64}, Hatch{3, 5, 16}, Hatch{511, 511, 48}}) {
        const int pixel = h.y * PatternSize + h.x;
        const int noise = drawNumber(Seed, pixel) * 32 / 32767;
        EXPECT_EQ(patternAt(h.x, h.y)[0], noise + h.term) << "at " << h.x << "," << h.y;
    }
}

TEST(PatternB, AnyNonZeroVariantDrawsTheSameHatching) {
    Random::srand(Seed);
    GeneratePattern(4);
    const std::vector<std::uint8_t> first(patternBuffer, patternBuffer + PatternBytes);
    Random::srand(Seed);
    GeneratePattern(-1);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), patternBuffer));
}

TEST(BumpMap, ConstantPatternIsFlatEverywhere) {
    fillPattern([](int, int) { return 77; });
    DeriveBumpMap();
    for (int i = 0; i < PatternPixels; ++i) {
        const std::uint8_t* b = bumpBuffer + i * 4;
        ASSERT_EQ(b[0], 127) << "pixel " << i;
        ASSERT_EQ(b[1], 127) << "pixel " << i;
        ASSERT_EQ(b[2], 255) << "pixel " << i;
        ASSERT_EQ(b[3], 77) << "pixel " << i;
    }
}

TEST(BumpMap, HorizontalStepTiltsTheTwoColumnsAroundIt) {
    fillPattern([](int x, int) { return x <= 99 ? 32 : 160; });
    DeriveBumpMap();
    for (int y : {0, 1, 200, 511}) {
        for (int x : {99, 100}) {
            EXPECT_EQ(bumpAt(x, y)[0], 191) << x << "," << y;
            EXPECT_EQ(bumpAt(x, y)[1], 127) << x << "," << y;
            EXPECT_EQ(bumpAt(x, y)[2], 237) << x << "," << y; // trunc(sqrt(0.75) * 128 + 127)
        }
        EXPECT_EQ(bumpAt(99, y)[3], 32);
        EXPECT_EQ(bumpAt(100, y)[3], 160);
        for (int x : {1, 98, 101, 510}) {
            EXPECT_EQ(bumpAt(x, y)[0], 127) << x << "," << y;
            EXPECT_EQ(bumpAt(x, y)[2], 255) << x << "," << y;
        }
    }
}

TEST(BumpMap, DownwardSlopesAndOddDifferencesRoundTowardMinusInfinity) {
    // Height falls by 128 across rows 10/11, and by 1 across columns 299/301.
    fillPattern([](int x, int y) { return (y <= 10 ? 160 : 32) + (x <= 300 ? 1 : 0); });
    DeriveBumpMap();
    EXPECT_EQ(bumpAt(50, 10)[1], 127 - 64);
    EXPECT_EQ(bumpAt(50, 11)[1], 127 - 64);
    EXPECT_EQ(bumpAt(50, 12)[1], 127);
    // A difference of -1 halves to -1, not 0.
    EXPECT_EQ(bumpAt(300, 50)[0], 126);
    EXPECT_EQ(bumpAt(301, 50)[0], 126);
    EXPECT_EQ(bumpAt(302, 50)[0], 127);
}

TEST(BumpMap, BordersAreFlatAcrossTheEdgeAndNormalsStayHigh) {
    Random::srand(Seed);
    GeneratePattern(4);
    DeriveBumpMap();
    int lowestZ = 255;
    for (int i = 0; i < PatternSize; ++i) {
        EXPECT_EQ(bumpAt(0, i)[0], 127) << "row " << i;
        EXPECT_EQ(bumpAt(511, i)[0], 127) << "row " << i;
        EXPECT_EQ(bumpAt(i, 0)[1], 127) << "column " << i;
        EXPECT_EQ(bumpAt(i, 511)[1], 127) << "column " << i;
    }
    for (int i = 0; i < PatternPixels; ++i) {
        ASSERT_EQ(bumpBuffer[i * 4 + 3], patternBuffer[i * 4]) << "height of pixel " << i;
        lowestZ = std::min<int>(lowestZ, bumpBuffer[i * 4 + 2]);
    }
    EXPECT_GE(lowestZ, 204);
    // The hatching is steep somewhere, so the map is not flat.
    EXPECT_LT(lowestZ, 255);
}
