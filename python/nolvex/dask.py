"""Conversions of Dask DataFrames, partition by partition.

    import dask.dataframe as dd
    import nolvex.dask
    df = dd.read_csv("points-*.csv")
    out = nolvex.dask.transform(df, "EPSG:4326", "EPSG:5186",
                                columns=["lat", "lon"])
    out.to_csv("out-*.csv")

Each worker process builds its Transformer once and shares it between its
threads; each partition is converted on the thread that runs it, Dask
giving the parallelism. With a dask.distributed Client the same code runs
on a real cluster; only the scheduler's address changes.
"""

import threading

import numpy as _np
import pandas as _pd

from . import Transformer

__all__ = ["transform"]

# The Transformers of this process, by their arguments: any thread may use
# one.
_transformers = {}
_lock = threading.Lock()


def _transformer(source, target, options):
    key = (source, target, tuple(sorted(options.items())))
    t = _transformers.get(key)
    if t is None:
        with _lock:
            t = _transformers.get(key)
            if t is None:
                t = _transformers[key] = Transformer(source, target,
                                                     **options)
    return t


def _values(column):
    """A column as float64, a missing value as NaN (a float64 column as it
    is, without a copy)."""
    if column.dtype == _np.float64:
        return column.to_numpy()
    return column.to_numpy(dtype=_np.float64, na_value=_np.nan)


def _partition(df, source, target, columns, names, error_column, options):
    t = _transformer(source, target, options)
    values = [_values(df[c]) for c in columns]
    a, b, h, codes, texts = t._core.convert_rows(
        values[0], values[1], values[2] if len(values) == 3 else None)
    out = df.copy(deep=False)
    for name, column in zip(names, (a, b, h)):
        out[name] = column
    # A categorical column: rows repeat a few texts, and a million of them
    # are gathered and joined much faster than as Python strings.
    out[error_column] = _pd.Categorical.from_codes(
        codes, categories=_pd.Index(texts, dtype=object))
    return out


def transform(ddf, source, target, columns, *, output_columns=None,
              suffix=None, error_column="error", **options):
    """Converts the columns `columns` of Dask DataFrame `ddf` (the source's
    values in its order, or east first with always_xy=True: two or three
    columns) from `source` to `target`, as nolvex-convert does, into new
    columns; the frame's own columns, their dtypes and its index stay as
    they are.

        >>> out = nolvex.dask.transform(ddf, 4326, 5186,
        ...                             columns=["lat", "lon", "h"])
        >>> out = nolvex.dask.transform(ddf, 4326, 5186, columns=["lat", "lon"],
        ...                             suffix="_5186")

    The values go to columns named after the target's axes ("northing",
    "easting", "height"), as many as `columns`, or to `output_columns`;
    `suffix` is appended to each new column's name. Column `error_column`
    holds each row's note: a failed point's message (its values NaN), or
    what a converted point met (outside the area of use, a ballpark
    operation, a missing better grid), or nothing (NaN) for the others: a
    categorical column, since rows repeat a few texts (``.astype(str)``
    makes plain strings of them). A new column whose name the frame
    already has is refused: nothing is overwritten. Options as Transformer
    takes them.
    """
    columns = list(columns)
    if len(columns) not in (2, 3):
        raise ValueError("columns takes the source's two or three values")
    absent = [c for c in columns if c not in ddf.columns]
    if absent:
        raise ValueError(f"columns: the frame has no column {absent}")
    # Set up here first: a fault shows before any worker runs.
    probe = Transformer(source, target, **options)
    if output_columns is None:
        names = [axis.name for axis in probe.target_axes][:len(columns)]
    else:
        names = list(output_columns)
        if len(names) != len(columns):
            raise ValueError(f"output_columns takes {len(columns)} names, "
                             f"one per column of columns")
    if suffix is not None:
        if not isinstance(suffix, str):
            raise TypeError("suffix takes a str")
        names = [f"{name}{suffix}" for name in names]
        error_column = f"{error_column}{suffix}"
    new = names + [error_column]
    twice = sorted({str(n) for n in new if new.count(n) > 1})
    if twice:
        raise ValueError(f"the new columns would have the name {twice} "
                         "twice: output_columns or error_column names them")
    clash = [n for n in new if n in ddf.columns]
    if clash:
        raise ValueError(f"the frame has columns named {clash} already: "
                         "suffix= or output_columns= (and error_column=) "
                         "give the new columns other names")
    from dask.dataframe.utils import clear_known_categories
    meta = ddf._meta.copy(deep=False)
    for name in names:
        meta[name] = _np.array([], dtype=_np.float64)
    # Each partition has the categories of its own texts.
    meta[error_column] = _pd.Categorical([])
    meta = clear_known_categories(meta, cols=[error_column], index=False)
    return ddf.map_partitions(_partition, probe._source, probe._target,
                              columns, names, error_column, dict(options),
                              meta=meta)
