// One slot of the synth's voice pool. A voice refers to the instrument it
// plays and holds only what changes while the note sounds, in fixed-size
// storage, so starting a note copies a few hundred bytes and allocates nothing.
#pragma once

#include "synth/Channel.h"
#include "synth/Instrument.h"

struct Voice {
    // A duration marking a note held until its release event; anything above
    // heldThreshold counts as held.
    static constexpr float heldDuration = 1010.0f;
    static constexpr float heldThreshold = 1000.0f;

    float start = 0.0f;    // absolute start time, seconds
    float duration = 0.0f; // seconds
    float end = 0.0f;      // seconds after start at which the voice frees itself
    bool active = false;
    const Instrument* instrument = nullptr; // registered, shared
    const Channel* channel = nullptr;       // the caller's record, not owned
    float velocity = 0.0f;
    int note = 0;
    VoiceState state; // from the instrument's start state at the note start
    NoteConstants constants;

    // Take a note unless the slot is busy or the duration cannot be resolved
    // (-1 on an instrument without a default). Returns whether it was taken.
    bool startNote(const Instrument& noteInstrument, const Channel* noteChannel, float noteVelocity,
                   int noteNumber, float startTime, float noteDuration);
};
