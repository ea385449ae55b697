// The show's one window and its GL context.
#pragma once

#include "platform/Win32.h"

// The window procedure of the "OpenGL" class: WM_CREATE makes the GL context,
// WM_SIZE does nothing, WM_CLOSE and WM_DESTROY end the process.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the "OpenGL" window class. Shows the class-registration message box
// and returns false when that fails.
bool RegisterWindowClass();

// Creates the window (full screen or 800 x 600 by demo.fullscreen) with its GL
// context current, and sets deviceContext and, in full screen, width and
// height. Returns nullptr when no window or no context could be made; the
// reason has been reported.
HWND CreateShowWindow(const char* title);

// Presents frames in step with the display: adaptive vertical sync where the
// driver offers it (late frames are shown at once rather than a refresh
// later), else plain vertical sync, else as before. Needs the current context.
void AskForVerticalSync();
