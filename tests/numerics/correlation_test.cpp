#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/correlation.hpp"
#include "numerics/reference_cases.hpp"

using namespace kov;

namespace {

const std::vector<kovtest::RefCase>& refs() {
    static const auto cases = kovtest::read_ref_cases("correlation_ref.txt");
    return cases;
}

}  // namespace

TEST(Corlin, MatchesPearsonAndTheLeastSquaresLine) {
    int checked = 0;
    for (const auto& c : refs()) {
        if (c.name.rfind("corlin_", 0) != 0) continue;
        const auto x = c.floats("x"), y = c.floats("y");
        float r, a, b;
        EXPECT_TRUE(corlin(x, y, static_cast<int>(x.size()), r, a, b)) << c.name;
        const auto& ref = c["ray"];  // r, intercept, slope
        EXPECT_NEAR(r, ref[0], 2e-6) << c.name;
        EXPECT_NEAR(b, ref[2], 2e-5 * std::max(1.0, std::fabs(ref[2]))) << c.name;
        // The intercept of a line fitted on years carries the slope times ~1700.
        EXPECT_NEAR(a, ref[1], 2e-5 * std::max(1.0, std::fabs(ref[1]) + std::fabs(ref[2]) * 1710)) << c.name;
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

TEST(Corlin, ExactLinesAndTheSeriesWithItself) {
    std::vector<float> x = {1, 2, 3, 4, 5, 6}, y;
    for (float v : x) y.push_back(3 * v + 2);
    float r, a, b;
    corlin(x, y, 6, r, a, b);
    EXPECT_FLOAT_EQ(r, 1.0f);
    EXPECT_FLOAT_EQ(b, 3.0f);
    EXPECT_NEAR(a, 2.0f, 1e-5f);
    corlin(x, x, 6, r, a, b);
    EXPECT_FLOAT_EQ(r, 1.0f);
    EXPECT_FLOAT_EQ(b, 1.0f);
    EXPECT_NEAR(a, 0.0f, 1e-6f);
}

TEST(Corlnm, UsesOnlyCountedPositions) {
    const auto& c = kovtest::find_case(refs(), "corlnm_depths");
    const auto x = c.floats("x"), y = c.floats("y");
    const auto cnt = c.ints("cnt");
    float r, a, b;
    EXPECT_TRUE(corlnm(x, y, cnt, static_cast<int>(x.size()), r, a, b));
    EXPECT_NEAR(r, c["ray"][0], 2e-6);
    EXPECT_NEAR(a, c["ray"][1], 2e-5);
    EXPECT_NEAR(b, c["ray"][2], 2e-5);

    // Every count positive: the same as over all positions.
    const auto& d = kovtest::find_case(refs(), "corlin_related");
    const auto x2 = d.floats("x"), y2 = d.floats("y");
    float r1, a1, b1, r2, a2, b2;
    corlin(x2, y2, static_cast<int>(x2.size()), r1, a1, b1);
    corlnm(x2, y2, std::vector<int>(x2.size(), 2), static_cast<int>(x2.size()), r2, a2, b2);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(a1, a2);
    EXPECT_EQ(b1, b2);
}

TEST(Corlin, WithoutVarianceTheCorrelationIsUndefinedNotNaN) {
    const std::vector<float> varying = {0.8f, 1.2f, 0.9f, 1.4f}, flat(4, 1.1f);
    // 61 values of -9.99 (a series of missing values): their 32-bit mean is
    // -9.9899952, so their deviations from it are not 0, yet equal values
    // have no variance
    std::vector<float> ramp(61), missing(61, -9.99f);
    for (int i = 0; i < 61; ++i) ramp[i] = 0.5f + 0.01f * static_cast<float>(i % 7);
    struct Case {
        const char* what;
        std::vector<float> x, y;
        int n;
        float a, b;
    } cases[] = {
        {"constant y", varying, flat, 4, 1.1f, 0.0f},  // the line is horizontal
        {"constant x", flat, varying, 4, -99.0f, -99.0f},
        {"both constant", flat, flat, 4, -99.0f, -99.0f},
        {"one value", varying, varying, 1, -99.0f, -99.0f},
        {"no values", varying, varying, 0, -99.0f, -99.0f},
        {"equal y whose mean rounds", ramp, missing, 61, -9.99f, 0.0f},
        {"equal x whose mean rounds", missing, ramp, 61, -99.0f, -99.0f},
    };
    for (const auto& c : cases) {
        float r = 0, a = 0, b = 0;
        EXPECT_FALSE(corlin(c.x, c.y, c.n, r, a, b)) << c.what;
        EXPECT_EQ(r, -99.0f) << c.what;
        EXPECT_NEAR(a, c.a, 1e-5f) << c.what;
        EXPECT_EQ(b, c.b) << c.what;
    }
    // Constant over the overlap only.
    const std::vector<float> x = {0.5f, 1.0f, 1.0f, 1.0f, 3.0f}, y = {2.0f, 1.0f, 1.5f, 0.7f, 0.1f};
    float r, a, b;
    EXPECT_FALSE(corlnm(x, y, std::vector<int>{0, 1, 1, 1, 0}, 5, r, a, b));
    EXPECT_EQ(r, -99.0f);
}

TEST(Acfpac, MatchesTheReferenceOnCompleteSeries) {
    int checked = 0;
    for (const auto& c : refs()) {
        if (c.name.rfind("acfpac_", 0) != 0) continue;
        auto x = c.floats("x");
        const auto orig = x;
        const int n = static_cast<int>(x.size());
        std::vector<float> acf(11), pacf(11), band(11);
        EXPECT_TRUE(acfpac(x, std::vector<int>(n, 1), n, 10, acf, pacf, band)) << c.name;
        for (int k = 0; k < 11; ++k) {
            EXPECT_NEAR(acf[k], c["acf"][k], 2e-6) << c.name << " lag " << k + 1;
            EXPECT_NEAR(pacf[k], c["pacf"][k], 1e-5) << c.name << " lag " << k + 1;
            EXPECT_NEAR(band[k], c["band"][k], 1e-6) << c.name << " lag " << k + 1;
        }
        for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], orig[i], 4e-7f * std::max(1.0f, std::fabs(orig[i])));
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

TEST(Acfpac, GapsDropPairsButNotTheDivisor) {
    // Counted values 1, 2, 4, 5 at positions 1, 2, 4, 5 (position 3 is a gap
    // holding junk). Mean 3, variance (4+1+1+4)/4 = 2.5, z = d / sqrt(2.5).
    // Lag 1: pairs (1,2) and (4,5): (2 + 2) / 2.5 / 4 = 0.4.
    // Lag 2: (1,3) and (3,5) straddle the gap; (2,4): -1 / 2.5 / 4 = -0.1.
    // Lag 3: (1,4) and (2,5): (-2 - 2) / 2.5 / 4 = -0.4.
    // Lag 4: (1,5): -4 / 2.5 / 4 = -0.4.
    std::vector<float> x = {1.0f, 2.0f, 77.0f, 4.0f, 5.0f};
    const std::vector<int> cnt = {1, 3, 0, 2, 1};
    std::vector<float> acf(4), pacf(4), band(4);
    ASSERT_TRUE(acfpac(x, cnt, 5, 3, acf, pacf, band));
    EXPECT_NEAR(acf[0], 0.4f, 1e-6f);
    EXPECT_NEAR(acf[1], -0.1f, 1e-6f);
    EXPECT_NEAR(acf[2], -0.4f, 1e-6f);
    EXPECT_NEAR(acf[3], -0.4f, 1e-6f);
    // pacf(2) = (acf(2) - acf(1)^2) / (1 - acf(1)^2)
    EXPECT_FLOAT_EQ(pacf[0], acf[0]);
    EXPECT_NEAR(pacf[1], (-0.1f - 0.16f) / (1.0f - 0.16f), 1e-6f);
    EXPECT_FLOAT_EQ(band[0], 1.0f);  // 2 / sqrt(4)
    EXPECT_NEAR(band[1], std::sqrt(1.0f + 2.0f * 0.16f), 1e-6f);
    EXPECT_EQ(x[2], 77.0f);
}

TEST(Acfpac, AConstantSeriesIsUndefinedNotNaN) {
    for (auto cnt : {std::vector<int>{1, 1, 1, 1}, std::vector<int>{0, 1, 0, 0}}) {
        std::vector<float> x = {0.5f, 0.5f, 0.5f, 0.5f};
        std::vector<float> acf(3), pacf(3), band(3);
        EXPECT_FALSE(acfpac(x, cnt, 4, 2, acf, pacf, band));
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(acf[k], -99.0f);
            EXPECT_EQ(pacf[k], -99.0f);
            EXPECT_EQ(band[k], -99.0f);
        }
        EXPECT_EQ(x, std::vector<float>(4, 0.5f));
    }
}

TEST(Corlnm, AndAcfpacComputeInSinglePrecisionToTheBit) {
    // References evaluated one float operation at a time (see
    // reference/float32_ref.py): sums in double would drift in the last bits.
    for (const auto& c : kovtest::read_ref_cases("float32_ref.txt")) {
        auto x = c.floats("x");
        const auto y = c.floats("y");
        const auto cnt = c.ints("cnt");
        const int n = static_cast<int>(x.size());
        const auto ray = c.floats("corlnm");
        float r, a, b;
        ASSERT_TRUE(corlnm(x, y, cnt, n, r, a, b)) << c.name;
        EXPECT_EQ(r, ray[0]) << c.name;
        EXPECT_EQ(a, ray[1]) << c.name;
        EXPECT_EQ(b, ray[2]) << c.name;

        std::vector<float> acf(11), pacf(11), band(11);
        ASSERT_TRUE(acfpac(x, cnt, n, 10, acf, pacf, band)) << c.name;
        EXPECT_EQ(acf, c.floats("acf")) << c.name;
        EXPECT_EQ(pacf, c.floats("pacf")) << c.name;
        EXPECT_EQ(band, c.floats("band")) << c.name;
    }
}
