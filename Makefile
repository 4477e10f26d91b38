# Korvi's two everyday commands:
#   make run    build and start Korvi (headless demo run when no display is available)
#   make test   build and run every test, then again under ASan and UBSan, then the
#               Windows build's tests under Wine
# Others: make bench, make compat ROMS=DIR, make fuzz, make windows, make format

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test test-plain test-sanitize test-windows windows bench compat fuzz format clean

all: build

deps:
	@scripts/install-deps.sh build

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: test-plain test-sanitize test-windows

test-plain: build
	@scripts/install-deps.sh test
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVI_SANITIZE=ON > /dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Windows programs korvi.exe and korvi-run.exe and the test suite, cross-compiled
# with mingw-w64 into $(WIN_BUILD)/bin. The demo cartridge is assembled at build
# time, so korvi-asm is built for this machine first, in $(WIN_HOST_BUILD).
WIN_BUILD      ?= build-win
WIN_HOST_BUILD ?= build-win-host

windows:
	@scripts/install-deps.sh build windows
	@cmake -S . -B $(WIN_HOST_BUILD) -DCMAKE_BUILD_TYPE=Release -DKORVI_TESTS=OFF > /dev/null
	@cmake --build $(WIN_HOST_BUILD) --target korvi-asm -j $(JOBS)
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DKORVI_HOST_ASM=$(CURDIR)/$(WIN_HOST_BUILD)/tools/assembler/korvi-asm > /dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

# The Windows tests and the smoke test of korvi.exe, under Wine.
test-windows: windows
	@JOBS=$(JOBS) scripts/windows-tests.sh $(WIN_BUILD)

bench: build
	@scripts/install-deps.sh bench
	@scripts/bench.sh $(BUILD)

# Runs every .gb/.gbc image in ROMS headless and sorts it by what it showed; the
# totals are printed, the CSV and the contact sheet go to COMPAT_OUT.
ROMS       ?=
COMPAT_OUT ?= $(BUILD)/compat

compat: deps
	@test -n "$(ROMS)" || { echo "usage: make compat ROMS=DIR" >&2; exit 2; }
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD) --target korvi-compat -j $(JOBS)
	@$(BUILD)/bin/korvi-compat "$(ROMS)" --out "$(COMPAT_OUT)"

# Feeds arbitrary bytes to the cartridge loader, the machine, the renderer and the
# debug views for FUZZ_SECONDS, starting from the assembled cartridges of
# tests/fuzz/seeds. Inputs go up to 1 MB, room for the seeds that reach ROM banks past
# 0x20. Crash inputs land in build-fuzz/ as crash-*; the corpus grows in
# build-fuzz/corpus.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz:
	@scripts/install-deps.sh build fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKORVI_FUZZ=ON -DKORVI_TESTS=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) --target cartridge_fuzz -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/corpus
	@cd $(FUZZ_BUILD) && tests/fuzz/cartridge_fuzz -max_total_time=$(FUZZ_SECONDS) \
		-max_len=1048576 -print_final_stats=1 corpus tests/fuzz/seeds

format:
	@find core cartridge video input app resources platform tools tests \
		\( -name '*.cpp' -o -name '*.h' \) | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz $(WIN_BUILD) $(WIN_HOST_BUILD)
