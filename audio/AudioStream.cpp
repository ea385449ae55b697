#include "audio/AudioStream.h"

#include "common/DemoState.h"
#include "midi/Sequencer.h"
#include "platform/SoundPlayer.h"
#include "platform/Win32.h"
#include "synth/DenormalGuard.h"
#include "synth/InstrumentBank.h"
#include "synth/SampleRate.h"
#include "synth/Synth.h"

#include <cmath>
#include <cstring>

namespace {

void put32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// The player learns of new samples at least this often while a long render
// runs, not only when the call returns.
constexpr std::int32_t PublishInterval = 512;

} // namespace

AudioStream::AudioStream() = default;

AudioStream::~AudioStream() {
    withdrawImage();
}

// The player reads the image until it is told to stop, and progress published
// for it would apply to a later image at the same address: both end before the
// image goes.
void AudioStream::withdrawImage() {
    if (image != nullptr) {
        WithdrawSoundImage(image.get());
    }
}

void AudioStream::buildHeader() {
    std::memcpy(header + 0, "RIFF", 4);
    put32(header + 4, static_cast<std::uint32_t>(dataBytes + 36));
    std::memcpy(header + 8, "WAVE", 4);
    std::memcpy(header + 12, "fmt ", 4);
    put32(header + 16, 16);
    put16(header + 20, 1); // PCM
    put16(header + 22, 1); // mono
    put32(header + 24, static_cast<std::uint32_t>(sampleRate));
    put32(header + 28, static_cast<std::uint32_t>(sampleRate * 2));
    put16(header + 32, 2);
    put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, static_cast<std::uint32_t>(dataBytes));
}

void AudioStream::init() {
    withdrawImage();
    lengthSeconds = 240;
    sampleRate = SampleRate;
    samplesRendered = 0;
    lead = 0.0f;
    previousEntryTick = 0;
    entryTick = 0;
    // One slot more than is ever rendered; the last one stays silent.
    dataBytes = 10584002;
    imageBytes = dataBytes + HeaderBytes;
    buildHeader();

    // Cleared, so that a player that ever overtook the rendering would play
    // silence rather than whatever the allocator left there.
    image = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(imageBytes));
    std::memcpy(image.get(), header, HeaderBytes);

    // The drum samples' noise follows from the run's start tick.
    synth = std::make_unique<Synth>();
    BuildInstrumentBank(*synth, demo.randomSeed, Sequencer::sampledInstruments());
    sequencer = std::make_unique<Sequencer>(*synth);
    sequencer->loadSong();

    renderAhead(5.0f);
}

void AudioStream::startPlayback() {
    publish();
    PlaySoundA(reinterpret_cast<LPCSTR>(image.get()), nullptr, SND_ASYNC | SND_MEMORY);
    previousEntryTick = entryTick = GetTickCount();
}

float AudioStream::budgetMilliseconds(float lead) {
    float factor = 1.0f;
    if (lead < 5.0f) {
        factor = 1.0f + (5.0f - lead) * 4.0f;
        if (lead < 0.0f) {
            factor = 21.0f;
        }
    }
    return factor * 20.0f;
}

std::int16_t AudioStream::toPcm(float sample) {
    float s = sample * 32767.0f;
    if (std::isnan(s)) {
        return 0;
    }
    if (s > 32767.0f) {
        s = 32767.0f;
    }
    if (s < -32767.0f) {
        s = -32767.0f;
    }
    return static_cast<std::int16_t>(s); // truncation toward zero
}

void AudioStream::storeSample(std::int32_t index, std::int16_t value) {
    put16(image.get() + HeaderBytes + 2 * static_cast<std::size_t>(index),
          static_cast<std::uint16_t>(value));
}

// The final slot of the data chunk is never rendered and stays silent, so once
// rendering is full the whole image is final and a player reaching its end
// hears no underrun.
void AudioStream::publish() {
    const std::size_t bytes = samplesRendered >= capacitySamples()
                                  ? static_cast<std::size_t>(imageBytes)
                                  : HeaderBytes + 2 * static_cast<std::size_t>(samplesRendered);
    PublishSoundProgress(image.get(), bytes);
}

void AudioStream::renderAhead(float minSeconds) {
    const DenormalGuard guard;
    bool budgetOnly = minSeconds == 0.0f;
    previousEntryTick = entryTick;
    entryTick = GetTickCount();

    float budget = 20.0f;
    if (samplesRendered > 0) {
        lead = lead - static_cast<float>(entryTick - previousEntryTick) * 0.001f;
        budget = budgetMilliseconds(lead);
    }

    const std::int32_t startCount = samplesRendered;
    const float step = 1.0f / static_cast<float>(sampleRate);
    float times[MaxBlockSamples];
    float mix[MaxBlockSamples];
    do {
        if (samplesRendered >= capacitySamples()) {
            publish();
            return;
        }
        // A few samples at a time: up to the next posting of notes, the end of
        // the image, or the end of the request; the countdown stays per sample.
        int count = 0;
        do {
            const float t =
                static_cast<float>(samplesRendered + count) / static_cast<float>(sampleRate);
            if (count > 0 && sequencer->isDue(t)) {
                break;
            }
            times[count++] = t;
            minSeconds = minSeconds - step;
        } while (count < MaxBlockSamples && samplesRendered + count < capacitySamples() &&
                 (minSeconds > 0.0f || budgetOnly));

        sequencer->advance(times[0]);
        synth->renderSamples(times, mix, count);
        for (int n = 0; n < count; ++n) {
            storeSample(samplesRendered + n, toPcm(mix[n]));
        }
        const std::int32_t published = (samplesRendered - startCount) / PublishInterval;
        samplesRendered += count;
        if ((samplesRendered - startCount) / PublishInterval != published) {
            publish();
        }
        // A block lasts far less than a tick, so testing the budget after each
        // one keeps the pacing to the millisecond. Only a budget-paced call
        // has a reason to read the clock.
        if (budgetOnly && static_cast<float>(GetTickCount() - entryTick) > budget) {
            budgetOnly = false;
        }
    } while (minSeconds > 0.0f || budgetOnly);

    lead = lead + static_cast<float>(samplesRendered - startCount) / static_cast<float>(sampleRate);
    publish();
}
