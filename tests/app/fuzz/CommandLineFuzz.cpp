// libFuzzer target: the show's command-line scan over any text. The text sits
// in a buffer of exactly its length plus the terminator, so a read past the
// end shows under AddressSanitizer. A switch is reported exactly when its
// spelling occurs in the text, and the scan gives the same answer twice.
#include "app/CommandLine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The raw command line is a C string: it ends at the first zero byte.
    const std::size_t length = std::find(data, data + size, 0) - data;
    auto text = std::make_unique<char[]>(length + 1);
    std::memcpy(text.get(), data, length);
    text[length] = '\0';

    const std::string_view view(text.get(), length);
    const Switches first = ScanCommandLine(text.get());
    const Switches second = ScanCommandLine(text.get());
    const bool window = view.find("-window") != std::string_view::npos;
    const bool fps = view.find("-fps") != std::string_view::npos;
    if (first.window != window || first.fps != fps || second.window != first.window ||
        second.fps != first.fps) {
        std::abort();
    }
    return 0;
}
