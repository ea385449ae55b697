# make run   — install what is missing, build, play the show (ARGS=-window for a window)
# make test  — install, build, run every test headless
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
ARGS ?=
CMAKE_FLAGS ?=

HEADLESS = SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

.PHONY: all deps configure build run test test-sanitize bench clean

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

# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer. Tests
# labelled gl run without the leak checker: Mesa's driver keeps allocations
# that it never frees. The 103-second end-to-end runs are left to `make test`.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=ON -DHV_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(HEADLESS) UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE 'gl|long'
	cd $(SANITIZE_BUILD) && $(HEADLESS) ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -L gl -LE long

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
