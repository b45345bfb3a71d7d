#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "detrend/age_spline.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

#include "detrend/reference/ring_series.hpp"

namespace {
#include "detrend/reference/age_spline_ref.inc"
}  // namespace

using namespace kov;

namespace {

double max_abs_diff(std::span<const float> a, const std::vector<double>& b) {
    EXPECT_EQ(a.size(), b.size());
    double m = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

}  // namespace

// Reference: a dense solve of the same system in numpy
// (tests/detrend/reference/age_spline_ref.py). The curve is solved in double
// and stored as float.
TEST(AgeDependentSpline, EqualsADenseSolveOfItsSystem) {
    const std::vector<float> four{1, 3, 2, 5};
    struct Case {
        const char* name;
        const std::vector<float>& y;
        int s0, nout;
        const std::vector<double>& expected;
    };
    const Case cases[] = {
        {"long, stiffness 20", ringref::series_long(), 20, 0, adspline_long_s20},
        {"medium, stiffness 2", ringref::series_medium(), 2, 0, adspline_medium_s2},
        {"medium, stiffness 1: p = 0 in the first row", ringref::series_medium(), 1, 0, adspline_medium_s1},
        {"short extended to 60", ringref::series_short(), 10, 60, adspline_short_s10_out60},
        {"four values", four, 5, 0, adspline_four_s5},
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(c.y.size());
        int nout = c.nout > 0 ? c.nout : n;
        std::vector<float> crv(nout, -1.0f);
        ASSERT_TRUE(splext(mxy, nout, n, c.y, crv, c.s0)) << c.name;
        EXPECT_LT(max_abs_diff(crv, c.expected), 5e-6) << c.name;
    }
}

// Reference: scipy's make_smoothing_spline with lam = 1 / (2 p), the cubic
// smoothing spline of the same 50% period (age_spline_ref.py).
TEST(AgeDependentSpline, WithOnePeriodEqualsTheCubicSmoothingSpline) {
    const int n = static_cast<int>(ringref::series_medium().size());
    for (int period : {30, 120}) {
        std::vector<int> per(n, period);
        std::vector<float> crv(n);
        ASSERT_TRUE(splvar(n, ringref::series_medium(), crv, per));
        const auto& expected = period == 30 ? smoothing_spline_medium_p30 : smoothing_spline_medium_p120;
        EXPECT_LT(max_abs_diff(crv, expected), 5e-5) << period;
    }
}

TEST(AgeDependentSpline, ReproducesAStraightLine) {
    std::vector<float> y(80), crv(80);
    for (int i = 0; i < 80; ++i) y[i] = 3.0f - 0.02f * (i + 1);
    for (int s0 : {2, 50, 400}) {
        ASSERT_TRUE(splext(mxy, 80, 80, y, crv, s0));
        for (int i = 0; i < 80; ++i) EXPECT_NEAR(crv[i], y[i], 2e-6) << s0 << " " << i;
    }
}

TEST(AgeDependentSpline, RefusesWhatItCannotFit) {
    std::vector<float> y{1, 2, 3}, crv(10, 7.0f);
    // fewer than 4 values: the sentinel, and no extension of a non-curve
    EXPECT_FALSE(splext(mxy, 10, 3, y, crv, 20));
    EXPECT_EQ(crv[0], -9998.0f);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(crv[i], 7.0f);

    // a stiffness that makes one of the periods 0 (the first row, the sixth):
    // the failure mark with its console line, nothing else written
    for (int s0 : {0, -5}) {
        kovtest::ScriptedConsole sc("");
        int n = static_cast<int>(ringref::series_short().size());
        std::vector<float> c2(n + 5, 7.0f);
        EXPECT_FALSE(splext(mxy, n + 5, n, ringref::series_short(), c2, s0)) << s0;
        std::vector<float> expected(n + 5, 7.0f);
        expected[0] = -9999.0f;
        EXPECT_EQ(c2, expected) << s0;
        EXPECT_EQ(sc.lines(), (std::vector<std::string>{">> sbr spline: matrix not positive definite"})) << s0;
    }
}

TEST(AgeDependentSpline, PeriodsGrowByOneYearPerValue) {
    std::vector<int> per(200, 0);
    yrseq(mxy, 200, 20, per);
    EXPECT_EQ(per[0], 20);   // the row centred on value 2
    EXPECT_EQ(per[99], 119);  // the row centred on value 101
    EXPECT_EQ(per[199], 219);

    std::vector<int> one(3, -1);
    yrseq(mxy, 1, 15, one);
    EXPECT_EQ(one, (std::vector<int>{15, -1, -1}));
}

TEST(AgeDependentSpline, TooLongASeriesStops) {
    std::vector<float> y(mxy + 1, 1.0f), crv(mxy + 1);
    std::vector<int> per(mxy + 1, 30);
    kovtest::ScriptedConsole sc("");
    try {
        splvar(mxy + 1, y, crv, per);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
    }
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", " *** series too long for spline subroutine ***",
                                                    " *** enlarge mxy parameter in subroutine ***", ""}));
}
