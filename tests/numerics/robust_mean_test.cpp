#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "numerics/reference_cases.hpp"
#include "numerics/robust_mean.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

// Sets the mean type for a test and puts the caller's value back.
class MeanType {
public:
    explicit MeanType(int type) : saved_(shared().optval(12, 1)) { shared().optval(12, 1) = type; }
    ~MeanType() { shared().optval(12, 1) = saved_; }

private:
    int saved_;
};

struct Result {
    float xbar = 0, sd = 0, se = 0, eff = 0;
    int iter = -1;
};

Result run(std::vector<float>& x, std::vector<float>& wt, int n = -1) {
    if (n < 0) n = static_cast<int>(x.size());
    std::vector<float> wk(std::max<size_t>(x.size(), 1));
    Result r;
    biwgt(x, wk, 7.5f, n, r.xbar, r.sd, r.se, r.eff, r.iter, wt);
    return r;
}

Result run(std::vector<float>& x) {
    std::vector<float> wt(x.size(), -1.0f);
    return run(x, wt);
}

}  // namespace

TEST(Biwgt, BiweightMatchesFourLocationPassesOfTheReference) {
    MeanType type(2);
    const auto cases = kovtest::read_ref_cases("robust_ref.txt");
    for (const auto& c : cases) {
        auto x = c.floats("x");
        std::vector<float> wt(x.size(), -1.0f);
        const Result r = run(x, wt);
        const auto& ref = c["biweight"];  // location, scale, standard error, efficiency
        EXPECT_NEAR(r.xbar, ref[0], 2e-6 * std::fabs(ref[0])) << c.name;
        EXPECT_NEAR(r.sd, ref[1], 2e-5 * ref[1]) << c.name;
        EXPECT_NEAR(r.se, ref[2], 2e-5 * ref[2]) << c.name;
        EXPECT_NEAR(r.eff, ref[3], 5e-5 * ref[3]) << c.name;
        EXPECT_EQ(r.iter, 3) << c.name;
        EXPECT_TRUE(std::is_sorted(x.begin(), x.end())) << c.name;
        const auto& wref = c["wt"];
        for (size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(wt[i], wref[i], 2e-5) << c.name << " " << i;
    }
}

TEST(Biwgt, ArithmeticMeanLeavesTheSampleInItsOrder) {
    MeanType type(1);
    const auto cases = kovtest::read_ref_cases("robust_ref.txt");
    for (const auto& c : cases) {
        auto x = c.floats("x");
        const auto orig = x;
        std::vector<float> wt(x.size(), -1.0f);
        const Result r = run(x, wt);
        const auto& ref = c["arith"];  // mean, sample standard deviation, standard error
        EXPECT_NEAR(r.xbar, ref[0], 1e-5 * std::fabs(ref[0])) << c.name;
        EXPECT_NEAR(r.sd, ref[1], 2e-5 * ref[1]) << c.name;
        EXPECT_NEAR(r.se, ref[2], 2e-5 * ref[2]) << c.name;
        EXPECT_EQ(r.eff, 1.0f);
        EXPECT_EQ(r.iter, 0);
        EXPECT_EQ(x, orig) << c.name;
        EXPECT_TRUE(std::all_of(wt.begin(), wt.end(), [](float w) { return w == -1.0f; })) << c.name;
    }
}

TEST(Biwgt, QuantilesPickOrderStatistics) {
    // Samples given shuffled; the expected values index the sorted sample.
    std::vector<float> s10 = {7, 3, 10, 1, 9, 5, 2, 8, 6, 4};                  // sorted: 1..10
    std::vector<float> s15 = {15, 2, 9, 11, 1, 14, 3, 8, 13, 4, 12, 7, 6, 10, 5};  // sorted: 1..15
    std::vector<float> s4 = {4, 1, 3, 2};
    std::vector<float> s5 = {50, 10, 40, 20, 30};
    struct Case {
        std::vector<float>* x;
        int type;
        float expect;
    } cases[] = {
        {&s4, -50, 2.5f},  {&s4, -100, 4.0f}, {&s4, -1, 1.0f},   {&s4, -25, 1.5f}, {&s4, -75, 3.5f},
        {&s10, -90, 9.0f},    // p = 9: x(9) twice
        {&s15, -90, 13.5f},   // p = 13.5: (x(13) + x(14)) / 2
        {&s10, -33, 3.0f},    // p = 3.3: x(3) with x(int(3.8)) = x(3)
        {&s10, -37, 3.5f},    // p = 3.7: x(3) with x(int(4.2)) = x(4)
        {&s5, -10, 10.0f},    // p = 0.5: below the first value, held to x(1)
        {&s5, -150, 50.0f},   // p = 7.5: past the last value, held to x(5)
    };
    for (const auto& c : cases) {
        MeanType type(c.type);
        auto x = *c.x;
        const Result r = run(x);
        EXPECT_FLOAT_EQ(r.xbar, c.expect) << "type " << c.type << " n " << x.size();
        EXPECT_EQ(r.sd, 0.0f);
        EXPECT_EQ(r.se, 0.0f);
        EXPECT_EQ(r.eff, 0.0f);
        EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
    }
}

TEST(Biwgt, SmallAndDegenerateSamplesFallBackToTheMedian) {
    MeanType type(2);
    {  // one value, whatever the type: no sort, zero spread
        for (int t : {1, 2, -50}) {
            MeanType tt(t);
            std::vector<float> x = {0.42f};
            const Result r = run(x);
            EXPECT_EQ(r.xbar, 0.42f);
            EXPECT_EQ(r.sd + r.se + r.eff, 0.0f);
            EXPECT_EQ(r.iter, 0);
        }
    }
    {  // five values: median and 1.5 MAD, also when the MAD is 0
        std::vector<float> x = {1.4f, 0.8f, 1.0f, 5.0f, 1.1f};  // median 1.1, deviations .3 .3 .1 3.9 0 -> MAD .3
        std::vector<float> wt(5, -1.0f);
        const Result r = run(x, wt);
        EXPECT_FLOAT_EQ(r.xbar, 1.1f);
        EXPECT_NEAR(r.sd, 0.45f, 1e-6f);
        EXPECT_NEAR(r.se, 0.45f / std::sqrt(5.0f), 1e-6f);
        EXPECT_EQ(r.eff, 1.0f);
        EXPECT_EQ(r.iter, 0);
        EXPECT_TRUE(std::all_of(wt.begin(), wt.end(), [](float w) { return w == -1.0f; }));
        std::vector<float> flat = {2.0f, 2.0f, 2.0f, 7.0f, 2.0f};
        const Result f = run(flat);
        EXPECT_EQ(f.xbar, 2.0f);
        EXPECT_EQ(f.sd, 0.0f);
        EXPECT_EQ(f.eff, 1.0f);
    }
    {  // six or more values, at least half equal: MAD 0, the median with zero
       // spread and a defined efficiency
        std::vector<float> x = {3.0f, 1.0f, 1.0f, 9.0f, 1.0f, 1.0f, 0.5f};
        std::vector<float> wt(7, -1.0f);
        const Result r = run(x, wt);
        EXPECT_EQ(r.xbar, 1.0f);
        EXPECT_EQ(r.sd, 0.0f);
        EXPECT_EQ(r.se, 0.0f);
        EXPECT_EQ(r.eff, 1.0f);
        EXPECT_EQ(r.iter, 0);
        EXPECT_TRUE(std::all_of(wt.begin(), wt.end(), [](float w) { return w == -1.0f; }));
    }
}

TEST(Biwgt, FarOutliersGetNoWeightAndWeightsMapBackToTheirValues) {
    MeanType type(2);
    // Median 1.0, MAD 0.05: values 7.5 MADs or more from the location weigh 0.
    std::vector<float> x = {1.05f, 0.9f, 3.0f, 1.0f, 1.1f, 0.95f, 1.0f, -1.5f, 1.02f};
    const auto orig = x;
    std::vector<float> wk(9), wt(9, -1.0f);
    std::vector<int> perm(9, 0);
    float xbar, sd, se, eff;
    int iter;
    biwgt(x, wk, 7.5f, 9, xbar, sd, se, eff, iter, wt, perm);
    ASSERT_EQ(iter, 3);
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(x[i], orig[perm[i] - 1]) << i;  // the permutation names where each value came from
        if (orig[perm[i] - 1] == 3.0f || orig[perm[i] - 1] == -1.5f)
            EXPECT_EQ(wt[i], 0.0f);
        else
            EXPECT_GT(wt[i], 0.5f);
    }
    auto seen = perm;
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 9; ++i) EXPECT_EQ(seen[i], i + 1);
}

TEST(Biwgt, AnEmptySampleStopsTheProgram) {
    MeanType type(2);
    kovtest::ScriptedConsole sc("\n");
    std::vector<float> x(1), wk(1), wt(1);
    float xbar = 0, sd, se, eff;
    int iter = 7;
    try {
        biwgt(x, wk, 7.5f, 0, xbar, sd, se, eff, iter, wt);
        FAIL() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
        EXPECT_STREQ(s.what(), "");
    }
    EXPECT_EQ(xbar, -999.0f);
    EXPECT_EQ(iter, 0);
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"fatal error in biwgt: n is zero or negative"}));
}

TEST(Biwgt, ArithmeticMeanIsComputedInSinglePrecisionToTheBit) {
    // References evaluated one float operation at a time (see
    // reference/float32_ref.py), on long samples where 32-bit sums lose digits.
    MeanType type(1);
    for (const auto& c : kovtest::read_ref_cases("float32_ref.txt")) {
        auto x = c.floats("x");
        std::vector<float> wt(x.size());
        const Result r = run(x, wt);
        const auto ref = c.floats("arith");  // mean, standard deviation, standard error
        EXPECT_EQ(r.xbar, ref[0]) << c.name;
        EXPECT_EQ(r.sd, ref[1]) << c.name;
        EXPECT_EQ(r.se, ref[2]) << c.name;
    }
}

TEST(Biwgt, LocationOfASortedSampleIsTheMeanRoutinesToTheBit) {
    // The bootstrap takes each resample's location from its sorted values
    // without the routine's own sort; every mean type but the arithmetic must
    // give exactly the routine's estimate: small samples (median fallbacks),
    // many ties (a zero median absolute deviation), and the full biweight.
    std::vector<std::vector<float>> samples = {
        {0.91f},
        {0.91f, 1.12f},
        {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.3f, 0.2f},
        {0.5f, 0.7f, 0.7f, 0.7f, 1.9f},
    };
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> widths(20, 260);
    for (int n : {6, 7, 12, 13, 50, 51}) {
        std::vector<float> v(n);
        for (float& x : v) x = static_cast<float>(widths(gen)) / 100.0f;  // 0.01 mm widths, many ties
        samples.push_back(v);
    }
    for (int type : {2, 0, -1, -25, -50, -75, -100, -33, -90}) {
        MeanType mt(type);
        for (const auto& sample : samples) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", n " << sample.size());
            std::vector<float> x = sample;
            const Result r = run(x);  // leaves x sorted
            EXPECT_EQ(detail::location_of_sorted(x.data(), static_cast<int>(x.size()), 7.5f, type), r.xbar);
        }
    }
}
