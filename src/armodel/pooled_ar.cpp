#include "armodel/pooled_ar.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "plotting/plot_services.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"

namespace kov {

namespace {

// The pooled lagged products c(0..11). A pair of series (i selected, j any)
// adds x(t, i) x(t + l, j) for every t at which both cover the years t to
// t + l, so c(l) is the sum over t of (the selected series covering t..t+l,
// at t) times (all series covering t..t+l, at t + l). Summing per year first
// keeps the work linear in the number of series instead of quadratic; the sums
// run in double so that the order of summation does not show in the result.
std::array<float, 12> lagged_products(SeriesMatrix& x, int nc, const Table<int>& itab,
                                      std::span<const int> sel, const std::vector<char>& usable) {
    const int first = itab(nc + 1, ify);
    int rows = 0;
    for (int j = 1; j <= nc; ++j)
        if (usable[j]) rows = std::max(rows, itab(j, ily) - first + 1);
    std::array<float, 12> c{};
    if (rows <= 0) return c;
    std::vector<double> a(static_cast<size_t>(rows)), b(static_cast<size_t>(rows));
    for (int l = 0; l <= 11; ++l) {
        std::fill(a.begin(), a.end(), 0.0);
        std::fill(b.begin(), b.end(), 0.0);
        for (int j = 1; j <= nc; ++j) {
            if (!usable[j]) continue;
            const int lo = itab(j, ify) - first;      // 0-based row of the first year
            const int hi = itab(j, ily) - first - l;  // last t with t + l inside the span
            const float* col = x.rows(j, lo + 1, itab(j, ily) - first + 1);  // col[0] is row lo
            const bool selected = sel[static_cast<size_t>(j)] == 1;
            for (int t = lo; t <= hi; ++t) {
                b[static_cast<size_t>(t)] += col[t + l - lo];
                if (selected) a[static_cast<size_t>(t)] += col[t - lo];
            }
        }
        double sum = 0.0;
        for (int t = 0; t < rows; ++t) sum += a[static_cast<size_t>(t)] * b[static_cast<size_t>(t)];
        c[static_cast<size_t>(l)] = static_cast<float>(sum);
    }
    return c;
}

}  // namespace

PooledFit pool_fit(SeriesMatrix& x, int nc, int nyrs, const Table<int>& itab, std::span<const int> sel,
                   int ipp) {
    PooledFit f;
    const int first = itab(nc + 1, ify);
    // A series starting before the overall first year would have rows before
    // row 1 of the matrix: it is reported and left out.
    std::vector<char> usable(static_cast<size_t>(nc) + 1, 1);
    for (int i = 1; i <= nc; ++i) {
        const int iskp = itab(i, ify) - first;
        if (iskp < 0) {
            if (sel[static_cast<size_t>(i)] == 1) {
                con().write("(1x,'error in pool: iskp = ',i4)", iskp);
                con().wait();
            }
            usable[static_cast<size_t>(i)] = 0;
            continue;
        }
        // A series of missing values only (left out for want of a measured
        // value) has nothing to pool, and must stay missing rather than lose
        // its "mean" and turn into zeros.
        const int n = itab(i, ily) - itab(i, ify) + 1;
        if (n >= 1 && x.all_missing(i, iskp + 1, iskp + n)) usable[static_cast<size_t>(i)] = 0;
    }

    // Each selected series loses its mean over its own years, in place.
    for (int i = 1; i <= nc; ++i) {
        if (!usable[static_cast<size_t>(i)] || sel[static_cast<size_t>(i)] != 1) continue;
        const int n = itab(i, ily) - itab(i, ify) + 1;
        if (n < 1) continue;
        float* v = x.rows(i, itab(i, ify) - first + 1, itab(i, ify) - first + n);
        float sum = 0.0f;
        for (int t = 0; t < n; ++t) sum += v[t];
        const float mean = sum / static_cast<float>(n);
        for (int t = 0; t < n; ++t) v[t] -= mean;
    }

    f.c = lagged_products(x, nc, itab, sel, usable);
    const float c0 = f.c[0];
    f.r[0] = 1.0f;
    for (int l = 1; l <= 10; ++l) f.r[static_cast<size_t>(l)] = c0 > 0.0f ? f.c[static_cast<size_t>(l)] / c0 : 0.0f;

    f.psi.fill(0.0f);
    f.psi[0] = 1.0f;
    if (!(c0 > 0.0f)) {
        // Every selected series constant (or none selected): no variance to
        // model, so the model is order 0 and the criterion is not defined.
        f.yw[1][1] = 0.0f;
        return f;
    }

    const float n = static_cast<float>(nyrs);
    auto& phi = f.yw;
    phi[1][1] = f.r[1];
    f.aic[0] = n * std::log(c0) + 2.0f;
    f.aic_defined[0] = true;
    float amin = f.aic[0];
    bool done = false;
    int ip = 0;
    auto take = [&](int k) {
        ip = k;
        for (int i = 1; i <= k; ++i) f.phi[static_cast<size_t>(i - 1)] = phi[k][i];
    };
    for (int m = 2; m <= 11; ++m) {
        float s = c0;
        float num = f.c[static_cast<size_t>(m)];
        for (int i = 1; i <= m - 1; ++i) {
            s -= phi[m - 1][i] * f.c[static_cast<size_t>(i)];
            num -= phi[m - 1][i] * f.c[static_cast<size_t>(m - i)];
        }
        const int k = m - 1;
        if (!(s > 0.0f)) {
            // The pooled products need not form a proper autocovariance: once
            // the innovation sum is no longer positive the higher orders have no
            // criterion, and the search ends with what it has.
            done = true;
            break;
        }
        phi[m][m] = num / s;
        f.aic[static_cast<size_t>(k)] = n * std::log(s) + 2.0f * static_cast<float>(m);
        f.aic_defined[static_cast<size_t>(k)] = true;
        if (!done) {
            const float a = f.aic[static_cast<size_t>(k)];
            if (ip > 0 && a > amin && ipp == 0) {
                done = true;
            } else if (ipp > 0 && ipp == k) {
                take(k);
                done = true;
            } else if (a <= amin) {
                take(k);
                amin = a;
            }
        }
        for (int i = 1; i <= m - 1; ++i) phi[m][i] = phi[m - 1][i] - phi[m][m] * phi[m - 1][m - i];
    }
    f.ip = ip;

    if (ip >= 1) {
        float sr = 0.0f;
        for (int j = 1; j <= ip; ++j) sr += f.r[static_cast<size_t>(j)] * f.phi[static_cast<size_t>(j - 1)];
        f.r2 = sr;
        float sp = 0.0f;
        for (int j = 1; j <= ip; ++j) sp += f.phi[static_cast<size_t>(j - 1)] * f.r[static_cast<size_t>(j)];
        // A fitted model explains less than all the variance; should rounding
        // ever bring the sum to 1, the inflation would be unbounded, so it is
        // reported as none rather than as an infinite figure.
        f.vinf = (1.0f - sp) > 0.0f ? 1.0f / (1.0f - sp) : 1.0f;
        for (int k = 1; k <= 100; ++k) {
            float v = 0.0f;
            for (int j = 1; j <= std::min(k, ip); ++j) v += f.phi[static_cast<size_t>(j - 1)] * f.psi[static_cast<size_t>(k - j)];
            f.psi[static_cast<size_t>(k)] = v;
        }
    }
    return f;
}

void pool(SeriesMatrix& x, int nc, int nyrs, int& ip, std::span<float> phi, float& r2, const Table<int>& itab,
          std::span<const int> sel, float& vinf) {
    auto& s = shared();
    auto& out = streams().luout;
    con().write("(/1x,'computing pooled autoregression')");
    const int ipp = s.optval(10, 1);
    const PooledFit f = pool_fit(x, nc, nyrs, itab, sel, ipp);

    std::vector<int> lags(10);
    for (int l = 1; l <= 10; ++l) lags[static_cast<size_t>(l - 1)] = -l;
    out.write("(/t2,'pooled autocorrelations:'/)");
    out.write("(t2,'lag   ',10('  t=',i3))", lags);
    out.write("(t8,10f7.3)", std::span<const float>(f.r.data() + 1, 10));

    out.write("(/t2,'yule-walker estimates of autoregression:'/)");
    out.write("(t2,'order ',10('  t=',i3))", lags);
    for (int m = 1; m <= 10; ++m)
        out.write("(t2,i4,2x,10f7.3)", m, std::span<const float>(f.yw[static_cast<size_t>(m)].data() + 1, static_cast<size_t>(m)));
    out.write("(/t2,'last term in each row above equals the partial autocorrelation coefficient')");

    // An order whose criterion is not defined is shown with the undefined mark.
    std::array<float, 11> shown{};
    for (int k = 0; k <= 10; ++k) shown[static_cast<size_t>(k)] = f.aic_defined[static_cast<size_t>(k)] ? f.aic[static_cast<size_t>(k)] : -99.0f;
    out.write("(/t2,'akaike information criterion:')");
    // "(/t3,6('    ar(',i2,')  ')/t1,6f12.2)" and the same for five: the
    // criterion grows with the years pooled, and takes fewer decimals where
    // it would fill its field or overflow it
    const std::span<const float> first_six(shown.data(), 6), last_five(shown.data() + 6, 5);
    out.write("(/t3,6('    ar(',i2,')  ')/t1," + fitted_reals(first_six, 12, 2) + ")", 0, 1, 2, 3, 4, 5, first_six);
    out.write("(/t3,5('    ar(',i2,')  ')/t1," + fitted_reals(last_five, 12, 2) + ")", 6, 7, 8, 9, 10, last_five);

    out.write("(/t2,'selected autoregression order:',i4)", f.ip);
    con().write("(/1x,'selected autoregression order:',i4)", f.ip);
    if (ipp == 0)
        out.write("(/t2,'ar order selection criterion: ipp=0  first-minimum aic selection')");
    else if (ipp < 0)
        out.write("(/t2,'ar order selection criterion: ipp<0  full-minimum aic selection')");
    else
        out.write("(/t2,'ar order selection criterion: ipp>0  constrained ar order selection = ipp')");
    out.line("");
    out.write("(t2,a)", "the aic trace should be checked to see if ar order selection criterion <ipp>");
    out.write("(t2,a)", "is adequate. e.g. if ar-orders of the first-minimum and the full-minimum aic");
    out.write("(t2,a)", "are close, an kovrin run with full-minimum aic order selection might be tried");

    if (f.ip >= 1) {
        out.write("(/t2,'autoregression coefficients:'/)");
        out.write("(t3,10('t=',i3,'   '))", lags);
        out.write("(f7.3,9f8.3)", std::span<const float>(f.phi.data(), static_cast<size_t>(f.ip)));
        out.write("(/t2,'r-squared due to pooled autoregression:',f8.2,' pct')", 100.0f * f.r2);
        // "(t2,'variance inflation from autoregression:',f8.2,' pct')", as
        // on the console: a model near a unit root inflates the variance
        // without bound
        const float inflation = 100.0f * f.vinf;
        const std::string inflation_field = fitted_real(inflation, 8, 2);
        out.write("(t2,'variance inflation from autoregression:'," + inflation_field + ",' pct')", inflation);
        con().write("(1x,'r-squared due to pooled autoregression:',f8.2,' pct')", 100.0f * f.r2);
        con().write("(1x,'variance inflation from autoregression:'," + inflation_field + ",' pct')", inflation);
        out.write("(/t2,'impulse response function weights for this ar (',i2,') process out to order 50:'/)", f.ip);
        out.write("((t3,f6.4,9f8.3))", std::span<const float>(f.psi.data(), 50));
    }

    ip = f.ip;
    for (int j = 1; j <= f.ip && j <= static_cast<int>(phi.size()); ++j) phi[static_cast<size_t>(j - 1)] = f.phi[static_cast<size_t>(j - 1)];
    r2 = f.r2;
    vinf = f.vinf;

    if (s.optval(19, 1) == 2 || s.optval(19, 1) == 3 || s.optval(10, 2) == 1) {
        Table<float> tab(11, 4);
        for (int l = 0; l <= 10; ++l) {
            tab(l + 1, 1) = f.r[static_cast<size_t>(l)];
            tab(l + 1, 2) = l == 0 ? 1.0f : f.yw[static_cast<size_t>(l)][static_cast<size_t>(l)];
            tab(l + 1, 3) = l == 0 ? 1.0f : (l <= f.ip ? f.phi[static_cast<size_t>(l - 1)] : 0.0f);
            tab(l + 1, 4) = f.psi[static_cast<size_t>(l)];
        }
        int summary = s.optval(19, 1);
        pltacf(tab, 11, f.ip, s.datfil, nyrs, summary);
    }
}

}  // namespace kov
