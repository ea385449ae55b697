// GL 1.1 on WebGL 2: the subset of GL11.h and the extension functions the show
// fetches, no more.
//
// Immediate-mode vertices are gathered as quads into one batch (Batch says
// when it is drawn). Without programs the layer applies the modelview,
// projection and texture matrices itself, and each vertex names which of a few
// textures it reads, so a batch may span any number of matrix changes and
// texture switches: a layer of ten thousand flakes, which take turns between
// three images, is a handful of draws. With programs the vertices stay in
// object space and the matrices go to the bump shaders as uniforms, as the ARB
// programs read them, and each glEnd draws at once.
//
// A call with an argument the layer does not implement is refused the way GL
// refuses a bad enum: it does nothing, and the error waits for glGetError.
// The show makes no such call.
#include "platform/web/GL11.h"

#include "platform/Win32.h"
#include "platform/web/GlMatrix.h"
#include "platform/web/GlslPrograms.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
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
void emscripten_glScissor(GLint, GLint, GLsizei, GLsizei);
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
GLenum emscripten_glGetError();
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

// GL 1.1 defaults of the states the layer tracks.
constexpr GLenum GlLess = 0x0201;
constexpr GLenum GlZero = 0;

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

// Quads gathered by glEnd without programs, transformed already, and the
// textures they read. FlushGlBatch draws them, before anything they were
// gathered under would change: a drawing state (each setter compares first,
// through changeState, so that repeating a value keeps the batch), the
// framebuffer they are drawn into (glClear, a framebuffer switch) or a texture
// they read (uploads, copies, its sampling); also when a texture beyond
// BatchTextures joins, and at the end of a frame.
struct Batch {
    std::vector<FixedVertex> vertices;
    std::vector<GLuint> textures;

    bool reads(GLuint texture) const {
        return std::find(textures.begin(), textures.end(), texture) != textures.end();
    }
};

// The batch's textures sit on units from BatchUnit on, beyond those the show uses.
constexpr GLenum BatchUnit = 4;
// The units the show binds textures on.
constexpr unsigned ShowUnits = 3;

// Sampling of one texture, as glTexParameteri sets it.
struct Sampling {
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
    GLint minFilter = WebGlNearestMipmapLinear;
    GLint magFilter = GL_LINEAR;
};

// The values of the fixed programs' environment uniform.
constexpr GLint UntexturedEnvironment = 0;
constexpr GLint ModulateEnvironment = 1;
constexpr GLint AddEnvironment = 2;

// The fixed-function programs and where their uniforms are.
struct FixedProgram {
    GLuint name = 0;
    GLint images = -1;         // the batch's textures, by slot
    GLint environment = -1;    // one of the environments above
    GLint alphaReference = -1; // negative while the alpha test is off
    GLint clampToBorder = -1;  // per slot: which axes wrap with GL_CLAMP
};

// The bump pair and where its uniforms are: the matrices the ARB programs
// read from the state, and their environment parameters.
struct BumpProgram {
    GLuint name = 0;
    GLint modelviewProjection = -1;
    GLint modelview = -1;
    GLint modelviewInverse = -1;
    GLint light = -1;     // vertex parameter 0
    GLint normalMap = -1; // unit 0
    GLint heightMap = -1; // unit 1
    GLint specular = -1;  // fragment parameter 1
    GLint shine = -1;     // fragment parameter 2
    GLint bump = -1;      // fragment parameter 3
};

// One of GL's matrix stacks; the top is the current matrix. It never empties.
struct MatrixStack {
    std::vector<GlMatrix> matrices{IdentityMatrix()};

    GlMatrix& top() { return matrices.back(); }
    const GlMatrix& top() const { return matrices.back(); }
};

using BlendFunction = std::array<GLenum, 2>; // source, destination
using Viewport = std::array<GLint, 4>;       // x, y, width, height

struct Layer {
    bool ready = false;
    GLenum error = GL_NO_ERROR;

    MatrixStack modelview;
    MatrixStack projection;
    MatrixStack texture;
    GLenum matrixMode = GL_MODELVIEW;

    Vertex current{};
    GLenum primitive = 0;
    std::vector<Vertex> primitiveVertices;
    Batch batch;
    std::vector<Vertex> bumpTriangles;

    // What the batch is drawn with: the layer's own states,
    bool texturing = false;
    bool alphaTest = false;
    bool vertexProgram = false;
    bool fragmentProgram = false;
    GLint environment = GL_MODULATE;
    float alphaReference = 0.0f;
    unsigned activeUnit = 0;
    GLuint boundTextures[ShowUnits] = {};
    std::unordered_map<GLuint, Sampling> sampling;
    // and those WebGL keeps, tracked here to tell a change from a repeat.
    bool blending = false;
    bool depthTest = false;
    bool culling = false;
    bool scissorTest = false;
    BlendFunction blendFunction{GL_ONE, GlZero};
    GLenum depthFunction = GlLess;
    GLboolean depthWrite = GL_TRUE;
    std::optional<Viewport> viewport; // the canvas's size until set
    std::optional<Viewport> scissor;  // likewise
    GLuint framebuffer = 0;

    float vertexEnv[1][4] = {};
    float fragmentEnv[4][4] = {};
    GLuint programCount = 0;
    std::string programError;

    FixedProgram fixed;
    BumpProgram bump;
    GLuint fixedArray = 0;
    GLuint fixedBuffer = 0;
    GLuint indexBuffer = 0;
    std::size_t indexedQuads = 0;
    GLuint bumpArray = 0;
    GLuint bumpBuffer = 0;
    GLclampf clearColor[4] = {};
};

Layer layer;

// Refuses a call: the first error is kept until glGetError reads it, and is
// logged, as a page has no other way to tell.
void refuse(GLenum error, const char* call, GLenum argument) {
    if (layer.error == GL_NO_ERROR) {
        layer.error = error;
        std::fprintf(stderr, "web GL layer: %s refuses 0x%04X\n", call, argument);
    }
}

// Sets a drawing state, drawing the batch gathered under the old value first;
// false, and nothing done, when the value is the one in place.
template <typename State, typename Value> bool changeState(State& state, const Value& value) {
    if (state == value) {
        return false;
    }
    FlushGlBatch();
    state = value;
    return true;
}

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

GLuint link(const char* vertexText, const char* fragmentText, std::string& error) {
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(WebGlVertexShader, vertexText, error));
    emscripten_glAttachShader(program, compile(WebGlFragmentShader, fragmentText, error));
    emscripten_glLinkProgram(program);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, WebGlLinkStatus, &linked);
    if (!linked) {
        char log[1024] = {};
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        error += log;
    }
    return program;
}

FixedProgram linkFixed(std::string& error) {
    FixedProgram p;
    p.name = link(FixedVertexShader, FixedFragmentShader, error);
    p.images = emscripten_glGetUniformLocation(p.name, "images");
    p.environment = emscripten_glGetUniformLocation(p.name, "environment");
    p.alphaReference = emscripten_glGetUniformLocation(p.name, "alphaReference");
    p.clampToBorder = emscripten_glGetUniformLocation(p.name, "clampToBorder");
    return p;
}

BumpProgram linkBump(std::string& error) {
    BumpProgram p;
    p.name = link(BumpVertexShader, BumpFragmentShader, error);
    p.modelviewProjection = emscripten_glGetUniformLocation(p.name, "modelviewProjection");
    p.modelview = emscripten_glGetUniformLocation(p.name, "modelview");
    p.modelviewInverse = emscripten_glGetUniformLocation(p.name, "modelviewInverse");
    p.light = emscripten_glGetUniformLocation(p.name, "light");
    p.normalMap = emscripten_glGetUniformLocation(p.name, "normalMap");
    p.heightMap = emscripten_glGetUniformLocation(p.name, "heightMap");
    p.specular = emscripten_glGetUniformLocation(p.name, "specular");
    p.shine = emscripten_glGetUniformLocation(p.name, "shine");
    p.bump = emscripten_glGetUniformLocation(p.name, "bump");
    return p;
}

// Programs, vertex buffers and their layouts, made on the first draw: the
// context is current by then.
void prepare() {
    if (layer.ready) {
        return;
    }
    layer.ready = true;
    std::string error;
    layer.fixed = linkFixed(error);
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

Sampling& samplingOf(GLuint texture) {
    return layer.sampling[texture]; // a new texture has the GL defaults
}

void useFixed() {
    const FixedProgram& p = layer.fixed;
    const std::vector<GLuint>& textures = layer.batch.textures;
    emscripten_glUseProgram(p.name);
    GLint units[BatchTextures];
    for (GLint i = 0; i < BatchTextures; ++i) {
        units[i] = BatchUnit + i;
        emscripten_glActiveTexture(GL_TEXTURE0_ARB + BatchUnit + i);
        emscripten_glBindTexture(GL_TEXTURE_2D,
                                 i < static_cast<GLint>(textures.size()) ? textures[i] : 0);
    }
    emscripten_glActiveTexture(GL_TEXTURE0_ARB + layer.activeUnit);
    emscripten_glUniform1iv(p.images, BatchTextures, units);
    float border[2 * BatchTextures] = {};
    for (std::size_t i = 0; i < textures.size(); ++i) {
        const Sampling& sampling = samplingOf(textures[i]);
        border[2 * i] = sampling.wrapS == GL_CLAMP ? 1.0f : 0.0f;
        border[2 * i + 1] = sampling.wrapT == GL_CLAMP ? 1.0f : 0.0f;
    }
    emscripten_glUniform2fv(p.clampToBorder, BatchTextures, border);
    const GLint environment = !layer.texturing              ? UntexturedEnvironment
                              : layer.environment == GL_ADD ? AddEnvironment
                                                            : ModulateEnvironment;
    emscripten_glUniform1i(p.environment, environment);
    emscripten_glUniform1f(p.alphaReference, layer.alphaTest ? layer.alphaReference : -1.0f);
}

void useBump() {
    const BumpProgram& p = layer.bump;
    const GlMatrix& modelview = layer.modelview.top();
    const GlMatrix mvp = MultiplyMatrices(layer.projection.top(), modelview);
    const GlMatrix inverse = InverseMatrix(modelview);
    emscripten_glUseProgram(p.name);
    emscripten_glUniformMatrix4fv(p.modelviewProjection, 1, GL_FALSE, mvp.data());
    emscripten_glUniformMatrix4fv(p.modelview, 1, GL_FALSE, modelview.data());
    emscripten_glUniformMatrix4fv(p.modelviewInverse, 1, GL_FALSE, inverse.data());
    emscripten_glUniform4fv(p.light, 1, layer.vertexEnv[0]);
    emscripten_glUniform1i(p.normalMap, 0);
    emscripten_glUniform1i(p.heightMap, 1);
    emscripten_glUniform4fv(p.specular, 1, layer.fragmentEnv[1]);
    emscripten_glUniform4fv(p.shine, 1, layer.fragmentEnv[2]);
    emscripten_glUniform4fv(p.bump, 1, layer.fragmentEnv[3]);
}

// The texture's place among the batch's, which it joins if it is new there;
// a full batch is drawn first.
int batchSlot(GLuint texture) {
    std::vector<GLuint>& textures = layer.batch.textures;
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

// A capability the layer implements itself, or nullptr.
bool* ownCapability(GLenum capability) {
    return capability == GL_TEXTURE_2D             ? &layer.texturing
           : capability == GL_ALPHA_TEST           ? &layer.alphaTest
           : capability == GL_VERTEX_PROGRAM_ARB   ? &layer.vertexProgram
           : capability == GL_FRAGMENT_PROGRAM_ARB ? &layer.fragmentProgram
                                                   : nullptr;
}

// WebGL's state of a capability the show sets, or nullptr for another, which
// goes to WebGL as if it changed.
bool* webGlCapability(GLenum capability) {
    return capability == GL_BLEND          ? &layer.blending
           : capability == GL_DEPTH_TEST   ? &layer.depthTest
           : capability == GL_CULL_FACE    ? &layer.culling
           : capability == GL_SCISSOR_TEST ? &layer.scissorTest
                                           : nullptr;
}

void enable(GLenum capability, bool on, const char* call) {
    if (capability == GL_LIGHTING || capability == GL_COLOR_MATERIAL) {
        // Off, as they start: the layer has no lighting.
        if (on) {
            refuse(GL_INVALID_ENUM, call, capability);
        }
        return;
    }
    if (bool* own = ownCapability(capability)) {
        // Texturing is a state of unit 0 alone: outside the programs the show
        // draws with one unit, and the programs read their units regardless.
        if (capability != GL_TEXTURE_2D || layer.activeUnit == 0) {
            changeState(*own, on);
        }
        return;
    }
    bool* tracked = webGlCapability(capability);
    if (tracked == nullptr) {
        FlushGlBatch();
    } else if (!changeState(*tracked, on)) {
        return;
    }
    if (on) {
        emscripten_glEnable(capability);
    } else {
        emscripten_glDisable(capability);
    }
}

MatrixStack& currentStack() {
    switch (layer.matrixMode) {
    case GL_PROJECTION:
        return layer.projection;
    case GL_TEXTURE:
        return layer.texture;
    default:
        return layer.modelview;
    }
}

void multiply(const GlMatrix& m) {
    GlMatrix& top = currentStack().top();
    top = MultiplyMatrices(top, m);
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
    if (index >= ShowUnits) {
        refuse(GL_INVALID_ENUM, "glActiveTextureARB", unit);
        return;
    }
    if (changeState(layer.activeUnit, index)) {
        emscripten_glActiveTexture(unit);
    }
}

void APIENTRY multiTexCoord3fv(unsigned int target, const float* v) {
    if (target == GL_TEXTURE0_ARB) {
        setTexCoord(v[0], v[1]);
        layer.current.texCoord[2] = v[2];
        return;
    }
    float* slot = target == GL_TEXTURE1_ARB   ? layer.current.tangent
                  : target == GL_TEXTURE2_ARB ? layer.current.binormal
                                              : nullptr;
    if (slot == nullptr) {
        refuse(GL_INVALID_ENUM, "glMultiTexCoord3fvARB", target);
        return;
    }
    std::memcpy(slot, v, 3 * sizeof(float));
}

bool programTarget(unsigned int target) {
    return target == GL_VERTEX_PROGRAM_ARB || target == GL_FRAGMENT_PROGRAM_ARB;
}

void APIENTRY programEnvParameter4fv(unsigned int target, unsigned int index, const float* v) {
    if (!programTarget(target)) {
        refuse(GL_INVALID_ENUM, "glProgramEnvParameter4fvARB", target);
        return;
    }
    const bool ofVertices = target == GL_VERTEX_PROGRAM_ARB;
    if (index >= (ofVertices ? std::size(layer.vertexEnv) : std::size(layer.fragmentEnv))) {
        refuse(GL_INVALID_VALUE, "glProgramEnvParameter4fvARB", index);
        return;
    }
    float* slot = ofVertices ? layer.vertexEnv[index] : layer.fragmentEnv[index];
    if (std::memcmp(slot, v, 4 * sizeof(float)) != 0) {
        FlushGlBatch();
        std::memcpy(slot, v, 4 * sizeof(float));
    }
}

void APIENTRY genPrograms(int n, unsigned int* programs) {
    for (int i = 0; i < n; ++i) {
        programs[i] = ++layer.programCount;
    }
}

// The show has one program per target; binding changes nothing here.
void APIENTRY bindProgram(unsigned int target, unsigned int) {
    if (!programTarget(target)) {
        refuse(GL_INVALID_ENUM, "glBindProgramARB", target);
    }
}

// The text is read no further than its header: the GLSL ES translations of
// the show's two bump programs stand for it (the native tests hold them to
// the ARB pair), and the pair is linked once the fragment half arrives. A
// wrong header or a failed link is reported through the ARB error queries.
void APIENTRY programString(unsigned int target, unsigned int format, int length,
                            const void* text) {
    if (!programTarget(target) || format != GL_PROGRAM_FORMAT_ASCII_ARB) {
        refuse(GL_INVALID_ENUM, "glProgramStringARB", programTarget(target) ? format : target);
        return;
    }
    prepare();
    layer.programError.clear();
    const bool ofVertices = target == GL_VERTEX_PROGRAM_ARB;
    const char* header = ofVertices ? "!!ARBvp1.0" : "!!ARBfp1.0";
    const std::size_t headerLength = std::strlen(header);
    if (length < static_cast<int>(headerLength) || std::memcmp(text, header, headerLength) != 0) {
        layer.programError = std::string("the program does not begin with ") + header;
        return;
    }
    if (!ofVertices) {
        layer.bump = linkBump(layer.programError);
        if (!layer.programError.empty()) {
            layer.bump.name = 0;
        }
    }
}

void APIENTRY genFramebuffers(int n, unsigned int* names) {
    emscripten_glGenFramebuffers(n, names);
}

void APIENTRY bindFramebuffer(unsigned int target, unsigned int name) {
    if (target != GL_FRAMEBUFFER) {
        refuse(GL_INVALID_ENUM, "glBindFramebuffer", target);
        return;
    }
    if (changeState(layer.framebuffer, name)) {
        emscripten_glBindFramebuffer(target, name);
    }
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
    std::vector<FixedVertex>& vertices = layer.batch.vertices;
    if (vertices.empty()) {
        return;
    }
    prepare();
    useFixed();
    const std::size_t quads = vertices.size() / 4;
    emscripten_glBindVertexArray(layer.fixedArray);
    indexQuads(quads);
    emscripten_glBindBuffer(WebGlArrayBuffer, layer.fixedBuffer);
    emscripten_glBufferData(WebGlArrayBuffer,
                            static_cast<long>(vertices.size() * sizeof(FixedVertex)),
                            vertices.data(), WebGlStreamDraw);
    emscripten_glDrawElements(WebGlTriangles, static_cast<GLsizei>(quads * 6), WebGlUnsignedInt,
                              nullptr);
    vertices.clear();
    layer.batch.textures.clear();
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
    enable(capability, true, "glEnable");
}

void glDisable(GLenum capability) {
    enable(capability, false, "glDisable");
}

void glBlendFunc(GLenum source, GLenum destination) {
    if (changeState(layer.blendFunction, BlendFunction{source, destination})) {
        emscripten_glBlendFunc(source, destination);
    }
}

// GL_GREATER alone: the fixed programs compare no other way.
void glAlphaFunc(GLenum function, GLclampf reference) {
    if (function != GL_GREATER) {
        refuse(GL_INVALID_ENUM, "glAlphaFunc", function);
        return;
    }
    changeState(layer.alphaReference, reference);
}

void glDepthFunc(GLenum function) {
    if (changeState(layer.depthFunction, function)) {
        emscripten_glDepthFunc(function);
    }
}

void glDepthMask(GLboolean write) {
    if (changeState(layer.depthWrite, write)) {
        emscripten_glDepthMask(write);
    }
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changeState(layer.viewport, Viewport{x, y, width, height})) {
        emscripten_glViewport(x, y, width, height);
    }
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changeState(layer.scissor, Viewport{x, y, width, height})) {
        emscripten_glScissor(x, y, width, height);
    }
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    layer.clearColor[0] = red;
    layer.clearColor[1] = green;
    layer.clearColor[2] = blue;
    layer.clearColor[3] = alpha;
    emscripten_glClearColor(red, green, blue, alpha);
}

void glClear(GLbitfield mask) {
    FlushGlBatch();
    emscripten_glClear(mask);
}

void glMatrixMode(GLenum mode) {
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE) {
        refuse(GL_INVALID_ENUM, "glMatrixMode", mode);
        return;
    }
    layer.matrixMode = mode;
}

void glLoadIdentity() {
    currentStack().top() = IdentityMatrix();
}

void glLoadMatrixf(const GLfloat* matrix) {
    std::memcpy(currentStack().top().data(), matrix, 16 * sizeof(float));
}

void glPushMatrix() {
    std::vector<GlMatrix>& matrices = currentStack().matrices;
    matrices.push_back(matrices.back());
}

void glPopMatrix() {
    std::vector<GlMatrix>& matrices = currentStack().matrices;
    if (matrices.size() == 1) {
        refuse(GL_STACK_UNDERFLOW, "glPopMatrix", layer.matrixMode);
        return;
    }
    matrices.pop_back();
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

// Quads and quad strips; a refused primitive draws nothing at glEnd.
void glBegin(GLenum mode) {
    layer.primitiveVertices.clear();
    layer.primitive = mode;
    if (mode != GL_QUADS && mode != GL_QUAD_STRIP) {
        refuse(GL_INVALID_ENUM, "glBegin", mode);
        layer.primitive = 0;
    }
}

void glEnd() {
    if (bumpProgramsOn()) {
        drawBump(layer.primitiveVertices, layer.primitive);
        return;
    }
    const float slot = static_cast<float>(batchSlot(layer.boundTextures[0]));
    const GlMatrix mvp = MultiplyMatrices(layer.projection.top(), layer.modelview.top());
    const GlMatrix& texture = layer.texture.top();
    std::vector<FixedVertex>& batch = layer.batch.vertices;
    forEachQuad(layer.primitiveVertices, layer.primitive,
                [&](const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
                    for (const Vertex* v : {&a, &b, &c, &d}) {
                        batch.push_back(transformed(*v, mvp, texture, slot));
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
    if (target != GL_TEXTURE_2D) {
        refuse(GL_INVALID_ENUM, "glBindTexture", target);
        return;
    }
    GLuint& bound = layer.boundTextures[layer.activeUnit];
    if (bound != name) {
        bound = name;
        emscripten_glBindTexture(target, name);
    }
}

// GL_CLAMP becomes clamping to the edge texel, as WebGL has no texture border;
// the fixed programs fade it toward the border the desktop would read.
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (target != GL_TEXTURE_2D) {
        refuse(GL_INVALID_ENUM, "glTexParameteri", target);
        return;
    }
    const GLuint texture = layer.boundTextures[layer.activeUnit];
    Sampling& sampling = samplingOf(texture);
    GLint* state = name == GL_TEXTURE_WRAP_S       ? &sampling.wrapS
                   : name == GL_TEXTURE_WRAP_T     ? &sampling.wrapT
                   : name == GL_TEXTURE_MIN_FILTER ? &sampling.minFilter
                   : name == GL_TEXTURE_MAG_FILTER ? &sampling.magFilter
                                                   : nullptr;
    if (state == nullptr) {
        refuse(GL_INVALID_ENUM, "glTexParameteri", name);
        return;
    }
    if (*state == value) {
        return;
    }
    // Only the batch's own textures sample differently from now on.
    if (layer.batch.reads(texture)) {
        FlushGlBatch();
    }
    *state = value;
    emscripten_glTexParameteri(target, name, value == GL_CLAMP ? WebGlClampToEdge : value);
}

// The environment's mode, GL_MODULATE or GL_ADD: the fixed programs know no
// other.
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE) {
        refuse(GL_INVALID_ENUM, "glTexEnvi", target != GL_TEXTURE_ENV ? target : name);
        return;
    }
    if (value != GL_MODULATE && value != GL_ADD) {
        refuse(GL_INVALID_ENUM, "glTexEnvi", static_cast<GLenum>(value));
        return;
    }
    changeState(layer.environment, value);
}

// Four-component images alone, as the show's are: they upload as RGBA.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    if (internalFormat != 4 && internalFormat != static_cast<GLint>(GL_RGBA) &&
        internalFormat != static_cast<GLint>(GL_RGBA8)) {
        refuse(GL_INVALID_ENUM, "glTexImage2D", static_cast<GLenum>(internalFormat));
        return;
    }
    FlushGlBatch();
    emscripten_glTexImage2D(target, level, GL_RGBA, width, height, border, format, type, pixels);
}

void glCopyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y,
                         GLsizei width, GLsizei height) {
    FlushGlBatch();
    emscripten_glCopyTexSubImage2D(target, level, xOffset, yOffset, x, y, width, height);
}

const GLubyte* glGetString(GLenum name) {
    const char* text = nullptr;
    if (name == GL_VERSION) {
        text = "2.0 WebGL 2";
    } else if (name == GL_EXTENSIONS) {
        text = "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program "
               "GL_ARB_framebuffer_object GL_ARB_texture_non_power_of_two";
    } else if (name == GL_PROGRAM_ERROR_STRING_ARB) {
        text = layer.programError.c_str();
    } else {
        refuse(GL_INVALID_ENUM, "glGetString", name);
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

// The modelview matrix alone: the show asks for nothing else.
void glGetFloatv(GLenum name, GLfloat* values) {
    if (name != GL_MODELVIEW_MATRIX && name != GL_PROJECTION_MATRIX) {
        refuse(GL_INVALID_ENUM, "glGetFloatv", name);
        return;
    }
    const MatrixStack& stack = name == GL_MODELVIEW_MATRIX ? layer.modelview : layer.projection;
    std::memcpy(values, stack.top().data(), 16 * sizeof(float));
}

// The layer's own refusal first, then WebGL's errors.
GLenum glGetError() {
    const GLenum error = layer.error;
    if (error != GL_NO_ERROR) {
        layer.error = GL_NO_ERROR;
        return error;
    }
    return emscripten_glGetError();
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
