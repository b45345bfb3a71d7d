"""Splines of the bootstrap limits of the regional curve's age-aligned mean of
ak111.rwl (tests/data/rwl), taken over the ages from the first to the last of
six or more series.

The run: a batch run of ak111.rwl saved as ak111.txt, with the default command
file (tests/data/options/default_log.txt) but the regional curve as the first
detrending (line 5: "-2     0     0"), a spline of 10 percent as its curve
(line 6: "-10    0     0"), a biweight mean with bootstrap limits and a
20-year spline (line 13: "2   1   20   0") and no stabilisation (line 14: "0"),
and a batch detail file that gives records 5 to 51 a pith offset of 10 years
and the first four none. Ages 1 to 10 then hold the first four series only;
the ages of six or more series run from 11 to 337.

Over those ages the limits as listed in "ak111.txt_rcs_95%cl.txt" (columns 4
and 5) are smoothed by scipy's make_smoothing_spline, an independent
(B-spline based) cubic smoothing spline, and so is the age-aligned mean
(column 3) over all ages; on x = 1..n the 50%-response parameter
p = 6 (cos w - 1)^2 / (cos w + 2), w = 2 pi / 20, is lam = 1 / (2 p) (see
splines_ref.py). The listed values carry three
decimals, so the splines here may differ from the program's (which smooths
the unrounded values) by about one unit of the third decimal.

Run with /usr/bin/python3 (numpy, scipy 1.10) from this folder, with the folder
of such a run as argument:
    /usr/bin/python3 rcs_limit_splines_ref.py /path/to/run
"""
import sys

import numpy as np

from limit_spline import smooth
from refio import CaseWriter, f64


rows = [line.split() for line in open("%s/ak111.txt_rcs_95%%cl.txt" % sys.argv[1]).read().splitlines()[1:]]
ages = [int(r[0]) for r in rows]
assert ages == list(range(1, len(rows) + 1))
deep = [int(r[0]) for r in rows if int(r[1]) >= 6]
inside = rows[deep[0] - 1:deep[-1]]
lo = np.array([float(r[3]) for r in inside])
hi = np.array([float(r[4]) for r in inside])
mean = np.array([float(r[2]) for r in rows])
out = CaseWriter("rcs_limit_splines_ref.txt", __doc__)
out.case("ak111", ages=(str, len(rows)), span_from=(str, deep[0]), span_to=(str, deep[-1]),
         lo=(lambda v: "%.3f" % v, lo), hi=(lambda v: "%.3f" % v, hi),
         spl=(f64, smooth(mean, 20)), spllo=(f64, smooth(lo, 20)), splhi=(f64, smooth(hi, 20)))
out.close()
