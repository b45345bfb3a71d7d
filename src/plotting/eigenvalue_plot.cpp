// The eigenvalues of a principal components analysis against the broken-stick
// values, with one standard error about each eigenvalue.
#include <algorithm>
#include <vector>

#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"

namespace kov {
namespace {

std::string stage_title(int istage) {
    switch (istage) {
        case 1: return "Raw Measurements";
        case 2: return "Transformed Data";
        case 3: return "Detrended Indices";
        case 4: return "Residual Indices";
        default: return "";
    }
}

}  // namespace

void plteig(int neig, std::span<const float> bstick, std::span<const float> eig, int /*ld*/, int /*maxev*/,
            int istage, std::span<const float> sderr) {
    const size_t n = static_cast<size_t>(
        std::clamp<long long>(neig, 0, static_cast<long long>(std::min({bstick.size(), eig.size(), sderr.size()}))));
    std::vector<float> x(n), lo(n), hi(n);
    for (size_t k = 0; k < n; ++k) {
        x[k] = static_cast<float>(k + 1);
        lo[k] = eig[k] - sderr[k];
        hi[k] = eig[k] + sderr[k];
    }
    const std::span<const float> bs = bstick.first(n), ev = eig.first(n);
    const std::string title = stage_title(istage);

    PlotSet ps;
    PlotCycle cy{ps, plot_menu(PlotMenuKind::eigenvalues), {}, {}, {}, nullptr};
    plot::name_pages(stage_file_tag(istage) + " eigenvalues");
    cy.prepare = [&] {
        ps.xmin = 0.0f;
        ps.xmax = static_cast<float>(n);
        ps.ymin = 0.0f;
        float top = -999.0f;
        for (size_t k = 0; k < n; ++k) top = std::max({top, bs[k], ev[k]});
        ps.ymax = top + 5.0f;
    };
    cy.draw = [&] {
        plot::init();
        plot::fontld(1);
        plot::font(1);
        plot::ssub(1, 1);
        plot::col0(15);
        plot::env(ps.xmin, ps.xmax, ps.ymin, ps.ymax, 0, 0);
        plot::lab("Principle Component", "Eigenvalue", title);
        plot::col0(9);
        plot::mtex("b", -30.0, 0.5, 0.5, "Theoretical Broken Stick Values");
        plot::poin(x, bs, 1);
        plot::line(x, bs);
        plot::col0(1);
        plot::mtex("b", -28.2, 0.5, 0.5, "Actual Eigenvalue Trace");
        plot::poin(x, ev, 3);
        plot::line(x, ev);
        plot::col0(9);
        plot::erry(x, lo, hi);
        plot::end();
    };
    run_plot_cycle(cy);
}

}  // namespace kov
