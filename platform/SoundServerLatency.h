// The latency a sound server reports for this process's own playback stream:
// read the way its control tools read it, and settled into the one figure the
// pictures follow.
#pragma once

#include "platform/SoundPlayer.h"
#include "platform/Win32.h"

#include <array>
#include <cstddef>

struct pa_mainloop;
struct pa_context;

// Readings from PulseAudio, or PipeWire's PulseAudio server: the latency of
// this process's sink input, that is what its buffer holds plus the sink's own
// latency. Several streams of the process: the newest. The connection stays
// open between readings, so that a reading costs one round trip.
class PulseStreamLatency {
public:
    PulseStreamLatency() = default;
    PulseStreamLatency(const PulseStreamLatency&) = delete;
    PulseStreamLatency& operator=(const PulseStreamLatency&) = delete;
    ~PulseStreamLatency();

    // One reading, in seconds; connects first if need be. False when no
    // server answers within half a second or the process plays no stream
    // there (and always when built without libpulse).
    bool read(double& seconds);
    void disconnect();

private:
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
};

// How one sound's readings become its figure. The server's figure moves as
// the stream's buffer drains and refills (a device buffer's length) and as the
// sink renders its blocks; a new stream starts far above it (a null sink holds
// over a second at first) and comes down over a second or two. So readings
// are a fifth of a second apart, and the figure is the median of the last
// five once they agree within 15 ms, or as they are after fifty readings (ten
// seconds). Until then the figure is the device buffer's, unsettled.
class ServerLatencySettling {
public:
    // Once a frame, with the tick count and the device buffer's figure: takes
    // a reading when one is due and says the figure as it stands. Disconnects
    // the server once the figure is settled.
    SoundLatency step(DWORD now, const SoundLatency& buffer, PulseStreamLatency& server);

private:
    std::array<double, 5> seconds{}; // the last readings, round the ring
    std::size_t count = 0;           // readings taken
    DWORD lastTick = 0;
    bool done = false;
};
