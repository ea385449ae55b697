#!/usr/bin/env bash
# Builds zlib and libpng for Windows from Debian's source packages, with the
# mingw-w64 cross toolchain of TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32),
# and installs them as static libraries under BUILD_DIR/thirdparty/prefix.
# Nothing of them is kept in the repository. Does nothing when the prefix is
# already complete.
#
# usage: scripts/windows-libs.sh TRIPLE BUILD_DIR [JOBS]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
triple="$1"
build_dir="$(mkdir -p "$2" && cd "$2" && pwd)"
jobs="${3:-2}"
toolchain="$root/cmake/toolchains/$triple.cmake"
[ -f "$toolchain" ] || { echo "no toolchain file for $triple" >&2; exit 1; }
third="$build_dir/thirdparty"
prefix="$third/prefix"
stamp="$prefix/.complete"

[ -f "$stamp" ] && exit 0

trees="$(bash "$root/scripts/debian-source.sh" "$third" zlib libpng1.6)"
zlib_src="${trees%%$'\n'*}"
png_src="${trees##*$'\n'}"

rm -rf "$third/build" "$prefix"
mkdir -p "$third/build/zlib" "$prefix"

# Same code generation as the show (see the toolchain files).
cflags="-O2"
if [ "$triple" = i686-w64-mingw32 ]; then
    cflags="$cflags -msse2 -mfpmath=sse -mstackrealign"
fi

echo "Cross-building $(basename "$zlib_src")"
(
    cd "$third/build/zlib"
    CHOST=$triple CC=$triple-gcc-posix CFLAGS="$cflags" \
        "$zlib_src/configure" --static --prefix="$prefix" >configure.out
    make -s -j "$jobs" libz.a
    make -s install
)

echo "Cross-building $(basename "$png_src")"
cmake -S "$png_src" -B "$third/build/libpng" -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DHV_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    >"$third/build/libpng.configure.out"
cmake --build "$third/build/libpng" -j "$jobs" >/dev/null
cmake --install "$third/build/libpng" >/dev/null

# Only static libraries: the show must not pick up an import library.
if find "$prefix" -name '*.dll*' | grep -q .; then
    echo "unexpected shared library in $prefix" >&2
    exit 1
fi
basename -a "$zlib_src" "$png_src" >"$stamp"
