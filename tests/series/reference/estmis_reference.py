#!/usr/bin/python3
"""Reference values for gap filling, computed independently in double precision
with numpy (dense solves, numpy medians) and written as a C++ include file.

For each series: missing values (below 0; 0 too once a transformation is
chosen) get the error scale 999, gaps of 21 years or more are bridged by the
least-squares line through up to 10 present years on each side, and a weighted
cubic smoothing spline with a 20-year period is the trend, stored at the
precision of the compact format. The common signal is the Tukey biweight mean
of all series per year, divided by its weighted spline (period N // 3),
variance-equalised by a 50-year spline of its absolute deviations. A missing
value becomes max(0, (g - a1) / s1 * s2 + a2) * trend, with a1, s1 the mean and
standard deviation of the common index over the series' years and a2, s2 those
of the series' measured values over its trend.
"""
import math

import numpy as np

XMISS = float(np.float32(-9.99))  # the empty cell, as the 32-bit matrix holds it


def q_matrix(n):
    m = n - 2
    Q = np.zeros((n, m))
    for k in range(m):
        Q[k, k], Q[k + 1, k], Q[k + 2, k] = 1, -2, 1
    R = np.diag(np.full(m, 4 / 3)) + np.diag(np.full(m - 1, 1 / 3), 1) + np.diag(np.full(m - 1, 1 / 3), -1)
    return Q, R


def smoothing_spline(y, scales, per):
    n = len(y)
    w = 2 * np.pi / per
    p = 6 * (np.cos(w) - 1) ** 2 / (np.cos(w) + 2)
    Q, R = q_matrix(n)
    D = np.diag(np.asarray(scales, dtype=float) ** 2)
    c = np.linalg.solve(Q.T @ D @ Q + p * R, Q.T @ y)
    return y - D @ Q @ c


def biweight(x, c=7.5):
    x = np.sort(np.asarray(x, dtype=float))
    n = len(x)
    M = np.median(x)
    if n == 1:
        return x[0]
    mad = np.median(np.abs(x - M))
    if n <= 5 or mad < 1e-4:
        return M
    T = M
    for _ in range(4):
        u = (x - T) / (c * mad)
        k = np.abs(u) < 1
        wgt = (1 - u[k] ** 2) ** 2
        T = T + ((x[k] - T) * wgt).sum() / wgt.sum()
    return T


def compact(values):
    """The value as written and read back by the compact format."""
    v = np.asarray(values, dtype=float)
    b = max(1.0, max(max(a, -10 * a) for a in v))
    s = max(k for k in range(-16, 17) if 10.0 ** k * b < 999999.5)
    ints = [int(math.floor(abs(a) * 10.0 ** s + 0.5)) * (1 if a >= 0 else -1) for a in v]
    d = 1
    for k in range(1, 7):
        if all(i % 10 ** k == 0 for i in ints):
            d = 10 ** k
        else:
            break
    ints = [i // d if i >= 0 else -((-i) // d) for i in ints]
    j = int(np.argmax(np.abs(v)))
    e = 0
    if ints[j] != 0 and v[j] / ints[j] > 0:
        e = int(math.floor(math.log10(abs(v[j] / ints[j])) + 0.5))
    return np.array(ints, dtype=float) * 10.0 ** e


def equalise(x, cnt, per):
    n = len(x)
    deep = cnt > 3
    ref = x[deep] if deep.sum() > n // 3 else x
    m, s = ref.mean(), ref.std(ddof=1)
    dev = x - m
    crv = smoothing_spline(np.abs(dev), np.ones(n), per)
    q = dev / crv
    return np.maximum((q - q.mean()) / q.std(ddof=1) * s + m, 0)


def estmis(mat, spans, itrn):
    """mat: years x series (float), spans: (first row, last row) per series."""
    mat = mat.copy()
    N = mat.shape[0]
    trends = {}
    for i, (r0, r1) in enumerate(spans):
        cells = mat[r0:r1 + 1, i]
        miss = (cells < 0) | ((itrn > 0) & (cells == 0))
        cells[miss] = XMISS
        w1 = cells.copy()
        w3 = np.where(miss, 999.0, 1.0)
        n = len(cells)
        idx = np.flatnonzero(miss)
        gaps = []
        for j in idx:
            if gaps and j == gaps[-1][1] + 1:
                gaps[-1][1] = j
            else:
                gaps.append([j, j])
        for a, b in gaps:
            if b - a + 1 <= 20:
                continue
            pts = [j for j in range(a - min(10, a), a)] + [j for j in range(b + 1, b + 1 + min(10, n - 1 - b))]
            pts = [j for j in pts if w1[j] != XMISS]
            yrs = np.array(pts, dtype=float) + r0
            slope, icpt = np.polyfit(yrs, w1[pts], 1)
            for j in range(a, b + 1):
                w1[j] = icpt + slope * (j + r0)
                w3[j] = 1.0
        trends[i] = compact(smoothing_spline(w1, w3, 20))
    mean = np.full(N, XMISS)
    depth = np.zeros(N, dtype=int)
    for t in range(N):
        v = mat[t, :][mat[t, :] != XMISS]
        if len(v):
            mean[t] = biweight(v)
            depth[t] = len(v)
    scales = np.where(mean == XMISS, 999.0, 1.0)
    smooth = smoothing_spline(mean, scales, N // 3)
    ratio = np.where(mean == XMISS, 1.0, mean / smooth)
    depth[mean == XMISS] = 0
    index = equalise(ratio, depth, 50)
    for i, (r0, r1) in enumerate(spans):
        cells = mat[r0:r1 + 1, i]
        trend = trends[i]
        g = index[r0:r1 + 1]
        a1, s1 = g.mean(), g.std(ddof=1)
        present = cells != XMISS
        rat = cells[present] / trend[present]
        a2, s2 = rat.mean(), rat.std(ddof=1)
        for j in np.flatnonzero(~present):
            v = max((g[j] - a1) / s1 * s2 + a2, 0.0)
            cells[j] = v * trend[j]
    return mat


rng = np.random.default_rng(31)
N = 90
years = np.arange(N)
signal = np.exp(0.25 * rng.standard_normal(N))
spans = [(0, 89), (5, 89), (0, 79), (10, 89), (0, 89), (20, 89)]
mat = np.full((N, len(spans)), XMISS)
for i, (r0, r1) in enumerate(spans):
    age = np.arange(r1 - r0 + 1)
    growth = (1.5 + i * 0.2) * np.exp(-0.015 * age) + 0.4
    noise = np.exp(0.15 * rng.standard_normal(len(age)))
    mat[r0:r1 + 1, i] = growth * signal[r0:r1 + 1] * noise
mat = mat.astype(np.float32).astype(float)
# series 1: two short gaps (3 years, 1 year) and a negative code other than xmiss
mat[12:15, 0] = XMISS
mat[40, 0] = -1.0
# series 2: a 25-year gap in the middle (bridged), and a gap of exactly 20 years
mat[5 + 10:5 + 35, 1] = XMISS
mat[5 + 50:5 + 70, 1] = XMISS
# series 3: a 22-year gap at its start (bridged from the years after it only)
mat[0:22, 2] = XMISS
# series 4: a 21-year gap at its end (bridged from the years before it only)
mat[69:90, 3] = XMISS
# series 5: no gap at all
# series 6: one year in which it is the only series... all series miss year 60
mat[60, :] = XMISS
mat[33, 5] = 0.0  # a ring width of 0: missing with a transformation chosen
cases = []
for itrn in (0, 1):
    filled = estmis(mat, spans, itrn)
    cases.append((itrn, filled))
    print("itrn", itrn, "min filled", filled[filled != XMISS].min())

with open(__file__.replace(".py", ".inc"), "w") as f:
    f.write("// Generated by estmis_reference.py: do not edit.\n")
    f.write(f"constexpr int ref_years = {N};\nconstexpr int ref_series = {len(spans)};\n")
    f.write("const int ref_spans[][2] = {" + ", ".join(f"{{{a}, {b}}}" for a, b in spans) + "};\n")
    f.write("const float ref_input[] = {\n")
    for i in range(len(spans)):
        f.write(" " + ", ".join(f"{v:.9e}f" for v in mat[:, i]) + ",\n")
    f.write("};\n")
    for itrn, filled in cases:
        f.write(f"const double ref_filled_itrn{itrn}[] = {{\n")
        for i in range(len(spans)):
            f.write(" " + ", ".join(f"{v:.9g}" for v in filled[:, i]) + ",\n")
        f.write("};\n")
