// Where the frame is drawn and at what size, decided once at start-up.
//
// The frame lies in the lower-left corner of the back buffer when the window
// holds it. When it does not, a framebuffer object holds it instead; a GL
// without them gets the largest frame that fits, as does a GL whose textures
// cannot take the frame.
#pragma once

#include "render/Frame.h"

#include <string>

struct FrameRequest {
    int size = DefaultFrameSize; // the frame side the run asks for
    int windowWidth = 0;         // the back buffer, in pixels
    int windowHeight = 0;
    int largestTexture = MaxFrameSize; // largest texture and viewport side of the GL
    bool anyTextureSize = true;        // false: texture sides must be powers of two
    int largestOffscreen = 0;          // largest framebuffer-object side; 0: none
};

struct FramePlan {
    int size = DefaultFrameSize;
    bool offscreen = false; // in a framebuffer object rather than the back buffer
    std::string note;       // why the size differs from the request; empty if not

    bool operator==(const FramePlan&) const = default;
};

FramePlan PlanFrame(const FrameRequest& request);

// Asks the current GL for its limits and framebuffer objects, plans a frame of
// `size` for a windowWidth x windowHeight back buffer, creates the
// framebuffer object the plan needs, and sets demo.frameSize and
// demo.frameBuffer. Returns the plan's note. Runs before InitTextures, which
// sizes the render targets by the frame.
std::string SetUpFrame(int size, int windowWidth, int windowHeight);

// Creates a side x side framebuffer object with an RGBA colour and a 16-bit
// depth renderbuffer, the back buffer's make-up, and leaves the back buffer
// bound. Returns its name, or 0 when the GL cannot complete it.
unsigned int CreateFrameBuffer(int side);
