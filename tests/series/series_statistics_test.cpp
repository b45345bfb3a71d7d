#include <gtest/gtest.h>

#include <vector>

#include "series/series_statistics.hpp"

using namespace kov;

// Ten series whose years run 10, 9, ..., 1. By hand: mean 5.5; standard
// deviation sqrt(82.5 / 9) = 3.0277; median (5 + 6) / 2 = 5.5; halves of five
// values give the hinges 3 and 8, so the interquartile range is 5; minimum 1,
// maximum 10. The rows below 8 show what each mode leaves of the table.
TEST(SeriesStatistics, SummaryOfAColumnAndWhatItLeavesInTheTable) {
    struct Case {
        SummaryInTable keep;
        std::vector<float> rows;  // rows 1 to 10 afterwards
    } cases[] = {
        {SummaryInTable::sorted, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {SummaryInTable::sorted_then_summary, {5.5f, 3.0277f, 5.5f, 5, 1, 3, 8, 10, 9, 10}},
        {SummaryInTable::summary, {5.5f, 3.0277f, 5.5f, 5, 1, 3, 8, 10, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.keep));
        Table<float> stat(12, 7, -99.0f);
        for (int i = 1; i <= 10; ++i) stat(i, 1) = static_cast<float>(11 - i);
        const auto sum = summarise_columns(stat, 7, 10, c.keep);
        ASSERT_EQ(sum.size(), 7u);
        const std::vector<float> expected = {5.5f, 3.0277f, 5.5f, 5, 1, 3, 8, 10};
        for (size_t r = 0; r < 8; ++r) EXPECT_NEAR(sum[0].row[r], expected[r], 1e-4) << "row " << r + 1;
        EXPECT_EQ(sum[0].defined, 10);
        EXPECT_EQ(sum[1].defined, 0);  // a column of undefined statistics
        for (int r = 1; r <= 10; ++r) EXPECT_NEAR(stat(r, 1), c.rows[static_cast<size_t>(r - 1)], 1e-4) << "row " << r;
    }
}
