#pragma once
// Indices of a series against its growth curve, and the moment statistics of
// every series of a stage with their summary over series.
#include <span>
#include <string>
#include <vector>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// Turns x(1..n) into indices against the curve f(1..n): ratios x / f, or with
// itype 2 the differences x - f rescaled to the mean and spread of the ratios.
// A curve value of exactly 0 gives no index: that cell becomes xmiss and is
// left out of the rescaling. ld is not used.
void indcal(std::span<float> x, std::span<const float> f, int n, int itype, int ld);

// Moment statistics of every series j = 1..nc of x (on the common year axis of
// itab row nc + 1) into stat rows 1..nc, columns 1 to 7 (count, mean, sd,
// skewness, kurtosis, mean sensitivity, ac1); listed at iprt 2 or more. With
// more than one series, the summary block follows: each column is sorted and
// its rows 1..8 replaced by mean, sd, median, interquartile range, minimum,
// lower hinge, upper hinge and maximum.
void sngstat(SeriesMatrix& x, Table<float>& stat, const Table<int>& itab,
             const std::vector<std::string>& ids, int nc, int ld, int mxs, OutFile& iunit, int iprt);

}  // namespace kov
