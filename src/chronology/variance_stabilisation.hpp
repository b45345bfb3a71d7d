#pragma once
// Variance stabilisation by a smoothing spline of the absolute deviations.
#include <span>

namespace kov {

// Equalises the variance of x over time: each year's deviation from the mean is
// divided by the smoothing spline (period per) of the absolute deviations, and
// the quotients are brought back to the mean and standard deviation of x (taken
// over the years with cnt above 3 when more than n / 3 years have such counts,
// else over all years). x comes back as the absolute deviations, crv as their
// spline, y as the equalised series (never below 0). per below -9 is a
// percentage of the length and is replaced by the period in years. Every year
// takes part, whatever its count.
void stabspl(std::span<float> x, std::span<float> crv, std::span<float> y, std::span<const int> cnt, int& per);

}  // namespace kov
