#include "shared/tables.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

// First differences move every series one row up the axis; the regional
// curve moves a series whole between its years and its ages, nothing of it
// left behind, also when it is read from the column it moves within.
TEST(SeriesMatrix, ShiftUpAndAssignMoveASeriesWhole) {
    SeriesMatrix m;
    const float v[3] = {1.0f, 2.0f, 3.0f};
    std::copy_n(v, 3, m.rows(2, 3, 5));
    std::copy_n(v, 3, m.rows(4, 1, 3));
    for (int j : {2, 4, 5}) m.shift_up(j);
    const std::vector<float> two = {xmiss, 1.0f, 2.0f, 3.0f, xmiss}, four = {2.0f, 3.0f, xmiss, xmiss, xmiss};
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(m.at(r, 2), two[r - 1]) << r;
        EXPECT_EQ(m.at(r, 4), four[r - 1]) << r;  // row 1's value has no row to go to
        EXPECT_EQ(m.at(r, 5), xmiss) << r;        // an empty column stays empty
    }
    EXPECT_EQ(m.first_row(2), 2);
    EXPECT_EQ(m.last_row(4), 2);

    m(9, 3) = 7.0f;
    std::copy_n(v, 3, m.rows(3, 2, 4));
    m.assign(3, 6, v + 1, 2);
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(m.at(r, 3), r == 6 ? 2.0f : r == 7 ? 3.0f : xmiss) << r;
    EXPECT_EQ(m.first_row(3), 6);
    EXPECT_EQ(m.last_row(3), 7);
    m.assign(3, 1, m.rows(3, 6, 7), 2);  // from its own rows, as the move back reads them
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(m.at(r, 3), r == 1 ? 2.0f : r == 2 ? 3.0f : xmiss) << r;
    m.assign(3, 1, nullptr, 0);
    EXPECT_EQ(m.at(1, 3), xmiss);
    EXPECT_LT(m.last_row(3), m.first_row(3));
}
