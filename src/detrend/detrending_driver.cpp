#include "detrend/detrending_driver.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "chronology/nyear_means.hpp"
#include "detrend/curve_dispatch.hpp"
#include "detrend/curve_review.hpp"
#include "detrend/indices.hpp"
#include "numerics/robust_mean.hpp"
#include "numerics/splines.hpp"
#include "plotting/plot_services.hpp"
#include "series/fixed_text.hpp"
#include "series/save.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/generic_files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

// One record pair of a scratch file: the header and the n values.
struct ScratchSeries {
    int first = 0, n = 0;
    std::vector<float> values;
};

// The settings of one pass, copied at its start.
struct PassSettings {
    int pass = 1;
    int opt = 0, par = 0, pflag = 0;
    int second_opt = 0, method = 1, interactive = 0, itype = 1, iprt = 1, save = 0, sumplt = 0;
    bool files = false;
};

}  // namespace

void option_legend(OutFile& out, bool regional) {
    static const char* const lines[] = {
        "  -6: age dependent spline           f(i) = increasing spline smoothing",
        "  -5: variable span smoother         f(i) = variable span smoother",
        "  -4: lowess robust smoother         f(i) = pct series length",
        "  -3: median smoothing               f(i) = median width in years",
        "  -2: regional curve detrending      f(i) = one age-aligned curve",
        "  -1: first-differences              f(i) = y(i) - y(i-1)",
        "   1: neg expon curve, no = opt 4    f(i) = a*exp(-b*t(i)) + d    (d>0)",
        "   2: neg expon curve, no = opt 5    f(i) = a*exp(-b*t(i)) + d    (d>0)",
        "   3: neg expon curve, (general)     f(i) = a*exp(-b*t(i+p)) + d (any d)",
        "   4: linear regression (any slope)  f(i) = +/-c*t(i) + d",
        "   5: linear regression (neg slope)  f(i) = -c*t(i) + d   ",
        "   6: horizontal line through mean   f(i) = mean(y(i)) = d",
        "   7: hugershoff growth function     f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d",
        "   8: general exponential (b = 1)    f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d",
        "  >9: cubic smoothing spline         fixed 50 pct variance cutoff",
        " <-9:  cubic smoothing spline        pct n 50 pct variance cutoff"};
    for (const char* l : lines) {
        if (regional && l[1] == '<')
            out.write("(t3,a)", " <-9: cubic smoothing spline         pct n 50 pct variance cutoff");
        else
            out.write("(t3,a)", l);
    }
    out.write("(/t4,'(a, b, c are coefficients, d is intercept or asymptote, p is pith offset)')");
}

namespace {

void table_heading(OutFile& out) {
    out.write("(/t2,'series   ident     option       a           b           c           d          p')");
}

void heading(const PassSettings& ps) {
    auto& out = streams().luout;
    if (ps.method == 1)
        out.write("(/t2,a,a)", "|--------------- growth curve used ", "for detrending tree-ring data --------------|");
    else
        out.write("(/t2,a,a)", "|----------- robust growth curve used ", "for detrending tree-ring data -----------|");
    out.write("(t2,'  curve fit options:')");
    option_legend(out, false);
}

}  // namespace

void option_list() {
    auto& c = con();
    c.write("(/1x,a,a/)", "you can change the current curve ", "fit with any one of the following options:");
    static const char* const lines[][2] = {
        {"  -6:  age dependent spline", ""},
        {"  -5:  friedman super smoother", "        lower alpha (0-9) gives more local fit"},
        {"  -4:  robust lowess smoother", "         integer percent or fixed length of n"},
        {"  -3:  median smoothing", "               must have odd window length"},
        {"   1:  neg expon curve, ", "no = opt 4    f(i) = a*exp(-b*t(i)) + d    (d>0)"},
        {"   2:  neg expon curve, ", "no = opt 5    f(i) = a*exp(-b*t(i)) + d    (d>0)"},
        {"   3:  neg expon curve  ", "(general)     f(i) = a*exp(-b*t(i)) + d   (any d)"},
        {"   4:  linear regression ", "(any slope)  f(i) = +/-c*t(i) + d"},
        {"   5:  linear regression ", "(neg slope)  f(i) = -c*t(i) + d   "},
        {"   6:  horizontal line through ", "mean   f(i) = mean(y(i)) = d"},
        {"   7:  hugershoff growth ", "function     f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d"},
        {"   8:  general exponential (b = 1)    ", "f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d"},
        {"  >9:  cubic smoothing ", "spline         fixed 50 pct variance cutoff"},
        {" <-9:  cubic smoothing ", "spline         pct n 50 pct variance cutoff"}};
    for (const auto& l : lines) c.write("(1x,a,a)", l[0], l[1]);
}

// One character of an answer, upper case folded to lower.
char answer_char() {
    const char ch = first_char(con().answer());
    return static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
}

// A whole number typed free-form; nullopt for a read error (an empty line,
// text, a second field is ignored).
std::optional<int> answer_int() {
    const auto fields = free_fields(con().answer());
    if (fields.empty()) return std::nullopt;
    try {
        return static_cast<int>(free_int(fields[0]));
    } catch (const ReadError&) {
        return std::nullopt;
    }
}

// Resolves a window of options -3 and -4: cut to n, a negative width taken
// as percent of n (odd for the running medians). A percentage of a short
// series can come to less than the smoother takes: the width is held to what
// it accepts, at least 1 for the running medians (which make an even width
// odd themselves), at least 3 values for lowess (or the whole of a shorter
// series).
int resolve_width(int option, int w, int n) {
    if (w > n) w = n;
    if (w < 0) {
        w = static_cast<int>(static_cast<float>(n) * static_cast<float>(std::abs(w)) / 100.0f);
        if (option == -3 && w % 2 == 0) w -= 1;
    }
    if (option == -3) w = std::max(w, 1);
    if (option == -4) w = std::max(w, std::min(3, n));
    return w;
}

int window_prompt(int option, int n) {
    auto& c = con();
    while (true) {
        if (option == -3)
            c.write("(1x,'enter the new median window width'/1x,'fixed width: a positive odd integer >2')");
        else
            c.write("(1x,'enter the new lowess window width'/1x,'fixed width: a positive integer >2')");
        c.write("(1x,'and < the series length (',i4,') or a'/1x,'percent length: a negative integer'/"
                "1x,'between -1 and -100, inclusive',t45,'==> ',$)",
                n);
        const auto v = answer_int();
        if (!v || *v == 0) continue;
        int w = *v;
        if (w < 0) {
            if (w < -100) w = -100;
            return resolve_width(option, w, n);
        }
        if (w > n) w = n;
        if (w <= 2) continue;
        if (option == -3 && w % 2 == 0) w -= 1;
        return w;
    }
}

std::optional<int> stiffness_answer(const char* layout, size_t width) {
    while (true) {
        con().write(layout);
        const std::string a = con().answer().substr(0, width);
        if (first_char(a) == '/') throw Stop("", exit_ok);
        if (blank_start(a, width)) return std::nullopt;
        const auto fields = free_fields(a);
        int v = 0;
        try {
            if (fields.empty()) continue;
            v = static_cast<int>(free_int(fields[0]));
        } catch (const ReadError&) {
            continue;
        }
        if (v >= 5) return v;
    }
}

int alpha_prompt() {
    auto& c = con();
    while (true) {
        c.write("(1x,'a super smoother alpha = 9 is'/1x,'for a very stiff local fit. reduce'/"
                "1x,'it between 0-8 to increase the local fit'/1x,'where alpha = 0 is the most flexible fit'/"
                "1x,'so enter your alpha already!',t45,'==> ',$)");
        const auto v = answer_int();
        if (!v) continue;
        if (*v >= 0 && *v <= 9) return *v;
        c.write("(1x,'wake up! bad alpha: ',i2)", *v);
    }
}

namespace {

// The age-dependent spline's starting stiffness; a typed one becomes the
// pass's parameter.
int stiffness_prompt(int pass) {
    const auto v = stiffness_answer(
        "(1x,'Age-dependent spline starting stiffness'/1x,'is needed. Must be .ge. 5. Hit <RET> for'/"
        "1x,'a default of 20 years or enter you own.',t45,'==> ',$)",
        7);
    if (!v) return 20;
    shared().optval(pass == 1 ? 4 : 5, 2) = *v;
    return *v;
}

}  // namespace

bool has_measured_value(std::span<const float> values) {
    return std::any_of(values.begin(), values.end(), [](float v) { return v != xmiss && v != 0.0f; });
}

void list_no_measured_value(OutFile& out, int j, int option) {
    out.write("(t2,i5,3x,a8,i7,3x,'--> no measured value: ','series left out of the chronologies')", j,
              shared().serids[j], option);
}

std::optional<int> new_curve_option() {
    con().write("(1x,'enter new option (h for help)',t45,'==> ',$)");
    const auto v = answer_int();
    const bool refused = !v || *v == -9 || *v == -8 || *v == -7 || *v == -2 || *v == -1 || *v == 0 || *v == 9;
    if (!refused) return v;
    option_list();
    return std::nullopt;
}

namespace {

[[noreturn]] void negative_curve_stop() {
    con().write("(1x,'okay, hasta la vista, baby!')");
    auto& st = streams();
    // The data file's own unfinished tables go; the run-wide chronology files
    // keep what the data files finished before this one wrote to them.
    std::string removed;
    for (OutFile* f : {&st.lutab, &st.lucrn, &st.luerr}) {
        if (!f->is_open()) continue;
        const std::string name = f->name();
        f->discard();
        delete_file(name);
        removed += (removed.empty() ? "" : ", ") + name;
    }
    bool generic_open = false;
    for (const auto& f : st.lugcrn) generic_open = generic_open || f.is_open();
    const bool generic_kept = roll_back_generic_files();
    std::string kept = st.luout.is_open() ? st.luout.name() : std::string();
    if (generic_open) {
        if (generic_kept) {
            kept += std::string(kept.empty() ? "" : " and ") +
                    "the run-wide chronology files (crns_*.txt) of the data files finished before";
        } else {
            removed += std::string(removed.empty() ? "" : " and ") + "the run-wide chronology files (crns_*.txt)";
        }
    }
    if (!kept.empty()) con().line(" *** kept: " + kept);
    if (!removed.empty()) con().line(" *** removed: " + removed);
    throw Stop("*** negative growth curve value ***", exit_failure);
}

}  // namespace

void end_over_negative_curve() {
    con().write("(1x,'the program will terminate now if'/1x,'you do not change the curve fit'/"
                "1x,'option to avoid a negative fit.'/1x,'is that what you really want? y/n',t45,'==> ',$)");
    if (answer_char() != 'n') negative_curve_stop();
}

namespace {

// Puts a scratch series back on the common year axis of its column, rows
// above it empty.
void place_series(int j, const ScratchSeries& s, int axis_first) {
    shared().sermat.put(j, s.first - axis_first + 1, s.values.data(), s.n);
}

ScratchSeries scratch_of(int first, int n, const float* v) {
    ScratchSeries s{first, n, std::vector<float>(n)};
    for (int i = 0; i < n; ++i) s.values[i] = through_f9_4(v[i]);
    return s;
}

}  // namespace

int nyear_step(int n) {
    if (n <= 200) return 5;
    if (n <= 400) return 10;
    if (n <= 800) return 20;
    if (n <= 1600) return 40;
    if (n <= 2000) return 50;
    return 100;
}

float through_f9_4(float v) {
    // A float times 10^4 is exact in double, so the nearest integer (ties to
    // even, as the layout engine rounds) is the field's digits; dividing back
    // gives the double the field reads as. Values too wide for nine columns
    // keep their four decimals here instead of turning into asterisks.
    const double k = std::nearbyint(static_cast<double>(v) * 1e4);
    return static_cast<float>(k / 1e4);
}

void detrnd(std::span<float> crv, std::span<float> w1, std::span<float> w2, std::span<float> w3,
            std::span<float> w4, FitRecord& coef, std::span<int> cnt, Table<float>& stat) {
    auto& s = shared();
    auto& out = streams().luout;
    PassSettings ps;
    ps.pass = s.ipass;
    const int k = ps.pass == 1 ? 4 : 5;
    ps.opt = s.optval(k, 1);
    ps.par = s.optval(k, 2);
    ps.pflag = s.optval(k, 3);
    ps.second_opt = s.optval(5, 1);
    ps.method = s.optval(6, 1);
    ps.interactive = s.optval(7, 1);
    ps.itype = s.optval(8, 1);
    ps.iprt = s.optval(17, 1);
    ps.save = s.optval(18, 1);
    ps.sumplt = s.optval(19, 1);
    ps.files = ps.save > 0 || ps.sumplt == 1 || ps.sumplt == 3;

    const std::string curve_file = output_name(ps.pass == 1 ? suffix::first_curves : suffix::second_curves);
    std::vector<ScratchSeries> curves, indices;
    if (ps.files) {
        // created fresh: whatever the name held before is gone (the indices
        // are kept in memory, so no scratch file of the user's is touched)
        delete_file(curve_file);
        curves.resize(s.nc + 1);
        indices.resize(s.nc + 1);
    }

    con().write(ps.pass == 1 ? "(/1x,'first detrending of individual tree-ring series'/)"
                             : "(/1x,'second detrending of individual tree-ring series'/)");
    if (ps.iprt >= 2) heading(ps);

    const int axis_first = s.sertbl(s.nc + 1, ify);
    bool previous_negative = false;
    for (int j = 1; j <= s.nc; ++j) {
        if (previous_negative)
            con().write(ps.pass == 1 ? "(/1x,'first detrending of individual tree-ring ','series continued'/)"
                                     : "(/1x,'second detrending of individual tree-ring ','series continued'/)");
        previous_negative = false;
        const int first0 = s.sertbl(j, ify);
        const int n0 = s.sertbl(j, ily) - first0 + 1;
        // The series' own rows; first differences move its first year on by one.
        const int rs = first0 - axis_first + 1;
        float* const base = s.sermat.rows(j, rs, rs + n0 - 1);
        std::copy_n(base, n0, w1.begin());
        if (!has_measured_value(w1.first(n0))) {
            // Nothing to fit a curve to and nothing an index could be made of:
            // the series stays empty, which every chronology passes over.
            std::fill_n(base, n0, xmiss);
            if (ps.iprt >= 2 && (j == 1 || ps.iprt == 4 || (j >= 20 && j % 20 == 0))) table_heading(out);
            list_no_measured_value(out, j, ps.opt);
            if (ps.files) {
                std::fill_n(crv.begin(), n0, xmiss);
                curves[j] = scratch_of(first0, n0, crv.data());
                indices[j] = scratch_of(first0, n0, base);
            }
            s.sertbl(j, idt) = 0;
            if (ps.pass == 1) s.fdyears[j] = 0;
            continue;
        }
        int option = ps.opt;
        int w = ps.par;
        bool series_negative = false;  // raised until the next series
        bool changing = false;         // an interactive change is under way
        int n = n0;
        int skip = 0;  // values taken off the front: 1 after first differences
        bool refit = true;
        while (refit) {
            refit = false;
            // a refit starts from the series as it came in
            s.sertbl(j, ify) = first0;
            n = n0;
            skip = 0;
            std::copy_n(w1.begin(), n0, base);
            if (option == -3 || option == -4) w = resolve_width(option, w, n);
            const int tried = option;
            int nfit = n;
            std::span<float> x(base, static_cast<size_t>(n0));
            crvfit(x, crv, w2, w3, n, nfit, coef, option, mxy, mxs, w, tried);
            if (option == -5) coef[4] = static_cast<float>(w);
            if (option == 7 || option == 8)
                std::copy_n(w3.begin(), n, w4.begin());
            else
                w4[0] = -999.0f;
            bool negative = false;
            if (option == -1) {
                s.sertbl(j, ify) += 1;
                skip = 1;
                n = nfit;
            } else {
                for (int i = 1; i <= n; ++i) {
                    if (crv[i - 1] > 0.0f) continue;
                    con().write("(/t2,'*** series: ',a8,2x,'growth curve goes ','negative! ***'/t2,'year: ',i6,2x,f7.3)",
                                s.serids[j], s.sertbl(j, ify) + i - 1, crv[i - 1]);
                    coef[6] = static_cast<float>(option);
                    negative = series_negative = previous_negative = true;
                    con().line(" hit <ret> to display the dirty dog!");
                    con().wait();
                    break;
                }
            }
            x = std::span<float>(base + skip, static_cast<size_t>(n));
            if (!negative) {
                if (ps.iprt >= 2) {
                    if ((j == 1 && !changing) || ps.iprt == 4 || (j >= 20 && j % 20 == 0)) table_heading(out);
                    if (option == -3 || option == -4) {
                        coef[6] = static_cast<float>(w);
                        out.write(option == -3 ? "(t2,i5,3x,a8,i4,i5,11x,'median filter curve and window width')"
                                               : "(t2,i5,3x,a8,i4,i5,11x,'lowess robust curve and window width')",
                                  j, s.serids[j], option, w);
                    } else if (option == -5) {
                        out.write("(t2,i5,3x,a8,i4,i5,11x,'friedman super smoother curve and alpha')", j,
                                  s.serids[j], option, w);
                    } else if (option >= 10 || option <= -10) {
                        const int window = option > 0 ? option : percent_period(option, n);
                        coef[6] = static_cast<float>(window);
                        out.write("(t2,i5,3x,a8,i5,i5,9x,'smoothing spline curve and window width')", j,
                                  s.serids[j], option, window);
                    } else {
                        if (!changing && option != ps.opt)
                            out.write("(t2,i5,3x,a8,i7,3x,'--> curve fit option failed ','and changed to: ',i5)", j,
                                      s.serids[j], ps.opt, option);
                        else if (changing && option != tried)
                            out.write("(t2,i5,3x,a8,i7,3x,'--> curve fit option failed ','and changed to: ',i5)", j,
                                      s.serids[j], tried, option);
                        const int p = (option == 3 || option == 7 || option == 8) ? static_cast<int>(coef[5]) : 0;
                        // "(t2,i5,3x,a8,i7,1x,4f12.6,i8)", a coefficient too wide for
                        // f12.6 (a Hugershoff a of a million) with fewer decimals
                        const std::array<float, 4> shown{coef[0], coef[1], coef[2], coef[4]};
                        out.write("(t2,i5,3x,a8,i7,1x," + fitted_reals(shown, 12, 6) + ",i8)", j, s.serids[j], option,
                                  shown, p);
                    }
                } else if (option == -3 || option == -4) {
                    coef[6] = static_cast<float>(w);
                } else if (option >= 10 || option <= -10) {
                    coef[6] = static_cast<float>(option > 0 ? option : percent_period(option, n));
                }
                if (option == -1) {
                    float m = 0.0f;
                    xmean(x, n, m);
                    for (int i = 0; i < n; ++i) x[i] = x[i] - m + 1.0f;
                } else {
                    indcal(x, crv, n, ps.itype, mxy);
                }
                if (ps.iprt == 4)
                    nyrmean(w1, crv, x, n, s.sertbl(j, ify), nyear_step(n), out, 4, ps.interactive);
            }

            // The review: the plot and the questions.
            if (!(ps.interactive == 2 || ps.interactive == 3 || ps.pflag == 1 || series_negative)) break;
            bool unresolved = negative;
            while (true) {
                std::fill_n(w2.begin(), n, 1.0f);
                if (!unresolved) {
                    // the spline of the indices drawn under them; a series too
                    // short for a spline of period n/10 is drawn without it
                    if (n >= 4 && n / 10 >= 2) {
                        float p = 0.0f;
                        spline(n, x, w2, p, n / 10);
                        if (spline_failed(w2)) std::fill_n(w2.begin(), n, 1.0f);
                    }
                } else {
                    w2[0] = 0.0f;
                }
                const std::string id = in_columns(closed_up(s.serids[j]), 8);
                const char* label = ps.pass == 2 ? " 2nd detrending" : ps.second_opt == 0 ? " detrending" : " 1st detrending";
                TwoPanelData data;
                data.col = {w1.data(), crv.data(), w3.data(), x.data(), w2.data(), w4.data()};
                data.depth = cnt.data();
                // the plot names a negative exponential without a rate a
                // straight line, and the series is recorded as that
                plt2pn(data, n, s.sertbl(j, ify), 1, id, padded(label, 17), " tree-ring indices", "years",
                       "measurements (y)", "years", "indices (z)", 1, '2', ps.pflag, coef, option, &option);
                char a;
                while (true) {
                    con().write("(1x,'change curve fit? y/<n>',t45,'==> ',$)");
                    a = answer_char();
                    if (a == ' ') a = 'n';
                    if (a == 'y' || a == 'n' || a == 'h') break;
                }
                if (a == 'n') {
                    s.optval(k, 2) = ps.par;
                    con().write("(1x,'continue interactive detrending? <y>/n',t45,'==> ',$)");
                    if (answer_char() == 'n') {
                        ps.interactive = 0;
                        ps.pflag = 0;
                    }
                } else if (a == 'h') {
                    option_list();
                } else {
                    option_list();
                    if (const auto v = new_curve_option()) {
                        const int next = *v;
                        w = 0;
                        if (next == -5) {
                            w = (ps.opt != -5 && negative) ? 5 : alpha_prompt();
                        } else if (next == -3 || next == -4) {
                            w = window_prompt(next, n0);
                        } else if (next == -6) {
                            w = stiffness_prompt(ps.pass);
                        }
                        option = next;
                        changing = true;
                        refit = true;
                        break;
                    }
                }
                if (!unresolved) break;
                end_over_negative_curve();
            }
        }
        if (ps.files) {
            curves[j] = scratch_of(s.sertbl(j, ify), n, crv.data());
            indices[j] = scratch_of(s.sertbl(j, ify), n, base + skip);
        }
        s.sertbl(j, idt) = option;
        if (ps.pass == 1) s.fdyears[j] = option == -1 ? 1 : 0;
    }

    // After the last series. First differences start the series a year
    // later, and with them the common axis; a series that kept its first
    // year (changed to another curve, or fallen back from a single value)
    // keeps the axis where it was.
    bool axis_moves = false;
    if (ps.opt == -1) {
        axis_moves = true;
        for (int j = 1; j <= s.nc; ++j)
            if (s.sertbl(j, ify) <= axis_first) axis_moves = false;
    }
    if (axis_moves) {
        s.sertbl(s.nc + 1, ify) += 1;
        for (int j = 1; j <= s.nc; ++j) s.sermat.shift_up(j);
    }
    if (!ps.files) {
        sngstat(s.sermat, stat, s.sertbl, s.serids, s.nc, mxy, mxs, out, ps.iprt);
        return;
    }
    const int first = s.sertbl(s.nc + 1, ify);
    const int span = s.sertbl(s.nc + 1, ily) - first + 1;
    for (int j = 1; j <= s.nc; ++j) place_series(j, curves[j], first);
    if (ps.sumplt == 1 || ps.sumplt == 3) {
        const int mean_type = s.optval(12, 1);
        s.optval(12, 1) = 1;
        std::vector<float> v(s.nc), wk(s.nc), wt(s.nc);
        for (int r = 0; r < span; ++r) {
            int m = 0;
            for (int j = 1; j <= s.nc; ++j) {
                const float c = s.sermat.at(r + 1, j);
                if (c != xmiss) v[m++] = c;
            }
            if (m == 0) {
                s.crvmean[r] = xmiss;
                continue;
            }
            float xbar, sd, se, eff = 1.0f;
            int iter = 0;
            biwgt(v, wk, 7.5f, m, xbar, sd, se, eff, iter, wt);
            s.crvmean[r] = xbar;
        }
        s.optval(12, 1) = mean_type;
        if (ps.pass == 1)
            pltall("1st-detrending curves with mean", "years", "measurements", 6);
        else
            pltall("2nd-detrending curves with mean", "years", "indices", 7);
    }
    if (ps.save > 0 && create_output(streams().luscr, curve_file)) {
        auto& scr = streams().luscr;
        if (ps.save <= 3) {
            for (auto& h : s.hdrlin) {
                h.resize(85, ' ');
                h.replace(79, 6, ps.pass == 1 ? " crv1 " : " crv2 ");
                scr.write("(a)", h);
            }
        }
        std::vector<float> w(mxy);
        std::vector<int> icnt(mxy), isel(s.nc + 1);
        savsers(s.sermat, w, s.nc, s.sertbl, s.serids, icnt, isel, s.dtitle, mxy, mxs, "crv");
        scr.close();
    }
    for (int j = 1; j <= s.nc; ++j) place_series(j, indices[j], first);
    sngstat(s.sermat, stat, s.sertbl, s.serids, s.nc, mxy, mxs, out, ps.iprt);
}

}  // namespace kov
