"""Reference results of the 32-bit routines, computed operation by operation
in IEEE single precision (numpy float32 scalars, every constant a float32, no
fused operations), so that the C++ results can be compared bit for bit. The
double-precision references beside this file agree with the routines only to a
few parts in a million; these pin the 32-bit arithmetic itself, whose last
bits decide the last printed decimal.

The steps follow the written definitions:
  moment / serstat: sums of x, |d|, d^2, d^3 = d^2 d, d^4 = d^3 d in order;
    ave = sum / m; adev = sum|d| / m; var = sum d^2 / (m - 1);
    sens = (sum over pairs with pair mean (x(j) + x(j+1)) * 0.5 above 0 of
    |(x(j+1) - x(j)) / pair mean|) / pairs; sdev = sqrt(var);
    skew = sum d^3 / (m sdev sdev sdev) * gs, gs = sqrt(m (m-1)) / (m-2) *
    (8.5 / m + 1); curt = sum d^4 / (m var var) * gk, gk = m m (m+1) /
    ((m-2)(m-1)(m-3)); sp = sqrt(var (m-1) / m); z = (x - ave) / sp;
    ac1 = sum z(j-1) z(j) / m (moment) or / pairs (serstat).
  corlin: means; Sxx, Syy, Sxy of the deviations; r = Sxy / sqrt(Sxx Syy);
    b = r sqrt(Syy / (n-1)) / sqrt(Sxx / (n-1)); a = mean y - b mean x.
  acfpac: mean; s = sqrt(sum d^2 / v); z = (x - mean) / s; acf(k) = sum / v;
    pacf(k) = (acf(k) - S1) / (1 - S2) with the two sums S1 = sum phi(j)
    acf(k-j), S2 = sum phi(j) acf(j) formed first; band(k) = 2 sqrt(1 + 2
    sum acf(j)^2) / sqrt(v).
  biwgt, arithmetic mean: a = sum / n, v = sum (x - a)^2 / (n - 1),
    sd = sqrt(v), se = sd / sqrt(n).

Run with /usr/bin/python3 from this folder:  /usr/bin/python3 float32_ref.py
"""
import numpy as np

from refio import CaseWriter, f32

F = np.float32
rng = np.random.default_rng(6067)


def moments(x, cnt, pairs_for_ac1):
    x = [F(v) for v in x]
    n = len(x)
    use = [c > 0 for c in cnt]
    m = sum(use)
    s = F(0)
    for j in range(n):
        if use[j]:
            s = F(s + x[j])
    fm = F(m)
    ave = F(s / fm)
    sa = s2 = s3 = s4 = ss = F(0)
    pairs = 0
    for j in range(n):
        if not use[j]:
            continue
        d = F(x[j] - ave)
        sa = F(sa + abs(d))
        p = F(d * d)
        s2 = F(s2 + p)
        p = F(p * d)
        s3 = F(s3 + p)
        p = F(p * d)
        s4 = F(s4 + p)
        if j + 1 < n and use[j + 1]:
            pairs += 1
            pm = F(F(x[j] + x[j + 1]) * F(0.5))
            if pm > 0:
                ss = F(ss + abs(F(F(x[j + 1] - x[j]) / pm)))
    adev = F(sa / fm)
    var = F(s2 / F(m - 1))
    sens = F(ss / F(pairs))
    sdev = np.sqrt(var)
    gs = F(F(np.sqrt(F(m * (m - 1))) / F(m - 2)) * F(F(F(8.5) / fm) + F(1))) if m >= 3 else F(1)
    gk = F(F(F(fm * fm) * F(fm + F(1))) / F(F(F(fm - F(2)) * F(fm - F(1))) * F(fm - F(3)))) if m >= 4 else F(1)
    skew = F(F(s3 / F(fm * F(F(sdev * sdev) * sdev))) * gs)
    curt = F(F(s4 / F(fm * F(var * var))) * gk)
    sp = np.sqrt(F(F(var * F(m - 1)) / fm))
    z = [F(F(v - ave) / sp) for v in x]
    sac = F(0)
    for j in range(1, n):
        if use[j - 1] and use[j]:
            sac = F(sac + F(z[j - 1] * z[j]))
    ac1 = F(sac / (F(pairs) if pairs_for_ac1 else fm))
    return [ave, adev, sdev, var, skew, curt, sens, ac1]


def corlin(x, y, cnt):
    idx = [i for i in range(len(x)) if cnt[i] > 0]
    k = F(len(idx))
    sx = sy = F(0)
    for i in idx:
        sx = F(sx + F(x[i]))
        sy = F(sy + F(y[i]))
    xm = F(sx / k)
    ym = F(sy / k)
    sxx = syy = sxy = F(0)
    for i in idx:
        dx = F(F(x[i]) - xm)
        dy = F(F(y[i]) - ym)
        sxx = F(sxx + F(dx * dx))
        syy = F(syy + F(dy * dy))
        sxy = F(sxy + F(dx * dy))
    r = F(sxy / np.sqrt(F(sxx * syy)))
    km1 = F(k - F(1))
    b = F(F(r * np.sqrt(F(syy / km1))) / np.sqrt(F(sxx / km1)))
    a = F(ym - F(b * xm))
    return [r, a, b]


def acfpac(x, cnt, m):
    n = len(x)
    use = [c > 0 for c in cnt]
    v = F(sum(use))
    s = F(0)
    for i in range(n):
        if use[i]:
            s = F(s + F(x[i]))
    mean = F(s / v)
    ss = F(0)
    for i in range(n):
        if use[i]:
            d = F(F(x[i]) - mean)
            ss = F(ss + F(d * d))
    sd = np.sqrt(F(ss / v))
    z = [F(F(F(x[i]) - mean) / sd) if use[i] else F(x[i]) for i in range(n)]
    nl = m + 1
    acf = []
    for k in range(1, nl + 1):
        t = F(0)
        for i in range(k, n):
            if use[i] and use[i - k]:
                t = F(t + F(z[i] * z[i - k]))
        acf.append(F(t / v))
    A = lambda k: acf[k - 1]
    pacf = [A(1)]
    phi = [F(0)] * (nl + 1)
    for k in range(2, nl + 1):
        pk1 = pacf[k - 2]
        old = list(phi)
        phi[k - 1] = pk1
        for j in range(1, k - 1):
            phi[j] = F(old[j] - F(pk1 * old[k - 1 - j]))
        s1 = s2 = F(0)
        for j in range(1, k):
            s1 = F(s1 + F(phi[j] * A(k - j)))
            s2 = F(s2 + F(phi[j] * A(j)))
        pacf.append(F(F(A(k) - s1) / F(F(1) - s2)))
    rv = np.sqrt(v)
    band = [F(F(2) / rv)]
    for k in range(2, nl + 1):
        t = F(0)
        for j in range(1, k):
            t = F(t + F(A(j) * A(j)))
        band.append(F(F(F(2) * np.sqrt(F(F(1) + F(F(2) * t)))) / rv))
    return acf, pacf, band


def arithmetic(x):
    n = F(len(x))
    s = F(0)
    for v in x:
        s = F(s + F(v))
    a = F(s / n)
    ss = F(0)
    for v in x:
        d = F(F(v) - a)
        ss = F(ss + F(d * d))
    var = F(ss / F(n - F(1)))
    sd = np.sqrt(var)
    return [a, sd, F(sd / np.sqrt(n))]


def ring_widths(n):
    t = np.arange(n)
    return ((1.2 * np.exp(-t / 80.0) + 0.5) * np.exp(rng.normal(0, 0.3, n))).astype(np.float32)


out = CaseWriter("float32_ref.txt", __doc__)
# Values that make 32-bit sums lose digits: long series, large values with a
# small spread, indices around 1.
samples = [
    ("rings_5001", ring_widths(5001)),
    ("large_small_spread", (2500 + 3 * rng.normal(0, 1, 2000)).astype(np.float32)),
    ("indices", (1.0 + 0.2 * rng.normal(0, 1, 777)).astype(np.float32)),
]
for name, x in samples:
    cnt = rng.integers(-1, 5, len(x))
    y = (x * np.float32(0.7) + rng.normal(0, 0.1, len(x)).astype(np.float32)).astype(np.float32)
    acf, pacf, band = acfpac(x, cnt, 10)
    out.case(name, x=(f32, x), y=(f32, y), cnt=(str, cnt),
             moment=(f32, moments(x, np.ones(len(x), int), False)), arith=(f32, arithmetic(x)),
             serstat=(f32, moments(x, cnt, True)), corlnm=(f32, corlin(x, y, cnt)),
             acf=(f32, acf), pacf=(f32, pacf), band=(f32, band))
out.close()
