// The capture tool's audio: the show's audio path run offline.
#pragma once

#include "app/Show.h"

#include <cstdint>
#include <vector>

constexpr std::int32_t ShowSampleRate = 22050;
// Samples of audio the show plays: its length and the closing second.
constexpr std::int32_t ShowAudioSamples =
    (static_cast<std::int32_t>(ShowLength) + 1) * ShowSampleRate;

// Runs the music driver exactly as the show does with the given random seed
// (init, then render-ahead steps until the show's 103 s exist) and returns
// those samples as little-endian 16-bit PCM bytes. Progress goes to stderr,
// then a closing line with the seconds of audio, the CPU seconds and their
// ratio. Returns nothing when an interruption stops it.
std::vector<std::uint8_t> RenderShowAudio(std::uint32_t seed);
