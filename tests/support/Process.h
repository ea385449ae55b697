// Runs a program of this build as a child process, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;     // -1 when the child did not exit normally
    int signal = 0;        // the signal that ended it, if any
    bool timedOut = false; // killed after the time limit
    double seconds = 0.0;  // wall-clock run time
    std::string output;    // stdout and stderr, interleaved
};

struct ProcessOptions {
    std::vector<std::string> environment; // NAME=value entries added to ours
    double timeoutSeconds = 60.0;
    double signalAfterSeconds = -1.0; // send `signal` once this long has passed
    int signal = 0;
};

ProcessResult RunProcess(const std::vector<std::string>& arguments, const ProcessOptions& options);
