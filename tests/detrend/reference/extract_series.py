#!/usr/bin/python3
"""Takes a few real ring-width series from the real data files in tests/data and writes
them to series.csv (not kept in the repository) for the R and Python reference
scripts; run it first, from this folder:  /usr/bin/python3 extract_series.py
The C++ tests read the same series from the same files (ring_series.hpp).
"""
import os

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../data/rwl")


def read_tucson(path):
    """Decade lines: id in columns 1-8, year 9-12, then values of 6 columns;
    999 or -9999 ends a series (precision 0.01 or 0.001)."""
    series = {}
    with open(path) as fh:
        lines = fh.read().splitlines()
    for ln in lines[3:]:
        if len(ln) < 18:
            continue
        sid = ln[:8].strip()
        try:
            int(ln[8:12])
        except ValueError:
            continue
        vals = []
        done = None
        for k in range(10):
            f = ln[12 + 6 * k: 18 + 6 * k].strip()
            if not f:
                break
            v = int(f)
            if v in (999, -9999):
                done = 100.0 if v == 999 else 1000.0
                break
            vals.append(v)
        s = series.setdefault(sid, {"raw": [], "scale": None})
        s["raw"].extend(vals)
        if done:
            s["scale"] = done
    out = {}
    for sid, s in series.items():
        if s["scale"]:
            out[sid] = [v / s["scale"] for v in s["raw"]]
    return out


def main():
    ca = read_tucson(os.path.join(DATA, "ca618.rwl"))
    wa = read_tucson(os.path.join(DATA, "wa129.rwl"))
    # the series that tests/detrend/reference/ring_series.hpp reads
    picks = [("long", "FEA37B", ca["FEA37B"]),
             ("medium", "LI759", wa["LI759"]),
             ("short", "LI759", wa["LI759"][:33])]
    with open("series.csv", "w") as fh:
        fh.write("name,id,index,value\n")
        for name, sid, vals in picks:
            for i, v in enumerate(vals, 1):
                fh.write(f"{name},{sid},{i},{v:.3f}\n")


if __name__ == "__main__":
    main()
