#pragma once
// Cubic smoothing splines of equally spaced values, set by the period at which
// the curve keeps half the amplitude of a sine wave, and the symmetric
// positive-definite band solver they stand on. The systems are solved in
// double; values, weights, curve and smoothing parameter cross as float.
//
// For a period T: w = 2 pi / T, p = 6 (cos w - 1)^2 / (cos w + 2). With
// m = n - 2 unknowns c and Q the second-difference operator, the curve is
// crv = y - D Q c where (Q'DQ + p R) c = Q'y, R having 4/3 on its diagonal and
// 1/3 beside it, D the value scales (1 in spline, squared error scales in
// spl2w).
//
// Band storage (column-major, `ia` rows by nsub + 1 columns, element (i, j) at
// a[(j - 1) * ia + (i - 1)]): row i holds row i of the lower band, column
// nsub + 1 the diagonal and column nsub + 1 - k the element coupling i with
// i - k.
#include <span>

namespace kov {

// Error values a caller finds in crv(1).
inline constexpr float spline_too_short = -9998.0f;  // fewer than 4 values
inline constexpr float spline_not_pd = -9999.0f;     // the system could not be factored

// Whether crv(1) holds one of the error values: no curve was written.
inline bool spline_failed(std::span<const float> crv) {
    return crv[0] == spline_too_short || crv[0] == spline_not_pd;
}

// The unweighted smoothing spline of y(1..n) with 50% response at `per`
// years, into crv(1..n); p receives the smoothing parameter.
// n < 4: crv(1) = -9998, nothing else written. n > 5001: console message and
// Stop. A failed pivot, or a period of 0 (the formula divides by it):
// crv(1) = -9999 and ">> sbr spline: matrix not positive definite". A period
// of 1 gives p = 0 and the least-squares straight line; a negative period the
// curve of its absolute value.
void spline(int n, std::span<const float> y, std::span<float> crv, float& p, int per);

// The weighted smoothing spline: w(1..n) are error scales (1 for an ordinary
// value, larger lets the curve pass farther away, 999 leaves the value
// practically free); each w(i) is replaced by its square. (The unread first
// argument of the original interface is left out.) When the system cannot be
// factored (also for a period of 0) the console shows the solver's code,
// waits for Enter, and crv is not written. n <= 2 leaves no second
// difference to smooth: crv = y.
void spl2w(int n, std::span<const float> y, std::span<float> w, float& p, std::span<float> crv,
           int per);

// Solves A x = b for one right-hand side, A symmetric positive definite in
// band storage a (ia rows, nsub sub-diagonals, order n), factored in place.
// b holds the solution on return (unchanged when the factorisation fails).
// ib, m and idgt are accepted and not read. d1 * 2^d2 is det(A); ier = 0, or
// 129 when A is not positive definite to working precision.
void leq1pb(std::span<double> a, int n, int nsub, int ia, std::span<double> b, int ib, int m,
            int idgt, double& d1, double& d2, int& ier);

// Band Cholesky A = L L' of a into ul (iu rows; ul may be a itself); the
// diagonal column of ul holds the reciprocals of L's diagonal. d1, d2, ier as
// for leq1pb.
void pbdcmp(std::span<const double> a, int n, int nsub, int ia, std::span<double> ul, int iu,
            double& d1, double& d2, int& ier);

// Solves L L' x = b from the factor of pbdcmp (x may be b itself).
void pbsolv(std::span<const double> ul, std::span<const double> b, int n, int nsub, int iu,
            std::span<double> x);

}  // namespace kov
