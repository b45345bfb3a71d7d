# Places the values of the default run-time menu in the columns the menu gives
# them (label from its start column, each value right-justified in its
# columns, the description from column 47), independently of the layout
# engine. Run once; its output is pasted into runtime_menu_test.cpp.
def put(line, col, text):
    line = line.ljust(col - 1)
    return line[:col-1] + text + line[col-1+len(text):]
def rj(v, a, b):  # value right-justified in columns a..b
    return (str(v)).rjust(b - a + 1)
rows = [
 (2, " [1] tree-ring data type", [(1,26,30)], "!tucson ring-width format"),
 (2, " [2] missing data in gaps", [(-9,26,30),(0,31,43)], "!missing values estimated (no plots)"),
 (2, " [3] data transformation", [(0,26,30),(0,31,43)], "!no data transformation (no plots)"),
 (2, " [4] first detrending", [(-6,26,30),(20,31,37),(0,38,43)], "!1st-age-dependent spline, init spline"),
 (2, " [5] second detrending", [(0,26,30),(0,31,37),(0,38,43)], "!2nd-no detrending performed"),
 (2, " [6] robust detrending", [(1,26,30)], "!non-robust detrending methods used"),
 (2, " [7] interactive detrend", [(0,26,30)], "!no interactive detrending"),
 (2, " [8] index calculation", [(1,26,30)], "!tree-ring indices or ratios (rt/gt)"),
 (2, " [9] ar modeling method", [(1,26,30),(0,31,37),(0,38,43)], "!non-robust autoregressive modeling"),
 (2, "[10] pooled ar order", [(0,26,30),(0,31,43)], "!minimum aic pooled ar model order fit (no plots)"[:39]),
 (2, "[11] series ar order", [(0,26,30)], "!pooled ar order fit to all series"),
 (2, "[12] mean chronology", [(2,27,30),(0,31,34),(0,35,39),(0,40,43)], "!robust (biweight) mean chronology"),
 (2, "[13] stabilize variance", [(1,26,30)], "!rbar weighted stabilization method"),
 (2, "[14] common period years", [(0,30,34),(0,35,39)], "!no common period analysis performed"),
 (2, "[15] site-tree-core mask", [], "!site-tree-core separation mask"),
 (2, "[16] running rbar", [(50,30,34),(25,35,39),(0,40,43)], "!running rbar window/overlap (no plots)"),
 (2, "[17] printout option", [(2,26,30)], "!summary & series statistics printed"),
 (2, "[18] core series save", [(0,26,30)], "!no individual core series saved"),
 (2, "[19] summary plots", [(0,26,30)], "!no spaghetti and mean chronology plots"),
 (2, "[20] stand dynamics stuff", [(0,28,30),(0,31,43)], "!no stand dynamics analyses done"),
 (7, "running mean window", [(0,28,30)], "!running mean window width"),
 (7, "percent growth change", [(0,28,30)], "!percent growth change threshold"),
 (7, "std error threshold", [(0,28,30)], "!standard error limit threshold"),
]
for start, label, vals, desc in rows:
    l = put("", start, label)
    for v, a, b in vals:
        l = put(l, a, rj(v, a, b))
    if label.startswith("[15]"):
        l = put(l, 33, "SSSTTCC ")
    l = put(l, 47, desc)
    print('        "%s",' % l.rstrip())

# Two more lines: regional curve standardisation, and order 3 with its plot.
l = put("", 2, " [5] rcs detrending")
for v, a, b in [(-6, 26, 30), (10, 31, 37), (0, 38, 43)]:
    l = put(l, a, rj(v, a, b))
print('        "%s",' % put(l, 47, "!rcs-age-dependent spline, init spline").rstrip())
l = put("", 2, "[10] pooled ar order")
for v, a, b in [(3, 26, 30), (1, 31, 43)]:
    l = put(l, a, rj(v, a, b))
print('        "%s",' % put(l, 47, "!user-supplied pooled ar model order fit (w/ plots"[:39]).rstrip())

# Question blocks of the option entry: text from column 2, choice marker from
# column 38, remark from column 53, prompt "==> " from column 45.
def q(text, marker=None, remark=None, prompt=False, start=2, marker_col=38):
    l = put("", start, text)
    if marker:
        l = put(l, marker_col, marker)
    if remark:
        l = put(l, 53, remark)
    if prompt:
        l = put(l, 45, "==> ")
    return l
for l in [q("tree-ring measurement types (/ to exit, h for help):"),
          q("raw measurements  (tucson format)", "<1>"),
          q("tree-ring series (uea cru format)", " 2"),
          q("tree-ring indices (tucson format)", " 3"),
          q("tree-ring series in compact format", " 4"),
          q("enter your data format type", prompt=True),
          q("adaptive power transform (rt^p)", " 4", "(*** experimental!!! ***)"),
          q("age dependent spline ", "<-6>", marker_col=37),
          q("smoothing spline (pct n cutoff)", "<-9", prompt=True, marker_col=37),
          q("interactive gap and detrend", " 3", prompt=True),
          q("save in the compact data format", " 4"),
          q("percent growth changes (range 5-50)", prompt=True, start=3)]:
    print('        "%s",' % (l if l.endswith("==> ") else l.rstrip()))
