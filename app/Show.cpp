#include "app/Show.h"

#include "app/SceneSchedule.h"
#include "app/ShowFrame.h"
#include "app/SineTable.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "render/Extensions.h"
#include "render/FramePlan.h"
#include "textures/TextureTable.h"

#include <algorithm>
#include <cmath>
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
    show.loop = run.loop;

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

    show.firstFrameRandomState = Random::state();
    show.frameRate.start(GetTickCount());
    demo.time = 0.0f;
    show.startTick = GetTickCount();
    return true;
}

FrameTime ReadShowClock(const Show& show) {
    FrameTime frame;
    frame.tick = GetTickCount();
    if (show.paused) {
        frame.time = demo.time;
        return frame;
    }
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

AfterFrame FollowShow(Show& show) {
    if (show.message.message == WM_QUIT) {
        return AfterFrame::end;
    }
    if (GetAsyncKeyState(VK_ESCAPE) & 0xFFFF) {
        return AfterFrame::end;
    }
    // Pressed since the last frame: a press is a toggle, holding the key is not.
    if (!show.offline && (GetAsyncKeyState(VK_SPACE) & 0x0001)) {
        if (show.paused) {
            ResumeShow(show);
            return AfterFrame::resumed;
        }
        PauseShow(show);
        return AfterFrame::paused;
    }
    if (RunAnotherFrame(demo.demoLength, demo.time)) {
        return AfterFrame::next;
    }
    if (!show.loop) {
        return AfterFrame::end;
    }
    RestartShow(show);
    return AfterFrame::restarted;
}

void PauseShow(Show& show) {
    if (!show.offline) {
        show.music.stop();
    }
    show.paused = true;
}

void ResumeShow(Show& show) {
    const double time = demo.time;
    if (!show.offline) {
        show.music.playFrom(static_cast<std::int32_t>(std::lround(time * ShowSampleRate)));
    }
    // The clock reads `time` once the sound's delay has passed, as at the start.
    show.startTick = GetTickCount() - static_cast<std::uint32_t>(std::lround(time * 1000.0));
    show.paused = false;
}

void RestartShow(Show& show) {
    RestartScenes();
    Random::srand(show.firstFrameRandomState);
    demo.time = 0.0f;
    demo.frameDelta = 0.0f;
    if (!show.offline) {
        show.music.playFrom(0);
    }
    show.startTick = GetTickCount();
    show.paused = false;
}
