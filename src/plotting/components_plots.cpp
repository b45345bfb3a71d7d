// The loadings (bars over the series) and scores (curves over the years) of up
// to four principal components or varimax factors per page.
#include <algorithm>
#include <vector>

#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"
#include "shared/layout.hpp"

namespace kov {

// "PC_" or "VF_", the component number, its percentage of variance and "%".
std::string component_label(int kind, int comp, float pct) {
    std::string label(17, ' ');
    label.replace(0, 3, kind == 2 ? "VF_" : "PC_");
    std::string num = fmt(comp < 10 ? "(i1)" : "(i2)", comp);
    if (!num.empty() && num.back() == '\n') num.pop_back();
    label.replace(3, num.size(), num);
    std::string p = fmt("(f5.2)", pct);
    if (!p.empty() && p.back() == '\n') p.pop_back();
    label.replace(5, p.size(), p);
    label[11] = '%';
    return trimmed(label);
}

void pltldg(std::span<const float> pgload, int nser, int /*ncpage*/, std::string_view /*datfil*/,
            std::string_view subttl, int& iplot, int ldp, int istage, const std::array<float, 4>& pgpct, int kind,
            const std::array<int, 4>& pgcomp, int nf) {
    const int n = std::clamp(nser, 0, ldp);
    if (pgload.size() < static_cast<size_t>(ldp) * 4 || n < 1) return;  // no page to show
    auto load = [&](int i, int c) { return pgload[static_cast<size_t>(c - 1) * ldp + (i - 1)]; };
    auto shown = [&](int c) { return pgpct[c - 1] != 0.0f && pgcomp[c - 1] <= nf; };
    const std::string title(subttl);

    PlotSet ps;
    PlotCycle cy{ps, plot_menu(PlotMenuKind::loadings), {}, {}, {}, &iplot};
    plot::name_pages(stage_file_tag(istage) + (kind == 2 ? " vf" : " pc") + " loadings");
    cy.prepare = [&] {
        ps.ymin = 9999.0f;
        ps.ymax = -9999.0f;
        for (int c = 1; c <= 4; ++c)
            for (int i = 1; i <= n; ++i) {
                ps.ymin = std::min(ps.ymin, load(i, c));
                ps.ymax = std::max(ps.ymax, load(i, c));
            }
        ps.xmin = 0.0f;
        ps.xmax = static_cast<float>(n);
        ps.zmin = 0.0f;
        ps.zmax = 10.0f;
        axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick,
               ps.ytick, ps.ztick);
        if (istage == 2) {
            ps.ymin = -0.5f, ps.ymax = 1.0f, ps.ytick = 0.5f, ps.nysub = 1;
        }
        ps.lsty[1] = 1;
    };
    cy.draw = [&] {
        begin_titled_page(ps);
        plot::mtex("t", 2.8, 0.05, 0.0, title);
        plot::ssub(2, 2);
        const float w = ps.xmax / static_cast<float>(n);
        std::vector<float> zx(n + 1), zy(n + 1, 0.0f);
        for (int i = 0; i <= n; ++i) zx[i] = static_cast<float>(i);
        if (shown(1)) plot::adv(0);
        for (int c = 1; c <= 4 && shown(c); ++c) {
            plot::vpor(0.2, 0.9, c <= 2 ? 0.1 : 0.2, c <= 2 ? 0.75 : 0.85);
            plot::wind(ps.xmin, ps.xmax, ps.ymin, ps.ymax);
            plot::col0(ps.ifrmc);
            std::string_view xopt = "abitnrs";
            if (n <= 10) {
                ps.nxsub = 0;
                ps.xtick = 1.0f;
                xopt = "abitnr";
            }
            plot::axes(ps.xmin, ps.ymin, xopt, ps.xtick, ps.nxsub, "abinstv", ps.ytick, ps.nysub, ps.xmin, ps.xmax,
                       ps.ymin, ps.ymax);
            plot::col0(ps.itxtc);
            plot::lab(c <= 2 ? "" : "series", "loadings", component_label(kind, pgcomp[c - 1], pgpct[c - 1]));
            plot::col0(ps.icol[1]);
            plot::psty(3);
            for (int i = 1; i <= n; ++i) {
                const float xi = static_cast<float>(i - 1) * w, l = load(i, c);
                const float bx[4] = {xi, xi, xi + w, xi + w}, by[4] = {0.0f, l, l, 0.0f};
                plot::fill(bx, by);
                plot::line(bx, by);
            }
            plot::col0(ps.icol[0]);
            plot::width(ps.lsty[1]);
            plot::lsty(ps.lsty[0]);
            plot::line(zx, zy);
            plot::col0(ps.icol[1]);
            plot::width(1);
            plot::lsty(1);
            if (c <= 3) plot::adv(0);
        }
        plot::end();
    };
    run_plot_cycle(cy);
}

void pltscr(std::span<const float> pgscore, const std::array<int, 2>& iperd, int /*ncpage*/,
            std::string_view /*datfil*/, std::string_view subttl, int& iplot, int ldp, int ncol,
            const std::array<float, 4>& pgpct, int istage, int kind, const std::array<int, 4>& pgcomp, int nf) {
    const int nyrs = std::clamp(iperd[1] - iperd[0] + 1, 0, ldp);
    if (pgscore.size() < static_cast<size_t>(ldp) * std::max(ncol, 4) || nyrs < 1) return;
    auto score = [&](int i, int c) { return pgscore[static_cast<size_t>(c - 1) * ldp + (i - 1)]; };
    auto shown = [&](int c) { return pgpct[c - 1] != 0.0f && pgcomp[c - 1] <= nf; };
    const std::string title = cut(std::string(10, ' ') + std::string(subttl), 65);
    std::vector<float> years(nyrs);
    for (int i = 0; i < nyrs; ++i) years[i] = static_cast<float>(iperd[0] + i);

    PlotSet ps;
    ps.xmin = static_cast<float>(iperd[0]);
    ps.xmax = static_cast<float>(iperd[1]);
    PlotCycle cy{ps, plot_menu(PlotMenuKind::scores), {}, {}, {}, &iplot};
    plot::name_pages(stage_file_tag(istage) + (kind == 2 ? " vf" : " pc") + " scores");
    cy.prepare = [&] {
        ps.ymin = 0.0f, ps.ymax = 10.0f, ps.zmin = 0.0f, ps.zmax = 10.0f;
        axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick,
               ps.ytick, ps.ztick);
        ps.lsty[1] = 1;
        ps.ymin = -3.0f, ps.ymax = 3.0f, ps.ytick = 1.0f, ps.nysub = 2;
    };
    cy.draw = [&] {
        begin_titled_page(ps);
        plot::mtex("t", 3.1, -0.06, 0.0, title);
        plot::ssub(1, 4);
        for (int c = 1; c <= 4; ++c) {
            plot::adv(0);
            plot::vpor(0.07, 0.95, c == 1 ? 0.185 : 0.25, c == 1 ? 0.86 : c == 2 ? 0.92 : 0.96);
            plot::wind(ps.xmin, ps.xmax, ps.ymin, ps.ymax);
            if (!shown(c)) continue;
            plot::col0(ps.ifrmc);
            plot::axes(ps.xmin, ps.ymin, "abinst", ps.xtick, ps.nxsub, "abinstv", ps.ytick, ps.nysub, ps.xmin,
                       ps.xmax, ps.ymin, ps.ymax);
            plot::col0(ps.itxtc);
            plot::lab(c == 4 ? "year" : "", component_label(kind, pgcomp[c - 1], pgpct[c - 1]), "");
            plot::width(ps.lsty[0]);
            plot::col0(ps.icol[0]);
            std::vector<float> s(nyrs);
            float sum = 0.0f;
            for (int i = 1; i <= nyrs; ++i) {
                s[i - 1] = score(i, c);
                sum += s[i - 1];
            }
            plot::line(years, s);
            plot::width(ps.lsty[1]);
            plot::col0(ps.icol[1]);
            plot::line(years, std::vector<float>(nyrs, sum / static_cast<float>(nyrs)));
            plot::width(ps.lsty[0]);
            plot::col0(ps.icol[0]);
        }
        plot::end();
    };
    run_plot_cycle(cy);
}

}  // namespace kov
