// PlaySoundA of the Win32 subset on SDL2, with the rest of the player's
// interface (SoundPlayer.h) and its part in the event pump (SoundPlayerPump.h).
//
// The player plays the caller's image straight from the caller's memory on
// SDL's audio thread, one device buffer at a time, and never waits for the
// writer: frames beyond the published bytes come out as silence while the
// position keeps the device's pace. The device is opened in the image's own
// rate and format; SDL converts if the hardware wants something else.
//
// A device can go away while it plays (headphones unplugged, an interface
// switched off, the sound server restarted). The layer's event pump then opens
// the default device in its place, and playback resumes where the tick count
// since the start says: the music stays in step with the pictures, which follow
// the same clock, and what fell in between is skipped. While no device opens,
// the pump tries again once a second.
#include "platform/SoundPlayer.h"
#include "platform/SoundPlayerPump.h"
#include "platform/SoundServerLatency.h"
#include "platform/WaveImage.h"
#include "platform/Win32.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <unistd.h>

namespace {

// The position and the underrun count share one word, so that a reader sees
// both as one buffer left them. Each fits in 32 bits: a data chunk's size is a
// 32-bit count of bytes.
std::uint64_t packCounts(std::size_t played, std::size_t underruns) {
    return static_cast<std::uint64_t>(played) | static_cast<std::uint64_t>(underruns) << 32;
}

std::size_t playedOf(std::uint64_t counts) {
    return static_cast<std::size_t>(counts & 0xFFFFFFFFu);
}

std::size_t underrunsOf(std::uint64_t counts) {
    return static_cast<std::size_t>(counts >> 32);
}

// The sound being played; `image` is null when none is. Reset only while no
// device is open. While one is, the audio thread alone writes `counts`, the
// writer's thread stores `publishedBytes`, and `device` changes only after the
// device has closed.
struct Playback {
    const std::uint8_t* image = nullptr;
    WaveLayout layout;
    std::uint8_t silence = 0;
    std::atomic<SDL_AudioDeviceID> device{0}; // none while a lost one awaits its replacement
    std::atomic<std::size_t> publishedBytes{0};
    std::atomic<std::uint64_t> counts{0}; // packCounts(frames played, underruns)
};

Playback playback;

// Guards the state below and every change of `playback`. Only the callers'
// threads take it; the audio thread never does, so it cannot stall playback.
std::mutex control;
// The tick count when the sound started: after a lost device, the sound goes on
// where this clock says it is.
DWORD startTick = 0;
bool deviceRemoved = false; // SDL reported the device gone
DWORD lastReopenAttempt = 0;
bool reopenFailureReported = false;
std::uint64_t lostFrames = 0;
// The last progress published, for the next handover. Every PlaySoundA call
// takes it, and an image withdrawn before it is freed takes it back, so it
// never reaches another image that comes to live at the same address.
const void* pendingImage = nullptr;
std::size_t pendingBytes = 0;
bool exitHookInstalled = false;
// The buffer SDL obtained for the open device, in frames, and their rate.
Uint16 deviceBufferFrames = 0;
int deviceRate = 0;
ServerLatencySettling serverSettling; // of the sound playing; reset by PlaySoundA
PulseSinkInputs pulseServer;

// SDL's audio thread: fills one device buffer from the image.
void SDLCALL fillBuffer(void* userdata, Uint8* stream, int length) {
    Playback& p = *static_cast<Playback*>(userdata);
    // SDL goes on calling back for a device it has lost, to keep time. The
    // position stays where the device went, for its replacement to take up.
    if (SDL_GetAudioDeviceStatus(p.device.load(std::memory_order_relaxed)) != SDL_AUDIO_PLAYING) {
        std::memset(stream, p.silence, static_cast<std::size_t>(length));
        return;
    }
    const std::size_t frameBytes = p.layout.blockAlign;
    const std::size_t frames = static_cast<std::size_t>(length) / frameBytes;
    const std::size_t limit = p.publishedBytes.load(std::memory_order_acquire);
    std::size_t ready = 0; // frames wholly inside the published bytes
    if (limit > p.layout.dataOffset) {
        ready = std::min(p.layout.frameCount, (limit - p.layout.dataOffset) / frameBytes);
    }
    const std::uint64_t counts = p.counts.load(std::memory_order_relaxed);
    const std::size_t start = playedOf(counts);
    const std::size_t end = std::min(start + frames, p.layout.frameCount);
    const std::size_t copyEnd = std::clamp(ready, start, end);
    const std::size_t copyBytes = (copyEnd - start) * frameBytes;
    if (copyBytes > 0) {
        std::memcpy(stream, p.image + p.layout.dataOffset + start * frameBytes, copyBytes);
    }
    // Missing frames and everything past the data's end play as silence.
    std::memset(stream + copyBytes, p.silence, static_cast<std::size_t>(length) - copyBytes);
    p.counts.store(packCounts(end, underrunsOf(counts) + (end - copyEnd)),
                   std::memory_order_relaxed);
}

// About 46 ms per buffer: short enough to follow a writer that stays a few
// seconds ahead, long enough not to starve on a busy machine.
Uint16 bufferFrames(std::uint32_t sampleRate) {
    if (sampleRate <= 24000) {
        return 1024;
    }
    return sampleRate <= 48000 ? 2048 : 4096;
}

SDL_AudioDeviceID currentDevice() {
    return playback.device.load(std::memory_order_relaxed);
}

// Opens the default device for the sound, paused: no callback runs before
// startDevice.
bool openDevice() {
    const WaveLayout& layout = playback.layout;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(layout.sampleRate);
    wanted.format = layout.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(layout.channels);
    wanted.samples = bufferFrames(layout.sampleRate);
    wanted.callback = fillBuffer;
    wanted.userdata = &playback;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (opened == 0) {
        return false;
    }
    deviceBufferFrames = obtained.samples;
    deviceRate = obtained.freq;
    playback.device.store(opened, std::memory_order_relaxed);
    return true;
}

void startDevice() {
    SDL_PauseAudioDevice(currentDevice(), 0);
}

void closeDevice() {
    const SDL_AudioDeviceID open = currentDevice();
    if (open != 0) {
        if (SDL_WasInit(SDL_INIT_AUDIO) != 0) {
            SDL_CloseAudioDevice(open); // waits for a running callback
        }
        playback.device.store(0, std::memory_order_relaxed);
    }
}

void stopLocked() {
    closeDevice();
    playback.image = nullptr;
}

// Opening a device can take a while when the sound server is down: after the
// first attempt, a second passes between attempts, so the pictures go on.
constexpr DWORD reopenIntervalTicks = 1000;

// The frame the clock since the start says is due at `now`.
std::size_t framesDue(DWORD now) {
    const std::uint64_t elapsed = static_cast<DWORD>(now - startTick); // wraps as the ticks do
    return static_cast<std::size_t>(std::min<std::uint64_t>(
        playback.layout.frameCount, elapsed * playback.layout.sampleRate / 1000));
}

// Takes the sound up on a new device from the frame the clock says is due once
// the device is open (opening can take a while). The frames skipped to get
// there count as lost; a clock behind the position (the lost device was handed
// buffers ahead of time) plays those frames again.
void resumeLocked() {
    DWORD now = GetTickCount();
    bool opened = false;
    if (framesDue(now) < playback.layout.frameCount) {
        opened = openDevice();
        now = GetTickCount();
    }
    lastReopenAttempt = now;
    const std::uint64_t counts = playback.counts.load(std::memory_order_relaxed);
    const std::size_t due = framesDue(now);
    if (due > playedOf(counts)) {
        lostFrames += due - playedOf(counts);
    }
    playback.counts.store(packCounts(due, underrunsOf(counts)), std::memory_order_relaxed);
    if (opened) {
        startDevice();
    } else if (due < playback.layout.frameCount && !reopenFailureReported) {
        std::fprintf(stderr, "SDL audio device lost, and none opens in its place: %s\n",
                     SDL_GetError());
        reopenFailureReported = true;
    }
}

// Static objects (the caller's image among them) may go away at exit while the
// audio thread still reads; the device closes first.
void stopAtExit() {
    std::lock_guard<std::mutex> lock(control);
    stopLocked();
}

bool ensureAudio() {
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
        // The layer handles SIGINT/SIGTERM itself (as Escape), not as SDL_QUIT.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
            return false;
        }
    }
    if (!exitHookInstalled) {
        exitHookInstalled = std::atexit(stopAtExit) == 0;
    }
    return true;
}

} // namespace

BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE, DWORD flags) {
    std::lock_guard<std::mutex> lock(control);
    stopLocked(); // a new call replaces the sound; a null one only stops it
    const bool published = sound != nullptr && pendingImage == sound;
    const std::size_t publishedBytes = pendingBytes;
    pendingImage = nullptr;
    if (sound == nullptr) {
        return TRUE;
    }
    playback.counts.store(0, std::memory_order_relaxed);
    lostFrames = 0;
    serverSettling = ServerLatencySettling(static_cast<long>(getpid()));
    // Only asynchronous playback of an in-memory image is part of the subset.
    if ((flags & (SND_MEMORY | SND_ASYNC)) != (SND_MEMORY | SND_ASYNC)) {
        return FALSE;
    }
    const auto* image = reinterpret_cast<const std::uint8_t*>(sound);
    WaveLayout layout;
    if (!ParseWave(image, layout) || !ensureAudio()) {
        return FALSE;
    }

    playback.image = image;
    playback.layout = layout;
    playback.silence = layout.bitsPerSample == 8 ? 0x80 : 0x00;
    playback.publishedBytes.store(published ? publishedBytes
                                            : std::numeric_limits<std::size_t>::max(),
                                  std::memory_order_relaxed);
    if (!openDevice()) {
        playback.image = nullptr;
        std::fprintf(stderr, "SDL audio device: %s\n", SDL_GetError());
        return FALSE;
    }
    startTick = GetTickCount();
    deviceRemoved = false;
    lastReopenAttempt = startTick - reopenIntervalTicks; // the first replacement goes at once
    reopenFailureReported = false;
    startDevice();
    return TRUE;
}

void WithdrawSoundImage(const void* image) {
    std::lock_guard<std::mutex> lock(control);
    if (image != nullptr && playback.image == image) {
        stopLocked();
    }
    if (pendingImage == image) {
        pendingImage = nullptr;
    }
}

void PublishSoundProgress(const void* image, std::size_t bytesWritten) {
    std::lock_guard<std::mutex> lock(control);
    if (image != nullptr && playback.image == image) {
        playback.publishedBytes.store(bytesWritten, std::memory_order_release);
    }
    pendingImage = image;
    pendingBytes = bytesWritten;
}

SoundPlayerStats GetSoundPlayerStats() {
    std::lock_guard<std::mutex> lock(control);
    SoundPlayerStats stats;
    const std::uint64_t counts = playback.counts.load(std::memory_order_relaxed);
    stats.framesPlayed = playedOf(counts);
    stats.underrunFrames = underrunsOf(counts);
    stats.lostFrames = lostFrames;
    stats.sampleRate = playback.layout.sampleRate;
    const SDL_AudioDeviceID open = currentDevice();
    stats.playing = open != 0 && SDL_GetAudioDeviceStatus(open) == SDL_AUDIO_PLAYING &&
                    stats.framesPlayed < playback.layout.frameCount;
    return stats;
}

SoundLatency GetSoundOutputLatency() {
    std::lock_guard<std::mutex> lock(control);
    if (currentDevice() == 0 || deviceRate <= 0) {
        return {};
    }
    const SoundLatency buffer{static_cast<double>(deviceBufferFrames) / deviceRate, "device buffer",
                              true};
    // These drivers write each buffer straight into the server's stream (ALSA
    // through its PulseAudio plug-in, its default where a server runs), so the
    // server's figure holds the buffer too. ALSA straight to the hardware
    // plays no stream there and keeps the buffer.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr ||
        (std::strcmp(driver, "pulseaudio") != 0 && std::strcmp(driver, "pipewire") != 0 &&
         std::strcmp(driver, "alsa") != 0)) {
        return buffer;
    }
    return serverSettling.step(GetTickCount(), buffer, pulseServer);
}

void NoteSoundDeviceRemoved(SDL_AudioDeviceID removed) {
    std::lock_guard<std::mutex> lock(control);
    if (removed != 0 && removed == currentDevice()) {
        deviceRemoved = true;
    }
}

void TendSoundDevice() {
    std::lock_guard<std::mutex> lock(control);
    if (playback.image == nullptr) {
        return;
    }
    const SDL_AudioDeviceID open = currentDevice();
    if (open != 0) {
        if (!deviceRemoved && SDL_GetAudioDeviceStatus(open) != SDL_AUDIO_STOPPED) {
            return;
        }
        closeDevice();
        deviceRemoved = false;
        // SDL gives the next device the same id: removals still queued are the
        // closed one's.
        SDL_FlushEvent(SDL_AUDIODEVICEREMOVED);
    }
    // A sound that has reached its end stays there.
    if (GetTickCount() - lastReopenAttempt >= reopenIntervalTicks &&
        playedOf(playback.counts.load(std::memory_order_relaxed)) < playback.layout.frameCount) {
        resumeLocked();
    }
}
