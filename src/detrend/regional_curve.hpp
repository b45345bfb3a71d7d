#pragma once
// Regional curve standardisation: every series detrended by one growth curve
// fitted to the mean of all series aligned by cambial age.
#include <span>
#include <string>

#include "shared/tables.hpp"

namespace kov {

// crn: crnmat (columns 2, 3 and 8 to 12 written); crv: the regional curve by
// age row; cnt: ndepth, the depth per age row; stat: rawstat, the statistics
// of the indices; w1..w5 work vectors of mxy; rawmax for the chronology
// builder; pitoff: the pith offsets (pitoff[j - 1] for series j); title:
// the chronology title line; se, lo, hi: error and bootstrap limits of the
// age-aligned chronology. On return sermat holds the indices on the calendar
// axis; sertbl is as it was except for yfp (the offsets), idt (-2) and row
// nc + 2 (the span of the age-aligned chronology).
void rcsdet(Table<float>& crn, std::span<float> crv, std::span<int> cnt, Table<float>& stat,
            std::span<float> w1, std::span<float> w2, std::span<float> w3, std::span<float> w4,
            std::span<float> w5, float rawmax, std::span<int> pitoff, std::string& title,
            std::span<float> se, std::span<float> lo, std::span<float> hi);

}  // namespace kov
