// Helpers for the reader tests: images written as hex text, each read from an
// exactly sized heap copy so that AddressSanitizer sees any read past its end.
#pragma once

#include "midi/MidiReader.h"

#include <cctype>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Header chunk: format 0, one track, 480 ticks per quarter note.
inline const std::string SongHeader = "4D546864 00000006 0000 0001 01E0 ";

// "MTrk" and a chunk length of the given number of bytes.
inline std::string trackChunk(unsigned length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "4D54726B ";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += digits[(length >> shift) & 0xF];
    }
    return text + " ";
}

inline std::vector<unsigned char> fromHex(const std::string& text);

// A track chunk holding the given events, its length counted.
inline std::string trackOf(const std::string& events) {
    return trackChunk(static_cast<unsigned>(fromHex(events).size())) + events + " ";
}

// Bytes from hex text; spaces are ignored.
inline std::vector<unsigned char> fromHex(const std::string& text) {
    std::vector<unsigned char> bytes;
    int high = -1;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            continue;
        }
        const int value = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<unsigned char>(high * 16 + value));
            high = -1;
        }
    }
    return bytes;
}

inline std::vector<NoteReport> readAll(const unsigned char* image, int length) {
    const std::size_t size = length > 0 ? static_cast<std::size_t>(length) : 0;
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size]);
    for (std::size_t i = 0; i < size; ++i) {
        copy[i] = image[i];
    }
    std::vector<NoteReport> reports;
    auto collect = [&reports](const NoteReport& report) { reports.push_back(report); };
    readSong(copy.get(), length, collect);
    return reports;
}

inline std::vector<NoteReport> readAll(const std::vector<unsigned char>& image) {
    return readAll(image.data(), static_cast<int>(image.size()));
}

inline std::vector<NoteReport> readHex(const std::string& text) {
    return readAll(fromHex(text));
}
