#include "app/Window.h"

#include "app/Shutdown.h"
#include "common/DemoState.h"
#include "platform/Displays.h"

namespace {

constexpr const char* ClassName = "OpenGL";

bool contextReady = false;

void reportContextFailure(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
}

// Runs inside CreateWindowExA, stopping at the first failure.
void createGlContext(HWND window) {
    static const PIXELFORMATDESCRIPTOR descriptor = {sizeof(PIXELFORMATDESCRIPTOR),
                                                     1,
                                                     PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL |
                                                         PFD_DOUBLEBUFFER,
                                                     PFD_TYPE_RGBA,
                                                     32,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0, // colour bits and shifts
                                                     0,
                                                     0, // alpha bits and shift
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,  // accumulation
                                                     16, // depth
                                                     0,  // stencil
                                                     0,  // auxiliary buffers
                                                     PFD_MAIN_PLANE,
                                                     0,
                                                     0,
                                                     0,
                                                     0};

    demo.deviceContext = GetDC(window);
    const int format = ChoosePixelFormat(demo.deviceContext, &descriptor);
    if (format == 0) {
        reportContextFailure("Can't Find A Suitable PixelFormat.");
        return;
    }
    if (!SetPixelFormat(demo.deviceContext, format, &descriptor)) {
        reportContextFailure("Can't Set The PixelFormat.");
        return;
    }
    demo.renderContext = wglCreateContext(demo.deviceContext);
    if (demo.renderContext == nullptr) {
        reportContextFailure("Can't Create A GL Rendering Context.");
        return;
    }
    if (!wglMakeCurrent(demo.deviceContext, demo.renderContext)) {
        reportContextFailure("Can't Activate GLRC.");
        return;
    }
    contextReady = true;
}

[[noreturn]] void closePath() {
    ChangeDisplaySettingsA(nullptr, 0);
    if (demo.instance != nullptr && !UnregisterClassA(ClassName, demo.instance)) {
        demo.instance = nullptr;
    }
    Shutdown();
    ExitProcess(0);
}

} // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createGlContext(window);
        return 0;
    case WM_SIZE:
        // The viewport is set every frame from width and height.
        return 0;
    case WM_CLOSE:
    case WM_DESTROY:
        closePath();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = demo.instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(nullptr, "Failed To Register The Window Class.", "ERROR",
                    MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

CreatedWindow CreateShowWindow(const char* title, int width, int height, int display) {
    const DWORD style = demo.fullscreen
                            ? (WS_POPUP | WS_VISIBLE | WS_MAXIMIZE)
                            : (WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    // A maximised window fills the display that holds its position.
    DisplayArea area;
    const bool placed = demo.fullscreen && GetDisplayArea(display, area);
    contextReady = false;
    HWND window = CreateWindowExA(WS_EX_APPWINDOW, ClassName, title, style, placed ? area.x : 0,
                                  placed ? area.y : 0, width, height, nullptr, nullptr,
                                  demo.instance, nullptr);
    if (window == nullptr || !contextReady) {
        return {};
    }
    demo.deviceContext = GetDC(window);
    if (demo.fullscreen) {
        // The screen's resolution is the primary's; another display has its own.
        width = display != 0 && placed ? area.width : GetDeviceCaps(demo.deviceContext, HORZRES);
        height = display != 0 && placed ? area.height : GetDeviceCaps(demo.deviceContext, VERTRES);
        ShowCursor(FALSE);
    }
    int pixelWidth = 0;
    int pixelHeight = 0;
    if (GetDrawableSize(window, pixelWidth, pixelHeight)) {
        width = pixelWidth;
        height = pixelHeight;
    }
    return {window, width, height};
}

void AskForVerticalSync() {
    using SwapInterval = BOOL(WINAPI*)(int);
    const auto swapInterval = reinterpret_cast<SwapInterval>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (swapInterval != nullptr && !swapInterval(-1)) {
        swapInterval(1);
    }
}
