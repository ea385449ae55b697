// A mixing channel: every voice playing on it is scaled by its gain.
#pragma once

#include <string>

struct Channel {
    std::string name;
    float gain = 1.0f;
};
