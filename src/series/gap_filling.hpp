#pragma once
// Missing values of the series: the per-series gap report written while a data
// file is read, and the estimation of every missing value of a data file from
// the series' own trend and the signal common to all series.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// A value is missing when it is below 0; once a transformation is chosen
// (itrn > 0) a ring width of 0 is missing too, since no logarithm exists for it.
inline bool is_missing(float v, int itrn) { return v < 0.0f || (itrn > 0 && v == 0.0f); }

// One gap: a maximal run of consecutive missing years.
struct Gap {
    int first = 0;
    int last = 0;
    int length() const { return last - first + 1; }
};

// Groups ascending missing years into gaps.
std::vector<Gap> group_gaps(std::span<const int> years);

// Marks each value of one series as present (1) or missing (0) in mask, and
// reports the gaps of a series with missing values to iunit. Returns the number
// of missing values. iyr is the year of x[0], itrn the transformation option.
int gapscan(std::span<const float> x, std::string_view id, int iser, std::span<int> mask, int iyr, int itrn,
            OutFile& iunit);

// The working copy of one series from which its trend is fitted: missing cells
// are set to xmiss (also in the series itself) with the error scale 999; each
// gap of 21 years or more is bridged by the least-squares line through up to
// 10 years on each side, with the scale 1.
struct TrendInput {
    std::vector<float> w1;             // values, bridges, xmiss in unbridged gaps
    std::vector<float> w3;             // error scales for the weighted spline
    std::vector<int> missing_years;    // ascending
};
TrendInput trend_input(std::span<float> cells, int first_year, int itrn);

// The weighted smoothing spline of the working copy at the period in years;
// a series too short for the spline (or one the spline cannot solve) gets the
// level of its present values.
std::vector<float> fit_trend(const TrendInput& t, int period);

// Fills every missing value of the nc series of x (laid out like sermat, row 1 =
// the overall first year of itab row nc + 1) in place. Measured values are left
// bit for bit as they are. Reads option 3, 7, 12 and 2 of the option block, and
// may clear the fill-plot switch (2,2).
void estmis(SeriesMatrix& x, int nc, const Table<int>& itab, const std::vector<std::string>& ids);

}  // namespace kov
