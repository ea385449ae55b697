#!/usr/bin/python3
"""Writes assets/song.mid, the show's song "wintrune".

The piece is in A minor at 120 bpm, 4/4 (one bar = 2 s), 49 bars and a beat.
Its progression is Am - F - C - G throughout, with a bridge that turns to the
dominant E before the return home.

  bars  0-7   (0-16 s)  intro: the oceans pad holds Am, F, C, G for two bars
                         each; a lone kick on the "and" of two; the squeak lead
                         sings slow chord tones from 4 s; the neurotic lead
                         answers with a short low motif; eighth hats from 12 s.
  bars  8-23  (16-48 s) groove: Am F C G one bar each, four times. Bass plucks
                         roots and fifths, the buzzer plays a two-bar sixteenth
                         riff on the chord tones, retro snares on the backbeat
                         with a fill and a snap at the end of every four bars,
                         sixteenth hats, kick on one and the "and" of three.
  bars 24-31  (48-64 s) bridge: F G Am Am F G E E. The fifth lead takes the
                         melody, kick and bass thin out to half time, then
                         drive eighths on E under a low E pad and a triplet hat
                         roll into 64 s.
  bars 32-49  (64-98.5 s) outro: pads and the fifth lead alone, two bars per
                         chord (Am F C G Am F G Am); the lush pad adds colour
                         over C, G and Am (72-80 s); the last chord rings out.

The file is written byte by byte (format 0, running status) so its size is
fixed; a few status bytes are repeated where running status would allow them
to be left out, which keeps the image at its exact length. Run it from the
repository root or anywhere: it writes next to itself in ../assets.
"""

import os
import sys

TICKS = 480  # per quarter
BAR = 4 * TICKS
S16 = TICKS // 4  # a sixteenth
END_TICK = 94560  # 98.5 s
FILE_SIZE = 5350

# Channels.
BASS, LUSH, FIFTH, OCEANS, SQUEAK, NEUROTIC, BUZZER = 0, 2, 3, 4, 5, 6, 7
KICK, RETRO, SNAP, HAT = 9, 10, 11, 12


def sec(s):
    """Seconds to ticks at 120 bpm."""
    t = s * 2 * TICKS
    assert t == int(t), s
    return int(t)


class Score:
    def __init__(self):
        self.notes = []  # (start, end, channel, key, velocity)

    def note(self, channel, key, start, length, velocity):
        assert length > 0 and 0 <= key < 128 and 0 < velocity < 128
        self.notes.append((start, start + length, channel, key, velocity))


# Keys of the chords used by each part.
CHORD_PAD = {  # oceans pad voicings, all at or below E4 (64)
    "Am": [57, 60, 64],
    "F": [53, 57, 60],
    "C": [55, 60, 64],
    "G": [55, 59, 62],
}
BASS_ROOT_FIFTH = {  # A0..G1, the bass instrument adds its own octaves
    "Am": (21, 28),
    "F": (29, 24),
    "C": (24, 31),
    "G": (31, 26),
    "E": (28, 23),
}
# Buzzer riff: two bars of sixteenths, 10 onsets then 9, each playing a chord
# tone given as an index into the chord's (low, root, third, fifth, top) keys.
RIFF_SLOTS = ([2, 3, 4, 6, 7, 10, 11, 12, 14, 15], [0, 2, 3, 6, 7, 8, 10, 11, 14])
RIFF_TONES = ([1, 1, 2, 4, 1, 2, 3, 2, 1, 0], [1, 2, 3, 1, 2, 3, 2, 4, 1])
BUZZER_TONES = {
    "Am": [40, 45, 48, 52, 52],
    "F": [41, 41, 45, 48, 48],
    "C": [43, 48, 52, 43, 52],
    "G": [43, 43, 47, 50, 50],
}
GROOVE = ["Am", "F", "C", "G"]


def compose():
    score = Score()

    # Oceans pad: intro chords of two bars, the bridge's low E, the outro.
    for i, chord in enumerate(GROOVE):
        for key in CHORD_PAD[chord]:
            score.note(OCEANS, key, sec(4 * i), sec(4), 70)
    for key in (16, 52, 59):
        score.note(OCEANS, key, sec(60), sec(4), 76)
    outro = ["Am", "F", "C", "G", "Am", "F", "G", "Am"]
    for i, chord in enumerate(outro):
        start = sec(64 + 4 * i)
        length = sec(6.5) if i == len(outro) - 1 else sec(4)
        for key in CHORD_PAD[chord]:
            score.note(OCEANS, key, start, length, 64 if i < 7 else 58)

    # Lush pad over C, G and Am of the outro.
    for start, keys in ((72, (48, 55, 64)), (76, (43, 62, 71)), (80, (57, 64))):
        for key in keys:
            score.note(LUSH, key, sec(start), sec(4), 52)

    # Squeak lead: long chord tones, its slow attack wants notes of 2 s and more.
    squeak = [(4, 45), (6, 48), (8, 52), (10, 55), (12, 50), (14, 47)]
    phrases = [(52, 55, 50), (48, 52, 47), (57, 55, 50), (52, 48, 47)]
    for p, (a, b, c) in enumerate(phrases):
        base = 16 + 8 * p
        squeak += [(base, a), (base + 4, b), (base + 6, c)]
    squeak += [(48, 48), (50, 47), (52, 33)]
    for i, (start, key) in enumerate(squeak):
        end = squeak[i + 1][0] if i + 1 < len(squeak) else 56
        score.note(SQUEAK, key, sec(start), sec(end - start), 84)

    # Neurotic lead: a low question-and-answer motif before the groove.
    for start, length, key in ((7.25, 0.75, 33), (8, 1, 40), (11.25, 0.75, 35), (12, 1, 38),
                               (14, 0.5, 43), (14.5, 1, 47), (15.5, 1, 45), (16.5, 1.5, 40)):
        score.note(NEUROTIC, key, sec(start), sec(length), 72)

    # Groove: bars 8 to 23.
    for bar in range(8, 24):
        chord = GROOVE[bar % 4]
        t0 = bar * BAR
        root, fifth = BASS_ROOT_FIFTH[chord]
        for slot, key, length in ((0, root, 2), (3, root, 2), (6, fifth, 2), (10, root, 2)):
            score.note(BASS, key, t0 + slot * S16, length * S16, 110 if slot == 0 else 96)

        half = bar % 2
        tones = BUZZER_TONES[chord]
        for slot, tone in zip(RIFF_SLOTS[half], RIFF_TONES[half]):
            velocity = 100 if slot % 4 == 2 else 84
            score.note(BUZZER, tones[tone], t0 + slot * S16, S16, velocity)

        for slot in ((0, 6, 10) if bar % 2 == 0 else (0, 10)):
            score.note(KICK, 48, t0 + slot * S16, S16, 120)

        phrase_end = bar % 4 == 3
        for slot in (4, 6, 7, 8) if phrase_end else (4, 12):
            velocity = 112 if slot in (4, 12) else 70 + 8 * (slot - 6)
            score.note(RETRO, 24, t0 + slot * S16, S16, velocity)
        if phrase_end:
            score.note(SNAP, 60, t0 + 12 * S16, S16, 120)

        for slot in (0, 2, 4, 6, 7, 8, 10, 12, 14, 15):
            velocity = 90 if slot % 4 == 2 else 56
            score.note(HAT, 24, t0 + slot * S16, S16, velocity)
    score.note(BUZZER, 41, sec(48), S16, 100)  # the riff lands on the bridge's F

    # Intro drums: a lone kick on the "and" of two, hats from bar 6.
    for bar in range(0, 8):
        score.note(KICK, 48, bar * BAR + 6 * S16, S16, 96 + 2 * bar)
    for bar in (6, 7):
        for slot in range(0, 16, 2):
            score.note(HAT, 24, bar * BAR + slot * S16, S16, 44 + 4 * (slot % 4))

    # Bridge: bars 24 to 31.
    bridge = ["F", "G", "Am", "Am", "F", "G", "E", "E"]
    for i, chord in enumerate(bridge):
        bar = 24 + i
        t0 = bar * BAR
        root, fifth = BASS_ROOT_FIFTH[chord]
        if chord == "E":
            for slot, key in ((0, 28), (4, 28), (8, 23), (12, 28)):
                score.note(BASS, key, t0 + slot * S16, 2 * S16, 104)
        else:
            score.note(BASS, root, t0, 3 * S16, 104)
            score.note(BASS, fifth, t0 + 6 * S16, 3 * S16, 90)
        for slot in ((0, 8) if bar < 31 else (0, 12)):
            score.note(KICK, 48, t0 + slot * S16, S16, 116)
        if bar < 31:
            for slot in (0, 2, 4, 6, 8, 10, 12, 14, 7, 15):
                score.note(HAT, 24, t0 + slot * S16, S16, 80 if slot % 4 == 2 else 50)
        else:
            for slot in (0, 2, 4, 6):
                score.note(HAT, 24, t0 + slot * S16, S16, 60)
            third = TICKS // 3  # a triplet roll over beats three and four
            for n in range(6):
                score.note(HAT, 24, t0 + 2 * TICKS + n * third, third, 60 + 8 * n)
    score.note(BASS, 21, sec(64), sec(2), 112)  # home on A

    # Fifth lead: the bridge melody, then the outro over the pads.
    fifth = [
        (47.5, 0.5, 52),
        (48, 1, 57), (49, 0.5, 55), (49.5, 0.5, 53),
        (50, 1.5, 55), (51.5, 0.5, 50),
        (52, 1, 52), (53, 1, 48),
        (54, 2, 45),
        (56, 1, 57), (57, 0.5, 55), (57.5, 0.5, 53),
        (58, 1.5, 59), (59.5, 0.5, 55),
        (60, 1, 52), (61, 1, 47),
        (62, 2, 52),
        (64, 2, 52), (66, 2, 48),
        (68, 2, 45), (70, 2, 48),
        (72, 1.5, 55), (73.5, 0.5, 57), (74, 1, 55), (75, 1, 52),
        (76, 2, 50), (78, 2, 47),
        (80, 1, 48), (81, 1, 47), (82, 2, 52),
        (84, 4, 17), (84, 2, 57), (86, 2, 53),
        (88, 2, 50), (90, 2, 47),
        (92, 6.5, 45),
    ]
    for start, length, key in fifth:
        score.note(FIFTH, key, sec(start), sec(length), 60 if start >= 64 else 88)
    return score


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def order_events(score):
    """Note messages in time order. At one tick each channel's messages stay
    together, releases first, and the channels are arranged so that running
    status carries across as often as possible."""
    by_tick = {}
    for start, end, channel, key, velocity in score.notes:
        by_tick.setdefault(end, []).append((channel, 0, key, 0))
        by_tick.setdefault(start, []).append((channel, 1, key, velocity))
    ticks = sorted(by_tick)
    events = []
    previous = None
    for i, tick in enumerate(ticks):
        groups = {}
        for channel, is_on, key, velocity in sorted(by_tick[tick]):
            groups.setdefault(channel, []).append((key, velocity))
        order = sorted(groups)
        following = set(c for c, *_ in by_tick[ticks[i + 1]]) if i + 1 < len(ticks) else set()
        if previous in order:  # continue the current status first
            order.remove(previous)
            order.insert(0, previous)
        tail = [c for c in order[1:] if c in following]
        if tail:  # end on a channel that the next tick opens with
            order.remove(tail[0])
            order.append(tail[0])
        for channel in order:
            for key, velocity in groups[channel]:
                events.append((tick, channel, key, velocity))
        previous = order[-1]
    return events


def encode(events):
    meta = bytearray()
    meta += b"\x00\xff\x03\x08wintrune"
    meta += b"\x00\xff\x51\x03" + (500000).to_bytes(3, "big")
    meta += b"\x00\xff\x58\x04\x04\x02\x18\x08"

    # Which messages may leave their status out, and how many must keep it so
    # that the track has its fixed length.
    status = None
    runs = []
    compact = 0
    last_tick = 0
    for tick, channel, key, velocity in events:
        delta = tick - last_tick
        assert delta < 1 << 14, "delta times use at most two bytes"
        last_tick = tick
        s = 0x90 | channel
        runs.append(s == status)
        compact += len(vlq(delta)) + (0 if s == status else 1) + 2
        status = s
    tail = len(vlq(END_TICK - last_tick)) + 3
    track_length = FILE_SIZE - 14 - 8
    spare = track_length - len(meta) - compact - tail
    eligible = [i for i, run in enumerate(runs) if run]
    if spare < 0 or spare > len(eligible):
        sys.exit(f"cannot reach {FILE_SIZE} bytes: {spare} spare of {len(eligible)}")
    explicit = set(eligible[(j * len(eligible)) // spare] for j in range(spare)) if spare else set()

    body = bytearray(meta)
    status = None
    last_tick = 0
    for i, (tick, channel, key, velocity) in enumerate(events):
        body += vlq(tick - last_tick)
        last_tick = tick
        s = 0x90 | channel
        if s != status or i in explicit:
            body.append(s)
        body += bytes((key, velocity))
        status = s
    body += vlq(END_TICK - last_tick) + b"\xff\x2f\x00"
    assert len(body) == track_length, len(body)

    header = b"MThd" + (6).to_bytes(4, "big") + (0).to_bytes(2, "big")
    header += (1).to_bytes(2, "big") + TICKS.to_bytes(2, "big")
    return header + b"MTrk" + len(body).to_bytes(4, "big") + bytes(body)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets", "song.mid")
    image = encode(order_events(compose()))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(image)
    print(f"wrote {os.path.normpath(out)}: {len(image)} bytes")

    import check_song  # the independent read-back with mido

    faults = check_song.check(out)
    for fault in faults:
        print("  " + fault, file=sys.stderr)
    if faults:
        sys.exit(f"{len(faults)} fault(s) in the written song")
    print("read back with mido: every check passes")


if __name__ == "__main__":
    main()
