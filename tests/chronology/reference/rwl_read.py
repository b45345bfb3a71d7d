"""Tucson decade-file reader for the reference scripts of the statistics tests:
identifier in columns 1-8, decade year in 9-12, values of six columns from 13;
999 (hundredths) or -9999 (thousandths) closes a series. Three header lines."""


def read_tucson(path):
    order, first, values, scale = [], {}, {}, {}
    with open(path) as fh:
        lines = fh.read().splitlines()
    for ln in lines[3:]:
        ln = ln.rstrip("\r")
        if len(ln) < 18:
            continue
        sid = ln[:8]
        year = int(ln[8:12])
        if sid not in first:
            order.append(sid)
            first[sid] = year
            values[sid] = []
        for k in range(10):
            f = ln[12 + 6 * k: 18 + 6 * k].strip()
            if not f:
                break
            v = int(f)
            if v in (999, -9999):
                scale[sid] = 0.01 if v == 999 else 0.001
                break
            values[sid].append(v)
    out = []
    for sid in order:
        sc = scale.get(sid, 0.01)
        out.append((sid, first[sid], [v * sc for v in values[sid]]))
    return out
