#include "GLRecorder.h"

#include "common/DemoState.h"
#include "platform/GL.h"

namespace {

bool recording = false;
GLRecording current;
RecordedVertex pending{};

MultiTexCoord3fvProc realMultiTexCoord = nullptr;
ProgramEnvParameter4fvProc realEnvParameter = nullptr;

void APIENTRY RecordMultiTexCoord(unsigned int target, const float* v) {
    if (recording) {
        float* set = target == GL_TEXTURE1_ARB ? pending.texCoord1 : pending.texCoord2;
        if (target == GL_TEXTURE1_ARB || target == GL_TEXTURE2_ARB) {
            set[0] = v[0];
            set[1] = v[1];
            set[2] = v[2];
        }
        ++pending.multiTexCalls;
    }
    realMultiTexCoord(target, v);
}

void APIENTRY RecordEnvParameter(unsigned int target, unsigned int index, const float* v) {
    if (recording) {
        current.envParameters.push_back({target, index, {v[0], v[1], v[2], v[3]}});
    }
    realEnvParameter(target, index, v);
}

} // namespace

extern "C" {
void __real_glBegin(GLenum mode);
void __real_glEnd();
void __real_glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glColor3f(GLfloat r, GLfloat g, GLfloat b);
void __real_glTexCoord2f(GLfloat s, GLfloat t);
void __real_glVertex3f(GLfloat x, GLfloat y, GLfloat z);

void __wrap_glBegin(GLenum mode) {
    if (recording) {
        current.primitives.push_back({mode, {}});
        pending.multiTexCalls = 0;
    }
    __real_glBegin(mode);
}

void __wrap_glEnd() {
    __real_glEnd();
}

void __wrap_glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    pending.normal[0] = x;
    pending.normal[1] = y;
    pending.normal[2] = z;
    __real_glNormal3f(x, y, z);
}

void __wrap_glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    pending.color[0] = r;
    pending.color[1] = g;
    pending.color[2] = b;
    __real_glColor3f(r, g, b);
}

void __wrap_glTexCoord2f(GLfloat s, GLfloat t) {
    pending.texCoord0[0] = s;
    pending.texCoord0[1] = t;
    __real_glTexCoord2f(s, t);
}

void __wrap_glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (recording && !current.primitives.empty()) {
        pending.position[0] = x;
        pending.position[1] = y;
        pending.position[2] = z;
        current.primitives.back().vertices.push_back(pending);
        pending.multiTexCalls = 0;
    }
    __real_glVertex3f(x, y, z);
}
}

void StartRecording() {
    if (realMultiTexCoord == nullptr) {
        realMultiTexCoord =
            reinterpret_cast<MultiTexCoord3fvProc>(wglGetProcAddress("glMultiTexCoord3fvARB"));
        realEnvParameter = reinterpret_cast<ProgramEnvParameter4fvProc>(
            wglGetProcAddress("glProgramEnvParameter4fvARB"));
    }
    demo.glMultiTexCoord3fvARB = RecordMultiTexCoord;
    demo.glProgramEnvParameter4fvARB = RecordEnvParameter;
    current = GLRecording{};
    pending = RecordedVertex{};
    recording = true;
}

const GLRecording& StopRecording() {
    recording = false;
    return current;
}
