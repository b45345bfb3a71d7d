#pragma once
// Autoregressive models by Burg's method, with the order chosen by the
// corrected Akaike criterion or fixed by the caller. All arithmetic in float.
// The model: x(t) - mean = phi(1) (x(t-1) - mean) + ... + phi(ip) (x(t-ip) -
// mean) + e(t). Vectors are 1-based in the arithmetic (element i at [i - 1]).
#include <span>

namespace kov {

// Fits x(1..n). maxp is the number of Burg stages computed; the order returned
// is at most maxp - 1. mode < 1: the order is the stage before the first rise
// of AICc(k) = N ln v(k) + 2(k+1) + 2(k+1)(k+2)/(N-k-2) (order 0 when the
// criterion of that order is above AIC(0) = N ln v(0) + 2); mode >= 1: the
// order is maxp - 1. r2 = 1 - v(s)/v(0) with s = ip + 1, the last stage
// computed (0 after the fall-back to order 0). phi(1..ip) are the
// coefficients; phi needs maxp elements. f, b (n) and a (maxp) are work.
// x comes back as it went in (its mean is removed and added back).
//
// The stages are capped at N - 3 so that the criterion stays finite: a series
// of fewer than 4 values gets order 0 with r2 = 0, and so does a constant one.
void burgar(std::span<float> x, int n, int maxp, int& ip, float& r2, std::span<float> phi,
            int mode, std::span<float> f, std::span<float> b, std::span<float> a);

// As burgar for a chronology with its per-year count cnt(1..n): only years
// with cnt above 0 enter the mean, the variance, the Burg sums (term i when
// cnt(i) > 0) and N; prediction errors are updated only where cnt(i) and
// cnt(i+1) are both above 0; invalid years are never changed.
void burgarm(std::span<float> x, std::span<const int> cnt, int n, int maxp, int& ip, float& r2,
             std::span<float> phi, int mode, std::span<float> f, std::span<float> b,
             std::span<float> a);

}  // namespace kov
