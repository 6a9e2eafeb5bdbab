# quibo: the commands a user runs.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/app/quibo

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@scripts/run-benchmarks $(BUILD)

# Fuzzing with libFuzzer and the sanitizers, in its own build folder;
# FUZZ_SECONDS sets the seconds per target.
fuzz:
	@JOBS=$(JOBS) FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

clean:
	rm -rf $(BUILD) build-fuzz
