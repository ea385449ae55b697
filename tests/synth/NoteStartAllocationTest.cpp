// Playing allocates nothing: a note start takes a slot of the pool and copies
// the instrument's small running state, every hit of a sampled drum reads the
// one buffer rendered at start-up, and mixing works in fixed buffers.
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace {

std::size_t allocations = 0;

} // namespace

// Counts every allocation of the test program.
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size != 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

// The library's temporary buffers (std::stable_sort's) come from this one and
// go back through the deletes below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocations;
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(NoteStart, PlayingAllocatesNothing) {
    auto synth = std::make_unique<Synth>();
    const char* const sampled[] = {"sample:drum:bass:mud", "sample:drum:hat:hiss:closed",
                                   "sample:drum:snare:snap", "sample:drum:snare:retro"};
    BuildInstrumentBank(*synth, 1, sampled);
    const std::vector<const Instrument*> bank = synth->findInstruments("*");
    Channel channel{"", 0.1f};
    std::vector<float> times(22050), out(22050);
    for (int i = 0; i < 22050; ++i) {
        times[i] = static_cast<float>(i) / 22050.0f;
    }

    const struct {
        const char* what;
        bool allocates;
        std::function<void()> play;
    } steps[] = {
        // The count sees what allocates: a lookup returns a new list.
        {"looking instruments up by name", true, [&] { synth->findInstruments("lead:*"); }},
        {"a burst of note starts of every instrument, until the pool is full", false,
         [&] {
             for (int i = 0; i < Synth::voiceCount; ++i) {
                 synth->playNote(bank[i % bank.size()], &channel, 0.3f, i % 24 - 12,
                                 0.001f * static_cast<float>(i), 0.0f);
             }
         }},
        {"notes refused by the full pool", false,
         [&] { synth->playNote(bank[9], &channel, 0.3f, 0, 0.5f, -1.0f); }},
        {"a second of mixing every voice", false,
         [&] { synth->renderSamples(times.data(), out.data(), 22050); }},
        {"releasing the held notes", false,
         [&] {
             for (int i = 0; i < Synth::voiceCount; ++i) {
                 synth->playNote(nullptr, &channel, 0.0f, i % 24 - 12, 1.1f, 0.0f);
             }
         }},
        {"mixing their tails sample by sample until the pool is free", false,
         [&] {
             for (int i = 22050; i < 10 * 22050; ++i) {
                 const float t = static_cast<float>(i) / 22050.0f;
                 synth->renderSamples(&t, out.data(), 1);
             }
         }},
        {"the sampled drums again, hit after hit", false,
         [&] {
             for (int i = 0; i < 100; ++i) {
                 synth->playNote(bank[9 + i % 4], &channel, 0.3f, 0, 10.0f + 0.5f * i, -1.0f);
             }
         }},
    };
    for (const auto& step : steps) {
        const std::size_t before = allocations;
        step.play();
        EXPECT_EQ(allocations != before, step.allocates) << step.what;
    }
}
