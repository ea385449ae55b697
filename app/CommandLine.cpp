#include "app/CommandLine.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

// The next blank-separated word of `rest`, which moves past it; empty at the end.
std::string_view nextWord(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find_first_of(" \t\r\n"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

std::string frameSizeRule() {
    return "a multiple of " + std::to_string(FrameSizeStep) + " from " +
           std::to_string(MinFrameSize) + " to " + std::to_string(MaxFrameSize);
}

} // namespace

Switches ScanCommandLine(const char* commandLine) {
    Switches switches;
    if (commandLine == nullptr) {
        return switches;
    }
    switches.window = std::strstr(commandLine, "-window") != nullptr;
    switches.fps = std::strstr(commandLine, "-fps") != nullptr;

    std::string_view rest(commandLine);
    for (std::string_view word = nextWord(rest); !word.empty(); word = nextWord(rest)) {
        if (word == "-aspect") {
            switches.aspect = true;
        } else if (word == "--help") {
            switches.help = true;
        } else if (word == "--version") {
            switches.version = true;
        } else if (word == "-res") {
            const std::string_view value = nextWord(rest);
            int size = 0;
            const auto [end, failed] =
                std::from_chars(value.data(), value.data() + value.size(), size);
            if (value.empty()) {
                switches.error = "-res needs a frame size after it: " + frameSizeRule() + ".";
            } else if (failed != std::errc() || end != value.data() + value.size() ||
                       !IsFrameSize(size)) {
                switches.error = "-res " + std::string(value) + ": the frame size must be " +
                                 frameSizeRule() + ".";
            } else {
                switches.frameSize = size;
            }
            if (!switches.error.empty()) {
                return switches;
            }
        }
    }
    return switches;
}

const char* ShowUsage() {
    return "usage: hallatorvo [-window] [-fps] [-res N] [-aspect]\n"
           "       hallatorvo --help | --version\n"
           "Plays a song from its own synthesizer and three scenes of lit blobs and snow\n"
           "for 103 seconds, full screen unless told otherwise.\n"
           "  -window    an 800 x 600 window instead of full screen\n"
           "  -fps       the frame rate in the window title, once a second\n"
           "  -res N     draw each frame at N x N, N a multiple of 128 from 256 to 4096\n"
           "             (default 512)\n"
           "  -aspect    keep the square frame square, centred between black bars,\n"
           "             instead of stretching it over the window\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n"
           "Escape, closing the window, Ctrl+C and SIGTERM end the show early.\n";
}
