#include "numerics/crout.hpp"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <vector>

#include "shared/console.hpp"

namespace kov {

namespace {

constexpr double tiny_pivot = 1.0e-20;

void singular() {
    con().line("*** singular matrix in crout ***");
    con().wait();
}

}  // namespace

void crtlu(std::span<double> lu, int n, int ld, std::span<int> indx, std::span<double> vv,
           double& d, int& ierr) {
    assert(n <= ld && static_cast<size_t>(ld) * n <= lu.size());
    assert(n <= static_cast<int>(indx.size()) && n <= static_cast<int>(vv.size()));
    auto LU = [&](int i, int j) -> double& { return lu[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    d = 1.0;
    for (int i = 1; i <= n; ++i) {
        double big = 0.0;
        for (int j = 1; j <= n; ++j) big = std::max(big, std::fabs(LU(i, j)));
        if (big == 0.0) {
            singular();
            ierr = 2;
            return;
        }
        vv[i - 1] = 1.0 / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i < j; ++i) {
            double s = LU(i, j);
            for (int k = 1; k < i; ++k) s -= LU(i, k) * LU(k, j);
            LU(i, j) = s;
        }
        double big = 0.0;
        int p = j;
        for (int i = j; i <= n; ++i) {
            double s = LU(i, j);
            for (int k = 1; k < j; ++k) s -= LU(i, k) * LU(k, j);
            LU(i, j) = s;
            const double size = vv[i - 1] * std::fabs(s);
            if (size >= big) {  // of equal candidates the later row is taken
                big = size;
                p = i;
            }
        }
        if (p != j) {
            for (int k = 1; k <= n; ++k) std::swap(LU(p, k), LU(j, k));
            d = -d;
            vv[p - 1] = vv[j - 1];
        }
        indx[j - 1] = p;
        if (j < n) {
            if (LU(j, j) == 0.0) LU(j, j) = tiny_pivot;
            for (int i = j + 1; i <= n; ++i) LU(i, j) /= LU(j, j);
        }
    }
    if (n >= 1 && LU(n, n) == 0.0) LU(n, n) = tiny_pivot;
}

void crtsol(std::span<const double> lu, int n, int ld, std::span<const int> indx,
            std::span<double> b) {
    assert(n <= ld && static_cast<size_t>(ld) * n <= lu.size());
    assert(n <= static_cast<int>(indx.size()) && n <= static_cast<int>(b.size()));
    auto LU = [&](int i, int j) { return lu[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    auto B = [&](int i) -> double& { return b[i - 1]; };
    int first = 0;  // first row with a non-zero right-hand side
    for (int i = 1; i <= n; ++i) {
        const int ip = indx[i - 1];
        double s = B(ip);
        B(ip) = B(i);
        if (first > 0) {
            for (int j = first; j < i; ++j) s -= LU(i, j) * B(j);
        } else if (s != 0.0) {
            first = i;
        }
        B(i) = s;
    }
    for (int i = n; i >= 1; --i) {
        double s = B(i);
        for (int j = i + 1; j <= n; ++j) s -= LU(i, j) * B(j);
        B(i) = s / LU(i, i);
    }
}

void crout(std::span<float> a, int n, float& det, int ld, int& ierr) {
    if (n > crout_capacity) {
        con().line("*** matrix dimension too large for crout ***");
        con().wait();
        ierr = 1;
        return;
    }
    if (n < 1) {
        ierr = 0;
        return;
    }
    assert(n <= ld && static_cast<size_t>(ld) * n <= a.size());
    auto A = [&](int i, int j) -> float& { return a[static_cast<size_t>(j - 1) * ld + (i - 1)]; };

    // Work copies sized to the matrix (ld = n): the arithmetic is that of
    // fixed 500-row tables.
    std::vector<double> lu(static_cast<size_t>(n) * n), inv(static_cast<size_t>(n) * n, 0.0);
    std::vector<double> vv(n);
    std::vector<int> indx(n);
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) lu[static_cast<size_t>(j - 1) * n + (i - 1)] = A(i, j);
    double d = 1.0;
    int err = 0;
    crtlu(lu, n, n, indx, vv, d, err);
    if (err != 0) {
        ierr = err;
        return;
    }
    double dd = d;
    for (int j = 1; j <= n; ++j) dd *= lu[static_cast<size_t>(j - 1) * n + (j - 1)];
    for (int j = 1; j <= n; ++j) {
        std::span<double> col(inv.data() + static_cast<size_t>(j - 1) * n, n);
        col[j - 1] = 1.0;
        crtsol(lu, n, n, indx, col);
    }
    // Replaced zero pivots can push the inverse beyond float range: that
    // matrix is singular for every purpose of the caller.
    for (double v : inv)
        if (!(std::fabs(v) <= FLT_MAX)) {
            singular();
            ierr = 2;
            return;
        }
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) A(i, j) = static_cast<float>(inv[static_cast<size_t>(j - 1) * n + (i - 1)]);
    ierr = 0;  // callers may read it as a pure result
    // A determinant beyond float range keeps its sign at the largest float.
    det = std::fabs(dd) <= FLT_MAX ? static_cast<float>(dd) : std::copysign(FLT_MAX, dd);
}

}  // namespace kov
