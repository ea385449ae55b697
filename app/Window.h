// The show's one window and its GL context.
#pragma once

#include "platform/Win32.h"

// The window procedure of the "OpenGL" class: WM_CREATE makes the GL context,
// WM_SIZE does nothing, WM_CLOSE and WM_DESTROY end the process.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the "OpenGL" window class. Shows the class-registration message box
// and returns false when that fails.
bool RegisterWindowClass();

// A created window and the size of its client area in pixels: on a scaled
// display more than the size it was made with.
struct CreatedWindow {
    HWND handle = nullptr;
    int width = 0;
    int height = 0;
};

// Creates the window with its GL context current and sets deviceContext: by
// demo.fullscreen borderless over display `display` (0 the primary), taking
// its size, or width x height with a frame. The handle is null when no window
// or no context could be made; the reason has been reported.
CreatedWindow CreateShowWindow(const char* title, int width, int height, int display = 0);

// Presents frames in step with the display: adaptive vertical sync where the
// driver offers it (late frames are shown at once rather than a refresh
// later), else plain vertical sync, else as before. Needs the current context.
void AskForVerticalSync();
