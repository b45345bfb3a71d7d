#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_test_support.hpp"
#include "armodel/pooled_ar.hpp"
#include "shared/capacities.hpp"

namespace {
#include "armodel/reference/pooled_ref.inc"
}  // namespace

using namespace kov;
using kovtest::ArSeries;

namespace {

// The three reference series; with_empty: a fourth of missing values only
// (a series the detrending left out for want of a measured value).
void load_reference(bool with_empty = false) {
    std::vector<ArSeries> series = {{pooled_first1, pooled_x1}, {pooled_first2, pooled_x2}, {pooled_first3, pooled_x3}};
    if (with_empty) series.push_back({20, std::vector<float>(50, xmiss)});
    kovtest::load_ar_series(series);
}

// Relative closeness for figures whose size varies (sums of products, AIC).
void expect_rel(double expected, double got, double rel, const std::string& what) {
    EXPECT_NEAR(got, expected, rel * std::max(1.0, std::fabs(expected))) << what;
}

struct RefCase {
    const char* name;
    std::vector<int> selected;  // 1-based
    int ipp;
    const std::vector<double>& c;
    const std::vector<double>& r;
    const std::vector<double>& pacf;
    const std::vector<double>& aic;
    int ip;
    const std::vector<double>& phi;
    double r2, vinf;
    const std::vector<double>& psi;
    bool with_empty = false;
};

}  // namespace

// Pair-by-pair pooled products and statsmodels' Levinson-Durbin recursion
// (pooled_ref.py) against the pooled fit, under the three selection rules,
// with one series left out of the selection, and with a series of missing
// values only beside the three, which has nothing to pool and stays missing.
TEST(PooledAr, MatchesIndependentFitUnderEachRule) {
    const std::vector<RefCase> cases = {
        {"all, first minimum", {1, 2, 3}, 0, pooled_all_c, pooled_all_r, pooled_all_pacf, pooled_all_aic,
         pooled_all_ipp0_ip, pooled_all_ipp0_phi, pooled_all_ipp0_r2, pooled_all_ipp0_vinf, pooled_all_ipp0_psi},
        {"all, overall minimum", {1, 2, 3}, -1, pooled_all_c, pooled_all_r, pooled_all_pacf, pooled_all_aic,
         pooled_all_ippm1_ip, pooled_all_ippm1_phi, pooled_all_ippm1_r2, pooled_all_ippm1_vinf,
         pooled_all_ippm1_psi},
        {"all, order 3", {1, 2, 3}, 3, pooled_all_c, pooled_all_r, pooled_all_pacf, pooled_all_aic,
         pooled_all_ipp3_ip, pooled_all_ipp3_phi, pooled_all_ipp3_r2, pooled_all_ipp3_vinf, pooled_all_ipp3_psi},
        {"two selected, first minimum", {1, 3}, 0, pooled_two_c, pooled_two_r, pooled_two_pacf, pooled_two_aic,
         pooled_two_ipp0_ip, pooled_two_ipp0_phi, pooled_two_ipp0_r2, pooled_two_ipp0_vinf, pooled_two_ipp0_psi},
        {"two selected, order 3", {1, 3}, 3, pooled_two_c, pooled_two_r, pooled_two_pacf, pooled_two_aic,
         pooled_two_ipp3_ip, pooled_two_ipp3_phi, pooled_two_ipp3_r2, pooled_two_ipp3_vinf, pooled_two_ipp3_psi},
        {"all and an empty series, first minimum", {1, 2, 3, 4}, 0, pooled_all_c, pooled_all_r, pooled_all_pacf,
         pooled_all_aic, pooled_all_ipp0_ip, pooled_all_ipp0_phi, pooled_all_ipp0_r2, pooled_all_ipp0_vinf,
         pooled_all_ipp0_psi, true},
    };
    for (const auto& rc : cases) {
        SCOPED_TRACE(rc.name);
        load_reference(rc.with_empty);
        std::vector<int> sel(mxs + 1, 0);
        for (int k : rc.selected) sel[static_cast<size_t>(k)] = 1;
        auto& sh = shared();
        const PooledFit f = pool_fit(sh.sermat, sh.nc, pooled_nyrs, sh.sertbl, sel, rc.ipp);
        // each series loses its mean in 32-bit arithmetic: the products agree to
        // float rounding on the scale of c(0)
        for (int l = 0; l <= 11; ++l) EXPECT_NEAR(f.c[l], rc.c[l], 2e-6 * rc.c[0]) << "c(" << l << ")";
        for (int l = 0; l <= 10; ++l) EXPECT_NEAR(f.r[l], rc.r[l], 2e-6) << "r(" << l << ")";
        for (int m = 1; m <= 10; ++m) EXPECT_NEAR(f.yw[m][m], rc.pacf[m - 1], 2e-5) << "pacf " << m;
        for (int k = 0; k <= 10; ++k) expect_rel(rc.aic[k], f.aic[k], 1e-6, "A(" + std::to_string(k) + ")");
        ASSERT_EQ(f.ip, rc.ip);
        for (int j = 0; j < rc.ip; ++j) EXPECT_NEAR(f.phi[j], rc.phi[j], 2e-5) << "phi " << j + 1;
        EXPECT_NEAR(f.r2, rc.r2, 2e-5);
        EXPECT_NEAR(f.vinf, rc.vinf, 2e-5);
        for (int k = 0; k <= 10; ++k) EXPECT_NEAR(f.psi[k], rc.psi[k], 2e-5) << "psi " << k;
        if (rc.with_empty) {
            for (int r = 21; r <= 70; ++r) EXPECT_EQ(sh.sermat(r, 4), xmiss) << r;
        }
    }
}

// The selected series lose their means in place; the others keep their values.
TEST(PooledAr, RemovesTheMeansOfSelectedSeriesOnly) {
    load_reference();
    std::vector<int> sel(mxs + 1, 0);
    sel[1] = sel[3] = 1;
    auto& sh = shared();
    pool_fit(sh.sermat, sh.nc, pooled_nyrs, sh.sertbl, sel, 0);
    for (int i : {1, 3}) {
        const auto& x = i == 1 ? pooled_x1 : pooled_x3;
        const int first = i == 1 ? pooled_first1 : pooled_first3;
        double mean = 0;
        for (float v : x) mean += v;
        mean /= static_cast<double>(x.size());
        for (size_t t = 0; t < x.size(); ++t)
            EXPECT_NEAR(sh.sermat(first + 1 + static_cast<int>(t), i), x[t] - mean, 1e-5);
    }
    for (size_t t = 0; t < pooled_x2.size(); ++t)
        EXPECT_EQ(sh.sermat(pooled_first2 + 1 + static_cast<int>(t), 2), pooled_x2[t]);
}

// Hand-made criteria through the selection rules. A single series of an AR(1)
// with phi = 0.9 over 200 years has A(1) far below A(0); rule 5 takes order 5
// whatever the criterion says, and a rule above 10 acts as the overall minimum.
TEST(PooledAr, SelectionRules) {
    std::vector<float> x(200);
    float y = 0.0f;
    unsigned s = 12345;
    for (auto& v : x) {
        s = s * 1103515245u + 12345u;
        const float e = static_cast<float>((s >> 16) & 0x7fff) / 32768.0f - 0.5f;
        y = 0.9f * y + e;
        v = 10.0f + y;
    }
    std::vector<int> sel(mxs + 1, 1);
    auto fit = [&](int ipp) {
        kovtest::load_ar_series({{0, x}});
        auto& sh = shared();
        return pool_fit(sh.sermat, 1, 200, sh.sertbl, sel, ipp);
    };
    const PooledFit overall = fit(-1);
    int best = 0;
    for (int k = 1; k <= 10; ++k)
        if (overall.aic[k] <= overall.aic[best]) best = k;
    EXPECT_EQ(overall.ip, best);
    EXPECT_GE(overall.ip, 1);
    EXPECT_EQ(fit(5).ip, 5);
    EXPECT_EQ(fit(11).ip, best);
    // first minimum: the order before the first rise after an order at or below A(0)
    const PooledFit first = fit(0);
    int k = 1;
    while (k < 10 && first.aic[k + 1] <= first.aic[k]) ++k;
    EXPECT_EQ(first.ip, k);
    // with a single series the pooled autocorrelations are the series' own
    double mean = 0;
    for (float v : x) mean += v;
    mean /= 200;
    double c0 = 0, c1 = 0;
    for (int t = 0; t < 200; ++t) c0 += (x[t] - mean) * (x[t] - mean);
    for (int t = 0; t + 1 < 200; ++t) c1 += (x[t] - mean) * (x[t + 1] - mean);
    EXPECT_NEAR(first.r[1], c1 / c0, 1e-5);
}

// Constant series give no variance to model: order 0, no NaN anywhere.
TEST(PooledAr, ConstantSeriesGiveOrderZero) {
    kovtest::load_ar_series({{0, std::vector<float>(50, 2.0f)}, {5, std::vector<float>(40, 3.0f)}});
    std::vector<int> sel(mxs + 1, 1);
    auto& sh = shared();
    const PooledFit f = pool_fit(sh.sermat, 2, 50, sh.sertbl, sel, 0);
    EXPECT_EQ(f.ip, 0);
    EXPECT_EQ(f.r2, 0.0f);
    EXPECT_EQ(f.vinf, 1.0f);
    for (float a : f.aic) EXPECT_TRUE(std::isfinite(a));
}

// The report: autocorrelations, the chosen order on listing and console, the
// rule, the literal "<ipp>" note, and the model block only for an order above 0.
TEST(PooledAr, ReportLines) {
    kovtest::ArListing listing;
    kovtest::ScriptedConsole console("");
    load_reference();
    auto& sh = shared();
    sh.optval(10, 1) = 3;
    std::vector<int> sel(mxs + 1, 1);
    int ip = -1;
    std::vector<float> phi(10, 0.0f);
    float r2 = 0, vinf = 0;
    pool(sh.sermat, sh.nc, pooled_nyrs, ip, phi, r2, sh.sertbl, sel, vinf);
    EXPECT_EQ(ip, 3);
    const std::string text = listing.listing();
    for (const char* expected :
         {" pooled autocorrelations:\n\n lag     t= -1  t= -2  t= -3",
          "\n selected autoregression order:   3\n",
          "\n ar order selection criterion: ipp>0  constrained ar order selection = ipp\n\n"
          " the aic trace should be checked to see if ar order selection criterion <ipp>\n",
          " are close, an kovrin run with full-minimum aic order selection might be tried\n",
          "\n autoregression coefficients:\n\n  t= -1   t= -2   t= -3",
          "\n  1.0000   0.516", " impulse response function weights for this ar ( 3) process out to order 50:"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_NE(console.output().find(" computing pooled autoregression"), std::string::npos);
    EXPECT_NE(console.output().find(" selected autoregression order:   3"), std::string::npos);
    EXPECT_NE(console.output().find(" r-squared due to pooled autoregression:   23.75 pct"), std::string::npos);
    EXPECT_NE(text.find(" variance inflation from autoregression:  131.15 pct"), std::string::npos);

    // two series constant: order 0, the listing ends after the note
    kovtest::ArListing second;
    kovtest::load_ar_series({{0, std::vector<float>(50, 2.0f)}});
    pool(sh.sermat, 1, 50, ip, phi, r2, sh.sertbl, sel, vinf);
    const std::string t2 = second.listing();
    EXPECT_EQ(ip, 0);
    EXPECT_EQ(t2.find("autoregression coefficients"), std::string::npos);
    EXPECT_TRUE(t2.ends_with("full-minimum aic order selection might be tried\n")) << t2;
}

// A series close to a straight line has autocorrelations near 1, so an order-1
// model explains nearly all of it and inflates the variance a hundredfold and
// more: the percentage would fill its f8.2 and run into the label. It takes
// fewer decimals, a blank before it, on the listing and on the console alike.
TEST(PooledAr, AVarianceInflationOfThousandsOfPercentKeepsABlankBeforeIt) {
    kovtest::ArListing listing;
    kovtest::ScriptedConsole console("");
    std::vector<float> line(1000);
    for (int t = 0; t < 1000; ++t) line[static_cast<size_t>(t)] = 1.0f + 0.001f * static_cast<float>(t);
    kovtest::load_ar_series({{0, line}});
    auto& sh = shared();
    sh.optval(10, 1) = 1;
    std::vector<int> sel(mxs + 1, 1);
    int ip = -1;
    std::vector<float> phi(10, 0.0f);
    float r2 = 0, vinf = 0;
    pool(sh.sermat, 1, 1000, ip, phi, r2, sh.sertbl, sel, vinf);
    ASSERT_EQ(ip, 1);
    ASSERT_GE(100.0f * vinf, 10000.0f);
    const std::string label = "variance inflation from autoregression:";
    for (const std::string& text : {listing.listing(), console.output()}) {
        const size_t at = text.find(label);
        ASSERT_NE(at, std::string::npos);
        const std::string field = text.substr(at + label.size(), 8);
        EXPECT_EQ(field[0], ' ') << field;
        EXPECT_EQ(field.find('*'), std::string::npos) << field;
        EXPECT_NEAR(std::stod(field), 100.0 * vinf, 0.05) << field;
        EXPECT_EQ(text.substr(at + label.size() + 8, 4), " pct");
    }
}
