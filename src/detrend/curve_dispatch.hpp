#pragma once
// The one entry point through which a growth curve is obtained: the curve
// option code picks the fitter, and a parametric form that fails or is
// rejected falls back to a simpler one (1 -> 4, 2 -> 5 or the mean, 3 -> 4,
// 5 -> 6). The option handed back is the option actually used; the callers
// compare it with the option asked for and report the change.
//
// Curve option codes: -6 age-dependent spline, -5 super smoother, -4 lowess,
// -3 running medians, -1 first differences, 1 and 2 negative exponential,
// 3 general negative exponential, 4 straight line, 5 line of non-positive
// slope, 6 horizontal mean, 7 Hugershoff, 8 general exponential, above 9 a
// smoothing spline of that period, below -9 a spline whose period is that
// percentage of the length.
#include <span>

#include "detrend/growth_curves.hpp"

namespace kov {

// Fits the curve of option iopt to x(1..n) into crv(1..nout) and fills the
// record coef (cleared first): the forms of -6 and 1 to 8 go on over 1..nout;
// the smoothers, the splines and first differences fit 1..n and keep their
// last value beyond it. w1, w2 are
// work vectors left as the callers expect (the times, copies, the first-fit
// curve of options 7 and 8 in w2). Option -1 rewrites x (xmiss in x(1), then
// the rescaled first differences) and lowers n by one. ipar: window width in
// values (-4, -3; the running medians write back an odd width), bass control
// (-5), start stiffness (-6). ld is the capacity of the vectors (mxy); nsmax
// and iaux are not used. Every span must hold at least max(n, nout) values.
// A fit that writes no curve (a spline of fewer than 4 values or of a period
// it cannot use, a running-median width it refuses, first differences of a
// single value) falls back to the straight line over 1..nout (option 4)
// while that stays above zero, else to the horizontal mean (option 6); x is
// then left as it came.
void crvfit(std::span<float> x, std::span<float> crv, std::span<float> w1, std::span<float> w2,
            int nout, int& n, FitRecord& coef, int& iopt, int ld, int nsmax, int& ipar, int iaux);

// The period of a spline given in percent of the length (option below -9) of
// a series of n values: trunc(|option / 100 n|), held to at least 1 year.
int percent_period(int option, int n);

// The lowess span fraction for a window of `width` values among n: the
// smallest float f with trunc(n f) = width, so each local fit uses exactly
// that many values.
float lowess_fraction(int width, int n);

}  // namespace kov
