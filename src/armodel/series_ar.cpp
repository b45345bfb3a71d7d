#include "armodel/series_ar.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "armodel/robust_ar.hpp"
#include "armodel/series_ar_listings.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/fixed_text.hpp"
#include "series/save.hpp"
#include "series/series_statistics.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"

namespace kov {

BurgStages burg_stages(int order_option, int npool) {
    if (order_option == 0) return {npool + 1, 1};
    if (order_option < 0) return {11, 0};
    return {std::min(order_option, ar_max_order) + 1, 1};
}

float four_decimals(float v) {
    // v * 10^4 is exact in double (24 + 14 bits), so the rounding is that of
    // the decimal layout: to nearest, ties to even.
    const double scaled = static_cast<double>(v) * 10000.0;
    const double k = std::nearbyint(scaled);
    const double shown = k / 10000.0;
    if (!(shown < 9999.99995 && shown > -999.99995)) return v;  // the field shows asterisks
    return static_cast<float>(shown);
}

namespace {

std::string with_threshold(std::string_view text, float c) {
    std::string t(text);
    std::string v = fmt("(f4.2)", c);
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
    return t + v + " sigma";
}

// A series as a scratch file gives it back: four decimals per value.
std::vector<float> parked(std::span<const float> v, int n) {
    std::vector<float> out(static_cast<size_t>(n));
    for (int t = 0; t < n; ++t) out[static_cast<size_t>(t)] = four_decimals(v[static_cast<size_t>(t)]);
    return out;
}

// Puts values at the series' rows of sermat column i, xmiss above them.
void place_series(int i, int off, const std::vector<float>& v) {
    shared().sermat.put(i, off + 1, v.data(), static_cast<int>(v.size()));
}

}  // namespace

void arindv(Table<float>& crn, std::span<float> w1, std::span<float> w2, std::span<float> w3,
            std::span<float> w4, std::span<float> w5, std::span<float> w6, Table<float>& coef, int ipool,
            Table<float>& stat) {
    auto& s = shared();
    auto& opt = s.optval;
    const int nc = s.nc;
    const int method = opt(9, 1);
    const bool robust = method == 2 || method == 3;
    const float c = ar_outlier_threshold(opt(9, 2));
    int series_plot = opt(9, 3);
    const int save_entry = opt(18, 1);
    if (save_entry == 0) opt(18, 1) = 1;

    con().write("(/1x,'calculate individual series autoregressions'/)");
    if (opt(17, 1) > 1) list_ar_heading(method);

    const int order_option = opt(11, 1);
    const bool batch = !s.batmod.empty() && (s.batmod[0] == 'y' || s.batmod[0] == 'Y');
    const int first = s.sertbl(nc + 1, ify);
    const int ns = s.sertbl(nc + 1, ily) - first + 1;
    for (int r = 1; r <= ns; ++r) crn(r, 13) = crn(r, 14) = 0.0f;
    int maxord = -999;

    std::string outlier_file;
    auto& scr = streams().luscr;
    if (method == 3) {
        outlier_file = output_name(suffix::no_outliers);
        if (create_output(scr, outlier_file)) scr.close();
    }
    // The residual and outlier-free series park here between the loop and
    // their return to sermat, as a scratch file would hold them.
    std::vector<std::vector<float>> parked_residuals, parked_clean;
    if (robust) parked_residuals.resize(static_cast<size_t>(nc) + 1);
    if (method == 3) parked_clean.resize(static_cast<size_t>(nc) + 1);
    if (robust) w6[0] = -999.0f;

    // A series the detrending left out for want of a measured value holds
    // missing values only: it has no model and stays out of the residual and
    // kovrin chronologies.
    auto left_out = [&](int i, int n, int off) { return s.sermat.all_missing(i, off + 1, off + n); };
    std::vector<float> phi(ar_max_order + 1, 0.0f);
    const std::array<float, 7> no_curve{};
    for (int i = 1; i <= nc; ++i) {
        const int n = s.sertbl(i, ily) - s.sertbl(i, ify) + 1;
        const int off = s.sertbl(i, ify) - first;
        if (n < 1) continue;
        if (left_out(i, n, off)) {
            for (int k = 1; k <= 12; ++k) coef(k, i) = 0.0f;
            continue;
        }
        // A batch run keeps an order option that a detail record gave the
        // series (it may be the user's own edit); every other series takes the
        // run's option, as in an interactive run.
        const bool own_option = batch && s.ips_from_record[static_cast<size_t>(i)];
        const BurgStages st = burg_stages(own_option ? s.sertbl(i, ips) : order_option, ipool);
        for (int k = 1; k <= ar_max_order; ++k) phi[static_cast<size_t>(k - 1)] = coef(k, i);
        std::span<float> x(s.sermat.rows(i, off + 1, off + n), static_cast<size_t>(n));
        int ip = 0;
        float r2 = 0.0f;
        rbar(x, n, w1, w2, w3, w4, w5, st.maxp, st.mode, phi, ip, r2, ar_work_capacity);
        for (int k = 1; k <= ar_max_order; ++k) coef(k, i) = phi[static_cast<size_t>(k - 1)];

        if (robust) {
            int k = 0;
            for (int t = 0; t < n; ++t)
                if (std::fabs(w3[static_cast<size_t>(t)] - 1.0f) > 0.1f) ++k;
            for (int t = 0; t < n; ++t) w4[static_cast<size_t>(t)] = 1.0f;
            if (k == 0)
                for (int t = 0; t < n; ++t) w3[static_cast<size_t>(t)] = 1.0f;

            if (series_plot > 0) {
                w6[0] = -999.0f;
                TwoPanelData data;
                data.col = {w1.data(), w2.data(), w5.data(), w3.data(), w4.data(), w6.data()};
                plt2pn(data, n, s.sertbl(i, ify), 1, closed_up(s.serids[static_cast<size_t>(i)]),
                       with_threshold(" with and without AR outliers >", c),
                       with_threshold(" AutoRegressive outliers >", c), "years", "indices (y)", "years",
                       "outliers (z)", 1, ' ', series_plot, no_curve, 0);
            }

            float sum = 0.0f;
            for (int t = 0; t < n; ++t) sum += w3[static_cast<size_t>(t)];
            const float m = sum / static_cast<float>(n);
            for (int t = 0; t < n; ++t) {
                const float d = w3[static_cast<size_t>(t)] - m;
                const int r = off + t + 1;
                if (d < -0.2f) crn(r, 13) -= 1.0f;
                if (d > 0.2f) crn(r, 14) += 1.0f;
            }
        }

        coef(11, i) = r2;
        coef(12, i) = static_cast<float>(ip);
        maxord = std::max(maxord, ip);
        // The detail file written after the run carries the option the series
        // was fitted with.
        if (!own_option) s.sertbl(i, ips) = order_option;

        if (robust) {
            if (method == 3) parked_clean[static_cast<size_t>(i)] = parked(w2, n);
            parked_residuals[static_cast<size_t>(i)] = parked(x, n);
        }
    }

    if (method == 3) {
        bool negative = false;
        for (int i = 1; i <= nc; ++i) {
            std::vector<float>& v = parked_clean[static_cast<size_t>(i)];
            const int n = static_cast<int>(v.size());
            if (n < 1) continue;
            std::copy(v.begin(), v.end(), w1.begin());
            // The outlier-free series gets back the persistence of its own model.
            std::vector<float> model(ar_max_order);
            for (int k = 1; k <= ar_max_order; ++k) model[static_cast<size_t>(k - 1)] = coef(k, i);
            const int order = static_cast<int>(coef(12, i));
            rewht(w1.first(static_cast<size_t>(n)), w4, n, model, order, ar_work_capacity);
            float a, adev, sdev, var, skew, curt, sens, ac1;
            moment(w1, n, a, adev, sdev, var, skew, curt, sens, ac1);
            for (int t = 0; t < n; ++t) {
                float& y = w1[static_cast<size_t>(t)];
                y = y - a + 1.0f;
                if (y < 0.0f) {
                    y = 0.0f;
                    negative = true;
                }
            }
            v.assign(w1.begin(), w1.begin() + n);
        }
        if (negative) {
            con().write("(1x,'Negative values have been found in the outlier corrected series')");
            con().write("(1x,'********* These negative values have been set to zero *********')");
        }
        for (int i = 1; i <= nc; ++i) {
            const int off = s.sertbl(i, ify) - first;
            if (!parked_clean[static_cast<size_t>(i)].empty())
                place_series(i, off, parked_clean[static_cast<size_t>(i)]);
        }
        s.crvmean[0] = xmiss;
        series_plot = opt(9, 3);
        create_output(scr, outlier_file);
        if (opt(18, 1) < 4) {
            for (auto& h : s.hdrlin) {
                h.resize(85, ' ');
                h.replace(82, 3, "   ");
                scr.write("(a)", h);
            }
        }
        std::vector<int> cnt(mxy), isel(static_cast<size_t>(std::max(nc, 1)) + 1);
        savsers(s.sermat, w3, nc, s.sertbl, s.serids, cnt, isel, s.dtitle, mxy, mxs, "out");
        scr.close();
    }

    if (robust) {
        for (int i = 1; i <= nc; ++i) {
            const int off = s.sertbl(i, ify) - first;
            if (!parked_residuals[static_cast<size_t>(i)].empty())
                place_series(i, off, parked_residuals[static_cast<size_t>(i)]);
        }
        for (int r = 1; r <= ns; ++r) {
            // A year without depth has no share to report.
            const float depth = crn(r, 1);
            crn(r, 15) = crn(r, 13) != 0.0f && depth > 0.0f ? crn(r, 13) / depth : 0.0f;
            crn(r, 16) = crn(r, 14) > 0.0f && depth > 0.0f ? crn(r, 14) / depth : 0.0f;
        }
        int summary = opt(19, 1);
        if (series_plot > 0 || summary > 0) {
            TwoPanelData data;
            data.col = {crn.col(13), crn.col(14), w5.data(), crn.col(15), crn.col(16), w6.data()};
            plt2pn(data, ns, first, 1, s.datfil, with_threshold(" number of AR outliers >", c),
                   with_threshold(" fraction of AR outliers >", c), "years", "number (y)", "years",
                   "fraction (z)", 7, ' ', summary, no_curve, 0);
        }
    }

    list_ar_coefficients(coef, nc, method, order_option, maxord, stat);

    for (int i = 1; i <= nc; ++i) {
        const int n = s.sertbl(i, ily) - s.sertbl(i, ify) + 1;
        const int off = s.sertbl(i, ify) - first;
        if (n < 1) continue;
        std::span<float> x(s.sermat.rows(i, off + 1, off + n), static_cast<size_t>(n));
        const bool empty = left_out(i, n, off);
        if (!empty)
            for (float& v : x) v = std::max(v + 1.0f, 0.0f);
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        moment(x, empty ? 0 : n, ave, adev, sdev, var, skew, curt, sens, ac1);
        put_statistics_row(stat, i, static_cast<float>(n), ave, sdev, skew, curt, sens, ac1);
    }
    list_prewhitened(stat, nc);
    opt(18, 1) = save_entry;
}

}  // namespace kov
