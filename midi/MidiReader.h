// MidiReader: walks a Standard MIDI File held in memory once and reports every
// note message with its channel, key, velocity and absolute time in seconds.
// Ticks become seconds while reading, so everything downstream works in
// seconds. The walk never reads past the given length and never fails: what it
// cannot make sense of is skipped, and a message cut off by the end is dropped.
#pragma once

#include <cstdint>

enum class NoteKind : std::uint8_t { NoteOn, NoteOff };

struct NoteReport {
    NoteKind kind;
    int channel;  // 0 to 15
    int key;      // first data byte
    int velocity; // second data byte of a note-on; 0 for a note-off
    float time;   // seconds from the start of the track chunk
};

using NoteHandler = void (*)(void* context, const NoteReport& report);

// Calls handler(context, report) once per note message, in file order.
void readSong(const unsigned char* image, int length, NoteHandler handler, void* context);

// The same with any callable taking a const NoteReport&.
template <class Callable>
void readSong(const unsigned char* image, int length, Callable& callable) {
    readSong(
        image, length,
        [](void* context, const NoteReport& report) { (*static_cast<Callable*>(context))(report); },
        &callable);
}
