#!/usr/bin/env bash
# Puts one release of the checked-out commit together in OUT from the builds
# that make dist has just made: the web show as one HTML file, the Debian
# package, the Windows zip, the source tarball, and SHA256SUMS over them. The
# bytes depend on the commit alone: archive members carry the commit's time,
# fixed modes and no owners, in a fixed order. With --tree it only checks that
# the work tree is the commit, before anything is built.
#
# usage: scripts/dist.sh --tree
#        scripts/dist.sh OUT WEB_BUILD WINDOWS_BUILD
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$1" = --tree ]; then
    git rev-parse --verify -q HEAD >/dev/null || { echo "make dist needs a git checkout" >&2; exit 1; }
    if [ -n "$(git status --porcelain)" ]; then
        echo "The work tree differs from its commit; a release is made from a commit:" >&2
        git status --short >&2
        exit 1
    fi
    exit 0
fi
out=$1
web=$2
windows=$3

version="$(sed -n 's/^project(hallatorvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
deb="hallatorvo_$(dpkg-parsechangelog -S Version)_$(dpkg --print-architecture).deb"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
export TZ=UTC0

rm -rf "$out"
mkdir -p "$out"

cp "$web/single/index.html" "$out/hallatorvo-$version.html"
cp "$deb" "$out/"

# The zip: the executable and its README in one folder, stored in a set order
# without extra fields (owners, local times).
stage="$out/.stage"
folder="hallatorvo-$version-win32"
mkdir -p "$stage/$folder"
cp "$windows/bin/hallatorvo.exe" "$stage/$folder/"
sed "s/@VERSION@/$version/; s/\$/\r/" data/windows-readme.txt >"$stage/$folder/README.txt"
chmod 755 "$stage/$folder/hallatorvo.exe"
chmod 644 "$stage/$folder/README.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/$folder"/*
(cd "$stage" && zip -X -D -q -9 "../$folder.zip" "$folder/README.txt" "$folder/hallatorvo.exe")
rm -rf "$stage"

# git archive of a commit gives its members the commit's time and fixed modes.
git archive --format=tar --prefix="hallatorvo-$version/" HEAD | gzip -9 -n >"$out/hallatorvo-$version.tar.gz"

files=("hallatorvo-$version.html" "$deb" "$folder.zip" "hallatorvo-$version.tar.gz")
(cd "$out" && sha256sum "${files[@]}" >SHA256SUMS)
echo "Release $version of $(git rev-parse --short HEAD) in $out:"
(cd "$out" && for f in "${files[@]}" SHA256SUMS; do printf '%10s  %s\n' "$(stat -c %s "$f")" "$f"; done)
