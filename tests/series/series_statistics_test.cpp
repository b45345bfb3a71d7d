#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "series/series_statistics.hpp"
#include "series_fixture.hpp"

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

// A series' line keeps every figure in its columns with a blank before it:
// a figure that would fill its field, or is too wide for it, takes fewer
// decimals ("2f8.3,3f7.3,f8.3" from column 37: mean, sdev, skew, kurt, sens,
// ac(1)). A series of n values all alike but one has a kurtosis of about n
// and, when the one value lies below the rest, a skewness beyond -10.
TEST(SeriesStatistics, SeriesLineFiguresNeverRunTogether) {
    const struct {
        const char* what;
        std::array<float, 7> row;  // years, mean, sdev, skew, kurt, sens, ac(1)
        const char* figures;
    } cases[] = {
        {"figures that fit", {120, 1.075f, 0.822f, 11.584f, 23.539f, 0.25f, 0.5f},
         "   1.075   0.822 11.584 23.539  0.250   0.500"},
        {"skew and kurt fill f7.3", {120, 5.0f, 0.4f, -11.584f, 123.08f, 0.2f, -0.1f},
         "   5.000   0.400 -11.58 123.08  0.200  -0.100"},
        {"mean and kurt too wide", {1100, 12345.678f, 2.5f, 33.1f, 1100.2f, 0.3f, 0.4f},
         " 12345.7   2.500 33.100 1100.2  0.300   0.400"},
        {"undefined statistics", {5, 0.5f, -99.0f, -99.0f, -99.0f, 0.0f, -99.0f},
         "   0.500 -99.000 -99.00 -99.00  0.000 -99.000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kovtest::ListingFixture f;
        Table<float> stat(1, 7, 0.0f);
        for (int k = 1; k <= 7; ++k) stat(1, k) = c.row[static_cast<size_t>(k - 1)];
        write_series_line(streams().luout, stat, 1, 1, "ABC01A  ", 1900, 1900 + static_cast<int>(c.row[0]) - 1);
        const auto lines = f.listing_lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().substr(36), c.figures) << lines.back();
    }
}
