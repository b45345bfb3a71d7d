#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/statistics.hpp"
#include "series/power_transform.hpp"

using namespace kov;

namespace {
struct PowCase {
    const char* name;
    int best_pass;
    std::vector<float> x;
    std::vector<int> cnt;
    std::vector<double> out;
};

// Computed once by reference/powtrn_reference.py.
const std::vector<PowCase> cases = {
#include "series/reference/powtrn_reference.inc"
};

struct Stats {
    float ave, sdev, skew;
};
Stats counted(std::vector<float> v, const std::vector<int>& cnt) {
    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(v, cnt, static_cast<int>(v.size()), ave, adev, sdev, var, skew, curt, sens, ac1);
    return {ave, sdev, skew};
}
}  // namespace

TEST(Powtrn, LeastSkewedPassRescaledToTheChronology) {
    for (const PowCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> x = c.x;
        powtrn(x, c.cnt);
        for (size_t i = 0; i < x.size(); ++i) {
            if (c.cnt[i] > 0)
                EXPECT_NEAR(x[i], c.out[i], 2e-4 * std::fabs(c.out[i]) + 1e-5) << "year " << i + 1;
            else
                EXPECT_EQ(x[i], c.x[i]) << "year " << i + 1;  // years without depth untouched
        }
        const Stats before = counted(c.x, c.cnt), after = counted(x, c.cnt);
        EXPECT_NEAR(after.ave, before.ave, 1e-5f * std::fabs(before.ave));
        EXPECT_NEAR(after.sdev, before.sdev, 1e-5f * before.sdev);
        EXPECT_LT(std::fabs(after.skew), std::fabs(before.skew));
    }
}

TEST(Powtrn, NothingBetterLeavesTheChronologyAlone) {
    // A symmetric zigzag has skewness 0: every pass keeps q = 1, none is less
    // skewed. A constant series has no spread at all. A single counted year
    // has no statistics.
    const std::vector<std::vector<float>> series = {
        {1.0f, 2.0f, 1.0f, 2.0f, 1.0f, 2.0f, 1.0f, 2.0f},
        {1.5f, 1.5f, 1.5f, 1.5f, 1.5f},
        {0.7f, 1.0f, 1.0f, 1.0f},
    };
    const std::vector<std::vector<int>> depth = {
        std::vector<int>(8, 4),
        std::vector<int>(5, 2),
        {3, 0, 0, 0},
    };
    for (size_t k = 0; k < series.size(); ++k) {
        std::vector<float> x = series[k];
        powtrn(x, depth[k]);
        EXPECT_EQ(x, series[k]) << "case " << k;
    }
}

TEST(Powtrn, NegativeCountedValuesAreRaisedToZero) {
    // A right-skewed series with one negative counted value: it takes part as
    // 0, and the result stays finite with the series' mean and spread.
    std::vector<float> x = {0.5f, 0.6f, -0.2f, 0.55f, 0.7f, 3.5f, 0.65f, 0.5f, 0.8f, 5.0f, 0.6f, 0.7f};
    const std::vector<int> cnt(x.size(), 2);
    const std::vector<float> before_x = x;
    powtrn(x, cnt);
    const Stats before = counted(before_x, cnt), after = counted(x, cnt);
    for (float v : x) EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(after.ave, before.ave, 1e-5f);
    EXPECT_NEAR(after.sdev, before.sdev, 1e-5f);
    EXPECT_LE(std::fabs(after.skew), std::fabs(before.skew));
}
