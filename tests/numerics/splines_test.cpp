#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "numerics/reference_cases.hpp"
#include "numerics/splines.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

const std::vector<kovtest::RefCase>& refs() {
    static const auto cases = kovtest::read_ref_cases("splines_ref.txt");
    return cases;
}

// Float precision relative to the size of the values: the curve is a float
// result of a double solve.
void expect_curve_near(const std::vector<float>& crv, const std::vector<double>& ref,
                       const std::vector<float>& y, const std::string& name) {
    double scale = 1.0;
    for (float v : y) scale = std::max(scale, std::fabs(static_cast<double>(v)));
    ASSERT_EQ(crv.size(), ref.size());
    for (size_t i = 0; i < crv.size(); ++i)
        ASSERT_NEAR(crv[i], ref[i], 5e-7 * scale) << name << " value " << i + 1;
}

}  // namespace

TEST(Spline, SmoothingParameterFollowsThePeriod) {
    // The worked values: p = 6 (cos w - 1)^2 / (cos w + 2), w = 2 pi / period.
    struct Case { int per; double p; } cases[] = {{2, 24.0}, {5, 1.2407}, {10, 0.077909}, {100, 7.7927e-6}};
    for (const auto& c : cases) {
        std::vector<float> y(10, 1.0f), crv(10);
        float p = -1.0f;
        spline(10, y, crv, p, c.per);
        EXPECT_NEAR(p, c.p, 5e-5 * c.p) << "period " << c.per;
    }
}

TEST(Spline, EqualsTheReferenceSmoothingSpline) {
    int checked = 0;
    for (const auto& c : refs()) {
        if (c.has("w") || !c.has("crv")) continue;
        const auto y = c.floats("y");
        const int n = static_cast<int>(y.size());
        std::vector<float> crv(n, 0.0f);
        float p = 0.0f;
        spline(n, y, crv, p, c.count("period"));
        EXPECT_FLOAT_EQ(p, static_cast<float>(c.scalar("p"))) << c.name;
        expect_curve_near(crv, c["crv"], y, c.name);
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

TEST(Spline, KeepsHalfTheAmplitudeOfASineAtItsPeriod) {
    for (int per : {8, 20, 50, 100}) {
        const int n = 12 * per;
        std::vector<float> y(n), crv(n);
        for (int i = 0; i < n; ++i) y[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / per));
        float p = 0.0f;
        spline(n, y, crv, p, per);
        // Away from the ends the curve is the sine at half amplitude.
        double worst = 0.0;
        for (int i = 4 * per; i < 8 * per; ++i) worst = std::max(worst, std::fabs(crv[i] - 0.5 * y[i]));
        EXPECT_LT(worst, 2e-3) << "period " << per;
    }
}

TEST(Spline, StraightLinesComeBackExactly) {
    // Zero second differences: nothing to solve, the curve is the values.
    std::vector<std::vector<float>> inputs = {std::vector<float>(50, 1.37f), {}};
    for (int i = 0; i < 40; ++i) inputs[1].push_back(static_cast<float>(3 * i - 7));
    for (const auto& y : inputs) {
        std::vector<float> crv(y.size(), 0.0f);
        float p = 0.0f;
        spline(static_cast<int>(y.size()), y, crv, p, 20);
        EXPECT_EQ(crv, y);
    }
}

TEST(Spline, TooFewValuesMarkTheFirstValueOnly) {
    const std::vector<float> y = {1.0f, 2.0f, 4.0f};
    std::vector<float> crv = {5.0f, 6.0f, 7.0f};
    float p = 42.0f;
    spline(3, y, crv, p, 10);
    EXPECT_EQ(crv, (std::vector<float>{-9998.0f, 6.0f, 7.0f}));
    EXPECT_EQ(p, 42.0f);
}

// A period of 1 year gives p = 0 (cos 2 pi = 1): the stiffest curve, the
// least-squares straight line, checked by a dense least-squares solve in
// splines_ref.py. The formula is even in the period: a negative period is
// its absolute value.
TEST(Spline, PeriodOfOneIsTheLeastSquaresLineAndNegativePeriodsTheirMagnitude) {
    for (const char* name : {"period1_n15", "period1_n6"}) {
        const auto& c = kovtest::find_case(refs(), name);
        const auto y = c.floats("y");
        const int n = static_cast<int>(y.size());
        std::vector<float> crv(n, 0.0f);
        float p = -1.0f;
        spline(n, y, crv, p, 1);
        EXPECT_EQ(p, 0.0f) << name;
        expect_curve_near(crv, c["crv"], y, name);
    }
    const auto y = kovtest::find_case(refs(), "period3").floats("y");
    const int n = static_cast<int>(y.size());
    for (int per : {1, 3, 7}) {
        std::vector<float> pos(n), neg(n);
        float pp = 0.0f, pn = 0.0f;
        spline(n, y, pos, pp, per);
        spline(n, y, neg, pn, -per);
        EXPECT_EQ(pn, pp) << per;
        EXPECT_EQ(neg, pos) << per;
    }
}

// A period of 0 divides by zero in the formula: no system to solve.
TEST(Spline, PeriodOfZeroIsRefusedAsNotPositiveDefinite) {
    kovtest::ScriptedConsole sc("");
    std::vector<float> y = {1.0f, 3.0f, 2.0f, 5.0f, 4.0f, 6.0f};
    std::vector<float> crv(6, 0.5f);
    float p = 1.0f;
    spline(6, y, crv, p, 0);
    EXPECT_EQ(crv[0], -9999.0f);
    EXPECT_TRUE(std::all_of(crv.begin() + 1, crv.end(), [](float v) { return v == 0.5f; }));
    EXPECT_TRUE(std::isfinite(p));
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{">> sbr spline: matrix not positive definite"}));
}

TEST(Spline, FitsTheLongestSeriesAndStopsBeyondIt) {
    std::vector<float> y(5002);
    for (int i = 0; i < 5002; ++i) y[i] = static_cast<float>(1.0 + 0.3 * std::sin(i * 0.37) + 0.001 * i);
    std::vector<float> crv(5002, 0.0f);
    float p = 0.0f;
    spline(5001, y, crv, p, 300);
    EXPECT_TRUE(std::all_of(crv.begin(), crv.begin() + 5001, [](float v) { return std::isfinite(v) && v > 0.5f; }));

    kovtest::ScriptedConsole sc("");
    try {
        spline(5002, y, crv, p, 300);
        FAIL() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
        EXPECT_STREQ(s.what(), "");
    }
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", " *** series too long for spline subroutine ***",
                                                    " *** enlarge mxy parameter in subroutine ***", ""}));
}

TEST(Spl2w, EqualsTheReferenceWeightedSpline) {
    int checked = 0;
    for (const auto& c : refs()) {
        if (!c.has("w")) continue;
        const auto y = c.floats("y");
        auto w = c.floats("w");
        const auto w_in = w;
        const int n = static_cast<int>(y.size());
        std::vector<float> crv(n, 0.0f);
        float p = 0.0f;
        spl2w(n, y, w, p, crv, c.count("period"));
        EXPECT_FLOAT_EQ(p, static_cast<float>(c.scalar("p"))) << c.name;
        expect_curve_near(crv, c["crv"], y, c.name);
        // The scales come back squared (999 as 998001).
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(w[i], static_cast<float>(static_cast<double>(w_in[i]) * w_in[i])) << c.name << " " << i;
        ++checked;
    }
    EXPECT_EQ(checked, 4);  // with the period of 1 year: the weighted least-squares line
}

TEST(Spl2w, UnitScalesGiveTheUnweightedCurve) {
    const auto& c = kovtest::find_case(refs(), "rings_20");
    const auto y = c.floats("y");
    const int n = static_cast<int>(y.size());
    std::vector<float> w(n, 1.0f), crv_w(n), crv(n);
    float pw = 0.0f, p = 0.0f;
    spl2w(n, y, w, pw, crv_w, 20);
    spline(n, y, crv, p, 20);
    EXPECT_TRUE(std::all_of(w.begin(), w.end(), [](float v) { return v == 1.0f; }));
    for (int i = 0; i < n; ++i) EXPECT_NEAR(crv_w[i], crv[i], 1e-5f) << i;
}

TEST(Spl2w, PeriodOfZeroReportsTheSolverCodeAndLeavesTheCurve) {
    kovtest::ScriptedConsole sc("\n");  // the Enter the message waits for
    std::vector<float> y = {1.0f, 3.0f, 2.0f, 5.0f, 4.0f, 6.0f}, w(6, 2.0f), crv(6, 0.25f);
    float p = 1.0f;
    spl2w(6, y, w, p, crv, 0);
    EXPECT_TRUE(std::all_of(crv.begin(), crv.end(), [](float v) { return v == 0.25f; }));
    EXPECT_TRUE(std::all_of(w.begin(), w.end(), [](float v) { return v == 4.0f; }));
    EXPECT_TRUE(std::isfinite(p));
    EXPECT_EQ(sc.output(), "\n in spl2w ier from leq1pb =  129.\n");
}

TEST(BandSolver, SolvesAndGivesTheDeterminant) {
    for (const char* name : {"band_n7_nsub2", "band_n9_nsub3", "band_n5_nsub1"}) {
        const auto& c = kovtest::find_case(refs(), name);
        const int n = c.count("n"), nsub = c.count("nsub");
        // Stored with more rows than the order, as the callers' fixed tables are.
        const int ia = n + 3;
        std::vector<double> a(static_cast<size_t>(ia) * (nsub + 1), 0.0);
        const auto& band = c["band"];
        for (int j = 0; j <= nsub; ++j)
            for (int i = 0; i < n; ++i) a[static_cast<size_t>(j) * ia + i] = band[static_cast<size_t>(j) * n + i];
        std::vector<double> b = c["b"];
        double d1 = 0.0, d2 = 0.0;
        int ier = -1;
        leq1pb(a, n, nsub, ia, b, n, 1, 10, d1, d2, ier);
        EXPECT_EQ(ier, 0) << name;
        for (int i = 0; i < n; ++i) EXPECT_NEAR(b[i], c["x"][i], 1e-12) << name << " x" << i + 1;
        EXPECT_NEAR(d1 * std::pow(2.0, d2), c.scalar("det"), 1e-10 * std::fabs(c.scalar("det"))) << name;
        EXPECT_TRUE(std::fabs(d1) > 0.0625 && std::fabs(d1) <= 1.0) << name;
    }
}

TEST(BandSolver, RefusesAMatrixThatIsNotPositiveDefinite) {
    // Tridiagonal [2 3; 3 2] blocks: the second pivot is 2 - 9/2 < 0.
    const int n = 3, nsub = 1;
    std::vector<double> a = {0.0, 3.0, 3.0, 2.0, 2.0, 2.0};  // sub-diagonal column, then the diagonal
    std::vector<double> b = {1.0, 2.0, 3.0};
    double d1 = 0.0, d2 = 0.0;
    int ier = 0;
    leq1pb(a, n, nsub, n, b, n, 1, 10, d1, d2, ier);
    EXPECT_EQ(ier, 129);
    EXPECT_EQ(b, (std::vector<double>{1.0, 2.0, 3.0}));
}
