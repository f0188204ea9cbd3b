"""Conversions of Dask DataFrames, partition by partition.

    import dask.dataframe as dd
    import nolvex.dask
    df = dd.read_csv("points-*.csv")
    out = nolvex.dask.transform(df, "EPSG:4326", "EPSG:5186",
                                columns=["lat", "lon"])
    out.to_csv("out-*.csv")

Each worker thread builds its own Transformer, once, and converts on one
thread: Dask runs the partitions in parallel. With a dask.distributed
Client the same code runs on a real cluster; only the scheduler's address
changes.
"""

import threading

import numpy as _np

from . import Transformer

__all__ = ["transform"]

_local = threading.local()


def _transformer(source, target, options):
    cache = getattr(_local, "transformers", None)
    if cache is None:
        cache = _local.transformers = {}
    key = (source, target, tuple(sorted(options.items())))
    if key not in cache:
        cache[key] = Transformer(source, target, **options)
    return cache[key]


def _partition(df, source, target, columns, names, options):
    t = _transformer(source, target, options)
    values = [df[c].to_numpy(dtype=_np.float64) for c in columns]
    a, b, h = t.transform(values[0], values[1],
                          values[2] if len(values) > 2 else None,
                          threads=1, on_error="nan")
    out = df.copy()
    for name, column in zip(names, (a, b, h)):
        out[name] = column
    errors = t.errors
    out["error"] = [errors.get(i) for i in range(len(df))] if errors \
        else [None] * len(df)
    return out


def transform(ddf, source, target, columns, names=None, **options):
    """Converts the columns `columns` (the source's values in its order,
    two or three) of Dask DataFrame `ddf` from `source` to `target`, as
    nolvex-convert does. The results go to columns `names` (default: the
    target's axes, as nolvex-convert's heading names them); an "error"
    column holds each failed point's message (its values NaN), so that no
    failure is silent. Options as Transformer takes them."""
    if len(columns) not in (2, 3):
        raise ValueError("columns takes the source's two or three values")
    probe = Transformer(source, target, **options)
    if names is None:
        names = probe.target_axes
    meta = ddf._meta.copy()
    for name in names:
        meta[name] = _np.float64()
    meta["error"] = object()
    meta = meta.astype({name: _np.float64 for name in names})
    meta["error"] = meta["error"].astype(object)
    return ddf.map_partitions(_partition, source, target, list(columns),
                              list(names), dict(options), meta=meta)
