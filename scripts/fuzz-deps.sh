#!/usr/bin/env bash
# Installs the Debian packages of the fuzz build: clang with libFuzzer and the
# sanitizer runtimes, llvm-symbolizer for readable reports, and what fetching
# and building the source packages of zlib and libpng needs. Installs nothing
# when everything is present.
set -euo pipefail

bash "$(dirname "$0")/deps.sh"

packages=(clang libclang-rt-dev llvm cmake make dpkg-dev xz-utils)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
