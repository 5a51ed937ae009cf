# Thin wrapper over the CMake presets. Every target first makes sure the Debian packages are there.
JOBS ?= $(shell nproc)
PRESET ?= release
BUILD := build/$(PRESET)

.PHONY: all deps configure build run test bench sync soak package clean

all: build
	@ln -sf $(PRESET)/orvell build/orvell

deps:
	@tools/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: all
	build/orvell $(ARGS)

# Every suite in the chosen build, then the unit, end-to-end and bad-disk tests once more under
# AddressSanitizer and UBSan (the asan preset, build/asan).
test: all
	ctest --preset $(PRESET) -j $(JOBS)
ifneq ($(PRESET),asan)
	@cmake --preset asan >/dev/null
	@cmake --build build/asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)
endif

bench: all
	bench/run.sh $(BUILD)

# Whether the beat spots light when the beat is heard: the live program on a private sound server
# with a null sink, under Xvfb, heard by a listener of its own (bench/sync/sync.py). At the server's
# default latency and at 200 ms, then the server killed mid-show and none at all ("--faults" for
# these alone); SYNC_ARGS="--soak 600" for the ten-minute run beside two busy processes,
# "--startup" for the time to the first sound against openmpt123, "--server pipewire".
sync: all
	bench/sync/sync.py --build $(BUILD) $(SYNC_ARGS)

# One hour of show time in record mode under AddressSanitizer and UBSan with scripted random
# input: memory over show time, leaks at exit, the show's answer to its last inputs
# (tools/soak.py). Runs the asan preset's orvell; SOAK_ARGS="--seconds 600" for a shorter run.
soak: deps
	@cmake --preset asan >/dev/null
	@cmake --build build/asan --target orvell -j $(JOBS)
	tools/soak.py --orvell build/asan/orvell $(SOAK_ARGS)

# Regenerates the demo disk in data/ and the program's resources in resources/, the same bytes on
# every run: the music and disk.cfg first, since the track list picture carries the song titles.
.PHONY: data
data: deps
	/usr/bin/python3 tools/make_music.py
	/usr/bin/python3 tools/make_disk_art.py
	/usr/bin/python3 tools/make_resources.py

# The Debian package of the program, its disk, menu entry, icons and manual page, in $(BUILD).
package: build
	@cd $(BUILD) && cpack -G DEB

# Every fuzz target in turn under libFuzzer, FUZZ_SECONDS each, in build/fuzz (see fuzz/run.sh).
FUZZ_SECONDS ?= 600
.PHONY: fuzz
fuzz: deps
	@FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) fuzz/run.sh

clean:
	rm -rf build
