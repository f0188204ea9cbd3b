#!/usr/bin/env bash
# Starts the program built in the given build directory (default: build).
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the window opens there and
# this script waits until it is closed. Without one, the program runs on a
# virtual X display (Xvfb): the start-up window is saved as
# <build>/nolvex-startup.png, its path printed, and the program closed again
# through its own File > Exit.
set -euo pipefail

build=${1:-build}
program=$build/app/nolvex
if [ ! -x "$program" ]; then
    echo "run.sh: $program not found; build first (make run builds it)" >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

for tool in Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        echo "run.sh: no display, and $tool is missing for the virtual one" \
             "(scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

work=$(mktemp -d)
app_pid=
. "$(dirname "$0")/xvfb.sh"
cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work"

# The program reports its first paint in its event log.
NOLVEX_EVENT_LOG="$work/events.log" "$program" >"$work/nolvex.log" 2>&1 &
app_pid=$!
for _ in $(seq 200); do
    grep -qx painted "$work/events.log" 2>/dev/null && break
    if ! kill -0 "$app_pid" 2>/dev/null; then
        echo "run.sh: the program ended before it showed its window:" >&2
        cat "$work/nolvex.log" >&2
        exit 1
    fi
    sleep 0.05
done
if ! grep -qx painted "$work/events.log" 2>/dev/null; then
    echo "run.sh: the window was not painted within 10 s" >&2
    exit 1
fi
sleep 0.3 # let the first frame reach the X server

window=$(xdotool search --onlyvisible --name '^ZEPHANIX Datum Transformation' |
    head -n 1)
shot=$(cd "$build" && pwd)/nolvex-startup.png
if [ -n "$window" ]; then
    import -window "$window" "$shot"
else
    import -window root "$shot"
fi
echo "No display: the program ran on a virtual one (Xvfb $DISPLAY)."
echo "Its start-up window: $shot"

# Close the program as a user would: File > Exit.
if [ -n "$window" ]; then
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers alt+f 2>/dev/null || true
    sleep 0.2
    xdotool key x 2>/dev/null || true
fi
for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$app_pid" 2>/dev/null; then
    echo "run.sh: the program did not close through its menu; ending it" >&2
    kill "$app_pid"
fi
status=0
wait "$app_pid" || status=$?
app_pid=
exit "$status"
