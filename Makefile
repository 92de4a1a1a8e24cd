# Two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
ROOT       ?=
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 300

.PHONY: deps build build-strict run test test-unit test-asan asan-build fuzz soak bench format \
        clean install

deps:
	@scripts/install-deps

# Line tables only (-g1): backtraces name files and lines, and the build takes minutes less.
RELWITHDEBINFO_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(RELWITHDEBINFO_FLAGS) > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The tests build with warnings as errors (kept in the build folder's cache afterwards: the same
# sources then built clean). A plain cmake build, of any type, never turns them into errors.
# `make test` leaves the unit tests to the sanitizer build (UNIT_TESTS=ON builds them here too).
UNIT_TESTS ?= OFF
build-strict: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(RELWITHDEBINFO_FLAGS) \
	      -DVEXA_WERROR=ON -DVEXA_BUILD_UNIT_TESTS=$(UNIT_TESTS) > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Starts the window on the simulated camera and mount.
run: build
	$(BUILD)/vexaq4 --simulator $(if $(ROOT),--root $(ROOT))

test: build-strict
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

# The sanitizer build is also the clang build: the unit tests and the fuzz harnesses built
# by clang under AddressSanitizer and UndefinedBehaviorSanitizer, with the fuzzer's coverage
# compiled into the core. -O1 keeps that run quick, as the sanitizers recommend. A folder
# configured with another compiler is made anew.
asan-build: deps
	@if [ -f $(ASAN_BUILD)/CMakeCache.txt ] && \
	    ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' $(ASAN_BUILD)/CMakeCache.txt; then \
	    rm -rf $(ASAN_BUILD); fi
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	      -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
	      -DVEXA_SANITIZE=ON -DVEXA_FUZZ=ON -DVEXA_WERROR=ON \
	      -DVEXA_BUILD_UI=OFF -DVEXA_BUILD_BENCH=OFF > /dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests fuzz_harnesses

# Unit tests, then every fuzz harness over its stored corpus and its own seeds.
test-asan: asan-build
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    scripts/run-test-shards $(ASAN_BUILD)/unit_tests $(JOBS) --gtest_brief=1
	cd $(ASAN_BUILD) && ctest -L fuzz --output-on-failure -j $(JOBS)

# Each harness fuzzes for FUZZ_SECONDS (default 300); new inputs and failing ones are kept in
# $(ASAN_BUILD)/fuzz/fuzz-work/NAME.
fuzz: asan-build
	@for harness in $(ASAN_BUILD)/fuzz/fuzz_*; do [ -x "$$harness" ] || continue; \
	    name=$${harness##*/fuzz_}; \
	    echo "== $$name for $(FUZZ_SECONDS) s"; \
	    fuzz/run fuzz "$$harness" "$$name" $(FUZZ_SECONDS) || exit 1; \
	done

# The programs, help pages, desktop entry, icon and udev rule under $(PREFIX).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Outside `make test`: a thousand continuous simulated frames, each autosaved, under
# AddressSanitizer; every file must be on disk and nothing may leak (VEXA_SOAK_FRAMES=N for
# another count, VEXA_SOAK_FULL=1 for full frames instead of binned ones).
soak: asan-build
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
