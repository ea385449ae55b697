#include "audio/WavImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t FormatChunkBytes = 16;
constexpr std::uint16_t PcmFormat = 1;
constexpr std::uint16_t Channels = 1;
constexpr std::uint16_t BitsPerSample = 16;
constexpr std::uint16_t BlockAlign = WavImage::BytesPerSample * Channels;
// The RIFF size leaves out the chunk's own id and size fields.
constexpr std::uint32_t RiffFieldsBytes = 8;

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, static_cast<std::uint16_t>(value));
    put16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

} // namespace

void WavImage::writeHeader(std::uint8_t* at, std::int32_t samples, std::int32_t sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples) * BytesPerSample;
    std::memcpy(at + 0, "RIFF", 4);
    put32(at + 4, dataBytes + HeaderBytes - RiffFieldsBytes);
    std::memcpy(at + 8, "WAVE", 4);
    std::memcpy(at + 12, "fmt ", 4);
    put32(at + 16, FormatChunkBytes);
    put16(at + 20, PcmFormat);
    put16(at + 22, Channels);
    put32(at + 24, static_cast<std::uint32_t>(sampleRate));
    put32(at + 28, static_cast<std::uint32_t>(sampleRate) * BlockAlign);
    put16(at + 32, BlockAlign);
    put16(at + 34, BitsPerSample);
    std::memcpy(at + 36, "data", 4);
    put32(at + 40, dataBytes);
}

// Zeroed by calloc: an image of the song's size comes straight from the
// system's zero pages, so its silence costs nothing until a sample is written,
// where clearing it would touch all 10 MB before the first frame.
WavImage::WavImage(std::int32_t samples, std::int32_t sampleRate)
    : bytes_(static_cast<std::uint8_t*>(std::calloc(offsetOf(samples), 1))), samples_(samples),
      sampleRate_(sampleRate) {
    if (bytes_ == nullptr) {
        throw std::bad_alloc();
    }
    writeHeader(bytes_.get(), samples, sampleRate);
}

const std::uint8_t* WavImage::startingAt(std::int32_t from, Covered& covered) {
    uncover(covered);
    // The last slot at most: the image's end plays nothing more.
    from = std::min(from, samples_ - 1);
    if (from <= 0) {
        return bytes_.get();
    }
    std::uint8_t* at = bytes_.get() + offsetOf(from) - HeaderBytes;
    std::memcpy(covered.bytes, at, HeaderBytes);
    covered.from = from;
    writeHeader(at, samples_ - from, sampleRate_);
    return at;
}

void WavImage::uncover(Covered& covered) {
    if (covered.from > 0) {
        std::memcpy(bytes_.get() + offsetOf(covered.from) - HeaderBytes, covered.bytes,
                    HeaderBytes);
        covered.from = 0;
    }
}

void WavImage::FreeBytes::operator()(std::uint8_t* bytes) const {
    std::free(bytes);
}
