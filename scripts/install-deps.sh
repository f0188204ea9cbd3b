#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, and only
# those that are missing. Safe to run again: it does nothing when all are present.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
    # MGRS, UPS, geohashes and the standard UTM zone
    libgeographiclib-dev
    # the GeoJSON oracle of the tests: a JSON reader of its own
    nlohmann-json3-dev
    # reference systems: PROJ's library, its database and Debian's grids
    libproj-dev proj-data libsqlite3-dev
    # fonts that render the Korean captions
    fonts-nanum
    # tests that drive the real window (openbox: a window manager for its
    # close boxes)
    xvfb xauth xdotool imagemagick x11-utils openbox
    # independent references for the tests, and the fuzzer
    proj-bin geographiclib-tools clang libclang-rt-14-dev
    # the runner of the converter's case files (tests/cases), the Python
    # module (pybind11, numpy) and its tests (pandas, Dask, and pyproj as
    # their reference on the same PROJ)
    python3 python3-dev pybind11-dev python3-numpy python3-pandas
    python3-dask python3-distributed python3-pyproj
    # locale sources, from which the trace tests compile a decimal-comma locale
    locales
)
if [ "${1:-}" = "--bench" ]; then
    packages+=(hyperfine time)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
