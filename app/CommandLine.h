// The switches of the show, found in the raw command line.
#pragma once

#include "render/Frame.h"

#include <string>

struct Switches {
    bool window = false;              // "-window": an 800 x 600 window instead of full screen
    bool fps = false;                 // "-fps": the frame rate in the window title
    int frameSize = DefaultFrameSize; // "-res N": frames of N x N
    bool aspect = false;              // "-aspect": the square frame kept square
    bool help = false;                // "--help": the usage instead of the show
    bool version = false;             // "--version": the version instead of the show
    std::string error;                // why the command line cannot run; empty when it can
};

// "-window" and "-fps" are plain case-sensitive substrings, no tokenising:
// "-windowed" counts as "-window", "-WINDOW" does not. "-res N", "-aspect",
// "--help" and "--version" are whole words separated by blanks; N must be a
// frame size (a multiple of 128 from 256 to 4096), the last "-res" counting.
// A null command line has no switches.
Switches ScanCommandLine(const char* commandLine);

// What --help prints.
const char* ShowUsage();
