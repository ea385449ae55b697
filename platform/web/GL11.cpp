// GL 1.1 on WebGL 2: the subset of GL11.h and the extension functions the show
// fetches, no more.
//
// Immediate-mode vertices are gathered as quads into one batch, drawn when
// a state that affects drawing changes, at SwapBuffers, or, while the bump
// programs are on, at each glEnd. Without programs the layer applies the
// modelview, projection and texture matrices itself, and each vertex names
// which of a few textures it reads, so a batch may span any number of matrix
// changes and texture switches: a layer of ten thousand flakes, which take
// turns between three images, is a handful of draws. With programs the
// vertices stay in object space and the matrices go to the bump shaders as
// uniforms, as the ARB programs read them.
#include "platform/web/GL11.h"

#include "platform/Win32.h"
#include "platform/web/GlMatrix.h"
#include "platform/web/GlslPrograms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

// WebGL 2, under names that leave the GL 1.1 ones to this layer.
extern "C" {
void emscripten_glEnable(GLenum);
void emscripten_glDisable(GLenum);
void emscripten_glBlendFunc(GLenum, GLenum);
void emscripten_glDepthFunc(GLenum);
void emscripten_glDepthMask(GLboolean);
void emscripten_glColorMask(GLboolean, GLboolean, GLboolean, GLboolean);
void emscripten_glViewport(GLint, GLint, GLsizei, GLsizei);
void emscripten_glClearColor(GLclampf, GLclampf, GLclampf, GLclampf);
void emscripten_glClear(GLbitfield);
void emscripten_glGenTextures(GLsizei, GLuint*);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glActiveTexture(GLenum);
void emscripten_glTexParameteri(GLenum, GLenum, GLint);
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*);
void emscripten_glGenerateMipmap(GLenum);
void emscripten_glCopyTexSubImage2D(GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei);
void emscripten_glGetIntegerv(GLenum, GLint*);
GLuint emscripten_glCreateShader(GLenum);
void emscripten_glShaderSource(GLuint, GLsizei, const char* const*, const GLint*);
void emscripten_glCompileShader(GLuint);
void emscripten_glGetShaderiv(GLuint, GLenum, GLint*);
void emscripten_glGetShaderInfoLog(GLuint, GLsizei, GLsizei*, char*);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint, GLuint);
void emscripten_glLinkProgram(GLuint);
void emscripten_glGetProgramiv(GLuint, GLenum, GLint*);
void emscripten_glGetProgramInfoLog(GLuint, GLsizei, GLsizei*, char*);
void emscripten_glUseProgram(GLuint);
GLint emscripten_glGetUniformLocation(GLuint, const char*);
void emscripten_glUniform1i(GLint, GLint);
void emscripten_glUniform1iv(GLint, GLsizei, const GLint*);
void emscripten_glUniform1f(GLint, GLfloat);
void emscripten_glUniform2fv(GLint, GLsizei, const GLfloat*);
void emscripten_glUniform4fv(GLint, GLsizei, const GLfloat*);
void emscripten_glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*);
void emscripten_glGenBuffers(GLsizei, GLuint*);
void emscripten_glBindBuffer(GLenum, GLuint);
void emscripten_glBufferData(GLenum, long, const void*, GLenum);
void emscripten_glGenVertexArrays(GLsizei, GLuint*);
void emscripten_glBindVertexArray(GLuint);
void emscripten_glEnableVertexAttribArray(GLuint);
void emscripten_glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*);
void emscripten_glDrawArrays(GLenum, GLint, GLsizei);
void emscripten_glDrawElements(GLenum, GLsizei, GLenum, const void*);
void emscripten_glGenFramebuffers(GLsizei, GLuint*);
void emscripten_glBindFramebuffer(GLenum, GLuint);
void emscripten_glFramebufferRenderbuffer(GLenum, GLenum, GLenum, GLuint);
GLenum emscripten_glCheckFramebufferStatus(GLenum);
void emscripten_glGenRenderbuffers(GLsizei, GLuint*);
void emscripten_glBindRenderbuffer(GLenum, GLuint);
void emscripten_glRenderbufferStorage(GLenum, GLenum, GLsizei, GLsizei);
}

namespace {

// WebGL tokens that GL 1.1 does not have.
constexpr GLenum WebGlTriangles = 0x0004;
constexpr GLenum WebGlUnsignedByte = 0x1401;
constexpr GLenum WebGlUnsignedInt = 0x1405;
constexpr GLenum WebGlFloat = 0x1406;
constexpr GLenum WebGlElementArrayBuffer = 0x8893;
constexpr GLenum WebGlStaticDraw = 0x88E4;
constexpr GLenum WebGlArrayBuffer = 0x8892;
constexpr GLenum WebGlStreamDraw = 0x88E0;
constexpr GLenum WebGlFragmentShader = 0x8B30;
constexpr GLenum WebGlVertexShader = 0x8B31;
constexpr GLenum WebGlCompileStatus = 0x8B81;
constexpr GLenum WebGlLinkStatus = 0x8B82;
constexpr GLint WebGlClampToEdge = 0x812F;
constexpr GLint WebGlNearestMipmapLinear = 0x2702;

struct Vertex {
    float position[4];
    float color[4];
    float texCoord[4];
    float normal[3];
    float tangent[3];
    float binormal[3];
};

// What the fixed programs read: transformed, four to a quad, compact because
// a frame of flakes sends tens of thousands of them.
struct FixedVertex {
    float position[4];
    float texCoord[3]; // s, t and the slot of the batch's texture
    std::uint8_t color[4];
};

// The batch's textures sit on units from BatchUnit on, beyond those the show uses.
constexpr GLenum BatchUnit = 4;

// Sampling of one texture: wrap s, wrap t, min filter, mag filter.
using Sampling = std::array<GLint, 4>;

struct Program {
    GLuint name = 0;
    GLint uniforms[8] = {};
};

// The uniforms of each program, by their index in Program::uniforms.
constexpr const char* FixedUniforms[] = {"images", "environment", "alphaReference",
                                         "clampToBorder"};
constexpr const char* BumpUniforms[] = {
    "modelviewProjection", "modelview", "modelviewInverse", "light",
    "normalMap",           "heightMap", "specular",         "shine"};
constexpr const char* BumpLastUniform = "bump";

struct Layer {
    bool ready = false;
    std::vector<GlMatrix> stacks[3] = {{IdentityMatrix()}, {IdentityMatrix()}, {IdentityMatrix()}};
    int matrixMode = 0;

    Vertex current{};
    GLenum primitive = 0;
    std::vector<Vertex> primitiveVertices;
    std::vector<FixedVertex> batch;
    std::vector<GLuint> batchTextures;
    std::vector<Vertex> bumpTriangles;

    bool texturing = false;
    bool alphaTest = false;
    bool vertexProgram = false;
    bool fragmentProgram = false;
    GLint environment = GL_MODULATE;
    float alphaReference = 0.0f;
    unsigned activeUnit = 0;
    GLuint boundTextures[3] = {};
    std::unordered_map<GLuint, Sampling> sampling;

    float vertexEnv[1][4] = {};
    float fragmentEnv[4][4] = {};
    GLuint programCount = 0;
    std::string programError;

    Program fixed;
    Program bump;
    GLint bumpStrength = -1;
    GLuint fixedArray = 0;
    GLuint fixedBuffer = 0;
    GLuint indexBuffer = 0;
    std::size_t indexedQuads = 0;
    GLuint bumpArray = 0;
    GLuint bumpBuffer = 0;
    GLclampf clearColor[4] = {};
};

Layer layer;

std::string shaderLog(GLuint shader) {
    char log[1024] = {};
    emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    return log;
}

GLuint compile(GLenum type, const char* text, std::string& error) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &text, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, WebGlCompileStatus, &compiled);
    if (!compiled) {
        error += shaderLog(shader);
    }
    return shader;
}

template <std::size_t N>
Program link(const char* vertexText, const char* fragmentText, const char* const (&uniforms)[N],
             std::string& error) {
    Program program;
    program.name = emscripten_glCreateProgram();
    emscripten_glAttachShader(program.name, compile(WebGlVertexShader, vertexText, error));
    emscripten_glAttachShader(program.name, compile(WebGlFragmentShader, fragmentText, error));
    emscripten_glLinkProgram(program.name);
    GLint linked = 0;
    emscripten_glGetProgramiv(program.name, WebGlLinkStatus, &linked);
    if (!linked) {
        char log[1024] = {};
        emscripten_glGetProgramInfoLog(program.name, sizeof log, nullptr, log);
        error += log;
    }
    for (std::size_t i = 0; i < N; ++i) {
        program.uniforms[i] = emscripten_glGetUniformLocation(program.name, uniforms[i]);
    }
    return program;
}

// Programs, vertex buffers and their layouts, made on the first draw: the
// context is current by then.
void prepare() {
    if (layer.ready) {
        return;
    }
    layer.ready = true;
    std::string error;
    layer.fixed = link(FixedVertexShader, FixedFragmentShader, FixedUniforms, error);
    if (!error.empty()) {
        std::fprintf(stderr, "web GL layer: fixed-function program: %s\n", error.c_str());
    }

    struct Field {
        GLuint location;
        GLint size;
        GLenum type;
        std::size_t offset;
    };
    auto makeArray = [](GLuint& array, GLuint& buffer, std::size_t stride, auto&& fields) {
        emscripten_glGenVertexArrays(1, &array);
        emscripten_glBindVertexArray(array);
        emscripten_glGenBuffers(1, &buffer);
        emscripten_glBindBuffer(WebGlArrayBuffer, buffer);
        for (const Field& field : fields) {
            emscripten_glEnableVertexAttribArray(field.location);
            emscripten_glVertexAttribPointer(field.location, field.size, field.type,
                                             field.type == WebGlUnsignedByte ? GL_TRUE : GL_FALSE,
                                             static_cast<GLsizei>(stride),
                                             reinterpret_cast<void*>(field.offset));
        }
    };
    const Field fixedFields[] = {
        {PositionAttribute, 4, WebGlFloat, offsetof(FixedVertex, position)},
        {ColorAttribute, 4, WebGlUnsignedByte, offsetof(FixedVertex, color)},
        {TexCoordAttribute, 3, WebGlFloat, offsetof(FixedVertex, texCoord)},
    };
    makeArray(layer.fixedArray, layer.fixedBuffer, sizeof(FixedVertex), fixedFields);
    emscripten_glGenBuffers(1, &layer.indexBuffer);
    emscripten_glBindBuffer(WebGlElementArrayBuffer, layer.indexBuffer);
    const Field bumpFields[] = {
        {PositionAttribute, 4, WebGlFloat, offsetof(Vertex, position)},
        {ColorAttribute, 4, WebGlFloat, offsetof(Vertex, color)},
        {TexCoordAttribute, 4, WebGlFloat, offsetof(Vertex, texCoord)},
        {NormalAttribute, 3, WebGlFloat, offsetof(Vertex, normal)},
        {TangentAttribute, 3, WebGlFloat, offsetof(Vertex, tangent)},
        {BinormalAttribute, 3, WebGlFloat, offsetof(Vertex, binormal)},
    };
    makeArray(layer.bumpArray, layer.bumpBuffer, sizeof(Vertex), bumpFields);
}

// Two triangles of the same winding for each quad of the batch, indices
// made once for as many quads as a batch has held.
void indexQuads(std::size_t quads) {
    if (quads <= layer.indexedQuads) {
        return;
    }
    layer.indexedQuads = std::max(quads, 2 * layer.indexedQuads);
    std::vector<std::uint32_t> indices;
    indices.reserve(layer.indexedQuads * 6);
    for (std::uint32_t q = 0; q < layer.indexedQuads; ++q) {
        const std::uint32_t first = 4 * q;
        indices.insert(indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }
    emscripten_glBufferData(WebGlElementArrayBuffer,
                            static_cast<long>(indices.size() * sizeof(std::uint32_t)),
                            indices.data(), WebGlStaticDraw);
}

bool bumpProgramsOn() {
    return layer.vertexProgram && layer.fragmentProgram && layer.bump.name != 0;
}

GlMatrix& top(int stack) {
    return layer.stacks[stack].back();
}

Sampling& samplingOf(GLuint texture) {
    // A new texture has the GL defaults.
    return layer.sampling
        .try_emplace(texture, Sampling{GL_REPEAT, GL_REPEAT, WebGlNearestMipmapLinear, GL_LINEAR})
        .first->second;
}

void useFixed() {
    const Program& p = layer.fixed;
    emscripten_glUseProgram(p.name);
    GLint units[BatchTextures];
    for (GLint i = 0; i < BatchTextures; ++i) {
        units[i] = BatchUnit + i;
        emscripten_glActiveTexture(GL_TEXTURE0_ARB + BatchUnit + i);
        emscripten_glBindTexture(GL_TEXTURE_2D, i < static_cast<GLint>(layer.batchTextures.size())
                                                    ? layer.batchTextures[i]
                                                    : 0);
    }
    emscripten_glActiveTexture(GL_TEXTURE0_ARB + layer.activeUnit);
    emscripten_glUniform1iv(p.uniforms[0], BatchTextures, units);
    float border[2 * BatchTextures] = {};
    for (std::size_t i = 0; i < layer.batchTextures.size(); ++i) {
        const Sampling& sampling = samplingOf(layer.batchTextures[i]);
        border[2 * i] = sampling[0] == GL_CLAMP ? 1.0f : 0.0f;
        border[2 * i + 1] = sampling[1] == GL_CLAMP ? 1.0f : 0.0f;
    }
    emscripten_glUniform2fv(p.uniforms[3], BatchTextures, border);
    const GLint environment = !layer.texturing ? 0 : layer.environment == GL_ADD ? 2 : 1;
    emscripten_glUniform1i(p.uniforms[1], environment);
    emscripten_glUniform1f(p.uniforms[2], layer.alphaTest ? layer.alphaReference : -1.0f);
}

void useBump() {
    const Program& p = layer.bump;
    const GlMatrix& modelview = top(0);
    const GlMatrix mvp = MultiplyMatrices(top(1), modelview);
    const GlMatrix inverse = InverseMatrix(modelview);
    emscripten_glUseProgram(p.name);
    emscripten_glUniformMatrix4fv(p.uniforms[0], 1, GL_FALSE, mvp.data());
    emscripten_glUniformMatrix4fv(p.uniforms[1], 1, GL_FALSE, modelview.data());
    emscripten_glUniformMatrix4fv(p.uniforms[2], 1, GL_FALSE, inverse.data());
    emscripten_glUniform4fv(p.uniforms[3], 1, layer.vertexEnv[0]);
    emscripten_glUniform1i(p.uniforms[4], 0);
    emscripten_glUniform1i(p.uniforms[5], 1);
    emscripten_glUniform4fv(p.uniforms[6], 1, layer.fragmentEnv[1]);
    emscripten_glUniform4fv(p.uniforms[7], 1, layer.fragmentEnv[2]);
    emscripten_glUniform4fv(layer.bumpStrength, 1, layer.fragmentEnv[3]);
}

// Before any change of what the batch was gathered under.
void changing() {
    FlushGlBatch();
}

// The texture's place among the batch's, which it joins if it is new there;
// a full batch is drawn first.
int batchSlot(GLuint texture) {
    auto& textures = layer.batchTextures;
    for (std::size_t i = 0; i < textures.size(); ++i) {
        if (textures[i] == texture) {
            return static_cast<int>(i);
        }
    }
    if (textures.size() == BatchTextures) {
        FlushGlBatch();
    }
    textures.push_back(texture);
    return static_cast<int>(textures.size()) - 1;
}

bool inBatch(GLuint texture) {
    const auto& textures = layer.batchTextures;
    return std::find(textures.begin(), textures.end(), texture) != textures.end();
}

// The quads of a primitive, each as its four corners in order.
template <typename Visit> void forEachQuad(const std::vector<Vertex>& v, GLenum mode, Visit visit) {
    if (mode == GL_QUADS) {
        for (std::size_t i = 0; i + 3 < v.size(); i += 4) {
            visit(v[i], v[i + 1], v[i + 2], v[i + 3]);
        }
    } else if (mode == GL_QUAD_STRIP) {
        for (std::size_t i = 0; i + 3 < v.size(); i += 2) {
            visit(v[i], v[i + 1], v[i + 3], v[i + 2]);
        }
    }
}

std::uint8_t unorm(float value) {
    value = value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
    return static_cast<std::uint8_t>(value * 255.0f + 0.5f);
}

// A vertex through the modelview, projection and texture matrices.
FixedVertex transformed(const Vertex& v, const GlMatrix& mvp, const GlMatrix& texture, float slot) {
    FixedVertex out;
    const auto clip = TransformPoint(mvp, {v.position[0], v.position[1], v.position[2], 1.0f});
    const auto st =
        TransformPoint(texture, {v.texCoord[0], v.texCoord[1], v.texCoord[2], v.texCoord[3]});
    std::memcpy(out.position, clip.data(), sizeof out.position);
    out.texCoord[0] = st[0] / st[3];
    out.texCoord[1] = st[1] / st[3];
    out.texCoord[2] = slot;
    for (int i = 0; i < 4; ++i) {
        out.color[i] = unorm(v.color[i]);
    }
    return out;
}

// Draws a primitive at once with the bump programs, in object space.
void drawBump(const std::vector<Vertex>& vertices, GLenum mode) {
    auto& triangles = layer.bumpTriangles;
    triangles.clear();
    forEachQuad(vertices, mode,
                [&](const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
                    triangles.insert(triangles.end(), {a, b, c, a, c, d});
                });
    if (triangles.empty()) {
        return;
    }
    prepare();
    useBump();
    emscripten_glBindVertexArray(layer.bumpArray);
    emscripten_glBindBuffer(WebGlArrayBuffer, layer.bumpBuffer);
    emscripten_glBufferData(WebGlArrayBuffer, static_cast<long>(triangles.size() * sizeof(Vertex)),
                            triangles.data(), WebGlStreamDraw);
    emscripten_glDrawArrays(WebGlTriangles, 0, static_cast<GLsizei>(triangles.size()));
}

void enable(GLenum capability, bool on) {
    bool* own = capability == GL_TEXTURE_2D             ? &layer.texturing
                : capability == GL_ALPHA_TEST           ? &layer.alphaTest
                : capability == GL_VERTEX_PROGRAM_ARB   ? &layer.vertexProgram
                : capability == GL_FRAGMENT_PROGRAM_ARB ? &layer.fragmentProgram
                                                        : nullptr;
    if (own != nullptr) {
        // Texturing is a state of unit 0 alone: the show draws with one unit
        // outside the programs.
        if (*own != on && !(capability == GL_TEXTURE_2D && layer.activeUnit != 0)) {
            changing();
            *own = on;
        }
        return;
    }
    if (capability == GL_LIGHTING || capability == GL_COLOR_MATERIAL) {
        return; // the show only ever turns them off, as they start
    }
    changing();
    if (on) {
        emscripten_glEnable(capability);
    } else {
        emscripten_glDisable(capability);
    }
}

void multiply(const GlMatrix& m) {
    GlMatrix& t = top(layer.matrixMode);
    t = MultiplyMatrices(t, m);
}

void setColor(float r, float g, float b, float a) {
    float* c = layer.current.color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

void setTexCoord(float s, float t) {
    float* c = layer.current.texCoord;
    c[0] = s;
    c[1] = t;
    c[2] = 0.0f;
    c[3] = 1.0f;
}

void vertex(float x, float y, float z) {
    Vertex v = layer.current;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.position[3] = 1.0f;
    layer.primitiveVertices.push_back(v);
}

// The extension functions handed out by wglGetProcAddress.

void APIENTRY activeTexture(unsigned int unit) {
    const unsigned index = unit - GL_TEXTURE0_ARB;
    if (index != layer.activeUnit) {
        changing();
        layer.activeUnit = index;
        emscripten_glActiveTexture(unit);
    }
}

void APIENTRY multiTexCoord3fv(unsigned int target, const float* v) {
    float* slot = target == GL_TEXTURE1_ARB   ? layer.current.tangent
                  : target == GL_TEXTURE2_ARB ? layer.current.binormal
                                              : nullptr;
    if (slot != nullptr) {
        std::memcpy(slot, v, 3 * sizeof(float));
    } else if (target == GL_TEXTURE0_ARB) {
        setTexCoord(v[0], v[1]);
        layer.current.texCoord[2] = v[2];
    }
}

void APIENTRY programEnvParameter4fv(unsigned int target, unsigned int index, const float* v) {
    float* slot = target == GL_VERTEX_PROGRAM_ARB && index < 1     ? layer.vertexEnv[index]
                  : target == GL_FRAGMENT_PROGRAM_ARB && index < 4 ? layer.fragmentEnv[index]
                                                                   : nullptr;
    if (slot != nullptr && std::memcmp(slot, v, 4 * sizeof(float)) != 0) {
        changing();
        std::memcpy(slot, v, 4 * sizeof(float));
    }
}

void APIENTRY genPrograms(int n, unsigned int* programs) {
    for (int i = 0; i < n; ++i) {
        programs[i] = ++layer.programCount;
    }
}

// The show has one program per target; binding changes nothing here.
void APIENTRY bindProgram(unsigned int, unsigned int) {}

// The show loads its two bump programs; their GLSL ES translations stand in for
// them, and the pair is linked once the fragment half arrives. A failure is
// reported through the ARB error queries.
void APIENTRY programString(unsigned int target, unsigned int, int, const void*) {
    prepare();
    layer.programError.clear();
    if (target == GL_FRAGMENT_PROGRAM_ARB) {
        layer.bump = link(BumpVertexShader, BumpFragmentShader, BumpUniforms, layer.programError);
        layer.bumpStrength = emscripten_glGetUniformLocation(layer.bump.name, BumpLastUniform);
        if (!layer.programError.empty()) {
            layer.bump.name = 0;
        }
    }
}

void APIENTRY genFramebuffers(int n, unsigned int* names) {
    emscripten_glGenFramebuffers(n, names);
}

void APIENTRY bindFramebuffer(unsigned int target, unsigned int name) {
    changing();
    emscripten_glBindFramebuffer(target, name);
}

void APIENTRY framebufferRenderbuffer(unsigned int target, unsigned int attachment,
                                      unsigned int renderbufferTarget, unsigned int renderbuffer) {
    emscripten_glFramebufferRenderbuffer(target, attachment, renderbufferTarget, renderbuffer);
}

unsigned int APIENTRY checkFramebufferStatus(unsigned int target) {
    return emscripten_glCheckFramebufferStatus(target);
}

void APIENTRY genRenderbuffers(int n, unsigned int* names) {
    emscripten_glGenRenderbuffers(n, names);
}

void APIENTRY bindRenderbuffer(unsigned int target, unsigned int name) {
    emscripten_glBindRenderbuffer(target, name);
}

void APIENTRY renderbufferStorage(unsigned int target, unsigned int format, int width, int height) {
    emscripten_glRenderbufferStorage(target, format, width, height);
}

template <typename Function> void (*asProc(Function* function))() {
    return reinterpret_cast<void (*)()>(function);
}

} // namespace

void FlushGlBatch() {
    if (layer.batch.empty()) {
        return;
    }
    prepare();
    useFixed();
    const std::size_t quads = layer.batch.size() / 4;
    emscripten_glBindVertexArray(layer.fixedArray);
    indexQuads(quads);
    emscripten_glBindBuffer(WebGlArrayBuffer, layer.fixedBuffer);
    emscripten_glBufferData(WebGlArrayBuffer,
                            static_cast<long>(layer.batch.size() * sizeof(FixedVertex)),
                            layer.batch.data(), WebGlStreamDraw);
    emscripten_glDrawElements(WebGlTriangles, static_cast<GLsizei>(quads * 6), WebGlUnsignedInt,
                              nullptr);
    layer.batch.clear();
    layer.batchTextures.clear();
}

void FinishGlFrame() {
    FlushGlBatch();
    emscripten_glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    emscripten_glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    emscripten_glClear(GL_COLOR_BUFFER_BIT);
    emscripten_glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const GLclampf* c = layer.clearColor;
    emscripten_glClearColor(c[0], c[1], c[2], c[3]);
}

void (*GlProcAddress(const char* name))() {
    struct Entry {
        const char* name;
        void (*proc)();
    };
    static const Entry entries[] = {
        {"glActiveTextureARB", asProc(activeTexture)},
        {"glMultiTexCoord3fvARB", asProc(multiTexCoord3fv)},
        {"glProgramEnvParameter4fvARB", asProc(programEnvParameter4fv)},
        {"glGenProgramsARB", asProc(genPrograms)},
        {"glBindProgramARB", asProc(bindProgram)},
        {"glProgramStringARB", asProc(programString)},
        {"glGenFramebuffers", asProc(genFramebuffers)},
        {"glBindFramebuffer", asProc(bindFramebuffer)},
        {"glFramebufferRenderbuffer", asProc(framebufferRenderbuffer)},
        {"glCheckFramebufferStatus", asProc(checkFramebufferStatus)},
        {"glGenRenderbuffers", asProc(genRenderbuffers)},
        {"glBindRenderbuffer", asProc(bindRenderbuffer)},
        {"glRenderbufferStorage", asProc(renderbufferStorage)},
    };
    for (const Entry& entry : entries) {
        if (std::strcmp(entry.name, name) == 0) {
            return entry.proc;
        }
    }
    return nullptr;
}

void glEnable(GLenum capability) {
    enable(capability, true);
}

void glDisable(GLenum capability) {
    enable(capability, false);
}

void glBlendFunc(GLenum source, GLenum destination) {
    changing();
    emscripten_glBlendFunc(source, destination);
}

void glAlphaFunc(GLenum, GLclampf reference) {
    // The show's only comparison is GL_GREATER.
    if (reference != layer.alphaReference) {
        changing();
        layer.alphaReference = reference;
    }
}

void glDepthFunc(GLenum function) {
    changing();
    emscripten_glDepthFunc(function);
}

void glDepthMask(GLboolean write) {
    changing();
    emscripten_glDepthMask(write);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    changing();
    emscripten_glViewport(x, y, width, height);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    layer.clearColor[0] = red;
    layer.clearColor[1] = green;
    layer.clearColor[2] = blue;
    layer.clearColor[3] = alpha;
    emscripten_glClearColor(red, green, blue, alpha);
}

void glClear(GLbitfield mask) {
    changing();
    emscripten_glClear(mask);
}

void glMatrixMode(GLenum mode) {
    layer.matrixMode = mode == GL_MODELVIEW ? 0 : mode == GL_PROJECTION ? 1 : 2;
}

void glLoadIdentity() {
    top(layer.matrixMode) = IdentityMatrix();
}

void glLoadMatrixf(const GLfloat* matrix) {
    std::memcpy(top(layer.matrixMode).data(), matrix, 16 * sizeof(float));
}

void glPushMatrix() {
    auto& stack = layer.stacks[layer.matrixMode];
    stack.push_back(stack.back());
}

void glPopMatrix() {
    auto& stack = layer.stacks[layer.matrixMode];
    if (stack.size() > 1) {
        stack.pop_back();
    }
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    multiply(TranslationMatrix(x, y, z));
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    multiply(RotationMatrix(angle, x, y, z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    multiply(ScaleMatrix(x, y, z));
}

void glBegin(GLenum mode) {
    layer.primitive = mode;
    layer.primitiveVertices.clear();
}

void glEnd() {
    if (bumpProgramsOn()) {
        drawBump(layer.primitiveVertices, layer.primitive);
        return;
    }
    const float slot = static_cast<float>(batchSlot(layer.boundTextures[0]));
    const GlMatrix mvp = MultiplyMatrices(top(1), top(0));
    const GlMatrix& texture = top(2);
    forEachQuad(layer.primitiveVertices, layer.primitive,
                [&](const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
                    for (const Vertex* v : {&a, &b, &c, &d}) {
                        layer.batch.push_back(transformed(*v, mvp, texture, slot));
                    }
                });
}

void glVertex2i(GLint x, GLint y) {
    vertex(static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void glVertex3i(GLint x, GLint y, GLint z) {
    vertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    vertex(x, y, z);
}

void glTexCoord2i(GLint s, GLint t) {
    setTexCoord(static_cast<float>(s), static_cast<float>(t));
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    setTexCoord(s, t);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    layer.current.normal[0] = x;
    layer.current.normal[1] = y;
    layer.current.normal[2] = z;
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    setColor(red, green, blue, 1.0f);
}

void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
    setColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    setColor(red, green, blue, alpha);
}

void glGenTextures(GLsizei count, GLuint* names) {
    emscripten_glGenTextures(count, names);
}

// Binding draws nothing: the batch keeps its own textures, and the bump
// programs draw at each glEnd.
void glBindTexture(GLenum target, GLuint name) {
    if (layer.boundTextures[layer.activeUnit] != name) {
        layer.boundTextures[layer.activeUnit] = name;
        emscripten_glBindTexture(target, name);
    }
}

// GL_CLAMP becomes clamping to the edge texel, as WebGL has no texture border;
// the fixed programs fade it toward the border the desktop would read.
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    const int index = name == GL_TEXTURE_WRAP_S       ? 0
                      : name == GL_TEXTURE_WRAP_T     ? 1
                      : name == GL_TEXTURE_MIN_FILTER ? 2
                                                      : 3;
    const GLuint texture = layer.boundTextures[layer.activeUnit];
    Sampling& sampling = samplingOf(texture);
    if (sampling[index] == value) {
        return;
    }
    if (inBatch(texture)) {
        changing();
    }
    sampling[index] = value;
    emscripten_glTexParameteri(target, name, value == GL_CLAMP ? WebGlClampToEdge : value);
}

void glTexEnvi(GLenum, GLenum, GLint value) {
    if (value != layer.environment) {
        changing();
        layer.environment = value;
    }
}

void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    changing();
    emscripten_glTexImage2D(target, level, GL_RGBA, width, height, border, format, type, pixels);
}

void glCopyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y,
                         GLsizei width, GLsizei height) {
    changing();
    emscripten_glCopyTexSubImage2D(target, level, xOffset, yOffset, x, y, width, height);
}

const GLubyte* glGetString(GLenum name) {
    const char* text = "";
    if (name == GL_VERSION) {
        text = "2.0 WebGL 2";
    } else if (name == GL_EXTENSIONS) {
        text = "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program "
               "GL_ARB_framebuffer_object GL_ARB_texture_non_power_of_two";
    } else if (name == GL_PROGRAM_ERROR_STRING_ARB) {
        text = layer.programError.c_str();
    }
    return reinterpret_cast<const GLubyte*>(text);
}

void glGetIntegerv(GLenum name, GLint* values) {
    if (name == GL_PROGRAM_ERROR_POSITION_ARB) {
        *values = layer.programError.empty() ? -1 : 0;
    } else {
        emscripten_glGetIntegerv(name, values);
    }
}

void glGetFloatv(GLenum, GLfloat* values) {
    // The show asks for the modelview matrix alone.
    std::memcpy(values, top(0).data(), 16 * sizeof(float));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    multiply(PerspectiveMatrix(fovy, aspect, zNear, zFar));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    const double eye[3] = {eyeX, eyeY, eyeZ};
    const double center[3] = {centerX, centerY, centerZ};
    const double up[3] = {upX, upY, upZ};
    multiply(LookAtMatrix(eye, center, up));
}

// The show's mipmapped images are square powers of two already, so no
// rescaling precedes the chain.
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* pixels) {
    glTexImage2D(target, 0, components, width, height, 0, format, type, pixels);
    emscripten_glGenerateMipmap(target);
    return 0;
}
