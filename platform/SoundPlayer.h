// The sound player's interface beyond PlaySoundA: the handshake between a
// program that keeps writing a WAV image while the player plays it (PlaySoundA
// with SND_MEMORY | SND_ASYNC), a view of what the player has consumed, and how
// late its output is heard.
//
// The writer publishes how many bytes of the image, counted from its first byte
// (header included), hold their final contents. The player reads nothing beyond
// that point: a sample frame not yet published plays as silence and counts as an
// underrun, and the player moves on at the device's pace, so every later sample
// still plays at its own time. An image for which nothing was ever published
// counts as complete, as for any ordinary caller of PlaySoundA.
//
// Publish from the thread that calls PlaySoundA: once before handing the image
// over, then after each block written, and withdraw the image before freeing or
// rewriting it. On Windows the system player has no such handshake: publishing
// does nothing, and withdrawing stops whatever sound plays.
#pragma once

#include "platform/Win32.h"

#include <cstddef>
#include <cstdint>

struct SoundPlayerStats {
    // Sample frames of the current (or last) image handed to the device so far:
    // the player's position in the image. It runs ahead of what is audible by
    // the device's buffer. After a lost device it goes on from where the clock
    // since the start of playback says.
    std::uint64_t framesPlayed = 0;
    // Frames played as silence because they were not yet published.
    std::uint64_t underrunFrames = 0;
    // Frames skipped because no device took them: those between a lost
    // device's last buffer and the point where its replacement picked up.
    std::uint64_t lostFrames = 0;
    // Sample frames per second of that image.
    std::uint32_t sampleRate = 0;
    // A device is playing a sound that has not yet reached the end of its data.
    bool playing = false;
};

// How long a sample handed to the output takes to be heard, as far as the
// platform can tell.
struct SoundLatency {
    double seconds = 0.0;
    // What told it: "sound server" (the stream's latency as the server reports
    // it), "device buffer" (only the buffer SDL obtained), or "none" (no sound
    // plays, or the platform cannot tell).
    const char* source = "none";
    // Asking again later tells no more.
    bool settled = true;
};

#ifdef _WIN32
inline void PublishSoundProgress(const void*, std::size_t) {}
inline void WithdrawSoundImage(const void*) {
    PlaySoundA(nullptr, nullptr, 0);
}
inline SoundPlayerStats GetSoundPlayerStats() {
    return {};
}
// PlaySoundA reports nothing of its output.
inline SoundLatency GetSoundOutputLatency() {
    return {};
}
#else
// The first bytesWritten bytes of image are final. This applies to the image if
// it is playing, and to the next PlaySoundA call if that hands over the same
// image; that call forgets it either way.
void PublishSoundProgress(const void* image, std::size_t bytesWritten);
// The image is about to be freed or rewritten: if it is the sound playing,
// playback stops, and progress published for it is forgotten. Other sounds
// play on.
void WithdrawSoundImage(const void* image);
SoundPlayerStats GetSoundPlayerStats();
// Of the sound playing now: the latency its sound server reports for this
// process's stream (SDL's pulseaudio, pipewire and alsa drivers, with a
// PulseAudio server, PipeWire's included, answering), else the device buffer
// SDL obtained. Call it once a frame until the answer is `settled`: until
// then it says the device buffer, and a call takes a reading from the server
// (a round trip, at most half a second when it does not answer) when a fifth
// of a second has passed since the last; the figure is the median of the last
// five readings once they agree (SoundServerLatency.h).
SoundLatency GetSoundOutputLatency();
#endif
