# make run   — install what is missing, build, play the show (ARGS=-window for a window)
# make test  — install, build, run every test headless
# make windows       — cross-build hallatorvo.exe for 32-bit Windows
# make test-windows  — run that executable under Wine in a virtual X server
# make install       — install under PREFIX (default /usr/local); make uninstall removes it
# make deb           — build hallatorvo_*.deb the Debian way; make test-deb checks its files
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
ARGS ?=
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
DEB_BUILD ?= build-deb

HEADLESS = SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

.PHONY: all deps configure build run test test-sanitize bench windows test-windows install uninstall \
	deb test-deb clean

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
# that it never frees. The 103-second end-to-end runs and the check of the
# installed tree are left to `make test`.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=ON -DHV_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(HEADLESS) UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE 'gl|long|install'
	cd $(SANITIZE_BUILD) && $(HEADLESS) ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -L gl -LE long

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

# The Windows build: mingw-w64, with libpng and zlib cross-built from Debian's
# source packages, the C and C++ runtimes linked in. The long compiles run at
# low priority.
WINDOWS_BUILD ?= build-windows
WINDOWS_TRIPLE ?= i686-w64-mingw32

windows:
	@bash scripts/windows-deps.sh $(WINDOWS_TRIPLE)
	nice -n 10 bash scripts/windows-libs.sh $(WINDOWS_TRIPLE) $(WINDOWS_BUILD) $(JOBS)
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

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(WINDOWS_BUILD) $(WINDOWS_BUILD)64 $(DEB_BUILD)
