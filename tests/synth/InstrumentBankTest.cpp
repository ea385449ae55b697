#include "synth/InstrumentBank.h"
#include "midi/Sequencer.h"
#include "synth/DenormalGuard.h"
#include "synth/RenderContext.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// The bank as the show builds it, with the drums' buffers from a seed.
std::unique_ptr<Synth> makeSynth(std::uint32_t seed = 1) {
    auto synth = std::make_unique<Synth>();
    BuildInstrumentBank(*synth, seed, Sequencer::sampledInstruments());
    return synth;
}

const Instrument* find(const Synth& synth, const char* name) {
    const std::vector<const Instrument*> found = synth.findInstruments(name);
    EXPECT_EQ(found.size(), 1u) << name;
    return found.empty() ? nullptr : found.front();
}

// Samples from..to (exclusive) of the synth's mix at 22050 Hz, in blocks.
std::vector<float> renderRange(Synth& synth, int from, int to) {
    std::vector<float> times, out(static_cast<std::size_t>(to - from));
    for (int i = from; i < to; ++i) {
        times.push_back(static_cast<float>(i) / 22050.0f);
    }
    synth.renderSamples(times.data(), out.data(), to - from);
    return out;
}

double rms(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(v[i]) * v[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

double rmsDifference(const std::vector<float>& a, const std::vector<float>& b) {
    std::vector<float> d;
    for (size_t i = 0; i < a.size(); ++i) {
        d.push_back(a[i] - b[i]);
    }
    return rms(d, 0, d.size());
}

const std::vector<std::string> bankOrder = {
    "lead:squeak",
    "bass:detroit",
    "drum:hat:hiss",
    "drum:bass:mud",
    "lead:neurotic",
    "drum:snare:snap",
    "pad:oceans",
    "drum:snare:retro",
    "lead:buzzer",
    "sample:drum:bass:mud",
    "sample:drum:hat:hiss:closed",
    "sample:drum:snare:snap",
    "sample:drum:snare:retro",
    "lead:phaser",
    "lead:fifth",
    "pad:lush",
};

} // namespace

TEST(InstrumentBank, RegistersSixteenInstrumentsInOrder) {
    // The synth itself knows no instrument; the bank builder registers them.
    Synth bare;
    EXPECT_TRUE(bare.findInstruments("*").empty());

    auto synth = makeSynth();
    const std::vector<const Instrument*> all = synth->findInstruments("*");
    ASSERT_EQ(all.size(), bankOrder.size());
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i]->name, bankOrder[i]);
    }
}

TEST(InstrumentBank, FindInstrumentsMatchesExactNamesAndStarPrefixes) {
    auto synth = makeSynth();
    const Instrument* fifth = find(*synth, "lead:fifth");
    ASSERT_NE(fifth, nullptr);
    EXPECT_EQ(fifth->oscillators.size(), 3);
    EXPECT_EQ(fifth->filters.size(), 1);

    std::vector<std::string> drums;
    for (const Instrument* i : synth->findInstruments("drum:*")) {
        drums.push_back(i->name);
    }
    EXPECT_EQ(drums, (std::vector<std::string>{"drum:hat:hiss", "drum:bass:mud", "drum:snare:snap",
                                               "drum:snare:retro"}));
    EXPECT_TRUE(synth->findInstruments("drum:bass").empty());
    EXPECT_TRUE(synth->findInstruments("drum:bass:mud:").empty());
    EXPECT_TRUE(synth->findInstruments("").empty());
    EXPECT_EQ(synth->findInstruments("drum:bass:mud").size(), 1u);
    EXPECT_EQ(synth->findInstruments("sample:*").size(), 4u);
    EXPECT_EQ(synth->findInstruments("lead:*ignored").size(), 5u);
}

TEST(InstrumentBank, TableValuesReachTheRegisteredInstruments) {
    auto synth = makeSynth();
    const Instrument* lush = find(*synth, "pad:lush");
    ASSERT_EQ(lush->filters.size(), 3);
    EXPECT_EQ(lush->filters[2].type, 6);
    EXPECT_FLOAT_EQ(lush->filters[2].cutoff, 7529.54f);
    EXPECT_FLOAT_EQ(lush->gain, 0.6f);
    EXPECT_FLOAT_EQ(lush->ampEnvelope->attack, 1.6f);
    EXPECT_FLOAT_EQ(lush->ampEnvelope->release, 3.6f);

    const Instrument* phaser = find(*synth, "lead:phaser");
    ASSERT_EQ(phaser->oscillators.size(), 5);
    EXPECT_EQ(phaser->oscillators[4].wave->shape, Wave::Noise);
    EXPECT_EQ(phaser->oscillators[4].octave, 6);
    const auto& mods = phaser->filters[0].cutoffMods.modulators;
    ASSERT_EQ(mods.size(), 4);
    EXPECT_EQ(mods[0].lfo->shape, Wave::Saw);
    EXPECT_FLOAT_EQ(mods[0].depth, 5.00094f);
    EXPECT_EQ(mods[1].lfo->shape, Wave::Square);
    EXPECT_FLOAT_EQ(mods[1].lfo->frequency, 4.0f);
    EXPECT_EQ(mods[2].kind, Modulator::EnvelopeSource);
    EXPECT_FLOAT_EQ(mods[2].depth, -0.71874f);
    EXPECT_FLOAT_EQ(mods[2].envelope->decay, 10.0f);
    EXPECT_FLOAT_EQ(mods[3].lfo->phase, 0.5f);
    EXPECT_TRUE(mods[3].lfo->retrigger);
    EXPECT_FLOAT_EQ(phaser->filters[1].keyTracking, 50.0f);

    const Instrument* mud = find(*synth, "drum:bass:mud");
    EXPECT_EQ(mud->oscillators[0].octave, -3);
    EXPECT_EQ(mud->oscillators[0].keyTracking, 0.0f);
    EXPECT_FLOAT_EQ(mud->oscillators[0].startPhase, 0.842893f);
    EXPECT_EQ(mud->oscillators[1].semitones, -10);

    const Instrument* bass = find(*synth, "bass:detroit");
    EXPECT_FLOAT_EQ(bass->gain, 1.7f);
    EXPECT_FLOAT_EQ(bass->filters[1].cutoffMods.modulators[1].depth, -0.4f);
    EXPECT_FALSE(bass->filters[1].cutoffMods.modulators[1].lfo->retrigger);

    const Instrument* hat = find(*synth, "sample:drum:hat:hiss:closed");
    ASSERT_EQ(hat->samplers.size(), 1);
    EXPECT_FLOAT_EQ(hat->defaultDuration, 0.2f);
    EXPECT_FLOAT_EQ(find(*synth, "sample:drum:snare:retro")->gain, 0.7f);
    EXPECT_EQ(find(*synth, "lead:buzzer")->defaultDuration, -1.0f);
}

TEST(InstrumentBank, EveryUnitIsCreatedForExactlyOnePlace) {
    auto synth = makeSynth();
    std::set<const void*> seen;
    int units = 0;
    auto once = [&](const void* p) {
        ++units;
        EXPECT_TRUE(seen.insert(p).second);
    };
    auto chain = [&](const ModChain& c) {
        for (const Modulator& m : c.modulators) {
            once(m.kind == Modulator::LfoSource ? static_cast<const void*>(m.lfo)
                                                : static_cast<const void*>(m.envelope));
        }
    };
    for (const Instrument* inst : synth->findInstruments("*")) {
        once(inst->ampEnvelope);
        for (const Oscillator& o : inst->oscillators) {
            once(o.wave);
            chain(o.wave->pitchMods);
        }
        for (const Filter& f : inst->filters) {
            chain(f.cutoffMods);
        }
    }
    // 16 amplitude envelopes, 33 oscillators, 34 modulators.
    EXPECT_EQ(units, 16 + 33 + 34);
}

TEST(InstrumentBank, BassDrumRunsAt55HzAfterItsPitchSweep) {
    auto synth = makeSynth();
    const Instrument* mud = find(*synth, "drum:bass:mud");
    const Oscillator& square = mud->oscillators[0];
    // The note is ignored: key tracking 0.
    const NoteConstants note = mud->noteConstants(30);
    float phase = mud->startState.phases[0];
    RenderContext context;
    std::vector<float> out(22051, 0.0f);
    for (int i = 0; i < 22051; ++i) {
        const float t = 0.1f + static_cast<float>(i) / 22050.0f;
        square.render(phase, note.frequencies[0], context, &t, 1, 2.0f, 0.0f, &out[i]);
    }
    int crossings = 0;
    for (std::size_t i = 1; i < out.size(); ++i) {
        crossings += out[i - 1] < 0.0f && out[i] >= 0.0f;
    }
    EXPECT_NEAR(crossings, 55, 1);
}

TEST(InstrumentBank, SampledDrumBuffersHaveTheirLengthsAndNoiseFromTheSeed) {
    auto a = makeSynth(7);
    auto b = makeSynth(7);
    auto c = makeSynth(8);
    const struct {
        const char* drum;
        std::size_t length;
        bool noisy;
    } drums[] = {{"sample:drum:bass:mud", 25227u, false},
                 {"sample:drum:snare:retro", 25227u, true},
                 {"sample:drum:snare:snap", 26375u, true},
                 {"sample:drum:hat:hiss:closed", 3176u, true}};
    for (const auto& d : drums) {
        const std::vector<float>& buffer = find(*a, d.drum)->samplers[0].buffer;
        EXPECT_EQ(buffer.size(), d.length) << d.drum;
        EXPECT_EQ(buffer, find(*b, d.drum)->samplers[0].buffer) << d.drum;
        EXPECT_EQ(buffer != find(*c, d.drum)->samplers[0].buffer, d.noisy) << d.drum;
    }
    // Rendering a drum moves its source on: later notes start where it ended.
    EXPECT_TRUE(find(*a, "drum:snare:snap")->startState.filters[0].designed);
    EXPECT_FALSE(find(*a, "drum:snare:snap")->startState.filters[1].y1 == 0.0f);
    EXPECT_FALSE(find(*a, "lead:fifth")->startState.filters[0].designed);
}

// Noise draws on the show-wide generator, which the scenes reseed every frame:
// a note drawing it live would sound as the frames decide. Only pre-rendering
// may draw, while the bank is built.
TEST(InstrumentBank, NoInstrumentTheSongPlaysDrawsNoise) {
    auto synth = makeSynth();
    Sequencer sequencer(*synth);
    sequencer.loadSong();
    for (int c = 0; c < Sequencer::ChannelCount; ++c) {
        const Instrument* live = sequencer.channelInstruments[c];
        ASSERT_NE(live, nullptr) << "channel " << c;
        EXPECT_EQ(live->randomDraws, 0) << live->name << " on channel " << c;
    }
    // The drums' sources do draw: their noise is in the sampled buffers.
    EXPECT_EQ(find(*synth, "drum:snare:snap")->randomDraws, 1);
}

TEST(InstrumentBank, SampledHitsRepeatExactlySynthesizedNoiseHitsDoNot) {
    auto synth = makeSynth();
    Channel ch{"", 0.1f};
    synth->playNote(find(*synth, "sample:drum:snare:snap"), &ch, 1.0f, 0, 0.0f, -1.0f);
    synth->playNote(find(*synth, "sample:drum:snare:snap"), &ch, 1.0f, 0, 1.0f, -1.0f);
    const std::vector<float> first = renderRange(*synth, 1, 6000);
    renderRange(*synth, 6000, 22051);
    const std::vector<float> second = renderRange(*synth, 22051, 28050);
    // The same buffer both times; only the rounding of the float note time
    // moves the interpolation point by a few thousandths of a sample.
    const double level = rms(first, 0, first.size());
    EXPECT_GT(level, 0.01);
    EXPECT_LT(rmsDifference(first, second), 0.01 * level);

    synth->playNote(find(*synth, "drum:snare:snap"), &ch, 1.0f, -24, 2.0f, 0.2f);
    synth->playNote(find(*synth, "drum:snare:snap"), &ch, 1.0f, -24, 3.0f, 0.2f);
    renderRange(*synth, 28050, 44101);
    const std::vector<float> third = renderRange(*synth, 44101, 50100);
    renderRange(*synth, 50100, 66151);
    const std::vector<float> fourth = renderRange(*synth, 66151, 72150);
    EXPECT_GT(rms(third, 0, third.size()), 0.01);
    EXPECT_GT(rmsDifference(third, fourth), 0.5 * rms(third, 0, third.size()));
}

TEST(InstrumentBank, SampledBassDrumStopsAtItsDefaultDuration) {
    auto synth = makeSynth();
    Channel ch;
    synth->playNote(find(*synth, "sample:drum:bass:mud"), &ch, 1.0f, 0, 0.0f, -1.0f);
    const std::vector<float> out = renderRange(*synth, 1, 8820); // 0.4 s
    EXPECT_GT(rms(out, 0, 2205), 0.05);
    EXPECT_EQ(renderRange(*synth, 8820, 8830), std::vector<float>(10, 0.0f));
}

TEST(InstrumentBank, ClosedHatFallsSilentBeforeItsVoiceEnds) {
    auto synth = makeSynth();
    Channel ch;
    synth->playNote(find(*synth, "sample:drum:hat:hiss:closed"), &ch, 1.0f, 0, 0.0f, -1.0f);
    const std::vector<float> out = renderRange(*synth, 1, 4410); // 0.2 s
    EXPECT_GT(rms(out, 0, 1000), 0.01);
    EXPECT_NE(out[3170], 0.0f);
    for (size_t i = 3176; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0.0f) << i;
    }
}

TEST(InstrumentBank, SqueakHoldsUntilReleasedThenFadesOver2601Ms) {
    auto synth = makeSynth();
    Channel ch{"", 0.1f};
    const Instrument* squeak = find(*synth, "lead:squeak");
    synth->playNote(squeak, &ch, 1.0f, 0, 0.0f, 0.0f);
    const int rate = 22050;
    std::vector<float> held = renderRange(*synth, 1, 6 * rate);
    const double attackRms = rms(held, rate / 2 - 2205, rate / 2);
    const double heldRms1 = rms(held, 2 * rate, 3 * rate);
    const double heldRms2 = rms(held, 5 * rate, 6 * rate - 1);
    EXPECT_LT(attackRms, 0.6 * heldRms1); // still rising at 0.5 s
    EXPECT_GT(heldRms2, 0.5 * heldRms1);  // no fade while held

    synth->playNote(squeak, &ch, 0.0f, 0, 6.0f, 0.0f);
    std::vector<float> tail = renderRange(*synth, 6 * rate, 9 * rate);
    const double early = rms(tail, 0, rate / 4);
    const double late = rms(tail, 2 * rate, 2 * rate + rate / 4);
    EXPECT_GT(early, 0.7 * heldRms2);
    EXPECT_LT(late, 0.4 * early);
    EXPECT_GT(rms(tail, 2 * rate + rate / 2, 2 * rate + rate / 2 + 500), 0.0);
    // Silent from 6 + 2.601 s on, freed right after.
    for (size_t i = static_cast<size_t>(2.6015 * rate); i < tail.size(); ++i) {
        ASSERT_EQ(tail[i], 0.0f) << i;
    }
}

TEST(InstrumentBank, EveryInstrumentSoundsAtATypicalNote) {
    auto synth = makeSynth();
    Channel ch{"", 0.1f};
    float start = 0.0f;
    for (const Instrument* inst : synth->findInstruments("*")) {
        SCOPED_TRACE(inst->name);
        const int note = inst->name.rfind("drum", 0) == 0 ? -24 : 0;
        synth->playNote(inst, &ch, 1.0f, note, start, 0.3f);
        const int from = static_cast<int>(start * 22050.0f) + 1;
        const std::vector<float> out = renderRange(*synth, from, from + 22050);
        for (float v : out) {
            ASSERT_TRUE(std::isfinite(v));
        }
        EXPECT_GT(rms(out, 0, 6615), 1e-3);
        start += 5.0f;
    }
}

TEST(DenormalGuard, FlushesSubnormalsWithoutChangingSixteenBitOutput) {
    volatile float tiny = 1e-37f;
    {
        const DenormalGuard guard;
        EXPECT_EQ(tiny * 1e-3f, 0.0f);
    }
    EXPECT_NE(tiny * 1e-3f, 0.0f);

    auto render = [](bool flush) {
        auto synth = makeSynth(4242);
        Channel ch{"", 0.1f};
        float t = 0.0f;
        for (const Instrument* inst : synth->findInstruments("*")) {
            synth->playNote(inst, &ch, 0.8f, -12, t, 0.4f);
            t += 0.25f;
        }
        std::vector<std::int16_t> pcm;
        std::unique_ptr<DenormalGuard> guard;
        if (flush) {
            guard = std::make_unique<DenormalGuard>();
        }
        // Every note and its release tail, then a silent stretch.
        for (float s : renderRange(*synth, 0, 12 * 22050)) {
            pcm.push_back(static_cast<std::int16_t>(s * 32767.0f));
        }
        return pcm;
    };
    const std::vector<std::int16_t> plain = render(false);
    const std::vector<std::int16_t> flushed = render(true);
    EXPECT_EQ(plain, flushed);
}
