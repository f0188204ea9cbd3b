#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each until FUZZ_RUNS inputs
# (default 10,000,000) or FUZZ_SECONDS (default 3600) have passed, starting
# from the seed corpus in fuzz/corpus. The long run uses UBSan only, which
# runs about three times as many inputs as ASan in the same time; then every
# input the run kept is replayed under ASan + UBSan. New inputs go to the
# build directory, never into the committed corpus; a crash stops the run
# with the failing input saved under artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-3600}
runs=${FUZZ_RUNS:-10000000}
build=${FUZZ_BUILD:-build-fuzz}

configure() { # DIR SANITIZERS
    cmake -S fuzz -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DFUZZ_SANITIZE="$2" -DCMAKE_CXX_COMPILER=clang++ > /dev/null
    cmake --build "$1" --target fuzz_angle fuzz_line -j "${FUZZ_JOBS:-2}"
}
configure "$build" undefined
configure "$build-asan" address,undefined

mkdir -p "$build/artifacts"
declare -A max_len=([angle]=256 [line]=512)
for target in angle line; do
    echo "== fuzz_$target: $runs inputs, at most ${seconds}s"
    mkdir -p "$build/corpus/$target"
    "$build/fuzz_$target" -runs="$runs" -max_total_time="$seconds" \
        -max_len="${max_len[$target]}" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>&1 |
        grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)|ERROR|SUMMARY|Test unit written' || true
    if ls "$build/artifacts/$target-"* > /dev/null 2>&1; then
        echo "fuzz_$target: failing inputs in $build/artifacts" >&2
        exit 1
    fi
    echo "== fuzz_$target: replaying $(ls "$build/corpus/$target" | wc -l) kept inputs under ASan + UBSan"
    "$build-asan/fuzz_$target" -runs=0 \
        -artifact_prefix="$build/artifacts/$target-asan-" \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>&1 |
        grep -E 'ERROR|SUMMARY|Test unit written|Done' || true
    if ls "$build/artifacts/$target-asan-"* > /dev/null 2>&1; then
        echo "fuzz_$target: failing inputs in $build/artifacts" >&2
        exit 1
    fi
done
