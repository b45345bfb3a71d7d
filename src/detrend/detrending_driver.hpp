#pragma once
// One detrending pass over every series of sermat: a growth curve per series
// through the dispatcher, refused when it reaches zero, listed, turned into
// indices, reviewed on a plot with the chance to choose another curve, and
// finally the curves saved, their mean drawn and the statistics of the
// indices listed.
#include <span>

#include "detrend/growth_curves.hpp"
#include "shared/tables.hpp"

namespace kov {

// The pass is shared().ipass (1 or 2); its option, parameter and plot flag are
// optval (4, 1..3) in pass 1 and (5, 1..3) in pass 2. crv, w1..w4 and cnt are
// work vectors of mxy entries; coef the curve-fit record; stat (rawstat)
// receives the statistics of the indices. On return sermat holds the indices
// on the common year axis (with first differences every series, and the
// axis, start one year later).
void detrnd(std::span<float> crv, std::span<float> w1, std::span<float> w2, std::span<float> w3,
            std::span<float> w4, FitRecord& coef, std::span<int> cnt, Table<float>& stat);

// Years per block of the n-year means listing of a series of n values.
int nyear_step(int n);

// The value as a "(f9.4)" field gives it back when read: the rounding a value
// takes through the curve and index scratch files.
float through_f9_4(float v);

}  // namespace kov
