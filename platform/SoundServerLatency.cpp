#include "platform/SoundServerLatency.h"

#ifdef HV_HAVE_LIBPULSE

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>
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

bool QueryPulseStreamLatency(double& seconds) {
    const auto deadline = Clock::now() + patience;
    pa_mainloop* loop = pa_mainloop_new();
    if (loop == nullptr) {
        return false;
    }
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "hallatorvo latency");
    bool ready = false;
    if (context != nullptr &&
        pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        bool failed = false;
        ready = runUntil(loop, deadline,
                         [&] {
                             const pa_context_state_t state = pa_context_get_state(context);
                             failed = !PA_CONTEXT_IS_GOOD(state);
                             return failed || state == PA_CONTEXT_READY;
                         }) &&
                !failed;
    }
    // The figure moves as the buffer drains and refills and as the sink
    // renders its blocks: the median of a few readings a little apart.
    std::array<double, 5> readings{};
    std::size_t count = 0;
    while (ready && count < readings.size()) {
        if (count > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        Query query;
        query.ownProcess = static_cast<long>(getpid());
        pa_operation* listing = pa_context_get_sink_input_info_list(context, onSinkInput, &query);
        if (listing == nullptr) {
            break;
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
            break;
        }
        readings[count++] = query.seconds;
    }
    if (context != nullptr) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    if (count == 0) {
        return false;
    }
    std::sort(readings.begin(), readings.begin() + static_cast<std::ptrdiff_t>(count));
    seconds = readings[count / 2];
    return true;
}

#else

// Built without libpulse: no server is asked.
bool QueryPulseStreamLatency(double&) {
    return false;
}

#endif
