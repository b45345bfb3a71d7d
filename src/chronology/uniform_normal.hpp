#pragma once
// The uniform random numbers of the bootstrap and the two standard normal
// functions its confidence limits need: the quantile and the tail area. All in
// 32-bit arithmetic, the generator in 32-bit integers, because the limits the
// listings print depend on the exact sequence of draws.
#include <array>

namespace kov {

// The generator's state is three integers; the run's state is shared().iseed.
// The chronology builder puts it back to iseed_start at the start of every
// chronology, so every chronology of every run draws the same sequence.
inline constexpr std::array<int, 3> iseed_start{12848, 13079, 22085};

// A uniform number in [0, 1) from the three-part (Wichmann-Hill) generator;
// advances iseed.
float ranwh(std::array<int, 3>& iseed);

// The same on the run's state shared().iseed.
float ranwh();

// Advances iseed by `draws` draws at once, to the state that many calls of
// ranwh would leave: each part of the generator only multiplies its seed by a
// constant, so many steps are one multiplication by a power of it.
void ranwh_skip(std::array<int, 3>& iseed, long long draws);

// The standard normal quantile at p.
// p: probability, strictly between 0 and 1.
// ier: 0, or 1 when p is not strictly between 0 and 1 (the result is then 0.0).
float ppnd(float p, int& ier);

// The standard normal tail area at x.
// x: the point.
// upper: true for the area above x, false for the area below it.
// Beyond the reach of single precision the upper area is 0.0 (lower 1.0).
float alnorm(float x, bool upper);

}  // namespace kov
