// The sines and cosines of a block against the maths library's, bit for bit,
// on inputs at the edges of every path: signed zeros, subnormals, the bound
// below which the sine is its argument, pi/4, the quarter cycles where the
// reduction changes quadrant, 120 and far beyond it, the largest floats,
// infinities. The whole float range is swept by bench/SineCosineSweep.cpp.
#include "synth/SineCosine.h"
#include "tests/support/Golden.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

const std::uint32_t EdgeBits[] = {
    0x00000000, 0x80000000, 0x00000001, 0x807fffff, 0x00800000, 0x397fffff, 0x39800000, 0xb9800000,
    0x3f490fda, 0x3f490fdb, 0xbf490fdb, 0x3fc90fda, 0x3fc90fdb, 0x3fc90fdc, 0x40490fdb, 0xc0490fdb,
    0x4096cbe4, 0x40c90fdb, 0xc0c90fdb, 0x42efffff, 0x42f00000, 0xc2f00000, 0x43800000, 0x4b7fffff,
    0x4c800000, 0x5d000000, 0x7f7fffff, 0xff7fffff, 0x7f800000, 0xff800000,
};

} // namespace

TEST(SineCosine, EveryPathGivesTheLibrarysBits) {
#if defined(__x86_64__) && defined(__GLIBC__)
    // With the recording machine's library on a processor with its FMA
    // variant, the lanes must be in use: falling back would only be slower.
    if (MathsLibraryMatches() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        EXPECT_TRUE(SineCosineInLanes());
    }
#endif
    std::vector<float> x;
    for (const std::uint32_t b : EdgeBits) {
        // Through a volatile, so the compiler cannot fold the library's side.
        const volatile float v = std::bit_cast<float>(b);
        const float read = v;
        x.push_back(read);
    }
    // From every offset, so that each input meets every lane and the last,
    // partly filled group of four.
    for (std::size_t from = 0; from < 4; ++from) {
        const int count = static_cast<int>(x.size() - from);
        std::vector<float> sines(count), cosines(count), sinesOnly(count);
        SinesAndCosines(x.data() + from, count, sines.data(), cosines.data());
        Sines(x.data() + from, count, sinesOnly.data());
        for (int n = 0; n < count; ++n) {
            const float v = x[from + n];
            const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
            if (std::isinf(v)) {
                EXPECT_TRUE(std::isnan(sines[n]) && std::isnan(cosines[n])) << v;
                continue;
            }
            EXPECT_EQ(bits(sines[n]), bits(std::sin(v))) << "sin " << v;
            EXPECT_EQ(bits(sinesOnly[n]), bits(std::sin(v))) << "sin only " << v;
            EXPECT_EQ(bits(cosines[n]), bits(std::cos(v))) << "cos " << v;
        }
    }
}
