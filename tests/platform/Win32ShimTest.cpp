// What the show relies on from the platform layer, exercised headless.
#include "platform/GL.h"
#include "platform/TickSource.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<UINT> received;
bool contextCurrentDuringCreate = false;
HGLRC createdContext = nullptr;

const PIXELFORMATDESCRIPTOR showFormat = {sizeof(PIXELFORMATDESCRIPTOR),
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
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          16,
                                          0,
                                          0,
                                          PFD_MAIN_PLANE,
                                          0,
                                          0,
                                          0,
                                          0};

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(message);
    if (message == WM_CREATE) {
        HDC dc = GetDC(window);
        const int format = ChoosePixelFormat(dc, &showFormat);
        if (format != 0 && SetPixelFormat(dc, format, &showFormat)) {
            createdContext = wglCreateContext(dc);
            contextCurrentDuringCreate = createdContext && wglMakeCurrent(dc, createdContext);
        }
        return 0;
    }
    if (message == WM_CLOSE) {
        return 0; // handled: the window stays
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Shim : public ::testing::Test {
protected:
    static HWND window;

    static void SetUpTestSuite() {
        WNDCLASSA windowClass{};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = recordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ShimTest";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(WS_EX_APPWINDOW, "ShimTest", "shim", WS_VISIBLE | WS_CAPTION, 0, 0,
                                 640, 520, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        received.clear();
    }
};
HWND Win32Shim::window = nullptr;

void pushWindowEvent(HWND window, Uint8 which) {
    ASSERT_EQ(SDL_GL_GetCurrentWindow() != nullptr, true);
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = which;
    event.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    (void)window;
    SDL_PushEvent(&event);
}

void pushEscape(bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = SDLK_ESCAPE;
    event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&event);
}

DWORD fakeTicks = 0;
DWORD fakeTickSource() {
    return fakeTicks;
}

} // namespace

TEST_F(Win32Shim, CreateSendsWmCreateAndTheContextIsCurrentOnReturn) {
    EXPECT_TRUE(contextCurrentDuringCreate);
    EXPECT_NE(createdContext, nullptr);
    // The context made in WM_CREATE draws right after CreateWindowExA returned.
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_TRUE(SwapBuffers(GetDC(window)));
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_NE(wglGetProcAddress("glActiveTextureARB"), nullptr);
}

TEST_F(Win32Shim, ASecondRegistrationOfTheSameClassFails) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ShimTest";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
}

TEST_F(Win32Shim, UnsupportedPixelFormatsAreRefused) {
    PIXELFORMATDESCRIPTOR indexed = showFormat;
    indexed.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(ChoosePixelFormat(GetDC(window), &indexed), 0);
    PIXELFORMATDESCRIPTOR noGl = showFormat;
    noGl.dwFlags = PFD_DRAW_TO_WINDOW;
    EXPECT_EQ(ChoosePixelFormat(GetDC(window), &noGl), 0);
    // A window's format is set once.
    EXPECT_FALSE(SetPixelFormat(GetDC(window), 1, &showFormat));
}

TEST_F(Win32Shim, CloseRequestsArriveAsQueuedWmClose) {
    pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_TRUE(received.empty()); // nothing reaches the procedure until dispatched
    // PM_NOREMOVE left it in the queue.
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_CLOSE);
    DispatchMessageA(&m);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], WM_CLOSE);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Win32Shim, PostQuitMessageMakesGetMessageReturnZero) {
    PostQuitMessage(7);
    MSG m{};
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_TRUE(received.empty());
}

TEST_F(Win32Shim, EscapeIsSeenWithoutPumpingMessages) {
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE) & 0xFFFF, 0);
    pushEscape(true);
    const SHORT down = GetAsyncKeyState(VK_ESCAPE);
    EXPECT_NE(down & 0x8000, 0); // down now
    EXPECT_NE(down & 0x0001, 0); // pressed since the last query
    const SHORT stillDown = GetAsyncKeyState(VK_ESCAPE);
    EXPECT_NE(stillDown & 0x8000, 0);
    EXPECT_EQ(stillDown & 0x0001, 0);

    // A press and release between two queries still shows in the low bit.
    pushEscape(false);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE) & 0xFFFF, 0);
    pushEscape(true);
    pushEscape(false);
    const SHORT tapped = GetAsyncKeyState(VK_ESCAPE);
    EXPECT_EQ(tapped & 0x8000, 0);
    EXPECT_NE(tapped & 0x0001, 0);
}

TEST_F(Win32Shim, ResizesArriveAsWmSize) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    event.window.data1 = 700;
    event.window.data2 = 500;
    SDL_PushEvent(&event);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_SIZE);
    EXPECT_EQ(m.lParam & 0xFFFF, 700);
    EXPECT_EQ((m.lParam >> 16) & 0xFFFF, 500);
}

TEST_F(Win32Shim, DeviceCapsGiveTheDesktopResolution) {
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
    EXPECT_EQ(GetDeviceCaps(GetDC(window), HORZRES), mode.w);
    EXPECT_EQ(GetDeviceCaps(GetDC(window), VERTRES), mode.h);
    EXPECT_GT(mode.w, 0);
}

TEST(TickCount, IsReplaceableAndWraps) {
    const TickSource previous = SetTickSource(fakeTickSource);
    fakeTicks = 0xFFFFFFFFu;
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    fakeTicks += 2; // wraps to 1
    EXPECT_EQ(GetTickCount(), 1u);
    EXPECT_EQ(GetTickCount() - 0xFFFFFFFFu, 2u);
    SetTickSource(previous);
    const DWORD a = GetTickCount();
    SDL_Delay(20);
    const DWORD b = GetTickCount();
    EXPECT_GE(b - a, 15u);
    EXPECT_LT(b - a, 2000u);
}

TEST(TerminationSignals, TheFirstReadsAsEscapeAndASecondEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<int, int> orders[] = {
        {SIGINT, SIGINT}, {SIGTERM, SIGTERM}, {SIGINT, SIGTERM}, {SIGTERM, SIGINT}};
    for (const auto& [first, second] : orders) {
        SCOPED_TRACE(std::string(strsignal(first)) + ", then " + strsignal(second));
        EXPECT_EXIT(
            {
                TreatTerminationSignalsAsEscape();
                std::raise(first);
                if ((GetAsyncKeyState(VK_ESCAPE) & 0x0001) == 0) {
                    std::_Exit(2); // the first signal was not seen as Escape
                }
                std::raise(second);
                std::_Exit(0); // the second one was swallowed too
            },
            testing::KilledBySignal(second), "");
    }
}
