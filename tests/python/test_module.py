"""The Python module against nolvex-convert: the same points and settings give
the same numbers, written with the converter's number writer as the
converter's own text; and its arguments, errors and threads."""

import os
import subprocess
import tempfile
import threading
import time
import unittest

import numpy as np
import pandas as pd

import nolvex

CONVERT = os.environ["NOLVEX_CONVERT"]


def points(n, seed=20240611):
    """Latitude, longitude, height over Korea and Japan, as text with 9
    decimals (as a file holds them)."""
    rng = np.random.default_rng(seed)
    lat = rng.uniform(33, 43, n)
    lon = rng.uniform(124.5, 131.5, n)
    h = rng.uniform(-100, 1900, n)
    return [f"{a:.9f} {b:.9f} {c:.3f}" for a, b, c in zip(lat, lon, h)]


def convert(args, lines):
    """nolvex-convert's output lines for input lines."""
    run = subprocess.run([CONVERT, "-q", *args], input="\n".join(lines) + "\n",
                         capture_output=True, text=True, check=False)
    return run.stdout.splitlines(), run.returncode


class SameAsTheConverter(unittest.TestCase):
    # (source, target, options, the converter's arguments)
    JOBS = [
        ("WGS84", "Tokyo(---)", {}, ["--from", "WGS84", "--to", "Tokyo(---)"]),
        ("WGS84", "WGS84:utm", {"to_utm_zone": "52N"},
         ["--from", "WGS84", "--to", "WGS84:utm", "--to-utm-zone", "52N"]),
        ("WGS84", "Tokyo(---):tm", {}, ["--from", "WGS84", "--to", "Tokyo(---):tm"]),
        ("EPSG:4326", "EPSG:5186", {}, ["--from", "EPSG:4326", "--to", "EPSG:5186"]),
        ("EPSG:4979", "EPSG:4326+5773", {},
         ["--from", "EPSG:4979", "--to", "EPSG:4326+5773"]),
        ("Tokyo(---)", "EPSG:5179", {}, ["--from", "Tokyo(---)", "--to", "EPSG:5179"]),
    ]

    def test_values_written_give_the_converters_text(self):
        lines = points(2000)
        values = np.array([[float(x) for x in line.split()] for line in lines])
        for source, target, options, args in self.JOBS:
            with self.subTest(source=source, target=target):
                expected, status = convert(args, lines)
                t = nolvex.Transformer(source, target, **options)
                a, b, h = t.transform(values[:, 0], values[:, 1], values[:, 2],
                                      on_error="nan")
                got = [" ".join(row) for row in zip(nolvex.write_reals(a),
                                                    nolvex.write_reals(b),
                                                    nolvex.write_reals(h))]
                self.assertEqual(len(got), len(expected))
                for i, (g, e) in enumerate(zip(got, expected)):
                    if e.startswith("# ERROR"):
                        self.assertIn(i, t.errors)
                    else:
                        self.assertEqual(g, e, f"line {i + 1}")

    def test_pandas_series_from_a_csv_read_round_trip(self):
        lines = points(500)
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "p.csv")
            with open(path, "w") as f:
                f.write("lat,lon,h\n")
                for line in lines:
                    f.write(line.replace(" ", ",") + "\n")
            df = pd.read_csv(path, float_precision="round_trip")
            t = nolvex.Transformer("EPSG:4326", "EPSG:5186")
            north, east, h = t.transform(df["lat"], df["lon"], df["h"])
            expected, _ = convert(["--header", "--from", "EPSG:4326", "--to",
                                   "EPSG:5186", path], [])
        self.assertEqual(expected[0], "northing,easting,height")
        got = [",".join(r) for r in zip(nolvex.write_reals(north),
                                        nolvex.write_reals(east),
                                        nolvex.write_reals(h))]
        self.assertEqual(got, expected[1:])

    def test_threads_give_the_same_bits(self):
        lines = points(100000)
        values = np.array([[float(x) for x in line.split()] for line in lines])
        t = nolvex.Transformer("EPSG:4326", "EPSG:5179")
        one = t.transform(values[:, 0], values[:, 1], threads=1)
        three = t.transform(values[:, 0], values[:, 1], threads=3)
        for x, y in zip(one, three):
            np.testing.assert_array_equal(x, y)


class ArgumentsAndErrors(unittest.TestCase):
    def test_axes_are_each_sides_own_order(self):
        t = nolvex.Transformer("EPSG:4326", "EPSG:5186")
        self.assertEqual(t.source_axes, ["latitude", "longitude", "height"])
        self.assertEqual(t.target_axes, ["northing", "easting", "height"])
        u = nolvex.Transformer("WGS84", "WGS84:utm", to_utm_zone="52N")
        self.assertEqual(u.target_axes, ["easting", "northing", "height"])

    def test_failed_points_raise_or_become_nan_with_their_messages(self):
        t = nolvex.Transformer("WGS84", "Tokyo(---)")
        lat = np.array([37.5, 91.0, 90.0])
        lon = np.array([127.0, 127.0, 0.0])
        with self.assertRaises(ValueError) as caught:
            t.transform(lat, lon)
        self.assertIn("point 1: latitude 91 is outside -90 to 90",
                      str(caught.exception))
        a, b, h = t.transform(lat, lon, on_error="nan")
        self.assertFalse(np.isnan(a[0]))
        self.assertTrue(np.isnan(a[1]) and np.isnan(b[2]) and np.isnan(h[2]))
        self.assertEqual(t.errors[1], "latitude 91 is outside -90 to 90")
        self.assertTrue(t.errors[2].startswith(
            "the datum shift has no meaning this close to a pole"))

    def test_bad_arguments_are_python_errors_with_the_converters_words(self):
        with self.assertRaises(KeyError) as unknown:
            nolvex.Transformer("EPSG:9999", "EPSG:4326")
        self.assertIn("is not a reference system PROJ knows", str(unknown.exception))
        with self.assertRaises(KeyError):
            nolvex.Transformer("Atlantis", "WGS84")
        with self.assertRaises(ValueError) as zone:
            nolvex.Transformer("WGS84:utm", "WGS84")
        self.assertIn("a utm source needs its zone", str(zone.exception))
        with self.assertRaises(ValueError):
            nolvex.Transformer("EPSG:4326", "EPSG:5186", to_false_easting=0)
        with self.assertRaises(TypeError):
            nolvex.Transformer("WGS84", "WGS84", colour="red")
        t = nolvex.Transformer("WGS84", "WGS84")
        with self.assertRaises(ValueError):
            t.transform([1.0, 2.0], [1.0])
        with self.assertRaises(ValueError):
            t.transform([1.0], [1.0], on_error="ignore")

    def test_a_transformer_is_never_pickled(self):
        import pickle
        with self.assertRaises(TypeError):
            pickle.dumps(nolvex.Transformer("WGS84", "Tokyo(---)"))

    def test_read_points_with_the_strict_reader(self):
        lat, lon, h, errors = nolvex.read_points([
            "37°28'54.629835\"N 127°0'16.351485\"E",
            "N 37 30 0 E 127 0 0 12.5",
            "37 30 00 127 00 00",
            "127E 37N",
        ])
        self.assertEqual(nolvex.write_reals(lat)[0], "37.4818416208333")
        # 127 + 16.351485 / 3600
        self.assertEqual(nolvex.write_reals(lon)[0], "127.004542079167")
        self.assertEqual((lat[1], lon[1], h[1]), (37.5, 127.0, 12.5))
        self.assertEqual([e[0] for e in errors], [2])
        self.assertIn("degrees, minutes and seconds apart need a hemisphere "
                      "letter", errors[0][1])
        self.assertEqual((lat[3], lon[3]), (37.0, 127.0))

    def test_the_interpreter_runs_while_points_convert(self):
        values = np.full(3_000_000, 37.5)
        t = nolvex.Transformer("WGS84", "Tokyo(---)")
        ticks = []
        done = threading.Event()

        def tick():
            while not done.is_set():
                ticks.append(1)
                time.sleep(0.001)

        ticker = threading.Thread(target=tick)
        ticker.start()
        t.transform(values, values + 90)
        done.set()
        ticker.join()
        # The conversion takes seconds; the other thread ran all along.
        self.assertGreater(len(ticks), 50)


if __name__ == "__main__":
    unittest.main()
