// The song as timed note events, fed to the synthesizer one second ahead.
//
// Loading binds the sixteen MIDI channels to instruments of the bank and to
// sixteen mixing channels, and turns every note
// report of the embedded song into a SongEvent with an absolute time. During
// playback the music driver calls advance() before every sample; once per
// second of audio time the events of the coming second are posted with their
// exact start times, and the synthesizer starts them when their time comes.
#pragma once

#include "synth/Channel.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class Instrument;
class Synth;
struct NoteReport;

struct SongEvent {
    float time = 0.0f;     // seconds from the start of the song
    float duration = 0.0f; // 0: held until the matching release
    const Instrument* instrument = nullptr;
    const Channel* channel = nullptr;
    std::int32_t note = 0; // MIDI key - 57
    float velocity = 0.0f; // MIDI velocity / 255; exactly 0 marks a release
};

// The song's events in time order, and the synthesizer they are posted to.
struct Track {
    float endTime = 0.0f; // of the last event
    std::vector<SongEvent> events;
    Synth* synth = nullptr;

    void addEvent(const Instrument* instrument, const Channel* channel, float velocity,
                  std::int32_t note, float time, float duration);

    // Posts the events whose time lies in [from, from + window).
    void play(float from, float window) const;
};

class Sequencer {
public:
    static constexpr int ChannelCount = 16;

    explicit Sequencer(Synth& target);

    // The sampled instruments the channel table binds, in its order: the bank
    // renders their buffers in this order, so their noise follows from it.
    static std::span<const char* const> sampledInstruments();

    // Loads the embedded song.
    void loadSong();

    // Loads a song image: binds the channels and reads the notes. The embedded song is the only
    // image the show loads.
    void loadSong(const unsigned char* image, int length);

    // Posts the events due within the second starting at t, once per second.
    void advance(float t);

    // Whether advance(t) would post: a second has passed since the last posting.
    bool isDue(float t) const { return t - lastAdvanceTime >= 1.0f; }

    Synth& synth;
    float lastAdvanceTime = -1.5f;
    std::vector<Track> tracks;
    std::array<Channel, ChannelCount> channelRecords;
    std::array<const Instrument*, ChannelCount> channelInstruments{};

private:
    static void onNote(void* context, const NoteReport& report);

    Track* loading = nullptr;
};
