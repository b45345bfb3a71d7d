#pragma once
// The AR model of one tree-ring series for the per-series AR stage. Method 1
// (option (9,1)) is a plain Burg fit followed by prewhitening. The robust
// methods 2 and 3 run five passes: passes 1 to 4 fit a model, prewhiten the
// input series with it, measure the spread of the residuals by the biweight
// scale s, shrink every residual r by exp(-exp(c (|u| - c))), u = r / (c s)
// (removing it when |u| >= 1), and rebuild a cleaned series from the cleaned
// residuals with the same model; pass 5 fits the final model to the cleaned
// series.
#include <span>

namespace kov {

// The outlier threshold of code (9,2): 1 gives 2.0, 2 gives 2.58, 3 gives 3.5;
// 0 for any other code.
float ar_outlier_threshold(int code);

// The weight of a residual at u = r / (c s): exp(-exp(c (|u| - c))) inside the
// limit, 0 at |u| >= 1.
float robust_residual_weight(float u, float c);

// x(1..n): the series in, its demeaned residual series out.
// w1, w2, w3: work of ar_work_capacity values (Burg work, the filters'
//   backcasts); robust methods on return: w1 the plain residuals + 1.0, w2 the
//   robust residuals + 1.0, w3 the AR outlier series w1 - w2 + 1.0.
// w4(1..n): a copy of the input series. w5(1..n): robust methods, the demeaned
//   residuals of pass 1.
// maxp, mode: the Burg stages and order mode. phi (maxp values), ip, r2: the
//   model of the last fit. ld: the backcast capacity of the work vectors.
// Reads (9,1) and (9,2); the mean type (12,1) is set to the biweight around the
// scale estimate and is back at its entry value on return. A robust method with
// a threshold code other than 1, 2 or 3 stops the program after a wait.
void rbar(std::span<float> x, int n, std::span<float> w1, std::span<float> w2, std::span<float> w3,
          std::span<float> w4, std::span<float> w5, int maxp, int mode, std::span<float> phi, int& ip,
          float& r2, int ld);

}  // namespace kov
