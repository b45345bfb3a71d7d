#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "chronology/bootstrap_limits.hpp"
#include "chronology/uniform_normal.hpp"
#include "numerics/robust_mean.hpp"
#include "shared/tables.hpp"

using namespace kov;

namespace {
class MeanType {
public:
    explicit MeanType(int type) : saved_(shared().optval(12, 1)) { shared().optval(12, 1) = type; }
    ~MeanType() { shared().optval(12, 1) = saved_; }

private:
    int saved_;
};

struct BootYear {
    const char* name;
    int mean_type;
    std::vector<float> x;
    double lower, upper;
};

// Computed once by reference/bootstrap_reference.py: one generator state runs
// through the years in this order, as through the years of a chronology.
const std::vector<BootYear> years = {
#include "chronology/reference/bootstrap_reference.inc"
};

// The year's own mean, computed here by hand: the arithmetic mean summed in
// order, or the median; the biweight is the builder's, from the mean routine.
float own_mean(std::vector<float> x, int type) {
    if (type == 2) {
        std::vector<float> wk(x.size()), wt(x.size());
        float xbar, sd, se, eff = 1.0f;
        int iter;
        biwgt(x, wk, 7.5f, static_cast<int>(x.size()), xbar, sd, se, eff, iter, wt);
        return xbar;
    }
    if (type == 1) {
        float s = 0.0f;
        for (float v : x) s += v;
        return s / static_cast<float>(x.size());
    }
    std::sort(x.begin(), x.end());
    const size_t h = x.size() / 2;
    return (x[h] + x[x.size() - h - 1]) / 2.0f;
}
}  // namespace

TEST(BootstrapYear, LimitsOfSuccessiveYearsMatchReference) {
    std::array<int, 3> iseed = iseed_start;
    BootWork work(64);
    for (const BootYear& y : years) {
        SCOPED_TRACE(y.name);
        MeanType mt(y.mean_type);
        std::vector<float> x = y.x;
        const float theta = own_mean(x, y.mean_type);
        float lower = -1.0f, upper = -1.0f;
        bootstrap_year(x, static_cast<int>(x.size()), theta, iseed, work, lower, upper);
        // Means and medians of these values are exact in both, so the limits
        // must agree exactly; the reference forms biweight means in double.
        const double tol = y.mean_type == 2 ? 1e-5 : 0.0;
        EXPECT_NEAR(lower, y.lower, tol);
        EXPECT_NEAR(upper, y.upper, tol);
        EXPECT_EQ(x, y.x);  // the year's values come back unsorted and whole
    }
}

TEST(BootstrapYear, ThinYearsTakeTheirMeanAndDrawNothing) {
    MeanType mt(1);
    BootWork work(8);
    for (int d : {0, 1, 5}) {
        SCOPED_TRACE(d);
        std::array<int, 3> iseed = iseed_start;
        std::vector<float> x(static_cast<size_t>(d), 0.5f);
        float lower = 0.0f, upper = 0.0f;
        bootstrap_year(x, d, d == 0 ? 1.0f : 0.5f, iseed, work, lower, upper);
        EXPECT_EQ(lower, d == 0 ? 1.0f : 0.5f);
        EXPECT_EQ(upper, lower);
        EXPECT_EQ(iseed, iseed_start);
    }
}

TEST(BootstrapYear, IdenticalDataAfterResetGiveIdenticalLimits) {
    MeanType mt(2);  // the robust mean, as most chronologies use
    const std::vector<float> x0 = {0.91f, 1.12f, 0.87f, 1.30f, 0.95f, 1.02f, 0.78f, 1.21f, 1.05f, 0.99f};
    BootWork work(16);
    float lo[2], hi[2];
    for (int run = 0; run < 2; ++run) {
        std::vector<float> x = x0;
        std::array<int, 3> iseed = iseed_start;
        bootstrap_year(x, 10, 1.0f, iseed, work, lo[run], hi[run]);
    }
    EXPECT_EQ(lo[0], lo[1]);
    EXPECT_EQ(hi[0], hi[1]);
    EXPECT_LT(lo[0], hi[0]);
}

TEST(Mcconf, UnbiasedReplicatesGiveThePercentileIndices) {
    // t = 1000 .. 1 and theta = 500.5: 500 replicates below theta, so the
    // mid-rank is 500, z0 = ppnd(0.5) = 0, and with no acceleration the
    // bias-corrected and BCa indices are int(0.0249979 x 1001 + 0.5) = 25 and
    // int(0.9750021 x 1001 + 0.5) = 976, the same as the percentile ones
    // int(1001 x 0.025 + 0.5) = 25 and int(1001 x 0.975 + 0.5) = 976.
    std::vector<float> t(1000);
    for (int i = 0; i < 1000; ++i) t[i] = static_cast<float>(1000 - i);
    float c[8];
    int ier = -1;
    mcconf(500.5f, 95.0f, 1000, 0.0f, t, 1, 0.0f, 1, 0.0f, c, ier);
    EXPECT_EQ(ier, 0);
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end()));
    EXPECT_EQ(c[2], 25.0f);
    EXPECT_EQ(c[3], 976.0f);
    EXPECT_EQ(c[4], 25.0f);
    EXPECT_EQ(c[5], 976.0f);
    EXPECT_EQ(c[6], 25.0f);
    EXPECT_EQ(c[7], 976.0f);
    // Normal limits: theta -+ 1.959964 s, s = sqrt(1000 x 1001 / 12) = 288.82
    EXPECT_NEAR(c[0], 500.5f - 1.959964f * 288.8194f, 0.01f);
    EXPECT_NEAR(c[1], 500.5f + 1.959964f * 288.8194f, 0.01f);
}

TEST(Mcconf, ErrorsLeaveEveryLimitAtTheEstimate) {
    struct Case {
        const char* name;
        float theta, alpha;
        int nb;
        int ier;
    };
    const Case cases[] = {
        {"every replicate above theta", 0.5f, 95.0f, 1000, 3},
        {"every replicate below theta", 2000.0f, 95.0f, 1000, 4},
        {"alpha 100", 500.5f, 100.0f, 1000, 6},
        {"alpha 0", 500.5f, 0.0f, 1000, 7},
        {"too few replicates for the lower index", 50.5f, 95.0f, 100, 5},
        {"one replicate at 1%: both percentile indices 1", 0.5f, 1.0f, 1, 7},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<float> t(k.nb);
        std::iota(t.begin(), t.end(), 1.0f);  // replicates 1, 2, ..., nb
        float c[8];
        int ier = 0;
        mcconf(k.theta, k.alpha, k.nb, 0.0f, t, 1, 0.0f, 1, 0.0f, c, ier);
        EXPECT_EQ(ier, k.ier);
        for (float v : c) EXPECT_EQ(v, k.theta);
    }
}

TEST(Mcconf, FixedRangeEndsRefuseReplicatesOutsideThem) {
    std::vector<float> t(1000);
    std::iota(t.begin(), t.end(), 1.0f);
    float c[8];
    int ier = 0;
    mcconf(500.5f, 95.0f, 1000, 0.0f, t, 0, 10.0f, 1, 0.0f, c, ier);
    EXPECT_EQ(ier, 1);
    std::iota(t.begin(), t.end(), 1.0f);
    mcconf(500.5f, 95.0f, 1000, 0.0f, t, 1, 0.0f, 0, 999.0f, c, ier);
    EXPECT_EQ(ier, 2);
    std::iota(t.begin(), t.end(), 1.0f);
    mcconf(500.5f, 95.0f, 1000, 0.0f, t, 0, 0.0f, 0, 1000.0f, c, ier);
    EXPECT_EQ(ier, 0);
}

TEST(Bcaidx, AccelerationMovesOnlyTheBcaIndices) {
    // z0 = 0, zc = 1.96, a = 0.1: zl = -1.96 / 1.196 = -1.638796,
    // zu = 1.96 / 0.804 = 2.437811; Phi(zl) = 0.050623, Phi(zu) = 0.992612
    // (tables), so k3 = int(50.67 + 0.5) = 51, k4 = int(993.60 + 0.5) = 994.
    std::vector<float> t(1000);
    std::iota(t.begin(), t.end(), 1.0f);
    int k1 = 0, k2 = 0, k3 = 0, k4 = 0, ier = 0;
    bcaidx(500.5f, 1000, 0.1f, t, 1.959964f, k1, k2, k3, k4, ier);
    EXPECT_EQ(ier, 0);
    EXPECT_EQ(k1, 25);
    EXPECT_EQ(k2, 976);
    EXPECT_EQ(k3, 51);
    EXPECT_EQ(k4, 994);
}

TEST(Dropms, GathersTheValuesNotLeftOut) {
    const std::vector<float> x = {1.5f, left_out, 2.0f, left_out, 0.25f};
    std::vector<float> y(5, -1.0f);
    int m = -1;
    dropms(5, x, m, y);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(std::vector<float>(y.begin(), y.begin() + 3), (std::vector<float>{1.5f, 2.0f, 0.25f}));
}

TEST(Bcajak, JackknifeValuesOfTheArithmeticMean) {
    // For the mean, theta - theta(i) = (x(i) - mean) / (n - 1), so
    // u(i) = x(i) - mean: here 1 - 2, 2 - 2, 3 - 2 = -1, 0, 1 (no skewness).
    MeanType mt(1);
    std::vector<float> x = {1.0f, 2.0f, 3.0f}, y(3), u(3), wk(3), wt(3);
    std::vector<float> t(1000);
    for (int i = 0; i < 1000; ++i) t[i] = 1.0f + static_cast<float>(i) / 500.0f;
    float limits[8];
    bcajak(x, y, u, 3, 95.0f, 2.0f, limits, 1000, t, wk, wt);
    EXPECT_EQ(u, (std::vector<float>{-1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(x, (std::vector<float>{1.0f, 2.0f, 3.0f}));
    // t(k) = 1 + (k - 1) / 500; nlt = 500, nle = 501, m = 501, z0 > 0 a little.
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end()));
    EXPECT_LT(limits[6], 1.1f);
    EXPECT_GT(limits[7], 2.9f);
}

namespace {
// The bootstrap of a year done the plain way: every resample drawn into a
// vector and handed to the mean routine, every jackknife sample gathered and
// handed to it too; the limits from mcconf.
void plain_bootstrap(std::vector<float> x, float theta, std::array<int, 3>& iseed, float& lower, float& upper) {
    const int d = static_cast<int>(x.size());
    const int nb = d == 6 ? 700 : 1000;
    std::vector<float> r(d), wk(d), wt(d), t(nb), y(d), u(d);
    auto mean = [&](std::vector<float> v, int n) {
        float xbar, sd, se, eff = 1.0f;
        int iter;
        biwgt(v, wk, 7.5f, n, xbar, sd, se, eff, iter, wt);
        return xbar;
    };
    for (int b = 0; b < nb; ++b) {
        for (int k = 0; k < d; ++k)
            r[k] = x[std::min(static_cast<int>(static_cast<float>(d) * ranwh(iseed)), d - 1)];
        t[b] = mean(r, d);
    }
    for (int i = 0; i < d; ++i) {
        const float kept = x[i];
        x[i] = left_out;
        int m = 0;
        dropms(d, x, m, y);
        u[i] = (theta - mean(y, m)) * static_cast<float>(d - 1);
        x[i] = kept;
    }
    float s2 = 0.0f, s3 = 0.0f;
    for (int i = 0; i < d; ++i) {
        s2 += u[i] * u[i];
        s3 += u[i] * u[i] * u[i];
    }
    const float denom = 6.0f * std::pow(s2, 1.5f);
    const float a = denom > 0.0f ? s3 / denom : 0.0f;
    float c[8];
    int ier = 0;
    mcconf(theta, 95.0f, nb, a, t, 1, 0.0f, 1, 0.0f, c, ier);
    lower = c[6];
    upper = c[7];
}
}  // namespace

TEST(BootstrapYear, OrderingResamplesByCountsGivesThePlainLimitsToTheBit) {
    // Years of six values (700 replicates), a few more, and many, with ties
    // as ring widths in 0.01 mm have them; one generator state runs through
    // the years of each mean type as through a chronology.
    std::mt19937 gen(17);
    std::uniform_int_distribution<int> widths(40, 180);
    std::vector<std::vector<float>> years;
    for (int d : {6, 7, 9, 25, 60}) {
        std::vector<float> v(d);
        for (float& x : v) x = static_cast<float>(widths(gen)) / 100.0f;
        years.push_back(v);
    }
    years.push_back({1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.4f, 0.6f});  // half the values alike
    for (int type : {2, 1, -50, -30}) {
        MeanType mt(type);
        std::array<int, 3> fast_seed = iseed_start, plain_seed = iseed_start;
        BootWork work(4);  // too small: grows to the deepest year
        for (const auto& year : years) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", " << year.size() << " values");
            std::vector<float> x = year;
            const float theta = own_mean(year, type == 2 ? 2 : type == 1 ? 1 : -50);
            float lo = 0, hi = 0, plain_lo = 0, plain_hi = 0;
            bootstrap_year(x, static_cast<int>(x.size()), theta, fast_seed, work, lo, hi);
            plain_bootstrap(year, theta, plain_seed, plain_lo, plain_hi);
            EXPECT_EQ(lo, plain_lo);
            EXPECT_EQ(hi, plain_hi);
            EXPECT_EQ(fast_seed, plain_seed);
            EXPECT_EQ(x, year);
        }
    }
}
