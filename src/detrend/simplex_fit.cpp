#include "detrend/simplex_fit.hpp"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

constexpr int max_evaluations = 2000;

// Start vertices 2..ndim+1 by mode: absolute parameter vectors.
constexpr float start_vertex[3][5][5] = {
    {{1, 0, 0}, {0, -0.01f, 0}, {0, 0, 0.1f}},
    {{1, 0, 0, 0}, {0, -0.01f, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0.1f}},
    {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, -0.01f, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 0.1f}},
};

struct CurveParams {
    float a = 0, b = 0, c = 0, d = 0, k = 0;
};

CurveParams params_of(std::span<const float> v, int mode) {
    CurveParams q;
    switch (mode) {
        case 1: q = {v[0], v[1], 0.0f, 0.0f, v[2]}; break;
        case 2: q = {v[0], v[1], 1.0f, v[2], v[3]}; break;
        default: q = {v[0], v[2], v[1], v[3], v[4]}; break;
    }
    return q;
}

float curve_at(const CurveParams& q, float time) {
    float u = time + q.d;
    return q.a * std::exp(q.b * u + q.c * std::log(u)) + q.k;
}

}  // namespace

float gamoff(std::span<const float> v, int nemax, int ne, std::span<const float> t,
             std::span<const float> x, int mode) {
    if (ne > nemax) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "in gamoff ne > nemax: %10d%10d", ne, nemax);
        con().line("");
        con().line(buf);
        con().line("bye.");
        con().wait();
        throw Stop("", exit_failure);
    }
    assert(static_cast<int>(t.size()) >= ne && static_cast<int>(x.size()) >= ne);
    CurveParams q = params_of(v, mode);
    double sum = 0;
    for (int i = 0; i < ne; ++i) {
        double u = static_cast<double>(t[i]) + q.d;
        double r = q.a * std::exp(q.b * u + q.c * std::log(u)) + q.k - x[i];
        sum += r * r;
    }
    float s = static_cast<float>(sum);
    return std::isfinite(s) ? s : std::numeric_limits<float>::infinity();
}

float amotry(SimplexMatrix& p, SimplexValues& y, SimplexVertex& psum, int ndim, int ihi, float fac,
             int mode, int nemax, int ne, std::span<const float> t, std::span<const float> x) {
    SimplexVertex ptry{};
    float fac1 = (1.0f - fac) / static_cast<float>(ndim);
    float fac2 = fac1 - fac;
    auto& worst = p[ihi - 1];
    for (int j = 0; j < ndim; ++j) ptry[j] = psum[j] * fac1 - worst[j] * fac2;
    // the time shift keeps u = t + D at 1 or above
    if (mode == 2 || mode == 3) {
        float& shift = ptry[ndim - 2];
        if (shift <= 0) shift = 0;
    }
    float ytry = gamoff(ptry, nemax, ne, t, x, mode);
    if (ytry < y[ihi - 1]) {
        y[ihi - 1] = ytry;
        for (int j = 0; j < ndim; ++j) {
            psum[j] = psum[j] - worst[j] + ptry[j];
            worst[j] = ptry[j];
        }
    }
    return ytry;
}

void amoeba(SimplexMatrix& p, SimplexValues& y, int ndim, int& iter, float ftol, int mode,
            int nemax, int ne, std::span<const float> t, std::span<const float> x) {
    const int mpts = ndim + 1;
    SimplexVertex psum{};
    auto sum_columns = [&] {
        for (int j = 0; j < ndim; ++j) {
            float s = 0;
            for (int i = 0; i < mpts; ++i) s += p[i][j];
            psum[j] = s;
        }
    };
    auto best_to_row_one = [&](int ilo) {
        std::swap(y[0], y[ilo - 1]);
        std::swap(p[0], p[ilo - 1]);
    };
    iter = 0;
    sum_columns();
    for (;;) {
        int ilo = 1, ihi, inhi;
        if (y[0] > y[1]) {
            ihi = 1;
            inhi = 2;
        } else {
            ihi = 2;
            inhi = 1;
        }
        for (int i = 1; i <= mpts; ++i) {
            if (y[i - 1] <= y[ilo - 1]) ilo = i;
            if (y[i - 1] > y[ihi - 1]) {
                inhi = ihi;
                ihi = i;
            } else if (y[i - 1] > y[inhi - 1] && i != ihi) {
                inhi = i;
            }
        }
        float yhi = y[ihi - 1], ylo = y[ilo - 1];
        // Every vertex without a finite objective: nothing to minimise.
        if (!std::isfinite(ylo)) {
            best_to_row_one(ilo);
            return;
        }
        float den = std::fabs(yhi) + std::fabs(ylo);
        // two vertices that both fit exactly have nothing left to improve
        float rtol = den > 0 ? 2.0f * std::fabs(yhi - ylo) / den : 0.0f;
        if (rtol < ftol) {
            best_to_row_one(ilo);
            return;
        }
        if (iter >= max_evaluations) {
            con().line("itmax exceeded in amoeba");
            con().wait();
            best_to_row_one(ilo);
            return;
        }
        iter += 2;
        float ytry = amotry(p, y, psum, ndim, ihi, -1.0f, mode, nemax, ne, t, x);
        if (ytry <= y[ilo - 1]) {
            amotry(p, y, psum, ndim, ihi, 2.0f, mode, nemax, ne, t, x);
        } else if (ytry >= y[inhi - 1]) {
            float ysave = y[ihi - 1];
            ytry = amotry(p, y, psum, ndim, ihi, 0.5f, mode, nemax, ne, t, x);
            if (ytry >= ysave) {
                for (int i = 1; i <= mpts; ++i) {
                    if (i == ilo) continue;
                    for (int j = 0; j < ndim; ++j) {
                        psum[j] = 0.5f * (p[i - 1][j] + p[ilo - 1][j]);
                        p[i - 1][j] = psum[j];
                    }
                    y[i - 1] = gamoff(psum, nemax, ne, t, x, mode);
                }
                iter += ndim;
                sum_columns();
            }
        } else {
            iter -= 1;
        }
    }
}

bool gamfit(SimplexMatrix& p, SimplexValues& y, SimplexVertex& v, int ndim, int& iter, int mode,
            int nemax, int nout, int n, std::span<const float> t, std::span<const float> x,
            std::span<float> crv, float& ybest) {
    assert(mode >= 1 && mode <= 3 && ndim == mode + 2);
    assert(static_cast<int>(crv.size()) >= nout);
    v = p[0];
    y[0] = gamoff(v, nemax, n, t, x, mode);
    for (int i = 2; i <= ndim + 1; ++i) {
        for (int j = 0; j < ndim; ++j) p[i - 1][j] = v[j] = start_vertex[mode - 1][i - 2][j];
        y[i - 1] = gamoff(v, nemax, n, t, x, mode);
    }
    amoeba(p, y, ndim, iter, 1e-5f, mode, nemax, n, t, x);
    ybest = y[0];
    if (!std::isfinite(ybest)) return false;
    CurveParams q = params_of(p[0], mode);
    for (int i = 1; i <= nout; ++i) {
        float f = curve_at(q, static_cast<float>(i));
        if (!std::isfinite(f)) return false;
    }
    for (int i = 1; i <= nout; ++i) crv[i - 1] = curve_at(q, static_cast<float>(i));
    return true;
}

}  // namespace kov
