#pragma once
// The Tucson decade formats: ring widths ("mr" to read, "mw" to write) and
// indices with sample depths ("ir" to read, "iw" to write), the CRU form
// written from the same decade lines ("cr"), and the self-describing series
// layout that a Tucson file may hold for single series.
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "shared/files.hpp"

namespace kov {

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
// Lines that do not follow on from the series, and a series cut off by the end
// of the file, get a warning line in the main listing (streams().luout).
void trrw(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
          int& series_counter, TextIn& in, OutFile* listing, std::string_view mode, std::string& title,
          std::array<std::string, 3>& hdrlin);

// Writes one series in mode "mw", "iw" or "cr" (either case) to `out`, with
// the 3-character stage tag. depths: "iw"/"cr" only; empty, or a first entry
// below 1, writes every depth as 1. Writes nothing when count is below 1.
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
