#!/usr/bin/python3
"""Reference values for the uniform generator and the normal functions.

The generator is re-implemented here from its published definition (three
congruential generators, moduli 30269, 30307, 30323, multipliers 171, 172, 170;
the result is the fractional part of the sum of the three uniforms), with the
sum formed in 32-bit floats as the program forms it. The normal quantile and
tail areas come from scipy, independently of the rational approximations the
program uses. Run once; the output is committed as uniform_normal_reference.inc.
"""
import numpy as np
from scipy.stats import norm

f32 = np.float32


def wichmann_hill(seeds, count):
    s1, s2, s3 = seeds
    out = []
    for _ in range(count):
        s1 = 171 * s1 % 30269
        s2 = 172 * s2 % 30307
        s3 = 170 * s3 % 30323
        v = f32(f32(f32(s1) / f32(30269)) + f32(f32(s2) / f32(30307))) + f32(f32(s3) / f32(30323))
        v = f32(v)
        out.append((s1, s2, s3, float(v - f32(np.floor(v)))))
    return out


print("// uniform draws after a reset: s1, s2, s3, value")
print("inline const UniformRow uniform_rows[] = {")
for i, (a, b, c, u) in enumerate(wichmann_hill((12848, 13079, 22085), 2000)):
    if i < 20 or i % 97 == 0 or i == 1999:
        print(f"    {{{i + 1}, {a}, {b}, {c}, {u!r}}},")
print("};")

print("// normal quantile: p, quantile")
print("inline const NormalRow quantile_rows[] = {")
for p in [1e-6, 0.001, 0.01, 0.025, 0.05, 0.0801, 0.08, 0.1, 0.25, 0.4, 0.5, 0.6, 0.75, 0.9,
          0.92, 0.975, 0.99, 0.999, 0.999999]:
    print(f"    {{{float(f32(p))!r}, {norm.ppf(float(f32(p)))!r}}},")
print("};")

print("// normal tail areas: x, lower area, upper area")
print("inline const TailRow tail_rows[] = {")
for x in [-20.0, -8.0, -5.0, -1.96, -1.28, -1.0, -0.3, 0.0, 0.3, 1.0, 1.2799, 1.2801, 1.645,
          1.96, 2.5, 3.0, 5.0, 6.99, 7.5, 10.0, 18.0, 18.7, 20.0]:
    xf = float(f32(x))
    print(f"    {{{xf!r}, {norm.cdf(xf)!r}, {norm.sf(xf)!r}}},")
print("};")
