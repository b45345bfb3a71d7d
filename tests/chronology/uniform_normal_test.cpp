#include <gtest/gtest.h>

#include <cmath>

#include "chronology/uniform_normal.hpp"
#include "shared/tables.hpp"

using namespace kov;

namespace {
struct UniformRow {
    int draw;
    int s1, s2, s3;
    double value;
};
struct NormalRow {
    double p, quantile;
};
struct TailRow {
    double x, lower, upper;
};
// Computed once by reference/uniform_normal_reference.py (a separate
// implementation of the generator; scipy for the normal distribution).
#include "chronology/reference/uniform_normal_reference.inc"
}  // namespace

TEST(Ranwh, SequenceAfterResetMatchesReference) {
    std::array<int, 3> iseed = iseed_start;
    int drawn = 0;
    for (const UniformRow& row : uniform_rows) {
        float u = 0.0f;
        while (drawn < row.draw) {
            u = ranwh(iseed);
            ++drawn;
            ASSERT_GE(u, 0.0f);
            ASSERT_LT(u, 1.0f);
        }
        SCOPED_TRACE(row.draw);
        EXPECT_EQ(iseed, (std::array<int, 3>{row.s1, row.s2, row.s3}));
        EXPECT_EQ(u, static_cast<float>(row.value));
    }
}

TEST(Ranwh, RunStateDrawsTheSameNumbersAfterEachReset) {
    std::array<int, 3> own = iseed_start;
    shared().iseed = iseed_start;
    for (int i = 0; i < 50; ++i) ranwh();
    shared().iseed = iseed_start;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ranwh(), ranwh(own));
}

TEST(Ppnd, MatchesExactQuantile) {
    for (const NormalRow& row : quantile_rows) {
        SCOPED_TRACE(row.p);
        int ier = -1;
        const float z = ppnd(static_cast<float>(row.p), ier);
        EXPECT_EQ(ier, 0);
        // A rational approximation in single precision: within 1e-6 of the
        // value in the body; its own error grows to 3e-6 of the value at
        // p = 1e-6 (the far tail, which the 95% limits never reach).
        EXPECT_NEAR(z, row.quantile, 4e-6 * std::fabs(row.quantile) + 1e-6);
    }
    int ier = -1;
    EXPECT_NEAR(ppnd(0.025f, ier), -1.959964f, 1e-6);
    EXPECT_EQ(ppnd(0.5f, ier), 0.0f);
    EXPECT_EQ(ier, 0);
}

TEST(Ppnd, ProbabilityOutsideOpenIntervalIsFlagged) {
    for (float p : {0.0f, 1.0f, -0.5f, 1.5f, std::nanf("")}) {
        SCOPED_TRACE(p);
        int ier = 0;
        EXPECT_EQ(ppnd(p, ier), 0.0f);
        EXPECT_EQ(ier, 1);
    }
}

TEST(Alnorm, MatchesExactTailAreas) {
    for (const TailRow& row : tail_rows) {
        SCOPED_TRACE(row.x);
        const float x = static_cast<float>(row.x);
        // Absolute agreement to single precision, and relative agreement in
        // the far upper tail, where the areas are tiny but still representable.
        EXPECT_NEAR(alnorm(x, false), row.lower, 2e-7);
        EXPECT_NEAR(alnorm(x, true), row.upper, 2e-7 + 2e-6 * row.upper);
    }
    EXPECT_NEAR(alnorm(1.96f, false), 0.975f, 5e-6);  // exactly 0.9750021
    EXPECT_EQ(alnorm(20.0f, true), 0.0f);
    EXPECT_EQ(alnorm(-20.0f, false), 0.0f);
    EXPECT_EQ(alnorm(8.0f, false), 1.0f);
}

TEST(Ranwh, SkippingAheadLeavesTheStateThatManyDrawsLeave) {
    // Jumps of no draw, one, one more than a part's period, and the draws of a
    // year of a thousand replicates of 521 values.
    for (long long k : {0LL, 1LL, 2LL, 30270LL, 521000LL}) {
        SCOPED_TRACE(k);
        std::array<int, 3> drawn = iseed_start, skipped = iseed_start;
        for (long long i = 0; i < k; ++i) ranwh(drawn);
        ranwh_skip(skipped, k);
        EXPECT_EQ(skipped, drawn);
        EXPECT_EQ(ranwh(skipped), ranwh(drawn));
    }
}
