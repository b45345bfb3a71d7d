"""Reference curves for the smoothing splines, from scipy's
make_smoothing_spline, an independent (B-spline based) implementation of the
cubic smoothing spline that minimises
    sum_i w_i (y_i - f(x_i))^2 + lam * integral f''(x)^2 dx.
On x = 1..n the 50%-response parameter p = 6 (cos w - 1)^2 / (cos w + 2),
w = 2 pi / period, corresponds to lam = 1 / (2 p); error scales s_i give the
weights w_i = 1 / s_i^2.

A period of 1 year gives p = 0, where the penalty is infinite: the curve is
the (weighted) least-squares straight line, found here by a dense
least-squares solve (numpy lstsq) and checked against a dense solve of the
spline's own system with p = 0.

Also the band solver's cases: small symmetric positive-definite band matrices
solved and their determinants taken by numpy.

Run with /usr/bin/python3 (numpy, scipy 1.10) from this folder:
    /usr/bin/python3 splines_ref.py
"""
import numpy as np
from scipy.interpolate import make_smoothing_spline

from refio import CaseWriter, f32, f64

rng = np.random.default_rng(20240601)


def p_of(period, two_pi=2 * np.pi):
    cw = np.cos(two_pi / period)
    return 6 * (cw - 1) ** 2 / (cw + 2)


def smooth_dense(y, lam, w):
    """The textbook value-second-derivative form (Green and Silverman) of the
    same spline, for n = 4, which make_smoothing_spline does not take:
    g = (W + lam Q R^-1 Q')^-1 W y with unit knot spacing."""
    n = len(y)
    q = np.zeros((n, n - 2))
    r = np.zeros((n - 2, n - 2))
    for j in range(n - 2):
        q[j, j], q[j + 1, j], q[j + 2, j] = 1.0, -2.0, 1.0
        r[j, j] = 2.0 / 3.0
        if j + 1 < n - 2:
            r[j, j + 1] = r[j + 1, j] = 1.0 / 6.0
    wm = np.diag(w)
    return np.linalg.solve(wm + lam * q @ np.linalg.solve(r, q.T), wm @ y)


def smooth(y, period, scales=None, two_pi=2 * np.pi):
    n = len(y)
    x = np.arange(1, n + 1, dtype=float)
    w = np.ones(n) if scales is None else 1.0 / np.asarray(scales, float) ** 2
    lam = 1.0 / (2.0 * p_of(period, two_pi))
    y = np.asarray(y, float)
    if n < 5:
        return smooth_dense(y, lam, w)
    g = make_smoothing_spline(x, y, w=w, lam=lam)(x)
    if n < 40:  # the two routes agree where the dense one is well conditioned
        assert np.allclose(g, smooth_dense(y, lam, w), rtol=1e-9, atol=1e-9)
    return g


def ring_widths(n):
    t = np.arange(n)
    trend = 1.5 * np.exp(-t / (n / 3.0)) + 0.4
    return (trend * np.exp(rng.normal(0, 0.25, n))).astype(np.float32)


out = CaseWriter("splines_ref.txt", __doc__)

cases = []
cases.append(("noise_n4", rng.normal(0, 1, 4).astype(np.float32), 5))
cases.append(("noise_n5", rng.normal(0, 1, 5).astype(np.float32), 10))
cases.append(("period2", rng.normal(0, 1, 30).astype(np.float32), 2))
cases.append(("period3", rng.normal(0, 1, 30).astype(np.float32), 3))
cases.append(("rings_20", ring_widths(150), 20))
cases.append(("rings_50", ring_widths(300), 50))
cases.append(("rings_pct67", ring_widths(240), 160))
cases.append(("large_values", (1000 + 300 * rng.normal(0, 1, 120)).astype(np.float32), 30))
step = np.where(np.arange(80) < 40, 0.5, 2.5).astype(np.float32)
cases.append(("step", step, 10))
spiky = ring_widths(100)
spiky[[10, 11, 60]] = [9.0, 0.0, 7.5]
cases.append(("spikes", spiky, 15))
cases.append(("long_1200", ring_widths(1200), 100))
cases.append(("stiff", ring_widths(200), 1000))
for name, y, per in cases:
    out.case(name, period=(str, per), p=(f64, p_of(per)), y=(f32, y), crv=(f64, smooth(y, per)))

# Weighted: ordinary values scale 1, gaps bridged with scale 999, a few
# values given intermediate scales.
wcases = []
y = ring_widths(120)
s = np.ones(120, np.float32)
s[40:55] = 999.0
wcases.append(("gap_999", y, s, 20))
y = ring_widths(90)
s = rng.uniform(0.5, 3.0, 90).astype(np.float32)
wcases.append(("mixed_scales", y, s, 12))
y = ring_widths(60)
s = np.ones(60, np.float32)
wcases.append(("unit_scales", y, s, 20))
for name, y, s, per in wcases:
    out.case(name, period=(str, per), p=(f64, p_of(per, 6.2831853076)), y=(f32, y), w=(f32, s),
             crv=(f64, smooth(y, per, s, 6.2831853076)))

# Band solver: a random SPD matrix of bandwidth nsub, stored as the band
# layout expects, a right-hand side, the solution and det = d1 * 2^d2.
for name, n, nsub in (("band_n7_nsub2", 7, 2), ("band_n9_nsub3", 9, 3), ("band_n5_nsub1", 5, 1)):
    a = np.zeros((n, n))
    for k in range(nsub + 1):
        v = rng.normal(0, 1, n - k)
        a += np.diag(v, -k) + (np.diag(v, k) if k else 0)
    a += np.eye(n) * (2 * nsub + 3)  # diagonally dominant, so positive definite
    assert np.all(np.linalg.eigvalsh(a) > 0)
    band = np.zeros((n, nsub + 1))  # row i: column nsub - k holds a[i, i-k]
    for i in range(n):
        for k in range(nsub + 1):
            if i - k >= 0:
                band[i, nsub - k] = a[i, i - k]
    b = rng.normal(0, 1, n)
    out.case(name, n=(str, n), nsub=(str, nsub), band=(f64, band.T.ravel()), b=(f64, b),
             x=(f64, np.linalg.solve(a, b)), det=(f64, np.linalg.det(a)))


# Period 1: p = 0 and the least-squares line. The dense system
# (Q' D Q + p R) c = Q' y, crv = y - D Q c (D the squared error scales) with
# p = 0 must give the same line as the direct least-squares fit.
def lsq_line(y, scales=None):
    n = len(y)
    t = np.arange(1, n + 1, dtype=float)
    sw = np.ones(n) if scales is None else 1.0 / np.asarray(scales, float)
    a = np.column_stack([np.ones(n), t]) * sw[:, None]
    coef = np.linalg.lstsq(a, np.asarray(y, float) * sw, rcond=None)[0]
    return coef[0] + coef[1] * t


def system_p0(y, scales=None):
    n = len(y)
    d = np.ones(n) if scales is None else np.asarray(scales, float) ** 2
    q = np.zeros((n, n - 2))
    for j in range(n - 2):
        q[j, j], q[j + 1, j], q[j + 2, j] = 1.0, -2.0, 1.0
    c = np.linalg.solve(q.T @ np.diag(d) @ q, q.T @ np.asarray(y, float))
    return np.asarray(y, float) - d * (q @ c)


for name, y in (("period1_n15", ring_widths(15)), ("period1_n6", rng.normal(0, 1, 6).astype(np.float32))):
    line = lsq_line(y)
    assert np.allclose(line, system_p0(y), rtol=1e-10, atol=1e-10)
    out.case(name, period=(str, 1), p=(f64, 0.0), y=(f32, y), crv=(f64, line))
y = ring_widths(12)
s = rng.uniform(0.5, 3.0, 12).astype(np.float32)
line = lsq_line(y, s)
assert np.allclose(line, system_p0(y, s), rtol=1e-10, atol=1e-10)
out.case("period1_weighted", period=(str, 1), p=(f64, 0.0), y=(f32, y), w=(f32, s), crv=(f64, line))
out.close()
