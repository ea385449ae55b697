// The process entry outside Windows: WinMain receives the arguments as one raw
// command line, joined by single spaces, as Windows hands it over.
#include "platform/Win32.h"

#include <string>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    TreatTerminationSignalsAsEscape();
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
