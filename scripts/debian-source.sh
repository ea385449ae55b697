#!/usr/bin/env bash
# Unpacks Debian's source packages of this release into DIR/src, fetched with a
# private apt configuration under DIR/apt that holds the one deb-src line: the
# machine's own apt sources stay as they are. Does nothing for a package whose
# tree is already there. Prints the source trees, one a line, in argument order.
#
# usage: scripts/debian-source.sh DIR PACKAGE...
set -euo pipefail

dir="$(mkdir -p "$1" && cd "$1" && pwd)"
shift
src="$dir/src"
mkdir -p "$src"

tree_of() {
    find "$src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | sort | tail -n 1
}

missing=()
for package in "$@"; do
    [ -n "$(tree_of "$package")" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:?}")"
    apt_dir="$dir/apt"
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
        "http://deb.debian.org/debian $codename main" >"$apt_dir/sources.list"
    opts=(
        -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=$(id -un)"
    )
    log="$dir/fetch.log"
    if ! { apt-get "${opts[@]}" -qq update &&
        (cd "$src" && apt-get "${opts[@]}" -qq source "${missing[@]}"); } >"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
fi

for package in "$@"; do
    tree="$(tree_of "$package")"
    [ -n "$tree" ] || { echo "no source tree of $package in $src" >&2; exit 1; }
    echo "$tree"
done
