#include "render/Extensions.h"

#include "common/DemoState.h"
#include "platform/GL.h"

#include <cstring>
#include <string_view>

// Per-vertex set-up for the bump lighting. Inputs: position, normal, colour,
// texture coordinate 0 (surface coordinate), 1 (tangent) and 2 (binormal);
// env[0] is the light position in the space the modelview transforms.
// Outputs, read by the fragment program:
//   texcoord[0] surface coordinate        texcoord[4] eye vector, tangent frame
//   texcoord[1] vertex, eye space         texcoord[5] tangent, eye space
//   texcoord[2] vertex to light, eye      texcoord[6] binormal, eye space
//   texcoord[3] normal, eye space (w = 1)
const char BumpVertexProgramText[] = R"(!!ARBvp1.0
ATTRIB P = vertex.position;
ATTRIB I = vertex.normal;
ATTRIB G = vertex.texcoord[1];
ATTRIB B = vertex.texcoord[2];
PARAM m[4] = { state.matrix.mvp };
PARAM n[4] = { state.matrix.modelview };
PARAM o[4] = { state.matrix.modelview.invtrans };
PARAM L = program.env[0];
TEMP T, U, E;

# The eye in object space is the last row of the inverse transpose.
SUB E, o[3], P;

DP4 result.position.x, m[0], P;
DP4 result.position.y, m[1], P;
DP4 result.position.z, m[2], P;
DP4 result.position.w, m[3], P;
MOV result.color, vertex.color;
MOV result.texcoord[0], vertex.texcoord[0];

# Normal, tangent and binormal into eye space; w stays 1.
DP3 T.x, o[0], I;
DP3 T.y, o[1], I;
DP3 T.z, o[2], I;
MOV T.w, 1.0;
MOV result.texcoord[3], T;
DP3 T.x, o[0], G;
DP3 T.y, o[1], G;
DP3 T.z, o[2], G;
MOV result.texcoord[5], T;
DP3 T.x, o[0], B;
DP3 T.y, o[1], B;
DP3 T.z, o[2], B;
MOV result.texcoord[6], T;

# Eye vector in the object-space tangent frame, not normalised.
DP3 T.x, E, G;
DP3 T.y, E, B;
DP3 T.z, E, I;
MOV result.texcoord[4], T;

# Light and vertex in eye space.
DP4 T.x, n[0], L;
DP4 T.y, n[1], L;
DP4 T.z, n[2], L;
DP4 T.w, n[3], L;
DP4 U.x, n[0], P;
DP4 U.y, n[1], P;
DP4 U.z, n[2], P;
DP4 U.w, n[3], P;
SUB result.texcoord[2], T, U;
MOV result.texcoord[1], U;
END
)";

// Per-pixel lighting: the normal map on unit 0 bends the normal along the
// tangent and binormal; the height texture on unit 1 is added, read at a
// coordinate pushed along the eye vector by its own scaled value.
// env[1] specular colour; env[2] x exponent, y reflection scale;
// env[3] x bump strength, y height weight, z height scale, w height bias.
// A normalised register keeps the reciprocal length in w.
const char BumpFragmentProgramText[] = R"(!!ARBfp1.0
ATTRIB x = fragment.texcoord[0];
ATTRIB Ve = fragment.texcoord[1];
ATTRIB Le = fragment.texcoord[2];
ATTRIB Ne = fragment.texcoord[3];
ATTRIB Pe = fragment.texcoord[4];
ATTRIB Ge = fragment.texcoord[5];
ATTRIB Be = fragment.texcoord[6];
ATTRIB c = fragment.color;
PARAM cS = program.env[1];
PARAM a = program.env[2];
PARAM b = program.env[3];
TEMP ev, he, ntex, ntv, V, N, G, B, t, L, d, R, res, s;

# Unit eye vector; its w is 0 so the offset read keeps the q of x.
DP3 s.w, Pe, Pe;
RSQ s.w, s.w;
MUL ev.xyz, Pe, s.w;
MOV ev.w, 0.0;

# Height at x, scaled and biased, then the read at the offset coordinate.
TXP he, x, texture[1], 2D;
MAD he, he, b.z, b.w;
MAD ntex, he, ev, x;
TXP ntv, ntex, texture[1], 2D;

DP3 V.w, Ve, Ve;
RSQ V.w, V.w;
MUL V.xyz, Ve, V.w;
DP3 N.w, Ne, Ne;
RSQ N.w, N.w;
MUL N.xyz, Ne, N.w;
DP3 G.w, Ge, Ge;
RSQ G.w, G.w;
MUL G.xyz, Ge, G.w;
DP3 B.w, Be, Be;
RSQ B.w, B.w;
MUL B.xyz, Be, B.w;

# Normal map texel: 0.5 means no bend.
TXP t, x, texture[0], 2D;
SUB t, t, 0.5;
MUL t, t, b.x;
MAD N.xyz, G, t.x, N;
MAD N.xyz, B, t.y, N;
DP3 N.w, N, N;
RSQ N.w, N.w;
MUL N.xyz, N, N.w;

DP3 L.w, Le, Le;
RSQ L.w, L.w;
MUL L.xyz, Le, L.w;

# Diffuse.
DP3 d.x, N, L;
MUL_SAT res, d.x, c;

# Specular from the reflection of L about N.
MUL R.xyz, d.x, N;
MAD R.xyz, 2.0, R, -L;
DP3 d.y, R, V;
MUL_SAT d.y, d.y, a.y;
POW d.z, d.y, a.x;
MUL_SAT s, d.z, cS;
ADD res, res, s;

MAD result.color, ntv, b.y, res;
END
)";

namespace {

constexpr const char* RequiredExtensions[] = {
    "GL_ARB_multitexture",
    "GL_ARB_vertex_program",
    "GL_ARB_fragment_program",
};

template <typename Proc>
bool fetch(ProcLookup lookup, const char* name, Proc& slot, std::string& missing) {
    // Windows declares PROC as returning int; void (*)() is the generic function
    // pointer type that the cast passes through without a type-mismatch warning.
    slot = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(lookup(name)));
    if (slot == nullptr) {
        missing += "entry point ";
        missing += name;
        missing += '\n';
        return false;
    }
    return true;
}

template <typename Visit> void forEachFramebufferEntryPoint(Visit visit) {
    visit("glGenFramebuffers", demo.glGenFramebuffers);
    visit("glBindFramebuffer", demo.glBindFramebuffer);
    visit("glFramebufferRenderbuffer", demo.glFramebufferRenderbuffer);
    visit("glCheckFramebufferStatus", demo.glCheckFramebufferStatus);
    visit("glGenRenderbuffers", demo.glGenRenderbuffers);
    visit("glBindRenderbuffer", demo.glBindRenderbuffer);
    visit("glRenderbufferStorage", demo.glRenderbufferStorage);
}

[[noreturn]] void fail(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

} // namespace

// Whole-word match: "GL_ARB_vertex_program" is not found in
// "GL_ARB_vertex_program2".
bool HasExtension(const char* extensions, std::string_view name) {
    if (extensions == nullptr) {
        return false;
    }
    std::string_view list(extensions);
    std::size_t position = 0;
    while (position < list.size()) {
        std::size_t end = list.find(' ', position);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        if (list.substr(position, end - position) == name) {
            return true;
        }
        position = end + 1;
    }
    return false;
}

std::string LoadExtensions(ProcLookup lookup, const char* extensions) {
    std::string missing;
    for (const char* name : RequiredExtensions) {
        if (!HasExtension(extensions, name)) {
            missing += "extension ";
            missing += name;
            missing += '\n';
        }
    }
    fetch(lookup, "glActiveTextureARB", demo.glActiveTextureARB, missing);
    fetch(lookup, "glMultiTexCoord3fvARB", demo.glMultiTexCoord3fvARB, missing);
    fetch(lookup, "glProgramEnvParameter4fvARB", demo.glProgramEnvParameter4fvARB, missing);
    fetch(lookup, "glGenProgramsARB", demo.glGenProgramsARB, missing);
    fetch(lookup, "glBindProgramARB", demo.glBindProgramARB, missing);
    fetch(lookup, "glProgramStringARB", demo.glProgramStringARB, missing);
    return missing;
}

bool LoadFramebufferObjects(ProcLookup lookup, const char* extensions) {
    const char* suffix = HasExtension(extensions, "GL_ARB_framebuffer_object")   ? ""
                         : HasExtension(extensions, "GL_EXT_framebuffer_object") ? "EXT"
                                                                                 : nullptr;
    std::string missing;
    forEachFramebufferEntryPoint([&](const char* name, auto& slot) {
        slot = nullptr;
        if (suffix != nullptr) {
            fetch(lookup, (std::string(name) + suffix).c_str(), slot, missing);
        }
    });
    if (suffix == nullptr || !missing.empty()) {
        forEachFramebufferEntryPoint([](const char*, auto& slot) { slot = nullptr; });
        return false;
    }
    return true;
}

unsigned int CompileProgram(unsigned int target, const char* text, std::string& error) {
    unsigned int program = 0;
    demo.glGenProgramsARB(1, &program);
    demo.glBindProgramARB(target, program);
    demo.glProgramStringARB(target, GL_PROGRAM_FORMAT_ASCII_ARB,
                            static_cast<int>(std::strlen(text)), text);
    GLint errorPosition = -1;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &errorPosition);
    if (errorPosition != -1) {
        const auto* message =
            reinterpret_cast<const char*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB));
        error = "at character " + std::to_string(errorPosition) + ": " +
                (message != nullptr ? message : "");
        return 0;
    }
    return program;
}

void InitExtensions() {
    InitExtensions(wglGetProcAddress, reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
}

void InitExtensions(ProcLookup lookup, const char* extensions) {
    const std::string missing = LoadExtensions(lookup, extensions);
    if (!missing.empty()) {
        fail("This OpenGL lacks what the show needs:\n" + missing);
    }

    std::string error;
    demo.BumpVertexProgram = CompileProgram(GL_VERTEX_PROGRAM_ARB, BumpVertexProgramText, error);
    if (demo.BumpVertexProgram == 0) {
        fail("The bump vertex program does not compile " + error);
    }
    demo.BumpFragmentProgram =
        CompileProgram(GL_FRAGMENT_PROGRAM_ARB, BumpFragmentProgramText, error);
    if (demo.BumpFragmentProgram == 0) {
        fail("The bump fragment program does not compile " + error);
    }
}
