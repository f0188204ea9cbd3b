#!/usr/bin/python3
"""Checks that each rule is written in its one home, and nowhere else.

    check-homes.py SOURCE_DIR

Each rule is found by its code: the Transverse Mercator belts (their list of
meridians and their edges), the UTM zone arithmetic, the longitude's turns
(a longitude taken the short way round, or by 360 degrees), the rounded 60
carried into the next part of an angle, the doubled quote inside a quoted
field, two engines' datums compared, the catalogue read through the engine's
name buffers, and the output format's branches. A match outside the rule's
home fails the check, unless it is one of the few written exceptions below,
each with its reason. The product's code is scanned (not the tests, which
may restate a rule to check it). Exit status 1 with the matches out of
their homes.
"""
import os
import re
import sys

FOLDERS = ["engine", "notation", "commands", "batch", "cli", "ui", "python",
           "app"]
COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/', re.S)

# rule name, pattern, homes (paths relative to the source directory),
# written exceptions {path: reason}
RULES = [
    ("TM belts: the list of their meridians, or their edges",
     r'\{\s*125(?:\.0)?\s*,\s*127(?:\.0)?\s*,\s*129(?:\.0)?\s*\}|'
     r'(?:lon|meridian)\w*\s*[<>]=?\s*(?:124|126|128|130)(?:\.0)?\b',
     ["engine/Belts.h"], {}),
    ("UTM zones: a zone's meridian or a longitude's zone",
     r'\b183(?:\.0)?\b|floor\s*\(\s*\w+\s*/\s*6(?:\.0)?\s*\)',
     ["engine/Utm.h"],
     {"engine/CoordCatalogue.cpp": "a datum shift of 183 m in the tables"}),
    ("longitude turns: 360 degrees or two pi",
     r'[-+]=?\s*360(?:\.0)?\b|(?:fmod|remainder)\s*\([^;]*\b360|'
     r'2\s*\*\s*std::numbers::pi',
     ["engine/Longitude.h"],
     {"batch/LineConvert.cpp":
          "the writer's rounding: a longitude just above -180 that its "
          "15-digit text rounds to -180 is written as 180",
      "commands/Proj.cpp":
          "an area of use across the antimeridian handed to PROJ as one "
          "box (its east edge beyond 180), not a point's longitude"}),
    ("a rounded 60 carried into the part before",
     r"'6'\s*&&[^;]*'0'",
     ["notation/AngleForms.cpp"], {}),
    ("RFC 4180: a doubled quote inside a quoted field",
     r"\[1\]\s*==\s*'\"'",
     ["batch/LineReader.cpp"], {}),
    ("the same datum: two engines' datums compared",
     r'GetDatum\(\)\s*==\s*\w+(?:\.|->)\w*\(?\)?\.?GetDatum\(\)|'
     r'GetDatum\(\)\s*==\s*[\w.]+\.Engine\(\)\.GetDatum\(\)',
     ["commands/Commands.cpp"], {}),
    ("catalogue rows read through the engine's name buffers",
     r'\.\s*(?:GetDatumInfo|GetEllipsoid)\s*\(',
     ["commands/CatalogueEntries.cpp"], {}),
    ("output formats: a branch on the format",
     r'OutputFormat::GeoJson',
     ["batch/OutputWriter.cpp"],
     {"batch/Options.cpp":
          "the check that GeoJSON's target is WGS 84 geographic",
      "cli/CommandLine.cpp": "the option's word read into the format",
      "ui/Fconvert.cpp": "the dialog's list read into the format"}),
]


def sources(root):
    for folder in FOLDERS:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(dirpath, name)
                    yield os.path.relpath(path, root), path


def main():
    root = sys.argv[1]
    faults = []
    found = {rule[0]: set() for rule in RULES}
    for relative, path in sources(root):
        code = COMMENT.sub("", open(path, encoding="utf-8").read())
        for name, pattern, homes, exceptions in RULES:
            for match in re.finditer(pattern, code):
                line = code.count("\n", 0, match.start()) + 1
                if relative in homes or relative in exceptions:
                    found[name].add(relative)
                    continue
                faults.append(f"{relative}:{line}: {name} outside its home "
                              f"({', '.join(homes)}): {match.group(0)}")
    for name, pattern, homes, exceptions in RULES:
        missing = [home for home in homes if home not in found[name]]
        if missing:
            faults.append(f"{name}: not found in its home {missing}: the "
                          "rule moved, or this check no longer finds it")
        print(f"{name}: {', '.join(sorted(found[name]))}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} rules out of their homes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
