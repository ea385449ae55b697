// The switches of the show, found in the raw command line.
#pragma once

#include "render/Frame.h"

#include <string>

struct Switches {
    bool window = false;              // "-window": an 800 x 600 window instead of full screen
    bool fps = false;                 // "-fps": the frame rate in the window title
    int frameSize = DefaultFrameSize; // "-res N": frames of N x N
    bool aspect = false;              // "-aspect": the square frame kept square
    bool loop = false;                // "-loop": the show starts again at its end
    int display = 0;                  // "-display N": the monitor for full screen, 0 the primary
    bool help = false;    // "--help", "-help", "-h", "/?": the usage instead of the show
    bool version = false; // "--version": the version instead of the show
    std::string error;    // why the command line cannot run; empty when it can
    std::string unknown;  // the first word taken for a switch the show lacks
};

// "-window" and "-fps" are plain case-sensitive substrings, no tokenising:
// "-windowed" counts as "-window", "-WINDOW" does not. The others are whole
// words separated by blanks: "-res N" (a frame size, a multiple of 128 from
// 256 to 4096, the last "-res" counting), "-display N" (a number from 0),
// "-aspect", "-loop", "--help" (or "-help", "-h", "/?") and "--version". Any
// other word that begins with '-' or '/' and holds neither "-window" nor
// "-fps" is unknown. A null command line has no switches.
Switches ScanCommandLine(const char* commandLine);

// What --help prints.
const char* ShowUsage();
