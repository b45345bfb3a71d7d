#pragma once
// Bootstrap confidence limits for the mean of one chronology year: the year's
// values are resampled with replacement, each resample's mean is taken with the
// chronology's own mean type (biwgt, which reads optval(12,1)), and the 95%
// interval is read from the sorted resample means after a bias correction and
// an acceleration estimated by the jackknife (the BCa interval). All in 32-bit
// arithmetic. Position 1 of a vector is element [0].
#include <array>
#include <span>
#include <vector>

#include "shared/capacities.hpp"

namespace kov {

// A value left out of the jackknife sample.
inline constexpr float left_out = -32368.0f;

// Replicates per year: 1000, or 700 for a year of exactly six values.
inline constexpr int boot_replicates = 1000;

// A year of fewer values than this is not resampled: it has no limits of its
// own, and both stand at its chronology value. The depth, not the value of a
// limit, tells such a year: a true lower limit can be 0.
inline constexpr int fewest_resampled = 6;
inline bool has_bootstrap_limits(int depth) { return depth >= fewest_resampled; }

// The years over which the limits of a chronology are splined: from its first
// to its last year of six or more values, positions from..to-1 of depth(1..n).
// None has six: from = to = n.
struct DeepYears {
    int from = 0, to = 0;
};
DeepYears deep_years(std::span<const int> depth, int n);

// The limits of a chronology of n years as its confidence-limit file lists
// them, with their splines taken over the years from..to-1. A year without
// limits of its own (by its depth) takes its value as both limits and the
// splined value as both splined limits; a year outside the splined years
// takes the splined value as both splined limits; in the splined years a
// splined limit on the wrong side of the splined value is widened to it.
// Limits that coincide are the year's value (the resamples could not form an
// interval): they become the value as it now stands, which the chronology's
// statistics may have moved by a rounding since the limits were taken.
void settle_limits(int n, std::span<const int> depth, std::span<const float> value, std::span<const float> spl,
                   int from, int to, std::span<float> lo, std::span<float> hi, std::span<float> spllo,
                   std::span<float> splhi);

// Work storage of the per-year bootstrap, sized once for the deepest year so
// that nothing is allocated per year or per replicate.
struct BootWork {
    explicit BootWork(int max_depth = mxs);
    std::vector<float> r;     // a resample, in the order drawn or sorted
    std::vector<float> wk;    // work of the mean routine
    std::vector<float> wt;    // weights of the mean routine (discarded)
    std::vector<float> y;     // the jackknife sample
    std::vector<float> u;     // the jackknife values
    std::vector<float> t;     // the replicate means (boot_replicates)
    std::vector<float> v;     // the year's values sorted
    std::vector<int> rank;    // rank[k]: the value of the year (1-based) that stands at v[k]
    std::vector<int> count;   // how often a resample drew each value of the year
};

// Draws of the generator that the bootstrap of a year of d values takes.
long long bootstrap_draws(int d);

// The 95% limits of one year's mean. A resample's mean is the one the mean
// routine (biwgt) gives, bit for bit; but rather than sorting every resample,
// the year's values are sorted once and each resample is laid out in order
// from the counts of the places it drew.
// x(1..d): the year's values in series order, unsorted; each value is left out
//   once for the jackknife and put back, so x comes back as it came.
// d: the number of values (the year's depth).
// theta: the year's own mean (for d = 0 the chronology's empty value).
// iseed: the generator state (the run's is shared().iseed).
// work: storage; grown to d values when it holds fewer.
// lower, upper: the limits. Below six values both are theta; both are theta
//   too when the replicates lie wholly on one side of theta, where no
//   bias-corrected interval exists.
void bootstrap_year(std::span<float> x, int d, float theta, std::array<int, 3>& iseed, BootWork& work,
                    float& lower, float& upper);

// Jackknife acceleration and the confidence limits of a bootstrapped estimate.
// x(1..n): the sample (each entry marked left_out and restored in turn).
// y(1..n): work, the sample less one value.
// u(1..n): out, the jackknife values (theta - theta(i)) (n - 1).
// n: the sample size.
// alpha: the confidence in percent (95.0).
// theta: the estimate from the whole sample.
// limits(1..8): out, the eight limits of mcconf.
// nb: the number of replicates.
// t(1..nb): the replicate estimates, sorted ascending on return.
// wk, wt (n each): work of the mean routine.
void bcajak(std::span<float> x, std::span<float> y, std::span<float> u, int n, float alpha, float theta,
            std::span<float> limits, int nb, std::span<float> t, std::span<float> wk, std::span<float> wt);

// Gathers the entries of x(1..n) that are not left_out into y(1..m), in order.
void dropms(int n, std::span<const float> x, int& m, std::span<float> y);

// Confidence limits from nb replicate estimates.
// theta: the estimate; alpha: the confidence in percent; nb: the replicates;
// a: the acceleration.
// t(1..nb): the replicates, sorted ascending on return (unless an error
//   ends the call before the sort).
// lfix, lo: lfix 0 fixes the lower end of the parameter range at lo; any other
//   lfix leaves it open. ufix, hi: likewise for the upper end.
// c(1..8): out, normal lower and upper, percentile lower and upper,
//   bias-corrected lower and upper, BCa lower and upper. All eight are theta
//   when an error ends the call.
// ier: 0, or 1 a replicate below the fixed lower end, 2 one above the fixed
//   upper end, 3 no replicate at or below theta, 4 the mid-rank of theta is
//   nb, 5 the lower percentile index below 5, 6 alpha of 100 or more or the
//   normal quantile failed, 7 alpha of 0 or less or both percentile indices
//   equal.
void mcconf(float theta, float alpha, int nb, float a, std::span<float> t, int lfix, float lo, int ufix,
            float hi, std::span<float> c, int& ier);

// Order-statistic indices of the bias-corrected (k1, k2) and BCa (k3, k4)
// limits.
// theta, nb, a, t(1..nb): as mcconf (t need not be sorted).
// zc: the upper-tail normal quantile of the interval (1.96 for 95%).
// ier: in-out; 3 when no replicate lies at or below theta (or nb < 1), 4 when
//   the mid-rank of theta is nb, else the flag of the normal quantile; the
//   indices are then not set.
void bcaidx(float theta, int nb, float a, std::span<const float> t, float zc, int& k1, int& k2, int& k3,
            int& k4, int& ier);

}  // namespace kov
