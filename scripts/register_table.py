#!/usr/bin/env python3
"""Writes commands/RegisterTable.cpp, the register's data, from PROJ's projinfo.

Every value is read from projinfo's PROJJSON output for the EPSG code (the
EPSG dataset that PROJ carries in its proj.db), never typed by hand:
  projinfo EPSG:<code> -o PROJJSON                      a system
  projinfo -k operation EPSG:<code> -o PROJJSON         a transformation
  projinfo -s EPSG:<geographic> -t EPSG:4326 --spatial-test intersects
                                                        the transformations
                                                        PROJ considers, in its
                                                        order
  projinfo EPSG:<geographic> -o PROJ                    PROJ's ellipsoid name
Transformations that need a grid PROJ does not have are left out, as PROJ
leaves them out when it transforms. Angles keep the digits projinfo prints
(15 significant digits, e.g. 127.002890277778 for 127 deg 00' 10.405"),
which are the values PROJ itself computes with.

The 120 UTM zones of WGS 84 (EPSG 32601-32660, 32701-32760) are made by rule
in commands/Register.cpp; this script checks that rule (name, parameters, area
box and the first sentence of the area) against projinfo for every zone and
stops on a difference.

Run: python3 scripts/register_table.py   (needs proj-bin; rewrites the file)
"""
import json
import os
import re
import subprocess
import sys

# The register: the geographic system of each datum first (it names the
# datum's row), then every other system.
DATUM_SYSTEMS = [4326, 4162, 4737, 4301, 4612, 6668]
OTHER_SYSTEMS = ([4979, 4978]
                 + [5173, 5174, 5175, 5176, 5177, 2096, 2097, 2098]
                 + [5179] + list(range(5180, 5189))
                 + list(range(2443, 2462)) + list(range(6669, 6688)))

OUT = os.path.join(os.path.dirname(__file__), "..", "commands", "RegisterTable.cpp")

METHODS = {9603: "Geocentric translations (geog2D domain)",
           9606: "Position Vector transformation (geog2D domain)",
           9607: "Coordinate Frame rotation (geog2D domain)",
           9636: "Molodensky-Badekas (CF geog2D domain)",
           1063: "Molodensky-Badekas (PV geog2D domain)"}


def run(args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def projjson(code, operation=False):
    args = ["projinfo", "-q", "-o", "PROJJSON"]
    if operation:
        args += ["-k", "operation"]
    return json.loads(run(args + [f"EPSG:{code}"]))


def versions():
    text = run(["projinfo", "EPSG:4326", "-o", "PROJ", "-q"])  # checks it runs
    db = subprocess.run(["projinfo", "--searchpaths"], capture_output=True, text=True).stdout
    epsg = proj = "?"
    for path in db.split():
        candidate = os.path.join(path, "proj.db")
        if os.path.exists(candidate):
            rows = subprocess.run(["sqlite3", candidate, "select key, value from metadata"],
                                  capture_output=True, text=True).stdout
            meta = dict(line.split("|", 1) for line in rows.splitlines() if "|" in line)
            epsg = meta.get("EPSG.VERSION", "?")
            proj = meta.get("PROJ.VERSION", "?")
            break
    del text
    return epsg, proj


def num(value):
    """The shortest decimal that reads back as the same double."""
    text = repr(float(value))
    return text[:-2] if text.endswith(".0") else text


def cstr(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def parameters_by_code(obj):
    return {p["id"]["code"]: p for p in obj["parameters"]}


def unit_name(param):
    unit = param["unit"]
    return unit if isinstance(unit, str) else unit["name"]


def axis_order(cs):
    return "NorthingFirst" if cs["axis"][0]["direction"] == "north" else "EastingFirst"


def proj_ellps(code):
    text = run(["projinfo", "-q", "-o", "PROJ", f"EPSG:{code}"])
    m = re.search(r"\+ellps=(\S+)", text)
    if m:
        return m.group(1)
    if "+datum=WGS84" in text:
        return "WGS84"
    sys.exit(f"EPSG:{code}: no PROJ ellipsoid name in {text!r}")


def candidate_transformations(code):
    """The codes of the transformations to WGS 84 that PROJ considers for a
    datum, in projinfo's order, without those missing a grid."""
    text = run(["projinfo", "-s", f"EPSG:{code}", "-t", "EPSG:4326",
                "--spatial-test", "intersects", "--summary"])
    codes = []
    for line in text.splitlines():
        m = re.match(r"(?:EPSG):(\d+), ", line)
        if m and "grid missing" not in line:
            codes.append(int(m.group(1)))
    if not codes:
        sys.exit(f"EPSG:{code}: PROJ proposes no transformation to WGS 84")
    return codes


def transformation_row(code, geographic):
    t = projjson(code, operation=True)
    method = t["method"]["id"]["code"]
    if method not in METHODS:
        sys.exit(f"EPSG:{code}: method {method} {t['method']['name']} not supported")
    p = parameters_by_code(t)
    values = []
    for pid, unit in ((8605, "metre"), (8606, "metre"), (8607, "metre"),
                      (8608, "arc-second"), (8609, "arc-second"), (8610, "arc-second"),
                      (8611, "parts per million"),
                      (8617, "metre"), (8618, "metre"), (8667, "metre")):
        if pid in p:
            if unit_name(p[pid]) != unit:
                sys.exit(f"EPSG:{code}: parameter {pid} in {unit_name(p[pid])}")
            values.append(p[pid]["value"])
        else:
            values.append(0)
    b = t["bbox"]
    return ([str(code), str(geographic), cstr(t["name"]), str(method)]
            + [num(v) for v in values]
            + [num(t["accuracy"]), num(b["south_latitude"]), num(b["west_longitude"]),
               num(b["north_latitude"]), num(b["east_longitude"]), "PROJINFO", cstr(area(t))])


def datum_of(crs):
    if crs["type"] == "ProjectedCRS":
        crs = crs["base_crs"]
    datum = crs.get("datum") or crs.get("datum_ensemble")
    return datum["name"], datum["ellipsoid"]


def system_row(code, datum_codes):
    s = projjson(code)
    kind = {"GeographicCRS": None, "GeodeticCRS": "Geocentric",
            "ProjectedCRS": "Projected"}[s["type"]]
    if kind is None:
        kind = "Geographic3D" if len(s["coordinate_system"]["axis"]) == 3 else "Geographic2D"
    name, _ = datum_of(s)
    datum = datum_codes[name]
    lat0 = lon0 = fe = fn = 0
    k0 = 0
    if kind == "Projected":
        conv = s["conversion"]
        if conv["method"]["id"]["code"] != 9807:
            sys.exit(f"EPSG:{code}: not Transverse Mercator")
        p = parameters_by_code(conv)
        for pid, unit in ((8801, "degree"), (8802, "degree"), (8805, "unity"),
                          (8806, "metre"), (8807, "metre")):
            if unit_name(p[pid]) != unit:
                sys.exit(f"EPSG:{code}: parameter {pid} in {unit_name(p[pid])}")
        lat0, lon0, k0 = p[8801]["value"], p[8802]["value"], p[8805]["value"]
        fe, fn = p[8806]["value"], p[8807]["value"]
    b = s["bbox"]
    return [str(code), cstr(s["name"]), f"SystemKind::{kind}", str(datum),
            num(lat0), num(lon0), num(k0), num(fe), num(fn),
            f"AxisOrder::{axis_order(s['coordinate_system'])}",
            num(b["south_latitude"]), num(b["west_longitude"]),
            num(b["north_latitude"]), num(b["east_longitude"]), "PROJINFO", cstr(area(s))]


def area(obj):
    """EPSG's description of the area of use, without the list of countries
    that some descriptions append after a colon ("World: Afghanistan, ...")."""
    return obj["area"].split(": ", 1)[0]


def table(header, rows):
    """Rows as aligned brace initialisers under a column-header comment; each
    column as wide as its widest cell (or its heading)."""
    widths = [max(len(h), *(len(r[i]) + 1 for r in rows)) for i, h in enumerate(header)]
    lines = ["/*  " + " ".join(h.ljust(w) for h, w in zip(header, widths)).rstrip() + " */"]
    for r in rows:
        cells = [(c + ("," if i + 1 < len(r) else "")).ljust(w) for i, (c, w) in enumerate(zip(r, widths))]
        lines.append("    {" + " ".join(cells).rstrip() + "},")
    return "\n".join(lines)


def utm_area(zone, south):
    west, east = 6 * zone - 186, 6 * zone - 180
    letter = "W" if zone <= 30 else "E"
    hemisphere = ("southern hemisphere between 80°S and equator" if south
                  else "northern hemisphere between equator and 84°N")
    return (f"Between {abs(west)}°{letter} and {abs(east)}°{letter}, {hemisphere}, "
            "onshore and offshore.")


def check_utm_rule():
    """The rule of Register.cpp, zone by zone, against projinfo."""
    for south in (False, True):
        for zone in range(1, 61):
            code = (32700 if south else 32600) + zone
            s = projjson(code)
            p = parameters_by_code(s["conversion"])
            b = s["bbox"]
            expected = {
                "name": f"WGS 84 / UTM zone {zone}{'S' if south else 'N'}",
                "params": (0, 6 * zone - 183, 0.9996, 500000, 10000000 if south else 0),
                "bbox": (-80 if south else 0, 6 * zone - 186, 0 if south else 84, 6 * zone - 180),
            }
            actual = {
                "name": s["name"],
                "params": tuple(p[i]["value"] for i in (8801, 8802, 8805, 8806, 8807)),
                "bbox": (b["south_latitude"], b["west_longitude"],
                         b["north_latitude"], b["east_longitude"]),
            }
            if actual != expected or not s["area"].startswith(utm_area(zone, south)) \
                    or axis_order(s["coordinate_system"]) != "EastingFirst":
                sys.exit(f"EPSG:{code}: the UTM rule gives {expected}, projinfo {actual}, "
                         f"{s['area']!r}")


def main():
    epsg, proj = versions()
    datum_codes = {}
    datum_rows, transformation_rows = [], []
    for code in DATUM_SYSTEMS:
        s = projjson(code)
        name, ellipsoid = datum_of(s)
        datum_codes[name] = code
        datum_rows.append(
            [str(code), cstr(name), cstr(ellipsoid["name"]),
             num(ellipsoid["semi_major_axis"]), num(ellipsoid["inverse_flattening"]),
             cstr(proj_ellps(code)), "PROJINFO"])
        if code != 4326:
            for t in candidate_transformations(code):
                transformation_rows.append(transformation_row(t, code))
    system_rows = [system_row(c, datum_codes) for c in DATUM_SYSTEMS + OTHER_SYSTEMS]
    check_utm_rule()

    with open(OUT, "w", encoding="utf-8") as f:
        f.write(f"""// The register's data: datums, their published transformations to WGS 84
// and the reference systems, as PROJ {proj} reads them from its EPSG dataset
// {epsg}. Generated by scripts/register_table.py from projinfo; do not edit:
// change the script's list of codes and run it again. The UTM zones of WGS 84
// (EPSG 32601-32660, 32701-32760) are not rows here: Register.cpp makes them
// by rule, and the script checks that rule against projinfo zone by zone.
#include "RegisterTable.h"

#include <iterator>

namespace {{

constexpr const char *PROJINFO = "EPSG {epsg} via projinfo, PROJ {proj}";

}} // namespace

// clang-format off

// One row per datum, named by its geographic 2D system.
const DatumRow DATUM_ROWS[] = {{
{table(["system", "datum", "ellipsoid", "a", "1/f", "PROJ", "source"], datum_rows)}
}};

// The transformations to WGS 84 that PROJ considers for each datum, in its
// order; a point takes the most accurate one whose area of use holds it.
// Methods are EPSG method codes; rotations in arc-seconds, scale in parts per
// million, the rest in metres; accuracy in metres; area south, west, north,
// east in degrees.
const TransformationRow TRANSFORMATION_ROWS[] = {{
{table(["code", "datum", "name", "method", "tx", "ty", "tz", "rx", "ry", "rz", "ds",
         "px", "py", "pz", "accuracy", "south", "west", "north", "east", "source", "area"],
        transformation_rows)}
}};

// The systems. Datums by their geographic 2D system; lat0, lon0 in degrees,
// k0, false easting and northing in metres (all 0 when not projected); area
// south, west, north, east in degrees.
const SystemRow SYSTEM_ROWS[] = {{
{table(["code", "name", "kind", "datum", "lat0", "lon0", "k0", "FE", "FN", "axes",
         "south", "west", "north", "east", "source", "area"], system_rows)}
}};

// clang-format on

const std::size_t DATUM_ROW_COUNT = std::size(DATUM_ROWS);
const std::size_t TRANSFORMATION_ROW_COUNT = std::size(TRANSFORMATION_ROWS);
const std::size_t SYSTEM_ROW_COUNT = std::size(SYSTEM_ROWS);
""")
    print(f"wrote {OUT}: {len(datum_rows)} datums, {len(transformation_rows)} transformations, "
          f"{len(system_rows)} systems (+120 UTM zones by rule, checked)")


if __name__ == "__main__":
    main()
