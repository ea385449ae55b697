#include "platform/SoundServerLatency.h"

#include <algorithm>

#ifdef HV_HAVE_LIBPULSE

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// A server that does not answer must not hold the show up for long.
constexpr auto patience = std::chrono::milliseconds(500);

struct Query {
    long ownProcess = 0;
    bool found = false;
    std::uint32_t index = 0;
    double seconds = 0.0;
};

void onSinkInput(pa_context*, const pa_sink_input_info* input, int eol, void* userdata) {
    auto& query = *static_cast<Query*>(userdata);
    if (eol != 0 || input == nullptr) {
        return;
    }
    const char* process = pa_proplist_gets(input->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (process == nullptr || std::atol(process) != query.ownProcess) {
        return;
    }
    // After a lost device the newest stream is the one playing.
    if (!query.found || input->index > query.index) {
        query.found = true;
        query.index = input->index;
        query.seconds = static_cast<double>(input->buffer_usec + input->sink_usec) * 1e-6;
    }
}

// Runs the loop until done() holds; false when the deadline passes first or
// the loop fails.
template <typename Done> bool runUntil(pa_mainloop* loop, Clock::time_point deadline, Done done) {
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0 || pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0) {
            return false;
        }
    }
    return true;
}

} // namespace

PulseStreamLatency::~PulseStreamLatency() {
    disconnect();
}

void PulseStreamLatency::disconnect() {
    if (context != nullptr) {
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
    if (loop != nullptr) {
        pa_mainloop_free(loop);
        loop = nullptr;
    }
}

bool PulseStreamLatency::read(double& seconds) {
    const auto deadline = Clock::now() + patience;
    if (context == nullptr) {
        loop = pa_mainloop_new();
        context = loop != nullptr ? pa_context_new(pa_mainloop_get_api(loop), "hallatorvo latency")
                                  : nullptr;
        if (context == nullptr ||
            pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            disconnect();
            return false;
        }
    }
    bool failed = false;
    const bool ready = runUntil(loop, deadline, [&] {
        const pa_context_state_t state = pa_context_get_state(context);
        failed = !PA_CONTEXT_IS_GOOD(state);
        return failed || state == PA_CONTEXT_READY;
    });
    if (!ready || failed) {
        disconnect();
        return false;
    }
    Query query;
    query.ownProcess = static_cast<long>(getpid());
    pa_operation* listing = pa_context_get_sink_input_info_list(context, onSinkInput, &query);
    if (listing == nullptr) {
        return false;
    }
    const bool done =
        runUntil(loop, deadline,
                 [&] { return pa_operation_get_state(listing) != PA_OPERATION_RUNNING; }) &&
        pa_operation_get_state(listing) == PA_OPERATION_DONE;
    if (pa_operation_get_state(listing) == PA_OPERATION_RUNNING) {
        pa_operation_cancel(listing);
    }
    pa_operation_unref(listing);
    if (!done || !query.found) {
        return false;
    }
    seconds = query.seconds;
    return true;
}

#else

// Built without libpulse: no server is asked.
PulseStreamLatency::~PulseStreamLatency() = default;

void PulseStreamLatency::disconnect() {}

bool PulseStreamLatency::read(double&) {
    return false;
}

#endif

namespace {

constexpr DWORD readingTicks = 200;
// Readings that agree this closely have settled; the null sink's own figure
// wanders by about 6 ms.
constexpr double agreement = 0.015;
// After this many readings (ten seconds) the last five are taken as they are.
constexpr std::size_t mostReadings = 50;

} // namespace

SoundLatency ServerLatencySettling::step(DWORD now, const SoundLatency& buffer,
                                         PulseStreamLatency& server) {
    const std::size_t kept = std::min(count, seconds.size());
    auto last = seconds;
    std::sort(last.begin(), last.begin() + static_cast<std::ptrdiff_t>(kept));
    const SoundLatency figure =
        kept == 0 ? buffer : SoundLatency{last[kept / 2], "sound server", true};
    if (!done && kept == seconds.size() &&
        (last[kept - 1] - last[0] <= agreement || count >= mostReadings)) {
        done = true;
        server.disconnect();
    }
    if (!done) {
        if (count == 0 || now - lastTick >= readingTicks) {
            double reading = 0.0;
            if (!server.read(reading)) {
                // No server, or it plays no stream of ours: the buffer is all there is.
                done = true;
                server.disconnect();
                return figure;
            }
            seconds[count++ % seconds.size()] = reading;
            lastTick = now;
        }
        return {buffer.seconds, buffer.source, false};
    }
    return figure;
}
