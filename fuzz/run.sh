#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, default 60), starting from the seed corpus in fuzz/corpus.
# New inputs go to the build directory, never into the committed corpus; a
# crash stops the run with the failing input saved under artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ > /dev/null
cmake --build "$build" --target fuzz_angle fuzz_line -j "$(nproc)"

mkdir -p "$build/artifacts"
for target in angle line; do
    echo "== fuzz_$target for ${seconds}s"
    mkdir -p "$build/corpus/$target"
    "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "fuzz/corpus/$target"
done
