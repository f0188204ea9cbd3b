#!/usr/bin/env bash
# What a corpus reaches: replays each corpus given, target by target, in a
# coverage build (clang's source-based coverage) and prints the lines
# covered in batch/, notation/ and commands/, the code the fuzzers are
# guided through.
#   fuzz/coverage.sh NAME=DIR_OF_angle_AND_line [NAME=...]
# Each DIR holds angle/ and line/ (fuzz/corpus, or build-fuzz/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_COVERAGE_BUILD:-build-fuzz-coverage}
cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DFUZZ_COVERAGE=ON -DCMAKE_CXX_COMPILER=clang++ > /dev/null
cmake --build "$build" --target fuzz_angle fuzz_line -j "${FUZZ_JOBS:-2}" > /dev/null
for corpus in "$@"; do
    name=${corpus%%=*}
    dir=${corpus#*=}
    profiles=()
    for target in angle line; do
        raw="$build/$name-$target.profraw"
        rm -f "$raw"
        LLVM_PROFILE_FILE="$raw" "$build/fuzz_$target" -runs=0 \
            "$dir/$target" > /dev/null 2>&1
        profiles+=("$raw")
    done
    llvm-profdata merge -sparse "${profiles[@]}" -o "$build/$name.profdata"
    echo "== $name ($dir): $(ls "$dir/angle" | wc -l) angle and $(ls "$dir/line" | wc -l) line inputs"
    llvm-cov report "$build/fuzz_line" -object "$build/fuzz_angle" \
        -instr-profile="$build/$name.profdata" \
        $(find batch notation commands -name '*.cpp' | sort) |
        awk 'BEGIN { printf "%-34s %8s %8s %8s\n", "file", "lines", "missed", "cover" }
             /^(batch|notation|commands)\// || /^TOTAL/ {
                 # llvm-cov report: regions (3), functions (3), lines (3)
                 printf "%-34s %8s %8s %8s\n", $1, $8, $9, $10 }'
done
