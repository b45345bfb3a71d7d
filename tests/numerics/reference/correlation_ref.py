"""Reference values for the correlations, from numpy and statsmodels, with
float32 inputs:
  corlin/corlnm: Pearson r (numpy.corrcoef) and the least-squares line of y on
  x (numpy.polyfit, degree 1) over all positions, or over the positions whose
  count is positive.
  acfpac on complete series: statsmodels acf (adjusted=False: lag products
  about the mean divided by n) and pacf by the Levinson-Durbin recursion on
  those autocorrelations (method "ldb"), lags 1 to 11; the two-standard-error
  band from acf's Bartlett interval with alpha chosen so that its normal
  quantile is exactly 2.

Run with /usr/bin/python3 from this folder:  /usr/bin/python3 correlation_ref.py
"""
import numpy as np
from scipy.stats import norm
from statsmodels.tsa.stattools import acf, pacf

from refio import CaseWriter, f32, f64

rng = np.random.default_rng(5150)
out = CaseWriter("correlation_ref.txt", __doc__)


def line(x, y):
    x = np.asarray(x, np.float64)
    y = np.asarray(y, np.float64)
    b, a = np.polyfit(x, y, 1)
    return [np.corrcoef(x, y)[0, 1], a, b]


# Pairs of series: related, unrelated, negatively related, large values.
n = 150
x = rng.normal(1.0, 0.3, n).astype(np.float32)
pairs = [
    ("related", x, (0.6 * x + rng.normal(0.4, 0.2, n)).astype(np.float32)),
    ("unrelated", rng.normal(0, 1, 80).astype(np.float32), rng.normal(0, 1, 80).astype(np.float32)),
    ("negative", x, (2.0 - 1.5 * x + rng.normal(0, 0.1, n)).astype(np.float32)),
    ("years_on_values", np.arange(1701, 1721).astype(np.float32), rng.normal(2.0, 0.5, 20).astype(np.float32)),
]
for name, xs, ys in pairs:
    out.case("corlin_" + name, x=(f32, xs), y=(f32, ys), ray=(f64, line(xs, ys)))

# Masked: the reference is the plain computation over the counted positions.
xm = rng.normal(1.0, 0.3, 100).astype(np.float32)
ym = (0.3 + 0.8 * xm + rng.normal(0, 0.25, 100)).astype(np.float32)
cnt = rng.integers(-1, 4, 100)
use = cnt > 0
out.case("corlnm_depths", x=(f32, xm), y=(f32, ym), cnt=(str, cnt), ray=(f64, line(xm[use], ym[use])))

alpha = 2 * norm.sf(2.0)  # norm.ppf(1 - alpha / 2) == 2
series = []
e = rng.normal(0, 1, 400)
ar = np.zeros(400)
for t in range(2, 400):
    ar[t] = 0.6 * ar[t - 1] - 0.25 * ar[t - 2] + e[t]
series.append(("ar2", (1.0 + 0.2 * ar).astype(np.float32)))
series.append(("white", rng.normal(1.0, 0.3, 120).astype(np.float32)))
t = np.arange(300)
series.append(("trend_cycle", (1.0 + 0.002 * t + 0.3 * np.sin(2 * np.pi * t / 11) + rng.normal(0, 0.1, 300)).astype(np.float32)))
series.append(("short", rng.normal(0.0, 1.0, 25).astype(np.float32)))
for name, s in series:
    sd = s.astype(np.float64)
    r, conf = acf(sd, nlags=11, adjusted=False, fft=False, alpha=alpha)
    p = pacf(sd, nlags=11, method="ldb")
    band = conf[1:, 1] - r[1:]
    out.case("acfpac_" + name, x=(f32, s), acf=(f64, r[1:]), pacf=(f64, p[1:]), band=(f64, band))
out.close()
