// The one include point for the platform API the show is written against.
//
// On Windows this is the real <windows.h> and <mmsystem.h>. Elsewhere it is
// Win32Shim.h: the same names (types, constants, functions) for the subset the
// show calls, implemented on SDL2. Application code includes this header and
// nothing platform specific, so the same code builds on both.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// mmsystem.h needs the types windows.h declares.
#include <mmsystem.h>
#else
#include "platform/Win32Shim.h"
#endif
