#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "numerics/correlation.hpp"
#include "numerics/pair_correlations.hpp"

using namespace kov;

namespace {

// The bits of a float: a correlation must come out of the pair engines
// exactly as corlin gives it, not merely close.
std::uint32_t bits(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// corlin's r of two stretches, or no_correlation where corlin has none.
float corlin_r(const float* x, const float* y, int n) {
    float r, a, b;
    return corlin(std::span<const float>(x, n), std::span<const float>(y, n), n, r, a, b) ? r : no_correlation;
}

// Ring-width-like series: a shared signal, noise of each series' own, and
// widths in 0.01 mm steps, so that sums round as real data round them. Some
// series are constant (no correlation) and some repeat another exactly.
std::vector<std::vector<float>> make_series(int m, int length, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<float> noise(0.0f, 0.3f);
    std::vector<float> common(length);
    for (float& c : common) c = noise(gen);
    std::vector<std::vector<float>> s(m, std::vector<float>(length));
    for (int a = 0; a < m; ++a)
        for (int t = 0; t < length; ++t)
            s[a][t] = std::round((1.2f + common[t] + noise(gen)) * 100.0f) / 100.0f;
    if (m > 3) std::fill(s[3].begin(), s[3].end(), 0.87f);
    if (m > 7) s[7] = s[5];
    return s;
}

// At most n threads while it lives.
class Threads {
public:
    explicit Threads(int n) : limit_(tbb::global_control::max_allowed_parallelism, n) {}

private:
    tbb::global_control limit_;
};

}  // namespace

TEST(StretchCorrelations, EveryPairIsCorlinToTheBitInPairOrder) {
    // Counts of series around the vector width and the blocks of rows, years
    // from too few for a correlation to many; the threads must not matter.
    struct Case {
        int m, w;
    };
    for (const Case c : {Case{1, 30}, Case{2, 30}, Case{17, 50}, Case{40, 2}, Case{40, 1}, Case{70, 121}}) {
        for (int threads : {1, 3}) {
            SCOPED_TRACE(testing::Message() << c.m << " series, " << c.w << " years, " << threads << " threads");
            Threads t(threads);
            const auto s = make_series(c.m, c.w + 5, 11);
            std::vector<const float*> cols;
            for (const auto& v : s) cols.push_back(v.data() + 5);  // the stretch starts in the middle of a series
            int expect_a = 0, expect_b = 1, pairs = 0;
            for_each_pair(StretchCorrelations(cols, c.w), [&](int a, int b, float r) {
                ASSERT_EQ(a, expect_a);
                ASSERT_EQ(b, expect_b);
                if (++expect_b == c.m) expect_b = ++expect_a + 1;
                const float want = corlin_r(cols[a], cols[b], c.w);
                EXPECT_EQ(bits(r), bits(want)) << a << "," << b;
                // series 3 holds 0.87 throughout: no variance, though its
                // 32-bit mean is not 0.87
                if (a == 3 || b == 3) {
                    EXPECT_FALSE(has_correlation(r)) << a << "," << b;
                }
                ++pairs;
            });
            EXPECT_EQ(pairs, c.m * (c.m - 1) / 2);
        }
    }
}

TEST(OverlapCorrelations, EachPairOverItsCommonYearsToTheBit) {
    // Spans on one year axis of 400 rows: nested, staggered, touching, apart,
    // sharing exactly 20 and 21 years; and one series constant over its span.
    std::mt19937 gen(5);
    const int m = 83;
    std::vector<int> first(m), last(m);
    for (int a = 0; a < m; ++a) {
        first[a] = static_cast<int>(gen() % 300);
        last[a] = first[a] + 10 + static_cast<int>(gen() % 200);
        if (last[a] > 399) last[a] = 399;
    }
    first[10] = 0, last[10] = 399;   // covers every other series
    first[11] = 100, last[11] = 119;
    first[12] = 100, last[12] = 120;
    first[13] = 100, last[13] = 150;  // 20 years with 11, 21 with 12
    const auto s = make_series(m, 400, 23);
    std::vector<std::vector<float>> own(m);
    std::vector<const float*> cols(m);
    for (int a = 0; a < m; ++a) {
        // each series holds its own years only, as the series matrix does
        own[a].assign(s[a].begin() + first[a], s[a].begin() + last[a] + 1);
        cols[a] = own[a].data();
    }
    for (int threads : {1, 4}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        Threads t(threads);
        const OverlapCorrelations pairs(cols, first, last, 20);
        int seen = 0, correlated = 0;
        for_each_pair(pairs, [&](int a, int b, float r) {
            ++seen;
            const int lo = std::max(first[a], first[b]), hi = std::min(last[a], last[b]);
            EXPECT_EQ(pairs.common(a, b), hi - lo + 1);
            if (hi - lo + 1 <= 20) {
                EXPECT_FALSE(has_correlation(r)) << a << "," << b;
                return;
            }
            const float want = corlin_r(s[a].data() + lo, s[b].data() + lo, hi - lo + 1);
            EXPECT_EQ(bits(r), bits(want)) << a << "," << b;
            if (a == 3 || b == 3) {
                EXPECT_FALSE(has_correlation(r)) << a << "," << b;  // 0.87 throughout
            }
            if (has_correlation(r)) ++correlated;
        });
        EXPECT_EQ(seen, m * (m - 1) / 2);
        EXPECT_GT(correlated, 1000);
    }
    const OverlapCorrelations pairs(cols, first, last, 20);
    std::vector<float> row(pairs.pairs_in_rows(11, 13));
    pairs.rows(11, 13, row);
    EXPECT_FALSE(has_correlation(row[0]));  // (11, 12): 20 years
    EXPECT_FALSE(has_correlation(row[1]));  // (11, 13): 20 years
    EXPECT_TRUE(has_correlation(row[m - 12]));  // (12, 13): 21 years
}
