# shellcheck shell=bash disable=SC2034
# Shared by the tests that drive the real program from outside
# (walkthrough.sh, monkey.sh) and by scripts/screenshots.sh; sourced, not run.
#
# It starts a virtual X display (Xvfb, on a display number of its own), a small
# window manager (openbox, with tests/e2e/openbox-rc.xml: frames with a close
# box, no key bindings of its own) and the program with its event log
# (NOLVEX_EVENT_LOG), and offers what a person does with a keyboard and a
# mouse (xdotool) together with waits on what the event log and the X server
# show. Everything a run leaves (event log, program output, screenshots) is in
# E2E_OUT.
#
# Settings (environment):
#   E2E_OUT    directory for the run's files (default: ./<script name>-out;
#              emptied first)
#   E2E_WAIT   seconds to wait for the program to show something (default 30;
#              the sanitizer build is slow)
#   E2E_DELAY  milliseconds between two key strokes (default 40)

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_WAIT=${E2E_WAIT:-30}
E2E_DELAY=${E2E_DELAY:-40}

# The sanitizer build reports into the program's standard error and aborts;
# these are the settings `make test` uses, for runs started by hand.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$E2E_DIR/../../scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The numbers in the tests are written with a decimal point.
export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING

MAIN_TITLE='ZEPHANIX Datum Transformation & Coordinate Conversion '
BOX_TITLE='ZEPHANIX NLVX'

E2E_XVFB_PID=
E2E_WM_PID=
APP_PID=
APP_RUN=0
MAIN=
EVENTS=
E2E_T0=$EPOCHREALTIME

# ---- reporting --------------------------------------------------------------

e2e_elapsed() {
    awk -v a="$E2E_T0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%6.1f", b - a }'
}

e2e_note() { echo "[$(e2e_elapsed) s] $*"; }

# Ends the run as failed: says why, keeps a screenshot and the end of the
# event log and of the program's error output.
e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && [ -n "$E2E_XVFB_PID" ]; then
        import -window root "$E2E_OUT/failure.png" 2>/dev/null &&
            echo "screen at the failure: $E2E_OUT/failure.png" >&2
    fi
    if [ -n "$EVENTS" ] && [ -f "$EVENTS" ]; then
        echo "--- last lines of $EVENTS" >&2
        tail -n 25 "$EVENTS" >&2
    fi
    if [ -s "$(e2e_stderr)" ]; then
        echo "--- last lines of $(e2e_stderr)" >&2
        tail -n 40 "$(e2e_stderr)" >&2
    fi
    [ -z "${E2E_FAIL_HINT:-}" ] || echo "$E2E_FAIL_HINT" >&2
    exit 1
}

# ---- start and stop ---------------------------------------------------------

# Ends what the run started, by process id. A program that hangs (or was
# stopped) gets SIGKILL after 5 s.
e2e_stop() { # PID
    kill -TERM "$1" 2>/dev/null || return 0
    kill -CONT "$1" 2>/dev/null || true
    local i
    for ((i = 0; i < 100; i++)); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

e2e_cleanup() {
    if [ -n "$APP_PID" ]; then
        e2e_stop "$APP_PID"
    fi
    if [ -n "$E2E_WM_PID" ]; then
        e2e_stop "$E2E_WM_PID"
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        e2e_stop "$E2E_XVFB_PID"
    fi
}

# e2e_init PROGRAM: checks the tools and the program, prepares E2E_OUT.
e2e_init() {
    PROGRAM=$1
    if [ -z "$PROGRAM" ] || [ ! -x "$PROGRAM" ]; then
        echo "usage: $(basename "$0") <path to the nolvex program>" >&2
        exit 2
    fi
    PROGRAM=$(cd "$(dirname "$PROGRAM")" && pwd)/$(basename "$PROGRAM")
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop import; do
        command -v "$tool" >/dev/null ||
            { echo "$(basename "$0"): $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
    done
    E2E_OUT=${E2E_OUT:-$PWD/$(basename "$0" .sh)-out}
    mkdir -p "$E2E_OUT"
    E2E_OUT=$(cd "$E2E_OUT" && pwd)
    rm -f "$E2E_OUT"/*.png "$E2E_OUT"/*.log "$E2E_OUT"/*.txt
    EVENTS=$E2E_OUT/events.log
    export XDG_RUNTIME_DIR=$E2E_OUT/runtime
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 0700 "$XDG_RUNTIME_DIR"
    trap e2e_cleanup EXIT
    # a command of the script itself that fails ends the run with its line
    set -E
    trap '[ "$BASHPID" = "$$" ] && e2e_fail "the test script failed at line $LINENO: $BASH_COMMAND"' ERR
}

# A display of its own: Xvfb picks a free number and writes it to a file
# descriptor once it accepts clients. Then the window manager, ready when it
# has announced itself on the root window.
e2e_start_display() {
    local displayfile=$E2E_OUT/display.txt
    : >"$displayfile"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset \
        9>"$displayfile" >"$E2E_OUT/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    local i
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        grep -q '^[0-9][0-9]*$' "$displayfile" 2>/dev/null && break
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start (see $E2E_OUT/xvfb.log)"
        sleep 0.05
    done
    grep -q '^[0-9][0-9]*$' "$displayfile" || e2e_fail "Xvfb gave no display number"
    DISPLAY=":$(head -n 1 "$displayfile")"
    export DISPLAY

    openbox --sm-disable --config-file "$E2E_DIR/openbox-rc.xml" \
        >"$E2E_OUT/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        kill -0 "$E2E_WM_PID" 2>/dev/null || e2e_fail "openbox did not start (see $E2E_OUT/openbox.log)"
        sleep 0.05
    done
    e2e_note "display $DISPLAY with a window manager"
}

e2e_stderr() { echo "$E2E_OUT/nolvex-$APP_RUN.stderr"; }

# Starts the program with its event log and waits for its first paint; sets
# APP_PID and MAIN (the main window's X id).
e2e_start_program() {
    APP_RUN=$((APP_RUN + 1))
    local start
    start=$(e2e_lines)
    NOLVEX_EVENT_LOG=$EVENTS "$PROGRAM" >"$E2E_OUT/nolvex-$APP_RUN.stdout" 2>"$(e2e_stderr)" &
    APP_PID=$!
    e2e_wait_line painted "$start"
    MAIN=$(e2e_window "$MAIN_TITLE")
    [ -n "$MAIN" ] || e2e_fail "no main window on the display"
    # the window's height less the 426 pixels of its working area
    E2E_MENU_H=$(($(xwininfo -id "$MAIN" | awk '/Height:/ { print $2 }') - 426))
    e2e_wait_active "$MAIN"
    e2e_note "program running (pid $APP_PID, main window $MAIN)"
}

# Fails when the program has ended.
e2e_alive() {
    kill -0 "$APP_PID" 2>/dev/null || {
        local status=0
        wait "$APP_PID" || status=$?
        APP_PID=
        e2e_fail "the program ended unexpectedly (exit status $status)${1:+ $1}"
    }
}

# Waits for the program to end; sets APP_STATUS to its exit status.
e2e_wait_exit() {
    local i
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$APP_PID" 2>/dev/null && e2e_fail "the program did not end"
    APP_STATUS=0
    wait "$APP_PID" || APP_STATUS=$?
    APP_PID=
}

# Fails when the program's error output holds a sanitizer report.
e2e_check_sanitizers() {
    local file
    for file in "$E2E_OUT"/nolvex-*.stderr; do
        [ -f "$file" ] || continue
        if grep -qE 'ERROR: AddressSanitizer|runtime error:|LeakSanitizer|ERROR: UndefinedBehaviorSanitizer' "$file"; then
            echo "--- sanitizer report in $file" >&2
            head -n 60 "$file" >&2
            e2e_fail "sanitizer report in $file"
        fi
    done
}

# ---- the event log ----------------------------------------------------------

# The number of lines in the event log so far (a mark for e2e_wait_line).
e2e_lines() {
    if [ -f "$EVENTS" ]; then wc -l <"$EVENTS"; else echo 0; fi
}

# e2e_wait_line LINE [MARK]: waits until LINE (exactly) is in the event log
# after line MARK (default 0).
e2e_wait_line() {
    local line=$1 mark=${2:-0} i
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        tail -n +"$((mark + 1))" "$EVENTS" 2>/dev/null | grep -qxF -- "$line" && return 0
        e2e_alive "while waiting for \"$line\""
        sleep 0.05
    done
    e2e_fail "\"$line\" did not appear in the event log within $E2E_WAIT s"
}

# e2e_field NAME: the text the log last reported for field or label NAME.
e2e_field() {
    awk -F '\t' -v n="$1" '$1 == n { v = substr($0, length(n) + 2); seen = 1 }
                           END { if (seen) print v }' "$EVENTS"
}

# e2e_expect_field NAME TEXT: waits until NAME last showed TEXT.
e2e_expect_field() {
    local name=$1 text=$2 i
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field "$name")" = "$text" ] && return 0
        e2e_alive "while waiting for $name \"$text\""
        sleep 0.05
    done
    e2e_fail "$name shows \"$(e2e_field "$name")\", expected \"$text\""
}

# e2e_expect_fields NAME TEXT [NAME TEXT ...]
e2e_expect_fields() {
    while [ $# -ge 2 ]; do
        e2e_expect_field "$1" "$2"
        shift 2
    done
}

# e2e_lines_after MARK: the event log after line MARK.
e2e_lines_after() { tail -n +"$(($1 + 1))" "$EVENTS"; }

# ---- windows ----------------------------------------------------------------

# e2e_window TITLE: the X id of the program's visible window with that title
# (empty when there is none).
e2e_window() {
    local title=$1
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name "^${title}\$" 2>/dev/null); do
        # Menus carry the application's name as their title too.
        if xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null |
            grep -qE '_NET_WM_WINDOW_TYPE_(NORMAL|DIALOG)'; then
            echo "$id"
            break
        fi
    done
    return 0
}

# e2e_dialogs: the titles of the program's visible dialogs, one a line.
e2e_dialogs() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '.' 2>/dev/null); do
        if xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then
            xdotool getwindowname "$id" 2>/dev/null
        fi
    done
}

# e2e_wait_active ID: waits until window ID has the keyboard focus.
e2e_wait_active() {
    local id=$1 i
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ] && return 0
        e2e_alive
        sleep 0.05
    done
    e2e_fail "window $id ($(xdotool getwindowname "$id" 2>/dev/null)) did not get the focus"
}

# e2e_frame ID: "X Y WIDTH HEIGHT" of the window manager's frame around ID.
e2e_frame() {
    local frame
    frame=$(xwininfo -id "$1" -tree | awk '/Parent window id/ { print $4 }')
    xwininfo -id "$frame" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
                                 /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}

# e2e_close_box ID: clicks the close box in the frame of window ID (the theme
# in openbox-rc.xml puts it 12 pixels in from the right and 10 down).
e2e_close_box() {
    local x y w h
    read -r x y w h < <(e2e_frame "$1")
    xdotool mousemove "$((x + w - 12))" "$((y + 10))" click 1
}

# e2e_shot NAME [ID]: saves the screen (or the frame of window ID) as
# E2E_OUT/NAME.png.
e2e_shot() {
    local name=$1 id=${2:-}
    sleep 0.4 # the last paint reaches the server
    if [ -n "$id" ]; then
        local x y w h
        read -r x y w h < <(e2e_frame "$id")
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$E2E_OUT/$name.png"
    else
        import -window root "$E2E_OUT/$name.png"
    fi
}

# ---- keyboard and mouse -----------------------------------------------------

# e2e_key KEY...: key strokes, one after the other (xdotool key names).
e2e_key() {
    xdotool key --delay "$E2E_DELAY" "$@"
}

# e2e_type TEXT: types TEXT one key at a time.
e2e_type() {
    xdotool type --delay "$E2E_DELAY" -- "$1"
}

# The main window's fields: column left and width, row top, all in pixels from
# the top left of the window's area under the menu bar.
declare -A E2E_FIELD_POS
e2e_define_fields() {
    local side x0 s
    for side in 1 2; do
        x0=$((side == 1 ? 16 : 336))
        s=$side
        # group "도(DD)" at top 40, "도분(DM)" at 136, "도분초(DMS)" at 208,
        # "미터(m)" at 320; rows at 12, 36 and 60 inside a group
        E2E_FIELD_POS[edtLatDd$s]="$((x0 + 88)) 201 52"
        E2E_FIELD_POS[edtLonDd$s]="$((x0 + 88)) 201 76"
        E2E_FIELD_POS[edtAltDd$s]="$((x0 + 88)) 201 100"
        E2E_FIELD_POS[edtLatDmd$s]="$((x0 + 88)) 57 148"
        E2E_FIELD_POS[edtLatDmm$s]="$((x0 + 152)) 137 148"
        E2E_FIELD_POS[edtLonDmd$s]="$((x0 + 88)) 57 172"
        E2E_FIELD_POS[edtLonDmm$s]="$((x0 + 152)) 137 172"
        E2E_FIELD_POS[edtLatDmsd$s]="$((x0 + 88)) 57 220"
        E2E_FIELD_POS[edtLatDmsm$s]="$((x0 + 152)) 57 220"
        E2E_FIELD_POS[edtLatDmss$s]="$((x0 + 216)) 73 220"
        E2E_FIELD_POS[edtLonDmsd$s]="$((x0 + 88)) 57 244"
        E2E_FIELD_POS[edtLonDmsm$s]="$((x0 + 152)) 57 244"
        E2E_FIELD_POS[edtLonDmss$s]="$((x0 + 216)) 73 244"
        E2E_FIELD_POS[edtUtmX$s]="$((x0 + 88)) 201 332"
        E2E_FIELD_POS[edtUtmY$s]="$((x0 + 88)) 201 356"
        E2E_FIELD_POS[edtUtmZ$s]="$((x0 + 88)) 201 380"
    done
    # the degree-system tool window, from its top left
    E2E_FIELD_POS[edtDd]="104 177 12"
    E2E_FIELD_POS[edtDmd]="104 57 40"
    E2E_FIELD_POS[edtDmm]="168 113 40"
    E2E_FIELD_POS[edtDmsd]="104 57 68"
    E2E_FIELD_POS[edtDmsm]="168 41 68"
    E2E_FIELD_POS[edtDmss]="216 65 68"
    E2E_FIELD_POS[edtRadian]="104 177 96"
}
e2e_define_fields

# The height of the main window's menu bar (measured by e2e_start_program).
e2e_menu_height() { echo "$E2E_MENU_H"; }

# e2e_click_field NAME [WINDOW]: clicks into a field of the main window (or of
# the degree tool, given its window), in the field's middle.
e2e_click_field() {
    local name=$1 window=${2:-$MAIN} left width top offset=0
    read -r left width top <<<"${E2E_FIELD_POS[$name]}"
    [ -n "$left" ] || e2e_fail "no position known for field $name"
    [ "$window" = "$MAIN" ] && offset=$(e2e_menu_height)
    xdotool mousemove --window "$window" "$((left + width / 2))" "$((offset + top + 10))" click 1
}

# e2e_replace_field NAME TEXT [WINDOW]: clicks into the field, selects all of
# its text and types TEXT over it, one key at a time.
e2e_replace_field() {
    e2e_click_field "$1" "${3:-}"
    e2e_key ctrl+a
    if [ -n "$2" ]; then e2e_type "$2"; else e2e_key BackSpace; fi
}

# e2e_menu KEY TITLE: opens the menu TITLE with its access key (alt+KEY). Two
# menus may share an access key ("&Conversion", "&Config"); pressing it again
# moves on to the next, as a person does until the wanted menu is open.
e2e_menu() {
    local key=$1 title=$2 try mark
    for try in 1 2 3; do
        [ "$try" = 1 ] || e2e_note "alt+$key opened another menu; pressing it again"
        mark=$(e2e_lines)
        e2e_key "alt+$key"
        local i opened=
        for ((i = 0; i < E2E_WAIT * 20; i++)); do
            opened=$(e2e_lines_after "$mark" | awk -F '\t' '$1 == "menu" { t = $2 } END { print t }')
            [ -n "$opened" ] && break
            e2e_alive
            sleep 0.05
        done
        [ "$opened" = "$title" ] && return 0
        [ -n "$opened" ] || e2e_fail "alt+$key opened no menu"
    done
    e2e_fail "alt+$key did not open the menu \"$title\""
}
