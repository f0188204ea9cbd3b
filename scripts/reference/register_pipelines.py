#!/usr/bin/env python3
"""Writes tests/data/register/pipelines.txt: the PROJ pipelines that projinfo
proposes between register systems, for tests/commands/PipelineTest.cpp.

Each line is "<from> <to><TAB><pipeline>" or, for the transformation PROJ
picks around one point, "<from> <to> <lat> <lon><TAB><pipeline>", the
pipeline being the first candidate of
  projinfo -s EPSG:<from> -t EPSG:<to> -o PROJ --single-line
    [--bbox <lon>,<lat>,<lon>+0.01,<lat>+0.01]
The pairs: every system to and from EPSG:4326 (the UTM zones included),
systems to and from EPSG:4979 and EPSG:4978, and pairs of systems on
different datums that PROJ relates through WGS 84 or through a direct
transformation with the same parameters.
Run: python3 scripts/reference/register_pipelines.py   (needs proj-bin)
"""
import os
import subprocess

OUT = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data", "register",
                   "pipelines.txt")

TABLE = ([4326, 4162, 4737, 4301, 4612, 6668, 4979, 4978]
         + [5173, 5174, 5175, 5176, 5177, 2096, 2097, 2098]
         + [5179] + list(range(5180, 5189))
         + list(range(2443, 2462)) + list(range(6669, 6688)))
UTM = list(range(32601, 32661)) + list(range(32701, 32761))

THREE_D = [(s, t) for s in (4162, 4301, 4737, 5174, 5186, 2443, 32652)
           for t in (4979, 4978)]
THREE_D += [(t, s) for s, t in THREE_D]
CROSS = [(5174, 5186), (5186, 5174), (4301, 4162), (4162, 4301), (5174, 4301),
         (4737, 4162), (4162, 4737), (32652, 5174), (5174, 32652), (5179, 5186),
         (2097, 5174), (4301, 4612), (2443, 4301), (6669, 2443), (4301, 5186)]
# Tokyo: the transformation PROJ picks in Korea, in Kyushu inside the Korean
# box, in Honshu and in Okinawa.
AT = [(4301, 4326, 37.5665, 126.978), (4301, 4326, 33.59, 130.40),
      (4301, 4326, 35.68, 139.76), (4301, 4326, 26.21, 127.68),
      (4326, 4301, 37.5665, 126.978), (4326, 4301, 35.68, 139.76)]


def pipeline(source, target, at=None):
    args = ["projinfo", "-s", f"EPSG:{source}", "-t", f"EPSG:{target}", "-o", "PROJ",
            "--single-line"]
    if at:
        lat, lon = at
        args += ["--bbox", f"{lon},{lat},{lon + 0.01},{lat + 0.01}"]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    return next(line for line in out.splitlines() if line.startswith("+proj"))


def main():
    lines = []
    for code in TABLE + UTM:
        if code != 4326:
            lines.append(f"{code} 4326\t{pipeline(code, 4326)}")
            lines.append(f"4326 {code}\t{pipeline(4326, code)}")
    for source, target in THREE_D + CROSS:
        lines.append(f"{source} {target}\t{pipeline(source, target)}")
    for source, target, lat, lon in AT:
        lines.append(f"{source} {target} {lat} {lon}\t{pipeline(source, target, (lat, lon))}")
    with open(OUT, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    print(f"wrote {OUT}: {len(lines)} pipelines")


if __name__ == "__main__":
    main()
