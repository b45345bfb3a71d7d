#pragma once
// The compact format: one header line per series carrying its own value layout
// and a power-of-ten exponent, then the values as integers packed without
// separators.
#include <span>
#include <string>
#include <string_view>

#include "shared/files.hpp"

namespace kov {

// Reads one series from `in`. count: -999 at the end of the file; 0 gives an
// empty series. series_counter: raised by one per series read, -999 at the end
// of the file. title: blanked, then the first unreadable header line of the
// call (80 characters). Blank lines are skipped wherever they stand. A count
// above values.size(), an unreadable header or value line stop the program.
void cdf(std::string& id, std::span<float> values, int& first_year, int& count, int& series_counter,
         TextIn& in, std::string& title);

// Writes one series of `count` values to `out` with the 3-character stage tag,
// choosing exponent and field width for this series alone. work: the scaled
// integers (at least count entries; a shorter one is replaced by a local
// vector). Writes nothing when count is below 1.
void wrcdf(std::string_view id, std::span<const float> values, std::span<int> work, int count, int first_year,
           OutFile& out, std::string_view tag);

}  // namespace kov
