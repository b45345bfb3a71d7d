#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "series/compact.hpp"
#include "series/cru.hpp"
#include "series/fixed_text.hpp"
#include "series/save.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson_read.hpp"
#include "shared/capacities.hpp"

using namespace kov;
using kovtest::ListingFixture;
using kovtest::split_lines;

namespace {

// A stage of series on the common year axis, as the phases hand it over.
struct Stage {
    SeriesMatrix x;
    Table<int> itab{mxs + 2, 10};
    std::vector<std::string> ids = std::vector<std::string>(mxs + 1, std::string(8, ' '));
    int nc = 0;
    std::vector<float> w = std::vector<float>(mxy);
    std::vector<int> cnt = std::vector<int>(mxy), isel = std::vector<int>(mxs + 1);

    // Adds a series of its own years; values[i] is the value of year first + i.
    // The identifier is kept in 8 columns, as the readers keep it.
    void add(const std::string& id, int first, const std::vector<float>& values, int y0) {
        ++nc;
        ids[nc] = in_columns(id, 8);
        itab(nc, ify) = first;
        itab(nc, ily) = first + static_cast<int>(values.size()) - 1;
        itab(nc, ics) = 1;
        for (size_t i = 0; i < values.size(); ++i) x(first - y0 + 1 + static_cast<int>(i), nc) = values[i];
    }
    void span(int first, int last) {
        itab(nc + 1, ify) = first;
        itab(nc + 1, ily) = last;
    }
    void save(int format, const char* tag = "raw") {
        shared().optval(18, 1) = format;
        savsers(x, w, nc, itab, ids, cnt, isel, std::string(85, ' '), mxy, mxs, tag);
    }
};

// The series of a saved text read back one after another by the reader of
// its save format (1 ring widths, 2 indices, 3 CRU, 4 compact).
struct SavedReader {
    struct Series {
        std::string id = std::string(8, ' ');
        int first = 0, count = 0;
        std::vector<float> values = std::vector<float>(mxy);
    };
    TextIn in;
    int format;
    int counter = 0;
    std::string title = std::string(80, ' ');
    std::array<std::string, 3> hdr;
    TucsonFile file;

    SavedReader(ListingFixture& f, const std::string& text, int format) : format(format) {
        f.open_text(in, text, "back.txt");
    }
    Series next() {
        Series r;
        std::vector<int> d(mxy);
        if (format == 1) trrw(r.id, r.first, r.count, r.values, d, counter, in, nullptr, "mr", title, hdr, file);
        if (format == 2) trrw(r.id, r.first, r.count, r.values, d, counter, in, nullptr, "ir", title, hdr, file);
        if (format == 3) rinfrn(r.id, r.first, r.count, r.values, d, counter, in, title);
        if (format == 4) cdf(r.id, r.values, r.first, r.count, counter, in, title);
        return r;
    }
};

std::vector<float> ramp(int n, float start) {
    std::vector<float> v(n);
    for (int i = 0; i < n; ++i) v[i] = start + 0.001f * static_cast<float>(i);
    return v;
}

}  // namespace

// Two overlapping series, the second beginning 40 years after the first and
// ending 50 years after it: one row per year of the whole span; a year without
// a value shows "." in the space-delimited form and -9.9900 in the others.
TEST(ColumnSave, RowsCoverTheSpanAndShowMissingYears) {
    struct Case {
        int format;
        std::string header, first_row, shared_row, last_row;
    };
    const std::string t(1, '\t');
    const Case cases[] = {
        {5, "  year SER1     SER2    ", "  1900   1.0000    .    ", "  1945   1.0450   2.0050",
         "  1999    .       2.0590"},
        {6, " year" + t + "SER1    " + t + "SER2    ", "  1900" + t + "  1.0000" + t + " -9.9900",
         "  1945" + t + "  1.0450" + t + "  2.0050", "  1999" + t + " -9.9900" + t + "  2.0590"},
        {7, " year,SER1    ,SER2    ", "  1900,  1.0000, -9.9900", "  1945,  1.0450,  2.0050",
         "  1999, -9.9900,  2.0590"},
    };
    for (const Case& c : cases) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("SER1", 1900, ramp(50, 1.0f), 1900);
        s.add("SER2", 1940, ramp(60, 2.0f), 1900);
        s.span(1900, 1999);
        s.save(c.format);
        const auto lines = split_lines(f.saved());
        ASSERT_EQ(lines.size(), 101u) << c.format;
        EXPECT_EQ(lines[0], c.header) << c.format;
        EXPECT_EQ(lines[1], c.first_row) << c.format;
        EXPECT_EQ(lines[46], c.shared_row) << c.format;
        EXPECT_EQ(lines[100], c.last_row) << c.format;
        for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 6u + 9u * 2u) << c.format << " row " << i;
    }
}

// Identifiers of letters of two bytes head their columns whole, each in its
// 8 columns by characters: Áä89-10 and Áä89-11 (9 bytes each) stay apart.
TEST(ColumnSave, HeaderKeepsIdentifiersOfLettersOfTwoBytesWhole) {
    const std::string t(1, '\t');
    const struct {
        int format;
        std::string header;
    } cases[] = {
        {5, "  year \u00c1\u00e489-10  \u00c1\u00e489-11 "},
        {6, " year" + t + "\u00c1\u00e489-10 " + t + "\u00c1\u00e489-11 "},
        {7, " year,\u00c1\u00e489-10 ,\u00c1\u00e489-11 "},
    };
    for (const auto& c : cases) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("\u00c1\u00e489-10", 1900, {1.0f, 1.5f}, 1900);
        s.add("\u00c1\u00e489-11", 1900, {2.0f, 2.5f}, 1900);
        s.span(1900, 1901);
        s.save(c.format);
        const auto lines = split_lines(f.saved());
        ASSERT_EQ(lines.size(), 3u) << c.format;
        EXPECT_EQ(lines[0], c.header) << c.format;
    }
}

// The 8001-character row holds at most 888 series: every series of the data
// file counts, selected or not.
TEST(ColumnSave, CapacityCountsEverySeries) {
    for (int nc : {888, 889}) {
        ListingFixture f;
        f.open_save();
        kovtest::ScriptedConsole sc("");
        Stage s;
        s.add("ONLY", 2000, {1.0f, 2.0f}, 2000);
        for (int j = 2; j <= nc; ++j) {
            s.itab(j, ify) = 2000;
            s.itab(j, ily) = 2001;
            s.itab(j, ics) = 0;
        }
        s.nc = nc;
        s.span(2000, 2001);
        s.save(5);
        const std::string out = f.saved();
        if (nc == 888) {
            EXPECT_EQ(out, "  year ONLY    \n  2000   1.0000\n  2001   2.0000\n");
            EXPECT_EQ(sc.output(), "");
        } else {
            EXPECT_EQ(out, "");
            EXPECT_EQ(sc.output(), "\n *** too many series to store in column mode ***\n");
        }
    }
}

// Series whose years lie beyond 9999 (or before -9999), as a compact file
// can give them: the rows cover their own span, not the years between.
TEST(ColumnSave, SpanOfYearsBeyondFourDigits) {
    for (int first : {10000, -10002}) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("FAR1", first, {1.0f, 2.0f}, first);
        s.add("FAR2", first + 1, {3.0f, 4.0f}, first);
        s.span(first, first + 2);
        s.save(7);
        const auto lines = split_lines(f.saved());
        ASSERT_EQ(lines.size(), 4u) << first;
        EXPECT_EQ(lines[3].substr(6), ", -9.9900,  4.0000") << first;
    }
}

TEST(SeriesSave, NothingSelectedWritesNothing) {
    for (int format = 1; format <= 7; ++format) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("SER1", 1900, ramp(12, 1.0f), 1900);
        s.itab(1, ics) = 0;
        s.span(1900, 1911);
        s.save(format);
        EXPECT_EQ(f.saved(), "") << format;
    }
}

// The index forms write a missing year as 0 with depth 1; the ring-width form
// hands it over as it stands.
TEST(SeriesSave, MissingYearInsideASeries) {
    struct Case {
        int format;
        std::string expected;
    };
    const Case cases[] = {
        {1, "GAP1    1990  1500 -9990  1250 -9999\n"},
        {2, "GAP1  1990" + std::string("1500  1   0  11250  1") +
                "9990  09990  09990  09990  09990  09990  09990  0  raw\n"},
    };
    for (const Case& c : cases) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("GAP1", 1990, {1.5f, xmiss, 1.25f}, 1990);
        s.span(1990, 1992);
        s.save(c.format);
        EXPECT_EQ(f.saved(), c.expected) << c.format;
    }
}

// Each series format written by the saver reads back with its reader: its own
// years, identifier and values, series not selected left out. The CRU form
// comes back ten times larger (thousandths written, hundredths read).
TEST(SeriesSave, FormatsReadBack) {
    for (int format = 1; format <= 4; ++format) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("AAA001", 1888, ramp(25, 0.5f), 1880);
        s.add("SKIP01", 1880, ramp(5, 1.0f), 1880);
        s.add("BBB002", 1901, {0.3f, 0.0f, 2.75f, 0.125f}, 1880);
        // an identifier of UTF-8 letters
        s.add("ВВ9A", 1885, ramp(12, 1.5f), 1880);
        s.itab(2, ics) = 0;
        s.span(1880, 1912);
        s.save(format);
        TextIn in;
        f.open_text(in, f.saved(), "back.txt");

        const float scale = format == 3 ? 10.0f : 1.0f;
        const struct {
            int row;
            std::string id;
        } expect[] = {{1, "AAA001  "}, {3, "BBB002  "}, {4, "ВВ9A    "}};
        int counter = 0;
        std::string title(80, ' ');
        std::array<std::string, 3> hdr;
        TucsonFile file;
        for (const auto& e : expect) {
            std::string id(8, ' ');
            int first = 0, count = 0;
            std::vector<float> v(mxy);
            std::vector<int> d(mxy);
            if (format == 1) trrw(id, first, count, v, d, counter, in, nullptr, "mr", title, hdr, file);
            if (format == 2) trrw(id, first, count, v, d, counter, in, nullptr, "ir", title, hdr, file);
            if (format == 3) rinfrn(id, first, count, v, d, counter, in, title);
            if (format == 4) cdf(id, v, first, count, counter, in, title);
            EXPECT_EQ(id, e.id) << format;
            EXPECT_EQ(first, s.itab(e.row, ify)) << format;
            ASSERT_EQ(count, s.itab(e.row, ily) - s.itab(e.row, ify) + 1) << format;
            for (int i = 0; i < count; ++i)
                EXPECT_NEAR(v[i], scale * s.x(first - 1880 + 1 + i, e.row), 1e-5f) << format << " " << e.id << " " << i;
            if (format == 2 || format == 3) {
                EXPECT_EQ(d[0], 1) << format;
            }
        }
    }
}

// Identifiers that a layout cannot hold as they stand, each in a file of its
// own kind (a file of series of one line gives the reader no other series to
// take the years from): a minus sign straight before a year of four digits
// (MR07D- and Bgd12- in 1995 read back in 1995 BC), and letters of two bytes
// (Ñandú01, 9 bytes in 7 characters; eight Cyrillic letters, 16 bytes). Each
// save reads back with its reader as the same series at the same years and
// values; the identifier keeps what its columns hold: 8 characters in the
// ring-width and compact forms, 6 in the index and CRU forms (format 2, a
// series of one line: the minus sign becomes a blank).
TEST(SeriesSave, IdentifiersTheLayoutsCannotHoldAsTheyStandReadBack) {
    struct Series {
        std::string id;
        int first;
        std::vector<float> values;
    };
    struct Case {
        std::vector<Series> series;
        int format;
        std::vector<std::string> ids;  // as read back
        int warnings = 0;              // listing lines that name a minus sign written as a blank
        int last = 1997;               // last year of the stage
    };
    const std::vector<Series> minus = {{"MR07D-", 1995, {0.1f, 0.2f, 0.3f}}, {"Bgd12-", 1990, {0.4f, 0.5f}}};
    // Series of two lines and more keep their minus sign: the years of their
    // lines go on only with it in the identifier (1998 is a line of its own
    // before the line of 2000 that ends it).
    const std::vector<Series> minus_lines = {
        {"MR07D-", 1995, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f}},
        {"Bgd12-", 1998, {0.4f, 0.5f, 0.6f, 0.7f, 0.8f}}};
    const std::vector<Series> letters = {{"\u00d1and\u00fa01", 1995, {0.1f, 0.2f, 0.3f}},
                                         {"\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416", 1990, {0.4f}}};
    const Case cases[] = {
        {minus, 1, {"MR07D-  ", "Bgd12-  "}},
        {minus, 2, {"MR07D   ", "Bgd12   "}, 2},
        {minus, 3, {"MR07D-  ", "Bgd12-  "}},
        {minus_lines, 2, {"MR07D-  ", "Bgd12-  "}, 0, 2007},
        {letters, 1, {"\u00d1and\u00fa01 ", "\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416"}},
        {letters, 2, {"\u00d1and\u00fa0  ", "\u0416\u0416\u0416\u0416\u0416\u0416  "}},
        {letters, 3, {"\u00d1and\u00fa0  ", "\u0416\u0416\u0416\u0416\u0416\u0416  "}},
        {letters, 4, {"\u00d1and\u00fa01 ", "\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416"}},
    };
    for (const Case& c : cases) {
        ListingFixture f;
        f.open_save();
        Stage s;
        for (const Series& x : c.series) s.add(x.id, x.first, x.values, 1990);
        s.span(1990, c.last);
        s.save(c.format);
        EXPECT_EQ(kovtest::count_lines_with(f.listing(), "a minus sign before the year would read as its sign"),
                  c.warnings)
            << c.format;
        SavedReader back(f, f.saved(), c.format);
        const float scale = c.format == 3 ? 10.0f : 1.0f;
        for (size_t k = 0; k < c.series.size(); ++k) {
            const auto r = back.next();
            const std::string what = std::to_string(c.format) + " " + c.series[k].id;
            EXPECT_EQ(r.id, c.ids[k]) << what;
            EXPECT_EQ(r.first, c.series[k].first) << what;
            ASSERT_EQ(r.count, static_cast<int>(c.series[k].values.size())) << what;
            for (int i = 0; i < r.count; ++i)
                EXPECT_NEAR(r.values[i], scale * c.series[k].values[i], 1e-5f) << what << " " << i;
        }
    }
}

// A value that does not fit its field is never lost in silence: the ring-width
// form holds it at 999999 thousandths, so that the rest of its line still
// reads back, and the column forms keep the asterisks of the layout; the
// listing names the series either way. 9999.99 mm is 9999990 thousandths (7
// digits for 6 columns); 1234.5 needs 9 columns as 1234.5000.
TEST(SeriesSave, ValuesThatDoNotFitTheirFieldsAreNamed) {
    struct Case {
        int format;
        size_t line;
        std::string expected, warning;
    };
    const std::string t(1, '\t');
    const Case cases[] = {
        {1, 0, "BIG1    1990  1000999999  2000 -9999",
         "*** warning: BIG1    :     1 values too large for the ring-width layout written as 999999 or -99999"},
        {6, 2, "  1991" + t + "********",
         "*** warning: BIG1    :     1 values too wide for 8 columns written as ********"},
        {5, 2, "  1991 ********", "*** warning: BIG1    :     1 values too wide for 8 columns"},
    };
    for (const Case& c : cases) {
        ListingFixture f;
        f.open_save();
        Stage s;
        s.add("BIG1", 1990, {1.0f, c.format == 1 ? 9999.99f : 1234.5f, 2.0f}, 1990);
        s.span(1990, 1992);
        s.save(c.format);
        const auto lines = split_lines(f.saved());
        ASSERT_GT(lines.size(), c.line) << c.format;
        EXPECT_EQ(lines[c.line], c.expected) << c.format;
        EXPECT_EQ(kovtest::count_lines_with(f.listing(), c.warning), 1) << c.format << "\n" << f.listing();
        if (c.format != 1) continue;
        // the line reads back whole: 1 mm, the held 999.999 mm and 2 mm
        const auto r = SavedReader(f, f.saved(), 1).next();
        ASSERT_EQ(r.count, 3);
        EXPECT_NEAR(r.values[1], 999.999f, 1e-3f);
        EXPECT_NEAR(r.values[2], 2.0f, 1e-6f);
    }
}

// The years a reader fills (here a skipped decade of a series in thousandths)
// hold the missing code in every save format: xmiss as the format writes it,
// -9.99 mm as -9990 thousandths in the ring-width form, 0 with depth 1 in the
// index forms, "." or -9.9900 in the columns. A negative value the file itself
// holds (-1 thousandth) is kept as read.
TEST(SeriesSave, YearsTheReaderFillsAreTheMissingCode) {
    ListingFixture f;
    TextIn in;
    f.open_text(in, "T001    1905  1001  1011  1021  1031  1041\nT001    1920  1101    -1  1121 -9999\n");
    std::string id(8, ' '), title(80, ' ');
    int first = 0, count = 0, counter = 0;
    std::vector<float> v(mxy);
    std::vector<int> d(mxy);
    std::array<std::string, 3> hdr;
    TucsonFile file;
    trrw(id, first, count, v, d, counter, in, nullptr, "mr", title, hdr, file);
    ASSERT_EQ(count, 18);  // 1905 to 1922
    v.resize(18);

    const std::string t(1, '\t');
    std::string tens, zeros;
    for (int k = 0; k < 10; ++k) tens += " -9990", zeros += "   0  1";
    struct Case {
        int format;
        size_t line;  // of the year 1910, and of 1921 in the column forms
        std::string filled, held;
    };
    const Case cases[] = {
        {1, 1, "T001    1910" + tens + "  raw", "T001    1920  1101    -1  1121 -9999"},
        {2, 1, "T001  1910" + zeros + "  raw", "T001  1920" + std::string("1101  1   0  11121  1") +
                                                    "9990  09990  09990  09990  09990  09990  09990  0  raw"},
        {3, 2, "T001  1910" + zeros + "  raw", ""},
        {5, 6, "  1910    .    ", "  1921  -0.0010"},
        {6, 6, "  1910" + t + " -9.9900", "  1921" + t + " -0.0010"},
        {7, 6, "  1910, -9.9900", "  1921, -0.0010"},
    };
    for (const Case& c : cases) {
        f.open_save();
        Stage s;
        s.add(id, first, v, first);
        s.span(1905, 1922);
        s.save(c.format);
        const auto lines = split_lines(f.saved());
        ASSERT_GT(lines.size(), c.line + 1) << c.format;
        EXPECT_EQ(lines[c.line], c.filled) << c.format;
        if (!c.held.empty()) {
            EXPECT_EQ(lines[c.format >= 5 ? 17 : c.line + 1], c.held) << c.format;
        }
    }
    // The compact form reads back with the missing code at 1910.
    f.open_save();
    Stage s;
    s.add(id, first, v, first);
    s.span(1905, 1922);
    s.save(4);
    TextIn back;
    f.open_text(back, f.saved(), "back.txt");
    std::vector<float> r(mxy);
    int n = 0, y = 0, k = 0;
    cdf(id, r, y, n, k, back, title);
    ASSERT_EQ(n, 18);
    EXPECT_NEAR(r[5], xmiss, 1e-6f);
    EXPECT_NEAR(r[16], -0.001f, 1e-6f);
}
