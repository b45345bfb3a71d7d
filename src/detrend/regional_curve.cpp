#include "detrend/regional_curve.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "chronology/bootstrap_limits.hpp"
#include "chronology/chronology_builder.hpp"
#include "chronology/nyear_means.hpp"
#include "detrend/curve_dispatch.hpp"
#include "detrend/curve_review.hpp"
#include "detrend/detrending_driver.hpp"
#include "detrend/indices.hpp"
#include "detrend/pith_offsets.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/save.hpp"
#include "series/tucson.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

using TableRow = std::array<int, 10>;

// The header lines of the data file itself are blanked in their last columns.
void save_series(const std::string& name, std::string_view tag) { save_series_file(name, tag, shared().hdrlin); }

// A spline that cannot be fitted leaves the values as their own curve rather
// than its error mark.
void smooth(int n, const float* y, float* out, int period) {
    if (n < 1) return;
    float p = 0.0f;
    spline(n, {y, static_cast<size_t>(n)}, {out, static_cast<size_t>(n)}, p, period);
    if (spline_failed({out, static_cast<size_t>(n)})) std::copy_n(y, n, out);
}

// The stiffness of the regional curve's spline, its default included, becomes
// the second pass's parameter.
int stiffness_prompt() {
    const int v = stiffness_answer(
                      "(1x,'Age-dependent spline starting stiffness'/1x,'is needed. Must be .ge. 5. Hit <RET> for'/"
                      "1x,'a default of 10 years or enter you own.',t45,'==> ',$)",
                      6)
                      .value_or(10);
    shared().optval(5, 2) = v;
    return v;
}

}  // namespace

void rcsdet(Table<float>& crn, std::span<float> crv, std::span<int> cnt, Table<float>& stat,
            std::span<float> w1, std::span<float> w2, std::span<float> w3, std::span<float> w4,
            std::span<float> w5, float rawmax, std::span<int> pitoff, std::string& title,
            std::span<float> se, std::span<float> lo, std::span<float> hi) {
    auto& s = shared();
    auto& out = streams().luout;
    const int nc = s.nc;
    int pflag = s.optval(4, 3);
    int ropt = s.optval(5, 1);
    const int rpar0 = s.optval(5, 2);
    int rpar = (ropt == -3 || ropt == -4 || ropt == -6) ? rpar0 : 0;
    int interactive = s.optval(7, 1);
    const int itype = s.optval(8, 1);
    const int boot_plot = s.optval(12, 2), boot = s.optval(12, 3), period = s.optval(12, 4);
    const int iprt = s.optval(17, 1), save = s.optval(18, 1);
    int sumplt = s.optval(19, 1);

    // 1-2: offsets, the table aside
    read_pith_offsets(pitoff);
    std::vector<TableRow> kept(nc + 3);
    for (int r = 1; r <= nc + 2; ++r)
        for (int c = 1; c <= 10; ++c) kept[r][c - 1] = s.sertbl(r, c);
    const int cal_first = s.sertbl(nc + 1, ify), cal_last = s.sertbl(nc + 1, ily);
    // A series of zeros or missing values only has nothing to age: it stays
    // out of the age-aligned mean, and its ages set neither the start nor the
    // length of the age axis, where they would enter the mean as zeros. When
    // no series has a measured value every series places the axis.
    std::vector<char> measured(nc + 1, 0);
    for (int j = 1; j <= nc; ++j) {
        const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
        const int from = s.sertbl(j, ify) - cal_first;
        measured[j] = has_measured_value({s.sermat.rows(j, from + 1, from + n), static_cast<size_t>(n)});
    }
    const bool any_measured = std::find(measured.begin() + 1, measured.end(), 1) != measured.end();
    auto places_axis = [&](int j) { return measured[j] || !any_measured; };
    std::optional<int> lowest;
    for (int j = 1; j <= nc; ++j)
        if (places_axis(j)) lowest = std::min(lowest.value_or(pitoff[j - 1]), pitoff[j - 1]);
    const int pmin = lowest.value_or(0);
    // Offsets come from a file and may be any 32-bit number: the extent is
    // found in 64 bits, where offsets far apart cannot overflow.
    long long extent = 0;
    for (int j = 1; j <= nc; ++j) {
        if (!places_axis(j)) continue;
        const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
        extent = std::max(extent, static_cast<long long>(pitoff[j - 1]) + n - pmin);
    }
    // Offsets that would put a series beyond the rows of the series matrix
    // cannot be aligned: the run stops before any series is moved.
    if (extent > mxy) {
        con().write("(/1x,'*** pith offsets place the series beyond ',i6,' age years ***')", mxy);
        throw Stop("", exit_failure);
    }
    const int na = static_cast<int>(extent);

    // 3: alignment on the age axis
    for (int j = 1; j <= nc; ++j) {
        const int p = pitoff[j - 1];
        const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
        const int from = s.sertbl(j, ify) - cal_first;
        float* values = s.sermat.rows(j, from + 1, from + n);
        s.sertbl(j, yfp) = kept[j][yfp - 1] = p;
        s.sertbl(j, idt) = kept[j][idt - 1] = -2;
        if (!measured[j]) {
            // Kept out of the regional mean and out of the chronologies, the
            // series stays empty where it is.
            std::fill_n(values, n, xmiss);
            list_no_measured_value(out, j, -2);
            // Ages off the axis have no rows to be saved at: the series is
            // left out of the age files until it is back on its years.
            const long long row0 = static_cast<long long>(p) - pmin;
            if (row0 < 0 || row0 + n > na) {
                s.sertbl(j, ics) = 0;
                continue;
            }
        } else {
            s.sermat.assign(j, p - pmin + 1, values, n);
        }
        s.sertbl(j, ify) = p + 1;
        s.sertbl(j, ily) = p + n;
    }
    for (int r : {nc + 1, nc + 2}) {
        s.sertbl(r, ify) = kept[r][ify - 1] = pmin + 1;
        s.sertbl(r, ily) = kept[r][ily - 1] = pmin + na;
    }

    // 4: the aligned series
    if (save > 0) save_series(output_name(suffix::rcs_aligned), "raw");

    // 5-7: the age-aligned mean
    bldcrn(cnt, {crn.col(2), mxy}, {crn.col(3), mxy}, {crn.col(10), mxy}, w1, w2, w3, w4, w5, rawmax, 0.0f, 'b',
           se, lo, hi);
    const float* mean = crn.col(10);
    for (int r = 0; r < na; ++r) s.crvmean[r] = w1[r] = mean[r];
    if (sumplt == 1 || sumplt == 3) pltall("rcs-aligned data with mean", "years", "measurements", 5);
    for (int r = 1; r <= na; ++r) {
        crn(r, 8) = static_cast<float>(r);
        crn(r, 9) = static_cast<float>(cnt[r - 1]);
        crn(r, 11) = w3[r - 1];
    }
    FitRecord rec{};

    // 8: bootstrap limits and their file. The limits are splined over the
    // ages from the first to the last of six or more series, as a
    // chronology's over its years: the young and old ages of fewer series
    // have no limits of their own.
    if (boot == 1) {
        std::fill_n(w2.begin(), na, 0.0f);
        std::fill_n(w3.begin(), na, 0.0f);
        smooth(na, mean, w1.data(), period);
        const DeepYears ages = deep_years(cnt, na);
        const int m = ages.to - ages.from;
        smooth(m, lo.data() + ages.from, w2.data() + ages.from, period);
        smooth(m, hi.data() + ages.from, w3.data() + ages.from, period);
        settle_limits(na, cnt, {mean, static_cast<size_t>(na)}, w1, ages.from, ages.to, lo, hi, w2, w3);
        if (boot_plot > 0) {
            TwoPanelData d;
            d.col = {mean, lo.data(), hi.data(), w1.data(), w2.data(), w3.data()};
            d.depth = cnt.data();
            plt2pn(d, na, 1, 2, rtrim(s.datfil), " rcs ring width bootstrap", " splined rcs bootstrap", "years",
                   "ring widths (z)", "years", "ring widths (y)", 9, '2', sumplt, rec, ropt);
        }
        auto& scr = streams().luscr;
        const std::string name = data_file_output_name(suffix::rcs_limits);
        create_output(scr, name);
        std::string head = "  year    nc     std    2.5%   97.5%     spl    2.5%   97.5%";
        head.replace(36, 5, fmt("(i5)", period).substr(0, 5));
        scr.write("(a60)", head);
        for (int r = 1; r <= na; ++r)
            scr.write("(2i6,6f8.3)", r, cnt[r - 1], mean[r - 1], lo[r - 1], hi[r - 1], w1[r - 1], w2[r - 1], w3[r - 1]);
        scr.close();
    }

    // 9-10: title and chronology files
    title.resize(85, ' ');
    if (blank_start(title, 6)) title = padded(rtrim(s.datfil) + " -- no data title line provided --", 85);
    title.replace(53, 27, " age-aligned rcs chronology");
    {
        auto& st = streams();
        if (s.wmode != "cr") {
            for (auto& h : s.hdrlin) {
                h.resize(85, ' ');
                h.replace(82, 3, "   ");
                for (OutFile* f : {&st.lucrn, &st.luerr, &st.lugcrn[4], &st.lugcrn[9]})
                    if (f->is_open()) f->write("(a)", h);
            }
        }
        const std::string id = padded(s.datfil, 6);
        const std::span<const float> mspan{mean, static_cast<size_t>(mxy)};
        const std::span<const float> espan{se.data(), static_cast<size_t>(mxy)};
        const std::span<const int> dspan{cnt.data(), static_cast<size_t>(mxy)};
        for (OutFile* f : {&st.lucrn, &st.lugcrn[4]})
            if (f->is_open()) trrw(id, 1, na, mspan, dspan, *f, s.wmode, "rcs");
        for (OutFile* f : {&st.luerr, &st.lugcrn[9]})
            if (f->is_open()) trrw(id, 1, na, espan, dspan, *f, s.wmode, "err");
    }

    // 11: listing heading
    out.write("(/t2,80('='))");
    rec.fill(0.0f);
    con().write("(1x,'regional curve estimation')");
    if (iprt >= 2) {
        if (s.optval(6, 1) == 1)
            out.write("(/t2,a,a)", "|--------------- growth curve used ", "for detrending tree-ring data --------------|");
        else
            out.write("(/t2,a,a)", "|----------- robust growth curve used ", "for detrending tree-ring data -----------|");
        out.write("(t2,'  curve fit options:')");
        option_legend(out, true);
        out.write("(t2,'series   ident     option       a           b           c           d         p')");
    }

    // 12-13: the regional curve and its review
    bool went_negative = false;  // during this call
    bool last_negative = false;  // the latest fit
    int width = rpar;
    // The guard on the curve as it is used over all na age rows: a value at
    // or below zero makes no indices.
    auto guard = [&] {
        last_negative = false;
        for (int r = 1; r <= na; ++r) {
            if (crv[r - 1] > 0.0f) continue;
            con().write("(/1x,'*** rcs growth curve goes negative! ','***'/1x,'year: ',i6,2x,f7.3)", r, crv[r - 1]);
            went_negative = last_negative = true;
            con().line(" hit <ret> to display the dirty dog!");
            con().wait();
            break;
        }
    };
    // The curve is shown for review in an interactive run, under the plot
    // flag (an "n" in the plot clears it), after a curve went negative and
    // with the summary plots 2 and 3.
    auto reason_to_review = [&] {
        return interactive == 2 || pflag == 1 || went_negative || sumplt == 2 || sumplt == 3;
    };
    while (true) {
        // a spline's period as the fit takes it
        if (ropt >= 10) width = ropt;
        if (ropt <= -10) width = percent_period(ropt, na);
        if (ropt == -3 || ropt == -4) width = resolve_width(ropt, width, na);
        std::copy_n(mean, na, s.crvmean.begin());
        std::copy_n(mean, na, w1.begin());
        std::fill_n(crv.begin(), na, 0.0f);
        int nf = na;
        crvfit({s.crvmean.data(), static_cast<size_t>(mxy)}, crv, w2, w3, na, nf, rec, ropt, mxy, mxs, width,
               ropt);
        rec[6] = -2.0f;
        guard();
        if (!last_negative) {
            if (iprt >= 2) {
                const char* text = nullptr;
                if (ropt == -3) text = "median smoothed rcs curve and window width";
                if (ropt == -4) text = "lowess smoothed rcs curve and window width";
                if (ropt == -5) text = "friedman variable span smoothed rcs curve";
                if (ropt == -6) text = "melvin age-dependent spline rcs curve";
                if (ropt >= 10 || ropt <= -10) text = "spline smoothed rcs curve and window width";
                if (text) {
                    out.write("(t2,'  all',3x,'  rcs ',i5,i7,8x,a)", ropt, width, text);
                } else {
                    const int p = (ropt == 3 || ropt == 7 || ropt == 8) ? static_cast<int>(rec[5]) : 0;
                    // "(t2,'  all',3x,'  rcs ',i8,2x,4f12.6,i7)", a coefficient too
                    // wide for f12.6 with fewer decimals
                    const std::array<float, 4> shown{rec[0], rec[1], rec[2], rec[4]};
                    out.write("(t2,'  all',3x,'  rcs ',i8,2x," + fitted_reals(shown, 12, 6) + ",i7)", ropt, shown, p);
                }
            }
            indcal({s.crvmean.data(), static_cast<size_t>(na)}, crv, na, itype, mxy);
            if (iprt == 4)
                nyrmean(w1, crv, s.crvmean, na, 1, nyear_step(na), out, 4, interactive);
        }
        if (!reason_to_review()) break;
        bool refit = false;
        while (true) {
            std::copy_n(mean, na, w1.begin());
            std::fill_n(w2.begin(), na, 1.0f);
            w4[0] = -999.0f;
            TwoPanelData d;
            d.col = {w1.data(), crv.data(), w3.data(), s.crvmean.data(), w2.data(), w4.data()};
            d.depth = cnt.data();
            plt2pn(d, na, 1, 1, rtrim(s.datfil), " rcs growth trend", " rcs residuals", "years", "measurements (y)",
                   "years", "indices (z)", 6, '2', pflag, rec, ropt);
            con().write("(1x,'truncate rcs calculation length? y/<n>/h',t45,'==> ',$)");
            if (answer_char() == 'y') {
                int len = 0;
                while (true) {
                    con().write("(1x,'new length must be <',i6,' years'/1x,'please enter the new rcs curve length',t45,'==> ',$)",
                                na);
                    const auto v = answer_int();
                    if (v && *v >= 1 && *v <= na) {
                        len = *v;
                        break;
                    }
                }
                out.write("(t17,'*** rcs curve and data truncated for fitting at age: ',i6)", len);
                std::copy_n(mean, na, s.crvmean.begin());
                std::copy_n(mean, na, w1.begin());
                int nf2 = len;
                // a curve over all na ages, fitted to the first len of them
                crvfit({s.crvmean.data(), static_cast<size_t>(mxy)}, crv, w2, w3, na, nf2, rec, ropt, mxy, mxs,
                       width, ropt);
                rec[6] = -2.0f;
                guard();
                if (!last_negative) indcal({s.crvmean.data(), static_cast<size_t>(na)}, crv, na, itype, mxy);
                std::fill_n(w2.begin(), na, 1.0f);
                plt2pn(d, na, 1, 1, rtrim(s.datfil), " rcs growth trend", " rcs residuals", "years",
                       "measurements (y)", "years", "indices (z)", 6, '2', pflag, rec, ropt);
            }
            // Asked again only while a reason to review stands: an "n" in the plot
            // has just cleared the plot flag.
            const bool ask = reason_to_review();
            char a = 'n';
            while (ask) {
                con().write("(1x,'change curve fit? y/<n>/h',t45,'==> ',$)");
                a = answer_char();
                if (a == ' ') a = 'n';
                if (a == 'y' || a == 'n' || a == 'h') break;
            }
            if (a == 'y' || a == 'h') option_list();
            if (a == 'y') {
                if (const auto v = new_curve_option()) {
                    ropt = *v;
                    width = 0;
                    if (ropt == -5) width = went_negative ? 5 : alpha_prompt();
                    if (ropt == -3 || ropt == -4) width = window_prompt(ropt, na);
                    if (ropt == -6) width = stiffness_prompt();
                    refit = true;
                    break;
                }
            }
            if (!last_negative) break;
            end_over_negative_curve();
        }
        if (!refit) break;
    }

    // 14-16: indices of the series at their own ages
    for (int r = 1; r <= na; ++r) crn(r, 12) = crv[r - 1];
    std::vector<std::array<float, 2>> moments(nc + 1);
    for (int j = 1; j <= nc; ++j) {
        if (!measured[j]) continue;
        const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
        const int row0 = pitoff[j - 1] - pmin;
        std::span<float> x(s.sermat.rows(j, row0 + 1, row0 + n), n);
        if (itype == 2) {
            float ave, adev, sdev, var, skew, curt, sens, ac1;
            moment(x, n, ave, adev, sdev, var, skew, curt, sens, ac1);
            moments[j] = {ave, sdev};
        }
        indcal(x, crv.subspan(row0, n), n, itype, mxy);
    }
    if (save > 0) save_series(data_file_output_name(suffix::rcs_age_indices), "ind");

    // 17: back to the calendar axis
    kept[nc + 1][ify - 1] = cal_first;
    kept[nc + 1][ily - 1] = cal_last;
    for (int r = 1; r <= nc + 2; ++r)
        for (int c = 1; c <= 10; ++c) s.sertbl(r, c) = kept[r][c - 1];
    for (int j = 1; j <= nc; ++j) {
        if (!measured[j]) continue;
        const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
        const int row0 = pitoff[j - 1] - pmin;
        const int to = s.sertbl(j, ify) - cal_first;
        s.sermat.assign(j, to + 1, s.sermat.rows(j, row0 + 1, row0 + n), n);
    }

    // 18: each series with the curve at its ages
    if (s.optval(4, 3) == 1) {
        int series_plots = s.optval(4, 3);
        for (int j = 1; j <= nc && series_plots == 1; ++j) {
            if (!measured[j]) continue;
            const int n = s.sertbl(j, ily) - s.sertbl(j, ify) + 1;
            const int row0 = pitoff[j - 1] - pmin;
            const int from = s.sertbl(j, ify) - cal_first;
            const float* idx = s.sermat.rows(j, from + 1, from + n);
            for (int i = 0; i < n; ++i) w1[i] = itype == 2 ? idx[i] + crv[row0 + i] : idx[i] * crv[row0 + i];
            if (itype == 2) {
                float ave, adev, sdev, var, skew, curt, sens, ac1;
                moment(w1.first(n), n, ave, adev, sdev, var, skew, curt, sens, ac1);
                for (int i = 0; i < n; ++i)
                    w1[i] = sdev > 0.0f ? (w1[i] - ave) / sdev * moments[j][1] + moments[j][0] : moments[j][0];
            }
            std::fill_n(w2.begin(), n, 1.0f);
            std::string id;
            for (char ch : s.serids[j])
                if (ch != ' ') id += ch;
            TwoPanelData d;
            d.col = {w1.data(), crv.data() + row0, w3.data(), idx, w2.data(), w4.data()};
            d.depth = cnt.data();
            plt2pn(d, n, s.sertbl(j, ify), 1, id, " ", " ", "years", "measurements (y)", "years", "rcs indices (z)",
                   1, '2', series_plots, rec, ropt);
        }
    }

    // 19
    sngstat(s.sermat, stat, s.sertbl, s.serids, nc, mxy, mxs, out, iprt);
}

}  // namespace kov
