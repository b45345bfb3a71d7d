// A line as the Tucson reader takes it apart: the first step of reading a
// line, before any evidence of the lines around it is weighed.
#include "series/tucson_line.hpp"

#include <algorithm>
#include <iterator>

#include "series/fixed_text.hpp"
#include "shared/layout.hpp"
#include "shared/text_helpers.hpp"

namespace kov::tucson_reading {

bool is_marker(long long v) { return v == hundredths_end || v == thousandths_end; }

namespace {

// Blanks and tabs separate values.
bool is_space(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool spaces_only(std::string_view s) {
    return std::all_of(s.begin(), s.end(), is_space);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool one_integer(std::string_view s) {
    size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!is_digit(s[i])) return false;
    return true;
}

namespace {

// A fixed field holds one integer, right- or left-justified: blanks between
// digits are two values (or a value cut by the field), not one.
bool field_holds_one_integer(std::string_view f) {
    const size_t a = f.find_first_not_of(' ');
    if (a == std::string_view::npos) return true;
    const size_t b = f.find_last_not_of(' ');
    return one_integer(f.substr(a, b - a + 1));
}

}  // namespace

Form form_of(bool index) { return index ? Form{true, 6} : Form{false, 8}; }

size_t field_at(const Form& f, int k) { return f.index ? 10 + 7 * static_cast<size_t>(k) : 12 + 6 * static_cast<size_t>(k); }
size_t field_width(const Form& f) { return f.index ? 7 : 6; }

int slots_of(int year) { return 10 - mod10(year); }

std::optional<std::string> next_line(TextIn& in) {
    auto got = in.read_line();
    if (got) got->erase(std::min(got->size(), got->find_last_not_of(" \t") + 1));
    return got;
}

bool is_control(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7f;
}

namespace {

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

}  // namespace

bool year_runs_on(std::string_view line, const Form& f) {
    const size_t end = f.idw + 4;          // the first column after the year
    const size_t width = f.index ? 4 : 6;  // the first value field
    if (line.size() <= end || !is_digit(line[end - 1]) || !is_digit(line[end])) return false;
    const std::string_view first = line.substr(end, width);
    return first.size() < width || first.find(' ') != std::string_view::npos;
}

bool year_in_its_columns(const std::string& line, const Form& f) {
    const std::string_view year = std::string_view(line).substr(f.idw, 4);
    return !is_blank(year) && is_digit(year[3]) && field_holds_one_integer(year);
}

bool values_in_their_columns(const std::string& line, const Form& f) {
    if (!f.index) return fields_hold_the_values(line);
    for (size_t k = 0; k < 10; ++k)
        if (!field_holds_one_integer(std::string_view(line).substr(10 + 7 * k, 4)) ||
            !field_holds_one_integer(std::string_view(line).substr(14 + 7 * k, 3)))
            return false;
    return true;
}

bool in_its_columns(const std::string& line, const Form& f) {
    return year_in_its_columns(line, f) && !year_runs_on(line, f) && values_in_their_columns(line, f);
}

// The readings of a line

namespace {

bool is_stray(char c) { return is_control(c) || c == '\t'; }

}  // namespace

size_t head_bytes(const std::string& raw, const Form& f) { return column_byte(raw, f.idw + 4); }

bool has_strays(const std::string& raw, const Form& f) {
    const auto head = raw.begin() + static_cast<long>(head_bytes(raw, f));
    return std::any_of(raw.begin(), head, is_stray) || multibyte_utf8(raw);
}

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

std::string layout_columns(const HeadReading& h) {
    std::string cols = padded(h.by_bytes ? h.raw : column_text(h.raw), 80);
    std::replace(cols.begin(), cols.end(), '\0', ' ');
    return cols;
}

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

LineText line_text(const std::string& raw, const Form& f, Reading r, Shift shift) {
    LineText t;
    HeadReading h = apply_reading(raw, f, r).value_or(HeadReading{raw});
    t.reading = r;
    t.controls_dropped = h.controls_dropped;
    t.tab_dropped = h.tab_dropped;
    t.by_bytes = h.by_bytes;
    if (shift != Shift::none && shift_columns(h.raw, shift)) t.shift = shift;
    std::string cols = h.by_bytes ? h.raw : column_text(h.raw);
    t.line = padded(cols, 80);
    // Most lines hold no control character at all: nothing to blank.
    const bool controls = std::any_of(cols.begin(), cols.end(), [](char c) { return c == '\0' || is_control(c); });
    for (int k = 0; controls && k < 10; ++k) {
        if (!damaged_field(std::string_view(t.line).substr(field_at(f, k), field_width(f)))) continue;
        t.damaged[k] = true;
        t.line.replace(field_at(f, k), field_width(f), field_width(f), ' ');
    }
    t.bytes = std::move(h.raw);
    if (controls)
        for (std::string* s : {&t.bytes, &cols, &t.line}) std::replace(s->begin(), s->end(), '\0', ' ');
    t.full = std::move(cols);
    return t;
}

std::string identifier_of(const LineText& t, size_t n) {
    std::string id = t.by_bytes ? t.bytes.substr(0, n) : column_slice(t.bytes, 0, n);
    std::replace(id.begin(), id.end(), '\t', ' ');
    return in_columns(id, n);
}

std::string name8(std::string_view id) { return in_columns(id, 8); }

std::string identifier_key(std::string_view id) { return rtrim(name8(id)); }

// Reading a line: its identifier, year and values

YearForm form_by_sign(const std::string& line, const Form& f) {
    if (line[f.idw - 1] == '-') return YearForm::wide5;
    if (line[f.idw - 2] == '-') return YearForm::wide6;
    return YearForm::plain;
}

namespace {

// The integer of a field that holds one (field_holds_one_integer), blanks
// around it: as an integer field of the layout reads it.
long long field_integer(std::string_view f) {
    long long v = 0;
    bool negative = false;
    for (char c : f) {
        if (c == '-') negative = true;
        else if (is_digit(c)) v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

// Whether the columns cut a year at its front: digits that run on from the
// identifier's last column into a year field that ends in a blank ("EX101A
// 1835" has "835 " in its year columns). A year of three digits written
// from the field's first column ("CM123C  990 ") is a year.
bool year_cut_at_its_front(const std::string& line, const Form& f) {
    return line[f.idw + 3] == ' ' && is_digit(line[f.idw - 1]) && is_digit(line[f.idw]);
}

}  // namespace

bool read_head(const std::string& line, const Form& f, YearForm y, std::string& id, int& year, bool runs_on_ok) {
    const size_t idcols = f.idw - (y == YearForm::wide5 ? 1 : y == YearForm::wide6 ? 2 : 0);
    if (!field_holds_one_integer(std::string_view(line).substr(idcols, f.idw + 4 - idcols)) ||
        year_cut_at_its_front(line, f) || (!runs_on_ok && year_runs_on(line, f)))
        return false;
    // The year field holds one integer: read it as the layout's (a8,i4),
    // (a7,i5) or (a6,i6) would, without the layout engine (every line of a
    // file passes here).
    id = line.substr(0, idcols);
    year = static_cast<int>(field_integer(std::string_view(line).substr(idcols, f.idw + 4 - idcols)));
    return true;
}

std::vector<std::pair<size_t, std::string_view>> words(std::string_view s, size_t from) {
    std::vector<std::pair<size_t, std::string_view>> w;
    for (size_t i = from; i < s.size();) {
        while (i < s.size() && is_space(s[i])) ++i;
        const size_t start = i;
        while (i < s.size() && !is_space(s[i])) ++i;
        if (i > start) w.emplace_back(start, s.substr(start, i - start));
    }
    return w;
}

namespace {

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
// The ten 6-column value fields of a ring-width line whose fields each hold
// one integer or nothing (fields_hold_the_values), as (10i6) reads them.
void read_ring_fields(const std::string& line, DataLine& d) {
    for (int k = 0; k < 10; ++k) {
        const std::string_view f = std::string_view(line).substr(12 + 6 * static_cast<size_t>(k), 6);
        d.blank[k] = is_blank(f);
        d.field[k] = d.blank[k] ? 0 : field_integer(f);
    }
}

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

}  // namespace

bool read_head_or_plain(const std::string& line, const Form& f, YearForm y, std::string& id, int& year,
                        bool runs_on_ok) {
    return read_head(line, f, y, id, year, runs_on_ok) ||
           (y != YearForm::plain && read_head(line, f, YearForm::plain, id, year, runs_on_ok));
}

DataLine read_line_of(const LineText& t, const Form& f, bool plain_year, bool runs_on_ok) {
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
        read_ring_fields(line, d);
        d.values_read = true;
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

bool same_identifier(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    return a.compare(0, n, b, 0, n) == 0;
}

namespace {

// A ring-width end marker stands after the series' last value: nothing but
// blank fields and further markers follow it on its line.
bool ends_its_line(const DataLine& d, int k) {
    for (int j = k + 1; j < 10; ++j)
        if (!d.blank[j] && !is_marker(d.field[j])) return false;
    return !d.beyond;
}

}  // namespace

bool ends_series(const DataLine& d, int k, long long usual) {
    if (!is_marker(d.field[k]) || !ends_its_line(d, k)) return false;
    const bool next_is = k + 1 < 10 && !d.blank[k + 1];
    if (d.field[k] == thousandths_end) return !(next_is && d.field[k + 1] == hundredths_end && usual == hundredths_end);
    if (k == 9) return !d.ends_after_fields || usual == hundredths_end;
    return !next_is || d.field[k + 1] != thousandths_end;
}

long long line_end_marker(const DataLine& d, long long usual) {
    for (int k = 0; k < 10; ++k) {
        if (d.blank[k] || !ends_its_line(d, k)) continue;
        if (ends_series(d, k, usual)) return d.field[k];
        if (k == 9 && d.ends_after_fields) return thousandths_end;
    }
    return d.marker_after;
}

long long stray_after_end(const DataLine& d, int k) {
    if (d.field[k] == hundredths_end && k == 9 && d.ends_after_fields) return thousandths_end;
    if (k + 1 < 10 && !d.blank[k + 1] && is_marker(d.field[k + 1]) && d.field[k + 1] != d.field[k])
        return d.field[k + 1];
    return 0;
}

void warn_outside(OutFile& warn, const DataLine& d) {
    warn.write("(t2,'*** warning: line ',a8,i6,' holds values outside its decade: not read')", name8(d.id), d.year);
}

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

void warn_if_values_after_marker(OutFile& warn, const DataLine& d, int from) {
    for (int k = from; k < 10; ++k) {
        const long long v = d.field[2 * k];
        if (d.blank[2 * k] || v >= 9990) continue;
        warn.write("(t2,'*** warning: line ',a8,i6,' holds values after its end marker: not read')", name8(d.id),
                   d.year);
        return;
    }
}

bool goes_on_into(const std::string& id, int year, const std::string& next_id, int next_year) {
    return same_identifier(id, next_id) && next_year == year + slots_of(year);
}

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

}  // namespace kov::tucson_reading
