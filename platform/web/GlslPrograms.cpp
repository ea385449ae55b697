#include "platform/web/GlslPrograms.h"

// Positions and texture coordinates arrive transformed and colours clamped:
// the layer applies the matrix stacks itself, so that a batch can span many
// matrices. The third texture coordinate is the slot of the batch's texture.
const char FixedVertexShader[] = R"(#version 300 es
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec3 texCoord;
out vec4 vColor;
out vec2 vTexCoord;
flat out int vSlot;
void main() {
    gl_Position = position;
    vColor = color;
    vTexCoord = texCoord.xy;
    vSlot = int(texCoord.z);
}
)";

// environment: 0 untextured, 1 modulate, 2 add. The alpha test passes
// fragments whose alpha is greater than the reference; a negative reference
// passes everything. The texture is one of the batch's, chosen per quad, so
// the four pixels that share derivatives always take the same branch.
// WebGL has no texture border: an axis set in clampToBorder (GL_CLAMP) is
// sampled clamped to the edge and then faded by the share of the bilinear
// footprint that falls beyond the edge, where the desktop reads the border's
// transparent black.
const char FixedFragmentShader[] = R"(#version 300 es
precision highp float;
uniform sampler2D images[4];
uniform vec2 clampToBorder[4];
uniform int environment;
uniform float alphaReference;
in vec4 vColor;
in vec2 vTexCoord;
flat in int vSlot;
out vec4 fragColor;
float inside(vec2 st, vec2 size) {
    vec2 s = clamp(st, 0.0, 1.0) * size;
    vec2 share = clamp(min(s + 0.5, size + 0.5 - s), 0.0, 1.0);
    share = mix(vec2(1.0), share, clampToBorder[vSlot]);
    return share.x * share.y;
}
void main() {
    vec4 c = vColor;
    vec2 st = vTexCoord;
    if (environment != 0) {
        vec4 t;
        vec2 size;
        if (vSlot == 0) {
            t = texture(images[0], st);
            size = vec2(textureSize(images[0], 0));
        } else if (vSlot == 1) {
            t = texture(images[1], st);
            size = vec2(textureSize(images[1], 0));
        } else if (vSlot == 2) {
            t = texture(images[2], st);
            size = vec2(textureSize(images[2], 0));
        } else {
            t = texture(images[3], st);
            size = vec2(textureSize(images[3], 0));
        }
        t *= inside(st, size);
        c = environment == 1 ? c * t : vec4(min(c.rgb + t.rgb, 1.0), c.a * t.a);
    }
    if (c.a <= alphaReference) {
        discard;
    }
    fragColor = c;
}
)";

// The bump vertex program. Column i of the inverse modelview is row i of its
// inverse transpose, the rows the ARB program reads; the last one is the eye
// in object space.
const char BumpVertexShader[] = R"(#version 300 es
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec4 texCoord;
layout(location = 3) in vec3 normal;
layout(location = 4) in vec3 tangent;
layout(location = 5) in vec3 binormal;
uniform mat4 modelviewProjection;
uniform mat4 modelview;
uniform mat4 modelviewInverse;
uniform vec4 light;
out vec4 vColor;
out vec4 vSurface;
out vec4 vVertexEye;
out vec4 vToLight;
out vec4 vNormal;
out vec4 vEyeTangent;
out vec4 vTangent;
out vec4 vBinormal;
vec3 toEye(vec3 v) {
    return vec3(dot(modelviewInverse[0].xyz, v), dot(modelviewInverse[1].xyz, v),
                dot(modelviewInverse[2].xyz, v));
}
void main() {
    vec4 e = modelviewInverse[3] - position;
    gl_Position = modelviewProjection * position;
    vColor = clamp(color, 0.0, 1.0);
    vSurface = texCoord;
    vNormal = vec4(toEye(normal), 1.0);
    vTangent = vec4(toEye(tangent), 1.0);
    vBinormal = vec4(toEye(binormal), 1.0);
    vEyeTangent = vec4(dot(e.xyz, tangent), dot(e.xyz, binormal), dot(e.xyz, normal), 1.0);
    vec4 u = modelview * position;
    vToLight = modelview * light - u;
    vVertexEye = u;
}
)";

// The bump fragment program: env[1] specular, env[2] shine (x exponent, y
// reflection scale), env[3] bump (x strength, y height weight, z height
// scale, w height bias); unit 0 the normal map, unit 1 the height texture.
const char BumpFragmentShader[] = R"(#version 300 es
precision highp float;
uniform sampler2D normalMap;
uniform sampler2D heightMap;
uniform vec4 specular;
uniform vec4 shine;
uniform vec4 bump;
in vec4 vColor;
in vec4 vSurface;
in vec4 vVertexEye;
in vec4 vToLight;
in vec4 vNormal;
in vec4 vEyeTangent;
in vec4 vTangent;
in vec4 vBinormal;
out vec4 fragColor;
vec3 unit(vec3 v) {
    return v * inversesqrt(dot(v, v));
}
void main() {
    vec4 x = vSurface;
    vec4 ev = vec4(unit(vEyeTangent.xyz), 0.0);
    vec4 he = textureProj(heightMap, x) * bump.z + bump.w;
    vec4 ntv = textureProj(heightMap, he * ev + x);

    vec3 v = unit(vVertexEye.xyz);
    vec3 n = unit(vNormal.xyz);
    vec3 g = unit(vTangent.xyz);
    vec3 b = unit(vBinormal.xyz);
    vec4 t = (textureProj(normalMap, x) - 0.5) * bump.x;
    n = g * t.x + n;
    n = b * t.y + n;
    n = unit(n);
    vec3 l = unit(vToLight.xyz);

    float d = dot(n, l);
    vec4 result = clamp(d * vColor, 0.0, 1.0);
    vec3 r = 2.0 * (d * n) - l;
    float reflection = clamp(dot(r, v) * shine.y, 0.0, 1.0);
    result += clamp(pow(reflection, shine.x) * specular, 0.0, 1.0);
    fragColor = ntv * bump.y + result;
}
)";
