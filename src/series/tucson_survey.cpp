// The survey of a Tucson file before its first series: the reading of every
// line, then, in the pass after it, its year forms and units; and the
// survey's choice for a line, as TucsonFile keeps it.
#include "series/tucson_survey.hpp"

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "series/tucson_evidence.hpp"

namespace kov {

namespace tucson_reading {

namespace {

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

// The year form of every line whose identifier holds a minus sign in its last
// or last but one column, and the usual units of the file, in one pass over
// the lines from file.first_line (where `in` stands, and stands again after).
// Such a minus sign starts a year of five or six columns or belongs to the
// identifier: the run of lines it stands in tells which, and a run that
// cannot tell takes the form whose years lie nearer to the file's other
// series. The units are those that most of the file's series end in.
void survey_year_forms_and_units(TextIn& in, const Form& f, TucsonFile& file, size_t lines) {
    const bool index = f.index;
    const size_t start = file.first_line;

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

}  // namespace

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
    survey_year_forms_and_units(in, f, file, lines);
}

LineText text_at(const std::string& raw, const TucsonFile& file, const Form& f, size_t line) {
    return line_text(raw, f, file.reading_of(line), file.shift_at(line));
}
DataLine data_at(const LineText& t, const TucsonFile& file, const Form& f, size_t line) {
    return read_line_of(t, f, file.plain_year_at(line), file.runs_on_at(line));
}

}  // namespace tucson_reading

TucsonFile::Reading TucsonFile::reading_of(size_t line) const {
    if (line < first_line || line - first_line >= reading.size()) return Reading::as_written;
    return static_cast<Reading>((reading[line - first_line] >> reading_shift) & 3);
}

bool TucsonFile::reading_at(size_t line, unsigned char what) const {
    return line >= first_line && line - first_line < reading.size() && (reading[line - first_line] & what) != 0;
}

}  // namespace kov
