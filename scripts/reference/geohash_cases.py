#!/usr/bin/python3
"""Writes tests/cases/geohash-against-python.case: nolvex-convert's
geohashes against a geohash written here from the published algorithm.

    geohash_cases.py            writes the case file
    geohash_cases.py --check    exit status 1 when the case file is not what
                                this script gives now (a test of the file)

GeoConvert has no geohash, so the reference is the algorithm as geohash.org
published it (G. Niemeyer, 2008; the Wikipedia article "Geohash" gives it
with its examples): bisect longitude [-180, 180] and latitude [-90, 90] in
turn, longitude first, a bit 1 for the upper half (a value on the middle
goes up); five bits a character of "0123456789bcdefghjkmnpqrstuvwxyz". The
cells cover longitudes [-180, 180): 180 is the meridian -180 and is encoded
as -180. A geohash is read as the centre of its cell. encode() and decode() below are
that and nothing more; they share no code with the converter.

    --to geohash --geohash-length n    encode(lat, lon, n), n = 1 to 18
    --from geohash --to WGS84          decode(hash), to 1e-12 degrees

The published examples themselves are checked first: 57.64911 N 10.40744 E
is u4pruydqqvj, and ezs42 is the cell of 42.605 N 5.603 W.
"""
import os
import sys

CASE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                    "tests", "cases", "geohash-against-python.case")

BASE32 = "0123456789bcdefghjkmnpqrstuvwxyz"


def encode(lat, lon, length):
    if lon == 180:
        lon = -180.0
    lat_range, lon_range = [-90.0, 90.0], [-180.0, 180.0]
    bits, even, text, char = 0, True, "", 0
    while len(text) < length:
        values, value = (lon_range, lon) if even else (lat_range, lat)
        middle = (values[0] + values[1]) / 2
        if value >= middle:
            char, values[0] = char * 2 + 1, middle
        else:
            char, values[1] = char * 2, middle
        even, bits = not even, bits + 1
        if bits == 5:
            text, bits, char = text + BASE32[char], 0, 0
    return text


def decode(text):
    lat_range, lon_range = [-90.0, 90.0], [-180.0, 180.0]
    even = True
    for c in text.lower():
        for shift in range(4, -1, -1):
            values = lon_range if even else lat_range
            middle = (values[0] + values[1]) / 2
            values[0 if BASE32.index(c) >> shift & 1 else 1] = middle
            even = not even
    return (lat_range[0] + lat_range[1]) / 2, (lon_range[0] + lon_range[1]) / 2


def points():
    """Points as texts: both poles, the antimeridian, the equator and the
    prime meridian (a value on a cell's edge goes up), and points spread
    over the world."""
    rows = [("0", "0"), ("90", "180"), ("-90", "-180"), ("90", "0"),
            ("-90", "0"), ("0", "180"), ("0", "-180"), ("45", "-179.999999"),
            ("-45", "179.999999"), ("37.5666", "126.9784"),
            ("-33.8688", "151.2093"), ("57.64911", "10.40744"),
            ("42.605", "-5.603"), ("-0.000001", "-0.000001"),
            ("22.5", "45"), ("-67.5", "-135")]
    for k in range(40):
        lat = -90 + (k * 53 % 180) + 0.123456789
        lon = -180 + (k * 137 % 360) + 0.987654321
        rows.append((f"{min(lat, 90):.9f}", f"{lon:.9f}"))
    return rows


def case_text():
    assert encode(57.64911, 10.40744, 11) == "u4pruydqqvj"
    lat, lon = decode("ezs42")
    assert abs(lat - 42.605) < 0.0005 and abs(lon + 5.603) < 0.0005
    out = []
    put = out.append
    put("# nolvex-convert's geohashes against the published algorithm: "
        "written by")
    put("# scripts/reference/geohash_cases.py, whose head says how; do not "
        "edit by hand.")
    table = points()
    for length in range(1, 19):
        put("")
        put(f"=== case geohashes of {length} characters")
        put(f"args: --from WGS84 --to geohash --geohash-length {length}")
        put("stdin:")
        out.extend(f"{lat} {lon}" for lat, lon in table)
        put("stdout:")
        out.extend(encode(float(lat), float(lon), length)
                   for lat, lon in table)
        put("status: 0")
    hashes = []
    for length in (1, 5, 12, 18):
        for i, (lat, lon) in enumerate(table):
            text = encode(float(lat), float(lon), length)
            hashes.append(text.upper() if i % 3 == 1 else text)
    put("")
    put("=== case geohashes read as the centres of their cells")
    put("args: --from geohash --to WGS84")
    put("stdin:")
    out.extend(hashes)
    put("stdout: tolerance 1e-12")
    for text in hashes:
        lat, lon = decode(text)
        put(f"{lat!r} {lon!r} 0")
    put("status: 0")
    return "\n".join(out) + "\n"


def main():
    from case_file import write_or_check
    return write_or_check(CASE, case_text(), "the published algorithm", "geohash_cases.py")


if __name__ == "__main__":
    sys.exit(main())
