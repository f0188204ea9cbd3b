#!/usr/bin/env python3
"""Prints the reference rows of tests/engine/TmercTest.cpp and
tests/engine/EcefTest.cpp.

Transverse Mercator: GeographicLib's exact projection,
    TransverseMercatorProj -e <a> 1/<1/f> -l <central meridian> -k <k0> -p 9
with the origin on the equator; the rows keep its raw x and y, and each grid
its northing of the origin latitude, so that the test forms
    X = false easting + x,  Y = false northing + y - y(origin).
Earth-centred: GeographicLib's
    CartConvert -e <a> 1/<1/f> -p 9
Run: python3 scripts/reference/grid_reference.py
"""
import subprocess

BESSEL = (6377397.155, "299.1528128")
WGS84 = (6378137.0, "298.257223563")
INTL = (6378388.0, "297")

# name: (ellipsoid, central meridian, k0, origin latitude, points (lat, lon))
GRIDS = {
    "WGS84_UTM": (WGS84, "129", "0.9996", "0", [
        (37.5, 127.3), (37.5, 132.0), (-33.9, 126.5), (0.5, 126.0), (0.5, 132.0),
        (80.25, 126.0), (-60.0, 131.75), (1.0e-7, 128.999)]),
    "TOKYO_UTM": (BESSEL, "129", "0.9996", "0", [
        (35.6895, 139.6917 - 12.0), (33.25, 131.9), (43.0, 126.1), (-12.5, 130.0)]),
    "TOKYO_TM": (BESSEL, "127.0028902777777777776", "1", "38", [
        (38.0, 127.0), (37.5665, 126.978), (33.5, 124.1), (38.5, 129.9), (36.0, 128.5)]),
    "WGS84_G7": (WGS84, "128", "0.9999", "38", [
        (37.5665, 126.978), (33.2, 125.05), (43.0, 130.95), (38.0, 128.0)]),
    # central meridian points, for the footpoint iteration
    "WGS84_UTM_CM": (WGS84, "129", "0.9996", "0", [
        (-89.9, 129.0), (-45.0, 129.0), (0.0, 129.0), (36.0, 129.0), (60.0, 129.0),
        (89.9, 129.0), (90.0, 129.0)]),
    "WGS84_G7_CM": (WGS84, "128", "0.9999", "38", [(-10.0, 128.0), (38.0, 128.0), (75.0, 128.0)]),
    "TOKYO_TM_CM": (BESSEL, "127.0028902777777777776", "1", "38",
                    [(20.0, 127.0028902777777777776), (38.0, 127.0028902777777777776)]),
}

ECEF = {
    133: (WGS84, [(37.5, 127.3, 50.0), (-33.9, 18.4, 10.0), (89.5, -60.0, 1000.0),
                  (0.0, -179.5, -100.0), (45.0, -90.0, 9000.0), (-89.99, 45.0, 0.0)]),
    125: (BESSEL, [(35.6895, 139.6917, 40.0), (-12.5, 130.0, 0.0), (60.1, 24.9, 8848.0)]),
    38: (INTL, [(48.8566, 2.3522, 35.0), (-0.25, -0.75, -10.0)]),
}


def num(x):
    """A plain decimal: the tools would read the "e" of 1e-07 as east."""
    text = repr(x)
    return text if "e" not in text else format(x, ".20f").rstrip("0")


def tool(args, lines):
    out = subprocess.run(args, input="".join(lines), capture_output=True, text=True,
                         check=True).stdout.splitlines()
    return [line.split() for line in out]


def main():
    for name, ((a, rf), cm, k0, lat0, points) in GRIDS.items():
        args = ["TransverseMercatorProj", "-e", repr(a), "1/" + rf, "-l", cm, "-k", k0, "-p", "9"]
        origin = tool(args, [f"{lat0} {cm}\n"])[0]
        print(f"// {' '.join(args)}")
        print(f"// y({lat0}, {cm}) = {origin[1]}")
        for (lat, lon), out in zip(points, tool(args, [f"{num(lat)} {num(lon)}\n" for lat, lon in points])):
            print(f"    {{{lat!r}, {lon!r}, {out[0]}, {out[1]}}},")
    for datum, ((a, rf), points) in ECEF.items():
        args = ["CartConvert", "-e", repr(a), "1/" + rf, "-p", "9"]
        print(f"// datum {datum}: {' '.join(args)}")
        for (lat, lon, h), out in zip(points, tool(args, [f"{num(lat)} {num(lon)} {num(h)}\n" for lat, lon, h in points])):
            print(f"    {{{datum}, {lat!r}, {lon!r}, {h!r}, {out[0]}, {out[1]}, {out[2]}}},")


if __name__ == "__main__":
    main()
