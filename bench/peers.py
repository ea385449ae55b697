#!/usr/bin/env python3
"""The show's song rendered by our synthesizer and by two general-purpose MIDI
players, side by side: whole-process CPU time (user + system) of each run, the
runs taken in turn so that a drift in the machine's speed reaches all three,
and our time over each player's, pair by pair.

The players render the same MIDI file at 22,050 Hz with the TimGM6mb
SoundFont: FluidSynth to a stereo WAV file (it writes no mono), TiMidity++ to
a mono one, as ours is. Each writes its file to a scratch folder.

    python3 bench/peers.py --ours build/bin/bench_song [--runs 5]

`make bench-peers` installs the players (HV_DEPS_PEERS=1 scripts/deps.sh),
builds bench_song and runs this.
"""

import argparse
import os
import shutil
import statistics
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SONG = os.path.join(ROOT, "assets", "song.mid")
SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"
TIMIDITY_CONFIG = "/etc/timidity/timgm6mb.cfg"
RATE = "22050"


def cpu_seconds(argv):
    """Runs argv with its output discarded; returns its user + system CPU seconds."""
    pid = os.fork()
    if pid == 0:
        try:
            null = os.open(os.devnull, os.O_WRONLY)
            os.dup2(null, 1)
            os.dup2(null, 2)
            os.execvp(argv[0], argv)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        sys.exit(f"failed: {' '.join(argv)}")
    return usage.ru_utime + usage.ru_stime


def missing_peers():
    missing = [tool for tool in ("fluidsynth", "timidity") if shutil.which(tool) is None]
    missing += [path for path in (SOUNDFONT, TIMIDITY_CONFIG) if not os.path.exists(path)]
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ours", required=True, help="the bench_song executable")
    parser.add_argument("--runs", type=int, default=5, help="counted runs of each (default 5)")
    args = parser.parse_args()

    missing = missing_peers()
    if missing:
        sys.exit(f"missing {', '.join(missing)}: run HV_DEPS_PEERS=1 bash scripts/deps.sh")

    with tempfile.TemporaryDirectory() as scratch:
        commands = {
            "ours": [args.ours, os.path.join(scratch, "ours.wav")],
            "FluidSynth": ["fluidsynth", "-n", "-i", "-q", "-r", RATE, "-F",
                           os.path.join(scratch, "fluidsynth.wav"), SOUNDFONT, SONG],
            "TiMidity++": ["timidity", "-c", TIMIDITY_CONFIG, "-OwM", "-s", RATE, "-o",
                           os.path.join(scratch, "timidity.wav"), SONG],
        }
        for argv in commands.values():  # a warm-up: caches and page tables
            cpu_seconds(argv)
        times = {name: [] for name in commands}
        for _ in range(args.runs):
            for name, argv in commands.items():
                times[name].append(cpu_seconds(argv))

    print(f"CPU seconds per render of {os.path.relpath(SONG, ROOT)}, {args.runs} runs each "
          "(min / median / max):")
    for name, values in times.items():
        print(f"  {name:<11} {min(values):.3f} / {statistics.median(values):.3f} / "
              f"{max(values):.3f}")
    print("ours / peer, run by run (min / median / max):")
    for name in ("FluidSynth", "TiMidity++"):
        ratios = [a / b for a, b in zip(times["ours"], times[name])]
        print(f"  {name:<11} {min(ratios):.2f} / {statistics.median(ratios):.2f} / "
              f"{max(ratios):.2f}")


if __name__ == "__main__":
    main()
