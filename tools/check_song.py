#!/usr/bin/python3
"""Checks assets/song.mid (or the file given) against the song's fixed shape,
reading it with mido, and exits non-zero with a list of every broken rule."""

import os
import sys

import mido

TICKS = 480
END_TICK = 94560

# channel: (notes, lowest key, highest key, first start tick, last start tick)
CHANNELS = {
    0: (85, 21, 31, 15360, 61440),  # bass:detroit        16.0 - 64.0 s
    2: (8, 43, 71, 69120, 76800),  # pad:lush            72.0 - 80.0 s
    3: (36, 17, 59, 45600, 88320),  # lead:fifth          47.5 - 92.0 s
    4: (39, 16, 64, 0, 88320),  # pad:oceans           0.0 - 92.0 s
    5: (21, 33, 57, 3840, 49920),  # lead:squeak          4.0 - 52.0 s
    6: (8, 33, 47, 6960, 15840),  # lead:neurotic       7.25 - 16.5 s
    7: (153, 40, 52, 15600, 46080),  # lead:buzzer       16.25 - 48.0 s
    9: (64, 48, 48, 720, 60960),  # kick                0.75 - 63.5 s
    10: (40, 24, 24, 15840, 45120),  # snare:retro        16.5 - 47.0 s
    11: (4, 60, 60, 22560, 45600),  # snare:snap         23.5 - 47.5 s
    12: (256, 24, 24, 11520, 61280),  # closed hat        12.0 - 63.833 s
}


def check(path):
    faults = []

    def expect(condition, text):
        if not condition:
            faults.append(text)

    with open(path, "rb") as f:
        raw = f.read()
    expect(len(raw) == 5350, f"file is {len(raw)} bytes, not 5350")
    expect(raw[14:18] == b"MTrk", "track chunk does not follow the header")
    expect(int.from_bytes(raw[18:22], "big") == 5328, "track chunk length is not 5328")

    song = mido.MidiFile(path)
    expect(song.type == 0, f"format {song.type}, not 0")
    expect(song.ticks_per_beat == TICKS, f"division {song.ticks_per_beat}, not {TICKS}")
    expect(len(song.tracks) == 1, f"{len(song.tracks)} tracks, not 1")

    tick = 0
    held = {}  # (channel, key) -> start tick
    starts = {}  # channel -> list of (tick, key)
    releases = 0
    last_release = -1
    metas = []
    for message in song.tracks[0]:
        expect(message.time < 1 << 14, f"delta {message.time} needs more than two bytes")
        tick += message.time
        if message.is_meta:
            metas.append((tick, message))
            continue
        if message.type != "note_on":
            faults.append(f"tick {tick}: {message.type} is not allowed")
            continue
        k = (message.channel, message.note)
        if message.velocity > 0:
            expect(k not in held, f"tick {tick}: channel {k[0]} key {k[1]} starts while held")
            held[k] = tick
            starts.setdefault(message.channel, []).append((tick, message.note))
        else:
            expect(k in held, f"tick {tick}: release of channel {k[0]} key {k[1]} not held")
            held.pop(k, None)
            releases += 1
            last_release = max(last_release, tick)
    expect(not held, f"notes never released: {sorted(held)}")

    kinds = [(t, m.type) for t, m in metas]
    expect(kinds == [(0, "track_name"), (0, "set_tempo"), (0, "time_signature"),
                     (END_TICK, "end_of_track")], f"meta events {kinds}")
    for t, m in metas:
        if m.type == "track_name":
            expect(m.name == "wintrune", f"track name {m.name!r}")
        if m.type == "set_tempo":
            expect(m.tempo == 500000, f"tempo {m.tempo}")
        if m.type == "time_signature":
            expect((m.numerator, m.denominator) == (4, 4), "time signature is not 4/4")

    all_starts = [t for notes in starts.values() for t, _ in notes]
    expect(len(all_starts) == 714, f"{len(all_starts)} note starts, not 714")
    expect(releases == 714, f"{releases} releases, not 714")
    expect(max(all_starts) == 88320, f"last note starts at tick {max(all_starts)}, not 88320")
    expect(last_release == END_TICK, f"last release at tick {last_release}, not {END_TICK}")
    expect(set(starts) == set(CHANNELS), f"channels used: {sorted(starts)}")
    for channel, (count, low, high, first, last) in CHANNELS.items():
        notes = starts.get(channel, [])
        if not notes:
            continue
        keys = [key for _, key in notes]
        times = [t for t, _ in notes]
        got = (len(notes), min(keys), max(keys), min(times), max(times))
        expect(got == (count, low, high, first, last),
               f"channel {channel}: (notes, low, high, first, last) = {got}, "
               f"wanted {(count, low, high, first, last)}")
    seconds = mido.tick2second(END_TICK, TICKS, 500000)
    expect(abs(seconds - 98.5) < 1e-9, f"song ends at {seconds} s")
    return faults


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "song.mid")
    faults = check(path)
    if faults:
        print(f"{path}: {len(faults)} fault(s)", file=sys.stderr)
        for fault in faults:
            print("  " + fault, file=sys.stderr)
        sys.exit(1)
    print(f"{os.path.normpath(path)}: all checks pass "
          f"(5350 bytes, 714 notes on {len(CHANNELS)} channels, ends at 98.5 s)")


if __name__ == "__main__":
    main()
