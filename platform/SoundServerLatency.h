// The latency a sound server reports for this process's own playback stream:
// read the way its control tools read it, and settled into the one figure the
// pictures follow.
#pragma once

#include "platform/SoundPlayer.h"
#include "platform/Win32.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct pa_mainloop;
struct pa_context;

// One playback stream (sink input) as the server lists it.
struct SinkInputRecord {
    std::uint32_t index = 0; // the server numbers its streams in the order they come
    long process = 0;        // of the process that plays it; 0 when it does not say
    double seconds = 0.0;    // what its buffer holds plus its sink's own latency
};

// The playback streams a sound server lists.
class SinkInputListing {
public:
    // Every stream the server plays; false when no server answers.
    virtual bool list(std::vector<SinkInputRecord>& inputs) = 0;
    // No more listings for now: the connection may go.
    virtual void disconnect() = 0;

protected:
    ~SinkInputListing() = default;
};

// Listings from PulseAudio, or PipeWire's PulseAudio server. The connection
// stays open between listings, so that a listing costs one round trip.
class PulseSinkInputs final : public SinkInputListing {
public:
    PulseSinkInputs() = default;
    PulseSinkInputs(const PulseSinkInputs&) = delete;
    PulseSinkInputs& operator=(const PulseSinkInputs&) = delete;
    ~PulseSinkInputs();

    // Connects first if need be. False when no server answers within half a
    // second (and always when built without libpulse).
    bool list(std::vector<SinkInputRecord>& inputs) override;
    void disconnect() override;

private:
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
};

// How one sound's readings become its figure. A reading is the latency of
// the process's stream; of its newest when it plays several (after a lost
// device the old one may still drain while the new one plays). The server's
// figure moves as the stream's buffer drains and refills (a device buffer's
// length) and as the sink renders its blocks; a new stream starts far above
// it (a null sink holds over a second at first) and comes down over a second
// or two. So readings are a fifth of a second apart, and the figure is the
// median of the last five once they agree within 15 ms, or as they are ten
// seconds after the first. Until then the figure is the device buffer's,
// unsettled; and it stays the buffer's when the server stops answering, or
// plays no stream of the process, before the readings settle.
class ServerLatencySettling {
public:
    explicit ServerLatencySettling(long ownProcess = 0) : process(ownProcess) {}

    // Once a frame, with the tick count and the device buffer's figure: takes
    // a reading when one is due and says the figure as it stands. Disconnects
    // the server once the figure is settled.
    SoundLatency step(DWORD now, const SoundLatency& buffer, SinkInputListing& server);

private:
    long process;
    std::vector<SinkInputRecord> inputs; // the last listing, kept for its room
    std::array<double, 5> seconds{};     // the last readings, round the ring
    std::size_t count = 0;               // readings taken
    DWORD firstTick = 0;
    DWORD lastTick = 0;
    bool done = false;
    bool fromServer = false; // once done: the readings settled
};
