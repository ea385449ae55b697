// How the server's listings of the show's stream settle into the figure the
// pictures follow, the listings supplied frame by frame.
#include "platform/SoundServerLatency.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

constexpr long us = 4242, them = 17;                         // process ids
using Listing = std::optional<std::vector<SinkInputRecord>>; // none: no answer

Listing own(double seconds) {
    return std::vector<SinkInputRecord>{{3, us, seconds}};
}

// Answers its script round and round, and notes when it was asked.
struct ScriptedServer final : SinkInputListing {
    std::vector<Listing> script;
    std::vector<DWORD> asked;
    DWORD now = 0;
    bool list(std::vector<SinkInputRecord>& inputs) override {
        const Listing& answer = script[asked.size() % script.size()];
        asked.push_back(now);
        inputs = answer.value_or(std::vector<SinkInputRecord>{});
        return answer.has_value();
    }
    void disconnect() override {}
};

} // namespace

TEST(ServerLatencySettling, TakesTheNewestOwnStreamOnceFiveReadingsAgreeAndTheBufferOtherwise) {
    const SoundLatency buffer{0.046, "device buffer", true};
    struct Case {
        const char* what;
        struct {
            double seconds, from, by; // the figure, and when it is taken
        } taken;
        std::vector<Listing> script;
    };
    using Inputs = std::vector<SinkInputRecord>;
    const std::vector<Case> cases = {
        {"a new stream drifting down over two seconds, then wandering by 9 ms",
         {0.070, 2.8, 3.5},
         {own(1.20), own(1.08), own(0.96), own(0.84), own(0.72), own(0.60), own(0.48), own(0.36),
          own(0.24), own(0.12), own(0.072), own(0.066), own(0.075), own(0.070), own(0.068)}},
        {"readings 40 ms apart that never agree",
         {0.08, 10.0, 10.04},
         {own(0.06), own(0.08), own(0.10), own(0.08)}},
        {"a server that stops answering first",
         {0.046, 0.6, 0.8},
         {own(1.2), own(1.0), own(0.8), std::nullopt}},
        {"no server", {0.046, 0, 0}, {std::nullopt}},
        {"only another process's stream", {0.046, 0, 0}, {Inputs{{1, them, 0.2}}}},
        {"after a lost device: the old stream draining, the new one playing, in either order",
         {0.080, 0.8, 1.2},
         {Inputs{{4, us, 0.350}, {7, them, 0.020}, {6, us, 0.080}},
          Inputs{{6, us, 0.081}, {4, us, 0.420}, {7, them, 0.020}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server;
        server.script = c.script;
        ServerLatencySettling settling(us);
        SoundLatency figure{0, "none", false};
        DWORD elapsed = 0; // frames at 30 a second, the tick count wrapping on the way
        for (; elapsed <= 12000 && !figure.settled; elapsed += 33) {
            server.now = 0xFFFFF000u + elapsed;
            figure = settling.step(server.now, buffer, server);
            ASSERT_TRUE(figure.settled || figure.seconds == buffer.seconds);
        }
        EXPECT_NEAR(figure.seconds, c.taken.seconds, 1e-9);
        EXPECT_STREQ(figure.source,
                     c.taken.seconds == buffer.seconds ? "device buffer" : "sound server");
        EXPECT_GE(elapsed - 33, c.taken.from * 1000);
        EXPECT_LE(elapsed - 33, c.taken.by * 1000);
        for (std::size_t i = 1; i < server.asked.size(); ++i) {
            EXPECT_GE(server.asked[i] - server.asked[i - 1], 200u);
        }
    }
}
