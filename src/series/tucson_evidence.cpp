// The evidence that picks the reading of a line: its candidates, its marks,
// its neighbours and the file's habits (the order they count in is at
// pick_reading, in tucson_evidence.hpp).
#include "series/tucson_evidence.hpp"

#include <algorithm>
#include <climits>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "shared/text_helpers.hpp"

namespace kov::tucson_reading {

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

namespace {

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
// apart) has neither. `year_stands` is set when the reading gives the line a
// year of its own columns that does not run on, whatever its values.
std::optional<Candidate> candidate_in(const std::string& raw, const Form& f, Reading r, Shift s,
                                      bool* year_stands = nullptr) {
    auto h = apply_reading(raw, f, r);
    if (!h || (s == Shift::left && !year_one_column_left(layout_columns(*h))) ||
        (s != Shift::none && !shift_columns(h->raw, s)))
        return std::nullopt;
    const std::string cols = layout_columns(*h);
    if (!year_in_its_columns(cols, f)) return std::nullopt;
    const bool runs_on = year_runs_on(cols, f);
    if (year_stands && !runs_on) *year_stands = true;
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

}  // namespace

std::vector<Candidate> candidates(const std::string& raw, const Form& f) {
    std::vector<Candidate> out;
    bool year_stands = false;
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
        add(candidate_in(raw, f, r, Shift::none, &year_stands));
    if (!f.index && !year_stands) {
        add(candidate_in(raw, f, Reading::as_written, Shift::left));
        add(candidate_in(raw, f, Reading::as_written, Shift::right));
    }
    return out;
}

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

namespace {

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

}  // namespace

std::optional<Candidate> pick_reading(std::vector<Candidate> c, const Neighbours& n, const Marks& m,
                                      const Habits* habits, bool* told) {
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

}  // namespace kov::tucson_reading
