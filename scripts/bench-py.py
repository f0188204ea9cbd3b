#!/usr/bin/python3
"""Times the Python module nolvex against pyproj.Transformer (Debian's
python3-pyproj, on the same PROJ) on 1,000,000 points: the catalogue job
WGS 84 -> Tokyo(---) and the EPSG job EPSG:4326 -> EPSG:5186, with one and
two threads, in interleaved rounds; medians and ratios.

    bench-py.py BUILD_PYTHON_DIR [ROUNDS]
"""

import statistics
import sys
import time

sys.path.insert(0, sys.argv[1])

import numpy as np  # noqa: E402
import pyproj  # noqa: E402

import nolvex  # noqa: E402

ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 9
N = 1_000_000

rng = np.random.default_rng(20240611)
lat = rng.uniform(33, 43, N)
lon = rng.uniform(124.5, 131.5, N)
h = rng.uniform(-100, 1900, N)

tokyo = nolvex.Transformer("WGS84", "Tokyo(---)")
kgd = nolvex.Transformer("EPSG:4326", "EPSG:5186")
kgd_pyproj = pyproj.Transformer.from_crs("EPSG:4326", "EPSG:5186")
# WGS 84 -> Tokyo(---) in PROJ: the standard Molodensky formulas with the
# datum's constants negated, on WGS 84.
tokyo_pyproj = pyproj.Transformer.from_pipeline(
    "+proj=pipeline +step +proj=axisswap +order=2,1 +step +proj=unitconvert "
    "+xy_in=deg +xy_out=rad +step +proj=molodensky +ellps=WGS84 "
    "+dx=105.627 +dy=-462.37 +dz=-643.258 +da=-739.845 "
    "+df=-1.0037482572674596e-05 +step +proj=unitconvert +xy_in=rad "
    "+xy_out=deg +step +proj=axisswap +order=2,1")

jobs = {
    "pyproj-tokyo": lambda: tokyo_pyproj.transform(lat, lon, h),
    "nolvex-tokyo-t1": lambda: tokyo.transform(lat, lon, h, threads=1),
    "nolvex-tokyo-t2": lambda: tokyo.transform(lat, lon, h, threads=2),
    "pyproj-kgd": lambda: kgd_pyproj.transform(lat, lon, h),
    "nolvex-kgd-t1": lambda: kgd.transform(lat, lon, h, threads=1),
    "nolvex-kgd-t2": lambda: kgd.transform(lat, lon, h, threads=2),
}

# Agreement first: the same numbers as PROJ's.
n1, e1, _ = kgd.transform(lat[:10000], lon[:10000])
n2, e2 = kgd_pyproj.transform(lat[:10000], lon[:10000])
a1, b1, _ = tokyo.transform(lat[:10000], lon[:10000], h[:10000])
a2, b2, _ = tokyo_pyproj.transform(lat[:10000], lon[:10000], h[:10000])
print(f"EPSG:5186 max |difference| from pyproj: "
      f"{max(np.abs(n1 - n2).max(), np.abs(e1 - e2).max()):.3g} m")
print(f"Tokyo(---) max |difference| from pyproj: "
      f"{max(np.abs(a1 - a2).max(), np.abs(b1 - b2).max()):.3g} degrees")

times = {job: [] for job in jobs}
for job in jobs.values():
    job()  # warm-up
for _ in range(ROUNDS):
    for name, job in jobs.items():
        start = time.perf_counter()
        job()
        times[name].append(time.perf_counter() - start)

print(f"\n{N} points, medians of {ROUNDS} interleaved rounds")
print(f"{'job':<18} {'median s':>9} {'points/s':>12} {'vs pyproj':>10}")
for name, values in times.items():
    median = statistics.median(values)
    base = statistics.median(times["pyproj-" + name.split("-")[1]])
    print(f"{name:<18} {median:9.3f} {N / median:12.0f} {base / median:9.2f}x")
