// The ways writers lay out the lines of a Tucson file, applied to files built
// from clean values. Each file is read as a user reads it, and every series
// must come back under its identifier with every value at its year and scale
// (and, in an index file, with its sample depth), with no warning but those a
// layout gets by design: a rule for one layout that misreads another fails
// here, whether or not a case elsewhere names that layout, and so does a
// family whose rule is taken out though its values come out right another
// way. Besides the layouts of the identifier and year, the families below
// vary what else writers do to such files: a byte-order mark, a tab or blanks
// after the last field, where the end marker stands, left-justified values,
// identifiers right-justified in NULs, short and early series, segments of one
// core, and index files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson.hpp"
#include "series/tucson_read.hpp"
#include "shared/capacities.hpp"

using namespace kov;

namespace {

// A series as the file means it.
struct Clean {
    std::string id;
    int first;
    std::vector<int> values;  // the integers of the file
    std::vector<int> depths;  // index files: the sample depth of each value
};

// Identifiers of 1 to 8 characters with letters of 1, 2, 3 and 4 bytes. The
// series of one file differ in their last letter, which keeps its length in
// bytes, so that a writer that pads to 8 bytes pads them alike.
const std::vector<std::string> identifiers = {
    "A", "ab", "AB12", "\u0416\u0414123", "EX101A", "EX101AB", "EX101ABC", "\u00c1\u00e489-1", "\u0411\u0433\u04344", "\u20ac\u20ac4",
    "EX\u00e9101A", "\u0416\u0414\u042f\u03bb", "\U00010400b12", "\u4e2d\u6587AB", "\U00010400\U00010401",
};

std::string letter_of_length(size_t bytes, int k) {
    static const char* const by_length[5][4] = {{}, {"X", "Y", "Z", "W"}, {"\u03bb", "\u03bc", "\u03bd", "\u03be"},
                                                {"\u20ac", "\u20a4", "\u20a5", "\u20a6"},
                                                {"\U00010400", "\U00010401", "\U00010402", "\U00010403"}};
    return by_length[bytes][k];
}

// Identifier k of a file: the last letter of `id` changed; with `keep_kind`
// a last digit becomes another digit (B7, B8, B9).
std::string variant(const std::string& id, int k, bool keep_kind = false) {
    if (keep_kind && id.back() >= '0' && id.back() <= '9') return id.substr(0, id.size() - 1) + "7890"[k];
    size_t last = id.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(id[last]) & 0xC0) == 0x80) --last;
    return id.substr(0, last) + letter_of_length(id.size() - last, k);
}

size_t characters(const std::string& s) { return column_count(s); }

// The year field of a line: 4 columns, or as many as a year below -999 takes.
std::string year_text(int y) {
    std::string s = std::to_string(y);
    return s.size() >= 4 ? s : std::string(4 - s.size(), ' ') + s;
}

// An integer in a field of `width` columns, right- or left-justified.
std::string justified(long long v, size_t width, bool left = false) {
    const std::string s = std::to_string(v);
    const std::string pad(width > s.size() ? width - s.size() : 0, ' ');
    return left ? s + pad : pad + s;
}

// `id` padded with `pad` to `cols` columns counted in characters or in bytes;
// nothing when it does not fit.
std::string padded_id(const std::string& id, size_t cols, bool by_bytes, char pad) {
    const size_t used = by_bytes ? id.size() : characters(id);
    return used > cols ? std::string() : id + std::string(cols - used, pad);
}

std::string joined(const std::string& field, const std::string& year) { return field.empty() ? field : field + year; }
std::string behind(const std::string& before, const std::string& head) { return head.empty() ? head : before + head; }

// How a writer puts an identifier and a year in front of the values: each
// returns the first `width` columns of a line (12 in a ring-width file, 10 in
// an index file; the year takes the columns it needs, the identifier the
// rest), or nothing when the writer cannot lay out that identifier or year so.
struct Layout {
    const char* name;
    std::string (*head)(const std::string& id, const std::string& year, size_t width);
    bool by_bytes = false;  // pads the identifier by bytes
    bool index_too = true;  // found in index files as well
    const char* notice = nullptr;  // the warning the reader gives every line so written, by design
};

// The reader names the control bytes it drops in front of a line.
const char* const control_bytes_dropped = "has control characters before its year";

const Layout layouts[] = {
    {"padded by characters",
     [](const std::string& id, const std::string& y, size_t w) {
         return joined(padded_id(id, w - y.size(), false, ' '), y);
     }},
    {"padded to its field's bytes with blanks",
     [](const std::string& id, const std::string& y, size_t w) {
         return joined(padded_id(id, w - y.size(), true, ' '), y);
     },
     true},
    {"a field of bytes padded with NULs",
     [](const std::string& id, const std::string& y, size_t w) {
         return joined(padded_id(id, w - y.size(), true, '\0'), y);
     },
     true},
    {"a NUL before the line",
     [](const std::string& id, const std::string& y, size_t w) {
         return behind(std::string(1, '\0'), joined(padded_id(id, w - y.size(), false, ' '), y));
     },
     false, true, control_bytes_dropped},
    {"two NULs before the line",
     [](const std::string& id, const std::string& y, size_t w) {
         return behind(std::string(2, '\0'), joined(padded_id(id, w - y.size(), false, ' '), y));
     },
     false, true, control_bytes_dropped},
    {"a NUL, a SOH and a NUL before the line",
     [](const std::string& id, const std::string& y, size_t w) {
         return behind(std::string("\0\x01\0", 3), joined(padded_id(id, w - y.size(), false, ' '), y));
     },
     false, true, control_bytes_dropped},
    // An editor's tab stops at column 9: the year of four columns must follow it.
    {"an editor's tab to column 9",
     [](const std::string& id, const std::string& y, size_t w) {
         return w == 12 && y.size() == 4 && characters(id) <= 7 ? id + "\t" + y : std::string();
     },
     false, false},
    {"a tab of one column, blanks to column 8",
     [](const std::string& id, const std::string& y, size_t w) {
         return w == 12 && y.size() == 4 && characters(id) <= 7 ? id + "\t" + std::string(7 - characters(id), ' ') + y
                                                                 : std::string();
     },
     false, false},
};

// An identifier given right-justified with blanks ("      AB"), written with
// NULs in place of the blanks.
const Layout right_justified_in_nuls = {
    "right-justified in a field of NULs", [](const std::string& id, const std::string& y, size_t w) {
        std::string f = id;
        for (char& ch : f) {
            if (ch != ' ') break;
            ch = '\0';
        }
        return f.size() + y.size() == w ? f + y : std::string();
    }};

// Values of 1, 2, 3 or 4 digits (0: of every width in turn); never 999, which
// would end a series in hundredths.
int clean_value(int digits, int series, int i) {
    static const int lo[] = {1, 10, 100, 1000}, span[] = {9, 90, 899, 8999};
    const int d = digits > 0 ? digits : 1 + (i + series) % 4;
    const int v = lo[d - 1] + (i * 37 + series * 11) % span[d - 1];
    return v == 999 ? 998 : v;
}

// Index values stay below 9990, which ends an index series; sample depths
// take 1, 2 and 3 digits in turn.
int index_value(int digits, int series, int i) { return std::min(clean_value(digits, series, i), 9989); }
int sample_depth(int series, int i) {
    static const int lo[] = {1, 10, 100}, span[] = {9, 90, 900};
    const int d = (i + 2 * series) % 3;
    return lo[d] + (i * 13 + series * 7) % span[d];
}

// The first years and lengths of the series of a file.
struct Shape {
    const char* name;
    std::vector<std::pair<int, int>> spans;
    bool one_line_each = false;  // every series on one line
};

const Shape decades{"several decades", {{1807, 37}, {1790, 26}, {1851, 19}}};  // the last ends with its decade
const Shape lines{"one line each", {{1835, 4}, {1841, 7}, {1852, 1}}, true};
const Shape both{"several decades and one line", {{1835, 4}, {1807, 37}, {1852, 1}}};
const Shape rings{"one ring each", {{1835, 1}, {1849, 1}, {1850, 1}}, true};
const Shape same_years{"one line each, in the same years", {{1835, 4}, {1835, 4}, {1835, 4}}, true};
const Shape rings_in_one_year{"one ring each, in one year", {{1860, 1}, {1860, 1}, {1860, 1}}, true};
const Shape full_last{"last lines full", {{1807, 33}, {1850, 10}, {1790, 40}}};
const Shape short_last{"last lines short", {{1807, 37}, {1876, 5}, {1835, 4}}};
const Shape early{"years below 1000 and zero", {{850, 23}, {5, 12}, {-5, 8}, {-999, 15}}};
const Shape five_columns{"years of five columns", {{-1005, 20}, {-2999, 22}, {-9999, 4}}};
const Shape six_columns{"years of six columns", {{-10003, 14}, {-12345, 3}, {-10010, 11}}};

std::vector<Clean> clean_series(const std::string& id, const Shape& shape, int digits, bool index = false,
                                bool keep_kind = false) {
    std::vector<Clean> out;
    for (int k = 0; k < static_cast<int>(shape.spans.size()); ++k) {
        Clean c{variant(id, k, keep_kind), shape.spans[k].first, {}, {}};
        for (int i = 0; i < shape.spans[k].second; ++i) {
            c.values.push_back(index ? index_value(digits, k, i) : clean_value(digits, k, i));
            if (index) c.depths.push_back(sample_depth(k, i));
        }
        out.push_back(std::move(c));
    }
    return out;
}

// What else a writer does to the lines of a ring-width series.
struct Style {
    enum class End {
        next_field,         // the marker in the field after the last value, or alone on a line of the next decade
        eleventh_field,     // after a full last line of ten values, in columns 73-78
        alone_after_short,  // after a short last line, alone on a line of the year after the last value
    } end = End::next_field;
    bool left_justified = false;  // every value at the left of its field
    std::string after;            // after the last field of every line
};

Style ending(Style::End end) {
    Style s;
    s.end = end;
    return s;
}
Style after_the_last_field(const char* after) {
    Style s;
    s.after = after;
    return s;
}
Style left_justified() {
    Style s;
    s.left_justified = true;
    return s;
}

// The lines of one series: decade lines of 6-column fields and the end
// marker; nothing when the layout cannot lay out one of them.
std::string lines_of(const Clean& c, const Layout& layout, int marker, const Style& style = {}) {
    std::string text;
    bool laid_out = true;
    auto line = [&](int year, const std::vector<int>& fields) {
        std::string s = layout.head(c.id, year_text(year), 12);
        laid_out = laid_out && !s.empty();
        for (int f : fields) s += justified(f, 6, style.left_justified);
        text += s + style.after + "\n";
    };
    int year = c.first;
    size_t i = 0;
    for (;;) {
        const size_t slots = 10 - mod10(year);
        std::vector<int> fields;
        for (; fields.size() < slots && i < c.values.size(); ++i) fields.push_back(c.values[i]);
        if (i < c.values.size()) {
            line(year, fields);
            year += static_cast<int>(slots);
            continue;
        }
        if (fields.size() < slots && style.end == Style::End::alone_after_short) {
            line(year, fields);
            line(year + static_cast<int>(fields.size()), {marker});
        } else if (fields.size() < slots || (fields.size() == 10 && style.end == Style::End::eleventh_field)) {
            fields.push_back(marker);
            line(year, fields);
        } else {
            line(year, fields);
            line(year + static_cast<int>(slots), {marker});
        }
        return laid_out ? text : std::string();
    }
}

// The lines of one index series as the index layout has them: the year of
// the first value, then of each decade; pairs of value and depth at the
// slots of their years, 9990 with depth 0 around them. `one_pair_ends`: the
// last line stops at the 9990 after the last value (a line of one 9990 when
// the last value ends its decade), as some writers leave it.
std::string index_lines(const Clean& c, const Layout& layout, bool one_pair_ends, const std::string& after = "") {
    std::string text;
    int year = c.first;
    size_t i = 0;
    for (int slot = mod10(year);; slot = 0) {
        std::string line = layout.head(c.id, year_text(year), 10);
        if (line.empty()) return line;
        auto pair = [&](int v, int d) { line += justified(v, 4) + justified(d, 3); };
        for (int k = 0; k < slot; ++k) pair(9990, 0);
        int k = slot;
        for (; k < 10 && i < c.values.size(); ++k, ++i) pair(c.values[i], c.depths[i]);
        const bool used_up = k < 10;
        if (used_up)
            for (int end = one_pair_ends ? k + 1 : 10; k < end; ++k) pair(9990, 0);
        text += line + after + "\n";
        if (used_up) return text;
        year += 10 - mod10(year);
        if (i == c.values.size() && one_pair_ends) {
            // The last value ended its decade: one pair of the next ends the series.
            std::string end = layout.head(c.id, year_text(year), 10);
            return end.empty() ? end : text + end + justified(9990, 4) + justified(0, 3) + after + "\n";
        }
    }
}

// A series as the reader must give it.
struct Want {
    std::string id;  // in 8 columns
    int first;
    std::vector<double> values;
    std::vector<int> depths;  // index files; empty: not checked
};

std::vector<Want> ring_widths(const std::vector<Clean>& series, int marker) {
    std::vector<Want> out;
    const double scale = marker == 999 ? 0.01 : 0.001;
    for (const Clean& c : series) {
        Want w{in_columns(c.id, 8), c.first, {}, {}};
        for (int v : c.values) w.values.push_back(v * scale);
        out.push_back(std::move(w));
    }
    return out;
}

// The identifier an index file keeps of one of `identifiers`: 6 columns.
std::string index_id(const std::string& id) {
    const std::string six = in_columns(id, 6);
    return six.substr(0, six.find_last_not_of(' ') + 1);
}

std::vector<Want> indices(const std::vector<Clean>& series) {
    std::vector<Want> out;
    for (const Clean& c : series) {
        Want w{in_columns(c.id, 6) + "  ", c.first, {}, c.depths};
        for (int v : c.values) w.values.push_back(v * 0.001);
        out.push_back(std::move(w));
    }
    return out;
}

std::string shown(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto u = static_cast<unsigned char>(ch);
        if (text.compare(i, 3, "\xEF\xBB\xBF") == 0) {
            out += "<BOM>";
            i += 2;
        } else if (ch == '\t') out += "<tab>";
        else if (u < 0x20 && ch != '\n') out += "<" + std::to_string(u) + ">";
        else out += ch;
    }
    return out;
}

// Reads `text` in `mode` series by series as a user's file; returns the
// first thing it gives that `want` does not say, and every series it gave,
// or nothing when it reads as meant.
std::string misread(kovtest::ListingFixture& lf, const std::string& text, const std::vector<Want>& want,
                    const char* mode) {
    kovtest::ScriptedConsole quiet("");  // the title lines a reader echoes
    TextIn in;
    lf.open_text(in, text);
    TucsonFile file;
    int counter = 0;
    std::string title(80, ' ');
    std::array<std::string, 3> hdr{std::string(85, ' '), std::string(85, ' '), std::string(85, ' ')};
    std::vector<float> v(mxy);
    std::vector<int> d(mxy);
    std::string problem, read;
    for (size_t k = 0; k <= want.size() + 2; ++k) {
        std::string got_id(8, ' ');
        int first = 0, count = 0;
        trrw(got_id, first, count, v, d, counter, in, nullptr, mode, title, hdr, file);
        if (count == -999) {
            if (problem.empty() && k < want.size()) problem = "the file ends after " + std::to_string(k) + " series";
            break;
        }
        read += (read.empty() ? "'" : ", '") + got_id + "' " + std::to_string(first) + " " + std::to_string(count);
        if (!problem.empty()) continue;
        if (k == want.size()) {
            problem = "a series more than the file holds";
            continue;
        }
        const Want& w = want[k];
        if (got_id != w.id || first != w.first || count != static_cast<int>(w.values.size())) {
            problem = "series " + std::to_string(k) + " is not '" + w.id + "' " + std::to_string(w.first) + " " +
                      std::to_string(w.values.size());
            continue;
        }
        for (size_t i = 0; i < w.values.size() && problem.empty(); ++i) {
            if (std::fabs(v[i] - w.values[i]) > 1e-6 * std::max(1.0, w.values[i]))
                problem = "series " + std::to_string(k) + " value " + std::to_string(i) + " is " +
                          std::to_string(v[i]) + " for " + std::to_string(w.values[i]);
            else if (!w.depths.empty() && d[i] != w.depths[i])
                problem = "series " + std::to_string(k) + " depth " + std::to_string(i) + " is " +
                          std::to_string(d[i]) + " for " + std::to_string(w.depths[i]);
        }
    }
    return problem.empty() ? problem : problem + "; read: " + (read.empty() ? "nothing" : read);
}

// The files of one family: how many read wrong, by the variant that built
// them, with the first of them shown (one per variant, up to `examples`).
// `once`: a file that two variants build alike (an identifier of ASCII
// letters padded by characters or by bytes) is read once.
class Tally {
public:
    explicit Tally(int examples = 2, bool once = true) : examples_(examples), once_(once) {}

    // `notices`: warnings the file gets by design (a part of a line of each
    // that is dropped, a series that shares its identifier on purpose).
    void check(const std::string& variant, const std::string& about, const std::string& text,
               const std::vector<Want>& want, const char* mode = "mr", std::vector<const char*> notices = {}) {
        if (once_ && !seen_.insert(text).second) return;
        ++files_;
        auto& [failed, of] = by_variant_[variant];
        ++of;
        kovtest::ListingFixture lf;
        const std::string problem = misread(lf, text, want, mode);
        // Clean values in a clean layout give the reader nothing to warn of: a
        // warning means a rule did not hold, even when the values came out
        // right another way.
        std::string warnings;
        for (const std::string& line : kovtest::split_lines(lf.listing())) {
            const auto by_design = [&](const char* n) { return n && line.find(n) != std::string::npos; };
            if (line.find("*** warning") != std::string::npos && std::none_of(notices.begin(), notices.end(), by_design))
                warnings += "\n  " + line;
        }
        if (problem.empty() && warnings.empty()) return;
        ++failed_;
        if (++failed == 1 && shown_ < examples_) {
            ++shown_;
            ADD_FAILURE() << variant << ", " << about << ": " << (problem.empty() ? "read as meant" : problem)
                          << (warnings.empty() ? "" : ", with warnings:" + warnings) << "\n"
                          << shown(text) << lf.listing();
        }
    }

    // Every file read as meant; at least `at_least` files made.
    void expect_all_read(int at_least) const {
        std::string where;
        for (const auto& [variant, count] : by_variant_)
            if (count.first > 0)
                where += "\n  " + variant + ": " + std::to_string(count.first) + " of " + std::to_string(count.second);
        EXPECT_EQ(failed_, 0) << "of " << files_ << " files" << where;
        EXPECT_GE(files_, at_least);
    }

private:
    int examples_;
    bool once_;
    int shown_ = 0, files_ = 0, failed_ = 0;
    std::map<std::string, std::pair<int, int>> by_variant_;
    std::set<std::string> seen_;
};

std::string about(const std::string& id, int digits, int marker) {
    return "'" + shown(id) + "', values of " + std::to_string(digits) + " digits, marker " + std::to_string(marker);
}

// A family of files: every identifier in every layout that can write it, with
// the family's shapes, value widths and style, in both units.
struct Family {
    const char* name;
    std::vector<const Shape*> shapes;
    std::vector<int> digits;
    Style style;
    std::string before;            // before the first line
    bool right_justified = false;  // identifiers right-justified in NULs
    int at_least;
};

// ASCII identifiers short enough for NULs in front of them; the series of a
// file differ in their last letter or digit.
const std::vector<std::string> short_ascii = {"A", "ab", "B7", "AB12", "EX101A", "EX101AB"};

const Family families[] = {
    {"ByteOrderMark", {&decades, &lines}, {0}, {}, "\xEF\xBB\xBF", false, 400},
    {"TabAfterTheLastField", {&decades, &lines}, {0}, after_the_last_field("\t"), "", false, 400},
    {"BlanksAfterTheLastField", {&decades, &lines}, {0}, after_the_last_field("   "), "", false, 400},
    {"EndMarkerInAnEleventhField", {&full_last}, {0, 4}, ending(Style::End::eleventh_field), "", false, 400},
    {"EndMarkerAloneAfterAShortLine", {&short_last, &lines}, {0}, ending(Style::End::alone_after_short), "", false,
     400},
    {"IdentifiersRightJustifiedInNuls",
     {&decades, &lines, &both, &rings, &same_years, &rings_in_one_year},
     {0, 1, 2, 3, 4},
     {},
     "",
     true,
     300},
    {"OneRingSeries", {&rings, &rings_in_one_year}, {0, 4}, {}, "", false, 800},
    {"YearsBelowAThousandAndBelowZero", {&early, &five_columns, &six_columns}, {0}, {}, "", false, 400},
    {"LeftJustifiedValues", {&decades, &both}, {0, 1, 4}, left_justified(), "", false, 1200},
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

class TucsonLayoutFamily : public testing::TestWithParam<Family> {};

}  // namespace

TEST(TucsonLayouts, EveryWriterLayoutReadsBackItsCleanValues) {
    Tally tally(5, false);
    for (const std::string& id : identifiers) {
        for (const Layout& layout : layouts) {
            for (int digits = 0; digits <= 4; ++digits) {
                for (const Shape* shape : {&decades, &lines, &both}) {
                    for (int marker : {999, -9999}) {
                        const std::vector<Clean> series = clean_series(id, *shape, digits);
                        std::string text;
                        for (const Clean& c : series) text += lines_of(c, layout, marker);
                        if (text.empty()) break;
                        tally.check(layout.name, std::string(shape->name) + ", " + about(id, digits, marker), text,
                                    ring_widths(series, marker), "mr", {layout.notice});
                    }
                }
            }
        }
    }
    tally.expect_all_read(2000);
}

TEST_P(TucsonLayoutFamily, ReadsBackItsCleanValues) {
    const Family& f = GetParam();
    Tally tally;
    std::vector<std::string> ids;
    for (const std::string& id : f.right_justified ? short_ascii : identifiers)
        ids.push_back(f.right_justified ? std::string(8 - id.size(), ' ') + id : id);
    std::vector<const Layout*> written_so;
    if (f.right_justified) written_so.push_back(&right_justified_in_nuls);
    else
        for (const Layout& layout : layouts) written_so.push_back(&layout);
    for (const std::string& id : ids) {
        for (const Layout* layout : written_so) {
            for (int digits : f.digits) {
                for (const Shape* shape : f.shapes) {
                    for (int marker : {999, -9999}) {
                        const std::vector<Clean> series = clean_series(id, *shape, digits, false, f.right_justified);
                        std::string text;
                        bool laid_out = true;
                        for (const Clean& c : series) {
                            const std::string l = lines_of(c, *layout, marker, f.style);
                            laid_out = laid_out && !l.empty();
                            text += l;
                        }
                        if (!laid_out) continue;
                        tally.check(std::string(layout->name) + ", " + shape->name, about(id, digits, marker),
                                    f.before + text, ring_widths(series, marker), "mr", {layout->notice});
                    }
                }
            }
        }
    }
    tally.expect_all_read(f.at_least);
}

INSTANTIATE_TEST_SUITE_P(TucsonLayouts, TucsonLayoutFamily, testing::ValuesIn(families),
                         [](const testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

// A tab after 7 characters reaches column 9 both as written and at its tab
// stop: such lines say nothing of how the tab after a shorter identifier of
// the same file is meant, and must not sway it.
TEST(TucsonLayouts, IdentifiersOfOneAndSevenCharactersWithTabsInOneFile) {
    Tally tally;
    const std::vector<std::string> shorter = {"A", "ab", "AB12", "\u0416\u0414123", "EX101A"};
    const std::vector<std::string> seven = {"EX101AB", "EX\u00e9101A"};
    const Layout& editors_tab = layouts[6];
    const Layout& tab_then_blanks = layouts[7];
    for (const std::string& s : shorter) {
        for (const std::string& l : seven) {
            for (const Layout* short_layout : {&editors_tab, &tab_then_blanks}) {
                for (bool seven_first : {true, false}) {
                    for (const Shape* shape : {&decades, &lines, &both, &rings}) {
                        for (int marker : {999, -9999}) {
                            // The 7-character identifier first or between two of the shorter one.
                            std::vector<Clean> series = clean_series(s, *shape, 0);
                            const std::vector<Clean> sevens = clean_series(l, *shape, 0);
                            series[seven_first ? 0 : 1] = sevens[seven_first ? 0 : 1];
                            std::string text;
                            for (const Clean& c : series)
                                text += lines_of(c, characters(c.id) == 7 ? editors_tab : *short_layout, marker);
                            tally.check(std::string(short_layout->name) + ", " + shape->name +
                                            (seven_first ? ", 7 characters first" : ", 7 characters between"),
                                        s + " and " + l + ", marker " + std::to_string(marker), text,
                                        ring_widths(series, marker));
                        }
                    }
                }
            }
        }
    }
    tally.expect_all_read(300);
}

// A core measured in two segments that end in the same year: the last line
// of the second segment holds what the last line of the first holds, and is
// its own line, not a copy of that one.
TEST(TucsonLayouts, TwoSegmentsEndingOnTheSameLine) {
    Tally tally;
    for (const std::string& id : identifiers) {
        for (const Layout& layout : layouts) {
            // The segments end in the middle of a decade, or with it (the
            // marker alone on the same line of the next decade).
            for (int last : {1991, 1989}) {
                for (int marker : {999, -9999}) {
                    Clean one{id, 1985, {}, {}}, two{id, 1975, {}, {}};
                    for (int y = one.first; y <= last; ++y) one.values.push_back(clean_value(0, 0, y - one.first));
                    for (int y = two.first; y <= last; ++y)
                        two.values.push_back(y >= 1990 ? one.values[y - one.first] : clean_value(0, 1, y - two.first));
                    const std::string text = lines_of(one, layout, marker) + lines_of(two, layout, marker);
                    if (text.empty()) break;
                    // the second segment is named as a series of an identifier read before
                    tally.check(std::string(layout.name) + ", ending in " + std::to_string(last),
                                about(id, 0, marker), text, ring_widths({one, two}, marker), "mr",
                                {layout.notice, "has the identifier of a series read before"});
                }
            }
        }
    }
    tally.expect_all_read(400);
}

// Index files as the index writer writes them: every series must read back
// with its values and sample depths.
TEST(TucsonLayouts, IndexFilesAsTheWriterWritesThem) {
    Tally tally;
    for (const std::string& full_id : identifiers) {
        const std::string id = index_id(full_id);
        for (const Shape* shape : {&decades, &lines, &rings, &early, &five_columns, &six_columns}) {
            // The year forms below -999 leave the identifier 5 or 4 columns.
            const int earliest = std::min_element(shape->spans.begin(), shape->spans.end())->first;
            const size_t room = 10 - year_text(earliest).size();
            if (characters(id) > room) continue;
            for (int digits = 0; digits <= 4; ++digits) {
                const std::vector<Clean> series = clean_series(id, *shape, digits, true);
                kovtest::ListingFixture lf;
                const std::string name = (lf.dir() / "index.txt").string();
                OutFile out;
                ASSERT_TRUE(out.open_fresh(name));
                for (const Clean& c : series) {
                    std::vector<float> values;
                    for (int v : c.values) values.push_back(static_cast<float>(v) * 0.001f);
                    trrw(c.id, c.first, static_cast<int>(values.size()), values, c.depths, out, "iw", "ind");
                }
                out.close();
                tally.check(shape->name, id + ", values of " + std::to_string(digits) + " digits",
                            lf.dir().read("index.txt"), indices(series), "ir");
            }
        }
    }
    tally.expect_all_read(300);
}

// Index files of clean lines in every layout of an identifier that index
// files meet, with the pairs after the last value all 9990 or only the first;
// also with a byte-order mark, or a tab after the last pair of every line.
TEST(TucsonLayouts, IndexFilesOfCleanLines) {
    Tally tally;
    struct Habit {
        const char* name;
        std::string before, after;
        std::vector<const Shape*> shapes;
    };
    const Habit habits[] = {
        {"", "", "", {&decades, &lines, &rings, &early, &five_columns}},
        {", a byte-order mark", "\xEF\xBB\xBF", "", {&decades, &lines}},
        {", a tab after the last pair", "", "\t", {&decades, &lines}},
    };
    for (const Habit& habit : habits) {
        for (const std::string& full_id : identifiers) {
            const std::string id = index_id(full_id);
            for (const Layout& layout : layouts) {
                if (!layout.index_too) continue;
                for (const Shape* shape : habit.shapes) {
                    for (bool one_pair_ends : {false, true}) {
                        const std::vector<Clean> series = clean_series(id, *shape, 0, true);
                        std::string text;
                        bool laid_out = true;
                        for (const Clean& c : series) {
                            const std::string l = index_lines(c, layout, one_pair_ends, habit.after);
                            laid_out = laid_out && !l.empty();
                            text += l;
                        }
                        if (!laid_out) continue;
                        tally.check(std::string(layout.name) +
                                        (one_pair_ends ? ", one 9990 after the last value" : "") + habit.name,
                                    id + ", " + shape->name, habit.before + text, indices(series), "ir",
                                    {layout.notice});
                    }
                }
            }
        }
    }
    tally.expect_all_read(800);
}
