#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "detrend/super_smoother.hpp"

#include "detrend/reference/ring_series.hpp"

namespace {
#include "detrend/reference/smoothers_ref.inc"
}  // namespace

using namespace kov;

namespace {

std::vector<float> index_axis(int n) {
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i + 1);
    return x;
}

// The way the growth-curve dispatcher calls it: abscissae 1..n, unit weights,
// non-periodic, the variable span from 40 values on and 0.3 below.
std::vector<float> smooth_series(const std::vector<float>& y, float alpha) {
    int n = static_cast<int>(y.size());
    std::vector<float> x = index_axis(n), w(n, 1.0f), smo(n, -1.0f), sc(7 * n);
    supsmu(n, x, y, w, 1, n < 40 ? 0.3f : 0.0f, alpha, smo, sc);
    return smo;
}

}  // namespace

// Reference: R's supsmu(1:n, y, span = "cv" or 0.3, bass = alpha)
// (tests/detrend/reference/smoothers_ref.R). The tolerance covers float against
// double arithmetic.
TEST(SuperSmoother, EqualsReferenceSmooths) {
    struct Case {
        const char* name;
        const std::vector<float>& y;
        float alpha;
        const std::vector<double>& expected;
    };
    const Case cases[] = {
        {"long a0", ringref::series_long(), 0, supsmu_long_0},     {"long a5", ringref::series_long(), 5, supsmu_long_5},
        {"long a9", ringref::series_long(), 9, supsmu_long_9},     {"medium a0", ringref::series_medium(), 0, supsmu_medium_0},
        {"medium a8", ringref::series_medium(), 8, supsmu_medium_8}, {"short a0", ringref::series_short(), 0, supsmu_short_0},
        {"short a7", ringref::series_short(), 7, supsmu_short_7},
    };
    for (const auto& c : cases) {
        auto smo = smooth_series(c.y, c.alpha);
        ASSERT_EQ(smo.size(), c.expected.size());
        double worst = 0;
        for (size_t i = 0; i < smo.size(); ++i) worst = std::max(worst, std::fabs(smo[i] - c.expected[i]));
        EXPECT_LT(worst, 5e-5) << c.name;
    }
}

TEST(SuperSmoother, BassMakesTheCurveStiffer) {
    // roughness: sum of squared second differences
    auto roughness = [](const std::vector<float>& s) {
        double r = 0;
        for (size_t i = 2; i < s.size(); ++i) {
            double d = s[i] - 2.0 * s[i - 1] + s[i - 2];
            r += d * d;
        }
        return r;
    };
    EXPECT_LT(roughness(smooth_series(ringref::series_long(), 9)), roughness(smooth_series(ringref::series_long(), 0)));
}

TEST(SuperSmoother, ReturnsAStraightLineForAnyBass) {
    std::vector<float> y(120);
    for (int i = 0; i < 120; ++i) y[i] = 0.4f + 0.01f * (i + 1);
    for (float alpha : {0.0f, 4.0f, 10.0f}) {
        auto smo = smooth_series(y, alpha);
        for (int i = 0; i < 120; ++i) EXPECT_NEAR(smo[i], y[i], 1e-5) << alpha << " " << i;
    }
}

TEST(SuperSmoother, ConstantAbscissaGivesTheWeightedMean) {
    std::vector<float> x(6, 3.0f), y{1, 2, 3, 4, 5, 6}, w{1, 1, 1, 1, 2, 2}, smo(6), sc(42);
    supsmu(6, x, y, w, 1, 0.0f, 0.0f, smo, sc);
    for (float v : smo) EXPECT_FLOAT_EQ(v, 32.0f / 8.0f);
}

TEST(SuperSmoother, FewerThanFiveValuesGiveTheLeastSquaresLine) {
    // hand-computed lines through 1..n: n=2 passes through both points; n=3 on
    // (1,1),(2,3),(3,2): slope 0.5, mean 2; n=4 on 2,4,3,7: slope 7/5, mean 4
    struct Case {
        std::vector<float> y, line;
    };
    const Case cases[] = {
        {{2, 5}, {2, 5}},
        {{1, 3, 2}, {1.5f, 2.0f, 2.5f}},
        {{2, 4, 3, 7}, {1.9f, 3.3f, 4.7f, 6.1f}},
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(c.y.size());
        auto x = index_axis(n);
        std::vector<float> w(n, 1.0f), smo(n), sc(7 * n);
        supsmu(n, x, c.y, w, 1, 0.0f, 0.0f, smo, sc);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(smo[i], c.line[i], 1e-5) << n << " " << i;
    }
}
