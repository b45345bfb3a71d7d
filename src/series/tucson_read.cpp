// Reading one series of a Tucson decade file ("mr" ring widths, "ir" indices).
//
// Real files depart from the layout in ways a reader must not pass over in
// silence: identifiers that run into the year, values written without their
// 6-column fields, a ring of 999 in a series of thousandths, lines that cannot
// be read inside a series, lines out of order, lines written twice, series
// that lack their end marker. The reader keeps every value at the year its
// line gives it and says in the main listing where it had to decide.
#include <algorithm>
#include <climits>
#include <iterator>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/tucson.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

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

// ---------------------------------------------------------------------------
// A line as the reader takes it apart

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

// Whether a line (one byte per column) has its year and values where the
// layout puts them: the year field holds one integer that ends in its last
// column, and every value stands in its own field.
bool in_its_columns(const std::string& line, const Form& f) {
    const std::string_view year = std::string_view(line).substr(f.idw, 4);
    if (is_blank(year) || !is_digit(year[3]) || !field_holds_one_integer(year)) return false;
    if (!f.index) return fields_hold_the_values(line);
    for (size_t k = 0; k < 10; ++k)
        if (!field_holds_one_integer(std::string_view(line).substr(10 + 7 * k, 4)) ||
            !field_holds_one_integer(std::string_view(line).substr(14 + 7 * k, 3)))
            return false;
    return true;
}

// The columns of a line as the layout reads them: one byte per column, NULs
// as blanks, in 80 columns.
std::string layout_columns(std::string_view raw) {
    std::string cols = padded(column_text(raw), 80);
    std::replace(cols.begin(), cols.end(), '\0', ' ');
    return cols;
}

// How a line's identifier and year columns are taken before it is read.
struct HeadReading {
    std::string raw;
    bool controls_dropped = false;
    bool by_bytes = false;  // a byte is a column, though the line is valid UTF-8
};

// A line that has its year and values in their columns as it stands is read
// so. Only a line that does not is read another way, the first that fits:
// - counted by bytes: a writer that pads identifiers to 8 bytes puts
//   "EXé101A" (7 characters, 8 bytes) straight before the year;
// - without the control bytes in its identifier and year columns, which came
//   before the identifier or into the year (two NULs before "EX101A  1830");
// - with a tab in the identifier columns of a ring-width line moved to the
//   next tab stop (stops every 8 columns), as an editor shows it:
//   "moo07b<tab>1800" has its year in columns 9-12.
// Otherwise the line is read as it stands: a tab is one column, as is a
// control byte ("25B<tab>    1930" and "S0AB<tab>   1900" were written so, and
// a NUL may be a column left blank).
HeadReading head_reading(const std::string& raw, const Form& f) {
    HeadReading h{raw};
    const size_t head = column_byte(raw, f.idw + 4);
    const bool controls =
        std::any_of(raw.begin(), raw.begin() + static_cast<long>(head), [](char c) { return is_control(c); });
    const bool tab = !f.index && raw.find('\t') < column_byte(raw, f.idw);
    const bool multibyte = multibyte_utf8(raw);
    if ((!controls && !tab && !multibyte) || in_its_columns(layout_columns(raw), f)) return h;
    if (multibyte) {
        std::string bytes = padded(raw, 80);
        std::replace(bytes.begin(), bytes.end(), '\0', ' ');
        if (in_its_columns(bytes, f)) {
            h.by_bytes = true;
            return h;
        }
    }
    if (controls) {
        std::string dropped = raw.substr(0, head);
        dropped.erase(std::remove_if(dropped.begin(), dropped.end(), [](char c) { return is_control(c); }),
                      dropped.end());
        dropped += raw.substr(head);
        if (in_its_columns(layout_columns(dropped), f)) {
            h.raw = std::move(dropped);
            h.controls_dropped = true;
            return h;
        }
    }
    if (tab) {
        const size_t idend = column_byte(raw, f.idw);
        std::string stops;
        size_t col = 0;
        for (size_t i = 0; i < idend;) {
            if (h.raw[i] == '\t') {
                const size_t to = (col / 8 + 1) * 8;
                stops.append(to - col, ' ');
                col = to;
                ++i;
                continue;
            }
            const size_t n = multibyte ? utf8_char_length(h.raw, i) : 1;
            stops.append(h.raw, i, n);
            i += n;
            ++col;
        }
        stops += h.raw.substr(idend);
        if (in_its_columns(layout_columns(stops), f)) h.raw = std::move(stops);
    }
    return h;
}

// One line of the file. Its columns are characters: in a line of valid UTF-8
// a character of several bytes (a Cyrillic letter of an identifier) takes one
// column, so that the year and the values stand in the columns the layout
// gives them; in any other line, and in a line that has them in their columns
// only when counted by bytes, a byte is a column.
struct LineText {
    std::string bytes;      // as read (head_reading), NULs as blanks: text lines are taken from it
    std::string full;       // one byte per column (a character of several bytes stands as '?'), NULs as blanks
    std::string line;       // full in 80 columns, its damaged value fields blanked
    bool controls_dropped = false;
    bool by_bytes = false;  // a byte is a column, though the line is valid UTF-8
    bool shifted = false;   // written one column to the left: a blank put in before column 8
    bool damaged[10] = {};  // value field k (ring widths) or value/depth pair k (indices)
};

// `shifted`: the file survey found the line one column to the left of the
// layout (its year in columns 8-11).
LineText line_text(const std::string& raw, const Form& f, bool shifted = false) {
    LineText t;
    HeadReading h = head_reading(raw, f);
    t.controls_dropped = h.controls_dropped;
    t.by_bytes = h.by_bytes;
    if (shifted) {
        h.raw.insert(column_byte(h.raw, 7), 1, ' ');
        t.shifted = true;
    }
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

// The identifier under which the series read so far are kept
// (TucsonFile::read_before).
std::string read_before_key(std::string_view id) { return rtrim(name8(id)); }

// ---------------------------------------------------------------------------
// Reading a line

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

// Identifier and year of a line in one year form. The year field must hold
// one integer: digits with blanks between them are no year.
bool read_head(const std::string& line, const Form& f, YearForm y, std::string& id, int& year) {
    const size_t idcols = f.idw - (y == YearForm::wide5 ? 1 : y == YearForm::wide6 ? 2 : 0);
    if (!field_holds_one_integer(std::string_view(line).substr(idcols, f.idw + 4 - idcols))) return false;
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
bool read_head_or_plain(const std::string& line, const Form& f, YearForm y, std::string& id, int& year) {
    return read_head(line, f, y, id, year) || (y != YearForm::plain && read_head(line, f, YearForm::plain, id, year));
}

// Reads a line in the year form the file survey chose for it (plain: an
// identifier with a minus sign in it, before a 4-column year) or else the form
// its minus sign gives.
DataLine read_line_of(const LineText& t, const Form& f, bool plain_year) {
    const std::string& line = t.line;
    DataLine d;
    d.year_read = read_head_or_plain(line, f, plain_year ? YearForm::plain : form_by_sign(line, f), d.id, d.year);
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
        // A 999 in the last field with -9999 straight after the fields: the
        // writer put the end marker of a series in thousandths on the line
        // of its last ring.
        if (d.values_read && !d.blank[9] && d.field[9] == hundredths_end) {
            const auto w = words(t.full, 72);
            d.ends_after_fields = !w.empty() && w[0].second == "-9999";
        }
        return d;
    }
    d.values_read = read_by_separators(t.full, d);
    d.by_separators = d.values_read;
    if (!d.values_read) last_number(t.full, 12, d);
    return d;
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
// which the line holds nothing but blank fields and further markers. A 999
// straight before -9999 is a ring of 0.999 mm in a series of thousandths, also
// when the -9999 stands after the tenth field.
bool ends_series(const DataLine& d, int k) {
    if (!is_marker(d.field[k]) || !ends_its_line(d, k)) return false;
    if (d.field[k] != hundredths_end) return true;
    if (k == 9) return !d.ends_after_fields;
    return d.blank[k + 1] || d.field[k + 1] != thousandths_end;
}

// The last value of a ring-width line, when it is an end marker (the survey
// counts the units of the file's series by it).
long long line_end_marker(const DataLine& d) {
    if (d.ends_after_fields) return thousandths_end;
    for (int k = 9; k >= 0; --k) {
        if (d.blank[k]) continue;
        return ends_series(d, k) ? d.field[k] : 0;
    }
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

Unread unread_fields(const DataLine& d, int from, int to, bool index) {
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
        if (index ? v >= 9990 : ends_series(d, k)) break;
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

int slots_of(int year) { return 10 - mod10(year); }

// Reads the lines after the one just read, each as a data line (blank lines
// and lines without a year passed over), until `look` returns false or the
// file ends; then the file stands where it stood.
template <class Look>
void look_ahead(TextIn& in, const TucsonFile& file, const Form& f, Look look) {
    const size_t back = in.line_number();
    for (;;) {
        const size_t at = in.line_number();
        auto got = in.read_line();
        if (!got) break;
        const LineText t = line_text(*got, f, file.shifted_at(at));
        if (spaces_only(t.full) || year_columns_blank(t.line, f)) continue;
        if (!look(read_line_of(t, f, file.plain_year_at(at)))) break;
    }
    in.seek(back);
}

// ---------------------------------------------------------------------------
// The survey of a whole file

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

// Ring-width lines written one column to the left of the layout: column 7
// blank, a year of four digits in columns 8-11, column 12 blank (where the
// year's last digit belongs), and the identifier of columns 1-7 and the years
// going on from line to line under that reading (CAN101 1858, CAN101 1860,
// CAN101 1870). Read as they stand, such lines put every value 1000 years
// early under an identifier that takes the year's first digit. A line alone
// is not enough to tell. Reads `in` from file.first_line to its end.
void mark_shifted_lines(TextIn& in, const Form& f, TucsonFile& file) {
    std::vector<size_t> run;
    std::string key;
    int last = 0;
    auto close = [&] {
        if (run.size() >= 2)
            for (size_t n : run) file.reading[n] |= TucsonFile::shifted_line;
        run.clear();
    };
    for (size_t n = 0;; ++n) {
        auto got = in.read_line();
        if (!got) break;
        const LineText t = line_text(*got, f);
        const std::string& line = t.line;
        if (spaces_only(t.full) || year_columns_blank(line, f)) continue;
        const bool shape = line[6] == ' ' && std::all_of(line.begin() + 7, line.begin() + 11, is_digit) &&
                           line[11] == ' ';
        if (!shape) {
            close();
            continue;
        }
        const std::string id = identifier_of(t, 7);
        const int year = std::stoi(line.substr(7, 4));
        if (!run.empty() && (id != key || year <= last || mod10(year) != 0)) close();
        if (run.empty()) key = id;
        run.push_back(n);
        last = year;
    }
    close();
}

// Surveys the lines of `in` from where it stands to its end ("mr" or, with
// index, "ir"), and goes back to where it stood.
void survey_tucson_file(TextIn& in, bool index, TucsonFile& file) {
    const Form f = form_of(index);
    const size_t start = in.line_number();
    file.first_line = start;
    file.usual_marker = hundredths_end;
    file.series_begun = false;
    file.read_before.clear();

    size_t lines = 0;
    while (in.read_line()) ++lines;
    in.seek(start);
    file.reading.assign(lines, 0);
    if (!index) {
        mark_shifted_lines(in, f, file);
        in.seek(start);
    }

    long long hundredths = 0, thousandths = 0;
    int lo = INT_MAX, hi = INT_MIN;
    std::vector<Ambiguous> amb;
    int group = 0;
    bool plain_since = true;  // a plain data line since the last ambiguous one

    for (size_t n = 0; n < lines; ++n) {
        const LineText t = line_text(*in.read_line(), f, (file.reading[n] & TucsonFile::shifted_line) != 0);
        const std::string& line = t.line;
        if (year_columns_blank(line, f)) continue;
        const YearForm y = form_by_sign(line, f);
        DataLine d = read_line_of(t, f, y == YearForm::plain);
        if (!d.values_read) continue;
        if (!index) {
            const long long m = line_end_marker(d);
            if (m == hundredths_end) ++hundredths;
            if (m == thousandths_end) ++thousandths;
        }
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
        a.ends = index ? false : line_end_marker(d) != 0;
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
// One series

// The integers a line gives its years, up to its end marker: empty_field for
// a field left empty or damaged. Years no line gave a value are no_value.
constexpr long long no_value = LLONG_MIN;
constexpr long long empty_field = LLONG_MIN + 1;

std::vector<long long> line_integers(const DataLine& d, int slots, bool index) {
    std::vector<long long> v;
    for (int k = index ? 10 - slots : 0; k < (index ? 10 : slots); ++k) {
        const int fk = index ? 2 * k : k;
        if (d.damaged[k] || d.blank[fk]) {
            v.push_back(empty_field);
            continue;
        }
        if (index ? d.field[fk] >= 9990 : ends_series(d, k)) break;
        v.push_back(d.field[fk]);
    }
    return v;
}

// Whether the integers of a line, from position `at` of a series, are those
// the series holds there: at least one value and every field the same.
bool holds_raw(std::span<const long long> held, int at, const std::vector<long long>& line) {
    if (at < 0 || static_cast<size_t>(at) + line.size() > held.size()) return false;
    bool some_value = false;
    for (size_t k = 0; k < line.size(); ++k) {
        if (held[static_cast<size_t>(at) + k] != line[k]) return false;
        some_value = some_value || line[k] != empty_field;
    }
    return some_value;
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
        : values_(values), depths_(depths), kind_(values.size(), value), raw_(values.size(), no_value),
          index_(index), store_depths_(store_depths), count_(count) {}

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
            raw_[i] = raw_[i - n];
            if (store_depths_ && i < depths_.size()) depths_[i] = depths_[i - n];
        }
        count_ += n;
        for (int k = 0; k < n; ++k) put_missing(k, 0, skipped);
    }
    void place(int at, long long v, long long depth) { put(at, v, depth); }
    void place_missing(int at, long long depth) { put_missing(at, depth, held); }

    // The integers of the file at each position, as a line holds them
    // (empty_field for an empty or damaged field, no_value for a year no
    // line gave): what a line written twice repeats.
    std::span<const long long> raw_values() const {
        return std::span<const long long>(raw_).first(std::min(raw_.size(), static_cast<size_t>(count_)));
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

    void fill_gap() {
        for (; pending_gap_ > 0; --pending_gap_) put_missing(count_++, 0, skipped);
    }
    void put(int at, long long v, long long depth) {
        if (!stores(at)) return;
        values_[at] = static_cast<float>(v) * (index_ ? 0.001f : 0.01f);
        kind_[at] = value;
        raw_[at] = v;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    void put_missing(int at, long long depth, Kind k) {
        if (!stores(at)) return;
        values_[at] = xmiss;
        kind_[at] = k;
        raw_[at] = k == skipped ? no_value : empty_field;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    bool stores(int at) const { return at >= 0 && static_cast<size_t>(at) < values_.size(); }

    std::span<float> values_;
    std::span<int> depths_;
    std::vector<unsigned char> kind_;
    std::vector<long long> raw_;  // the integer of the file at each position
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
            if (!d.blank[k] && !d.damaged[k] && ends_series(d, k)) break;
        next_year = d.year + slots;
        if (k == slots && slots == 10 && d.ends_after_fields) {
            marker = thousandths_end;
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
// years: `d` is then the first line of that series, though it cannot be read.
bool next_line_goes_on(TextIn& in, const TucsonFile& file, const Form& f, const DataLine& d) {
    bool on = false;
    look_ahead(in, file, f, [&](const DataLine& n) {
        on = n.year_read && goes_on_into(d.id, d.year, n.id, n.year);
        return false;
    });
    return on;
}

// The year of a line whose year field cannot be read ("18l1", a bit flipped)
// from the next data line: when that line has the same identifier and begins
// a decade, and this line's values fill the years up to it, this line holds
// the years from that decade less the number of its values. Every digit the
// year field still shows must stand where that year has it, and at most one
// of its characters is spoiled; a line that ends its series on its own line
// cannot be placed so.
bool year_from_next_line(TextIn& in, const TucsonFile& file, const Form& f, const LineText& t, const DataLine& d,
                         int& year) {
    if (d.year_read || !d.values_read || d.beyond) return false;
    int values = 0;
    if (f.index) {
        int k = 0;
        while (k < 10 && (d.blank[2 * k] || d.field[2 * k] >= 9990)) ++k;
        for (int j = k; j < 10; ++j)
            if (!d.blank[2 * j] && d.field[2 * j] >= 9990) return false;
        values = 10 - k;
    } else {
        if (d.last_is_number && is_marker(d.last_token)) return false;
        values = d.tokens;
    }
    if (values < 1 || values > 10) return false;
    bool found = false;
    int next = 0;
    look_ahead(in, file, f, [&](const DataLine& n) {
        found = n.year_read && same_identifier(d.id, n.id) && mod10(n.year) == 0;
        next = n.year;
        return false;
    });
    if (!found || next - values < -999 || next - values > 9999) return false;
    const int y = next - values;
    std::string want = std::to_string(y);  // -999 to 9999: at most 4 columns
    want.insert(0, 4 - want.size(), ' ');
    const std::string_view field = std::string_view(t.line).substr(f.idw, 4);
    int spoiled = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (field[i] == want[i]) continue;
        if (is_digit(field[i]) || field[i] == ' ' || want[i] == ' ') return false;
        ++spoiled;
    }
    if (spoiled != 1) return false;
    year = y;
    return true;
}

}  // namespace

bool TucsonFile::reading_at(size_t line, unsigned char what) const {
    return line >= first_line && line - first_line < reading.size() && (reading[line - first_line] & what) != 0;
}

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
    int ntext = 0, ndata = 0;
    const bool store_depths = index && padded(id, 6) != "******";
    SeriesRead series(values, depths, index, store_depths, count);

    std::string series_id;  // identifier of the first data line, as read
    // Two year cursors, because a line out of order goes at its own years:
    // next_year is the year after the series' last year, which the next line
    // in order carries; last_line_end is the year after the line read last,
    // which an out-of-order line that goes on from it carries (lines 1800 and
    // 1810 before a series' first line 1820: one warning, for 1800).
    int next_year = 0;
    int last_line_end = 0;
    int separated = 0;      // lines of the series read by their separators
    int shifted = 0;        // lines of the series one column to the left of the layout
    std::string long_id;    // the last identifier too long for the layout, warned of
    OutFile& warn = streams().luout;

    // The end of the series: the units are known now (its own end marker, or
    // the one most of the file's series use).
    auto finish = [&](long long marker) {
        if (!index && (marker != 0 ? marker : file.usual_marker) == thousandths_end) series.scale_to_thousandths();
        const auto raw = series.raw_values();
        file.read_before[read_before_key(series_id)].push_back({first_year, {raw.begin(), raw.end()}});
        if (separated > 0)
            warn.write("(t2,'*** warning: series ',a8,' has',i4,' lines without 6-column fields:',"
                       "' values read by their separators')",
                       name8(series_id), separated);
        if (shifted > 0)
            warn.write("(t2,'*** warning: series ',a8,' has',i4,' lines one column to the left of the layout',"
                       "' (year in columns 8-11): read where they stand')",
                       name8(series_id), shifted);
    };
    // A line that does not continue the series ends it: a new identifier, or
    // a year the series holds values for already. The line is read again as
    // the start of the next series.
    auto end_before = [&](const DataLine& d) {
        warn.write("(t2,'*** warning: series ',a8,' ends without an end marker before line ',a8,i6)",
                   name8(series_id), name8(d.id), d.year);
        in.backspace();
        finish(0);
    };
    // The first line of the series. An identifier that an earlier series of
    // the file has is said: the two series are two in every output.
    auto begin = [&](const DataLine& d, const std::string& line, size_t line_no) {
        if (file.read_before.count(read_before_key(d.id)) != 0)
            warn.write("(t2,'*** warning: series ',a8,' from line',i7,' of the file has the identifier',"
                       "' of a series read before: two series share it')",
                       name8(d.id), static_cast<int>(line_no + 1));
        id = name8(d.id);
        series_id = d.id;
        first_year = d.year;
        next_year = d.year;
        last_line_end = d.year;
        file.series_begun = true;
        if (!index && d.idcols == 8 && is_digit(line[7]) && line[8] == '0' && is_digit(line[9]))
            warn.write("(t2,'*** warning: series ',a8,': year',i6,' of columns 9-12 may be the year',i7,"
                       "' of columns 8-12, which the layout cannot hold')",
                       name8(d.id), d.year, (line[7] - '0') * 10000 + d.year);
    };
    // A data line taken into the series. A line is read again after the
    // series before it ended, so what is said of the line itself is said
    // here, once.
    auto joins = [&](const LineText& t, const DataLine& d, size_t line_no) {
        ++ndata;
        if (d.by_separators) ++separated;
        if (t.shifted) ++shifted;
        if (t.controls_dropped)
            warn.write("(t2,'*** warning: line',i7,' of the file has control characters before its year:',"
                       "' dropped, the line read as ',a8,i6)",
                       static_cast<int>(line_no + 1), name8(d.id), d.year);
    };
    // A 999 that the series takes as a ring and not as its end marker.
    auto warn_ring = [&](const DataLine& d, int k, size_t line_no) {
        warn.write("(t2,'*** warning: series ',a8,' line',i7,' of the file: 999 in year',i6,"
                   "' taken as a ring, not as an end marker')",
                   name8(series_id), static_cast<int>(line_no + 1), d.year + k);
    };
    // The values of one data line, at the end of the series or, for a line
    // out of order, from position `at`. True when the line ended the series.
    auto take_line = [&](const DataLine& d, int slots, int at, size_t line_no) {
        auto store = [&](long long v, long long depth) {
            if (at < 0) series.append(v, depth);
            else series.place(at++, v, depth);
        };
        auto store_missing = [&](long long depth) {
            if (at < 0) series.append_missing(depth);
            else series.place_missing(at++, depth);
        };
        const int first_slot = index ? 10 - slots : 0;
        const int last_slot = index ? 10 : slots;
        const Unread unread = unread_fields(d, first_slot, last_slot, index);
        if (unread.empty > 0)
            warn.write("(t2,'*** warning: line ',a8,i6,' has',i3,' empty value fields: taken as missing values')",
                       name8(d.id), d.year, unread.empty);
        if (unread.damaged > 0)
            warn.write("(t2,'*** warning: series ',a8,' line',i7,' of the file has',i3,' value fields with',"
                       "' control characters: taken as missing values')",
                       name8(series_id), static_cast<int>(line_no + 1), unread.damaged);

        if (!index) {
            for (int k = 0; k < slots; ++k) {
                if (d.damaged[k] || d.blank[k]) {
                    store_missing(0);
                    continue;
                }
                const long long v = d.field[k];
                // A marker with values after it on its line is a value: a
                // ring of 999 in a series of thousandths, or a missing ring
                // written -9999.
                if (ends_series(d, k)) {
                    if (v == hundredths_end && k == slots - 1 &&
                        series_goes_on_in_thousandths(in, file, f, series_id, next_year)) {
                        warn_ring(d, k, line_no);
                        store(v, 0);
                        continue;
                    }
                    finish(v);
                    return true;
                }
                if (v == hundredths_end) warn_ring(d, k, line_no);
                store(v, 0);
            }
            if (slots == 10 && d.ends_after_fields) {
                finish(thousandths_end);
                return true;
            }
            // Fields past the end of the line's decade belong to no year of
            // the series.
            bool outside = d.beyond;
            for (int k = slots; k < 10; ++k)
                if (!d.blank[k]) outside = true;
            if (outside) warn_outside(warn, d);
            return false;
        }
        for (int k = 0; k < 10 - slots; ++k) {
            if (!d.blank[2 * k] && d.field[2 * k] < 9990) {
                warn_outside(warn, d);
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
                warn_if_values_after_marker(warn, d, k + 1);
                finish(v);
                return true;
            }
            store(v, d.field[2 * k + 1]);
        }
        return false;
    };

    for (;;) {
        const size_t line_no = in.line_number();
        auto got = in.read_line();
        if (!got) {
            if (ndata > 0)
                warn.write("(t2,'*** warning: series ',a8,' ends without an end marker:',i6,' values not read')",
                           name8(series_id), count);
            count = -999;
            series_counter = -999;
            return;
        }
        const LineText t = line_text(*got, f, file.shifted_at(line_no));
        const std::string& line = t.line;
        const std::string text = padded(t.bytes, 80);  // a text line, as the file holds it

        if (count == 0 && ndata == 0 && t.full.size() >= 80 && t.full[79] == '#') {
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
        if (year_columns_blank(line, f)) {
            warn_if_values_without_year(warn, t, f);
            continue;
        }
        DataLine d = read_line_of(t, f, file.plain_year_at(line_no));

        if (!d.year_read || !d.values_read) {
            // Inside a series, a line with the series' identifier is one of
            // its lines, spoiled (a letter in the year, a decimal point, a
            // stray character): its decade becomes missing values, so that
            // the values after it stay at their years.
            const bool own_line =
                ndata > 0 && same_identifier(d.id, series_id) && (!d.year_read || d.year >= next_year);
            // Once a series has been read, a line that cannot be read but
            // goes on into the next line of its identifier is the first line
            // of that series, not a title line. So is a line whose year alone
            // was spoiled, when the next line of its identifier tells it.
            int lost_year = 0;
            const bool first_line =
                !own_line &&
                (d.year_read ? (ndata == 0 ? file.series_begun : !same_identifier(d.id, series_id)) &&
                                   next_line_goes_on(in, file, f, d)
                             : (ndata == 0 || !same_identifier(d.id, series_id)) &&
                                   year_from_next_line(in, file, f, t, d, lost_year));
            if (first_line && !d.year_read) d.year = lost_year;
            if (first_line && ndata > 0) {
                end_before(d);
                return;
            }
            if (first_line) begin(d, line, line_no);
            if (own_line || first_line) {
                const int year = d.year_read ? d.year : next_year;
                const bool ends = d.last_is_number && is_marker(d.last_token) && !index;
                const int slots = ends ? std::min(slots_of(year), d.tokens - 1) : slots_of(year);
                if (slots > 0)
                    warn.write("(t2,'*** warning: series ',a8,' line',i7,' of the file cannot be read:',"
                               "' years',i6,' to',i6,' taken as missing values')",
                               name8(series_id), static_cast<int>(line_no + 1), year, year + slots - 1);
                if (year > next_year && slots > 0) series.skip_years(year - next_year);
                for (int k = 0; k < slots; ++k) series.append_missing(0);
                next_year = year + slots;
                last_line_end = next_year;
                joins(t, d, line_no);
                if (ends) {
                    finish(d.last_token);
                    return;
                }
                continue;
            }
            const std::string longer = d.year_read ? std::string() : long_identifier(t, f, long_id);
            if (!longer.empty()) {
                // A series whose identifier is longer than its columns: none
                // of its lines fits the layout, and it is not read. It is no
                // line of the series being read, which ends before it.
                if (ndata > 0) {
                    warn.write("(t2,'*** warning: series ',a8,' ends without an end marker before line',i7,"
                               "' of the file')",
                               name8(series_id), static_cast<int>(line_no + 1));
                    in.backspace();
                    finish(0);
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
            } else if (file.series_begun && !d.year_read && d.values_read && d.tokens > 0) {
                // Values whose year cannot be read and that belong to no
                // series the next lines tell: no title line either.
                warn.write("(t2,'*** warning: line',i7,' of the file has values but a year that cannot be read:',"
                           "' not read')",
                           static_cast<int>(line_no + 1));
                continue;
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

        // Every line holds the years from its own year to the end of its
        // decade: a later line begins with a year ending in 0.
        const int slots = slots_of(d.year);
        // A line whose values were read before for its identifier and years
        // is a copy (a line written twice): it makes no second series.
        auto copied = [&](std::span<const long long> held, int held_first) {
            const std::vector<long long> ints = line_integers(d, slots, index);
            if (!holds_raw(held, d.year - held_first, ints)) return false;
            warn.write("(t2,'*** warning: line',i7,' of the file repeats the values of ',a8,' read before for',"
                       "i6,' to',i6,': not read')",
                       static_cast<int>(line_no + 1), name8(d.id), d.year, d.year + static_cast<int>(ints.size()) - 1);
            return true;
        };
        if (auto r = file.read_before.find(read_before_key(d.id)); r != file.read_before.end()) {
            bool copy = false;
            for (const auto& b : r->second) copy = copy || copied(b.integers, b.first_year);
            if (copy) continue;
        }
        if (ndata == 0) {
            begin(d, line, line_no);
        } else if (!same_identifier(d.id, series_id) || d.year < next_year) {
            // A line of the series out of order goes at its own years when no
            // value stands there yet (years the lines skipped, or years before
            // the series' first line); one that would overwrite values read
            // starts a new series.
            int at = -1;
            if (same_identifier(d.id, series_id)) {
                if (d.year >= first_year) {
                    if (series.open(d.year - first_year, slots)) at = d.year - first_year;
                } else {
                    const int before = first_year - d.year;
                    if ((slots <= before || series.open(0, slots - before)) && series.room_before(before)) {
                        series.prepend(before);
                        first_year = d.year;
                        at = 0;
                    }
                }
            }
            if (at < 0) {
                if (same_identifier(d.id, series_id) && copied(series.raw_values(), first_year)) continue;
                end_before(d);
                return;
            }
            // A line that goes on from the one before it (1810 after 1800,
            // both before the series' first line 1820) is in order there.
            if (d.year != last_line_end)
                warn.write("(t2,'*** warning: line ',a8,i6,' is out of order: its values are read at their years',"
                           "' in series ',a8)",
                           name8(d.id), d.year, name8(series_id));
            joins(t, d, line_no);
            last_line_end = d.year + slots;
            if (take_line(d, slots, at, line_no)) return;
            continue;
        } else if (d.year > next_year) {
            warn.write("(t2,'*** warning: line ',a8,i6,' does not follow on from series ',a8,' at year',i6,"
                       "': the years between are missing values')",
                       name8(d.id), d.year, name8(series_id), next_year);
            series.skip_years(d.year - next_year);
        }
        joins(t, d, line_no);
        next_year = d.year + slots;
        last_line_end = next_year;
        if (take_line(d, slots, -1, line_no)) return;
    }
}

}  // namespace kov
