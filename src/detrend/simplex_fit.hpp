#pragma once
// Least-squares fits of the general growth curve
//     f(t) = A (t + D)^C exp(B (t + D)) + K
// by the downhill simplex method of Nelder and Mead, in three parameter
// layouts (modes):
//     mode 1 (ndim 3): A, B, K      C = 0, D = 0   general negative exponential
//     mode 2 (ndim 4): A, B, D, K   C = 1          general exponential
//     mode 3 (ndim 5): A, C, B, D, K               Hugershoff
// D, the time shift (pith offset), never becomes negative.
//
// The simplex is a 6 x 5 matrix: p[i-1][j-1] is parameter j of vertex i; only
// rows 1..ndim+1 and columns 1..ndim are used. y[i-1] is the objective at
// vertex i. Times t and series x are handed in (the dispatcher passes t = 1..n).
#include <array>
#include <span>

#include "shared/capacities.hpp"

namespace kov {

using SimplexMatrix = std::array<std::array<float, 5>, 6>;
using SimplexValues = std::array<float, 6>;
using SimplexVertex = std::array<float, 5>;

// The data limit callers hand to the simplex fits: every series the program
// can hold (up to mxy values) can be fitted.
inline constexpr int simplex_nemax = mxy;

// Fits the curve of `mode` to x(1..n) at the times t(1..n). Row 1 of p holds
// the caller's first vertex; vertices 2..ndim+1 come from a fixed table. On
// return row 1 holds the fitted parameters, iter the evaluation count,
// ybest the residual sum of squares of row 1 and crv(1..nout) the curve
// A exp(B u + C ln u) + K with u = i + D. v is work. Returns false, leaving
// crv untouched, when the fit has no finite sum of squares or its curve is
// not finite.
bool gamfit(SimplexMatrix& p, SimplexValues& y, SimplexVertex& v, int ndim, int& iter, int mode,
            int nemax, int nout, int n, std::span<const float> t, std::span<const float> x,
            std::span<float> crv, float& ybest);

// The objective: the residual sum of squares of parameter vector v (laid out
// by mode) over the first ne values, evaluated and summed in double, returned
// as float (so that a simplex shrunk to float resolution around an exact fit
// sees equal values and stops by its tolerance). A
// sum that is not finite (an overflowing exponential) is returned as +inf so
// that the simplex moves away from it. With ne > nemax the program stops
// ("in gamoff ne > nemax: ", then the pause "bye.").
float gamoff(std::span<const float> v, int nemax, int ne, std::span<const float> t,
             std::span<const float> x, int mode);

// Minimises gamoff over the simplex in place until the spread of the vertex
// values falls below ftol, or 2000 evaluations ("itmax exceeded in amoeba" and
// a wait for Enter); the lowest vertex ends in row 1.
void amoeba(SimplexMatrix& p, SimplexValues& y, int ndim, int& iter, float ftol, int mode,
            int nemax, int ne, std::span<const float> t, std::span<const float> x);

// One trial move of the worst vertex ihi (1-based) through the face opposite
// it by the factor fac; the vertex is replaced when the trial is better.
// psum holds the column sums of the simplex. Returns the trial's objective.
float amotry(SimplexMatrix& p, SimplexValues& y, SimplexVertex& psum, int ndim, int ihi, float fac,
             int mode, int nemax, int ne, std::span<const float> t, std::span<const float> x);

}  // namespace kov
