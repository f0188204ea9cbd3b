"""Points between datums, grids and reference systems, as nolvex-convert
converts them: the same chain, the same strict reader, the same numbers;
called as pyproj's Transformer is called.

    >>> import nolvex
    >>> t = nolvex.Transformer.from_crs(4326, 5186)
    >>> north, east = t.transform(37.5665, 126.978)
    >>> t = nolvex.Transformer("WGS84", "Tokyo(---)", always_xy=True)
    >>> lon, lat, h = t.transform(lons, lats, heights)

A side is an EPSG code (4326), a text ("EPSG:5186", "EPSG:4326+5773", a
PROJ string, WKT, a catalogue datum with its grid kind: "WGS84",
"Tokyo(---):tm", "WGS84:utm" with to_utm_zone="52N") or a CRS object (a
pyproj.CRS, or anything with to_wkt()). Values come and go in each side's
own axis order, or east first with always_xy=True (see source_axes and
target_axes).

Nothing of a call is kept on a Transformer: one may serve any number of
threads. Failed points raise TransformError (or, with on_error="nan",
become NaN with their messages in the result's errors); points outside the
area of use, converted by a ballpark operation or where a better grid is
missing give a NolvexWarning of their kind.
"""

import itertools as _itertools
import sys as _sys
import threading as _threading
from typing import NamedTuple as _NamedTuple
from typing import Optional as _Optional

import numpy as _np

from ._errors import (BallparkWarning, MissingGridWarning, NolvexWarning,
                      OutsideAreaWarning, TransformError, UnknownSystemError)
from . import _nolvex

__all__ = ["Transformer", "TransformResult", "Axis", "Area", "Operation",
           "CrsInfo", "Datum", "Ellipsoid", "TransformError",
           "UnknownSystemError", "NolvexWarning", "OutsideAreaWarning",
           "BallparkWarning", "MissingGridWarning", "read_points",
           "write_reals", "proj_version", "list_crs", "list_datums",
           "list_ellipsoids", "to_mgrs", "from_mgrs", "to_geohash",
           "from_geohash"]


class Axis(_NamedTuple):
    """One axis of a side, in the order the values come and go."""
    name: str           #: as a heading names it: "latitude", "northing", "egm96_height"
    proj_name: str      #: PROJ's name: "Geodetic latitude", "Northing"
    abbreviation: str   #: "Lat", "X"
    direction: str      #: "north", "east", "south", "west", "up"
    unit: str           #: "degree", "metre", "grad", "US survey foot"


class Area(_NamedTuple):
    """An area of use: its name and its box in degrees (west may be above
    east across the antimeridian)."""
    name: str
    west: float
    south: float
    east: float
    north: float


class Operation(_NamedTuple):
    """One operation a Transformer may use."""
    name: str
    id: str                      #: "EPSG:15484"; "" when it has none
    accuracy: _Optional[float]   #: metres; None when unknown
    area: _Optional[Area]        #: None when unknown
    ballpark: bool               #: no published transformation: a guess
    grids: tuple                 #: the grid files it reads
    pipeline: str                #: as a PROJ pipeline, in the values' order


class CrsInfo(_NamedTuple):
    """A system of PROJ's database, as list_crs finds it."""
    id: str
    name: str
    kind: str        #: "Geographic 2D", "Projected", "Compound", ...
    area: str        #: its areas of use by their short names
    deprecated: bool


class Datum(_NamedTuple):
    """A datum of the catalogue, with its shift to WGS 84 in metres."""
    index: int
    text: str
    code: str
    ellipsoid: str
    dx: float
    dy: float
    dz: float


class Ellipsoid(_NamedTuple):
    """An ellipsoid of the catalogue: semi-major axis (m), inverse
    flattening."""
    index: int
    text: str
    code: str
    a: float
    invf: float


class TransformResult(tuple):
    """The values of one transform call, which unpack like a tuple, with
    what the call met: ``errors`` ({position: message} of the points that
    failed, their values NaN) and ``operations`` (with
    return_operations=True: each operation used with its points, else
    None).

        >>> r = t.transform(lat, lon, on_error="nan")
        >>> north, east = r
        >>> r.errors
        {17: 'latitude 91 is outside -90 to 90'}
    """

    def __new__(cls, values, errors=None, operations=None):
        self = super().__new__(cls, values)
        self.errors = {} if errors is None else errors
        self.operations = operations
        return self

    def __reduce__(self):
        return TransformResult, (tuple(self), self.errors, self.operations)

    def __repr__(self):
        return (f"TransformResult({tuple.__repr__(self)}, "
                f"errors={self.errors!r}, operations={self.operations!r})")


_SCALARS = frozenset((float, int))


def _system_text(keyword, value):
    """A side as the core takes it: a text."""
    if isinstance(value, str):
        return value
    if isinstance(value, (int, _np.integer)) and not isinstance(value, bool):
        if value <= 0:
            raise ValueError(f"{keyword} takes an EPSG code above 0, "
                             f"not {value}")
        return f"EPSG:{int(value)}"
    to_wkt = getattr(value, "to_wkt", None)
    if callable(to_wkt):
        text = to_wkt()
        if not isinstance(text, str) or not text:
            raise ValueError(f"{keyword}: its to_wkt() gives no WKT")
        return text
    raise TypeError(f"{keyword} takes an EPSG code (int), a text "
                    "(\"EPSG:5186\", \"WGS84:utm\") or a CRS (an object with "
                    f"to_wkt()), not {type(value).__name__}")


def _inverse(direction):
    """True for the inverse direction: "FORWARD" or "INVERSE" in any case,
    or pyproj's TransformDirection."""
    text = getattr(direction, "value", direction)
    if isinstance(text, str):
        upper = text.upper()
        if upper == "FORWARD":
            return False
        if upper == "INVERSE":
            return True
    raise ValueError("direction takes \"FORWARD\" or \"INVERSE\", not "
                     f"{direction!r}")


def _series_class():
    pandas = _sys.modules.get("pandas")
    return pandas.Series if pandas is not None else None


def _operation(values):
    name, id_, accuracy, area, ballpark, grids, pipeline = values
    return Operation(name, id_, accuracy, Area(*area) if area else None,
                     ballpark, tuple(grids), pipeline)


def _rebuild(source, target, options):
    return Transformer(source, target, **options)


class Transformer:
    """Points from one system to another, as nolvex-convert converts them.

        >>> t = nolvex.Transformer("EPSG:4326", "EPSG:5186")
        >>> north, east = t.transform(37.5665, 126.978)
        >>> t = nolvex.Transformer(4326, 5186, always_xy=True)
        >>> east, north = t.transform(126.978, 37.5665)

    source, target: an EPSG code (int), a text (what nolvex-convert's sides
    take: "EPSG:5186", "EPSG:4326+5773", a PROJ string, WKT, "WGS84",
    "Tokyo(---):tm", "WGS84:utm"), or a CRS (pyproj.CRS, or any object with
    to_wkt()).

    Options, keywords only: always_xy (pyproj's meaning: the east axis
    first; also lonlat), allow_ballpark, require_best, outside_area ("warn"
    or "error"), height (one height for every point), utm_zone,
    from_utm_zone, to_utm_zone ("52N"), from_/to_false_easting,
    false_northing, origin_lat, origin_lon, delta_lon, user_ellipsoid
    ("NAME,a,invf"), user_datum ("NAME,ellipsoid,dx,dy,dz").

    A bad keyword is a TypeError or ValueError naming it; a system nobody
    knows an UnknownSystemError (a ValueError and a KeyError). A
    Transformer pickles by these arguments and is built again on
    unpickling. Any number of threads may share one.
    """

    def __init__(self, source, target, **options):
        self._source = _system_text("source", source)
        self._target = _system_text("target", target)
        self._core = _nolvex.Transformer(self._source, self._target,
                                         **options)
        self._options = dict(options)
        self._reverse = None
        self._lock = _threading.Lock()

    @classmethod
    def from_crs(cls, crs_from, crs_to, *, always_xy=False, **options):
        """pyproj's constructor: the same as Transformer(crs_from, crs_to,
        always_xy=always_xy, **options).

            >>> t = nolvex.Transformer.from_crs("EPSG:4326", "EPSG:3857",
            ...                                 always_xy=True)
            >>> x, y = t.transform(126.978, 37.5665)
        """
        return cls(crs_from, crs_to, always_xy=always_xy, **options)

    # ---- converting

    def transform(self, xx, yy, zz=None, direction="FORWARD", *,
                  on_error="raise", threads=1, return_operations=False):
        """Converts points: the source's first, second and (optional) third
        values, in the order the source's axes come (source_axes).

            >>> north, east = t.transform(37.5665, 126.978)
            >>> north, east, h = t.transform(lats, lons, heights)
            >>> lat, lon = t.transform(north, east, direction="INVERSE")
            >>> r = t.transform(lats, lons, on_error="nan")
            >>> r.errors
            {3: 'latitude 91 is outside -90 to 90'}

        Scalars give floats; arrays, lists and tuples numpy arrays of their
        shape; a pandas Series a Series with its index; a masked array a
        masked array with its mask (masked points are not converted, NaN
        under the mask). Two values in give two out, three give three.

        direction: "FORWARD", or "INVERSE" (target to source).
        on_error: "raise" (a failed point raises TransformError, whose
        errors holds every message) or "nan" (NaN for a failed point; the
        call returns a TransformResult with its errors).
        threads: worker threads for large arrays.
        return_operations: the call returns a TransformResult whose
        operations lists each operation used with its points.
        """
        # One point of plain numbers first: many scripts convert point by
        # point in a loop.
        if (type(xx) in _SCALARS and type(yy) in _SCALARS
                and direction == "FORWARD" and on_error == "raise"
                and not return_operations):
            if zz is None:
                return self._core.point(xx, yy)
            if type(zz) in _SCALARS:
                return self._core.point3(xx, yy, zz)
        return self._transform(xx, yy, zz, direction, on_error, threads,
                               return_operations, None, 3)

    def itransform(self, points, switch=False, direction="FORWARD", *,
                   on_error="raise"):
        """Converts an iterable of points of two or three values each,
        yielding a tuple per point; switch=True takes each point's first
        two values the other way round.

            >>> for north, east in t.itransform([(37.5, 127.0), (35.1, 129.0)]):
            ...     print(north, east)
        """
        iterator = iter(points)
        offset = 0
        while True:
            block = list(_itertools.islice(iterator, 4096))
            if not block:
                return
            values = _np.asarray(block, dtype=_np.float64)
            if values.ndim != 2 or values.shape[1] not in (2, 3):
                raise ValueError("itransform takes points of two or three "
                                 "values each")
            first, second = (1, 0) if switch else (0, 1)
            out = self._transform(
                values[:, first], values[:, second],
                values[:, 2] if values.shape[1] == 3 else None, direction,
                on_error, 1, False,
                _np.arange(offset, offset + len(values), dtype=_np.int64), 3)
            offset += len(values)
            yield from zip(*(column.tolist() for column in out))

    def _core_for(self, direction):
        if not _inverse(direction):
            return self._core
        if self._reverse is None:
            with self._lock:
                if self._reverse is None:
                    self._reverse = self._core.reverse()
        return self._reverse

    def _transform(self, xx, yy, zz, direction, on_error, threads,
                   return_operations, positions, stacklevel):
        core = self._core_for(direction)
        if on_error not in ("raise", "nan"):
            raise ValueError(f"on_error takes \"raise\" or \"nan\", not "
                             f"{on_error!r}")
        if isinstance(threads, bool) or not isinstance(
                threads, (int, _np.integer)):
            raise TypeError("threads takes an int")
        if not isinstance(return_operations, (bool, _np.bool_)):
            raise TypeError("return_operations takes True or False")
        series = _series_class()
        index = None
        masks = []
        arrays = []
        scalar = True
        for keyword, value in zip(("xx", "yy", "zz"),
                                  (xx, yy) if zz is None else (xx, yy, zz)):
            if series is not None and isinstance(value, series):
                if index is None:
                    index = value.index
                value = value.to_numpy(dtype=_np.float64, na_value=_np.nan)
            if _np.ma.isMaskedArray(value):
                masks.append(_np.ma.getmaskarray(value))
                value = _np.ma.getdata(value)
            scalar = scalar and _np.ndim(value) == 0
            try:
                arrays.append(_np.asarray(value, dtype=_np.float64))
            except (TypeError, ValueError) as e:
                raise TypeError(f"{keyword} takes numbers: {e}") from None
        shape = arrays[0].shape
        for keyword, array in zip(("yy", "zz"), arrays[1:]):
            if array.shape != shape:
                raise ValueError(f"{keyword} has the shape {array.shape}, xx "
                                 f"{shape}: they must agree")
        flat = [array.reshape(-1) for array in arrays]
        mask = None
        if masks:
            mask = _np.logical_or.reduce(masks) if len(masks) > 1 \
                else masks[0].copy()
            if mask.any():
                kept = _np.flatnonzero(~mask.reshape(-1))
                flat = [values[kept] for values in flat]
                positions = kept if positions is None else positions[kept]
        a, b, h, errors, used = core.convert(
            flat[0], flat[1], flat[2] if len(flat) == 3 else None, threads,
            on_error == "raise", bool(return_operations), shape,
            None if positions is None
            else _np.ascontiguousarray(positions, dtype=_np.int64),
            stacklevel)
        outputs = [a, b] if h is None else [a, b, h]
        if mask is not None and mask.any():
            whole = []
            for values in outputs:
                full = _np.full(mask.size, _np.nan)
                full[kept] = values
                whole.append(full)
            outputs = whole
        outputs = [values.reshape(shape) for values in outputs]
        if mask is not None:
            outputs = [_np.ma.array(values, mask=mask) for values in outputs]
        if scalar:
            outputs = [values[()] if mask is not None else float(values)
                       for values in outputs]
        elif index is not None:
            names = [axis[0] for axis in core.target_axes]
            outputs = [series(values, index=index, name=name)
                       for values, name in zip(outputs, names)]
        if on_error == "nan" or return_operations:
            return TransformResult(
                outputs, errors,
                [(_operation(op), count) for op, count in used]
                if used is not None else None)
        return tuple(outputs)

    # ---- what it does

    @property
    def description(self):
        """What the conversion is: its two sides and the operation (or how
        PROJ chooses among several, point by point).

            >>> nolvex.Transformer(4326, 5186).description
            'WGS 84 (EPSG:4326) to Korea 2000 / Central Belt 2010 (EPSG:5186): ...'
        """
        return self._core.description

    @property
    def source_axes(self):
        """The source's axes in the order its values come: Axis(name,
        proj_name, abbreviation, direction, unit).

            >>> [a.name for a in nolvex.Transformer(4326, 5186).source_axes]
            ['latitude', 'longitude', 'height']
        """
        return [Axis(*axis) for axis in self._core.source_axes]

    @property
    def target_axes(self):
        """The target's axes in the order its values come (see
        source_axes).

            >>> [a.direction for a in nolvex.Transformer(4326, 5186).target_axes]
            ['north', 'east', 'up']
        """
        return [Axis(*axis) for axis in self._core.target_axes]

    def operations(self):
        """The operations this Transformer chooses among, point by point:
        PROJ's candidates with their areas of use and accuracies, or the
        catalogue's own datum shift.

            >>> for op in nolvex.Transformer(4301, 4326).operations():
            ...     print(op.id, op.accuracy, op.area.name)
        """
        return [_operation(op) for op in self._core.operations()]

    @property
    def errors(self):
        raise AttributeError(
            "a Transformer keeps nothing of a call: on_error=\"nan\" returns "
            "the call's errors with its values (result.errors), and "
            "TransformError carries them with on_error=\"raise\"")

    def __repr__(self):
        def axes(items):
            return ", ".join(f"{a.name} ({a.direction}, {a.unit})"
                             for a in items)
        xy = self._options.get("always_xy", self._options.get(
            "lonlat", self._options.get("easting_first", False)))
        return (f"<nolvex.Transformer>\n"
                f"Description: {self.description}\n"
                f"Source axes: {axes(self.source_axes)}\n"
                f"Target axes: {axes(self.target_axes)}\n"
                f"Always xy: {bool(xy)}")

    def __reduce__(self):
        return _rebuild, (self._source, self._target, self._options)


def read_points(texts, longitude_first=False):
    """Reads texts as points with the converter's strict reader (decimal
    degrees, DMS with hemisphere letters, ...). Returns latitude,
    longitude and height arrays (NaN for a text that fails, height 0 where
    none is given) and a list of (index, message) of the failures.

        >>> lat, lon, h, errors = nolvex.read_points(["37 30 0 N 127 0 0 E"])
    """
    texts = [str(t) for t in texts]
    for i, text in enumerate(texts):
        if "\0" in text:
            raise ValueError(f"texts: text {i} holds a NUL character")
    return _nolvex.read_points(texts, longitude_first)


def write_reals(values):
    """The converter's texts of values: 15 significant digits, '.' as the
    decimal point ('' for NaN).

        >>> nolvex.write_reals([0.1 + 0.2])
        ['0.3']
    """
    return _nolvex.write_reals(
        _np.ascontiguousarray(_np.asarray(values, dtype=_np.float64)))


# ---- references: MGRS and geohashes

def _check_on_error(on_error):
    if on_error not in ("raise", "nan"):
        raise ValueError(f"on_error takes \"raise\" or \"nan\", not "
                         f"{on_error!r}")


def _check_size(keyword, value, low, high):
    if isinstance(value, bool) or not isinstance(value, (int, _np.integer)):
        raise TypeError(f"{keyword} takes an int")
    if not low <= value <= high:
        raise ValueError(f"{keyword} takes {low} to {high}, not {value}")


def _to_references(mgrs, name, lat, lon, size, on_error):
    _check_on_error(on_error)
    series = _series_class()
    index = None
    arrays = []
    for keyword, value in (("lat", lat), ("lon", lon)):
        if series is not None and isinstance(value, series):
            if index is None:
                index = value.index
            value = value.to_numpy(dtype=_np.float64, na_value=_np.nan)
        try:
            arrays.append(_np.asarray(value, dtype=_np.float64))
        except (TypeError, ValueError) as e:
            raise TypeError(f"{keyword} takes numbers: {e}") from None
    shape = arrays[0].shape
    if arrays[1].shape != shape:
        raise ValueError(f"lon has the shape {arrays[1].shape}, lat "
                         f"{shape}: they must agree")
    texts, errors = _nolvex.to_references(
        mgrs, _np.ascontiguousarray(arrays[0].reshape(-1)),
        _np.ascontiguousarray(arrays[1].reshape(-1)), size,
        on_error == "raise", shape)
    if shape == ():
        out = texts[0]
    elif index is not None:
        out = series(texts, index=index, name=name, dtype=object)
    else:
        out = _np.empty(len(texts), dtype=object)
        out[:] = texts
        out = out.reshape(shape)
    if on_error == "nan":
        return TransformResult([out], errors)
    return out


def _from_references(mgrs, keyword, texts, on_error):
    _check_on_error(on_error)
    series = _series_class()
    index = None
    if isinstance(texts, str):
        items, shape = [texts], ()
    else:
        if series is not None and isinstance(texts, series):
            index = texts.index
        array = _np.asarray(texts, dtype=object)
        shape = array.shape
        items = list(array.reshape(-1))
    strings = []
    for i, item in enumerate(items):
        if isinstance(item, str) and "\0" in item:
            raise ValueError(f"{keyword}: text {i} holds a NUL character")
        # a missing value (None, NaN) is a text that names nothing
        strings.append(item if isinstance(item, str) else "")
    lat, lon, errors = _nolvex.from_references(mgrs, strings,
                                               on_error == "raise", shape)
    if shape == ():
        outputs = [float(lat[0]), float(lon[0])]
    elif index is not None:
        outputs = [series(lat, index=index, name="latitude"),
                   series(lon, index=index, name="longitude")]
    else:
        outputs = [lat.reshape(shape), lon.reshape(shape)]
    if on_error == "nan":
        return TransformResult(outputs, errors)
    return tuple(outputs)


def to_mgrs(lat, lon, precision=5, *, on_error="raise"):
    """MGRS references of points on WGS 84 (latitude, longitude in degrees;
    numbers, NumPy arrays or pandas Series): each in its standard zone
    (Norway and Svalbard included, UPS beyond 84 N and 80 S), with
    precision digits a coordinate (0, the 100 km square, to 11; 5 is the
    1 m square, as GeoConvert -p precision-5 writes it), truncated: the
    square that holds the point. A point on another datum or system is
    carried to WGS 84 first (Transformer(..., 4326)).

        >>> nolvex.to_mgrs(37.5666, 126.9784)
        '52SCG2145959650'
        >>> refs, = r = nolvex.to_mgrs(lats, lons, 4, on_error="nan")
        >>> r.errors
        {3: 'latitude 91 is outside -90 to 90'}

    Returns a str for numbers, an array of str (dtype object) of the
    inputs' shape, or a Series named "mgrs" on the inputs' index. A point
    that fails raises TransformError (its errors hold every message), or
    with on_error="nan" is None, and the result (a TransformResult of the
    one array) holds the messages in errors.
    """
    _check_size("precision", precision, 0, 11)
    return _to_references(True, "mgrs", lat, lon, int(precision), on_error)


def from_mgrs(references, *, on_error="raise"):
    """Latitudes and longitudes (degrees, WGS 84) of MGRS references, each
    the centre of its square, as GeoConvert reads one: "52SCG2145959650",
    "52S CG 21459 59650", either case; a str, a sequence, an array or a
    Series of them.

        >>> lat, lon = nolvex.from_mgrs("52S CG 21459 59650")
        >>> r = nolvex.from_mgrs(refs, on_error="nan")
        >>> r.errors
        {1: "'52SIG2145959650' is not an MGRS reference: column letter I not in zone 52 set ABCDEFGH"}

    A reference that cannot be read raises TransformError, or with
    on_error="nan" gives NaN and its message in the result's errors.
    """
    return _from_references(True, "references", references, on_error)


def to_geohash(lat, lon, length=12, *, on_error="raise"):
    """Geohashes of length characters (1 to 18) of points on WGS 84
    (degrees), as to_mgrs takes them and gives them back (a Series named
    "geohash").

        >>> nolvex.to_geohash(57.64911, 10.40744, 11)
        'u4pruydqqvj'
    """
    _check_size("length", length, 1, 18)
    return _to_references(False, "geohash", lat, lon, int(length), on_error)


def from_geohash(geohashes, *, on_error="raise"):
    """Latitudes and longitudes (degrees, WGS 84) of geohashes, each the
    centre of its cell (either case, blanks ignored), as from_mgrs gives
    them.

        >>> lat, lon = nolvex.from_geohash("u4pruydqqvj")
    """
    return _from_references(False, "geohashes", geohashes, on_error)


def proj_version():
    """PROJ's release and its EPSG database's version.

        >>> nolvex.proj_version()
        'PROJ Rel. 9.1.1, December 1st, 2022, EPSG database v10.076'
    """
    return _nolvex.proj_version()


def list_crs(filter="", deprecated=False):
    """The systems of PROJ's database whose code, name or area of use holds
    filter (case ignored): those whose code or name holds it first.

        >>> [c.id for c in nolvex.list_crs("korea 2000 / central belt")]
        ['EPSG:5181', 'EPSG:5182', 'EPSG:5186']
    """
    if not isinstance(filter, str):
        raise TypeError("filter takes a str")
    return [CrsInfo(*row) for row in _nolvex.list_crs(filter,
                                                      bool(deprecated))]


def list_datums():
    """The catalogue's datums, by index, with their shifts to WGS 84.

        >>> nolvex.list_datums()[125].text
        'Tokyo(---)'
    """
    return [Datum(*row) for row in _nolvex.list_datums()]


def list_ellipsoids():
    """The catalogue's ellipsoids, by index.

        >>> nolvex.list_ellipsoids()[0].text
        'User Ellipsoid'
    """
    return [Ellipsoid(*row) for row in _nolvex.list_ellipsoids()]
