#include "detrend/growth_curves.hpp"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

// A fitter that has nothing to work on ends the program, after the user has
// read the message.
[[noreturn]] void stop_after(const std::string& message, bool blank_after) {
    con().line("");
    con().line(message);
    if (blank_after) con().line("");
    con().wait();
    throw Stop("", exit_failure);
}

bool all_finite(std::span<const float> v) {
    for (float f : v)
        if (!std::isfinite(f)) return false;
    return true;
}

// Least squares of y on (1, e) for one trial decay rate of the negative
// exponential. `ok` is false when the rate makes the exponential overflow or
// vanish (the whole fit then fails).
struct ExpTrial {
    bool ok = false;
    double sse = 0, a = 0, d = 0, sy = 0;
};

ExpTrial exp_trial(float r, int n, std::span<const float> y, std::vector<float>& e) {
    ExpTrial t;
    if (static_cast<float>(n) * std::fabs(r) > 112.8f) return t;
    double s1 = 0, s11 = 0, sy = 0, sey = 0;
    for (int i = 1; i <= n; ++i) {
        // the sums are taken of the stored single-precision values
        float ei = std::exp(-static_cast<float>(i) * r);
        e[i - 1] = ei;
        s1 += ei;
        s11 += static_cast<double>(ei) * ei;
        sy += y[i - 1];
        sey += static_cast<double>(ei) * y[i - 1];
    }
    if (s1 > 1e15 || s1 < 1e-15 || s11 > 1e15 || s11 < 1e-15) return t;
    t.ok = true;
    t.sy = sy;
    double den = n * s11 - s1 * s1;
    if (!(den > 0)) {
        // all e equal (a rate of exactly 0): no exponential to fit, so this
        // candidate can never win the comparison
        t.sse = HUGE_VAL;
        return t;
    }
    t.d = (sy * s11 - s1 * sey) / den;
    t.a = (sy - t.d * n) / s1;
    double sse = 0;
    for (int i = 0; i < n; ++i) {
        double r2 = y[i] - t.d - t.a * e[i];
        sse += r2 * r2;
    }
    t.sse = std::isfinite(sse) ? sse : HUGE_VAL;
    return t;
}

}  // namespace

bool curve(int nout, int n, std::span<const float> y, std::span<float> crv, FitRecord& coef) {
    assert(!crv.empty() && static_cast<int>(crv.size()) >= nout);
    auto fail = [&] {
        crv[0] = -999.0f;
        coef[1] = -999.0f;
        return false;
    };
    if (n < 20) {
        char buf[80];
        std::snprintf(buf, sizeof buf, ">> sbr curve:  only%3d values, no exponential curve fit", n);
        con().line(buf);
        return fail();
    }
    assert(static_cast<int>(y.size()) >= n);

    double m1 = 0, m2 = 0;
    for (int i = 0; i < 10; ++i) {
        m1 += y[i];
        m2 += y[n - 10 + i];
    }
    m1 /= 10;
    m2 /= 10;
    // The start rate is the log-ratio of the end means: without two positive
    // end means there is no exponential decline to start from.
    if (!(m1 > 0) || !(m2 > 0)) return fail();
    float b = static_cast<float>((std::log(m1) - std::log(m2)) / (n - 10));
    if (b <= 0) b = 1e-8f;
    float h = 0.0005f;
    bool halving = false;

    std::vector<float> e(n);
    ExpTrial centre = exp_trial(b, n, y, e);
    if (!centre.ok) return fail();
    double held = centre.sse;

    int ended = 0;
    for (int pass = 1; pass <= 34; ++pass) {
        float lo = b - h, hi = b + h;
        ExpTrial tl = exp_trial(lo, n, y, e);
        if (!tl.ok) return fail();
        ExpTrial th = exp_trial(hi, n, y, e);
        if (!th.ok) return fail();
        bool moved = false;
        if (tl.sse < held) {
            b = lo;
            held = tl.sse;
            moved = true;
        }
        if (th.sse < held) {
            b = hi;
            held = th.sse;
            moved = true;
        }
        if (moved && !halving) {
            h = 2 * h;
            continue;
        }
        if (!moved) halving = true;
        h = h / 2;
        if (h <= 5e-7f) {
            ended = pass;
            break;
        }
    }
    if (ended == 0) {
        con().line(">> sbr curve: over 34 iterations");
        return fail();
    }

    ExpTrial fin = exp_trial(b, n, y, e);
    if (!fin.ok) return fail();
    float a = static_cast<float>(fin.a);
    float d = static_cast<float>(fin.d);
    if (d > 9999.0f || a <= 0 || b < 0) b = 0;
    for (int i = 1; i <= nout; ++i) crv[i - 1] = a * std::exp(-static_cast<float>(i) * b) + d;
    if (!all_finite(crv.first(nout))) return fail();
    coef[0] = a;
    coef[1] = b;
    coef[4] = d;
    coef[5] = static_cast<float>(ended);
    coef[6] = static_cast<float>(fin.sy);
    return b > 0;
}

bool linfit(int nout, int n, std::span<const float> y, std::span<float> crv, float& slope,
            float& intercept) {
    if (n < 2) return false;
    assert(static_cast<int>(y.size()) >= n);
    double st = 0, stt = 0, sy = 0, sty = 0;
    for (int i = 1; i <= n; ++i) {
        st += i;
        stt += static_cast<double>(i) * i;
        sy += y[i - 1];
        sty += static_cast<double>(i) * y[i - 1];
    }
    double b = (sty - sy * st / n) / (stt - st * st / n);
    slope = static_cast<float>(b);
    intercept = static_cast<float>(sy / n - st * b / n);
    if (nout >= 1) {
        assert(static_cast<int>(crv.size()) >= nout);
        for (int t = 1; t <= nout; ++t) crv[t - 1] = slope * static_cast<float>(t) + intercept;
    }
    return true;
}

void xmean(std::span<const float> x, int n, float& mean) {
    if (n < 1) stop_after("error in xmean: n=0", false);
    assert(static_cast<int>(x.size()) >= n);
    float s = 0;
    for (int i = 0; i < n; ++i) s += x[i];
    mean = s / static_cast<float>(n);
}

bool hugfit(std::span<const float> t, std::span<const float> y, int nout, int n,
            std::span<float> crv, FitRecord& coef, float miss) {
    assert(static_cast<int>(t.size()) >= n && static_cast<int>(y.size()) >= n);
    assert(static_cast<int>(crv.size()) >= nout);
    // normal equations of ln y = A + b ln t + c t
    double k = 0, sl = 0, st = 0, sll = 0, stl = 0, stt = 0, sz = 0, slz = 0, stz = 0;
    for (int i = 0; i < n; ++i) {
        if (y[i] == miss || !(y[i] > 0) || !(t[i] > 0)) continue;
        double lt = std::log(static_cast<double>(t[i]));
        double z = std::log(static_cast<double>(y[i]));
        double ti = t[i];
        k += 1;
        sl += lt;
        st += ti;
        sll += lt * lt;
        stl += ti * lt;
        stt += ti * ti;
        sz += z;
        slz += lt * z;
        stz += ti * z;
    }
    if (k < 3) return false;
    auto det3 = [](double a11, double a12, double a13, double a21, double a22, double a23,
                   double a31, double a32, double a33) {
        return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) +
               a13 * (a21 * a32 - a22 * a31);
    };
    double det = det3(k, sl, st, sl, sll, stl, st, stl, stt);
    if (!(std::fabs(det) > 0) || !std::isfinite(det)) return false;
    double ca = det3(sz, sl, st, slz, sll, stl, stz, stl, stt) / det;
    double cb = det3(k, sz, st, sl, slz, stl, st, stz, stt) / det;
    double cc = det3(k, sl, sz, sl, sll, slz, st, stl, stz) / det;

    float a = static_cast<float>(std::exp(ca));
    float b = static_cast<float>(cb);
    float c = static_cast<float>(cc);
    std::vector<float> f(nout > 0 ? nout : 0);
    for (int i = 1; i <= nout; ++i) {
        float ti = static_cast<float>(i);
        f[i - 1] = a * std::pow(ti, b) * std::exp(c * ti);
    }
    // Bias of the log fit: scale the curve so that its residuals over the
    // fitted values sum to 0. Only the n values handed in take part (a longer
    // curve has no data beyond them).
    double sf = 0, sr = 0;
    int last = nout < n ? nout : n;
    for (int i = 0; i < last; ++i) {
        if (y[i] == miss) continue;
        sf += f[i];
        sr += y[i] - f[i];
    }
    if (!(sf > 0) || !std::isfinite(sr)) return false;
    float g = static_cast<float>(sr / sf + 1.0);
    if (g != 0) {
        a = g * a;
        for (auto& v : f) v = g * v;
    }
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !all_finite(f)) return false;
    std::copy(f.begin(), f.end(), crv.begin());
    coef[0] = a;
    coef[1] = b;
    coef[2] = c;
    return true;
}

bool gexp(std::span<const float> y, int nout, int n, std::span<float> crv, std::span<float> tk,
          std::span<float> zk, FitRecord& coef, float miss) {
    if (n < 1) stop_after("*** n .le. 0 in sbr gexp ***", true);
    assert(static_cast<int>(y.size()) >= n && static_cast<int>(tk.size()) >= n &&
           static_cast<int>(zk.size()) >= n && static_cast<int>(crv.size()) >= nout);
    int k = 0;
    for (int i = 1; i <= n; ++i) {
        float yi = y[i - 1];
        if (!(yi > 0) || yi == miss) continue;
        ++k;
        tk[k - 1] = static_cast<float>(i);
        zk[k - 1] = std::log(yi) - std::log(static_cast<float>(i));
    }
    if (k == 0) stop_after("*** n1 .le. 0 in sbr gexp ***", true);
    // a rate needs two points
    if (k < 2) return false;
    double mt = 0, mz = 0;
    for (int j = 0; j < k; ++j) {
        mt += tk[j];
        mz += zk[j];
    }
    mt /= k;
    mz /= k;
    double stt = 0, szz = 0, stz = 0;
    for (int j = 0; j < k; ++j) {
        double dt = tk[j] - mt, dz = zk[j] - mz;
        stt += dt * dt;
        szz += dz * dz;
        stz += dt * dz;
    }
    double c = 0;
    // log-ratios that are all equal have no spread: the rate is then 0
    if (szz > 0) {
        double r = stz / std::sqrt(szz * stt);
        double sz = std::sqrt(szz / (k - 1)), st = std::sqrt(stt / (k - 1));
        c = r * sz / st;
    }
    float cf = static_cast<float>(c);
    float a = static_cast<float>(std::exp(mz - c * mt));
    std::vector<float> f(nout > 0 ? nout : 0);
    for (int i = 1; i <= nout; ++i) {
        float ti = static_cast<float>(i);
        f[i - 1] = ti * a * std::exp(cf * ti);
    }
    if (!std::isfinite(a) || !all_finite(f)) return false;
    std::copy(f.begin(), f.end(), crv.begin());
    coef[0] = a;
    coef[1] = -cf;
    return true;
}

}  // namespace kov
