"""Splines of the bootstrap limits of russ001.rwl (tests/data/rwl) after first
differences, each taken over the years of its own chronology that have limits.

The run: a batch run of russ001.rwl with the default command file
(tests/data/options/default_log.txt) but first differences as the first
detrending (line 5: "-1     20    0") and a biweight mean chronology with
bootstrap limits and a 20-year spline (line 13: "2   1   20   0"). First
differences start the standard, residual and kovrin chronologies a year after
the raw one (1542 against 1541); each ends in 1968.

The years with limits run from the first to the last year of six or more
series in the raw chronology (the depth column of "_raw_95%cl.txt"), cut to
the years of each chronology. Over those years the limits as listed in the
chronology's "_95%cl.txt" file (columns 4 and 5) are smoothed by scipy's
make_smoothing_spline, an independent (B-spline based) cubic smoothing spline;
on x = 1..n the 50%-response parameter p = 6 (cos w - 1)^2 / (cos w + 2),
w = 2 pi / 20, is lam = 1 / (2 p) (see splines_ref.py). The listed limits carry
three decimals, so the splines here may differ from the program's (which
smooths the unrounded limits) by about one unit of the third decimal.

Run with /usr/bin/python3 (numpy, scipy 1.10) from this folder, with the folder
of such a run as argument:
    /usr/bin/python3 limit_splines_ref.py /path/to/run
"""
import sys

import numpy as np

from limit_spline import smooth
from refio import CaseWriter, f64


run = sys.argv[1]


def table(kind):
    return [line.split() for line in open("%s/russ001.rwl_%s_95%%cl.txt" % (run, kind)).read().splitlines()[1:]]


deep = [int(r[0]) for r in table("raw") if int(r[1]) >= 6]
span = (deep[0], deep[-1])
out = CaseWriter("limit_splines_ref.txt", __doc__)
for kind in ("std", "res", "kov"):
    rows = table(kind)
    years = np.array([int(r[0]) for r in rows])
    assert np.all(np.diff(years) == 1)
    inside = [r for r in rows if span[0] <= int(r[0]) <= span[1]]
    lo = np.array([float(r[3]) for r in inside])
    hi = np.array([float(r[4]) for r in inside])
    out.case(kind, first=(str, years[0]), last=(str, years[-1]), span_from=(str, int(inside[0][0])),
             span_to=(str, int(inside[-1][0])), lo=(lambda v: "%.3f" % v, lo), hi=(lambda v: "%.3f" % v, hi),
             spllo=(f64, smooth(lo, 20)), splhi=(f64, smooth(hi, 20)))
out.close()
