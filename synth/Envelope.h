// Linear attack-decay-sustain-release envelope, a pure function of the time
// since note start and the note's duration.
#pragma once

#include "synth/Lanes.h"

struct Envelope {
    float attack = 0.0f;  // seconds
    float decay = 0.0f;   // seconds
    float sustain = 0.0f; // level
    float release = 0.0f; // seconds

    // Level at t seconds after the note start. The attack and decay stop at the
    // duration, so an early release fades from the level reached, and segments
    // of length 0 are jumps rather than divisions by zero: a quotient is only
    // taken where its segment is under way. T is a float or FourFloats.
    template <typename T> T level(T t, float duration) const {
        const T held = heldAt(Select(t < duration, t, Splat(t, duration)));
        return Select(t < duration, held, held * fadeAt(t - duration));
    }

    // level() at count increasing note times t, into out.
    void levels(const float* t, int count, float duration, float* out) const {
        // Held at the sustain level or faded out for the whole block, every
        // sample takes the same branches to the same value.
        const float first = t[0];
        const float last = t[count - 1];
        const bool sustaining =
            first >= 0.0f && first >= attack && first - attack >= decay && last < duration;
        const bool faded = first >= duration && first - duration >= release;
        if (sustaining || faded) {
            const float steady = level(first, duration);
            for (int n = 0; n < count; ++n) {
                out[n] = steady;
            }
            return;
        }
        // Times only grow, so a block whose ends lie in one segment lies in
        // it whole, and only that segment's quotient is taken, in the same
        // steps as level() takes it.
        const bool before = first >= 0.0f && last < duration;
        if (before && last < attack) {
            InFours(count, [&](auto lanes, int n) {
                const auto u = Load(lanes, t + n);
                Store(out + n, u / attack - (1.0f - sustain) * 0.0f);
            });
        } else if (before && first >= attack && last - attack < decay) {
            InFours(count, [&](auto lanes, int n) {
                const auto u = Load(lanes, t + n);
                Store(out + n, 1.0f - (1.0f - sustain) * ((u - attack) / decay));
            });
        } else if (first >= duration) {
            const float held = heldAt(duration);
            InFours(count, [&](auto lanes, int n) {
                Store(out + n, held * fadeAt(Load(lanes, t + n) - duration));
            });
        } else {
            InFours(count, [&](auto lanes, int n) {
                Store(out + n, level(Load(lanes, t + n), duration));
            });
        }
    }

private:
    // The level reached u seconds into a note still held.
    template <typename T> T heldAt(T u) const {
        const T zero = Splat(u, 0.0f);
        const T one = Splat(u, 1.0f);
        const T rise = Select(u < 0.0f, zero, Select(u < attack, u / attack, one));
        const T fall =
            Select(u < attack, zero, Select(u - attack < decay, (u - attack) / decay, one));
        return rise - (1.0f - sustain) * fall;
    }

    // The release's factor r seconds after the duration.
    template <typename T> T fadeAt(T r) const {
        return Select(r < release, 1.0f - r / release, Splat(r, 0.0f));
    }
};
