// The two switches of the show, found in the raw command line.
#pragma once

struct Switches {
    bool window = false; // "-window": an 800 x 600 window instead of full screen
    bool fps = false;    // "-fps": the frame rate in the window title
};

// Plain case-sensitive substring search, no tokenising: "-windowed" counts as
// "-window", "-WINDOW" does not. A null command line has no switches.
Switches ScanCommandLine(const char* commandLine);
