#include "series/transformations.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/correlation.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/fixed_text.hpp"
#include "series/series_statistics.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"

namespace kov {

namespace {
constexpr float ln_001 = -4.6051702f;  // ln 0.01: the log of a ring width of 0 or below
constexpr float ln_005 = -2.9957323f;  // ln 0.05: the same under the adaptive power p = 0

// Correlation and slope of ln spread on ln level. Undefined (correlation -99,
// slope 0, so that the power stays 1) when fewer than two pairs remain or the
// levels do not vary; a slope of 0 with an undefined correlation when only the
// spreads do not vary.
struct SpreadLevelFit {
    float r = undef_stat;
    float b = 0.0f;
    bool defined = false;
};

SpreadLevelFit fit_spread_level(std::span<const float> lvl, std::span<const float> spr, int m) {
    SpreadLevelFit f;
    if (m < 2) return f;
    bool level_varies = false, spread_varies = false;
    for (int i = 1; i < m; ++i) {
        level_varies = level_varies || lvl[i] != lvl[0];
        spread_varies = spread_varies || spr[i] != spr[0];
    }
    if (!level_varies) return f;
    if (!spread_varies) {
        f.defined = true;
        return f;
    }
    float r, a, b;
    if (!corlin(lvl, spr, m, r, a, b)) return f;
    f.r = r;
    f.b = b;
    f.defined = true;
    return f;
}

float power_from_slope(float b) {
    float p = 1.0f - b;
    if (p < 0.05f) p = 0.0f;
    if (p > 1.0f) p = 1.0f;
    return p;
}

float transform_value(float v, int code, float p) {
    if (code <= 0) return v;
    switch (code) {
        case 1:
            return v <= 0.0f ? ln_001 : std::log(v);
        case 2:
            // A negative width would leave the logarithm undefined; it is taken as 0.
            return std::log(std::max(v, 0.0f) + 0.16666667f);
        case 3:
            return std::log(v + std::sqrt(v * v + 1.0f));
        default:
            if (p == 0.0f) return v <= 0.0f ? ln_005 : std::log(v);
            return std::pow(std::max(v, 0.01f), p);
    }
}

struct Eight {
    float ave, adev, sdev, var, skew, curt, sens, ac1;
};

Eight moments_of(std::vector<float> v) {
    Eight e;
    moment(v, static_cast<int>(v.size()), e.ave, e.adev, e.sdev, e.var, e.skew, e.curt, e.sens, e.ac1);
    return e;
}

std::string without_newline(std::string s) {
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

const char* const series_header =
    " series   ident    mean   sdev    skew   kurt   sens  ac(1)  corr1   corr2  power";
}  // namespace

void transf(SeriesMatrix& x, Table<int>& itab, const std::vector<std::string>& ids, int nc, Table<float>& stat) {
    SharedTables& sh = shared();
    OutFile& out = streams().luout;
    const int option = sh.optval(3, 1);
    const bool batch = sh.batmod == "y" || sh.batmod == "Y";
    const bool interactive = sh.batmod == "n" || sh.batmod == "N";
    const bool listing = sh.optval(17, 1) > 1;
    const int level_mode = option == 4 ? 2 : 1;
    const bool plots_asked = sh.optval(3, 2) == 1;
    int plot_flag = sh.optval(3, 2);
    Table<float>& plot = sh.trnstat;

    con().line("");
    con().line(" transform the individual tree-ring series");
    con().line("");
    if (listing) {
        out.line("");
        out.line(" |------------------ statistics of transformed tree-ring data ------------------|");
        out.line("");
        out.line(std::string(60, ' ') + "spread vs level tests");
    }

    const int y0 = itab(nc + 1, ify);
    std::vector<float> original, work, lvl, spr, smooth_raw, smooth_trn;
    for (int i = 1; i <= nc; ++i) {
        const int f = itab(i, ify);
        const int n = itab(i, ily) - f + 1;
        float* s = n > 0 ? x.rows(i, f - y0 + 1, f - y0 + n) : nullptr;
        const int code = batch ? itab(i, itn) : option;

        original.assign(s, s + std::max(n, 0));
        plot(i, 1) = moments_of(original).skew;
        // A series of no values (a compact record of count 0) has no range:
        // its statistics come out undefined and nothing is transformed.
        float xmin = 0.0f, xmax = 0.0f;
        if (!original.empty()) {
            const auto [xmin_it, xmax_it] = std::minmax_element(original.begin(), original.end());
            xmin = *xmin_it;
            xmax = *xmax_it;
        }

        lvl.resize(std::max(n, 1));
        spr.resize(std::max(n, 1));
        int m = sprlev(original, lvl, spr, level_mode);
        const SpreadLevelFit before = fit_spread_level(lvl, spr, m);
        const float p = power_from_slope(before.b);
        stat(i, 7) = static_cast<float>(m);
        plot(i, 2) = stat(i, 8) = before.r;
        plot(i, 3) = stat(i, 10) = p;

        work.resize(original.size());
        for (int j = 0; j < n; ++j) work[j] = transform_value(original[j], code, p);
        float tmin = 0.0f, tmax = 0.0f;
        if (!work.empty()) {
            const auto [tmin_it, tmax_it] = std::minmax_element(work.begin(), work.end());
            tmin = *tmin_it;
            tmax = *tmax_it;
        }
        if (tmax > tmin) {
            const float range = xmax - xmin;
            const float trange = tmax - tmin;
            for (int j = 0; j < n; ++j) {
                // The ends map onto the measured extremes exactly.
                if (work[j] == tmin)
                    s[j] = xmin;
                else if (work[j] == tmax)
                    s[j] = xmax;
                else
                    s[j] = (work[j] - tmin) * range / trange + xmin;
            }
        }
        // With every transformed value equal there is no range to map back
        // onto: the series keeps its untransformed values.

        const std::vector<float> result(s, s + original.size());
        const Eight after = moments_of(result);
        stat(i, 1) = after.ave;
        stat(i, 2) = after.sdev;
        stat(i, 3) = after.skew;
        stat(i, 4) = after.curt;
        stat(i, 5) = after.sens;
        stat(i, 6) = after.ac1;
        plot(i, 4) = after.skew;
        m = sprlev(result, lvl, spr, level_mode);
        const SpreadLevelFit fit_after = fit_spread_level(lvl, spr, m);
        plot(i, 5) = stat(i, 9) = fit_after.r;
        plot(i, 6) = fit_after.defined ? 1.0f - fit_after.b : undef_stat;

        if (listing) {
            if (i == 1) out.line(series_header);
            if (i % 20 == 0) {
                out.line("");
                out.line(series_header);
            }
            // "(t2,i5,2x,a8,2f7.3,f8.3,2f7.3,2f7.3,f8.3,f7.3)", each figure with
            // fewer decimals where it would fill its field or overflow it (the
            // undefined -99 fills an f7.3, a kurtosis can reach the length)
            static constexpr std::array<int, 9> widths = {7, 7, 8, 7, 7, 7, 7, 8, 7};
            const std::array<float, 9> figures = {stat(i, 1), stat(i, 2), stat(i, 3), stat(i, 4), stat(i, 5),
                                                  stat(i, 6), stat(i, 8), stat(i, 9), stat(i, 10)};
            out.write("(t2,i5,2x,a8," + fitted_reals(figures, widths, 3) + ")", i, ids[i], figures);
        }
        if (interactive) itab(i, itn) = option < 4 ? option : std::max(4, static_cast<int>(1000.0f * p));

        if (plot_flag == 1 && n > 0) {
            // Series shorter than twenty years still get a period the spline can use.
            const int period = std::max(2, n / 10);
            smooth_raw.assign(std::max(n, 1), 0.0f);
            smooth_trn.assign(std::max(n, 1), 0.0f);
            float sp = 0.0f;
            spline(n, original, smooth_raw, sp, period);
            spline(n, result, smooth_trn, sp, period);
            std::string title;
            switch (option) {
                case 1: title = " transformed series, ln(rt)"; break;
                case 2: title = " transformed series, ln(rt+1/6)"; break;
                case 3: title = " transformed series, inverse hypersine"; break;
                case 4:
                    title = " transformed series, p =";
                    title.resize(25, ' ');
                    title += without_newline(fmt("(f5.2)", stat(i, 10)));
                    break;
                default: title = " "; break;
            }
            TwoPanelData data;
            data.col = {original.data(), smooth_raw.data(), nullptr, result.data(), smooth_trn.data(), nullptr};
            plt2pn(data, n, f, 1, closed_up(ids[i]), " original series", title, "years", "measurement (y)",
                   "years", "measurement (z)", 2, ' ', plot_flag, sh.fitcoef, 0);
        }
    }
    if (nc < 1) return;

    // Summary over the series whose statistic is defined: each column sorted,
    // its rows 1 to 8 replaced by mean, standard deviation, median,
    // interquartile range, minimum, lower hinge, upper hinge and maximum.
    const auto sum = summarise_columns(stat, 10, nc, SummaryInTable::sorted_then_summary, false);
    auto field = [&sum](int k, int r) { return summary_field(sum[static_cast<size_t>(k - 1)], r); };
    out.line("");
    out.line(" |------------- summary of transformed tree-ring series statistics -------------|");
    out.line("");
    out.line(std::string(60, ' ') + "spread vs level tests");
    out.line(std::string(15, ' ') + "   mean   sdev    skew   kurt   sens  ac(1)  corr1   corr2   power");
    const char* const labels[8] = {"arith mean",  "std deviation", "median",      "interquartile",
                                   "minimum value", "lower hinge", "upper hinge", "maximum value"};
    // "(t2,a,t16,2f7.3,f8.3,4f7.3,2f8.3)", fitted as the series' lines
    static constexpr std::array<int, 9> widths = {7, 7, 8, 7, 7, 7, 7, 8, 8};
    for (int r = 1; r <= 8; ++r) {
        const std::array<FVal, 9> fields = {field(1, r), field(2, r), field(3, r), field(4, r), field(5, r),
                                            field(6, r), field(8, r), field(9, r), field(10, r)};
        std::array<float, 9> figures{};  // a field left blank measures as 0
        for (size_t k = 0; k < fields.size(); ++k) figures[k] = static_cast<float>(fields[k].r);
        out.write("(t2,a,t16," + fitted_reals(figures, widths, 3) + ")", labels[r - 1], fields);
    }

    if (plots_asked || sh.optval(19, 1) == 2 || sh.optval(19, 1) == 3) plttrs(nc, sh.datfil, std::string(60, ' '));
}

}  // namespace kov
