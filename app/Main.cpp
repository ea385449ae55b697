// The show's entry: start-up in its fixed order, the timed frame loop, the end.
#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/Shutdown.h"
#include "app/SineTable.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/Frame.h"
#include "textures/TextureTable.h"
#include "timeline/Timeline.h"

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    demo.instance = GetModuleHandleA(nullptr);

    const Switches switches = ScanCommandLine(commandLine);
    if (switches.window) {
        demo.fullscreen = 0;
    }
    if (switches.fps) {
        demo.showFps = 1;
    }

    demo.randomSeed = GetTickCount();
    char title[64];
    std::snprintf(title, sizeof title, "TORVO: HALLATORVO");
    demo.demoLength = 102.0f;

    // A failed start-up ends with a non-zero exit code, after its message box.
    if (!RegisterWindowClass()) {
        return 1;
    }
    HWND window = CreateShowWindow(title);
    if (window == nullptr) {
        ExitProcess(1);
    }

    FillSineTable();
    InitExtensions();
    InitTextures();
    BuildTimeline();

    FrameRateTitle frameRate;
    frameRate.start(GetTickCount());
    demo.time = 0.0f;
    const DWORD startTick = GetTickCount();

    MSG message{};
    for (;;) {
        const DWORD now = GetTickCount();
        const float time = ElapsedSeconds(startTick, now);
        demo.frameDelta = time - demo.time;
        demo.time = time;

        std::uint32_t shownFrames = 0;
        if (demo.showFps && frameRate.frame(now, shownFrames)) {
            std::snprintf(title, sizeof title, "FPS: %d", static_cast<int>(shownFrames));
            SetWindowTextA(window, title);
        }

        if (!demo.fullscreen && PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&message, nullptr, 0, 0)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }

        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        RenderFrame();
        SwapBuffers(demo.deviceContext);

        if (message.message == WM_QUIT) {
            break;
        }
        if (GetAsyncKeyState(VK_ESCAPE) & 0xFFFF) {
            break;
        }
        if (!RunAnotherFrame(demo.demoLength, demo.time)) {
            break;
        }
    }

    Shutdown();
    ExitProcess(0);
}
