#include "armodel/burg.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace kov {

namespace {

// One Burg fit; `cnt` empty means every year is valid.
void burg_fit(std::span<float> x, std::span<const int> cnt, int n, int maxp, int& ip, float& r2,
              std::span<float> phi, int mode, std::span<float> f, std::span<float> b,
              std::span<float> a) {
    assert(static_cast<int>(x.size()) >= n);
    assert(cnt.empty() || static_cast<int>(cnt.size()) >= n);
    auto valid = [&](int i) { return cnt.empty() || cnt[i - 1] > 0; };

    float sum = 0;
    int nvalid = 0;
    for (int i = 1; i <= n; ++i)
        if (valid(i)) {
            sum += x[i - 1];
            ++nvalid;
        }
    ip = 0;
    r2 = 0;
    if (nvalid == 0) return;
    const float mean = sum / static_cast<float>(nvalid);
    const float big_n = static_cast<float>(nvalid);
    float ss = 0;
    for (int i = 1; i <= n; ++i)
        if (valid(i)) {
            x[i - 1] -= mean;
            ss += x[i - 1] * x[i - 1];
        }
    const float v0 = ss / big_n;
    auto restore = [&] {
        for (int i = 1; i <= n; ++i)
            if (valid(i)) x[i - 1] += mean;
    };

    // Stages beyond N - 3 would make the small-sample penalty of AICc infinite
    // or negative and run the Burg sums empty; a constant series has nothing
    // to model.
    const int stages = std::min(maxp, nvalid - 3);
    if (stages < 1 || !(v0 > 0)) {
        restore();
        return;
    }
    assert(static_cast<int>(phi.size()) >= stages && static_cast<int>(a.size()) >= stages &&
           static_cast<int>(f.size()) >= n - 1 && static_cast<int>(b.size()) >= n - 1);

    const float aic0 = big_n * std::log(v0) + 2.0f;
    for (int i = 1; i <= n - 1; ++i) {
        f[i - 1] = x[i - 1];
        b[i - 1] = x[i];
    }
    int m = n - 1;
    float v = v0;
    float aic_prev = 0;
    for (int k = 1; k <= stages; ++k) {
        float num = 0, den = 0;
        for (int i = 1; i <= m; ++i) {
            if (!valid(i)) continue;
            num += f[i - 1] * b[i - 1];
            den += f[i - 1] * f[i - 1] + b[i - 1] * b[i - 1];
        }
        // no prediction errors left to reduce: the stage adds nothing
        const float pk = den > 0 ? 2.0f * num / den : 0.0f;
        phi[k - 1] = pk;
        v = v * (1.0f - pk * pk);
        if (v < 0) v = 0;  // |pk| can pass 1 by rounding
        const float kk = static_cast<float>(k);
        const float aicc = big_n * std::log(v) + 2.0f * (kk + 1.0f) +
                           2.0f * (kk + 1.0f) * (kk + 2.0f) / (big_n - kk - 2.0f);
        for (int j = 1; j <= k - 1; ++j) phi[j - 1] = a[j - 1] - pk * a[k - j - 1];
        if (mode < 1 && k > 1 && aicc > aic_prev) {
            ip = k - 1;
            for (int j = 1; j <= k - 1; ++j) phi[j - 1] = a[j - 1];
            r2 = 1.0f - v / v0;
            if (aic_prev > aic0) {
                ip = 0;
                r2 = 0;
            }
            restore();
            return;
        }
        // the last stage only supplies v and its reflection coefficient: a
        // keeps the coefficients of the order returned
        if (k == stages) break;
        for (int j = 1; j <= k; ++j) a[j - 1] = phi[j - 1];
        for (int i = 1; i <= m - 1; ++i) {
            if (!valid(i) || !valid(i + 1)) continue;
            f[i - 1] = f[i - 1] - pk * b[i - 1];
            b[i - 1] = b[i] - pk * f[i];
        }
        aic_prev = aicc;
        --m;
    }
    ip = stages - 1;
    for (int j = 1; j <= stages - 1; ++j) phi[j - 1] = a[j - 1];
    r2 = 1.0f - v / v0;
    restore();
}

}  // namespace

void burgar(std::span<float> x, int n, int maxp, int& ip, float& r2, std::span<float> phi,
            int mode, std::span<float> f, std::span<float> b, std::span<float> a) {
    burg_fit(x, {}, n, maxp, ip, r2, phi, mode, f, b, a);
}

void burgarm(std::span<float> x, std::span<const int> cnt, int n, int maxp, int& ip, float& r2,
             std::span<float> phi, int mode, std::span<float> f, std::span<float> b,
             std::span<float> a) {
    burg_fit(x, cnt, n, maxp, ip, r2, phi, mode, f, b, a);
}

}  // namespace kov
