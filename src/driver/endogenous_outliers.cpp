#include "driver/endogenous_outliers.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "driver/data_file_setup.hpp"
#include "driver/series_stages.hpp"
#include "numerics/robust_mean.hpp"
#include "shared/output_names.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {
constexpr float outlier_limit = 3.5f;  // scale units from the series' location
}

void endogenous_outliers(const TwoPanelPlot& two_panel) {
    auto& s = shared();
    const OptionBlock& o = optsnap();
    int outlier_switch = o(20, 5);
    int curve_option = 0;
    const char setting = ' ';

    std::vector<float> kept(mxy), dev(mxy), wk(mxy), wt(mxy), work(mxy, 0.0f);
    std::vector<float> impulse(ar_work_capacity, 1.0f);
    for (int j = 1; j <= s.nc; ++j) {
        const int f = s.sertbl(j, ify);
        const int n = s.sertbl(j, ily) - f + 1;
        const int r0 = f - s.ifyc + 1;  // row of the series' first year
        if (n < 1 || r0 < 1 || r0 + n - 1 > mxy) continue;
        float* col = s.sermat.rows(j, r0, r0 + n - 1);
        const float* crn = s.crvmean.data() + (r0 - 1);
        for (int k = 0; k < n; ++k) {
            kept[k] = col[k];
            dev[k] = col[k] - crn[k] + 1.0f;
            col[k] = dev[k];
        }
        float location = 0.0f, scale = 0.0f, se = 0.0f, eff = 1.0f;
        int iter = 0;
        biwgt(std::span<float>(dev.data(), n), wk, 7.5f, n, location, scale, se, eff, iter, wt);
        for (int k = 0; k < n; ++k) {
            // A series without spread (every deviation alike, a single year,
            // or a quantile mean type, which gives no scale) has no year that
            // stands out from the others.
            const bool outlier = scale > 0.0f && std::abs((col[k] - location) / scale) > outlier_limit;
            if (!outlier) col[k] = 1.0f;
        }
        if (outlier_switch > 0) {
            rwhone(std::span<const float>(col, n), impulse, n, s.poolcf, s.npool, ar_work_capacity);
            TwoPanelData data;
            data.col = {kept.data(), crn, work.data(), col, impulse.data(), work.data()};
            data.depth = s.ndepth.data();
            two_panel(data, n, f, 2, s.serids[j], " residuals with mean",
                      " endogenous outliers (>3.5 sd) with impulse response", "years", "measurements (y)", "years",
                      "indices (z)", 8, setting, outlier_switch, s.fitcoef, curve_option);
        }
    }

    // Counts per year: a series adds at most one, below or above 1.0.
    const int nyc = s.nyc;
    std::vector<float> nabs(mxy, 0.0f), pabs(mxy, 0.0f), npct(mxy, 0.0f), ppct(mxy, 0.0f);
    for (int j = 1; j <= s.nc; ++j) {
        for (int i = 0; i < nyc; ++i) {
            const float v = s.sermat.at(i + 1, j);
            if (v > 1.0f)
                pabs[i] += 1.0f;
            else if (v < 1.0f && v != xmiss)
                nabs[i] -= 1.0f;
        }
    }
    const bool store = o(9, 1) < 2 && o(20, 1) == 1;
    for (int i = 1; i <= nyc; ++i) {
        const float depth = s.crnmat(i, 1);
        // a year without series has no outlier fraction: 0, as the AR stage does
        npct[i - 1] = depth > 0.0f ? nabs[i - 1] / depth : 0.0f;
        ppct[i - 1] = depth > 0.0f ? pabs[i - 1] / depth : 0.0f;
        if (store) {
            s.crnmat(i, 13) = nabs[i - 1];
            s.crnmat(i, 14) = pabs[i - 1];
            s.crnmat(i, 15) = npct[i - 1];
            s.crnmat(i, 16) = ppct[i - 1];
        }
    }

    if (o(20, 5) > 0) {
        s.crvmean[0] = xmiss;  // no mean curve on this plot
        TwoPanelData data;
        data.col = {nabs.data(), pabs.data(), work.data(), npct.data(), ppct.data(), work.data()};
        data.depth = s.ndepth.data();
        two_panel(data, nyc, s.ifyc, 2, s.datfil, " number of endogenous outliers (>3.5 sd)",
                  " fraction of endogenous outliers (>3.5 sd)", "years", "number (y)", "years", "fraction (z)", 7,
                  setting, s.sumplt, s.fitcoef, curve_option);
    }

    if (s.optval(18, 1) > 0) save_stage_as(data_file_output_name(suffix::endogenous_outliers), "out");
}

}  // namespace kov
