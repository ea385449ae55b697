// The show's own window and GL context for GL tests, opened once per test
// program, headless under SDL's offscreen driver.
#pragma once

#include <cstdint>
#include <vector>

// Side lengths of the test window; large enough for the 512 x 512 frame.
constexpr int TestWindowWidth = 800;
constexpr int TestWindowHeight = 600;

// Opens the window (windowed, 800 x 600) with its context current, fills the
// sine table and loads the extensions and programs. Later calls do nothing.
void OpenShowWindow();

// Fills demo.TextureTable with new names and gives the render targets their
// sizes for demo.frameSize: slots 0 and 2 at the frame's, slot 7 at a
// quarter of it, all RGBA.
void CreateRenderTargets();

// The back buffer's pixels in the rectangle, RGB, the bottom row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    // Channel c (0 red, 1 green, 2 blue) of the pixel x, y from the lower left.
    int at(int x, int y, int c) const {
        return rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c];
    }
};
Pixels ReadBackBuffer(int x, int y, int width, int height);
