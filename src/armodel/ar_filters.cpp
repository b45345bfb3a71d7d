#include "armodel/ar_filters.hpp"

#include <cassert>

#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

void bakcst(std::span<float> x, int n, int p, std::span<const float> phi, int m, int ld) {
    if (p == 0) return;
    if (n + m > ld || n + m > static_cast<int>(x.size())) {
        con().line("");
        con().line("*** no room in array for backcasts ***");
        con().wait();
        throw Stop("", exit_failure);
    }
    assert(static_cast<int>(phi.size()) >= p);
    for (int i = n; i >= 1; --i) x[i + m - 1] = x[i - 1];
    for (int k = m; k >= 1; --k) {
        float s = 0;
        for (int j = 1; j <= p; ++j) s += phi[j - 1] * x[k + j - 1];
        x[k - 1] = s;
    }
}

namespace {

// Residual of the AR model at series year t of the backcast-extended w.
float residual_at(std::span<const float> w, int t, int p, std::span<const float> phi) {
    float e = w[t + p - 1];
    for (int j = 1; j <= p; ++j) e -= phi[j - 1] * w[t + p - j - 1];
    return e;
}

// Runs the recursive AR filter at series year t of w, in place.
void filter_at(std::span<float> w, int t, int p, std::span<const float> phi) {
    float s = w[t + p - 1];
    for (int j = 1; j <= p; ++j) s += phi[j - 1] * w[t + p - j - 1];
    w[t + p - 1] = s;
}

// Mean over the years with a count above 0; nvalid receives their number.
float valid_mean(std::span<const float> x, std::span<const int> cnt, int n, int& nvalid) {
    float s = 0;
    nvalid = 0;
    for (int i = 0; i < n; ++i)
        if (cnt[i] > 0) {
            s += x[i];
            ++nvalid;
        }
    return nvalid > 0 ? s / static_cast<float>(nvalid) : 0.0f;
}

float plain_mean(std::span<const float> x, int n) {
    float s = 0;
    for (int i = 0; i < n; ++i) s += x[i];
    return n > 0 ? s / static_cast<float>(n) : 0.0f;
}

}  // namespace

void prewht(std::span<float> x, std::span<float> w, int n, int p, std::span<const float> phi,
            int ld) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(w.size()) >= n);
    const float mean = plain_mean(x, n);
    for (int i = 0; i < n; ++i) {
        x[i] -= mean;
        w[i] = x[i];
    }
    bakcst(w, n, p, phi, p, ld);
    for (int t = 1; t <= n; ++t) x[t - 1] = residual_at(w, t, p, phi);
    for (int t = 0; t < n; ++t) x[t] += mean;
}

void prwcrn(std::span<float> x, std::span<const int> cnt, std::span<float> w, int n, int p,
            std::span<const float> phi, int ld) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(cnt.size()) >= n &&
           static_cast<int>(w.size()) >= n);
    int nvalid = 0;
    const float mean = valid_mean(x, cnt, n, nvalid);
    for (int i = 0; i < n; ++i) {
        x[i] = cnt[i] > 0 ? x[i] - mean : 0.0f;
        w[i] = x[i];
    }
    bakcst(w, n, p, phi, p, ld);
    for (int t = 1; t <= n; ++t) x[t - 1] = residual_at(w, t, p, phi);
    for (int t = 0; t < n; ++t) x[t] = cnt[t] > 0 ? x[t] + mean : 1.0f;
}

void rewht(std::span<float> x, std::span<float> w, int n, std::span<const float> phi, int p,
           int ld) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(w.size()) >= n);
    const float mean = plain_mean(x, n);
    for (int i = 0; i < n; ++i) w[i] = x[i] - mean;
    bakcst(w, n, p, phi, p, ld);
    for (int t = 1; t <= n; ++t) {
        filter_at(w, t, p, phi);
        x[t - 1] = w[t + p - 1] + mean;
    }
}

void rwhcrn(std::span<float> x, std::span<const int> cnt, std::span<float> w, int n,
            std::span<const float> phi, int p, int ld) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(cnt.size()) >= n &&
           static_cast<int>(w.size()) >= n);
    int nvalid = 0;
    const float mean = valid_mean(x, cnt, n, nvalid);
    for (int i = 0; i < n; ++i) w[i] = cnt[i] > 0 ? x[i] - mean : 0.0f;
    bakcst(w, n, p, phi, p, ld);
    for (int t = 1; t <= n; ++t) {
        if (cnt[t - 1] > 0) {
            filter_at(w, t, p, phi);
            x[t - 1] = w[t + p - 1] + mean;
        } else {
            x[t - 1] = 1.0f;
        }
    }
}

void rwhone(std::span<const float> x, std::span<float> y, int n, std::span<const float> phi, int p,
            int ld) {
    assert(static_cast<int>(x.size()) >= n && static_cast<int>(y.size()) >= n);
    for (int i = 0; i < n; ++i) y[i] = x[i] - 1.0f;
    bakcst(y, n, p, phi, p, ld);
    for (int t = 1; t <= n; ++t) {
        filter_at(y, t, p, phi);
        y[t - 1] = y[t + p - 1] + 1.0f;
    }
}

}  // namespace kov
