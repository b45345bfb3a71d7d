// Every series of the stage held in sermat on one panel, with the stage's mean
// curve when there is one.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"
#include "shared/capacities.hpp"
#include "shared/tables.hpp"

namespace kov {
namespace {

struct Span {
    int series, from, to;
};

struct AllSeries {
    PlotSet ps;
    bool age_mode = false;
    int first = 0, last = 0;
    std::vector<Span> spans;
    std::string name_field, title, xlab, ylab;
};

// The row of sermat that holds year (or age) v of the drawn spans, 0 when none.
int row_of(const AllSeries& a, int v) {
    const int r = a.age_mode ? v : v - a.first + 1;
    return r >= 1 && r <= mxy ? r : 0;
}

void prepare(AllSeries& a, int kind) {
    SharedTables& sh = shared();
    const int nc = std::clamp(sh.nc, 0, mxs);
    a.age_mode = sh.optval(4, 1) == -2 && kind == 5;
    if (a.age_mode) {
        a.first = 1;
        a.last = 0;
        for (int i = 1; i <= nc + 1; ++i) a.last = std::max(a.last, sh.sertbl(i, ily) - sh.sertbl(i, ify) + 1);
    } else {
        a.first = 9999;
        a.last = -9999;
        for (int i = 1; i <= nc; ++i) {
            a.first = std::min(a.first, sh.sertbl(i, ify));
            a.last = std::max(a.last, sh.sertbl(i, ily));
        }
    }
    a.spans.clear();
    float lo = 9999.0f, hi = -9999.0f;
    for (int i = 1; i <= nc; ++i) {
        const int f = sh.sertbl(i, ify), l = sh.sertbl(i, ily);
        Span s{i, 0, 0};
        if (a.age_mode) {
            const int len = l - f + 1;
            if (!(len > a.first || a.last > 1)) continue;
            s.from = 1;
            s.to = std::min(len, a.last);
        } else {
            if (!(l > a.first || f < a.last)) continue;
            s.from = std::max(f, a.first);
            s.to = std::min(l, a.last);
        }
        for (int v = s.from; v <= s.to; ++v)
            if (const int r = row_of(a, v)) {
                lo = std::min(lo, sh.sermat.at(r, i));
                hi = std::max(hi, sh.sermat.at(r, i));
            }
        a.spans.push_back(s);
    }
    PlotSet& ps = a.ps;
    if (a.spans.empty()) {  // every series in one single year: an empty frame
        lo = 0.0f;
        hi = 1.0f;
    }
    ps.ymax = hi;
    ps.ymin = lo > 0.0f ? lo : 0.0f;
    ps.xmin = 10.0f * std::trunc(static_cast<float>(a.first) / 10.0f);
    ps.xmax = 10.0f * std::trunc(static_cast<float>(a.last) / 10.0f) + 10.0f;
    axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick, ps.ytick,
           ps.ztick);
}

void draw(AllSeries& a) {
    SharedTables& sh = shared();
    const PlotSet& ps = a.ps;
    begin_pass(1);
    panel_frame(ps, 0.12, 0.95, 0.2, 0.8, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                ps.nysub);
    plot::lab(a.xlab, a.ylab, a.title);
    plot::mtex("t", 3.5, 0.18, 0.0, a.name_field);
    plot::lsty(ps.lsty[0]);
    plot::col0(ps.icol[0]);
    std::vector<float> x, y;
    for (const Span& s : a.spans) {
        x.clear();
        y.clear();
        for (int v = s.from; v <= s.to; ++v)
            if (const int r = row_of(a, v)) {
                x.push_back(static_cast<float>(v));
                y.push_back(sh.sermat.at(r, s.series));
            }
        plot::line(x, y);
    }
    if (sh.crvmean[0] >= 0.0f) {
        plot::width(ps.lsty[1]);
        plot::col0(ps.icol[1]);
        x.clear();
        y.clear();
        const int offset = a.first - sh.sertbl(std::clamp(sh.nc, 0, mxs) + 1, ify);
        for (int k = 1; k <= a.last - a.first + 1; ++k) {
            const int r = offset + k;
            if (r < 1 || r > static_cast<int>(sh.crvmean.size())) continue;
            x.push_back(static_cast<float>(a.first + k - 1));
            y.push_back(sh.crvmean[r - 1]);
        }
        plot::line(x, y);
    }
    plot::end();
}

}  // namespace

void pltall(std::string_view title, std::string_view xlabel, std::string_view ylabel, int kind) {
    const SharedTables& sh = shared();
    AllSeries a;
    // The data file name centred round position 20 of a 40-character field.
    a.name_field.assign(40, ' ');
    const std::string name = cut(sh.datfil, 40);
    const size_t blank = name.find(' ');
    const size_t len = blank == std::string::npos ? name.size() : blank;
    const size_t start = len / 2 >= 20 ? 0 : 20 - len / 2 - 1;  // a 40-character name fills the field
    for (size_t i = 0; i < len && start + i < 40; ++i) a.name_field[start + i] = name[i];
    a.name_field = trimmed(a.name_field);
    a.title = trimmed(left_justified(title));
    a.xlab = trimmed(left_justified(cut(trimmed(xlabel), 50)));
    a.ylab = trimmed(left_justified(cut(ylabel, 60)));

    PlotCycle cy{a.ps, plot_menu(PlotMenuKind::all_series), [&] { prepare(a, kind); }, [&] { draw(a); }, {}, nullptr};
    std::string what = a.title;
    if (what.rfind("tree ring ", 0) == 0) what.erase(0, 10);
    plot::name_pages(what);
    run_plot_cycle(cy);
}

}  // namespace kov
