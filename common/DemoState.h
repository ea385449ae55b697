// DemoState: the one global record of the show. Every subsystem reads and
// writes its fields directly; nothing of it is passed by parameter. Each group
// of fields belongs to the subsystem named above it.
//
// The header stays free of GL and SDL so the music side can read randomSeed
// without them: GL names are plain unsigned integers and the extension entry
// points are declared here with the ARB signatures.
#pragma once

#include "common/TimelineTypes.h"
#include "platform/Win32.h"

#include <cstdint>

class Sprite;

constexpr int SineTableSize = 65536;
constexpr int TextureCount = 19;
constexpr int LayerSize = 10000;
constexpr int TextMapSize = 128;
constexpr int MaxTextTargets = TextMapSize * TextMapSize;

// The show's length in seconds; its last frame is the first one second or
// more past it.
constexpr float ShowLength = 102.0f;
// Where the closing scene's lagged slides start, in every pass of the show.
constexpr float SlideStart = 10.0f;
// The glow's level at the start of every frame, before a scene sets its own.
constexpr float FrameGlowGain = 0.27f;

// The glow image is a quarter of the frame's side: 128 for the 512 frame.
constexpr int GlowSizeFor(int frameSize) {
    return frameSize / 4;
}

// ARB_multitexture, ARB_vertex_program and ARB_fragment_program entry points.
using ActiveTextureProc = void(APIENTRY*)(unsigned int texture);
using MultiTexCoord3fvProc = void(APIENTRY*)(unsigned int target, const float* v);
using ProgramEnvParameter4fvProc = void(APIENTRY*)(unsigned int target, unsigned int index,
                                                   const float* params);
using GenProgramsProc = void(APIENTRY*)(int n, unsigned int* programs);
using BindProgramProc = void(APIENTRY*)(unsigned int target, unsigned int program);
using ProgramStringProc = void(APIENTRY*)(unsigned int target, unsigned int format, int length,
                                          const void* text);

// Framebuffer-object entry points, the same for ARB_framebuffer_object and
// EXT_framebuffer_object (whose names end in EXT).
using GenFramebuffersProc = void(APIENTRY*)(int n, unsigned int* names);
using BindFramebufferProc = void(APIENTRY*)(unsigned int target, unsigned int name);
using FramebufferRenderbufferProc = void(APIENTRY*)(unsigned int target, unsigned int attachment,
                                                    unsigned int renderbufferTarget,
                                                    unsigned int renderbuffer);
using CheckFramebufferStatusProc = unsigned int(APIENTRY*)(unsigned int target);
using RenderbufferStorageProc = void(APIENTRY*)(unsigned int target, unsigned int format, int width,
                                                int height);

struct DemoState {
    // Application shell: entry, clock and main loop.
    std::uint8_t fullscreen = 1;
    std::int32_t width = 800;
    std::int32_t height = 600;
    std::uint8_t showFps = 0;
    std::uint32_t randomSeed = 0;
    HINSTANCE instance = nullptr;
    float time = 0.0f;
    float frameDelta = 0.0f;
    float demoLength = ShowLength;
    float sineTable[SineTableSize] = {};

    // Application shell: window and GL context.
    HDC deviceContext = nullptr;
    HGLRC renderContext = nullptr;

    // Rendering: extension entry points and the bump-lighting program pair.
    ActiveTextureProc glActiveTextureARB = nullptr;
    MultiTexCoord3fvProc glMultiTexCoord3fvARB = nullptr;
    ProgramEnvParameter4fvProc glProgramEnvParameter4fvARB = nullptr;
    GenProgramsProc glGenProgramsARB = nullptr;
    BindProgramProc glBindProgramARB = nullptr;
    ProgramStringProc glProgramStringARB = nullptr;
    unsigned int BumpVertexProgram = 0;
    unsigned int BumpFragmentProgram = 0;

    // Rendering: framebuffer objects, fetched only when the frame needs one.
    GenFramebuffersProc glGenFramebuffers = nullptr;
    BindFramebufferProc glBindFramebuffer = nullptr;
    FramebufferRenderbufferProc glFramebufferRenderbuffer = nullptr;
    CheckFramebufferStatusProc glCheckFramebufferStatus = nullptr;
    GenFramebuffersProc glGenRenderbuffers = nullptr;
    BindFramebufferProc glBindRenderbuffer = nullptr;
    RenderbufferStorageProc glRenderbufferStorage = nullptr;

    // Rendering: the frame, its render targets and the glow pass.
    std::int32_t frameSize = 512; // side of the square frame the scenes draw into
    std::uint8_t keepAspect = 0;  // the frame fills the largest centred square of the output
    unsigned int frameBuffer = 0; // framebuffer object holding the frame; 0: the back buffer
    float glowGain = FrameGlowGain;

    // Rendering: projection and camera.
    float cameraEye[3] = {0.0f, 0.0f, -1.0f};
    float cameraTarget[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float lightPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};

    // Timeline.
    Timeline timeline;

    // Scenes: shared frame.
    float viewDirection[3] = {0.0f, 0.0f, 1.0f};

    // Scenes: sprite layers and text targets.
    Sprite* snowLayer[LayerSize] = {};
    Sprite* textLayer[LayerSize] = {};
    float* textTargets = nullptr; // MaxTextTargets x 3 floats
    float* textSizes = nullptr;   // MaxTextTargets floats
    std::int32_t textTargetCount = 0;

    // Scenes: closing scene's lagged slides.
    float slideX = SlideStart;
    float slideY = SlideStart;

    // Scenes: deformed-sphere surface and its material.
    std::int32_t surfaceResolution = 32;
    float surfacePhaseV = 0.0f;
    float surfacePhaseU = 0.0f;
    std::int32_t surfaceShape = 0;
    float surfaceWeight = 1.0f;
    float surfaceScale[3] = {1.0f, 1.0f, 1.0f};
    float surfaceColor[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    float surfaceTexRepeat[2] = {0.1f, 0.1f};
    float specularColor[4] = {1.5f, 1.4f, 1.1f, 1.0f};
    float specularParams[4] = {4.0f, 0.995f, 0.0f, 0.0f};
    float bumpParams[4] = {2.0f, 0.15f, 0.01f, 0.0f};

    // Textures.
    unsigned int TextureTable[TextureCount] = {};
    std::uint8_t textMap[TextMapSize * TextMapSize] = {};
};

extern DemoState demo;
