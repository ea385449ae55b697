#!/usr/bin/env bash
# Installs the Debian packages of the Windows cross build, or with --test those
# of running it under Wine in a virtual X server. Installs nothing when
# everything is present.
#
# usage: scripts/windows-deps.sh TRIPLE   (i686-w64-mingw32 or x86_64-w64-mingw32)
#        scripts/windows-deps.sh --test
set -euo pipefail

case "${1:-}" in
i686-w64-mingw32 | x86_64-w64-mingw32)
    arch="${1%%-*}"
    arch="${arch//_/-}" # Debian spells the 64-bit toolchain x86-64
    packages=(
        cmake make dpkg-dev bzip2 xz-utils
        "gcc-mingw-w64-$arch-posix" "g++-mingw-w64-$arch-posix" "binutils-mingw-w64-$arch"
    )
    ;;
--test)
    packages=(
        xvfb xdotool x11-utils python3 python3-pil
        # Wine loads libGL.so.1 itself, so nothing else brings libgl1.
        wine wine64 libgl1 libgl1-mesa-dri libglx-mesa0
        # The 32-bit Wine; the show's executable is a 32-bit program.
        wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
        # The sound server's ALSA configuration, which the tests' packages
        # install, loads its plug-in in every ALSA program: without the 32-bit
        # one the 32-bit side of Wine finds no sound device at all.
        libasound2-plugins:i386
    )
    ;;
*)
    echo "usage: $0 TRIPLE | --test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

needs_i386=0
for p in "${missing[@]}"; do
    [[ "$p" == *:i386 ]] && needs_i386=1
done
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    [ $needs_i386 = 1 ] && echo "  sudo dpkg --add-architecture i386" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
if [ $needs_i386 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/apt-update.sh"
native=()
foreign=()
for p in "${missing[@]}"; do
    if [[ "$p" == *:i386 ]]; then foreign+=("$p"); else native+=("$p"); fi
done
[ ${#native[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${native[@]}"
# Without the 32-bit Wine the Wine run takes the 64-bit build of the same
# sources and says so, as on a machine that cannot execute 32-bit code.
if [ ${#foreign[@]} -gt 0 ] && ! apt-get install -y -qq --no-install-recommends "${foreign[@]}"; then
    echo "NOTE: the 32-bit packages could not be installed; the Wine run uses the 64-bit build" >&2
fi
