#pragma once
// The CRU format: a header line with identifier, first and last year, then
// decade lines of value and sample-depth pairs. Its writer is trrw in mode
// "cr" (series/tucson.hpp), which writes thousandths; this reader takes the
// values as hundredths, so a series saved in the CRU form reads back ten times
// larger. Both scales are the format's own and are kept.
#include <span>
#include <string>

#include "shared/files.hpp"

namespace kov {

// Reads one series from `in`. id: columns 1-6 of the header, 7-8 blank.
// count: last - first + 1 (-999 at the end of the file). At most values.size()
// values are stored; a longer series is returned with its count unread.
// series_counter: raised by one per series read, -999 at the end of the file.
// title: blanked, then the first unreadable line of the call (80 characters).
// Blank lines are skipped wherever they stand.
void rinfrn(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
            int& series_counter, TextIn& in, std::string& title);

}  // namespace kov
