// The latency a sound server reports for this process's own playback stream,
// read the way its control tools read it.
#pragma once

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
