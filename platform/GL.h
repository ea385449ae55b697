// The one include point for OpenGL 1.1, its ARB extension tokens and GLU. In
// the browser the same subset comes from the web layer, drawn with WebGL 2.
#pragma once

#include "platform/Win32.h"

#ifdef __EMSCRIPTEN__
#include "platform/web/GL11.h"
#else
#include <GL/gl.h>
#include <GL/glu.h>
#ifdef _WIN32
#include <GL/glext.h>
#endif
#endif
