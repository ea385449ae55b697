// The web layer's GLSL ES bump programs against the show's ARB programs: the
// same lit, bumped surface drawn by both on the desktop GL (Mesa, headless)
// must give the same picture, so the page lights its blobs as the show does.
#include "platform/web/GlslPrograms.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "platform/web/GlMatrix.h"
#include "render/Frame.h"
#include "tests/support/BumpPrograms.h"
#include "tests/support/GlWindow.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct Material {
    std::string name;
    float light[4];
    float specular[4];
    float shine[4]; // x exponent, y reflection scale
    float bump[4];  // x strength, y height weight, z height scale, w height bias
    float turn;     // degrees the surface turns about an oblique axis
};

const Material Materials[] = {
    {"matte, no bump",
     {0.0f, 0.5f, 3.0f, 1.0f},
     {0, 0, 0, 0},
     {4.0f, 0.995f, 0, 0},
     {0.0f, 0.0f, 0.0f, 0.0f},
     0.0f},
    {"the show's material",
     {1.0f, 2.0f, 2.0f, 1.0f},
     {1.5f, 1.4f, 1.1f, 1.0f},
     {4.0f, 0.995f, 0, 0},
     {2.0f, 0.15f, 0.01f, 0.0f},
     25.0f},
    {"strong bumps and a sharp highlight",
     {-2.0f, 1.0f, 1.5f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {16.0f, 1.0f, 0, 0},
     {6.0f, 0.4f, 0.05f, -0.02f},
     -40.0f},
    {"lit from behind",
     {0.0f, 0.0f, -4.0f, 1.0f},
     {1.5f, 1.4f, 1.1f, 1.0f},
     {4.0f, 0.995f, 0, 0},
     {2.0f, 0.15f, 0.01f, 0.0f},
     10.0f},
};

struct Vertex {
    float position[3];
    float color[4];
    float texCoord[2];
    float normal[3];
    float tangent[3];
    float binormal[3];
};

// A curved patch as quads, normals, tangents and binormals unnormalised as
// the show's surface leaves them.
std::vector<Vertex> patch() {
    constexpr int n = 12;
    auto at = [](int i, int j) {
        const float u = static_cast<float>(i) / n * 2.0f - 1.0f;
        const float v = static_cast<float>(j) / n * 2.0f - 1.0f;
        const float z = 0.3f * std::cos(1.5f * u) * std::cos(1.5f * v);
        const float dzdu = -0.45f * std::sin(1.5f * u) * std::cos(1.5f * v);
        const float dzdv = -0.45f * std::cos(1.5f * u) * std::sin(1.5f * v);
        Vertex p{{u, v, z},
                 {0.6f + 0.3f * u, 0.5f, 0.7f - 0.2f * v, 1.0f},
                 {0.5f * u + 0.5f, 0.5f * v + 0.5f},
                 {-2.0f * dzdu, -2.0f * dzdv, 2.0f},
                 {0.5f, 0.0f, 0.5f * dzdu},
                 {0.0f, 0.7f, 0.7f * dzdv}};
        return p;
    };
    std::vector<Vertex> quads;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            quads.insert(quads.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    return quads;
}

unsigned int patternTexture(int seed) {
    constexpr int side = 32;
    std::vector<std::uint8_t> texels;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            texels.push_back(static_cast<std::uint8_t>(128 + 100 * std::sin(0.7 * i + seed)));
            texels.push_back(static_cast<std::uint8_t>(128 + 100 * std::cos(0.5 * j - seed)));
            texels.push_back(static_cast<std::uint8_t>((i * 7 + j * 13 + seed * 40) % 256));
            texels.push_back(255);
        }
    }
    unsigned int name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
}

template <typename Proc> Proc entry(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

// The GLSL ES pair, linked on this GL; stops the test when it fails.
unsigned int linkGlslPair() {
    const auto createShader = entry<PFNGLCREATESHADERPROC>("glCreateShader");
    const auto shaderSource = entry<PFNGLSHADERSOURCEPROC>("glShaderSource");
    const auto compileShader = entry<PFNGLCOMPILESHADERPROC>("glCompileShader");
    const auto createProgram = entry<PFNGLCREATEPROGRAMPROC>("glCreateProgram");
    const auto attachShader = entry<PFNGLATTACHSHADERPROC>("glAttachShader");
    const auto linkProgram = entry<PFNGLLINKPROGRAMPROC>("glLinkProgram");
    const auto getProgramiv = entry<PFNGLGETPROGRAMIVPROC>("glGetProgramiv");
    const auto getProgramInfoLog = entry<PFNGLGETPROGRAMINFOLOGPROC>("glGetProgramInfoLog");
    const unsigned int program = createProgram();
    for (const auto& [type, text] : {std::pair{GL_VERTEX_SHADER, BumpVertexShader},
                                     std::pair{GL_FRAGMENT_SHADER, BumpFragmentShader}}) {
        const unsigned int shader = createShader(type);
        const char* source = text;
        shaderSource(shader, 1, &source, nullptr);
        compileShader(shader);
        attachShader(program, shader);
    }
    linkProgram(program);
    GLint linked = 0;
    getProgramiv(program, GL_LINK_STATUS, &linked);
    char log[2048] = {};
    getProgramInfoLog(program, sizeof log, nullptr, log);
    EXPECT_TRUE(linked) << log;
    return linked ? program : 0;
}

void placeSurface(float turn) {
    ResetRenderState();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 1.0, 0.01, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0.5, 0.3, 2.5, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glRotatef(turn, 0.3f, 1.0f, 0.2f);
    glTranslatef(0.1f, -0.05f, 0.0f);
}

Pixels drawWithArbPrograms(const std::vector<Vertex>& quads, const Material& m) {
    placeSurface(m.turn);
    BindBumpPrograms(m.light, m.specular, m.shine, m.bump);
    glBegin(GL_QUADS);
    for (const Vertex& v : quads) {
        glNormal3f(v.normal[0], v.normal[1], v.normal[2]);
        glColor4f(v.color[0], v.color[1], v.color[2], v.color[3]);
        glTexCoord2f(v.texCoord[0], v.texCoord[1]);
        demo.glMultiTexCoord3fvARB(GL_TEXTURE1_ARB, v.tangent);
        demo.glMultiTexCoord3fvARB(GL_TEXTURE2_ARB, v.binormal);
        glVertex3f(v.position[0], v.position[1], v.position[2]);
    }
    glEnd();
    glDisable(GL_VERTEX_PROGRAM_ARB);
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
    return ReadBackBuffer(0, 0, DefaultFrameSize, DefaultFrameSize);
}

// As the web layer draws: the matrices as uniforms, the vertices in object
// space, texture coordinates with r = 0 and q = 1.
Pixels drawWithGlsl(unsigned int program, const std::vector<Vertex>& quads, const Material& m) {
    const auto useProgram = entry<PFNGLUSEPROGRAMPROC>("glUseProgram");
    const auto uniformLocation = entry<PFNGLGETUNIFORMLOCATIONPROC>("glGetUniformLocation");
    const auto uniformMatrix = entry<PFNGLUNIFORMMATRIX4FVPROC>("glUniformMatrix4fv");
    const auto uniform4 = entry<PFNGLUNIFORM4FVPROC>("glUniform4fv");
    const auto uniform1 = entry<PFNGLUNIFORM1IPROC>("glUniform1i");
    const auto attribPointer = entry<PFNGLVERTEXATTRIBPOINTERPROC>("glVertexAttribPointer");
    const auto enableAttrib = entry<PFNGLENABLEVERTEXATTRIBARRAYPROC>("glEnableVertexAttribArray");
    const auto disableAttrib =
        entry<PFNGLDISABLEVERTEXATTRIBARRAYPROC>("glDisableVertexAttribArray");
    const auto attrib4 = entry<PFNGLVERTEXATTRIB4FPROC>("glVertexAttrib4f");

    placeSurface(m.turn);
    GlMatrix modelview{};
    GlMatrix projection{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    const GlMatrix mvp = MultiplyMatrices(projection, modelview);
    const GlMatrix inverse = InverseMatrix(modelview);

    useProgram(program);
    auto at = [&](const char* name) { return uniformLocation(program, name); };
    uniformMatrix(at("modelviewProjection"), 1, GL_FALSE, mvp.data());
    uniformMatrix(at("modelview"), 1, GL_FALSE, modelview.data());
    uniformMatrix(at("modelviewInverse"), 1, GL_FALSE, inverse.data());
    uniform4(at("light"), 1, m.light);
    uniform4(at("specular"), 1, m.specular);
    uniform4(at("shine"), 1, m.shine);
    uniform4(at("bump"), 1, m.bump);
    uniform1(at("normalMap"), 0);
    uniform1(at("heightMap"), 1);

    std::vector<float> texCoords;
    for (const Vertex& v : quads) {
        texCoords.insert(texCoords.end(), {v.texCoord[0], v.texCoord[1], 0.0f, 1.0f});
    }
    const GLsizei stride = sizeof(Vertex);
    const struct {
        GlslAttribute location;
        int size;
        const float* data;
        GLsizei stride;
    } arrays[] = {
        {PositionAttribute, 3, quads[0].position, stride},
        {ColorAttribute, 4, quads[0].color, stride},
        {TexCoordAttribute, 4, texCoords.data(), 0},
        {NormalAttribute, 3, quads[0].normal, stride},
        {TangentAttribute, 3, quads[0].tangent, stride},
        {BinormalAttribute, 3, quads[0].binormal, stride},
    };
    for (const auto& a : arrays) {
        enableAttrib(a.location);
        attribPointer(a.location, a.size, GL_FLOAT, GL_FALSE, a.stride, a.data);
    }
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads.size()));
    for (const auto& a : arrays) {
        disableAttrib(a.location);
    }
    attrib4(PositionAttribute, 0.0f, 0.0f, 0.0f, 1.0f);
    useProgram(0);
    return ReadBackBuffer(0, 0, DefaultFrameSize, DefaultFrameSize);
}

TEST(WebGlslPrograms, TheBumpPairLightsAsTheArbPairDoes) {
    OpenShowWindow();
    const unsigned int program = linkGlslPair();
    ASSERT_NE(program, 0u);
    demo.glActiveTextureARB(GL_TEXTURE1_ARB);
    patternTexture(1);
    demo.glActiveTextureARB(GL_TEXTURE0_ARB);
    patternTexture(2);
    const std::vector<Vertex> quads = patch();

    for (const Material& m : Materials) {
        const Pixels arb = drawWithArbPrograms(quads, m);
        const Pixels glsl = drawWithGlsl(program, quads, m);
        int worst = 0;
        long long differing = 0;
        int brightest = 0;
        for (std::size_t i = 0; i < arb.rgb.size(); ++i) {
            const int d = std::abs(arb.rgb[i] - glsl.rgb[i]);
            worst = std::max(worst, d);
            differing += d > 1 ? 1 : 0;
            brightest = std::max<int>(brightest, arb.rgb[i]);
        }
        EXPECT_GT(brightest, 60) << m.name << ": the surface is lit";
        EXPECT_LE(worst, 6) << m.name;
        EXPECT_LE(differing, static_cast<long long>(arb.rgb.size() / 1000)) << m.name;
    }
}

} // namespace
