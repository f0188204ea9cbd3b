#!/usr/bin/env python3
"""Prints the Molodensky reference rows of tests/engine/MolodenskyTest.cpp.

Each row is computed by PROJ's cct with +proj=molodensky (standard, not abridged:
no +abridged option is passed). Local -> WGS 84 runs on the local ellipsoid with
the datum's five constants; WGS 84 -> local runs on the WGS 84 ellipsoid with the
five constants negated. Run: python3 scripts/reference/molodensky_cct.py
"""
import subprocess

WGS84_A = 6378137.0
WGS84_F = 0.0033528106647474805

# datum index: (name, a, 1/f, dx, dy, dz) as in the catalogue
DATUMS = {
    125: ("Tokyo(---)", 6377397.155, 299.1528128, -105.627, 462.37, 643.258),
    1: ("Adindan(ADI-M)", 6378249.145, 293.465, -166, -15, 204),
    38: ("European 1950(EUR-M)", 6378388, 297, -87, -98, -121),
    81: ("North American 1927(NAS-C)", 6378206.4, 294.9786982, -8, 160, 176),
    111: ("S-42(Pulkovo 1942)(SPK-A)", 6378245, 298.3, 28, -121, 77),
    98: ("Ordnance Survey of Great Britain 1936(OGB-M)", 6377563.396, 299.3249646, 375, -111, 431),
    132: ("World Geodetic System 1972", 6378135, 298.26, 0, 0, -4.5),
}

POINTS = {  # datum: list of (lat, lon, h)
    125: [(37.4818416208333, 127.004542079583, 0), (35.0, 139.5, 1200.0), (-20.25, -45.5, -50.0)],
    1: [(12.5, 32.25, 400.0), (-3.0, 38.75, 0.0)],
    38: [(48.8566, 2.3522, 35.0), (60.0, 25.0, 0.0)],
    81: [(40.0, -100.0, 1000.0), (25.75, -80.25, 2.0)],
    111: [(55.75, 37.62, 150.0)],
    98: [(51.4778, -0.0015, 45.0), (57.0, -4.0, 300.0)],
    132: [(0.0, 0.0, 0.0), (-33.9, 18.4, 10.0)],
}


def cct(args, lat, lon, h):
    out = subprocess.run(["cct", "-d", "15"] + args, input=f"{lon!r} {lat!r} {h!r}\n",
                         capture_output=True, text=True, check=True).stdout.split()
    return float(out[1]), float(out[0]), float(out[2])


for index, (name, a, rf, dx, dy, dz) in DATUMS.items():
    da = WGS84_A - a
    df = WGS84_F - 1.0 / rf
    to_wgs = ["+proj=molodensky", f"+a={a!r}", f"+rf={rf!r}", f"+dx={dx!r}", f"+dy={dy!r}",
              f"+dz={dz!r}", f"+da={da!r}", f"+df={df!r}"]
    to_local = ["+proj=molodensky", f"+a={WGS84_A!r}", f"+rf=298.257223563", f"+dx={-dx!r}",
                f"+dy={-dy!r}", f"+dz={-dz!r}", f"+da={-da!r}", f"+df={-df!r}"]
    for lat, lon, h in POINTS[index]:
        w = cct(to_wgs, lat, lon, h)
        l = cct(to_local, lat, lon, h)
        print(f"    {{{index}, {lat!r}, {lon!r}, {h!r}, /* to WGS 84 */ {w[0]!r}, {w[1]!r}, {w[2]!r},"
              f" /* to local */ {l[0]!r}, {l[1]!r}, {l[2]!r}}},")
