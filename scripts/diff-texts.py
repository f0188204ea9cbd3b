#!/usr/bin/env python3
"""Runs two nolvex-convert builds on the same generated lines and compares
their output byte for byte: the check that a change to the readers, the
writers or the line splitting leaves every text as it was.

The lines mix every input form the readers take: plain decimals of 1 to 25
digits (signs, leading zeros, a point anywhere), decimals of 15 to 17
significant digits near the rounding ties of the 15-digit writer, exponents,
negative zero, subnormal and huge heights, DM and DMS notations with every
mark and letter, angles spread over fields, quoted CSV fields, comments,
blank lines and lines that fail. Each job (datum shift, UTM, a copy that
writes what it reads, DM and DMS output, fixed decimals, GeoJSON, a grid
source, CSV, two threads) runs on the same lines.

  scripts/diff-texts.py OLD NEW [LINES] [SEED]
Exits 1 when an output differs (the first differing line is shown).
"""
import os
import random
import subprocess
import sys
import tempfile

old, new = sys.argv[1], sys.argv[2]
count = int(sys.argv[3]) if len(sys.argv) > 3 else 1000000
rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 20261209)


def digits(n):
    return "".join(rng.choice("0123456789") for _ in range(n))


def plain(low, high):
    """A plain decimal near [low, high]: 1 to 25 digits, a point anywhere."""
    r = rng.random()
    if r < 0.5:
        v = rng.uniform(low, high)
        text = ("%.*f" % (rng.randint(0, 17), v)).rstrip()
    elif r < 0.7:
        # 15 to 17 significant digits ending near a tie of the writer
        whole = str(rng.randint(int(max(low, 0)), int(high)))
        frac = digits(rng.randint(13, 16) - len(whole)) + rng.choice(
            ["5", "49999", "50001", "4999999", "5000001", "500", "0"])
        text = whole + "." + frac
    elif r < 0.85:
        text = digits(rng.randint(1, 3)) + "." + digits(rng.randint(0, 22))
        text = "0" * rng.randint(0, 4) + text
    else:
        text = rng.choice(["0", "-0", "+0", "0.", ".5", "-.5", "5.", "-0.0",
                           "+1.5", "00000000000000000000001.5",
                           "1234567890123456789", "12345678901234567890",
                           "9007199254740993", "0.00000000000000000000001"])
    if rng.random() < 0.3 and not text.startswith(("-", "+")):
        text = rng.choice(["-", "+"]) + text
    return text


def exponent():
    return rng.choice(["%de%d", "%dE+%d", "%dE%d"]) % (
        rng.randint(1, 99), rng.randint(-2, 1))


def height():
    r = rng.random()
    if r < 0.5:
        return plain(-500, 9000)
    if r < 0.8:
        # any magnitude the converter takes: 17 digits of a random double
        return "%.17g" % (rng.choice([-1, 1]) * 10 ** rng.uniform(-320, 10))
    return rng.choice(["-0", "1e-310", "4.9e-324", "2.2250738585072014e-308",
                       "9999999999", "1e10", "-1e10", "1.0000000001e10",
                       "1e5", "1E-2", "1.5e+3", "-.5e1", "1e", "0x10"])


def dms(value, letters):
    a = abs(value)
    d = int(a)
    m = int((a - d) * 60)
    s = ((a - d) * 60 - m) * 60
    letter = letters[0] if value >= 0 else letters[1]
    form = rng.randint(0, 9)
    if form == 0:
        return "%d\u00b0%d'%.*f\"%s" % (d, m, rng.randint(0, 6), s, letter)
    if form == 1:
        return "%s%d:%02d:%.*f" % ("-" if value < 0 else "", d, m,
                                   rng.randint(0, 6), s)
    if form == 2:
        return "%dd%dm%.*fs%s" % (d, m, rng.randint(0, 4), s, letter)
    if form == 3:
        return "%d %d %.*f %s" % (d, m, rng.randint(0, 5), s, letter)
    if form == 4:
        return "%s%.*f" % (letter, rng.randint(0, 9), a)
    if form == 5:
        return "%.*f%s" % (rng.randint(0, 9), a, letter.lower())
    if form == 6:
        return "\u2212%.*f" % (rng.randint(0, 9), a)
    if form == 7:
        return "%d\u00b0 %.*f\u2032 %s" % (d, rng.randint(0, 8),
                                          (a - d) * 60, letter)
    if form == 8:
        return "%d:%.*f" % (d, rng.randint(0, 8), (a - d) * 60)
    return "%.*f\u00b0" % (rng.randint(0, 9), a)


def line():
    r = rng.random()
    lat, lon = rng.uniform(-89, 89), rng.uniform(-179, 359)
    if r < 0.55:
        return "%s %s %s" % (plain(-89, 89), plain(-179, 359), height())
    if r < 0.62:
        return "%s %s" % (plain(-89, 89), plain(-179, 359))
    if r < 0.67:
        return "%s %s %s" % (exponent(), exponent(), height())
    if r < 0.82:
        return "%s %s %s" % (dms(lat, "NS"), dms(lon, "EW"), height())
    if r < 0.87:
        return "\t".join([plain(-89, 89), plain(-179, 179), height()])
    return rng.choice([
        "", "   ", "# a comment", "abc def", "1.2.3 4", "--5 1", "+ 5 1",
        "37.5", "91 0", "0 360", "37.5 127.5 12 13", "37 30 127 30",
        "37 30 0 N 127 0 0 E 12.5", "N 37 30 0 E 127 0 0", "37.5N 37.5S",
        "\"37.5\" 127.5", "37.5 127.5 \"x y\"", "37.5 127.5\r",
        "  37.5   127.5   30  ", "37,5 127,5", "1e999 5", "37.5 -0"])


def csv_line():
    a, b, h = plain(-89, 89), plain(-179, 179), height()
    r = rng.random()
    if r < 0.6:
        return ",".join([a, b, h])
    if r < 0.8:
        return '"%s",%s,"%s"' % (a, b, h)
    return rng.choice(['"Seoul, City Hall",37.5663,126.9779', ' 37.5 , 127.5 ',
                       '37.5,127.5,', ',37.5,127.5', '"a""b",1,2',
                       '37.5,"127.5', '37\u00b030\'0"N,127\u00b00\'0"E'])


def grid_line():
    return "%s %s %s" % (plain(160000, 840000), plain(3600000, 4800000),
                         height())


work = tempfile.mkdtemp(prefix="diff-texts-")  # left for a look at the lines
files = {}
for name, make, lines in (("points", line, count), ("csv", csv_line, count // 4),
                          ("grid", grid_line, count // 4)):
    path = os.path.join(work, name + ".txt")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for _ in range(lines):
            out.write(make() + "\n")
    files[name] = path

jobs = [
    ("points", ["--lonlat", "--from", "WGS84", "--to", "Tokyo(---)"]),
    ("points", ["--lonlat", "--from", "WGS84", "--to", "WGS84:utm",
                "--to-utm-zone", "52"]),
    ("points", ["--from", "WGS84", "--to", "WGS84"]),
    ("points", ["--from", "WGS84", "--to", "Tokyo(---)", "--format", "dms"]),
    ("points", ["--from", "WGS84", "--to", "WGS84", "--format", "dm"]),
    ("points", ["--from", "WGS84", "--to", "Tokyo(---)", "--precision", "6"]),
    ("points", ["--from", "WGS84", "--to", "WGS84", "--output-format",
                "geojson"]),
    ("points", ["--threads", "2", "--from", "WGS84", "--to", "Tokyo(---)"]),
    ("grid", ["--from", "WGS84:utm", "--utm-zone", "52N", "--to",
              "Tokyo(---)"]),
    ("csv", ["--delimiter", ",", "--from", "WGS84", "--to", "WGS84"]),
    ("csv", ["--from", "WGS84", "--to", "Tokyo(---):utm", "--to-utm-zone",
             "52N"]),
]
failed = False
for name, args in jobs:
    outputs = []
    for program in (old, new):
        run = subprocess.run([program, "-q", *args, files[name]],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        outputs.append((run.returncode, run.stdout, run.stderr))
    same = outputs[0] == outputs[1]
    print("%-4s %-8s %s (%d bytes)" % ("same" if same else "DIFF", name,
                                       " ".join(args), len(outputs[1][1])))
    if not same:
        failed = True
        a, b = outputs[0][1].split(b"\n"), outputs[1][1].split(b"\n")
        for i, (x, y) in enumerate(zip(a, b)):
            if x != y:
                print("  line %d:\n  old %r\n  new %r" % (i + 1, x, y))
                break
        if outputs[0][0] != outputs[1][0] or outputs[0][2] != outputs[1][2]:
            print("  exit codes or standard error differ")
sys.exit(1 if failed else 0)
