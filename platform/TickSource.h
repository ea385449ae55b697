// Replaceable source behind GetTickCount, so tests can drive the clock and the
// audio budget through a tick-counter wrap without waiting 49 days.
#pragma once

#include "platform/Win32.h"

using TickSource = DWORD (*)();

// Installs a tick source and returns the previous one; nullptr restores the
// system's monotonic millisecond counter.
TickSource SetTickSource(TickSource source);
