#include "scenes/Sprite.h"

#include "platform/GL.h"

#include <cmath>
#include <cstring>

namespace {

// Whether a sphere in eye space lies wholly outside one of the view's planes,
// by a margin above the rounding of the test.
bool OutsideView(const float* planes, float x, float y, float z, float radius) {
    const float margin = radius * 1.001f + 0.001f;
    for (int i = 0; i < 6; ++i) {
        const float* p = planes + 4 * i;
        if (p[0] * x + p[1] * y + p[2] * z + p[3] < -margin) {
            return true;
        }
    }
    return false;
}

// The view's six planes from the projection (column-major), each as (a, b,
// c, d) with a unit normal pointing inwards: a point p is inside the plane
// when a p.x + b p.y + c p.z + d >= 0. A plane without a direction culls
// nothing.
void ViewPlanes(const float* projection, float* planes) {
    const auto row = [projection](int r, int c) { return projection[c * 4 + r]; };
    for (int i = 0; i < 6; ++i) {
        const int axis = i / 2;
        const float sign = i % 2 == 0 ? 1.0f : -1.0f;
        float* plane = planes + 4 * i;
        for (int c = 0; c < 4; ++c) {
            plane[c] = row(3, c) + sign * row(axis, c);
        }
        const float length =
            std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        for (int c = 0; c < 4; ++c) {
            plane[c] = length > 0.0f ? plane[c] / length : (c == 3 ? 1.0f : 0.0f);
        }
    }
}

void DrawQuad(float w, float h) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w, -h, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w, h, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w, -h, 0.0f);
    glEnd();
}

} // namespace

void Sprite::Init(bool isHead) {
    spin = 0.0f;
    blendMode = 0;
    lowAlphaCut = 0;
    cluster = 0;
    clusterSpacing = 0.0f;
    color[3] = 1.0f;
    if (isHead) {
        billboardMatrix = new float[16];
        modelviewMatrix = new float[16];
        viewPlanes = new float[24];
    } else {
        billboardMatrix = nullptr;
        modelviewMatrix = nullptr;
        viewPlanes = nullptr;
    }
}

void Sprite::BeginLayer() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_CULL_FACE);

    glGetFloatv(GL_MODELVIEW_MATRIX, billboardMatrix);
    std::memcpy(modelviewMatrix, billboardMatrix, 16 * sizeof(float));
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            billboardMatrix[column * 4 + row] = column == row ? 1.0f : 0.0f;
        }
    }
    glLoadMatrixf(billboardMatrix);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    ViewPlanes(projection, viewPlanes);

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glDepthMask(GL_TRUE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, lowAlphaCut ? 0.01f : 0.5f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);

    if (blendMode == 0) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    } else if (blendMode == 1) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

void Sprite::Draw(const Sprite& head) const {
    draw(head, nullptr);
}

void Sprite::DrawLifted(const Sprite& head, float lift) const {
    draw(head, &lift);
}

void Sprite::draw(const Sprite& head, const float* lift) const {
    // Where the camera alone puts the position; the loaded billboard keeps
    // the camera's translation but faces the quad to the viewer.
    const float* m = head.modelviewMatrix;
    const float x = position[0];
    const float y = position[1];
    const float z = position[2];
    const float eyeX = m[0] * x + m[4] * y + m[8] * z;
    const float eyeY = m[1] * x + m[5] * y + m[9] * z;
    const float eyeZ = m[2] * x + m[6] * y + m[10] * z;
    // The quad turns about its centre, so it stays within its half diagonal;
    // a cluster's copies lie up to half the spacing out on both axes.
    float radius = std::sqrt(halfSize[0] * halfSize[0] + halfSize[1] * halfSize[1]);
    if (cluster) {
        radius += std::abs(clusterSpacing) * 0.7072f;
    }
    const float* b = head.billboardMatrix;
    if (OutsideView(head.viewPlanes, b[12] + eyeX, b[13] + eyeY + (lift ? *lift : 0.0f),
                    b[14] + eyeZ, radius)) {
        return;
    }

    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    glPushMatrix();
    if (lift) {
        glTranslatef(0.0f, *lift, 0.0f);
    }
    glTranslatef(eyeX, eyeY, eyeZ);

    if (cluster) {
        glColor4f(color[0], color[1], color[2], 0.75f * color[3]);
        const float s = clusterSpacing;
        for (int i = -1; i <= 1; ++i) {
            for (int j = -1; j <= 1; ++j) {
                glPushMatrix();
                glTranslatef(j * s * 0.5f, i * s * 0.5f, 0.0f);
                DrawQuad(halfSize[0], halfSize[1]);
                glPopMatrix();
            }
        }
    } else {
        glColor4f(color[0], color[1], color[2], color[3]);
        glRotatef(spin, 0.0f, 0.0f, 1.0f);
        // Flakes tumble as they move up or down.
        glRotatef(45.0f * std::sin(2.0f * y), 1.0f, 0.0f, 0.0f);
        DrawQuad(halfSize[0], halfSize[1]);
    }

    glPopMatrix();
}

void Sprite::EndLayer() {
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void Sprite::Destroy() {
    delete[] billboardMatrix;
    billboardMatrix = nullptr;
    delete[] modelviewMatrix;
    modelviewMatrix = nullptr;
    delete[] viewPlanes;
    viewPlanes = nullptr;
}
