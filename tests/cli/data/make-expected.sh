#!/usr/bin/env bash
# Writes the expected outputs of the end-to-end cases whose numbers come from
# independent references: PROJ's cct and GeographicLib's CartConvert. Run from
# anywhere; needs proj-bin and geographiclib-tools (test-only references, not
# needed when the tests run). The outputs keep each input's layout: comment
# lines as they are, the coordinate fields (columns 2 to 4) replaced.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")"

# The five Molodensky constants of a datum against WGS 84, as the engine
# derives da and df from its catalogue (a and 1/f of both ellipsoids).
da() { awk -v a="$1" 'BEGIN { printf "%.17g", 6378137 - a }'; }
df() { awk -v r="$1" 'BEGIN { printf "%.17g", 1 / 298.257223563 - 1 / r }'; }
neg() { awk -v x="$1" 'BEGIN { printf "%.17g", -x }'; }

BESSEL_DA=$(da 6377397.155)
BESSEL_DF=$(df 299.1528128)
INTL_DA=$(da 6378388)
INTL_DF=$(df 297)
# Tokyo(---): local -> WGS 84 with the stored constants on Bessel; WGS 84 ->
# local is the same formula on WGS 84 with all five negated.
TOKYO_TO_WGS="+proj=molodensky +ellps=bessel +dx=-105.627 +dy=462.37 +dz=643.258 +da=$BESSEL_DA +df=$BESSEL_DF"
WGS_TO_TOKYO="+proj=molodensky +ellps=WGS84 +dx=105.627 +dy=-462.37 +dz=-643.258 +da=$(neg "$BESSEL_DA") +df=$(neg "$BESSEL_DF")"
TOYB_TO_WGS="+proj=molodensky +ellps=bessel +dx=-147 +dy=506 +dz=687 +da=$BESSEL_DA +df=$BESSEL_DF"
WGS_TO_EURM="+proj=molodensky +ellps=WGS84 +dx=87 +dy=98 +dz=121 +da=$(neg "$INTL_DA") +df=$(neg "$INTL_DF")"
# Korean central belt: origin 38 N, 127 E plus 10.405 seconds.
TM_CENTRAL="+proj=tmerc +lat_0=38 +lon_0=127.0028902777777776 +k=1 +x_0=200000 +y_0=500000 +ellps=bessel"
TM_WEST="+proj=tmerc +lat_0=38 +lon_0=125.0028902777777776 +k=1 +x_0=200000 +y_0=500000 +ellps=bessel"
G7="+proj=tmerc +lat_0=38 +lon_0=128 +k=0.9999 +x_0=400000 +y_0=600000 +ellps=WGS84"

# data_fields FILE IN: the coordinate fields of FILE's data lines in the
# order a reference reads them: "geo" gives "lon lat h", "grid" "x y z".
data_fields() {
    awk -F, -v kind="$2" '/^#/ || NF == 0 { next }
        { h = ($4 == "") ? 0 : $4
          if (kind == "geo") print $3, $2, h; else print $2, $3, h }' "$1"
}

# merge FILE OUT RESULTS: FILE with columns 2 to 4 replaced by RESULTS' first
# three fields, which come as "lon lat h" (OUT geo) or "x y z" (OUT grid);
# with EXTRA set, the zone number from the fourth field follows.
merge() {
    awk -F, -v out="$2" -v res="$3" -v extra="${EXTRA:-}" 'BEGIN { OFS = "," }
        /^#/ || NF == 0 { print; next }
        { getline r < res; split(r, v, " ")
          if (out == "geo") { $2 = v[2]; $3 = v[1] } else { $2 = v[1]; $3 = v[2] }
          if (NF >= 4) $4 = v[3]; else $3 = $3 "," v[3]
          if (extra != "") $3 = $3 "," v[4]
          print }' "$1"
}

# with_cct NAME FILE IN OUT OPERATION...: NAME.out from cct.
with_cct() {
    local name=$1 file=$2 in=$3 out=$4
    shift 4
    data_fields "$file" "$in" | cct -d 12 "$@" > "/tmp/$name.res"
    merge "$file" "$out" "/tmp/$name.res" > "$name.out"
    rm -f "/tmp/$name.res"
}

with_cct geo-wgs84-to-tokyo geo.csv geo geo $WGS_TO_TOKYO
with_cct geo-tokyo-to-wgs84 geo.csv geo geo $TOKYO_TO_WGS
with_cct geo-toyb-to-eurm geo.csv geo geo +proj=pipeline +step $TOYB_TO_WGS +step $WGS_TO_EURM
with_cct geo-to-utm52 geo-zone52.csv geo grid +proj=utm +zone=52 +ellps=WGS84
with_cct utm52-to-geo utm52.csv grid geo +proj=utm +zone=52 +ellps=WGS84 +inv
with_cct geo-to-tm geo-korea.csv geo grid $TM_CENTRAL
with_cct tm-to-geo tm.csv grid geo $TM_CENTRAL +inv
with_cct geo-to-tm-west geo-korea.csv geo grid $TM_WEST
with_cct geo-to-g7 geo-korea.csv geo grid $G7
with_cct g7-to-geo g7.csv grid geo $G7 +inv
with_cct geo-to-ecef-bessel geo.csv geo grid +proj=cart +ellps=bessel
with_cct tm-to-utm52-wgs84 tm.csv grid grid +proj=pipeline +step $TM_CENTRAL +inv \
    +step $TOKYO_TO_WGS +step +proj=utm +zone=52 +ellps=WGS84
with_cct sydney-utm56s sydney.csv geo grid +proj=utm +zone=56 +south +ellps=WGS84

# ECEF on WGS 84 from GeographicLib: CartConvert reads "lat lon h" and
# writes "X Y Z"; with -r the other way round.
awk -F, '/^#/ || NF == 0 { next } { print $2, $3, $4 }' geo.csv |
    CartConvert -p 9 > /tmp/ecef.res
merge geo.csv grid /tmp/ecef.res > geo-to-ecef.out
awk -F, '/^#/ || NF == 0 { next } { print $2, $3, $4 }' ecef.csv |
    CartConvert -r -p 12 | awk '{ print $2, $1, $3 }' > /tmp/ecef.res
merge ecef.csv geo /tmp/ecef.res > ecef-to-geo.out
rm -f /tmp/ecef.res

# Each point in its own zone: the zone from the longitude, 180 in zone 60,
# a longitude beyond 180 as the same meridian west of Greenwich, and the
# hemisphere after the zone (south with a false northing of 10,000,000 m).
auto_zones() { # FILE OUT
    awk -F, '/^#/ || NF == 0 { next }
        { lon = $3 + 0; if (lon > 180) lon -= 360
          z = int((lon + 180) / 6) + 1; if (z > 60) z = 60
          print lon, $2, 0, z, ($2 < 0 ? "S" : "N") }' "$1" > /tmp/zones.in
    while read -r lon lat h z s; do
        south=(); [ "$s" = S ] && south=(+south)
        echo "$lon $lat $h" | cct -d 12 +proj=utm +zone="$z" "${south[@]}" +ellps=WGS84 |
            awk -v z="$z$s" '{ print $1, $2, $3, z }'
    done < /tmp/zones.in > /tmp/zones.res
    EXTRA=1 merge "$1" grid /tmp/zones.res > "$2"
}
auto_zones zones.csv zones-auto.out
rm -f /tmp/zones.in /tmp/zones.res
