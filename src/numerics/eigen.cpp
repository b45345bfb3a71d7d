#include "numerics/eigen.hpp"

#include <cassert>
#include <cmath>

#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

// Rows whose squared length left of the sub-diagonal is at most `reduced_row`
// are already reduced; `epsilon` is the relative precision of the type.
template <class Real>
struct Limits;
template <>
struct Limits<float> {
    static constexpr float reduced_row = 7.888609e-31f;  // 2^-100
    static constexpr float epsilon = 5.9604645e-08f;     // 2^-24
};
template <>
struct Limits<double> {
    static constexpr double reduced_row = 0x1p-200;
    static constexpr double epsilon = 0x1p-53;
};
constexpr int max_ql_iterations = 30;

// Householder tridiagonalisation with accumulated transformations, QL
// iteration with shifts and the ordering from the largest eigenvalue down, in
// the precision of Real. False when one eigenvalue took 30 iterations (d and
// z then hold partial results).
template <class Real>
bool decompose(int n, int ld, Real* d, Real* e, Real* z) {
    auto Z = [&](int i, int j) -> Real& { return z[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    auto D = [&](int i) -> Real& { return d[i - 1]; };
    auto E = [&](int i) -> Real& { return e[i - 1]; };
    const Real zero = 0, one = 1, two = 2;

    // Householder reduction to tridiagonal form, row by row from the last.
    for (int i = n; i >= 2; --i) {
        int l = i - 2;
        Real f = Z(i, i - 1);
        Real g = zero;
        for (int k = 1; k <= l; ++k) g += Z(i, k) * Z(i, k);
        Real h = g + f * f;
        if (g <= Limits<Real>::reduced_row) {
            E(i) = f;
            h = zero;
        } else {
            ++l;
            g = f >= zero ? -std::sqrt(h) : std::sqrt(h);
            E(i) = g;
            h -= f * g;
            Z(i, i - 1) = f - g;
            f = zero;
            for (int j = 1; j <= l; ++j) {
                Z(j, i) = Z(i, j) / h;
                g = zero;
                for (int k = 1; k <= j; ++k) g += Z(j, k) * Z(i, k);
                for (int k = j + 1; k <= l; ++k) g += Z(k, j) * Z(i, k);
                E(j) = g / h;
                f += g * Z(j, i);
            }
            const Real hh = f / (h + h);
            for (int j = 1; j <= l; ++j) {
                f = Z(i, j);
                g = E(j) - hh * f;
                E(j) = g;
                for (int k = 1; k <= j; ++k) Z(j, k) = Z(j, k) - f * E(k) - g * Z(i, k);
            }
        }
        D(i) = h;
    }
    D(1) = zero;
    E(1) = zero;

    // Accumulate the transformations into z.
    for (int i = 1; i <= n; ++i) {
        const int l = i - 1;
        if (D(i) != zero) {
            for (int j = 1; j <= l; ++j) {
                Real g = zero;
                for (int k = 1; k <= l; ++k) g += Z(i, k) * Z(k, j);
                for (int k = 1; k <= l; ++k) Z(k, j) -= g * Z(k, i);
            }
        }
        D(i) = Z(i, i);
        Z(i, i) = one;
        for (int j = 1; j <= l; ++j) {
            Z(i, j) = zero;
            Z(j, i) = zero;
        }
    }

    // QL iteration with shifts on the tridiagonal matrix.
    for (int i = 2; i <= n; ++i) E(i - 1) = E(i);
    E(n) = zero;
    Real b = zero, f = zero;
    for (int l = 1; l <= n; ++l) {
        int iterations = 0;
        const Real h = Limits<Real>::epsilon * (std::fabs(D(l)) + std::fabs(E(l)));
        if (b < h) b = h;
        int m = l;
        while (m < n && !(std::fabs(E(m)) <= b)) ++m;  // E(n) = 0 closes every block
        if (m > l) {
            do {
                if (iterations == max_ql_iterations) return false;
                ++iterations;
                Real g = D(l);
                Real p = (D(l + 1) - g) / (two * E(l));
                Real r = std::sqrt(p * p + one);
                D(l) = E(l) / (p < zero ? p - r : p + r);
                Real hs = g - D(l);
                for (int i = l + 1; i <= n; ++i) D(i) -= hs;
                f += hs;
                p = D(m);
                Real c = one, s = zero;
                for (int i = m - 1; i >= l; --i) {
                    g = c * E(i);
                    hs = c * p;
                    if (std::fabs(p) >= std::fabs(E(i))) {
                        c = E(i) / p;
                        r = std::sqrt(c * c + one);
                        E(i + 1) = s * p * r;
                        s = c / r;
                        c = one / r;
                    } else {
                        c = p / E(i);
                        r = std::sqrt(c * c + one);
                        E(i + 1) = s * E(i) * r;
                        s = one / r;
                        c = c / r;
                    }
                    p = c * D(i) - s * g;
                    D(i + 1) = hs + s * (c * g + s * D(i));
                    for (int k = 1; k <= n; ++k) {
                        const Real zk = Z(k, i + 1);
                        Z(k, i + 1) = s * Z(k, i) + c * zk;
                        Z(k, i) = c * Z(k, i) - s * zk;
                    }
                }
                E(l) = s * p;
                D(l) = c * p;
            } while (std::fabs(E(l)) > b);
        }
        D(l) = D(l) + f;
    }

    // Largest first; of equal values the later one is taken.
    for (int i = 1; i < n; ++i) {
        int k = i;
        Real p = D(i);
        for (int j = i + 1; j <= n; ++j)
            if (D(j) >= p) {
                k = j;
                p = D(j);
            }
        if (k != i) {
            D(k) = D(i);
            D(i) = p;
            for (int j = 1; j <= n; ++j) std::swap(Z(j, i), Z(j, k));
        }
    }
    return true;
}

void report_failure(int& n) {
    con().line("0>>sbr htdql: eigenvector computation terminated after 30 iterations");
    n = 0;
}

}  // namespace

void htdql(int& n, int ld, std::span<float> d, std::span<float> e, std::span<float> z) {
    if (n < 1) return;
    assert(n <= ld && static_cast<size_t>(ld) * n <= z.size());
    assert(n <= static_cast<int>(d.size()) && n <= static_cast<int>(e.size()));
    // A matrix holding Inf or NaN (an undefined correlation passed on) cannot
    // be decomposed: report it as the failure it is, never NaN eigenvalues.
    for (int j = 1; j <= n; ++j)
        for (int i = j; i <= n; ++i)
            if (!std::isfinite(z[static_cast<size_t>(j - 1) * ld + (i - 1)])) return report_failure(n);
    if (!decompose<float>(n, ld, d.data(), e.data(), z.data())) report_failure(n);
}

bool eigen_symmetric(int n, std::span<double> d, std::span<double> e, std::span<double> z) {
    if (n < 1) return true;
    assert(n <= static_cast<int>(d.size()) && n <= static_cast<int>(e.size()) &&
           static_cast<size_t>(n) * n <= z.size());
    for (size_t k = 0; k < static_cast<size_t>(n) * n; ++k)
        if (!std::isfinite(z[k])) return false;
    return decompose<double>(n, n, d.data(), e.data(), z.data());
}

void sgnfix(std::span<float> a, int n, int nf, int ld, std::span<int> sgn) {
    if (nf < 1) return;
    assert(n <= ld && static_cast<size_t>(ld) * nf <= a.size() && nf <= static_cast<int>(sgn.size()));
    for (int j = 0; j < nf; ++j) {
        float* col = a.data() + static_cast<size_t>(j) * ld;
        float pos = 0.0f, neg = 0.0f;
        for (int i = 0; i < n; ++i) {
            if (col[i] >= 0.0f)
                pos += col[i] * col[i];
            else
                neg += col[i] * col[i];
        }
        sgn[j] = 1;
        if (pos < neg) {
            sgn[j] = -1;
            for (int i = 0; i < n; ++i) col[i] = -col[i];
        }
    }
}

void varimax(std::span<const float> a, int n, int nf, std::span<float> b, std::span<float> t,
             std::span<float> fvar, std::span<float> h, int ld) {
    if (n < 1 || nf < 1) return;
    assert(n <= ld && nf <= ld);
    assert(static_cast<size_t>(ld) * nf <= a.size() && static_cast<size_t>(ld) * nf <= b.size());
    assert(static_cast<size_t>(ld) * nf <= t.size());
    assert(nf <= static_cast<int>(fvar.size()) && n <= static_cast<int>(h.size()));
    auto A = [&](int i, int j) { return a[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    auto B = [&](int i, int j) -> float& { return b[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    auto T = [&](int i, int j) -> float& { return t[static_cast<size_t>(j - 1) * ld + (i - 1)]; };
    const float fn = static_cast<float>(n);

    for (int j = 1; j <= nf; ++j)
        for (int k = 1; k <= nf; ++k) T(k, j) = k == j ? 1.0f : 0.0f;
    // Kaiser normalisation: every variable to unit length. A variable with no
    // loading at all has no direction and stays 0.
    for (int i = 1; i <= n; ++i) {
        float hh = 0.0f;
        for (int j = 1; j <= nf; ++j) hh += A(i, j) * A(i, j);
        h[i - 1] = std::sqrt(hh);
        for (int j = 1; j <= nf; ++j) B(i, j) = h[i - 1] > 0.0f ? A(i, j) / h[i - 1] : 0.0f;
    }

    auto criterion = [&] {
        double v = 0.0;
        for (int j = 1; j <= nf; ++j) {
            double s2 = 0.0, s4 = 0.0;
            for (int i = 1; i <= n; ++i) {
                const double q = static_cast<double>(B(i, j)) * B(i, j);
                s2 += q;
                s4 += q * q;
            }
            v += (n * s4 - s2 * s2) / (static_cast<double>(n) * n);
        }
        return v;
    };

    if (nf >= 2) {
        const int npairs = nf * (nf - 1) / 2;
        int sweep = 1, small_gains = 0, unrotated = 0;
        double vold = 0.0;
        for (;;) {
            ++sweep;
            const double v = criterion();
            if (sweep > 30) {
                con().write("(/' >> sbr varimax: error',i6)", 66);
                con().wait();
                throw Stop("");
            }
            if (v - vold <= 0.001 * vold && ++small_gains >= 2) break;
            vold = v;
            bool converged = false;
            for (int j = 1; j < nf && !converged; ++j)
                for (int k = j + 1; k <= nf && !converged; ++k) {
                    float sa = 0.0f, sb = 0.0f, sc = 0.0f, sd = 0.0f;
                    for (int i = 1; i <= n; ++i) {
                        const float x = B(i, j), y = B(i, k);
                        const float u = (x - y) * (x + y), w = 2.0f * x * y;
                        sa += u;
                        sb += w;
                        sc += (u - w) * (u + w);
                        sd += u * w;
                    }
                    const float cc = sc - (sa - sb) * (sa + sb) / fn;
                    const float dd = 2.0f * sd - 2.0f * sa * sb / fn;
                    float phi = 0.0f;
                    const bool turn = std::fabs(cc) + std::fabs(dd) > 0.0001f &&
                                      std::fabs(phi = std::atan2(dd, cc) / 4.0f) >= 0.25f * 0.0001f;
                    if (!turn) {
                        // Every pair in a row left as it stands: nothing more to gain.
                        converged = ++unrotated >= npairs;
                        continue;
                    }
                    unrotated = 0;
                    const float cs = std::cos(phi), sn = std::sin(phi);
                    for (int i = 1; i <= n; ++i) {
                        const float x = B(i, j), y = B(i, k);
                        B(i, j) = x * cs + y * sn;
                        B(i, k) = y * cs - x * sn;
                    }
                    for (int i = 1; i <= nf; ++i) {
                        const float x = T(i, j), y = T(i, k);
                        T(i, j) = x * cs + y * sn;
                        T(i, k) = y * cs - x * sn;
                    }
                }
            if (converged) break;
        }
    }

    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= nf; ++j) B(i, j) = B(i, j) * h[i - 1];
    for (int j = 1; j <= nf; ++j) {
        double s = 0.0;
        for (int i = 1; i <= n; ++i) s += static_cast<double>(B(i, j)) * B(i, j);
        fvar[j - 1] = static_cast<float>(s / n);
    }
}

}  // namespace kov
