#!/usr/bin/env bash
# Start-up time of the desktop program: from the start of its process to the
# first paint of its main window, on a virtual X display (Xvfb), over several
# runs; prints every run and the median in milliseconds.
#
#   scripts/measure-startup.sh [build-dir] [runs]      (defaults: build, 11)
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

times=()
for run in $(seq "$runs"); do
    log=$work/events-$run.log
    (
        echo "$EPOCHREALTIME" >"$work/start-$run"
        NOLVEX_EVENT_LOG="$log" exec "$program"
    ) >"$work/nolvex-$run.log" 2>&1 &
    app_pid=$!
    for _ in $(seq 400); do
        grep -qx painted "$log" 2>/dev/null && break
        sleep 0.025
    done
    if ! grep -qx painted "$log" 2>/dev/null; then
        echo "measure-startup.sh: run $run: no paint within 10 s" >&2
        exit 1
    fi
    painted=$(stat -c %.9Y "$log")
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    start=$(cat "$work/start-$run")
    ms=$(awk -v a="$start" -v b="$painted" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
    times+=("$ms")
    echo "run $run: $ms ms"
done

median=$(printf '%s\n' "${times[@]}" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                             else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "median of $runs runs, process start to first paint: $median ms"
