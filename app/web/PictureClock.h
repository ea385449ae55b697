// The page's picture clock: the show time of each frame is the song position
// heard when the frame is presented, smoothed so that it never runs backwards
// and keeps the page clock's pace from frame to frame but for a millisecond
// or two. Without sound to follow it runs on the page clock.
#pragma once

#include "app/Show.h"

class PictureClock {
public:
    // The time of a frame started at the page's time now (milliseconds), its
    // length since the previous one, and the tick count read for it.
    FrameTime next(double now);

    // The clock's reading at the page's time now, between frames.
    double at(double now) const;

    // The song position heard at the page's time now, in seconds: NaN
    // without sound.
    double heard(double now) const;

    // A pause: the frames that follow show the last frame's time.
    void hold();
    // Goes on from the held time, the sound now playing from `songSeconds`:
    // the pictures wait there until that is heard, as at the start.
    void resume(double songSeconds);

private:
    double shown = 0.0;     // the last frame's show time, in seconds
    double presented = 0.0; // when that frame is presented, page milliseconds
    double started = -1.0;  // when the previous frame was started; below 0 before it
    double interval = 0.0;  // between frame starts, smoothed
    double songFrom = 0.0;  // where in the song the sound playing started
    bool held = false;
    bool joined = false; // the sound playing has been heard
};
