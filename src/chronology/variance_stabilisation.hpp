#pragma once
// Variance stabilisation: a mean chronology's variance follows the number of
// series behind each year; these routines take that out, by the effective
// number of independent series (rbar-weighted method) or by a smoothing spline
// of the absolute deviations, or both. Position 1 of a vector is element [0].
#include <span>

namespace kov {

// Rbar-weighted stabilisation: each year's deviation from the mean is scaled by
// the square root of its effective number of independent series
// k / (1 + (k - 1) rbar), then the series is brought back to the mean and
// standard deviation of x over the reference years.
// x(1..n): the chronology, in.
// depth(1..n): series per year; years with depth 0 are not changed.
// iy1, iy2: the first and last year.
// n: the number of years.
// ref1, ref2: in-out, the reference period; both 0 means iy1 to iy2, and they
//   are set so. The reference years run from ref1 to the end of the series.
// rbar: the mean inter-series correlation, 0 or above (the builder skips the
//   method for a negative one).
// y(1..n): out, the stabilised series (years with depth 0 untouched).
// neff(1..n): out, the effective number of series (0 for years without data).
// When the reference years hold fewer than two years with data, or the scaled
// series has no spread there, there is nothing to rescale to: y takes x in the
// years with data.
void stabbm(std::span<const float> x, std::span<const int> depth, int iy1, int iy2, int n, int& ref1, int& ref2,
            float rbar, std::span<float> y, std::span<float> neff);

// Spline stabilisation over the years with data: each deviation from the mean
// is divided by the smoothing spline of the absolute deviations, and the
// quotients are brought back to the mean and standard deviation of x.
// x(1..n): in-out; on return the absolute deviations in the years with data.
// crv(1..n): out, the spline of the absolute deviations.
// y(1..n): out, the stabilised series, never below 0 (years with depth 0
//   untouched).
// depth(1..n): series per year.
// n: the number of years.
// istf: in-out, the spline's stiffness in years; below -9 a percentage of n,
//   replaced by the stiffness in years.
// When the spline fails (fewer than 4 years, or no solution: its error value
// stays in crv(1)) or fewer than two years hold data, y takes the chronology
// as it came in the years with data. A curve value at or below 0 puts its year
// at the mean.
void stabspm(std::span<float> x, std::span<float> crv, std::span<float> y, std::span<const int> depth, int n,
             int& istf);

// The stabilisation step of an index chronology, by the run's choice
// optval(13,1) (0 none; 1 rbar-weighted; 2 rbar-weighted, then the spline at
// two thirds of the length; other values the spline alone at that stiffness,
// below -9 a percentage of the length), with its messages and, above printout
// level 3, the n-year means before and after in the listing luout.
// crn(1..n): in-out, the chronology.
// work(1..n): work, a copy of the chronology (afterwards the series the
//   listing shows as measurements).
// curve(1..n): work, the effective numbers or the spline.
// depth(1..n): series per year; years with depth 0 are never changed.
// n: the number of years.
// first_year: the year of index 1.
// rbarst: the mean inter-series correlation; below 0 the rbar-weighted
//   method is skipped.
void stabilise_chronology(std::span<float> crn, std::span<float> work, std::span<float> curve,
                          std::span<const int> depth, int n, int first_year, float rbarst);

// Equalises the variance of x over time: each year's deviation from the mean is
// divided by the smoothing spline (period per) of the absolute deviations, and
// the quotients are brought back to the mean and standard deviation of x (taken
// over the years with cnt above 3 when more than n / 3 years have such counts,
// else over all years). x comes back as the absolute deviations, crv as their
// spline, y as the equalised series (never below 0). per below -9 is a
// percentage of the length and is replaced by the period in years. Every year
// takes part, whatever its count.
void stabspl(std::span<float> x, std::span<float> crv, std::span<float> y, std::span<const int> cnt, int& per);

}  // namespace kov
