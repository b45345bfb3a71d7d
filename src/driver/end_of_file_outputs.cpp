#include "driver/end_of_file_outputs.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chronology/spectra.hpp"
#include "driver/data_file_setup.hpp"
#include "numerics/splines.hpp"
#include "shared/console.hpp"

namespace kov {

namespace {

// Which crnmat columns (after the year) a table layout carries, its names and
// its row layout.
struct TabLayout {
    std::vector<int> columns;  // crnmat columns in order, column 1 first
    std::vector<std::string_view> names;
    std::string_view row;
};

bool choose_layout(int first_detrending, int ar_method, int stand_dynamics, TabLayout& t) {
    t.names = {"year", "num", "seg", "age", "raw", "std", "res", "kov"};
    t.columns = {1, 2, 3, 4, 5, 6, 7};
    auto add = [&](std::initializer_list<std::string_view> names, int from, int to) {
        t.names.insert(t.names.end(), names);
        for (int c = from; c <= to; ++c) t.columns.push_back(c);
    };
    if (first_detrending == -2) {
        if (ar_method == 1) {
            add({"rcs yr", "num", "rcs", "sig", "crv"}, 8, 12);
            t.row = "(1x,i6,a,f5.0,11(a,f8.3))";
            return true;
        }
        if (ar_method >= 2) {
            add({"rcs yr", "num", "rcs", "sig", "crv", "nabs", "pabs", "npct", "ppct"}, 8, 16);
            t.row = "(1x,i6,a,f5.0,15(a,f8.3))";
            return true;
        }
        return false;
    }
    if (ar_method >= 2) {
        add({"arnabs", "arpabs", "arnpct", "arppct"}, 13, 16);
        t.row = "(1x,i6,a,f5.0,10(a,f8.3))";
        return true;
    }
    if (stand_dynamics == 1) {
        add({"ednabs", "edpabs", "ednpct", "edppct"}, 13, 16);
        t.row = "(1x,i6,a,f5.0,10(a,f8.3))";
        return true;
    }
    if (ar_method == 1) {
        t.row = "(1x,i6,a,f5.0,6(a,f8.3))";
        return true;
    }
    return false;
}

// A value as the table shows it; a cell that some stage left undefined is
// shown as missing rather than as "NaN".
double cell_value(float v) { return std::isfinite(v) ? v : xmiss; }

// A smoothing spline of a chronology column for the summary plots. A period
// below 2 (a chronology under 20 years) or too short a chronology leaves
// nothing to smooth: the curve is the chronology itself, which is what the
// interpolating spline of period 1 would give.
std::vector<float> plot_spline(const float* values, int n, int period) {
    std::vector<float> crv(values, values + n);
    if (n < 4 || period < 2) return crv;
    float p = 0.0f;
    spline(n, std::span<const float>(values, n), crv, p, period);
    if (crv[0] == spline_too_short || crv[0] == spline_not_pd) crv.assign(values, values + n);
    return crv;
}

std::string without_newline(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

// An 85-character title with the rbar window and overlap from column `at`.
std::string rbar_title(std::string_view text, int at, int window, int overlap) {
    std::string t(85, ' ');
    std::copy(text.begin(), text.end(), t.begin());
    const std::string numbers = without_newline(fmt("(2i4)", window, overlap));
    std::copy(numbers.begin(), numbers.end(), t.begin() + (at - 1));
    return t;
}

bool shows(int sw) { return sw == 2 || sw == 3; }

}  // namespace

void write_tab_table(OutFile& out, const Table<float>& crn, int ifyc, int nyc, int first_detrending,
                     int ar_method, int stand_dynamics) {
    TabLayout t;
    if (!choose_layout(first_detrending, ar_method, stand_dynamics, t)) return;
    std::string head;
    for (size_t k = 0; k < t.names.size(); ++k) {
        if (k > 0) head += tabsep;
        head += t.names[k];
    }
    out.line(head);
    const std::string tab(1, tabsep);
    std::vector<FVal> values;
    for (int i = 1; i <= nyc; ++i) {
        values.clear();
        values.emplace_back(static_cast<long long>(ifyc + i - 1));
        for (int c : t.columns) {
            values.emplace_back(tab);
            values.emplace_back(cell_value(crn(i, c)));
        }
        out.put(format_values(t.row, values));
    }
}

void end_of_file_outputs(const EndOfFileServices& services) {
    auto& s = shared();
    const OptionBlock& o = optsnap();
    const int detrending = o(4, 1);
    const int ar_method = o(9, 1);
    const int mean_type = o(12, 1);
    const int summary = o(19, 1);
    const int nyc = s.nyc;
    int curve_option = 0;
    const char setting = ' ';

    // 1. the tab-delimited table
    if (mean_type != 0) {
        // Without AR modelling neither the AR stage nor the outlier step ran for
        // this data file, yet the layout with the endogenous counts is chosen:
        // show no outliers rather than the counts another data file left.
        if (detrending != -2 && ar_method <= 0 && o(20, 1) == 1)
            for (int c = 13; c <= 16; ++c) std::fill_n(s.crnmat.col(c), nyc, 0.0f);
        write_tab_table(streams().lutab, s.crnmat, s.ifyc, nyc, detrending, ar_method, o(20, 1));
    }

    // 2.
    s.sumplt = summary;
    int& sumplt = s.sumplt;
    std::vector<float> work(mxy, 0.0f);
    const int* depth = s.ndepth.data();

    auto chronology_pair = [&](int col_a, int col_b, int period, int variant, std::string_view top,
                               std::string_view bottom, std::string_view ylabel, std::string_view zlabel,
                               int kind, std::string_view xlabel2) {
        const std::vector<float> crv_a = plot_spline(s.crnmat.col(col_a), nyc, period);
        const std::vector<float> crv_b = plot_spline(s.crnmat.col(col_b), nyc, period);
        TwoPanelData data;
        data.col = {s.crnmat.col(col_a), crv_a.data(), work.data(), s.crnmat.col(col_b), crv_b.data(), work.data()};
        data.depth = depth;
        services.two_panel(data, nyc, s.ifyc, variant, s.datfil, top, bottom, "years", ylabel, xlabel2, zlabel,
                           kind, setting, sumplt, s.fitcoef, curve_option);
    };

    // 3. raw and standard chronologies
    if (shows(summary) && mean_type != 0)
        chronology_pair(4, 5, nyc / 10, 1, " raw ring width chronology", " standard chronology",
                        "measurements (y)", "indices (z)", 3, "years");

    // 4. residual and kovrin chronologies, spectra
    if (detrending != 0 && mean_type != 0) {
        if (ar_method != 0) {
            if (sumplt < summary)
                sumplt = 0;
            else if (shows(sumplt))
                chronology_pair(6, 7, nyc / 10, 2, " residual chronology", " kovrin chronology", "indices (y)",
                                "indices (z)", 3, "years");
        }
        if (services.spectra)
            services.spectra(s.crnmat, nyc, 3, 5, summary, s.datfil, streams().luscr);
        else
            spectr(s.crnmat, nyc, 3, 5, summary, s.datfil, streams().luscr);
    }

    // 5. segment length and tree age
    if (sumplt < summary) sumplt = 0;
    if (shows(sumplt) && mean_type != 0 && s.nc > 1 && s.nwin > 0)
        chronology_pair(2, 3, nyc / 3, 1, " mean segment length", " mean tree age", "segment length (y)",
                        "tree age (z)", 4, "years");

    // 6. the rbar plot switch asks for the running rbar plots on its own
    if (sumplt < summary) sumplt = 0;
    if (sumplt < 2 && o(16, 3) > 0) sumplt = 2;

    // 7. running rbar plots
    if (!shows(sumplt)) return;
    if (s.nc == 1 || s.nwin < 2) {
        con().write("(/1x,'*** no running rbar plotted ***')");
        if (s.nc == 1)
            con().write("(1x,'*** only 1 series processed ***')");
        else
            con().write("(1x,'*** number of segments is 1 ***')");
        return;
    }
    if (sumplt < summary) sumplt = 0;
    // The raw stage's table is the plot table: the statistics block copies
    // it there and writes it nowhere else.
    const Table<float>& plot_table = s.rbtab[0];
    const int first_window = static_cast<int>(plot_table(1, 1));
    struct RbarPlot {
        int stage;  // index into rbtab
        int variant;
        std::string_view top;
        int at;
        std::string_view bottom;
        bool wanted;
    };
    const RbarPlot plots[] = {
        {0, 3, " raw running rbar,", 20, " raw running eps", true},
        {1, 4, " transform running rbar,", 26, " transform running eps", o(3, 1) > 0},
        {2, 5, " detrend running rbar,", 24, " detrend running eps", detrending != 0},
        {3, 6, " residual running rbar,", 25, " residual series running eps", detrending != 0 && ar_method != 0},
    };
    for (const RbarPlot& p : plots) {
        if (!p.wanted || !shows(sumplt)) continue;
        const Table<float>& tab = s.rbtab[p.stage];
        TwoPanelData data;
        data.col = {tab.col(3), tab.col(1), work.data(), tab.col(6), tab.col(5), work.data()};
        data.depth = depth;
        services.two_panel(data, s.nwin, first_window, p.variant, s.datfil, rbar_title(p.top, p.at, o(16, 1), o(16, 2)),
                           p.bottom, "years", "rbar (y)", "years", "eps (z)", 5, setting, sumplt, s.fitcoef,
                           curve_option);
    }
}

}  // namespace kov
