#!/usr/bin/env bash
# Builds zlib and libpng from Debian's source packages as static libraries and
# installs them under BUILD_DIR/thirdparty/prefix, for one of two builds:
#   i686-w64-mingw32, x86_64-w64-mingw32  the Windows build, with that
#       mingw-w64 cross toolchain;
#   fuzz  the fuzz build: clang with coverage instrumentation, AddressSanitizer
#       and UndefinedBehaviorSanitizer, so that the fuzzer sees and steers
#       through their code as well as ours;
#   web  the web build: Emscripten's compilers, WebAssembly.
# Nothing of them is kept in the repository. Does nothing when the prefix is
# already complete.
#
# usage: scripts/png-libs.sh i686-w64-mingw32|x86_64-w64-mingw32|fuzz|web BUILD_DIR [JOBS]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="$1"
build_dir="$(mkdir -p "$2" && cd "$2" && pwd)"
jobs="${3:-2}"
third="$build_dir/thirdparty"
prefix="$third/prefix"
stamp="$prefix/.complete"

case "$flavour" in
i686-w64-mingw32 | x86_64-w64-mingw32)
    toolchain="$root/cmake/toolchains/$flavour.cmake"
    [ -f "$toolchain" ] || { echo "no toolchain file for $flavour" >&2; exit 1; }
    # Same code generation as the show (see the toolchain files).
    cflags="-O2"
    if [ "$flavour" = i686-w64-mingw32 ]; then
        cflags="$cflags -msse2 -mfpmath=sse -mstackrealign"
    fi
    zlib_env=(CHOST="$flavour" CC="$flavour-gcc-posix")
    png_options=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DHV_WINDOWS_PREFIX="$prefix"
        -DCMAKE_BUILD_TYPE=Release)
    ;;
fuzz)
    # The flags of the project's own fuzz build (cmake/Fuzzing.cmake).
    cflags="-O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
    cflags="$cflags -fno-omit-frame-pointer"
    zlib_env=(CC=clang LDFLAGS="-fsanitize=address,undefined")
    png_options=(-DCMAKE_C_COMPILER=clang -DCMAKE_C_FLAGS="$cflags" -DCMAKE_BUILD_TYPE=None
        -DZLIB_ROOT="$prefix")
    ;;
web)
    # The show's optimisation, and no FMA contraction as in its own flags.
    cflags="-O2 -ffp-contract=off"
    export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
    zlib_env=(CC=emcc AR=emar RANLIB=emranlib)
    png_options=(-DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
        -DCMAKE_C_FLAGS="$cflags" -DCMAKE_BUILD_TYPE=None -DPNG_HARDWARE_OPTIMIZATIONS=OFF
        -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a")
    ;;
*)
    echo "usage: $0 i686-w64-mingw32|x86_64-w64-mingw32|fuzz|web BUILD_DIR [JOBS]" >&2
    exit 2
    ;;
esac

[ -f "$stamp" ] && exit 0

trees="$(bash "$root/scripts/debian-source.sh" "$third" zlib libpng1.6)"
zlib_src="${trees%%$'\n'*}"
png_src="${trees##*$'\n'}"

rm -rf "$third/build" "$prefix"
mkdir -p "$third/build/zlib" "$prefix"

echo "Building $(basename "$zlib_src") for $flavour"
(
    cd "$third/build/zlib"
    env "${zlib_env[@]}" CFLAGS="$cflags" "$zlib_src/configure" --static --prefix="$prefix" \
        >configure.out
    make -s -j "$jobs" libz.a
    make -s install
)

echo "Building $(basename "$png_src") for $flavour"
cmake -S "$png_src" -B "$third/build/libpng" -Wno-dev "${png_options[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    >"$third/build/libpng.configure.out"
cmake --build "$third/build/libpng" -j "$jobs" >/dev/null
cmake --install "$third/build/libpng" >/dev/null

# Only static libraries: neither build may pick up a shared or import library.
if find "$prefix" -name '*.dll*' -o -name '*.so*' | grep -q .; then
    echo "unexpected shared library in $prefix" >&2
    exit 1
fi
basename -a "$zlib_src" "$png_src" >"$stamp"
