// How strongly the series counted in a robust mean chronology, year by year:
// the median, the lower hinge and the least of the biweight weights.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"

namespace kov {

void pltwgt(std::span<const float> q1, std::span<const float> q2, std::span<const float> q3, int n, int iyr1,
            std::string_view fname, std::string_view title, std::string_view xlab, std::string_view ylab,
            char /*flag*/, int kind) {
    const int m = std::clamp(n, 0, static_cast<int>(std::min({q1.size(), q2.size(), q3.size()})));
    std::vector<float> x(m);
    for (int i = 0; i < m; ++i) x[i] = static_cast<float>(iyr1 + i);
    const std::vector<float> med(q1.begin(), q1.begin() + m), hinge(q2.begin(), q2.begin() + m),
        least(q3.begin(), q3.begin() + m);
    const std::string head = trimmed(left_justified(cut(trimmed(cut(fname, 50)) + std::string(title), 70)));
    const std::string xl = trimmed(left_justified(xlab)), yl = trimmed(left_justified(ylab));

    PlotSet ps;
    PlotCycle cy{ps, plot_menu(PlotMenuKind::weights), {}, {}, {}, nullptr};
    cy.prepare = [&] {
        const float last = static_cast<float>(iyr1 + std::max(m, 1) - 1);
        ps.xmin = 10.0f * std::trunc(static_cast<float>(iyr1) / 10.0f);
        ps.xmax = 10.0f * std::trunc(last / 10.0f) + 10.0f;
        ps.ymin = 0.0f;
        ps.ymax = 1.0f;
        axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick,
               ps.ytick, ps.ztick);
    };
    cy.draw = [&] {
        begin_pass(1);
        panel_frame(ps, 0.12, 0.95, 0.2, 0.8, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                    ps.nysub);
        plot::lab(xl, yl, head);
        plot::lsty(ps.lsty[0]);
        plot::col0(ps.icol[1]);
        plot::width(ps.lsty[1]);
        plot::line(x, med);
        plot::col0(ps.icol[0]);
        plot::width(ps.lsty[0]);
        plot::line(x, hinge);
        plot::col0(ps.icol[2]);
        plot::line(x, least);
        plot::end();
    };
    static const char* const chronology[] = {"raw", "ind", "res", "rcs"};  // kinds 1 to 4
    plot::name_pages(std::string(kind >= 1 && kind <= 4 ? chronology[kind - 1] : "") + " weights");
    run_plot_cycle(cy);
}

}  // namespace kov
