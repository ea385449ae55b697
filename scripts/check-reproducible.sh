#!/usr/bin/env bash
# Builds the release of the checked-out commit with make dist in fresh clones
# at two different paths, one after the other, with different time zones,
# umasks and locales, and compares the two dist/ folders byte for byte. Given
# REFERENCE (a dist/ folder made from the same commit), one fresh clone is
# built and compared with it. diffoscope's report of each file that differs
# lands in OUT.
#
# usage: scripts/check-reproducible.sh OUT JOBS [REFERENCE]
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
jobs=$2
reference="${3:+$(cd "$3" && pwd)}"
commit="$(git rev-parse HEAD)"
[ -z "$(git status --porcelain)" ] ||
    echo "note: the work tree differs from its commit; the commit is what is checked"

# Builds the commit in a clone at path, with the environment given after it.
build() {
    local path=$1
    shift
    rm -rf "$path"
    git clone -q --no-checkout "$root" "$path"
    git -C "$path" checkout -q --detach "$commit"
    echo "make dist in $path ($*)"
    local started=$SECONDS
    # Nothing of the calling make's command line reaches the clone's.
    if ! (cd "$path" && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL "$@" bash -c 'umask $UMASK && make --no-print-directory dist JOBS='"$jobs") \
        >"$path.log" 2>&1; then
        tail -n 30 "$path.log"
        echo "make dist failed in $path; see $path.log" >&2
        exit 1
    fi
    echo "  $((SECONDS - started)) s"
}

if [ -n "$reference" ]; then
    first="$reference"
else
    build "$out/one/hallatorvo" TZ=UTC0 UMASK=022 LC_ALL=C.UTF-8
    first="$out/one/hallatorvo/dist"
fi
build "$out/second/path/hv" TZ=Pacific/Chatham UMASK=002 LC_ALL=C
second="$out/second/path/hv/dist"

status=0
for file in $( (cd "$first" && ls; cd "$second" && ls) | sort -u); do
    if cmp -s "$first/$file" "$second/$file"; then
        echo "same       $file"
    else
        echo "DIFFERENT  $file"
        status=1
        if command -v diffoscope >/dev/null && [ -f "$first/$file" ] && [ -f "$second/$file" ]; then
            diffoscope --text "$out/$file.diffoscope.txt" "$first/$file" "$second/$file" >/dev/null || true
            head -n 40 "$out/$file.diffoscope.txt"
        fi
    fi
done
[ $status = 0 ] && echo "reproducible: both builds of $commit gave the same files" ||
    echo "NOT reproducible: the files above differ" >&2
exit $status
