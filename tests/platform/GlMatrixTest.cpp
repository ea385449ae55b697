// The web layer's matrix maths against the desktop GL: the same calls on the
// real matrix stack (Mesa, headless) and through GlMatrix must give the same
// matrices, so that the page's frames take the native frames' transforms.
#include "platform/web/GlMatrix.h"
#include "platform/GL.h"
#include "tests/support/GlWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct Case {
    std::string name;
    std::function<void()> desktop;   // calls on the current GL matrix
    std::function<GlMatrix()> layer; // the same through GlMatrix
};

GlMatrix desktopMatrix(const std::function<void()>& calls) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    calls();
    GlMatrix m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void expectSame(const GlMatrix& expected, const GlMatrix& actual, const std::string& name) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected[i], actual[i], 2e-6f * (1.0f + std::abs(expected[i])))
            << name << ", element " << i;
    }
}

const double eye[3] = {5.0 * 0.479425538604203, 0.5, 5.0 * 0.877582561890373};
const double origin[3] = {0.0, 0.0, 0.0};
const double up[3] = {0.0, 1.0, 0.0};
const double sideEye[3] = {-1.0, 2.0, -3.0};
const double target[3] = {0.25, -0.5, 4.0};

const Case Cases[] = {
    {"translation", [] { glTranslatef(0.5f, -2.0f, 3.25f); },
     [] { return TranslationMatrix(0.5f, -2.0f, 3.25f); }},
    {"scale", [] { glScalef(1.1f, 12.0f, 0.75f); }, [] { return ScaleMatrix(1.1f, 12.0f, 0.75f); }},
    {"rotation about z", [] { glRotatef(37.5f, 0.0f, 0.0f, 1.0f); },
     [] { return RotationMatrix(37.5f, 0.0f, 0.0f, 1.0f); }},
    {"rotation about x", [] { glRotatef(-45.0f * 0.3f, 1.0f, 0.0f, 0.0f); },
     [] { return RotationMatrix(-45.0f * 0.3f, 1.0f, 0.0f, 0.0f); }},
    {"rotation about an axis of unequal parts", [] { glRotatef(135.0f, 0.0f, 0.02f, 1.0f); },
     [] { return RotationMatrix(135.0f, 0.0f, 0.02f, 1.0f); }},
    {"the show's projection", [] { gluPerspective(60.0, 1.0, 0.01f, 1000.0); },
     [] { return PerspectiveMatrix(60.0, 1.0, 0.01f, 1000.0); }},
    {"a camera circling the centre",
     [] { gluLookAt(eye[0], eye[1], eye[2], 0.0, 0.0, 0.0, 0.0, 1.0, 0.0); },
     [] { return LookAtMatrix(eye, origin, up); }},
    {"a camera off every axis", [] { gluLookAt(-1.0, 2.0, -3.0, 0.25, -0.5, 4.0, 0.0, 1.0, 0.0); },
     [] { return LookAtMatrix(sideEye, target, up); }},
    {"a blob: camera, translation, scale, two rotations",
     [] {
         gluLookAt(eye[0], eye[1], eye[2], 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
         glTranslatef(0.3f, 0.0f, -1.5f);
         glScalef(12.0f, 12.0f, 1.0f);
         glRotatef(180.0f - 90.0f * 0.4f, 0.0f, 0.02f, 1.0f);
         glRotatef(33.0f, 1.0f, 0.0f, 0.0f);
     },
     [] {
         GlMatrix m = LookAtMatrix(eye, origin, up);
         m = MultiplyMatrices(m, TranslationMatrix(0.3f, 0.0f, -1.5f));
         m = MultiplyMatrices(m, ScaleMatrix(12.0f, 12.0f, 1.0f));
         m = MultiplyMatrices(m, RotationMatrix(180.0f - 90.0f * 0.4f, 0.0f, 0.02f, 1.0f));
         return MultiplyMatrices(m, RotationMatrix(33.0f, 1.0f, 0.0f, 0.0f));
     }},
};

TEST(WebGlMatrix, TheDesktopGlBuildsTheSameMatrices) {
    OpenShowWindow();
    for (const Case& c : Cases) {
        expectSame(desktopMatrix(c.desktop), c.layer(), c.name);
    }
}

// The bump programs read the inverse transpose of the modelview; a point
// through a matrix and back through its inverse is where it started, and the
// desktop GL takes a point where TransformPoint does.
TEST(WebGlMatrix, InverseAndTransformAgreeWithTheMatrix) {
    for (const Case& c : Cases) {
        const GlMatrix m = c.layer();
        const std::array<float, 4> point = {0.25f, -0.75f, 1.5f, 1.0f};
        const auto there = TransformPoint(m, point);
        const auto back = TransformPoint(InverseMatrix(m), there);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(point[i], back[i], 1e-4f) << c.name << ", coordinate " << i;
        }
        float row0 = 0.0f;
        for (int k = 0; k < 4; ++k) {
            row0 += m[k * 4] * point[k];
        }
        EXPECT_FLOAT_EQ(row0, there[0]) << c.name;
    }
    const GlMatrix singular = ScaleMatrix(1.0f, 0.0f, 1.0f);
    EXPECT_EQ(IdentityMatrix(), InverseMatrix(singular));
}

} // namespace
