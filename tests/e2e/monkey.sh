#!/usr/bin/env bash
# A monkey at the keyboard: thousands of random key strokes, menu choices,
# clicks into fields and field edits sent to the real program on a virtual X
# display, for a bounded time. It fails on a crash, a hang (the program stops
# answering typed keys), a modal state it cannot leave, a sanitizer report in
# the program's error output, or an exit status other than 0; at the end it
# leaves through File > Exit.
#
#   [SEED=n] [MONKEY_SECONDS=75] [MONKEY_ACTIONS=n] tests/e2e/monkey.sh <nolvex>
#   REPLAY=<actions.log> tests/e2e/monkey.sh <nolvex>
#
# The actions come from a random generator of our own, seeded with SEED
# (default: a new seed, printed), so SEED=n sends the same actions again.
# Timing is not reproduced: how far the program has got when the next key
# arrives, and so what the monkey sees and dismisses, can differ between
# runs. Every key and click sent (as xdotool arguments, clicks in screen
# pixels), with the monkey's own reactions, is written to E2E_OUT/actions.log;
# REPLAY=<that file> sends exactly those again, in order. E2E_OUT (default
# ./monkey-out) also keeps the seed, the event log, the program's output and a
# final screenshot.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
# read before E2E_OUT is emptied: the file to replay may be in it
REPLAY=${REPLAY:-}
REPLAY_LINES=()
if [ -n "$REPLAY" ]; then
    mapfile -t REPLAY_LINES <"$REPLAY"
fi
e2e_init "${1:-}"

MONKEY_SECONDS=${MONKEY_SECONDS:-75}
MONKEY_ACTIONS=${MONKEY_ACTIONS:-1000000}
KEY_DELAY=${MONKEY_DELAY:-6} # milliseconds between two key strokes
BATCH_SIZE=8                 # actions sent by one xdotool call
CHECK_EVERY=16               # actions between two looks at the windows
PROBE_EVERY=400              # actions between two checks that it answers
if [ -z "${SEED:-}" ]; then
    SEED=$(($(od -An -N4 -tu4 /dev/urandom) % 2147483647))
fi
echo "$SEED" >"$E2E_OUT/seed.txt"
ACTIONS=$E2E_OUT/actions.log
: >"$ACTIONS"
TAB=$'\t'
if [ -z "$REPLAY" ]; then
    # shellcheck disable=SC2034 # said by e2e_fail
    E2E_FAIL_HINT="seed $SEED: SEED=$SEED $0 $1 sends the same actions again;
the keys and clicks sent are in $ACTIONS (REPLAY=<a copy of it> replays them)"
fi

# ---- the generator ----------------------------------------------------------
# A 31-bit linear congruential generator (the constants of the C standard's
# example), the same in every bash; rand N sets R to a number in [0, N).
RNG=$((SEED & 0x7fffffff))
R=0
rand() {
    RNG=$(((RNG * 1103515245 + 12345) & 0x7fffffff))
    R=$(((RNG >> 8) % $1))
}
# pick WORD...: sets P to one of the words
pick() {
    local words=("$@")
    rand ${#words[@]}
    P=${words[$R]}
}

# ---- sending, with the log ---------------------------------------------------
# Actions are queued as xdotool commands and sent several at a time: starting
# xdotool costs more than the keys it sends.

N=0       # actions done
STROKES=0 # key strokes and clicks sent
RESTARTS=0
BATCH=()

note() { printf '%s\t# %s\n' "$N" "$*" >>"$ACTIONS"; }

# queue ARG...: one action, as xdotool arguments (key ..., mousemove X Y click ...)
queue() {
    printf '%s\t%s\n' "$N" "$*" >>"$ACTIONS"
    BATCH+=("$@")
    local arg skip=0
    for arg in "$@"; do
        if ((skip > 0)); then
            skip=$((skip - 1))
            continue
        fi
        case $arg in
        key) ;;
        --delay) skip=1 ;;
        mousemove) skip=2 ;;
        click) skip=3 STROKES=$((STROKES + 1)) ;; # click --delay MS BUTTON
        *) STROKES=$((STROKES + 1)) ;;
        esac
    done
}

flush() {
    ((${#BATCH[@]})) || return 0
    xdotool "${BATCH[@]}" 2>/dev/null || true
    BATCH=()
}

send_keys() { queue key --delay "$KEY_DELAY" "$@"; }

# a click of the left button, held 10 ms (xdotool's own default is slow)
CLICK=(click --delay 10 1)

# Characters as key names, so that typing chains with the other commands.
declare -A KEY_NAME=([-]=minus [.]=period [,]=comma [' ']=space)
send_text() {
    local names=() k c
    for ((k = 0; k < ${#1}; k++)); do
        c=${1:$k:1}
        names+=("${KEY_NAME[$c]:-$c}")
    done
    send_keys "${names[@]}"
}

# Screen positions, measured when the program starts and at every look.
MAIN_X=0 MAIN_Y=0
TOOL_X='' TOOL_Y='' TOOL_CLOSE=''

measure_main() {
    read -r MAIN_X MAIN_Y < <(xwininfo -id "$MAIN" |
        awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
}

measure_tool() {
    local tool x y w
    tool=$(e2e_window "Degree System Conversion")
    TOOL_X='' TOOL_Y='' TOOL_CLOSE=''
    [ -n "$tool" ] || return 0
    read -r TOOL_X TOOL_Y < <(xwininfo -id "$tool" |
        awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
    read -r x y w _ < <(e2e_frame "$tool")
    TOOL_CLOSE="$((x + w - 12)) $((y + 10))"
}

# send_click_field NAME [tool]: a click into a field of the main window or of
# the degree tool (when that is shown).
send_click_field() {
    local left width top x0 y0
    read -r left width top <<<"${E2E_FIELD_POS[$1]}"
    if [ "${2:-}" = tool ]; then
        [ -n "$TOOL_X" ] || return 0
        x0=$TOOL_X y0=$TOOL_Y
    else
        x0=$MAIN_X y0=$((MAIN_Y + E2E_MENU_H))
    fi
    queue mousemove "$((x0 + left + width / 2))" "$((y0 + top + 10))" "${CLICK[@]}"
}

# ---- the program's state -----------------------------------------------------

start() {
    e2e_start_program
    measure_main
    measure_tool
    note "started, pid $APP_PID"
}

# The program may end through its own File > Exit (alt+f and Enter are among
# the random keys). That must be a clean end; the monkey then starts it again.
check_alive() {
    kill -0 "$APP_PID" 2>/dev/null && return 0
    local status=0
    wait "$APP_PID" || status=$?
    APP_PID=
    note "ended with status $status"
    [ "$status" = 0 ] || e2e_fail "the program ended with status $status by action $N"
    e2e_check_sanitizers
    tail -n 5 "$EVENTS" | grep -qxF "hidden${TAB}$MAIN_TITLE" ||
        e2e_fail "the program ended by action $N without closing its window"
    RESTARTS=$((RESTARTS + 1))
    e2e_note "the program left through File > Exit by action $N; starting it again"
    BATCH=()
    start
}

# Closes whatever modal dialog or error box is open: Escape (Cancel, or OK for
# an error box), and Enter when Escape does not help. Fails when one stays.
dismiss_dialogs() {
    local tries dialogs
    for tries in 1 2 3 4 5 6 7 8; do
        dialogs=$(e2e_dialogs)
        [ -z "$dialogs" ] && return 0
        note "dismiss $(echo "$dialogs" | paste -sd ',')"
        if ((tries <= 4)); then send_keys Escape; else send_keys Return; fi
        flush
        sleep 0.25
        check_alive
    done
    sleep 2 # a slow program may still be closing it
    dialogs=$(e2e_dialogs)
    [ -z "$dialogs" ] || e2e_fail "stuck in a modal state by action $N: $(echo "$dialogs" | paste -sd ',')"
}

# The program still answers: with every dialog closed, a key typed into a field
# of the main window shows up in the event log.
probe() {
    note "probe"
    send_keys Escape Escape # an open menu
    flush
    sleep 0.1
    check_alive
    dismiss_dialogs
    local mark i
    mark=$(e2e_lines)
    send_click_field edtUtmZ2
    send_keys End 1
    flush
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        e2e_lines_after "$mark" | grep -q "^edtUtmZ2${TAB}" && return 0
        check_alive
        # an error box from a key still queued may hold the keyboard
        if ((i % 40 == 39)); then
            dismiss_dialogs
            send_click_field edtUtmZ2
            send_keys End 1
            flush
        fi
        sleep 0.05
    done
    e2e_fail "the program did not answer a typed key within $E2E_WAIT s by action $N"
}

# A look at the windows: where the tool window is, and whether a dialog has
# been open for several looks in a row (then it is closed).
DIALOG_LOOKS=0
look() {
    measure_tool
    if [ -n "$(e2e_dialogs)" ]; then
        DIALOG_LOOKS=$((DIALOG_LOOKS + 1))
        if ((DIALOG_LOOKS >= 3)); then
            dismiss_dialogs
            DIALOG_LOOKS=0
        fi
    else
        DIALOG_LOOKS=0
    fi
}

# The file-conversion dialog and its file choosers would let random keys walk
# the file system and write converted files there: they are closed as soon
# as they show.
FILE_MARK=0
close_file_windows() {
    if e2e_lines_after "$FILE_MARK" |
        grep -qE "^shown${TAB}(Convert File|Input File|Output File)\$"; then
        note "close the file-conversion dialog"
        dismiss_dialogs
    fi
    FILE_MARK=$(e2e_lines)
}

# ---- the random actions ------------------------------------------------------

MAIN_FIELDS=()
for side in 1 2; do
    for stem in edtLatDd edtLonDd edtAltDd edtLatDmd edtLatDmm edtLonDmd edtLonDmm \
        edtLatDmsd edtLatDmsm edtLatDmss edtLonDmsd edtLonDmsm edtLonDmss \
        edtUtmX edtUtmY edtUtmZ; do
        MAIN_FIELDS+=("$stem$side")
    done
done
TOOL_FIELDS=(edtDd edtDmd edtDmm edtDmsd edtDmsm edtDmss edtRadian)
# What a field may be given: digits and the other characters of numbers, and
# letters (in an open menu these are its access keys: d, c, f, e, u, a).
CHARS='0123456789000111--..,,eEeabcdfuz '
EDIT_KEYS=(BackSpace BackSpace BackSpace Delete Home End Left Right ctrl+a Tab shift+Tab space)
# File (rarer), Edit, Tools, Conversion and Config (both on c), Help
MENU_KEYS=(f e t t c c c c h)
# the middles of the menu titles, from the left of the menu bar: File, Edit,
# Transformation, Conversion, Config, Tools, Help
MENU_TITLE_X=(17 50 119 210 276 325 366)

# random_number: sets P to a number text: a sign, digits, a fraction, an
# exponent up to 400 either way.
random_number() {
    local text='' k
    rand 4
    ((R == 0)) && text=-
    rand 4
    local digits=$((R + 1))
    for ((k = 0; k < digits; k++)); do
        rand 10
        text+=$R
    done
    rand 2
    if ((R == 0)); then
        text+=.
        rand 12
        digits=$((R + 1))
        for ((k = 0; k < digits; k++)); do
            rand 10
            text+=$R
        done
    fi
    rand 4
    if ((R == 0)); then
        pick e E e-
        text+=$P
        rand 401
        text+=$R
    fi
    P=$text
}

random_action() {
    rand 100
    local r=$R
    if ((r < 18)); then # a few characters into whatever has the focus
        rand 6
        local len=$((R + 1)) text='' k
        for ((k = 0; k < len; k++)); do
            rand ${#CHARS}
            text+=${CHARS:$R:1}
        done
        send_text "$text"
    elif ((r < 30)); then # a whole number over the text, from tiny to huge
        random_number
        local names=(ctrl+a) k c
        for ((k = 0; k < ${#P}; k++)); do
            c=${P:$k:1}
            names+=("${KEY_NAME[$c]:-$c}")
        done
        send_keys "${names[@]}"
    elif ((r < 48)); then
        pick "${EDIT_KEYS[@]}"
        send_keys "$P"
    elif ((r < 56)); then
        pick Up Down Down Left Right Page_Down
        send_keys "$P"
    elif ((r < 61)); then
        send_keys Return
    elif ((r < 65)); then
        send_keys Escape
    elif ((r < 77)); then # a menu by its access key, then a way through it
        pick "${MENU_KEYS[@]}"
        local keys=("alt+$P") k moves
        rand 4
        moves=$R
        for ((k = 0; k < moves; k++)); do
            pick Down Down Up Right Left
            keys+=("$P")
        done
        pick Return Return d c f e u a Escape
        keys+=("$P")
        send_keys "${keys[@]}"
    elif ((r < 89)); then
        pick "${MAIN_FIELDS[@]}"
        send_click_field "$P"
    elif ((r < 94)); then
        pick "${TOOL_FIELDS[@]}"
        send_click_field "$P" tool
    elif ((r < 96)); then
        # the close box of the tool window, when it is shown
        # shellcheck disable=SC2086 # "X Y"
        [ -z "$TOOL_CLOSE" ] || queue mousemove $TOOL_CLOSE "${CLICK[@]}"
    else
        pick "${MENU_TITLE_X[@]}"
        queue mousemove "$((MAIN_X + P))" "$((MAIN_Y + E2E_MENU_H / 2))" "${CLICK[@]}"
    fi
}

# ---- the run -------------------------------------------------------------------

e2e_start_display
start
if [ -n "$REPLAY" ]; then
    e2e_note "replaying ${#REPLAY_LINES[@]} lines of $REPLAY"
else
    e2e_note "seed $SEED (again: SEED=$SEED $0 $PROGRAM)"
fi
deadline=$(awk -v t="$EPOCHREALTIME" -v s="$MONKEY_SECONDS" 'BEGIN { printf "%d", t + s }')

if [ -n "$REPLAY" ]; then
    for line in "${REPLAY_LINES[@]}"; do
        N=${line%%"$TAB"*}
        what=${line#*"$TAB"}
        case $what in
        "#"*) continue ;; # the monkey's notes
        *)
            read -ra args <<<"$what"
            queue "${args[@]}"
            ;;
        esac
        if ((${#BATCH[@]} > 40)); then
            flush
            check_alive
        fi
    done
    flush
    check_alive
else
    while ((N < MONKEY_ACTIONS)) && ((${EPOCHREALTIME%.*} < deadline)); do
        N=$((N + 1))
        random_action
        if ((N % BATCH_SIZE == 0)); then
            flush
            check_alive
            close_file_windows
        fi
        ((N % CHECK_EVERY == 0)) && look
        ((N % PROBE_EVERY == 0)) && probe
    done
    flush
    check_alive
fi

e2e_note "$N actions, $STROKES key strokes and clicks, $RESTARTS restarts after File > Exit"
probe
e2e_shot final
note "exit"
send_keys Escape Escape
flush
e2e_wait_active "$MAIN"
e2e_menu f "&File"
e2e_key x
e2e_wait_exit
note "ended with status $APP_STATUS"
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"
e2e_check_sanitizers
[ -n "$REPLAY" ] && SEED="none (a replay of $REPLAY)"
e2e_note "monkey passed: $(grep -c '^error' "$EVENTS" || true) error boxes," \
    "$(grep -c '^shown' "$EVENTS" || true) windows shown; seed $SEED; files in $E2E_OUT"
