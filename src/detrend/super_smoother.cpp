#include "detrend/super_smoother.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace kov {

namespace {
constexpr float spans[3] = {0.05f, 0.2f, 0.5f};  // tweeter, midrange, woofer
constexpr float big = 1e20f, sml = 1e-7f, eps = 1e-3f;
}  // namespace

void smooth(int n, std::span<const float> x, std::span<const float> y, std::span<const float> w,
            float span, int iper, float vsmlsq, std::span<float> smo, std::span<float> acvr) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(y.size()) >= n &&
           static_cast<int>(w.size()) >= n && static_cast<int>(smo.size()) >= n);
    assert(iper <= 0 || static_cast<int>(acvr.size()) >= n);
    auto X = [&](int i) { return static_cast<double>(x[i - 1]); };
    auto Y = [&](int i) { return static_cast<double>(y[i - 1]); };
    auto W = [&](int i) { return static_cast<double>(w[i - 1]); };

    double xm = 0, ym = 0, var = 0, cvar = 0, fbw = 0;
    const int jper = std::abs(iper);
    int ibw = static_cast<int>(0.5 * span * n + 0.5);
    if (ibw < 2) ibw = 2;
    // a window wider than the series is the whole series
    const int it = std::min(2 * ibw + 1, n);

    auto add = [&](double xt, double yt, double wt) {
        double fbo = fbw;
        fbw += wt;
        if (fbw > 0) {
            xm = (fbo * xm + wt * xt) / fbw;
            ym = (fbo * ym + wt * yt) / fbw;
        }
        double tmp = fbo > 0 ? fbw * wt * (xt - xm) / fbo : 0.0;
        var += tmp * (xt - xm);
        cvar += tmp * (yt - ym);
    };
    auto remove = [&](double xt, double yt, double wt) {
        double fbo = fbw;
        fbw -= wt;
        double tmp = fbw > 0 ? fbo * wt * (xt - xm) / fbw : 0.0;
        var -= tmp * (xt - xm);
        cvar -= tmp * (yt - ym);
        if (fbw > 0) {
            xm = (fbo * xm - wt * xt) / fbw;
            ym = (fbo * ym - wt * yt) / fbw;
        }
    };

    for (int i = 1; i <= it; ++i) {
        int j = i;
        double xt;
        if (jper == 2) j = i - ibw - 1;
        if (j >= 1) {
            xt = X(j);
        } else {
            j = n + j;
            xt = X(j) - 1.0;
        }
        add(xt, Y(j), W(j));
    }

    for (int j = 1; j <= n; ++j) {
        int out = j - ibw - 1, in = j + ibw;
        bool moves = jper == 2 || (out >= 1 && in <= n);
        if (moves) {
            double xto, xti;
            if (out < 1) {
                out = n + out;
                xto = X(out) - 1.0;
                xti = X(in);
            } else if (in > n) {
                in = in - n;
                xti = X(in) + 1.0;
                xto = X(out);
            } else {
                xto = X(out);
                xti = X(in);
            }
            remove(xto, Y(out), W(out));
            add(xti, Y(in), W(in));
        }
        double a = var > vsmlsq ? cvar / var : 0.0;
        double s = a * (X(j) - xm) + ym;
        smo[j - 1] = static_cast<float>(s);
        if (iper <= 0) continue;
        double h = fbw > 0 ? 1.0 / fbw : 0.0;
        if (var > vsmlsq) h += (X(j) - xm) * (X(j) - xm) / var;
        acvr[j - 1] = 0;
        a = 1.0 - W(j) * h;
        if (a > 0) {
            acvr[j - 1] = static_cast<float>(std::fabs(Y(j) - smo[j - 1]) / a);
        } else if (j > 1) {
            acvr[j - 1] = acvr[j - 2];
        }
    }

    // points that share an abscissa share one smoothed value
    int j = 1;
    while (j <= n) {
        int j0 = j;
        double sy = static_cast<double>(smo[j - 1]) * W(j);
        double sw = W(j);
        while (j < n && !(x[j] > x[j - 1])) {
            ++j;
            sy += W(j) * smo[j - 1];
            sw += W(j);
        }
        if (j > j0) {
            float a = sw > 0 ? static_cast<float>(sy / sw) : 0.0f;
            for (int i = j0; i <= j; ++i) smo[i - 1] = a;
        }
        ++j;
    }
}

void supsmu(int n, std::span<const float> x, std::span<const float> y, std::span<const float> w,
            int iper, float span, float alpha, std::span<float> smo, std::span<float> sc) {
    // A series of no values (a compact record of count 0 is one) has nothing
    // to smooth.
    if (n < 1) return;
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(y.size()) >= n &&
           static_cast<int>(w.size()) >= n && static_cast<int>(smo.size()) >= n);
    if (!(x[n - 1] > x[0])) {
        double sy = 0, sw = 0;
        for (int j = 0; j < n; ++j) {
            sy += static_cast<double>(w[j]) * y[j];
            sw += w[j];
        }
        float a = sw > 0 ? static_cast<float>(sy / sw) : 0.0f;
        std::fill(smo.begin(), smo.begin() + n, a);
        return;
    }
    if (n < 5) {
        // Too short for the smallest running window of five points: the
        // weighted least-squares line is what any span would give.
        double sw = 0, sx = 0, sy = 0;
        for (int j = 0; j < n; ++j) {
            sw += w[j];
            sx += static_cast<double>(w[j]) * x[j];
            sy += static_cast<double>(w[j]) * y[j];
        }
        if (!(sw > 0)) {
            std::fill(smo.begin(), smo.begin() + n, 0.0f);
            return;
        }
        double xm = sx / sw, ym = sy / sw, sxx = 0, sxy = 0;
        for (int j = 0; j < n; ++j) {
            sxx += w[j] * (x[j] - xm) * (x[j] - xm);
            sxy += w[j] * (x[j] - xm) * (y[j] - ym);
        }
        double b = sxx > 0 ? sxy / sxx : 0.0;
        for (int j = 0; j < n; ++j) smo[j] = static_cast<float>(ym + b * (x[j] - xm));
        return;
    }
    assert(static_cast<int>(sc.size()) >= 7 * n);
    auto col = [&](int k) { return sc.subspan(static_cast<size_t>(k - 1) * n, n); };
    auto at = [&](int j, int k) -> float& { return sc[static_cast<size_t>(k - 1) * n + (j - 1)]; };

    int i = n / 4, j = 3 * i;
    float scale = x[j - 1] - x[i - 1];
    while (scale <= 0) {
        if (j < n) ++j;
        if (i > 1) --i;
        scale = x[j - 1] - x[i - 1];
    }
    float vsmlsq = (eps * scale) * (eps * scale);
    int jper = iper;
    if (iper == 2 && (x[0] < 0 || x[n - 1] > 1)) jper = 1;
    if (jper < 1 || jper > 2) jper = 1;
    if (span > 0) {
        smooth(n, x, y, w, span, jper, vsmlsq, smo, sc);
        return;
    }
    for (int k = 1; k <= 3; ++k) {
        smooth(n, x, y, w, spans[k - 1], jper, vsmlsq, col(2 * k - 1), col(7));
        smooth(n, x, col(7), w, spans[1], -jper, vsmlsq, col(2 * k), {});
    }
    for (int jj = 1; jj <= n; ++jj) {
        float resmin = big;
        for (int k = 1; k <= 3; ++k) {
            if (at(jj, 2 * k) < resmin) {
                resmin = at(jj, 2 * k);
                at(jj, 7) = spans[k - 1];
            }
        }
        if (alpha > 0 && alpha <= 10 && resmin < at(jj, 6) && resmin > 0) {
            at(jj, 7) += (spans[2] - at(jj, 7)) *
                         std::pow(std::max(sml, resmin / at(jj, 6)), 10.0f - alpha);
        }
    }
    smooth(n, x, col(7), w, spans[1], -jper, vsmlsq, col(2), {});
    for (int jj = 1; jj <= n; ++jj) {
        float& s = at(jj, 2);
        if (s <= spans[0]) s = spans[0];
        if (s >= spans[2]) s = spans[2];
        float f = s - spans[1];
        if (f < 0) {
            f = -f / (spans[1] - spans[0]);
            at(jj, 4) = (1.0f - f) * at(jj, 3) + f * at(jj, 1);
        } else {
            f = f / (spans[2] - spans[1]);
            at(jj, 4) = (1.0f - f) * at(jj, 3) + f * at(jj, 5);
        }
    }
    smooth(n, x, col(4), w, spans[0], -jper, vsmlsq, smo, {});
}

}  // namespace kov
