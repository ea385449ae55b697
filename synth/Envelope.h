// Linear attack-decay-sustain-release envelope, a pure function of the time
// since note start and the note's duration.
#pragma once

struct Envelope {
    float attack = 0.0f;  // seconds
    float decay = 0.0f;   // seconds
    float sustain = 0.0f; // level
    float release = 0.0f; // seconds

    // Level at t seconds after the note start. The attack and decay stop at the
    // duration, so an early release fades from the level reached, and segments
    // of length 0 are jumps rather than divisions by zero.
    float level(float t, float duration) const {
        const float u = t < duration ? t : duration;
        float rise;
        if (u < 0.0f) {
            rise = 0.0f;
        } else if (u < attack) {
            rise = u / attack;
        } else {
            rise = 1.0f;
        }
        float fall;
        if (u < attack) {
            fall = 0.0f;
        } else if (u - attack < decay) {
            fall = (u - attack) / decay;
        } else {
            fall = 1.0f;
        }
        const float held = rise - (1.0f - sustain) * fall;
        if (t < duration) {
            return held;
        }
        const float r = t - duration;
        const float fade = r < release ? 1.0f - r / release : 0.0f;
        return held * fade;
    }

    // level() at count increasing note times t, into out.
    void levels(const float* t, int count, float duration, float* out) const {
        // Held at the sustain level or faded out for the whole block, every
        // sample takes the same branches to the same value.
        const float first = t[0];
        const bool sustaining =
            first >= 0.0f && first >= attack && first - attack >= decay && t[count - 1] < duration;
        const bool faded = first >= duration && first - duration >= release;
        if (sustaining || faded) {
            const float steady = level(first, duration);
            for (int n = 0; n < count; ++n) {
                out[n] = steady;
            }
            return;
        }
        for (int n = 0; n < count; ++n) {
            out[n] = level(t[n], duration);
        }
    }
};
