#include "chronology/variance_stabilisation.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "chronology/nyear_means.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"

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

// Mean and standard deviation (divisor count - 1) about the mean, over the
// positions whose flag is set; count says how many there were.
template <class Take>
MeanSd mean_sd_about_mean(std::span<const float> v, Take take, int& count) {
    float sum = 0.0f;
    count = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        if (!take(i)) continue;
        sum += v[i];
        ++count;
    }
    MeanSd r;
    if (count == 0) return r;
    r.mean = sum / static_cast<float>(count);
    if (count < 2) return r;
    float ss = 0.0f;
    for (size_t i = 0; i < v.size(); ++i)
        if (take(i)) ss += (v[i] - r.mean) * (v[i] - r.mean);
    r.sd = std::sqrt(ss / static_cast<float>(count - 1));
    return r;
}

// Mean and standard deviation of the years with data, by serstat; false when
// the standard deviation is undefined (fewer than two years, or no spread).
bool counted_mean_sd(std::span<float> v, std::span<const int> depth, int n, float& mean, float& sd) {
    float adev, var, skew, curt, sens, ac1;
    serstat(v, depth, n, mean, adev, sd, var, skew, curt, sens, ac1);
    return sd > 0.0f;
}

void copy_years_with_data(std::span<const float> from, std::span<float> to, std::span<const int> depth, int n) {
    for (int i = 0; i < n; ++i)
        if (depth[i] > 0) to[i] = from[i];
}
}  // namespace

void stabbm(std::span<const float> x, std::span<const int> depth, int iy1, int iy2, int n, int& ref1, int& ref2,
            float rbar, std::span<float> y, std::span<float> neff) {
    if (ref1 == 0 && ref2 == 0) {
        ref1 = iy1;
        ref2 = iy2;
    }
    const std::span<const float> xs = x.first(n);
    int count = 0;
    const float xm = mean_sd_about_mean(xs, [&](size_t i) { return depth[i] > 0; }, count).mean;

    for (int i = 0; i < n; ++i) {
        const int k = depth[i];
        if (k > 0) {
            const float kf = static_cast<float>(k);
            float ne = kf / (1.0f + (kf - 1.0f) * rbar);
            if (!(ne > 0.0f) || !std::isfinite(ne)) ne = kf;  // only a negative rbar gets here
            neff[i] = ne;
            y[i] = (x[i] - xm) * std::sqrt(ne);
        } else {
            neff[i] = 0.0f;
        }
    }

    const int start = std::clamp(ref1 - iy1, 0, n);  // the reference years run to the end
    auto in_ref = [&](size_t i) { return static_cast<int>(i) >= start && depth[i] > 0; };
    int nref = 0;
    const MeanSd rx = mean_sd_about_mean(xs, in_ref, nref);
    const MeanSd ry = mean_sd_about_mean(std::span<const float>(y.data(), static_cast<size_t>(n)), in_ref, nref);
    if (nref < 2 || !(ry.sd > 0.0f)) {
        copy_years_with_data(x, y, depth, n);
        return;
    }
    for (int i = 0; i < n; ++i)
        if (depth[i] > 0) y[i] = (y[i] - ry.mean) / ry.sd * rx.sd + rx.mean;
}

void stabspm(std::span<float> x, std::span<float> crv, std::span<float> y, std::span<const int> depth, int n,
             int& istf) {
    if (n <= 0) return;
    const std::vector<float> original(x.begin(), x.begin() + n);
    float m = 0.0f, s = 0.0f;
    const bool spread = counted_mean_sd(x, depth, n, m, s);

    std::vector<signed char> negative(n, 0);
    for (int i = 0; i < n; ++i) {
        if (depth[i] <= 0) continue;
        const float d = x[i] - m;
        negative[i] = d < 0.0f;
        x[i] = std::fabs(d);
    }
    if (istf < -9) istf = static_cast<int>(std::fabs(static_cast<float>(istf) / 100.0f * static_cast<float>(n)));

    float p = 0.0f;
    spline(n, x, crv, p, istf);
    if (!spread || crv[0] == spline_too_short || crv[0] == spline_not_pd) {
        // Without a spread curve (or a spread to restore) there is nothing
        // to divide by: the chronology stays as it came.
        copy_years_with_data(original, y, depth, n);
        return;
    }

    for (int i = 0; i < n; ++i) {
        if (depth[i] <= 0) continue;
        const float q = crv[i] > 0.0f ? x[i] / crv[i] : 0.0f;
        y[i] = negative[i] ? -q : q;
    }
    float m2 = 0.0f, s2 = 0.0f;
    const bool quotient_spread = counted_mean_sd(y, depth, n, m2, s2);
    for (int i = 0; i < n; ++i) {
        if (depth[i] <= 0) continue;
        const float v = quotient_spread ? (y[i] - m2) / s2 * s + m : m;
        y[i] = v < 0.0f ? 0.0f : v;
    }
}

void stabilise_chronology(std::span<float> crn, std::span<float> work, std::span<float> curve,
                          std::span<const int> depth, int n, int first_year, float rbarst) {
    SharedTables& sh = shared();
    const int choice = sh.optval(13, 1);
    const int iprt = sh.optval(17, 1);
    if (choice == 0 || n <= 0) return;
    OutFile& luout = streams().luout;
    const int last_year = first_year + n - 1;

    std::copy(crn.begin(), crn.begin() + n, work.begin());
    auto unit_curve = [&] { std::fill(curve.begin(), curve.begin() + n, 1.0f); };
    unit_curve();

    if (iprt >= 1) {
        if (choice == 1) {
            if (rbarst < 0.0f)
                luout.write("(/t11,'*** briffa rbar-weighted stabilization not done: rbar.lt.0 ***')");
            else
                luout.write("(/t12,'*** variance stabilized with briffa rbar-weighted method ***')");
        } else if (choice == 2) {
            luout.write("(/t18,'*** rbar-weighted & 0.67n spline curve fit stabilization ***')");
        } else {
            luout.write("(/t18,'*** variance stabilized with spline curve fit ***')");
        }
    }

    const int block = n <= 100 ? 5 : n <= 500 ? 10 : n <= 1000 ? 20 : n <= 2000 ? 50 : 100;
    if (iprt > 3) {
        luout.write("(/t19,'*** series before variance stabilization ***')");
        unit_curve();
        nyrmean(work, curve, crn, n, first_year, block, luout, 4, 0);
    }

    int istf = 0;
    if (choice == 1 || choice == 2) {
        if (rbarst >= 0.0f) {
            unit_curve();
            int ref1 = first_year, ref2 = last_year;
            stabbm(work, depth, first_year, last_year, n, ref1, ref2, rbarst, crn, curve);
        }
        if (choice == 2) {
            std::copy(crn.begin(), crn.begin() + n, work.begin());
            istf = 2 * n / 3;
            stabspm(work, curve, crn, depth, n, istf);
        }
    } else {
        istf = choice;
        stabspm(work, curve, crn, depth, n, istf);
    }

    if (iprt > 3) {
        luout.write("(//t14,'*** curve fit and series after variance stabilization ***')");
        if (choice == 1 || choice == 2)
            unit_curve();
        else
            luout.write("(t25,'spline curve fit used: ',i5,'  years')", istf);
        nyrmean(work, curve, crn, n, first_year, block, luout, 4, 0);
    }
}

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
