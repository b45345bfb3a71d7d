#pragma once
// Two robust smoothers used as growth curves: robust locally weighted
// regression (lowess) and repeated running medians; with the heapsort they
// share. Value i of a series stands at x = i; all vectors are 1-based in the
// arithmetic (element i at [i - 1]) and must hold at least n values.
#include <span>

namespace kov {

// Robust locally weighted regression of y(1..n) on 1..n into ys(1..n): each
// local fit uses q = trunc(n f) values (at least 2, at most n), a tricube
// weighted straight line, two robustness passes with bisquare weights on six
// times the median absolute residual, and every point fitted (no
// interpolation). With n < 2, ys(1) := y(1).
void lowess(std::span<const float> y, std::span<float> ys, int n, float f);

// One local fit of lowess at abscissa xs from the points nleft..nright
// (1-based): ys the fitted value; w(1..n) work, the local weights; rw the
// robustness weights, applied when userw; ok false when all weights vanish
// (ys is then not set).
void lowest(std::span<const float> x, std::span<const float> y, int n, float xs, float& ys,
            int nleft, int nright, std::span<float> w, bool userw, std::span<const float> rw,
            bool& ok);

// Repeated running medians of odd width iw: passes of msmoo until a pass
// changes the series by less than 1e-6 in absolute sum (at most 10; then
// ier := 20, a console message, and the tenth pass stands). x(1..n) is a work
// copy of the series and is overwritten; smo(1..n) the smooth; wk work; iter
// the passes made. An even width is reduced by 1 and written back to iw.
// Input errors (n < iw or n > mxn: 1; iw < 1 or iw > mxn: 2; a width that is
// not odd and positive: 3; the last that applies wins) are shown on the
// console with a wait for Enter and leave smo untouched. Returns true when smo
// holds a smooth (ier 0 or 20), false on an input error.
bool msmoor(std::span<float> x, std::span<float> smo, std::span<float> wk, int n, int& iw, int& iter,
            int& ier, int mxn);

// One pass of running medians of odd width iw: smo(i) = median of
// x(i-h..i+h), h = (iw-1)/2, for i = h+1..n-h, and flat ends. iter is not
// used. Input errors as msmoor, except that an even width is error 3 and is
// not reduced; returns false on an input error (smo untouched).
bool msmoo(std::span<const float> x, std::span<float> smo, std::span<float> wk, int n, int iw,
           int& iter, int& ier, int mxn);

// Sorts ra(1..n) ascending in place (heapsort).
void hpsort(int n, std::span<float> ra);

}  // namespace kov
