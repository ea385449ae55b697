// Every float through Sines and SinesAndCosines against std::sin and
// std::cos, bit for bit, with subnormals flushed as while rendering and as
// the processor starts: the proof that the side-by-side form changes no
// sample. Takes about a minute per pass; optional arguments limit the sweep
// to the bit patterns [first, last] (hexadecimal).
//
//     build/bin/sine_cosine_sweep [first last]
#include "synth/DenormalGuard.h"
#include "synth/SineCosine.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr int Block = 64;

// Mismatches over [first, last]; prints the first few.
std::uint64_t sweep(std::uint32_t first, std::uint32_t last) {
    std::uint64_t mismatches = 0;
    float x[Block], sines[Block], cosines[Block], sinesOnly[Block];
    std::uint64_t bits = first;
    while (bits <= last) {
        int count = 0;
        for (; count < Block && bits <= last; ++count, ++bits) {
            x[count] = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        }
        SinesAndCosines(x, count, sines, cosines);
        Sines(x, count, sinesOnly);
        for (int n = 0; n < count; ++n) {
            const auto s = std::bit_cast<std::uint32_t>(std::sin(x[n]));
            const auto c = std::bit_cast<std::uint32_t>(std::cos(x[n]));
            if (std::isnan(x[n])) {
                // Any NaN will do; the library's payload is not ours to keep.
                continue;
            }
            if (s != std::bit_cast<std::uint32_t>(sines[n]) ||
                c != std::bit_cast<std::uint32_t>(cosines[n]) ||
                s != std::bit_cast<std::uint32_t>(sinesOnly[n])) {
                if (++mismatches <= 10) {
                    std::printf("  0x%08x (%.9g): sin 0x%08x / 0x%08x, cos 0x%08x / 0x%08x\n",
                                std::bit_cast<std::uint32_t>(x[n]), static_cast<double>(x[n]),
                                std::bit_cast<std::uint32_t>(sines[n]), s,
                                std::bit_cast<std::uint32_t>(cosines[n]), c);
                }
            }
        }
    }
    return mismatches;
}

std::optional<std::uint32_t> hex(const char* text) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 16);
    if (end == text || *end != '\0' || v > 0xffffffffull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t first = 0;
    std::uint32_t last = 0xffffffffu;
    if (argc == 3) {
        const auto a = hex(argv[1]);
        const auto b = hex(argv[2]);
        if (!a || !b || *a > *b) {
            std::fprintf(stderr, "usage: %s [first last]  (hexadecimal bit patterns)\n", argv[0]);
            return 2;
        }
        first = *a;
        last = *b;
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: %s [first last]  (hexadecimal bit patterns)\n", argv[0]);
        return 2;
    }
    std::printf("side by side: %s\n", SineCosineInLanes() ? "yes" : "no (the library's values)");
    std::uint64_t total = 0;
    for (const bool flushing : {true, false}) {
        std::uint64_t mismatches = 0;
        if (flushing) {
            const DenormalGuard guard;
            mismatches = sweep(first, last);
        } else {
            mismatches = sweep(first, last);
        }
        std::printf("0x%08x..0x%08x, subnormals %s: %llu mismatches\n", first, last,
                    flushing ? "flushed" : "kept", static_cast<unsigned long long>(mismatches));
        total += mismatches;
    }
    return total == 0 ? 0 : 1;
}
