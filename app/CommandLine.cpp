#include "app/CommandLine.h"

#include <cstring>

Switches ScanCommandLine(const char* commandLine) {
    Switches switches;
    if (commandLine != nullptr) {
        switches.window = std::strstr(commandLine, "-window") != nullptr;
        switches.fps = std::strstr(commandLine, "-fps") != nullptr;
    }
    return switches;
}
