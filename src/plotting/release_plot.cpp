// The growth-release plot of one series: the running means before and after
// each year with their error bars above; the relative growth change with the
// series rescaled onto it, the threshold and the releases found below.
#include <algorithm>
#include <cmath>
#include <vector>

#include "numerics/statistics.hpp"
#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"
#include "shared/layout.hpp"

namespace kov {
namespace {

std::string written(std::string_view layout, long long v) {
    std::string s = fmt(layout, v);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

struct Release {
    int np = 0, n = 0, T = 0, first_year = 0;
    std::vector<float> rm1, se1, rm2, se2, pg, gyear, xs, xyear;
    bool unable = false;
    std::string upper, lower, settings;
};

// The mean and standard deviation of v (copied, as moment standardises in place).
void mean_sd(std::span<const float> v, float& mean, float& sd) {
    std::vector<float> w(v.begin(), v.end());
    float adev, var, skew, curt, sens, ac1;
    moment(w, static_cast<int>(w.size()), mean, adev, sd, var, skew, curt, sens, ac1);
    if (w.empty()) mean = 0.0f;
}

}  // namespace

void pltrel(std::span<const float> x, std::span<const float> rm, std::span<const float> se,
            std::span<const float> rm2, std::span<const float> se2, std::span<const float> pg, int& iyr, int n,
            int np, int m, int T, int k, std::string_view id, std::string_view ttl1, std::string_view ttl2,
            std::string_view /*xlab1*/, std::string_view ylab1, std::string_view xlab2, std::string_view ylab2,
            int& iplt, char pref, std::span<const std::string> release_years) {
    Release r;
    r.n = std::clamp(n, 0, static_cast<int>(x.size()));
    r.np = np;
    if (r.n < 1 || r.np < 1) return;  // nothing to show
    r.T = T;
    const int year0 = iyr;
    const std::string name = trimmed(id);
    const std::string ylab_upper = trimmed(left_justified(ylab1)), xl = trimmed(left_justified(xlab2)),
                      yl = trimmed(left_justified(ylab2));

    PlotSet ps;
    auto prepare = [&] {
        r.rm1.assign(rm.begin(), rm.begin() + r.np);
        r.se1.assign(se.begin(), se.begin() + r.np);
        r.rm2.assign(rm2.begin(), rm2.begin() + r.np);
        r.se2.assign(se2.begin(), se2.begin() + r.np);
        r.pg.assign(pg.begin(), pg.begin() + r.np);
        r.gyear.resize(r.np);
        for (int i = 0; i < r.np; ++i) r.gyear[i] = static_cast<float>(year0 + m - 1 + i);
        float mx, sx, mp, sp;
        mean_sd(x.first(r.n), mx, sx);
        mean_sd(r.pg, mp, sp);
        // An undefined spread (a constant series) puts the series on the mean change.
        const float scale = sx > 0.0f && sp > 0.0f ? sp / sx : 0.0f;
        r.xs.resize(r.n);
        r.xyear.resize(r.n);
        for (int i = 0; i < r.n; ++i) {
            r.xs[i] = (x[i] - mx) * scale + mp;
            r.xyear[i] = static_cast<float>(year0 + i);
        }
        r.first_year = static_cast<int>(std::trunc(r.gyear[0]));
        iyr = r.first_year;
        r.upper = trimmed(left_justified(cut(name + std::string(ttl1), 70)));
        r.lower = trimmed(left_justified(cut(name + std::string(ttl2), 70)));
        r.settings = "rm:   yr.  pg:    %  se:    se  bf:  ";
        r.settings.replace(3, 3, written("(i3)", m));
        r.settings.replace(15, 3, written("(i3)", T));
        r.settings.replace(24, 3, written("(i3)", k));
        r.settings[36] = pref;
        r.settings = trimmed(r.settings);

        float top = -999.9f, lo = 999.9f, hi = -999.9f;
        for (int i = 0; i < r.np; ++i) {
            top = std::max({top, r.rm1[i] + k * r.se1[i], r.rm2[i] + k * r.se2[i]});
            lo = std::min({lo, r.pg[i], r.xs[std::min(i, r.n - 1)]});
            hi = std::max({hi, r.pg[i], r.xs[std::min(i, r.n - 1)]});
        }
        ps.ymin = 0.0f;
        ps.ymax = top + 0.5f;
        r.unable = lo < -10.0f || hi > 20.0f;
        ps.zmin = r.unable ? 0.0f : lo;
        ps.zmax = r.unable ? ps.ymax : hi;
        ps.xmin = 10.0f * std::trunc(r.xyear.front() / 10.0f);
        ps.xmax = 10.0f * std::trunc(r.xyear.back() / 10.0f) + 10.0f;
        axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick,
               ps.ytick, ps.ztick);
    };
    auto bars = [&](const std::vector<float>& mean, const std::vector<float>& err) {
        for (int i = 0; i < r.np; ++i) {
            const float bx = static_cast<float>(r.first_year + i);
            const float px[2] = {bx, bx}, py[2] = {mean[i] - k * err[i], mean[i] + k * err[i]};
            plot::line(px, py);
        }
    };
    auto draw = [&] {
        begin_pass(2);
        panel_frame(ps, 0.1, 0.9, 0.15, 0.86, ps.xmin, ps.xmax, 0.0, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                    ps.nysub);
        plot::lab("", ylab_upper, r.upper);
        plot::lsty(ps.lsty[0]);
        plot::col0(ps.icol[2]);
        plot::line(r.gyear, r.rm1);
        bars(r.rm1, r.se1);
        plot::col0(ps.icol[1]);
        plot::line(r.gyear, r.rm2);
        bars(r.rm2, r.se2);
        plot::col0(ps.itxtc);
        plot::mtex("t", -0.01, 0.27, 0.0, r.settings);

        plot::adv(0);
        plot::vpor(0.1, 0.9, 0.2, 0.75);
        plot::wind(ps.xmin, ps.xmax, ps.zmin, ps.zmax);
        plot::lsty(ps.lsty[0]);
        plot::col0(ps.ifrmc);
        plot::axes(ps.xmin, ps.zmin, "abinst", ps.xtick, ps.nxsub, "abinstv", ps.ztick, ps.nzsub, ps.xmin, ps.xmax,
                   ps.zmin, ps.zmax);
        plot::col0(ps.itxtc);
        if (r.unable) {
            plot::lab(xl, yl, "Unable to display this plot");
            plot::end();
            return;
        }
        plot::lab(xl, yl, "");
        plot::col0(ps.icol[2]);
        plot::line(r.gyear, r.pg);
        plot::col0(ps.icol[1]);
        plot::line(r.xyear, r.xs);
        plot::col0(ps.icol[0]);
        for (const std::string& y : release_years) {
            float at = 0.0f;
            try {
                const auto v = read_values("(f4.0)", y);
                if (!v.empty()) at = static_cast<float>(v[0].r);
            } catch (const ReadError&) {
                continue;
            }
            const float px[2] = {at, at}, py[2] = {ps.zmax, ps.zmin};
            plot::line(px, py);
        }
        plot::line(r.gyear, std::vector<float>(r.np, static_cast<float>(r.T) / 100.0f));
        plot::line(r.xyear, std::vector<float>(r.n, 0.0f));
        plot::mtex("t", 6.0, 0.2, 0.0, r.lower);
        plot::fontld(1);
        plot::font(1);
        const size_t count = release_years.size();
        const size_t lines = count < 10 ? 1 : (count + 9) / 10;
        for (size_t j = 0; j < lines; ++j) {
            std::string text = j == 0 ? "Release dates:" : "";
            std::vector<std::string> ten;
            for (size_t q = 10 * j; q < std::min(count, 10 * j + 10); ++q) ten.push_back(release_years[q]);
            if (!ten.empty()) {
                std::string s = fmt("(10a5)", ten);
                if (!s.empty() && s.back() == '\n') s.pop_back();
                text += s;
            }
            plot::mtex("t", 4.2 - 1.5 * static_cast<double>(j), j == 0 ? 0.05 : 0.22, 0.0, text);
        }
        plot::end();
    };

    PlotCycle cy{ps, plot_menu(PlotMenuKind::release), prepare, draw, {}, &iplt};
    plot::name_pages(std::string(id) + " release");
    run_plot_cycle(cy);
}

}  // namespace kov
