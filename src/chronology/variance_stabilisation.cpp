#include "chronology/variance_stabilisation.hpp"

#include <cmath>
#include <vector>

#include "numerics/splines.hpp"

namespace kov {

namespace {
struct MeanSd {
    float mean = 0.0f;
    float sd = 0.0f;
};

// Mean and standard deviation (divisor count - 1) of the values whose flag is
// set, by the sum-of-squares formula; a variance that rounds to 0 or below is 0.
template <class Take>
MeanSd mean_sd(std::span<const float> v, Take take) {
    float sum = 0.0f, sumsq = 0.0f;
    int count = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        if (!take(i)) continue;
        sum += v[i];
        sumsq += v[i] * v[i];
        ++count;
    }
    MeanSd r;
    if (count == 0) return r;
    r.mean = sum / static_cast<float>(count);
    if (count < 2) return r;
    const float var = (sumsq - static_cast<float>(count) * r.mean * r.mean) / static_cast<float>(count - 1);
    r.sd = var > 0.0f ? std::sqrt(var) : 0.0f;
    return r;
}
}  // namespace

void stabspl(std::span<float> x, std::span<float> crv, std::span<float> y, std::span<const int> cnt, int& per) {
    const int n = static_cast<int>(x.size());
    if (n == 0) return;
    const std::vector<float> original(x.begin(), x.end());

    int deep = 0;
    for (int i = 0; i < n; ++i)
        if (cnt[i] > 3) ++deep;
    const bool use_deep = deep > n / 3;
    const MeanSd ref = mean_sd(std::span<const float>(x.data(), x.size()),
                               [&](size_t i) { return !use_deep || cnt[i] > 3; });

    std::vector<signed char> negative(n);
    for (int i = 0; i < n; ++i) {
        const float d = x[i] - ref.mean;
        negative[i] = d < 0.0f;
        x[i] = std::fabs(d);
    }
    if (per < -9) per = static_cast<int>(std::fabs(static_cast<float>(per) / 100.0f * static_cast<float>(n)));

    float p = 0.0f;
    spline(n, x, crv, p, per);
    if (crv[0] == spline_too_short || crv[0] == spline_not_pd) {
        // Without a spread curve there is nothing to divide by: the series
        // stays as it came, and crv keeps the spline's error value.
        for (int i = 0; i < n; ++i) y[i] = original[i];
        return;
    }

    for (int i = 0; i < n; ++i) {
        // A spread curve at or below 0 says the deviations there are nil:
        // the year is put at the mean rather than blown up by the division.
        const float q = crv[i] > 0.0f ? x[i] / crv[i] : 0.0f;
        y[i] = negative[i] ? -q : q;
    }
    const MeanSd quot = mean_sd(std::span<const float>(y.data(), y.size()), [](size_t) { return true; });
    for (int i = 0; i < n; ++i) {
        float v = quot.sd > 0.0f ? (y[i] - quot.mean) / quot.sd * ref.sd + ref.mean : ref.mean;
        y[i] = v < 0.0f ? 0.0f : v;
    }
}

}  // namespace kov
