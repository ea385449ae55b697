#include "synth/RenderContext.h"

int RenderContext::addFilterDesigns() {
    designs.emplace_back();
    return static_cast<int>(designs.size()) - 1;
}

int RenderContext::addLfoSines() {
    sines.emplace_back();
    return static_cast<int>(sines.size()) - 1;
}
