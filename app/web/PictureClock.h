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

private:
    double shown = 0.0;     // the last frame's show time, in seconds
    double presented = 0.0; // when that frame is presented, page milliseconds
    double started = -1.0;  // when the previous frame was started; below 0 before it
    double interval = 0.0;  // between frame starts, smoothed
};
