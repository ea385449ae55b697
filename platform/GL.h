// The one include point for OpenGL 1.1, its ARB extension tokens and GLU.
#pragma once

#include "platform/Win32.h"

#include <GL/gl.h>
#include <GL/glu.h>
#ifdef _WIN32
#include <GL/glext.h>
#endif
