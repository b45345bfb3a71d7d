"""Reference values for the robust mean, computed in float64 with numpy from
float32 samples, straight from the definitions:
  arithmetic mean: the mean, the sample standard deviation (divisor n - 1),
  its standard error sd / sqrt(n);
  Tukey biweight with tuning constant c = 7.5: M = median, MAD = median of
  |x - M|; four passes, each from the location T of the pass before (T = M
  first), with u = (x - T) / (c MAD) and sums over |u| < 1:
      T' = T + sum (x-T)(1-u^2)^2 / sum (1-u^2)^2
      S  = n / sqrt(n-1) * sqrt(sum (x-T)^2 (1-u^2)^4) / |sum (1-u^2)(1-5u^2)|
  the location and scale are those of the fourth pass, the weights
  (1-u^2)^2 (0 for |u| >= 1) those of the fourth pass, in sorted order, and
  the efficiency the sample variance over S^2.

Run with /usr/bin/python3 from this folder:  /usr/bin/python3 robust_ref.py
"""
import numpy as np

from refio import CaseWriter, f32, f64

rng = np.random.default_rng(99121)
C = 7.5


def biweight(x):
    x = np.sort(np.asarray(x, np.float64))
    n = len(x)
    m = np.median(x)
    mad = np.median(np.abs(x - m))
    t = m
    for _ in range(4):
        u = (x - t) / (C * mad)
        inside = np.abs(u) < 1
        om = 1 - u[inside] ** 2
        dev = x[inside] - t
        s = n / np.sqrt(n - 1) * np.sqrt(np.sum(dev ** 2 * om ** 4)) / abs(np.sum(om * (1 - 5 * u[inside] ** 2)))
        wt = np.where(inside, (1 - u ** 2) ** 2, 0.0)
        t = t + np.sum(dev * om ** 2) / np.sum(om ** 2)
    var = np.var(x, ddof=1)
    return [t, s, s / np.sqrt(n), var / s ** 2], wt


out = CaseWriter("robust_ref.txt", __doc__)
samples = [
    ("normal12", rng.normal(1.0, 0.2, 12)),
    ("normal200", rng.normal(0.9, 0.35, 200)),
    ("outliers", np.concatenate([rng.normal(1.0, 0.1, 30), [4.0, 5.5, -2.0]])),
    ("skewed", rng.lognormal(0, 0.8, 57)),
    ("n6", np.array([0.91, 1.02, 0.98, 1.10, 0.87, 3.40])),
    ("depth_like", rng.normal(1.0, 0.25, 1501)),
]
for name, x in samples:
    x = x.astype(np.float32)
    res, wt = biweight(x)
    xd = x.astype(np.float64)
    arith = [xd.mean(), xd.std(ddof=1), xd.std(ddof=1) / np.sqrt(len(xd))]
    out.case(name, x=(f32, x), biweight=(f64, res), wt=(f64, wt), arith=(f64, arith))
out.close()
