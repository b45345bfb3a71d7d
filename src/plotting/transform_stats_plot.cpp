// The transformation statistics page: skewness and spread-versus-level
// correlation of every series before and after the transformation, as bars with
// the median and hinges of each panel.
#include <algorithm>
#include <vector>

#include "numerics/statistics.hpp"
#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"
#include "shared/layout.hpp"
#include "shared/tables.hpp"

namespace kov {
namespace {

struct Panel {
    int column;
    const char* ylab;
    const char* title;
    double disp;
};
constexpr Panel panels[4] = {
    {1, "Skew", "Before Transformation Skew", -0.05},
    {2, "Correlation", "Spread vs. Level Correlation", -0.03},
    {4, "Skew", "After Transformation Skew", -0.02},
    {5, "Correlation", "Spread vs. Level Correlation", -0.01},
};

void draw(PlotSet& ps, int nser) {
    const Table<float>& t = shared().trnstat;
    std::vector<float> x(nser), zero(nser, 0.0f), work;
    for (int k = 0; k < nser; ++k) x[k] = static_cast<float>(k + 1);
    ps.xmin = 1.0f;
    ps.xmax = static_cast<float>(nser);

    begin_titled_page(ps);
    plot::mtex("t", 2.3, 0.3, 0.0, "Data Transform Statistics");
    plot::ssub(2, 2);
    for (int p = 0; p < 4; ++p) {
        const Panel& pan = panels[p];
        const float* v = t.col(pan.column);
        ps.ymax = -9999.0f;
        ps.ymin = p < 2 ? 0.0f : 9999.0f;
        for (int k = 0; k < nser; ++k) {
            ps.ymax = std::max(ps.ymax, v[k]);
            ps.ymin = std::min(ps.ymin, v[k]);
        }
        axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick,
               ps.ytick, ps.ztick);
        panel_frame(ps, 0.18, 0.96, 0.15, 0.75, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                    ps.nysub, "abitnr");
        plot::lab("Series", pan.ylab, pan.title);

        plot::col0(ps.isymc);
        plot::psty(3);
        for (int k = 0; k < nser; ++k) {
            const float a = x[k] - 0.1f, b = x[k] + 0.1f;
            const float bx[4] = {a, a, b, b}, by[4] = {0.0f, v[k], v[k], 0.0f};
            plot::fill(bx, by);
            plot::line(bx, by);
        }
        if (p >= 2) plot::line(x, zero);

        // The summary works on a copy, so the table keeps the series order and a
        // redrawn or saved page shows the same bars.
        work.assign(v, v + nser);
        float med = 0, uh = 0, lh = 0, iqr = 0, lo = 0, hi = 0;
        fivnum(work, nser, med, uh, lh, iqr, lo, hi);
        plot::col0(ps.icol[0]);
        plot::line(x, std::vector<float>(nser, med));
        plot::col0(ps.icol[1]);
        plot::line(x, std::vector<float>(nser, uh));
        plot::line(x, std::vector<float>(nser, lh));

        std::string label = fmt("(a,f7.2)", "Median:", med);
        if (!label.empty() && label.back() == '\n') label.pop_back();
        plot::col0(ps.itxtc);
        plot::mtex("t", pan.disp, 0.36, 0.0, label);
    }
    plot::end();
}

}  // namespace

void plttrs(int nc, std::string_view /*datfil*/, std::string_view /*unused*/) {
    const int nser = std::clamp(nc, 0, shared().trnstat.rows());
    if (nser < 1) return;  // no series: nothing to show
    PlotSet ps;
    PlotCycle cy{ps, plot_menu(PlotMenuKind::transform_stats), {}, [&] { draw(ps, nser); }, {}, nullptr};
    plot::name_pages("transform stats");
    run_plot_cycle(cy);
}

}  // namespace kov
