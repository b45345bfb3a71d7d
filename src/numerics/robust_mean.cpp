#include "numerics/robust_mean.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "numerics/statistics.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"

namespace kov {

namespace {

// The quantile mean types of a sorted sample, with its median and hinges.
float quantile_of_sorted(const float* x, int n, int type, float xmed, float xuh, float xlh) {
    auto X = [&](std::int64_t i) { return x[static_cast<size_t>(i - 1)]; };
    const std::int64_t k = -static_cast<std::int64_t>(type);
    switch (k) {
        case 1: return X(1);
        case 25: return xlh;
        case 50: return xmed;
        case 75: return xuh;
        case 100: return X(n);
        default: break;
    }
    const float p = static_cast<float>(k * n) / 100.0f;
    // Small samples put the lower order statistic before the first value
    // and types below -100 put the upper one past the last: hold both to
    // the sample.
    auto clamp = [&](float pos) { return std::clamp<std::int64_t>(static_cast<std::int64_t>(pos), 1, n); };
    return (X(clamp(p)) + X(clamp(p + 0.5f))) * 0.5f;
}

// The biweight's four passes over the sorted x(1..n), each from the location
// of the one before (the first from the median); only the location moves,
// the scale stays c * MAD. Returns the location of pass 4; the scale of pass
// 4 into *scale and the weights of pass 4 into wt when they are asked for.
double biweight_passes(const float* x, int n, float c, float xmed, float mad, double* scale, float* wt) {
    const double cm = static_cast<double>(c) * static_cast<double>(mad);
    double t = xmed;
    for (int pass = 1; pass <= 4; ++pass) {
        double sa = 0.0, sb = 0.0, sw = 0.0, sdv = 0.0;
        for (int i = 0; i < n; ++i) {
            const double dev = static_cast<double>(x[i]) - t;
            const double u = dev / cm;
            double weight = 0.0;
            if (std::fabs(u) < 1.0) {
                const double om = 1.0 - u * u;
                weight = om * om;
                if (scale) {
                    sa += dev * dev * (weight * weight);
                    sb += om * (1.0 - 5.0 * u * u);
                }
                sw += weight;
                sdv += dev * weight;
            }
            if (wt && pass >= 2) wt[i] = static_cast<float>(weight);
        }
        if (scale) *scale = (n / std::sqrt(static_cast<double>(n - 1))) * std::sqrt(sa) / std::fabs(sb);
        if (sw > 0.0) t += sdv / sw;
    }
    return t;
}

// The median absolute deviation of x(0..n-1), sorted ascending, from its
// median xmed. The absolute deviations fall as x rises below the median and
// rise above it: merging the two runs outward from the median gives them in
// ascending order, as far as the two middle ones, with no sort.
float mad_of_sorted(const float* x, int n, float xmed) {
    const int h = (n + 1) / 2;
    int below = static_cast<int>(std::lower_bound(x, x + n, xmed) - x) - 1, above = below + 1;
    float lower_mid = 0.0f, upper_mid = 0.0f;
    for (int k = 0; k <= n - h; ++k) {
        float dev;
        if (above >= n || (below >= 0 && std::fabs(x[below] - xmed) <= std::fabs(x[above] - xmed)))
            dev = std::fabs(x[below--] - xmed);
        else
            dev = std::fabs(x[above++] - xmed);
        if (k == h - 1) lower_mid = dev;
        if (k == n - h) upper_mid = dev;
    }
    return (lower_mid + upper_mid) * 0.5f;
}

}  // namespace

namespace detail {

float location_of_sorted(const float* x, int n, float c, int type) {
    if (n == 1) return x[0];
    float xmed, xuh, xlh, xiqr, xmin, xmax;
    five_of_sorted(x, n, xmed, xuh, xlh, xiqr, xmin, xmax);
    if (type < 0) return quantile_of_sorted(x, n, type, xmed, xuh, xlh);
    const float mad = mad_of_sorted(x, n, xmed);
    if ((mad < 0.0001f && n >= 6) || n <= 5) return xmed;
    return static_cast<float>(biweight_passes(x, n, c, xmed, mad, nullptr, nullptr));
}

}  // namespace detail

void biwgt(std::span<float> x, std::span<float> wk, float c, int n, float& xbar, float& sd,
           float& se, float& eff, int& iter, std::span<float> wt, std::span<int> perm) {
    iter = 0;
    if (n <= 0) {
        xbar = -999.0f;
        con().line("fatal error in biwgt: n is zero or negative");
        con().wait();
        throw Stop("");
    }
    assert(n <= static_cast<int>(x.size()));
    int* idx = nullptr;
    if (!perm.empty()) {
        assert(n <= static_cast<int>(perm.size()));
        std::iota(perm.begin(), perm.begin() + n, 1);
        idx = perm.data();
    }
    if (n == 1) {
        xbar = x[0];
        sd = se = eff = 0.0f;
        return;
    }

    const float fn = static_cast<float>(n);
    const float root_n = std::sqrt(fn);
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) sum += x[i];
    const float a = sum / fn;
    float ss = 0.0f;
    for (int i = 0; i < n; ++i) ss += (x[i] - a) * (x[i] - a);
    const float v = ss / static_cast<float>(n - 1);

    const int type = shared().optval(12, 1);
    if (type == 1) {
        xbar = a;
        sd = std::sqrt(v);
        se = sd / root_n;
        eff = 1.0f;
        return;
    }

    detail::sort_ascending(x.data(), idx, n);
    float xmed, xuh, xlh, xiqr, xmin, xmax;
    detail::five_of_sorted(x.data(), n, xmed, xuh, xlh, xiqr, xmin, xmax);

    if (type < 0) {
        sd = se = eff = 0.0f;
        xbar = quantile_of_sorted(x.data(), n, type, xmed, xuh, xlh);
        return;
    }

    // Tukey biweight, started from the median with the median absolute
    // deviation as scale.
    assert(n <= static_cast<int>(wk.size()));
    xbar = xmed;
    // wk keeps the sorted deviations for the caller (the resampled means of
    // the bootstrap take the same value from mad_of_sorted, with no sort)
    for (int i = 0; i < n; ++i) wk[i] = std::fabs(x[i] - xmed);
    sortr(n, wk);
    const int h = (n + 1) / 2;
    const float mad = (wk[h - 1] + wk[n - h]) * 0.5f;
    if (mad < 0.0001f && n >= 6) {
        sd = mad;
        se = mad / root_n;
        eff = 1.0f;  // no robust iteration: the estimate is as efficient as the median fallback says
        return;
    }
    if (n <= 5) {
        sd = 1.5f * mad;
        se = sd / root_n;
        eff = 1.0f;
        return;
    }

    assert(n <= static_cast<int>(wt.size()));
    double s = 0.0;
    const double t = biweight_passes(x.data(), n, c, xmed, mad, &s, wt.data());
    xbar = static_cast<float>(t);
    sd = static_cast<float>(s);
    if (!std::isfinite(sd)) sd = 1.5f * mad;  // the weights' curvature sum vanished: fall back to the MAD scale
    se = sd / root_n;
    iter = 3;
    eff = 1.0f;
    if (sd > 0.0f) {
        const float e = v / (sd * sd);
        if (std::isfinite(e)) eff = e;
    }
}

}  // namespace kov
