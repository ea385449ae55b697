#!/usr/bin/python3
"""Checks an installed hallatorvo as a user meets it: exactly the files that a
desktop and man(1) look for, a valid desktop entry, icons of their folders'
sizes, manual pages that lint clean and describe every switch that --help
lists, and --help and --version answered on stdout without a display.

  check_install.py --build BUILD VERSION    installs BUILD into a scratch prefix
  check_install.py --prefix DIR VERSION     an installed tree, e.g. an unpacked
                                            package's usr/

Exits non-zero with a list of every broken rule."""

import os
import pathlib
import re
import struct
import subprocess
import sys
import tempfile

from faults import report

ICON_SIZES = (48, 128, 256)
PROGRAMS = {  # program: its manual page
    "hallatorvo": "share/man/man6/hallatorvo.6",
    "hallatorvo-capture": "share/man/man1/hallatorvo-capture.1",
}
SECTIONS = ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "ENVIRONMENT", "EXIT STATUS", "EXAMPLES")
# A package adds its copyright and changelog; nothing else may appear.
PACKAGE_DOCS = {"share/doc/hallatorvo/copyright", "share/doc/hallatorvo/changelog.gz"}


def run(*command, env=None):
    return subprocess.run(command, capture_output=True, text=True, env=env, timeout=60)


def installed_files(prefix):
    return {
        os.path.relpath(os.path.join(folder, name), prefix)
        for folder, _, names in os.walk(prefix)
        for name in names
    }


def png_header(path):
    """Width, height and colour type from the IHDR chunk, or None."""
    with open(path, "rb") as f:
        head = f.read(26)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    width, height, _, colour = struct.unpack(">IIBB", head[16:26])
    return width, height, colour


def check(prefix, version):
    faults = []

    def expect(condition, text):
        if not condition:
            faults.append(text)

    files = installed_files(prefix)
    pages = {p: p + ".gz" if p + ".gz" in files else p for p in PROGRAMS.values()}
    wanted = {"bin/" + p for p in PROGRAMS} | set(pages.values())
    wanted |= {f"share/icons/hicolor/{s}x{s}/apps/hallatorvo.png" for s in ICON_SIZES}
    wanted.add("share/applications/hallatorvo.desktop")
    for missing in sorted(wanted - files):
        faults.append(f"{missing} is not installed")
    for stray in sorted(files - wanted - PACKAGE_DOCS):
        faults.append(f"{stray} is installed but belongs to no user-facing part")

    desktop = os.path.join(prefix, "share/applications/hallatorvo.desktop")
    if os.path.exists(desktop):
        checked = run("desktop-file-validate", desktop)
        expect(checked.returncode == 0 and not checked.stdout.strip(),
               f"desktop-file-validate: {checked.stdout.strip()}")
        with open(desktop, encoding="utf-8") as f:
            entry = f.read()
        expect(re.search(r"^Exec=hallatorvo$", entry, re.M), "the entry does not start hallatorvo")
        expect(re.search(r"^Icon=hallatorvo$", entry, re.M), "the entry names another icon")

    for size in ICON_SIZES:
        icon = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/hallatorvo.png")
        if os.path.exists(icon):
            expect(png_header(icon) == (size, size, 6), f"{icon} is not a {size} x {size} RGBA PNG")

    # No display: a program that tried to open a window would fail here.
    env = dict(os.environ, SDL_VIDEODRIVER="no-such-driver", SDL_AUDIODRIVER="no-such-driver")
    for program, page in PROGRAMS.items():
        path = os.path.join(prefix, "bin", program)
        if not os.path.exists(path):
            continue
        told = run(path, "--version", env=env)
        expect((told.returncode, told.stdout, told.stderr) == (0, f"{program} {version}\n", ""),
               f"{program} --version: exit {told.returncode}, {told.stdout!r} {told.stderr!r}")
        usage = run(path, "--help", env=env)
        expect(usage.returncode == 0 and usage.stdout.startswith(f"usage: {program} ")
               and usage.stderr == "", f"{program} --help: exit {usage.returncode}, {usage.stderr!r}")

        page = os.path.join(prefix, pages[page])
        if not os.path.exists(page):
            continue
        lint = run("mandoc", "-T", "lint", "-W", "warning", page)
        expect(lint.returncode == 0 and not lint.stdout.strip(), f"mandoc: {lint.stdout.strip()}")
        text = run("mandoc", "-T", "ascii", "-O", "width=200", page).stdout
        text = re.sub(".\b", "", text)
        for section in SECTIONS:
            expect(re.search(rf"^{section}$", text, re.M), f"{page} has no {section}")
        expect(f"hallatorvo {version}" in text, f"{page} does not carry version {version}")
        if program == "hallatorvo":
            for name in ("SDL_VIDEODRIVER", "SDL_AUDIODRIVER"):
                expect(name in text, f"{page} does not explain {name}")
        # Each switch of --help heads an entry of OPTIONS, alone or beside
        # another ("-h, --help").
        options = re.search(r"^OPTIONS\n(.*?)^[A-Z]", text, re.M | re.S)
        options = options.group(1) if options else ""
        for column in re.findall(r"^ +(-\S.*?)(?: {2,}|$)", usage.stdout, re.M):
            for name in re.findall(r"(?<![-\w])--?[a-z][-\w]*", column):
                entry = rf"^ {{7}}(?:-\S*(?: \S+)?, )?{re.escape(name)}(?![-\w])"
                expect(re.search(entry, options, re.M),
                       f"{page} has no entry for {name}, which --help lists")
    return faults


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("--build", "--prefix"):
        sys.exit(__doc__)
    mode, where, version = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="hallatorvo-install-") as scratch:
        prefix = where
        if mode == "--build":
            prefix = os.path.join(scratch, "usr")
            # cmake --install records what it put in place; make uninstall
            # reads that record of the user's own install, so it is kept.
            manifest = pathlib.Path(where, "install_manifest.txt")
            kept = manifest.read_bytes() if manifest.exists() else None
            installed = run("cmake", "--install", where, "--prefix", prefix)
            if kept is None:
                manifest.unlink(missing_ok=True)
            else:
                manifest.write_bytes(kept)
            if installed.returncode != 0:
                sys.exit(f"cmake --install failed:\n{installed.stdout}{installed.stderr}")
        faults = check(prefix, version)
    report(faults, f"in the installed tree at {where}")


if __name__ == "__main__":
    main()
