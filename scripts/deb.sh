#!/usr/bin/env bash
# Builds the Debian package with dpkg-buildpackage and debhelper, in a copy of
# the source tree under OUT (dpkg-buildpackage writes beside the tree it
# builds), checks it with lintian, which fails on errors, and puts
# hallatorvo_*.deb in the repository's root. DEB_BUILD_OPTIONS passes through;
# nocheck builds the programs without their tests.
#
#   scripts/deb.sh OUT JOBS
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1
jobs=$2

rm -rf "$out"
mkdir -p "$out/hallatorvo"
# The tree as it is now, committed or not, without what git ignores.
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$out/hallatorvo"
else
    tar --exclude='./build*' --exclude='./*.deb' -cf - . | tar -xf - -C "$out/hallatorvo"
fi

(cd "$out/hallatorvo" &&
    dpkg-buildpackage --build=binary --no-sign -j"$jobs" \
        --check-command=lintian --check-option=--display-info --check-option=--fail-on=error)

rm -f hallatorvo_*.deb
cp "$out"/hallatorvo_*.deb .
ls -l hallatorvo_*.deb
