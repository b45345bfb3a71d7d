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
// The reader is five files, in the order a line is read:
// 1. tucson_line: a line as the reader takes it apart: the readings that lay
//    its bytes into columns, its identifier, year and values, its end marker;
// 2. tucson_evidence: the one place that says which evidence picks the
//    reading of a line;
// 3. tucson_survey: the survey of the whole file before its first series:
//    the reading of every line, lines one column to the left, years before
//    -999, the usual units of the file; and a line read as the survey chose;
// 4. tucson_series_in_work: the series in work: what one call of the reader
//    builds, and its phases;
// 5. this file: trrw itself, with the end of the chain of lines that cannot
//    be read (an identifier too long for the layout, a spoiled data line,
//    values without a year), and datar, which reads the series of the
//    self-describing layout that trrw finds after a "#" in column 80.
// The parts of 1 to 4 share the namespace tucson_reading.
#include "series/tucson_read.hpp"

#include <algorithm>
#include <array>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/tucson_line.hpp"
#include "series/tucson_series_in_work.hpp"
#include "series/tucson_survey.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov::tucson_reading {
namespace {

constexpr int max_text_lines = 25;

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

}  // namespace
}  // namespace kov::tucson_reading

namespace kov {

using namespace tucson_reading;

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

// ---------------------------------------------------------------------------
// The self-describing series layout

void datar(std::string& line, int& count, std::span<float> values, int& first_year, TextIn& in,
           bool* end_of_file) {
    const size_t ld = values.size();
    std::string layout;
    if (end_of_file) *end_of_file = false;
    for (;;) {
        auto raw = in.read_line();
        if (!raw) {
            count = -999;
            if (end_of_file) *end_of_file = true;
            return;
        }
        std::string buf = padded(*raw, 80);
        if (buf.compare(0, 3, "n  ") != 0) line = buf;
        std::vector<FVal> v;
        try {
            v = read_values("(2(2x,i8),t23,a)", buf);
        } catch (const ReadError&) {
            continue;
        }
        if (v.size() < 3) continue;
        layout = padded(v[2].s, 8);
        if (layout.find('(') == std::string::npos || layout.find(')') == std::string::npos) continue;
        count = static_cast<int>(v[0].i);
        first_year = static_cast<int>(v[1].i);
        break;
    }
    // Too long for the caller's vector: the caller refuses it by its count.
    if (count < 1 || static_cast<size_t>(count) > ld) return;

    int got = 0;
    int empty = 0, too_large = 0;
    while (got < count) {
        auto raw = in.read_line();
        if (!raw) {
            con().line(">> sbr datar:  unexpected end reading data");
            break;
        }
        std::vector<FVal> v;
        try {
            v = read_values(layout, *raw);
        } catch (const std::exception&) {
            con().line(">> sbr datar:  error reading data");
            break;
        }
        // A layout that reads no number from a line (only text items) would
        // pass over every line after it without end.
        if (std::none_of(v.begin(), v.end(), [](const FVal& f) { return f.kind != FVal::Text; })) {
            con().line(">> sbr datar:  error reading data");
            break;
        }
        for (const FVal& f : v) {
            if (got >= count) break;
            if (f.kind == FVal::Text) continue;
            float value = f.kind == FVal::Real ? static_cast<float>(f.r) : static_cast<float>(f.i);
            // An empty field holds no measurement, and a value beyond what the
            // program can carry none it could work with: both are missing.
            if (f.blank) {
                value = xmiss;
                ++empty;
            } else if (!carried_value(value)) {
                value = xmiss;
                ++too_large;
            }
            values[got++] = value;
        }
    }
    // What could not be read is marked missing rather than left as whatever
    // the vector held, so the gap scan reports it.
    for (int i = got; i < count; ++i) values[i] = xmiss;
    OutFile& warn = streams().luout;
    if (empty > 0)
        warn.write("(t2,'*** warning: series ',a8,' has',i6,' empty value fields: taken as missing values')",
                   in_columns(line, 8), empty);
    if (too_large > 0)
        warn.write("(t2,'*** warning: series ',a8,' has',i6,' values too large to work with: taken as missing values')",
                   in_columns(line, 8), too_large);
}

}  // namespace kov
