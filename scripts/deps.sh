#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the show
# headless need. Installs nothing when everything is present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 libegl1
    libpng-dev zlib1g-dev
    # The sound server's latency for the show's stream, and a server of the
    # tests' own to check it against.
    libpulse-dev pulseaudio pulseaudio-utils
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # The song's cross-check reads it with an independent MIDI parser.
    python3 python3-mido
    # The check of the installed tree: the desktop entry and the manual pages.
    desktop-file-utils mandoc
    # The show on Wayland: a Weston compositor of the tests' own on a virtual X
    # server, a key pressed there, and its screenshots looked at.
    weston xvfb xdotool python3-pil
)
if [ "${HV_DEPS_TOOLS:-0}" = 1 ]; then
    # For the asset generators and the listening checks; the build never needs them.
    packages+=(python3-numpy python3-pil sox)
fi
if [ "${HV_DEPS_FUZZ:-0}" = 1 ]; then
    # make fuzz: clang with libFuzzer and the sanitizer runtimes, llvm-symbolizer
    # for readable reports, and what fetching and building Debian's source
    # packages of zlib and libpng takes.
    packages+=(clang libclang-rt-dev llvm dpkg-dev xz-utils bzip2)
fi
if [ "${HV_DEPS_WEB:-0}" = 1 ]; then
    # make web: Emscripten (its node tools included), and what fetching and
    # building Debian's source packages of zlib and libpng takes.
    packages+=(emscripten nodejs dpkg-dev xz-utils bzip2)
fi
if [ "${HV_DEPS_WEB_TEST:-0}" = 1 ]; then
    # make test-web: headless Chromium driven through its DevTools protocol,
    # Firefox ESR and WebKitGTK's MiniBrowser on a virtual X display driven
    # through WebDriver (BiDi and classic), with a sound server for their sound
    # (WebKit's through GStreamer's PulseAudio sink), and the comparison of
    # their frames with the native ones.
    packages+=(chromium firefox-esr webkit2gtk-driver gstreamer1.0-plugins-good xvfb pulseaudio
        python3-websocket python3-pil python3-numpy)
fi
if [ "${HV_DEPS_DIST:-0}" = 1 ]; then
    # make dist and make check-reproducible: the release's archives and
    # checksums, the clones, and the report of what differs between two builds.
    packages+=(git zip gzip coreutils dpkg-dev diffoscope-minimal)
fi
if [ "${HV_DEPS_PEERS:-0}" = 1 ]; then
    # make bench-peers: two general-purpose MIDI players and the SoundFont
    # they render the song with, timed beside our synthesizer.
    packages+=(fluidsynth timgm6mb-soundfont timidity)
fi
if [ "${HV_DEPS_PACKAGE:-0}" = 1 ]; then
    # For make deb: the Debian package's build and its check.
    packages+=(debhelper lintian)
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
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/apt-update.sh"
apt-get install -y -qq --no-install-recommends "${missing[@]}"
