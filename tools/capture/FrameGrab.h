// Reads the finished output back from the GL for writing out.
#pragma once

#include <cstdint>
#include <vector>

// The lower-left width x height pixels of the back buffer as 8-bit RGB rows,
// the top row of the picture first. `scratch` holds the GL's bottom-up rows.
void GrabFrame(int width, int height, std::vector<std::uint8_t>& scratch,
               std::vector<std::uint8_t>& topDown);
