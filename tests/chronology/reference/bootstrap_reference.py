#!/usr/bin/python3
"""Reference limits for the per-year bootstrap, from a separate implementation.

One generator state runs from its start values through the years in order, as
it does through the years of one chronology. For each year: resample with
replacement (index int(d u) + 1, d u formed in 32-bit floats), take each
resample's mean (the arithmetic mean summed in 32-bit floats in order, or the
median), form the jackknife acceleration, and read the BCa limits from the
sorted replicate means. The normal quantile and distribution function are
scipy's, not the program's approximations. The values are multiples of 1/64,
so medians are exact and the replicate means are those of 32-bit arithmetic.
Run once; the output is committed as bootstrap_reference.inc.
"""
import math

import numpy as np
from scipy.stats import norm

f32 = np.float32
state = [12848, 13079, 22085]


def uniform():
    state[0] = 171 * state[0] % 30269
    state[1] = 172 * state[1] % 30307
    state[2] = 170 * state[2] % 30323
    v = f32(f32(f32(state[0]) / f32(30269)) + f32(f32(state[1]) / f32(30307))) + f32(f32(state[2]) / f32(30323))
    v = f32(v)
    return f32(v - f32(np.floor(v)))


def mean_of(values, kind):
    if kind == 1:
        s = f32(0)
        for v in values:
            s = f32(s + f32(v))
        return f32(s / f32(len(values)))
    if kind == 2:
        return biweight(values)
    xs = sorted(values)  # median
    n = len(xs)
    h = n // 2
    return f32((f32(xs[h]) + f32(xs[n - h - 1])) / f32(2))


def median(xs):
    xs = sorted(xs)
    n = len(xs)
    h = n // 2
    return (xs[h] + xs[n - h - 1]) / 2


def biweight(values, c=7.5):
    """Tukey's biweight location: four passes from the median, scale c MAD."""
    x = [float(v) for v in values]
    med = median(x)
    mad = median([abs(v - med) for v in x])
    if len(x) < 6 or mad < 0.0001:
        return f32(med)
    t = med
    for _ in range(4):
        num = den = 0.0
        for v in x:
            u = (v - t) / (c * mad)
            if abs(u) < 1:
                w = (1 - u * u) ** 2
                num += (v - t) * w
                den += w
        t = t + num / den
    return f32(t)


def limits(values, kind):
    d = len(values)
    theta = mean_of(values, kind)
    if d < 6:
        return theta, theta, 0
    nb = 700 if d == 6 else 1000
    t = []
    for _ in range(nb):
        r = [values[int(f32(f32(d) * uniform()))] for _ in range(d)]
        t.append(mean_of(r, kind))
    u = []
    for i in range(d):
        rest = values[:i] + values[i + 1:]
        u.append((float(theta) - float(mean_of(rest, kind))) * (d - 1))
    s2 = sum(x * x for x in u)
    s3 = sum(x ** 3 for x in u)
    a = s3 / (6 * s2 ** 1.5) if s2 > 0 else 0.0
    nlt = sum(1 for x in t if x < theta)
    nle = sum(1 for x in t if x <= theta)
    m = (nlt + nle + 1) // 2
    if m == 0 or m == nb:
        return theta, theta, nb
    z0 = norm.ppf(m / nb)
    zc = norm.ppf(0.975)
    zl = z0 + (z0 - zc) / (1 - a * (z0 - zc))
    zu = z0 + (z0 + zc) / (1 - a * (z0 + zc))
    k3 = int(norm.cdf(zl) * (nb + 1) + 0.5)
    k4 = int(norm.cdf(zu) * (nb + 1) + 0.5)
    ts = sorted(t)
    lo = ts[k3 - 1] if 1 <= k3 <= nb else ts[0]
    hi = ts[k4 - 1] if 1 <= k4 <= nb else ts[-1]
    return lo, hi, nb


rng = np.random.default_rng(20261210)


def sample(d, centre, spread):
    return [float(round(x * 64) / 64) for x in rng.normal(centre, spread, d)]


years = [
    ("seven values, arithmetic mean", 1, sample(7, 1.0, 0.3)),
    ("six values: 700 replicates", 1, sample(6, 0.9, 0.2)),
    ("five values: no resampling", 1, sample(5, 1.1, 0.2)),
    ("twelve values, median", -50, sample(12, 1.0, 0.4)),
    ("skewed: one large value", 1, [0.75, 0.8125, 0.875, 0.90625, 0.96875, 1.0, 1.03125, 3.5]),
    ("forty values, arithmetic mean", 1, sample(40, 1.2, 0.5)),
    ("nine values, median, ties", -50, [1.0, 1.0, 1.0, 0.5, 1.5, 1.0, 0.75, 1.25, 1.0]),
    ("eight values, biweight", 2, [float(f32(v)) for v in rng.normal(1.0, 0.3, 8)]),
    ("fifteen values, biweight, one outlier", 2, [float(f32(v)) for v in rng.normal(0.9, 0.2, 14)] + [2.75]),
]
print("// name, mean type, values, lower, upper (biweight means: double here, single in the program)")
for name, kind, values in years:
    lo, hi, nb = limits(values, kind)
    vals = ", ".join(repr(v) for v in values)
    print(f'    {{"{name}", {kind}, {{{vals}}}, {float(lo)!r}, {float(hi)!r}}},')
