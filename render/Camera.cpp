#include "render/Camera.h"

#include "common/DemoState.h"
#include "platform/GL.h"

void SetupCamera() {
    // The near plane is the single-precision 0.01, widened.
    constexpr float nearPlane = 0.01f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, static_cast<double>(nearPlane), 1000.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(demo.cameraEye[0], demo.cameraEye[1], demo.cameraEye[2], demo.cameraTarget[0],
              demo.cameraTarget[1], demo.cameraTarget[2], 0.0, 1.0, 0.0);
}
