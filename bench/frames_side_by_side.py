#!/usr/bin/env python3
"""Two builds' bench_frames side by side: runs them in turn, RUNS times each,
and prints each scene's median CPU per frame and the ratio new / old.

  bench/frames_side_by_side.py OLD/bench_frames NEW/bench_frames [RUNS] [-- ARGS]
"""
import re
import statistics
import subprocess
import sys

args = sys.argv[1:]
extra = args[args.index("--") + 1:] if "--" in args else []
args = args[: args.index("--")] if "--" in args else args
if len(args) < 2:
    sys.exit(__doc__)
old, new = args[0], args[1]
runs = int(args[2]) if len(args) > 2 else 3
line = re.compile(r"^(scene \d|start-up)\D.*?([\d.]+) ms", re.M)

figures = {old: {}, new: {}}
for _ in range(runs):
    for program in (old, new):
        out = subprocess.run([program, *extra], check=True, capture_output=True, text=True).stdout
        for name, value in line.findall(out):
            figures[program].setdefault(name, []).append(float(value))

for name in figures[old]:
    a = statistics.median(figures[old][name])
    b = statistics.median(figures[new].get(name, [float("nan")]))
    print(f"{name}: {a:.2f} ms -> {b:.2f} ms CPU, new / old {b / a:.3f}")
