#!/usr/bin/env python3
"""Whether two builds draw the same show: each build's capture tool writes
the frame at every second from 0.5 to 101.5 s at each resolution, and the
PNG files are compared byte for byte. Exits 1 if any frame differs.

  bench/frames_match.py OLD/hallatorvo-capture NEW/hallatorvo-capture [RES...] [-- ARGS]

RES defaults to 512 and 1024; ARGS go to both captures (--fps 10 unless
given: the snow's motion depends on every earlier frame, so both builds
must step at the same rate).
"""
import filecmp
import os
import subprocess
import sys
import tempfile

args = sys.argv[1:]
extra = args[args.index("--") + 1:] if "--" in args else []
args = args[: args.index("--")] if "--" in args else args
if len(args) < 2:
    sys.exit(__doc__)
builds = args[:2]
resolutions = [int(r) for r in args[2:]] or [512, 1024]
if "--fps" not in extra:
    extra = ["--fps", "10", *extra]
times = [second + 0.5 for second in range(102)]
env = dict(os.environ, SDL_VIDEODRIVER=os.environ.get("SDL_VIDEODRIVER", "offscreen"))

differing = 0
with tempfile.TemporaryDirectory() as folder:
    for res in resolutions:
        for tag, program in zip(("old", "new"), builds):
            shots = [a for t in times for a in ("--shot", f"{t}:{folder}/{tag}-{res}-{t}.png")]
            subprocess.run([program, "--res", str(res), *extra, *shots], check=True, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        changed = [t for t in times
                   if not filecmp.cmp(f"{folder}/old-{res}-{t}.png", f"{folder}/new-{res}-{t}.png",
                                      shallow=False)]
        differing += len(changed)
        verdict = "all the same" if not changed else "differ at " + ", ".join(f"{t} s" for t in changed)
        print(f"-res {res}: {len(times)} frames, {verdict}")
sys.exit(1 if differing else 0)
