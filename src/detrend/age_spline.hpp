#pragma once
// The age-dependent smoothing spline: a cubic smoothing spline whose 50%
// frequency-response period starts at the stiffness s0 for the first value and
// grows by one year per value, so that the curve follows a young tree closely
// and stiffens as it ages. Value i stands at t = i; vectors are 1-based in the
// arithmetic (element i at [i - 1]).
#include <span>

namespace kov {

// Fits the spline to y(1..n) into crv(1..nout). When nout > n the first curve
// is padded with its last value to nout values and smoothed once more over
// 1..nout, so the curve continues beyond the data (and its first n values
// change slightly). ld is the capacity mxy, not used. Returns true when crv
// holds a curve. A stiffness of 1 gives the first row p = 0, and one below 1
// periods that count up through negative values (each the period of its
// absolute value). Failures: fewer than 4 values set crv(1) := -9998; a
// period of 0 among the rows used or a band matrix that is not positive
// definite sets crv(1) := -9999 (with a console line); in these cases the
// rest of crv is untouched and no extension is made. More than 5001 values
// stop the program.
bool splext(int ld, int nout, int n, std::span<const float> y, std::span<float> crv, int s0);

// seq(1) = first, seq(i) = seq(i-1) + 1 for i = 2..n (only seq(1) when
// n < 2). ld is the declared length of seq: at most ld values are written.
void yrseq(int ld, int n, int first, std::span<int> seq);

// Cubic smoothing spline of y(1..n) into crv(1..n) in which row i of the
// system (the second difference centred on value i+1) has its own period
// per(i), i = 1..n-2, in years. Solved in double by a band Cholesky
// factorisation. Returns false with crv(1) := -9998 for n < 4 and
// crv(1) := -9999 (console ">> sbr spline: matrix not positive definite") for
// a period of 0 or a matrix that is not positive definite. n > 5001 stops the
// program.
bool splvar(int n, std::span<const float> y, std::span<float> crv, std::span<const int> per);

}  // namespace kov
