#pragma once
// The Tucson reader, first step: a line as the reader takes it apart. The
// readings that lay a line's bytes into the columns of the layout, the
// line's identifier, year and values as one reading gives them (LineText,
// DataLine), and the end marker that ends its series there. The evidence
// (tucson_evidence), the survey (tucson_survey), the series in work
// (tucson_series_in_work) and trrw all work on the lines made here.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "series/tucson_read.hpp"
#include "shared/files.hpp"

namespace kov::tucson_reading {

using Reading = TucsonFile::Reading;
using Shift = TucsonFile::Shift;

inline constexpr long long hundredths_end = 999;
inline constexpr long long thousandths_end = -9999;

bool is_marker(long long v);
bool spaces_only(std::string_view s);
bool is_digit(char c);

// One integer as a field or a token holds it: a sign and digits.
bool one_integer(std::string_view s);

// The two line forms: ring widths (identifier of 8 columns) and indices (6).
struct Form {
    bool index;
    size_t idw;  // identifier columns of the plain year form
};

Form form_of(bool index);

// The value fields of a line: ten fields of 6 columns from column 13 (ring
// widths), ten value/depth pairs of 7 columns from column 11 (indices).
size_t field_at(const Form& f, int k);
size_t field_width(const Form& f);

int slots_of(int year);

// The next line of the file as the reader takes it: blanks and tabs after its
// last field are no part of it (an editor's tab at the end of a line).
std::optional<std::string> next_line(TextIn& in);

// A control character in a value field: the field was damaged on its way
// into the file.
bool is_control(char c);

// A year whose last digit touches a value that does not fill its field runs
// on into that value. Most often the columns cut the year apart:
// "EX1<tab>01A  1900" taken as it stands has " 190" in its year columns and
// "0    8" in the first value field, and two NULs before "EX101A  1900"
// leave "  19" there. Some writers, though, put a value straight after the
// year ("HNA0417A185225    22", values left-justified in their fields). Such
// a year is one reading among the others, read only where the evidence
// speaks for it (pick_reading).
bool year_runs_on(std::string_view line, const Form& f);

// Whether a line (one byte per column) has a year in its year columns: one
// integer that ends in the year's last column.
bool year_in_its_columns(const std::string& line, const Form& f);

// Whether every value of a line (one byte per column) stands in its own field.
bool values_in_their_columns(const std::string& line, const Form& f);

// Whether a line has its year and values where the layout puts them.
bool in_its_columns(const std::string& line, const Form& f);

// The readings of a line
//
// A writer lays a line out in one of several ways, and the same bytes can
// give a line its year and values in their columns under more than one of
// them: "A<tab>1835   106   147   294   941   999" read as it stands is series
// "A 1835" at year 106, and with the tab at its tab stop series "A" at 1835.
// The reading of a line is not the first of a fixed order that fits: where
// several fit, the evidence of the lines around it picks one (pick_reading).

// The bytes of a line laid out by one reading.
struct HeadReading {
    std::string raw;
    bool by_bytes = false;  // a byte is a column, though the line is valid UTF-8
    bool controls_dropped = false;
    bool tab_dropped = false;
};

// The bytes of the identifier and year columns of a line as it stands.
size_t head_bytes(const std::string& raw, const Form& f);

// Whether a line can be read in more than one way: a tab or a control byte in
// its identifier and year columns, or letters of several bytes.
bool has_strays(const std::string& raw, const Form& f);

// The line laid out by reading r, or nothing when r does not apply to it (it
// would lay it out as it stands).
std::optional<HeadReading> apply_reading(const std::string& raw, const Form& f, Reading r);

// The columns of a line as the layout reads them, in 80 columns, NULs as
// blanks: one byte per column, a character of several bytes as '?' unless
// the reading counts bytes.
std::string layout_columns(const HeadReading& h);

// One line of the file, laid out by its reading. Its columns are characters:
// in a line of valid UTF-8 a character of several bytes (a Cyrillic letter of
// an identifier) takes one column, so that the year and the values stand in
// the columns the layout gives them; in any other line, and in a line read
// by bytes, a byte is a column.
struct LineText {
    std::string bytes;      // as laid out, NULs as blanks: text lines are taken from it
    std::string full;       // one byte per column (a character of several bytes stands as '?'), NULs as blanks
    std::string line;       // full in 80 columns, its damaged value fields blanked
    Reading reading = Reading::as_written;
    bool controls_dropped = false;
    bool tab_dropped = false;
    bool by_bytes = false;  // a byte is a column, though the line is valid UTF-8
    Shift shift = Shift::none;  // one column to the left or right of the layout
    bool damaged[10] = {};  // value field k (ring widths) or value/depth pair k (indices)
};

// Lays a line that stands one column off into the columns of the layout: one
// that stands to the left (its year in columns 8-11) gets a blank before
// column 8; one that stands to the right loses the blank of its column 1 (a
// blank too many at its front) or else, when a blank or a minus sign stands
// in column 9, its last blank before it (a blank put into the identifier, a
// blank too many before the year, or a year of five columns after an
// identifier of eight, "LONG1   -2999"): a digit of the year never moves
// into the identifier's columns. False when the line has no such blank.
bool shift_columns(std::string& raw, Shift s);

// `shift`: the file survey found the line one column to the left or to the
// right of the layout.
LineText line_text(const std::string& raw, const Form& f, Reading r = Reading::as_written, Shift shift = Shift::none);

// The identifier of the first n columns. A tab there is padding, as a blank
// is: "mrr08nw<tab>1840" and "mrr08nw 1830" are lines of one series.
std::string identifier_of(const LineText& t, size_t n);

// An identifier as the listing and the series tables hold it: 8 columns.
std::string name8(std::string_view id);

// The identifier under which the series read before are kept.
std::string identifier_key(std::string_view id);

// Reading a line: its identifier, year and values

// The year forms: the plain one (identifier, 4-column year) and the two in
// which a minus sign in the identifier's last or last but one column makes
// that column part of a year of 5 or 6 columns.
enum class YearForm { plain, wide5, wide6 };

YearForm form_by_sign(const std::string& line, const Form& f);

// Identifier and year of a line in one year form. The year field must hold
// one integer: digits with blanks between them, or a year cut at its front
// by the columns, are no year. Nor is a year whose last digit runs on into
// its first value, unless the survey found that the line's values fit its
// decade so (`runs_on_ok`).
bool read_head(const std::string& line, const Form& f, YearForm y, std::string& id, int& year, bool runs_on_ok = false);

// One line of a Tucson file as read.
struct DataLine {
    std::string id;            // the identifier columns of the year form read (8/7/6 or 6/5/4)
    size_t idcols = 0;         // their number
    int year = 0;
    bool year_read = false;    // the year field held a year
    bool values_read = false;  // the values could be read (fields or separators)
    bool by_separators = false;
    bool beyond = false;       // separators: more values than the ten fields of a line
    long long field[20] = {};  // ten values, or ten value/depth pairs
    bool blank[20] = {};       // the field held nothing
    bool damaged[10] = {};     // value k (pair k) was damaged: no value stands there
    bool ends_after_fields = false;  // a 999 in the tenth field, -9999 written straight after it
    long long marker_after = 0;      // an end marker written after ten values, in columns 73-78
    bool numbers_after = false;      // a year and values after the value columns (a line joined on)
    int tokens = 0;            // values read (by separators, or fields up to the last)
    long long last_token = 0;  // the last of the line's numbers (end marker of an unreadable line)
    bool last_is_number = false;
};

// The words of a line from column `from` (0-based), between blanks or tabs,
// each with the column it starts in.
std::vector<std::pair<size_t, std::string_view>> words(std::string_view s, size_t from = 0);

// Identifier and year in the form `y`, or else in the plain form: a minus
// sign followed by a letter is part of the identifier.
bool read_head_or_plain(const std::string& line, const Form& f, YearForm y, std::string& id, int& year,
                        bool runs_on_ok = false);

// Reads a line in the year form the file survey chose for it (plain: an
// identifier with a minus sign in it, before a 4-column year) or else the form
// its minus sign gives; `runs_on_ok`: a year that runs on into its first
// value is read (the survey found the line's values fit its decade so).
DataLine read_line_of(const LineText& t, const Form& f, bool plain_year, bool runs_on_ok = false);

bool digits_in_year_columns(const std::string& line, const Form& f);
bool only_digits_in_year_columns(const std::string& line, const Form& f);
bool year_columns_blank(const std::string& line, const Form& f);

// Identifiers of two lines agree when the columns both year forms give to the
// identifier agree.
bool same_identifier(const std::string& a, const std::string& b);

// Whether field k of a ring-width line ends its series: an end marker after
// which the line holds nothing but blank fields and further markers. Two
// markers side by side are read by the units most of the file's series end
// in (`usual`):
// - a 999 straight before -9999 is a ring of 0.999 mm in a series of
//   thousandths; so is a 999 in the tenth field with -9999 written after the
//   fields, where the file's series end in -9999 (where they end in 999, that
//   999 ends the series and the -9999 after it is a stray);
// - a -9999 straight before a 999 that ends the line is a missing ring where
//   the file's series end in 999, and the 999 ends the series; where they end
//   in -9999, the -9999 ends it and the 999 after it is a stray.
bool ends_series(const DataLine& d, int k, long long usual);

// The marker that ends the series on a ring-width line, read with the file's
// usual units; 0 when the line does not end its series.
long long line_end_marker(const DataLine& d, long long usual);

// A marker that stands after the one that ends the series on its line: a
// stray, not read.
long long stray_after_end(const DataLine& d, int k);

void warn_outside(OutFile& warn, const DataLine& d);

// Empty and damaged value fields among the values a line gives its series (up
// to its end marker): a line cut short, a field left blank, a field that
// holds control characters.
struct Unread {
    int empty = 0, damaged = 0;
};

Unread unread_fields(const DataLine& d, int from, int to, bool index, long long usual);

// Fields after the end marker of an index series are padding (blank, or more
// markers). A value there means the marker was a value that happened to read
// as one: the values after it are lost.
void warn_if_values_after_marker(OutFile& warn, const DataLine& d, int from);

// Whether a line read as `id` and `year` goes on into the next line of its
// series.
bool goes_on_into(const std::string& id, int year, const std::string& next_id, int next_year);

// Whether a reading of a line puts values outside the decade of its year: a
// first line holds the years from its own to the end of its decade, and the
// fields before them (indices) or after them (ring widths, end markers
// aside) stay empty.
bool outside_its_decade(const DataLine& d, int year, bool index);

}  // namespace kov::tucson_reading
