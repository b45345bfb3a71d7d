#!/usr/bin/python3
"""Reference listings of the n-year means overview, from a separate
implementation: block sums and plot positions in 32-bit floats (numpy), the
lines assembled column by column by hand (label in columns 2-6, the two means
in 7-18, the index mean in 54-59, plot columns 1-33 at 21-53 and 34-54 at
62-82), the numbers printed with Python's correctly rounded %6.2f.
Run once; the output is committed as nyear_means_reference.inc.
"""
import math

import numpy as np

f32 = np.float32


def listing(ym, yc, yi, iyr1, nstep):
    n = len(ym)
    out = ["", f"{'':9}***{nstep:3d}-year means of measurements, curve fit (x), and indices ***", "",
           f"{'':8}msmt curve" + " " * 36 + "index", "  year means means" + " " * 36 + "means", ""]
    y0 = int(iyr1 / nstep) * nstep
    m = n - (y0 - iyr1)
    nb = m // nstep - (1 if m % nstep == 0 else 0) - (1 if (iyr1 + n - 1) % 10 == 0 else 0)
    A, B, C = [], [], []
    for k in range(1, nb + 1):
        if k * nstep > n:
            break
        sa = sb = sc = f32(0)
        for i in range((k - 1) * nstep, k * nstep):
            sa = f32(sa + f32(ym[i]))
            sb = f32(sb + f32(yc[i]))
            sc = f32(sc + f32(yi[i]))
        A.append(f32(sa / f32(nstep)))
        B.append(f32(sb / f32(nstep)))
        C.append(f32(sc / f32(nstep)))
    lo = min(A + B)
    hi = max(A + B)
    dy = f32(f32(hi - lo) / f32(32))
    zlo, zhi = min(C), max(C)
    dz = f32(f32(zhi - zlo) / f32(20))
    for k in range(len(A)):
        label = y0 + k * nstep
        plot = [" "] * 54

        def put(pos, ch):
            if 1 <= pos <= 54:
                plot[pos - 1] = ch

        put(int(f32(f32(f32(1) - zlo) / dz) + f32(34.5)), "|")
        digit = str(label // 10 % 10)
        put(int(f32(f32(C[k] - zlo) / dz) + f32(34.5)), digit)
        pm = int(f32(f32(A[k] - lo) / dy) + f32(1.5))
        put(pm, digit)
        pc = int(f32(f32(B[k] - lo) / dy) + f32(1.5))
        if pc != pm:
            put(pc, "x")
        text = f" {label:5d}{float(A[k]):6.2f}{float(B[k]):6.2f}".ljust(20) + "".join(plot[:33])
        text = text.ljust(53) + f"{float(C[k]):6.2f}"
        text = text.ljust(61) + "".join(plot[33:])
        out.append(text.ljust(82))  # the plot columns are written, blanks included
    return out


def series(n, seed):
    rng = np.random.default_rng(seed)
    t = np.arange(n)
    curve = 2.0 * np.exp(-t / 40.0) + 0.5
    ym = curve * (1 + 0.25 * rng.standard_normal(n))
    return ([float(f32(v)) for v in ym], [float(f32(v)) for v in curve],
            [float(f32(f32(a) / f32(c))) for a, c in zip(ym, curve)])


cases = []
ym, yc, yi = series(100, 1)
cases.append(("100 years from 1901 in 10-year blocks", 1901, 10, ym, yc, yi))
ym, yc, yi = series(95, 2)
yc[:10] = ym[:10]  # the curve of the first block equals the measurements
cases.append(("95 years from 1900, first block without a separate curve", 1900, 10, ym, yc, yi))
ym, yc, yi = series(62, 3)
cases.append(("62 years from 1853 in 5-year blocks", 1853, 5, ym, yc, yi))

for name, iyr1, nstep, ym, yc, yi in cases:
    print(f'{{"{name}", {iyr1}, {nstep},')
    for v in (ym, yc, yi):
        print("    {" + ", ".join(repr(x) for x in v) + "},")
    print("    {")
    for line in listing(ym, yc, yi, iyr1, nstep):
        print('        "' + line + '",')
    print("    }},")
