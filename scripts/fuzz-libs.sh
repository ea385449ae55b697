#!/usr/bin/env bash
# Builds zlib and libpng from Debian's source packages with clang's coverage
# instrumentation, AddressSanitizer and UndefinedBehaviorSanitizer, so that the
# fuzzer sees and steers through their code as well as ours. Installs them as
# static libraries under BUILD_DIR/thirdparty/prefix; nothing of them is kept
# in the repository. Does nothing when the prefix is already complete.
#
# usage: scripts/fuzz-libs.sh BUILD_DIR [JOBS]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="$(mkdir -p "$1" && cd "$1" && pwd)"
jobs="${2:-2}"
third="$build_dir/thirdparty"
prefix="$third/prefix"
stamp="$prefix/.complete"

[ -f "$stamp" ] && exit 0

trees="$(bash "$root/scripts/debian-source.sh" "$third" zlib libpng1.6)"
zlib_src="${trees%%$'\n'*}"
png_src="${trees##*$'\n'}"

rm -rf "$third/build" "$prefix"
mkdir -p "$third/build/zlib" "$prefix"

# The flags of the project's own fuzz build (cmake/Fuzzing.cmake).
cflags="-O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cflags="$cflags -fno-omit-frame-pointer"

echo "Building $(basename "$zlib_src") instrumented"
(
    cd "$third/build/zlib"
    CC=clang CFLAGS="$cflags" LDFLAGS="-fsanitize=address,undefined" \
        "$zlib_src/configure" --static --prefix="$prefix" >configure.out
    make -s -j "$jobs" libz.a
    make -s install
)

echo "Building $(basename "$png_src") instrumented"
cmake -S "$png_src" -B "$third/build/libpng" -Wno-dev \
    -DCMAKE_C_COMPILER=clang -DCMAKE_C_FLAGS="$cflags" -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_PREFIX_PATH="$prefix" -DZLIB_ROOT="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    >"$third/build/libpng.configure.out"
cmake --build "$third/build/libpng" -j "$jobs" >/dev/null
cmake --install "$third/build/libpng" >/dev/null

basename -a "$zlib_src" "$png_src" >"$stamp"
