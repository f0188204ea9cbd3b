"""The Python module against nolvex-convert: the same points and settings give
the same numbers, written with the converter's number writer as the
converter's own text; and its calls as pyproj users write them: systems in
any form, values of any shape, each call's failures and warnings, threads
sharing one Transformer, pickling, the stub and the help."""

import ast
import inspect
import os
import pickle
import pydoc
import random
import subprocess
import tempfile
import threading
import time
import unittest
import warnings

import numpy as np
import pandas as pd
import pyproj

import nolvex
import nolvex.dask

CONVERT = os.environ["NOLVEX_CONVERT"]
HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE = os.path.dirname(os.path.abspath(nolvex.__file__))


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


def reference(source, target, *values, **options):
    """pyproj's values for the same points, as arrays."""
    return pyproj.Transformer.from_crs(source, target, **options).transform(
        *(np.asarray(v, dtype=float) for v in values))


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
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore", nolvex.NolvexWarning)
                    result = t.transform(values[:, 0], values[:, 1],
                                         values[:, 2], on_error="nan")
                got = [" ".join(row) for row in zip(*map(nolvex.write_reals,
                                                         result))]
                self.assertEqual(len(got), len(expected))
                for i, (g, e) in enumerate(zip(got, expected)):
                    if e.startswith("# ERROR"):
                        self.assertIn(i, result.errors)
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
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", nolvex.OutsideAreaWarning)
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
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", nolvex.OutsideAreaWarning)
            one = t.transform(values[:, 0], values[:, 1], threads=1)
            three = t.transform(values[:, 0], values[:, 1], threads=3)
        for x, y in zip(one, three):
            np.testing.assert_array_equal(x, y)


class Construction(unittest.TestCase):
    class Wkt:
        """Any object with to_wkt()."""

        def __init__(self, code):
            self.code = code

        def to_wkt(self):
            return pyproj.CRS(self.code).to_wkt()

    def test_every_form_of_a_system_gives_the_same_conversion(self):
        lat, lon = np.array([37.5, 35.1]), np.array([127.0, 127.5])
        expected = reference(4326, 5186, lat, lon)
        for source, target in [(4326, 5186), (np.int64(4326), "5186"),
                               ("EPSG:4326", pyproj.CRS("EPSG:5186")),
                               (self.Wkt(4326), self.Wkt(5186))]:
            with self.subTest(source=type(source).__name__,
                              target=type(target).__name__):
                for t in (nolvex.Transformer(source, target),
                          nolvex.Transformer.from_crs(source, target)):
                    for got, want in zip(t.transform(lat, lon), expected):
                        np.testing.assert_array_equal(got, want)

    def test_always_xy_puts_the_east_axis_first(self):
        for options in ({"always_xy": True}, {"lonlat": True},
                        {"always_xy": np.True_}):
            with self.subTest(**{k: repr(v) for k, v in options.items()}):
                t = nolvex.Transformer(4326, 5186, **options)
                self.assertEqual(t.transform(127.0, 37.5),
                                 pyproj.Transformer.from_crs(
                                     4326, 5186, always_xy=True)
                                 .transform(127.0, 37.5))
        t = nolvex.Transformer.from_crs(4326, 5186, always_xy=True)
        self.assertEqual([a.name for a in t.target_axes],
                         ["easting", "northing", "height"])

    def test_bad_keywords_are_errors_that_name_them(self):
        # (source, target, keywords, exception, words)
        rows = [
            (4326, 5186, {"lonlat": "no"}, TypeError, "lonlat takes True or False"),
            (4326, 5186, {"always_xy": 1}, TypeError, "always_xy takes True or False"),
            (4326, 5186, {"always_xy": True, "lonlat": False}, ValueError,
             "always_xy and lonlat disagree"),
            (4326, 5186, {"outside_area": "ignore"}, ValueError, "outside_area"),
            (4326, 5186, {"height": True}, TypeError, "height takes a number"),
            (4326, 5186, {"colour": "red"}, TypeError, "'colour'"),
            (4326, 5186, {"area_of_interest": None}, TypeError,
             "'area_of_interest'"),
            ("EPSG:4326", "EPSG:5186", {"to_false_easting": 0}, ValueError,
             "to_false_easting: EPSG:5186 fixes its own false_easting"),
            ("WGS84", "WGS84:tm", {"to_false_easting": object()}, TypeError,
             "to_false_easting takes a number or its text"),
            ("WGS84", "WGS84:utm", {"to_utm_zone": "61N"}, ValueError,
             "to_utm_zone takes a zone from 1 to 60"),
            ("WGS84:utm", "WGS84", {}, ValueError, "from_utm_zone"),
            ("WGS84", "WGS84", {"user_ellipsoid": "X,6378000"}, ValueError,
             "user_ellipsoid"),
            (True, 5186, {}, TypeError, "source takes an EPSG code"),
            (4326, 3.5, {}, TypeError, "target takes an EPSG code"),
            (-4326, 5186, {}, ValueError, "source takes an EPSG code above 0"),
        ]
        for source, target, keywords, error, words in rows:
            with self.subTest(source=source, target=target, **{
                    k: repr(v) for k, v in keywords.items()}):
                with self.assertRaises(error) as caught:
                    nolvex.Transformer(source, target, **keywords)
                self.assertIn(words, str(caught.exception))

    def test_transform_arguments_are_errors_that_name_them(self):
        t = nolvex.Transformer(4326, 5186)
        rows = [
            (([1.0, 2.0], [1.0]), {}, ValueError, "yy has the shape (1,)"),
            (([1.0], [1.0]), {"on_error": "ignore"}, ValueError, "on_error"),
            (([1.0], [1.0]), {"direction": "IDENT"}, ValueError, "direction"),
            (([1.0], [1.0]), {"threads": 1.5}, TypeError, "threads"),
            (([1.0], [1.0]), {"threads": 0}, ValueError, "threads"),
            ((["a"], [1.0]), {}, TypeError, "xx takes numbers"),
        ]
        for args, keywords, error, words in rows:
            with self.subTest(args=args, **{k: repr(v)
                                            for k, v in keywords.items()}):
                with self.assertRaises(error) as caught:
                    t.transform(*args, **keywords)
                self.assertIn(words, str(caught.exception))

    def test_an_unknown_system_is_a_value_error_and_a_key_error(self):
        # (source, what it says)
        rows = [
            ("EPSG:9999", ["'EPSG:9999' is not a reference system PROJ knows",
                           "crs not found", 'nolvex.list_crs("korea")']),
            (99999, ["'EPSG:99999' is not a reference system PROJ knows"]),
            ("Atlantis", ["unknown datum 'Atlantis'", "nolvex.list_datums()"]),
        ]
        for source, words in rows:
            with self.subTest(source=source):
                with self.assertRaises(nolvex.UnknownSystemError) as caught:
                    nolvex.Transformer(source, "EPSG:4326")
                e = caught.exception
                self.assertIsInstance(e, ValueError)
                self.assertIsInstance(e, KeyError)
                text = str(e)
                self.assertTrue(text.startswith("source: "), text)
                for word in words:
                    self.assertIn(word, text)
                self.assertNotIn("--", text)

    def test_the_advised_search_finds_projs_systems(self):
        # pyproj's list of PROJ's database is the oracle.
        from pyproj.database import query_crs_info
        expected = {f"{c.auth_name}:{c.code}"
                    for c in query_crs_info(auth_name="EPSG")
                    if "korea" in c.name.lower() and not c.deprecated}
        found = {c.id for c in nolvex.list_crs("korea")}
        self.assertEqual(expected - found, set())
        self.assertIn("Tokyo(---)", [d.text for d in nolvex.list_datums()])
        self.assertIn("Bessel 1841(BR)",
                      [e.text for e in nolvex.list_ellipsoids()])

    def test_nul_truncated_names_are_refused(self):
        # A NUL once cut "EPSG:4326\0junk" to EPSG:4326.
        rows = [
            (lambda: nolvex.Transformer("EPSG:4326\0junk", "EPSG:5186"),
             "source holds a NUL character"),
            (lambda: nolvex.Transformer("WGS84", "Tokyo(---)\0"),
             "target holds a NUL character"),
            (lambda: nolvex.Transformer("WGS84", "WGS84:utm",
                                        to_utm_zone="52N\0"),
             "to_utm_zone holds a NUL character"),
            (lambda: nolvex.Transformer("WGS84", "WGS84:tm",
                                        to_origin_lon="127\0.5"),
             "to_origin_lon holds a NUL character"),
            (lambda: nolvex.read_points(["37 127", "37\0 127"]),
             "text 1 holds a NUL character"),
            (lambda: nolvex.list_crs("korea\0"), "filter holds a NUL"),
        ]
        for call, words in rows:
            with self.subTest(words=words):
                with self.assertRaises(ValueError) as caught:
                    call()
                self.assertIn(words, str(caught.exception))

    def test_a_pickled_transformer_is_built_again(self):
        lat, lon = np.array([37.5, 35.1]), np.array([127.0, 127.5])
        for args, options in [((4326, 5186), {"always_xy": True}),
                              ((pyproj.CRS(4326), "EPSG:5179"), {}),
                              (("WGS84", "WGS84:utm"), {"to_utm_zone": "52N"})]:
            with self.subTest(args=repr(args), **options):
                t = nolvex.Transformer(*args, **options)
                u = pickle.loads(pickle.dumps(t))
                self.assertIsNot(u._core, t._core)
                self.assertEqual(u.description, t.description)
                self.assertEqual(u.target_axes, t.target_axes)
                values = (lon, lat) if options.get("always_xy") else (lat, lon)
                for got, want in zip(u.transform(*values),
                                     t.transform(*values)):
                    np.testing.assert_array_equal(got, want)


class ValuesInAndOut(unittest.TestCase):
    def test_each_kind_of_input_gives_its_kind_back(self):
        t = nolvex.Transformer(4326, 5186)
        lat, lon, h = [37.5, 35.1, 36.0], [127.0, 127.5, 127.9], [10.0, 20, 30]
        want = reference(4326, 5186, lat, lon, h)
        index = pd.Index(["a", "b", "c"], name="site")
        # (xx, yy, zz or None, the type of each output, its shape)
        rows = [
            (lat[0], lon[0], None, float, ()),
            (37, 127, None, float, ()),
            (np.float64(lat[0]), lon[0], h[0], float, ()),
            (np.array(lat[0]), np.array(lon[0]), None, float, ()),
            (lat, lon, None, np.ndarray, (3,)),
            (tuple(lat), tuple(lon), tuple(h), np.ndarray, (3,)),
            (np.array(lat, dtype=np.float32), np.array(lon), None, np.ndarray,
             (3,)),
            (np.array([lat, lat]), np.array([lon, lon]), None, np.ndarray,
             (2, 3)),
            (np.array(lat)[::-1][::-1], np.array(lon), np.array(h), np.ndarray,
             (3,)),
            (pd.Series(lat, index=index), pd.Series(lon, index=index), None,
             pd.Series, (3,)),
        ]
        for xx, yy, zz, kind, shape in rows:
            with self.subTest(xx=type(xx).__name__, shape=shape,
                              height=zz is not None):
                out = t.transform(xx, yy) if zz is None else \
                    t.transform(xx, yy, zz)
                self.assertEqual(type(out), tuple)
                self.assertEqual(len(out), 2 if zz is None else 3)
                for k, value in enumerate(out):
                    self.assertIs(type(value), kind)
                    self.assertEqual(np.shape(value), shape)
                    expected = reference(
                        4326, 5186, *((xx, yy) if zz is None else (xx, yy, zz))
                    )[k]
                    np.testing.assert_array_equal(np.asarray(value),
                                                  np.asarray(expected))
                if kind is pd.Series:
                    self.assertTrue(out[0].index.equals(index))
                    self.assertEqual([v.name for v in out],
                                     ["northing", "easting"])
        self.assertEqual(t.transform(lat[0], lon[0], h[0]),
                         tuple(float(v[0]) for v in want))

    def test_masked_points_keep_their_mask_and_are_not_converted(self):
        t = nolvex.Transformer(4326, 5186)
        # Latitude 91 would fail: masked, it is never converted.
        lat = np.ma.array([37.5, 91.0, 35.1, 36.0], mask=[0, 1, 0, 0])
        lon = np.ma.array([127.0, 127.0, 127.5, 128.0], mask=[0, 0, 0, 1])
        north, east = t.transform(lat, lon)
        for out in (north, east):
            self.assertIsInstance(out, np.ma.MaskedArray)
            np.testing.assert_array_equal(np.ma.getmaskarray(out),
                                          [False, True, False, True])
            self.assertTrue(np.isnan(np.ma.getdata(out)[[1, 3]]).all())
        want = reference(4326, 5186, [37.5, 35.1], [127.0, 127.5])
        np.testing.assert_array_equal(north.compressed(), want[0])
        np.testing.assert_array_equal(east.compressed(), want[1])
        # A failure behind masked points keeps its own position.
        lat[2] = 92.0
        result = t.transform(lat, lon, on_error="nan")
        self.assertEqual(list(result.errors), [2])
        self.assertIn("latitude 92", result.errors[2])

    def test_errors_belong_to_their_call(self):
        t = nolvex.Transformer(4326, 5186)
        lat = np.array([37.5, 91.0, 35.1, 92.0])
        lon = np.array([127.0, 127.0, 127.5, 128.0])
        with self.assertRaises(nolvex.TransformError) as caught:
            t.transform(lat, lon)
        e = caught.exception
        self.assertIsInstance(e, ValueError)
        self.assertEqual(str(e), "point 1: latitude 91 is outside -90 to 90 "
                         "(and 1 more: the exception's errors holds every "
                         "message)")
        self.assertEqual(e.errors, {1: "latitude 91 is outside -90 to 90",
                                    3: "latitude 92 is outside -90 to 90"})
        result = t.transform(lat, lon, on_error="nan")
        self.assertIsInstance(result, nolvex.TransformResult)
        north, east = result
        self.assertEqual(result.errors, e.errors)
        self.assertTrue(np.isnan(north[[1, 3]]).all())
        np.testing.assert_array_equal(
            north[[0, 2]], reference(4326, 5186, lat[[0, 2]], lon[[0, 2]])[0])
        # A scalar's failure, and positions in two dimensions.
        with self.assertRaises(nolvex.TransformError) as scalar:
            t.transform(91.0, 127.0)
        self.assertEqual(scalar.exception.errors,
                         {0: "latitude 91 is outside -90 to 90"})
        grid = t.transform(lat.reshape(2, 2), lon.reshape(2, 2),
                           on_error="nan")
        self.assertEqual(set(grid.errors), {(0, 1), (1, 1)})
        self.assertEqual(pickle.loads(pickle.dumps(e)).errors, e.errors)
        # Nothing is kept on the Transformer.
        with self.assertRaises(AttributeError) as kept:
            t.errors
        self.assertIn("on_error=\"nan\"", str(kept.exception))

    def test_a_3d_source_into_a_3d_target_needs_each_height(self):
        t = nolvex.Transformer(4979, 4978)
        with self.assertRaises(nolvex.TransformError) as caught:
            t.transform(37.5, 127.0)
        self.assertIn("needs an ellipsoidal height for each point",
                      str(caught.exception))
        self.assertEqual(t.transform(37.5, 127.0, 10.0),
                         reference(4979, 4978, 37.5, 127.0, 10.0))

    def test_itransform_gives_what_transform_gives(self):
        t = nolvex.Transformer(4326, 5186)
        rng = np.random.default_rng(3)
        lat, lon = rng.uniform(33.5, 38, 5000), rng.uniform(126.1, 127.9, 5000)
        want = reference(4326, 5186, lat, lon)
        got = list(t.itransform(zip(lat, lon)))
        self.assertEqual(got, list(zip(*(w.tolist() for w in want))))
        self.assertEqual(list(t.itransform([(127.0, 37.5)], switch=True)),
                         [t.transform(37.5, 127.0)])
        self.assertEqual(list(t.itransform([(37.5, 127.0, 5.0)])),
                         [t.transform(37.5, 127.0, 5.0)])
        # A failure counted over the whole iterable, past its first block.
        lat[4500] = 95.0
        with self.assertRaises(nolvex.TransformError) as caught:
            list(t.itransform(zip(lat, lon)))
        self.assertEqual(list(caught.exception.errors), [4500])


class NoSilentPoint(unittest.TestCase):
    # (source, target, options, point, warning, its words)
    NOTES = [
        ("EPSG:4301", "EPSG:4326", {}, (-15.0, -47.0),
         nolvex.OutsideAreaWarning,
         "outside the area of use of EPSG:15484 Tokyo to WGS 84 (108)"),
        ("EPSG:4267", "EPSG:4269", {"allow_ballpark": True}, (20.0, -157.0),
         nolvex.BallparkWarning,
         "converted by the ballpark operation Ballpark geographic offset "
         "from NAD27 to NAD83"),
        ("EPSG:4326", "EPSG:27700", {}, (51.5, -0.12),
         nolvex.MissingGridWarning,
         "needs the grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif, which is not "
         "installed"),
    ]

    def test_each_kind_of_note_is_a_warning_of_its_own(self):
        for source, target, options, point, kind, words in self.NOTES:
            with self.subTest(kind=kind.__name__):
                t = nolvex.Transformer(source, target, **options)
                for call in (lambda: t.transform(*point),
                             lambda: t.transform([point[0]], [point[1]]),
                             lambda: list(t.itransform([point]))):
                    with warnings.catch_warnings(record=True) as seen:
                        warnings.simplefilter("always")
                        call()
                    kinds = [w.category for w in seen]
                    self.assertIn(kind, kinds)
                    w = seen[kinds.index(kind)]
                    self.assertTrue(issubclass(w.category,
                                               nolvex.NolvexWarning))
                    self.assertIn(words, str(w.message))
                    # Said at the caller's line, not the module's.
                    self.assertEqual(w.filename, __file__)

    def test_a_point_inside_gives_no_warning(self):
        t = nolvex.Transformer(4301, 4326)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            t.transform(35.0, 139.0)
            t.transform([35.0, 36.0], [139.0, 140.0])

    def test_warnings_as_errors_raise_the_warning(self):
        t = nolvex.Transformer(4301, 4326)
        with warnings.catch_warnings():
            warnings.simplefilter("error", nolvex.NolvexWarning)
            with self.assertRaises(nolvex.OutsideAreaWarning):
                t.transform(-15.0, -47.0)

    def test_the_options_make_notes_errors(self):
        # (source, target, options, a point that fails, its words, a point
        # that does not)
        rows = [
            ("EPSG:4301", "EPSG:4326", {"outside_area": "error"},
             (-15.0, -47.0), "outside the area of use of EPSG:15484",
             (35.0, 139.0)),
            ("EPSG:4326", "EPSG:27700", {"require_best": True}, (51.5, -0.12),
             "a more accurate operation, Inverse of OSGB36 to WGS 84 (9)",
             None),
            ("EPSG:4267", "EPSG:4269", {}, (20.0, -157.0),
             "only a ballpark operation covers the point: no published "
             "transformation between the datums (positions taken over "
             "unchanged): allow_ballpark=True uses it", (50.0, -100.0)),
        ]
        for source, target, options, point, words, good in rows:
            with self.subTest(source=source, target=target, **options):
                t = nolvex.Transformer(source, target, **options)
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore", nolvex.NolvexWarning)
                    with self.assertRaises(nolvex.TransformError) as caught:
                        t.transform(*point)
                    self.assertIn(words, caught.exception.errors[0])
                    if good is None:
                        continue
                    result = t.transform([point[0], good[0]],
                                         [point[1], good[1]], on_error="nan")
                self.assertEqual(list(result.errors), [0])


class KnowingWhatItDid(unittest.TestCase):
    def test_description_names_both_sides_and_the_operation(self):
        rows = [
            (4326, 5186, ["WGS 84 (EPSG:4326) to Korea 2000 / Central Belt "
                          "2010 (EPSG:5186)", "Korea 2000 to WGS 84 (1)"]),
            (4301, 4326, ["PROJ chooses among 5 operations point by point"]),
            ("WGS84", "Tokyo(---)", ["to Tokyo(---)",
                                     "the catalogue's standard Molodensky "
                                     "shift"]),
            ("Tokyo(---)", 5179, ["Tokyo(---) to Korea 2000 / Unified CS",
                                  "through WGS 84 geographic"]),
        ]
        for source, target, words in rows:
            with self.subTest(source=source, target=target):
                t = nolvex.Transformer(source, target)
                for word in words:
                    self.assertIn(word, t.description)
                    self.assertIn(word, repr(t))
                self.assertIn("Always xy: False", repr(t))

    def test_the_catalogue_step_is_one_operation_that_counts_its_points(self):
        t = nolvex.Transformer("WGS84", "Tokyo(---)")
        [op] = t.operations()
        self.assertIn("standard Molodensky", op.name)
        self.assertIn("+proj=molodensky", op.pipeline)
        result = t.transform([37.5, 91.0, 36.0], [127.0, 127.0, 128.0],
                             on_error="nan", return_operations=True)
        self.assertEqual(result.operations, [(op, 2)])
        self.assertEqual(list(result.errors), [1])

    def test_the_inverse_is_built_once_and_words_its_own_faults(self):
        t = nolvex.Transformer("WGS84", "WGS84:utm")
        with self.assertRaises(ValueError) as caught:
            t.transform(500000.0, 4000000.0, direction="INVERSE")
        self.assertIn("to_utm_zone", str(caught.exception))
        t = nolvex.Transformer("WGS84", "WGS84:utm", to_utm_zone="52N")
        there = t.transform(37.5, 127.0)
        back = t.transform(*there, direction="inverse")
        self.assertAlmostEqual(back[0], 37.5, places=9)
        self.assertAlmostEqual(back[1], 127.0, places=9)
        self.assertIs(t._core_for("INVERSE"), t._core_for("INVERSE"))
        with self.assertRaises(ValueError) as height:
            nolvex.Transformer(4326, 5186, height=5.0).transform(
                [500000.0], [200000.0], direction="INVERSE")
        self.assertIn("height", str(height.exception))


class Threads(unittest.TestCase):
    def test_one_transformer_shared_by_8_threads_loses_no_message(self):
        # Each call's messages once went to the Transformer, where another
        # thread's call could overwrite them.
        t = nolvex.Transformer(4326, 5186)
        rng = np.random.default_rng(8)
        lat, lon = rng.uniform(33.5, 38, 3000), rng.uniform(126.1, 127.9, 3000)
        want = reference(4326, 5186, lat, lon)
        faults = []

        def work(seed):
            r = random.Random(seed)
            for _ in range(60):
                n = r.randrange(1, 3000)
                bad = set(r.sample(range(n), r.randrange(0, min(n, 100))))
                a = lat[:n].copy()
                for i in bad:
                    a[i] = 90.5 + i / 10000
                expected = {i: f"latitude {nolvex.write_reals([a[i]])[0]} is "
                               "outside -90 to 90" for i in bad}
                good = np.array(sorted(set(range(n)) - bad), dtype=int)
                if r.random() < 0.5:
                    result = t.transform(a, lon[:n], on_error="nan")
                    errors = result.errors
                else:
                    result = None
                    try:
                        t.transform(a, lon[:n])
                        errors = {}
                    except nolvex.TransformError as e:
                        errors = e.errors
                if errors != expected:
                    faults.append((seed, n, len(bad), len(errors)))
                if result is not None and not np.array_equal(
                        result[0][good], want[0][good]):
                    faults.append((seed, n, "values"))
                i = r.randrange(n)
                try:
                    t.transform(float(a[i]), float(lon[i]))
                    scalar = {}
                except nolvex.TransformError as e:
                    scalar = {i: e.errors[0]}
                if scalar != {k: v for k, v in expected.items() if k == i}:
                    faults.append((seed, "scalar", i))

        threads = [threading.Thread(target=work, args=(s,)) for s in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(faults, [])

    def test_a_transformer_outlives_the_thread_that_made_it(self):
        made = []
        maker = threading.Thread(
            target=lambda: made.append(nolvex.Transformer(4301, 4326)))
        maker.start()
        maker.join()
        t = made.pop()
        expected = reference(4301, 4326, [35.0], [139.0])
        for _ in range(2):
            got = t.transform([35.0], [139.0])
            for g, e in zip(got, expected):
                np.testing.assert_array_equal(g, e)
        other = []
        user = threading.Thread(target=lambda: other.append(
            t.transform(35.0, 139.0, direction="INVERSE")))
        user.start()
        user.join()
        self.assertEqual(len(other), 1)
        del t

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


class TypingAndHelp(unittest.TestCase):
    def stub(self, name):
        with open(os.path.join(PACKAGE, name)) as f:
            return ast.parse(f.read())

    @staticmethod
    def parameters(function):
        args = function.args
        names = [a.arg for a in args.posonlyargs + args.args]
        names += ["*" + args.vararg.arg] if args.vararg else []
        names += [a.arg for a in args.kwonlyargs]
        names += ["**" + args.kwarg.arg] if args.kwarg else []
        return names

    @staticmethod
    def runtime(obj):
        names = []
        for p in inspect.signature(obj).parameters.values():
            prefix = {p.VAR_POSITIONAL: "*", p.VAR_KEYWORD: "**"}.get(p.kind, "")
            names.append(prefix + p.name)
        return names

    def test_the_stubs_give_the_modules_signatures(self):
        for name, module in (("__init__.pyi", nolvex),
                             ("dask.pyi", nolvex.dask)):
            tree = self.stub(name)
            stubbed = {}
            for node in tree.body:
                if isinstance(node, ast.FunctionDef):
                    stubbed[node.name] = self.parameters(node)
                elif isinstance(node, ast.ClassDef):
                    for item in node.body:
                        if isinstance(item, ast.FunctionDef) and not any(
                                isinstance(d, ast.Name) and d.id == "property"
                                for d in item.decorator_list):
                            # The last of several overloads is the whole
                            # signature.
                            stubbed[f"{node.name}.{item.name}"] = \
                                self.parameters(item)
                elif isinstance(node, ast.Assign) and node.targets[0].id == \
                        "__all__":
                    self.assertEqual(ast.literal_eval(node.value),
                                     module.__all__, name)
            for qualified, names in stubbed.items():
                if qualified.split(".")[0] not in module.__all__:
                    continue
                obj = module
                for part in qualified.split("."):
                    obj = getattr(obj, part)
                if qualified.endswith("__new__"):
                    continue
                with self.subTest(name=f"{module.__name__}.{qualified}"):
                    runtime = self.runtime(obj)
                    if names and names[0] in ("self", "cls") and (
                            not runtime or runtime[0] != names[0]):
                        names = names[1:]
                    self.assertEqual(runtime, names)

    def test_help_shows_an_example_for_each_call(self):
        calls = [nolvex.Transformer, nolvex.Transformer.from_crs,
                 nolvex.Transformer.transform, nolvex.Transformer.itransform,
                 nolvex.Transformer.operations,
                 nolvex.Transformer.description,
                 nolvex.Transformer.source_axes,
                 nolvex.Transformer.target_axes, nolvex.TransformResult,
                 nolvex.TransformError, nolvex.UnknownSystemError,
                 nolvex.NolvexWarning, nolvex.read_points, nolvex.write_reals,
                 nolvex.proj_version, nolvex.list_crs, nolvex.list_datums,
                 nolvex.list_ellipsoids, nolvex.to_mgrs, nolvex.from_mgrs,
                 nolvex.to_geohash, nolvex.from_geohash,
                 nolvex.dask.transform]
        for call in calls:
            with self.subTest(call=getattr(call, "__qualname__", call)):
                doc = inspect.getdoc(call) or ""
                self.assertRegex(doc, r"(>>>|\n    \w)", "no example")
        page = pydoc.render_doc(nolvex.Transformer, renderer=pydoc.plaintext)
        self.assertIn("always_xy", page)
        self.assertIn('direction="INVERSE"', page)


class StrictReader(unittest.TestCase):
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


def geoconvert(args, lines):
    """GeographicLib's GeoConvert (geographiclib-tools) on input lines."""
    run = subprocess.run(["GeoConvert", *args], input="\n".join(lines) + "\n",
                         capture_output=True, text=True, check=False)
    return run.stdout.splitlines()


def geohash_reference():
    """The published geohash algorithm in a few lines of Python
    (scripts/reference/geohash_cases.py), no part of the module."""
    import importlib.util
    path = os.path.join(HERE, "..", "..", "scripts", "reference",
                        "geohash_cases.py")
    found = importlib.util.spec_from_file_location("geohash_cases", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


class References(unittest.TestCase):
    """MGRS references and geohashes: against GeoConvert and the published
    geohash algorithm, and as the converter writes and reads them."""

    LATS = [37.5666, -33.8688, 60.5, 78.2, 86.0, -86.0, 0.0, -79.9, 83.99]
    LONS = [126.9784, 151.2093, 4.5, 15.6, 10.0, -170.0, 180.0, -179.9, 0.5]

    def test_mgrs_against_geoconvert_at_every_precision(self):
        for precision in range(12):
            with self.subTest(precision=precision):
                expected = geoconvert(
                    ["-m", "-p", str(precision - 5)],
                    [f"{a} {b}" for a, b in zip(self.LATS, self.LONS)])
                got = nolvex.to_mgrs(np.array(self.LATS), np.array(self.LONS),
                                     precision)
                self.assertEqual(list(got), expected)

    def test_mgrs_read_as_geoconvert_reads_it(self):
        refs = nolvex.to_mgrs(self.LATS, self.LONS, 3)
        expected = geoconvert(["-p", "9"], list(refs))
        lat, lon = nolvex.from_mgrs([r.lower() for r in refs])
        for a, b, text in zip(lat, lon, expected):
            ref_lat, ref_lon = map(float, text.split())
            self.assertAlmostEqual(a, ref_lat, delta=1e-9)
            self.assertAlmostEqual(b, ref_lon, delta=1e-9)

    def test_geohash_against_the_published_algorithm(self):
        algorithm = geohash_reference()
        for length in (1, 5, 12, 18):
            got = nolvex.to_geohash(self.LATS, self.LONS, length)
            self.assertEqual(
                list(got), [algorithm.encode(a, b, length)
                            for a, b in zip(self.LATS, self.LONS)])
            lat, lon = nolvex.from_geohash(got)
            for text, a, b in zip(got, lat, lon):
                self.assertEqual((a, b), algorithm.decode(text))
        # Wikipedia's "Geohash"
        self.assertEqual(nolvex.to_geohash(57.64911, 10.40744, 11),
                         "u4pruydqqvj")

    def test_same_as_the_converter(self):
        lines = [f"{a} {b}" for a, b in zip(self.LATS, self.LONS)]
        out, status = convert(["--from", "WGS84", "--to", "mgrs",
                               "--mgrs-precision", "4"], lines)
        self.assertEqual(status, 0)
        self.assertEqual(list(nolvex.to_mgrs(self.LATS, self.LONS, 4)), out)
        out, status = convert(["--from", "mgrs", "--to", "WGS84"], out)
        lat, lon = nolvex.from_mgrs(nolvex.to_mgrs(self.LATS, self.LONS, 4))
        self.assertEqual([" ".join(line.split()[:2]) for line in out],
                         [f"{a} {b}" for a, b in zip(nolvex.write_reals(lat),
                                                     nolvex.write_reals(lon))])

    def test_shapes_series_and_scalars(self):
        self.assertEqual(nolvex.to_mgrs(37.5666, 126.9784), "52SCG2145959650")
        grid = nolvex.to_mgrs(np.full((2, 3), 37.5666),
                              np.full((2, 3), 126.9784), 0)
        self.assertEqual(grid.shape, (2, 3))
        self.assertEqual(grid[1, 2], "52SCG")
        frame = pd.DataFrame({"lat": [37.5666, -33.8688],
                              "lon": [126.9784, 151.2093]}, index=[7, 9])
        refs = nolvex.to_geohash(frame.lat, frame.lon, 6)
        self.assertIsInstance(refs, pd.Series)
        self.assertEqual(list(refs.index), [7, 9])
        self.assertEqual(refs.name, "geohash")
        lat, lon = nolvex.from_geohash(refs)
        self.assertEqual(list(lat.index), [7, 9])
        self.assertEqual((lat.name, lon.name), ("latitude", "longitude"))
        lat, lon = nolvex.from_mgrs("52S CG 21459 59650")
        self.assertIsInstance(lat, float)

    def test_failures_per_row(self):
        with self.assertRaises(nolvex.TransformError) as caught:
            nolvex.to_mgrs([37.5, 91, -95], [127, 0, 0])
        self.assertEqual(sorted(caught.exception.errors), [1, 2])
        self.assertEqual(caught.exception.errors[1],
                         "latitude 91 is outside -90 to 90")
        result = nolvex.to_mgrs([37.5, 91], [127, 0], on_error="nan")
        (refs,) = result
        self.assertIsNone(refs[1])
        self.assertEqual(result.errors, {1: "latitude 91 is outside -90 to 90"})
        result = nolvex.from_mgrs(["52SCG2145959650", "52SIG2145959650",
                                   None], on_error="nan")
        lat, lon = result
        self.assertTrue(np.isnan(lat[1]) and np.isnan(lon[2]))
        self.assertEqual(result.errors[1],
                         "'52SIG2145959650' is not an MGRS reference: column "
                         "letter I not in zone 52 set ABCDEFGH")
        self.assertEqual(result.errors[2],
                         "'' is not an MGRS reference: it is empty")
        with self.assertRaises(nolvex.TransformError) as caught:
            nolvex.from_geohash(["ezs42", "u4pa"])
        self.assertEqual(caught.exception.errors,
                         {1: "'u4pa' is not a geohash: 'a' is not in the "
                             "geohash alphabet (0-9 and b-z but i, l and o)"})
        result = nolvex.from_geohash(np.array([["ezs42", "u4pa"]]),
                                     on_error="nan")
        self.assertEqual(list(result.errors), [(0, 1)])
        for call, value in ((nolvex.to_mgrs, 12), (nolvex.to_geohash, 0)):
            with self.assertRaises(ValueError):
                call(1.0, 2.0, value)
        with self.assertRaises(ValueError):
            nolvex.to_mgrs(1.0, 2.0, on_error="ignore")


if __name__ == "__main__":
    unittest.main()
