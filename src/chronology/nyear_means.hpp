#pragma once
// A compact overview of a long series: the means of consecutive blocks of years
// of three parallel series (measurements, the curve fitted to them, the indices
// derived from them), one block per listing line with a character plot of the
// block means.
#include <span>

#include "shared/files.hpp"

namespace kov {

// ym(1..n), yc(1..n), yi(1..n): measurements, curve and indices; not changed.
// n: the number of years.
// iyr1: the year of index 1.
// nstep: years per block. Blocks start at the first year; each is labelled by
//   the first year rounded towards zero to a multiple of nstep, plus nstep per
//   further block.
// iunit: the listing it is written to.
// iprt: printout level: below 5 the listing goes to iunit; from 5 on it goes to
//   the console when mode is 2 and is not printed otherwise.
// mode: see iprt.
// Plot marks that would fall outside the 54 plot columns are left out; a scale
// without range (all block means equal) puts its marks at its left end.
void nyrmean(std::span<const float> ym, std::span<const float> yc, std::span<const float> yi, int n, int iyr1,
             int nstep, OutFile& iunit, int iprt, int mode);

}  // namespace kov
