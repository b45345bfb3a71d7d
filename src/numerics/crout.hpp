#pragma once
// Inversion of a square float matrix in double arithmetic with its
// determinant: Crout's LU decomposition with implicit partial pivoting, then
// one forward and back substitution per column of the identity.
// Matrices are column-major with leading dimension ld: element (i, j),
// 1-based, is a[(j - 1) * ld + (i - 1)].
#include <span>

namespace kov {

inline constexpr int crout_capacity = 500;

// a (ld by n, leading n by n block used): the matrix in, its inverse out.
// det: the determinant. ierr: 0 after an inversion; 1 when n > 500
// ("*** matrix dimension too large for crout ***"), 2 when a row is all zero
// ("*** singular matrix in crout ***") or the inverse is too large for float
// (then the same message); both wait for Enter and leave a and det
// unchanged. Other nearly singular matrices are inverted with zero pivots
// replaced by 1e-20 and give very large values.
void crout(std::span<float> a, int n, float& det, int ld, int& ierr);

// The LU factors of lu (ld by n) in place, rows permuted as recorded in
// indx(1..n) (1-based pivot rows); vv(1..n) work; d = +1 or -1 for an even or
// odd number of interchanges. A row of zeros: the singular message, a wait
// for Enter, ierr = 2 and an immediate return.
void crtlu(std::span<double> lu, int n, int ld, std::span<int> indx, std::span<double> vv,
           double& d, int& ierr);

// Solves with the factors of crtlu: b(1..n) the right-hand side in, the
// solution out.
void crtsol(std::span<const double> lu, int n, int ld, std::span<const int> indx,
            std::span<double> b);

}  // namespace kov
