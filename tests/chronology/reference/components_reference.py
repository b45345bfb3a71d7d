#!/usr/bin/python3
"""Eigenvalues of the correlation matrices of the principal components tests
(tests/chronology/common_period_test.cpp), from a separate implementation:
the series are made again with the tests' generator (a linear congruential
generator in 32-bit unsigned integers, the values in 32-bit floats, as numpy
float32 rounds them), their correlation matrix is formed in 64-bit floats, and
numpy's eigvalsh (LAPACK) gives its eigenvalues.

A series constant over the period has no correlation with any other; the
common-period analysis enters each of its pairs as 0 and its own diagonal as
1, so it adds the eigenvalue 1 with its unit vector. The matrices here are
formed that way.

Cases: 30 series over 10 years (signal_plus(10, 700 + a, 0.8)) with none, one
(series 4) or two (series 4 and 18) of them made constant; and 600 series over
the 12 years 1910-1921 of 30 (signal_plus(30, 900 + k, 0.7), first year 1900)
with series 251 constant at 1.0.
Run once; the output is committed as components_reference.inc.
"""
import numpy as np

f32 = np.float32
M = 2 ** 32


def noise(n, seed):
    s = (seed * 2654435761 + 777) % M
    v = []
    for _ in range(n):
        s = (s * 1664525 + 1013904223) % M
        v.append(f32(1.0) + f32(f32((s >> 8) % 1000) / f32(1000.0)))
    return v


def signal_plus(n, seed, weight):
    common, own = noise(n, 99), noise(n, seed)
    return [f32(common[i] + f32(f32(weight) * own[i])) for i in range(n)]


def eigenvalues(series, constant):
    """series: list of vectors over the period; constant: their indices (0-based)
    that are constant over it."""
    x = np.array(series, dtype=np.float64)
    n = len(series)
    c = np.eye(n)
    varying = [a for a in range(n) if a not in constant]
    c[np.ix_(varying, varying)] = np.corrcoef(x[varying])
    return np.sort(np.linalg.eigvalsh(c))[::-1]


def array(name, values):
    return "const std::vector<double> %s = {%s};\n" % (name, ", ".join("%.17g" % v for v in values))


out = ["// Made by components_reference.py: eigenvalues of the correlation matrices,\n",
       "// largest first.\n"]
for name, constant in (("eig30_none", []), ("eig30_one", [3]), ("eig30_two", [3, 17])):
    series = [signal_plus(10, 700 + a, 0.8) for a in range(30)]
    for a in constant:
        series[a] = [f32(1.0)] * 10
    out.append(array(name, eigenvalues(series, constant)))
series = [signal_plus(30, 900 + k, 0.7)[10:22] for k in range(600)]
series[250] = [f32(1.0)] * 12
out.append(array("eig600_one", eigenvalues(series, [250])[:13]))
open("components_reference.inc", "w").write("".join(out))
