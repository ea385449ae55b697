#include "midi/MidiReader.h"

#include <cstring>

namespace {

constexpr std::int64_t HeaderSize = 14;
// A frame-based division has no ticks per quarter note; it is read as this.
constexpr int FrameDivision = 240;
// Four bytes hold 28 bits; a longer quantity would overflow and is no delta a
// real file can carry.
constexpr int MaxQuantityBytes = 4;

enum class Quantity { Read, CutOff, TooLong };

// Reads a variable-length quantity at position, advancing it past the bytes
// consumed, and tells how many bytes that took.
Quantity readQuantity(const unsigned char* image, std::int64_t end, std::int64_t& position,
                      std::uint32_t& value, int& byteCount) {
    value = 0;
    byteCount = 0;
    while (byteCount < MaxQuantityBytes) {
        if (position >= end) {
            return Quantity::CutOff;
        }
        const unsigned char byte = image[position++];
        ++byteCount;
        value = (value << 7) | (byte & 0x7Fu);
        if ((byte & 0x80) == 0) {
            return Quantity::Read;
        }
    }
    return Quantity::TooLong;
}

std::uint32_t bigEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

} // namespace

void readSong(const unsigned char* image, int length, NoteHandler handler, void* context) {
    const std::int64_t end = length;
    if (image == nullptr || end <= HeaderSize) {
        return;
    }
    int ticksPerQuarter =
        (image[12] & 0x80) != 0 ? FrameDivision : (image[12] & 0x7F) * 256 + image[13];
    if (ticksPerQuarter == 0) {
        ticksPerQuarter = FrameDivision; // a zero division would divide by zero
    }

    float secondsPerQuarter = 0.5f;
    std::int64_t remaining = 0; // bytes left in the current track chunk
    unsigned runningStatus = 0;
    float time = 0.0f;
    std::int64_t position = HeaderSize;

    while (position < end) {
        if (remaining == 0) {
            // Between chunks: skip byte by byte until the next track chunk.
            if (end - position >= 4 && std::memcmp(image + position, "MTrk", 4) == 0) {
                if (end - position < 8) {
                    return; // chunk length cut off
                }
                remaining = bigEndian(image + position + 4, 4);
                position += 8;
                time = 0.0f;
                if (remaining == 0) {
                    ++position;
                }
            } else {
                ++position;
            }
            continue;
        }

        std::uint32_t delta = 0;
        int byteCount = 0;
        const Quantity deltaRead = readQuantity(image, end, position, delta, byteCount);
        if (deltaRead == Quantity::CutOff) {
            return;
        }
        if (deltaRead == Quantity::TooLong) {
            remaining = 0;
            continue;
        }
        remaining -= byteCount;
        // The delta runs at the tempo in force before this event.
        time = time +
               static_cast<float>(delta) / static_cast<float>(ticksPerQuarter) * secondsPerQuarter;

        if (position >= end) {
            return;
        }
        unsigned status = image[position];
        if ((status & 0x80) != 0) {
            ++position;
            --remaining;
            runningStatus = status;
        } else {
            status = runningStatus;
        }

        if (status == 0xFF || status == 0xF0 || status == 0xF7) {
            // Meta event (type byte, then length) or system exclusive (length).
            unsigned type = 0;
            if (status == 0xFF) {
                if (position >= end) {
                    return;
                }
                type = image[position++];
                --remaining;
            }
            std::uint32_t size = 0;
            const Quantity sizeRead = readQuantity(image, end, position, size, byteCount);
            if (sizeRead == Quantity::CutOff) {
                return;
            }
            if (sizeRead == Quantity::TooLong) {
                remaining = 0;
                continue;
            }
            remaining -= byteCount;
            if (size > end - position) {
                return; // data cut off
            }
            if (type == 0x51 && size >= 3) {
                // Three bytes hold at most 16,777,215 us, so bpm is at least 3;
                // only a tempo of 0 has to be refused.
                const std::uint32_t tempo = bigEndian(image + position, 3);
                if (tempo != 0) {
                    const std::uint32_t bpm = 60000000u / tempo;
                    secondsPerQuarter = 60.0f / static_cast<float>(bpm);
                }
            }
            position += size;
            remaining -= size;
        } else {
            if (position >= end) {
                return;
            }
            const int first = image[position++];
            --remaining;
            const unsigned kind = status >> 4;
            int second = 0;
            if (kind != 0xC && kind != 0xD) {
                if (position >= end) {
                    return;
                }
                second = image[position++];
                --remaining;
            }
            const int channel = static_cast<int>(status & 0x0F);
            if (kind == 0x9) {
                handler(context, NoteReport{NoteKind::NoteOn, channel, first, second, time});
            } else if (kind == 0x8) {
                handler(context, NoteReport{NoteKind::NoteOff, channel, first, 0, time});
            }
        }

        if (remaining < 0) {
            remaining = 0; // a chunk length that ends inside an event
        }
    }
}
