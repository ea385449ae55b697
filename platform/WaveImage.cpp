#include "platform/WaveImage.h"

#include <cstring>

namespace {

constexpr std::uint32_t maxSampleRate = 384000;

std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool isId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

bool ParseWave(const std::uint8_t* image, WaveLayout& layout) {
    if (!isId(image, "RIFF")) {
        return false;
    }
    const std::uint32_t riffSize = readU32(image + 4);
    if (riffSize < 4 || !isId(image + 8, "WAVE")) {
        return false;
    }
    const std::uint64_t riffEnd = 8 + static_cast<std::uint64_t>(riffSize);
    bool formatSeen = false;
    std::uint64_t position = 12;
    while (position + 8 <= riffEnd) {
        const std::uint8_t* chunk = image + position;
        const std::uint32_t size = readU32(chunk + 4);
        const std::uint64_t body = position + 8;
        if (body + size > riffEnd) {
            return false;
        }
        if (isId(chunk, "fmt ")) {
            if (size < 16) {
                return false;
            }
            const std::uint8_t* fmt = chunk + 8;
            const std::uint16_t formatTag = readU16(fmt);
            layout.channels = readU16(fmt + 2);
            layout.sampleRate = readU32(fmt + 4);
            layout.blockAlign = readU16(fmt + 12);
            layout.bitsPerSample = readU16(fmt + 14);
            if (formatTag != 1 || layout.channels < 1 || layout.channels > 2 ||
                (layout.bitsPerSample != 8 && layout.bitsPerSample != 16) ||
                layout.sampleRate == 0 || layout.sampleRate > maxSampleRate ||
                layout.blockAlign != layout.channels * layout.bitsPerSample / 8) {
                return false;
            }
            formatSeen = true;
        } else if (isId(chunk, "data")) {
            if (!formatSeen) {
                return false;
            }
            layout.dataOffset = static_cast<std::size_t>(body);
            layout.frameCount = size / layout.blockAlign;
            return true;
        }
        position = body + size + (size & 1u); // chunks are padded to even sizes
    }
    return false;
}
