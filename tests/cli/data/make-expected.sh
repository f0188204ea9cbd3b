#!/usr/bin/env bash
# Writes geo-tokyo-to-wgs84.out, the reference for the GeoJSON test's points:
# geo.csv on Tokyo(---) to WGS 84 through PROJ's cct. Run from anywhere;
# needs proj-bin (a test-only reference, not needed when the tests run). The
# output keeps the input's layout: comment lines as they are, the coordinate
# fields (columns 2 to 4) replaced. The other chains' references are in
# tests/cases/reference-chains.case, each with the command that gave it.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")"

# The five Molodensky constants of a datum against WGS 84, as the engine
# derives da and df from its catalogue (a and 1/f of both ellipsoids).
da() { awk -v a="$1" 'BEGIN { printf "%.17g", 6378137 - a }'; }
df() { awk -v r="$1" 'BEGIN { printf "%.17g", 1 / 298.257223563 - 1 / r }'; }

BESSEL_DA=$(da 6377397.155)
BESSEL_DF=$(df 299.1528128)
# Tokyo(---): local -> WGS 84 with the stored constants on Bessel.
TOKYO_TO_WGS="+proj=molodensky +ellps=bessel +dx=-105.627 +dy=462.37 +dz=643.258 +da=$BESSEL_DA +df=$BESSEL_DF"

# The data lines' "lon lat h" through cct, merged back: columns 2 to 4
# replaced by the results' "lat lon h".
awk -F, '/^#/ || NF == 0 { next }
    { h = ($4 == "") ? 0 : $4; print $3, $2, h }' geo.csv |
    cct -d 12 $TOKYO_TO_WGS > /tmp/geo-tokyo-to-wgs84.res
awk -F, -v res=/tmp/geo-tokyo-to-wgs84.res 'BEGIN { OFS = "," }
    /^#/ || NF == 0 { print; next }
    { getline r < res; split(r, v, " ")
      $2 = v[2]; $3 = v[1]; $4 = v[3]
      print }' geo.csv > geo-tokyo-to-wgs84.out
rm -f /tmp/geo-tokyo-to-wgs84.res
