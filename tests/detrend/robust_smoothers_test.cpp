#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "detrend/robust_smoothers.hpp"
#include "shared/capacities.hpp"
#include "support/test_support.hpp"

#include "detrend/reference/ring_series.hpp"

namespace {
#include "detrend/reference/smoothers_ref.inc"
}  // namespace

using namespace kov;

namespace {

double max_abs_diff(const std::vector<float>& a, const std::vector<double>& b) {
    EXPECT_EQ(a.size(), b.size());
    double m = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

}  // namespace

// Reference: R's lowess(1:n, y, f = (w + 0.5) / n, iter = 2, delta = 0), which
// uses the same neighbourhood of w values, tricube local lines and two
// bisquare robustness passes (tests/detrend/reference/smoothers_ref.R). The
// tolerance covers float against double sums over a few hundred values.
TEST(Lowess, EqualsReferenceSmooths) {
    struct Case {
        const char* name;
        const std::vector<float>& y;
        int width;
        const std::vector<double>& expected;
    };
    const Case cases[] = {
        {"long w50", ringref::series_long(), 50, lowess_long_50},
        {"medium w30", ringref::series_medium(), 30, lowess_medium_30},
        {"medium w=n", ringref::series_medium(), 241, lowess_medium_241},
        {"short w10", ringref::series_short(), 10, lowess_short_10},
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(c.y.size());
        std::vector<float> ys(n, -1.0f);
        lowess(c.y, ys, n, (c.width + 0.5f) / static_cast<float>(n));
        EXPECT_LT(max_abs_diff(ys, c.expected), 5e-5) << c.name;
    }
}

TEST(Lowess, ReproducesAStraightLineAndASingleValue) {
    std::vector<float> y(60), ys(60);
    for (int i = 0; i < 60; ++i) y[i] = 2.5f - 0.03f * (i + 1);
    lowess(y, ys, 60, 0.3f);
    for (int i = 0; i < 60; ++i) EXPECT_NEAR(ys[i], y[i], 1e-5) << i;

    std::vector<float> one{4.25f}, out{0.0f};
    lowess(one, out, 1, 0.5f);
    EXPECT_EQ(out[0], 4.25f);
}

TEST(Heapsort, SortsAscendingWithTies) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> d(0, 20);
    for (int n : {0, 1, 2, 3, 17, 500}) {
        std::vector<float> v(n + 1, 99.0f);  // one guard value past n
        for (int i = 0; i < n; ++i) v[i] = static_cast<float>(d(gen)) / 4.0f;
        std::vector<float> expect(v.begin(), v.begin() + n);
        std::sort(expect.begin(), expect.end());
        hpsort(n, v);
        EXPECT_TRUE(std::equal(expect.begin(), expect.end(), v.begin())) << n;
        EXPECT_EQ(v[n], 99.0f) << "value past n moved, n = " << n;
    }
}

TEST(RunningMedians, OnePassOfWidthFiveHasFlatEnds) {
    // medians of 1 9 2 8 3 / 9 2 8 3 7 / 2 8 3 7 4 are 3, 7, 4
    std::vector<float> x{1, 9, 2, 8, 3, 7, 4}, smo(7), wk(7);
    int iter = 0, ier = -1;
    ASSERT_TRUE(msmoo(x, smo, wk, 7, 5, iter, ier, mxy));
    EXPECT_EQ(ier, 0);
    EXPECT_EQ(smo, (std::vector<float>{3, 3, 3, 7, 4, 4, 4}));
}

// Reference: R's runmed(x, k, endrule = "constant") repeated until a pass
// changes the series by less than 1e-6, at most 10 passes.
TEST(RunningMedians, RepeatedPassesEqualReference) {
    struct Case {
        const char* name;
        const std::vector<float>& y;
        int width;
        const std::vector<double>& expected;
        int passes;
    };
    const Case cases[] = {
        {"long w31", ringref::series_long(), 31, runmed_long_31, runmed_long_31_passes},
        {"medium w9", ringref::series_medium(), 9, runmed_medium_9, runmed_medium_9_passes},
        {"medium w=n", ringref::series_medium(), 241, runmed_medium_241, runmed_medium_241_passes},
        {"short w5", ringref::series_short(), 5, runmed_short_5, runmed_short_5_passes},
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(c.y.size());
        std::vector<float> x = c.y, smo(n), wk(n);
        int iw = c.width, iter = 0, ier = -1;
        ASSERT_TRUE(msmoor(x, smo, wk, n, iw, iter, ier, mxy)) << c.name;
        EXPECT_EQ(ier, 0) << c.name;
        EXPECT_EQ(iter, c.passes) << c.name;
        // medians are data values: equal to the float of each reference value
        std::vector<float> expected(c.expected.begin(), c.expected.end());
        EXPECT_EQ(smo, expected) << c.name;
    }
}

TEST(RunningMedians, WidthEqualToLengthGivesTheMedianEverywhere) {
    std::vector<float> x{5, 1, 4, 2, 3, 9, 0}, smo(7), wk(7);
    int iw = 7, iter = 0, ier = 0;
    ASSERT_TRUE(msmoor(x, smo, wk, 7, iw, iter, ier, mxy));
    for (float v : smo) EXPECT_EQ(v, 3.0f);
}

TEST(RunningMedians, WidthOneAndEvenWidths) {
    std::vector<float> y{3, 1, 4, 1, 5, 9, 2, 6};
    std::vector<float> x = y, smo(8), wk(8);
    int iw = 1, iter = 0, ier = -1;
    ASSERT_TRUE(msmoor(x, smo, wk, 8, iw, iter, ier, mxy));
    EXPECT_EQ(smo, y);
    EXPECT_EQ(iter, 1);

    // an even width works as the odd width below it and is written back
    std::vector<float> x4 = y, smo4(8), x3 = y, smo3(8);
    int iw4 = 4, iw3 = 3;
    ASSERT_TRUE(msmoor(x4, smo4, wk, 8, iw4, iter, ier, mxy));
    ASSERT_TRUE(msmoor(x3, smo3, wk, 8, iw3, iter, ier, mxy));
    EXPECT_EQ(iw4, 3);
    EXPECT_EQ(smo4, smo3);
}

TEST(RunningMedians, InputErrorsAreReportedAndLeaveTheCurveAlone) {
    struct Case {
        int n, iw, mxn, code;
    };
    const Case cases[] = {
        {5, 7, 5001, 1},   // wider than the series
        {9, 0, 5001, 3},   // no width: 0 becomes -1, still not a positive odd width
        {9, -3, 5001, 3},  // negative and odd
        {9, 3, 8, 1},      // longer than the caller accepts
        {9, 11, 10, 2},    // wider than the caller accepts (and than the series)
    };
    for (const auto& c : cases) {
        kovtest::ScriptedConsole sc("\n");
        std::vector<float> x(c.n, 2.0f), smo(c.n, -7.0f), wk(c.n);
        int iw = c.iw, iter = 0, ier = 0;
        EXPECT_FALSE(msmoor(x, smo, wk, c.n, iw, iter, ier, c.mxn));
        EXPECT_EQ(ier, c.code) << c.n << " " << c.iw;
        for (float v : smo) EXPECT_EQ(v, -7.0f);
        auto lines = sc.lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], "input error " + std::to_string(c.code) + " in msmoor.");
    }
}

TEST(RunningMedians, NoConvergenceKeepsTheTenthPass) {
    // Medians of three on alternating values shift the pattern by one place
    // per pass while the flat ends eat one value each: far from settled after
    // ten passes on 41 values.
    std::vector<float> x(41), smo(41), wk(41);
    for (int i = 0; i < 41; ++i) x[i] = static_cast<float>(i % 2);
    std::vector<float> expected = x, tmp(41);
    for (int pass = 0; pass < 10; ++pass) {
        int it = 0, e = 0;
        msmoo(expected, tmp, wk, 41, 3, it, e, mxy);
        expected = tmp;
    }
    kovtest::ScriptedConsole sc("");
    int iw = 3, iter = 0, ier = 0;
    EXPECT_TRUE(msmoor(x, smo, wk, 41, iw, iter, ier, mxy));
    EXPECT_EQ(ier, 20);
    EXPECT_EQ(iter, 10);
    EXPECT_EQ(smo, expected);
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", "*** maximum iterations reached in msmoor ***"}));
}
