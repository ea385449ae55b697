// Windowing, messages, WGL and process calls of the Win32 subset, on SDL2.
#include "platform/Displays.h"
#include "platform/SoundPlayerPump.h"
#include "platform/TickSource.h"
#include "platform/Win32.h"

#include <SDL.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

struct Win32Handle {};
struct Win32Module {};

struct Win32DeviceContext {
    Win32Window* window = nullptr;
    PIXELFORMATDESCRIPTOR format{};
    bool formatSet = false;
};

struct Win32Window {
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    int x = 0; // on the desktop, where full screen finds its display
    int y = 0;
    int width = 0;
    int height = 0;
    std::string title;
    SDL_Window* sdl = nullptr;
    Win32DeviceContext deviceContext;
};

struct Win32GlContext {
    SDL_GLContext context = nullptr;
};

namespace {

struct RegisteredClass {
    std::string name;
    WNDCLASSA data;
};

Win32Module theModule;
Win32Handle stockIcon;
Win32Handle stockCursor;

std::vector<RegisteredClass> classes;
std::deque<MSG> messageQueue;
bool videoReady = false;
bool videoRefused = false; // set once video could not start, reported then
int cursorCount = 0;

// The keys GetAsyncKeyState answers for: whether each is down, and whether it
// went down since the last query.
struct KeyState {
    bool down = false;
    bool pressedSinceQuery = false;
};
KeyState escapeKey;
KeyState spaceKey;
// Set by the signal handler, which may run on any thread; a lock-free atomic is
// what such a handler may share with the thread that reads it.
std::atomic<bool> terminationRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

DWORD monotonicTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long long ms =
        static_cast<unsigned long long>(now.tv_sec) * 1000ull + now.tv_nsec / 1000000;
    return static_cast<DWORD>(ms); // wraps modulo 2^32, as the Windows counter does
}

TickSource tickSource = monotonicTicks;

// Drivers that show nothing to anyone: fine when asked for, for tests and
// captures, but no place for a show that a person came to watch.
bool drawsNowhere(const char* driver) {
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
            std::strcmp(driver, "evdev") == 0);
}

bool ensureVideo() {
    if (videoReady) {
        return true;
    }
    if (videoRefused) {
        return false;
    }
    videoRefused = true;
    // The layer handles SIGINT/SIGTERM itself (as Escape), not as SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        return false;
    }
    // Without X, Wayland or a console SDL can draw on, it falls back to a
    // driver that draws nowhere: the song would play to a blank screen.
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if ((asked == nullptr || *asked == '\0') && drawsNowhere(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        MessageBoxA(nullptr,
                    "No display found: neither X (DISPLAY) nor Wayland (WAYLAND_DISPLAY) "
                    "answers, and SDL has no other driver that shows pictures here. Set "
                    "SDL_VIDEODRIVER=offscreen to run without one.",
                    "ERROR", MB_OK | MB_ICONWARNING);
        return false;
    }
    videoRefused = false;
    videoReady = true;
    return true;
}

// The display whose area holds the desktop point (x, y); 0 when none does.
int displayAt(int x, int y) {
    const int displays = SDL_GetNumVideoDisplays();
    for (int display = 0; display < displays; ++display) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display, &bounds) == 0 && x >= bounds.x &&
            x < bounds.x + bounds.w && y >= bounds.y && y < bounds.y + bounds.h) {
            return display;
        }
    }
    return 0;
}

const RegisteredClass* findClass(LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const RegisteredClass& c : classes) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

Win32Window* windowOf(SDL_Window* sdl) {
    if (sdl == nullptr) {
        return nullptr;
    }
    return static_cast<Win32Window*>(SDL_GetWindowData(sdl, "win32"));
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    messageQueue.push_back(m);
}

// Moves SDL's pending events into the message queue and the key state, and
// lets the sound player replace a lost device.
void pumpEvents() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_AUDIODEVICEREMOVED:
            if (event.adevice.iscapture == 0) {
                NoteSoundDeviceRemoved(event.adevice.which);
            }
            break;
        case SDL_WINDOWEVENT: {
            Win32Window* window = windowOf(SDL_GetWindowFromID(event.window.windowID));
            if (window == nullptr) {
                break;
            }
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                post(window, WM_CLOSE, 0, 0);
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                const auto w = static_cast<std::uint16_t>(event.window.data1);
                const auto h = static_cast<std::uint16_t>(event.window.data2);
                post(window, WM_SIZE, 0, static_cast<LPARAM>(w | (h << 16)));
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = event.type == SDL_KEYDOWN;
            const SDL_Keycode key = event.key.keysym.sym;
            KeyState* state = key == SDLK_ESCAPE  ? &escapeKey
                              : key == SDLK_SPACE ? &spaceKey
                                                  : nullptr;
            if (state != nullptr) {
                state->pressedSinceQuery = state->pressedSinceQuery || (down && !state->down);
                state->down = down;
            }
            Win32Window* window = windowOf(SDL_GetWindowFromID(event.key.windowID));
            const WPARAM virtualKey = key == SDLK_ESCAPE ? VK_ESCAPE : static_cast<WPARAM>(key);
            post(window, down ? WM_KEYDOWN : WM_KEYUP, virtualKey, 0);
            break;
        }
        default:
            break;
        }
    }
    TendSoundDevice();
}

bool matches(const MSG& m, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && m.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return m.message >= filterMin && m.message <= filterMax;
}

bool takeMessage(MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    for (auto it = messageQueue.begin(); it != messageQueue.end(); ++it) {
        if (matches(*it, window, filterMin, filterMax)) {
            if (out != nullptr) {
                *out = *it;
            }
            if (remove) {
                messageQueue.erase(it);
            }
            return true;
        }
    }
    return false;
}

// Creates the SDL window for a Win32 window, with the GL attributes of the
// pixel format set on its device context (the defaults when none is set).
bool createSdlWindow(Win32Window* window) {
    if (window->sdl != nullptr) {
        return true;
    }
    const PIXELFORMATDESCRIPTOR& pfd = window->deviceContext.format;
    if (window->deviceContext.formatSet) {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (pfd.dwFlags & PFD_DOUBLEBUFFER) ? 1 : 0);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, pfd.cDepthBits);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, pfd.cStencilBits);
        const int channelBits = pfd.cColorBits >= 24 ? 8 : (pfd.cColorBits >= 15 ? 5 : 0);
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, pfd.cAlphaBits);
    }
    // The show uses OpenGL 1.1 with ARB extensions: a compatibility context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    // On a scaled display the drawing surface gets the display's real pixels;
    // GetDrawableSize tells how many.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    if (!(window->style & WS_VISIBLE)) {
        flags |= SDL_WINDOW_HIDDEN;
    }
    int x = 0;
    int y = 0;
    int width = window->width;
    int height = window->height;
    if ((window->style & WS_POPUP) && (window->style & WS_MAXIMIZE)) {
        // A borderless window over the whole of the display that holds the
        // window's position, as Windows maximises; the display mode stays.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        const int display = displayAt(window->x, window->y);
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display, &bounds) == 0) {
            x = bounds.x;
            y = bounds.y;
        }
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
            width = mode.w;
            height = mode.h;
        }
    }
    window->sdl = SDL_CreateWindow(window->title.c_str(), x, y, width, height, flags);
    if (window->sdl == nullptr) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetWindowData(window->sdl, "win32", window);
    return true;
}

void setTerminationAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The first signal asks the show to end; both signals then take their default
// action again, so a second one ends at once a process that no longer gets to
// its exit test.
void onTerminationSignal(int) {
    terminationRequested.store(true, std::memory_order_relaxed);
    setTerminationAction(SIG_DFL);
}

} // namespace

TickSource SetTickSource(TickSource source) {
    TickSource previous = tickSource;
    tickSource = source != nullptr ? source : monotonicTicks;
    return previous;
}

DWORD WINAPI GetTickCount() {
    return tickSource();
}

void TreatTerminationSignalsAsEscape() {
    setTerminationAction(onTerminationSignal);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    return moduleName == nullptr ? &theModule : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return &stockIcon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    return &stockCursor;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr || findClass(windowClass->lpszClassName) != nullptr) {
        return 0;
    }
    classes.push_back({windowClass->lpszClassName, *windowClass});
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (className != nullptr && it->name == className && it->data.hInstance == instance) {
            classes.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    const RegisteredClass* windowClass = findClass(className);
    if (windowClass == nullptr || !ensureVideo()) {
        return nullptr;
    }
    // Windows are never destroyed: they last as long as the process.
    auto* window = new Win32Window;
    window->procedure = windowClass->data.lpfnWndProc;
    window->style = style;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    window->title = windowName != nullptr ? windowName : "";
    window->deviceContext.window = window;

    // WM_CREATE is sent before the window is shown; a GL context created by the
    // procedure here is current when CreateWindowExA returns.
    window->procedure(window, WM_CREATE, 0, 0);
    if (!createSdlWindow(window)) {
        return nullptr;
    }
    return window;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE && window != nullptr) {
        // Like DestroyWindow: the procedure hears WM_DESTROY, the window goes.
        window->procedure(window, WM_DESTROY, 0, 0);
        if (window->sdl != nullptr) {
            SDL_DestroyWindow(window->sdl);
            window->sdl = nullptr;
        }
    }
    return 0;
}

HDC WINAPI GetDC(HWND window) {
    return window != nullptr ? &window->deviceContext : nullptr;
}

int WINAPI GetDeviceCaps(HDC deviceContext, int index) {
    if (!ensureVideo()) {
        return 0;
    }
    int display = 0;
    if (deviceContext != nullptr && deviceContext->window != nullptr &&
        deviceContext->window->sdl != nullptr) {
        display = SDL_GetWindowDisplayIndex(deviceContext->window->sdl);
        if (display < 0) {
            display = 0;
        }
    }
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(display, &mode) != 0) {
        return 0;
    }
    switch (index) {
    case HORZRES:
        return mode.w;
    case VERTRES:
        return mode.h;
    default:
        return 0;
    }
}

int WINAPI ShowCursor(BOOL show) {
    cursorCount += show ? 1 : -1;
    if (videoReady) {
        SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    return cursorCount;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (window == nullptr) {
        return FALSE;
    }
    window->title = text != nullptr ? text : "";
    if (window->sdl != nullptr) {
        SDL_SetWindowTitle(window->sdl, window->title.c_str());
    }
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeFlags) {
    pumpEvents();
    return takeMessage(message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

BOOL WINAPI GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    for (;;) {
        pumpEvents();
        if (takeMessage(message, window, filterMin, filterMax, true)) {
            return message->message == WM_QUIT ? FALSE : TRUE;
        }
        if (videoReady) {
            SDL_WaitEventTimeout(nullptr, 10);
        } else {
            SDL_Delay(10);
        }
    }
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    if (message == nullptr || message->hwnd == nullptr || message->hwnd->procedure == nullptr) {
        return 0;
    }
    return message->hwnd->procedure(message->hwnd, message->message, message->wParam,
                                    message->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const char* body = text != nullptr ? text : "";
    const char* title = caption != nullptr ? caption : "Error";
    std::fprintf(stderr, "%s: %s\n", title, body);
    std::fflush(stderr);
    // Where video draws nowhere or was refused, stderr is all there is.
    const bool nowhere = videoReady ? drawsNowhere(SDL_GetCurrentVideoDriver()) : videoRefused;
    if (!nowhere) {
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        if ((type & 0xF0) == MB_ICONERROR) {
            flags = SDL_MESSAGEBOX_ERROR;
        } else if ((type & 0xF0) == MB_ICONWARNING) {
            flags = SDL_MESSAGEBOX_WARNING;
        }
        SDL_ShowSimpleMessageBox(flags, title, body, owner != nullptr ? owner->sdl : nullptr);
    }
    return IDOK;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA*, DWORD) {
    // The layer never changes the display mode, so restoring it has nothing to do.
    return DISP_CHANGE_SUCCESSFUL;
}

SHORT WINAPI GetAsyncKeyState(int key) {
    pumpEvents();
    KeyState* state = key == VK_ESCAPE ? &escapeKey : key == VK_SPACE ? &spaceKey : nullptr;
    if (state == nullptr) {
        return 0;
    }
    bool pressed = state->pressedSinceQuery;
    if (key == VK_ESCAPE) {
        pressed = pressed || terminationRequested.load(std::memory_order_relaxed);
    }
    state->pressedSinceQuery = false;
    return static_cast<SHORT>((state->down ? 0x8000u : 0u) | (pressed ? 0x0001u : 0u));
}

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    SDL_Quit();
    std::_Exit(static_cast<int>(exitCode));
}

int WINAPI ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor) {
    if (deviceContext == nullptr || descriptor == nullptr || !ensureVideo()) {
        return 0;
    }
    const DWORD required = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    const bool supported =
        descriptor->nSize == sizeof(PIXELFORMATDESCRIPTOR) && descriptor->nVersion == 1 &&
        (descriptor->dwFlags & required) == required && descriptor->iPixelType == PFD_TYPE_RGBA &&
        descriptor->cColorBits <= 32 && descriptor->cDepthBits <= 32 &&
        descriptor->cStencilBits <= 8 && descriptor->cAccumBits == 0 &&
        descriptor->cAuxBuffers == 0;
    return supported ? 1 : 0; // the layer offers one format: the closest SDL gives
}

BOOL WINAPI SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR* descriptor) {
    if (deviceContext == nullptr || descriptor == nullptr || format != 1 ||
        deviceContext->formatSet) {
        return FALSE; // as on Windows, a window's pixel format is set once
    }
    deviceContext->format = *descriptor;
    deviceContext->formatSet = true;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC deviceContext) {
    if (deviceContext == nullptr || deviceContext->window == nullptr ||
        deviceContext->window->sdl == nullptr) {
        return FALSE;
    }
    SDL_GL_SwapWindow(deviceContext->window->sdl);
    pumpEvents();
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC deviceContext) {
    if (deviceContext == nullptr || !deviceContext->formatSet ||
        !createSdlWindow(deviceContext->window)) {
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(deviceContext->window->sdl);
    if (context == nullptr) {
        std::fprintf(stderr, "SDL GL context: %s\n", SDL_GetError());
        return nullptr;
    }
    // wglCreateContext does not make the context current; wglMakeCurrent does.
    SDL_GL_MakeCurrent(deviceContext->window->sdl, nullptr);
    auto* renderContext = new Win32GlContext;
    renderContext->context = context;
    return renderContext;
}

BOOL WINAPI wglMakeCurrent(HDC deviceContext, HGLRC renderContext) {
    if (renderContext == nullptr) {
        SDL_Window* current = SDL_GL_GetCurrentWindow();
        return SDL_GL_MakeCurrent(current, nullptr) == 0 ? TRUE : FALSE;
    }
    if (deviceContext == nullptr || deviceContext->window == nullptr ||
        deviceContext->window->sdl == nullptr) {
        return FALSE;
    }
    return SDL_GL_MakeCurrent(deviceContext->window->sdl, renderContext->context) == 0 ? TRUE
                                                                                       : FALSE;
}

namespace {

// WGL_EXT_swap_control, with a negative interval for adaptive sync as
// WGL_EXT_swap_control_tear has it; SDL chooses the window system's way.
BOOL WINAPI swapIntervalExt(int interval) {
    return SDL_GL_SetSwapInterval(interval) == 0 ? TRUE : FALSE;
}

} // namespace

PROC WINAPI wglGetProcAddress(LPCSTR name) {
    if (name == nullptr || SDL_GL_GetCurrentContext() == nullptr) {
        return nullptr; // as WGL: entry points exist only for a current context
    }
    if (std::strcmp(name, "wglSwapIntervalEXT") == 0) {
        return reinterpret_cast<PROC>(reinterpret_cast<void (*)()>(swapIntervalExt));
    }
    return reinterpret_cast<PROC>(SDL_GL_GetProcAddress(name));
}

int CountDisplays() {
    if (!ensureVideo()) {
        return 0;
    }
    const int displays = SDL_GetNumVideoDisplays();
    return displays > 0 ? displays : 0;
}

bool GetDisplayArea(int display, DisplayArea& area) {
    SDL_Rect bounds;
    if (!ensureVideo() || display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) {
        return false;
    }
    area = {bounds.x, bounds.y, bounds.w, bounds.h};
    return true;
}

bool GetDrawableSize(HWND window, int& width, int& height) {
    if (window == nullptr || window->sdl == nullptr) {
        return false;
    }
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(window->sdl, &w, &h);
    if (w <= 0 || h <= 0) {
        return false;
    }
    width = w;
    height = h;
    return true;
}
