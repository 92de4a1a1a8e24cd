# Two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
ROOT       ?=

.PHONY: deps build build-strict run test test-unit test-asan soak bench format clean

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The tests build with warnings as errors (kept in the build folder's cache afterwards: the same
# sources then built clean). A plain cmake build, of any type, never turns them into errors.
build-strict: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_WERROR=ON > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Starts the window on the simulated camera and mount.
run: build
	$(BUILD)/vexaq4 --simulator $(if $(ROOT),--root $(ROOT))

test: build-strict
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=ON -DVEXA_WERROR=ON \
	      -DVEXA_BUILD_UI=OFF -DVEXA_BUILD_BENCH=OFF > /dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(ASAN_BUILD)/unit_tests --gtest_brief=1

# Outside `make test`: a thousand continuous simulated frames, each autosaved, under
# AddressSanitizer; every file must be on disk and nothing may leak (VEXA_SOAK_FRAMES=N for
# another count, VEXA_SOAK_FULL=1 for full frames instead of binned ones).
soak: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=ON -DVEXA_WERROR=ON \
	      -DVEXA_BUILD_UI=OFF -DVEXA_BUILD_BENCH=OFF > /dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(ASAN_BUILD)/unit_tests \
	    --gtest_also_run_disabled_tests --gtest_filter='CaptureSoak.*'

bench:
	@scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVEXA_BUILD_UI=OFF > /dev/null
	cmake --build build-bench -j $(JOBS) --target vexa_bench
	build-bench/bench/vexa_bench --benchmark_counters_tabular=true

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench
