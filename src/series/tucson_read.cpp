// Reading one series of a Tucson decade file ("mr" ring widths, "ir" indices).
//
// Real files depart from the layout in ways a reader must not pass over in
// silence: identifiers that run into the year, tabs and control bytes before
// the year, letters of several bytes, values written without their 6-column
// fields, a ring of 999 in a series of thousandths, lines that cannot be read
// inside a series, lines out of order, lines written twice, series that lack
// their end marker. The reader keeps every value at the year its line gives it
// and says in the main listing where it had to decide.
//
// The file reads from top to bottom as a line is read:
// 1. a line as the reader takes it apart: the readings that lay its bytes
//    into columns, its identifier, year and values, its end marker;
// 2. the one place that says which evidence picks the reading of a line;
// 3. the survey of the whole file before its first series: the reading of
//    every line, lines one column to the left, years before -999, the usual
//    units of the file;
// 4. the series in work: what one call of the reader builds, and its phases;
// 5. trrw itself.
#include <algorithm>
#include <climits>
#include <iterator>
#include <optional>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/tucson.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

using Reading = TucsonFile::Reading;
using Shift = TucsonFile::Shift;

constexpr int max_text_lines = 25;

constexpr long long hundredths_end = 999;
constexpr long long thousandths_end = -9999;

bool is_marker(long long v) { return v == hundredths_end || v == thousandths_end; }

// Blanks and tabs separate values.
bool is_space(char c) { return c == ' ' || c == '\t'; }

bool spaces_only(std::string_view s) {
    return std::all_of(s.begin(), s.end(), is_space);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One integer as a field or a token holds it: a sign and digits.
bool one_integer(std::string_view s) {
    size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!is_digit(s[i])) return false;
    return true;
}

// A fixed field holds one integer, right- or left-justified: blanks between
// digits are two values (or a value cut by the field), not one.
bool field_holds_one_integer(std::string_view f) {
    const size_t a = f.find_first_not_of(' ');
    if (a == std::string_view::npos) return true;
    const size_t b = f.find_last_not_of(' ');
    return one_integer(f.substr(a, b - a + 1));
}

// The two line forms: ring widths (identifier of 8 columns) and indices (6).
struct Form {
    bool index;
    size_t idw;  // identifier columns of the plain year form
};

Form form_of(bool index) { return index ? Form{true, 6} : Form{false, 8}; }

// The value fields of a line: ten fields of 6 columns from column 13 (ring
// widths), ten value/depth pairs of 7 columns from column 11 (indices).
size_t field_at(const Form& f, int k) { return f.index ? 10 + 7 * static_cast<size_t>(k) : 12 + 6 * static_cast<size_t>(k); }
size_t field_width(const Form& f) { return f.index ? 7 : 6; }

int slots_of(int year) { return 10 - mod10(year); }

// The next line of the file as the reader takes it: blanks and tabs after its
// last field are no part of it (an editor's tab at the end of a line).
std::optional<std::string> next_line(TextIn& in) {
    auto got = in.read_line();
    if (got) got->erase(std::min(got->size(), got->find_last_not_of(" \t") + 1));
    return got;
}

// ---------------------------------------------------------------------------
// 1. A line as the reader takes it apart

// A control character in a value field: the field was damaged on its way
// into the file.
bool is_control(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7f;
}

// A NUL is no character of a data file but a column that a system left
// empty: a field of nothing but NULs and blanks is an empty field. A field
// that holds a NUL or another control character beside what it holds else
// cannot be told (the digits around the NULs of "  \0\0\08" are not the
// value): it is damaged.
bool damaged_field(std::string_view f) {
    bool nul = false, other = false;
    for (char c : f) {
        if (c == '\0') {
            nul = true;
        } else if (is_control(c)) {
            return true;
        } else if (c != ' ') {
            other = true;
        }
    }
    return nul && other;
}

// Whether every value in columns 13-72 stands within its own 6-column field:
// then the fields read as they stand. A field with blanks between two numbers,
// a character that belongs to no number, or a number that runs on into the
// next field means the values were written without the fields (values of
// several widths between blanks, a tab).
bool fields_hold_the_values(const std::string& line) {
    for (int k = 0; k < 10; ++k) {
        const std::string_view f = std::string_view(line).substr(12 + 6 * k, 6);
        if (!field_holds_one_integer(f)) return false;
        // A value of six digits fills its field to the edge and touches the
        // value before it (" 40000130200" is 40000 and 130200); a number
        // that runs on into a field it does not fill is one value written
        // across the fields.
        if (k > 0 && is_digit(f[0]) && is_digit(line[12 + 6 * k - 1]) && f.find(' ') != std::string_view::npos)
            return false;
    }
    return true;
}

// A year whose last digit touches a value that does not fill its field runs
// on into that value. Most often the columns cut the year apart:
// "EX1<tab>01A  1900" taken as it stands has " 190" in its year columns and
// "0    8" in the first value field, and two NULs before "EX101A  1900"
// leave "  19" there. Some writers, though, put a value straight after the
// year ("HNA0417A185225    22", values left-justified in their fields). Such
// a year is one reading among the others, read only where the evidence
// speaks for it (pick_reading).
bool year_runs_on(std::string_view line, const Form& f) {
    const size_t end = f.idw + 4;          // the first column after the year
    const size_t width = f.index ? 4 : 6;  // the first value field
    if (line.size() <= end || !is_digit(line[end - 1]) || !is_digit(line[end])) return false;
    const std::string_view first = line.substr(end, width);
    return first.size() < width || first.find(' ') != std::string_view::npos;
}

// Whether a line (one byte per column) has a year in its year columns: one
// integer that ends in the year's last column.
bool year_in_its_columns(const std::string& line, const Form& f) {
    const std::string_view year = std::string_view(line).substr(f.idw, 4);
    return !is_blank(year) && is_digit(year[3]) && field_holds_one_integer(year);
}

// Whether every value of a line (one byte per column) stands in its own field.
bool values_in_their_columns(const std::string& line, const Form& f) {
    if (!f.index) return fields_hold_the_values(line);
    for (size_t k = 0; k < 10; ++k)
        if (!field_holds_one_integer(std::string_view(line).substr(10 + 7 * k, 4)) ||
            !field_holds_one_integer(std::string_view(line).substr(14 + 7 * k, 3)))
            return false;
    return true;
}

// Whether a line has its year and values where the layout puts them.
bool in_its_columns(const std::string& line, const Form& f) {
    return year_in_its_columns(line, f) && !year_runs_on(line, f) && values_in_their_columns(line, f);
}

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

bool is_stray(char c) { return is_control(c) || c == '\t'; }

// The bytes of the identifier and year columns of a line as it stands.
size_t head_bytes(const std::string& raw, const Form& f) { return column_byte(raw, f.idw + 4); }

// Whether a line can be read in more than one way: a tab or a control byte in
// its identifier and year columns, or letters of several bytes.
bool has_strays(const std::string& raw, const Form& f) {
    const auto head = raw.begin() + static_cast<long>(head_bytes(raw, f));
    return std::any_of(raw.begin(), head, is_stray) || multibyte_utf8(raw);
}

// The line laid out by reading r, or nothing when r does not apply to it (it
// would lay it out as it stands).
std::optional<HeadReading> apply_reading(const std::string& raw, const Form& f, Reading r) {
    switch (r) {
        case Reading::as_written:
            return HeadReading{raw};
        case Reading::by_bytes:
            if (!multibyte_utf8(raw)) return std::nullopt;
            return HeadReading{raw, true};
        case Reading::strays_dropped: {
            // Control bytes came before the identifier or into the year (two
            // NULs before "EX101A  1830"); a tab inside an identifier
            // ("EX1<tab>01A  1900") is no column of it.
            const size_t head = head_bytes(raw, f);
            HeadReading h;
            for (size_t i = 0; i < head; ++i) {
                if (!is_stray(raw[i])) {
                    h.raw += raw[i];
                    continue;
                }
                (raw[i] == '\t' ? h.tab_dropped : h.controls_dropped) = true;
            }
            if (!h.tab_dropped && !h.controls_dropped) return std::nullopt;
            h.raw += raw.substr(head);
            return h;
        }
        case Reading::tab_stops: {
            // As an editor shows it: "moo07b<tab>1800" has its year in
            // columns 9-12.
            const size_t idend = column_byte(raw, f.idw);
            if (f.index || raw.find('\t') >= idend) return std::nullopt;
            const bool multibyte = multibyte_utf8(raw);
            HeadReading h;
            size_t col = 0;
            for (size_t i = 0; i < idend;) {
                if (raw[i] == '\t') {
                    const size_t to = (col / 8 + 1) * 8;
                    h.raw.append(to - col, ' ');
                    col = to;
                    ++i;
                    continue;
                }
                const size_t n = multibyte ? std::max<size_t>(1, utf8_char_length(raw, i)) : 1;
                h.raw.append(raw, i, n);
                i += n;
                ++col;
            }
            h.raw += raw.substr(idend);
            return h;
        }
    }
    return std::nullopt;
}

// The columns of a line as the layout reads them, in 80 columns, NULs as
// blanks: one byte per column, a character of several bytes as '?' unless
// the reading counts bytes.
std::string layout_columns(const HeadReading& h) {
    std::string cols = padded(h.by_bytes ? h.raw : column_text(h.raw), 80);
    std::replace(cols.begin(), cols.end(), '\0', ' ');
    return cols;
}

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
bool shift_columns(std::string& raw, Shift s) {
    if (s == Shift::left) {
        raw.insert(column_byte(raw, 7), 1, ' ');
        return true;
    }
    if (!raw.empty() && raw[0] == ' ') {
        raw.erase(0, 1);
        return true;
    }
    const size_t col9 = column_byte(raw, 8);
    if (col9 >= raw.size() || (raw[col9] != '-' && raw[col9] != ' ')) return false;
    const size_t blank = raw.find_last_of(' ', col9 - 1);
    if (col9 == 0 || blank == std::string::npos) return false;
    raw.erase(blank, 1);
    return true;
}

// `shift`: the file survey found the line one column to the left or to the
// right of the layout.
LineText line_text(const std::string& raw, const Form& f, Reading r = Reading::as_written, Shift shift = Shift::none) {
    LineText t;
    HeadReading h = apply_reading(raw, f, r).value_or(HeadReading{raw});
    t.reading = r;
    t.controls_dropped = h.controls_dropped;
    t.tab_dropped = h.tab_dropped;
    t.by_bytes = h.by_bytes;
    if (shift != Shift::none && shift_columns(h.raw, shift)) t.shift = shift;
    std::string cols = h.by_bytes ? h.raw : column_text(h.raw);
    t.line = padded(cols, 80);
    for (int k = 0; k < 10; ++k) {
        if (!damaged_field(std::string_view(t.line).substr(field_at(f, k), field_width(f)))) continue;
        t.damaged[k] = true;
        t.line.replace(field_at(f, k), field_width(f), field_width(f), ' ');
    }
    t.bytes = std::move(h.raw);
    for (std::string* s : {&t.bytes, &cols, &t.line}) std::replace(s->begin(), s->end(), '\0', ' ');
    t.full = std::move(cols);
    return t;
}

// The identifier of the first n columns. A tab there is padding, as a blank
// is: "mrr08nw<tab>1840" and "mrr08nw 1830" are lines of one series.
std::string identifier_of(const LineText& t, size_t n) {
    std::string id = t.by_bytes ? t.bytes.substr(0, n) : column_slice(t.bytes, 0, n);
    std::replace(id.begin(), id.end(), '\t', ' ');
    return in_columns(id, n);
}

// An identifier as the listing and the series tables hold it: 8 columns.
std::string name8(std::string_view id) { return in_columns(id, 8); }

// The identifier under which the series read before are kept.
std::string identifier_key(std::string_view id) { return rtrim(name8(id)); }

// Reading a line: its identifier, year and values

// The year forms: the plain one (identifier, 4-column year) and the two in
// which a minus sign in the identifier's last or last but one column makes
// that column part of a year of 5 or 6 columns.
enum class YearForm { plain, wide5, wide6 };

YearForm form_by_sign(const std::string& line, const Form& f) {
    if (line[f.idw - 1] == '-') return YearForm::wide5;
    if (line[f.idw - 2] == '-') return YearForm::wide6;
    return YearForm::plain;
}

std::string_view head_layout(const Form& f, YearForm y) {
    if (f.index) return y == YearForm::plain ? "(a6,i4)" : y == YearForm::wide5 ? "(a5,i5)" : "(a4,i6)";
    return y == YearForm::plain ? "(a8,i4)" : y == YearForm::wide5 ? "(a7,i5)" : "(a6,i6)";
}

// Whether the columns cut a year at its front: digits that run on from the
// identifier's last column into a year field that ends in a blank ("EX101A
// 1835" has "835 " in its year columns). A year of three digits written
// from the field's first column ("CM123C  990 ") is a year.
bool year_cut_at_its_front(const std::string& line, const Form& f) {
    return line[f.idw + 3] == ' ' && is_digit(line[f.idw - 1]) && is_digit(line[f.idw]);
}

// Identifier and year of a line in one year form. The year field must hold
// one integer: digits with blanks between them, or a year cut at its front
// by the columns, are no year. Nor is a year whose last digit runs on into
// its first value, unless the survey found that the line's values fit its
// decade so (`runs_on_ok`).
bool read_head(const std::string& line, const Form& f, YearForm y, std::string& id, int& year, bool runs_on_ok = false) {
    const size_t idcols = f.idw - (y == YearForm::wide5 ? 1 : y == YearForm::wide6 ? 2 : 0);
    if (!field_holds_one_integer(std::string_view(line).substr(idcols, f.idw + 4 - idcols)) ||
        year_cut_at_its_front(line, f) || (!runs_on_ok && year_runs_on(line, f)))
        return false;
    try {
        auto v = read_values(head_layout(f, y), std::string_view(line).substr(0, f.idw + 4));
        if (v.size() < 2) return false;
        id = v[0].s;
        year = static_cast<int>(v[1].i);
        return true;
    } catch (const ReadError&) {
        return false;
    }
}

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
std::vector<std::pair<size_t, std::string_view>> words(std::string_view s, size_t from = 0) {
    std::vector<std::pair<size_t, std::string_view>> w;
    for (size_t i = from; i < s.size();) {
        while (i < s.size() && is_space(s[i])) ++i;
        const size_t start = i;
        while (i < s.size() && !is_space(s[i])) ++i;
        if (i > start) w.emplace_back(start, s.substr(start, i - start));
    }
    return w;
}

// The values of a ring-width line by their separators (blanks, tabs). A word
// after the value columns that is no number is a stage tag or a remark and
// ends the values; anywhere else it makes the line unreadable.
bool read_by_separators(const std::string& full, DataLine& d) {
    int n = 0;
    for (const auto& [start, tok] : words(full, 12)) {
        long long v = 0;
        try {
            if (!one_integer(tok)) throw ReadError("no integer");
            v = free_int(tok);
        } catch (const ReadError&) {
            if (start >= 72) break;
            return false;
        }
        if (n < 10) {
            d.field[n] = v;
            d.blank[n] = false;
        } else {
            d.beyond = true;
        }
        d.last_token = v;
        d.last_is_number = true;
        ++n;
    }
    for (int k = n; k < 10; ++k) {
        d.field[k] = 0;
        d.blank[k] = true;
    }
    d.tokens = n;
    if (n == 11 && d.field[9] == hundredths_end && d.last_token == thousandths_end) {
        d.ends_after_fields = true;
        d.beyond = false;
    } else if (n == 11 && is_marker(d.last_token) && !is_marker(d.field[9])) {
        d.marker_after = d.last_token;
        d.beyond = false;
    }
    return true;
}

// The words of a line whose values cannot all be read, and the last of them
// when it is a number: an end marker there ends the series on that line,
// after as many years as words stand before it.
void last_number(const std::string& full, size_t from, DataLine& d) {
    const auto w = words(full, from);
    d.tokens = static_cast<int>(w.size());
    d.last_is_number = false;
    if (w.empty()) return;
    const std::string_view tok = w.back().second;
    if (one_integer(tok)) {
        try {
            d.last_token = free_int(tok);
            d.last_is_number = true;
        } catch (const ReadError&) {
        }
    }
}

// The n value fields of a line by their layout, from column `from` (0-based).
bool read_fields(const std::string& line, std::string_view layout, size_t from, size_t n, DataLine& d) {
    try {
        auto v = read_values(layout, std::string_view(line).substr(from));
        if (v.size() < n) return false;
        for (size_t k = 0; k < n; ++k) {
            d.field[k] = v[k].i;
            d.blank[k] = v[k].blank;
        }
        return true;
    } catch (const ReadError&) {
        return false;
    }
}

// Identifier and year in the form `y`, or else in the plain form: a minus
// sign followed by a letter is part of the identifier.
bool read_head_or_plain(const std::string& line, const Form& f, YearForm y, std::string& id, int& year,
                        bool runs_on_ok = false) {
    return read_head(line, f, y, id, year, runs_on_ok) ||
           (y != YearForm::plain && read_head(line, f, YearForm::plain, id, year, runs_on_ok));
}

// Reads a line in the year form the file survey chose for it (plain: an
// identifier with a minus sign in it, before a 4-column year) or else the form
// its minus sign gives; `runs_on_ok`: a year that runs on into its first
// value is read (the survey found the line's values fit its decade so).
DataLine read_line_of(const LineText& t, const Form& f, bool plain_year, bool runs_on_ok = false) {
    const std::string& line = t.line;
    DataLine d;
    d.year_read = read_head_or_plain(line, f, plain_year ? YearForm::plain : form_by_sign(line, f), d.id, d.year,
                                     runs_on_ok);
    d.idcols = d.year_read ? d.id.size() : f.idw;
    d.id = identifier_of(t, d.idcols);

    if (f.index) {
        d.values_read = read_fields(line, "(10(i4,i3))", 10, 20, d);
        std::copy(std::begin(t.damaged), std::end(t.damaged), d.damaged);
        return d;
    }
    if (fields_hold_the_values(line)) {
        d.values_read = read_fields(line, "(10i6)", 12, 10, d);
        std::copy(std::begin(t.damaged), std::end(t.damaged), d.damaged);
        // the last value, which may end the series on a line whose year is
        // spoiled
        for (int k = 9; d.values_read && k >= 0; --k)
            if (!d.blank[k]) {
                d.last_token = d.field[k];
                d.last_is_number = true;
                d.tokens = k + 1;
                break;
            }
        // After the ten fields: a 999 in the last field with -9999 straight
        // after it (the writer put the end marker of a series in thousandths
        // on the line of its last ring), or an end marker after ten values
        // (the writer put it where an eleventh value would stand). A stage
        // tag, a remark or a card number may follow; a year and values there
        // are another line that lost its line break.
        if (d.values_read) {
            auto w = words(t.full, 72);
            if (!w.empty() && !d.blank[9] && (w[0].second == "999" || w[0].second == "-9999")) {
                if (d.field[9] == hundredths_end && w[0].second == "-9999")
                    d.ends_after_fields = true;
                else if (!is_marker(d.field[9]))
                    d.marker_after = w[0].second == "999" ? hundredths_end : thousandths_end;
                if (d.ends_after_fields || d.marker_after != 0) w.erase(w.begin());
            }
            d.numbers_after =
                std::count_if(w.begin(), w.end(), [](const auto& x) { return one_integer(x.second); }) >= 2;
        }
        return d;
    }
    d.values_read = read_by_separators(t.full, d);
    d.by_separators = d.values_read;
    if (!d.values_read) last_number(t.full, 12, d);
    return d;
}

bool digits_in_year_columns(const std::string& line, const Form& f) {
    const std::string_view year = std::string_view(line).substr(f.idw, 4);
    return std::any_of(year.begin(), year.end(), is_digit);
}

bool only_digits_in_year_columns(const std::string& line, const Form& f) {
    const std::string_view year = std::string_view(line).substr(f.idw, 4);
    return std::all_of(year.begin(), year.end(), [](char c) { return is_digit(c) || c == ' ' || c == '-'; });
}

bool year_columns_blank(const std::string& line, const Form& f) {
    return is_blank(std::string_view(line).substr(f.idw, 4));
}

// Identifiers of two lines agree when the columns both year forms give to the
// identifier agree.
bool same_identifier(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    return a.compare(0, n, b, 0, n) == 0;
}

// A ring-width end marker stands after the series' last value: nothing but
// blank fields and further markers follow it on its line.
bool ends_its_line(const DataLine& d, int k) {
    for (int j = k + 1; j < 10; ++j)
        if (!d.blank[j] && !is_marker(d.field[j])) return false;
    return !d.beyond;
}

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
bool ends_series(const DataLine& d, int k, long long usual) {
    if (!is_marker(d.field[k]) || !ends_its_line(d, k)) return false;
    const bool next_is = k + 1 < 10 && !d.blank[k + 1];
    if (d.field[k] == thousandths_end) return !(next_is && d.field[k + 1] == hundredths_end && usual == hundredths_end);
    if (k == 9) return !d.ends_after_fields || usual == hundredths_end;
    return !next_is || d.field[k + 1] != thousandths_end;
}

// The marker that ends the series on a ring-width line, read with the file's
// usual units; 0 when the line does not end its series.
long long line_end_marker(const DataLine& d, long long usual) {
    for (int k = 0; k < 10; ++k) {
        if (d.blank[k] || !ends_its_line(d, k)) continue;
        if (ends_series(d, k, usual)) return d.field[k];
        if (k == 9 && d.ends_after_fields) return thousandths_end;
    }
    return d.marker_after;
}

// A marker that stands after the one that ends the series on its line: a
// stray, not read.
long long stray_after_end(const DataLine& d, int k) {
    if (d.field[k] == hundredths_end && k == 9 && d.ends_after_fields) return thousandths_end;
    if (k + 1 < 10 && !d.blank[k + 1] && is_marker(d.field[k + 1]) && d.field[k + 1] != d.field[k])
        return d.field[k + 1];
    return 0;
}

void warn_outside(OutFile& warn, const DataLine& d) {
    warn.write("(t2,'*** warning: line ',a8,i6,' holds values outside its decade: not read')", name8(d.id), d.year);
}

// Empty and damaged value fields among the values a line gives its series (up
// to its end marker): a line cut short, a field left blank, a field that
// holds control characters.
struct Unread {
    int empty = 0, damaged = 0;
};

Unread unread_fields(const DataLine& d, int from, int to, bool index, long long usual) {
    Unread n;
    for (int k = from; k < to; ++k) {
        const int f = index ? 2 * k : k;
        if (d.damaged[k]) {
            ++n.damaged;
            continue;
        }
        if (d.blank[f]) {
            ++n.empty;
            continue;
        }
        const long long v = d.field[f];
        if (index ? v >= 9990 : ends_series(d, k, usual)) break;
    }
    return n;
}

// Fields after the end marker of an index series are padding (blank, or more
// markers). A value there means the marker was a value that happened to read
// as one: the values after it are lost.
void warn_if_values_after_marker(OutFile& warn, const DataLine& d, int from) {
    for (int k = from; k < 10; ++k) {
        const long long v = d.field[2 * k];
        if (d.blank[2 * k] || v >= 9990) continue;
        warn.write("(t2,'*** warning: line ',a8,i6,' holds values after its end marker: not read')", name8(d.id),
                   d.year);
        return;
    }
}

// A line that cannot be read as a data line, whose year and at least one of
// its value fields are numbers: a data line spoiled by a stray character, or
// one whose values run together ("40000130200" is no value of a ring-width
// line), and not a text line.
bool spoiled_data_line(const LineText& t, const Form& f, std::string& id, int& year) {
    std::string mended = t.line;
    const int fields = f.index ? 20 : 10;
    int numbers = 0;
    for (int k = 0; k < fields; ++k) {
        const size_t at = f.index ? 10 + 7 * (k / 2) + (k % 2 ? 4 : 0) : 12 + 6 * k;
        const size_t width = f.index ? (k % 2 ? 3 : 4) : 6;
        const std::string_view field = std::string_view(mended).substr(at, width);
        if (is_blank(field)) continue;
        try {
            read_values(f.index ? (k % 2 ? "(i3)" : "(i4)") : "(i6)", field);
            ++numbers;
        } catch (const ReadError&) {
            mended.replace(at, width, width, ' ');
        }
    }
    if (numbers == 0 || !read_head_or_plain(mended, f, form_by_sign(mended, f), id, year)) return false;
    id = identifier_of(t, id.size());
    return true;
}

// A line whose year field is blank is passed over. When it holds numbers in
// its value fields it is a data line that lost its year, and its values are
// lost with it.
void warn_if_values_without_year(OutFile& warn, const LineText& t, const Form& f) {
    try {
        auto v = read_values(f.index ? "(10x,10(i4,i3))" : "(12x,10i6)", t.line);
        const int step = f.index ? 2 : 1;
        for (size_t k = 0; k < v.size(); k += step) {
            if (!v[k].blank) {
                warn.write("(t2,'*** warning: line ',a8,' holds values but no year: not read')",
                           name8(identifier_of(t, 8)));
                return;
            }
        }
    } catch (const ReadError&) {
    }
}

// A line whose year columns cannot be read but which holds a word followed by
// nothing but integers (a year and at least two values; any number of them
// after a line of the same word), the word longer than the identifier
// columns: a data line whose identifier does not fit columns 1-8. Returns that
// identifier (the year taken off when it runs on into it), or nothing. A text
// line such as a site name and two years is no such line.
std::string long_identifier(const LineText& t, const Form& f, const std::string& last) {
    if (f.index) return {};
    const auto w = words(t.full);
    if (w.size() < 2 || w[0].second.size() <= f.idw) return {};
    for (size_t k = 1; k < w.size(); ++k)
        if (!one_integer(w[k].second)) return {};
    std::string_view id = w[0].second;
    size_t numbers = w.size() - 1;
    if (id.size() > f.idw + 4 && std::all_of(id.end() - 4, id.end(), is_digit)) {
        id.remove_suffix(4);
        ++numbers;
    }
    const std::string name = column_slice(t.bytes, w[0].first, id.size());
    if (numbers < 3 && name != last) return {};
    return name;
}

// Line `line` of the file laid out, and read, as the survey chose.
LineText text_at(const std::string& raw, const TucsonFile& file, const Form& f, size_t line) {
    return line_text(raw, f, file.reading_of(line), file.shift_at(line));
}
DataLine data_at(const LineText& t, const TucsonFile& file, const Form& f, size_t line) {
    return read_line_of(t, f, file.plain_year_at(line), file.runs_on_at(line));
}

// Reads the lines after the one just read, each as a data line (blank lines
// and lines without a year passed over), until `look` returns false or the
// file ends; then the file stands where it stood.
template <class Look>
void look_ahead(TextIn& in, const TucsonFile& file, const Form& f, Look look) {
    const size_t back = in.line_number();
    for (;;) {
        const size_t at = in.line_number();
        auto got = next_line(in);
        if (!got) break;
        const LineText t = text_at(*got, file, f, at);
        if (spaces_only(t.full) || year_columns_blank(t.line, f)) continue;
        if (!look(data_at(t, file, f, at))) break;
    }
    in.seek(back);
}

// Whether a line read as `id` and `year` goes on into the next line of its
// series.
bool goes_on_into(const std::string& id, int year, const std::string& next_id, int next_year) {
    return same_identifier(id, next_id) && next_year == year + slots_of(year);
}

// Whether a reading of a line puts values outside the decade of its year: a
// first line holds the years from its own to the end of its decade, and the
// fields before them (indices) or after them (ring widths, end markers
// aside) stay empty.
bool outside_its_decade(const DataLine& d, int year, bool index) {
    const int slots = slots_of(year);
    if (index) {
        for (int k = 0; k < 10 - slots; ++k)
            if (!d.blank[2 * k] && d.field[2 * k] < 9990) return true;
        return false;
    }
    for (int k = slots; k < 10; ++k)
        if (!d.blank[k] && !is_marker(d.field[k])) return true;
    return d.beyond;
}

// ---------------------------------------------------------------------------
// 2. The evidence that picks the reading of a line

// A line as one reading gives it: its identifier, its year and values, and
// whether those keep within the decade of its year.
struct Candidate {
    Reading reading = Reading::as_written;
    Shift shift = Shift::none;
    std::string id;  // identifier_key
    int year = 0;
    bool ends = false;       // an end marker ends its series on the line
    bool in_decade = false;  // its values keep within its decade, its end marker after them
    bool runs_on = false;    // its year's last digit touches its first value, which does not fill its field
    bool touches = false;    // its year's last digit touches its first value, whichever
    unsigned readings = 0;   // every reading that gives this same line, a bit each
    long long field[20] = {};
    bool blank[20] = {};

    bool same_line_as(const Candidate& o) const {
        return id == o.id && year == o.year && std::equal(std::begin(field), std::end(field), std::begin(o.field)) &&
               std::equal(std::begin(blank), std::end(blank), std::begin(o.blank));
    }
};

// A line as reading r, shift s, gives it.
Candidate candidate_of(const DataLine& d, Reading r, Shift s, bool runs_on, const Form& f) {
    Candidate c;
    c.reading = r;
    c.readings = 1u << static_cast<int>(r);
    c.shift = s;
    c.runs_on = runs_on;
    c.id = identifier_key(d.id);
    c.year = d.year;
    c.ends = !f.index && d.values_read && line_end_marker(d, hundredths_end) != 0;
    c.in_decade = !outside_its_decade(d, d.year, f.index);
    std::copy(std::begin(d.field), std::end(d.field), c.field);
    std::copy(std::begin(d.blank), std::end(d.blank), c.blank);
    return c;
}

// Whether a ring-width line (one byte per column) stands one column to the
// left of the layout: a year of four digits in columns 8-11, blanks on both
// sides of it.
bool year_one_column_left(const std::string& line) {
    return line[6] == ' ' && std::all_of(line.begin() + 7, line.begin() + 11, is_digit) && line[11] == ' ';
}

// Whether every value of a ring-width line (one byte per column) begins its
// 6-column field, as a writer that puts each value straight at the start of
// its field lays them out ("185225    22    26": the first value touches the
// year); an end marker may stand anywhere after them.
bool values_begin_their_fields(const std::string& line) {
    for (const auto& [start, word] : words(line, 12))
        if (word != "999" && word != "-9999" && (start - 12) % 6 != 0) return false;
    return true;
}

// The line that reading r and shift s give, when they put a year in its
// columns and the values in theirs. A year that runs on into its first value
// (ring widths) gives a line only where each of its values begins its field
// and, read by their separators, they fill its decade or end at its end
// marker within it: "RH17B   19331  185   9101 ..." (a value's digit written
// apart) has neither.
std::optional<Candidate> candidate_in(const std::string& raw, const Form& f, Reading r, Shift s) {
    auto h = apply_reading(raw, f, r);
    if (!h || (s == Shift::left && !year_one_column_left(layout_columns(*h))) ||
        (s != Shift::none && !shift_columns(h->raw, s)))
        return std::nullopt;
    const std::string cols = layout_columns(*h);
    if (!year_in_its_columns(cols, f)) return std::nullopt;
    const bool runs_on = year_runs_on(cols, f);
    if (runs_on ? f.index || s != Shift::none || !values_begin_their_fields(cols)
                : !values_in_their_columns(cols, f))
        return std::nullopt;
    const DataLine d = read_line_of(line_text(raw, f, r, s), f, false, runs_on);
    if (!d.year_read || !d.values_read) return std::nullopt;
    Candidate c = candidate_of(d, r, s, runs_on, f);
    c.touches = !f.index && is_digit(cols[f.idw + 3]) && is_digit(cols[f.idw + 4]);
    if (runs_on && !(c.in_decade && (c.ends || d.tokens == slots_of(d.year)))) return std::nullopt;
    return c;
}

// The readings of a line under which it has its year and values in their
// columns, one of each different line they give (marked when two readings
// give the same line). Where none gives it a year in its own columns, or
// only one that runs on, the line may stand one column off the layout: one
// column to the left ("EX101A 1835", its year in columns 8-11) or to the
// right (" EX101A  1830", "LONG1   -2999").
std::vector<Candidate> candidates(const std::string& raw, const Form& f) {
    std::vector<Candidate> out;
    bool year_stands = false;
    for (Reading r : {Reading::as_written, Reading::by_bytes, Reading::strays_dropped, Reading::tab_stops}) {
        const auto h = apply_reading(raw, f, r);
        if (!h) continue;
        const std::string cols = layout_columns(*h);
        year_stands = year_stands || (year_in_its_columns(cols, f) && !year_runs_on(cols, f));
    }
    const auto add = [&](std::optional<Candidate> c) {
        if (!c) return;
        for (Candidate& o : out)
            if (o.same_line_as(*c)) {
                o.readings |= c->readings;
                return;
            }
        out.push_back(std::move(*c));
    };
    for (Reading r : {Reading::as_written, Reading::by_bytes, Reading::strays_dropped, Reading::tab_stops})
        add(candidate_in(raw, f, r, Shift::none));
    if (!f.index && !year_stands) {
        add(candidate_in(raw, f, Reading::as_written, Shift::left));
        add(candidate_in(raw, f, Reading::as_written, Shift::right));
    }
    return out;
}

// The marks of a line's own bytes that tell a writer's habit, and the reading
// each mark speaks for.
struct Marks {
    bool controls_first = false;  // control bytes before the identifier: dropped
    bool tab_before_digit = false;  // a tab straight before a digit: a tab stop before the year
    bool tab_before_blank = false;  // a tab followed by blanks: one column of padding
    bool multibyte = false;

    int kind() const {
        return (controls_first ? 1 : 0) | (tab_before_digit ? 2 : 0) | (tab_before_blank ? 4 : 0) | (multibyte ? 8 : 0);
    }
};

Marks marks_of(const std::string& raw, const Form& f) {
    Marks m;
    const size_t head = head_bytes(raw, f);
    m.controls_first = !raw.empty() && is_control(raw[0]);
    for (size_t i = 0; i < head; ++i) {
        if (raw[i] != '\t') continue;
        const char next = i + 1 < raw.size() ? raw[i + 1] : ' ';
        (is_digit(next) ? m.tab_before_digit : m.tab_before_blank) = true;
    }
    m.multibyte = multibyte_utf8(raw);
    return m;
}

constexpr int mark_kinds = 16;
constexpr int reading_count = 4;

// What the file's other lines say: for each kind of marks, how many lines of
// that kind took each reading (a year that runs on into its first value
// being a reading of its own) when their reading was not in doubt. Readings
// that give a line the same year and values cast no vote between them:
// "EX101AB<tab>1835" is the same line as written and with its tab at its tab
// stop, and counts for both alike.
struct Habits {
    int count[mark_kinds][2 * reading_count] = {};
    static int slot(int reading, bool runs_on) { return 2 * reading + (runs_on ? 1 : 0); }
    void note(const Marks& m, const Candidate& c) {
        if (c.shift != Shift::none) return;
        for (int r = 0; r < reading_count; ++r)
            if (c.readings & (1u << r)) ++count[m.kind()][slot(r, c.runs_on)];
    }
    // How many lines of the same marks took a reading that gives c.
    int votes(const Marks& m, const Candidate& c) const {
        int most = 0;
        if (c.shift == Shift::none)
            for (int r = 0; r < reading_count; ++r)
                if (c.readings & (1u << r)) most = std::max(most, count[m.kind()][slot(r, c.runs_on)]);
        return most;
    }
};

// The evidence of the lines around a line: the candidates of the data line
// before it and of the one after it (none when there is none).
struct Neighbours {
    std::vector<Candidate> before, after;
};

// Whether the data line before a line leads into its year (same identifier,
// the year after that line's decade), and whether the line leads into the
// year of the data line after it.
bool goes_on_from_before(const Candidate& c, const Neighbours& n) {
    return std::any_of(n.before.begin(), n.before.end(), [&](const Candidate& p) {
        return p.id == c.id && !p.ends && p.year + slots_of(p.year) == c.year;
    });
}
bool goes_on_into_after(const Candidate& c, const Neighbours& n) {
    return !c.ends && std::any_of(n.after.begin(), n.after.end(), [&](const Candidate& q) {
        return q.id == c.id && c.year + slots_of(c.year) == q.year;
    });
}

// How strongly the lines around a line speak for a reading of it: one for
// each neighbour of its identifier whose decade it goes on from (or that
// goes on from its decade). A neighbour that only shares its identifier
// tells nothing: the same columns cut two lines' identifiers alike.
int neighbour_score(const Candidate& c, const Neighbours& n) {
    return (goes_on_from_before(c, n) ? 1 : 0) + (goes_on_into_after(c, n) ? 1 : 0);
}

// The identifier of the lines before and after a line when they are lines of
// one series with one decade missing between them: the line's own.
const std::string* series_around(const Neighbours& n) {
    for (const Candidate& p : n.before)
        for (const Candidate& q : n.after)
            if (p.id == q.id && !p.ends && q.year == p.year + slots_of(p.year) + 10) return &p.id;
    return nullptr;
}

// Whether reading c took into its identifier the digits that reading o reads
// as the year: "AB1835" at year 63 where the same bytes are "AB" at 1835 (an
// identifier right-justified in a field of NULs), "A  850" at year 12 beside
// "A" at 850 (a tab before the blanks of a year of three digits).
bool takes_the_year_of(const Candidate& c, const Candidate& o) {
    if (c.year == o.year) return false;
    const std::string year = std::to_string(o.year);
    return c.id.size() > year.size() && c.id.ends_with(year);
}

// Keeps the candidates that score highest; true when the score told them apart.
template <class Score>
bool keep_best(std::vector<Candidate>& c, Score score) {
    int best = INT_MIN;
    for (const Candidate& x : c) best = std::max(best, score(x));
    const size_t before = c.size();
    c.erase(std::remove_if(c.begin(), c.end(), [&](const Candidate& x) { return score(x) < best; }), c.end());
    return c.size() < before;
}

// The one place that says which evidence picks the reading of a line that is
// not laid out plainly, among the readings that give it a year and values in
// their columns (candidates). First, two readings are no readings of it:
// - a year that runs on into its first value, unless its values end at its
//   end marker or its neighbours go on from it or into it
//   ("HNA0417A185225    22 ..." before "HNA0417A1860");
// - a reading that gives another identifier to a line whose decade is the
//   one between two lines of one series (a letter put into it).
// Then the strongest evidence first, each deciding only where the ones
// before it leave a choice:
// 1. the lines around it: the reading under which its identifier is that of
//    the data line before it or after it (its series' other lines), and its
//    year goes on from that line's decade or into the next line's;
// 2. the line itself: a year and values that keep within one decade, ending
//    where its end marker stands;
// 3. the file: the reading that the file's other lines with the same marks
//    took where 1 or 2 told (`habits`; a year that runs on is a reading of
//    its own there);
// 4. a year that stands apart from its first value before one that touches
//    it ("   1860122" is year 1 and 860122, or year 1860 and 122);
// 5. a year in its own columns before the same digits taken into the
//    identifier by another reading ("AB1835" at year 63 beside "AB" at 1835,
//    an identifier right-justified after NULs);
// 6. the line's marks: control bytes in front of its identifier are dropped,
//    a tab straight before a digit stands for the blanks up to a tab stop,
//    and a tab before blanks is one column of padding;
// 7. the line as it is written.
// With no reading left the line is read as written, and goes down the chain
// of lines that cannot be read (trrw).
// `told` is set when the line itself or its neighbours told (1 or 2, or a
// single reading), so that the line can speak for the file's habit.
//
// Two other places decide how a line is read, from many lines at once: the
// survey's year forms (a minus sign in the identifier's last columns starts
// a year of five or six columns, or belongs to the identifier:
// choose_year_forms) and the file's usual units. A line that no reading fits
// goes down the chain of trrw: a line of its series, whose decade becomes
// missing values; the first line of a series placed by its next line; an
// identifier too long for the layout; a spoiled data line; a text line.
std::optional<Candidate> pick_reading(std::vector<Candidate> c, const Neighbours& n, const Marks& m,
                                      const Habits* habits, bool* told = nullptr) {
    if (told) *told = true;
    const auto drop = [&c](auto unfit) { c.erase(std::remove_if(c.begin(), c.end(), unfit), c.end()); };
    drop([&](const Candidate& x) {
        return x.runs_on && !x.ends && !goes_on_from_before(x, n) && !goes_on_into_after(x, n);
    });
    if (const std::string* id = series_around(n)) drop([&](const Candidate& x) { return x.id != *id; });
    if (c.size() <= 1) return c.empty() ? std::nullopt : std::optional<Candidate>(c.front());
    if (keep_best(c, [&](const Candidate& x) { return neighbour_score(x, n); }) && c.size() == 1) return c.front();
    if (keep_best(c, [](const Candidate& x) { return x.in_decade ? 1 : 0; }) && c.size() == 1) return c.front();
    if (told) *told = false;
    if (habits != nullptr &&
        keep_best(c, [&](const Candidate& x) { return habits->votes(m, x); }) && c.size() == 1)
        return c.front();
    if (keep_best(c, [](const Candidate& x) { return x.touches ? 0 : 1; }) && c.size() == 1) return c.front();
    const std::vector<Candidate> all = c;
    const auto own_year = [&](const Candidate& x) {
        return std::none_of(all.begin(), all.end(), [&](const Candidate& o) { return takes_the_year_of(x, o); }) ? 1 : 0;
    };
    if (keep_best(c, own_year) && c.size() == 1) return c.front();
    const auto marked = [&](const Candidate& x) {
        return (m.controls_first && x.reading == Reading::strays_dropped) ||
               (m.tab_before_digit && x.reading == Reading::tab_stops) ||
               (m.tab_before_blank && !m.tab_before_digit && x.reading == Reading::as_written);
    };
    if (keep_best(c, [&](const Candidate& x) { return marked(x) ? 1 : 0; }) && c.size() == 1) return c.front();
    for (const Candidate& x : c)
        if (x.reading == Reading::as_written && x.shift == Shift::none) return x;
    return c.front();
}

// ---------------------------------------------------------------------------
// 3. The survey of a whole file

// The candidates of the data line nearest to line n (a survey index) in
// direction `step`, passing over blank lines and lines that are no data
// line; a few lines at most.
std::vector<Candidate> nearest_data_line(TextIn& in, size_t start, size_t lines, size_t n, int step, const Form& f) {
    constexpr int reach = 8;
    for (int k = 1; k <= reach; ++k) {
        const long long m = static_cast<long long>(n) + step * k;
        if (m < 0 || static_cast<size_t>(m) >= lines) break;
        in.seek(start + static_cast<size_t>(m));
        const std::string raw = *next_line(in);
        if (spaces_only(raw)) continue;
        std::vector<Candidate> c = candidates(raw, f);
        if (c.empty()) {
            const DataLine d = read_line_of(line_text(raw, f), f, false);
            if (!d.year_read) continue;
            c.push_back(candidate_of(d, Reading::as_written, Shift::none, false, f));
        }
        return c;
    }
    return {};
}

// Whether a line can be read only as it is written: no strays, and its year
// and values in their columns as they stand.
bool laid_out_plainly(const std::string& raw, const Form& f) {
    return !has_strays(raw, f) && in_its_columns(layout_columns(HeadReading{raw}), f);
}

// Picks the reading of every line that is not laid out plainly
// (pick_reading): first those that the lines around them or the line itself
// tell, so that the file's habit is known for the others.
void choose_readings(TextIn& in, const Form& f, TucsonFile& file, size_t lines) {
    const size_t start = file.first_line;
    auto set = [&](size_t n, const Candidate& c) {
        auto bits = static_cast<unsigned char>(static_cast<int>(c.reading) << TucsonFile::reading_shift);
        if (c.shift == Shift::left) bits |= TucsonFile::shifted_line;
        if (c.shift == Shift::right) bits |= TucsonFile::shifted_right_line;
        if (c.runs_on) bits |= TucsonFile::runs_on_line;
        file.reading[n] |= bits;
    };
    struct Open {
        size_t line;
        std::vector<Candidate> c;
        Marks marks;
        Neighbours around;
    };
    std::vector<Open> open;
    Habits habits;
    for (size_t n = 0; n < lines; ++n) {
        const std::string raw = *next_line(in);
        if (laid_out_plainly(raw, f)) continue;
        std::vector<Candidate> c = candidates(raw, f);
        if (c.size() == 1 && !c.front().runs_on && c.front().shift == Shift::none) {
            set(n, c.front());
            habits.note(marks_of(raw, f), c.front());
        } else if (!c.empty()) {
            open.push_back({n, std::move(c), marks_of(raw, f), {}});
        }
    }
    std::vector<bool> done(open.size(), false);
    for (size_t k = 0; k < open.size(); ++k) {
        Open& o = open[k];
        o.around.before = nearest_data_line(in, start, lines, o.line, -1, f);
        o.around.after = nearest_data_line(in, start, lines, o.line, +1, f);
        bool told = false;
        const auto r = pick_reading(o.c, o.around, o.marks, nullptr, &told);
        if (!told) continue;
        if (r) {
            habits.note(o.marks, *r);
            set(o.line, *r);
        }
        done[k] = true;
    }
    for (size_t k = 0; k < open.size(); ++k)
        if (!done[k])
            if (const auto r = pick_reading(open[k].c, open[k].around, open[k].marks, &habits)) set(open[k].line, *r);
    in.seek(start);
}

struct Ambiguous {
    size_t line = 0;    // index into the survey
    std::string key;    // identifier columns of the plain form
    bool wide_ok = false, plain_ok = false;
    int wide_year = 0, plain_year = 0;
    std::string wide_id, plain_id;
    bool ends = false;  // ends with an end marker: the next line starts a new series
    int group = 0;
    // The plain data line right after it, when one follows (a series of years
    // before -999 goes on in years of four columns).
    bool plain_next = false;
    std::string next_id;
    int next_year = 0;
};

int distance_to(int year, int lo, int hi) {
    if (lo > hi) return 0;
    if (year < lo) return lo - year;
    if (year > hi) return year - hi;
    return 0;
}

// Surveys the lines of `in` from where it stands to its end ("mr" or, with
// index, "ir"), and goes back to where it stood.
void survey_tucson_file(TextIn& in, bool index, TucsonFile& file) {
    const Form f = form_of(index);
    const size_t start = in.line_number();
    file.first_line = start;
    file.usual_marker = hundredths_end;
    file.series_begun = false;
    file.earlier.clear();
    file.lines_by_values.clear();
    file.indexed.clear();
    file.segments.clear();

    size_t lines = 0;
    while (in.read_line()) ++lines;
    in.seek(start);
    file.reading.assign(lines, 0);
    choose_readings(in, f, file, lines);

    // Lines that end their series in units that depend on the file's own
    // (two markers side by side) are not counted.
    long long hundredths = 0, thousandths = 0;
    int lo = INT_MAX, hi = INT_MIN;
    std::vector<Ambiguous> amb;
    int group = 0;
    bool plain_since = true;  // a plain data line since the last ambiguous one

    for (size_t n = 0; n < lines; ++n) {
        const LineText t = text_at(*next_line(in), file, f, start + n);
        const std::string& line = t.line;
        if (year_columns_blank(line, f)) continue;
        const YearForm y = form_by_sign(line, f);
        DataLine d = read_line_of(t, f, y == YearForm::plain, file.runs_on_at(start + n));
        if (!d.values_read) continue;
        if (const long long m = index ? 0 : line_end_marker(d, hundredths_end);
            m != 0 && m == line_end_marker(d, thousandths_end))
            ++(m == hundredths_end ? hundredths : thousandths);
        if (y == YearForm::plain) {
            if (d.year_read) {
                lo = std::min(lo, d.year);
                hi = std::max(hi, d.year);
                if (!plain_since && !amb.empty()) {
                    amb.back().plain_next = true;
                    amb.back().next_id = d.id;
                    amb.back().next_year = d.year;
                }
                plain_since = true;
            }
            continue;
        }
        Ambiguous a;
        a.line = n;
        a.key = identifier_of(t, f.idw);
        std::string id;
        a.wide_ok = read_head(line, f, y, id, a.wide_year);
        if (a.wide_ok) a.wide_id = identifier_of(t, id.size());
        a.plain_ok = read_head(line, f, YearForm::plain, id, a.plain_year);
        if (a.plain_ok) a.plain_id = identifier_of(t, id.size());
        if (!a.wide_ok && !a.plain_ok) continue;
        // A reading that puts values outside the decade of the line's year
        // is not the one it was written in (MR07D-1993 with its first index
        // in the pair of 1993, not of -1993).
        if (a.wide_ok && a.plain_ok) {
            const bool wide_out = outside_its_decade(d, a.wide_year, index);
            const bool plain_out = outside_its_decade(d, a.plain_year, index);
            if (wide_out && !plain_out) a.wide_ok = false;
            if (plain_out && !wide_out) a.plain_ok = false;
        }
        a.ends = index ? false : line_end_marker(d, hundredths_end) != 0;
        if (amb.empty() || plain_since || amb.back().key != a.key) ++group;
        a.group = group;
        plain_since = false;
        amb.push_back(std::move(a));
    }
    in.seek(start);
    if (thousandths > hundredths) file.usual_marker = thousandths_end;

    // Each run of lines with the same identifier columns takes the year form
    // under which its lines follow on from one another, and into the plain
    // line after the run; the other form makes the decades run backwards (a
    // year of -1876 before -1880) or the identifier change (EARLY1 - at 1000
    // before EARLY1 at -990).
    enum class Choice { wide, plain, open };
    std::vector<Choice> choice(static_cast<size_t>(group) + 1, Choice::open);
    for (size_t b = 0; b < amb.size();) {
        size_t e = b;
        while (e < amb.size() && amb[e].group == amb[b].group) ++e;
        bool wide_all = true, plain_all = true;
        int wide_score = 0, plain_score = 0;
        for (size_t k = b; k < e; ++k) {
            wide_all = wide_all && amb[k].wide_ok;
            plain_all = plain_all && amb[k].plain_ok;
            const Ambiguous& p = amb[k];
            if (p.ends) continue;
            if (k + 1 < e) {
                const Ambiguous& q = amb[k + 1];
                if (p.wide_ok && q.wide_ok && q.wide_year == p.wide_year + slots_of(p.wide_year)) ++wide_score;
                if (p.plain_ok && q.plain_ok && q.plain_year == p.plain_year + slots_of(p.plain_year)) ++plain_score;
            } else if (p.plain_next) {
                if (p.wide_ok && goes_on_into(p.wide_id, p.wide_year, p.next_id, p.next_year)) ++wide_score;
                if (p.plain_ok && goes_on_into(p.plain_id, p.plain_year, p.next_id, p.next_year)) ++plain_score;
            }
        }
        Choice c = Choice::open;
        if (plain_all && !wide_all) c = Choice::plain;
        else if (wide_all && !plain_all) c = Choice::wide;
        else if (plain_score > wide_score) c = Choice::plain;
        else if (wide_score > plain_score) c = Choice::wide;
        choice[static_cast<size_t>(amb[b].group)] = c;
        if (c != Choice::open) {
            for (size_t k = b; k < e; ++k) {
                const bool plain = c == Choice::plain ? amb[k].plain_ok : !amb[k].wide_ok;
                const int y = plain ? amb[k].plain_year : amb[k].wide_year;
                lo = std::min(lo, y);
                hi = std::max(hi, y);
            }
        }
        b = e;
    }
    // A run whose lines do not tell (a single line) takes the form whose first
    // year lies nearer to the years of the file's other series; the wide form
    // when that does not tell either, as the layout gives it.
    for (size_t b = 0; b < amb.size();) {
        size_t e = b;
        while (e < amb.size() && amb[e].group == amb[b].group) ++e;
        Choice& c = choice[static_cast<size_t>(amb[b].group)];
        if (c == Choice::open)
            c = amb[b].plain_ok && distance_to(amb[b].plain_year, lo, hi) < distance_to(amb[b].wide_year, lo, hi)
                    ? Choice::plain
                    : Choice::wide;
        for (size_t k = b; k < e; ++k) {
            const bool plain = c == Choice::plain ? amb[k].plain_ok : !amb[k].wide_ok;
            if (plain) file.reading[amb[k].line] |= TucsonFile::plain_year_line;
        }
        b = e;
    }
}

// ---------------------------------------------------------------------------
// 4. The series in work

// The integers a line gives its years, up to its end marker: empty_field for
// a field left empty or damaged.
constexpr long long empty_field = LLONG_MIN + 1;

std::vector<long long> line_integers(const DataLine& d, int slots, bool index, long long usual) {
    std::vector<long long> v;
    for (int k = index ? 10 - slots : 0; k < (index ? 10 : slots); ++k) {
        const int fk = index ? 2 * k : k;
        if (d.damaged[k] || d.blank[fk]) {
            v.push_back(empty_field);
            continue;
        }
        if (index ? d.field[fk] >= 9990 : ends_series(d, k, usual)) break;
        v.push_back(d.field[fk]);
    }
    return v;
}

bool holds_a_value(const std::vector<long long>& ints) {
    return std::any_of(ints.begin(), ints.end(), [](long long v) { return v != empty_field; });
}

// What one call of the reader builds: the series as its lines give it, each
// value at its position (its year less the series' first year). Positions
// that no value of the file fills hold the missing value xmiss: years the
// lines skip, fields left empty or damaged, lines that cannot be read. These
// are the reader's own, not values of the file: they stay xmiss whatever the
// units of the series, so that every save writes them as the missing code.
// (Negative values that the file itself holds, such as -9999 inside a line,
// are values: scaled with the series, they stay missing by their sign.)
class SeriesRead {
public:
    SeriesRead(std::span<float> values, std::span<int> depths, bool index, bool store_depths, int& count)
        : values_(values), depths_(depths), kind_(values.size(), value), index_(index), store_depths_(store_depths),
          count_(count) {}

    // Years skipped between two lines of the series: missing values, taken
    // only when a value follows them (a series does not end in a gap).
    void skip_years(int n) { pending_gap_ += n; }

    void append(long long v, long long depth) {
        fill_gap();
        put(count_++, v, depth);
    }
    void append_missing(long long depth) {
        fill_gap();
        put_missing(count_++, depth, held);
    }

    // Whether positions [at, at + n) are all years the lines skipped: a line
    // out of order can go there without overwriting a value.
    bool open(int at, int n) const {
        if (at < 0 || at + n > count_ || static_cast<size_t>(at + n) > kind_.size()) return false;
        for (int k = at; k < at + n; ++k)
            if (kind_[static_cast<size_t>(k)] != skipped) return false;
        return true;
    }
    // Whether n more years before the first one keep the series within the
    // vectors: a line far before the series (a year mistyped) starts a new
    // series rather than making this one too long to keep.
    bool room_before(int n) const { return static_cast<size_t>(count_) + static_cast<size_t>(n) <= values_.size(); }
    // Room for n years before the first one, for a line out of order before
    // the series' first line: the years it does not fill stay skipped.
    void prepend(int n) {
        const size_t cap = values_.size();
        const size_t stored = std::min(cap, static_cast<size_t>(count_));
        for (size_t i = std::min(cap, stored + static_cast<size_t>(n)); i-- > static_cast<size_t>(n);) {
            values_[i] = values_[i - n];
            kind_[i] = kind_[i - n];
            if (store_depths_ && i < depths_.size()) depths_[i] = depths_[i - n];
        }
        count_ += n;
        for (int k = 0; k < n; ++k) put_missing(k, 0, skipped);
    }
    void place(int at, long long v, long long depth) { put(at, v, depth); }
    void place_missing(int at, long long depth) { put_missing(at, depth, held); }

    // Whether the integers of a line, from position `at`, are what the series
    // holds there (a line written twice): at least one value, and every field
    // the same, an empty one where the series has an empty field.
    bool holds(int at, const std::vector<long long>& ints) const {
        if (at < 0 || static_cast<size_t>(at) + ints.size() > std::min(values_.size(), static_cast<size_t>(count_)))
            return false;
        for (size_t k = 0; k < ints.size(); ++k) {
            const size_t i = static_cast<size_t>(at) + k;
            if (ints[k] == empty_field ? kind_[i] != held : kind_[i] != value || values_[i] != scaled(ints[k]))
                return false;
        }
        return holds_a_value(ints);
    }

    // The units of the series, known once it has ended: ring widths are
    // hundredths of a millimetre unless the series is in thousandths.
    void scale_to_thousandths() {
        const size_t stored = std::min(values_.size(), static_cast<size_t>(count_));
        for (size_t i = 0; i < stored; ++i)
            if (kind_[i] == value) values_[i] *= 0.1f;
    }

private:
    enum Kind : unsigned char { value, held, skipped };

    float scaled(long long v) const { return static_cast<float>(v) * (index_ ? 0.001f : 0.01f); }
    void fill_gap() {
        for (; pending_gap_ > 0; --pending_gap_) put_missing(count_++, 0, skipped);
    }
    void put(int at, long long v, long long depth) {
        if (!stores(at)) return;
        values_[at] = scaled(v);
        kind_[at] = value;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    void put_missing(int at, long long depth, Kind k) {
        if (!stores(at)) return;
        values_[at] = xmiss;
        kind_[at] = k;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    bool stores(int at) const { return at >= 0 && static_cast<size_t>(at) < values_.size(); }

    std::span<float> values_;
    std::span<int> depths_;
    std::vector<unsigned char> kind_;
    bool index_, store_depths_;
    int& count_;
    int pending_gap_ = 0;
};

// After a 999 that fills the last slot of its line: whether the series goes
// on in the lines after it and is in thousandths (its own end marker -9999, or
// none and the file's series in thousandths), so that the 999 is a ring of
// 0.999 mm and not the end of a series in hundredths. The series goes on in
// the lines of its identifier that do not go back in time: the next decade, a
// later one (the years between are missing), or a line that cannot be read.
bool series_goes_on_in_thousandths(TextIn& in, const TucsonFile& file, const Form& f, const std::string& id,
                                   int next_year) {
    bool goes_on = false;
    long long marker = 0;
    look_ahead(in, file, f, [&](const DataLine& d) {
        if (!same_identifier(d.id, id) || (d.year_read && d.year < next_year)) return false;
        goes_on = true;
        if (!d.year_read || !d.values_read) {
            // As the series reads it: the decade is missing, and a marker at
            // the end of its words ends the series.
            const int year = d.year_read ? d.year : next_year;
            if (d.last_is_number && is_marker(d.last_token)) {
                marker = d.last_token;
                return false;
            }
            next_year = year + slots_of(year);
            return true;
        }
        const int slots = slots_of(d.year);
        int k = 0;
        for (; k < slots; ++k)
            if (!d.blank[k] && !d.damaged[k] && ends_series(d, k, file.usual_marker)) break;
        next_year = d.year + slots;
        if (k == slots && slots == 10 && (d.ends_after_fields || d.marker_after != 0)) {
            marker = d.ends_after_fields ? thousandths_end : d.marker_after;
            return false;
        }
        if (k == slots) return true;
        marker = d.field[k];
        // Another full line ending in 999 leaves the question open.
        if (marker == hundredths_end && k == slots - 1) {
            marker = 0;
            return true;
        }
        return false;
    });
    if (!goes_on) return false;
    return (marker != 0 ? marker : file.usual_marker) == thousandths_end;
}

// Whether the next data line has the identifier of `d` and goes on from its
// years: `d` is then the first line of that series, though its values cannot
// be read.
bool next_line_goes_on(TextIn& in, const TucsonFile& file, const Form& f, const DataLine& d) {
    bool on = false;
    look_ahead(in, file, f, [&](const DataLine& n) {
        on = n.year_read && goes_on_into(d.id, d.year, n.id, n.year);
        return false;
    });
    return on;
}

// A line with values whose year field cannot be read ("18l1", "1ll0", "18 0":
// a bit flipped, a digit lost to a blank), followed by a line of its
// identifier that begins a decade: a data line whose values fill the years up
// to that decade, not a title line. It holds the years from that decade less
// the number of its values, when every digit its year field still shows
// stands where that year has it (placed); otherwise its years are not known
// (unplaced). A line that ends its series on its own line cannot be placed so.
enum class SpoiledYear { not_data, placed, unplaced };

SpoiledYear year_from_next_line(TextIn& in, const TucsonFile& file, const Form& f, const LineText& t,
                                const DataLine& d, int& year) {
    if (d.year_read || !d.values_read || d.beyond) return SpoiledYear::not_data;
    int values = 0;
    if (f.index) {
        int k = 0;
        while (k < 10 && (d.blank[2 * k] || d.field[2 * k] >= 9990)) ++k;
        for (int j = k; j < 10; ++j)
            if (!d.blank[2 * j] && d.field[2 * j] >= 9990) return SpoiledYear::not_data;
        values = 10 - k;
    } else {
        if (d.last_is_number && is_marker(d.last_token)) return SpoiledYear::not_data;
        values = d.tokens;
    }
    if (values < 1 || values > 10) return SpoiledYear::not_data;
    bool found = false;
    int next = 0;
    look_ahead(in, file, f, [&](const DataLine& n) {
        found = n.year_read && same_identifier(d.id, n.id) && mod10(n.year) == 0;
        next = n.year;
        return false;
    });
    if (!found) return SpoiledYear::not_data;
    const int y = next - values;
    if (y < -999 || y > 9999) return SpoiledYear::unplaced;
    std::string want = std::to_string(y);  // -999 to 9999: at most 4 columns
    want.insert(0, 4 - want.size(), ' ');
    const std::string_view field = std::string_view(t.line).substr(f.idw, 4);
    for (size_t i = 0; i < 4; ++i)
        if (field[i] != want[i] && is_digit(field[i])) return SpoiledYear::unplaced;
    year = y;
    return SpoiledYear::placed;
}

// A hash of a line's identifier, year and values: the key under which the
// lines of an identifier met again are found (TucsonFile::lines_by_values).
std::uint64_t line_key(const std::string& id, int year, const std::vector<long long>& ints) {
    std::uint64_t h = std::hash<std::string>{}(id);
    const auto mix = [&h](long long v) {
        h ^= static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    };
    mix(year);
    for (long long v : ints) mix(v);
    return h;
}

// A line of the file read again where it stands, as the reader read it.
DataLine line_again(TextIn& in, const TucsonFile& file, const Form& f, size_t line) {
    in.seek(line);
    const auto got = next_line(in);
    if (!got) return {};
    return data_at(text_at(*got, file, f, line), file, f, line);
}

// Puts the lines [from, to) of identifier `id` into the index of lines by
// their values; the file stands where it stood.
void index_lines(TextIn& in, TucsonFile& file, const Form& f, const std::string& id, size_t from, size_t to) {
    const size_t back = in.line_number();
    for (size_t n = from; n < to; ++n) {
        const DataLine d = line_again(in, file, f, n);
        if (!d.year_read || !d.values_read || identifier_key(d.id) != id) continue;
        const auto ints = line_integers(d, slots_of(d.year), f.index, file.usual_marker);
        if (holds_a_value(ints)) file.lines_by_values.emplace(line_key(id, d.year, ints), static_cast<std::uint32_t>(n));
    }
    in.seek(back);
}

// Whether a line repeats a line of an earlier series of its identifier (a
// line written twice, here or after other series): its values are held
// already, where the file's text holds them. The series of an identifier are
// indexed by their lines' values when the identifier is met again, so that a
// file of many series of one identifier is not searched series by series.
bool repeats_a_line_read_before(TextIn& in, TucsonFile& file, const Form& f, const DataLine& d,
                                const std::vector<long long>& ints) {
    const std::string id = identifier_key(d.id);
    const auto earlier = file.earlier.find(id);
    if (earlier == file.earlier.end() || !holds_a_value(ints)) return false;
    if (file.indexed.insert(id).second)
        for (const TucsonFile::Earlier& e : earlier->second) index_lines(in, file, f, id, e.first_line, e.end_line);
    const auto [a, b] = file.lines_by_values.equal_range(line_key(id, d.year, ints));
    const size_t back = in.line_number();
    bool found = false;
    for (auto it = a; it != b && !found; ++it) {
        const DataLine o = line_again(in, file, f, it->second);
        found = identifier_key(o.id) == id && o.year == d.year &&
                line_integers(o, slots_of(o.year), f.index, file.usual_marker) == ints;
    }
    in.seek(back);
    return found;
}

// The series one call of the reader reads, line by line, with its phases as
// the reader meets them: the line that begins it, lines taken in order or out
// of order, lines that cannot be read, and its end (by its end marker,
// before a line that does not go on from it, or at the end of the file).
class SeriesInWork {
public:
    SeriesInWork(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
                 bool index, bool store_depths, TextIn& in, TucsonFile& file)
        : id_(id), first_year_(first_year), count_(count), series_(values, depths, index, store_depths, count),
          index_(index), f_(form_of(index)), in_(in), file_(file), warn_(streams().luout) {}

    bool begun() const { return ndata_ > 0; }
    bool is_of_series(const DataLine& d) const { return begun() && same_identifier(d.id, series_id_); }
    // Whether a line goes back into the years of the series: it may repeat
    // its values.
    bool may_hold(const DataLine& d) const { return is_of_series(d) && d.year < next_year_; }
    // Whether a line carries the series on: its identifier, at the year after
    // the series' last. It is the series' own line, whatever an earlier series
    // of its identifier held.
    bool goes_on_with(const DataLine& d) const { return is_of_series(d) && d.year == next_year_; }

    // A data line: taken into the series, in order or at its own years, or
    // the end of the series before it. True when the series has ended.
    bool data_line(const LineText& t, const DataLine& d, size_t line_no) {
        // Every line holds the years from its own year to the end of its
        // decade: a later line begins with a year ending in 0.
        const int slots = slots_of(d.year);
        if (!begun()) {
            begin(d, t.line, line_no);
        } else if (!same_identifier(d.id, series_id_) || d.year < next_year_) {
            return out_of_order(t, d, slots, line_no);
        } else if (d.year > next_year_) {
            warn_.write("(t2,'*** warning: line ',a8,i6,' does not follow on from series ',a8,' at year',i6,"
                        "': the years between are missing values')",
                        name8(d.id), d.year, name8(series_id_), next_year_);
            series_.skip_years(d.year - next_year_);
        }
        joins(t, d, line_no);
        next_year_ = d.year + slots;
        last_line_end_ = next_year_;
        return take_values(d, slots, -1, line_no);
    }

    // A line of the series itself that cannot be read (a letter in its year,
    // a decimal point, a stray character), or the first line of a series
    // whose values or year are spoiled: its decade becomes missing values,
    // so that the values after it stay at their years. Returns whether the
    // line was taken, and sets `ended` when the series ended.
    bool unreadable_line(const LineText& t, DataLine& d, size_t line_no, bool& ended) {
        ended = false;
        const bool own_line = is_of_series(d) && (!d.year_read || d.year >= next_year_);
        bool first_line = false;
        if (!own_line && (!begun() || !same_identifier(d.id, series_id_))) {
            if (d.year_read) {
                first_line = next_line_goes_on(in_, file_, f_, d);
            } else {
                int year = 0;
                const SpoiledYear s = year_from_next_line(in_, file_, f_, t, d, year);
                if (s == SpoiledYear::unplaced) {
                    warn_.write("(t2,'*** warning: line',i7,' of the file has values but a year that cannot be read:',"
                                "' not read')",
                                static_cast<int>(line_no + 1));
                    return true;
                }
                first_line = s == SpoiledYear::placed;
                if (first_line) d.year = year;
            }
        }
        if (!own_line && !first_line) return false;
        if (first_line && begun()) {
            end_before(d);
            ended = true;
            return true;
        }
        if (first_line) begin(d, t.line, line_no);
        if (first_line && !d.year_read) {
            // A spoiled year that the next line places: the values of the
            // line are measurements, read at the years it gives them.
            const int slots = slots_of(d.year);
            warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file has a year that cannot be read:',"
                        "' its values are read at',i6,' to',i6,', the years its next line gives')",
                        name8(series_id_), static_cast<int>(line_no + 1), d.year, d.year + slots - 1);
            joins(t, d, line_no);
            next_year_ = d.year + slots;
            last_line_end_ = next_year_;
            ended = take_values(d, slots, -1, line_no);
            return true;
        }
        const int year = d.year_read || first_line ? d.year : next_year_;
        const bool ends = d.last_is_number && is_marker(d.last_token) && !index_;
        const int slots = ends ? std::min(slots_of(year), d.tokens - 1) : slots_of(year);
        // A year that runs on into a value whose line does not fit its
        // decade so ("19331  185   9101 ..."): the value field is what
        // cannot be read.
        const bool runs_on = year_in_its_columns(t.line, f_) && year_runs_on(t.line, f_);
        if (slots > 0 && runs_on)
            warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file cannot be read: its first value',"
                        "' (columns',i3,' to',i3,') runs on from its year and its values do not fit its decade;',"
                        "' years',i6,' to',i6,' taken as missing values')",
                        name8(series_id_), static_cast<int>(line_no + 1), static_cast<int>(field_at(f_, 0) + 1),
                        static_cast<int>(field_at(f_, 0) + field_width(f_)), year, year + slots - 1);
        else if (slots > 0)
            warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file cannot be read:',"
                        "' years',i6,' to',i6,' taken as missing values')",
                        name8(series_id_), static_cast<int>(line_no + 1), year, year + slots - 1);
        if (year > next_year_ && slots > 0) series_.skip_years(year - next_year_);
        for (int k = 0; k < slots; ++k) series_.append_missing(0);
        next_year_ = year + slots;
        last_line_end_ = next_year_;
        joins(t, d, line_no, false);
        if (ends) {
            finish(d.last_token);
            ended = true;
        }
        return true;
    }

    // A line whose identifier does not fit the layout ends the series before
    // it, which lacked its end marker.
    void end_before_line(size_t line_no) {
        warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker before line',i7,' of the file')",
                    name8(series_id_), static_cast<int>(line_no + 1));
        in_.backspace();
        finish(0);
    }

    // Whether a line repeats the values the series holds at its years.
    bool holds(const DataLine& d, const std::vector<long long>& ints) const {
        return is_of_series(d) && series_.holds(d.year - first_year_, ints);
    }

    // The end of the file: a series without its end marker is not read.
    void end_of_file() {
        if (begun())
            warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker:',i6,' values not read')",
                        name8(series_id_), count_);
        write_rings(0);
    }

private:
    // The first line of the series.
    void begin(const DataLine& d, const std::string& line, size_t line_no) {
        id_ = name8(d.id);
        series_id_ = d.id;
        first_year_ = d.year;
        next_year_ = d.year;
        last_line_end_ = d.year;
        begin_line_ = line_no;
        file_.series_begun = true;
        if (!index_ && d.idcols == 8 && is_digit(line[7]) && line[8] == '0' && is_digit(line[9]))
            warn_.write("(t2,'*** warning: series ',a8,': year',i6,' of columns 9-12 may be the year',i7,"
                        "' of columns 8-12, which the layout cannot hold')",
                        name8(d.id), d.year, (line[7] - '0') * 10000 + d.year);
    }

    // A data line taken into the series. A line is read again after the
    // series before it ended, so what is said of the line itself is said
    // here, once.
    void joins(const LineText& t, const DataLine& d, size_t line_no, bool values_taken = true) {
        ++ndata_;
        if (d.by_separators && values_taken) ++separated_;
        if (t.shift == Shift::left) ++shifted_left_;
        if (t.shift == Shift::right) ++shifted_right_;
        if (t.controls_dropped)
            warn_.write("(t2,'*** warning: line',i7,' of the file has control characters before its year:',"
                        "' dropped, the line read as ',a8,i6)",
                        static_cast<int>(line_no + 1), name8(d.id), d.year);
        else if (t.tab_dropped)
            warn_.write("(t2,'*** warning: line',i7,' of the file has a tab inside its identifier:',"
                        "' dropped, the line read as ',a8,i6)",
                        static_cast<int>(line_no + 1), name8(d.id), d.year);
    }

    // A line of the series out of order goes at its own years when no value
    // stands there yet (years the lines skipped, or years before the series'
    // first line); one that would overwrite values read starts a new series,
    // unless it repeats them (a line written twice).
    bool out_of_order(const LineText& t, const DataLine& d, int slots, size_t line_no) {
        int at = -1;
        if (same_identifier(d.id, series_id_)) {
            if (d.year >= first_year_) {
                if (series_.open(d.year - first_year_, slots)) at = d.year - first_year_;
            } else {
                const int before = first_year_ - d.year;
                if ((slots <= before || series_.open(0, slots - before)) && series_.room_before(before)) {
                    series_.prepend(before);
                    first_year_ = d.year;
                    at = 0;
                }
            }
        }
        if (at < 0) {
            end_before(d);
            return true;
        }
        // A line that goes on from the one before it (1810 after 1800,
        // both before the series' first line 1820) is in order there.
        if (d.year != last_line_end_)
            warn_.write("(t2,'*** warning: line ',a8,i6,' is out of order: its values are read at their years',"
                        "' in series ',a8)",
                        name8(d.id), d.year, name8(series_id_));
        joins(t, d, line_no);
        last_line_end_ = d.year + slots;
        return take_values(d, slots, at, line_no);
    }

    // The values of one data line, at the end of the series or, for a line
    // out of order, from position `at`. True when the line ended the series.
    bool take_values(const DataLine& d, int slots, int at, size_t line_no) {
        const long long usual = file_.usual_marker;
        auto store = [&](long long v, long long depth) {
            if (at < 0) series_.append(v, depth);
            else series_.place(at++, v, depth);
        };
        auto store_missing = [&](long long depth) {
            if (at < 0) series_.append_missing(depth);
            else series_.place_missing(at++, depth);
        };
        const int first_slot = index_ ? 10 - slots : 0;
        int last_slot = index_ ? 10 : slots;
        // A line cut short, whose end marker stands alone on the next line
        // at the year after its last value: the series ends there, and the
        // fields after that value are no missing values.
        const auto end = index_ || at >= 0 ? std::nullopt : marker_after_short_line(d, slots);
        if (end) last_slot = end->values;
        const Unread unread = unread_fields(d, first_slot, last_slot, index_, usual);
        if (unread.empty > 0)
            warn_.write("(t2,'*** warning: line ',a8,i6,' has',i3,' empty value fields: taken as missing values')",
                        name8(d.id), d.year, unread.empty);
        if (unread.damaged > 0)
            warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file has',i3,' value fields with',"
                        "' control characters: taken as missing values')",
                        name8(series_id_), static_cast<int>(line_no + 1), unread.damaged);

        if (index_) {
            for (int k = 0; k < 10 - slots; ++k) {
                if (!d.blank[2 * k] && d.field[2 * k] < 9990) {
                    warn_outside(warn_, d);
                    break;
                }
            }
            for (int k = 10 - slots; k < 10; ++k) {
                if (d.damaged[k]) {
                    store_missing(0);
                    continue;
                }
                if (d.blank[2 * k]) {
                    store_missing(d.field[2 * k + 1]);
                    continue;
                }
                const long long v = d.field[2 * k];
                if (v >= 9990) {
                    warn_if_values_after_marker(warn_, d, k + 1);
                    finish(v);
                    return true;
                }
                store(v, d.field[2 * k + 1]);
            }
            return false;
        }
        for (int k = 0; k < last_slot; ++k) {
            if (d.damaged[k] || d.blank[k]) {
                store_missing(0);
                continue;
            }
            const long long v = d.field[k];
            // A marker with values after it on its line is a value: a ring of
            // 999 in a series of thousandths, or a missing ring written -9999.
            if (ends_series(d, k, usual)) {
                if (v == hundredths_end && k == slots - 1 &&
                    series_goes_on_in_thousandths(in_, file_, f_, series_id_, next_year_)) {
                    rings_.push_back({line_no, d.year + k});
                    store(v, 0);
                    continue;
                }
                if (const long long stray = stray_after_end(d, k); stray != 0)
                    warn_.write("(t2,'*** warning: line ',a8,i6,' holds',i6,' after its end marker',i6,': not read')",
                                name8(d.id), d.year, stray, v);
                warn_if_numbers_after_fields(d);
                finish(v);
                return true;
            }
            if (v == hundredths_end) rings_.push_back({line_no, d.year + k});
            store(v, 0);
        }
        if (end) {
            in_.seek(end->next_line);
            finish(end->marker);
            return true;
        }
        if (slots == 10 && (d.ends_after_fields || d.marker_after != 0)) {
            warn_if_numbers_after_fields(d);
            finish(d.ends_after_fields ? thousandths_end : d.marker_after);
            return true;
        }
        // Fields past the end of the line's decade belong to no year of
        // the series.
        bool outside = d.beyond;
        for (int k = slots; k < 10; ++k)
            if (!d.blank[k]) outside = true;
        if (outside) warn_outside(warn_, d);
        return false;
    }

    // The end of a ring-width line cut short: its values (up to its last
    // field that holds one), its end marker standing alone on the next data
    // line, of the series' identifier and at the year after that value, and
    // the line after that marker.
    struct ShortEnd {
        int values;
        long long marker;
        size_t next_line;
    };
    std::optional<ShortEnd> marker_after_short_line(const DataLine& d, int slots) {
        int values = 0;
        for (int k = 0; k < slots; ++k)
            if (!d.blank[k] || d.damaged[k]) values = k + 1;
        if (values == 0 || values == slots || d.beyond || line_end_marker(d, file_.usual_marker) != 0)
            return std::nullopt;
        std::optional<ShortEnd> end;
        const size_t back = in_.line_number();
        for (size_t at = back;; ++at) {
            auto got = next_line(in_);
            if (!got) break;
            const LineText t = text_at(*got, file_, f_, at);
            if (spaces_only(t.full)) continue;
            const DataLine n = data_at(t, file_, f_, at);
            const bool marker_only = n.year_read && n.values_read && !n.blank[0] && is_marker(n.field[0]) &&
                                     std::all_of(n.blank + 1, n.blank + 10, [](bool b) { return b; }) && !n.beyond;
            if (marker_only && same_identifier(n.id, series_id_) && n.year == d.year + values)
                end = ShortEnd{values, n.field[0], at + 1};
            break;
        }
        in_.seek(back);
        return end;
    }

    // Numbers after the value columns of the line that ends the series (a
    // lost line break joined the next series' first line onto it) are read
    // as nothing: the listing says so.
    void warn_if_numbers_after_fields(const DataLine& d) {
        if (d.numbers_after)
            warn_.write("(t2,'*** warning: line ',a8,i6,' holds values after its end marker: not read')", name8(d.id),
                        d.year);
    }

    // A line that does not continue the series ends it: a new identifier, or
    // a year the series holds values for already. The line is read again as
    // the start of the next series.
    void end_before(const DataLine& d) {
        warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker before line ',a8,i6)",
                    name8(series_id_), name8(d.id), d.year);
        in_.backspace();
        finish(0);
    }

    // The end of the series: its units are known now (its own end marker, or
    // the one most of the file's series use), and it joins the series read
    // before, as a segment of a core read before or as a series of its own.
    void finish(long long marker) {
        const long long units = marker != 0 ? marker : file_.usual_marker;
        if (!index_ && units == thousandths_end) series_.scale_to_thousandths();
        write_rings(units);
        if (separated_ > 0)
            warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines without 6-column fields:',"
                        "' values read by their separators')",
                        name8(series_id_), separated_);
        if (shifted_left_ > 0)
            warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines one column to the left of the layout',"
                        "' (year in columns 8-11): read where they stand')",
                        name8(series_id_), shifted_left_);
        if (shifted_right_ > 0)
            warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines one column to the right of the layout',"
                        "' (year ending in column 13): read where they stand')",
                        name8(series_id_), shifted_right_);
        if (count_ > 0) join_series_read_before(marker != 0);
    }

    // A series whose identifier an earlier series of the file has. One that
    // begins after the end marker of the last of them and shares none of
    // their years is a segment of the same core: the file's segments are
    // named once, at its end. Any other (sharing years, or after a series
    // that a stray line cut) is named here: the two are two series in every
    // output.
    void join_series_read_before(bool by_marker) {
        const std::string key = identifier_key(series_id_);
        const int last_year = first_year_ + count_ - 1;
        auto& list = file_.earlier[key];
        if (!list.empty()) {
            const bool shares_years = std::any_of(list.begin(), list.end(), [&](const TucsonFile::Earlier& e) {
                return e.first_year <= last_year && first_year_ <= e.last_year;
            });
            if (list.back().by_marker && !shares_years) {
                if (std::find(file_.segments.begin(), file_.segments.end(), key) == file_.segments.end())
                    file_.segments.push_back(key);
            } else {
                warn_.write("(t2,'*** warning: series ',a8,' from line',i7,' of the file has the identifier',"
                            "' of a series read before: two series share it')",
                            name8(series_id_), static_cast<int>(begin_line_ + 1));
            }
        }
        list.push_back({first_year_, last_year, begin_line_, in_.line_number(), by_marker});
        if (file_.indexed.count(key) != 0) index_lines(in_, file_, f_, key, begin_line_, in_.line_number());
    }

    // The 999s taken as rings, named once the units of the series are known:
    // where they differ from the file's usual units, the line says so.
    void write_rings(long long units) {
        const bool other_units = units != 0 && !index_ && units != file_.usual_marker;
        const std::string read_in =
            !other_units ? "" : units == thousandths_end ? ": the series is read in thousandths"
                                                         : ": the series is read in hundredths";
        for (const auto& [line_no, year] : rings_)
            warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file: 999 in year',i6,"
                        "' taken as a ring, not as an end marker',a)",
                        name8(series_id_), static_cast<int>(line_no + 1), year, read_in);
        rings_.clear();
    }

    std::string& id_;
    int& first_year_;
    int& count_;
    SeriesRead series_;
    bool index_;
    Form f_;
    TextIn& in_;
    TucsonFile& file_;
    OutFile& warn_;

    std::string series_id_;  // identifier of the first data line, as read
    size_t begin_line_ = 0;  // the line of the file that began it
    int ndata_ = 0;          // data lines taken
    // Two year cursors, because a line out of order goes at its own years:
    // next_year is the year after the series' last year, which the next line
    // in order carries; last_line_end is the year after the line read last,
    // which an out-of-order line that goes on from it carries (lines 1800 and
    // 1810 before a series' first line 1820: one warning, for 1800).
    int next_year_ = 0;
    int last_line_end_ = 0;
    int separated_ = 0;  // lines read by their separators
    int shifted_left_ = 0;   // lines one column to the left of the layout
    int shifted_right_ = 0;  // lines one column to the right of it
    std::vector<std::pair<size_t, int>> rings_;  // 999s taken as rings: line and year
};

// The identifiers of the file that name segments of one core, with their
// numbers of series, several to a line.
void write_segments(const TucsonFile& file) {
    if (file.segments.empty()) return;
    OutFile& warn = streams().luout;
    warn.write("(t2,'*** warning: identifiers shared by segments of one core (each series after the end marker',"
               "' of the one before, on other years), with their numbers of series:')");
    constexpr size_t per_line = 6;
    for (size_t k = 0; k < file.segments.size(); k += per_line) {
        std::string line;
        for (size_t j = k; j < std::min(k + per_line, file.segments.size()); ++j) {
            const std::string& id = file.segments[j];
            line += fmt("(4x,a8,i3,$)", name8(id), static_cast<int>(file.earlier.at(id).size()));
        }
        warn.write("(t2,a)", line);
    }
}

}  // namespace

TucsonFile::Reading TucsonFile::reading_of(size_t line) const {
    if (line < first_line || line - first_line >= reading.size()) return Reading::as_written;
    return static_cast<Reading>((reading[line - first_line] >> reading_shift) & 3);
}

bool TucsonFile::reading_at(size_t line, unsigned char what) const {
    return line >= first_line && line - first_line < reading.size() && (reading[line - first_line] & what) != 0;
}

// ---------------------------------------------------------------------------
// 5. Reading one series

void trrw(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
          int& series_counter, TextIn& in, OutFile* listing, std::string_view mode, std::string& title,
          std::array<std::string, 3>& hdrlin, TucsonFile& file) {
    if (series_counter < 0) series_counter = 0;
    ++series_counter;
    const bool index = same_letters(mode, "ir");
    const Form f = form_of(index);
    if (series_counter == 1) {
        for (auto& h : hdrlin) h = std::string(85, ' ');
        survey_tucson_file(in, index, file);
    }
    count = 0;
    int ntext = 0;
    const bool store_depths = index && padded(id, 6) != "******";
    SeriesInWork series(id, first_year, count, values, depths, index, store_depths, in, file);
    std::string long_id;  // the last identifier too long for the layout, warned of
    OutFile& warn = streams().luout;

    for (;;) {
        const size_t line_no = in.line_number();
        auto got = next_line(in);
        if (!got) {
            series.end_of_file();
            write_segments(file);
            count = -999;
            series_counter = -999;
            return;
        }
        const LineText t = text_at(*got, file, f, line_no);
        const std::string text = padded(t.bytes, 80);  // a text line, as the file holds it

        if (!series.begun() && t.full.size() >= 80 && t.full[79] == '#') {
            in.backspace();
            std::string buffer = text;
            bool no_header = false;
            datar(buffer, count, values, first_year, in, &no_header);
            if (no_header) {
                // No header line followed the "#" line: every line after it
                // was passed over in search of one.
                warn.write("(t2,'*** warning: line ',a8,' has ''#'' in column 80 but no header follows:',"
                           "' the rest of the file is not read')",
                           name8(in_columns(text, 8)));
                series_counter = -999;
                return;
            }
            id = name8(in_columns(buffer, 8));
            if (listing) listing->write("(/t10,'title of data:  ',a/)", buffer);
            return;
        }

        if (spaces_only(t.full)) continue;
        if (year_columns_blank(t.line, f)) {
            warn_if_values_without_year(warn, t, f);
            continue;
        }
        DataLine d = data_at(t, file, f, line_no);

        if (!d.year_read || !d.values_read) {
            bool ended = false;
            if (series.unreadable_line(t, d, line_no, ended)) {
                if (ended) return;
                continue;
            }
            const std::string longer = d.year_read ? std::string() : long_identifier(t, f, long_id);
            if (!longer.empty()) {
                // A series whose identifier is longer than its columns: none
                // of its lines fits the layout, and it is not read. It is no
                // line of the series being read, which ends before it.
                if (series.begun()) {
                    series.end_before_line(line_no);
                    return;
                }
                if (longer != long_id)
                    warn.write("(t2,'*** warning: series ',a,' has an identifier longer than',i2,"
                               "' columns: its lines do not fit the layout and are not read')",
                               longer, static_cast<int>(f.idw));
                long_id = longer;
                continue;
            }
            std::string spoiled_id;
            int spoiled_year = 0;
            if (spoiled_data_line(t, f, spoiled_id, spoiled_year)) {
                // A data line spoiled by a stray character: its decade is
                // lost. Once a series has been read it is no title line.
                if (file.series_begun) {
                    warn.write("(t2,'*** warning: line ',a8,i6,' cannot be read as a data line: not read')",
                               name8(spoiled_id), spoiled_year);
                    continue;
                }
                warn.write("(t2,'*** warning: line ',a8,i6,' cannot be read as a data line: taken as text')",
                           name8(spoiled_id), spoiled_year);
            } else if (!d.year_read && d.values_read && d.tokens > 0 &&
                       (file.series_begun || (digits_in_year_columns(t.line, f) &&
                                              (d.tokens >= 3 || (d.last_is_number && is_marker(d.last_token)) ||
                                               only_digits_in_year_columns(t.line, f))))) {
                // Values whose year cannot be read and that belong to no
                // series the next lines tell: no title line either once a
                // series has been read. Before the first, a header line may
                // look so (a site name and two years), and a line with a
                // year and values stays one, but not without a word.
                warn.write("(t2,'*** warning: line',i7,' of the file has values but a year that cannot be read:',a)",
                           static_cast<int>(line_no + 1), file.series_begun ? " not read" : " taken as text");
                if (file.series_begun) continue;
            }
            ++ntext;
            if (ntext > max_text_lines) {
                con().line("sbr trrw:  over 25 text lines");
                throw Stop("", exit_failure);
            }
            if (ntext == 1) {
                if (listing) listing->write("(/t10,'title of data:'/1x,a)", text);
                con().write("(/1x,'title of data:'/1x,a)", text);
                title = text;
            } else {
                if (listing) listing->write("(1x,a)", text);
                con().write("(1x,a)", text);
            }
            if (ntext <= 3) hdrlin[ntext - 1].replace(0, 80, text);
            continue;
        }

        // A line whose values were read before for its identifier and years
        // is a copy (a line written twice): it makes no second series.
        if (!series.goes_on_with(d) && (series.may_hold(d) || file.earlier.count(identifier_key(d.id)) != 0)) {
            const auto ints = line_integers(d, slots_of(d.year), index, file.usual_marker);
            if (series.holds(d, ints) || repeats_a_line_read_before(in, file, f, d, ints)) {
                warn.write("(t2,'*** warning: line',i7,' of the file repeats the values of ',a8,' read before for',"
                           "i6,' to',i6,': not read')",
                           static_cast<int>(line_no + 1), name8(d.id), d.year,
                           d.year + static_cast<int>(ints.size()) - 1);
                continue;
            }
        }
        if (series.data_line(t, d, line_no)) return;
    }
}

}  // namespace kov
