"""Reference eigen decompositions from numpy.linalg.eigh (LAPACK) in float64
of float32 symmetric matrices: eigenvalues from the largest down and the unit
eigenvector of each (columns, sign as LAPACK gives it; compare up to sign).
Also reference inverses and determinants from numpy.linalg.inv and det.

Run with /usr/bin/python3 from this folder:  /usr/bin/python3 eigen_ref.py
"""
import numpy as np

from refio import CaseWriter, f32, f64

rng = np.random.default_rng(31337)


def correlation_of_series(nser, nyears, nfactors):
    f = rng.normal(0, 1, (nyears, nfactors))
    load = rng.uniform(0.2, 0.9, (nfactors, nser)) * (rng.uniform(0, 1, (nfactors, nser)) < 0.6)
    x = f @ load + rng.normal(0, 0.7, (nyears, nser))
    return np.corrcoef(x, rowvar=False)


out = CaseWriter("eigen_ref.txt", __doc__)
mats = [
    ("corr5", correlation_of_series(5, 60, 1)),
    ("corr12", correlation_of_series(12, 100, 2)),
    ("corr40", correlation_of_series(40, 150, 3)),
]
s = rng.normal(0, 1, (8, 8))
mats.append(("indefinite8", (s + s.T) / 2))
# A wide spread of magnitudes.
q, _ = np.linalg.qr(rng.normal(0, 1, (6, 6)))
mats.append(("spread6", q @ np.diag([1e3, 50.0, 1.0, 0.02, -3.0, -400.0]) @ q.T))
for name, m in mats:
    m = m.astype(np.float32)
    m = np.tril(m) + np.tril(m, -1).T  # exactly symmetric in float32
    w, v = np.linalg.eigh(m.astype(np.float64))
    order = np.argsort(w)[::-1]
    out.case("eigen_" + name, n=(str, len(m)), z=(f32, m.T.ravel()), d=(f64, w[order]),
             v=(f64, v[:, order].T.ravel()))

invs = []
for n in (3, 7, 25):
    invs.append(("random%d" % n, rng.normal(0, 1, (n, n))))
c = correlation_of_series(10, 80, 2)
invs.append(("corr10", c))
p = rng.normal(0, 1, (5, 5))
p[:, 0] = 0.0
p[0, 0] = 0.0
p[1, 0] = 1e-3  # needs a row interchange in the first column
invs.append(("pivoting5", p))
for name, m in invs:
    m = m.astype(np.float32)
    md = m.astype(np.float64)
    out.case("inverse_" + name, n=(str, len(m)), a=(f32, m.T.ravel()), inv=(f64, np.linalg.inv(md).T.ravel()),
             det=(f64, np.linalg.det(md)))
out.close()
