// libFuzzer target: the reader walks arbitrary bytes without reading past
// them, ends, and reports only well-formed notes. Every note message takes at
// least three bytes (delta, key, velocity) after the 14-byte header.
#include "midi/MidiReader.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > INT_MAX) {
        return 0;
    }
    std::size_t count = 0;
    auto check = [&count, size](const NoteReport& report) {
        ++count;
        if (report.channel < 0 || report.channel > 15 || !std::isfinite(report.time) ||
            report.time < 0.0f || count * 3 + 14 > size) {
            std::abort();
        }
    };
    readSong(data, static_cast<int>(size), check);
    return 0;
}
