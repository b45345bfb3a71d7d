#pragma once
// The Tucson decade formats: ring widths ("mr" to read, "mw" to write) and
// indices with sample depths ("ir" to read, "iw" to write), the CRU form
// written from the same decade lines ("cr"), and the self-describing series
// layout that a Tucson file may hold for single series.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/files.hpp"

namespace kov {

// What the reader learns of a whole Tucson file before its first series (when
// the series counter becomes 1), so that a series can be read as the file's
// other series read: which lines hold an identifier with a minus sign in its
// last columns before a year of four columns (an identifier such as NCFL06-N
// or shut26-2 and not a year of five or six columns), and the end marker most
// of its ring-width series use (999: hundredths, -9999: thousandths). The
// caller keeps it for one data file.
struct TucsonFile {
    size_t first_line = 0;                  // the line of the file the survey began at
    std::vector<unsigned char> plain_year;  // per line from first_line: 1 = identifier, then a 4-column year
    long long usual_marker = 999;
    bool series_begun = false;              // a data line has been read: no later data line is a title line
    bool plain_year_at(size_t line) const;
};

// Reads one series in mode "mr" or "ir" (either case) from `in`.
// id: 8 characters; set from the first data line. In "ir" mode an id whose
//     first six characters are "******" on entry keeps the depths untouched.
// first_year, count: of the series; count -999 at the end of the file.
// values, depths: at most values.size() values are stored; a longer series is
//     still counted, so the caller can refuse it by its count.
// series_counter: set to 0 by the caller before a data file; raised by one per
//     call, -999 at the end of the file.
// listing: where text lines are echoed (nullptr: nowhere).
// title: receives the first text line of the call (80 characters).
// hdrlin: the first three text lines of the data file (columns 1-80).
// file: surveyed when the series counter becomes 1, read by every call.
// Every value stands at the year its line gives it: years a series skips,
// lines of a series that cannot be read and damaged or empty fields become
// missing values (xmiss, whatever the units); a line of the series out of
// order goes at its own years when no value stands there yet; a new
// identifier, or a line that would overwrite values read, starts a new
// series. The units of a ring-width series follow from its own end marker, or
// from the file's usual one when it has none; a 999 or -9999 with values after
// it is a value. Columns are characters in a line of valid UTF-8, and the
// identifier comes back in 8 bytes of whole characters. Each decision gets a
// warning line in the main listing (streams().luout).
void trrw(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
          int& series_counter, TextIn& in, OutFile* listing, std::string_view mode, std::string& title,
          std::array<std::string, 3>& hdrlin, TucsonFile& file);

// Writes one series in mode "mw", "iw" or "cr" (either case) to `out`, with
// the 3-character stage tag. depths: "iw"/"cr" only; empty, or a first entry
// below 1, writes every depth as 1. Writes nothing when count is below 1.
// Every line is written so that the readers read it back as this series at
// its years: a value or depth that does not fit its field is held at the
// field's edge (9989, 999, 999999 or -99999), and in "iw" a minus sign in the
// identifier straight before a year of four digits becomes a blank, each with
// a warning line in the main listing.
void trrw(std::string_view id, int first_year, int count, std::span<const float> values,
          std::span<const int> depths, OutFile& out, std::string_view mode, std::string_view tag);

// Reads one series of the self-describing layout. `line` holds the "#" line on
// entry (the file stands just before it) and the identifier line on return.
// count is -999 at the end of the file. Values not read because of a read
// error or an early end of the file are returned as xmiss, so that the gap
// scan reports them. end_of_file (when given) tells the end of the file apart
// from a header whose own count is -999.
void datar(std::string& line, int& count, std::span<float> values, int& first_year, TextIn& in,
           bool* end_of_file = nullptr);

}  // namespace kov
