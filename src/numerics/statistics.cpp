#include "numerics/statistics.hpp"

#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "shared/capacities.hpp"

namespace kov {

namespace {

struct Eight {
    float ave = undef_stat, adev = undef_stat, sdev = undef_stat, var = undef_stat;
    float skew = undef_stat, curt = undef_stat, sens = undef_stat, ac1 = undef_stat;
};

// Overflow or underflow on extreme input must not leak out as Inf or NaN.
float finite_or_undef(float v) { return std::isfinite(v) ? v : undef_stat; }

// The statistics of moment (cnt == nullptr: every position counts) and of
// serstat (pairs_for_ac1: ac1 divided by the number of counted pairs rather
// than by the number of values).
Eight series_moments(float* x, const int* cnt, int n, bool pairs_for_ac1) {
    Eight r;
    if (n <= 0) return r;
    auto counts = [&](int j) { return cnt == nullptr || cnt[j] > 0; };  // 0-based j

    int m = 0;
    float sum = 0.0f;
    for (int j = 0; j < n; ++j)
        if (counts(j)) {
            sum += x[j];
            ++m;
        }
    if (m == 0) return r;
    const float fm = static_cast<float>(m);
    r.ave = sum / fm;
    if (!std::isfinite(r.ave)) {
        r.ave = undef_stat;
        return r;
    }
    if (m == 1) return r;

    float sabs = 0.0f, s2 = 0.0f, s3 = 0.0f, s4 = 0.0f, ssens = 0.0f;
    int npairs = 0;
    for (int j = 0; j < n; ++j) {
        if (!counts(j)) continue;
        const float d = x[j] - r.ave;
        sabs += std::fabs(d);
        float p = d * d;
        s2 += p;
        p = p * d;
        s3 += p;
        p = p * d;
        s4 += p;
        if (j + 1 < n && counts(j + 1)) {
            ++npairs;
            // A pair whose mean is 0 or below (indices around zero) adds
            // nothing but still counts in the divisor.
            const float pm = (x[j] + x[j + 1]) * 0.5f;
            if (pm > 0.0f) ssens += std::fabs((x[j + 1] - x[j]) / pm);
        }
    }
    r.adev = finite_or_undef(sabs / fm);
    r.var = s2 / static_cast<float>(m - 1);
    r.sens = npairs > 0 ? finite_or_undef(ssens / static_cast<float>(npairs)) : undef_stat;
    if (!(r.var > 0.0f) || !std::isfinite(r.var)) {
        if (!std::isfinite(r.var)) r.var = undef_stat;
        return r;
    }

    r.sdev = std::sqrt(r.var);
    float gs = 1.0f, gk = 1.0f;
    if (m >= 3) {
        const auto mm1 = static_cast<std::int64_t>(m) * (m - 1);
        gs = std::sqrt(static_cast<float>(std::llabs(mm1))) / static_cast<float>(m - 2) *
             (8.5f / fm + 1.0f);
    }
    if (m >= 4) gk = fm * fm * (fm + 1.0f) / ((fm - 2.0f) * (fm - 1.0f) * (fm - 3.0f));
    r.skew = finite_or_undef(s3 / (fm * (r.sdev * r.sdev * r.sdev)) * gs);
    r.curt = finite_or_undef(s4 / (fm * (r.var * r.var)) * gk);

    // Lag-1 step on values standardised with the divisor-m deviation; the
    // caller's vector goes through the two roundings and comes back.
    const float sp = std::sqrt(r.var * static_cast<float>(m - 1) / fm);
    if (!(sp > 0.0f) || !std::isfinite(1.0f / sp)) return r;  // ac1 stays undefined
    for (int j = 0; j < n; ++j)
        if (counts(j)) x[j] = (x[j] - r.ave) / sp;
    float sac = 0.0f;
    for (int j = 1; j < n; ++j)
        if (counts(j - 1) && counts(j)) sac += x[j - 1] * x[j];
    for (int j = 0; j < n; ++j)
        if (counts(j)) x[j] = x[j] * sp + r.ave;
    if (pairs_for_ac1)
        r.ac1 = npairs > 0 ? sac / static_cast<float>(npairs) : undef_stat;
    else
        r.ac1 = sac / fm;
    r.ac1 = finite_or_undef(r.ac1);
    return r;
}

void unpack(const Eight& r, float& ave, float& adev, float& sdev, float& var, float& skew,
            float& curt, float& sens, float& ac1) {
    ave = r.ave;
    adev = r.adev;
    sdev = r.sdev;
    var = r.var;
    skew = r.skew;
    curt = r.curt;
    sens = r.sens;
    ac1 = r.ac1;
}

void all_undefined(float& a, float& b, float& c, float& d, float& e, float& f) {
    a = b = c = d = e = f = undef_stat;
}

}  // namespace

void moment(std::span<float> x, int n, float& ave, float& adev, float& sdev, float& var,
            float& skew, float& curt, float& sens, float& ac1) {
    assert(n <= static_cast<int>(x.size()));
    unpack(series_moments(x.data(), nullptr, n, false), ave, adev, sdev, var, skew, curt, sens, ac1);
}

void serstat(std::span<float> x, std::span<const int> cnt, int n, float& ave, float& adev,
             float& sdev, float& var, float& skew, float& curt, float& sens, float& ac1) {
    assert(n <= static_cast<int>(x.size()) && n <= static_cast<int>(cnt.size()));
    unpack(series_moments(x.data(), cnt.data(), n, true), ave, adev, sdev, var, skew, curt, sens,
           ac1);
}

void fivnum(std::span<float> x, int n, float& xmed, float& xuh, float& xlh, float& xiqr,
            float& xmin, float& xmax) {
    assert(n <= static_cast<int>(x.size()));
    if (n < 1) return all_undefined(xmed, xuh, xlh, xiqr, xmin, xmax);
    sortr(n, x);
    detail::five_of_sorted(x.data(), n, xmed, xuh, xlh, xiqr, xmin, xmax);
}

void sumstat(std::span<const float> a, std::span<float> work, std::span<const int> keep, int n,
             float& xmed, float& xuh, float& xlh, float& xiqr, float& xmin, float& xmax) {
    assert(n <= static_cast<int>(a.size()) && n <= static_cast<int>(work.size()) &&
           n <= static_cast<int>(keep.size()));
    int m = 0;
    for (int i = 0; i < n; ++i)
        if (keep[i] > 0) work[m++] = a[i];
    if (m < 1) return all_undefined(xmed, xuh, xlh, xiqr, xmin, xmax);
    sortr(m, work);
    detail::five_of_sorted(work.data(), m, xmed, xuh, xlh, xiqr, xmin, xmax);
}

ColumnSummary defined_summary(std::span<float> v, int n, bool after_moment) {
    assert(n <= static_cast<int>(v.size()));
    ColumnSummary c;
    c.row.fill(undef_stat);
    std::vector<float> w;
    std::vector<int> at;  // where each defined value stands in v
    for (int i = 0; i < n; ++i)
        if (v[i] != undef_stat) {
            w.push_back(v[i]);
            at.push_back(i);
        }
    c.defined = static_cast<int>(w.size());
    if (c.defined > 0) {
        float adev, var, skew, curt, sens, ac1;
        moment(w, c.defined, c.row[0], adev, c.row[1], var, skew, curt, sens, ac1);
        if (after_moment)
            for (int k = 0; k < c.defined; ++k) v[at[k]] = w[k];
    }
    sortr(n, v);
    if (c.defined == 0) return c;
    int m = 0;
    for (int i = 0; i < n; ++i)
        if (v[i] != undef_stat) w[m++] = v[i];
    detail::five_of_sorted(w.data(), m, c.row[2], c.row[6], c.row[5], c.row[3], c.row[4], c.row[7]);
    return c;
}

FVal summary_field(const ColumnSummary& c, int r) {
    if (c.defined == 0 && r > 1) return FVal::nothing();
    return FVal(static_cast<double>(c.row[static_cast<size_t>(r - 1)]));
}

namespace detail {

void five_of_sorted(const float* x, int n, float& xmed, float& xuh, float& xlh, float& xiqr,
                    float& xmin, float& xmax) {
    auto X = [&](int i) { return x[i - 1]; };
    xmin = X(1);
    xmax = X(n);
    const int h = n / 2;
    xmed = (X(h + 1) + X(n - h)) * 0.5f;
    const int k = (n + 1) / 2;  // size of each half; the median belongs to both when n is odd
    const int q = k / 2;
    xlh = (X(q + 1) + X(k - q)) * 0.5f;
    xuh = (X(n - k + q + 1) + X(n - q)) * 0.5f;
    xiqr = xuh - xlh;
}

void sort_ascending(float* x, int* idx, int n) {
    if (n < 2) return;
    auto X = [&](int i) -> float& { return x[i - 1]; };
    auto move = [&](int to, int from) {
        X(to) = X(from);
        if (idx) idx[to - 1] = idx[from - 1];
    };
    // Pending segments: the larger part is pushed and the smaller sorted
    // next, so the depth stays below log2(n) segments.
    std::array<int, 256> stack{};
    int js = 0;
    int l = 1, r = n;
    // Partition generator, restarted on every call. Its values are whole
    // numbers below 7875 and 211 f + 1663 stays below 2^24, so the 32-bit
    // real arithmetic it was defined in is exact: integers give the same
    // sequence.
    int f = 0;
    for (;;) {
        if (r - l < 7) {
            for (int j = l + 1; j <= r; ++j) {
                const float a = X(j);
                const int ia = idx ? idx[j - 1] : 0;
                int i = j - 1;
                while (i >= l && X(i) > a) {
                    move(i + 1, i);
                    --i;
                }
                X(i + 1) = a;
                if (idx) idx[i] = ia;
            }
            if (js == 0) return;
            r = stack[--js];
            l = stack[--js];
            continue;
        }
        f = (f * 211 + 1663) % 7875;
        int q = static_cast<int>(static_cast<float>(l) +
                                 static_cast<float>(r - l + 1) * (static_cast<float>(f) * 0.00012698413f));
        if (q < l) q = l;
        if (q > r) q = r;
        const float a = X(q);
        const int ia = idx ? idx[q - 1] : 0;
        move(q, l);  // the hole is now at l
        int i = l, j = r;
        for (;;) {
            while (j > i && a < X(j)) --j;
            if (j <= i) {
                X(i) = a;
                if (idx) idx[i - 1] = ia;
                break;
            }
            move(i, j);
            ++i;
            while (i < j && a > X(i)) ++i;
            if (j <= i) {
                i = j;
                X(i) = a;
                if (idx) idx[i - 1] = ia;
                break;
            }
            move(j, i);
            --j;
        }
        if (r - i >= i - l) {
            stack[js++] = i + 1;
            stack[js++] = r;
            r = i - 1;
        } else {
            stack[js++] = l;
            stack[js++] = i - 1;
            l = i + 1;
        }
    }
}

}  // namespace detail

void sortr(int n, std::span<float> x) {
    assert(n <= static_cast<int>(x.size()));
    detail::sort_ascending(x.data(), nullptr, n);
}

float selkth(std::span<const float> x, int n, int k) {
    assert(n <= static_cast<int>(x.size()));
    if (n < 1) return undef_stat;
    if (k < 1) k = 1;
    if (k > n) k = n;
    std::vector<float> a(x.begin(), x.begin() + n);
    // Hoare's selection: partition around the current k-th element and keep
    // the side that holds position k.
    int l = 0, r = n - 1;
    const int kk = k - 1;
    while (l < r) {
        const float v = a[kk];
        int i = l, j = r;
        do {
            while (a[i] < v) ++i;
            while (v < a[j]) --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j < kk) l = i;
        if (kk < i) r = j;
    }
    return a[kk];
}

}  // namespace kov
