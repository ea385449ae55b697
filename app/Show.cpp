#include "app/Show.h"

#include "app/SceneSchedule.h"
#include "app/ShowFrame.h"
#include "app/SineTable.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/FramePlan.h"
#include "textures/TextureTable.h"

#include <algorithm>
#include <cstdio>
#include <string>

bool StartShow(const ShowRun& run, Show& show) {
    const auto done = [&run](const char* step) {
        if (run.stepDone != nullptr) {
            run.stepDone(step);
        }
    };
    demo.instance = GetModuleHandleA(nullptr);
    demo.fullscreen = run.fullscreen ? 1 : 0;
    demo.showFps = run.showFps ? 1 : 0;
    demo.keepAspect = run.keepAspect ? 1 : 0;
    show.offline = run.offline;

    demo.randomSeed = run.fixedSeed ? run.seed : GetTickCount();
    std::snprintf(show.title, sizeof show.title, "%s", ShowTitle);

    if (!RegisterWindowClass()) {
        return false;
    }
    // The default frame always fits the window; larger ones may need a
    // framebuffer object.
    const int windowWidth = std::max(run.width, DefaultFrameSize);
    const int windowHeight = std::max(run.height, DefaultFrameSize);
    const CreatedWindow window =
        CreateShowWindow(show.title, windowWidth, windowHeight, run.display);
    if (window.handle == nullptr) {
        return false;
    }
    show.window = window.handle;
    // The output: the whole screen, or the run's size in the lower-left corner
    // of a window that may be larger, both in the pixels the window really
    // has on a scaled display.
    demo.width = demo.fullscreen ? window.width : run.width * window.width / windowWidth;
    demo.height = demo.fullscreen ? window.height : run.height * window.height / windowHeight;
    done("window");

    FillSineTable();
    done("sine table");
    InitExtensions();
    done("extensions");
    const std::string note = SetUpFrame(run.frameSize, window.width, window.height);
    if (!note.empty()) {
        std::fprintf(stderr, "%s: %s\n", run.program, note.c_str());
    }
    done("frame set-up");
    InitTextures();
    done("textures");
    BuildTimeline();
    done("timeline");
    if (!show.offline) {
        show.music.init();
        done("music");
        show.music.startPlayback();
        done("playback start");
    }

    show.frameRate.start(GetTickCount());
    demo.time = 0.0f;
    show.startTick = GetTickCount();
    return true;
}

FrameTime ReadShowClock(const Show& show) {
    FrameTime frame;
    frame.tick = GetTickCount();
    // A delay that grows holds the pictures rather than turning them back.
    frame.time = std::max(demo.time,
                          DelayedElapsedSeconds(show.startTick, show.soundDelayTicks, frame.tick));
    frame.frameDelta = frame.time - demo.time;
    return frame;
}

FrameTime FixedStepFrame(std::int64_t frame, double fps) {
    FrameTime at;
    at.time = static_cast<float>(static_cast<double>(frame) / fps);
    at.frameDelta = frame == 0 ? at.time : static_cast<float>(1.0 / fps);
    return at;
}

void StepShow(Show& show, const FrameTime& frame) {
    demo.frameDelta = frame.frameDelta;
    demo.time = frame.time;

    std::uint32_t shownFrames = 0;
    if (demo.showFps && show.frameRate.frame(frame.tick, shownFrames)) {
        std::snprintf(show.title, sizeof show.title, "FPS: %d", static_cast<int>(shownFrames));
        SetWindowTextA(show.window, show.title);
    }

    if (!show.offline) {
        show.music.renderAhead(0.0f);
        if (!demo.fullscreen && PeekMessageA(&show.message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&show.message, nullptr, 0, 0)) {
                TranslateMessage(&show.message);
                DispatchMessageA(&show.message);
            }
        }
    }

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderFrame();
}

bool ShowGoesOn(const Show& show) {
    if (show.message.message == WM_QUIT) {
        return false;
    }
    if (GetAsyncKeyState(VK_ESCAPE) & 0xFFFF) {
        return false;
    }
    return RunAnotherFrame(demo.demoLength, demo.time);
}
