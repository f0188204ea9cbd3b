#!/usr/bin/env bash
# Times nolvex-convert against PROJ's cct (a benchmark-only reference) on
# 1,000,000 points: the Molodensky job WGS 84 -> "Tokyo(---)", the UTM job
# WGS 84 -> UTM zone 52 and the EPSG job EPSG:4326 -> EPSG:5174 (Korean 1985
# Modified Central Belt: a Molodensky-Badekas transformation through ECEF and
# a Transverse Mercator), cct running the pipeline that projinfo prints for
# it; and the MGRS job WGS 84 -> MGRS (1 m) against GeographicLib's
# GeoConvert -m on the same points. Interleaved rounds, medians, points per
# second, ratios to the reference tool and peak memory; then checks that the
# tools agree on the numbers and references;
# then the peak memory of nolvex-convert alone on the million points, on
# 64 lines of 1 MB and on lines of many fields, for 1 to 256 threads.
#   BENCH_ONLY    "memory" for the memory table alone
#   BENCH_ROUNDS  rounds per job (default 5)
#   BENCH_MEMORY_RUNS  runs per cell of the memory table, the largest peak
#                 shown (default 3)
#   BENCH_POINTS  points in the generated file (default 1000000)
#   BENCH_BUILD   Release build directory (default build-cli-release)
#   BENCH_JOBS    a subset of the jobs: "molodensky kgd"
#   BENCH_BASELINE  an earlier nolvex-convert: its jobs run in the same
#                 rounds ("old-..."), and the table gains "new vs old"
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
rounds=${BENCH_ROUNDS:-5}
points=${BENCH_POINTS:-1000000}
build=${BENCH_BUILD:-build-cli-release}

for tool in cct GeoConvert /usr/bin/time; do
    command -v "$tool" > /dev/null || { echo "bench-cli: $tool is missing (scripts/install-deps.sh --bench)" >&2; exit 1; }
done

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_UI=OFF \
    -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" --target nolvex-convert > /dev/null
nv="$build/cli/nolvex-convert"
# The floor of the catalogue jobs (bench/floor.cpp): their formulas with
# from_chars and to_chars text and no checks, built as the converter is.
floor="$build/floor"
if [ ! -x "$floor" ] || [ "$floor" -ot bench/floor.cpp ]; then
    "${CXX:-c++}" -O3 -DNDEBUG -std=c++20 -ffp-contract=off bench/floor.cpp -o "$floor"
fi

# Points over Korea and Japan inside UTM zone 52: longitude, latitude, height.
data="$build/bench"
input="$data/points-$points.txt"
mkdir -p "$data"
if [ ! -s "$input" ]; then
    awk -v n="$points" 'BEGIN {
        s = 20240611
        for (i = 0; i < n; ++i) {
            s = (s * 1103515245 + 12345) % 2147483648; lon = 126 + 6 * s / 2147483648
            s = (s * 1103515245 + 12345) % 2147483648; lat = 33 + 10 * s / 2147483648
            s = (s * 1103515245 + 12345) % 2147483648; h = 2000 * s / 2147483648 - 100
            printf "%.9f %.9f %.3f\n", lon, lat, h
        }
    }' > "$input"
fi

# WGS 84 -> Tokyo(---) is the standard Molodensky formula on WGS 84 with the
# five constants of Tokyo(---) negated (da and df as the engine derives them).
da=$(awk 'BEGIN { printf "%.17g", -(6378137 - 6377397.155) }')
df=$(awk 'BEGIN { printf "%.17g", -(1 / 298.257223563 - 1 / 299.1528128) }')
molodensky=(+proj=molodensky +ellps=WGS84 +dx=105.627 +dy=-462.37 +dz=-643.258 "+da=$da" "+df=$df")
utm=(+proj=utm +zone=52 +ellps=WGS84)
# EPSG:4326 -> EPSG:5174 in EPSG's axis order (latitude first in, northing
# first out), on the same points with latitude and longitude swapped; the
# pipeline is nolvex-convert's --proj text, which is projinfo's.
latlon="$data/points-latlon-$points.txt"
if [ ! -s "$latlon" ] || [ "$latlon" -ot "$input" ]; then
    awk '{ print $2, $1, $3 }' "$input" > "$latlon"
fi
# The first pipeline that --proj prints (it names each candidate in a
# comment line before it where PROJ chooses per point).
pipeline() {
    "$nv" --from "$1" --to "$2" --proj | awk '!/^#/ && !done { print; done = 1 }'
}
read -r -a epsg <<< "$(pipeline EPSG:4326 EPSG:5174)"
# The MGRS job: latitude and longitude alone, as GeoConvert reads a
# geographic point (three numbers would be UTM to it).
latlon2="$data/points-latlon2-$points.txt"
if [ ! -s "$latlon2" ] || [ "$latlon2" -ot "$input" ]; then
    awk '{ print $2, $1 }' "$input" > "$latlon2"
fi
# EPSG:4326 -> EPSG:5186 (Korea 2000 Central Belt 2010) and EPSG:4979 ->
# EPSG:4326+5773 (EGM96 heights through the geoid grid), cct running the
# operation PROJ chooses (the converter's --proj text).
read -r -a kgd <<< "$(pipeline EPSG:4326 EPSG:5186)"
read -r -a geoid <<< "$(pipeline EPSG:4979 EPSG:4326+5773)"

memory_table() {
    # 64 lines of about 1 MB: half of them points with a long text column,
    # half lines that fail and come back as comment lines carrying the text.
    local long="$data/long-lines.txt"
    if [ ! -s "$long" ]; then
        local s i
        s=$(head -c 1000000 /dev/zero | tr '\0' x)
        for ((i = 0; i < 64; ++i)); do
            if ((i % 2)); then printf 'bad,%s\n' "$s"; else printf '37.5,127.5,%s\n' "$s"; fi
        done > "$long"
    fi
    # Lines of many fields: 300 lines of 1 MB of commas, 64 lines of
    # 500,000 fields that start with a point, and 400 lines of 65,532 fields
    # (a point, then a digit in each field), within the most fields a line
    # may have, so that every line is converted.
    local commas="$data/comma-lines.txt" fields="$data/field-lines.txt"
    local wide="$data/wide-lines.txt"
    if [ ! -s "$commas" ]; then
        local c
        c=$(head -c 1048000 /dev/zero | tr '\0' ,)
        for ((i = 0; i < 300; ++i)); do printf '%s\n' "$c"; done > "$commas"
    fi
    if [ ! -s "$fields" ]; then
        local f
        f=$(head -c 499998 /dev/zero | tr '\0' ,)
        for ((i = 0; i < 64; ++i)); do printf '37.5,127.5%s\n' "$f"; done > "$fields"
    fi
    if [ ! -s "$wide" ]; then
        awk 'BEGIN { s = "37.5,127.5"; for (i = 0; i < 65530; ++i) s = s ",1"
                     for (i = 0; i < 400; ++i) print s }' > "$wide"
    fi
    local threads="1 2 8 16 32 64 128 256"
    echo
    echo "Peak memory of nolvex-convert (MB), any thread count"
    printf "%-34s" "input"
    for t in $threads; do printf "%10s" "t=$t"; done
    echo
    local name args
    for name in "1000000 points, Molodensky" "1000000 points, UTM" \
                "64 lines of 1 MB, text" "64 lines of 1 MB, GeoJSON" \
                "300 lines of 1 MB of commas" "64 lines of 500000 fields" \
                "64 lines of 500000 fields, GeoJSON" \
                "400 lines of 65532 fields" "400 lines of 65532 fields, GeoJSON" \
                "1000000 points, EPSG:5186 (PROJ)" "1000000 points, EGM96 (PROJ)"; do
        case $name in
        *Molodensky) args=(--lonlat --from WGS84 --to 'Tokyo(---)' "$input") ;;
        *UTM) args=(--lonlat --from WGS84 --to WGS84:utm --to-utm-zone 52 "$input") ;;
        *"1 MB, text") args=(--from WGS84 --to 'Tokyo(---)' "$long") ;;
        *"1 MB, GeoJSON") args=(--from WGS84 --to WGS84 --output-format geojson "$long") ;;
        *commas) args=(--from WGS84 --to 'Tokyo(---)' "$commas") ;;
        *"65532 fields, GeoJSON") args=(--from WGS84 --to WGS84 --output-format geojson "$wide") ;;
        *"65532 fields") args=(--from WGS84 --to 'Tokyo(---)' "$wide") ;;
        *"fields, GeoJSON") args=(--from WGS84 --to WGS84 --output-format geojson "$fields") ;;
        *fields) args=(--from WGS84 --to 'Tokyo(---)' "$fields") ;;
        *5186*) args=(--from EPSG:4326 --to EPSG:5186 "$latlon") ;;
        *EGM96*) args=(--from EPSG:4979 --to EPSG:4326+5773 "$latlon") ;;
        esac
        printf "%-34s" "$name"
        for t in $threads; do
            local peak=0 kb run
            for ((run = 0; run < ${BENCH_MEMORY_RUNS:-3}; ++run)); do
                /usr/bin/time -f "%M" -o "$data/rss.txt" "$nv" -q --threads "$t" "${args[@]}" > /dev/null 2>&1 || true
                # the last line: a failed line makes time(1) say so first
                kb=$(tail -n 1 "$data/rss.txt")
                if ((kb > peak)); then peak=$kb; fi
            done
            awk -v kb="$peak" 'BEGIN { printf "%10.1f", kb / 1024 }'
        done
        echo
    done
}
if [ "${BENCH_ONLY:-}" = memory ]; then
    memory_table
    exit 0
fi

declare -A command
command[cct-molodensky]="cct ${molodensky[*]} $input"
command[floor-molodensky]="$floor molodensky $input"
command[floor-utm]="$floor utm $input"
command[nv-molodensky-t1]="$nv -q --threads 1 --lonlat --from WGS84 --to Tokyo(---) $input"
command[nv-molodensky-t2]="$nv -q --threads 2 --lonlat --from WGS84 --to Tokyo(---) $input"
command[cct-utm]="cct ${utm[*]} $input"
command[nv-utm-t1]="$nv -q --threads 1 --lonlat --from WGS84 --to WGS84:utm --to-utm-zone 52 $input"
command[nv-utm-t2]="$nv -q --threads 2 --lonlat --from WGS84 --to WGS84:utm --to-utm-zone 52 $input"
command[cct-epsg]="cct ${epsg[*]} $latlon"
command[nv-epsg-t1]="$nv -q --threads 1 --from EPSG:4326 --to EPSG:5174 $latlon"
command[nv-epsg-t2]="$nv -q --threads 2 --from EPSG:4326 --to EPSG:5174 $latlon"
command[cct-kgd]="cct ${kgd[*]} $latlon"
command[nv-kgd-t1]="$nv -q --threads 1 --from EPSG:4326 --to EPSG:5186 $latlon"
command[nv-kgd-t2]="$nv -q --threads 2 --from EPSG:4326 --to EPSG:5186 $latlon"
command[cct-geoid]="cct ${geoid[*]} $latlon"
command[nv-geoid-t1]="$nv -q --threads 1 --from EPSG:4979 --to EPSG:4326+5773 $latlon"
command[nv-geoid-t2]="$nv -q --threads 2 --from EPSG:4979 --to EPSG:4326+5773 $latlon"
command[geoconvert-mgrs]="GeoConvert -m --input-file $latlon2"
command[nv-mgrs-t1]="$nv -q --threads 1 --from WGS84 --to mgrs $latlon2"
command[nv-mgrs-t2]="$nv -q --threads 2 --from WGS84 --to mgrs $latlon2"
jobs=(cct-molodensky floor-molodensky nv-molodensky-t1 nv-molodensky-t2
      cct-utm floor-utm nv-utm-t1 nv-utm-t2
      cct-epsg nv-epsg-t1 nv-epsg-t2 cct-kgd nv-kgd-t1 nv-kgd-t2
      cct-geoid nv-geoid-t1 nv-geoid-t2
      geoconvert-mgrs nv-mgrs-t1 nv-mgrs-t2)
if [ -n "${BENCH_JOBS:-}" ]; then # a subset: "molodensky kgd"
    selected=()
    for job in "${jobs[@]}"; do
        for want in $BENCH_JOBS; do
            [[ $job == *-"$want" || $job == *-"$want"-t* ]] && selected+=("$job")
        done
    done
    jobs=("${selected[@]}")
fi

# The same jobs with an earlier build, where it knows the systems.
if [ -n "${BENCH_BASELINE:-}" ]; then
    with_old=()
    for job in "${jobs[@]}"; do
        with_old+=("$job")
        if [[ $job == nv-* ]]; then
            old="old-${job#nv-}"
            command[$old]="$BENCH_BASELINE ${command[$job]#"$nv" }"
            read -r -a argv <<< "${command[$old]}"
            if echo "37.5 37.5 0" | "${argv[@]:0:${#argv[@]}-1}" > /dev/null 2>&1; then
                with_old+=("$old")
            fi
        fi
    done
    jobs=("${with_old[@]}")
fi

declare -A times rss
run() { # job: appends wall seconds and peak RSS (kB)
    local job=$1 start end
    read -r -a argv <<< "${command[$job]}"
    start=$(date +%s%N)
    # stderr kept aside: the EPSG job's points outside EPSG:5174's area of
    # use are counted there on every run
    /usr/bin/time -f "%M" -o "$data/rss.txt" "${argv[@]}" > /dev/null 2> "$data/stderr.txt"
    end=$(date +%s%N)
    times[$job]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }') "
    rss[$job]+="$(tail -n 1 "$data/rss.txt") "
}

echo "nolvex-convert against cct, $points points, $rounds interleaved rounds"
for job in "${jobs[@]}"; do run "$job"; done # warm-up, not counted
for job in "${jobs[@]}"; do times[$job]=""; rss[$job]=""; done
for ((r = 1; r <= rounds; ++r)); do
    for job in "${jobs[@]}"; do run "$job"; done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { tr ' ' '\n' | grep . | sort -g | tail -n 1; }

echo "(vs ref: against cct, and against GeoConvert -m for the MGRS job)"
printf "\n%-18s %10s %14s %10s %12s %11s %10s\n" job "median s" "points/s" "vs ref" "peak RSS" "new vs old" "vs floor"
for job in "${jobs[@]}"; do
    m=$(echo "${times[$job]}" | median)
    base=$job
    if [[ $job == nv-* || $job == old-* || $job == floor-* ]]; then base=cct-${job#*-}; base=${base%-t[0-9]}; fi
    if [[ -z ${times[$base]:-} && -n ${times[geoconvert-${base#cct-}]:-} ]]; then base=geoconvert-${base#cct-}; fi
    mb=$(echo "${times[$base]}" | median)
    peak=$(echo "${rss[$job]}" | maximum)
    old=""
    if [[ $job == nv-* && -n ${times[old-${job#nv-}]:-} ]]; then
        old=$(echo "${times[old-${job#nv-}]}" | median)
    fi
    # A catalogue job on one thread over its floor: what its checks, its
    # 15-digit texts and its reading of any layout cost.
    fl=""
    f=${job#nv-}
    f=floor-${f%-t1}
    if [[ $job == nv-*-t1 && -n ${times[$f]:-} ]]; then
        fl=$(echo "${times[$f]}" | median)
    fi
    awk -v j="$job" -v m="$m" -v mb="$mb" -v n="$points" -v p="$peak" -v o="$old" -v f="$fl" 'BEGIN {
        printf "%-18s %10.3f %14.0f %9.2fx %9.1f MB", j, m, n / m, mb / m, p / 1024
        printf (o != "") ? sprintf(" %10.3fx", o / m) : sprintf(" %11s", "")
        if (f != "") printf " %9.2fx", m / f
        printf "\n" }'
done

# Agreement on the first 10000 points: latitude and longitude in degrees,
# heights and grid coordinates in metres.
head -n 10000 "$input" > "$data/agree.txt"
agree() { # label, cct output, nolvex output, unit of the first two columns
    paste -d ' ' "$2" "$3" | awk -v label="$1" -v unit="$4" '{
        for (i = 1; i <= 3; ++i) { d = $i - $(i + 4); if (d < 0) d = -d; if (d > m[i]) m[i] = d }
    } END { printf "%-12s max |difference|: %.3g %s, %.3g %s, %.3g m\n", label, m[1], unit, m[2], unit, m[3] }'
}
cct -d 12 "${molodensky[@]}" "$data/agree.txt" > "$data/cct.txt"
"$nv" -q --lonlat --from WGS84 --to 'Tokyo(---)' "$data/agree.txt" > "$data/nv.txt"
agree Molodensky "$data/cct.txt" "$data/nv.txt" deg
cct -d 6 "${utm[@]}" "$data/agree.txt" > "$data/cct.txt"
"$nv" -q --lonlat --from WGS84 --to WGS84:utm --to-utm-zone 52 "$data/agree.txt" > "$data/nv.txt"
agree UTM "$data/cct.txt" "$data/nv.txt" m
head -n 10000 "$latlon" > "$data/agree-latlon.txt"
cct -d 6 "${epsg[@]}" "$data/agree-latlon.txt" > "$data/cct.txt"
"$nv" -q --from EPSG:4326 --to EPSG:5174 "$data/agree-latlon.txt" > "$data/nv.txt" 2> /dev/null
agree EPSG:5174 "$data/cct.txt" "$data/nv.txt" m
cct -d 6 "${kgd[@]}" "$data/agree-latlon.txt" > "$data/cct.txt"
"$nv" -q --from EPSG:4326 --to EPSG:5186 "$data/agree-latlon.txt" > "$data/nv.txt" 2> /dev/null
agree EPSG:5186 "$data/cct.txt" "$data/nv.txt" m
head -n 10000 "$latlon2" > "$data/agree-latlon2.txt"
GeoConvert -m --input-file "$data/agree-latlon2.txt" > "$data/gc.txt"
"$nv" -q --from WGS84 --to mgrs "$data/agree-latlon2.txt" > "$data/nv.txt"
printf "%-12s references that differ: %d of 10000\n" MGRS \
    "$(paste -d ' ' "$data/gc.txt" "$data/nv.txt" | awk '$1 != $2' | wc -l)"
cct -d 9 "${geoid[@]}" "$data/agree-latlon.txt" > "$data/cct.txt"
"$nv" -q --from EPSG:4979 --to EPSG:4326+5773 "$data/agree-latlon.txt" > "$data/nv.txt" 2> /dev/null
agree EGM96 "$data/cct.txt" "$data/nv.txt" deg

memory_table
