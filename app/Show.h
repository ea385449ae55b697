// The show's start-up and its frame, shared by every front-end: the show
// itself and the capture tool. A front-end describes the run, starts it once
// and then steps it frame by frame on its own clock, presenting or reading
// back each frame as it needs.
#pragma once

#include "app/Clock.h"
#include "audio/AudioStream.h"
#include "common/DemoState.h"
#include "platform/Win32.h"
#include "render/Frame.h"

#include <cstdint>

constexpr const char* ShowTitle = "TORVO: HALLATORVO";
// The song's sample rate, and the samples the show plays: its length and the
// closing second.
constexpr std::int32_t ShowSampleRate = 22050;
constexpr std::int32_t ShowAudioSamples =
    (static_cast<std::int32_t>(ShowLength) + 1) * ShowSampleRate;

// Told, by name, of each step of the start-up as it ends: the start-up bench
// times the steps with it.
using StartUpStepDone = void (*)(const char* step);

// What one run of the show is.
struct ShowRun {
    bool fullscreen = true; // borderless over the desktop at its resolution; else a window
    int width = 800;        // the output in a window; full screen takes the screen's
    int height = 600;
    int frameSize = DefaultFrameSize;
    bool keepAspect = false; // the square frame stays square, with black bars
    int display = 0;         // the monitor full screen covers, 0 the primary
    bool showFps = false;    // the frame rate in the window title
    bool loop = false;       // at its end the show starts again
    bool fixedSeed = false;  // false: the tick count at start seeds the run
    std::uint32_t seed = 0;
    // Frames for capture rather than for a viewer: no song is played and no
    // window message is read.
    bool offline = false;
    const char* program = "hallatorvo"; // names the front-end in messages
    StartUpStepDone stepDone = nullptr;
};

// A started show, between its frames.
struct Show {
    AudioStream music; // the entry's first object: its construction does no work
    HWND window = nullptr;
    bool offline = false;
    char title[64] = {};
    FrameRateTitle frameRate;
    std::uint32_t startTick = 0;
    // The show's time runs this far behind startTick: the sound's way to the
    // ear, when the front-end knows it.
    std::uint32_t soundDelayTicks = 0;
    MSG message{}; // the last one read; holds no message at first
    bool loop = false;
    // Space holds the show's time, its pictures and its sound.
    bool paused = false;
    // The shared random generator's state at the first frame: every pass
    // starts from it.
    std::uint32_t firstFrameRandomState = 0;
};

// When a frame is drawn, and the tick count that was read for it.
struct FrameTime {
    float time = 0.0f;
    float frameDelta = 0.0f;
    std::uint32_t tick = 0;
};

// The start-up, in the show's order: seed, title and length, the window with
// its GL context, the sine table, the extensions, the frame's size and buffer,
// the textures, the timeline, the song's first seconds and its playback (not
// offline), and the clock. The window is never smaller than the default
// frame; the output is its lower-left width x height. Returns false when no
// window or context could be made, after telling the user.
bool StartShow(const ShowRun& run, Show& show);

// The show's own clock: one read of the tick counter, time since the start
// less the sound's delay (0 until that has passed, and never less than the
// previous frame's), and the frame's length since the previous frame.
FrameTime ReadShowClock(const Show& show);

// Frame k of a run at a fixed step of 1 / fps seconds, for captures: its
// time, and the step as its length (the first frame's length is its time).
FrameTime FixedStepFrame(std::int64_t frame, double fps);

// One frame into the back buffer, not yet presented: the clock fields, the
// frame-rate title, the music's render-ahead and at most one window message
// (not offline), the clear and RenderFrame.
void StepShow(Show& show, const FrameTime& frame);

// What follows a presented frame.
enum class AfterFrame {
    next,      // the show goes on
    paused,    // Space held it: the frames that follow show the same time
    resumed,   // Space let it go on from there
    restarted, // a looping show reached its end and starts again
    end,       // a quit message, Escape, or the end of a show that does not loop
};

// The viewer's controls and the exit tests after a presented frame: Space
// pauses or resumes; a quit message or Escape ends the show, and so does the
// frame whose time has reached the show's length plus one second, unless the
// show loops, when it starts again.
AfterFrame FollowShow(Show& show);

// The pause: the sound stops where it is heard and the show's time stands.
// On resume the sound goes on from that sample and the clock from that time,
// the pictures holding until the sound is heard again.
void PauseShow(Show& show);
void ResumeShow(Show& show);

// The show from its start again, as its first pass: the scenes' state as the
// start-up left it and the song replayed from the image already rendered.
void RestartShow(Show& show);
