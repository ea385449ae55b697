#include "tests/support/Golden.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The sweep's checksum on the recording machine.
constexpr std::uint64_t RecordedMathsFingerprint = 0x4539703dc514c3e8ull;

} // namespace

std::uint64_t MathsLibraryFingerprint() {
    std::uint64_t hash = Fnv1aOffset;
    auto add = [&hash](float v) { hash = Fnv1a64(&v, sizeof v, hash); };
    for (int i = -2000; i <= 2000; ++i) {
        const float x = static_cast<float>(i) * 0.0123457f;
        add(std::sin(x));
        add(std::cos(x));
        add(std::pow(2.0f, x * 0.083333336f));
        add(static_cast<float>(std::sin(static_cast<double>(x))));
    }
    return hash;
}

std::uint64_t Fnv1a64(const void* data, std::size_t bytes, std::uint64_t hash) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        hash ^= p[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool RecordingGolden() {
    const char* value = std::getenv("HV_RECORD_GOLDEN");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void PrintGolden(const std::string& name, std::uint64_t checksum) {
    static const bool once = [] {
        std::printf("maths library sweep: 0x%016llx\n",
                    static_cast<unsigned long long>(MathsLibraryFingerprint()));
        return true;
    }();
    (void)once;
    std::printf("    {\"%s\", 0x%016llxull},\n", name.c_str(),
                static_cast<unsigned long long>(checksum));
}

bool MathsLibraryMatches() {
    return MathsLibraryFingerprint() == RecordedMathsFingerprint;
}

std::string GoldenMismatchNote() {
    if (MathsLibraryMatches()) {
        return {};
    }
    char note[160];
    std::snprintf(note, sizeof note,
                  " (this machine's maths library rounds differently from the recording "
                  "machine's: sweep 0x%016llx; re-record with HV_RECORD_GOLDEN=1)",
                  static_cast<unsigned long long>(MathsLibraryFingerprint()));
    return note;
}
