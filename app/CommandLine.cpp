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

// Whether `word` is taken for a switch at all: it starts as one does.
bool looksLikeSwitch(std::string_view word) {
    return word.front() == '-' || word.front() == '/';
}

// The whole number of `word`, if it is one and nothing else.
bool readNumber(std::string_view word, int& number) {
    const auto [end, failed] = std::from_chars(word.data(), word.data() + word.size(), number);
    return !word.empty() && failed == std::errc() && end == word.data() + word.size();
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
        } else if (word == "-loop") {
            switches.loop = true;
        } else if (word == "--help" || word == "-help" || word == "-h" || word == "/?") {
            switches.help = true;
        } else if (word == "--version") {
            switches.version = true;
        } else if (word == "-res") {
            const std::string_view value = nextWord(rest);
            int size = 0;
            if (value.empty()) {
                switches.error = "-res needs a frame size after it: " + frameSizeRule() + ".";
            } else if (!readNumber(value, size) || !IsFrameSize(size)) {
                switches.error = "-res " + std::string(value) + ": the frame size must be " +
                                 frameSizeRule() + ".";
            } else {
                switches.frameSize = size;
            }
        } else if (word == "-display") {
            const std::string_view value = nextWord(rest);
            int display = 0;
            if (value.empty()) {
                switches.error = "-display needs a display number after it: 0 for the primary.";
            } else if (!readNumber(value, display) || display < 0) {
                switches.error = "-display " + std::string(value) +
                                 ": the display must be a number from 0 (the primary).";
            } else {
                switches.display = display;
            }
        } else if (looksLikeSwitch(word) && word.find("-window") == std::string_view::npos &&
                   word.find("-fps") == std::string_view::npos && switches.unknown.empty()) {
            switches.unknown = word;
        }
        if (!switches.error.empty()) {
            return switches;
        }
    }
    return switches;
}

const char* ShowUsage() {
    return "usage: hallatorvo [-window] [-fps] [-res N] [-aspect] [-loop] [-display N]\n"
           "       hallatorvo --help | --version\n"
           "Plays a song from its own synthesizer and three scenes of lit blobs and snow\n"
           "for 103 seconds, full screen unless told otherwise.\n"
           "  -window    an 800 x 600 window instead of full screen\n"
           "  -fps       the frame rate in the window title, once a second\n"
           "  -res N     draw each frame at N x N, N a multiple of 128 from 256 to 4096\n"
           "             (default 512)\n"
           "  -aspect    keep the square frame square, centred between black bars,\n"
           "             instead of stretching it over the window\n"
           "  -loop      start the show again at its end, until it is ended\n"
           "  -display N the monitor for full screen, from 0, the primary (default)\n"
           "  --help     print this help and exit (also -help, -h and /?)\n"
           "  --version  print the version and exit\n"
           "Space pauses the pictures and the sound, and resumes them.\n"
           "Escape, closing the window, Ctrl+C and SIGTERM end the show early.\n";
}
