// The latency a sound server reports for this process's own playback stream,
// asked the way its control tools ask it.
#pragma once

// PulseAudio, or PipeWire's PulseAudio server: the latency of this process's
// sink input, that is what its buffer holds plus the sink's own latency, in
// seconds: the median of a few readings over some 20 ms. Several streams of the
// process: the newest. False when no such server answers within half a second
// or the process plays no stream there.
bool QueryPulseStreamLatency(double& seconds);
