#include "platform/SoundServerLatency.h"

#include <algorithm>

#ifdef HV_HAVE_LIBPULSE

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>

#include <chrono>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// A server that does not answer must not hold the show up for long.
constexpr auto patience = std::chrono::milliseconds(500);

void onSinkInput(pa_context*, const pa_sink_input_info* input, int eol, void* userdata) {
    if (eol != 0 || input == nullptr) {
        return;
    }
    const char* process = pa_proplist_gets(input->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    static_cast<std::vector<SinkInputRecord>*>(userdata)->push_back(
        {input->index, process != nullptr ? std::atol(process) : 0,
         static_cast<double>(input->buffer_usec + input->sink_usec) * 1e-6});
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

PulseSinkInputs::~PulseSinkInputs() {
    disconnect();
}

void PulseSinkInputs::disconnect() {
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

bool PulseSinkInputs::list(std::vector<SinkInputRecord>& inputs) {
    inputs.clear();
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
    pa_operation* listing = pa_context_get_sink_input_info_list(context, onSinkInput, &inputs);
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
    return done;
}

#else

// Built without libpulse: no server is asked.
PulseSinkInputs::~PulseSinkInputs() = default;

void PulseSinkInputs::disconnect() {}

bool PulseSinkInputs::list(std::vector<SinkInputRecord>& inputs) {
    inputs.clear();
    return false;
}

#endif

namespace {

constexpr DWORD readingTicks = 200;
// Readings that agree this closely have settled; the null sink's own figure
// wanders by about 6 ms.
constexpr double agreement = 0.015;
// Ten seconds after the first reading the last five are taken as they are.
constexpr DWORD mostTicks = 10000;

// The latency of the newest stream `process` plays; false when it plays none.
bool newestOwnStream(const std::vector<SinkInputRecord>& inputs, long process, double& seconds) {
    const SinkInputRecord* newest = nullptr;
    for (const SinkInputRecord& input : inputs) {
        if (input.process == process && (newest == nullptr || input.index > newest->index)) {
            newest = &input;
        }
    }
    if (newest != nullptr) {
        seconds = newest->seconds;
    }
    return newest != nullptr;
}

} // namespace

SoundLatency ServerLatencySettling::step(DWORD now, const SoundLatency& buffer,
                                         SinkInputListing& server) {
    auto last = seconds;
    std::sort(last.begin(), last.end());
    if (!done && count >= seconds.size() &&
        (last.back() - last.front() <= agreement || now - firstTick >= mostTicks)) {
        done = true;
        fromServer = true;
        server.disconnect();
    }
    if (done) {
        return fromServer ? SoundLatency{last[last.size() / 2], "sound server", true} : buffer;
    }
    if (count == 0 || now - lastTick >= readingTicks) {
        double reading = 0.0;
        if (!server.list(inputs) || !newestOwnStream(inputs, process, reading)) {
            // No server, or it plays no stream of ours: readings that have
            // not settled tell nothing, the buffer is all there is.
            done = true;
            server.disconnect();
            return buffer;
        }
        if (count == 0) {
            firstTick = now;
        }
        seconds[count++ % seconds.size()] = reading;
        lastTick = now;
    }
    return {buffer.seconds, buffer.source, false};
}
