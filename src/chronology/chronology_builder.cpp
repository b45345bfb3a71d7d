#include "chronology/chronology_builder.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "armodel/burg.hpp"
#include "chronology/bootstrap_limits.hpp"
#include "chronology/uniform_normal.hpp"
#include "chronology/variance_stabilisation.hpp"
#include "chronology/weight_recorder.hpp"
#include "numerics/correlation.hpp"
#include "numerics/robust_mean.hpp"
#include "numerics/statistics.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/parallel.hpp"
#include "shared/tables.hpp"

namespace kov {

namespace {

bool is_index(char ctype) { return ctype == 's' || ctype == 'r'; }

// The bar chart's step per position and the scale printed above it. The steps
// are the 32-bit quotients the listing has always used.
struct BarScale {
    float step;
    const char* heading;
};

BarScale bar_scale(char ctype, float rawmax) {
    if (is_index(ctype)) return {3.0f / 31.0f, "0----:----1----:----2--->"};
    if (rawmax <= 0.2f) return {0.3f / 31.0f, "0-------0.1-------0.2--->"};
    if (rawmax <= 0.5f) return {1.5f / 31.0f, "0----:---1/2---:----1--->"};
    if (rawmax <= 2.0f) return {3.0f / 31.0f, "0----:----1----:----2--->"};
    return {6.0f / 31.0f, "0----1----2----3----4--->"};
}

void write_headings(int mean_type, char ctype, const BarScale& scale) {
    auto& out = streams().luout;
    const int kind = ctype == 'n' ? 0 : ctype == 's' ? 1 : ctype == 'r' ? 2 : 3;
    if (mean_type == 1) {
        static const std::array<const char*, 4> words = {"gaussian mean raw data ", "gaussian mean standard ",
                                                         "gaussian mean residual ", "gaussian mean age-aligned "};
        out.write("(/t10,a,a)", words[kind], "chronology");
    } else if (mean_type == 2) {
        static const std::array<const char*, 4> names = {
            "robust mean raw data chronology", "robust mean standard chronology",
            "robust mean residual chronology", "robust mean age-aligned chronology"};
        out.write("(/t11,a)", names[kind]);
    } else if (mean_type < 0) {
        static const std::array<const char*, 4> names = {
            "th quantile raw data chronology", "th quantile standard chronology",
            "th quantile residual chronology", "th quantile age-aligned chronology"};
        out.write("(/t11,i3,a)", std::abs(mean_type), names[kind]);
    }
    if (is_index(ctype))
        out.write("(t57,'       indices')");
    else
        out.write("(t57,'    measurement units')");
    out.write("(t2,a,a,a)", " year   cores   mean   std dev   ", "std err    eff  iter  ", scale.heading);
}

void write_year_line(int year, int depth, float mean, float spread, float se, float eff, int iter,
                     char ctype, float step) {
    std::array<char, 32> bar;
    bar.fill(' ');
    const bool index = is_index(ctype);
    if (index) bar[1] = bar[11] = bar[21] = ':';
    const int p = bar_position(mean, step);
    bar[p - 1] = static_cast<char>('0' + std::abs(year % 10));
    if (!index) {
        for (int k = 2; k <= p - 1; ++k) bar[k - 1] = '-';
        if (p > 2) bar[1] = ':';
    } else if (p < 12) {
        for (int k = p + 1; k <= 11; ++k) bar[k - 1] = '-';
    } else if (p > 12) {
        for (int k = 13; k <= p - 1; ++k) bar[k - 1] = '-';
    }
    // "(t2,i5,i7,f8.3,f9.3,f10.3,f8.3,i5,2x,32a1)", a figure that would fill its
    // field or is too wide for it with fewer decimals: the efficiency of a year
    // whose values nearly all agree runs to thousands.
    streams().luout.write("(t2,i5,i7," + fitted_real(mean, 8, 3) + "," + fitted_real(spread, 9, 3) + "," +
                              fitted_real(se, 10, 3) + "," + fitted_real(eff, 8, 3) + ",i5,2x,32a1)",
                          year, depth, mean, spread, se, eff, iter, bar);
}

int progress_step(int n) {
    if (n <= 100) return 10;
    if (n <= 1000) return 100;
    if (n <= 2000) return 200;
    return 500;
}

}  // namespace

int bar_position(float v, float s) {
    const float x = v / s + 1.5f;
    const long p = std::lround(x);  // halves away from zero
    return static_cast<int>(std::clamp(p, 1L, 32L));
}

void bldcrn(std::span<int> depth, std::span<float> seglen, std::span<float> age, std::span<float> crn,
            std::span<float> work1, std::span<float> work2, std::span<float> spread,
            std::span<float> work3, std::span<float> work4, float rawmax, float rbarst, char ctype,
            std::span<float> stderr_out, std::span<float> lo, std::span<float> hi) {
    auto& s = shared();
    const OptionBlock& opt = s.optval;
    s.iseed = {12848, 13079, 22085};

    const int mean_type = opt(12, 1);
    const bool index = is_index(ctype);
    const float empty_value = index ? 1.0f : 0.0f;

    static const std::array<const char*, 4> crn_words = {"raw data", "standard tree-ring", "residual tree-ring",
                                                         "age-aligned rcs"};
    const int kind = ctype == 'n' ? 0 : ctype == 's' ? 1 : ctype == 'r' ? 2 : 3;
    const char* mean_word = mean_type == 1 ? "gaussian" : mean_type == 2 ? "robust" : mean_type < 0 ? "quantile" : nullptr;
    if (mean_word) con().write("(/t2,a)", std::string("calculate the ") + mean_word + " " + crn_words[kind] + " chronology");

    const int nc = s.nc;
    const int span_row = ctype == 'b' ? nc + 2 : nc + 1;
    const int first = s.sertbl(span_row, ify);
    const int last = s.sertbl(span_row, ily);
    const int n = std::clamp(last - first + 1, 0, mxy);

    const bool print = opt(17, 1) > 2;
    const BarScale scale = bar_scale(ctype, rawmax);
    if (print) write_headings(mean_type, ctype, scale);

    WeightRecorder recorder(ctype, n, first);
    const int plots = opt(19, 1);
    if (mean_type == 2 && (plots == 2 || plots == 3 || opt(18, 1) > 0)) recorder.open(nc);

    // work1 and work2 hold the efficiency lists for the whole loop, work3 the
    // chronology as it stood before stabilisation.
    std::span<float> improved = work1, unimproved = work2, before = work3;
    int n_improved = 0, n_unimproved = 0, max_depth = 0;
    const int step = progress_step(n);
    const bool boot = opt(12, 3) == 1;

    // Every year's mean, spread and limits are computed on the cores, a year
    // at a time; the listing and the lists then follow in the order of the
    // years. The bootstrap of a year starts from the generator's state after
    // the draws of every year before it, as when the years go one by one.
    // Each column is read over the rows it holds only.
    std::vector<int> depths(n, 0);
    for (int j = 1; j <= nc; ++j)
        for (int r = std::max(1, s.sermat.first_row(j)); r <= std::min(n, s.sermat.last_row(j)); ++r)
            if (s.sermat.at(r, j) != xmiss) ++depths[r - 1];
    std::vector<std::array<int, 3>> seeds(boot ? n : 0);
    for (int i = 0; i < static_cast<int>(seeds.size()); ++i) {
        seeds[i] = s.iseed;
        ranwh_skip(s.iseed, bootstrap_draws(depths[i]));
    }
    struct YearMean {
        float mean, sd = 0.0f, se = 0.0f, eff = 0.0f;
        int iter = 0;
    };
    std::vector<YearMean> year_mean(n, YearMean{empty_value});
    constexpr int years_a_task = 4;
    parallel_for((n + years_a_task - 1) / years_a_task, [&](int task) {
        // The year's values in series order (kept for resampling), the copy
        // the mean routine sorts, its work vector, weights and the
        // sorted-to-series map; a year can hold every series of the file.
        std::vector<float> values(std::max(nc, 1)), sorted(values.size()), wk(values.size()), wt(values.size());
        std::vector<float> year_weights(values.size());
        std::vector<int> perm(values.size()), present(values.size());
        std::optional<BootWork> boot_work;
        for (int i = task * years_a_task + 1; i <= std::min(n, (task + 1) * years_a_task); ++i) {
            const int year = first + i - 1;
            int d = 0;
            float seg_sum = 0.0f, age_sum = 0.0f;
            for (int j = 1; j <= nc; ++j) {
                const float v = s.sermat.at(i, j);
                if (v == xmiss) continue;
                values[d] = v;
                sorted[d] = v;
                present[d] = j;
                ++d;
                seg_sum += static_cast<float>(s.sertbl(j, ily) - s.sertbl(j, ify) + 1);
                age_sum += static_cast<float>(year - s.sertbl(j, ify) + 1);
            }
            YearMean& m = year_mean[i - 1];
            if (d == 0) {
                seglen[i - 1] = 0.0f;
                age[i - 1] = 0.0f;
                // The year's limits are its empty value, as for any year of
                // fewer than six series: a 0 in an index chronology would pull
                // the spline of the limits far below a chronology that stands
                // at 1.
                if (boot) lo[i - 1] = hi[i - 1] = empty_value;
                continue;
            }
            seglen[i - 1] = seg_sum / static_cast<float>(d);
            age[i - 1] = age_sum / static_cast<float>(d);
            std::fill(year_weights.begin(), year_weights.begin() + d, 1.0f);
            biwgt(std::span(sorted).first(d), std::span(wk).first(d), 7.5f, d, m.mean, m.sd, m.se, m.eff, m.iter,
                  std::span(wt).first(d), std::span(perm).first(d));
            if (m.iter == 3)
                for (int k = 0; k < d; ++k) year_weights[perm[k] - 1] = wt[k];
            if (boot) {
                if (!boot_work) boot_work.emplace(std::max(nc, 1));
                std::array<int, 3> iseed = seeds[i - 1];
                bootstrap_year(std::span(values).first(d), d, m.mean, iseed, *boot_work, lo[i - 1], hi[i - 1]);
            }
            // each year has its own places in the record
            if (recorder.is_open())
                recorder.record_year(year, std::span(present).first(d), std::span(year_weights).first(d), nc);
        }
    });

    for (int i = 1; i <= n; ++i) {
        const int year = first + i - 1;
        if (i == 1 || i == n || year % step == 0) con().write("(t5,'year: ',i6)", year);
        const int d = depths[i - 1];
        YearMean m = year_mean[i - 1];
        if (d == 0) {
            // No series in this year: it has no mean of its own, so it enters
            // neither efficiency list.
            if (print) write_year_line(year, 0, m.mean, m.sd, m.se, m.eff, m.iter, ctype, scale.step);
        } else {
            max_depth = std::max(max_depth, d);
            if (m.mean < 0.0f) {
                // The limits were taken around the negative mean: they are
                // widened to hold the 0 written in its place.
                m.mean = 0.0f;
                if (boot) {
                    lo[i - 1] = std::min(lo[i - 1], 0.0f);
                    hi[i - 1] = std::max(hi[i - 1], 0.0f);
                }
            }
            if (print) write_year_line(year, d, m.mean, m.sd, m.se, m.eff, m.iter, ctype, scale.step);
            if (m.eff > 1.0f)
                improved[n_improved++] = m.eff;
            else
                unimproved[n_unimproved++] = m.eff;
        }
        depth[i - 1] = d;
        crn[i - 1] = m.mean;
        spread[i - 1] = m.sd;
        stderr_out[i - 1] = m.se;
        before[i - 1] = m.mean;
    }

    if (index && opt(13, 1) != 0 && n > 0) {
        std::vector<float> curve(n);
        stabilise_chronology(crn.first(n), work4.first(n), curve, depth.first(n), n, first, rbarst);
    }

    if (mean_type == 2) recorder.finish(max_depth);

    // The limits move with the chronology where the stabilisation changed it.
    for (int i = 0; i < n; ++i) {
        const float d = crn[i] - before[i];
        if (d != 0.0f) {
            lo[i] += d;
            hi[i] += d;
        }
    }

    chronology_statistics(crn, depth, spread, n, first, ctype, improved, n_improved, unimproved, n_unimproved);
}

void chronology_statistics(std::span<float> crn, std::span<const int> depth, std::span<const float> spread,
                           int n, int first_year, char ctype, std::span<float> improved, int n_improved,
                           std::span<float> unimproved, int n_unimproved) {
    auto& s = shared();
    auto& out = streams().luout;
    const int mean_type = s.optval(12, 1);
    const int kind = ctype == 'n' ? 0 : ctype == 's' ? 1 : ctype == 'r' ? 2 : 3;

    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(crn, depth, n, ave, adev, sdev, var, skew, curt, sens, ac1);

    if (mean_type == 1) {
        static const std::array<std::array<const char*, 2>, 4> h = {{
            {"|---------------- gaussian mean raw ", "data chronology statistics ----------------|"},
            {"|---------------- gaussian mean standard ", "chronology statistics ----------------|"},
            {"|---------------- gaussian mean residual ", "chronology statistics ----------------|"},
            {"|-------------- gaussian mean age-", "aligned chronology statistics ---------------|"},
        }};
        out.write("(/t2,a,a)", h[kind][0], h[kind][1]);
    } else if (mean_type == 2) {
        static const std::array<std::array<const char*, 2>, 4> h = {{
            {"|----------------- robust mean raw ", "data chronology statistics -----------------|"},
            {"|----------------- robust mean standard ", "chronology statistics -----------------|"},
            {"|----------------- robust mean residual ", "chronology statistics -----------------|"},
            {"|--------------- robust mean age-aligned ", "chronology statistics ----------------|"},
        }};
        out.write("(/t2,a,a)", h[kind][0], h[kind][1]);
    } else if (mean_type < 0) {
        static const std::array<const char*, 4> tails = {
            "raw data chronology statistics ----------------|", "standard chronology statistics ----------------|",
            "residual chronology statistics ----------------|", "age-aligned chronology statistics --------------|"};
        out.write("(/t2,'|--------------- ',i3,'th quantile ',a)", std::abs(mean_type), tails[kind]);
    }

    out.write("(/t3,a,a/t4,a,a)", "first    last    total    mean    stdrd    skew    ", "kurtosis    mean    serial",
              "year    year    years   index     dev     coeff     ", "coeff     sens     corr");
    const int last_year = first_year + n - 1;
    // "(i7,i8,i8,1x,2f8.3,f9.3,f11.3,f9.3,f9.3)", below 1000 years, else
    // "(i7,i8,i9,2f8.3,f9.3,f11.3,f9.3,f9.3)": the mean and standard deviation
    // of measurements have no bound and take fewer decimals where they need
    // them; skewness and kurtosis are bounded by the number of years, the
    // sensitivity and the correlation by 2 and 1.
    const std::string mean_sd = fitted_real(ave, 8, 3) + "," + fitted_real(sdev, 8, 3);
    out.write((n < 1000 ? "(i7,i8,i8,1x," : "(i7,i8,i9,") + mean_sd + ",f9.3,f11.3,f9.3,f9.3)", first_year, last_year,
              n, ave, sdev, skew, curt, sens, ac1);

    float r = 0.0f, a = 0.0f, b = 0.0f;
    if (s.nc >= 2) corlnm(crn, spread, depth, n, r, a, b);

    if (mean_type == 1 || mean_type == 2) {
        out.write("(/t3,a,a/t2,a,13x,a)", "mean indices vs their standard deviations", "       robust mean efficiency results",
                  "     correlation    slope    intercept", "# improved    # unimproved");
        // "(f13.3,f13.3,f11.3,i23,i15)": the slope and intercept follow the
        // measurements, with no bound
        out.write("(f13.3," + fitted_real(b, 13, 3) + "," + fitted_real(a, 11, 3) + ",i23,i15)", r, b, a, n_improved,
                  n_unimproved);
    }
    if (mean_type == 2) {
        float gmed, guh, glh, giqr, gmin, gmax;
        fivnum(improved, n_improved, gmed, guh, glh, giqr, gmin, gmax);
        if (gmax > 9999.0f) gmax = 9999.0f;
        float lmed, luh, llh, liqr, lmin, lmax;
        fivnum(unimproved, n_unimproved, lmed, luh, llh, liqr, lmin, lmax);
        const char* cols = "median      interquartile      minimum       lower       ";
        out.write("(/t2,a,a//t4,a,a/t4,a,a)", "|---------------- robust mean efficiency gain and loss ",
                  "results ----------------|", cols, "upper       maximum",
                  " gain           range            gain        hinge       ", "hinge         gain");
        // "(f8.2,f16.2,f16.2,f13.2,f12.2,f13.2)": efficiencies have no bound
        // above, so a figure of the gains may need fewer decimals
        auto five_numbers = [&out](const std::array<float, 6>& v) {
            static constexpr std::array<int, 6> widths = {8, 16, 16, 13, 12, 13};
            out.write("(" + fitted_reals(v, widths, 2) + ")", v);
        };
        five_numbers({gmed, giqr, gmin, glh, guh, gmax});
        out.write("(/t4,a,a/t4,a,a)", cols, "upper       maximum",
                  " loss           range            loss        hinge       ", "hinge         loss");
        five_numbers({lmed, liqr, lmin, llh, luh, lmax});
    }

    if (ctype == 'b') return;

    if (ctype == 'n' && s.nc >= 1) {
        std::vector<float> lengths(s.nc);
        for (int j = 1; j <= s.nc; ++j) lengths[j - 1] = static_cast<float>(s.sertbl(j, ily) - s.sertbl(j, ify) + 1);
        float med, uh, lh, iqr, mn, mx;
        fivnum(lengths, s.nc, med, uh, lh, iqr, mn, mx);
        out.write("(/t2,a,a//t4,a,a/t4,a,a)", "|--------------------- segment length summary statistics ",
                  "----------------------|", "median      interquartile      minimum       lower       ",
                  "upper       maximum", "length          range           length       hinge       ",
                  "hinge        length");
        out.write("(f9.0,f15.0,f16.0,f13.0,f12.0,f14.0)", med, iqr, mn, lh, uh, mx);
    }

    static const std::array<const char*, 3> names = {"raw data chronology ", "standard chronology ",
                                                     "residual chronology "};
    std::array<float, 11> acf{}, pacf{}, band{};
    acfpac(crn, depth, n, 10, acf, pacf, band);
    out.write("(/t2,'|----------- ',a,a//t2,'lag',t16,a,a)", names[kind],
              "auto and partial autocorrelations ------------|", "t-1    t-2    t-3    t-4    ",
              "t-5    t-6    t-7    t-8    t-9   t-10");
    out.write("(t2,'acf',t12,10f7.3)", std::span<const float>(acf).first(10));
    out.write("(t2,'pacf',t12,10f7.3)", std::span<const float>(pacf).first(10));
    out.write("(t2,'95% c.l.',t12,10f7.3)", std::span<const float>(band).first(10));

    int order = 0;
    float r2 = 0.0f;
    std::array<float, 11> phi{}, aw{};
    std::vector<float> f(std::max(n, 1)), bw(std::max(n, 1));
    burgarm(crn, depth, n, 11, order, r2, phi, 0, f, bw, aw);
    out.write("(/t2,'|------------------ ',a,a//t2,a,a)", names[kind],
              "autoregressive model ------------------|", "ord    rsq    t-1    t-2    t-3    t-4    ",
              "t-5    t-6    t-7    t-8    t-9   t-10");
    std::vector<float> row{r2};
    for (int k = 0; k < order; ++k) row.push_back(phi[k]);
    out.write("(t2,i2,1x,11f7.3)", order, row);
}

}  // namespace kov
