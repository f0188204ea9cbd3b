"""nolvex.dask on a local cluster of two worker processes: a 1,000,000-row
CSV file converted partition by partition gives exactly what
nolvex-convert gives for the whole file."""

import os
import subprocess
import sys
import tempfile

import numpy as np


def write_points(path, n):
    rng = np.random.default_rng(1861)
    lat = rng.uniform(33, 43, n)
    lon = rng.uniform(124.5, 131.5, n)
    h = rng.uniform(-100, 1900, n)
    with open(path, "w") as f:
        f.write("lat,lon,h\n")
        np.savetxt(f, np.column_stack([lat, lon, h]), fmt=["%.9f", "%.9f", "%.3f"],
                   delimiter=",")


def main():
    import dask.dataframe as dd
    from dask.distributed import Client, LocalCluster

    import nolvex
    import nolvex.dask

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
    if partitions < 4:
        sys.exit(f"only {partitions} partitions")
    errors = result["error"].notna().sum()
    got = [",".join(row) for row in zip(
        nolvex.write_reals(result["northing"].to_numpy()),
        nolvex.write_reals(result["easting"].to_numpy()),
        nolvex.write_reals(result["height"].to_numpy()))]
    if expected[0] != "northing,easting,height":
        sys.exit(f"the converter's heading: {expected[0]}")
    if got != expected[1:]:
        first = next(i for i, (g, e) in enumerate(zip(got, expected[1:]))
                     if g != e) if len(got) == len(expected) - 1 else -1
        sys.exit(f"differs from nolvex-convert at row {first}: "
                 f"{got[first] if first >= 0 else len(got)} != "
                 f"{expected[1 + first] if first >= 0 else len(expected) - 1}")
    print(f"{len(got)} rows in {partitions} partitions, {errors} errors: "
          "the same as nolvex-convert")


if __name__ == "__main__":
    main()
