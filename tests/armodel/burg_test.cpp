#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "armodel/burg.hpp"
#include "shared/capacities.hpp"

namespace {
#include "armodel/reference/burg_masked_ref.inc"
#include "armodel/reference/burg_ref.inc"
}  // namespace

using namespace kov;

namespace {

struct BurgResult {
    int ip = -1;
    float r2 = -1;
    std::vector<float> phi, x;
};

BurgResult fit(const std::vector<float>& series, int maxp, int mode) {
    BurgResult r;
    r.x = series;
    r.phi.assign(12, 77.0f);
    std::vector<float> f(mxy), b(mxy), a(12);
    burgar(r.x, static_cast<int>(series.size()), maxp, r.ip, r.r2, r.phi, mode, f, b, a);
    return r;
}

BurgResult fit_masked(const std::vector<float>& series, const std::vector<int>& cnt, int maxp, int mode) {
    BurgResult r;
    r.x = series;
    r.phi.assign(12, 77.0f);
    std::vector<float> f(mxy), b(mxy), a(12);
    burgarm(r.x, cnt, static_cast<int>(series.size()), maxp, r.ip, r.r2, r.phi, mode, f, b, a);
    return r;
}

struct RefSeries {
    const char* name;
    const std::vector<float>& x;
    std::vector<const std::vector<double>*> phi;  // orders 1..6
    const std::vector<double>& v;                 // v(0..11)
    int aicc_order;
};

const std::vector<RefSeries>& references() {
    static const std::vector<RefSeries> refs = {
        {"AR(1)", burg_ar1_x,
         {&burg_ar1_phi1, &burg_ar1_phi2, &burg_ar1_phi3, &burg_ar1_phi4, &burg_ar1_phi5, &burg_ar1_phi6},
         burg_ar1_v, burg_ar1_aicc_order},
        {"AR(2)", burg_ar2_x,
         {&burg_ar2_phi1, &burg_ar2_phi2, &burg_ar2_phi3, &burg_ar2_phi4, &burg_ar2_phi5, &burg_ar2_phi6},
         burg_ar2_v, burg_ar2_aicc_order},
        {"white noise", burg_noise_x,
         {&burg_noise_phi1, &burg_noise_phi2, &burg_noise_phi3, &burg_noise_phi4, &burg_noise_phi5,
          &burg_noise_phi6},
         burg_noise_v, burg_noise_aicc_order},
        {"ring widths", burg_rings_x,
         {&burg_rings_phi1, &burg_rings_phi2, &burg_rings_phi3, &burg_rings_phi4, &burg_rings_phi5,
          &burg_rings_phi6},
         burg_rings_v, burg_rings_aicc_order},
    };
    return refs;
}

}  // namespace

// Reference: R's ar.burg(x, aic = FALSE, order.max = p, var.method = 1) and its
// innovation variances (tests/armodel/reference/burg_ref.R). The fit runs in
// float: coefficients agree to about 1e-5.
TEST(Burg, FixedOrderEqualsReference) {
    for (const auto& s : references()) {
        for (int p = 1; p <= 6; ++p) {
            auto r = fit(s.x, p + 1, 1);
            ASSERT_EQ(r.ip, p) << s.name;
            const auto& phi = *s.phi[p - 1];
            for (int j = 0; j < p; ++j) EXPECT_NEAR(r.phi[j], phi[j], 3e-5) << s.name << " p " << p << " j " << j;
            // r2 is taken from the stage after the order returned
            EXPECT_NEAR(r.r2, 1 - s.v[p + 1] / s.v[0], 2e-5) << s.name << " p " << p;
            for (size_t i = 0; i < s.x.size(); ++i) ASSERT_NEAR(r.x[i], s.x[i], 1e-5 * (1 + std::fabs(s.x[i])));
        }
    }
}

// The order chosen by the criterion, with the rule applied by the reference
// script to R's variances: AR(1) and AR(2) simulations find their orders, the
// white noise falls back to order 0.
TEST(Burg, AiccChoosesTheOrder) {
    for (const auto& s : references()) {
        auto r = fit(s.x, 11, 0);
        ASSERT_EQ(r.ip, s.aicc_order) << s.name;
        if (r.ip == 0) {
            EXPECT_EQ(r.r2, 0.0f) << s.name;
            continue;
        }
        EXPECT_NEAR(r.r2, 1 - s.v[r.ip + 1] / s.v[0], 2e-5) << s.name;
        const auto& phi = *s.phi[r.ip - 1];
        for (int j = 0; j < r.ip; ++j) EXPECT_NEAR(r.phi[j], phi[j], 3e-5) << s.name << " j " << j;
    }
}

// Five sinusoids in a little noise (burg_ref.R): the criterion has not risen
// by stage 10, so 11 stages give the largest order, 10, with the coefficients
// of stage 10 and r2 from the variance of stage 11.
TEST(Burg, CriterionThatDoesNotRiseGivesTheLargestOrder) {
    ASSERT_EQ(burg_sines_aicc_order, 10);
    auto r = fit(burg_sines_x, 11, 0);
    ASSERT_EQ(r.ip, 10);
    for (int j = 0; j < 10; ++j) EXPECT_NEAR(r.phi[j], burg_sines_phi10[j], 3e-5) << j;
    EXPECT_NEAR(r.r2, 1 - burg_sines_v[11] / burg_sines_v[0], 2e-5);
}

TEST(Burg, OneStageGivesOrderZeroWithItsVariance) {
    const auto& s = references()[0];
    for (int mode : {0, 1}) {
        auto r = fit(s.x, 1, mode);
        EXPECT_EQ(r.ip, 0);
        EXPECT_NEAR(r.r2, 1 - s.v[1] / s.v[0], 2e-5);
        EXPECT_NEAR(r.phi[0], (*s.phi[0])[0], 3e-5);  // the reflection coefficient
        EXPECT_EQ(r.phi[1], 77.0f);
    }
}

TEST(Burg, ShortOrDegenerateSeriesNeverGiveNaN) {
    struct Case {
        const char* name;
        std::vector<float> x;
        int max_order;  // the highest order the series can get
    };
    const Case cases[] = {
        {"three values", {1.0f, 2.0f, 1.5f}, 0},
        {"six values", {1.0f, 2.0f, 1.5f, 0.7f, 1.9f, 1.1f}, 2},
        {"constant", std::vector<float>(50, 1.25f), 0},
        {"alternating", {1, -1, 1, -1, 1, -1, 1, -1, 1, -1, 1, -1}, 10},
    };
    for (const auto& c : cases) {
        for (int mode : {0, 1}) {
            auto r = fit(c.x, 11, mode);
            EXPECT_GE(r.ip, 0) << c.name;
            EXPECT_LE(r.ip, c.max_order) << c.name;
            EXPECT_TRUE(std::isfinite(r.r2)) << c.name;
            for (int j = 0; j < r.ip; ++j) EXPECT_TRUE(std::isfinite(r.phi[j])) << c.name;
            for (size_t i = 0; i < c.x.size(); ++i) EXPECT_NEAR(r.x[i], c.x[i], 1e-6) << c.name;
        }
    }
    // fewer than 4 values and a constant series get order 0 with r2 = 0
    EXPECT_EQ(fit(cases[0].x, 11, 1).ip, 0);
    EXPECT_EQ(fit(cases[0].x, 11, 1).r2, 0.0f);
    EXPECT_EQ(fit(cases[2].x, 11, 0).r2, 0.0f);
    // six values: at most 3 stages, so a fixed order 10 becomes 2
    EXPECT_EQ(fit(cases[1].x, 11, 1).ip, 2);
}

TEST(BurgMasked, FullCountsEqualTheCompleteSeriesFit) {
    const auto& s = references()[1];
    std::vector<int> cnt(s.x.size(), 3);
    for (int mode : {0, 1}) {
        auto a = fit(s.x, 6, mode);
        auto m = fit_masked(s.x, cnt, 6, mode);
        EXPECT_EQ(m.ip, a.ip);
        EXPECT_EQ(m.r2, a.r2);
        EXPECT_EQ(m.phi, a.phi);
        EXPECT_EQ(m.x, a.x);
    }
}

TEST(BurgMasked, YearsWithoutDepthAreLeftOutAndUnchanged) {
    // Years without depth before the first valid year: the fit is that of the
    // valid years alone, with N their number; the empty years keep their values.
    const auto& s = references()[1];
    const int lead = 25;
    std::vector<float> x(lead, 1.0f);
    x.insert(x.end(), s.x.begin(), s.x.end());
    std::vector<int> cnt(x.size(), 1);
    for (int i = 0; i < lead; ++i) cnt[i] = 0;
    for (int mode : {0, 1}) {
        auto m = fit_masked(x, cnt, 11, mode);
        auto a = fit(s.x, 11, mode);
        EXPECT_EQ(m.ip, a.ip) << mode;
        EXPECT_EQ(m.r2, a.r2) << mode;
        for (int j = 0; j < m.ip; ++j) EXPECT_EQ(m.phi[j], a.phi[j]) << mode;
        for (int i = 0; i < lead; ++i) EXPECT_EQ(m.x[i], 1.0f);
    }
    // a chronology with fewer than 4 years of depth gets order 0
    std::vector<int> few(x.size(), 0);
    few[30] = few[31] = few[32] = 1;
    auto m = fit_masked(x, few, 11, 0);
    EXPECT_EQ(m.ip, 0);
    EXPECT_EQ(m.r2, 0.0f);
    EXPECT_EQ(m.x, x);
}

// Reference: a separate numpy implementation of the masked recursion
// (tests/armodel/reference/burg_masked_ref.py) on ring widths with years
// without depth inside the span and at its end, holding 1.0: term i of the
// sums counts when year i has depth, even when year i + 1 has none (so the
// 1.0 of an empty year enters its neighbour's term), and prediction errors
// change only where both years have depth.
TEST(BurgMasked, YearsWithoutDepthInsideTheSpan) {
    std::vector<float> x = burg_rings_x;
    std::vector<int> cnt(x.size(), 2);
    for (int year : burg_masked_empty_years) {
        x[year - 1] = 1.0f;
        cnt[year - 1] = 0;
    }
    struct Case {
        const char* name;
        int maxp, mode, order;
        double r2;
        const std::vector<double>& phi;
    };
    const Case cases[] = {
        {"fixed order 3", 4, 1, burg_masked_fixed3_order, burg_masked_fixed3_r2, burg_masked_fixed3_phi},
        {"fixed order 6", 7, 1, burg_masked_fixed6_order, burg_masked_fixed6_r2, burg_masked_fixed6_phi},
        {"AICc", 11, 0, burg_masked_aicc_order, burg_masked_aicc_r2, burg_masked_aicc_phi},
    };
    for (const auto& c : cases) {
        auto m = fit_masked(x, cnt, c.maxp, c.mode);
        ASSERT_EQ(m.ip, c.order) << c.name;
        EXPECT_NEAR(m.r2, c.r2, 2e-5) << c.name;
        for (int j = 0; j < c.order; ++j) EXPECT_NEAR(m.phi[j], c.phi[j], 3e-5) << c.name << " j " << j;
        for (int year : burg_masked_empty_years) EXPECT_EQ(m.x[year - 1], 1.0f) << c.name;
        for (size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(m.x[i], x[i], 1e-5) << c.name;
    }
}
