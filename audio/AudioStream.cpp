#include "audio/AudioStream.h"

#include "common/DemoState.h"
#include "midi/Sequencer.h"
#include "platform/SoundPlayer.h"
#include "platform/Win32.h"
#include "synth/DenormalGuard.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"

#include <algorithm>
#include <cmath>

namespace {

// Rendered at init, before the player starts.
constexpr float PrerenderSeconds = 5.0f;
// renderSong's step: a second of audio.
constexpr float SongStepSeconds = 1.0f;

// A lead of this much or more gets the base budget; every second less adds
// the growth to the factor, up to its maximum once the lead is gone.
constexpr float ComfortableLeadSeconds = 5.0f;
constexpr float BaseBudgetMilliseconds = 20.0f;
constexpr float FactorGrowthPerSecond = 4.0f;
constexpr float MaxBudgetFactor = 21.0f;
constexpr float SecondsPerTick = 0.001f;

constexpr float PcmFullScale = 32767.0f;

// The player learns of new samples at least this often while a long render
// runs, not only when the call returns.
constexpr std::int32_t PublishInterval = 512;

float secondsOf(std::int32_t samples) {
    return static_cast<float>(samples) / static_cast<float>(SampleRate);
}

} // namespace

AudioStream::AudioStream() = default;

AudioStream::~AudioStream() {
    withdrawImage();
}

// The player reads the image until it is told to stop, and progress published
// for it would apply to a later image at the same address: both end before the
// image goes.
void AudioStream::withdrawImage() {
    if (image_.bytes() != nullptr) {
        WithdrawSoundImage(playing());
        image_.uncover(covered_);
    }
    playedFrom_ = 0;
}

void AudioStream::init() {
    withdrawImage();
    samplesRendered_ = 0;
    lead_ = 0.0f;
    stopped_ = false;
    previousEntryTick_ = 0;
    entryTick_ = 0;
    // Cleared, so that a player that ever overtook the rendering would play
    // silence rather than whatever the allocator left there.
    image_ = WavImage(ImageSamples, SampleRate);

    // The drum samples' noise follows from the run's start tick.
    synth_ = std::make_unique<Synth>();
    BuildInstrumentBank(*synth_, demo.randomSeed, Sequencer::sampledInstruments());
    sequencer_ = std::make_unique<Sequencer>(*synth_);
    sequencer_->loadSong();

    renderAhead(PrerenderSeconds);
}

void AudioStream::startPlayback() {
    playFrom(0);
}

void AudioStream::playFrom(std::int32_t from) {
    withdrawImage();
    from = std::clamp(from, 0, CapacitySamples);
    while (samplesRendered_ < from) {
        renderAhead(secondsOf(from - samplesRendered_));
    }
    playedFrom_ = from;
    const std::uint8_t* start = image_.startingAt(from, covered_);
    publish();
    PlaySoundA(reinterpret_cast<LPCSTR>(start), nullptr, SND_ASYNC | SND_MEMORY);
    previousEntryTick_ = entryTick_ = GetTickCount();
    lead_ = secondsOf(samplesRendered_ - from);
    stopped_ = false;
}

void AudioStream::stop() {
    withdrawImage();
    stopped_ = true;
}

bool AudioStream::renderSong(std::int32_t samples,
                             const std::function<bool(std::int32_t rendered)>& progress) {
    init();
    // The image ends at its capacity: asking for more would never be met.
    const std::int32_t goal = std::min(samples, CapacitySamples);
    bool goOn = true;
    while (goOn && samplesRendered_ < goal) {
        renderAhead(SongStepSeconds);
        goOn = !progress || progress(samplesRendered_);
    }
    return samplesRendered_ >= samples;
}

float AudioStream::budgetMilliseconds(float lead) {
    float factor = 1.0f;
    if (lead < ComfortableLeadSeconds) {
        factor = 1.0f + (ComfortableLeadSeconds - lead) * FactorGrowthPerSecond;
        if (lead < 0.0f) {
            factor = MaxBudgetFactor;
        }
    }
    return factor * BaseBudgetMilliseconds;
}

std::int16_t AudioStream::toPcm(float sample) {
    float s = sample * PcmFullScale;
    if (std::isnan(s)) {
        return 0;
    }
    if (s > PcmFullScale) {
        s = PcmFullScale;
    }
    if (s < -PcmFullScale) {
        s = -PcmFullScale;
    }
    return static_cast<std::int16_t>(s); // truncation toward zero
}

// The final slot of the data chunk is never rendered and stays silent, so once
// rendering is full the whole image is final and a player reaching its end
// hears no underrun.
void AudioStream::publish() {
    const std::size_t bytes =
        samplesRendered_ >= CapacitySamples ? image_.size() : WavImage::offsetOf(samplesRendered_);
    const auto* start = playing();
    PublishSoundProgress(start, bytes - static_cast<std::size_t>(start - image_.bytes()));
}

void AudioStream::renderAhead(float minSeconds) {
    const DenormalGuard guard;
    // A request of 0 renders for the time budget; a positive one renders that
    // much audio whatever the time.
    const bool paced = minSeconds == 0.0f;
    previousEntryTick_ = entryTick_;
    entryTick_ = GetTickCount();

    float budget = BaseBudgetMilliseconds;
    if (samplesRendered_ > 0 && !stopped_) {
        lead_ = lead_ - static_cast<float>(entryTick_ - previousEntryTick_) * SecondsPerTick;
        budget = budgetMilliseconds(lead_);
    }

    const std::int32_t startCount = samplesRendered_;
    float times[MaxBlockSamples];
    float mix[MaxBlockSamples];
    // At least one block. A call that finds the image full while it still
    // wants more ends there and adds nothing to the lead.
    bool wanted = true;
    while (wanted && samplesRendered_ < CapacitySamples) {
        // A few samples at a time: up to the next posting of notes, the end of
        // the image, or the end of the request; the countdown stays per sample.
        int count = 0;
        float t = secondsOf(samplesRendered_);
        do {
            times[count++] = t;
            minSeconds = minSeconds - SampleStep;
            t = secondsOf(samplesRendered_ + count);
        } while (count < MaxBlockSamples && samplesRendered_ + count < CapacitySamples &&
                 (paced || minSeconds > 0.0f) && !sequencer_->isDue(t));

        sequencer_->advance(times[0]);
        synth_->renderSamples(times, mix, count);
        for (int n = 0; n < count; ++n) {
            image_.store(samplesRendered_ + n, toPcm(mix[n]));
        }
        const std::int32_t published = (samplesRendered_ - startCount) / PublishInterval;
        samplesRendered_ += count;
        if ((samplesRendered_ - startCount) / PublishInterval != published) {
            publish();
        }
        // A block lasts far less than a tick, so testing the budget after each
        // one keeps the pacing to the millisecond. Only a budget-paced call
        // has a reason to read the clock.
        wanted =
            paced ? static_cast<float>(GetTickCount() - entryTick_) <= budget : minSeconds > 0.0f;
    }
    if (!wanted) {
        lead_ = lead_ + secondsOf(samplesRendered_ - startCount);
    }
    publish();
}
