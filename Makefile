# Korvi's two everyday commands:
#   make run    build and start Korvi (headless demo run when no display is available)
#   make test   build and run every test, then again under ASan and UBSan
# Others: make bench, make fuzz, make windows, make format

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test test-plain test-sanitize bench fuzz format clean

all: build

deps:
	@scripts/install-deps.sh build

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: test-plain test-sanitize

test-plain: build
	@scripts/install-deps.sh test
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVI_SANITIZE=ON > /dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@scripts/install-deps.sh bench
	@scripts/bench.sh $(BUILD)

format:
	@find core cartridge video input app resources platform tools tests \
		\( -name '*.cpp' -o -name '*.h' \) | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
