#include "common/Random.h"

#include <gtest/gtest.h>

#include <cstdint>

// Values written out by hand from state = state * 214013 + 2531011 (mod 2^32),
// result = (state >> 16) & 0x7FFF.
TEST(Random, FirstValuesForSeedOne) {
    Random::srand(1);
    // 1 * 214013 + 2531011 = 2745024 = 0x0029E2C0 -> 0x29 = 41
    EXPECT_EQ(Random::rand(), 41);
    // 2745024 * 214013 + 2531011 mod 2^32 = 0xC823F683 -> 0x4823 = 18467
    EXPECT_EQ(Random::rand(), 18467);
    // -> 0x18BE873A -> 0x18BE = 6334; -> 0xE7847115 -> 0x6784 = 26500
    EXPECT_EQ(Random::rand(), 6334);
    EXPECT_EQ(Random::rand(), 26500);
}

TEST(Random, SeedZeroStartsFromTheIncrement) {
    Random::srand(0);
    EXPECT_EQ(Random::state(), 0u);
    EXPECT_EQ(Random::rand(), static_cast<int>((2531011u >> 16) & 0x7FFF)); // 38
}

TEST(Random, ValuesStayWithinFifteenBitsAndReseedingRepeats) {
    Random::srand(1234);
    int first[100];
    for (int& v : first) {
        v = Random::rand();
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 32767);
    }
    Random::srand(1234);
    for (int v : first) {
        EXPECT_EQ(Random::rand(), v);
    }
}

TEST(Random, StateWrapsModuloTwoToThe32) {
    Random::srand(0xFFFFFFFFu);
    Random::rand();
    const std::uint32_t expected = 0xFFFFFFFFu * 214013u + 2531011u;
    EXPECT_EQ(Random::state(), expected);
}
