#include "numerics/splines.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

// The response formula divides by the period: a period of 0 has no smoothing
// parameter and is refused as a system that cannot be solved. Every other
// period has one: 1 year gives p = 0, whose curve is the least-squares
// straight line (the system is then Q'DQ c = Q'y, still positive definite),
// and a negative period gives the p of its absolute value (the cosine is even).
bool has_parameter(int per) { return per != 0; }

double smoothing_parameter(int per, double two_pi) {
    const double cw = std::cos(two_pi / per);
    return 6.0 * ((cw - 1.0) * (cw - 1.0)) / (cw + 2.0);
}

// (Qc)(i) for i = 1..n, with c(k) = 0 outside 1..m.
double second_difference(const std::vector<double>& c, int i) {
    const int m = static_cast<int>(c.size());
    auto C = [&](int k) { return (k >= 1 && k <= m) ? c[k - 1] : 0.0; };
    return C(i - 2) - 2.0 * C(i - 1) + C(i);
}

// The right-hand side Q'y.
std::vector<double> second_differences_of(std::span<const float> y, int m) {
    std::vector<double> b(m);
    for (int i = 0; i < m; ++i)
        b[i] = static_cast<double>(y[i]) - 2.0 * static_cast<double>(y[i + 1]) +
               static_cast<double>(y[i + 2]);
    return b;
}

}  // namespace

void pbdcmp(std::span<const double> a, int n, int nsub, int ia, std::span<double> ul, int iu,
            double& d1, double& d2, int& ier) {
    assert(n <= ia && n <= iu);
    assert(static_cast<size_t>(ia) * (nsub + 1) <= a.size());
    assert(static_cast<size_t>(iu) * (nsub + 1) <= ul.size());
    const int nc = nsub + 1;
    auto A = [&](int i, int j) { return a[static_cast<size_t>(j - 1) * ia + (i - 1)]; };
    auto U = [&](int i, int j) -> double& { return ul[static_cast<size_t>(j - 1) * iu + (i - 1)]; };
    // L(i, c) for matrix column c of row i, c in i - nsub .. i.
    auto L = [&](int i, int c) -> double& { return U(i, nc - (i - c)); };

    d1 = 1.0;
    d2 = 0.0;
    ier = 0;
    for (int i = 1; i <= std::min(nsub, n); ++i)
        for (int j = 1; j <= nc - i; ++j) U(i, j) = 0.0;
    const double rn = 1.0 / (16.0 * n);
    for (int i = 1; i <= n; ++i) {
        for (int j = std::max(1, nsub + 2 - i); j <= nc; ++j) {
            const int k = i - (nc - j);  // the matrix column of band column j
            double s = A(i, j);
            for (int c = std::max(1, i - nsub); c <= k - 1; ++c) s -= L(i, c) * L(k, c);
            if (j < nc) {
                U(i, j) = s * U(k, nc);
                continue;
            }
            // A pivot that is not positive, or too small to change the
            // diagonal element at this relative scale, ends the factorisation.
            const double aii = A(i, nc);
            if (!(rn * s + aii > aii)) {
                ier = 129;
                return;
            }
            U(i, nc) = 1.0 / std::sqrt(s);
            d1 *= s;
            if (!std::isfinite(d1) || d1 == 0.0) continue;  // no scaling loop on an extreme pivot
            while (std::fabs(d1) > 1.0) {
                d1 *= 0.0625;
                d2 += 4.0;
            }
            while (std::fabs(d1) <= 0.0625) {
                d1 *= 16.0;
                d2 -= 4.0;
            }
        }
    }
}

void pbsolv(std::span<const double> ul, std::span<const double> b, int n, int nsub, int iu,
            std::span<double> x) {
    assert(n <= iu && static_cast<size_t>(iu) * (nsub + 1) <= ul.size());
    assert(n <= static_cast<int>(b.size()) && n <= static_cast<int>(x.size()));
    if (n < 1) return;
    const int nc = nsub + 1;
    auto U = [&](int i, int j) { return ul[static_cast<size_t>(j - 1) * iu + (i - 1)]; };
    auto L = [&](int i, int c) { return U(i, nc - (i - c)); };
    auto X = [&](int i) -> double& { return x[i - 1]; };

    // Forward, L y = b: rows before the first non-zero entry of b give 0.
    int first = 0;
    for (int i = 1; i <= n; ++i) {
        double s = b[i - 1];
        if (first > 0) {
            for (int c = std::max(first, i - nsub); c <= i - 1; ++c) s -= L(i, c) * X(c);
        } else if (s != 0.0) {
            first = i;
        }
        X(i) = s * U(i, nc);
    }
    // Backward, L' x = y.
    X(n) = X(n) * U(n, nc);
    for (int i = n - 1; i >= 1; --i) {
        double s = X(i);
        for (int j = i + 1; j <= std::min(i + nsub, n); ++j) s -= L(j, i) * X(j);
        X(i) = s * U(i, nc);
    }
}

void leq1pb(std::span<double> a, int n, int nsub, int ia, std::span<double> b, int /*ib*/,
            int /*m*/, int /*idgt*/, double& d1, double& d2, int& ier) {
    ier = 0;
    pbdcmp(a, n, nsub, ia, a, ia, d1, d2, ier);
    if (ier == 0) pbsolv(a, b, n, nsub, ia, b);
}

void spline(int n, std::span<const float> y, std::span<float> crv, float& p, int per) {
    if (n < 4) {
        if (!crv.empty()) crv[0] = spline_too_short;
        return;
    }
    if (n > mxy) {
        Console& c = con();
        c.line("");
        c.line(" *** series too long for spline subroutine ***");
        c.line(" *** enlarge mxy parameter in subroutine ***");
        c.line("");
        throw Stop("");
    }
    assert(n <= static_cast<int>(y.size()) && n <= static_cast<int>(crv.size()));
    auto not_positive_definite = [&] {
        crv[0] = spline_not_pd;
        con().line(">> sbr spline: matrix not positive definite");
    };
    if (!has_parameter(per)) {
        p = 0.0f;
        return not_positive_definite();
    }
    const double pd = smoothing_parameter(per, 2.0 * 3.1415926535897936);
    p = static_cast<float>(pd);

    const int m = n - 2;
    std::vector<double> band(static_cast<size_t>(m) * 3, 0.0);
    auto B = [&](int i, int j) -> double& { return band[static_cast<size_t>(j - 1) * m + (i - 1)]; };
    for (int i = 1; i <= m; ++i) {
        B(i, 3) = 6.0 + pd * 1.33333333333333;
        if (i >= 2) B(i, 2) = -4.0 + pd * 0.33333333333333;
        if (i >= 3) B(i, 1) = 1.0;
    }
    std::vector<double> c = second_differences_of(y, m);
    double d1 = 0.0, d2 = 0.0;
    int ier = 0;
    pbdcmp(band, m, 2, m, band, m, d1, d2, ier);
    if (ier != 0) return not_positive_definite();
    pbsolv(band, c, m, 2, m, c);
    for (int i = 1; i <= n; ++i)
        crv[i - 1] = y[i - 1] - static_cast<float>(second_difference(c, i));
}

void spl2w(int n, std::span<const float> y, std::span<float> w, float& p, std::span<float> crv,
           int per) {
    if (n < 1) return;
    assert(n <= static_cast<int>(y.size()) && n <= static_cast<int>(w.size()) &&
           n <= static_cast<int>(crv.size()));
    std::vector<double> d(n);
    for (int i = 0; i < n; ++i) {
        d[i] = static_cast<double>(w[i]) * static_cast<double>(w[i]);
        w[i] = static_cast<float>(d[i]);
    }
    const double pd = has_parameter(per) ? smoothing_parameter(per, 6.2831853076) : 0.0;
    p = static_cast<float>(pd);
    if (n <= 2) {
        std::copy(y.begin(), y.begin() + n, crv.begin());
        return;
    }

    const int m = n - 2;
    std::vector<double> band(static_cast<size_t>(m) * 3, 0.0);
    auto B = [&](int i, int j) -> double& { return band[static_cast<size_t>(j - 1) * m + (i - 1)]; };
    auto D = [&](int i) { return d[i - 1]; };
    for (int i = 1; i <= m; ++i) {
        B(i, 3) = D(i) + 4.0 * D(i + 1) + D(i + 2) + pd * 1.3333333333;
        if (i >= 2) B(i, 2) = -2.0 * (D(i) + D(i + 1)) + pd * 0.3333333333;
        if (i >= 3) B(i, 1) = D(i);
    }
    std::vector<double> c = second_differences_of(y, m);
    double d1 = 0.0, d2 = 0.0;
    int ier = 0;
    if (!has_parameter(per))
        ier = 129;
    else
        leq1pb(band, m, 2, m, c, m, 1, 10, d1, d2, ier);
    if (ier != 0) {
        con().write("(/1x,'in spl2w ier from leq1pb =',i5,'.')", ier);
        con().wait();
        return;
    }
    for (int i = 1; i <= n; ++i)
        crv[i - 1] = static_cast<float>(static_cast<double>(y[i - 1]) -
                                        static_cast<double>(w[i - 1]) * second_difference(c, i));
}

}  // namespace kov
