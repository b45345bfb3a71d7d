#pragma once
// Direct growth-curve fitters: the modified negative exponential, the straight
// line, the horizontal mean and the linearised first fits of the Hugershoff and
// general exponential curves (which the simplex fits then refine).
//
// Value i of a series stands at t = i (1-based). `n` is the number of values
// fitted, `nout` the length over which the curve is evaluated (the detrending
// driver passes nout = n; regional curve standardisation may ask for more).
// Every span must hold at least the count it is used with. Least-squares sums
// and solutions are formed in double and stored back as float.
//
// The curve-fit record `fitcoef` is a FitRecord: element k of the listings is
// coef[k - 1] (1 a, 2 b, 3 c, 4 always 0, 5 d, 6 p, 7 option code / sum).
//
// A fit that is undefined for its input reports failure through its return
// value (false) and leaves no curve behind, so that the growth-curve
// dispatcher can fall back to the next curve form.
#include <array>
#include <span>

namespace kov {

using FitRecord = std::array<float, 7>;

// Modified negative exponential a exp(-b t) + d, found by a one-dimensional
// step search on the rate b with a and d by least squares at each trial rate.
// On a fit: coef[0] a, coef[1] b, coef[4] d, coef[5] the pass in which the
// search ended, coef[6] the sum of the n values; crv(1..nout) the curve.
// A fit whose d > 9999, a <= 0 or b < 0 is rejected: coef[1] := 0 (the curve
// is still written). A failed fit (fewer than 20 values, an end mean of ten
// values at or below 0, an overflowing exponential, more than 34 passes) sets
// crv[0] := -999 and coef[1] := -999 and leaves the rest of coef alone.
// Returns true only when the fit stands (b above 0 after the rejection rule).
bool curve(int nout, int n, std::span<const float> y, std::span<float> crv, FitRecord& coef);

// Least-squares straight line on t = 1..n: slope and intercept; when
// nout >= 1, crv(t) = slope t + intercept for t = 1..nout. A line needs two
// values: with n < 2 it returns false and touches nothing.
bool linfit(int nout, int n, std::span<const float> y, std::span<float> crv, float& slope,
            float& intercept);

// Arithmetic mean of x(1..n) (a single-precision sum). With n < 1 the program
// stops after "error in xmean: n=0" and a wait for Enter.
void xmean(std::span<const float> x, int n, float& mean);

// Linearised first fit of the Hugershoff curve a t^b exp(c t): least squares
// of ln y = ln a + b ln t + c t over the values with y != miss, y > 0, t > 0;
// the curve a i^b exp(c i) for i = 1..nout, scaled by a bias factor so that
// its sum over the fitted values matches the data. Sets coef[0] a, coef[1] b,
// coef[2] c (with its sign). Fails (false, crv and coef untouched) with fewer
// than 3 usable values, a singular system or a curve that is not finite.
bool hugfit(std::span<const float> t, std::span<const float> y, int nout, int n,
            std::span<float> crv, FitRecord& coef, float miss);

// Linearised first fit of the general exponential a t exp(c t): least squares
// of ln y - ln t = ln a + c t over the values y(i) > 0, y(i) != miss.
// tk(1..k), zk(1..k) receive the times and log-ratios used; crv(i) =
// i a exp(c i), i = 1..nout; coef[0] a, coef[1] -c (positive for a falling
// curve). n < 1 or no usable value stops the program (after a wait for
// Enter); a single usable value returns false (crv and coef untouched).
bool gexp(std::span<const float> y, int nout, int n, std::span<float> crv, std::span<float> tk,
          std::span<float> zk, FitRecord& coef, float miss);

}  // namespace kov
