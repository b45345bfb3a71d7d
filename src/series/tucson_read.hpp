#pragma once
// The Tucson decade reader: ring widths ("mr") and indices with sample depths
// ("ir"), and the self-describing series layout that a Tucson file may hold
// for single series (datar). What the reader keeps of a file between its
// calls is TucsonFile; the reader's parts are listed at the top of
// tucson_read.cpp.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "shared/files.hpp"

namespace kov {

// What the reader learns of a whole Tucson file before its first series (when
// the series counter becomes 1), and what it keeps of the series read since,
// so that a line is read as the lines around it and the file's other lines
// read. The caller keeps it for one data file.
struct TucsonFile {
    // How a line's bytes are laid into the columns of the layout (the survey
    // picks one for every line, by the evidence of the lines around it).
    enum class Reading : unsigned char {
        as_written,      // a column per character; a tab, a NUL or a byte of another code page one column
        by_bytes,        // a column per byte, though the line is valid UTF-8 (an identifier padded to 8 bytes)
        strays_dropped,  // control bytes and tabs in the identifier and year columns dropped
        tab_stops,       // a tab in the identifier columns at the next tab stop (every 8 columns)
    };
    // Where a line stands against the columns of the layout: as laid out by
    // its reading, one column to the left of it (its year in columns 8-11,
    // a blank is put in before column 8), or one column to the right (a line
    // that begins with a blank, or a year of five columns after an
    // identifier of eight: a blank before the year is taken out).
    enum class Shift : unsigned char { none, left, right };
    static constexpr unsigned char plain_year_line = 1;    // identifier, then a 4-column year
    static constexpr unsigned char shifted_line = 2;       // one column to the left
    static constexpr unsigned char shifted_right_line = 4;  // one column to the right
    // a year whose last digit touches its first value, the values read by
    // their separators: they fill the line's decade (or end at its end
    // marker), and its neighbours speak for it
    static constexpr unsigned char runs_on_line = 8;
    static constexpr int reading_shift = 4;  // the reading, in the bits above these

    size_t first_line = 0;               // the line of the file the survey began at
    std::vector<unsigned char> reading;  // per line from first_line: the bits above
    long long usual_marker = 999;        // the end marker most of the file's ring-width series use
    bool series_begun = false;           // a data line has been read: no later data line is a title line

    // A series read before, by identifier: its years, the lines of the file
    // that hold it (the values stay where the file's text holds them), and
    // how it ended.
    struct Earlier {
        int first_year = 0, last_year = 0;
        size_t first_line = 0, end_line = 0;
        bool by_marker = false;  // ended by its own end marker
    };
    std::unordered_map<std::string, std::vector<Earlier>> earlier;
    // The lines of identifiers that name more than one series, by identifier,
    // year and values, so that a line written twice is found at once: only
    // identifiers met again are indexed.
    std::unordered_multimap<std::uint64_t, std::uint32_t> lines_by_values;
    std::unordered_set<std::string> indexed;
    // Identifiers that name segments of one core (a series after the end
    // marker of an earlier one of its identifier, on other years), in the
    // order met: listed once, at the end, with their numbers of series.
    std::vector<std::string> segments;

    bool plain_year_at(size_t line) const { return reading_at(line, plain_year_line); }
    Shift shift_at(size_t line) const {
        return reading_at(line, shifted_line) ? Shift::left : reading_at(line, shifted_right_line) ? Shift::right : Shift::none;
    }
    bool runs_on_at(size_t line) const { return reading_at(line, runs_on_line); }
    Reading reading_of(size_t line) const;
    bool reading_at(size_t line, unsigned char what) const;
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
// A line is read the way that makes it a line of its neighbours: of the ways
// its bytes can be laid into the columns (as written, by bytes, without its
// control bytes and stray tabs, with a tab at its tab stop), the one under
// which its identifier is that of the lines around it and its year goes on
// from theirs; where they cannot tell, the line's own evidence and the file's
// habit decide. A year that the columns cut apart is no year.
// Every value stands at the year its line gives it. Years a series skips,
// lines of a series that cannot be read and empty or damaged fields become
// missing values (xmiss, whatever the units); so does a line with values
// whose year is spoiled, when the next line of its identifier begins a
// decade and the digits its year still shows agree. A line of the series out
// of order goes at its own years when no value stands there yet; a new
// identifier, or a line that would overwrite values read (or make the series
// longer than the vectors), ends the series without its end marker and
// starts the next. A line that repeats a line read before for its identifier
// and years is not read. A series whose identifier an earlier series has is
// named, on a line of its own or, for segments of one core, once per file in
// a block at the end. The units of a ring-width series follow from its own
// end marker, or from the file's usual one when it has none; a 999 or -9999
// with values after it is a value, and two markers side by side are read by
// the file's usual units. Lines that the survey found one column to the left
// of the layout are read one column further right. Most of these decisions
// get a warning line in the main listing (streams().luout).
void trrw(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
          int& series_counter, TextIn& in, OutFile* listing, std::string_view mode, std::string& title,
          std::array<std::string, 3>& hdrlin, TucsonFile& file);

// Reads one series of the self-describing layout. `line` holds the "#" line on
// entry (the file stands just before it) and the identifier line on return.
// count is -999 at the end of the file. Values not read because of a read
// error or an early end of the file are returned as xmiss, so that the gap
// scan reports them. end_of_file (when given) tells the end of the file apart
// from a header whose own count is -999.
void datar(std::string& line, int& count, std::span<float> values, int& first_year, TextIn& in,
           bool* end_of_file = nullptr);

}  // namespace kov
