#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "numerics/reference_cases.hpp"
#include "numerics/statistics.hpp"

using namespace kov;

namespace {

using Eight = std::array<float, 8>;
const char* const stat_names[8] = {"ave", "adev", "sdev", "var", "skew", "curt", "sens", "ac1"};

Eight run_moment(std::vector<float>& x, int n) {
    Eight r;
    moment(x, n, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
    return r;
}

Eight run_serstat(std::vector<float>& x, const std::vector<int>& cnt, int n) {
    Eight r;
    serstat(x, cnt, n, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
    return r;
}

// 32-bit sums over a few hundred values: a few parts in a million.
void expect_stats_near(const Eight& got, const std::vector<double>& ref, const std::string& name) {
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(got[k], ref[k], 2e-5 * std::max(std::fabs(ref[k]), 0.1)) << name << " " << stat_names[k];
}

// The vector comes back through standardisation and restoration: equal to a
// few units in the last place of the largest value.
void expect_restored(const std::vector<float>& x, const std::vector<float>& orig, const std::string& name) {
    float big = 0.0f;
    for (float v : orig) big = std::max(big, std::fabs(v));
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i], orig[i], 4e-7f * big) << name << " " << i;
}

const Eight all_undefined = {-99, -99, -99, -99, -99, -99, -99, -99};

}  // namespace

TEST(Moment, MatchesTheDefinitionsOnReferenceSamples) {
    int checked = 0;
    for (const auto& c : kovtest::read_ref_cases("stats_ref.txt")) {
        if (c.name.rfind("moment_", 0) != 0) continue;
        auto x = c.floats("x");
        const auto orig = x;
        expect_stats_near(run_moment(x, static_cast<int>(x.size())), c["stats"], c.name);
        expect_restored(x, orig, c.name);
        ++checked;
    }
    EXPECT_EQ(checked, 8);
}

TEST(Moment, UndefinedStatisticsAreMinus99) {
    std::vector<float> none;
    EXPECT_EQ(run_moment(none, 0), all_undefined);

    std::vector<float> one = {1.25f};
    EXPECT_EQ(run_moment(one, 1), (Eight{1.25f, -99, -99, -99, -99, -99, -99, -99}));

    // All values equal: no spread, so only the moments of spread are undefined.
    std::vector<float> flat(7, 0.83f);
    const Eight r = run_moment(flat, 7);
    EXPECT_FLOAT_EQ(r[0], 0.83f);
    EXPECT_EQ((Eight{r[1], r[2], r[3], r[4], r[5], r[6], r[7], 0}), (Eight{0, -99, 0, -99, -99, 0, -99, 0}));
}

TEST(Moment, PairsWithAMeanNotAboveZeroCountButAddNothingToSensitivity) {
    // Pairs (-1, 1) with mean 0 and (1, 3) with mean 2: (0 + 2/2) / 2 pairs.
    std::vector<float> x = {-1.0f, 1.0f, 3.0f};
    EXPECT_FLOAT_EQ(run_moment(x, 3)[6], 0.5f);
}

TEST(Serstat, MatchesTheDefinitionsOverCountedPositions) {
    int checked = 0;
    for (const auto& c : kovtest::read_ref_cases("stats_ref.txt")) {
        if (c.name.rfind("serstat_", 0) != 0) continue;
        auto x = c.floats("x");
        const auto cnt = c.ints("cnt");
        // Uncounted positions hold the missing-value code and must not move.
        for (size_t i = 0; i < x.size(); ++i)
            if (cnt[i] <= 0) x[i] = -9.99f;
        const auto orig = x;
        expect_stats_near(run_serstat(x, cnt, static_cast<int>(x.size())), c["stats"], c.name);
        expect_restored(x, orig, c.name);
        for (size_t i = 0; i < x.size(); ++i)
            if (cnt[i] <= 0) {
                EXPECT_EQ(x[i], -9.99f) << c.name << " " << i;
            }
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

TEST(Serstat, OnACompleteSeriesDiffersFromMomentOnlyInTheLag1Divisor) {
    const auto cases = kovtest::read_ref_cases("stats_ref.txt");
    const auto& c = kovtest::find_case(cases, "moment_rings300");
    auto x1 = c.floats("x");
    auto x2 = x1;
    const int n = static_cast<int>(x1.size());
    const Eight m = run_moment(x1, n);
    const Eight s = run_serstat(x2, std::vector<int>(n, 1), n);
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(s[k], m[k]) << stat_names[k];
    EXPECT_NEAR(s[7] * (n - 1) / n, m[7], 1e-6f);
}

TEST(Serstat, TooFewCountedValuesGiveMinus99) {
    std::vector<float> x = {0.5f, 1.5f, 2.0f, 0.7f, 1.1f};
    EXPECT_EQ(run_serstat(x, {0, 0, 0, 0, 0}, 5), all_undefined);
    EXPECT_EQ(run_serstat(x, {1, 1}, 0), all_undefined);
    EXPECT_EQ(run_serstat(x, {0, 0, 3, 0, 0}, 5), (Eight{2.0f, -99, -99, -99, -99, -99, -99, -99}));

    // Counted values but no two of them neighbours: the pair statistics are
    // undefined, the others are not.
    const Eight r = run_serstat(x, {1, 0, 1, 0, 1}, 5);
    EXPECT_FLOAT_EQ(r[0], (0.5f + 2.0f + 1.1f) / 3.0f);
    EXPECT_GT(r[3], 0.0f);
    EXPECT_EQ(r[6], -99.0f);
    EXPECT_EQ(r[7], -99.0f);
}

TEST(Fivnum, AgreesWithTukeysHingesAndLeavesTheSampleSorted) {
    int checked = 0;
    for (const auto& c : kovtest::read_ref_cases("fivenum_ref.txt")) {
        auto x = c.floats("x");
        const int n = static_cast<int>(x.size());
        float xmed, xuh, xlh, xiqr, xmin, xmax;
        fivnum(x, n, xmed, xuh, xlh, xiqr, xmin, xmax);
        const auto& five = c["five"];  // min, lower hinge, median, upper hinge, max
        const double tol = 1e-6 * std::max(1.0, std::fabs(five[4]) + std::fabs(five[0]));
        EXPECT_NEAR(xmin, five[0], tol) << c.name;
        EXPECT_NEAR(xlh, five[1], tol) << c.name;
        EXPECT_NEAR(xmed, five[2], tol) << c.name;
        EXPECT_NEAR(xuh, five[3], tol) << c.name;
        EXPECT_NEAR(xmax, five[4], tol) << c.name;
        EXPECT_FLOAT_EQ(xiqr, xuh - xlh) << c.name;
        EXPECT_TRUE(std::is_sorted(x.begin(), x.end())) << c.name;
        ++checked;
    }
    EXPECT_EQ(checked, 18);
}

TEST(Sumstat, SummarisesOnlyTheKeptValues) {
    const auto cases = kovtest::read_ref_cases("fivenum_ref.txt");
    for (const char* name : {"n1", "n8", "ties", "n250"}) {
        const auto& c = kovtest::find_case(cases, name);
        const auto x = c.floats("x");
        // Every value of the sample kept, with values that are not kept
        // (zero and negative keep flags) between them.
        std::vector<float> a;
        std::vector<int> keep;
        for (size_t i = 0; i < x.size(); ++i) {
            a.push_back(1000.0f + i);
            keep.push_back(i % 2 ? 0 : -1);
            a.push_back(x[i]);
            keep.push_back(static_cast<int>(1 + i % 3));
        }
        const auto a_orig = a;
        std::vector<float> work(a.size(), 0.0f);
        float xmed, xuh, xlh, xiqr, xmin, xmax;
        sumstat(a, work, keep, static_cast<int>(a.size()), xmed, xuh, xlh, xiqr, xmin, xmax);
        const auto& five = c["five"];
        EXPECT_NEAR(xmin, five[0], 1e-5) << name;
        EXPECT_NEAR(xlh, five[1], 1e-5) << name;
        EXPECT_NEAR(xmed, five[2], 1e-5) << name;
        EXPECT_NEAR(xuh, five[3], 1e-5) << name;
        EXPECT_NEAR(xmax, five[4], 1e-5) << name;
        EXPECT_EQ(a, a_orig);
        auto sorted = x;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(std::equal(sorted.begin(), sorted.end(), work.begin())) << name;
    }
    std::vector<float> a = {1.0f, 2.0f}, work(2);
    float r[6];
    sumstat(a, work, std::vector<int>{0, 0}, 2, r[0], r[1], r[2], r[3], r[4], r[5]);
    EXPECT_TRUE(std::all_of(r, r + 6, [](float v) { return v == -99.0f; }));
}

TEST(Sortr, SortsEveryShapeOfInput) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> u(-5.0f, 5.0f);
    std::vector<std::vector<float>> inputs;
    inputs.push_back({});
    inputs.push_back({3.5f});
    inputs.push_back({2.0f, 1.0f});
    std::vector<float> r(1000);
    for (auto& v : r) v = u(gen);
    inputs.push_back(r);
    std::vector<float> ties(777);
    for (auto& v : ties) v = static_cast<float>(static_cast<int>(u(gen)));  // eleven distinct values
    inputs.push_back(ties);
    inputs.push_back(std::vector<float>(500, 0.25f));
    // Long already-sorted, reverse-sorted and organ-pipe inputs: the pending
    // segments must stay few.
    std::vector<float> up(100000);
    std::iota(up.begin(), up.end(), 0.0f);
    inputs.push_back(up);
    inputs.push_back(std::vector<float>(up.rbegin(), up.rend()));
    std::vector<float> pipe(up.begin(), up.begin() + 50000);
    pipe.insert(pipe.end(), up.rbegin() + 50000, up.rend());
    inputs.push_back(pipe);
    for (const auto& in : inputs) {
        auto x = in;
        auto expect = in;
        std::sort(expect.begin(), expect.end());
        sortr(static_cast<int>(x.size()), x);
        EXPECT_EQ(x, expect) << "n = " << in.size();
    }
    // Only the first n values are sorted.
    std::vector<float> part = {3.0f, 1.0f, 2.0f, 0.0f};
    sortr(3, part);
    EXPECT_EQ(part, (std::vector<float>{1.0f, 2.0f, 3.0f, 0.0f}));
}

TEST(Selkth, ReturnsTheKthSmallestWithoutTouchingTheSample) {
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> u(0, 40);
    std::vector<float> x(301);
    for (auto& v : x) v = u(gen) * 0.5f;  // many ties
    const auto orig = x;
    auto sorted = x;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 1; k <= 301; ++k) ASSERT_EQ(selkth(x, 301, k), sorted[k - 1]) << k;
    EXPECT_EQ(x, orig);
    EXPECT_EQ(selkth(x, 301, 0), sorted.front());
    EXPECT_EQ(selkth(x, 301, 400), sorted.back());
    EXPECT_EQ(selkth(x, 0, 1), -99.0f);
}

TEST(Moment, AndSerstatComputeInSinglePrecisionToTheBit) {
    // The references are the definitions evaluated one float operation at a
    // time: a routine that sums in double (or fuses operations) drifts from
    // them in the last bits, which decide the last printed decimal.
    for (const auto& c : kovtest::read_ref_cases("float32_ref.txt")) {
        auto x = c.floats("x");
        const int n = static_cast<int>(x.size());
        const auto m = c.floats("moment"), s = c.floats("serstat");
        auto x1 = x;
        const Eight got_m = run_moment(x1, n);
        auto x2 = x;
        const Eight got_s = run_serstat(x2, c.ints("cnt"), n);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(got_m[k], m[k]) << c.name << " moment " << stat_names[k];
            EXPECT_EQ(got_s[k], s[k]) << c.name << " serstat " << stat_names[k];
        }
    }
}
