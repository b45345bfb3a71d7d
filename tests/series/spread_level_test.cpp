#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "series/transformations.hpp"

using namespace kov;

TEST(SpreadLevel, PairsByLevelRule) {
    // x = 1, 3, 3, 0, 2: pairs (1,3) (3,3) (3,0) (0,2).
    // Mode 1 (pair mean): levels 2, 3, 1.5, 1; spreads 2, 0, 3, 2 -> the zero
    // spread drops out: (ln 2, ln 2), (ln 1.5, ln 3), (ln 1, ln 2).
    // Mode 2 (later value): levels 3, 3, 0, 2 -> zero spread and zero level drop
    // out: (ln 3, ln 2), (ln 2, ln 2).
    const std::vector<float> x = {1, 3, 3, 0, 2};
    struct Case {
        int mode;
        std::vector<float> lvl, spr;
    };
    const Case cases[] = {
        {1, {std::log(2.0f), std::log(1.5f), 0.0f}, {std::log(2.0f), std::log(3.0f), std::log(2.0f)}},
        {2, {std::log(3.0f), std::log(2.0f)}, {std::log(2.0f), std::log(2.0f)}},
    };
    for (const Case& c : cases) {
        std::vector<float> lvl(4, -1), spr(4, -1);
        const int m = sprlev(x, lvl, spr, c.mode);
        ASSERT_EQ(m, static_cast<int>(c.lvl.size())) << "mode " << c.mode;
        for (int k = 0; k < m; ++k) {
            EXPECT_FLOAT_EQ(lvl[k], c.lvl[k]) << "mode " << c.mode << " pair " << k;
            EXPECT_FLOAT_EQ(spr[k], c.spr[k]) << "mode " << c.mode << " pair " << k;
        }
    }
}

TEST(SpreadLevel, CountedPairsOnly) {
    // The pairs (2,4) and (4,8) touch the uncounted year 2; only (8,5) and
    // (5,6) remain: levels 5 and 6 (later value), spreads 3 and 1.
    const std::vector<float> x = {2, 4, 8, 5, 6};
    const std::vector<int> cnt = {3, 0, 1, 2, 7};
    std::vector<float> lvl(4), spr(4);
    ASSERT_EQ(sprlvm(x, cnt, lvl, spr, 2), 2);
    EXPECT_FLOAT_EQ(lvl[0], std::log(5.0f));
    EXPECT_FLOAT_EQ(spr[0], std::log(3.0f));
    EXPECT_FLOAT_EQ(lvl[1], std::log(6.0f));
    EXPECT_FLOAT_EQ(spr[1], 0.0f);
    EXPECT_EQ(sprlvm(std::vector<float>{5}, std::vector<int>{1}, lvl, spr, 1), 0);
}
