// Records what the code under test sends to GL in immediate mode, while still
// passing every call on. The test program is linked with --wrap for the GL 1.1
// calls listed in GLRecorder.cpp; the ARB entry points are recorded by putting
// the recorders into demo's function pointers.
#pragma once

#include <vector>

struct RecordedVertex {
    float normal[3];
    float color[3];
    float texCoord0[2];
    float texCoord1[3];
    float texCoord2[3];
    float position[3];
    int multiTexCalls; // texture-coordinate sets sent since the previous vertex
};

struct RecordedPrimitive {
    unsigned int mode;
    std::vector<RecordedVertex> vertices;
};

struct RecordedEnvParameter {
    unsigned int target;
    unsigned int index;
    float value[4];
};

struct GLRecording {
    std::vector<RecordedPrimitive> primitives;
    std::vector<RecordedEnvParameter> envParameters;
};

// Starts a fresh recording and installs the ARB recorders (which forward to
// the real entry points of the current context).
void StartRecording();

// Stops recording (GL calls still go through) and returns what was sent.
const GLRecording& StopRecording();
