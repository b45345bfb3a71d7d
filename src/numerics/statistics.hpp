#pragma once
// Sample statistics of one series, Tukey's five-number summary, and the
// ascending sort and k-th smallest value they rest on. Leaf routines: no
// files, no console, no shared tables. All arithmetic in 32-bit floats, sums
// included, because the listings print these figures to their last digit.
//
// Vectors are passed as spans with an explicit count n (n <= span size); the
// argument order is that of the callers' arithmetic, so a call reads the same
// as the formula it comes from. Position 1 of a vector is element [0].
// An undefined statistic comes back as -99 (undef_stat); no routine returns
// NaN or Inf.
#include <array>
#include <span>

#include "shared/layout.hpp"

namespace kov {

// The eight statistics of a complete vector x(1..n): mean, mean absolute
// deviation, standard deviation, variance (divisor n-1), bias-corrected
// skewness, bias-corrected kurtosis (not reduced by 3), mean sensitivity and
// lag-1 autocorrelation (divisor n). x is standardised in place for the lag-1
// step and put back, so it returns through two roundings.
// n = 0: all -99; n = 1: ave = x(1), the rest -99; a constant vector: sdev,
// skew, curt and ac1 are -99.
void moment(std::span<float> x, int n, float& ave, float& adev, float& sdev, float& var,
            float& skew, float& curt, float& sens, float& ac1);

// As moment, over the positions j with cnt(j) > 0 (m of them, m in place of
// n). Mean sensitivity and ac1 use only neighbouring pairs that both count,
// each divided by the number of such pairs. Only counted positions of x are
// standardised and put back. No counted position: all -99; no counted pair:
// sens and ac1 are -99.
void serstat(std::span<float> x, std::span<const int> cnt, int n, float& ave, float& adev,
             float& sdev, float& var, float& skew, float& curt, float& sens, float& ac1);

// Tukey's five-number summary of x(1..n); x is left sorted ascending.
// xiqr = xuh - xlh. n < 1: all six are -99.
void fivnum(std::span<float> x, int n, float& xmed, float& xuh, float& xlh, float& xiqr,
            float& xmin, float& xmax);

// The five-number summary of the a(i) with keep(i) > 0: they are copied in
// order into work(1..m) and sorted there; a is not changed. No kept value:
// all six are -99.
void sumstat(std::span<const float> a, std::span<float> work, std::span<const int> keep, int n,
             float& xmed, float& xuh, float& xlh, float& xiqr, float& xmin, float& xmax);

// The summary over series of one column of per-series statistics v(1..n),
// taken over the values that are defined: an undefined statistic (-99) averaged
// in as a value would drag every figure along. Rows: mean, standard deviation
// (moment), median, interquartile range, minimum, lower hinge, upper hinge,
// maximum (the five-number summary). `defined` counts the values it rests on;
// with none, all eight are -99. v is left sorted ascending, as fivnum leaves
// it. With after_moment the five numbers are those of the values as moment
// hands them back (standardised and restored, which can move a last bit), the
// order in which the series summaries take them; otherwise of the values as
// given.
struct ColumnSummary {
    std::array<float, 8> row{};
    int defined = 0;
};
ColumnSummary defined_summary(std::span<float> v, int n, bool after_moment);

// Summary row r (1 to 8) of a column as a listing shows it: a column without
// one defined value shows the undefined marker once, in its first row, and
// leaves the field blank in the others.
FVal summary_field(const ColumnSummary& c, int r);

// Sorts x(1..n) ascending in place (quicksort with a fixed pseudo-random
// partition sequence, so equal input is always partitioned the same way).
void sortr(int n, std::span<float> x);

// The k-th smallest of x(1..n), found by selection on a private copy; x is
// untouched. k is held to 1..n; n < 1 gives -99.
float selkth(std::span<const float> x, int n, int k);

namespace detail {
// sortr's algorithm, carrying a companion vector of positions along with the
// values (the robust mean reports which value each weight belongs to).
// idx may be null.
void sort_ascending(float* x, int* idx, int n);
// fivnum's summary of an already sorted x(1..n), n >= 1.
void five_of_sorted(const float* x, int n, float& xmed, float& xuh, float& xlh, float& xiqr,
                    float& xmin, float& xmax);
}  // namespace detail

}  // namespace kov
