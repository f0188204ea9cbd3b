"""Points between datums, grids and reference systems, as nolvex-convert
converts them: the same chain, the same strict reader, the same numbers.

    import nolvex
    t = nolvex.Transformer("EPSG:4326", "EPSG:5186")
    north, east, h = t.transform(lat, lon)

A Transformer takes what nolvex-convert's --from and --to take: catalogue
datums with grid kinds ("WGS84", "Tokyo(---):tm", "WGS84:utm" with
to_utm_zone="52N") and any system PROJ knows ("EPSG:5186",
"EPSG:4326+5773", a PROJ string). Values come and go in each side's own axis
order (see source_axes and target_axes).
"""

import numpy as _np

from . import _nolvex

__all__ = ["Transformer", "read_points", "write_reals", "proj_version"]


class Transformer:
    """Points from one system to another (see the module's text).

    Options as nolvex-convert names them, with '_' for '-': utm_zone,
    from_utm_zone, to_utm_zone, from_false_easting, to_origin_lon, ...,
    user_ellipsoid, user_datum, lonlat (east axis first), allow_ballpark,
    require_best, outside_area ("warn" or "error").

    A Transformer is not pickled: each worker builds its own (as
    nolvex.dask does).
    """

    def __init__(self, source, target, **options):
        self._source = source
        self._target = target
        self._core = _nolvex.Transformer(source, target, **options)

    def transform(self, a, b, h=None, threads=1, on_error="raise"):
        """Converts arrays (numpy arrays or pandas Series, as float64) of
        the source's first, second and third values; returns three numpy
        arrays in the target's order. threads: worker threads for large
        arrays. on_error: "raise" (ValueError with the first message) or
        "nan" (NaN for a failed point, its message in errors)."""
        a = _np.ascontiguousarray(_np.asarray(a, dtype=_np.float64))
        b = _np.ascontiguousarray(_np.asarray(b, dtype=_np.float64))
        if h is not None:
            h = _np.ascontiguousarray(_np.asarray(h, dtype=_np.float64))
        return self._core.transform(a, b, h, threads, on_error)

    @property
    def errors(self):
        """{index: message} of the points the last transform refused."""
        return dict(self._core.errors)

    @property
    def source_axes(self):
        return list(self._core.source_axes)

    @property
    def target_axes(self):
        return list(self._core.target_axes)

    def __reduce__(self):
        raise TypeError("a nolvex.Transformer is not pickled: build one in "
                        "each worker (nolvex.dask.transform does)")

    def __repr__(self):
        return f"nolvex.Transformer({self._source!r}, {self._target!r})"


def read_points(texts, longitude_first=False):
    """Reads texts as points with the converter's strict reader (decimal
    degrees, DMS with hemisphere letters, ...). Returns latitude,
    longitude and height arrays (NaN for a text that fails, height 0 where
    none is given) and a list of (index, message) of the failures."""
    return _nolvex.read_points([str(t) for t in texts], longitude_first)


def write_reals(values):
    """The converter's texts of values: 15 significant digits, '.' as the
    decimal point ('' for NaN)."""
    return _nolvex.write_reals(
        _np.ascontiguousarray(_np.asarray(values, dtype=_np.float64)))


def proj_version():
    """PROJ's release and its EPSG database's version."""
    return _nolvex.proj_version()
