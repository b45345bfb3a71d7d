// The pooled autoregression page: autocorrelations, partial autocorrelations,
// model coefficients and impulse response as bars over the lags 0 to 10.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"

namespace kov {
namespace {

struct PanelText {
    const char* xlab;
    const char* title;
};
constexpr PanelText texts[4] = {
    {"", "autocorrelations"},
    {"", " partial autocorrelations"},
    {"lags", "autoregressive model"},
    {"lags", "impulse response function"},
};

void fixed_settings(PlotSet& ps) {
    ps.xmin = 0.0f, ps.xmax = 10.5f, ps.xtick = 1.0f, ps.nxsub = 0;
    ps.ymin = -0.5f, ps.ymax = 1.0f, ps.ytick = 0.5f, ps.nysub = 0;
    ps.icol[0] = 1;
    ps.icol[1] = 9;
}

void draw(const PlotSet& ps, const std::array<std::array<float, 11>, 4>& tab, int ld, int nyrs,
          const std::string& title) {
    begin_titled_page(ps);
    plot::lab("", "", title);
    plot::ssub(2, 2);
    for (int p = 0; p < 4; ++p) {
        const double bottom = p < 2 ? 0.1 : 0.2, top = p < 2 ? 0.75 : 0.85;
        panel_frame(ps, 0.2, 0.9, bottom, top, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                    ps.nysub, "abitnr");
        plot::lab(texts[p].xlab, "coeffs", texts[p].title);

        plot::col0(ps.icol[1]);
        plot::psty(3);
        for (int i = 1; i <= 11; ++i) {
            const float v = tab[p][i - 1];
            const float a = i == 1 ? 0.0f : static_cast<float>(i - 1) - 0.35f;
            const float b = i == 1 ? 0.4f : static_cast<float>(i - 1) + 0.4f;
            const float bx[4] = {a, a, b, b}, by[4] = {0.0f, v, v, 0.0f};
            plot::fill(bx, by);
            plot::line(bx, by);
        }
        // The two-standard-error bands; without a sample size there is no band.
        if (p < 2 && nyrs > 0) {
            std::vector<float> k(10), up(10), down(10);
            float sum = 0.0f;
            const float root = std::sqrt(static_cast<float>(nyrs));
            for (int lag = 1; lag <= 10; ++lag) {
                const float s = p == 0 ? 2.0f * std::sqrt(1.0f + 2.0f * sum) / root : 2.0f / root;
                k[lag - 1] = static_cast<float>(lag);
                up[lag - 1] = s;
                down[lag - 1] = -s;
                const float r = tab[0][lag];  // lag `lag` of the autocorrelations
                sum += r * r;
            }
            plot::col0(ps.icol[0]);
            plot::width(ps.lsty[1]);
            plot::lsty(ps.lsty[0]);
            plot::line(k, up);
            plot::line(k, down);
        }
        plot::col0(15);
        plot::width(1);
        plot::lsty(1);
        std::vector<float> zx(ld), zy(ld, 0.0f);
        for (int i = 0; i < ld; ++i) zx[i] = static_cast<float>(i);
        plot::line(zx, zy);
    }
    plot::end();
}

}  // namespace

void pltacf(const Table<float>& table, int rows, int /*order*/, std::string_view datfil, int nyrs,
            int& /*summary_switch*/) {
    std::array<std::array<float, 11>, 4> tab{};
    const int ld = std::clamp(rows, 0, 11);
    for (int c = 0; c < 4 && c < table.cols(); ++c)
        for (int i = 1; i <= std::min(11, table.rows()); ++i) tab[c][i - 1] = table(i, c + 1);
    const std::string title =
        trimmed(left_justified(cut(trimmed(datfil) + " Pooled Autoregression", 65)));

    PlotSet ps;
    PlotCycle cy{ps, plot_menu(PlotMenuKind::pooled_ar), [&] { fixed_settings(ps); },
                 [&] { draw(ps, tab, ld, nyrs, title); }, {}, nullptr};
    plot::name_pages("pooled ar");
    run_plot_cycle(cy);
}

}  // namespace kov
