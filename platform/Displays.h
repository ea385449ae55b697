// The desktop's displays and a window's pixels, beyond the Win32 subset: the
// displays a full-screen window may cover, and the pixels a window really has
// on a scaled display (twice its size at a scale of 2).
//
// On Windows the displays are the system's monitors and a window has as many
// pixels as its size says: the show declares no DPI awareness, so Windows
// scales it as a whole. In a web page the canvas is the only display.
#pragma once

#include "platform/Win32.h"

// Where a display lies on the desktop, in the units window positions use.
struct DisplayArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

#if defined(_WIN32)

namespace displays_detail {

struct Search {
    int wanted; // the display looked for
    int next;   // the number the next non-primary monitor gets
    DisplayArea area;
    bool found;
};

// Numbers the monitors as the show does: the primary is 0, the others follow
// in the system's order.
inline BOOL CALLBACK visitMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) {
        return TRUE;
    }
    const int number = (info.dwFlags & MONITORINFOF_PRIMARY) ? 0 : search.next++;
    if (number == search.wanted) {
        search.area = {info.rcMonitor.left, info.rcMonitor.top,
                       info.rcMonitor.right - info.rcMonitor.left,
                       info.rcMonitor.bottom - info.rcMonitor.top};
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace displays_detail

inline int CountDisplays() {
    return GetSystemMetrics(SM_CMONITORS);
}

inline bool GetDisplayArea(int display, DisplayArea& area) {
    displays_detail::Search search{display, 1, {}, false};
    EnumDisplayMonitors(nullptr, nullptr, displays_detail::visitMonitor,
                        reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        area = search.area;
    }
    return search.found;
}

inline bool GetDrawableSize(HWND, int&, int&) {
    return false;
}

#elif defined(__EMSCRIPTEN__)

inline int CountDisplays() {
    return 1;
}

inline bool GetDisplayArea(int, DisplayArea&) {
    return false;
}

inline bool GetDrawableSize(HWND, int&, int&) {
    return false;
}

#else

// How many displays there are; 0 when none can be reached (which has then
// been reported, as a window that cannot be made is).
int CountDisplays();

// Display `display`'s place on the desktop; false when there is no such display.
bool GetDisplayArea(int display, DisplayArea& area);

// The window's drawing surface in pixels; false when it has none yet.
bool GetDrawableSize(HWND window, int& width, int& height);

#endif
