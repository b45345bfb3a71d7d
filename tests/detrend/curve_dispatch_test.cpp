#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "detrend/curve_dispatch.hpp"
#include "numerics/reference_cases.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "shared/capacities.hpp"
#include "support/test_support.hpp"

namespace {
#include "detrend/reference/dispatch_ref.inc"
}

using kov::FitRecord;

namespace {

struct Fit {
    std::vector<float> x, crv, w1, w2;
    FitRecord coef{};
    int n = 0, opt = 0, par = 0;
};

// nout 0: a curve over the n values only
Fit fit_of(const std::function<float(int)>& f, int n, int opt, int par = 0, int nout = 0) {
    Fit r;
    r.x.assign(kov::mxy, 0.0f);
    r.crv.assign(kov::mxy, 7.0f);  // what an earlier fit left
    r.w1.assign(kov::mxy, 0.0f);
    r.w2.assign(kov::mxy, 0.0f);
    for (int i = 1; i <= n; ++i) r.x[i - 1] = f(i);
    r.coef.fill(123.0f);  // the dispatcher must clear what an earlier fit left
    r.n = n;
    r.opt = opt;
    r.par = par;
    kov::crvfit(r.x, r.crv, r.w1, r.w2, nout > 0 ? nout : n, r.n, r.coef, r.opt, kov::mxy, kov::mxs, r.par, 0);
    return r;
}

float expo(int i) { return static_cast<float>(2.0 * std::exp(-0.01 * i) + 0.5); }
float expo_neg_d(int i) { return static_cast<float>(2.0 * std::exp(-0.01 * i) - 1.0); }
float rising(int i) { return static_cast<float>(1.0 + 0.01 * i); }

}  // namespace

// The parametric forms and their fall-backs: option asked, option used, and
// the record the listings and plot read.
TEST(Crvfit, ParametricFallbacks) {
    struct Case {
        const char* what;
        std::function<float(int)> f;
        int n, opt, used;
        float a, b, c, d;  // expected record elements 1, 2, 3, 5
        double tol;
    };
    const Case cases[] = {
        {"kept exponential", expo, 100, 1, 1, 2.0f, 0.01f, 0.0f, 0.5f, 2e-3},
        {"d below 0 -> line", expo_neg_d, 100, 1, 4, 0, 0, float(kNegDSlope), float(kNegDIntercept), 1e-5},
        {"rising, option 2 -> mean, still 5", rising, 100, 2, 5, 0, 0, 0, float(kRisingMean), 1e-5},
        {"rising, option 5 -> 6", rising, 100, 5, 6, 0, 0, 0, float(kRisingMean), 1e-5},
        {"rising line stands under 4", rising, 100, 4, 4, 0, 0, 0.01f, 1.0f, 1e-5},
        {"horizontal mean", rising, 100, 6, 6, 0, 0, 0, float(kRisingMean), 1e-5},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        Fit r = fit_of(k.f, k.n, k.opt);
        EXPECT_EQ(r.opt, k.used);
        EXPECT_NEAR(r.coef[0], k.a, k.tol);
        EXPECT_NEAR(r.coef[1], k.b, k.tol * 0.1);
        EXPECT_NEAR(r.coef[2], k.c, k.tol);
        EXPECT_EQ(r.coef[3], 0.0f);
        EXPECT_NEAR(r.coef[4], k.d, k.tol);
        if (k.used >= 4) {
            EXPECT_EQ(r.coef[5], 0.0f);
            EXPECT_EQ(r.coef[6], 0.0f);
            for (int i = 1; i <= k.n; ++i) EXPECT_NEAR(r.crv[i - 1], k.c * i + k.d, 1e-4) << i;
        }
    }
}

TEST(Crvfit, KeptExponentialCarriesPassesAndSum) {
    Fit r = fit_of(expo, 100, 2);
    EXPECT_EQ(r.opt, 2);
    EXPECT_GT(r.coef[5], 0.0f);
    EXPECT_NEAR(r.coef[6], kExpSum, 1e-3);
    for (int i = 1; i <= 100; ++i) EXPECT_NEAR(r.crv[i - 1], expo(i), 1e-3);
}

TEST(Crvfit, TooShortForExponentialFallsBackAfterTheWarning) {
    kovtest::ScriptedConsole con("");
    Fit r = fit_of([](int i) { return 5.0f - 0.1f * i; }, 19, 1);
    EXPECT_EQ(r.opt, 4);
    EXPECT_NE(con.output().find(">> sbr curve:  only 19 values, no exponential curve fit"), std::string::npos);
    EXPECT_NEAR(r.coef[2], kShortSlope, 1e-5);
    EXPECT_NEAR(r.coef[4], kShortIntercept, 1e-4);
}

// The simplex forms on curves of their own family: the form stands, and the
// record lists the rate as a positive number with the option code in element 7.
TEST(Crvfit, SimplexFormsKeepTheirOption) {
    kovtest::ScriptedConsole con("");  // the simplex may pause at its evaluation limit
    {
        Fit r = fit_of([](int i) { return static_cast<float>(3.0 * std::exp(-0.02 * i) + 1.0); }, 150, 3);
        EXPECT_EQ(r.opt, 3);
        EXPECT_NEAR(r.coef[0], 3.0f, 0.05f);
        EXPECT_NEAR(r.coef[1], 0.02f, 1e-3f);
        EXPECT_NEAR(r.coef[4], 1.0f, 0.05f);
        EXPECT_EQ(r.coef[6], 0.0f);
    }
    {
        auto h = [](int i) { return static_cast<float>(0.5 * std::pow(i, 0.8) * std::exp(-0.03 * i) + 0.2); };
        Fit r = fit_of(h, 150, 7);
        EXPECT_EQ(r.opt, 7);
        EXPECT_EQ(r.coef[6], 7.0f);
        EXPECT_GT(r.coef[2], 0.0f);
        // the record is the listed curve a (t+p)^b exp(-c (t+p)) + d
        for (int i = 1; i <= 150; ++i) {
            const double u = i + r.coef[5];
            const double f = r.coef[0] * std::pow(u, r.coef[1]) * std::exp(-r.coef[2] * u) + r.coef[4];
            EXPECT_NEAR(r.crv[i - 1], f, 1e-4 * (1 + std::abs(f))) << i;
            EXPECT_NEAR(r.crv[i - 1], h(i), 0.06f) << i;
        }
        // the first (linearised) fit is handed back for the plot
        EXPECT_GT(r.w2[0], 0.0f);
    }
    {
        auto g = [](int i) { return static_cast<float>(0.2 * i * std::exp(-0.02 * i) + 0.1); };
        Fit r = fit_of(g, 150, 8);
        EXPECT_EQ(r.opt, 8);
        EXPECT_EQ(r.coef[1], 1.0f);
        EXPECT_EQ(r.coef[6], 8.0f);
        for (int i = 1; i <= 150; ++i) {
            const double u = i + r.coef[5];
            const double f = r.coef[0] * u * std::exp(-r.coef[2] * u) + r.coef[4];
            EXPECT_NEAR(r.crv[i - 1], f, 1e-4 * (1 + std::abs(f))) << i;
            EXPECT_NEAR(r.crv[i - 1], g(i), 0.06f) << i;
        }
    }
}

TEST(Crvfit, LowessFractionGivesTheExactWindow) {
    struct Case { int width, n; };
    for (Case k : {Case{50, 200}, Case{7, 41}, Case{20, 41}, Case{33, 99}, Case{41, 41}, Case{3, 4999}}) {
        const float f = kov::lowess_fraction(k.width, k.n);
        EXPECT_EQ(static_cast<int>(static_cast<float>(k.n) * f), k.width) << k.width << " of " << k.n;
    }
    // a window of every value is a robust straight line: exact on a line
    Fit r = fit_of([](int i) { return 3.0f + 0.25f * i; }, 200, -4, 200);
    EXPECT_EQ(r.opt, -4);
    for (int i = 1; i <= 200; ++i) EXPECT_NEAR(r.crv[i - 1], 3.0f + 0.25f * i, 1e-3f) << i;
}

TEST(Crvfit, FirstDifferencesTakeTheScaleOfTheRatioIndices) {
    auto f = [](int i) { return static_cast<float>(1.5 + 0.5 * std::sin(i * 0.7) + 0.01 * i); };
    Fit r = fit_of(f, 120, -1);
    EXPECT_EQ(r.opt, -1);
    EXPECT_EQ(r.n, 119);
    EXPECT_FLOAT_EQ(r.x[0], kov::xmiss);
    float md, sd, mr, sr, a, v, s, k, ms, ac;
    std::vector<float> diff(r.x.begin() + 1, r.x.begin() + 120), ratio(r.w1.begin(), r.w1.begin() + 119);
    kov::moment(diff, 119, md, a, sd, v, s, k, ms, ac);
    kov::moment(ratio, 119, mr, a, sr, v, s, k, ms, ac);
    EXPECT_NEAR(md, mr, 1e-5f);
    EXPECT_NEAR(sd, sr, 1e-5f);
    // the ratios are the entry values 2..N over the spline of those values
    for (int i = 1; i <= 119; ++i) EXPECT_NEAR(r.w1[i - 1] * r.crv[i - 1], f(i + 1), 1e-4f) << i;
}

TEST(Crvfit, SplinePeriods) {
    auto f = [](int i) { return static_cast<float>(1.0 + 0.3 * std::cos(i * 0.2) + 0.002 * i); };
    struct Case { int opt, n, period; };
    // -25 of 200 is a period of 50; 30 is the period itself
    for (Case k : {Case{-25, 200, 50}, Case{30, 200, 30}, Case{-67, 100, 67}}) {
        Fit r = fit_of(f, k.n, k.opt);
        EXPECT_EQ(r.opt, k.opt);
        std::vector<float> y(k.n), ref(k.n);
        for (int i = 1; i <= k.n; ++i) y[i - 1] = f(i);
        float p = 0;
        kov::spline(k.n, y, ref, p, k.period);
        for (int i = 0; i < k.n; ++i) EXPECT_EQ(r.crv[i], ref[i]) << k.opt << " at " << i;
        EXPECT_EQ(r.w1[0], 1.0f);
    }
    // -10 and -13 of 15 values are a period of 1 (1.5 and 1.95 truncated),
    // -10 of 6 values (0.6) is held to 1 year: p = 0, the least-squares line
    // (a dense least-squares solve in tests/numerics/reference/splines_ref.py)
    const auto refs = kovtest::read_ref_cases("splines_ref.txt");
    for (auto [name, opt] : {std::pair{"period1_n15", -10}, {"period1_n15", -13}, {"period1_n6", -10}}) {
        const auto& ref = kovtest::find_case(refs, name);
        const auto y = ref.floats("y");
        const int n = static_cast<int>(y.size());
        Fit r = fit_of([&](int i) { return y[i - 1]; }, n, opt);
        EXPECT_EQ(r.opt, opt);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(r.crv[i], ref["crv"][i], 2e-6) << name << " " << opt << " at " << i;
    }
}

// A fit that writes no curve leaves nothing of an earlier fit in crv: the
// straight line stands in while it stays above zero, else the mean. The
// series is left as it came.
TEST(Crvfit, FitsThatWriteNoCurveFallBackToTheLineOrTheMean) {
    // y = 3, 2, 2: mean 7/3, slope ((-1)(2/3) + (1)(-1/3)) / 2 = -0.5, so the
    // line is 2.8333, 2.3333, 1.8333.
    const std::vector<float> falling = {3.0f, 2.0f, 2.0f};
    // y = 4, 0.5, 0.5: slope -1.75, the line reaches 5/3 - 1.75 < 0 at t = 3;
    // the mean is 5/3.
    const std::vector<float> steep = {4.0f, 0.5f, 0.5f};
    const std::vector<float> one = {2.5f};
    const float line[] = {17.0f / 6.0f, 7.0f / 3.0f, 11.0f / 6.0f};
    struct Case {
        const char* what;
        const std::vector<float>& y;
        int opt, par, used;
    };
    const Case cases[] = {
        {"age-dependent spline of 3 values", falling, -6, 20, 4},
        {"fixed spline of 3 values", falling, 30, 0, 4},
        {"percent spline of 3 values", falling, -50, 0, 4},
        {"running medians refusing a width of 0", falling, -3, 0, 4},
        {"age-dependent spline, line below zero", steep, -6, 20, 6},
        {"age-dependent spline of 1 value", one, -6, 20, 6},
        {"first differences of 1 value", one, -1, 0, 6},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        kovtest::ScriptedConsole con("\n");  // the running medians wait after their input error
        const int n = static_cast<int>(k.y.size());
        Fit r = fit_of([&](int i) { return k.y[i - 1]; }, n, k.opt, k.par);
        EXPECT_EQ(r.opt, k.used);
        EXPECT_EQ(r.n, n);
        for (int i = 0; i < n; ++i) EXPECT_EQ(r.x[i], k.y[i]) << i;
        EXPECT_EQ(r.coef[0], 0.0f);
        EXPECT_EQ(r.coef[1], 0.0f);
        for (int i = 0; i < n; ++i) {
            if (k.used == 4)
                EXPECT_NEAR(r.crv[i], line[i], 1e-6) << i;
            else if (n == 1)
                EXPECT_EQ(r.crv[i], 2.5f);
            else
                EXPECT_NEAR(r.crv[i], 5.0f / 3.0f, 1e-6) << i;
        }
        EXPECT_EQ(r.crv[n], 7.0f);  // beyond the curve: untouched
    }
}

TEST(Crvfit, CodesThatAreNoCurveGiveAZeroCurve) {
    for (int code : {0, -2, -7, -8, -9, 9}) {
        Fit r = fit_of(rising, 30, code);
        EXPECT_EQ(r.opt, code);
        for (int i = 0; i < 30; ++i) EXPECT_EQ(r.crv[i], 0.0f) << code;
    }
}

// A curve asked over 50 values and fitted to the first 30: the smoothers, the
// splines and first differences (29 differences) keep their last value over
// the rest, never what an earlier fit left there; the straight line, also as
// the fall-back of a spline of 3 values, goes on over all 50 (rising is the
// line 1 + 0.01 t, 1.5 at t = 50). Nothing beyond the 50 is written.
TEST(Crvfit, CurveBeyondTheFittedValues) {
    struct Case {
        const char* what;
        int n, opt, par, used, fitted;  // fitted: the values the curve keeps beyond, 0 for the line
    };
    const Case cases[] = {
        {"running medians", 30, -3, 5, -3, 30},
        {"lowess", 30, -4, 9, -4, 30},
        {"super smoother", 30, -5, 5, -5, 30},
        {"fixed spline", 30, 20, 0, 20, 30},
        {"percent spline", 30, -50, 0, -50, 30},
        {"first differences", 30, -1, 0, -1, 29},
        {"straight line", 30, 4, 0, 4, 0},
        {"spline of 3 values", 3, 20, 0, 4, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        kovtest::ScriptedConsole con("");
        Fit r = fit_of(rising, k.n, k.opt, k.par, 50);
        EXPECT_EQ(r.opt, k.used);
        if (k.fitted > 0) {
            EXPECT_EQ(r.n, k.fitted);
            ASSERT_NE(r.crv[k.fitted - 1], 7.0f);
            for (int i = k.fitted; i < 50; ++i) EXPECT_EQ(r.crv[i], r.crv[k.fitted - 1]) << i;
        } else {
            for (int i = 0; i < 50; ++i) EXPECT_NEAR(r.crv[i], rising(i + 1), 1e-5) << i;
        }
        EXPECT_EQ(r.crv[50], 7.0f);
    }
}
