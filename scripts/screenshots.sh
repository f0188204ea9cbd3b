#!/usr/bin/env bash
# Takes the screenshots in docs/ again: the main window, every dialog, the
# degree-system tool, the about box and an error box, the Edit and
# Conversion menus, a field that cannot be read, the reference-system chooser and a side on an EPSG
# system, the file-conversion dialog running, done and with the columns
# of a file's heading, the zone of the grid row with its mark and a point
# pasted from WGS 84, each in its window frame, from the program built in
# the given build directory (default: build), driven on a virtual X display
# as tests/e2e/walkthrough.sh drives it.
#
#   scripts/screenshots.sh [build-dir]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
docs=$root/docs
export E2E_OUT
E2E_OUT=$(mktemp -d)
source "$root/tests/e2e/harness.sh"
e2e_init "$build/app/nolvex"
trap 'e2e_cleanup; rm -rf "$E2E_OUT"' EXIT
e2e_start_display
e2e_start_program
TAB=$'\t'

# shot FILE TITLE: the window TITLE, in its frame, as docs/FILE.png
shot() {
    local id
    id=$(e2e_window "$2")
    [ -n "$id" ] || e2e_fail "no window \"$2\""
    e2e_shot "$1" "$id"
    cp "$E2E_OUT/$1.png" "$docs/$1.png"
    echo "docs/$1.png"
}

# open_dialog MENU-KEY MENU-TITLE ITEM-KEY TITLE
open_dialog() {
    local mark
    mark=$(e2e_lines)
    e2e_menu "$1" "$2"
    e2e_key "$3"
    e2e_wait_line "shown${TAB}$4" "$mark"
    e2e_wait_active "$(e2e_window "$4")"
}

close_dialog() { # TITLE
    local mark
    mark=$(e2e_lines)
    e2e_key Escape
    e2e_wait_line "hidden${TAB}$1" "$mark"
    e2e_wait_active "$MAIN"
}

shot main-window "$MAIN_TITLE"

open_dialog c "&Config" d Datum
shot datum-dialog Datum
close_dialog Datum

open_dialog c "&Config" c "Set Coordinate System"
shot coordsys-dialog "Set Coordinate System"
close_dialog "Set Coordinate System"

open_dialog c "&Config" f "Coordination System Factor"
shot origin-dialog "Coordination System Factor"
close_dialog "Coordination System Factor"

open_dialog c "&Config" e "User Ellipsoid"
shot user-ellipsoid-dialog "User Ellipsoid"
close_dialog "User Ellipsoid"

open_dialog c "&Config" u "User Datum"
shot user-datum-dialog "User Datum"
close_dialog "User Datum"

mark=$(e2e_lines)
e2e_menu t "&Tools"
e2e_key d
e2e_wait_line "shown${TAB}Degree System Conversion" "$mark"
tool=$(e2e_window "Degree System Conversion")
e2e_wait_active "$tool"
e2e_replace_field edtDd 37.5 "$tool"
e2e_expect_field edtRadian 0.654498469497874
shot degree-tool "Degree System Conversion"
e2e_close_box "$tool"
e2e_wait_line "hidden${TAB}Degree System Conversion" "$mark"
e2e_wait_active "$MAIN"

open_dialog h "&Help" a "About Nolvex"
shot about-box "About Nolvex"
close_dialog "About Nolvex"

# the error box of a command that reads an empty altitude
mark=$(e2e_lines)
e2e_replace_field edtAltDd1 ""
e2e_wait_line "edtAltDd1${TAB}" "$mark"
e2e_menu e "&Edit"
e2e_key Right Return # Transformation > Datum1->Datum2
e2e_wait_line "shown${TAB}$BOX_TITLE" "$mark"
shot error-box "$BOX_TITLE"
e2e_key Return
e2e_wait_line "hidden${TAB}$BOX_TITLE" "$mark"
e2e_wait_active "$MAIN"

e2e_replace_field edtAltDd1 0

# the Edit menu, open, after Datum1->Utm1 (Ctrl+3), whose step Undo names;
# undone again after the shot (Ctrl+Alt+Z)
mark=$(e2e_lines)
e2e_key ctrl+3
for ((i = 0; i < 100; i++)); do
    [ "$(e2e_field edtUtmX1)" != 0 ] && break
    sleep 0.05
done
e2e_menu e "&Edit"
shot edit-menu "$MAIN_TITLE"
e2e_key Escape
e2e_wait_active "$MAIN"
e2e_key ctrl+alt+z
for ((i = 0; i < 100; i++)); do
    [ "$(e2e_field edtUtmX1)" = 0 ] && break
    sleep 0.05
done

# the Conversion menu, open: the commands' keys beside their captions
e2e_menu c "&Conversion"
shot conversion-menu "$MAIN_TITLE"
e2e_key Escape

# a field that cannot be read: its red frame and the reason, on the mouse
e2e_replace_field edtLatDd1 "37°33'58.7\"N"
e2e_click_field edtLonDd1
read -r left width top <<<"${E2E_FIELD_POS[edtLatDd1]}"
xdotool mousemove --window "$MAIN" "$((left + width / 2))" "$(($(e2e_menu_height) + top + 10))"
sleep 1.5 # the tooltip shows
shot unreadable-field "$MAIN_TITLE"
e2e_replace_field edtLatDd1 37.5663
e2e_replace_field edtLonDd1 126.9779

# the reference-system chooser, side 2 on EPSG:5174, then Seoul City Hall on
# that side's grid
open_dialog c "&Config" r "Reference System"
e2e_type "4326"
e2e_key Tab Tab # to side 2's filter
e2e_type "5174"
shot reference-system-dialog "Reference System"
mark=$(e2e_lines)
e2e_key Return
e2e_wait_line "hidden${TAB}Reference System" "$mark"
e2e_wait_active "$MAIN"
e2e_menu e "&Edit"
e2e_key Right Return # Transformation > Datum1->Datum2
e2e_menu c "&Conversion"
e2e_key Down Return # Datum2->Utm2
e2e_wait_line "stUtm2${TAB}Korean 1985 / Modified Central Belt (EPSG:5174)"
sleep 0.5
shot register-side "$MAIN_TITLE"

# a file converted from the window: while it runs, and its summary
points=$E2E_OUT/points.txt
awk 'BEGIN { for (i = 0; i < 6000000; ++i)
    printf "%.4f %.4f %d\n", 33 + (i % 1000) * 0.008, 125 + int(i / 100000) * 0.1, i % 500 }' >"$points"
open_dialog f "&File" f "Convert File"
e2e_type "$points"
e2e_key alt+o
e2e_key Return
mark=$(e2e_lines)
for ((i = 0; i < 400; i++)); do
    e2e_lines_after "$mark" | grep -q "^convertProgress${TAB}[1-9]" && break
    sleep 0.05
done
shot convert-running "Convert File"
E2E_WAIT=300 e2e_wait_line "convertDone${TAB}6000000${TAB}0" "$mark"
shot convert-summary "Convert File"

# a CSV with a heading: the columns found by its names
survey=$E2E_OUT/survey.csv
printf '%s\n' 'id,name,lat,lon,h' '1,Seoul City Hall,37.5663,126.9779,30' \
    '2,Busan Station,35.1152,129.0422,4' '3,Jeju Airport,33.5066,126.4929,27' >"$survey"
mark=$(e2e_lines)
e2e_key alt+i
e2e_key ctrl+a
e2e_type "$survey"
e2e_key alt+o
e2e_wait_line "convertRead${TAB}$survey${TAB}3 4 5" "$mark"
e2e_key ctrl+a
e2e_type "$E2E_OUT/survey-converted.csv"
shot convert-heading "Convert File"
close_dialog "Convert File"

e2e_menu f "&File"
e2e_key x
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"

# ---- the zone of the grid row, and a point pasted from WGS 84 -----------------
# A run of its own: both sides on their start-up datums.
e2e_start_program

# 35 N 124.9 E converted in the zone of side 1's origin, 52, which is not
# the point's: the mark beside the zone, and the reason on the mouse
e2e_replace_field edtLatDd1 35
e2e_replace_field edtLonDd1 124.9
e2e_menu c "&Conversion"
e2e_key Return # Datum1->Utm1
for ((i = 0; i < 100; i++)); do
    [ "$(e2e_field edtUtmX1)" != 0 ] && break
    sleep 0.05
done
# the mark stands left of the zone's legend, at the right end of the grid
# group's top line; its tooltip reaches beyond the window, so the shot takes
# the screen to the right of the frame as well
xdotool mousemove --window "$MAIN" 248 "$(($(e2e_menu_height) + 326))"
sleep 1.5 # the tooltip shows
read -r fx fy fw fh < <(e2e_frame "$MAIN")
import -window root -crop "$((fw + 160))x${fh}+${fx}+${fy}" +repage \
    "$docs/grid-zone-mark.png"
echo docs/grid-zone-mark.png

# side 1's point as a geo: URI (Edit > Copy Point As (Side 1) > geo: URI),
# pasted into side 2 on Tokyo(---) (Ctrl+Shift+B): the copy knows its
# datum, and the point is carried from World Geodetic System 1984, as the
# note at the menu bar's end says, whole on the mouse
e2e_menu e "&Edit"
e2e_key a u # Copy Point &As (Side 1) > geo: &URI
e2e_wait_active "$MAIN"
mark=$(e2e_lines)
e2e_key ctrl+shift+b
for ((i = 0; i < 100; i++)); do
    e2e_lines_after "$mark" | grep -q "^edtLatDd2${TAB}" && break
    sleep 0.05
done
sleep 0.3
xdotool mousemove --window "$MAIN" 440 "$(($(e2e_menu_height) / 2))"
sleep 1.5
read -r fx fy fw fh < <(e2e_frame "$MAIN")
import -window root -crop "$((fw + 160))x${fh}+${fx}+${fy}" +repage \
    "$docs/paste-point.png"
echo docs/paste-point.png

e2e_menu f "&File"
e2e_key x
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"

# ---- stale grid numbers, Paste Grid and the chooser's word search -------------
# A run of its own: 37.5666, 126.9784 on side 1, Datum1->Utm1, then side 1
# put on EPSG:5186 by typing "korea 2010" and Down twice in the chooser.
e2e_start_program
e2e_replace_field edtLatDd1 37.5666
e2e_replace_field edtLonDd1 126.9784
e2e_key ctrl+3 # Datum1->Utm1
for ((i = 0; i < 100; i++)); do
    [ "$(e2e_field edtUtmX1)" != 0 ] && break
    sleep 0.05
done
open_dialog c "&Config" r "Reference System"
e2e_type "korea 2010"
e2e_key Down Down
shot reference-system-korea-2010 "Reference System"
mark=$(e2e_lines)
e2e_key Return
e2e_wait_line "hidden${TAB}Reference System" "$mark"
e2e_wait_active "$MAIN"
e2e_wait_line "stUtm1${TAB}Korea 2000 / Central Belt 2010 (EPSG:5186)" "$mark"
# the stale numbers' reason on the mouse; the tooltip reaches beyond the
# window, so the shot takes the screen to the right of the frame as well
read -r left width top <<<"${E2E_FIELD_POS[edtUtmX1]}"
xdotool mousemove --window "$MAIN" "$((left + 12))" "$(($(e2e_menu_height) + top + 10))"
sleep 1.5 # the tooltip shows
read -r fx fy fw fh < <(e2e_frame "$MAIN")
import -window root -crop "$((fw + 200))x$((fh + 40))+${fx}+${fy}" +repage \
    "$docs/stale-grid.png"
echo docs/stale-grid.png

# converted again on EPSG:5186, copied as its grid (northing first), the
# grid row typed over, and a grid field's right-click menu with Paste Grid
e2e_key ctrl+3
for ((i = 0; i < 100; i++)); do
    [[ $(e2e_field edtUtmX1) == 198091.70* ]] && break
    sleep 0.05
done
e2e_menu e "&Edit"
e2e_key a g # Copy Point &As (Side 1) > &Grid (northing, easting)
e2e_wait_active "$MAIN"
e2e_replace_field edtUtmX1 0
e2e_replace_field edtUtmY1 0
read -r left width top <<<"${E2E_FIELD_POS[edtUtmY1]}"
xdotool mousemove --window "$MAIN" "$((left + 12))" "$(($(e2e_menu_height) + top + 10))" click 3
sleep 0.8
read -r fx fy fw fh < <(e2e_frame "$MAIN")
import -window root -crop "${fw}x${fh}+${fx}+${fy}" +repage "$docs/paste-grid.png"
echo docs/paste-grid.png
e2e_key Escape
sleep 0.3
e2e_wait_active "$MAIN"
e2e_key ctrl+shift+g # Paste Grid (Side 1)
for ((i = 0; i < 100; i++)); do
    [[ $(e2e_field edtUtmX1) == 198091.70* ]] && break
    sleep 0.05
done

e2e_menu f "&File"
e2e_key x
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"
