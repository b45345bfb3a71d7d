// The ways writers lay out the lines of a Tucson ring-width file, applied to
// files built from clean values. Each file is read as a user reads it, and
// every series must come back under its identifier with every value at its
// year and scale: a rule for one layout that misreads another fails here,
// whether or not a case elsewhere names that layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson.hpp"
#include "shared/capacities.hpp"

using namespace kov;

namespace {

// A series as the file means it.
struct Clean {
    std::string id;
    int first;
    std::vector<int> values;  // the integers of the file
};

// Identifiers of 1 to 8 characters with letters of 1, 2, 3 and 4 bytes. The
// series of one file differ in their last letter, which keeps its length in
// bytes, so that a writer that pads to 8 bytes pads them alike.
const std::vector<std::string> identifiers = {
    "A", "ab", "AB12", "\u0416\u0414123", "EX101A", "EX101AB", "EX101ABC", "\u00c1\u00e489-1", "\u0411\u0433\u04344", "\u20ac\u20ac4",
    "EX\u00e9101A", "\u0416\u0414\u042f\u03bb", "\U00010400b12", "\u4e2d\u6587AB", "\U00010400\U00010401",
};

std::string letter_of_length(size_t bytes, int k) {
    static const char* const by_length[5][3] = {{}, {"X", "Y", "Z"}, {"\u03bb", "\u03bc", "\u03bd"},
                                                {"\u20ac", "\u20a4", "\u20a5"},
                                                {"\U00010400", "\U00010401", "\U00010402"}};
    return by_length[bytes][k];
}

// Identifier k of a file: the last letter of `id` changed.
std::string variant(const std::string& id, int k) {
    size_t last = id.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(id[last]) & 0xC0) == 0x80) --last;
    return id.substr(0, last) + letter_of_length(id.size() - last, k);
}

size_t characters(const std::string& s) { return column_count(s); }

// How a writer puts an identifier and a year in front of the values: each
// returns the first 12 columns of a line, or nothing when the writer cannot
// lay out that identifier so.
struct Layout {
    const char* name;
    std::string (*head)(const std::string& id, const std::string& year);
};

std::string year4(int y) {
    std::string s = std::to_string(y);
    return std::string(4 - s.size(), ' ') + s;
}

const Layout layouts[] = {
    {"padded by characters", [](const std::string& id, const std::string& y) {
         return id + std::string(8 - characters(id), ' ') + y;
     }},
    {"padded to 8 bytes with blanks", [](const std::string& id, const std::string& y) {
         return id.size() > 8 ? std::string() : id + std::string(8 - id.size(), ' ') + y;
     }},
    {"a field of 8 bytes padded with NULs", [](const std::string& id, const std::string& y) {
         return id.size() > 8 ? std::string() : id + std::string(8 - id.size(), '\0') + y;
     }},
    {"a NUL before the line", [](const std::string& id, const std::string& y) {
         return std::string(1, '\0') + id + std::string(8 - characters(id), ' ') + y;
     }},
    {"two NULs before the line", [](const std::string& id, const std::string& y) {
         return std::string(2, '\0') + id + std::string(8 - characters(id), ' ') + y;
     }},
    {"a NUL, a SOH and a NUL before the line", [](const std::string& id, const std::string& y) {
         return std::string(1, '\0') + "\x01" + std::string(1, '\0') + id + std::string(8 - characters(id), ' ') + y;
     }},
    {"an editor's tab to column 9", [](const std::string& id, const std::string& y) {
         return characters(id) > 7 ? std::string() : id + "\t" + y;
     }},
    {"a tab of one column, blanks to column 8", [](const std::string& id, const std::string& y) {
         return characters(id) > 7 ? std::string() : id + "\t" + std::string(7 - characters(id), ' ') + y;
     }},
};

// Values of 1, 2, 3 or 4 digits (0: of every width in turn); never 999, which
// would end a series in hundredths.
int clean_value(int digits, int series, int i) {
    static const int lo[] = {1, 10, 100, 1000}, span[] = {9, 90, 899, 8999};
    const int d = digits > 0 ? digits : 1 + (i + series) % 4;
    const int v = lo[d - 1] + (i * 37 + series * 11) % span[d - 1];
    return v == 999 ? 998 : v;
}

// The series of a file: several decades each, one line each, or both.
std::vector<Clean> clean_series(const std::string& id, int shape, int digits) {
    struct Span {
        int first, count;
    };
    static const std::vector<Span> spans[] = {
        {{1807, 37}, {1790, 26}, {1851, 19}},  // several decades (the last ends with its decade)
        {{1835, 4}, {1841, 7}, {1852, 1}},     // one line each
        {{1835, 4}, {1807, 37}, {1852, 1}},    // both
    };
    std::vector<Clean> out;
    for (int k = 0; k < 3; ++k) {
        Clean c{variant(id, k), spans[shape][k].first, {}};
        for (int i = 0; i < spans[shape][k].count; ++i) c.values.push_back(clean_value(digits, k, i));
        out.push_back(std::move(c));
    }
    return out;
}

// The lines of one series: decade lines of 6-column fields, the end marker
// after the last value (alone on a line of the next decade when the last
// line is full).
std::string lines_of(const Clean& c, const Layout& layout, int marker) {
    std::string text;
    int year = c.first;
    size_t i = 0;
    for (;;) {
        const int slots = 10 - mod10(year);
        std::string line = layout.head(c.id, year4(year));
        int k = 0;
        for (; k < slots && i < c.values.size(); ++k, ++i) line += fmt("(i6,$)", c.values[i]);
        const bool last = i == c.values.size();
        if (last && k < slots) line += fmt("(i6,$)", marker);
        text += line + "\n";
        if (last && k < slots) return text;
        year += slots;
        if (last) return text + layout.head(c.id, year4(year)) + fmt("(i6,$)", marker) + "\n";
    }
}

std::string shown(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '\t') out += "<tab>";
        else if (u < 0x20 && ch != '\n') out += "<" + std::to_string(u) + ">";
        else out += ch;
    }
    return out;
}

}  // namespace

TEST(TucsonLayouts, EveryWriterLayoutReadsBackItsCleanValues) {
    int cases = 0, failed = 0;
    for (const std::string& id : identifiers) {
        for (const Layout& layout : layouts) {
            if (layout.head(id, "1900").empty()) continue;
            for (int digits = 0; digits <= 4; ++digits) {
                for (int shape = 0; shape < 3; ++shape) {
                    // Two letters of 4 bytes padded to 8 bytes: read by
                    // characters, the 6 bytes more are one value field, so
                    // that a line of one series is a line of the layout
                    // either way. Only the lines of a longer series (of the
                    // file or of the same writer's habit) tell them apart; a
                    // file of nothing but one-line series cannot.
                    if (id == "\U00010400\U00010401" && shape == 1 &&
                        std::string(layout.name).find("8 bytes") != std::string::npos)
                        continue;
                    for (int marker : {999, -9999}) {
                        const std::vector<Clean> series = clean_series(id, shape, digits);
                        std::string text;
                        for (const Clean& c : series) text += lines_of(c, layout, marker);
                        ++cases;

                        kovtest::ListingFixture lf;
                        TextIn in;
                        lf.open_text(in, text);
                        TucsonFile file;
                        int counter = 0;
                        std::string title(80, ' ');
                        std::array<std::string, 3> hdr{std::string(85, ' '), std::string(85, ' '), std::string(85, ' ')};
                        std::vector<float> v(mxy);
                        std::vector<int> d(mxy);
                        std::string problem;
                        for (size_t k = 0; k <= series.size() && problem.empty(); ++k) {
                            std::string got_id(8, ' ');
                            int first = 0, count = 0;
                            trrw(got_id, first, count, v, d, counter, in, nullptr, "mr", title, hdr, file);
                            if (k == series.size()) {
                                if (count != -999) problem = "a series more than the file holds";
                                break;
                            }
                            const Clean& c = series[k];
                            if (got_id != in_columns(c.id, 8) || first != c.first ||
                                count != static_cast<int>(c.values.size())) {
                                problem = "series " + std::to_string(k) + " read as '" + got_id + "' " +
                                          std::to_string(first) + ", " + std::to_string(count) + " values";
                                break;
                            }
                            const double scale = marker == 999 ? 0.01 : 0.001;
                            for (size_t i = 0; i < c.values.size(); ++i) {
                                const double want = c.values[i] * scale;
                                if (std::fabs(v[i] - want) > 1e-6 * std::max(1.0, want)) {
                                    problem = "series " + std::to_string(k) + " value " + std::to_string(i) + " is " +
                                              std::to_string(v[i]) + " for " + std::to_string(want);
                                    break;
                                }
                            }
                        }
                        if (problem.empty()) continue;
                        ++failed;
                        if (failed <= 5)
                            ADD_FAILURE() << layout.name << ", values of " << digits << " digits, shape " << shape
                                          << ", marker " << marker << ": " << problem << "\n"
                                          << shown(text) << lf.listing();
                    }
                }
            }
        }
    }
    EXPECT_EQ(failed, 0) << "of " << cases << " files";
    EXPECT_GT(cases, 2000);
}
