#pragma once
// The variable-span super smoother: running-line smooths at three spans
// (tweeter 0.05, midrange 0.2, woofer 0.5 of n), the span chosen point by point
// from the smoothed cross-validated residuals, pulled towards the woofer by
// the bass control alpha, then interpolated between the three smooths.
// Vectors are 1-based in the arithmetic (element i at [i - 1]).
#include <span>

namespace kov {

// Smooths y(1..n) at the ascending abscissae x(1..n) with weights w into
// smo(1..n). iper 1 non-periodic, 2 periodic on [0, 1]; span > 0 a fixed
// span, 0 the variable span; alpha the bass control (0 < alpha <= 10 takes
// effect). sc is work of 7 n values (seven columns of n, column k starting at
// sc[(k - 1) n]). When x(n) <= x(1) every smo is the weighted mean of y. With
// fewer than 5 values (too few for the smallest running window) smo is the
// weighted least-squares line.
void supsmu(int n, std::span<const float> x, std::span<const float> y, std::span<const float> w,
            int iper, float span, float alpha, std::span<float> smo, std::span<float> sc);

// Running-lines smoother with a window of 2 ibw + 1 points, ibw =
// trunc(0.5 span n + 0.5), at least 2 (and the window at most n). A positive
// iper also writes the cross-validated absolute residuals into acvr(1..n); a
// negative one leaves acvr alone (|iper| is the mode). vsmlsq is the variance
// floor below which the local slope is 0. Runs of equal x share the weighted
// mean of their smooths.
void smooth(int n, std::span<const float> x, std::span<const float> y, std::span<const float> w,
            float span, int iper, float vsmlsq, std::span<float> smo, std::span<float> acvr);

}  // namespace kov
