// The capture tool's audio: the show's audio path run offline.
#pragma once

#include "app/Show.h"

#include <cstdint>
#include <vector>

// Runs the music driver exactly as the show does with the given random seed
// (init, then render-ahead steps until the show's 103 s exist) and returns
// those samples as little-endian 16-bit PCM bytes. Progress goes to stderr,
// then a closing line with the seconds of audio, the CPU seconds and their
// ratio. Returns nothing when an interruption stops it.
std::vector<std::uint8_t> RenderShowAudio(std::uint32_t seed);
