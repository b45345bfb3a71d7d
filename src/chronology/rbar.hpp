#pragma once
// The mean correlation between series (rbar): over all pairs with a long
// enough overlap, and in running windows along the chronology with the
// expressed population signal that follows from it.
#include <cstdint>
#include <string>
#include <vector>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// Running sums over a set of pair correlations and the pairs that give the
// extremes. Shared by every rbar table of the statistics block.
struct RbarSums {
    int n = 0;                // correlations taken
    std::int64_t years = 0;   // sum of the overlaps of the correlated pairs
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    float rmax = -1.0f, rmin = 1.0f;
    int imax = 0, jmax = 0, nmax = 0;
    int imin = 0, jmin = 0, nmin = 0;
    // Takes one correlation of the pair (i, j) over `overlap` years; on ties
    // the pair met first keeps the extreme.
    void add(float r, int i, int j, int overlap);
};

// Mean, spread and shape of the correlations. A statistic whose formula has
// a zero or negative denominator (too few correlations, no spread) is -99.
struct RbarStats {
    float mean = -99.0f, sdev = -99.0f, serr = -99.0f, skew = -99.0f, kurt = -99.0f;
};
RbarStats rbar_stats(const RbarSums& s);

// The table row of an rbar report: count, mean, sd, se, skewness, kurtosis,
// minimum and maximum correlation, its count field widened from 1000 on.
void write_rbar_row(OutFile& out, const RbarSums& s, const RbarStats& st);

// All-series rbar: every pair of series sharing more than 20 years is
// correlated over its whole overlap. Writes three console lines and the report
// to `out`; rmean gets the mean correlation (0 when no pair qualifies).
void rbarall(SeriesMatrix& x, const Table<int>& itab, const std::vector<std::string>& ids, int nc,
             OutFile& out, float& rmean);

// The correlations of the pairs that cover the whole window ys..ye.
// No pair: rmean = serr = -99.9 and sdev unchanged.
void rbarseg(SeriesMatrix& x, const Table<int>& itab, int nc, int ys, int ye, int& ncorr,
             float& rmean, float& sdev, float& serr);

// The expressed population signal of series whose correlations average r,
// with n series a year: r / ((1 - r) / n + r); -99 where the denominator is
// zero.
float expressed_signal(float r, float n);

// Running rbar and EPS over windows of optval(16,1) years overlapping by
// optval(16,2): one row of tab (middle year, correlations, rbar, sdev, serr,
// eps, series per year) per window with at least one correlation; nwin the
// rows written, and counts[0..nwin-1] their numbers of correlations as
// integers (a real holds every count only up to 2^24). Console: the window
// settings and count; listing: the table on `out`.
void rbarrun(SeriesMatrix& x, const Table<int>& itab, int ncrn, int nc, Table<float>& tab,
             std::vector<int>& counts, int& nwin, OutFile& out);

}  // namespace kov
