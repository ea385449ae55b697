#!/usr/bin/python3
"""Compares the MIDI reader's reports (printed by midi_dump) with mido's parse
of the same song: same note messages in the same order, times within 1 ms.

usage: compare_with_mido.py MIDI_DUMP SONG.mid [--embedded]
With --embedded the dump tool reads its embedded song instead of the file."""

import subprocess
import sys

import mido


def mido_reports(path):
    song = mido.MidiFile(path)
    reports = []
    for track in song.tracks:
        seconds, tempo = 0.0, 500000
        for message in track:
            seconds += mido.tick2second(message.time, song.ticks_per_beat, tempo)
            if message.type == "set_tempo":
                tempo = message.tempo
            elif message.type == "note_on":
                reports.append(("on", message.channel, message.note, message.velocity, seconds))
            elif message.type == "note_off":
                reports.append(("off", message.channel, message.note, 0, seconds))
    return reports


def main():
    dump, path = sys.argv[1], sys.argv[2]
    command = [dump] if "--embedded" in sys.argv[3:] else [dump, path]
    lines = subprocess.run(command, check=True, capture_output=True, text=True).stdout.split("\n")
    ours = []
    for line in filter(None, lines):
        kind, channel, key, velocity, seconds = line.split()
        ours.append((kind, int(channel), int(key), int(velocity), float(seconds)))
    theirs = mido_reports(path)

    faults = []
    if len(ours) != len(theirs):
        faults.append(f"reader reports {len(ours)} notes, mido {len(theirs)}")
    worst = 0.0
    for i, (a, b) in enumerate(zip(ours, theirs)):
        if a[:4] != b[:4]:
            faults.append(f"report {i}: reader {a}, mido {b}")
        worst = max(worst, abs(a[4] - b[4]))
        if abs(a[4] - b[4]) > 0.001:
            faults.append(f"report {i}: reader at {a[4]} s, mido at {b[4]} s")
    for fault in faults[:20]:
        print(fault, file=sys.stderr)
    if faults or not ours:
        sys.exit(f"{len(faults)} difference(s)")
    print(f"{len(ours)} reports agree with mido; largest time difference {worst * 1e6:.1f} us")


if __name__ == "__main__":
    main()
