// The song as one WAV image in memory, completed while it plays.
//
// init() builds the synthesizer and the sequencer and renders the first five
// seconds; startPlayback() hands the image to the platform's sound player,
// which plays it straight from this memory; renderAhead(), once per frame,
// renders further ahead for a slice of wall-clock time that grows as the
// rendered lead over the player shrinks. There is no audio thread and no ring
// buffer: the player reads what the main thread has already written.
#pragma once

#include <cstdint>
#include <memory>

class Sequencer;
class Synth;

class AudioStream {
public:
    static constexpr int HeaderBytes = 44;

    AudioStream();
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    // Builds the image, the synthesizer and the sequencer, loads the song and
    // renders five seconds. A stream already playing stops first.
    void init();

    // Starts the player on the image; playback time counts from here.
    void startPlayback();

    // With minSeconds > 0 renders at least that much audio regardless of time;
    // with 0 renders for a budget of 20 ms while the lead is 5 s or more, up
    // to 420 ms when the player has caught up.
    void renderAhead(float minSeconds);

    // The budget in milliseconds for a given lead: factor x 20.
    static float budgetMilliseconds(float lead);

    // Stores one mixed sample as 16-bit PCM: x 32767, clamped to +-32767,
    // truncated toward zero; a NaN becomes silence.
    static std::int16_t toPcm(float sample);

    // The total number of samples the image ever receives: 240 s of audio.
    std::int32_t capacitySamples() const { return sampleRate * lengthSeconds; }

    // Created by init and kept for the life of the stream.
    std::unique_ptr<Synth> synth;
    std::unique_ptr<Sequencer> sequencer;
    std::int32_t lengthSeconds = 0;
    std::int32_t sampleRate = 0;
    std::int32_t samplesRendered = 0;
    float lead = 0.0f;
    std::int32_t dataBytes = 0;
    std::int32_t imageBytes = 0;
    std::uint8_t header[HeaderBytes] = {};
    std::unique_ptr<std::uint8_t[]> image;
    std::uint32_t previousEntryTick = 0;
    std::uint32_t entryTick = 0;

private:
    void withdrawImage();
    void buildHeader();
    void storeSample(std::int32_t index, std::int16_t value);
    void publish();
};
