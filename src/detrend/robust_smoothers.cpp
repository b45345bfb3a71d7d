#include "detrend/robust_smoothers.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <vector>

#include "shared/console.hpp"

namespace kov {

void hpsort(int n, std::span<float> ra) {
    if (n < 2) return;
    assert(static_cast<int>(ra.size()) >= n);
    float* a = ra.data() - 1;  // 1-based view of the heap
    int l = n / 2 + 1, ir = n;
    for (;;) {
        float rra;
        if (l > 1) {
            rra = a[--l];
        } else {
            rra = a[ir];
            a[ir] = a[1];
            if (--ir == 1) {
                a[1] = rra;
                return;
            }
        }
        int i = l, j = l + l;
        while (j <= ir) {
            if (j < ir && a[j] < a[j + 1]) ++j;
            if (rra < a[j]) {
                a[i] = a[j];
                i = j;
                j += j;
            } else {
                j = ir + 1;
            }
        }
        a[i] = rra;
    }
}

void lowest(std::span<const float> x, std::span<const float> y, int n, float xs, float& ys,
            int nleft, int nright, std::span<float> w, bool userw, std::span<const float> rw,
            bool& ok) {
    assert(nleft >= 1 && nright <= n && static_cast<int>(x.size()) >= n &&
           static_cast<int>(y.size()) >= n && static_cast<int>(w.size()) >= n);
    float range = x[n - 1] - x[0];
    float h = std::max(xs - x[nleft - 1], x[nright - 1] - xs);
    float h9 = 0.999f * h, h1 = 0.001f * h;
    float a = 0;
    int j = nleft;
    for (; j <= n; ++j) {
        float wj = 0;
        float r = std::fabs(x[j - 1] - xs);
        if (r <= h9) {
            if (r <= h1) {
                wj = 1;
            } else {
                float q = r / h;
                q = 1 - q * q * q;
                wj = q * q * q;
            }
            if (userw) wj *= rw[j - 1];
            a += wj;
        } else if (x[j - 1] > xs) {
            w[j - 1] = 0;
            break;
        }
        w[j - 1] = wj;
    }
    int nrt = j - 1;
    if (a <= 0) {
        ok = false;
        return;
    }
    ok = true;
    for (j = nleft; j <= nrt; ++j) w[j - 1] /= a;
    if (h > 0) {
        float c = 0;
        a = 0;
        for (j = nleft; j <= nrt; ++j) a += w[j - 1] * x[j - 1];
        float b = xs - a;
        for (j = nleft; j <= nrt; ++j) c += w[j - 1] * (x[j - 1] - a) * (x[j - 1] - a);
        if (std::sqrt(c) > 0.001f * range) {
            b /= c;
            for (j = nleft; j <= nrt; ++j) w[j - 1] *= (b * (x[j - 1] - a) + 1.0f);
        }
    }
    float s = 0;
    for (j = nleft; j <= nrt; ++j) s += w[j - 1] * y[j - 1];
    ys = s;
}

void lowess(std::span<const float> y, std::span<float> ys, int n, float f) {
    if (n < 2) {
        ys[0] = y[0];
        return;
    }
    assert(static_cast<int>(y.size()) >= n && static_cast<int>(ys.size()) >= n);
    std::vector<float> x(n), w(n), rw(n, 1.0f), res(n);
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i + 1);
    int q = static_cast<int>(static_cast<float>(n) * f);
    q = std::max(2, std::min(n, q));

    for (int pass = 1; pass <= 3; ++pass) {
        int nleft = 1, nright = q;
        for (int i = 1; i <= n; ++i) {
            while (nright < n && x[nright] - x[i - 1] < x[i - 1] - x[nleft - 1]) {
                ++nleft;
                ++nright;
            }
            bool ok = false;
            lowest(x, y, n, x[i - 1], ys[i - 1], nleft, nright, w, pass > 1, rw, ok);
            if (!ok) ys[i - 1] = y[i - 1];
        }
        if (pass == 3) break;
        for (int i = 0; i < n; ++i) res[i] = y[i] - ys[i];
        for (int i = 0; i < n; ++i) rw[i] = std::fabs(res[i]);
        hpsort(n, rw);
        int m1 = n / 2 + 1, m2 = n - m1 + 1;
        float cmad = 3.0f * (rw[m1 - 1] + rw[m2 - 1]);
        float c9 = 0.999f * cmad, c1 = 0.001f * cmad;
        for (int i = 0; i < n; ++i) {
            float r = std::fabs(res[i]);
            if (r <= c1) {
                rw[i] = 1;
            } else if (r <= c9) {
                float u = r / cmad;
                u = 1 - u * u;
                rw[i] = u * u;
            } else {
                rw[i] = 0;
            }
        }
    }
}

namespace {

// The input checks shared by both running-median routines; `reduce_even`
// makes an even width odd (the repeated smoother) instead of refusing it.
int check_runmed(int n, int& iw, int mxn, bool reduce_even) {
    int ier = 0;
    if (n < iw || n > mxn) ier = 1;
    if (iw < 1 || iw > mxn) ier = 2;
    if (reduce_even) {
        if (iw % 2 == 0) iw -= 1;
        if (iw % 2 != 1) ier = 3;
    } else if (iw % 2 != 1) {
        ier = 3;
    }
    return ier;
}

void report_input_error(int ier, const char* routine) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "input error %1d in %s.", ier, routine);
    con().line("");
    con().line(buf);
    con().wait();
}

}  // namespace

bool msmoo(std::span<const float> x, std::span<float> smo, std::span<float> wk, int n, int iw,
           int& /*iter*/, int& ier, int mxn) {
    ier = check_runmed(n, iw, mxn, false);
    if (ier != 0) {
        report_input_error(ier, "msmoo");
        return false;
    }
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(smo.size()) >= n &&
           static_cast<int>(wk.size()) >= iw);
    if (iw == 1) {
        std::copy(x.begin(), x.begin() + n, smo.begin());
        return true;
    }
    const int h = (iw - 1) / 2;
    // The window is kept sorted as it slides: one value leaves and one enters
    // per step, so no window is sorted afresh.
    auto win = wk.first(iw);
    std::copy(x.begin(), x.begin() + iw, win.begin());
    hpsort(iw, win);
    smo[h] = win[h];
    for (int i = h + 2; i <= n - h; ++i) {
        float out = x[i - h - 2], in = x[i + h - 1];
        auto pos = std::lower_bound(win.begin(), win.end(), out);
        if (pos == win.end() || *pos != out) pos = std::find(win.begin(), win.end(), out);
        if (pos == win.end()) pos = win.end() - 1;  // not reachable for finite values
        // shift the values between the leaving slot and the entering place
        if (pos + 1 != win.end() && in > *(pos + 1)) {
            auto it = pos;
            while (it + 1 != win.end() && *(it + 1) < in) {
                *it = *(it + 1);
                ++it;
            }
            *it = in;
        } else {
            auto it = pos;
            while (it != win.begin() && *(it - 1) > in) {
                *it = *(it - 1);
                --it;
            }
            *it = in;
        }
        smo[i - 1] = win[h];
    }
    for (int i = 1; i <= h; ++i) smo[i - 1] = smo[h];
    for (int i = n - h + 1; i <= n; ++i) smo[i - 1] = smo[n - h - 1];
    return true;
}

bool msmoor(std::span<float> x, std::span<float> smo, std::span<float> wk, int n, int& iw, int& iter,
            int& ier, int mxn) {
    iter = 0;
    ier = check_runmed(n, iw, mxn, true);
    if (ier != 0) {
        report_input_error(ier, "msmoor");
        return false;
    }
    for (int pass = 1; pass <= 10; ++pass) {
        int unused = 0;
        msmoo(x, smo, wk, n, iw, unused, ier, mxn);
        iter = pass;
        float change = 0;
        for (int i = 0; i < n; ++i) change += std::fabs(x[i] - smo[i]);
        if (change < 1e-6f) return true;
        std::copy(smo.begin(), smo.begin() + n, x.begin());
    }
    ier = 20;
    con().line("");
    con().line("*** maximum iterations reached in msmoor ***");
    return true;
}

}  // namespace kov
