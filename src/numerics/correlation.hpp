#pragma once
// Pearson correlation with the least-squares line of y on x, and the auto- and
// partial autocorrelations of one masked series. 32-bit arithmetic.
//
// A correlation is undefined when either series has no variance over the
// positions used (a constant series over the overlap) or fewer than two
// positions take part: r is then -99 and the routine returns false. Callers
// leave such a pair out of every average.
#include <span>

namespace kov {

// Over x(1..n), y(1..n): r correlation, a intercept, b slope of y = a + b x.
// Undefined r: when x varies but y is constant the line is still defined
// (b = 0, a = mean of y); otherwise a and b are -99 too.
bool corlin(std::span<const float> x, std::span<const float> y, int n, float& r, float& a,
            float& b);

// As corlin over the positions with cnt(i) > 0.
bool corlnm(std::span<const float> x, std::span<const float> y, std::span<const int> cnt, int n,
            float& r, float& a, float& b);

// Over the v positions with cnt(i) > 0: acf(k), pacf(k) and band(k) for lags
// k = 1..m+1 (m + 1 values each; callers pass m = 10). acf(k) sums the
// products of standardised values whose positions both count, divided by v;
// pacf by the Durbin-Levinson recursion; band(k) = 2 standard errors by
// Bartlett's formula. x is standardised in place and put back (counted
// positions only). Fewer than two counted values or no variance: every value
// is -99, x untouched, and the routine returns false.
bool acfpac(std::span<float> x, std::span<const int> cnt, int n, int m, std::span<float> acf,
            std::span<float> pacf, std::span<float> band);

}  // namespace kov
