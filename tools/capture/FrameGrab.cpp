#include "tools/capture/FrameGrab.h"

#include "platform/GL.h"

#include <algorithm>

void GrabFrame(int width, int height, std::vector<std::uint8_t>& scratch,
               std::vector<std::uint8_t>& topDown) {
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    scratch.resize(row * static_cast<std::size_t>(height));
    topDown.resize(scratch.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, scratch.data());
    for (int y = 0; y < height; ++y) {
        std::copy_n(scratch.data() + static_cast<std::size_t>(height - 1 - y) * row, row,
                    topDown.data() + static_cast<std::size_t>(y) * row);
    }
}
