#pragma once
// Principal components and factor rotation of the common-period analysis:
// symmetric eigen decomposition, conventional signs of eigenvector or loading
// columns, and Kaiser's normalised varimax rotation. 32-bit arithmetic except
// the varimax criterion sums (64-bit).
//
// Matrices are column-major with leading dimension ld (rows as declared,
// possibly more than the order in use): element (i, j), 1-based, is
// a[(j - 1) * ld + (i - 1)].
#include <span>

namespace kov {

// Eigenvalues and eigenvectors of the symmetric n by n matrix in z (only its
// lower triangle is read): Householder tridiagonalisation with accumulated
// transformations, then QL iteration with implicit shifts. On return d(1..n)
// holds the eigenvalues from the largest down and column k of z the unit
// eigenvector of d(k). e(1..n) is work. When one eigenvalue has taken 30 QL
// iterations, the console gets
// "0>>sbr htdql: eigenvector computation terminated after 30 iterations",
// n is set to 0 and d, z hold partial results.
void htdql(int& n, int ld, std::span<float> d, std::span<float> e, std::span<float> z);

// The same decomposition in 64-bit reals of the n by n matrix z (leading
// dimension n), without a console message: false when the iteration failed
// or the matrix holds Inf or NaN.
bool eigen_symmetric(int n, std::span<double> d, std::span<double> e, std::span<double> z);

// For each column j = 1..nf of a over rows 1..n: flipped (sgn(j) = -1) when
// its negative entries carry more squared weight than the others, else kept
// (sgn(j) = 1).
void sgnfix(std::span<float> a, int n, int nf, int ld, std::span<int> sgn);

// Kaiser's normalised varimax rotation of the n by nf loadings a (not
// changed) by pairwise plane rotations: b the rotated loadings, t the nf by nf
// rotation matrix (leading dimension ld), fvar(j) the mean squared loading of
// rotated factor j, h(i) the square root of variable i's communality. A
// variable whose loadings are all 0 stays 0. No convergence within 30 sweeps:
// " >> sbr varimax: error    66" on the console, a wait for Enter, and the
// program stops.
void varimax(std::span<const float> a, int n, int nf, std::span<float> b, std::span<float> t,
             std::span<float> fvar, std::span<float> h, int ld);

}  // namespace kov
