#!/usr/bin/env bash
# The program used as a person uses it: a real window on a virtual X display,
# driven only by key strokes and mouse clicks (xdotool). Every step waits for
# what the program's event log reports and compares it with the texts the
# program must show; screenshots of each stage go to E2E_OUT (default
# ./walkthrough-out).
#
#   tests/e2e/walkthrough.sh <path to nolvex> <path to nolvex-convert>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
NV=${2:-}
[ -x "$NV" ] || { echo "walkthrough: nolvex-convert not given or not found: '$NV'" >&2; exit 2; }
e2e_init "${1:-}"
e2e_start_display
e2e_start_program

TAB=$'\t'

# Step: mark the log, say what comes.
step() {
    e2e_alive
    e2e_note "$*"
    MARK=$(e2e_lines)
}

# After a dialog has closed the main window has the keyboard again.
back_to_main() {
    e2e_wait_active "$MAIN"
}

# ---- start-up ---------------------------------------------------------------
step "start-up: side 1 from its DMS defaults, side 2 on Tokyo(---)"
e2e_expect_fields \
    edtLatDd1 37.4818416208333 edtLatDmm1 28.91049725 \
    edtLatDmsd1 37 edtLatDmsm1 28 edtLatDmss1 54.629835 \
    edtLonDmsd1 127 edtLonDmsm1 0 edtLonDmss1 16.351485 \
    stDatum1 "World Geodetic System 1984" stDatum2 "Tokyo(---)" \
    stUtm1 "World Geodetic System 1984(UTM)" stUtm2 "Tokyo(---)(UTM)" \
    edtUtmX1 0 edtUtmY1 0 edtUtmZ1 0 edtUtmX2 0 edtUtmY2 0 edtUtmZ2 0
# side 2 is side 1's point on Tokyo(---): about 37 28 44.534, 127 0 24.245
# and -19.6 m
[[ $(e2e_field edtLatDmss2) == 44.534* ]] || e2e_fail "edtLatDmss2 is $(e2e_field edtLatDmss2)"
[[ $(e2e_field edtLonDmss2) == 24.245* ]] || e2e_fail "edtLonDmss2 is $(e2e_field edtLonDmss2)"
[[ $(e2e_field edtAltDd2) == -19.6* ]] || e2e_fail "edtAltDd2 is $(e2e_field edtAltDd2)"
e2e_shot 01-start

# ---- typing: the other notations follow ------------------------------------
step "typing 37.5 into side 1's latitude DD"
e2e_replace_field edtLatDd1 37.5
e2e_expect_fields edtLatDd1 37.5 edtLatDmd1 37 edtLatDmm1 30 \
    edtLatDmsd1 37 edtLatDmsm1 30 edtLatDmss1 0
e2e_shot 02-typed-dd

step "Transformation (clicked) > Datum1->Datum2 carries 37.5 to Tokyo(---)"
xdotool mousemove --window "$MAIN" 119 "$(($(e2e_menu_height) / 2))" click 1
e2e_wait_line "menu${TAB}Transformation" "$MARK"
e2e_key Down Return
# the shift at this place takes about 10 seconds of latitude off (37.4818416
# becomes 37.4790372 at start-up)
for ((i = 0; i < E2E_WAIT * 20; i++)); do
    [[ $(e2e_field edtLatDd2) == 37.497* ]] && break
    sleep 0.05
done
[[ $(e2e_field edtLatDd2) == 37.497* ]] || e2e_fail "edtLatDd2 is $(e2e_field edtLatDd2) after Datum1->Datum2"
e2e_lines_after "$MARK" | grep -q "^error" && e2e_fail "an error box came up"

step "DMS minutes 28, then the seconds emptied and typed again"
e2e_replace_field edtLatDmsm1 28
e2e_expect_fields edtLatDmsm1 28 edtLatDd1 37.4666666666667
e2e_key Tab # to the seconds
e2e_key ctrl+a BackSpace
e2e_wait_line "edtLatDmss1${TAB}" "$MARK"
sleep 0.3
# an empty field changes nothing else
e2e_lines_after "$MARK" | grep -v -e '^edtLatDmsm1' -e '^edtLatDmss1' -e '^edtLatDd1' \
    -e '^edtLatDmd1' -e '^edtLatDmm1' | grep . && e2e_fail "other fields changed"
[ "$(e2e_field edtLatDd1)" = 37.4666666666667 ] || e2e_fail "emptying the seconds changed DD"
[ "$(e2e_field edtLatDmm1)" = 28 ] || e2e_fail "emptying the seconds changed DM"
e2e_type 54.629835
e2e_expect_fields edtLatDmss1 54.629835 edtLatDd1 37.4818416208333 \
    edtLatDmd1 37 edtLatDmm1 28.91049725

step "Transformation (keyboard: Edit, then right) > Datum1->Datum2 again: start-up point"
e2e_menu e "&Edit"
e2e_key Right
e2e_wait_line "menu${TAB}Transformation" "$MARK"
e2e_key Return
for ((i = 0; i < E2E_WAIT * 20; i++)); do
    [[ $(e2e_field edtLatDmss2) == 44.534* ]] && break
    sleep 0.05
done
[[ $(e2e_field edtLatDmss2) == 44.534* ]] || e2e_fail "edtLatDmss2 is $(e2e_field edtLatDmss2)"
[[ $(e2e_field edtLatDd2) == 37.4790372* ]] || e2e_fail "edtLatDd2 is $(e2e_field edtLatDd2)"
[[ $(e2e_field edtAltDd2) == -19.6* ]] || e2e_fail "edtAltDd2 is $(e2e_field edtAltDd2)"

# ---- datum dialog -----------------------------------------------------------
step "Config > Set Datum: Adindan(ADI-M) on side 1 with the keyboard, OK"
e2e_menu c "&Config"
e2e_key d
e2e_wait_line "shown${TAB}Datum" "$MARK"
e2e_expect_fields cboDatum1 "World Geodetic System 1984" cboDatum2 "Tokyo(---)" \
    lblA1 6378137 lblF1 298.257223563 lblA2 6377397.155 lblF2 299.1528128 \
    lblDx2 -105.627 lblDy2 462.37 lblDz2 643.258
DATUM=$(e2e_window Datum)
e2e_wait_active "$DATUM"
e2e_key Home Down # the list has the focus: entry 0, then entry 1
e2e_shot 03-datum-dialog
e2e_shot datum-dialog "$DATUM"
e2e_key Return
e2e_wait_line "hidden${TAB}Datum" "$MARK"
e2e_expect_fields stDatum1 "Adindan(ADI-M)" stUtm1 "Adindan(ADI-M)(UTM)" \
    stDatum2 "Tokyo(---)" stUtm2 "Tokyo(---)(UTM)"
back_to_main

# ---- user ellipsoid and user datum -------------------------------------------
step "Config > Define User Ellipsoid: its first values; Escape"
e2e_menu c "&Config"
e2e_key e
e2e_wait_line "shown${TAB}User Ellipsoid" "$MARK"
e2e_expect_fields edtEllipsoid "User Ellipsoid" edtA 6378137 edtF 298.257223563
e2e_wait_active "$(e2e_window "User Ellipsoid")"
e2e_key Escape
e2e_wait_line "hidden${TAB}User Ellipsoid" "$MARK"
back_to_main

step "Config > Define User Datum: its first values; Dz 12.5, OK"
e2e_menu c "&Config"
e2e_key u
e2e_wait_line "shown${TAB}User Datum" "$MARK"
e2e_expect_fields edtDatum "User Datum" cboEllipsoid "User Ellipsoid" \
    lblA 6378137 lblF 298.257223563 edtDx 0 edtDy 0 edtDz 0
e2e_wait_active "$(e2e_window "User Datum")"
e2e_key Tab Tab Tab Tab # name, ellipsoid, Dx, Dy, Dz
e2e_key ctrl+a
e2e_type 12.5
e2e_key Return
e2e_wait_line "hidden${TAB}User Datum" "$MARK"
back_to_main

step "Define User Datum again: Dz shows 12.5; Escape"
e2e_menu c "&Config"
e2e_key u
e2e_wait_line "shown${TAB}User Datum" "$MARK"
e2e_wait_line "edtDz${TAB}12.5" "$MARK"
e2e_key Escape
e2e_wait_line "hidden${TAB}User Datum" "$MARK"
back_to_main

# ---- projection-origin dialog ----------------------------------------------
step "Config > Set Factor: the UTM defaults; longitude 128 on side 1, OK"
e2e_menu c "&Config"
e2e_key f
e2e_wait_line "shown${TAB}Coordination System Factor" "$MARK"
e2e_expect_fields edtX1 500000 edtY1 0 edtLat1 0 edtLon1 129 edtDLon1 0 \
    edtX2 500000 edtY2 0 edtLat2 0 edtLon2 129 edtDLon2 0
FACTOR=$(e2e_window "Coordination System Factor")
e2e_wait_active "$FACTOR"
e2e_shot factor-dialog "$FACTOR"
e2e_key Tab Tab Tab # easting, northing, latitude, longitude
e2e_key ctrl+a
e2e_type 128
e2e_key Return
e2e_wait_line "hidden${TAB}Coordination System Factor" "$MARK"
back_to_main

step "Set Factor again: UTM puts the origin on the zone's central meridian, 129; Escape"
e2e_menu c "&Config"
e2e_key f
e2e_wait_line "shown${TAB}Coordination System Factor" "$MARK"
e2e_expect_fields edtLon1 129 edtX1 500000
e2e_key Escape
e2e_wait_line "hidden${TAB}Coordination System Factor" "$MARK"
back_to_main

# ---- coordinate-system dialog ----------------------------------------------
step "Config > Set Coordnate: ECEF on side 1, Transverse Mercator on side 2, OK"
e2e_menu c "&Config"
e2e_key c
e2e_wait_line "shown${TAB}Set Coordinate System" "$MARK"
COORDSYS=$(e2e_window "Set Coordinate System")
e2e_wait_active "$COORDSYS"
# the focus is on side 1's checked button; arrows move the choice
e2e_key Down Down Down
e2e_key Tab Down # side 2's group, its checked button, then the next one
e2e_shot 04-coordsys-dialog
e2e_shot coordsys-dialog "$COORDSYS"
e2e_key Return
e2e_wait_line "hidden${TAB}Set Coordinate System" "$MARK"
e2e_expect_fields stUtm1 "Adindan(ADI-M)(ECEF)" stUtm2 "Tokyo(---)(TM)" \
    stDatum1 "Adindan(ADI-M)" stDatum2 "Tokyo(---)"
back_to_main

step "Set Factor: side 2 now has the Transverse Mercator origin; Escape"
e2e_menu c "&Config"
e2e_key f
e2e_wait_line "shown${TAB}Coordination System Factor" "$MARK"
e2e_expect_fields edtX2 200000 edtY2 500000 edtLat2 38 edtLon2 127 \
    edtDLon2 0.00289027777777778 edtLon1 129
e2e_key Escape
e2e_wait_line "hidden${TAB}Coordination System Factor" "$MARK"
back_to_main

# ---- conversions ------------------------------------------------------------
step "Conversion > Utm1->Datum1 in ECEF with X, Y, Z all 0: error box, Enter"
e2e_menu c "&Conversion"
e2e_key Down Down Return # Datum1->Utm1, Datum2->Utm2, Utm1->Datum1
e2e_wait_line "error${TAB}Invalid floating point operation." "$MARK"
e2e_wait_line "shown${TAB}$BOX_TITLE" "$MARK"
e2e_shot 05-error-box
e2e_shot error-box "$(e2e_window "$BOX_TITLE")"
e2e_key Return
e2e_wait_line "hidden${TAB}$BOX_TITLE" "$MARK"
back_to_main
# nothing was written
e2e_lines_after "$MARK" | grep -q '^edt' && e2e_fail "a failed command changed a field"

step "altitude 100, Conversion > Datum1->Utm1: ECEF on Clarke 1880"
e2e_replace_field edtAltDd1 100
e2e_expect_field edtAltDd1 100
e2e_menu c "&Conversion"
e2e_key Return
for ((i = 0; i < E2E_WAIT * 20; i++)); do
    [ "$(e2e_field edtUtmZ1)" != 0 ] && break
    sleep 0.05
done
# Reference (GeographicLib 2.1 and PROJ 9.1 agree to the micrometre):
#   echo "37.4818416208333 127.004542079167 100" |
#       CartConvert -e 6378249.145 1/293.465 -p 6
#   -3050260.686073 4047165.077310 3859747.835540
check_metres() {
    local name=$1 want=$2 got
    got=$(e2e_field "$name")
    awk -v g="$got" -v w="$want" 'BEGIN { d = g - w; if (d < 0) d = -d; exit !(g != "" && d < 0.001) }' ||
        e2e_fail "$name is \"$got\", expected $want within 1 mm"
}
check_metres edtUtmX1 -3050260.686073
check_metres edtUtmY1 4047165.077310
check_metres edtUtmZ1 3859747.835540
e2e_shot 06-ecef

step "empty altitude, Transformation > Datum1->Datum2: error box, Enter"
e2e_replace_field edtAltDd1 ""
e2e_wait_line "edtAltDd1${TAB}" "$MARK"
xdotool mousemove --window "$MAIN" 119 "$(($(e2e_menu_height) / 2))" click 1
e2e_wait_line "menu${TAB}Transformation" "$MARK"
e2e_key Down Return
e2e_wait_line "error${TAB}'' is not a valid floating point value." "$MARK"
e2e_wait_line "shown${TAB}$BOX_TITLE" "$MARK"
e2e_key Return
e2e_wait_line "hidden${TAB}$BOX_TITLE" "$MARK"
back_to_main
e2e_replace_field edtAltDd1 0
e2e_expect_field edtAltDd1 0

# ---- degree-system tool -----------------------------------------------------
step "Tools > Degree System: the tool opens, the item is checked"
e2e_menu t "&Tools"
e2e_key d
e2e_wait_line "shown${TAB}Degree System Conversion" "$MARK"
e2e_wait_line "DegSys1${TAB}checked" "$MARK"
DEGSYS=$(e2e_window "Degree System Conversion")
e2e_wait_active "$DEGSYS"
e2e_expect_fields edtDd 0 edtDmd 0 edtDmm 0 edtDmsd 0 edtDmsm 0 edtDmss 0 edtRadian 0

step "typing 37.5 into its DD field"
e2e_replace_field edtDd 37.5 "$DEGSYS"
e2e_expect_fields edtDd 37.5 edtDmd 37 edtDmm 30 edtDmsd 37 edtDmsm 30 edtDmss 0 \
    edtRadian 0.654498469497874
e2e_shot 07-degree-tool
e2e_shot degree-tool "$DEGSYS"

step "typing -126 into its DMS degrees with 30 and 36 after it"
e2e_replace_field edtDmsm 30 "$DEGSYS"
e2e_replace_field edtDmss 36 "$DEGSYS"
e2e_replace_field edtDmsd -126 "$DEGSYS"
e2e_expect_fields edtDd -126.51 edtDmd -126 edtDmm 30.6

step "its close box hides it and takes the check mark away"
e2e_close_box "$DEGSYS"
e2e_wait_line "hidden${TAB}Degree System Conversion" "$MARK"
e2e_wait_line "DegSys1${TAB}unchecked" "$MARK"
[ -z "$(e2e_window "Degree System Conversion")" ] || e2e_fail "the tool window is still on the screen"
back_to_main

step "Tools > Degree System again: the fields as they were"
e2e_menu t "&Tools"
e2e_key d
e2e_wait_line "shown${TAB}Degree System Conversion" "$MARK"
e2e_wait_line "DegSys1${TAB}checked" "$MARK"
e2e_wait_line "edtDd${TAB}-126.51" "$MARK"
e2e_wait_line "edtDmss${TAB}36" "$MARK"
DEGSYS=$(e2e_window "Degree System Conversion")
e2e_wait_active "$DEGSYS"

step "back in the main window, Tools > Degree System hides it"
e2e_click_field edtAltDd2 # a click into the main window gives it the keyboard
e2e_wait_active "$MAIN"
e2e_menu t "&Tools"
e2e_key d
e2e_wait_line "hidden${TAB}Degree System Conversion" "$MARK"
e2e_wait_line "DegSys1${TAB}unchecked" "$MARK"

# ---- about box --------------------------------------------------------------
step "Help > About: the about box, closed with Enter"
e2e_menu h "&Help"
e2e_key a
e2e_wait_line "shown${TAB}About Nolvex" "$MARK"
e2e_wait_line "lblVersion${TAB}버전  1.22" "$MARK"
e2e_wait_line "Label1${TAB}ZEPHANIX Datum Transformation " "$MARK"
e2e_wait_line "Label2${TAB}Coordinate Conversion" "$MARK"
ABOUT=$(e2e_window "About Nolvex")
e2e_wait_active "$ABOUT"
e2e_shot 08-about
e2e_shot about-box "$ABOUT"
e2e_key Return
e2e_wait_line "hidden${TAB}About Nolvex" "$MARK"
back_to_main

# ---- exit -------------------------------------------------------------------
step "File > Exit"
e2e_menu f "&File"
e2e_key x
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"

# ---- the main window's close box, with the tool window open -----------------
e2e_start_program
step "again: the degree tool open, then the main window's close box"
e2e_menu t "&Tools"
e2e_key d
e2e_wait_line "shown${TAB}Degree System Conversion" "$MARK"
e2e_wait_active "$(e2e_window "Degree System Conversion")"
e2e_close_box "$MAIN"
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"
e2e_lines_after "$MARK" | grep -qxF "hidden${TAB}$MAIN_TITLE" || e2e_fail "the main window did not close"

# ---- a whole point through the clipboard, and a whole file -------------------
e2e_start_program
step "Edit > Copy Point (Side 2) from the menu, then Ctrl+Shift+V: side 1 takes it, carried from Tokyo(---)"
e2e_click_field edtAltDd2
e2e_wait_active "$MAIN"
lat2=$(e2e_field edtLatDd2)
e2e_replace_field edtLatDd1 1
e2e_expect_field edtLatDd1 1
e2e_menu e "&Edit"
e2e_shot edit-menu
e2e_key o # C&opy Point (Side 2)
sleep 0.3
e2e_key ctrl+shift+v # Paste Point (Side 1)
# The copy knows its datum: side 2's point on Tokyo(---) is carried back to
# World Geodetic System 1984, the start-up point within the round trip of
# the Molodensky formulas (a few centimetres), not Tokyo's numbers taken as
# WGS 84 ones some 300 m off.
for ((i = 0; i < E2E_WAIT * 20; i++)); do
    [[ $(e2e_field edtLatDd1) == 37.48184* ]] && break
    sleep 0.05
done
[[ $(e2e_field edtLatDd1) == 37.48184* ]] || e2e_fail "edtLatDd1 is $(e2e_field edtLatDd1), not the point carried from Tokyo(---)"
[[ $(e2e_field edtLonDd1) == 127.00454* ]] || e2e_fail "edtLonDd1 is $(e2e_field edtLonDd1)"
[ "$(e2e_field edtLatDd1)" != "$lat2" ] || e2e_fail "Tokyo's latitude was taken as a WGS 84 one"
# and DM and DMS follow, as they do when typing: the start-up seconds
# 54.629835 within 0.01" (30 cm)
awk -v g="$(e2e_field edtLatDmss1)" 'BEGIN { d = g - 54.629835; if (d < 0) d = -d; exit !(d < 0.01) }' ||
    e2e_fail "side 1's DMS seconds did not follow the pasted point: $(e2e_field edtLatDmss1)"

points="$E2E_OUT/points-100k.txt"
awk 'BEGIN { for (i = 0; i < 100000; ++i)
    printf "%.6f %.6f %d\n", 33 + (i % 1000) * 0.008, 125 + int(i / 1000) * 0.06, i % 500 }' >"$points"
converted="$E2E_OUT/points-100k-window.txt"
rm -f "$converted"

step "File > Convert File: 100,000 points, the progress bar moving"
e2e_menu f "&File"
e2e_key f # Convert &File...
e2e_wait_line "shown${TAB}Convert File" "$MARK"
CONVERT=$(e2e_window "Convert File")
e2e_wait_active "$CONVERT"
e2e_type "$points"
e2e_key alt+o # the output field, by its label's access key
e2e_key ctrl+a
e2e_type "$converted"
e2e_key Return # Convert
e2e_wait_line "convertStarted${TAB}$points" "$MARK"
E2E_WAIT=120 e2e_wait_line "convertDone${TAB}100000${TAB}0" "$MARK"
moving=$(e2e_lines_after "$MARK" | awk -F '\t' '$1 == "convertProgress" && $2 > 0 && $2 < 100' | sort -u | wc -l)
((moving >= 2)) || e2e_fail "the progress bar showed $moving values between 0 and 100"
e2e_shot convert-summary "$CONVERT"

step "the window's file is nolvex-convert's, byte for byte"
"$NV" --from WGS84 --to "Tokyo(---)" "$points" >"$E2E_OUT/points-100k-cli.txt"
cmp "$converted" "$E2E_OUT/points-100k-cli.txt" ||
    e2e_fail "the window's conversion differs from nolvex-convert's"

step "a second run on 6,000,000 points, cancelled: nothing under the output's name"
big="$E2E_OUT/points-6m.txt"
awk 'BEGIN { for (i = 0; i < 6000000; ++i) print "37.5 127.5 10" }' >"$big"
cancelled="$E2E_OUT/points-6m-window.txt"
rm -f "$cancelled"
e2e_key alt+i # the input field
e2e_key ctrl+a
e2e_type "$big"
e2e_key alt+o
e2e_key ctrl+a
e2e_type "$cancelled"
e2e_key Return
e2e_wait_line "convertStarted${TAB}$big" "$MARK"
for ((i = 0; i < E2E_WAIT * 20; i++)); do
    e2e_lines_after "$MARK" | grep -q "^convertProgress${TAB}[1-9]" && break
    sleep 0.05
done
e2e_shot convert-running "$CONVERT"
e2e_key Escape # Cancel
E2E_WAIT=120 e2e_wait_line "convertCancelled${TAB}$cancelled" "$MARK"
[ -e "$cancelled" ] && e2e_fail "a cancelled run left $cancelled"
leftovers=$(find "$E2E_OUT" -maxdepth 1 -newer "$big" -name '.*' | head -n 3)
[ -z "$leftovers" ] || e2e_fail "a cancelled run left temporary files: $leftovers"
e2e_key Escape # Close
e2e_wait_line "hidden${TAB}Convert File" "$MARK"
back_to_main
rm -f "$big" "$points"

# ---- Convert File: the columns from a file's heading --------------------------
# A CSV whose heading names its columns after an id and a name: the dialog
# takes latitude, longitude and height from the heading's names (columns 3,
# 4 and 5), as nolvex-convert does with --header, and writes its bytes.
convert_file_with_heading() {
    local input="$E2E_OUT/survey.csv" output="$E2E_OUT/survey-window.csv"
    printf '%s\n' 'id,name,lat,lon,h' '1,Seoul City Hall,37.5663,126.9779,30' \
        '2,Busan Station,35.1152,129.0422,4' '3,Jeju Airport,33.5066,126.4929,27' >"$input"
    rm -f "$output"

    step "File > Convert File: a CSV with the heading id,name,lat,lon,h"
    e2e_menu f "&File"
    e2e_key f # Convert &File...
    e2e_wait_line "shown${TAB}Convert File" "$MARK"
    CONVERT=$(e2e_window "Convert File")
    e2e_wait_active "$CONVERT"
    e2e_key alt+i # the input field, by its label's access key
    e2e_key ctrl+a
    e2e_type "$input"
    e2e_key alt+o # leaving the input field reads the file's first lines
    e2e_wait_line "convertRead${TAB}$input${TAB}3 4 5" "$MARK"
    e2e_key ctrl+a
    e2e_type "$output"
    e2e_shot convert-heading "$CONVERT"
    e2e_key Return # Convert
    e2e_wait_line "convertStarted${TAB}$input" "$MARK"
    e2e_wait_line "convertDone${TAB}3${TAB}0" "$MARK"

    step "the window's file is nolvex-convert --header's, byte for byte"
    "$NV" --header --from WGS84 --to "Tokyo(---)" "$input" >"$E2E_OUT/survey-cli.csv"
    cmp "$output" "$E2E_OUT/survey-cli.csv" ||
        e2e_fail "the window's conversion of $input differs from nolvex-convert's"

    e2e_key Escape # Close
    e2e_wait_line "hidden${TAB}Convert File" "$MARK"
    back_to_main
}
convert_file_with_heading

step "File > Exit"
e2e_menu f "&File"
e2e_key x
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"

e2e_check_sanitizers
[ "$(grep -c '^error' "$EVENTS")" = 2 ] || e2e_fail "error boxes other than the two asked for: $(grep '^error' "$EVENTS")"
# ---- Copy Point As (side 2) into Paste Point (side 1), each form ------------
# A run of its own, after the checks above, with its own count of error
# boxes. Side 2 holds the start-up point on Tokyo(---); each of the six forms
# goes from Edit > Copy Point As (Side 2) through the real clipboard into
# side 1 with Ctrl+Shift+V. Each copy carries the point with its datum, so
# every form of a point (decimal degrees, WKT, DMS, GeoJSON, geo: URI) gives
# side 2's point carried to WGS 84, as PROJ 9.1 carries it,
#   echo "127.006734786376 37.4790372301572 -19.6178800927811 0" | cct -d 12
#     +proj=molodensky +a=6377397.155 +rf=299.1528128 +dx=-105.627
#     +dy=462.37 +dz=643.258 +da=739.845 +df=1.003748257267484e-05
#   127.004541704575  37.481842152673  -0.026462312127
# (the text alone, as another program hands it over, is read as the side's
# own numbers: tst_PointEdit has both). The grid's "x, y, z" is no geodetic
# point: an error box, side 1 unchanged.

# copy_side2_as KEY: Edit > Copy Point As (Side 2) > the form with access
# key KEY, by the keyboard: the Edit menu, its submenu by its access key
# (s: Copy Point A&s (Side 2) comes before Pa&ste Point (Side 2)), into it.
# By keys rather than steps down, since Undo and Redo above are enabled or
# not as the run goes.
copy_side2_as() {
    local mark
    mark=$(e2e_lines)
    e2e_menu e "&Edit"
    e2e_key s
    e2e_wait_line "menu${TAB}Copy Point A&s (Side 2)" "$mark"
    e2e_key "$1"
    sleep 0.3
    e2e_wait_active "$MAIN"
}

# near NAME WANT TOLERANCE: field NAME's number within TOLERANCE of WANT.
near() {
    local got
    got=$(e2e_field "$1")
    awk -v g="$got" -v w="$2" -v t="$3" 'BEGIN { d = g - w; if (d < 0) d = -d; exit !(g != "" && d <= t) }' ||
        e2e_fail "$1 is \"$got\", expected $2 within $3"
}

# pasted_as KEY: copies side 2's point in the form of KEY and pastes it into
# side 1, whose latitude was set to 1 before: waits until the latitude's
# notations have followed the pasted one.
pasted_as() {
    local mark
    copy_side2_as "$1"
    mark=$(e2e_lines)
    e2e_key ctrl+shift+v # Paste Point (Side 1)
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        e2e_lines_after "$mark" | grep -q "^edtLatDmss1${TAB}" && return 0
        e2e_lines_after "$mark" | grep -q "^error${TAB}" &&
            e2e_fail "Paste Point refused: $(e2e_lines_after "$mark" | grep "^error")"
        e2e_alive
        sleep 0.05
    done
    e2e_fail "Paste Point (Side 1) wrote nothing"
}

paste_every_copied_form() {
    e2e_start_program
    local lat2 mark
    step "Copy Point As (Side 2), each form, then Paste Point (Side 1)"
    local run_mark=$MARK
    lat2=$(e2e_field edtLatDd2)

    # carried_from_tokyo: side 1 holds side 2's point carried to WGS 84, not
    # side 2's numbers, and its DMS row follows (the start-up seconds, 28'
    # 54.6" and 0' 16.35", within the round trip of the formulas).
    carried_from_tokyo() {
        near edtLatDd1 37.481842152673 0.000000001
        near edtLonDd1 127.004541704575 0.000000001
        near edtAltDd1 -0.026462312127 0.000001
        [ "$(e2e_field edtLatDd1)" != "$lat2" ] || e2e_fail "Tokyo's latitude was taken as a WGS 84 one"
        e2e_expect_fields edtLatDmsd1 37 edtLatDmsm1 28 edtLonDmsd1 127 edtLonDmsm1 0
        near edtLatDmss1 54.629835 0.01
        near edtLonDmss1 16.351485 0.01
    }

    step "decimal degrees: side 2's point, carried from Tokyo(---)"
    e2e_replace_field edtLatDd1 1
    e2e_expect_field edtLatDd1 1
    pasted_as d
    carried_from_tokyo

    step "WKT POINT Z: side 2's point, carried from Tokyo(---)"
    e2e_replace_field edtLatDd1 1
    e2e_expect_field edtLatDd1 1
    pasted_as w
    carried_from_tokyo

    step "degrees, minutes and seconds: side 2's point, carried from Tokyo(---), whole"
    e2e_replace_field edtLatDd1 1
    e2e_expect_field edtLatDd1 1
    pasted_as m
    carried_from_tokyo

    step "GeoJSON: side 2's point on WGS 84"
    e2e_replace_field edtLatDd1 1
    e2e_expect_field edtLatDd1 1
    pasted_as j
    carried_from_tokyo

    step "geo: URI: side 2's point on WGS 84"
    e2e_replace_field edtLatDd1 1
    e2e_expect_field edtLatDd1 1
    pasted_as u
    carried_from_tokyo

    step "grid, after Conversion > Datum2->Utm2: refused, side 1 unchanged"
    e2e_menu c "&Conversion"
    e2e_key Down Return # Datum2->Utm2
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field edtUtmX2)" != 0 ] && break
        sleep 0.05
    done
    [ "$(e2e_field edtUtmX2)" != 0 ] || e2e_fail "Datum2->Utm2 wrote no grid values"
    copy_side2_as g
    mark=$(e2e_lines)
    e2e_key ctrl+shift+v
    e2e_wait_line "shown${TAB}$BOX_TITLE" "$mark"
    e2e_lines_after "$mark" | grep -q "^error${TAB}latitude .* is outside -90 to 90.$" ||
        e2e_fail "the grid's text was not refused as a latitude beyond the pole"
    e2e_key Return
    e2e_wait_line "hidden${TAB}$BOX_TITLE" "$mark"
    back_to_main
    e2e_lines_after "$mark" | grep -q '^edt' && e2e_fail "a refused paste changed a field"

    e2e_menu f "&File"
    e2e_key x
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"
    [ "$(e2e_lines_after "$run_mark" | grep -c '^error')" = 1 ] ||
        e2e_fail "error boxes other than the grid's: $(e2e_lines_after "$run_mark" | grep '^error')"
    e2e_check_sanitizers
}
paste_every_copied_form

# ---- the window's additions: stale grid numbers, Paste Grid, the chooser,
# ---- and undo of whole steps --------------------------------------------------
# References (PROJ 9.1.1):
#   echo "37.5666 126.9784 0" | cs2cs -d 6 EPSG:4326 EPSG:32652
#   321459.855339	4159650.977180 0.000000
#   echo "37.5666 126.9784 0" | cs2cs -d 6 EPSG:4737 EPSG:5186
#   551896.121220	198091.708075 0.000000      (northing first)
window_steps() {
    e2e_start_program
    local run_mark
    step "typing 37.5666, 126.9784 into side 1, then Ctrl+3: its UTM 52N numbers"
    run_mark=$MARK
    e2e_replace_field edtLatDd1 37.5666
    e2e_replace_field edtLonDd1 126.9784
    e2e_expect_fields edtLatDd1 37.5666 edtLonDd1 126.9784
    e2e_key ctrl+3 # Datum1->Utm1
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field edtUtmX1)" != 0 ] && break
        sleep 0.05
    done
    near edtUtmX1 321459.855339 0.01
    near edtUtmY1 4159650.977180 0.01
    e2e_lines_after "$MARK" | grep -q "^stale${TAB}edtUtmX1${TAB}Not" &&
        e2e_fail "fresh grid numbers were marked stale"

    step "Config > Reference System: \"korea 2010\", EPSG:5186 in three keys at most"
    local chooser_mark=$MARK
    e2e_menu c "&Config"
    e2e_key r
    e2e_wait_line "shown${TAB}Reference System" "$MARK"
    local chooser
    chooser=$(e2e_window "Reference System")
    e2e_wait_active "$chooser"
    e2e_type "korea 2010"
    e2e_key Down Down # into the list, its first entry (West Belt 2010), the next
    e2e_shot reference-system-korea-2010 "$chooser"
    e2e_key Return
    e2e_wait_line "hidden${TAB}Reference System" "$MARK"
    e2e_expect_field stUtm1 "Korea 2000 / Central Belt 2010 (EPSG:5186)"
    back_to_main

    step "side 1's grid row still holds UTM 52N numbers: marked stale, not changed"
    for name in edtUtmX1 edtUtmY1 edtUtmZ1; do
        for ((i = 0; i < E2E_WAIT * 20; i++)); do
            e2e_lines_after "$chooser_mark" | grep -qF "stale${TAB}$name${TAB}Not the point shown: these are the grid values of 37.5666, 126.9784, 0 on World Geodetic System 1984(UTM). " && break
            e2e_alive
            sleep 0.05
        done
        e2e_lines_after "$chooser_mark" | grep -qF "stale${TAB}$name${TAB}Not the point shown: these are the grid values of 37.5666, 126.9784, 0 on World Geodetic System 1984(UTM). " ||
            e2e_fail "$name was not marked stale with its point and system"
    done
    near edtUtmX1 321459.855339 0.01
    e2e_lines_after "$chooser_mark" | grep -q "^edtUtm" && e2e_fail "a stale grid field's text changed"
    read -r left width top <<<"${E2E_FIELD_POS[edtUtmX1]}"
    xdotool mousemove --window "$MAIN" "$((left + width / 2))" "$(($(e2e_menu_height) + top + 10))"
    sleep 1.5 # the tooltip shows
    e2e_shot stale-grid

    step "Conversion > Datum1->Utm1 on EPSG:5186: its own numbers, no longer stale"
    e2e_key ctrl+3
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [[ $(e2e_field edtUtmX1) == 198091.70* ]] && break
        sleep 0.05
    done
    near edtUtmX1 198091.708075 0.001 # the easting, in edtUtmX1
    near edtUtmY1 551896.121220 0.001
    e2e_wait_line "stale${TAB}edtUtmX1${TAB}" "$MARK"

    step "Copy Point As (Side 1) > Grid, the grid row typed over, Ctrl+Shift+G: the copy back"
    local x1 y1
    x1=$(e2e_field edtUtmX1)
    y1=$(e2e_field edtUtmY1)
    e2e_menu e "&Edit"
    e2e_key a # Copy Point &As (Side 1)
    e2e_wait_line "menu${TAB}Copy Point &As (Side 1)" "$MARK"
    e2e_key g
    sleep 0.3
    e2e_wait_active "$MAIN"
    e2e_replace_field edtUtmX1 0
    e2e_replace_field edtUtmY1 0
    e2e_expect_fields edtUtmX1 0 edtUtmY1 0
    # the grid field's context menu offers Paste Grid
    read -r left width top <<<"${E2E_FIELD_POS[edtUtmY1]}"
    xdotool mousemove --window "$MAIN" "$((left + width / 2))" "$(($(e2e_menu_height) + top + 10))" click 3
    sleep 0.6
    e2e_shot paste-grid
    e2e_key Escape
    sleep 0.3
    e2e_wait_active "$MAIN"
    e2e_key ctrl+shift+g # Paste Grid (Side 1)
    e2e_expect_fields edtUtmX1 "$x1" edtUtmY1 "$y1"

    step "Ctrl+Alt+Z three times: the paste, Datum1->Utm1 and the system undone"
    e2e_key ctrl+alt+z
    e2e_expect_fields edtUtmX1 0 edtUtmY1 0
    e2e_key ctrl+alt+z
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [[ $(e2e_field edtUtmX1) == 321459.855* ]] && break
        sleep 0.05
    done
    near edtUtmX1 321459.855339 0.01
    near edtUtmY1 4159650.977180 0.01
    e2e_key ctrl+alt+z
    e2e_expect_field stUtm1 "World Geodetic System 1984(UTM)"

    step "typed point, Ctrl+1 then Ctrl+2: Ctrl+Alt+Z twice gives back the typed texts"
    e2e_replace_field edtLatDd1 37.5666
    e2e_replace_field edtLonDd1 126.9784
    e2e_replace_field edtAltDd1 10
    e2e_expect_fields edtLatDd1 37.5666 edtLonDd1 126.9784 edtAltDd1 10
    local lat2 lon2 alt2
    lat2=$(e2e_field edtLatDd2)
    lon2=$(e2e_field edtLonDd2)
    alt2=$(e2e_field edtAltDd2)
    e2e_key ctrl+1 # Datum1->Datum2
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field edtAltDd2)" != "$alt2" ] && break
        sleep 0.05
    done
    e2e_key ctrl+2 # Datum2->Datum1: the round trip moves the point
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field edtLatDd1)" != 37.5666 ] && break
        sleep 0.05
    done
    [ "$(e2e_field edtLatDd1)" != 37.5666 ] || e2e_fail "Datum2->Datum1 left side 1 as typed"
    e2e_key ctrl+alt+z ctrl+alt+z
    e2e_expect_fields edtLatDd1 37.5666 edtLonDd1 126.9784 edtAltDd1 10 \
        edtLatDd2 "$lat2" edtLonDd2 "$lon2" edtAltDd2 "$alt2"
    e2e_key ctrl+alt+y # and Redo brings Datum1->Datum2 back
    for ((i = 0; i < E2E_WAIT * 20; i++)); do
        [ "$(e2e_field edtAltDd2)" != "$alt2" ] && break
        sleep 0.05
    done
    [ "$(e2e_field edtAltDd2)" != "$alt2" ] || e2e_fail "Ctrl+Alt+Y did not redo Datum1->Datum2"
    e2e_expect_field edtLatDd1 37.5666

    step "Edit > Undo, named after the step, from the menu: Datum1->Datum2 undone again"
    local menu_mark=$MARK
    e2e_menu e "&Edit"
    e2e_shot edit-menu-undo
    e2e_key u # &Undo Datum1->Datum2
    e2e_expect_fields edtLatDd2 "$lat2" edtLonDd2 "$lon2" edtAltDd2 "$alt2" \
        edtLatDd1 37.5666
    e2e_lines_after "$menu_mark" | grep -q "^error" && e2e_fail "Edit > Undo showed an error box"

    e2e_menu f "&File"
    e2e_key x
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || e2e_fail "the program ended with exit status $APP_STATUS"
    [ "$(e2e_lines_after "$run_mark" | grep -c '^error')" = 0 ] ||
        e2e_fail "error boxes: $(e2e_lines_after "$run_mark" | grep '^error')"
    e2e_check_sanitizers
}
window_steps

e2e_note "walkthrough passed; screenshots and event log in $E2E_OUT"
