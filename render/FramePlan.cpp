#include "render/FramePlan.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"

#include <algorithm>
#include <cstdio>

namespace {

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

bool textureTakes(const FrameRequest& request, int side) {
    return side <= request.largestTexture && (request.anyTextureSize || isPowerOfTwo(side));
}

// The largest multiple of the size step up to `limit` that the GL's textures
// take; never below one step.
int largestTextureSide(const FrameRequest& request, int limit) {
    int side = limit / FrameSizeStep * FrameSizeStep;
    while (side > FrameSizeStep && !textureTakes(request, side)) {
        side -= FrameSizeStep;
    }
    return std::max(side, FrameSizeStep);
}

std::string square(int side) {
    return std::to_string(side) + " x " + std::to_string(side);
}

// Non-power-of-two textures are core from OpenGL 2.0 on.
bool anyTextureSize(const char* version, const char* extensions) {
    int major = 0;
    return (version != nullptr && std::sscanf(version, "%d", &major) == 1 && major >= 2) ||
           HasExtension(extensions, "GL_ARB_texture_non_power_of_two");
}

} // namespace

FramePlan PlanFrame(const FrameRequest& request) {
    FramePlan plan;
    plan.size = request.size;
    std::string reason;
    if (!textureTakes(request, plan.size)) {
        plan.size = largestTextureSide(request, std::min(plan.size, request.largestTexture));
        reason = "are beyond this OpenGL's textures";
    }
    if (plan.size > request.windowWidth || plan.size > request.windowHeight) {
        if (plan.size <= request.largestOffscreen) {
            plan.offscreen = true;
        } else {
            const int window = std::min(request.windowWidth, request.windowHeight);
            plan.size = largestTextureSide(request, std::min(plan.size, window));
            reason = "do not fit the " + std::to_string(request.windowWidth) + " x " +
                     std::to_string(request.windowHeight) +
                     " window and this OpenGL has no framebuffer objects for them";
        }
    }
    if (!reason.empty()) {
        plan.note = "frames of " + square(request.size) + " " + reason + "; drawing them at " +
                    square(plan.size);
    }
    return plan;
}

unsigned int CreateFrameBuffer(int side) {
    unsigned int frameBuffer = 0;
    unsigned int buffers[2] = {};
    demo.glGenFramebuffers(1, &frameBuffer);
    demo.glGenRenderbuffers(2, buffers);
    demo.glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    demo.glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    demo.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, side, side);
    demo.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                   buffers[0]);
    demo.glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    demo.glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, side, side);
    demo.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                   buffers[1]);
    const bool complete = demo.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    demo.glBindRenderbuffer(GL_RENDERBUFFER, 0);
    demo.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // An incomplete one is left unused; the process end releases it.
    return complete ? frameBuffer : 0;
}

std::string SetUpFrame(int size, int windowWidth, int windowHeight) {
    FrameRequest request;
    request.size = size;
    request.windowWidth = windowWidth;
    request.windowHeight = windowHeight;

    GLint largestTexture = 0;
    GLint largestViewport[2] = {};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestTexture);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largestViewport);
    request.largestTexture = std::min({largestTexture, largestViewport[0], largestViewport[1]});
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    request.anyTextureSize =
        anyTextureSize(reinterpret_cast<const char*>(glGetString(GL_VERSION)), extensions);
    if (LoadFramebufferObjects(wglGetProcAddress, extensions)) {
        GLint largestOffscreen = 0;
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largestOffscreen);
        request.largestOffscreen = largestOffscreen;
    }

    FramePlan plan = PlanFrame(request);
    demo.frameBuffer = plan.offscreen ? CreateFrameBuffer(plan.size) : 0;
    if (plan.offscreen && demo.frameBuffer == 0) {
        request.largestOffscreen = 0;
        plan = PlanFrame(request);
    }
    demo.frameSize = plan.size;
    return plan.note;
}
