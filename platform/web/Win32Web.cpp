// The Win32 / WGL subset of Win32Shim.h in a web page: the window is the
// page's canvas, the GL context a WebGL 2 context on it, GetTickCount the
// browser's clock, Escape a keydown on the page that does not leave full
// screen. The page drives the frames, so no message loop waits here: the
// queue only ever holds WM_QUIT.
#include "platform/Win32.h"
#include "platform/web/GL11.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

struct Win32Window {
    WNDPROC procedure = nullptr;
};
struct Win32DeviceContext {};
struct Win32GlContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
};
struct Win32Module {};

namespace {

constexpr const char* Canvas = "#canvas";

Win32Module module;
Win32Window window;
Win32DeviceContext deviceContext;
Win32GlContext glContext;
std::map<std::string, WNDPROC> classes;
bool quitPosted = false;
// The keys GetAsyncKeyState answers for: whether each is down, and whether it
// went down since the last query.
struct KeyState {
    bool down = false;
    bool pressedSinceQuery = false;
};
KeyState escapeKey;
KeyState spaceKey;

double fullscreenLeft = -1e9; // when the page last left full screen

EM_BOOL onFullscreen(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    if (!event->isFullscreen) {
        fullscreenLeft = emscripten_get_now();
    }
    return EM_FALSE;
}

// Escape in full screen leaves it, whether the browser takes the key for that
// itself or hands it on (and a browser that does both must not end the show
// with it): the next Escape ends the show.
bool leavesFullscreen() {
    EmscriptenFullscreenChangeEvent status;
    if (emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS &&
        status.isFullscreen) {
        EM_ASM({ document.exitFullscreen(); });
        return true;
    }
    return emscripten_get_now() - fullscreenLeft < 250.0;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* event, void*) {
    const std::string key = event->key;
    KeyState* state = key == "Escape" ? &escapeKey : key == " " ? &spaceKey : nullptr;
    if (state == nullptr) {
        return EM_FALSE;
    }
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down && state == &escapeKey && leavesFullscreen()) {
        return EM_TRUE;
    }
    state->pressedSinceQuery = state->pressedSinceQuery || (down && !state->down);
    state->down = down;
    return EM_TRUE; // Space would otherwise scroll the page
}

int canvasSide(bool width) {
    int w = 0;
    int h = 0;
    emscripten_get_canvas_element_size(Canvas, &w, &h);
    return width ? w : h;
}

} // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    classes[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return 1;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
    return classes.erase(className) > 0 ? TRUE : FALSE;
}

// A maximised window takes the canvas as the page lays it out, in device
// pixels; any other the size asked for.
HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int, int,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    const auto found = classes.find(className);
    if (found == classes.end()) {
        return nullptr;
    }
    if (style & WS_MAXIMIZE) {
        double cssWidth = 0.0;
        double cssHeight = 0.0;
        emscripten_get_element_css_size(Canvas, &cssWidth, &cssHeight);
        const double ratio = emscripten_get_device_pixel_ratio();
        width = static_cast<int>(cssWidth * ratio + 0.5);
        height = static_cast<int>(cssHeight * ratio + 0.5);
    }
    emscripten_set_canvas_element_size(Canvas, width, height);
    SetWindowTextA(&window, windowName);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE,
                                             onFullscreen);
    window.procedure = found->second;
    window.procedure(&window, WM_CREATE, 0, 0);
    return &window;
}

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

HDC WINAPI GetDC(HWND) {
    return &deviceContext;
}

int WINAPI GetDeviceCaps(HDC, int index) {
    return index == HORZRES ? canvasSide(true) : index == VERTRES ? canvasSide(false) : 0;
}

int WINAPI ShowCursor(BOOL show) {
    EM_ASM({ Module.canvas.style.cursor = $0 ? "" : "none"; }, show);
    return show ? 0 : -1;
}

BOOL WINAPI SetWindowTextA(HWND, LPCSTR text) {
    EM_ASM({ document.title = UTF8ToString($0); }, text);
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG* message, HWND, UINT, UINT, UINT removeFlags) {
    if (!quitPosted) {
        return FALSE;
    }
    *message = MSG{};
    message->message = WM_QUIT;
    if (removeFlags & PM_REMOVE) {
        quitPosted = false;
    }
    return TRUE;
}

BOOL WINAPI GetMessageA(MSG* message, HWND hwnd, UINT filterMin, UINT filterMax) {
    // Nothing but WM_QUIT is ever queued, and the page never waits for it.
    PeekMessageA(message, hwnd, filterMin, filterMax, PM_REMOVE);
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    return message->hwnd != nullptr && message->hwnd->procedure != nullptr
               ? message->hwnd->procedure(message->hwnd, message->message, message->wParam,
                                          message->lParam)
               : 0;
}

void WINAPI PostQuitMessage(int) {
    quitPosted = true;
}

// On the console and in the page's own message line.
int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    EM_ASM(
        {
            if (Module.showMessage)
                Module.showMessage(UTF8ToString($0), UTF8ToString($1));
        },
        caption, text);
    return IDOK;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA*, DWORD) {
    return DISP_CHANGE_SUCCESSFUL;
}

SHORT WINAPI GetAsyncKeyState(int key) {
    KeyState* state = key == VK_ESCAPE ? &escapeKey : key == VK_SPACE ? &spaceKey : nullptr;
    if (state == nullptr) {
        return 0;
    }
    const SHORT answer =
        static_cast<SHORT>((state->down ? 0x8000 : 0) | (state->pressedSinceQuery ? 1 : 0));
    state->pressedSinceQuery = false;
    return answer;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR) {
    return &module;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    return nullptr;
}

// The page learns the code through Module.onExit; the runtime stops here.
void WINAPI ExitProcess(UINT exitCode) {
    emscripten_force_exit(static_cast<int>(exitCode));
    std::abort();
}

int WINAPI ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) {
    return 1;
}

BOOL WINAPI SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) {
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC) {
    FinishGlFrame();
    return TRUE;
}

// WebGL 2 with a depth buffer, no multisampling: the frames match the
// desktop's single-sampled ones.
HGLRC WINAPI wglCreateContext(HDC) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_TRUE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    glContext.handle = emscripten_webgl_create_context(Canvas, &attributes);
    return glContext.handle > 0 ? &glContext : nullptr;
}

BOOL WINAPI wglMakeCurrent(HDC, HGLRC context) {
    return context != nullptr && emscripten_webgl_make_context_current(context->handle) ==
                                     EMSCRIPTEN_RESULT_SUCCESS
               ? TRUE
               : FALSE;
}

PROC WINAPI wglGetProcAddress(LPCSTR name) {
    return GlProcAddress(name);
}

// performance.now(): milliseconds since the page began, wrapping at 2^32.
DWORD WINAPI GetTickCount() {
    return static_cast<DWORD>(static_cast<std::uint64_t>(emscripten_get_now()));
}

// A page receives no terminal signals.
void TreatTerminationSignalsAsEscape() {}
