#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "detrend/growth_curves.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

#include "detrend/reference/ring_series.hpp"

namespace {
#include "detrend/reference/growth_ref.inc"
}  // namespace

using namespace kov;

namespace {

std::vector<float> times(int n) {
    std::vector<float> t(n);
    for (int i = 0; i < n; ++i) t[i] = static_cast<float>(i + 1);
    return t;
}

// Runs f, which must stop the program, and returns the console lines.
template <class F>
std::vector<std::string> stop_lines(F f) {
    kovtest::ScriptedConsole sc("\n");
    try {
        f();
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
    }
    return sc.lines();
}

}  // namespace

TEST(NegativeExponential, FindsAnExactCurve) {
    std::vector<float> y(100), crv(100);
    for (int i = 1; i <= 100; ++i) y[i - 1] = 2.0f * std::exp(-0.01f * i) + 0.5f;
    FitRecord coef{};
    ASSERT_TRUE(curve(100, 100, y, crv, coef));
    EXPECT_NEAR(coef[1], 0.01, 1e-5);
    EXPECT_NEAR(coef[0], 2.0, 2e-3);
    EXPECT_NEAR(coef[4], 0.5, 2e-3);
    EXPECT_GE(coef[5], 1.0f);
    EXPECT_LE(coef[5], 34.0f);
    EXPECT_FLOAT_EQ(coef[6], std::accumulate(y.begin(), y.end(), 0.0));
    for (int i = 0; i < 100; ++i) EXPECT_NEAR(crv[i], y[i], 1e-4);
}

// Reference: scipy curve_fit of a exp(-b t) + d on the same ring widths
// (tests/detrend/reference/growth_ref.py). The step search stops once its
// step is below 5e-7 and the sum of squares is flat there: the sum matches to
// 1e-5, b to a few 1e-6.
TEST(NegativeExponential, ReachesTheLeastSquaresOptimum) {
    int n = static_cast<int>(ringref::series_medium().size());
    std::vector<float> crv(n + 30);
    FitRecord coef{};
    ASSERT_TRUE(curve(n + 30, n, ringref::series_medium(), crv, coef));
    EXPECT_NEAR(coef[1], negexp_medium_b, 5e-6);
    EXPECT_NEAR(coef[0], negexp_medium_a, 1e-3);
    EXPECT_NEAR(coef[4], negexp_medium_d, 1e-3);
    double sse = 0;
    for (int i = 0; i < n; ++i) sse += (crv[i] - ringref::series_medium()[i]) * (crv[i] - ringref::series_medium()[i]);
    EXPECT_NEAR(sse, negexp_medium_sse, 1e-5 * negexp_medium_sse);
    // the curve goes on beyond the data
    EXPECT_NEAR(crv[n + 29], coef[0] * std::exp(-coef[1] * (n + 30)) + coef[4], 1e-5);
}

TEST(NegativeExponential, FailsOrRejectsWhatItCannotFit) {
    FitRecord coef{};
    coef[0] = 7.0f;

    // too few values: a console line and the failure sentinels
    {
        kovtest::ScriptedConsole sc("");
        std::vector<float> y(19, 1.0f), crv(19, 3.0f);
        EXPECT_FALSE(curve(19, 19, y, crv, coef));
        EXPECT_EQ(sc.lines(), std::vector<std::string>{">> sbr curve:  only 19 values, no exponential curve fit"});
        EXPECT_EQ(coef[1], -999.0f);
        EXPECT_EQ(crv[0], -999.0f);
        EXPECT_EQ(coef[0], 7.0f) << "other elements are left alone";
    }
    // a series whose last ten values average 0 has no start rate
    {
        kovtest::ScriptedConsole sc("");
        std::vector<float> y(40, 1.0f), crv(40, 3.0f);
        for (int i = 30; i < 40; ++i) y[i] = 0.0f;
        coef = {};
        EXPECT_FALSE(curve(40, 40, y, crv, coef));
        EXPECT_EQ(coef[1], -999.0f);
        EXPECT_EQ(crv[0], -999.0f);
        EXPECT_TRUE(sc.output().empty());
    }
    // a rising series: the fit is rejected with b = 0
    {
        std::vector<float> y(60), crv(60);
        for (int i = 0; i < 60; ++i) y[i] = 0.5f + 0.02f * i;
        coef = {};
        EXPECT_FALSE(curve(60, 60, y, crv, coef));
        EXPECT_EQ(coef[1], 0.0f);
    }
}

TEST(StraightLine, EqualsLeastSquaresAndNeedsTwoValues) {
    int n = static_cast<int>(ringref::series_medium().size());
    std::vector<float> crv(n, 0.0f);
    float slope = 0, intercept = 0;
    ASSERT_TRUE(linfit(n, n, ringref::series_medium(), crv, slope, intercept));
    EXPECT_NEAR(slope, line_medium_slope, 1e-6);
    EXPECT_NEAR(intercept, line_medium_intercept, 1e-5);
    EXPECT_FLOAT_EQ(crv[n - 1], slope * n + intercept);

    // nout 0: coefficients only
    std::vector<float> untouched(3, -5.0f);
    ASSERT_TRUE(linfit(0, n, ringref::series_medium(), untouched, slope, intercept));
    EXPECT_EQ(untouched, std::vector<float>(3, -5.0f));

    // one value: no line
    slope = intercept = 42.0f;
    EXPECT_FALSE(linfit(3, 1, ringref::series_medium(), untouched, slope, intercept));
    EXPECT_EQ(slope, 42.0f);
    EXPECT_EQ(untouched, std::vector<float>(3, -5.0f));
}

TEST(HorizontalMean, MeanAndStopOnNoValues) {
    float m = 0;
    xmean(std::vector<float>{1.0f, 2.0f, 4.5f}, 3, m);
    EXPECT_FLOAT_EQ(m, 7.5f / 3);
    auto lines = stop_lines([] {
        float m2 = 0;
        xmean(std::vector<float>{}, 0, m2);
    });
    EXPECT_EQ(lines, (std::vector<std::string>{"", "error in xmean: n=0"}));
}

TEST(Hugershoff, ReproducesAnExactCurve) {
    const int n = 150;
    auto t = times(n);
    std::vector<float> y(n), crv(n);
    for (int i = 1; i <= n; ++i) y[i - 1] = 1.5f * std::pow(float(i), 0.7f) * std::exp(-0.03f * i);
    FitRecord coef{};
    ASSERT_TRUE(hugfit(t, y, n, n, crv, coef, 0.0f));
    EXPECT_NEAR(coef[0], 1.5, 1e-4);
    EXPECT_NEAR(coef[1], 0.7, 1e-5);
    EXPECT_NEAR(coef[2], -0.03, 1e-6);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(crv[i], y[i], 1e-4);
}

// Reference: numpy least squares of ln y on (1, ln t, t) and the bias factor
// (tests/detrend/reference/growth_ref.py).
TEST(Hugershoff, EqualsTheLogLinearRegression) {
    int n = static_cast<int>(ringref::series_medium().size());
    auto t = times(n);
    std::vector<float> crv(n);
    FitRecord coef{};
    ASSERT_TRUE(hugfit(t, ringref::series_medium(), n, n, crv, coef, 0.0f));
    EXPECT_NEAR(coef[0], hugfit_medium_a, 1e-4 * hugfit_medium_a);
    EXPECT_NEAR(coef[1], hugfit_medium_b, 1e-5);
    EXPECT_NEAR(coef[2], hugfit_medium_c, 1e-7);
    double sum_res = 0;
    for (int i = 0; i < n; ++i) sum_res += ringref::series_medium()[i] - crv[i];
    EXPECT_NEAR(sum_res, 0.0, 1e-3);

    // A longer curve continues the same fit: the bias factor comes from the n
    // fitted values only (y holds nothing beyond them).
    std::vector<float> longer(n + 40);
    FitRecord coef2{};
    ASSERT_TRUE(hugfit(t, ringref::series_medium(), n + 40, n, longer, coef2, 0.0f));
    EXPECT_EQ(coef2, coef);
    for (int i = 0; i < n; ++i) EXPECT_EQ(longer[i], crv[i]);
}

TEST(Hugershoff, FailsWithFewerThanThreeUsableValues) {
    // zeros (the missing mark) and negative values do not count
    std::vector<float> y{0.0f, 2.0f, -1.0f, 0.0f, 1.5f, 0.0f};
    auto t = times(6);
    std::vector<float> crv(6, 9.0f);
    FitRecord coef{};
    coef[0] = 3.0f;
    EXPECT_FALSE(hugfit(t, y, 6, 6, crv, coef, 0.0f));
    EXPECT_EQ(crv, std::vector<float>(6, 9.0f));
    EXPECT_EQ(coef[0], 3.0f);
}

// Reference: numpy polyfit of ln y - ln t on t (growth_ref.py).
TEST(GeneralExponential, EqualsTheLogLinearRegression) {
    int n = static_cast<int>(ringref::series_medium().size());
    std::vector<float> crv(n), tk(n), zk(n);
    FitRecord coef{};
    ASSERT_TRUE(gexp(ringref::series_medium(), n, n, crv, tk, zk, coef, 0.0f));
    EXPECT_NEAR(coef[0], gexp_medium_a, 1e-5 * gexp_medium_a);
    EXPECT_NEAR(coef[1], -gexp_medium_c, 1e-7);
    EXPECT_NEAR(crv[9], 10 * coef[0] * std::exp(-coef[1] * 10), 1e-5);

    // a zero at t = 5 is left out; the later values keep their own times
    std::vector<float> y = ringref::series_medium();
    y[4] = 0.0f;
    ASSERT_TRUE(gexp(y, n, n, crv, tk, zk, coef, 0.0f));
    EXPECT_EQ(tk[3], 4.0f);
    EXPECT_EQ(tk[4], 6.0f);
    EXPECT_FLOAT_EQ(zk[4], std::log(y[5]) - std::log(6.0f));
    EXPECT_NEAR(coef[0], gexp_medium_zero5_a, 1e-5 * gexp_medium_zero5_a);
    EXPECT_NEAR(coef[1], -gexp_medium_zero5_c, 1e-7);
}

TEST(GeneralExponential, OneUsableValueFailsNoneStops) {
    std::vector<float> y{0.0f, 0.0f, 2.0f, 0.0f}, crv(4, 9.0f), tk(4), zk(4);
    FitRecord coef{};
    EXPECT_FALSE(gexp(y, 4, 4, crv, tk, zk, coef, 0.0f));
    EXPECT_EQ(crv, std::vector<float>(4, 9.0f));

    auto none = stop_lines([] {
        std::vector<float> z(3, 0.0f), c(3), a(3), b(3);
        FitRecord r{};
        gexp(z, 3, 3, c, a, b, r, 0.0f);
    });
    EXPECT_EQ(none, (std::vector<std::string>{"", "*** n1 .le. 0 in sbr gexp ***", ""}));
    auto empty = stop_lines([] {
        std::vector<float> z, c(1), a, b;
        FitRecord r{};
        gexp(z, 0, 0, c, a, b, r, 0.0f);
    });
    EXPECT_EQ(empty, (std::vector<std::string>{"", "*** n .le. 0 in sbr gexp ***", ""}));
}
