#!/usr/bin/python3
"""Expected raw-series listing lines for a few real Tucson ring-width files.

An independent reading of the files and of the listing rules: fixed columns
parsed here by hand, values scaled in 32-bit reals (integer * 0.01, times 0.1
more for series ending in -9999), every statistic summed in 32-bit reals with
numpy.float32, as the program computes them. Writes <name>_raw_listing.txt
beside this script: the gap report, the per-series table, the count line and
the eight summary rows, in listing order.

Run: /usr/bin/python3 raw_listing.py ../../data/rwl/wa129.rwl ...
"""
import os
import sys

import numpy as np

F = np.float32


def parse_tucson(path):
    """Series of a Tucson ring-width file: list of (id, first_year, values)."""
    series = []
    cur = None
    with open(path, 'rb') as fh:
        for raw in fh.read().split(b'\n'):
            line = raw.decode('latin-1').rstrip('\r')[:80].ljust(80)
            if line[8:12].strip() == '':
                continue
            if line[7] == '-':
                idw, yw = 7, 5
            elif line[6] == '-':
                idw, yw = 6, 6
            else:
                idw, yw = 8, 4
            ident = line[:idw]
            try:
                year = int(line[idw:idw + yw])
                fields = [line[12 + 6 * k:18 + 6 * k] for k in range(10)]
                nums = [int(f) if f.strip() else 0 for f in fields]
            except ValueError:
                continue  # a text line
            if cur is None:
                cur = [ident.ljust(8), year, []]
                slots = 10 - (year % 10)
            else:
                slots = 10
            for v in nums[:slots]:
                if v == 999 or v == -9999:
                    vals = [F(i) * F(0.01) for i in cur[2]]
                    if v == -9999:
                        vals = [x * F(0.1) for x in vals]
                    series.append((cur[0], cur[1], vals))
                    cur = None
                    break
                cur[2].append(v)
    return series


def serstat(x, cnt):
    """Statistics over the counted positions, 32-bit sums throughout."""
    n = len(x)
    idx = [j for j in range(n) if cnt[j] > 0]
    m = len(idx)
    undef = F(-99.0)
    if n == 0 or m == 0:
        return [undef] * 8
    s = F(0)
    for j in idx:
        s = F(s + x[j])
    ave = F(s / F(m))
    if m == 1:
        return [ave] + [undef] * 7
    s1 = s2 = s3 = s4 = F(0)
    for j in idx:
        d = F(x[j] - ave)
        s1 = F(s1 + abs(d))
        p = F(d * d)
        s2 = F(s2 + p)
        p = F(p * d)
        s3 = F(s3 + p)
        p = F(p * d)
        s4 = F(s4 + p)
    ssum = F(0)
    npairs = 0
    for j in range(n - 1):
        if cnt[j] > 0 and cnt[j + 1] > 0:
            npairs += 1
            pm = F(F(x[j] + x[j + 1]) * F(0.5))
            if pm > 0:
                ssum = F(ssum + abs(F(F(x[j + 1] - x[j]) / pm)))
    fm = F(m)
    adev = F(s1 / fm)
    var = F(s2 / F(m - 1))
    sens = F(ssum / F(npairs)) if npairs > 0 else undef
    if var <= 0:
        return [ave, adev, undef, var, undef, undef, sens, undef]
    sdev = F(np.sqrt(var))
    gs = F(np.sqrt(F(abs(F(fm * F(m - 1)))))) / F(m - 2) * F(F(8.5) / fm + F(1)) if m >= 3 else F(1)
    gk = F(fm * fm * F(m + 1)) / F(F(m - 2) * F(m - 1) * F(m - 3)) if m >= 4 else F(1)
    skew = F(F(s3 / F(fm * F(sdev * sdev * sdev))) * F(gs))
    curt = F(F(s4 / F(fm * F(var * var))) * F(gk))
    sp = F(np.sqrt(F(F(var * F(m - 1)) / fm)))
    z = [F(F(x[j] - ave) / sp) if cnt[j] > 0 else F(0) for j in range(n)]
    acs = F(0)
    for j in range(1, n):
        if cnt[j - 1] > 0 and cnt[j] > 0:
            acs = F(acs + F(z[j - 1] * z[j]))
    ac1 = F(acs / F(npairs)) if npairs > 0 else undef
    return [ave, adev, sdev, var, skew, curt, sens, ac1]


def fivnum(a):
    x = sorted(a)
    n = len(x)
    h = n // 2
    med = F(F(x[h] + x[n - h - 1]) * F(0.5))
    k = (n + 1) // 2
    q = k // 2
    lh = F(F(x[q] + x[k - q - 1]) * F(0.5))
    uh = F(F(x[n - k + q] + x[n - q - 1]) * F(0.5))
    return med, uh, lh, F(uh - lh), x[0], x[-1]


def fitted(v, w, d):
    """v in a field of w with d decimals, or as many fewer as leave a blank
    before it; without decimals a field as wide as it needs and a blank."""
    for k in range(d, -1, -1):
        t = '%.*f' % (k, v) + ('.' if k == 0 else '')
        if len(t) < w:
            return t.rjust(w)
    return ' ' + t


def figures(v):
    """Mean, sdev, skew, kurt, sens, ac(1) in their 8, 8, 7, 7, 7, 8 columns."""
    return ''.join(fitted(x, w, 3) for x, w in zip(v, (8, 8, 7, 7, 7, 8)))


def gaps_of(years):
    runs = []
    for y in years:
        if runs and y == runs[-1][1] + 1:
            runs[-1][1] = y
        else:
            runs.append([y, y])
    return runs


def listing(path):
    series = parse_tucson(path)
    out = []
    stats = []
    first_all = min(s[1] for s in series)
    last_all = max(s[1] + len(s[2]) - 1 for s in series)
    ngap = 0
    for k, (ident, fy, vals) in enumerate(series, start=1):
        mask = [0 if v < 0 else 1 for v in vals]
        missing = [fy + i for i, m in enumerate(mask) if m == 0]
        if missing:
            ngap += 1
            runs = gaps_of(missing)
            out.append('%12d%7s%s%7smissing values found:%4d in%4d gaps' % (k, '', ident, '', len(missing), len(runs)))
            for i in range(0, len(runs), 4):
                out.append(' ' * 13 + '/' + ''.join('%5d %5d /' % tuple(r) for r in runs[i:i + 4]))
            out.append(' ' * 7 + '-' * 68)
        st = serstat(vals, mask)
        stats.append([F(len(vals) - len(missing)), st[0], st[2], st[4], st[5], st[6], st[7]])
    if ngap == 0:
        out.append(' ' * 27 + '--- no gaps in data found ---')
    for k, (ident, fy, vals) in enumerate(series, start=1):
        r = stats[k - 1]
        ly = fy + len(vals) - 1
        out.append(' %5d   %-7s%6d%7d%7d' % (k, ident[:7], fy, ly, ly - fy + 1) + figures(r[1:7]))
    out.append('       number of series read in: %4d   from%7d  to%7d%8d years' %
               (len(series), first_all, last_all, last_all - first_all + 1))
    nc = len(series)
    summary = []
    for j in range(7):
        col = [r[j] for r in stats]
        st = serstat(col, [1] * nc)
        med, uh, lh, iqr, mn, mx = fivnum(col)
        summary.append([st[0], st[2], med, iqr, mn, lh, uh, mx])
    labels = ['arithmetic mean', 'standard deviation', 'median (50th quantile)', 'interquartile range',
              'minimum value', 'lower hinge (25th quantile)', 'upper hinge (75th quantile)', 'maximum value']
    for r, lab in enumerate(labels):
        yrs = summary[0][r]
        shown = int(np.floor(float(yrs) + 0.5)) if r == 0 else int(float(yrs))
        out.append((' ' + lab).ljust(32) + '%4d' % shown + figures([summary[j][r] for j in range(1, 7)]))
    return out


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for p in sys.argv[1:]:
        name = os.path.splitext(os.path.basename(p))[0]
        with open(os.path.join(here, name + '_raw_listing.txt'), 'w') as fh:
            fh.write('\n'.join(listing(p)) + '\n')
        ser = parse_tucson(p)
        print(name, len(ser), min(s[1] for s in ser), max(s[1] + len(s[2]) - 1 for s in ser))
