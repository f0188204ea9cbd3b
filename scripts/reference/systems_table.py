#!/usr/bin/python3
"""Writes the converter cases tests/cases/systems-*.case: reference systems
with axes, units and heights of every kind (polar, south-oriented, grads and
radians, US survey feet, EGM96 compounds) and places on every continent.

Independent of the converter: each expected value is what pyproj (Debian's
python3-pyproj 3.4.1 on PROJ 9.1.1 and its EPSG database) gives, with the
operation PROJ chooses at the point as cs2cs does
(Transformer.from_crs(source, target), always_xy=True for --lonlat rows).
The operation is named from pyproj's description, or, where PROJ chooses
among several candidates at each point, from the first candidate of
TransformerGroup (in PROJ's order) whose result is the same; a ballpark
operation stops the script unless the row asks for --allow-ballpark, and so
does a height that PROJ changes on its way to a 2D target.

pyproj and cct both turn radians into degrees on the way in and out, so the
radian rows take PROJ's pipeline from projinfo (a unit conversion) and the
factor pi/180 from Python's math.radians and math.degrees.

Run: /usr/bin/python3 scripts/reference/systems_table.py [DIRECTORY]
(default: tests/cases beside this script's folder).
"""
import math
import os
import subprocess
import sys

import pyproj
from pyproj import CRS, Transformer
from pyproj.transformer import TransformerGroup

# Systems that are no EPSG code, by the name the comments give them.
DATUM_WGS84 = ('DATUM["World Geodetic System 1984",ELLIPSOID["WGS 84",'
               '6378137,298.257223563,LENGTHUNIT["metre",1]]],'
               'PRIMEM["Greenwich",0,ANGLEUNIT["degree",0.0174532925199433]]')
GRADS = ('GEOGCRS["WGS 84 in grads",' + DATUM_WGS84 + ',CS[ellipsoidal,2],'
         'AXIS["geodetic latitude (Lat)",north,ORDER[1]],'
         'AXIS["geodetic longitude (Lon)",east,ORDER[2]],'
         'ANGLEUNIT["grad",0.015707963267948966]]')
RADIANS = ('GEOGCRS["WGS 84 in radians",' + DATUM_WGS84 + ',CS[ellipsoidal,2],'
           'AXIS["geodetic latitude (Lat)",north,ORDER[1]],'
           'AXIS["geodetic longitude (Lon)",east,ORDER[2]],'
           'ANGLEUNIT["radian",1]]')
NAMES = {GRADS: "GRADS", RADIANS: "RADIANS"}

LINEAR_TOLERANCE = "1e-6"     # metres, US survey feet
ANGLE_TOLERANCE = "1e-9"      # degrees, grads
RADIAN_TOLERANCE = "1e-11"


def shown(system):
    return NAMES.get(system, '"%s"' % system)


def arg(system):
    return "'%s'" % system if system in NAMES else system


def units(system):
    return [a.unit_name for a in CRS(system).axis_info]


def tolerance(system):
    us = units(system)
    if us[0] == "radian":
        first = RADIAN_TOLERANCE
    elif us[0] in ("degree", "grad"):
        first = ANGLE_TOLERANCE
    else:
        return "tolerance " + LINEAR_TOLERANCE
    return "tolerance %s %s %s" % (first, first, LINEAR_TOLERANCE)


def round_for(system, values):
    """Values rounded as a user would type them: mm (or 0.001 ft),
    1e-10 degrees or grads, 1e-12 radians, heights to the mm."""
    us = units(system)
    out = []
    for k, v in enumerate(values):
        u = us[k] if k < len(us) else "metre"
        if u == "radian":
            out.append("%.12f" % v)
        elif u in ("degree", "grad"):
            out.append("%.10f" % v)
        else:
            out.append("%.3f" % v)
    return " ".join(t.rstrip("0").rstrip(".") if "." in t else t
                    for t in out)


_SWAPS = {}


def swaps(system):
    """Whether PROJ's east-first order (always_xy) swaps the system's first
    two axes: found by converting a point of its area of use from WGS 84
    both ways."""
    if system not in _SWAPS:
        area = CRS(system).area_of_use
        lon, lat = 20.0, 10.0
        if area:
            w, s, e, n = area.bounds
            if e < w:
                e += 360
            # off the middle, so that the two values differ
            lon, lat = w + (e - w) * 0.6, s + (n - s) * 0.55
            lon -= 360 if lon > 180 else 0
        own = Transformer.from_crs("EPSG:4326", system).transform(lat, lon)
        xy = Transformer.from_crs("EPSG:4326", system,
                                  always_xy=True).transform(lon, lat)
        if close(own, xy) and not close(own, xy[::-1]):
            _SWAPS[system] = False
        elif close(own[::-1], xy) and not close(own, xy):
            _SWAPS[system] = True
        else:
            raise SystemExit("cannot tell the east-first order of " + system)
    return _SWAPS[system]


def close(a, b):
    return all(abs(x - y) <= 1e-9 * max(1.0, abs(x)) for x, y in zip(a, b))


def operation(source, target, xy, values, result):
    t = Transformer.from_crs(source, target, always_xy=xy)
    if not t.description.startswith("unavailable"):
        return t.description
    for c in TransformerGroup(source, target, always_xy=xy).transformers:
        if close(c.transform(*values), result):
            return c.description
    raise SystemExit("no candidate gives the result of %s -> %s at %r"
                     % (source, target, values))


class Point:
    """One input line of a case: its values, PROJ's result, the call that
    gave it and the operation used."""

    def __init__(self, row, text):
        self.text = text
        values = [float(v) for v in text.split()]
        self.values = values
        source, target, lonlat = row.source, row.target, row.lonlat
        if RADIANS in (source, target):
            self.result, self.op, self.call = self.radians(row, values)
        else:
            t = Transformer.from_crs(source, target, always_xy=lonlat)
            self.result = t.transform(*values)
            self.op = operation(source, target, lonlat, values, self.result)
            self.call = "Transformer.from_crs(%s, %s%s).transform(%s)" % (
                shown(source), shown(target),
                ", always_xy=True" if lonlat else "",
                ", ".join(repr(v) for v in values))
            if "allpark" in self.op and "--allow-ballpark" not in row.extra:
                raise SystemExit("%s: ballpark operation %s"
                                 % (row.title, self.op))
        self.dims = len(CRS(target).axis_info)
        out = [repr(v) for v in self.result[:2]]
        if self.dims == 3:
            out.append(repr(self.result[2]))
        else:
            third = text.split()[2] if len(values) == 3 else "0"
            if len(values) == 3 and self.result[2] != values[2]:
                raise SystemExit("%s: PROJ changed the height of a 2D "
                                 "target" % row.title)
            out.append(third)
        self.expected = " ".join(out)

    @staticmethod
    def radians(row, values):
        """The unit conversion of a geographic system in radians on WGS 84
        to and from EPSG:4326, which share their axis order."""
        pipeline = subprocess.run(
            ["projinfo", "-s", row.source, "-t", row.target, "-o", "PROJ",
             "-q"], capture_output=True, text=True,
            check=True).stdout.strip()
        if row.target == RADIANS:
            f, name = math.radians, "math.radians"
        else:
            f, name = math.degrees, "math.degrees"
        result = [f(v) for v in values[:2]] + values[2:]
        if len(result) == 2:
            result.append(0.0)
        call = "%s(%s), %s(%s)  (projinfo: %s)" % (
            name, repr(values[0]), name, repr(values[1]), pipeline)
        return result, "unit conversion, " + pipeline, call

    def comment(self):
        shown_result = (self.result if len(self.values) == 3
                        or self.dims == 3 else self.result[:2])
        return ["# " + self.call,
                "#   -> (%s)" % ", ".join(repr(v) for v in shown_result),
                "#   operation: " + self.op]


class Row:
    """One case: a run of the converter on one line, or a few."""

    def __init__(self, title, source, target, text, lonlat=False,
                 extra=(), note=None):
        self.title = title
        self.source = source
        self.target = target
        self.text = text
        self.lonlat = lonlat
        self.extra = list(extra)
        self.note = note
        self.points = [Point(self, line) for line in text.split("\n")]

    def case(self):
        lines = ["=== case " + self.title]
        if self.note:
            lines += ["# " + n for n in self.note.split("\n")]
        for point in self.points:
            lines += point.comment()
        args = (["--lonlat"] if self.lonlat else []) + self.extra + [
            "--from", arg(self.source), "--to", arg(self.target)]
        lines.append("args: " + " ".join(args))
        lines.append("stdin:")
        lines.append(self.text)
        lines.append("stdout: " + tolerance(self.target))
        lines += [point.expected for point in self.points]
        return "\n".join(lines) + "\n"

    def back(self, title, lonlat=None, note=None):
        """The reverse row, from this row's results rounded as typed."""
        lonlat = self.lonlat if lonlat is None else lonlat
        texts = []
        for point in self.points:
            values = list(point.result)
            if lonlat != self.lonlat and swaps(self.target):
                values[0], values[1] = values[1], values[0]
            if len(point.values) < 3 and point.dims < 3:
                values = values[:2]
            texts.append(round_for(self.target, values))
        return Row(title, self.target, self.source, "\n".join(texts),
                   lonlat, self.extra, note)


def refused(title, source, target, text, note):
    lines = ["=== case " + title]
    lines += ["# " + n for n in note.split("\n")]
    lines += ["args: --from %s --to %s" % (arg(source), arg(target)),
              "stdin:", text, "stdout: matches", "# ERROR:.*", "status: 1"]
    return "\n".join(lines) + "\n"


# --- the files ----------------------------------------------------------------

HEAD = """\
# {what}
# Written by scripts/reference/systems_table.py. Each expected line is what
# pyproj {pyproj} on PROJ {proj} gives (Transformer.from_crs, always_xy=True
# for --lonlat), with the operation PROJ chooses at the point as cs2cs does;
# each case names the call, what it printed and the operation. Values come
# in the source's own axis order and units and go out in the target's (east
# first on both sides with --lonlat), with the target's height third, or for
# a 2D target the input's third value (0 when there is none).
"""


def head(what):
    return HEAD.format(what=what, pyproj=pyproj.__version__,
                       proj=pyproj.proj_version_str)


def polar():
    rows = []
    r = Row("100 E 75 S to the Antarctic polar stereographic grid "
            "(EPSG:3031, E and N)", "EPSG:4326", "EPSG:3031", "-75 100")
    rows += [r, Row("100 E 75 S to EPSG:3031, east first", "EPSG:4326",
                    "EPSG:3031", "100 -75", lonlat=True)]
    rows.append(Row("EPSG:3031 back to latitude and longitude",
                    "EPSG:3031", "EPSG:4326",
                    "1613886.438690 -284571.722941"))
    rows.append(Row("EPSG:3031 back, east first: longitude 100, latitude "
                    "-75", "EPSG:3031", "EPSG:4326",
                    "1613886.438690 -284571.722941", lonlat=True))
    rows.append(Row("South Pole Station, ellipsoidal height, to "
                    "EPSG:3031: the height passes", "EPSG:4979",
                    "EPSG:3031", "-89.9975 -139.2728 2835"))
    r = Row("Summit Camp, Greenland, to NSIDC sea ice polar stereographic "
            "north (EPSG:3413, X and Y along 45 E and 135 E)", "EPSG:4326",
            "EPSG:3413", "72.5796 -38.4592 3216")
    rows += [r, r.back("EPSG:3413 back to latitude and longitude"),
             Row("Summit Camp to EPSG:3413, east first", "EPSG:4326",
                 "EPSG:3413", "-38.4592 72.5796 3216", lonlat=True)]
    rows.append(rows[-1].back("EPSG:3413 back, east first"))
    r = Row("Longyearbyen to UPS North (E,N) (EPSG:5041)", "EPSG:4326",
            "EPSG:5041", "78.2232 15.6267")
    rows += [r, r.back("EPSG:5041 back to latitude and longitude"),
             Row("Longyearbyen to EPSG:5041, east first", "EPSG:4326",
                 "EPSG:5041", "15.6267 78.2232", lonlat=True),
             r.back("EPSG:5041 back, east first", lonlat=True)]
    r = Row("Longyearbyen to UPS North (N,E) (EPSG:32661), northing first",
            "EPSG:4326", "EPSG:32661", "78.2232 15.6267")
    rows += [r, Row("Longyearbyen to EPSG:32661, east first: easting "
                    "before northing", "EPSG:4326", "EPSG:32661",
                    "15.6267 78.2232", lonlat=True)]
    rows.append(rows[-1].back("EPSG:32661 back, east first"))
    rows.append(r.back("EPSG:32661 back, northing first"))
    r = Row("McMurdo Station to UPS South (N,E) (EPSG:32761), northing "
            "first", "EPSG:4326", "EPSG:32761", "-77.8460 166.6760")
    rows += [r, r.back("EPSG:32761 back, northing first"),
             Row("McMurdo Station to EPSG:32761, east first", "EPSG:4326",
                 "EPSG:32761", "166.6760 -77.8460", lonlat=True)]
    rows.append(rows[-1].back("EPSG:32761 back, east first"))
    return head("Polar systems: both axes of EPSG:3031 point north along "
                "a meridian, those of\n# EPSG:3413 and the UPS grids "
                "south; 32661 and 32761 put the northing first."), rows


def south_oriented():
    rows = []
    r = Row("Johannesburg, Hartebeesthoek94 to Lo29 (EPSG:2053, westing "
            "and southing)", "EPSG:4148", "EPSG:2053", "-26.2041 28.0473")
    rows += [r, r.back("Lo29 back to Hartebeesthoek94"),
             Row("Johannesburg, Hartebeesthoek94 to Lo29, east first: "
                 "westing and southing as they are", "EPSG:4148",
                 "EPSG:2053", "28.0473 -26.2041", lonlat=True)]
    rows.append(rows[-1].back("Lo29 back to Hartebeesthoek94, east first"))
    r = Row("Johannesburg, WGS 84 to Lo29", "EPSG:4326", "EPSG:2053",
            "-26.2041 28.0473 1753")
    rows += [r, r.back("Lo29 back to WGS 84"),
             r.back("Lo29 back to WGS 84, east first", lonlat=True)]
    r = Row("Cape Town, Hartebeesthoek94 to Lo19 (EPSG:2048)", "EPSG:4148",
            "EPSG:2048", "-33.9249 18.4241")
    rows += [r, r.back("Lo19 back to Hartebeesthoek94")]
    r = Row("Cape Town, WGS 84 to Lo19, east first", "EPSG:4326",
            "EPSG:2048", "18.4241 -33.9249", lonlat=True)
    rows += [r, r.back("Lo19 back to WGS 84, east first"),
             r.back("Lo19 back to WGS 84", lonlat=False)]
    r = Row("Walvis Bay, Cape to Cape / Lo15 (EPSG:22275)", "EPSG:4222",
            "EPSG:22275", "-22.9575 14.5053")
    rows += [r, r.back("Cape / Lo15 back to Cape"),
             r.back("Cape / Lo15 back to Cape, east first", lonlat=True)]
    note = ("Cape's published transformations to WGS 84 cover South Africa "
            "only: at Walvis Bay\nPROJ has nothing but a ballpark "
            "operation, used here because the row asks for it.")
    r = Row("Walvis Bay, WGS 84 to Cape / Lo15 with --allow-ballpark",
            "EPSG:4326", "EPSG:22275", "-22.9575 14.5053",
            extra=["--allow-ballpark"], note=note)
    rows += [r, r.back("Cape / Lo15 back to WGS 84 with --allow-ballpark",
                       note=note)]
    return head("South-oriented systems: the South African Lo grids go "
                "west and south\n# (Y westing, X southing, in that "
                "order), and --lonlat leaves them so."), rows


def grads_radians():
    rows = []
    r = Row("Paris, WGS 84 to NTF (Paris) in grads (EPSG:4807)",
            "EPSG:4326", "EPSG:4807", "48.8566 2.3522")
    rows += [r, r.back("NTF (Paris) in grads back to WGS 84"),
             r.back("NTF (Paris) in grads back to WGS 84, east first",
                    lonlat=True),
             Row("Paris, WGS 84 to NTF (Paris), east first", "EPSG:4326",
                 "EPSG:4807", "2.3522 48.8566", lonlat=True)]
    rows.append(Row("Paris, NTF (Paris) in grads from the Paris meridian "
                    "to NTF in degrees from Greenwich", "EPSG:4807",
                    "EPSG:4275", r.back("-").text))
    note = ("GRADS is the WKT given to --to: WGS 84 with both axes in grads.")
    r = Row("170 E, 43.5 S to grads: 188.888... grad, not wrapped",
            "EPSG:4326", GRADS, "-43.5 170", note=note)
    rows += [r, Row("170 E in grads, east first", "EPSG:4326", GRADS,
                    "170 -43.5", lonlat=True, note=note)]
    note = ("GRADS is the WKT given to --from: WGS 84 with both axes in "
            "grads.")
    rows += [Row("188.888888888889 grad read as it is: 170 E",
                 GRADS, "EPSG:4326", "-48.3333333333333 188.888888888889",
                 note=note),
             Row("188.888888888889 grad read as it is, east first",
                 GRADS, "EPSG:4326", "188.888888888889 -48.3333333333333",
                 lonlat=True, note=note)]
    note = ("GRADS is the WKT given to --to: WGS 84 with both axes in grads.")
    r = Row("Apia, Samoa, 171.8 W to grads: below -180 and read back as it "
            "is", "EPSG:4326", GRADS, "-13.8333 -171.7667", note=note)
    rows += [r, r.back("Apia in grads back to degrees",
                       note=note.replace("--to", "--from"))]
    r = Row("Alert, Nunavut, 82.5 N to grads: a latitude above 90 grad",
            "EPSG:4326", GRADS, "82.5018 -62.3481", note=note)
    rows += [r, r.back("Alert in grads back to degrees",
                       note=note.replace("--to", "--from")),
             r.back("Alert in grads back to degrees, east first",
                    lonlat=True, note=note.replace("--to", "--from"))]
    r = Row("Paris, NTF (Paris) in grads to Lambert zone II (EPSG:27572)",
            "EPSG:4807", "EPSG:27572", rows[0].back("-").text)
    rows += [r, r.back("Lambert zone II back to NTF (Paris) in grads"),
             r.back("Lambert zone II back to NTF (Paris) in grads, east "
                    "first", lonlat=True)]
    note = ("RADIANS is the WKT given to --to: WGS 84 with both axes in "
            "radians.")
    r = Row("37.5 N 127 E to radians", "EPSG:4326", RADIANS, "37.5 127",
            note=note)
    note = note.replace("--to", "--from")
    rows += [r, r.back("radians back to degrees", note=note),
             r.back("radians back to degrees, east first", lonlat=True,
                    note=note)]
    tail = refused(
        "a latitude of 37.5 radians is refused", RADIANS, "EPSG:4326",
        "37.5 2.2",
        "RADIANS is the WKT given to --from. 37.5 rad is beyond pi/2: no "
        "latitude. PROJ's\nunit conversion alone would give %r degrees "
        "(math.degrees(37.5))." % math.degrees(37.5))
    return head("Angles in grads and radians: NTF (Paris) counts grads "
                "from the Paris\n# meridian; GRADS and RADIANS are WGS "
                "84 with both axes in those units. pyproj and\n# cct "
                "turn radians into degrees at both ends, so the radian "
                "rows take PROJ's\n# pipeline from projinfo (a unit "
                "conversion) and Python's math.radians and\n# "
                "math.degrees instead."), rows, tail


def feet():
    rows = []
    r = Row("New York City Hall, NAD83 to New York Long Island (ftUS) "
            "(EPSG:2263)", "EPSG:4269", "EPSG:2263", "40.7128 -74.0060")
    rows += [r, r.back("EPSG:2263 back to NAD83")]
    r = Row("New York City Hall, WGS 84 to EPSG:2263", "EPSG:4326",
            "EPSG:2263", "40.7128 -74.0060 10")
    rows += [r, r.back("EPSG:2263 back to WGS 84")]
    r = Row("New York City Hall, WGS 84 to EPSG:2263, east first",
            "EPSG:4326", "EPSG:2263", "-74.0060 40.7128", lonlat=True)
    rows += [r, r.back("EPSG:2263 back to WGS 84, east first")]
    r = Row("San Francisco City Hall, NAD83 to California zone 3 (ftUS) "
            "(EPSG:2227)", "EPSG:4269", "EPSG:2227", "37.7793 -122.4193")
    rows += [r, r.back("EPSG:2227 back to NAD83")]
    return head("US survey feet: the state plane zones in ftUS, in and "
                "out."), rows


def egm96():
    rows = []
    r = Row("Seoul, ellipsoidal height to EGM96 height (EPSG:4979 to "
            "EPSG:4326+5773)", "EPSG:4979", "EPSG:4326+5773",
            "37.5665 126.978 100")
    rows += [r, r.back("EGM96 height back to ellipsoidal height"),
             Row("Seoul to EGM96 height, east first", "EPSG:4979",
                 "EPSG:4326+5773", "126.978 37.5665 100", lonlat=True)]
    r = Row("Everest, 8848.86 m above EGM96 to ellipsoidal height",
            "EPSG:4326+5773", "EPSG:4979", "27.988056 86.925278 8848.86")
    rows += [r, r.back("Everest, ellipsoidal height back to EGM96")]
    r = Row("Seoul to UTM zone 52N with EGM96 height (EPSG:32652+5773)",
            "EPSG:4979", "EPSG:32652+5773", "37.5665 126.978 100")
    rows += [r, r.back("UTM 52N with EGM96 height back to ellipsoidal"),
             r.back("UTM 52N with EGM96 height back, east first",
                    lonlat=True)]
    r = Row("Sydney Opera House to Web Mercator with EGM96 height "
            "(EPSG:3857+5773)", "EPSG:4979", "EPSG:3857+5773",
            "-33.8568 151.2153 30")
    rows += [r, r.back("Web Mercator with EGM96 height back to "
                       "ellipsoidal")]
    return head("EGM96 heights through compound systems, three values in "
                "and out."), rows


def world():
    rows = []

    def pair(title, source, target, text, back_title=None, lonlat=False,
             back_lonlat=None):
        r = Row(title, source, target, text, lonlat)
        rows.append(r)
        if back_title:
            rows.append(r.back(back_title, back_lonlat))

    r = Row("Tokyo Station and Seoul City Hall, Tokyo datum to WGS 84 in "
            "one run: an operation for each", "EPSG:4301", "EPSG:4326",
            "35.6812 139.7671\n37.5663 126.9779")
    rows += [r, r.back("Tokyo Station and Seoul City Hall back to the Tokyo "
                       "datum, east first", lonlat=True)]
    # Europe
    pair("Frankfurt, ETRS89 to LAEA Europe (EPSG:3035, northing first)",
         "EPSG:4258", "EPSG:3035", "50.1109 8.6821",
         "LAEA Europe back to ETRS89")
    pair("London, Trafalgar Square, OSGB36 to the British National Grid "
         "(EPSG:27700)", "EPSG:4277", "EPSG:27700", "51.5080 -0.1281",
         "British National Grid back to OSGB36, east first", False, True)
    pair("Lyon, RGF93 v1 to Lambert-93 (EPSG:2154)", "EPSG:4171",
         "EPSG:2154", "45.7640 4.8357", "Lambert-93 back to RGF93 v1")
    pair("Marseille, NTF to RGF93 v1 with the French grid ntf_r93.gsb",
         "EPSG:4275", "EPSG:4171", "43.2965 5.3698",
         "RGF93 v1 back to NTF")
    pair("Cologne, DHDN / Gauss-Kruger zone 2 (EPSG:31466, northing first)"
         " to ETRS89 / UTM 32N with BETA2007.gsb", "EPSG:31466",
         "EPSG:25832", "5645700 2566700 53",
         "ETRS89 / UTM 32N back to Gauss-Kruger zone 2")
    pair("Bern, ETRS89 to CH1903+ / LV95 (EPSG:2056)", "EPSG:4258",
         "EPSG:2056", "46.9480 7.4474", "LV95 back to ETRS89")
    # Asia
    pair("Seoul City Hall, Korea 2000 to the central belt 2010 "
         "(EPSG:5186)", "EPSG:4737", "EPSG:5186", "37.5663 126.9779",
         "central belt 2010 back to Korea 2000")
    pair("Busan, WGS 84 to Korea 2000 / Unified CS (EPSG:5179), east first",
         "EPSG:4326", "EPSG:5179", "129.0756 35.1796",
         "Unified CS back to WGS 84, east first", True)
    pair("Tokyo Station, JGD2011 to plane rectangular zone IX (EPSG:6677)",
         "EPSG:6668", "EPSG:6677", "35.6812 139.7671",
         "zone IX back to JGD2011")
    pair("Sapporo, WGS 84 to JGD2011 plane rectangular zone XII "
         "(EPSG:6680)", "EPSG:4326", "EPSG:6680", "43.0618 141.3545",
         "zone XII back to WGS 84")
    pair("Beijing, CGCS2000 to 3-degree Gauss-Kruger CM 117E (EPSG:4548)",
         "EPSG:4490", "EPSG:4548", "39.9042 116.4074",
         "Gauss-Kruger CM 117E back to CGCS2000")
    pair("Bangkok, WGS 84 to Indian 1975 / UTM 47N (EPSG:24047)",
         "EPSG:4326", "EPSG:24047", "13.7563 100.5018",
         "Indian 1975 / UTM 47N back to WGS 84")
    pair("Mumbai, WGS 84 to UTM 43N (EPSG:32643)", "EPSG:4326",
         "EPSG:32643", "19.0760 72.8777", "UTM 43N back to WGS 84")
    pair("Jerusalem, WGS 84 to the Israeli TM grid (EPSG:2039)",
         "EPSG:4326", "EPSG:2039", "31.7683 35.2137",
         "Israeli TM grid back to WGS 84")
    # Oceania
    pair("Sydney, GDA2020 to MGA zone 56 (EPSG:7856)", "EPSG:7844",
         "EPSG:7856", "-33.8568 151.2153", "MGA 56 back to GDA2020")
    pair("Melbourne, GDA94 / MGA 55 to GDA2020 / MGA 55", "EPSG:28355",
         "EPSG:7855", "320704 5812966", "GDA2020 / MGA 55 back to GDA94")
    pair("Wellington, NZGD2000 to NZTM (EPSG:2193, northing first)",
         "EPSG:4167", "EPSG:2193", "-41.2865 174.7762",
         "NZTM back to NZGD2000")
    pair("Auckland, NZGD49 to NZGD2000 with nzgd2kgrid0005.gsb",
         "EPSG:4272", "EPSG:4167", "-36.8485 174.7633",
         "NZGD2000 back to NZGD49")
    # Africa
    pair("Nairobi, WGS 84 to Arc 1960 / UTM 37S (EPSG:21037)",
         "EPSG:4326", "EPSG:21037", "-1.2921 36.8219",
         "Arc 1960 / UTM 37S back to WGS 84")
    pair("Lagos, WGS 84 to Minna / Nigeria West Belt (EPSG:26391)",
         "EPSG:4326", "EPSG:26391", "6.5244 3.3792",
         "Nigeria West Belt back to WGS 84")
    pair("Cairo, WGS 84 to Egypt 1907 / Red Belt (EPSG:22992)",
         "EPSG:4326", "EPSG:22992", "30.0444 31.2357",
         "Red Belt back to WGS 84")
    pair("Rabat, WGS 84 to Merchich / Nord Maroc (EPSG:26191)",
         "EPSG:4326", "EPSG:26191", "34.0209 -6.8416",
         "Nord Maroc back to WGS 84")
    pair("Dakar, WGS 84 to UTM 28N (EPSG:32628), east first", "EPSG:4326",
         "EPSG:32628", "-17.4677 14.7167", "UTM 28N back to WGS 84", True,
         False)
    # North America
    pair("Toronto, NAD83(CSRS) to NAD83(CSRS) / UTM 17N (EPSG:2958)",
         "EPSG:4617", "EPSG:2958", "43.6532 -79.3832",
         "NAD83(CSRS) / UTM 17N back to NAD83(CSRS)")
    pair("Mexico City, Mexico ITRF2008 to its LCC (EPSG:6372, northing "
         "first)", "EPSG:6365", "EPSG:6372", "19.4326 -99.1332",
         "Mexico ITRF2008 / LCC back to Mexico ITRF2008")
    # South America
    pair("Rio de Janeiro, SIRGAS 2000 to UTM 23S (EPSG:31983)", "EPSG:4674",
         "EPSG:31983", "-22.9068 -43.1729",
         "SIRGAS 2000 / UTM 23S back to SIRGAS 2000")
    pair("Rosario, POSGAR 2007 to Argentina zone 5 (EPSG:5347, northing "
         "first)", "EPSG:5340", "EPSG:5347", "-32.9442 -60.6505",
         "Argentina zone 5 back to POSGAR 2007")
    pair("Bogota, MAGNA-SIRGAS to the Bogota zone (EPSG:3116, northing "
         "first)", "EPSG:4686", "EPSG:3116", "4.7110 -74.0721",
         "Bogota zone back to MAGNA-SIRGAS")
    pair("Lima, WGS 84 to PSAD56 / UTM 18S (EPSG:24878)", "EPSG:4326",
         "EPSG:24878", "-12.0464 -77.0428",
         "PSAD56 / UTM 18S back to WGS 84")
    pair("Santiago, WGS 84 to UTM 19S (EPSG:32719)", "EPSG:4326",
         "EPSG:32719", "-33.4489 -70.6693", "UTM 19S back to WGS 84")
    # Antarctica
    pair("McMurdo Station, WGS 84 to Antarctic polar stereographic "
         "(EPSG:3031)", "EPSG:4326", "EPSG:3031", "-77.8460 166.6760 24",
         "Antarctic polar stereographic back to WGS 84")
    pair("Casey Station, WGS 84 to Australian Antarctic polar "
         "stereographic (EPSG:3032)", "EPSG:4326", "EPSG:3032",
         "-66.2821 110.5283", "EPSG:3032 back to WGS 84")
    pair("Scott Base, RSRGD2000 to the Ross Sea polar stereographic "
         "(EPSG:5482, northing first)", "EPSG:4764", "EPSG:5482",
         "-77.8494 166.7681", "EPSG:5482 back to RSRGD2000")
    return head("Places on every continent, each in a pair of systems "
                "used there."), rows


FILES = {
    "systems-polar.case": polar,
    "systems-south-oriented.case": south_oriented,
    "systems-grads-radians.case": grads_radians,
    "systems-feet.case": feet,
    "systems-egm96.case": egm96,
    "systems-world.case": world,
}


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(
        here, "..", "..", "tests", "cases")
    for name, make in FILES.items():
        parts = make()
        text = parts[0] + "".join("\n" + r.case() for r in parts[1])
        if len(parts) > 2:
            text += "\n" + parts[2]
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
        print("%s: %d cases" % (name, len(parts[1]) + len(parts) - 2))


if __name__ == "__main__":
    main(sys.argv)
