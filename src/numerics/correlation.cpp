#include "numerics/correlation.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

#include "shared/capacities.hpp"

namespace kov {

namespace {

bool correlate(const float* x, const float* y, const int* cnt, int n, float& r, float& a,
               float& b) {
    auto counts = [&](int i) { return cnt == nullptr || cnt[i] > 0; };
    r = a = b = undef_stat;
    int k = 0;
    float sx = 0.0f, sy = 0.0f, x0 = 0.0f, y0 = 0.0f;
    bool x_varies = false, y_varies = false;
    for (int i = 0; i < n; ++i)
        if (counts(i)) {
            if (k == 0) {
                x0 = x[i];
                y0 = y[i];
            }
            x_varies = x_varies || x[i] != x0;
            y_varies = y_varies || y[i] != y0;
            sx += x[i];
            sy += y[i];
            ++k;
        }
    if (k < 2) return false;
    const float fk = static_cast<float>(k);
    const float xm = sx / fk, ym = sy / fk;
    float sxx = 0.0f, syy = 0.0f, sxy = 0.0f;
    for (int i = 0; i < n; ++i)
        if (counts(i)) {
            const float dx = x[i] - xm, dy = y[i] - ym;
            sxx += dx * dx;
            syy += dy * dy;
            sxy += dx * dy;
        }
    // Equal values have no variance, whatever a rounded mean leaves of their
    // deviations.
    if (!x_varies) sxx = 0.0f;
    if (!y_varies) syy = 0.0f;
    const float den = std::sqrt(sxx * syy);
    if (!(den > 0.0f) || !std::isfinite(den)) {
        // No correlation without variance in both. A constant y on a varying
        // x still has its least-squares line: the horizontal one.
        if (sxx > 0.0f && !(syy > 0.0f)) {
            b = 0.0f;
            a = ym;
        }
        return false;
    }
    r = sxy / den;
    b = r * std::sqrt(syy / (fk - 1.0f)) / std::sqrt(sxx / (fk - 1.0f));
    a = ym - b * xm;
    return true;
}

}  // namespace

bool corlin(std::span<const float> x, std::span<const float> y, int n, float& r, float& a,
            float& b) {
    assert(n <= static_cast<int>(x.size()) && n <= static_cast<int>(y.size()));
    return correlate(x.data(), y.data(), nullptr, n, r, a, b);
}

bool corlnm(std::span<const float> x, std::span<const float> y, std::span<const int> cnt, int n,
            float& r, float& a, float& b) {
    assert(n <= static_cast<int>(x.size()) && n <= static_cast<int>(y.size()) &&
           n <= static_cast<int>(cnt.size()));
    return correlate(x.data(), y.data(), cnt.data(), n, r, a, b);
}

bool acfpac(std::span<float> x, std::span<const int> cnt, int n, int m, std::span<float> acf,
            std::span<float> pacf, std::span<float> band) {
    if (m < 0) return true;
    const int nl = m + 1;  // lags 1..m+1
    assert(n <= static_cast<int>(x.size()) && n <= static_cast<int>(cnt.size()));
    assert(nl <= static_cast<int>(acf.size()) && nl <= static_cast<int>(pacf.size()) &&
           nl <= static_cast<int>(band.size()));
    auto counts = [&](int i) { return cnt[i] > 0; };  // 0-based

    int v = 0;
    float sum = 0.0f;
    for (int i = 0; i < n; ++i)
        if (counts(i)) {
            sum += x[i];
            ++v;
        }
    auto undefined = [&] {
        std::fill(acf.begin(), acf.begin() + nl, undef_stat);
        std::fill(pacf.begin(), pacf.begin() + nl, undef_stat);
        std::fill(band.begin(), band.begin() + nl, undef_stat);
        return false;
    };
    if (v < 2) return undefined();
    const float fv = static_cast<float>(v);
    const float mean = sum / fv;
    float ss = 0.0f;
    for (int i = 0; i < n; ++i)
        if (counts(i)) ss += (x[i] - mean) * (x[i] - mean);
    const float s = std::sqrt(ss / fv);
    if (!(s > 0.0f) || !std::isfinite(1.0f / s)) return undefined();  // a constant series

    for (int i = 0; i < n; ++i)
        if (counts(i)) x[i] = (x[i] - mean) / s;
    for (int k = 1; k <= nl; ++k) {
        float sk = 0.0f;
        for (int i = k; i < n; ++i)
            if (counts(i) && counts(i - k)) sk += x[i] * x[i - k];
        acf[k - 1] = sk / fv;  // divided by the number of values, not of pairs
    }
    for (int i = 0; i < n; ++i)
        if (counts(i)) x[i] = s * x[i] + mean;

    // Durbin-Levinson: phi(1..k-1) are the coefficients of order k - 1.
    auto A = [&](int k) { return acf[k - 1]; };
    std::vector<float> phi(nl + 1, 0.0f), old(nl + 1, 0.0f);
    pacf[0] = A(1);
    for (int k = 2; k <= nl; ++k) {
        const float pk1 = pacf[k - 2];
        old = phi;
        phi[k - 1] = pk1;
        for (int j = 1; j <= k - 2; ++j) phi[j] = old[j] - pk1 * old[k - 1 - j];
        // The two sums are formed first and then taken from acf(k) and from 1.
        float s_lag = 0.0f, s_own = 0.0f;
        for (int j = 1; j <= k - 1; ++j) {
            s_lag += phi[j] * A(k - j);
            s_own += phi[j] * A(j);
        }
        const float pk = (A(k) - s_lag) / (1.0f - s_own);
        if (!std::isfinite(pk)) {  // a perfectly predictable series: no further partial correlation
            std::fill(pacf.begin() + (k - 1), pacf.begin() + nl, undef_stat);
            break;
        }
        pacf[k - 1] = pk;
    }

    const float root_v = std::sqrt(fv);
    band[0] = 2.0f / root_v;
    float s2 = 0.0f;
    for (int k = 2; k <= nl; ++k) {
        s2 += A(k - 1) * A(k - 1);
        band[k - 1] = 2.0f * std::sqrt(1.0f + 2.0f * s2) / root_v;
    }
    return true;
}

}  // namespace kov
