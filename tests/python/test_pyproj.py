"""The module against pyproj (Debian's python3-pyproj, on the same PROJ):
the same pairs of systems, called the same way, give the same bits, in both
axis orders and both directions; where the module refuses a point, the
point is one that only a ballpark operation covers, and with
allow_ballpark=True it gives pyproj's bits there too. Operations, axes and
areas against what pyproj reads from PROJ."""

import unittest
import warnings

import numpy as np
import pyproj
from pyproj.transformer import TransformerGroup

import nolvex

# (source, target): polar, south-oriented, grads, geocentric, a geoid, routes
# through another datum, several candidates, grids that are not installed.
PAIRS = [
    ("EPSG:4326", "EPSG:5186"),        # Korean belt, through a datum change
    ("EPSG:4326", "EPSG:3857"),
    ("EPSG:4301", "EPSG:4326"),        # five candidates
    ("EPSG:4326", "EPSG:32652"),
    ("EPSG:4326", "EPSG:5179"),
    ("EPSG:4326", "EPSG:3031"),        # polar: both axes "north"
    ("EPSG:4326", "EPSG:5041"),        # polar: both axes "south"
    ("EPSG:4326", "EPSG:3413"),        # polar, X and Y
    ("EPSG:4326", "EPSG:2053"),        # south-oriented: westing, southing
    ("EPSG:4979", "EPSG:4978"),        # geocentric
    ("EPSG:4979", "EPSG:4326+5773"),   # EGM96 geoid
    ("EPSG:4326", "EPSG:27700"),       # OSTN15 not installed: Helmert, ballpark
    ("EPSG:4267", "EPSG:4269"),        # NADCON grids not installed
    ("EPSG:4326", "EPSG:2193"),
    ("EPSG:4258", "EPSG:3035"),        # northing first
    ("EPSG:4326", "EPSG:32756"),
    ("EPSG:4326", "EPSG:2056"),
    ("EPSG:5174", "EPSG:5186"),        # projected to projected
    ("EPSG:4807", "EPSG:4326"),        # grads
    ("EPSG:4326", "EPSG:28992"),
]

BALLPARK_ONLY = "only a ballpark operation covers the point"


def area(code):
    crs = pyproj.CRS(code)
    if crs.area_of_use is None:
        crs = crs.sub_crs_list[0]
    return crs.area_of_use.bounds


def sample(source, target, n, seed):
    """n points where both systems hold, by pyproj: the source's values in
    its own order and east first, and heights (metres) in the source."""
    w1, s1, e1, n1 = area(source)
    w2, s2, e2, n2 = area(target)
    west, south, east, north = max(w1, w2), max(s1, s2), min(e1, e2), \
        min(n1, n2)
    if east < west:  # an area across the antimeridian: its American part
        west, east = -170.0, -60.0
    rng = np.random.default_rng(seed)
    lon = rng.uniform(west, east, n)
    lat = rng.uniform(south, north, n)
    h = rng.uniform(-50, 2500, n)
    crs = pyproj.CRS(source)
    three = crs if len(crs.axis_info) >= 3 else crs.to_3d()
    x, y, z = pyproj.Transformer.from_crs(
        "EPSG:4979", three, always_xy=True).transform(lon, lat, h)
    own = pyproj.Transformer.from_crs("EPSG:4979", three).transform(
        lat, lon, h)
    return (own[0], own[1], own[2]), (x, y, z)


def quietly(call, *args, **kwargs):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", nolvex.NolvexWarning)
        return call(*args, **kwargs)


class SameBitsAsPyproj(unittest.TestCase):
    def check(self, ours, theirs, label):
        """Bit for bit where both converted; where pyproj could not, the
        module failed too; where only the module failed, only a ballpark
        operation covers the point."""
        errors = ours.errors
        finite = np.isfinite(theirs[0]) & np.isfinite(theirs[1])
        refused = np.zeros(len(finite), dtype=bool)
        refused[list(errors)] = True
        for i in np.flatnonzero(refused & finite):
            self.assertIn(BALLPARK_ONLY, errors[i], f"{label}, point {i}")
        self.assertEqual(set(np.flatnonzero(~finite)) - set(errors), set(),
                         label)
        same = finite & ~refused
        self.assertGreater(same.sum(), len(same) // 2, label)
        for k, (a, b) in enumerate(zip(ours, theirs)):
            np.testing.assert_array_equal(np.asarray(a)[same],
                                          np.asarray(b)[same],
                                          err_msg=f"{label}, value {k}")
        return refused & finite

    def test_forward_in_each_axis_order(self):
        for source, target in PAIRS:
            own, east_first = sample(source, target, 1500, 20240611)
            for xy, values in ((False, own), (True, east_first)):
                label = f"{source} -> {target}, always_xy={xy}"
                with self.subTest(label):
                    theirs = pyproj.Transformer.from_crs(
                        source, target, always_xy=xy).transform(*values)
                    ours = quietly(nolvex.Transformer.from_crs(
                        source, target, always_xy=xy).transform, *values,
                        on_error="nan")
                    refused = self.check(ours, theirs, label)
                    if refused.any():
                        # pyproj allows ballpark operations by default.
                        allowed = quietly(nolvex.Transformer.from_crs(
                            source, target, always_xy=xy,
                            allow_ballpark=True).transform, *values,
                            on_error="nan")
                        self.assertFalse(self.check(allowed, theirs, label)
                                         .any(), label)

    def test_inverse_direction(self):
        # The inverse is the conversion from the target to the source, as
        # PROJ sets it up that way round: pyproj's transformer that way
        # round has its bits; pyproj's INVERSE runs the forward operation
        # backwards, which agrees to rounding.
        for source, target in PAIRS:
            own, _ = sample(source, target, 500, 1861)
            forward = pyproj.Transformer.from_crs(source, target)
            values = forward.transform(*own)
            label = f"{source} <- {target}"
            with self.subTest(label):
                ours = quietly(nolvex.Transformer(source, target).transform,
                               *values, direction="INVERSE", on_error="nan")
                self.check(ours, pyproj.Transformer.from_crs(
                    target, source).transform(*values), label)
                backwards = forward.transform(*values, direction="INVERSE")
                ok = np.isfinite(np.asarray(ours[0]))
                angular = pyproj.CRS(source).is_geographic
                for k, (a, b) in enumerate(zip(ours, backwards)):
                    tolerance = 1e-9 if angular and k < 2 else 1e-6
                    np.testing.assert_allclose(
                        np.asarray(a)[ok], np.asarray(b)[ok], rtol=0,
                        atol=tolerance, err_msg=f"{label}, value {k}")

    def test_two_values_give_two(self):
        for source, target in [("EPSG:4326", "EPSG:5186"),
                               ("EPSG:4326", "EPSG:2053"),
                               ("EPSG:4326", "EPSG:3031")]:
            own, _ = sample(source, target, 200, 7)
            theirs = pyproj.Transformer.from_crs(source, target).transform(
                own[0], own[1])
            ours = nolvex.Transformer(source, target).transform(own[0], own[1])
            self.assertEqual(len(ours), 2)
            for a, b in zip(ours, theirs):
                np.testing.assert_array_equal(a, b)

    def test_scalars_one_by_one(self):
        for source, target in [("EPSG:4326", "EPSG:3857"),
                               ("EPSG:4301", "EPSG:4326"),
                               ("EPSG:4979", "EPSG:4978")]:
            own, _ = sample(source, target, 20, 3)
            p = pyproj.Transformer.from_crs(source, target)
            t = nolvex.Transformer(source, target)
            three = len(pyproj.CRS(source).axis_info) == 3
            for x, y, z in zip(*(v.tolist() for v in own)):
                with self.subTest(f"{source} -> {target}", point=(x, y)):
                    # A 3D source into a 3D target takes each point's
                    # height: the converter's rule, where pyproj takes 0.
                    if not three:
                        self.assertEqual(t.transform(x, y),
                                         p.transform(x, y))
                    self.assertEqual(t.transform(x, y, z),
                                     p.transform(x, y, z))

    def test_codes_and_crs_objects_give_the_same_bits(self):
        own, _ = sample("EPSG:4326", "EPSG:5186", 300, 11)
        theirs = pyproj.Transformer.from_crs(4326, 5186).transform(*own)
        for source, target in [(4326, 5186),
                               (pyproj.CRS(4326), pyproj.CRS(5186)),
                               (pyproj.CRS("EPSG:4326"), "EPSG:5186")]:
            with self.subTest(source=repr(source), target=repr(target)):
                ours = nolvex.Transformer(source, target).transform(*own)
                for a, b in zip(ours, theirs):
                    np.testing.assert_array_equal(a, b)


class WhatPyprojReadsFromProj(unittest.TestCase):
    def test_operations_are_projs_candidates(self):
        for source, target in [("EPSG:4301", "EPSG:4326"),
                               ("EPSG:4326", "EPSG:5186")]:
            with self.subTest(f"{source} -> {target}"):
                group = TransformerGroup(source, target)
                ours = nolvex.Transformer(source, target).operations()
                self.assertEqual([op.name for op in ours],
                                 [t.description for t in group.transformers])
                for op, t in zip(ours, group.transformers):
                    self.assertEqual(op.accuracy, t.accuracy
                                     if t.accuracy >= 0 else None)
                    self.assertEqual(op.area[1:], t.area_of_use.bounds)
                    self.assertFalse(op.ballpark)

    def test_operations_used_are_counted_per_point(self):
        # Which candidate converted each point, by pyproj: the one whose
        # own result has the module's bits.
        own, _ = sample("EPSG:4301", "EPSG:4326", 400, 5)
        t = nolvex.Transformer("EPSG:4301", "EPSG:4326")
        result = quietly(t.transform, own[0], own[1],
                         return_operations=True)
        expected = {}
        for op in t.operations():
            alone = pyproj.Transformer.from_pipeline(op.id)
            a, b = alone.transform(own[0], own[1])
            hit = (a == result[0]) & (b == result[1])
            if hit.any():
                expected[op.id] = int(hit.sum())
        self.assertEqual({op.id: count for op, count in result.operations},
                         expected)
        self.assertEqual(sum(expected.values()), len(own[0]))

    def test_axes_are_projs(self):
        # pyproj's systems of a transformer with always_xy are PROJ's
        # normalized ones: their axes in the east-first order.
        for source, target in [("EPSG:4326", "EPSG:5186"),
                               ("EPSG:4326", "EPSG:3031"),
                               ("EPSG:4326", "EPSG:5041"),
                               ("EPSG:4326", "EPSG:2053"),
                               ("EPSG:4807", "EPSG:4979")]:
            for xy in (False, True):
                with self.subTest(f"{source} -> {target}", always_xy=xy):
                    t = nolvex.Transformer(source, target, always_xy=xy)
                    p = pyproj.Transformer.from_crs(source, target,
                                                    always_xy=xy)
                    for ours, crs in ((t.source_axes, p.source_crs),
                                      (t.target_axes, p.target_crs)):
                        theirs = crs.axis_info
                        self.assertEqual(
                            [(a.proj_name, a.direction, a.unit)
                             for a in ours[:len(theirs)]],
                            [(a.name, a.direction, a.unit_name)
                             for a in theirs])


if __name__ == "__main__":
    unittest.main()
