#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "armodel/growth_release.hpp"
#include "shared/capacities.hpp"
#include "shared/tables.hpp"

using namespace kov;

namespace {

// Growth changes of np values, 0 but for a rise 0.1, 0.2 to a peak of 0.5 at
// each position of `peaks` (1-based), falling to 0.3 after it.
std::vector<float> changes(int np, const std::vector<int>& peaks) {
    std::vector<float> pg(static_cast<size_t>(np), 0.0f);
    for (int j : peaks) {
        pg[static_cast<size_t>(j - 3)] = 0.1f;
        pg[static_cast<size_t>(j - 2)] = 0.2f;
        pg[static_cast<size_t>(j - 1)] = 0.5f;
        if (j < np) pg[static_cast<size_t>(j)] = 0.3f;
    }
    return pg;
}

std::vector<std::string> detect(const std::vector<float>& pg, int msep, int method, int k = 0,
                                float later_mean = 2.0f) {
    const size_t np = pg.size();
    std::vector<float> rm1(np, 1.0f), se1(np, 0.1f), rm2(np, later_mean), se2(np, 0.1f);
    return reldet(rm1, se1, rm2, se2, pg, static_cast<int>(np), 1900, msep, 25, k, method);
}

}  // namespace

TEST(GrowthRelease, ReleaseYears) {
    using Years = std::vector<std::string>;
    struct Case {
        const char* what;
        std::vector<float> pg;
        int msep, method, k;
        float later_mean;
        Years want;
    };
    std::vector<float> flat_top = changes(12, {5});
    flat_top[5] = 0.5f;  // pg(6) = pg(5): the second of the two years fails the rise
    const std::vector<Case> cases = {
        // np = 4 (n = 2m + 3): no candidate; np = 5: only j = 3
        {"np 4", changes(4, {3}), 10, 2, 0, 2.0f, {}},
        {"np 5", changes(5, {3}), 10, 2, 0, 2.0f, {"1902"}},
        // m = 10: peaks 10 years apart give one release, 11 years apart two
        {"10 apart", changes(40, {5, 15}), 10, 2, 0, 2.0f, {"1904"}},
        {"11 apart", changes(40, {5, 16}), 10, 2, 0, 2.0f, {"1904", "1915"}},
        // a dropped candidate does not move the reference year
        {"chain", changes(40, {5, 12, 16}), 10, 2, 0, 2.0f, {"1904", "1915"}},
        {"flat top", flat_top, 10, 2, 0, 2.0f, {"1904"}},
        // method 3: with k = 0 as method 2; later mean not beyond k errors: nothing
        {"method 3, k 0", changes(40, {5, 16}), 10, 3, 0, 2.0f, {"1904", "1915"}},
        {"method 3, within errors", changes(40, {5, 16}), 10, 3, 5, 2.0f, {}},
        {"method 3, beyond errors", changes(40, {5, 16}), 10, 3, 4, 2.0f, {"1904", "1915"}},
        {"other method", changes(40, {5, 16}), 10, 1, 0, 2.0f, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(detect(c.pg, c.msep, c.method, c.k, c.later_mean), c.want) << c.what;
    // the threshold is strict: a peak of exactly T percent is no release
    std::vector<float> at_threshold = changes(12, {5});
    at_threshold[4] = 0.25f;
    at_threshold[5] = 0.2f;
    EXPECT_TRUE(detect(at_threshold, 10, 2).empty());
}

// Running means, their standard errors and the growth change by hand: values
// 1..10, window 5: rm(1) = 3, sd = sqrt(2.5), se = sqrt(2.5 / 5) = 0.70711;
// rm(6) = 8, so pg(1) = (8 - 3) / 3; np = 10 - 5 + 1 - 5 = 1.
TEST(GrowthRelease, RunningMeansAndGrowthChange) {
    shared().optval(20, 1) = 2;
    std::vector<float> x(mxy), rm(mxy, -1.0f), se(mxy, -1.0f), pg(mxy, -1.0f);
    for (int i = 0; i < 10; ++i) x[static_cast<size_t>(i)] = static_cast<float>(i + 1);
    int iyr = 1801, n = 10, plot = 0;
    grochg(x, "ABC", iyr, n, 5, 20, 1, 'n', rm, se, pg, plot);
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(rm[static_cast<size_t>(i)], 3.0f + static_cast<float>(i));
    EXPECT_NEAR(se[0], 0.70711f, 1e-5);
    EXPECT_NEAR(pg[0], 5.0f / 3.0f, 1e-6);
    EXPECT_EQ(pg[1], -1.0f);
    EXPECT_EQ(iyr, 1801);
    EXPECT_EQ(n, 10);

    // shorter than the window: no mean, no change
    std::fill(rm.begin(), rm.end(), -1.0f);
    std::fill(pg.begin(), pg.end(), -1.0f);
    n = 4;
    grochg(x, "ABC", iyr, n, 5, 20, 1, 'n', rm, se, pg, plot);
    EXPECT_EQ(rm[0], -1.0f);
    EXPECT_EQ(pg[0], -1.0f);
    // a window below two years has no spread: nothing computed, no NaN
    n = 10;
    grochg(x, "ABC", iyr, n, 1, 20, 1, 'n', rm, se, pg, plot);
    EXPECT_EQ(rm[0], -1.0f);
}

// The prefilter: 100 values from 1801 become 98 from 1802, each the 0.25,
// 0.5, 0.25 weighting of a value and its neighbours.
TEST(GrowthRelease, Prefilter) {
    std::vector<float> x(mxy), rm(mxy), se(mxy), pg(mxy);
    for (int i = 0; i < 100; ++i) x[static_cast<size_t>(i)] = static_cast<float>((i * 37) % 11);
    const std::vector<float> before(x.begin(), x.begin() + 100);
    int iyr = 1801, n = 100, plot = 0;
    for (char answer : {'y', 'Y'}) {
        std::vector<float> v = x;
        iyr = 1801;
        n = 100;
        grochg(v, "ABC", iyr, n, 10, 20, 1, answer, rm, se, pg, plot);
        EXPECT_EQ(n, 98);
        EXPECT_EQ(iyr, 1802);
        for (int i = 0; i < 98; ++i)
            EXPECT_FLOAT_EQ(v[static_cast<size_t>(i)], 0.25f * before[static_cast<size_t>(i)] +
                                                           0.5f * before[static_cast<size_t>(i + 1)] +
                                                           0.25f * before[static_cast<size_t>(i + 2)]);
    }
}
