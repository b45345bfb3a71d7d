#include "series/tucson.hpp"

#include <algorithm>
#include <vector>

#include "series/fixed_text.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

constexpr int max_text_lines = 25;

// An empty value field inside a series: no measurement stands there. Files
// mark a missing ring with a negative value, so it is taken as -999, which the
// gap scan reports and the gap filling estimates, and not as a ring of width 0.
constexpr long long empty_field = -999;

// One parsed data line of a Tucson file.
struct DataLine {
    std::string id;     // as read, 8/7/6 (ring widths) or 6/5/4 (indices) characters
    int year = 0;
    long long field[20] = {};  // ten values, or ten value/depth pairs
    bool blank[20] = {};       // the field held nothing but blanks
};

// Ring-width line: the year form is chosen by the minus sign, so that BC years
// of five or six digits take their columns from the identifier.
bool parse_ring_width(const std::string& line, DataLine& d) {
    std::string_view layout = "(a8,i4,10i6)";
    if (line[7] == '-')
        layout = "(a7,i5,10i6)";
    else if (line[6] == '-')
        layout = "(a6,i6,10i6)";
    std::vector<FVal> v;
    try {
        v = read_values(layout, line);
    } catch (const ReadError&) {
        return false;
    }
    if (v.size() < 12) return false;
    d.id = v[0].s;
    d.year = static_cast<int>(v[1].i);
    for (int k = 0; k < 10; ++k) {
        d.field[k] = v[2 + k].i;
        d.blank[k] = v[2 + k].blank;
    }
    return true;
}

bool parse_index(const std::string& line, DataLine& d) {
    std::string_view layout = "(a6,t7,i4,10(i4,i3))";
    if (line[5] == '-')
        layout = "(a5,t6,i5,10(i4,i3))";
    else if (line[4] == '-')
        layout = "(a4,t5,i6,10(i4,i3))";
    std::vector<FVal> v;
    try {
        v = read_values(layout, line);
    } catch (const ReadError&) {
        return false;
    }
    if (v.size() < 22) return false;
    d.id = v[0].s;
    d.year = static_cast<int>(v[1].i);
    for (int k = 0; k < 20; ++k) {
        d.field[k] = v[2 + k].i;
        d.blank[k] = v[2 + k].blank;
    }
    return true;
}

// Identifiers of two lines agree when the columns both year forms give to the
// identifier agree.
bool same_identifier(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    return a.compare(0, n, b, 0, n) == 0;
}

void warn_outside(OutFile& warn, const DataLine& d) {
    warn.write("(t2,'*** warning: line ',a8,i6,' holds values outside its decade: not read')", padded(d.id, 8),
               d.year);
}

// Empty value fields among the values a line gives its series (up to its end
// marker): a line cut short, or a field left blank.
int empty_fields(const DataLine& d, int from, int to, bool index) {
    int n = 0;
    for (int k = from; k < to; ++k) {
        const int f = index ? 2 * k : k;
        if (d.blank[f]) {
            ++n;
            continue;
        }
        const long long v = d.field[f];
        if (index ? v >= 9990 : (v == 999 || v == -9999)) break;
    }
    return n;
}

// Fields after the end marker of a series are padding (blank, or more
// markers). A value there means the marker was a measurement that happened to
// read as one (a ring of 9.99 mm in hundredths): the values after it are lost.
void warn_if_values_after_marker(OutFile& warn, const DataLine& d, int from, bool index) {
    for (int k = from; k < 10; ++k) {
        const int f = index ? 2 * k : k;
        const long long v = d.field[f];
        if (d.blank[f] || (index ? v >= 9990 : (v == 999 || v == -9999))) continue;
        warn.write("(t2,'*** warning: line ',a8,i6,' holds values after its end marker: not read')",
                   padded(d.id, 8), d.year);
        return;
    }
}

// A line that cannot be read as a data line is a text line. When it reads as
// one once its unreadable value fields are blanked (its year and at least one
// value are numbers), it is a data line spoiled by a stray character, and the
// values of its decade are lost: the listing says so.
void warn_if_spoiled_data_line(OutFile& warn, const std::string& line, bool index) {
    std::string mended = line;
    const int fields = index ? 20 : 10;
    int numbers = 0;
    for (int k = 0; k < fields; ++k) {
        const size_t at = index ? 10 + 7 * (k / 2) + (k % 2 ? 4 : 0) : 12 + 6 * k;
        const size_t width = index ? (k % 2 ? 3 : 4) : 6;
        const std::string_view field = std::string_view(mended).substr(at, width);
        if (is_blank(field)) continue;
        try {
            read_values(index ? (k % 2 ? "(i3)" : "(i4)") : "(i6)", field);
            ++numbers;
        } catch (const ReadError&) {
            mended.replace(at, width, width, ' ');
        }
    }
    DataLine d;
    if (numbers > 0 && mended != line && (index ? parse_index(mended, d) : parse_ring_width(mended, d)))
        warn.write("(t2,'*** warning: line ',a8,i6,' cannot be read as a data line: taken as text')",
                   padded(d.id, 8), d.year);
}

// A line whose year field is blank is passed over. When it holds numbers in
// its value fields it is a data line that lost its year, and its values are
// lost with it.
void warn_if_values_without_year(OutFile& warn, const std::string& line, bool index) {
    DataLine d;
    if (!(index ? parse_index(line, d) : parse_ring_width(line, d))) return;
    const int fields = index ? 20 : 10;
    const int step = index ? 2 : 1;
    for (int k = 0; k < fields; k += step) {
        if (!d.blank[k]) {
            warn.write("(t2,'*** warning: line ',a8,' holds values but no year: not read')", padded(line, 8));
            return;
        }
    }
}

}  // namespace

void trrw(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
          int& series_counter, TextIn& in, OutFile* listing, std::string_view mode, std::string& title,
          std::array<std::string, 3>& hdrlin) {
    if (series_counter < 0) series_counter = 0;
    ++series_counter;
    if (series_counter == 1)
        for (auto& h : hdrlin) h = std::string(85, ' ');
    count = 0;
    int ntext = 0, ndata = 0;
    const bool index = same_letters(mode, "ir");
    const bool store_depths = index && padded(id, 6) != "******";
    const size_t ld = values.size();

    std::string series_id;  // identifier of the first data line, as read
    int next_year = 0;      // year the next line of the series should carry
    OutFile& warn = streams().luout;

    for (;;) {
        auto raw = in.read_line();
        if (!raw) {
            if (ndata > 0)
                warn.write("(t2,'*** warning: series ',a8,' ends without an end marker:',i6,' values not read')",
                           padded(series_id, 8), count);
            count = -999;
            series_counter = -999;
            return;
        }
        std::string line = padded(*raw, 80);

        if (count == 0 && line[79] == '#') {
            in.backspace();
            std::string buffer = line;
            bool no_header = false;
            datar(buffer, count, values, first_year, in, &no_header);
            if (no_header) {
                // No header line followed the "#" line: every line after it
                // was passed over in search of one.
                warn.write("(t2,'*** warning: line ',a8,' has ''#'' in column 80 but no header follows:',"
                           "' the rest of the file is not read')",
                           padded(line, 8));
                series_counter = -999;
                return;
            }
            id = padded(buffer, 8);
            if (listing) listing->write("(/t10,'title of data:  ',a/)", buffer);
            return;
        }

        DataLine d;
        bool data = false;
        if (index) {
            if (is_blank(std::string_view(line).substr(6, 4))) {
                warn_if_values_without_year(warn, line, true);
                continue;
            }
            data = parse_index(line, d);
        } else {
            if (is_blank(std::string_view(line).substr(8, 4))) {
                warn_if_values_without_year(warn, line, false);
                continue;
            }
            data = parse_ring_width(line, d);
        }

        if (!data) {
            warn_if_spoiled_data_line(warn, line, index);
            ++ntext;
            if (ntext > max_text_lines) {
                con().line("sbr trrw:  over 25 text lines");
                throw Stop("", exit_failure);
            }
            if (ntext == 1) {
                if (listing) listing->write("(/t10,'title of data:'/1x,a)", line);
                con().write("(/1x,'title of data:'/1x,a)", line);
                title = line;
            } else {
                if (listing) listing->write("(1x,a)", line);
                con().write("(1x,a)", line);
            }
            if (ntext <= 3) hdrlin[ntext - 1].replace(0, 80, line);
            continue;
        }

        ++ndata;
        int slots = 10;
        if (ndata == 1) {
            id = padded(d.id, 8);
            series_id = d.id;
            first_year = d.year;
            slots = 10 - mod10(d.year);
        } else if (!same_identifier(d.id, series_id) || d.year != next_year) {
            // A line that does not continue the series usually means a lost end
            // marker: the values are still taken, but the user must know.
            warn.write("(t2,'*** warning: line ',a8,i6,' does not follow on from series ',a8,' at year',i6)",
                       padded(d.id, 8), d.year, padded(series_id, 8), next_year);
        }
        next_year = d.year + slots;

        const int first_slot = index ? 10 - slots : 0;
        const int last_slot = index ? 10 : slots;
        if (const int empty = empty_fields(d, first_slot, last_slot, index); empty > 0)
            warn.write("(t2,'*** warning: line ',a8,i6,' has',i3,' empty value fields: taken as missing values')",
                       padded(d.id, 8), d.year, empty);

        if (!index) {
            for (int k = 0; k < slots; ++k) {
                long long v = d.blank[k] ? empty_field : d.field[k];
                if (v == -9999 || v == 999) warn_if_values_after_marker(warn, d, k + 1, false);
                if (v == -9999) {
                    // The series was in thousandths of a millimetre.
                    size_t stored = std::min(ld, static_cast<size_t>(count));
                    for (size_t i = 0; i < stored; ++i) values[i] *= 0.1f;
                    return;
                }
                if (v == 999) return;
                if (static_cast<size_t>(count) < ld) values[count] = static_cast<float>(v) * 0.01f;
                ++count;
            }
            // Only a first line can end its decade before column 72; fields
            // past it belong to no year of the series.
            for (int k = slots; k < 10; ++k) {
                if (!is_blank(std::string_view(line).substr(12 + 6 * k, 6))) {
                    warn_outside(warn, d);
                    break;
                }
            }
        } else {
            for (int k = 0; k < 10 - slots; ++k) {
                if (!is_blank(std::string_view(line).substr(10 + 7 * k, 4)) && d.field[2 * k] < 9990) {
                    warn_outside(warn, d);
                    break;
                }
            }
            for (int k = 10 - slots; k < 10; ++k) {
                long long v = d.blank[2 * k] ? empty_field : d.field[2 * k];
                if (v >= 9990) {
                    warn_if_values_after_marker(warn, d, k + 1, true);
                    return;
                }
                if (static_cast<size_t>(count) < ld) {
                    values[count] = static_cast<float>(v) * 0.001f;
                    if (store_depths && static_cast<size_t>(count) < depths.size())
                        depths[count] = static_cast<int>(d.field[2 * k + 1]);
                }
                ++count;
            }
        }
    }
}

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
                   padded(line, 8), empty);
    if (too_large > 0)
        warn.write("(t2,'*** warning: series ',a8,' has',i6,' values too large to work with: taken as missing values')",
                   padded(line, 8), too_large);
}

void trrw(std::string_view id, int first_year, int count, std::span<const float> values,
          std::span<const int> depths, OutFile& out, std::string_view mode, std::string_view tag) {
    if (count < 1) return;
    const std::string tag3 = padded(tag, 3);
    const std::string id8 = padded(id, 8);
    const size_t n = static_cast<size_t>(count);

    if (same_letters(mode, "mw")) {
        int year = first_year;
        int slots = 10 - mod10(year);
        size_t i = 0;
        bool finished = false;
        std::vector<long long> f;
        while (!finished) {
            f.clear();
            for (int s = 0; s < slots; ++s) {
                if (i >= n) {
                    f.push_back(-9999);
                    finished = true;
                    break;
                }
                long long iv = nint(values[i++] * 1000.0f);
                if (iv == 999) iv = 1000;  // a field of 999 would read back as the end marker
                f.push_back(iv);
            }
            const bool full = f.size() == 10;
            if (year >= -999) {
                if (full)
                    out.write("(a8,i4,10i6,t75,a)", id8, year, f, tag3);
                else
                    out.write("(a8,i4,10i6)", id8, year, f);
            } else if (year >= -9999) {
                if (full)
                    out.write("(a7,i5,10i6,t75,a)", id8, year, f, tag3);
                else
                    out.write("(a7,i5,10i6)", id8, year, f);
            } else {
                if (full)
                    out.write("(a6,i6,10i6,t75,a)", id8, year, f, tag3);
                else
                    out.write("(a6,i6,10i6)", id8, year, f);
            }
            year += slots;
            slots = 10;
        }
        return;
    }

    const bool cru = same_letters(mode, "cr");
    if (!cru && !same_letters(mode, "iw")) return;
    if (cru) {
        int last = first_year + count - 1;
        if (first_year < -999 || last < -999)
            out.write("(a6,2i5)", id8, first_year, last);
        else
            out.write("(a6,2i4)", id8, first_year, last);
    }
    const bool depth_one = depths.empty() || depths[0] < 1;
    int too_large = 0, deep = 0;
    size_t i = 0;
    int slot0 = mod10(first_year);
    int year_field = first_year;
    int decade = first_year - mod10(first_year);
    long long pair[20];
    for (;;) {
        if (cru && i >= n) break;
        for (int k = 0; k < 10; ++k) {
            pair[2 * k] = 9990;
            pair[2 * k + 1] = 0;
        }
        bool used_up = false;
        for (int k = slot0; k < 10; ++k) {
            if (i >= n) {
                used_up = true;
                break;
            }
            long long iv = nint(values[i] * 1000.0f);
            // A value that would print as the end marker, or not fit its four
            // columns, would end or break the series when read back.
            if (iv >= 9990 || iv < -999) {
                iv = 9989;
                ++too_large;
            }
            long long dp = depth_one ? 1 : (i < depths.size() ? depths[i] : 1);
            if (dp > 999) {
                dp = 999;
                ++deep;
            }
            pair[2 * k] = iv;
            pair[2 * k + 1] = dp;
            ++i;
        }
        std::span<const long long> pairs(pair, 20);
        if (year_field >= -999)
            out.write("(a6,i4,10(i4,i3),2x,a)", id8, year_field, pairs, tag3);
        else if (year_field >= -9999)
            out.write("(a5,i5,10(i4,i3),2x,a)", id8, year_field, pairs, tag3);
        else
            out.write("(a4,i6,10(i4,i3),2x,a)", id8, year_field, pairs, tag3);
        if (used_up) break;
        slot0 = 0;
        decade += 10;
        year_field = decade;
    }
    OutFile& warn = streams().luout;
    if (too_large > 0)
        warn.write("(t2,'*** warning: ',a6,':',i6,' index values too large for the index layout written as 9989')",
                   id8, too_large);
    if (deep > 0)
        warn.write("(t2,'*** warning: ',a6,':',i6,' sample depths above 999 written as 999')", id8, deep);
}

}  // namespace kov
