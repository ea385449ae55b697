// The GLSL ES 3.00 programs of the web layer: the fixed-function subset the
// show uses (texture environment, alpha test) and the bump-lighting pair,
// which repeats the maths of the show's ARB programs step by step.
#pragma once

// Attribute locations shared by all of them.
enum GlslAttribute {
    PositionAttribute = 0, // clip space for the fixed programs, object space for the bump pair
    ColorAttribute = 1,
    TexCoordAttribute = 2, // the fixed programs: s, t and which of the batch's textures
    NormalAttribute = 3,
    TangentAttribute = 4,  // texture coordinate 1 of the ARB program
    BinormalAttribute = 5, // texture coordinate 2
};

// How many textures one batch of the fixed programs may read.
constexpr int BatchTextures = 4;

extern const char FixedVertexShader[];
extern const char FixedFragmentShader[];
extern const char BumpVertexShader[];
extern const char BumpFragmentShader[];
