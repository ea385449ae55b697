// A tick counter the tests move by hand, installed as the platform layer's tick
// source for the life of the object; every read can also advance it.
#pragma once

#include "platform/TickSource.h"

struct ManualClock {
    static inline DWORD ticks = 0;
    static inline DWORD ticksPerRead = 0;

    ManualClock(DWORD start, DWORD perRead) {
        ticks = start;
        ticksPerRead = perRead;
        previous = SetTickSource(read);
    }
    ~ManualClock() { SetTickSource(previous); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    static DWORD read() {
        const DWORD now = ticks;
        ticks += ticksPerRead;
        return now;
    }

    TickSource previous = nullptr;
};
