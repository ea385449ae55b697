// The scenes' camera: a fixed 60-degree perspective for the square frame and
// a look-at from demo.cameraEye to demo.cameraTarget with +y up.
#pragma once

// Loads the projection (gluPerspective 60, 1, 0.01, 1000) and the modelview
// (gluLookAt) and leaves the modelview selected.
void SetupCamera();
