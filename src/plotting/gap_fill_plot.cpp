// One series with missing years, its growth trend, and each run of missing
// years drawn again in the run colours inside a frame.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"

namespace kov {
namespace {

struct Run {
    int first, last;
};

// The missing years (ascending) grouped into runs of consecutive years.
std::vector<Run> runs_of(std::span<const int> gaps) {
    std::vector<Run> runs;
    const size_t n = gaps.size();
    if (n == 0) return runs;
    if (static_cast<long long>(n) == static_cast<long long>(gaps[n - 1]) - gaps[0] + 1) {
        runs.push_back({gaps[0], gaps[n - 1]});
        return runs;
    }
    int open = gaps[0];
    for (size_t k = 1; k < n; ++k) {
        if (gaps[k] - gaps[k - 1] >= 2) {
            runs.push_back({open, gaps[k - 1]});
            open = gaps[k];
        }
        if (k == n - 1) runs.push_back({open, gaps[k]});
    }
    return runs;
}

struct GapFill {
    PlotSet ps;
    int n = 0, first_year = 0;
    std::vector<float> x, y, trend;
    std::vector<Run> runs;
    std::string title, xlab, ylab;
};

void prepare(GapFill& g, std::span<const float> y, std::span<const float> crv) {
    g.x.resize(g.n);
    g.y.assign(y.begin(), y.begin() + g.n);
    g.trend.assign(crv.begin(), crv.begin() + g.n);
    for (int k = 0; k < g.n; ++k) g.x[k] = static_cast<float>(g.first_year + k);
    PlotSet& ps = g.ps;
    ps.ymin = 0.0f;
    ps.ymax = -999.0f;
    for (float v : g.y) ps.ymax = std::max(ps.ymax, v);
    ps.xmin = 10.0f * std::trunc(static_cast<float>(g.first_year) / 10.0f);
    ps.xmax = 10.0f * std::trunc(static_cast<float>(g.first_year + g.n - 1) / 10.0f) + 10.0f;
    axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick, ps.ytick,
           ps.ztick);
}

void draw(const GapFill& g) {
    const PlotSet& ps = g.ps;
    begin_pass(1);
    panel_frame(ps, 0.12, 0.95, 0.2, 0.8, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                ps.nysub);
    plot::lab(g.xlab, g.ylab, g.title);
    plot::lsty(ps.lsty[0]);
    plot::col0(ps.icol[0]);
    plot::line(g.x, g.y);
    plot::width(ps.lsty[1]);
    plot::line(g.x, g.trend);
    plot::width(ps.lsty[0]);
    const int last_year = g.first_year + g.n - 1;
    for (const Run& r : g.runs) {
        const int from = std::max(r.first - 1, g.first_year), to = std::min(r.last + 1, last_year);
        if (from <= to) {
            const size_t a = static_cast<size_t>(from - g.first_year), len = static_cast<size_t>(to - from + 1);
            const std::span<const float> xs(g.x.data() + a, len);
            plot::width(ps.lsty[1]);
            plot::col0(ps.icol[1]);
            plot::line(xs, std::span<const float>(g.y.data() + a, len));
            plot::col0(ps.icol[2]);
            plot::line(xs, std::span<const float>(g.trend.data() + a, len));
        }
        plot::col0(ps.icol[0]);
        plot::width(ps.lsty[0]);
        const float left = static_cast<float>(r.first - 1), right = static_cast<float>(r.last + 1);
        const float top = ps.ymax;
        const float lx[2] = {left, left}, rx[2] = {right, right}, vy[2] = {0.0f, top};
        const float hx[2] = {left, right}, hy[2] = {top, top};
        plot::line(lx, vy);
        plot::line(rx, vy);
        plot::line(hx, hy);
    }
    plot::end();
}

}  // namespace

void pltfil(std::span<const float> y, std::span<const float> crv, int n, int first_year, std::string_view short_id,
            std::string_view title, std::string_view xlabel, std::string_view ylabel, std::string_view /*unused*/,
            int nmiss, std::span<const int> missing_years, int& fill_plot_flag) {
    GapFill g;
    g.n = std::clamp(n, 0, static_cast<int>(std::min(y.size(), crv.size())));
    g.first_year = first_year;
    g.runs = runs_of(missing_years.first(std::clamp<size_t>(std::max(nmiss, 0), 0, missing_years.size())));
    g.title = trimmed(left_justified(cut(trimmed(short_id) + std::string(title), 60)));
    g.xlab = trimmed(left_justified(cut(trimmed(xlabel), 40)));
    g.ylab = trimmed(left_justified(cut(ylabel, 50)));

    PlotCycle cy{g.ps, plot_menu(PlotMenuKind::gap_fill), [&] { prepare(g, y, crv); }, [&] { draw(g); }, {},
                 &fill_plot_flag};
    plot::name_pages(std::string(short_id) + " fill");
    run_plot_cycle(cy);
}

}  // namespace kov
