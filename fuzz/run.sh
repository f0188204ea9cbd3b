#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each until FUZZ_RUNS inputs
# (default 10,000,000) or FUZZ_SECONDS (default 3600) have passed, starting
# from the seed corpus in fuzz/corpus. The inputs are shared out among
# FUZZ_PARALLEL processes (default: one per core), which share the corpus. The long run uses UBSan only, which
# runs about three times as many inputs as ASan in the same time; then every
# input the run kept is replayed under ASan + UBSan. New inputs go to the
# build directory, never into the committed corpus; a crash stops the run
# with the failing input saved under artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-3600}
runs=${FUZZ_RUNS:-10000000}
build=${FUZZ_BUILD:-build-fuzz}
parallel=${FUZZ_PARALLEL:-$(nproc)}

configure() { # DIR SANITIZERS
    cmake -S fuzz -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DFUZZ_SANITIZE="$2" -DCMAKE_CXX_COMPILER=clang++ > /dev/null
    cmake --build "$1" --target fuzz_angle fuzz_line fuzz_reference \
        -j "${FUZZ_JOBS:-2}"
}
configure "$build" undefined
configure "$build-asan" address,undefined

mkdir -p "$build/artifacts"
declare -A max_len=([angle]=256 [line]=512 [reference]=128)
for target in angle line reference; do
    echo "== fuzz_$target: $runs inputs in $parallel processes, at most ${seconds}s"
    mkdir -p "$build/corpus/$target" "$build/logs"
    rm -f "$build/logs/$target-"*.log
    for ((j = 0; j < parallel; j++)); do
        "$build/fuzz_$target" -runs="$((runs / parallel + 1))" \
            -max_total_time="$seconds" -max_len="${max_len[$target]}" \
            -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
            "$build/corpus/$target" "fuzz/corpus/$target" \
            > "$build/logs/$target-$j.log" 2>&1 &
    done
    wait || true
    grep -hE '^==[0-9]+== ?ERROR|^SUMMARY:|runtime error|Test unit written' "$build/logs/$target-"*.log || true
    awk '/^stat::number_of_executed_units/ { n += $2 }
         /^stat::average_exec_per_sec/ { r += $2 }
         /^stat::peak_rss_mb/ { if ($2 > m) m = $2 }
         END { printf "executed %d inputs, %d per second, peak %d MB\n", n, r, m }' \
        "$build/logs/$target-"*.log
    if ls "$build/artifacts/$target-"* > /dev/null 2>&1; then
        echo "fuzz_$target: failing inputs in $build/artifacts" >&2
        exit 1
    fi
    # A process that died without leaving its input (one that could not
    # write it, out of file descriptors) still fails the run.
    if grep -qE '^==[0-9]+== ?ERROR|CHECK failed|deadly signal' "$build/logs/$target-"*.log; then
        echo "fuzz_$target: a process failed (see $build/logs)" >&2
        exit 1
    fi
    echo "== fuzz_$target: replaying $(ls "$build/corpus/$target" | wc -l) kept inputs under ASan + UBSan"
    "$build-asan/fuzz_$target" -runs=0 \
        -artifact_prefix="$build/artifacts/$target-asan-" \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>&1 |
        grep -E '^==[0-9]+== ?ERROR|^SUMMARY:|runtime error|Test unit written|^Done' || true
    if ls "$build/artifacts/$target-asan-"* > /dev/null 2>&1; then
        echo "fuzz_$target: failing inputs in $build/artifacts" >&2
        exit 1
    fi
done
