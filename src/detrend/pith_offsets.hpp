#pragma once
// The pith offset of every series (years between the pith and the first
// measured ring), which places the series on an axis of cambial age: from the
// batch detail file's yfp column in a batch run, from an rcs pith offset file
// named by the user otherwise (viewed, optionally rewritten as one offset per
// line, and read free-form or by a typed layout).
#include <span>

namespace kov {

// Fills pitoff(1..nc) (pitoff[j - 1] for series j). Stops the program on "/"
// at the file name, on a second unreadable record and when the count of
// offsets differs from the number of series.
void read_pith_offsets(std::span<int> pitoff);

}  // namespace kov
