# Sourced by the scripts that need a virtual X display.
#
#   start_xvfb WORKDIR   starts Xvfb on a display number it picks itself (so
#                        that parallel runs never share one), waits until it
#                        accepts clients, exports DISPLAY and sets XVFB_PID
#   stop_xvfb            ends it again

start_xvfb() {
    local work=$1
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$work/xvfb-display" >"$work/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 200); do
        [ -s "$work/xvfb-display" ] && break
        sleep 0.05
    done
    if [ ! -s "$work/xvfb-display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$work/xvfb-display")"
    export DISPLAY
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
