#!/usr/bin/env bash
# Start-up time of the desktop program: from the start of its process to the
# first paint of its main window, on a virtual X display (Xvfb), over several
# runs; prints every run and the median in milliseconds. Beside it, in the
# same run and turn about, a bare Qt window of the same size that logs its
# first paint the same way (scripts/bare-window.cpp, built here with the
# system's Qt): the floor that Qt itself sets, and the program's ratio to it.
#
#   scripts/measure-startup.sh [build-dir] [runs] [other-build-dir]
#                                                      (defaults: build, 11)
#
# With another build, its program is measured too, turn about with the
# others in every run (a build of an earlier commit, say): a machine whose
# load changes during the runs slows all three alike.
#
# The time of process start is taken by the shell just before it execs the
# program; the time of the first paint is the modification time of the
# program's event log (NOLVEX_EVENT_LOG) after it has written its "painted"
# line, the last line it writes at start-up. File times are kept at the
# kernel's clock tick (a few milliseconds), which bounds the resolution.
set -euo pipefail

build=${1:-build}
runs=${2:-11}
program=$(cd "$build" && pwd)/app/nolvex
if [ ! -x "$program" ]; then
    echo "measure-startup.sh: $program not found; build first" >&2
    exit 1
fi
other=
if [ -n "${3:-}" ]; then
    other=$(cd "$3" && pwd)/app/nolvex
    if [ ! -x "$other" ]; then
        echo "measure-startup.sh: $other not found; build first" >&2
        exit 1
    fi
fi
if [ -z "${EPOCHREALTIME:-}" ]; then
    echo "measure-startup.sh: needs bash 5 (EPOCHREALTIME)" >&2
    exit 1
fi

work=$(mktemp -d)
app_pid=
. "$(dirname "$0")/xvfb.sh"
cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work"

bare=$work/bare-window
${CXX:-g++} -std=c++20 -O2 -fPIC "$(dirname "$0")/bare-window.cpp" -o "$bare" \
    $(pkg-config --cflags --libs Qt6Widgets) ||
    { echo "measure-startup.sh: cannot build the bare window (Qt 6 development files)" >&2; exit 1; }

# measure NAME PROGRAM RUN: one start of PROGRAM to its first paint, in ms.
measure() {
    local name=$1 binary=$2 run=$3 log start painted
    log=$work/events-$name-$run.log
    (
        echo "$EPOCHREALTIME" >"$work/start-$name-$run"
        NOLVEX_EVENT_LOG="$log" exec "$binary"
    ) >"$work/$name-$run.log" 2>&1 &
    app_pid=$!
    for _ in $(seq 400); do
        grep -qx painted "$log" 2>/dev/null && break
        sleep 0.025
    done
    if ! grep -qx painted "$log" 2>/dev/null; then
        echo "measure-startup.sh: $name run $run: no paint within 10 s" >&2
        kill "$app_pid" 2>/dev/null || true
        exit 1
    fi
    painted=$(stat -c %.9Y "$log")
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    start=$(cat "$work/start-$name-$run")
    awk -v a="$start" -v b="$painted" 'BEGIN { printf "%.1f", (b - a) * 1000 }'
}

median() {
    printf '%s\n' "$@" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                 else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One start of each before the runs that count: the files are in the
# page cache for both.
measure nolvex "$program" 0 >/dev/null
measure bare "$bare" 0 >/dev/null
[ -z "$other" ] || measure other "$other" 0 >/dev/null

times=()
bare_times=()
other_times=()
for run in $(seq "$runs"); do
    ms=$(measure nolvex "$program" "$run") && [ -n "$ms" ] || exit 1
    bare_ms=$(measure bare "$bare" "$run") && [ -n "$bare_ms" ] || exit 1
    times+=("$ms")
    bare_times+=("$bare_ms")
    if [ -n "$other" ]; then
        other_ms=$(measure other "$other" "$run") && [ -n "$other_ms" ] || exit 1
        other_times+=("$other_ms")
        echo "run $run: $ms ms (bare window $bare_ms ms, $3 $other_ms ms)"
    else
        echo "run $run: $ms ms (bare window $bare_ms ms)"
    fi
done

median=$(median "${times[@]}")
bare_median=$(median "${bare_times[@]}")
echo "median of $runs runs, process start to first paint: $median ms"
echo "bare Qt window, the same way: $bare_median ms"
awk -v a="$median" -v b="$bare_median" 'BEGIN { printf "ratio to the bare window: %.2f\n", a / b }'
if [ -n "$other" ]; then
    other_median=$(median "${other_times[@]}")
    echo "$3, the same way: $other_median ms"
    awk -v a="$other_median" -v b="$bare_median" 'BEGIN { printf "its ratio to the bare window: %.2f\n", a / b }'
fi
