# Front door: every target installs what it is missing, configures and builds.
#   make run    start the program
#   make test   build and run every test, then again under ASan + UBSan
#   make bench  engine benchmarks (Google Benchmark); bench-cli, bench-py:
#               the converter against cct, the Python module against pyproj
#   make soak   the monkey test with fresh seeds, for longer

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps configure build build-program test test-release test-asan bench bench-cli bench-py fuzz soak run install clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The program alone, without the tests and the converter.
build-program: configure
	cmake --build $(BUILD) -j $(JOBS) --target nolvex

test: test-release test-asan

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DNOLVEX_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	    -DBUILD_BENCHMARKS=ON -DBUILD_TESTING=OFF -DBUILD_UI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do \
	    [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; \
	    "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; \
	done

# nolvex-convert against PROJ's cct on 1,000,000 points (scripts/bench-cli.sh).
bench-cli: deps
	@scripts/install-deps.sh --bench
	@scripts/bench-cli.sh

# The Python module against pyproj (scripts/bench-py.py): 1,000,000 points
# per job, a call per point, and the Dask job on a local cluster.
bench-py: deps
	cmake -S . -B $(BENCH_BUILD)-py $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	    -DBUILD_UI=OFF -DBUILD_TESTING=OFF
	cmake --build $(BENCH_BUILD)-py -j $(JOBS) --target _nolvex
	/usr/bin/python3 scripts/bench-py.py $(BENCH_BUILD)-py/python $${BENCH_ROUNDS:-9}

# libFuzzer targets of nolvex-convert: FUZZ_RUNS inputs each, at most
# FUZZ_SECONDS (fuzz/run.sh).
FUZZ_RUNS ?= 10000000
FUZZ_SECONDS ?= 3600
fuzz: deps
	@FUZZ_RUNS=$(FUZZ_RUNS) FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh

run: build-program
	@scripts/run.sh $(BUILD)

# The monkey of the test run (tests/e2e/monkey.sh), which make test runs with
# fixed seeds, here with fresh ones: SOAK_RUNS runs of SOAK_SECONDS each. A
# failing run prints its seed and keeps its actions for a replay.
SOAK_RUNS ?= 4
SOAK_SECONDS ?= 300
soak: build-program
	@for i in $$(seq $(SOAK_RUNS)); do \
	    echo "== soak run $$i of $(SOAK_RUNS), $(SOAK_SECONDS) s"; \
	    E2E_OUT=$(CURDIR)/$(BUILD)/soak-$$i MONKEY_SECONDS=$(SOAK_SECONDS) \
	        tests/e2e/monkey.sh $(CURDIR)/$(BUILD)/app/nolvex || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
