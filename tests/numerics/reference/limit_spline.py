"""The 20-year (or any period's) smoothing spline of the limit references:
scipy's make_smoothing_spline on x = 1..n with the parameter of the
50%-response period, p = 6 (cos w - 1)^2 / (cos w + 2), w = 2 pi / period,
as lam = 1 / (2 p) (see splines_ref.py)."""
import numpy as np
from scipy.interpolate import make_smoothing_spline


def p_of(period):
    cw = np.cos(2 * np.pi / period)
    return 6 * (cw - 1) ** 2 / (cw + 2)


def smooth(y, period):
    x = np.arange(1, len(y) + 1, dtype=float)
    return make_smoothing_spline(x, np.asarray(y, float), lam=1.0 / (2.0 * p_of(period)))(x)
