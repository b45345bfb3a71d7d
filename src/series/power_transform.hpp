#pragma once
// The adaptive power transformation of a chronology: the least skewed of ten
// compounding power transformations, rescaled to the chronology's own mean and
// standard deviation.
#include <span>

namespace kov {

// x: the chronology, changed only in years whose depth cnt is above 0, and only
// when some pass is less skewed than x itself.
void powtrn(std::span<float> x, std::span<const int> cnt);

}  // namespace kov
