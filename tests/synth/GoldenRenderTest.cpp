// Every instrument of the bank, pinned sample for sample: one second of a note
// held for half a second and then released, at three notes (one for the drums,
// whose pitch is fixed), checksummed over the bits of the mixed floats.
#include "synth/DenormalGuard.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"
#include "tests/support/Golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Golden {
    const char* instrument;
    int note;
    std::uint64_t checksum;
};

// Recorded before the engine was rewritten for speed.
const Golden Instruments[] = {
    {"lead:squeak", -24, 0xb3fce69f7a6e4a8cull},
    {"lead:squeak", 0, 0x0365f66c1e4b71fdull},
    {"lead:squeak", 12, 0x2b2c93dc999795bfull},
    {"bass:detroit", -24, 0x80eaf8e4ac509204ull},
    {"bass:detroit", 0, 0xce445d52780bf2ceull},
    {"bass:detroit", 12, 0x660dd8bfe3ffaa8eull},
    {"drum:hat:hiss", -24, 0xbb2f590dda20c374ull},
    {"drum:bass:mud", -24, 0x4f8415490dfe92b5ull},
    {"lead:neurotic", -24, 0x530e7c57178faca2ull},
    {"lead:neurotic", 0, 0x73381105c1beec52ull},
    {"lead:neurotic", 12, 0x28d6c361bde9e02eull},
    {"drum:snare:snap", -24, 0xddbd5c984fb9230bull},
    {"pad:oceans", -24, 0xc3de0615f4095e65ull},
    {"pad:oceans", 0, 0x7f25b8a37e3d28e2ull},
    {"pad:oceans", 12, 0x4b8c2d0005c1f96cull},
    {"drum:snare:retro", -24, 0x0d2ecb83a1b55a9aull},
    {"lead:buzzer", -24, 0xa631889d8dd2d6a5ull},
    {"lead:buzzer", 0, 0x78bf9542615cc9c6ull},
    {"lead:buzzer", 12, 0x805635f2dff99f41ull},
    {"sample:drum:bass:mud", -24, 0xa3170f8bc69ec080ull},
    {"sample:drum:hat:hiss:closed", -24, 0xc1cd4f1c6562c59dull},
    {"sample:drum:snare:snap", -24, 0x3cca95c2ad149bf7ull},
    {"sample:drum:snare:retro", -24, 0xd6b436dd8bde7734ull},
    {"lead:phaser", -24, 0x90d25b95388d55b3ull},
    {"lead:phaser", 0, 0xa556eb52b05eee65ull},
    {"lead:phaser", 12, 0x5e6fbf6a8efa4f62ull},
    {"lead:fifth", -24, 0xad5c94c94cc4a990ull},
    {"lead:fifth", 0, 0xce71084ece15dc68ull},
    {"lead:fifth", 12, 0x5c0877377daba7b3ull},
    {"pad:lush", -24, 0x4d9823e844ec0b74ull},
    {"pad:lush", 0, 0x620234d0bf934e49ull},
    {"pad:lush", 12, 0xcf6f8fadce80ff6dull},
};

// Sample by sample, or in blocks of 64 as the music driver renders.
std::uint64_t renderNote(const char* name, int note, int block) {
    const DenormalGuard guard;
    Synth synth;
    // Seed 1, and only this instrument's buffers rendered.
    const char* const sampled[] = {name};
    BuildInstrumentBank(synth, 1, sampled);
    const std::vector<const Instrument*> found = synth.findInstruments(name);
    if (found.size() != 1) {
        ADD_FAILURE() << name << " is not in the bank";
        return 0;
    }
    const Instrument* instrument = found.front();
    Channel channel;
    channel.gain = 0.1f;
    // Held from 0.01 s, released at 0.51 s, heard for a second.
    synth.playNote(instrument, &channel, 100.0f / 255.0f, note, 0.01f, 0.0f);
    synth.playNote(instrument, &channel, 0.0f, note, 0.51f, 0.0f);
    std::vector<float> times(22050), samples(22050);
    for (int i = 0; i < 22050; ++i) {
        times[i] = static_cast<float>(i) / 22050.0f;
    }
    for (int i = 0; i < 22050; i += block) {
        synth.renderSamples(&times[i], &samples[i], std::min(block, 22050 - i));
    }
    return Fnv1a64(samples.data(), samples.size() * sizeof(float));
}

} // namespace

TEST(GoldenRender, EveryInstrumentSoundsAsRecorded) {
    if (RecordingGolden()) {
        std::printf("maths library sweep: 0x%016llx\n",
                    static_cast<unsigned long long>(MathsLibraryFingerprint()));
    }
    for (const Golden& golden : Instruments) {
        const std::uint64_t checksum = renderNote(golden.instrument, golden.note, 1);
        if (RecordingGolden()) {
            std::printf("    {\"%s\", %d, 0x%016llxull},\n", golden.instrument, golden.note,
                        static_cast<unsigned long long>(checksum));
            continue;
        }
        EXPECT_EQ(checksum, golden.checksum)
            << golden.instrument << " at note " << golden.note << GoldenMismatchNote();
        EXPECT_EQ(renderNote(golden.instrument, golden.note, 64), golden.checksum)
            << golden.instrument << " at note " << golden.note << " in blocks"
            << GoldenMismatchNote();
    }
}
