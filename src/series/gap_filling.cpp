#include "series/gap_filling.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chronology/variance_stabilisation.hpp"
#include "numerics/correlation.hpp"
#include "numerics/robust_mean.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/compact.hpp"
#include "series/fixed_text.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {
constexpr int longest_unbridged_gap = 20;
constexpr int bridge_points_each_side = 10;
constexpr float measured_scale = 1.0f;
constexpr float free_scale = 999.0f;
constexpr int default_trend_period = 20;
constexpr int biweight_mean_type = 2;
constexpr float biweight_constant = 7.5f;
constexpr int equalisation_stiffness = 50;
constexpr const char* curves_file = "curves.dat";

// Mean of the values that are not xmiss (0 when there are none).
float mean_of_present(std::span<const float> v) {
    float sum = 0.0f;
    int k = 0;
    for (float a : v)
        if (a != xmiss) {
            sum += a;
            ++k;
        }
    return k ? sum / static_cast<float>(k) : 0.0f;
}

struct Moments2 {
    float ave, sdev;
};

Moments2 counted_mean_sd(std::vector<float>& v, const std::vector<int>& cnt) {
    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(v, cnt, static_cast<int>(v.size()), ave, adev, sdev, var, skew, curt, sens, ac1);
    return {ave, sdev};
}

// Restores the mean type of option 12 however the robust mean is left.
struct MeanTypeGuard {
    int saved;
    MeanTypeGuard() : saved(shared().optval(12, 1)) { shared().optval(12, 1) = biweight_mean_type; }
    ~MeanTypeGuard() { shared().optval(12, 1) = saved; }
};

// The period question of interactive gap filling. Returns 0 when the trend is
// accepted, else the new period.
int ask_trend_period() {
    for (;;) {
        con().line("");
        con().line(" the default setting is a 20 year");
        con().line(" spline for the low-frequency gap filling");
        con().line(" part. hit <ret> to accept and continue or");
        con().write("(1x,'enter in your new spline value',t45,'==> ',$)");
        std::string ans = con().answer();
        ans.resize(8, ' ');
        if (ans[0] == ' ') return 0;
        std::string layout;
        ansfmt(ans, layout);
        try {
            const auto v = read_values(layout, ans);
            // A period below 2 years has no spline: the question comes again.
            if (!v.empty() && v[0].i >= 2 && v[0].i <= 99999) return static_cast<int>(v[0].i);
        } catch (const ReadError&) {
        }
    }
}
}  // namespace

TrendInput trend_input(std::span<float> cells, int first_year, int itrn) {
    const int n = static_cast<int>(cells.size());
    TrendInput t;
    t.w1.resize(n);
    t.w3.resize(n);
    for (int j = 0; j < n; ++j) {
        t.w3[j] = measured_scale;
        if (is_missing(cells[j], itrn)) {
            t.w3[j] = free_scale;
            cells[j] = xmiss;
            t.missing_years.push_back(first_year + j);
        }
        t.w1[j] = cells[j];
    }
    if (t.missing_years.empty()) return t;

    const int last_year = first_year + n - 1;
    std::vector<float> px, py;
    std::vector<int> pc;
    for (const Gap& g : group_gaps(t.missing_years)) {
        if (g.length() <= longest_unbridged_gap) continue;
        const int nb = std::min(bridge_points_each_side, g.first - first_year);
        const int na = std::min(bridge_points_each_side, last_year - g.last);
        px.clear();
        py.clear();
        pc.clear();
        int counted = 0;
        auto take = [&](int year) {
            const float v = t.w1[year - first_year];
            px.push_back(static_cast<float>(year));
            py.push_back(v);
            pc.push_back(v != xmiss ? 1 : 0);
            if (v != xmiss) ++counted;
        };
        for (int y = g.first - nb; y < g.first; ++y) take(y);
        for (int y = g.last + 1; y <= g.last + na; ++y) take(y);
        // A line needs two points; one point gives a level line through it,
        // none (a series that is all gap) leaves the gap to the spline.
        if (counted == 0) continue;
        float a = 0.0f, b = 0.0f;
        if (counted == 1) {
            for (size_t k = 0; k < py.size(); ++k)
                if (pc[k]) a = py[k];
        } else {
            float r;
            corlnm(px, py, pc, static_cast<int>(px.size()), r, a, b);
        }
        for (int y = g.first; y <= g.last; ++y) {
            t.w1[y - first_year] = a + b * static_cast<float>(y);
            t.w3[y - first_year] = measured_scale;
        }
    }
    return t;
}

std::vector<float> fit_trend(const TrendInput& t, int period) {
    const int n = static_cast<int>(t.w1.size());
    std::vector<float> trend(n);
    if (n >= 4 && period >= 2) {
        std::vector<float> scales = t.w3;
        float p = 0.0f;
        trend[0] = spline_not_pd;  // stays when the spline leaves the curve unwritten
        spl2w(n, t.w1, scales, p, trend, period);
        if (trend[0] != spline_not_pd) return trend;
    }
    // Too short for the spline, or a spline that could not be solved: the
    // trend is the level of the series' measured (and bridged) values.
    std::fill(trend.begin(), trend.end(), mean_of_present(t.w1));
    return trend;
}

void estmis(SeriesMatrix& x, int nc, const Table<int>& itab, const std::vector<std::string>& ids) {
    SharedTables& sh = shared();
    if (nc < 1) return;
    const int itrn = sh.optval(3, 1);
    const bool interactive = sh.optval(7, 1) == 1 || sh.optval(7, 1) == 3;
    int fill_plot = sh.optval(2, 2);
    const int y0 = itab(nc + 1, ify);
    const int big_n = itab(nc + 1, ily) - y0 + 1;

    // The trend of each series with missing values goes to the scratch file,
    // so that the fill works with it at the precision of the compact format.
    OutFile& scratch = streams().luscr;
    if (!scratch.open_fresh(curves_file))
        throw Stop(" *** cannot create the scratch file " + std::string(curves_file) + " ***", exit_failure);
    std::vector<int> work;
    for (int i = 1; i <= nc; ++i) {
        const int f = itab(i, ify);
        const int n = itab(i, ily) - f + 1;
        float* cells = x.rows(i, f - y0 + 1, f - y0 + n);
        TrendInput t = trend_input(std::span<float>(cells, n), f, itrn);
        // A series without gaps keeps its values: its trend would not be used.
        if (t.missing_years.empty()) continue;
        int period = default_trend_period;
        std::vector<float> trend = fit_trend(t, period);
        while (interactive) {
            pltfil(t.w1, trend, n, f, closed_up(ids[i]), " in-filled growth trend", "years", "measurements (y)",
                   " ", static_cast<int>(t.missing_years.size()), t.missing_years, fill_plot);
            const int asked = ask_trend_period();
            if (asked == 0) break;
            period = asked;
            trend = fit_trend(t, period);
        }
        work.resize(n);
        wrcdf(ids[i], trend, work, n, f, scratch, "20y");
    }
    scratch.close();

    // The common signal: a biweight mean of all series per year, as a ratio
    // to its smooth curve, with its variance equalised over time.
    std::vector<float> mean(big_n, xmiss), scale(big_n), sample, sorted_work, weights;
    std::vector<int> depth(big_n, 0);
    sample.reserve(nc);
    {
        MeanTypeGuard guard;
        for (int t = 0; t < big_n; ++t) {
            sample.clear();
            for (int i = 1; i <= nc; ++i) {
                const float v = x.at(t + 1, i);
                if (v != xmiss) sample.push_back(v);
            }
            const int m = static_cast<int>(sample.size());
            if (m == 0) continue;
            sorted_work.assign(m, 0.0f);
            weights.assign(m, 1.0f);
            float xbar, sd, se, eff = 1.0f;
            int iter;
            biwgt(sample, sorted_work, biweight_constant, m, xbar, sd, se, eff, iter, weights);
            mean[t] = xbar;
            depth[t] = m;
        }
    }
    for (int t = 0; t < big_n; ++t) scale[t] = mean[t] == xmiss ? free_scale : measured_scale;
    std::vector<float> smooth(big_n, 0.0f);
    bool smoothed = false;
    if (big_n >= 6) {
        float p = 0.0f;
        smooth[0] = spline_not_pd;  // stays when the spline leaves the curve unwritten
        spl2w(big_n, mean, scale, p, smooth, big_n / 3);
        smoothed = smooth[0] != spline_not_pd;
    }
    std::vector<float> ratio(big_n), curve(big_n), index(big_n);
    for (int t = 0; t < big_n; ++t) {
        // Without a smooth curve above 0 a year has no ratio: it enters the
        // equalisation like a year without series.
        if (mean[t] == xmiss || !smoothed || !(smooth[t] > 0.0f)) {
            depth[t] = 0;
            ratio[t] = 1.0f;
        } else {
            ratio[t] = mean[t] / smooth[t];
        }
    }
    int stiffness = equalisation_stiffness;
    stabspl(ratio, curve, index, depth, stiffness);

    // The fill: each missing cell gets the common index of its year, scaled to
    // the series' own ratios to its trend, times the trend. Measured cells are
    // not written, so they keep their values to the bit.
    TextIn curves;
    if (!curves.open(curves_file))
        throw Stop(" *** cannot read the scratch file " + std::string(curves_file) + " ***", exit_failure);
    std::vector<float> trend(mxy), g, ratios;
    std::vector<int> all, present, missing_years;
    std::string curve_id, title;
    int counter = 0;
    for (int i = 1; i <= nc; ++i) {
        const int f = itab(i, ify);
        const int n = itab(i, ily) - f + 1;
        const int r0 = f - y0;
        float* cells = x.rows(i, r0 + 1, r0 + n);
        missing_years.clear();
        for (int j = 0; j < n; ++j)
            if (cells[j] == xmiss) missing_years.push_back(f + j);
        if (missing_years.empty()) continue;
        int first = 0, count = 0;
        cdf(curve_id, trend, first, count, counter, curves, title);

        g.assign(index.begin() + r0, index.begin() + r0 + n);
        all.assign(n, 1);
        const Moments2 common = counted_mean_sd(g, all);
        ratios.assign(n, 0.0f);
        present.assign(n, 0);
        int measured = 0;
        for (int j = 0; j < n; ++j) {
            if (cells[j] == xmiss || !(trend[j] > 0.0f)) continue;
            ratios[j] = cells[j] / trend[j];
            present[j] = 1;
            ++measured;
        }
        if (measured == 0) {
            streams().luout.write("(t2,'*** ',a8,': no measured value to scale its gaps by: not filled ***')",
                                  ids[i]);
            continue;
        }
        const Moments2 own = counted_mean_sd(ratios, present);
        // A constant common index, or a single measured ratio, carries no
        // variability to scale: the gaps take the series' mean ratio.
        const bool scaled = common.sdev > 0.0f && own.sdev > 0.0f;
        for (int j = 0; j < n; ++j) {
            if (cells[j] != xmiss) continue;
            float v = scaled ? (index[r0 + j] - common.ave) / common.sdev * own.sdev + own.ave : own.ave;
            if (v < 0.0f) v = 0.0f;
            // A trend below 0 would turn the estimate negative.
            const float filled = v * trend[j];
            cells[j] = filled > 0.0f ? filled : 0.0f;
        }
        if (fill_plot == 1) {
            pltfil(std::span<const float>(cells, n), std::span<const float>(trend.data(), n), n, f,
                   closed_up(ids[i]), " in-filled growth trend", "years", "measurements (y)", " ",
                   static_cast<int>(missing_years.size()), missing_years, fill_plot);
            sh.optval(2, 2) = fill_plot;
        }
    }
    curves.close();
    delete_file(curves_file);
}

}  // namespace kov
