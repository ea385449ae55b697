#!/usr/bin/env python3
"""The folders of the source tree include one another in one direction only:
no folder reaches itself round a loop of includes. Prints each loop found."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/', re.M)
folders = {p.name for p in root.iterdir() if p.is_dir() and not p.name.startswith(".")}
skip = {"tests", "bench", "build"}

uses = {}
for folder in sorted(folders - skip):
    targets = set()
    for source in (root / folder).rglob("*"):
        if source.suffix in (".h", ".cpp"):
            targets |= set(include.findall(source.read_text(errors="replace")))
    uses[folder] = sorted(targets & folders - {folder})


def loop_from(start):
    """The shortest path of includes that leads from start back to start."""
    paths = [[start]]
    seen = set()
    while paths:
        path = paths.pop(0)
        for nxt in uses.get(path[-1], []):
            if nxt == start:
                return path + [start]
            if nxt not in seen:
                seen.add(nxt)
                paths.append(path + [nxt])
    return None


loops = {tuple(loop) for folder in uses if (loop := loop_from(folder))}
for loop in sorted(loops):
    print("folders in a loop: " + " -> ".join(loop))
if not uses:
    sys.exit("no source folders under " + str(root))
print(f"{len(uses)} folders, {len(loops)} loops")
sys.exit(1 if loops else 0)
