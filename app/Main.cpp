// The show's entry: the command line, then the shared start-up and the timed
// frame loop, presenting every frame, until the show ends.
#include "app/CommandLine.h"
#include "app/Show.h"
#include "app/Shutdown.h"
#include "app/Version.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/Displays.h"
#include "platform/SoundPlayer.h"

#include <cmath>
#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    Show show;

    const Switches switches = ScanCommandLine(commandLine);
    if (!switches.error.empty()) {
        MessageBoxA(nullptr, switches.error.c_str(), "Error", MB_OK | MB_ICONERROR);
        return 2;
    }
    // A mistyped switch would otherwise start the whole show unasked.
    if (!switches.unknown.empty()) {
        std::fprintf(stderr, "hallatorvo: unknown switch %s\n%s", switches.unknown.c_str(),
                     ShowUsage());
        return 2;
    }
    // Answered on stdout before any window opens.
    if (switches.help) {
        std::fputs(ShowUsage(), stdout);
        return 0;
    }
    if (switches.version) {
        std::printf("hallatorvo %s\n", ProgramVersion);
        return 0;
    }
    // No displays at all is the window's failure to tell, below.
    if (switches.display != 0) {
        const int displays = CountDisplays();
        if (displays > 0 && switches.display >= displays) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "-display %d: there is no such display; this desktop has %d, "
                          "numbered from 0 (the primary).",
                          switches.display, displays);
            MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
            return 2;
        }
    }
    ShowRun run;
    run.fullscreen = !switches.window;
    run.showFps = switches.fps;
    run.frameSize = switches.frameSize;
    run.keepAspect = switches.aspect;
    run.display = switches.display;
    run.loop = switches.loop;

    // A failed start-up ends with a non-zero exit code, after its message box.
    if (!StartShow(run, show)) {
        ExitProcess(1);
    }
    AskForVerticalSync();
    // A sample is heard only once it has passed the output's buffers: the
    // pictures run that much behind the playback start, so each shows what is
    // heard. The platform's figure may firm up during the first second.
    SoundLatency latency{};
    latency.settled = false;
    do {
        if (!latency.settled) {
            latency = GetSoundOutputLatency();
            show.soundDelayTicks =
                static_cast<std::uint32_t>(std::lround(latency.seconds * 1000.0));
            if (latency.settled && run.showFps) {
                std::fprintf(stderr, "Sound latency: %u ms (%s), the pictures follow it\n",
                             static_cast<unsigned>(show.soundDelayTicks), latency.source);
            }
        }
        StepShow(show, ReadShowClock(show));
        SwapBuffers(demo.deviceContext);
    } while (FollowShow(show) != AfterFrame::end);

    Shutdown();
    ExitProcess(0);
}
