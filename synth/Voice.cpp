#include "synth/Voice.h"

bool Voice::startNote(const Instrument& noteInstrument, const Channel* noteChannel,
                      float noteVelocity, int noteNumber, float startTime, float noteDuration) {
    if (active) {
        return false;
    }
    if (noteDuration == -1.0f) {
        if (noteInstrument.defaultDuration == -1.0f) {
            return false;
        }
        noteDuration = noteInstrument.defaultDuration;
    }
    duration = noteDuration == 0.0f ? heldDuration : noteDuration;
    end = noteInstrument.ampEnvelope->release + duration;
    note = noteNumber;
    instrument = &noteInstrument;
    state = noteInstrument.startState;
    constants = noteInstrument.noteConstants(noteNumber);
    velocity = noteVelocity;
    channel = noteChannel;
    start = startTime;
    active = true;
    return true;
}
