#pragma once
// Reading every series of the data file in work into the shared series tables,
// with the listing of what was read.
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/files.hpp"

#include "shared/tables.hpp"

namespace kov {

// One series as the reader hands it on: its position in the file (counting
// the series that hold a measured value, the position a batch detail record
// is paired with), its identifier, first year and values, with the reader's
// sample depths (a work vector of the same length).
struct SeriesRead {
    int position;
    const std::string& id;
    int first_year;
    std::span<float> values;
    std::span<int> depths;
};

// Reads the series of the data file `in` one after another in read mode
// `read_mode` ("mr", "ir", "cr" or "cd", either case), as every run reads
// them: a series without values, or holding no measured value (none above 0:
// every value missing, as lines that cannot be read give, or 0), is skipped with a warning on
// `lst` and takes no position; the reading ends with the file or a series of
// fewer values; the series at the positions that `keep` admits go to `take`.
// values, depths: work vectors of at least ld entries; title, hdrlin: as the
// readers fill them. Stops the program on a series longer than ld or more
// than mxs series, and wherever a reader stops. Returns the number taken.
int each_series(TextIn& in, std::string_view read_mode, int ld, int mxs, std::span<float> values,
                std::span<int> depths, std::string& title, std::array<std::string, 3>& hdrlin, OutFile& lst,
                const std::function<bool(int)>& keep, const std::function<void(const SeriesRead&)>& take);

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
// without any series, and where a reader stops, naming the data file on the
// console and in the listing.
void rdsers(SeriesMatrix& sermat, std::span<float> work, std::span<int> cnt, int& nc, Table<int>& sertbl,
            std::string& idbuf, std::vector<std::string>& serids, int ld, int mxs, std::string& title,
            float& rawmax, Table<float>& rawstat, int& ngap);

// Reads the data file `name` as a run would with rdsers in read mode
// `read_mode`, keeping the series at the positions `keep` admits, before the
// run has written anything: nothing reaches the console, and the warnings
// the readers write to the listing, which is not open yet, are held. Returns
// what the run would stop with at this file, as the console would show it,
// naming the file: a reader's stop, no series kept, a span beyond mxy, after
// the first ten of those warnings and how many more there are; nullopt when
// the run would go on (or the file cannot be opened, which is named
// elsewhere).
std::optional<std::string> series_fault(const std::string& name, std::string_view read_mode,
                                        const std::function<bool(int)>& keep);

}  // namespace kov
