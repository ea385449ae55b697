// The RIFF/WAVE header of a sound image handed to PlaySoundA, read the same
// way by every platform layer's sound player.
#pragma once

#include <cstddef>
#include <cstdint>

// Where the samples are and how they are laid out, from the RIFF/WAVE header.
struct WaveLayout {
    std::size_t dataOffset = 0; // from the image's first byte
    std::size_t frameCount = 0; // whole frames in the data chunk
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t blockAlign = 0;
    std::uint32_t sampleRate = 0;
};

// Accepts uncompressed PCM, 8 or 16 bits, mono or stereo, with a "fmt " chunk
// before the "data" chunk and every chunk up to the data inside the RIFF size.
// Nothing after the data chunk's header is read: the samples may still be in
// the making.
bool ParseWave(const std::uint8_t* image, WaveLayout& layout);
