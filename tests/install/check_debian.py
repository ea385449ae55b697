#!/usr/bin/python3
"""Checks that the Debian packaging agrees with the build: the changelog's
version is the project's, and the package builds from the packages that
scripts/deps.sh installs.

  check_debian.py SOURCE VERSION

Exits non-zero with a list of every broken rule."""

import re
import sys

from faults import report

# Every Debian build has build-essential; the package builds no benchmarks.
NOT_BUILD_DEPENDS = {"build-essential", "libbenchmark-dev"}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, version = sys.argv[1:]
    faults = []

    with open(f"{source}/debian/changelog", encoding="utf-8") as f:
        top = re.match(r"hallatorvo \(([^)]+)\) ", f.readline())
    if not top or top.group(1).split("-")[0] != version:
        faults.append(f"debian/changelog's latest version is not the project's {version}")

    with open(f"{source}/debian/control", encoding="utf-8") as f:
        field = re.search(r"^Build-Depends:(.*?)^\S", f.read(), re.M | re.S).group(1)
    build_depends = {entry.split()[0] for entry in field.split(",") if entry.strip()}
    build_depends.discard("debhelper-compat")

    with open(f"{source}/scripts/deps.sh", encoding="utf-8") as f:
        listed = re.search(r"^packages=\((.*?)^\)", f.read(), re.M | re.S).group(1)
    installed = set(re.sub(r"#.*", "", listed).split()) - NOT_BUILD_DEPENDS

    for name in sorted(installed - build_depends):
        faults.append(f"{name} is installed by scripts/deps.sh but not in Build-Depends")
    for name in sorted(build_depends - installed):
        faults.append(f"{name} is in Build-Depends but not installed by scripts/deps.sh")

    report(faults, "between the build and its Debian packaging")


if __name__ == "__main__":
    main()
