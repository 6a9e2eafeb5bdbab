# quibo: the commands a user runs.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build run test bench fuzz sanitize clean

all: build

deps:
	@scripts/install-deps

# A new build folder is made for Ninja; one made before keeps its generator.
generator = $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja)

configure: deps
	@cmake -S . -B $(BUILD) $(call generator,$(BUILD)) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/app/quibo

# The drawing layer's and the painter's suites that reach the pixel kernels
# run twice, the second time (named Plain.*) on the plain C++ kernels.
test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@scripts/run-benchmarks $(BUILD)

# Fuzzing with libFuzzer and the sanitizers, in its own build folder;
# FUZZ_SECONDS sets the seconds per target.
fuzz:
	@JOBS=$(JOBS) FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a
# build folder of its own.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1:abort_on_error=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions.txt:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) $(call generator,$(SANITIZE_BUILD)) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIBO_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} \
	  ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-fuzz $(SANITIZE_BUILD)
