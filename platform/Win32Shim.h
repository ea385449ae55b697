// The Win32 / WGL / winmm subset that the show calls, for platforms other than
// Windows. Names, types and constant values follow the Windows headers; the
// behaviour is what the show relies on:
//
// - CreateWindowExA sends WM_CREATE to the window procedure before it returns,
//   so a GL context made there is current when it returns.
// - The pixel format chosen in WM_CREATE is applied when wglCreateContext makes
//   the SDL window, which is why the window itself appears only then.
// - Window events become queued messages (WM_CLOSE, WM_SIZE) that only reach the
//   procedure when the caller pumps them, as on Windows.
// - GetAsyncKeyState works without pumping: the layer reads SDL's events itself
//   whenever it is asked, on SwapBuffers and on message calls.
// - SIGINT and SIGTERM count as an Escape press, so a terminal user ends the show
//   the way a viewer does; a second signal ends the process at once.
// - GetTickCount is a 32-bit millisecond counter that wraps.
// - wglGetProcAddress("wglSwapIntervalEXT") sets SDL's swap interval: 1 waits
//   for vertical sync, -1 asks for adaptive sync.
// - A sound outlives the loss of its audio device: the same event reading opens
//   the default device in its place, and the sound goes on where GetTickCount
//   since PlaySoundA says, in step with pictures timed by the same counter.
//
// Do not include this header directly: include "platform/Win32.h".
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define WINGDIAPI

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using SHORT = std::int16_t;
using LONG = std::int32_t;
using ATOM = WORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;

struct Win32Handle;
using HANDLE = Win32Handle*;
struct Win32Window;
using HWND = Win32Window*;
struct Win32DeviceContext;
using HDC = Win32DeviceContext*;
struct Win32GlContext;
using HGLRC = Win32GlContext*;
struct Win32Module;
using HINSTANCE = Win32Module*;
using HMODULE = HINSTANCE;
using HICON = HANDLE;
using HCURSOR = HANDLE;
using HBRUSH = HANDLE;
using HMENU = HANDLE;
using PROC = void (*)();

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct POINT {
    LONG x, y;
};

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the descriptor is 40 bytes, as on Windows");

struct DEVMODEA;

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_OWNDC = 0x0020;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_MAXIMIZE = 0x01000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000u;

// Messages.
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Keys.
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;

// Device capabilities.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;

// Message boxes.
constexpr UINT MB_OK = 0x00000000u;
constexpr UINT MB_ICONERROR = 0x00000010u;
constexpr UINT MB_ICONWARNING = 0x00000030u;
constexpr UINT MB_ICONINFORMATION = 0x00000040u;
constexpr int IDOK = 1;

// Stock resources: integer resource ids passed as pointers, as on Windows.
#define IDI_WINLOGO (reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(32517)))
#define IDC_ARROW (reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(32512)))

// Pixel formats.
constexpr DWORD PFD_DOUBLEBUFFER = 0x00000001u;
constexpr DWORD PFD_DRAW_TO_WINDOW = 0x00000004u;
constexpr DWORD PFD_SUPPORT_OPENGL = 0x00000020u;
constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_TYPE_COLORINDEX = 1;
constexpr BYTE PFD_MAIN_PLANE = 0;

// Display settings.
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;

// Sound.
constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_MEMORY = 0x0004;

// Show commands.
constexpr int SW_SHOWNORMAL = 1;

// Windowing and process.
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);
BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HDC WINAPI GetDC(HWND window);
int WINAPI GetDeviceCaps(HDC deviceContext, int index);
int WINAPI ShowCursor(BOOL show);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
BOOL WINAPI PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeFlags);
BOOL WINAPI GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
BOOL WINAPI TranslateMessage(const MSG* message);
LRESULT WINAPI DispatchMessageA(const MSG* message);
void WINAPI PostQuitMessage(int exitCode);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);
SHORT WINAPI GetAsyncKeyState(int key);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);

// GDI and WGL.
int WINAPI ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL WINAPI SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL WINAPI SwapBuffers(HDC deviceContext);
HGLRC WINAPI wglCreateContext(HDC deviceContext);
BOOL WINAPI wglMakeCurrent(HDC deviceContext, HGLRC renderContext);
PROC WINAPI wglGetProcAddress(LPCSTR name);

// Multimedia sound.
BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags);

// Tick counter.
DWORD WINAPI GetTickCount();

// The process entry the show defines; the layer's main() calls it with the
// arguments joined by single spaces.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

// Beyond Win32: from this call on, the first SIGINT or SIGTERM reads as an
// Escape press (GetAsyncKeyState(VK_ESCAPE) reports it), and any signal after it
// takes its default action. The show's main() calls it.
void TreatTerminationSignalsAsEscape();
