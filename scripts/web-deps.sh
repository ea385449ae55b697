#!/usr/bin/env bash
# Installs the Debian packages of the web build (Emscripten and its node
# tools), or with --test those of checking the page in headless Chromium.
# Installs nothing when everything is present.
#
# usage: scripts/web-deps.sh [--test]
set -euo pipefail

packages=(cmake make dpkg-dev xz-utils emscripten nodejs)
if [ "${1:-}" = --test ]; then
    # The native capture is the reference the page is compared with.
    packages=(chromium python3 python3-websocket python3-pil python3-numpy)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
