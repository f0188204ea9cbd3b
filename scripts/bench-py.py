#!/usr/bin/python3
"""Times the Python module nolvex against pyproj.Transformer (Debian's
python3-pyproj, on the same PROJ), in interleaved rounds, medians and
ratios:

- 1,000,000 points per job, with one thread and two: the catalogue job
  WGS 84 -> Tokyo(---), and the PROJ jobs EPSG:4326 -> EPSG:5186,
  EPSG:4326 -> EPSG:3857 and EPSG:4301 -> EPSG:4326 (five candidates);
- a call per point (Python floats in and out), on the same jobs;
- nolvex.dask.transform against a pyproj map_partitions doing the same job
  (the same three columns), on the same LocalCluster (two worker processes
  of one thread) and the same persisted partitions: persisted on the
  workers, and computed back to the client.

    bench-py.py BUILD_PYTHON_DIR [ROUNDS]
"""

import os
import statistics
import sys
import time
import warnings

sys.path.insert(0, sys.argv[1])
# The cluster's worker processes import the module too.
os.environ["PYTHONPATH"] = os.pathsep.join(
    [os.path.abspath(sys.argv[1])] +
    [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p])

import numpy as np  # noqa: E402
import pandas as pd  # noqa: E402
import pyproj  # noqa: E402

import nolvex  # noqa: E402
import nolvex.dask  # noqa: E402

ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 9
N = 1_000_000
POINT_CALLS = 20_000
PARTITIONS = 8

# WGS 84 -> Tokyo(---) in PROJ: the standard Molodensky formulas with the
# datum's constants negated, on WGS 84.
TOKYO_PIPELINE = (
    "+proj=pipeline +step +proj=axisswap +order=2,1 +step +proj=unitconvert "
    "+xy_in=deg +xy_out=rad +step +proj=molodensky +ellps=WGS84 "
    "+dx=105.627 +dy=-462.37 +dz=-643.258 +da=-739.845 "
    "+df=-1.0037482572674596e-05 +step +proj=unitconvert +xy_in=rad "
    "+xy_out=deg +step +proj=axisswap +order=2,1")

# job: (nolvex's sides, pyproj's transformer as text, unit of differences)
JOBS = {
    "tokyo": (("WGS84", "Tokyo(---)"), TOKYO_PIPELINE, "degrees"),
    "kgd": (("EPSG:4326", "EPSG:5186"), None, "m"),
    "web": (("EPSG:4326", "EPSG:3857"), None, "m"),
    "tokyo-epsg": (("EPSG:4301", "EPSG:4326"), None, "degrees"),
}


def pyproj_partition(df):
    """The Dask job with pyproj, its transformer made once per worker."""
    import pyproj as p
    cache = p.__dict__.setdefault("_bench_transformers", {})
    if "kgd" not in cache:
        cache["kgd"] = p.Transformer.from_crs("EPSG:4326", "EPSG:5186")
    north, east, height = cache["kgd"].transform(
        df["lat"].to_numpy(), df["lon"].to_numpy(), df["h"].to_numpy())
    out = df.copy(deep=False)
    out["northing"] = north
    out["easting"] = east
    out["height"] = height
    return out


def array_and_point_calls(lat, lon, h):
    """The timed calls of the jobs: whole arrays, and one point a call."""
    ours, theirs = {}, {}
    for job, (sides, pipeline, unit) in JOBS.items():
        ours[job] = nolvex.Transformer(*sides)
        theirs[job] = pyproj.Transformer.from_pipeline(pipeline) if pipeline \
            else pyproj.Transformer.from_crs(*sides)
        # Agreement first: the same numbers as PROJ's.
        a = ours[job].transform(lat[:10000], lon[:10000], h[:10000])
        b = theirs[job].transform(lat[:10000], lon[:10000], h[:10000])
        worst = max(np.abs(x - y).max() for x, y in zip(a[:2], b[:2]))
        print(f"{sides[0]} -> {sides[1]}: max |difference| from pyproj "
              f"{worst:.3g} {unit}")

    def point_loop(call):
        """Microseconds per call of one point, Python floats in and out."""
        xs, ys = lat[:POINT_CALLS].tolist(), lon[:POINT_CALLS].tolist()
        start = time.perf_counter()
        for x, y in zip(xs, ys):
            call(x, y)
        return (time.perf_counter() - start) / POINT_CALLS * 1e6

    arrays, points = {}, {}
    for job in JOBS:
        p, t = theirs[job], ours[job]
        arrays[f"{job} pyproj"] = lambda p=p: p.transform(lat, lon, h)
        arrays[f"{job} t1"] = lambda t=t: t.transform(lat, lon, h, threads=1)
        arrays[f"{job} t2"] = lambda t=t: t.transform(lat, lon, h, threads=2)
        points[f"{job} pyproj"] = lambda p=p: point_loop(p.transform)
        points[f"{job} nolvex"] = lambda t=t: point_loop(t.transform)
    return arrays, points


def dask_calls(frame):
    """The timed Dask jobs: persisted on the workers, computed back."""
    from dask.distributed import wait

    meta = frame._meta.assign(northing=np.float64(), easting=np.float64(),
                              height=np.float64())
    ours = nolvex.dask.transform(frame, "EPSG:4326", "EPSG:5186",
                                 columns=["lat", "lon", "h"])
    theirs = frame.map_partitions(pyproj_partition, meta=meta)

    def persisted(out):
        def run():
            wait(out.persist())
        return run

    return {
        "dask persist pyproj": persisted(theirs),
        "dask persist nolvex": persisted(ours),
        "dask compute pyproj": theirs.compute,
        "dask compute nolvex": ours.compute,
    }


def main():
    import dask.dataframe as dd
    from dask.distributed import Client, LocalCluster

    # Points over Korea, where every job's operations hold; the notes of the
    # points outside a belt's area are the module's to make, not to print.
    warnings.simplefilter("ignore", nolvex.NolvexWarning)
    rng = np.random.default_rng(20240611)
    lat = rng.uniform(33.5, 38.3, N)
    lon = rng.uniform(126.0, 128.0, N)
    h = rng.uniform(-100, 1900, N)
    print(nolvex.proj_version(), "| pyproj", pyproj.__version__)
    arrays, points = array_and_point_calls(lat, lon, h)

    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      host="127.0.0.1", dashboard_address=None) as cluster, \
            Client(cluster):
        frame = dd.from_pandas(pd.DataFrame({"lat": lat, "lon": lon, "h": h}),
                               npartitions=PARTITIONS).persist()
        jobs = {**arrays, **dask_calls(frame)}
        times = {name: [] for name in jobs}
        per_point = {name: [] for name in points}
        for job in jobs.values():
            job()  # warm-up: transformers made, grids read
        for call in points.values():
            call()
        for _ in range(ROUNDS):
            for name, job in jobs.items():
                start = time.perf_counter()
                job()
                times[name].append(time.perf_counter() - start)
            for name, call in points.items():
                per_point[name].append(call())

    med = {name: statistics.median(values) for name, values in times.items()}
    print(f"\n{N} points, medians of {ROUNDS} interleaved rounds")
    print(f"{'job':<12} {'pyproj s':>9} {'1 thread s':>11} {'vs pyproj':>10}"
          f" {'2 threads s':>12} {'vs 1 thread':>12}")
    for job in JOBS:
        p, t1, t2 = med[f"{job} pyproj"], med[f"{job} t1"], med[f"{job} t2"]
        print(f"{job:<12} {p:9.3f} {t1:11.3f} {p / t1:9.2f}x {t2:12.3f} "
              f"{t1 / t2:11.2f}x")

    pm = {name: statistics.median(values)
          for name, values in per_point.items()}
    print(f"\none point per call ({POINT_CALLS} calls a round), microseconds "
          f"per call, medians of {ROUNDS} rounds")
    print(f"{'job':<12} {'pyproj':>8} {'nolvex':>8} {'nolvex/pyproj':>14}")
    for job in JOBS:
        p, n = pm[f"{job} pyproj"], pm[f"{job} nolvex"]
        print(f"{job:<12} {p:8.2f} {n:8.2f} {n / p:13.2f}x")

    print(f"\nDask, EPSG:4326 -> EPSG:5186, {N} rows in {PARTITIONS} persisted "
          "partitions, LocalCluster of 2 processes x 1 thread, medians of "
          f"{ROUNDS} rounds")
    print(f"{'row':<12} {'pyproj s':>9} {'nolvex s':>9} {'vs pyproj':>10}")
    for row in ("persist", "compute"):
        p, n = med[f"dask {row} pyproj"], med[f"dask {row} nolvex"]
        print(f"{row:<12} {p:9.3f} {n:9.3f} {p / n:9.2f}x")


if __name__ == "__main__":
    main()
