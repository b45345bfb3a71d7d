#include "shared/tables.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace kov;

// A column holds only the rows written to it; every other cell reads as
// xmiss, and growing a column keeps what it held.
TEST(SeriesMatrix, ColumnsHoldTheirOwnRowsAndReadEmptyElsewhere) {
    SeriesMatrix m;
    EXPECT_EQ(m.at(1, 1), xmiss);
    float* p = m.rows(1, 10, 12);
    p[0] = 1.0f, p[1] = 2.0f, p[2] = 3.0f;
    EXPECT_EQ(m.first_row(1), 10);
    EXPECT_EQ(m.last_row(1), 12);
    EXPECT_EQ(m.at(9, 1), xmiss);
    EXPECT_EQ(m.at(11, 1), 2.0f);
    EXPECT_EQ(m.at(13, 1), xmiss);
    EXPECT_EQ(m.at(11, 2), xmiss);  // another column is untouched

    m(14, 1) = 4.0f;  // a cell below: the column grows down, the gap stays empty
    m.rows(1, 8, 8)[0] = 0.5f;  // and up
    const std::vector<float> want = {0.5f, xmiss, 1.0f, 2.0f, 3.0f, xmiss, 4.0f};
    for (int r = 8; r <= 14; ++r) EXPECT_EQ(m.at(r, 1), want[r - 8]) << r;
    EXPECT_EQ(m.rows(1, 5, 4), nullptr);  // no rows asked for, nothing made
    EXPECT_EQ(m.first_row(1), 8);

    EXPECT_EQ(m.col(1)[10], 2.0f);  // the whole column, row 1 first
    EXPECT_EQ(m.col(1)[mxy - 1], xmiss);

    m.clear();
    EXPECT_EQ(m.at(11, 1), xmiss);
}

// The reader's rows 1..n move to the series' place on the year axis; a stage
// puts a series back at its rows with every row above it emptied.
TEST(SeriesMatrix, ShiftAndPutKeepWhatTheStepsAroundThemRelyOn) {
    SeriesMatrix m;
    float* p = m.rows(3, 1, 4);
    for (int k = 0; k < 4; ++k) p[k] = static_cast<float>(k + 1);
    m.shift_down(3, 4, 5);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(m.at(r, 3), xmiss) << r;
    for (int r = 6; r <= 9; ++r) EXPECT_EQ(m.at(r, 3), static_cast<float>(r - 5)) << r;
    EXPECT_EQ(m.at(10, 3), xmiss);

    m(2, 3) = 7.0f;  // a stray value above the series
    const float v[2] = {8.0f, 9.0f};
    m.put(3, 7, v, 2);
    EXPECT_EQ(m.at(2, 3), xmiss);
    EXPECT_EQ(m.at(6, 3), xmiss);
    EXPECT_EQ(m.at(7, 3), 8.0f);
    EXPECT_EQ(m.at(8, 3), 9.0f);
    EXPECT_EQ(m.at(9, 3), 4.0f);  // rows below the values keep what they held
}
