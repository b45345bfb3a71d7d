"""Reference values for the series statistics, computed in float64 with numpy
straight from their definitions, from float32 inputs:
  mean; mean absolute deviation; variance with divisor m - 1; standard
  deviation; skewness  sum d^3 / (m sd^3) * sqrt(m (m-1)) / (m-2) * (1 + 8.5/m)
  (factor 1 below m = 3); kurtosis  sum d^4 / (m var^2) * m^2 (m+1) /
  ((m-2)(m-1)(m-3)) (factor 1 below m = 4, no 3 subtracted); mean sensitivity
  |x(j+1) - x(j)| / pair mean over neighbouring pairs, a pair mean <= 0 adding
  nothing but counting; lag-1 autocorrelation of the values standardised by the
  divisor-m deviation, summed over neighbouring pairs and divided by m
  ("moment") or by the number of pairs ("serstat").
For "serstat" cases only the positions with a positive count take part, and
only neighbouring pairs that both count.

Run with /usr/bin/python3 from this folder:  /usr/bin/python3 stats_ref.py
"""
import numpy as np

from refio import CaseWriter, f32, f64

rng = np.random.default_rng(7031)


def stats(x, cnt, pairs_for_ac1):
    x = np.asarray(x, np.float64)
    use = np.asarray(cnt) > 0
    v = x[use]
    m = len(v)
    ave = v.mean()
    d = v - ave
    adev = np.abs(d).mean()
    var = (d ** 2).sum() / (m - 1)
    sd = np.sqrt(var)
    gs = np.sqrt(m * (m - 1)) / (m - 2) * (1 + 8.5 / m) if m >= 3 else 1.0
    gk = m * m * (m + 1) / ((m - 2) * (m - 1) * (m - 3)) if m >= 4 else 1.0
    skew = (d ** 3).sum() / (m * sd ** 3) * gs
    curt = (d ** 4).sum() / (m * var ** 2) * gk
    pairs = [j for j in range(len(x) - 1) if use[j] and use[j + 1]]
    sens = 0.0
    for j in pairs:
        pm = (x[j] + x[j + 1]) / 2
        if pm > 0:
            sens += abs((x[j + 1] - x[j]) / pm)
    sens /= len(pairs)
    z = (x - ave) / np.sqrt(var * (m - 1) / m)
    lag = sum(z[j] * z[j + 1] for j in pairs)
    ac1 = lag / (len(pairs) if pairs_for_ac1 else m)
    return [ave, adev, sd, var, skew, curt, sens, ac1]


def ring_widths(n):
    t = np.arange(n)
    return ((1.2 * np.exp(-t / 80.0) + 0.5) * np.exp(rng.normal(0, 0.3, n))).astype(np.float32)


out = CaseWriter("stats_ref.txt", __doc__)

complete = [
    ("normal50", rng.normal(1.0, 0.3, 50).astype(np.float32)),
    ("rings300", ring_widths(300)),
    ("n2", np.array([0.8, 1.4], np.float32)),
    ("n3", np.array([0.8, 1.4, 0.9], np.float32)),
    ("n4", np.array([0.8, 1.4, 0.9, 2.6], np.float32)),
    ("indices_around_zero", rng.normal(0.0, 1.0, 40).astype(np.float32)),
    ("thousands", (2500 + 400 * rng.standard_t(3, 100)).astype(np.float32)),
    ("skewed", rng.lognormal(0, 1, 200).astype(np.float32)),
]
for name, x in complete:
    out.case("moment_" + name, x=(f32, x), stats=(f64, stats(x, np.ones(len(x)), False)))

# Masked vectors: sample depths with zeros, gaps that break pairs, a single
# counted pair, a complete series.
x = ring_widths(120)
depth = rng.integers(0, 6, 120)
depth[:5] = 0
out.case("serstat_depths", x=(f32, x), cnt=(str, depth), stats=(f64, stats(x, depth, True)))
x = ring_widths(80)
mask = np.ones(80, int)
mask[[3, 17, 18, 19, 40, 41, 79]] = 0
out.case("serstat_gaps", x=(f32, x), cnt=(str, mask), stats=(f64, stats(x, mask, True)))
x = rng.normal(0.0, 1.0, 60).astype(np.float32)
mask = (rng.uniform(0, 1, 60) < 0.7).astype(int)
out.case("serstat_indices_gaps", x=(f32, x), cnt=(str, mask), stats=(f64, stats(x, mask, True)))
x = ring_widths(200)
out.case("serstat_complete", x=(f32, x), cnt=(str, np.ones(200, int)), stats=(f64, stats(x, np.ones(200), True)))
out.close()
