#!/usr/bin/python3
"""Writes tests/cases/mgrs-against-geoconvert.case: nolvex-convert's MGRS,
UPS and standard UTM zones against GeographicLib's GeoConvert.

    mgrs_cases.py            writes the case file
    mgrs_cases.py --check    exit status 1 when the case file is not what
                             GeoConvert gives now (a test of the file)

Needs GeoConvert (Debian's geographiclib-tools). Every expected line is
GeoConvert's own output for the same point, with only its layout changed
to the converter's (the hemisphere letter of UPS and of a zone in capitals,
a zone without its leading zero, the height 0 the converter writes after a
point):

    --to mgrs --mgrs-precision n      GeoConvert -m -p n-5
    --to ups --precision 3            GeoConvert -u -z 0 -p 3
    --to WGS84:utm --utm-zone auto    GeoConvert -u -s -p 6 (to 1 mm: the
                                      converter's UTM is its engine's own
                                      Transverse Mercator series)
    --from mgrs --to WGS84            GeoConvert -p 9 (the centre of the
                                      square, to 1e-9 degrees)

The points cover every latitude band (C to X: each band's south edge, its
middle and just below its north edge), zone edges (on them and 1e-7
degrees either side), the Norway zone 32V (3 to 12 E, 56 N up to 64 N), the
Svalbard zones 31X to 37X, both polar caps (UPS: bands A, B, Y, Z) with
the overlap UPS allows into UTM's latitudes, and the antimeridian; MGRS at
every precision, 0 to 11 digits a coordinate. 150 points spread over the
world besides, at the default precision.
"""
import os
import subprocess
import sys

CASE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                    "tests", "cases", "mgrs-against-geoconvert.case")

BANDS = "CDEFGHJKLMNPQRSTUVWX"


def points():
    """(lat, lon) as texts, in the order of the table."""
    rows = []
    # every latitude band: its south edge, its middle, just below its north
    # edge, each band in another zone
    for i, band in enumerate(BANDS):
        south = -80 + 8 * i
        north = 84 if band == "X" else south + 8
        lon = -177 + (i * 37) % 354
        rows += [(f"{south}", f"{lon + 0.25}"),
                 (f"{(south + north) / 2}", f"{lon + 1.5}"),
                 (f"{north - 1e-7:.7f}", f"{lon - 2.75}")]
    # zone edges: on them and 1e-7 degrees either side
    for lat in ("37.5", "-33.9", "0"):
        for edge in (-174, -6, 0, 6, 126, 174):
            rows += [(lat, f"{edge}"), (lat, f"{edge - 1e-7:.7f}"),
                     (lat, f"{edge + 1e-7:.7f}")]
    # Norway: 32V spans 3 to 12 E from 56 N up to 64 N
    rows += [("56", "3"), ("56", "2.9999999"), ("55.9999999", "3"),
             ("60", "2.9999999"), ("60", "3"), ("60", "7.5"),
             ("60", "11.9999999"), ("60", "12"), ("63.9999999", "3"),
             ("64", "3"), ("63.9999999", "11.9999999"), ("58.5", "4.25")]
    # Svalbard: 31X 0-9, 33X 9-21, 35X 21-33, 37X 33-42 E from 72 N
    rows += [("72", "0"), ("72", "-0.0000001"), ("72", "8.9999999"),
             ("72", "9"), ("71.9999999", "9"), ("75", "20.9999999"),
             ("75", "21"), ("78", "32.9999999"), ("78", "33"),
             ("80", "41.9999999"), ("80", "42"), ("83.9999999", "15"),
             ("79", "4.5"), ("76.5", "27"), ("81", "37.5"), ("74", "12.5")]
    # polar caps and the overlap UPS allows
    rows += [("84", "0"), ("84", "90"), ("84", "180"), ("85", "-45"),
             ("87.5", "135"), ("89.9999", "10"), ("90", "0"),
             ("90", "-123"), ("86", "10"), ("88", "-90.5"),
             ("-80.0000001", "0"), ("-80.0000001", "179.5"), ("-82", "-90"),
             ("-85", "45"), ("-88.8", "-135"), ("-90", "0"), ("-90", "77"),
             ("-86", "-170"), ("-81", "10"), ("-84.25", "-10.75")]
    # the antimeridian
    rows += [("0", "180"), ("0", "-180"), ("-45", "179.9999999"),
             ("45", "-179.9999999"), ("60", "180"), ("-79.9999", "180"),
             ("83.9", "-180"), ("-12.5", "179.9999999"), ("20", "-180")]
    return rows


def scattered():
    """150 more points spread over UTM's latitudes and every longitude, as
    texts with 7 decimals (a fixed sequence, the same on every run)."""
    rows = []
    for k in range(150):
        lat = -80 + (k * 97 % 1640) / 10 + 0.0123457
        lon = -180 + (k * 211 % 3600) / 10 + 0.0456789
        rows.append((f"{lat:.7f}", f"{lon:.7f}"))
    return rows


def geoconvert(args, lines):
    out = subprocess.run(["GeoConvert"] + args, input="".join(
        line + "\n" for line in lines), capture_output=True, text=True,
        check=False).stdout
    return out.splitlines()


def ups_rows():
    """The points in UPS's range (caps and overlap), with GeoConvert's UPS."""
    rows = [(lat, lon) for lat, lon in points()
            if abs(float(lat)) >= 78.3 and abs(float(lat)) <= 90]
    got = geoconvert(["-u", "-z", "0", "-p", "3"],
                     [f"{lat} {lon}" for lat, lon in rows])
    return [(r, g) for r, g in zip(rows, got) if not g.startswith("ERROR")]


def ups_line(text):
    hemisphere, easting, northing = text.split()
    return f"{hemisphere.upper()} {easting} {northing}"


def utm_line(text):
    zone, easting, northing = text.split()
    return f"{easting} {northing} 0 {int(zone[:-1])}{zone[-1].upper()}"


def case_text():
    out = []
    put = out.append
    put("# nolvex-convert's MGRS, UPS and standard UTM zones against "
        "GeographicLib's")
    put("# GeoConvert: written by scripts/reference/mgrs_cases.py, whose "
        "head says")
    put("# what each case runs and what GeoConvert gives; do not edit by "
        "hand.")
    table = points()
    lines = [f"{lat} {lon}" for lat, lon in table]
    more = [f"{lat} {lon}" for lat, lon in scattered()]
    count = 0
    for digits in range(0, 12):
        # the scattered points at the default precision
        given = lines + more if digits == 5 else lines
        mgrs = geoconvert(["-m", "-p", str(digits - 5)], given)
        put("")
        put(f"=== case MGRS with {digits} digits a coordinate")
        put(f"# Reference: GeoConvert -m -p {digits - 5}")
        put(f"args: --from WGS84 --to mgrs --mgrs-precision {digits}")
        put("stdin:")
        out.extend(given)
        put("stdout:")
        out.extend(mgrs)
        put("status: 0")
        count += len(given)
    ups = ups_rows()
    put("")
    put("=== case UPS in the caps and the overlap")
    put("# Reference: GeoConvert -u -z 0 -p 3, the hemisphere in capitals")
    put("args: --from WGS84 --to ups --precision 3")
    put("stdin:")
    out.extend(f"{lat} {lon}" for (lat, lon), _ in ups)
    put("stdout: tolerance 0.001")
    out.extend(ups_line(g) for _, g in ups)
    put("status: 0")
    count += len(ups)
    utm = [(lat, lon) for lat, lon in table + scattered()
           if -80 <= float(lat) < 84]
    got = geoconvert(["-u", "-s", "-p", "6"],
                     [f"{lat} {lon}" for lat, lon in utm])
    put("")
    put("=== case each point in its standard UTM zone")
    put("# Reference: GeoConvert -u -s -p 6, the zone after the height as "
        "the")
    put("# converter writes it; to 1 mm, the engine's own Transverse "
        "Mercator")
    put("args: --from WGS84 --to WGS84:utm --utm-zone auto")
    put("stdin:")
    out.extend(f"{lat} {lon}" for lat, lon in utm)
    put("stdout: tolerance 0.001")
    out.extend(utm_line(g) for g in got)
    put("status: 0")
    count += len(utm)
    # Reading: the references GeoConvert wrote at 0, 2, 5 and 11 digits,
    # every other one in small letters.
    refs = []
    for digits in (0, 2, 5, 11):
        for i, ref in enumerate(geoconvert(["-m", "-p", str(digits - 5)],
                                           lines + more if digits == 5
                                           else lines)):
            refs.append(ref.lower() if i % 2 else ref)
    centres = geoconvert(["-p", "9"], [r.upper() for r in refs])
    put("")
    put("=== case MGRS references read as the centres of their squares")
    put("# Reference: GeoConvert -p 9 on the same references (capitals)")
    put("args: --from mgrs --to WGS84")
    put("stdin:")
    out.extend(refs)
    put("stdout: tolerance 1e-9")
    out.extend(f"{c} 0" for c in centres)
    put("status: 0")
    count += len(refs)
    put("")
    put(f"# {len(table) + len(more)} points, {count} conversions in all.")
    return "\n".join(out) + "\n"


def main():
    from case_file import write_or_check
    return write_or_check(CASE, case_text(), "GeoConvert", "mgrs_cases.py")


if __name__ == "__main__":
    sys.exit(main())
