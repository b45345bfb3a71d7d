#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"

using namespace kov;
using kovtest::count_lines_with;
using kovtest::ListingFixture;

namespace {

std::string rep(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// One series read from `in` by trrw in a read mode.
struct ReadSeries {
    std::string id = std::string(8, ' ');
    int first = 0, count = 0;
    std::vector<float> values = std::vector<float>(mxy, -1.0f);
    std::vector<int> depths = std::vector<int>(mxy, -7);
};

struct TucsonRead : ListingFixture {
    TextIn in;
    int counter = 0;
    std::string title = std::string(80, ' ');
    std::array<std::string, 3> hdr{std::string(85, '+'), std::string(85, '+'), std::string(85, '+')};

    ReadSeries next(const char* mode, const std::string& id_in = std::string(8, ' ')) {
        ReadSeries r;
        r.id = id_in;
        trrw(r.id, r.first, r.count, r.values, r.depths, counter, in, nullptr, mode, title, hdr);
        return r;
    }
};

}  // namespace

// The decade example: year 15 with five values, then year 20 with one value
// and the marker; the marker gives the unit.
TEST(TucsonRead, RingWidthDecadesAndEndMarkerUnit) {
    struct Case {
        const char* marker;
        float scale;
    };
    for (Case c : {Case{"   999", 0.01f}, Case{" -9999", 0.001f}}) {
        TucsonRead t;
        t.open_text(t.in, std::string("TEST01    15   123   234   345   456   567\n") + "TEST01    20   678" +
                              c.marker + "\n");
        ReadSeries r = t.next("mr");
        EXPECT_EQ(r.id, "TEST01  ");
        EXPECT_EQ(r.first, 15);
        ASSERT_EQ(r.count, 6);
        const int raw[6] = {123, 234, 345, 456, 567, 678};
        for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(r.values[i], raw[i] * c.scale) << c.marker << " value " << i;
        EXPECT_EQ(t.next("mr").count, -999);
        EXPECT_EQ(t.counter, -999);
    }
}

// Real files end lines with CR LF or CR CR LF, pad with blanks, put blank lines
// between records and let an 8-character identifier run into the year.
TEST(TucsonRead, LineEndingsBlankLinesAndRunOnIdentifiers) {
    TucsonRead t;
    t.open_text(t.in,
                "TMW11NWS1718   756   639\r\r\n"
                "\r\n"
                "TMW11NWS1720    -7   620   999          \r\n");
    ReadSeries r = t.next("mr");
    EXPECT_EQ(r.id, "TMW11NWS");
    EXPECT_EQ(r.first, 1718);
    ASSERT_EQ(r.count, 4);
    EXPECT_FLOAT_EQ(r.values[2], -0.07f);  // an internal missing value is kept for the gap scan
    EXPECT_FLOAT_EQ(r.values[3], 6.2f);
    EXPECT_EQ(count_lines_with(t.listing(), "warning"), 0);
}

TEST(TucsonRead, IndexPairsAlignToDecadesWithDepths) {
    const std::string file = "IDX001  15" + rep("9990  0", 5) + "1000  3" + "1500  4" + " 250  5" +
                             rep("9990  0", 2) + "  std\n";
    {
        TucsonRead t;
        t.open_text(t.in, file);
        ReadSeries r = t.next("ir");
        EXPECT_EQ(r.id, "IDX001  ");
        EXPECT_EQ(r.first, 15);
        ASSERT_EQ(r.count, 3);
        EXPECT_FLOAT_EQ(r.values[0], 1.0f);
        EXPECT_FLOAT_EQ(r.values[1], 1.5f);
        EXPECT_FLOAT_EQ(r.values[2], 0.25f);
        EXPECT_EQ(r.depths[0], 3);
        EXPECT_EQ(r.depths[2], 5);
    }
    {
        // "******" on entry: the depths are not stored.
        TucsonRead t;
        t.open_text(t.in, file);
        ReadSeries r = t.next("ir", "********");
        EXPECT_EQ(r.count, 3);
        EXPECT_EQ(r.depths[0], -7);
        EXPECT_EQ(r.id, "IDX001  ");
    }
}

// Up to 25 text lines are the title and header lines; the 26th stops the program.
TEST(TucsonRead, TextLinesAreTitleAndHeaderLines) {
    {
        TucsonRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, "Site name line\nSecond line\nThird line\nFourth line\n");
        ReadSeries r = t.next("mr");
        EXPECT_EQ(r.count, -999);
        EXPECT_EQ(t.title, padded("Site name line", 80));
        EXPECT_EQ(t.hdr[0], padded("Site name line", 85));
        EXPECT_EQ(t.hdr[2].substr(0, 80), padded("Third line", 80));
        EXPECT_NE(sc.output().find(" title of data:\n Site name line"), std::string::npos);
    }
    {
        TucsonRead t;
        kovtest::ScriptedConsole sc("");
        std::string text;
        for (int i = 1; i <= 26; ++i) text += "text line " + std::to_string(i) + "\n";
        t.open_text(t.in, text);
        try {
            t.next("mr");
            FAIL() << "26 text lines read without a stop";
        } catch (const Stop& s) {
            EXPECT_EQ(s.status, exit_failure);
        }
        EXPECT_NE(sc.output().find("sbr trrw:  over 25 text lines"), std::string::npos);
    }
}

// Lines that do not continue the series being read are taken as the format
// says, but each one gets a warning line in the listing; so does a first line
// with values past the end of its decade, which belong to no year, and a line
// with values after its end marker (a measurement that read as the marker),
// and a data line that a stray character turns into a text line.
TEST(TucsonRead, WarnsOfLinesThatDoNotFollowOn) {
    const std::string full = "   100   101   102   103   104   105   106   107   108   109";
    const std::string pairs = "1000  11000  11000  11000  11000  11000  11000  11000  11000  11000  1";
    struct Case {
        const char* what;
        const char* mode;
        std::string file;
        const char* needle;
        int warnings;
        int count;
    };
    const Case cases[] = {
        {"proper series", "mr", "AAA     1990" + full + "\nAAA     2000   110   999\n", "warning", 0, 11},
        {"lost end marker", "mr", "AAA     1990" + full + "\nBBB     2000   110   999\n", "does not follow on", 1, 11},
        {"decade skipped", "mr", "AAA     1990" + full + "\nAAA     2010   110   999\n", "does not follow on", 1, 11},
        {"decade repeated", "mr", "AAA     1995   100   101   102   103   104\nAAA     1995   110   999\n",
         "does not follow on", 1, 6},
        {"first line past its decade", "mr", "AAA     1995" + full + "\nAAA     2000   110   999\n",
         "holds values outside its decade", 1, 6},
        {"index values before the first year", "ir", "IDX   1995" + pairs + "\nIDX   2000" + pairs.substr(0, 7) + "9990  0\n",
         "holds values outside its decade", 1, 6},
        {"values after the end marker", "mr", "AAA     1990   100   999   120   130\n",
         "AAA       1990 holds values after its end marker: not read", 1, 1},
        {"markers padding the line", "mr", "AAA     1990   100   999   999   999\n", "warning", 0, 1},
        {"stray letter in a value", "mr", "AAA     1990   100   1x0   120\nAAA     2000   110   999\n",
         "AAA       1990 cannot be read as a data line: taken as text", 1, 1},
        {"stray letter in an index value", "ir",
         "IDX   1990" + std::string("1x00  1") + pairs.substr(7) + "\nIDX   2000" + pairs.substr(0, 7) + rep("9990  0", 9) + "\n",
         "IDX       1990 cannot be read as a data line: taken as text", 1, 1},
        {"title line", "mr", "Some Site Name 1995 text 12 34\nAAA     2000   110   999\n", "warning", 0, 1},
        {"index values after the end marker", "ir", "IDX   1990" + pairs.substr(0, 7) + "9990  0" + pairs.substr(0, 7) + rep("9990  0", 7) + "\n",
         "IDX       1990 holds values after its end marker: not read", 1, 1},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        ReadSeries r = t.next(c.mode);
        EXPECT_EQ(r.count, c.count) << c.what;
        EXPECT_EQ(count_lines_with(t.listing(), c.needle), c.warnings) << c.what;
    }
}

// Values that the end of the file leaves without a series are reported: a
// series without its end marker, and the lines after a "#" in column 80 that
// no header of the self-describing layout follows.
TEST(TucsonRead, SeriesCutOffByEndOfFileIsReported) {
    struct Case {
        std::string file, needle;
    };
    const Case cases[] = {
        {"AAA     1995   100   101   102   103   104\n", "ends without an end marker"},
        {padded("TITLE LINE", 79) + "#\nAAA     1995   100   101   102   103   104   999\n",
         "TITLE LI has '#' in column 80 but no header follows: the rest of the file is not read"},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        ReadSeries r = t.next("mr");
        EXPECT_EQ(r.count, -999) << c.needle;
        EXPECT_EQ(t.counter, -999) << c.needle;
        EXPECT_EQ(count_lines_with(t.listing(), c.needle), 1) << t.listing();
    }
}

// A line with "#" in column 80 starts a series of the self-describing layout;
// the identifier comes from the last line before the header line that does not
// begin "n  ".
TEST(TucsonRead, SelfDescribingSeries) {
    TucsonRead t;
    kovtest::ScriptedConsole sc("");
    t.open_text(t.in, padded("SDS001  first series of the layout", 79) + "#\n" +
                          "ALT-ID99 its identifier line\n" +
                          "n " + "       5" + "  " + "    1950" + "  " + "(5f8.3)\n" +
                          "   1.250   2.000   3.000   4.000   5.500\n" +
                          padded("SDS002", 79) + "#\n" +
                          "n " + "       4" + "  " + "    1960" + "  " + "(5f8.3)\n" +
                          "   1.000   2.000   xxxxx\n"
                          "TEST01  1970   123   999\n");
    ReadSeries a = t.next("mr");
    EXPECT_EQ(a.id, "ALT-ID99");
    EXPECT_EQ(a.first, 1950);
    ASSERT_EQ(a.count, 5);
    EXPECT_FLOAT_EQ(a.values[0], 1.25f);  // as they stand: no scale factor
    EXPECT_FLOAT_EQ(a.values[4], 5.5f);

    ReadSeries b = t.next("mr");
    EXPECT_EQ(b.id, "SDS002  ");
    ASSERT_EQ(b.count, 4);
    EXPECT_NE(sc.output().find(">> sbr datar:  error reading data"), std::string::npos);
    // What could not be read comes back missing, for the gap scan to report.
    EXPECT_FLOAT_EQ(b.values[3], xmiss);

    ReadSeries c = t.next("mr");
    EXPECT_EQ(c.first, 1970);
    EXPECT_EQ(c.count, 1);
}

// A value field left empty inside a series (a line cut short, or a blank
// between values) holds no measurement: it is a missing value that the gap
// scan reports, never a ring of width 0, and the listing says where it stood.
// A line that lost its year is passed over as before, but not in silence
// when it holds values.
TEST(TucsonRead, EmptyFieldsAndLinesWithoutAYearAreReported) {
    const std::string nine = rep("   100", 9);
    struct Case {
        const char* what;
        const char* mode;
        std::string file;
        int count;
        std::vector<std::pair<int, float>> values;  // position, value
        const char* needle;
    };
    const Case cases[] = {
        {"line cut short", "mr",
         "AB01    1901" + nine + "\nAB01    1910   200   200   200\nAB01    1920   300   999\n", 20,
         {{9, 2.0f}, {11, 2.0f}, {12, -9.99f}, {18, -9.99f}, {19, 3.0f}},
         "line AB01      1910 has  7 empty value fields: taken as missing values"},
        {"blank between values", "mr", "AB02    1990   100         300   999\n", 3,
         {{0, 1.0f}, {1, -9.99f}, {2, 3.0f}}, "line AB02      1990 has  1 empty value fields"},
        // thousandths: the missing value is scaled with the series and stays negative
        {"blank in a thousandths series", "mr", "AB03    1990   100         300 -9999\n", 3,
         {{0, 0.1f}, {1, -0.999f}, {2, 0.3f}}, "line AB03      1990 has  1 empty value fields"},
        {"blank index pair", "ir", "IDX   1990" + std::string("1000  1") + std::string(7, ' ') + "1200  1" +
                                       rep("9990  0", 7) + "\n",
         3, {{0, 1.0f}, {1, -0.999f}, {2, 1.2f}}, "line IDX       1990 has  1 empty value fields"},
        {"ring widths without a year", "mr",
         "AB04    1990" + nine + "   100\n" + std::string(12, ' ') + rep("   200", 10) + "\nAB04    2010   300   999\n",
         11, {{9, 1.0f}, {10, 3.0f}}, "holds values but no year: not read"},
        {"index pairs without a year", "ir",
         "IDX   1990" + rep("1000  1", 10) + "\n" + std::string(10, ' ') + rep("1100  1", 10) + "\nIDX   2010" +
             rep("9990  0", 10) + "\n",
         10, {{9, 1.0f}}, "holds values but no year: not read"},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        ReadSeries r = t.next(c.mode);
        ASSERT_EQ(r.count, c.count) << c.what;
        for (auto [i, v] : c.values) EXPECT_FLOAT_EQ(r.values[i], v) << c.what << " value " << i;
        EXPECT_EQ(count_lines_with(t.listing(), c.needle), 1) << c.what << "\n" << t.listing();
    }
    // Blank lines, and text lines whose year columns are blank, stay unremarked.
    TucsonRead t;
    t.open_text(t.in, "\n" + std::string(12, ' ') + "no numbers here\nAB05    1990   100   999\n");
    EXPECT_EQ(t.next("mr").count, 1);
    EXPECT_EQ(count_lines_with(t.listing(), "warning"), 0) << t.listing();
}

// Values of the self-describing layout that are empty, that no program stage
// could carry (their squares overflow 32-bit reals), or a layout that reads
// only text: each ends as missing values with a word in the listing or on the
// console, and the lines after the series are still read.
TEST(TucsonRead, SelfDescribingValuesThatCannotBeUsed) {
    const std::string mark = padded("SDS010", 79) + "#\n";
    struct Case {
        const char* what;
        std::string header_and_values;
        std::vector<float> values;
        const char* needle;
    };
    const Case cases[] = {
        {"empty field", "n        3      1950  (3f8.3)\n   1.000           3.000\n", {1.0f, xmiss, 3.0f},
         "SDS010   has     1 empty value fields: taken as missing values"},
        {"values too large", "n        3      1950  (3e10.2)\n  1.00e+00  3.00e+25 -2.00e+30\n", {1.0f, xmiss, xmiss},
         "SDS010   has     2 values too large to work with: taken as missing values"},
        {"text-only layout", "n        2      1950  (a8)    \n   1.000   2.000\n", {xmiss, xmiss},
         ">> sbr datar:  error reading data"},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, mark + c.header_and_values + "TEST01  1970   123   999\n");
        ReadSeries r = t.next("mr");
        ASSERT_EQ(r.count, static_cast<int>(c.values.size())) << c.what;
        for (size_t i = 0; i < c.values.size(); ++i) EXPECT_FLOAT_EQ(r.values[i], c.values[i]) << c.what << " " << i;
        EXPECT_EQ(count_lines_with(t.listing() + sc.output(), c.needle), 1) << c.what << "\n" << t.listing();
        EXPECT_EQ(t.next("mr").first, 1970) << c.what;
    }
}

namespace {

struct TucsonWrite : ListingFixture {
    TucsonWrite() { open_save(); }
};

}  // namespace

TEST(TucsonWrite, IndexLinesAndTheirEnd) {
    const std::vector<float> v = {1.0f, 1.5f, 0.25f, 0.5f, 2.0f};
    const std::vector<int> d = {3, 4, 5, 6, 7};
    const std::string blank2 = rep("9990  0", 2);
    struct Case {
        const char* mode;
        int n;
        std::string expected;
    };
    const Case cases[] = {
        {"iw", 3, "IDX001  15" + rep("9990  0", 5) + "1000  3" + "1500  4" + " 250  5" + blank2 + "  std\n"},
        {"iw", 5,
         "IDX001  15" + rep("9990  0", 5) + "1000  3" + "1500  4" + " 250  5" + " 500  6" + "2000  7" + "  std\n" +
             "IDX001  20" + rep("9990  0", 10) + "  std\n"},
        {"cr", 5,
         std::string("IDX001  15  19\n") + "IDX001  15" + rep("9990  0", 5) + "1000  3" + "1500  4" + " 250  5" +
             " 500  6" + "2000  7" + "  std\n"},
    };
    for (const Case& c : cases) {
        TucsonWrite t;
        trrw("IDX001", 15, c.n, v, d, streams().luscr, c.mode, "std");
        EXPECT_EQ(t.saved(), c.expected) << c.mode << " " << c.n;
    }
}

TEST(TucsonWrite, RingWidthLinesMarkersAndYearForms) {
    struct Case {
        const char* what;
        int first;
        std::vector<float> values;
        std::string expected;
    };
    const Case cases[] = {
        {"0.999 mm is written 1000", 1991, {0.999f}, "RW01    1991  1000 -9999\n"},
        {"last value in a year ending 9", 1985, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f},
         "RW01    1985   100   200   300   400   500\nRW01    1990 -9999\n"},
        {"a full line carries the tag", 1980, std::vector<float>(10, 1.0f),
         "RW01    1980" + rep("  1000", 10) + "  raw\nRW01    1990 -9999\n"},
        {"five-column year", -1000, {1.0f}, "RW01   -1000  1000 -9999\n"},
        {"six-column year", -10003, {1.0f, 2.0f}, "RW01  -10003  1000  2000 -9999\n"},
        {"halves away from zero", 2001, {0.0125f, -0.0125f}, "RW01    2001    13   -13 -9999\n"},
    };
    for (const Case& c : cases) {
        TucsonWrite t;
        trrw("RW01", c.first, static_cast<int>(c.values.size()), c.values, {}, streams().luscr, "mw", "raw");
        EXPECT_EQ(t.saved(), c.expected) << c.what;
    }
}

// Index values that would print as the end marker or overflow their field, and
// depths above 999, are held at 9989 and 999 with one warning line each.
TEST(TucsonWrite, IndexValuesAndDepthsThatDoNotFit) {
    TucsonWrite t;
    const std::vector<float> v = {9.9896f, 12.0f, -1.5f, 1.0f};
    const std::vector<int> d = {1, 1200, 1, 1};
    trrw("BIG001", 1990, 4, v, d, streams().luscr, "iw", "std");
    EXPECT_EQ(t.saved(), "BIG0011990" + std::string("9989  1") + "9989999" + "9989  1" + "1000  1" +
                             rep("9990  0", 6) + "  std\n");
    const std::string listing = t.listing();
    EXPECT_EQ(count_lines_with(listing, "written as 9989"), 1);
    EXPECT_EQ(count_lines_with(listing, "sample depths above 999"), 1);

    // Read back, the series keeps all four values.
    TucsonRead r;
    r.open_text(r.in, t.dir().read("save.txt"));
    EXPECT_EQ(r.next("ir").count, 4);
}

// Written series read back with their first year, count and values (to the
// thousandth both formats keep), for first years in every year form.
TEST(TucsonRoundTrip, WrittenSeriesReadBack) {
    const int firsts[] = {1991, 1980, 15, -5, -10, -1, 0, -999, -1000, -1003, -9999, -10003};
    const int lengths[] = {1, 9, 10, 11, 23};
    for (const char* wmode : {"mw", "iw"}) {
        for (int first : firsts) {
            for (int n : lengths) {
                std::vector<float> v(n);
                std::vector<int> d(n);
                for (int i = 0; i < n; ++i) {
                    v[i] = static_cast<float>((i * 379 + first * 7 % 1000 + 5000) % 3000) / 1000.0f;
                    d[i] = 1 + (i % 17);
                }
                TucsonWrite w;
                trrw("ABCDEFGH", first, n, v, d, streams().luscr, wmode, "raw");
                TucsonRead r;
                r.open_text(r.in, w.saved());
                const bool index = std::string(wmode) == "iw";
                ReadSeries s = r.next(index ? "ir" : "mr");
                ASSERT_EQ(s.count, n) << wmode << " " << first << " " << n;
                EXPECT_EQ(s.first, first);
                // The identifier keeps the columns its year form leaves it.
                const size_t idw = index ? (first >= -999 ? 6 : first >= -9999 ? 5 : 4)
                                         : (first >= -999 ? 8 : first >= -9999 ? 7 : 6);
                EXPECT_EQ(s.id, padded(std::string("ABCDEFGH").substr(0, idw), 8));
                for (int i = 0; i < n; ++i) {
                    const float expected = (!index && std::lround(v[i] * 1000) == 999) ? 1.0f : v[i];
                    EXPECT_NEAR(s.values[i], expected, 1e-6f) << wmode << " " << first << " value " << i;
                    if (index) {
                        EXPECT_EQ(s.depths[i], d[i]);
                    }
                }
                EXPECT_EQ(r.next(index ? "ir" : "mr").count, -999);
                EXPECT_EQ(count_lines_with(r.listing(), "warning"), 0);
            }
        }
    }
}
