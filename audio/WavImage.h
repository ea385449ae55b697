// 16-bit mono PCM in the WAV layout: a 44-byte RIFF/WAVE header, then the
// samples, little-endian. The show's song lives in one such image in memory;
// the capture tool writes files with the same header. The sound players read
// it back through ParseWave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class WavImage {
public:
    static constexpr int HeaderBytes = 44;
    static constexpr int BytesPerSample = 2;

    // Writes the header of `samples` samples at `sampleRate` to `at`, which
    // has room for HeaderBytes.
    static void writeHeader(std::uint8_t* at, std::int32_t samples, std::int32_t sampleRate);

    // No image: nothing allocated.
    WavImage() = default;
    // The header and room for `samples` samples, cleared to silence.
    WavImage(std::int32_t samples, std::int32_t sampleRate);

    void store(std::int32_t index, std::int16_t value) {
        std::uint8_t* at = bytes_.get() + offsetOf(index);
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8);
    }

    // Where sample `index` starts, counted from the start of the image.
    static std::size_t offsetOf(std::int32_t index) {
        return HeaderBytes + BytesPerSample * static_cast<std::size_t>(index);
    }

    // What a header written in place covers, to be put back.
    struct Covered {
        std::int32_t from = 0; // 0: nothing covered
        std::uint8_t bytes[HeaderBytes] = {};
    };

    // The image as a player sees it from sample `from` on: at 0 the image
    // itself; further in, the header of the samples from there to the end,
    // written over the HeaderBytes before them, whose contents go to
    // `covered`. Those bytes play in no image that starts there.
    const std::uint8_t* startingAt(std::int32_t from, Covered& covered);
    // Puts back what startingAt covered; then nothing is.
    void uncover(Covered& covered);

    const std::uint8_t* bytes() const { return bytes_.get(); }
    const std::uint8_t* pcm() const { return bytes_.get() + HeaderBytes; }
    std::int32_t samples() const { return samples_; }
    std::int32_t dataBytes() const { return samples_ * BytesPerSample; }
    std::size_t size() const { return offsetOf(samples_); }

private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const;
    };
    std::unique_ptr<std::uint8_t[], FreeBytes> bytes_;
    std::int32_t samples_ = 0;
    std::int32_t sampleRate_ = 0;
};
