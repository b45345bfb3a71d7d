#pragma once
// Reading every series of the data file in work into the shared series tables,
// with the listing of what was read.
#include <span>
#include <string>
#include <vector>

#include "shared/tables.hpp"

namespace kov {

// Reads the data file open on streams().ludata in the read mode shared().dtype
// ("mr", "ir", "cr" or "cd", either case) and lists it on streams().luout.
//   sermat: cleared to xmiss, then series k in column k from row 1 (not yet on
//           the common year axis).
//   work, cnt: work vectors of at least ld entries.
//   nc: the number of series kept (batch mode keeps those whose icu is 1).
//   sertbl: ify and ily of every series (batch mode: columns 3-9 from the
//           detail row of the series' position in the file, and with them
//           shared().ips_from_record); row nc + 1 the overall first and last year.
//   idbuf: an 8-character work text.   serids: the identifiers, 1-based.
//   ld, mxs: the capacities checked before anything is stored.
//   title: the title of the data (85 characters).
//   rawmax: the largest series mean (with one series, its mean).
//   rawstat: columns 1-7 the raw statistics per series, then, with two or more
//            series, rows 1-8 of each column its summary over all series.
//   ngap: the number of series in which the gap scan found missing values.
// Also fills shared().hdrlin from the text lines of a Tucson file (blank for
// CRU and compact files). Stops the program on a file beyond the capacities or
// without any series.
void rdsers(SeriesMatrix& sermat, std::span<float> work, std::span<int> cnt, int& nc, Table<int>& sertbl,
            std::string& idbuf, std::vector<std::string>& serids, int ld, int mxs, std::string& title,
            float& rawmax, Table<float>& rawstat, int& ngap);

}  // namespace kov
