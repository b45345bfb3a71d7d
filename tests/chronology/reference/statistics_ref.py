#!/usr/bin/python3
"""Reference values for the statistics-block tests, computed with numpy from
the series of ca618.rwl (read by rwl_read.py, independently of the program's
reader). Run once from this folder:
    /usr/bin/python3 statistics_ref.py > statistics_ref.inc
"""
import os
import numpy as np
import rwl_read

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../data/rwl")
series = rwl_read.read_tucson(os.path.join(DATA, "ca618.rwl"))
nc = len(series)
F = min(s[1] for s in series)
L = max(s[1] + len(s[2]) - 1 for s in series)
first = np.array([s[1] for s in series])
last = np.array([s[1] + len(s[2]) - 1 for s in series])
mat = np.full((L - F + 1, nc), np.nan)
for k, (_, f, v) in enumerate(series):
    mat[f - F: f - F + len(v), k] = v


def r_of(i, j, y0, y1):
    a = mat[y0 - F: y1 - F + 1, i]
    b = mat[y0 - F: y1 - F + 1, j]
    return float(np.corrcoef(a, b)[0, 1])


def describe(rs):
    rs = np.array(rs)
    n = len(rs)
    m = rs.mean()
    sd = rs.std(ddof=1)
    return n, m, sd, sd / np.sqrt(n)


out = []


def emit(name, value):
    if isinstance(value, (list, tuple, np.ndarray)):
        vals = ", ".join(repr(float(v)) if not isinstance(v, (int, np.integer)) else str(int(v)) for v in value)
        out.append(f"inline const std::vector<double> {name} = {{{vals}}};")
    elif isinstance(value, (int, np.integer)):
        out.append(f"inline constexpr int {name} = {int(value)};")
    else:
        out.append(f"inline constexpr double {name} = {float(value)!r};")


# all pairs with at least 21 common years
rs, years, pairs = [], 0, []
for i in range(nc - 1):
    for j in range(i + 1, nc):
        a, b = max(first[i], first[j]), min(last[i], last[j])
        if b - a + 1 > 20:
            r = r_of(i, j, a, b)
            rs.append(r)
            pairs.append((i + 1, j + 1))
            years += b - a + 1
n, m, sd, se = describe(rs)
emit("all_n", n)
emit("all_mean", m)
emit("all_sd", sd)
emit("all_se", se)
emit("all_min", min(rs))
emit("all_min_pair", pairs[int(np.argmin(rs))])
emit("all_max", max(rs))
emit("all_max_pair", pairs[int(np.argmax(rs))])
emit("all_pct_pairs", n / (nc * (nc - 1) / 2) * 100)
emit("all_pct_years", years / (nc * (nc - 1) / 2 * (L - F + 1)) * 100)

# running windows of 50 years overlapping by 25
w, o = 50, 25
starts = [F] + [((F // 10) * 10 + 10) + (w - o) * (k - 1) for k in range(2, (L - F + (w - o)) // (w - o) + 1)]
rows = []
for s in starts:
    e = s + w - 1
    if e > L:
        continue
    cover = [k for k in range(nc) if first[k] <= s and last[k] >= e]
    rr = [r_of(i, j, s, e) for x, i in enumerate(cover) for j in cover[x + 1:]]
    if not rr:
        continue
    nss = np.count_nonzero(~np.isnan(mat[s - F: e - F + 1, :])) / w
    rb = np.mean(rr)
    sdv = np.std(rr, ddof=1) if len(rr) > 1 else 0.0
    rows += [s + w // 2, len(rr), rb, sdv, rb / ((1 - rb) / nss + rb), nss]
emit("run_rows", rows)

# common period 1900-1980
p1, p2 = 1900, 1980
inper = [k for k in range(nc) if first[k] <= p1 and last[k] >= p2]
N = len(inper)
emit("cp_n", N)
z = mat[p1 - F: p2 - F + 1, inper]
C = np.corrcoef(z, rowvar=False)
iu = np.triu_indices(N, 1)
rall = C[iu]
n_, m_, sd_, se_ = describe(rall)
emit("cp_mean", m_)
emit("cp_sd", sd_)
tree = {}
for k in inper:
    tree.setdefault(series[k][0][:5], []).append(k)
wt, bt = [], []
for x, i in enumerate(inper):
    for j in inper[x + 1:]:
        (wt if series[i][0][:5] == series[j][0][:5] else bt).append(r_of(i, j, p1, p2))
emit("cp_within", describe(wt)[:3])
emit("cp_between", describe(bt)[:3])
ceff = len(tree) / sum(1.0 / len(v) for v in tree.values())
emit("cp_ceff", ceff)
rwt, rbt = np.mean(wt), np.mean(bt)
emit("cp_reff", rbt / ((1 - rwt) / ceff + rwt))
emit("cp_eps", m_ / ((1 - m_) / N + m_))
emit("cp_snr", N * m_ / (1 - m_))

# principal components of the correlation matrix
ev, vec = np.linalg.eigh(C)
ev, vec = ev[::-1], vec[:, ::-1]
for j in range(N):
    if np.sum(vec[vec[:, j] < 0, j] ** 2) > np.sum(vec[vec[:, j] >= 0, j] ** 2):
        vec[:, j] = -vec[:, j]
nyrs = p2 - p1 + 1
emit("pc_eig", ev[:10])
bstick = [sum(1.0 / i for i in range(k, N + 1)) for k in range(1, N + 1)]
nbs = 0
for k in range(N):
    if ev[k] - ev[k] * np.sqrt(2.0 / nyrs) > bstick[k]:
        nbs += 1
    else:
        break
nbs = max(nbs, 1)
emit("pc_nbs", nbs)
emit("pc_nkais", int(np.sum(ev > 1.0)))
emit("pc_vec1", vec[:, 0])
zs = (z - z.mean(axis=0)) / z.std(axis=0, ddof=1)
scores = zs @ vec
emit("pc_score_first_year", scores[0, :5])

# varimax (Kaiser-normalised, rotated to convergence by the SVD iteration)
A = vec[:, :nbs] * np.sqrt(ev[:nbs])
h = np.sqrt((A ** 2).sum(axis=1))
B = A / h[:, None]
T = np.eye(nbs)
d = 0
for _ in range(1000):
    Lm = B @ T
    u, s, vt = np.linalg.svd(B.T @ (Lm ** 3 - Lm @ np.diag((Lm ** 2).sum(axis=0)) / N))
    T = u @ vt
    dn = s.sum()
    if dn < d * (1 + 1e-12):
        break
    d = dn
R = (B @ T) * h[:, None]
for j in range(nbs):
    if np.sum(R[R[:, j] < 0, j] ** 2) > np.sum(R[R[:, j] >= 0, j] ** 2):
        R[:, j] = -R[:, j]
emit("vf_loads", R.T.flatten())  # factor by factor
emit("vf_fraction", (R ** 2).sum(axis=0) / N)
Bc = R @ np.linalg.inv(R.T @ R)
emit("vf_score_first_year", (zs @ Bc)[0, :])

print("// Written by statistics_ref.py from ca618.rwl; do not edit.")
print("#pragma once\n#include <vector>\nnamespace statref {")
print("\n".join(out))
print("}  // namespace statref")
