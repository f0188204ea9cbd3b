"""nolvex.dask: on a local cluster of two worker processes, a 1,000,000-row
CSV file converted partition by partition gives exactly what
nolvex-convert gives for the whole file; and on Dask's own scheduler, the
frame's own columns, dtypes and index stay as they were, no column is
overwritten, and every row says what it met."""

import os
import subprocess
import sys
import tempfile
import unittest
import warnings

import dask
import dask.dataframe as dd
import numpy as np
import pandas as pd
import pyproj

import nolvex
import nolvex.dask


def write_points(path, n):
    rng = np.random.default_rng(1861)
    lat = rng.uniform(33, 43, n)
    lon = rng.uniform(124.5, 131.5, n)
    h = rng.uniform(-100, 1900, n)
    with open(path, "w") as f:
        f.write("lat,lon,h\n")
        np.savetxt(f, np.column_stack([lat, lon, h]), fmt=["%.9f", "%.9f", "%.3f"],
                   delimiter=",")


class LocalCluster(unittest.TestCase):
    def test_partitions_give_the_converters_whole_file(self):
        from dask.distributed import Client, LocalCluster

        rows = int(os.environ.get("NOLVEX_DASK_ROWS", "1000000"))
        convert = os.environ["NOLVEX_CONVERT"]
        with tempfile.TemporaryDirectory() as tmp:
            source = os.path.join(tmp, "points.csv")
            write_points(source, rows)
            expected = subprocess.run(
                [convert, "-q", "--header", "--from", "EPSG:4326", "--to",
                 "EPSG:5186", source], capture_output=True, text=True,
                check=False).stdout.splitlines()
            cluster = LocalCluster(n_workers=2, threads_per_worker=1,
                                   processes=True, host="127.0.0.1",
                                   dashboard_address=None,
                                   local_directory=os.path.join(tmp, "dask"))
            with cluster, Client(cluster):
                frame = dd.read_csv(source, blocksize=4_000_000,
                                    float_precision="round_trip")
                out = nolvex.dask.transform(frame, "EPSG:4326", "EPSG:5186",
                                            columns=["lat", "lon", "h"])
                partitions = frame.npartitions
                result = out.compute()
        self.assertGreaterEqual(partitions, 4)
        self.assertEqual(expected[0], "northing,easting,height")
        got = [",".join(row) for row in zip(
            nolvex.write_reals(result["northing"].to_numpy()),
            nolvex.write_reals(result["easting"].to_numpy()),
            nolvex.write_reals(result["height"].to_numpy()))]
        self.assertEqual(len(got), len(expected) - 1)
        first = next((i for i, (g, e) in enumerate(zip(got, expected[1:]))
                      if g != e), None)
        self.assertIsNone(first, f"differs from nolvex-convert at row {first}")
        # Rows outside the belt's area of use say so, the others nothing.
        west, south, east, north = pyproj.CRS(5186).area_of_use.bounds
        outside = ~result["lon"].between(west, east) | \
            ~result["lat"].between(south, north)
        self.assertTrue(result.loc[outside, "error"].str.startswith(
            "outside the area of use").all())
        print(f"{len(got)} rows in {partitions} partitions, "
              f"{int(result['error'].notna().sum())} rows with a note: the "
              "same as nolvex-convert", file=sys.stderr)


class Columns(unittest.TestCase):
    def setUp(self):
        self.config = dask.config.set(scheduler="synchronous")
        self.config.__enter__()
        index = pd.Index([f"p{i}" for i in range(6)], name="site")
        self.frame = pd.DataFrame({
            "lat": np.array([37.5, 35.1, 91.0, 36.0, -15.0, 37.0],
                            dtype=np.float32),
            "lon": [127.0, 127.5, 127.0, 127.9, -47.0, 126.5],
            "h": [10, 20, 30, 40, 50, 60],
            "count": np.arange(6, dtype=np.int32),
            "kind": pd.Categorical(["a", "b", "a", "b", "a", "b"]),
            "when": pd.date_range("2024-01-01", periods=6, freq="D"),
            "height": [123.4] * 6,
            "error": ["mine"] * 6,
        }, index=index)
        self.ddf = dd.from_pandas(self.frame, npartitions=2)

    def tearDown(self):
        self.config.__exit__(None, None, None)

    def test_a_clash_with_the_frames_columns_is_refused(self):
        # The "height" and "error" columns were once overwritten.
        with self.assertRaises(ValueError) as caught:
            nolvex.dask.transform(self.ddf, 4326, 5186,
                                  columns=["lat", "lon", "h"])
        self.assertIn("['height', 'error']", str(caught.exception))
        self.assertIn("suffix=", str(caught.exception))
        with self.assertRaises(ValueError):
            nolvex.dask.transform(self.ddf, 4326, 5186, columns=["lat", "lon"],
                                  output_columns=["n", "e"])
        with self.assertRaises(ValueError):
            nolvex.dask.transform(self.ddf, 4326, 5186, columns=["lat", "lon"],
                                  output_columns=["n", "n"],
                                  error_column="note")
        with self.assertRaises(ValueError):
            nolvex.dask.transform(self.ddf, 4326, 5186, columns=["lat", "lon"],
                                  output_columns=["n"], error_column="note")

    def test_the_frames_own_columns_dtypes_and_index_stay(self):
        # (keywords, the new columns' names)
        rows = [
            ({"suffix": "_5186"},
             ["northing_5186", "easting_5186", "height_5186", "error_5186"]),
            ({"output_columns": ["n", "e", "z"], "error_column": "note"},
             ["n", "e", "z", "note"]),
        ]
        expected = pyproj.Transformer.from_crs(4326, 5186).transform(
            self.frame["lat"].to_numpy(np.float64), self.frame["lon"],
            self.frame["h"].to_numpy(np.float64))
        for keywords, names in rows:
            with self.subTest(**keywords):
                with warnings.catch_warnings():
                    warnings.simplefilter("error")
                    out = nolvex.dask.transform(self.ddf, 4326, 5186,
                                                columns=["lat", "lon", "h"],
                                                **keywords)
                self.assertEqual(list(out.columns),
                                 list(self.frame.columns) + names)
                result = out.compute()
                pd.testing.assert_frame_equal(result[self.frame.columns],
                                              self.frame)
                self.assertEqual(list(result.dtypes[names[:3]]),
                                 [np.float64] * 3)
                # The notes: categorical, their categories each partition's.
                for dtypes in (out.dtypes, result.dtypes):
                    self.assertIsInstance(dtypes[names[3]], pd.CategoricalDtype)
                self.assertEqual(dict(out.dtypes.drop(names[3])),
                                 dict(result.dtypes.drop(names[3])))
                good = [0, 1, 3, 5]
                for name, values in zip(names, expected):
                    np.testing.assert_array_equal(
                        result[name].to_numpy()[good], values[good])
                self.assertTrue(result[names[0]].isna().iloc[2])

    def test_every_row_says_what_it_met(self):
        out = nolvex.dask.transform(self.ddf, 4326, 5186,
                                    columns=["lat", "lon"], suffix="_k")
        notes = out.compute()["error_k"]
        self.assertEqual(list(notes.index), list(self.frame.index))
        self.assertTrue(pd.isna(notes["p0"]))
        self.assertEqual(notes["p2"], "latitude 91 is outside -90 to 90")
        self.assertTrue(notes["p4"].startswith(
            "outside the area of use of Inverse of Korea 2000 to WGS 84 (1)"))
        self.assertEqual(notes.notna().sum(), 2)
        london = dd.from_pandas(pd.DataFrame({"lat": [51.5], "lon": [-0.12]}),
                                npartitions=1)
        out = nolvex.dask.transform(london, 4326, 27700,
                                    columns=["lat", "lon"])
        self.assertIn("needs the grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif",
                      out.compute()["error"][0])


if __name__ == "__main__":
    unittest.main()
