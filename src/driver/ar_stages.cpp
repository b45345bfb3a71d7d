#include "driver/ar_stages.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "armodel/burg.hpp"
#include "armodel/pooled_ar.hpp"
#include "armodel/series_ar.hpp"
#include "chronology/chronology_builder.hpp"
#include "driver/chronology_stages.hpp"
#include "driver/data_file_setup.hpp"
#include "driver/series_stages.hpp"
#include "numerics/correlation.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/power_transform.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"

namespace kov {

namespace {

std::span<float> column(int j) { return {shared().crnmat.col(j), static_cast<size_t>(mxy)}; }
std::span<const int> depth() { return {shared().ndepth.data(), static_cast<size_t>(mxy)}; }

// Years without series hold 1.0 in an index chronology; crvmean follows the
// chronology in work.
void settle_empty_years(int j) {
    auto& s = shared();
    for (int i = 1; i <= s.nyc; ++i) {
        if (s.ndepth[static_cast<size_t>(i - 1)] == 0) s.crnmat(i, j) = 1.0f;
        s.crvmean[static_cast<size_t>(i - 1)] = s.crnmat(i, j);
    }
}

struct ChronologyModel {
    int order = 0;
    float r2 = 0.0f;
    std::vector<float> phi = std::vector<float>(mxy, 0.0f);
};

ChronologyModel fit_chronology(int j, int maxp, int mode) {
    auto& s = shared();
    ChronologyModel m;
    std::vector<float> f(mxy), b(mxy), a(mxy);
    burgarm(column(j), depth(), s.nyc, maxp, m.order, m.r2, m.phi, mode, f, b, a);
    return m;
}

void write_acf_table(int j, const char* title) {
    auto& s = shared();
    auto& out = streams().luout;
    std::vector<float> acf(11), pacf(11), band(11);
    acfpac(column(j), depth(), s.nyc, 10, acf, pacf, band);
    out.write(title);
    out.write("(/t2,'lag',t16,'t-1    t-2    t-3    t-4    t-5    t-6    t-7    t-8    t-9   t-10')");
    out.write("(t2,'acf',t12,10f7.3)", std::span<const float>(acf.data(), 10));
    out.write("(t2,'pacf',t12,10f7.3)", std::span<const float>(pacf.data(), 10));
    out.write("(t2,'95% c.l.',t12,10f7.3)", std::span<const float>(band.data(), 10));
}

void write_model_table(const ChronologyModel& m, const char* title) {
    auto& out = streams().luout;
    out.write(title);
    out.write("(/t2,'ord    rsq    t-1    t-2    t-3    t-4    t-5    t-6    t-7    t-8    t-9   t-10')");
    out.write("(t2,i2,1x,11f7.3)", m.order, m.r2, std::span<const float>(m.phi.data(), static_cast<size_t>(m.order)));
}

}  // namespace

void autoregression_stage() {
    auto& s = shared();
    auto& out = streams().luout;
    const auto opt = [](int k) { return optsnap()(k, 1); };

    out.write("(/t2,'|======================= pooled autoregression analysis =======================|')");
    for (int k = 1; k <= s.nc; ++k) s.poolsel[static_cast<size_t>(k)] = 1;
    s.poolrpt = "n";
    pool(s.sermat, s.nc, s.nyc, s.npool, s.poolcf, s.poolr2, s.sertbl, s.poolsel, s.varinf);
    if (s.npool == 0) s.poolr2 = 0.0f;

    out.write("(/t2,'|================== individual series autoregression analyses =================|')");
    std::vector<float> w1(ar_work_capacity), w2(ar_work_capacity), w3(ar_work_capacity), w4(ar_work_capacity),
        w5(ar_work_capacity), w6(ar_work_capacity);
    arindv(s.crnmat, w1, w2, w3, w4, w5, w6, s.arcoef, s.npool, s.rawstat);

    if (opt(18) > 0) save_stage(suffix::residuals, "res");
    if ((opt(19) == 1 || opt(19) == 3) && opt(12) == 0) {
        s.crvmean[0] = xmiss;
        pltall("tree ring residuals", "years", "indices (y)", 4);
    }
}

void residual_chronology_stage() {
    auto& s = shared();
    auto& out = streams().luout;
    const auto opt = [](int k, int j = 1) { return optsnap()(k, j); };

    s.dtype = "r ";
    s.hdrlin = s.hdrsave;
    out.write("(/t2,'|======================== residual chronology statistics ======================|')");
    std::vector<float> w1(mxy), w2(mxy), w3(mxy), w4(mxy), w5(mxy);
    bldcrn(s.ndepth, column(2), column(3), column(6), w1, w2, w5, w3, w4, s.rawmax, s.rbmean, 'r', s.crnerr,
           s.bootlo, s.boothi);
    settle_empty_years(6);
    if (opt(3) == 4) adjusted_statistics(6, 2000);
    if (opt(12, 3) == 1) {
        confidence_limit_step(ChronologyKind::residual);
        std::copy_n(s.crvmean.begin(), s.nyc, s.residual_limit_centre.begin());
    }

    // The residual chronology keeps the persistence that the pooled model
    // leaves in the mean of the series: a model of the pooled order takes it out.
    const ChronologyModel m = fit_chronology(6, s.npool + 1, 1);
    if (m.order > 0) {
        std::vector<float> w(ar_work_capacity);
        prwcrn(column(6), depth(), w, s.nyc, m.order, m.phi, ar_work_capacity);
        settle_empty_years(6);
        if (opt(19) == 1 || opt(19) == 3) pltall("tree ring residuals with mean", "years", "indices (y)", 4);
        write_acf_table(6, "(/t2,'|---------- rewhitened chronology auto and partial autocorrelations -----------|')");
        write_model_table(fit_chronology(6, s.npool + 1, 1),
                          "(/t2,'|----------------- rewhitened chronology autoregressive model -----------------|')");
    }
    write_chronology({s.crnmat.col(6), static_cast<size_t>(mxy)}, "res",
                     opt(13) != 0 ? " stab res crn" : " res crn", ChronologyKind::residual);
}

void kovrin_chronology_stage() {
    auto& s = shared();
    auto& out = streams().luout;
    const auto opt = [](int k, int j = 1) { return optsnap()(k, j); };

    for (int i = 1; i <= mxy; ++i) s.crnmat(i, 7) = s.crnmat(i, 6);
    out.write("(/t2,'|========================= kovrin chronology statistics =======================|')");
    std::vector<float> w(ar_work_capacity);
    rwhcrn(column(7), depth(), w, s.nyc, s.poolcf, s.npool, ar_work_capacity);
    settle_empty_years(7);
    if (opt(3) == 4) powtrn({s.crnmat.col(7), static_cast<size_t>(s.nyc)}, {s.ndepth.data(), static_cast<size_t>(s.nyc)});

    // The pooled persistence put back widens the limits by this factor. Each
    // limit keeps its distance from the residual value it was built around,
    // so the kovrin value lies between its limits as that value lay between
    // the residual ones; a year without limits of its own gets the kovrin
    // value as both.
    const float factor = std::sqrt(std::max(s.varinf - 1.0f, 0.0f)) + 1.0f;
    if (opt(12, 3) == 1) {
        const std::vector<float>& centre = s.residual_limit_centre;
        for (int k = 0; k < s.nyc; ++k) {
            const float r = centre[static_cast<size_t>(k)];
            const float kov = s.crvmean[static_cast<size_t>(k)];
            s.bootlo[k] = kov - (r - s.bootlo[k]) * factor;
            s.boothi[k] = kov + (s.boothi[k] - r) * factor;
        }
        confidence_limit_step(ChronologyKind::kovrin);
    }

    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(column(7), depth(), s.nyc, ave, adev, sdev, var, skew, curt, sens, ac1);
    if (opt(12) == 1)
        out.write("(/t2,'|---------------- gaussian mean kovrin chronology statistics ------------------|')");
    else
        out.write("(/t2,'|----------------- robust mean kovrin chronology statistics -------------------|')");
    out.line("");
    out.line("");
    out.write("(t3,a/t4,a)", "first    last    total    mean    stdrd    skew    kurtosis    mean    serial",
              "year    year    years   index     dev     coeff     coeff     sens     corr");
    out.write("(i7,i8,i9,2f8.3,f9.3,f11.3,f9.3,f9.3)", s.ifyc, s.ifyc + s.nyc - 1, s.nyc, ave, sdev, skew, curt, sens,
              ac1);
    write_acf_table(7, "(/t2,'|------------ kovrin chronology auto and partial autocorrelations -------------|')");
    write_model_table(fit_chronology(7, 11, 0),
                      "(/t2,'|------------------- kovrin chronology autoregressive model -------------------|')");

    // The errors of the kovrin chronology shrink with the variance the pooled
    // model puts back; its depth is that of the series as read.
    const float root = s.varinf > 0.0f ? std::sqrt(s.varinf) : 1.0f;
    for (int i = 1; i <= s.nyc; ++i) {
        const auto k = static_cast<size_t>(i - 1);
        s.ndepth[k] = static_cast<int>(s.crnmat(i, 1));
        s.crnerr[k] = s.crnerr[k] / root;
    }
    write_chronology({s.crnmat.col(7), static_cast<size_t>(mxy)}, "kov",
                     opt(13) != 0 ? " stab kov crn" : " kov crn", ChronologyKind::kovrin);
}

}  // namespace kov
