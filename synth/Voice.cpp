#include "synth/Voice.h"

bool Voice::startNote(const Instrument& instrument, Channel* noteChannel, float noteVelocity,
                      int noteNumber, float startTime, float noteDuration) {
    if (active) {
        return false;
    }
    if (noteDuration == -1.0f) {
        if (instrument.defaultDuration == -1.0f) {
            return false;
        }
        noteDuration = instrument.defaultDuration;
    }
    duration = noteDuration == 0.0f ? heldDuration : noteDuration;
    end = instrument.ampEnvelope->release + duration;
    note = noteNumber;
    instance.copyFrom(instrument);
    velocity = noteVelocity;
    channel = noteChannel;
    start = startTime;
    active = true;
    return true;
}
