// The song as one WAV image in memory, completed while it plays.
//
// init() builds the synthesizer and the sequencer and renders the first five
// seconds; startPlayback() hands the image to the platform's sound player,
// which plays it straight from this memory; renderAhead(), once per frame,
// renders further ahead for a slice of wall-clock time that grows as the
// rendered lead over the player shrinks. There is no audio thread and no ring
// buffer: the player reads what the main thread has already written.
#pragma once

#include "audio/WavImage.h"
#include "synth/SampleRate.h"

#include <cstdint>
#include <functional>
#include <memory>

class Sequencer;
class Synth;

class AudioStream {
public:
    // The image holds 240 s of audio, and one slot more that is never
    // rendered and stays silent.
    static constexpr std::int32_t LengthSeconds = 240;
    static constexpr std::int32_t CapacitySamples = SampleRate * LengthSeconds;
    static constexpr std::int32_t ImageSamples = CapacitySamples + 1;

    AudioStream();
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    // Builds the image, the synthesizer and the sequencer, loads the song and
    // renders five seconds. A stream already playing stops first.
    void init();

    // Starts the player on the image; playback time counts from here.
    void startPlayback();

    // Starts the player at sample `from` of the image (0 replays it from the
    // start), rendering first what is missing up to there. What is rendered
    // stays: a replay renders nothing again.
    void playFrom(std::int32_t from);

    // Stops the player; the rendered lead stands still until playFrom.
    void stop();

    // With minSeconds > 0 renders at least that much audio regardless of time;
    // with 0 renders for a budget of 20 ms while the lead is 5 s or more, up
    // to 420 ms when the player has caught up.
    void renderAhead(float minSeconds);

    // The song offline, with nothing played: init(), then one second at a
    // time until `samples` exist, no more than the image holds. The samples
    // depend only on their index, so they are the ones the show plays. After
    // each second `progress`, when given, hears the samples rendered so far;
    // its false stops the render. Returns whether all were rendered.
    bool renderSong(std::int32_t samples,
                    const std::function<bool(std::int32_t rendered)>& progress = {});

    // The budget in milliseconds for a given lead: factor x 20.
    static float budgetMilliseconds(float lead);

    // Stores one mixed sample as 16-bit PCM: x 32767, clamped to +-32767,
    // truncated toward zero; a NaN becomes silence.
    static std::int16_t toPcm(float sample);

    const WavImage& image() const { return image_; }
    // The number of samples written so far; also the index of the next one.
    std::int32_t samplesRendered() const { return samplesRendered_; }
    // The sample the player started from at the last playFrom.
    std::int32_t playedFrom() const { return playedFrom_; }
    // How far, in seconds, the rendered audio runs ahead of the player.
    float lead() const { return lead_; }

private:
    void withdrawImage();
    // Where the player's image starts: the image itself, or its header
    // written in place before the sample playback started from.
    const std::uint8_t* playing() const {
        return image_.bytes() + WavImage::offsetOf(playedFrom_) - WavImage::HeaderBytes;
    }
    void publish();

    // Created by init and kept for the life of the stream.
    std::unique_ptr<Synth> synth_;
    std::unique_ptr<Sequencer> sequencer_;
    WavImage image_;
    std::int32_t samplesRendered_ = 0;
    float lead_ = 0.0f;
    std::int32_t playedFrom_ = 0;
    WavImage::Covered covered_;
    bool stopped_ = false;
    // Tick counts at the entry of the current and of the previous render
    // step, or at the start of playback.
    std::uint32_t previousEntryTick_ = 0;
    std::uint32_t entryTick_ = 0;
};
