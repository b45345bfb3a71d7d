#include "chronology/bootstrap_limits.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "chronology/uniform_normal.hpp"
#include "detrend/robust_smoothers.hpp"
#include "numerics/robust_mean.hpp"
#include "numerics/statistics.hpp"
#include "shared/tables.hpp"

namespace kov {

namespace {
constexpr float tuning = 7.5f;

// The mean of v(1..n) by the run's mean type; everything else it reports is
// discarded: the year keeps the spread and weights of its own mean.
float mean_of(std::span<float> v, int n, std::span<float> wk, std::span<float> wt) {
    float xbar = 0.0f, sd = 0.0f, se = 0.0f, eff = 1.0f;
    int iter = 0;
    biwgt(v.first(n), wk.first(n), tuning, n, xbar, sd, se, eff, iter, wt.first(n));
    return xbar;
}
}  // namespace

BootWork::BootWork(int max_depth)
    : r(max_depth),
      wk(max_depth),
      wt(max_depth),
      y(max_depth),
      u(max_depth),
      t(boot_replicates),
      v(max_depth),
      rank(max_depth),
      count(max_depth) {}

namespace {
// Resamples of a year of d values: none below six values, 700 at six (fewer
// distinct resamples exist), else the full count.
int replicates(int d) { return !has_bootstrap_limits(d) ? 0 : d == fewest_resampled ? 700 : boot_replicates; }
}  // namespace

void settle_limits(int n, std::span<const int> depth, std::span<const float> value, std::span<const float> spl,
                   int from, int to, std::span<float> lo, std::span<float> hi, std::span<float> spllo,
                   std::span<float> splhi) {
    for (int i = 0; i < n; ++i) {
        if (!has_bootstrap_limits(depth[i])) {
            lo[i] = hi[i] = value[i];
            spllo[i] = splhi[i] = spl[i];
        } else if (i < from || i >= to) {
            spllo[i] = splhi[i] = spl[i];
        } else {
            // The chronology is splined over all its years and the limits
            // over theirs alone: near the ends of their years the curves part
            // in their own ways, and a smoothed limit can cross the smoothed
            // chronology. It is widened to the chronology, no further.
            spllo[i] = std::min(spllo[i], spl[i]);
            splhi[i] = std::max(splhi[i], spl[i]);
        }
        if (lo[i] == hi[i]) lo[i] = hi[i] = value[i];
    }
}

DeepYears deep_years(std::span<const int> depth, int n) {
    DeepYears y;
    while (y.from < n && !has_bootstrap_limits(depth[y.from])) ++y.from;
    y.to = n;
    while (y.to > y.from && !has_bootstrap_limits(depth[y.to - 1])) --y.to;
    if (y.from == y.to) y.from = y.to = n;
    return y;
}

long long bootstrap_draws(int d) { return static_cast<long long>(replicates(d)) * d; }

void dropms(int n, std::span<const float> x, int& m, std::span<float> y) {
    m = 0;
    for (int i = 0; i < n; ++i)
        if (x[i] != left_out) y[m++] = x[i];
}

void bcaidx(float theta, int nb, float a, std::span<const float> t, float zc, int& k1, int& k2, int& k3,
            int& k4, int& ier) {
    int nlt = 0, nle = 0;
    for (int i = 0; i < nb; ++i) {
        if (t[i] < theta) ++nlt;
        if (t[i] <= theta) ++nle;
    }
    const int m = (nlt + nle + 1) / 2;  // ties count half
    if (m <= 0 || nb < 1) {
        ier = 3;
        return;
    }
    if (m == nb) {
        ier = 4;
        return;
    }
    const float z0 = ppnd(static_cast<float>(m) / static_cast<float>(nb), ier);
    const float nb1 = static_cast<float>(nb + 1);
    k1 = static_cast<int>(alnorm(2.0f * z0 - zc, false) * nb1 + 0.5f);
    k2 = static_cast<int>(alnorm(2.0f * z0 + zc, false) * nb1 + 0.5f);
    // A zero denominator sends the limit to an end of the replicates (the
    // tail area of an infinite argument is 0 or 1), never to NaN.
    const float zl = z0 + (z0 - zc) / (1.0f - a * (z0 - zc));
    const float zu = z0 + (z0 + zc) / (1.0f - a * (z0 + zc));
    k3 = static_cast<int>(alnorm(zl, false) * nb1 + 0.5f);
    k4 = static_cast<int>(alnorm(zu, false) * nb1 + 0.5f);
}

void mcconf(float theta, float alpha, int nb, float a, std::span<float> t, int lfix, float lo, int ufix,
            float hi, std::span<float> c, int& ier) {
    // Limits that cannot be formed stand at the estimate itself, as those of
    // a year too thin to resample do.
    std::fill(c.begin(), c.begin() + 8, theta);
    ier = 0;
    if (alpha >= 100.0f) {
        ier = 6;
        return;
    }
    if (alpha <= 0.0f) {
        ier = 7;
        return;
    }

    float mean = 0.0f, ss = 0.0f;
    for (int i = 1; i <= nb; ++i) {
        const float dev = t[i - 1] - mean;
        mean += dev / static_cast<float>(i);
        ss += dev * dev * static_cast<float>(i - 1) / static_cast<float>(i);
    }
    const float s = ss > 0.0f && nb > 1 ? std::sqrt(ss / static_cast<float>(nb - 1)) : 0.0f;

    const float p = (100.0f - alpha) / 2.0f / 100.0f;
    int qerr = 0;
    const float z = ppnd(p, qerr);
    if (qerr != 0) {
        ier = 6;
        return;
    }
    const float zc = -z;
    const float normal_lo = theta + z * s;
    const float normal_hi = theta - z * s;

    int k1 = 0, k2 = 0, k3 = 0, k4 = 0;
    bcaidx(theta, nb, a, t, zc, k1, k2, k3, k4, ier);

    const float nb1 = static_cast<float>(nb + 1);
    const int kl = static_cast<int>(nb1 * p + 0.5f);
    const int ku = static_cast<int>(nb1 * (1.0f - p) + 0.5f);
    if (kl == ku) {
        ier = 7;
        return;
    }
    if (kl < 5) {
        ier = 5;
        return;
    }
    if (ier > 0) return;

    if (lfix != 0) lo = -1.0e20f;
    if (ufix != 0) hi = 1.0e20f;
    hpsort(nb, t);
    if (t[0] < lo) {
        if (lfix == 0) {
            ier = 1;
            return;
        }
        lo = 2.0f * t[0];
        if (lo > 0.0f) lo = -lo;
    }
    if (t[nb - 1] > hi) {
        if (ufix == 0) {
            ier = 2;
            return;
        }
        hi = 2.0f * t[nb - 1];
        if (hi < 0.0f) hi = -hi;
    }

    // An index outside 1..nb takes the lowest replicate for a lower limit and
    // the highest for an upper one.
    auto lower_at = [&](int k) { return k >= 1 && k <= nb ? t[k - 1] : t[0]; };
    auto upper_at = [&](int k) { return k >= 1 && k <= nb ? t[k - 1] : t[nb - 1]; };
    c[0] = normal_lo;
    c[1] = normal_hi;
    c[2] = lower_at(kl);
    c[3] = upper_at(ku);
    c[4] = lower_at(k1);
    c[5] = upper_at(k2);
    c[6] = lower_at(k3);
    c[7] = upper_at(k4);
}

void bcajak(std::span<float> x, std::span<float> y, std::span<float> u, int n, float alpha, float theta,
            std::span<float> limits, int nb, std::span<float> t, std::span<float> wk, std::span<float> wt) {
    const int type = shared().optval(12, 1);
    if (type == 1) {
        // The arithmetic mean sums in the order of the sample.
        for (int i = 0; i < n; ++i) {
            const float kept = x[i];
            x[i] = left_out;
            int m = 0;
            dropms(n, x, m, y);
            const float theta_i = mean_of(y, m, wk, wt);
            x[i] = kept;
            u[i] = (theta - theta_i) * static_cast<float>(n - 1);
        }
    } else {
        // Every other mean sorts its sample: the sample sorted once, less the
        // value left out (and less any value equal to the marker, as the
        // gathering of the sample drops those too), is the sorted sample.
        std::copy_n(x.begin(), n, wk.begin());
        sortr(n, wk);
        for (int i = 0; i < n; ++i) {
            int m = 0;
            bool dropped = false;
            for (int k = 0; k < n; ++k) {
                const float v = wk[k];
                if (v == left_out) continue;
                if (!dropped && v == x[i]) {
                    dropped = true;
                    continue;
                }
                y[m++] = v;
            }
            const float theta_i = m > 0 ? detail::location_of_sorted(y.data(), m, tuning, type) : mean_of(y, m, wk, wt);
            u[i] = (theta - theta_i) * static_cast<float>(n - 1);
        }
    }
    float s2 = 0.0f, s3 = 0.0f;
    for (int i = 0; i < n; ++i) {
        s2 += u[i] * u[i];
        s3 += u[i] * u[i] * u[i];
    }
    // Jackknife values all 0 (every leave-one-out mean equal to the estimate)
    // carry no skewness: no acceleration.
    const float denom = 6.0f * std::pow(s2, 1.5f);
    float a = denom > 0.0f ? s3 / denom : 0.0f;
    if (!std::isfinite(a)) a = 0.0f;
    int ier = 0;
    mcconf(theta, alpha, nb, a, t, 1, 0.0f, 1, 0.0f, limits, ier);
}

void bootstrap_year(std::span<float> x, int d, float theta, std::array<int, 3>& iseed, BootWork& work,
                    float& lower, float& upper) {
    if (!has_bootstrap_limits(d)) {
        lower = upper = theta;
        return;
    }
    if (static_cast<int>(work.r.size()) < d) work = BootWork(d);  // once, never per replicate
    const int nb = replicates(d);
    const float df = static_cast<float>(d);
    // min() only guards the array: d u stays below d.
    auto draw = [&] { return std::min(static_cast<int>(df * ranwh(iseed)), d - 1); };
    const int type = shared().optval(12, 1);
    if (type == 1) {
        // The arithmetic mean sums in the order drawn.
        for (int b = 0; b < nb; ++b) {
            float sum = 0.0f;
            for (int k = 0; k < d; ++k) sum += x[draw()];
            work.t[b] = sum / df;
        }
    } else {
        std::copy_n(x.begin(), d, work.v.begin());
        std::iota(work.rank.begin(), work.rank.begin() + d, 1);
        detail::sort_ascending(work.v.data(), work.rank.data(), d);
        for (int b = 0; b < nb; ++b) {
            std::fill_n(work.count.begin(), d, 0);
            for (int k = 0; k < d; ++k) ++work.count[draw()];
            // the drawn values in ascending order, each as often as it was drawn
            int m = 0;
            for (int k = 0; k < d; ++k)
                for (int c = work.count[work.rank[k] - 1]; c > 0; --c) work.r[m++] = work.v[k];
            work.t[b] = detail::location_of_sorted(work.r.data(), d, tuning, type);
        }
    }
    float limits[8];
    bcajak(x, work.y, work.u, d, 95.0f, theta, limits, nb, work.t, work.wk, work.wt);
    lower = limits[6];
    upper = limits[7];
}

}  // namespace kov
