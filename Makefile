# make run   — install what is missing, build, play the show (ARGS=-window for a window)
# make test  — install, build, run every test headless
# make test-sanitize — the tests under AddressSanitizer and UBSan
# make test-tsan     — the sound player under ThreadSanitizer
# make bench-peers   — the song rendered by the synth and by two MIDI players, as CPU-time ratios
# make windows       — cross-build hallatorvo.exe for 32-bit Windows
# make test-windows  — run that executable under Wine in a virtual X server
# make install       — install under PREFIX (default /usr/local); make uninstall removes it
# make deb           — build hallatorvo_*.deb the Debian way; make test-deb checks its files
# make fuzz          — build the fuzz targets with clang and run each for FUZZ_SECONDS
# make web           — build the show as a web page in build-web/ (Emscripten)
# make test-web      — check that page in headless Chromium against the native capture
# make dist          — one release of the commit in dist/: the web show as one HTML file,
#                      the .deb, the Windows zip, the source tarball and SHA256SUMS
# make check-reproducible — make dist in two fresh clones at two paths, compared byte for byte
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
ARGS ?=
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
DEB_BUILD ?= build-deb

HEADLESS = SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

.PHONY: all deps configure build run test test-sanitize test-tsan bench bench-peers windows test-windows \
	install uninstall deb test-deb fuzz web test-web dist dist-tree check-reproducible clean

all: build

deps:
	@bash scripts/deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/hallatorvo $(ARGS)

test: build
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last install put in place, as CMake recorded it.
uninstall:
	@[ -f $(BUILD)/install_manifest.txt ] || { echo "Nothing installed from $(BUILD)."; exit 1; }
	xargs -d '\n' rm -fv < $(BUILD)/install_manifest.txt

# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer. Tests
# labelled gl run without the leak checker: Mesa's driver keeps allocations
# that it never frees. The 103-second end-to-end runs, the checks against a
# sound server and a Wayland compositor and the check of the installed tree
# are left to `make test`.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=ON -DHV_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(HEADLESS) UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE 'gl|long|install'
	cd $(SANITIZE_BUILD) && $(HEADLESS) ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -L gl -LE 'long|sound-server|wayland'

# The sound player's threads under ThreadSanitizer: the tests of the platform
# layer and the music driver, then 30 s of the show headless, ended by SIGTERM
# as a terminal user ends it. Any report fails the run.
TSAN_BUILD ?= build-tsan
TSAN_TESTS = sound_player_tests platform_tests audio_tests
TSAN_ENV = $(HEADLESS) TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp

test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHV_SANITIZE=thread -DHV_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS) hallatorvo
	cd $(TSAN_BUILD)/bin && for t in $(TSAN_TESTS); do $(TSAN_ENV) ./$$t || exit 1; done
	cd $(TSAN_BUILD)/bin && $(TSAN_ENV) timeout --preserve-status -s TERM -k 30 30 ./hallatorvo -window -fps

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

# Our render of the song against FluidSynth's and TiMidity++'s, side by side.
bench-peers: configure
	@HV_DEPS_PEERS=1 bash scripts/deps.sh
	cmake --build $(BUILD) -j $(JOBS) --target bench_song
	python3 bench/peers.py --ours $(BUILD)/bin/bench_song

# The Windows build: mingw-w64, with libpng and zlib cross-built from Debian's
# source packages, the C and C++ runtimes linked in. The long compiles run at
# low priority.
WINDOWS_BUILD ?= build-windows
WINDOWS_TRIPLE ?= i686-w64-mingw32

windows:
	@bash scripts/windows-deps.sh $(WINDOWS_TRIPLE)
	nice -n 10 bash scripts/png-libs.sh $(WINDOWS_TRIPLE) $(WINDOWS_BUILD) $(JOBS)
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/$(WINDOWS_TRIPLE).cmake \
		-DHV_WINDOWS_PREFIX=$(abspath $(WINDOWS_BUILD))/thirdparty/prefix -DCMAKE_BUILD_TYPE=Release \
		-DHV_BUILD_TESTS=OFF -DHV_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	nice -n 10 cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target hallatorvo
	@ls -l $(WINDOWS_BUILD)/bin/hallatorvo.exe

test-windows: windows
	@bash scripts/windows-deps.sh --test
	/usr/bin/python3 tests/windows/run_under_wine.py $(WINDOWS_BUILD)

# The Debian package, built by dpkg-buildpackage in a copy of the tree under
# $(DEB_BUILD) and checked by lintian; hallatorvo_*.deb lands here.
deb:
	@HV_DEPS_PACKAGE=1 bash scripts/deps.sh
	nice -n 10 bash scripts/deb.sh $(DEB_BUILD) $(JOBS)

# The package unpacked into a scratch root, and its files checked as an
# installed tree.
test-deb: deb
	rm -rf $(DEB_BUILD)/root
	dpkg -x hallatorvo_*.deb $(DEB_BUILD)/root
	/usr/bin/python3 -B tests/install/check_install.py --prefix $(DEB_BUILD)/root/usr \
		$$(dpkg-parsechangelog -S Version)

# The fuzz build: clang with libFuzzer, everything instrumented, zlib and
# libpng built from Debian's source packages with the same instrumentation.
# Each target runs FUZZ_SECONDS on its corpus in FUZZ_CORPUS, at the lowest
# priority; the corpora grow from run to run and stay out of git.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_CORPUS ?= fuzz-corpus
# Some of image_decoder_fuzz midi_reader_fuzz capture_options_fuzz command_line_fuzz; all when empty.
FUZZ_TARGETS ?=

fuzz:
	@HV_DEPS_FUZZ=1 bash scripts/deps.sh
	nice -n 10 bash scripts/png-libs.sh fuzz $(FUZZ_BUILD) $(JOBS)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DHV_BUILD_FUZZ=ON -DHV_BUILD_TESTS=OFF -DHV_BUILD_BENCH=OFF \
		-DHV_FUZZ_PREFIX=$(abspath $(FUZZ_BUILD))/thirdparty/prefix $(CMAKE_FLAGS)
	nice -n 10 cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	nice -n 19 bash scripts/fuzz-run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_CORPUS) $(FUZZ_TARGETS)

# The web page: Emscripten from Debian, with zlib and libpng built for
# WebAssembly from Debian's source packages. build-web/ holds index.html,
# hallatorvo.js and hallatorvo.wasm; the CMake tree and the libraries go
# below it.
WEB_BUILD ?= build-web
WEB_PREFIX = $(abspath $(WEB_BUILD))/thirdparty/prefix
WEB_ENV = NODE_PATH=/usr/share/nodejs
WEB_CHECKS ?= --clicked

web:
	@HV_DEPS_WEB=1 bash scripts/deps.sh
	$(WEB_ENV) nice -n 10 bash scripts/png-libs.sh web $(WEB_BUILD) $(JOBS)
	$(WEB_ENV) cmake -S . -B $(WEB_BUILD)/cmake \
		-DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
		-DCMAKE_BUILD_TYPE=Release -DHV_BUILD_TESTS=OFF -DHV_BUILD_BENCH=OFF \
		-DHV_WEB_DIR=$(abspath $(WEB_BUILD)) \
		-DZLIB_INCLUDE_DIR=$(WEB_PREFIX)/include -DZLIB_LIBRARY=$(WEB_PREFIX)/lib/libz.a \
		-DPNG_PNG_INCLUDE_DIR=$(WEB_PREFIX)/include -DPNG_LIBRARY=$(WEB_PREFIX)/lib/libpng16.a \
		$(CMAKE_FLAGS)
	$(WEB_ENV) nice -n 10 cmake --build $(WEB_BUILD)/cmake -j $(JOBS) --target hallatorvo hallatorvo-single
	@ls -l $(WEB_BUILD)/index.html $(WEB_BUILD)/hallatorvo.js $(WEB_BUILD)/hallatorvo.wasm
	@ls -l $(WEB_BUILD)/single/index.html

# The page in headless Chromium: three frames against the native capture of
# the same seed and times, one with the aspect parameter, the song against the
# native one, and (WEB_CHECKS=--clicked) the whole show clicked open and played
# in real time with its pictures following the heard sound, then 20 s of it
# with the CPU slowed four times, ended by Escape, 20 s in Firefox ESR and 20 s
# in WebKitGTK under Xvfb, each with one frame, and the page's failure paths
# and a phone's viewport in one table: 7 to 9 minutes here before WebKit and
# the table, which add about four (more on a loaded machine), of which
# the clicked runs take two. WEB_CHECKS= leaves the clicked runs out.
test-web: web build
	@HV_DEPS_WEB_TEST=1 bash scripts/deps.sh
	/usr/bin/python3 -B tests/web/check_page.py --page $(WEB_BUILD) --capture $(BUILD)/bin/hallatorvo-capture \
		--single $(WEB_BUILD)/single $(WEB_CHECKS)

# A release: the builds above, from a work tree that is its commit, put
# together by scripts/dist.sh and checked. The package is built without its
# tests, which make test runs; its files are the same either way.
DIST ?= dist
REPRO_BUILD ?= build-repro
# A dist/ folder of the same commit to compare one fresh build with; when
# empty, two fresh builds are compared.
REPRO_REFERENCE ?=

dist-tree:
	@HV_DEPS_DIST=1 bash scripts/deps.sh
	@bash scripts/dist.sh --tree

dist: export DEB_BUILD_OPTIONS += nocheck
dist: dist-tree web windows deb
	bash scripts/dist.sh $(DIST) $(WEB_BUILD) $(WINDOWS_BUILD)
	/usr/bin/python3 -B tests/dist/check_dist.py $(DIST)

check-reproducible:
	@HV_DEPS_DIST=1 bash scripts/deps.sh
	nice -n 10 bash scripts/check-reproducible.sh $(REPRO_BUILD) $(JOBS) $(REPRO_REFERENCE)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(WINDOWS_BUILD) $(WINDOWS_BUILD)64 $(DEB_BUILD) \
		$(FUZZ_BUILD) $(WEB_BUILD) $(DIST) $(REPRO_BUILD)
