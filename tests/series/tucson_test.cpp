#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson.hpp"
#include "series/tucson_read.hpp"
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
    TucsonFile file;

    ReadSeries next(const char* mode, const std::string& id_in = std::string(8, ' ')) {
        ReadSeries r;
        r.id = id_in;
        trrw(r.id, r.first, r.count, r.values, r.depths, counter, in, nullptr, mode, title, hdr, file);
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

// Every value stands at the year its line gives it. A line that skips years
// leaves them missing; a line with a new identifier, or one that goes back in
// time, ends the series (it lacked its end marker) and starts the next. A first
// line with values past the end of its decade, which belong to no year, and a
// data line that a stray character turns into a text line get warnings too.
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
        int next_first;  // first year of the next series, 0: none follows
    };
    const Case cases[] = {
        {"proper series", "mr", "AAA     1990" + full + "\nAAA     2000   110   999\n", "warning", 0, 11, 0},
        {"lost end marker", "mr", "AAA     1990" + full + "\nBBB     2000   110   999\n",
         "series AAA      ends without an end marker before line BBB       2000", 1, 10, 2000},
        // 1990-1999, 2000-2009 missing, 2010
        {"decade skipped", "mr", "AAA     1990" + full + "\nAAA     2010   110   999\n",
         "line AAA       2010 does not follow on from series AAA      at year  2000: the years between are missing",
         1, 21, 0},
        {"decade repeated", "mr", "AAA     1995   100   101   102   103   104\nAAA     1995   110   999\n",
         "series AAA      ends without an end marker before line AAA       1995", 1, 5, 1995},
        {"first line past its decade", "mr", "AAA     1995" + full + "\nAAA     2000   110   999\n",
         "holds values outside its decade", 1, 6, 0},
        {"index values before the first year", "ir", "IDX   1995" + pairs + "\nIDX   2000" + pairs.substr(0, 7) + "9990  0\n",
         "holds values outside its decade", 1, 6, 0},
        {"index series with a new identifier", "ir", "IDX   1990" + pairs + "\nIDY   2000" + pairs.substr(0, 7) + "9990  0\n",
         "series IDX      ends without an end marker before line IDY       2000", 1, 10, 2000},
        {"markers padding the line", "mr", "AAA     1990   100   999   999   999\n", "warning", 0, 1, 0},
        // a line that a data line of its identifier goes on from is data,
        // also before the first series: its decade is missing
        {"stray letter in a value", "mr", "AAA     1990   100   1x0   120\nAAA     2000   110   999\n",
         "series AAA      line      1 of the file cannot be read: years  1990 to  1999 taken as missing values", 1, 11,
         0},
        {"stray letter in an index value", "ir",
         "IDX   1990" + std::string("1x00  1") + pairs.substr(7) + "\nIDX   2000" + pairs.substr(0, 7) + rep("9990  0", 9) + "\n",
         "series IDX      line      1 of the file cannot be read: years  1990 to  1999 taken as missing values", 1, 11,
         0},
        {"stray letter in a line that no line goes on from", "mr",
         "AAA     1990   100   1x0   120\nAAA     2010   110   999\n",
         "AAA       1990 cannot be read as a data line: taken as text", 1, 1, 0},
        {"title line", "mr", "Some Site Name 1995 text 12 34\nAAA     2000   110   999\n", "warning", 0, 1, 0},
        {"index values after the end marker", "ir", "IDX   1990" + pairs.substr(0, 7) + "9990  0" + pairs.substr(0, 7) + rep("9990  0", 7) + "\n",
         "IDX       1990 holds values after its end marker: not read", 1, 1, 0},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        ReadSeries r = t.next(c.mode);
        EXPECT_EQ(r.count, c.count) << c.what;
        ReadSeries n = t.next(c.mode);
        EXPECT_EQ(n.count > 0 ? n.first : 0, c.next_first) << c.what;
        EXPECT_EQ(count_lines_with(t.listing(), c.needle), c.warnings) << c.what << "\n" << t.listing();
    }
}

namespace {

// Every series of a file as trrw reads it, one call per series.
struct Got {
    std::string id;
    int first, count;
    std::vector<float> values;
};

std::vector<Got> read_all(TucsonRead& t, const char* mode = "mr") {
    std::vector<Got> out;
    for (int calls = 0; calls < 50; ++calls) {
        ReadSeries r = t.next(mode);
        if (r.count == -999) break;
        r.values.resize(static_cast<size_t>(std::max(r.count, 0)));
        out.push_back({r.id, r.first, r.count, r.values});
    }
    return out;
}

struct Expected {
    std::string id;
    int first, count;
};

void expect_series(const std::vector<Got>& got, const std::vector<Expected>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(got[k].id, in_columns(want[k].id, 8)) << what << " series " << k;
        EXPECT_EQ(got[k].first, want[k].first) << what << " series " << k;
        EXPECT_EQ(got[k].count, want[k].count) << what << " series " << k;
    }
}

// A value of series k at position i (0-based).
struct At {
    size_t series;
    size_t i;
    float value;
};

void expect_values(const std::vector<Got>& got, const std::vector<At>& at, const std::string& what) {
    for (const At& a : at) {
        ASSERT_LT(a.series, got.size()) << what;
        ASSERT_LT(a.i, got[a.series].values.size()) << what;
        EXPECT_FLOAT_EQ(got[a.series].values[a.i], a.value) << what << " series " << a.series << " value " << a.i;
    }
}

// A file, and the series and values it must read as.
struct ReadCase {
    const char* what;
    std::string file;
    std::vector<Expected> series;
    std::vector<At> values;
    // nullptr: the listing is not looked at; "": it holds no warning; else
    // one warning line holds it
    const char* needle = nullptr;
};

void expect_reads_as(const ReadCase& c) {
    TucsonRead t;
    kovtest::ScriptedConsole sc("");
    t.open_text(t.in, c.file);
    const auto got = read_all(t);
    expect_series(got, c.series, c.what);
    expect_values(got, c.values, c.what);
    if (c.needle) {
        EXPECT_EQ(count_lines_with(t.listing(), *c.needle ? c.needle : "*** warning"), *c.needle ? 1 : 0)
            << c.what << "\n" << t.listing();
    }
}

}  // namespace

// The units of a ring-width series follow from its own end marker, or from the
// marker most of the file's series use when it has none, and hold for the whole
// series: a 999 or -9999 with values after it is a value, and a 999 that fills
// the last field of a line is a ring of 0.999 mm when the series goes on and
// ends in thousandths. Expected values: the integers of the lines times 0.001
// (thousandths) or 0.01 (hundredths).
TEST(TucsonRead, EndMarkerGivesTheUnitsOfTheWholeSeries) {
    const std::string nine = "   100   110   120   130   140   150   160   170   180";
    const ReadCase cases[] = {
        // ak059.rwl, series AV37a: the ring of 1891 is 999 thousandths
        {"999 inside a series of thousandths",
         "AV37a   1880  1093   827  1265   590   883   866   779   889   910   970\n"
         "AV37a   1890   813   999   646   527   638   633   694  1005   818   405\n"
         "AV37a   1900   867 -9999\n",
         {{"AV37a", 1880, 21}}, {{0, 0, 1.093f}, {0, 10, 0.813f}, {0, 11, 0.999f}, {0, 12, 0.646f}, {0, 20, 0.867f}}},
        // ar077.rwl, series p158t006: -9999 with values after it is a missing ring
        {"-9999 with values after it",
         "p158t0061950  7086  5203  3580  3245  2116  2084  1014  2525  1927  1746\n"
         "p158t0061960  1549  1596  1716 -9999   755   583  1231  1158  1047  1218\n"
         "p158t0061970   989 -9999\n",
         {{"p158t006", 1950, 21}}, {{0, 0, 7.086f}, {0, 13, -9.999f}, {0, 14, 0.755f}, {0, 20, 0.989f}}},
        {"999 fills a line of a series that ends in thousandths",
         "AAA     1990" + nine + "   999\nAAA     2000   200 -9999\n", {{"AAA", 1990, 11}},
         {{0, 0, 0.1f}, {0, 9, 0.999f}, {0, 10, 0.2f}}},
        {"999 fills a line of a series that ends in hundredths",
         "AAA     1990" + nine + "   999\nAAA     2000   200   999\n", {{"AAA", 1990, 9}, {"AAA", 2000, 1}},
         {{0, 0, 1.0f}, {0, 8, 1.8f}, {1, 0, 2.0f}}},
        {"999 fills a line before another series",
         "AAA     1990" + nine + "   999\nBBB     2000   200 -9999\n", {{"AAA", 1990, 9}, {"BBB", 2000, 1}},
         {{0, 0, 1.0f}, {1, 0, 0.2f}}},
        {"no end marker in a file of thousandths",
         "AAA     1995   100   200   300   400   500\nBBB     1995   100   200 -9999\nCCC     1995   300 -9999\n",
         {{"AAA", 1995, 5}, {"BBB", 1995, 2}, {"CCC", 1995, 1}}, {{0, 0, 0.1f}, {0, 4, 0.5f}, {1, 1, 0.2f}}},
        {"no end marker in a file of hundredths",
         "AAA     1995   100   200   300   400   500\nBBB     1995   100   200   999\n",
         {{"AAA", 1995, 5}, {"BBB", 1995, 2}}, {{0, 0, 1.0f}, {0, 4, 5.0f}}},
    };
    for (const ReadCase& c : cases) expect_reads_as(c);
}

// An identifier of 8 characters whose last or last but one is a minus sign
// (NCFL06-N, shut26-2) is followed by a year of 4 columns: read as a year of 5
// or 6 columns, its lines would run backwards in time (-1876, then -1880). The
// true years before 1000 BC of the 5- and 6-column forms keep their reading;
// a series of one line takes the reading nearer to the file's other series.
TEST(TucsonRead, IdentifiersThatRunIntoTheYear) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<Expected> series;
        int warnings = 0;
    };
    const Case cases[] = {
        // ak051.rwl (the wide reading, -N1998, is no number at all)
        {"minus sign, then a letter",
         "NCFL06-N1998   284   275\nNCFL06-N2000   289   416 -9999\nNCFL10-N1875  1144   871   968   849  1148\n"
         "NCFL10-N1880  1066 -9999\n",
         {{"NCFL06-N", 1998, 4}, {"NCFL10-N", 1875, 6}}},
        // russ297.rwl, with a plain identifier after it
        {"minus sign, then a digit",
         "SPL01b-01876   216   175   184   142\n"
         "SPL01b-01880   142   101    15    99   101    42    60    61    68    68\nSPL01b-01890    90   999\n"
         "SPL08m2 1874   101   124   999\n",
         {{"SPL01b-0", 1876, 15}, {"SPL08m2", 1874, 2}}},
        // newz076e.rwl: a blank first column, and an identifier that goes on
        // after its end marker
        {"identifier carried on after an end marker",
         " TKPT5-11860  1740  1410  1410  1120  1010  1200  1180   670    90   130\n TKPT5-11870   210   160 -9999\n"
         " TKPT5-11900   300   240   280   300   340   230   440   460   570   670\n TKPT5-11910   740 -9999\n",
         {{" TKPT5-1", 1860, 12}, {" TKPT5-1", 1900, 11}}, 1},  // two series share the identifier
        {"five-column year before 1000 BC",
         "ABCDEFG-3776   100   200   300   400   500   600\nABCDEFG-3770   700 -9999\n", {{"ABCDEFG", -3776, 7}}},
        {"six-column year", "ABCDEF-10003   100   200   300\nABCDEF-10000   400 -9999\n", {{"ABCDEF", -10003, 4}}},
        {"one line among series of our era", "AAA     1990   100   999\nshut26-21995   100   999\n",
         {{"AAA", 1990, 1}, {"shut26-2", 1995, 1}}},
        {"one line among series before our era", "BBB     -990   100   999\nABCDEFG-1005   100   999\n",
         {{"BBB", -990, 1}, {"ABCDEFG", -1005, 1}}},
        {"one line alone keeps the reading of its minus sign", "ABCDEFG-3776   100   999\n", {{"ABCDEFG", -3776, 1}}},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        expect_series(read_all(t), c.series, c.what);
        EXPECT_EQ(count_lines_with(t.listing(), "warning"), c.warnings) << c.what << "\n" << t.listing();
    }
    // The same in an index file: an identifier of 6 characters before the year.
    TucsonRead t;
    t.open_text(t.in, "ABC-N11985" + rep("9990  0", 5) + rep("1000  1", 5) + "\nABC-N11990" + "1100  1" +
                          rep("9990  0", 9) + "\n");
    expect_series(read_all(t, "ir"), {{"ABC-N1", 1985, 6}}, "index");
}

// A line of a series that cannot be read as its layout says keeps the values
// around it at their years: values written without their 6-column fields are
// read by their separators (blanks, tabs), a NUL reads as a blank, and a line
// that cannot be read at all becomes missing values for its decade, with a
// warning line that names the series and the line.
TEST(TucsonRead, LinesThatCannotBeReadKeepTheValuesAtTheirYears) {
    const std::string full = "   100   101   102   103   104   105   106   107   108   109";
    const std::string nul6(6, '\0');
    const ReadCase cases[] = {
        // ut562.rwl: the end marker of UTP1112B is followed by a tab; the next
        // series was appended to it, up to the year 2136. Blanks and tabs after
        // the last field are no part of a line.
        {"tab after the end marker",
         "UTP1112B2000   195   506     0   281   265   535     0   847   252   242          \n"
         "UTP1112B2010   563   435    69   119   651   758   626 -9999         \t            \n"
         "UTP1113A1890   406   482   423    88   608   447   233   776   730     0          \n"
         "UTP1113A1900   486 -9999\n",
         {{"UTP1112B", 2000, 17}, {"UTP1113A", 1890, 11}},
         {{0, 10, 0.563f}, {0, 16, 0.626f}, {1, 0, 0.406f}},
         ""},
        // mexi028l.rwl: a tab at the end of the line of the end marker; the
        // line after it is one column off its fields, each value in one field
        {"tab inside a line",
         "TAB15BLW1920   43    41    25    38    17    64    19    26     6     5\n"
         "TAB15BLW1930    5  -9999" + std::string(47, ' ') + "\t\n"
         "TAB16ALW1815   99    37   100    73    58\nTAB16ALW1820    76 -9999\n",
         {{"TAB15BLW", 1920, 11}, {"TAB16ALW", 1815, 6}},
         {{0, 0, 0.043f}, {0, 10, 0.005f}, {1, 0, 0.099f}, {1, 5, 0.076f}},
         ""},
        // bra009.rwl, series SSB17C: values of 3 to 5 digits between two blanks
        {"values between blanks, not in fields",
         "SSB17C  1980  6640  5585  2235  957  404  320  575  1692  617  1328\n"
         "SSB17C  1990  1586  5733  3267  5177  3455  6558  8070  7613  4875  3800\n"
         "SSB17C  2000  1517  4782  1553  3013  7660  6951  7966  5941  6880  903\n"
         "SSB17C  2010  1518  1071  660  1018  1299  1091 -9999\n",
         {{"SSB17C", 1980, 36}},
         {{0, 3, 0.957f}, {0, 4, 0.404f}, {0, 9, 1.328f}, {0, 10, 1.586f}, {0, 29, 0.903f}, {0, 32, 0.66f},
          {0, 35, 1.091f}},
         "series SSB17C   has   1 lines without 6-column fields"},
        {"decimal point in a value",
         "AAA     1990" + full + "\nAAA     2000   100   1.5   120   130   140   150   160   170   180   190\n"
         "AAA     2010   120   999\n",
         {{"AAA", 1990, 21}}, {{0, 9, 1.09f}, {0, 10, -9.99f}, {0, 19, -9.99f}, {0, 20, 1.2f}},
         "series AAA      line      2 of the file cannot be read: years  2000 to  2009 taken as missing values"},
        {"letter in the year",
         "AAA     1990" + full + "\nAAA     2O00" + full + "\nAAA     2010   120   999\n", {{"AAA", 1990, 21}},
         {{0, 10, -9.99f}, {0, 19, -9.99f}, {0, 20, 1.2f}},
         "series AAA      line      2 of the file cannot be read: years  2000 to  2009 taken as missing values"},
        // the values of a line whose year is spoiled are missing, but its end
        // marker still ends the series, in thousandths (the missing values
        // are the reader's own: xmiss, not scaled)
        {"letter in the year of the line of the end marker",
         "AAA     1990" + full + "\nAAA     2O00   120 -9999\n", {{"AAA", 1990, 11}},
         {{0, 0, 0.1f}, {0, 9, 0.109f}, {0, 10, xmiss}},
         "series AAA      line      2 of the file cannot be read: years  2000 to  2000 taken as missing values"},
        {"end marker on a line that cannot be read",
         "AAA     1990" + full + "\nAAA     2000   1.5   200 -9999\nBBB     1990   100   999\n",
         {{"AAA", 1990, 12}, {"BBB", 1990, 1}}, {{0, 0, 0.1f}, {0, 10, xmiss}, {0, 11, xmiss}, {1, 0, 1.0f}},
         "series AAA      line      2 of the file cannot be read: years  2000 to  2001 taken as missing values"},
        {"NUL bytes in a value field",
         "AAA     1990   100   200" + nul6 + "   400   999\n", {{"AAA", 1990, 4}},
         {{0, 1, 2.0f}, {0, 2, -9.99f}, {0, 3, 4.0f}}, "line AAA       1990 has  1 empty value fields"},
        {"a line of NUL bytes",
         "AAA     1990" + full + "\n" + std::string(72, '\0') + "\nAAA     2010   120   999\n", {{"AAA", 1990, 21}},
         {{0, 10, -9.99f}, {0, 20, 1.2f}}, "line AAA       2010 does not follow on from series AAA      at year  2000"},
        // bra009.rwl as the fixed fields read it: a series without its end
        // marker ends at the next identifier
        {"new identifier after a missing end marker",
         "SSB05B  2000  1638  1618  1046  1666  1452   790   518   700   405   903\n"
         "SSB04A  1983  3658  9217  3156  2750  3232  2828  4368\nSSB04A  1990  2463 -9999\n",
         {{"SSB05B", 2000, 10}, {"SSB04A", 1983, 8}}, {{0, 0, 1.638f}, {1, 0, 3.658f}, {1, 7, 2.463f}},
         "series SSB05B   ends without an end marker before line SSB04A    1983"},
    };
    for (const ReadCase& c : cases) expect_reads_as(c);
}

// Layout quirks of real files of the public data bank, each built from lines
// cut from such a file (its runs of values completed where they were cut
// short), with what it must read as: one series per identifier run, every
// value at its year, and one warning line for each decision. Expected values:
// the integers of the lines times 0.01 (series ending in 999) or 0.001 (in
// -9999); years the reader fills are xmiss whatever the units.
TEST(TucsonRead, LayoutQuirksOfRealFiles) {
    const std::string a1900 = "A001    1900   100   200   300   400   500   600   700   800   900   999\n";
    const std::string tenths = "   101   111   121   131   141   151   161   171   181   191";
    const std::string nul3(3, '\0');
    struct Case {
        const char* what;
        std::string file;
        std::vector<Expected> series;
        std::vector<At> values;
        std::vector<const char*> needles;  // one warning line each, and no other
    };
    const Case cases[] = {
        // 999 in the last field of a line, the series going on after a gap
        // and ending in -9999: a ring of 0.999 mm, the gap missing
        {"999, then a skipped decade",
         a1900 + "A001    1920   110   120   130   140   150   160   170   180   190 -9999\n",
         {{"A001", 1900, 29}},
         {{0, 0, 0.1f}, {0, 9, 0.999f}, {0, 10, xmiss}, {0, 19, xmiss}, {0, 20, 0.11f}, {0, 28, 0.19f}},
         {"series A001     line      1 of the file: 999 in year  1909 taken as a ring, not as an end marker",
          "line A001      1920 does not follow on from series A001     at year  1910"}},
        {"999, then a line that starts mid-decade",
         a1900 + "A001    1915   110   120   130   140   150\nA001    1920   160 -9999\n", {{"A001", 1900, 21}},
         {{0, 9, 0.999f}, {0, 10, xmiss}, {0, 14, xmiss}, {0, 15, 0.11f}, {0, 20, 0.16f}},
         {"999 in year  1909 taken as a ring", "line A001      1915 does not follow on from series A001     at year  1910"}},
        {"999, then a line that cannot be read",
         a1900 + "A001    1910   110   1.5   130   140   150   160   170   180   190   200\nA001    1920   210 -9999\n",
         {{"A001", 1900, 21}}, {{0, 9, 0.999f}, {0, 10, xmiss}, {0, 19, xmiss}, {0, 20, 0.21f}},
         {"999 in year  1909 taken as a ring",
          "series A001     line      2 of the file cannot be read: years  1910 to  1919 taken as missing values"}},
        // ak059.rwl, series AV37a: a 999 with values after it is a ring too
        {"999 inside a line",
         "AV37a   1890   813   999   646   527   638   633   694  1005   818   405\nAV37a   1900   867 -9999\n",
         {{"AV37a", 1890, 11}}, {{0, 1, 0.999f}, {0, 10, 0.867f}},
         {"series AV37a    line      1 of the file: 999 in year  1891 taken as a ring, not as an end marker"}},
        // blanks and tabs in the identifier columns are the same padding
        {"tab after the identifier",
         "mrr08nw 1830" + tenths + "\nmrr08nw\t1840" + tenths + "\nmrr08nw 1850   121   999\n",
         {{"mrr08nw", 1830, 21}}, {{0, 10, 1.01f}, {0, 20, 1.21f}}, {}},
        {"tab on the first line", "mrr08nw\t1840" + tenths + "\nmrr08nw 1850   121   999\n",
         {{"mrr08nw", 1840, 11}}, {}, {}},
        // a line out of order goes at its own years when the lines skipped
        // them, or ends the year before the series begins
        {"decade lines out of order",
         "OOO1    1130" + tenths + "\nOOO1    1150" + tenths + "\nOOO1    1140   201   211   221   231   241   251"
             "   261   271   281   291\nOOO1    1160   401   999\n",
         {{"OOO1", 1130, 31}}, {{0, 9, 1.91f}, {0, 10, 2.01f}, {0, 19, 2.91f}, {0, 20, 1.01f}, {0, 30, 4.01f}},
         {"line OOO1      1150 does not follow on from series OOO1     at year  1140",
          "line OOO1      1140 is out of order: its values are read at their years in series OOO1"}},
        {"a decade before the first line",
         "OOO3    1150" + tenths + "\nOOO3    1140   201   211   221   231   241   251   261   271   281   291\n"
             "OOO3    1160   401   999\n",
         {{"OOO3", 1140, 21}}, {{0, 0, 2.01f}, {0, 9, 2.91f}, {0, 10, 1.01f}, {0, 20, 4.01f}},
         {"line OOO3      1140 is out of order"}},
        {"a line that would overwrite values starts a new series",
         "OOO4    1130" + tenths + "\nOOO4    1150" + tenths + "\nOOO4    1155   501   502   503   504   505\n"
             "OOO4    1160   401   999\n",
         {{"OOO4", 1130, 30}, {"OOO4", 1155, 6}}, {{1, 0, 5.01f}, {1, 5, 4.01f}},
         {"line OOO4      1150 does not follow on", "series OOO4     ends without an end marker before line OOO4      1155",
          "series OOO4     from line      3 of the file has the identifier of a series read before: two series share it"}},
        // the columns of a line of UTF-8 are characters; the identifier is
        // kept in its 8 columns, whatever bytes its letters take
        {"Cyrillic identifier", "ВВ9A    1540" + tenths + "\nВВ9A    1550   111   999\n", {{"ВВ9A", 1540, 11}},
         {{0, 0, 1.01f}, {0, 10, 1.11f}}, {}},
        {"identifier of eight letters of two bytes",
         "ЖЖЖЖЖЖЖЖ1545     1     2     3     4     5\nЖЖЖЖЖЖЖЖ1550     6   999\n", {{"ЖЖЖЖЖЖЖЖ", 1545, 6}},
         {{0, 5, 0.06f}}, {}},
        {"identifiers of seven characters that differ in the last (9 bytes each)",
         "Áä89-10 1901   209   115   999\nÁä89-11 1901   148   126   999\n",
         {{"Áä89-10", 1901, 2}, {"Áä89-11", 1901, 2}}, {{0, 1, 1.15f}, {1, 0, 1.48f}}, {}},
        {"a byte of another code page is a column", "\xC4" "BC     1990   100   999\n", {{"\xC4" "BC", 1990, 1}}, {}, {}},
        // a full 6-digit field after a 5-digit one
        {"six digits after five",
         "ABC     1980 21700 12600 40000130200 19600 20000 21000 22000 23000 24000\nABC     1990 25000 -9999\n",
         {{"ABC", 1980, 11}}, {{0, 2, 40.0f}, {0, 3, 130.2f}, {0, 4, 19.6f}, {0, 10, 25.0f}}, {}},
        // once a series has been read, a line that cannot be read is no title
        // line: the first line of the series it goes on into, or not read
        {"first line of a later series cannot be read",
         "BBB     1990   100   999\nABD     1970   100   1x0   120\nABD     1980   200 -9999\n",
         {{"BBB", 1990, 1}, {"ABD", 1970, 11}}, {{1, 0, xmiss}, {1, 9, xmiss}, {1, 10, 0.2f}},
         {"series ABD      line      2 of the file cannot be read: years  1970 to  1979 taken as missing values"}},
        {"first line of a series after one without its end marker",
         "BBB     1998   100   200\nABD     1970   100   1x0   120\nABD     1980   200 -9999\n",
         {{"BBB", 1998, 2}, {"ABD", 1970, 11}}, {{1, 10, 0.2f}},
         {"series BBB      ends without an end marker before line ABD       1970",
          "series ABD      line      2 of the file cannot be read: years  1970 to  1979"}},
        {"a spoiled line between series",
         "BBB     1990   100   999\nABD     1970   100   1x0   120\nCCC     1980   200 -9999\n",
         {{"BBB", 1990, 1}, {"CCC", 1980, 1}}, {},
         {"line ABD       1970 cannot be read as a data line: not read"}},
        // NUL and control bytes in a value field: damaged, not blanks
        {"NUL bytes inside a value field",
         "NUL1    1990   228  " + nul3 + "8   400   999\n", {{"NUL1", 1990, 3}}, {{0, 0, 2.28f}, {0, 1, xmiss}, {0, 2, 4.0f}},
         {"series NUL1     line      1 of the file has  1 value fields with control characters: taken as missing values"}},
        {"a control byte inside a value field", "CTL1    1990   228   3\x01" "8   400   999\n", {{"CTL1", 1990, 3}},
         {{0, 0, 2.28f}, {0, 1, xmiss}, {0, 2, 4.0f}}, {"series CTL1     line      1 of the file has  1 value fields"}},
        // a year before -999 among series of our era: the reading under which
        // the identifier and the years go on into the next line
        {"year -1000 with series of our era",
         "EARLY1 -1000" + tenths + "\nEARLY1  -990" + tenths + "\nEARLY1  -980   121   999\nB001    1900   150   999\n",
         {{"EARLY1", -1000, 21}, {"B001", 1900, 1}}, {{0, 0, 1.01f}, {0, 10, 1.01f}, {0, 20, 1.21f}}, {}},
        // the year in columns 8-11 and each value one column to the left,
        // line after line: CAN101 from 1858, not "CAN101 1" from 858
        {"year one column to the left",
         "CAN101 1858   360   330\n"
         "CAN101 1860   160   430   190    90   140   170   280   660   430   610\n"
         "CAN101 1870   940   999\nB002    1860   100   200   999\n",
         {{"CAN101", 1858, 13}, {"B002", 1860, 2}},
         {{0, 0, 3.6f}, {0, 1, 3.3f}, {0, 2, 1.6f}, {0, 5, 0.9f}, {0, 11, 6.1f}, {0, 12, 9.4f}, {1, 1, 2.0f}},
         {"series CAN101   has   3 lines one column to the left of the layout (year in columns 8-11)"}},
        // ... but a blank column 8 is a year of three digits, and a letter
        // there belongs to the identifier
        {"year of three digits after two blanks", "CM123C  990    730   520   999\n", {{"CM123C", 990, 2}},
         {{0, 0, 7.3f}, {0, 1, 5.2f}}, {}},
        {"identifier of eight characters before a year of three digits",
         "YKCrw05b969    112\nYKCrw05b970    120   999\n", {{"YKCrw05b", 969, 2}}, {{0, 0, 1.12f}, {0, 1, 1.2f}}, {}},
        // a tab in the identifier columns moves to the next tab stop (column
        // 9) when the line then fits the layout, and is one column otherwise
        {"tab after an identifier of six characters",
         "moo07b  1794  2110  1960  2050  2120  1850  1330\n"
         "moo07b\t1800  1300  1890  1830  1310   880  1240  2090  1760  1560  2140\n"
         "moo07b  1810  1500 -9999\n",
         {{"moo07b", 1794, 17}}, {{0, 0, 2.11f}, {0, 5, 1.33f}, {0, 6, 1.3f}, {0, 15, 2.14f}, {0, 16, 1.5f}}, {}},
        {"tab after an identifier of two characters", "ab\t1950   100   200   999\n", {{"ab", 1950, 2}},
         {{0, 0, 1.0f}, {0, 1, 2.0f}}, {}},
        {"tab and blanks before the year", "25B\t    1930   100   999\n", {{"25B", 1930, 1}}, {{0, 0, 1.0f}}, {}},
        // the -9999 ends the series: it is in thousandths, and the 999 before
        // it is a ring of 0.999 mm
        {"999 straight before -9999",
         "APB02A  2000  1316   933  1492   907   598  1177  2091  1369  2228  1819\n"
         "APB02A  2010  1822  1585  1741  1370   999 -9999\nB002    2000   100   200   999\n",
         {{"APB02A", 2000, 15}, {"B002", 2000, 2}}, {{0, 0, 1.316f}, {0, 13, 1.37f}, {0, 14, 0.999f}, {1, 1, 2.0f}},
         {"series APB02A   line      2 of the file: 999 in year  2014 taken as a ring, not as an end marker"}},
        // the series' first line out of order: the lines before its years go
        // there, and a line that goes on from such a line is in order there
        {"first line of a series out of order",
         "OOO5    1820" + tenths + "\nOOO5    1800   201   211   221   231   241   251   261   271   281   291\n"
             "OOO5    1810   301   311   321   331   341   351   361   371   381   391\nOOO5    1830   401   999\n",
         {{"OOO5", 1800, 31}}, {{0, 0, 2.01f}, {0, 10, 3.01f}, {0, 19, 3.91f}, {0, 20, 1.01f}, {0, 30, 4.01f}},
         {"line OOO5      1800 is out of order: its values are read at their years in series OOO5"}},
        // control bytes before the identifier are no columns of the line; a
        // NUL that the line needs as a column is a blank
        {"NUL bytes before an identifier",
         "EX101A  1820" + tenths + "\n" + std::string(2, '\0') +
             "EX101A  1830   201   211   221   231   241   251   261   271   281   291\nEX101A  1840   401   999\n",
         {{"EX101A", 1820, 21}}, {{0, 9, 1.91f}, {0, 10, 2.01f}, {0, 19, 2.91f}, {0, 20, 4.01f}},
         {"line      2 of the file has control characters before its year: dropped, the line read as EX101A    1830"}},
        {"NUL bytes before lines of narrow rings",
         "EX101A  1890     8    11    11    13    10    10     9    13    10    10\n" + std::string(2, '\0') +
             "EX101A  1900    15     8    11     9    10    10     8    12    11     6\n" + std::string(2, '\0') +
             "EX101A  1910     7   999\n",
         {{"EX101A", 1890, 21}}, {{0, 9, 0.1f}, {0, 10, 0.15f}, {0, 19, 0.06f}, {0, 20, 0.07f}},
         {"line      2 of the file has control characters before its year: dropped, the line read as EX101A    1900",
          "line      3 of the file has control characters before its year: dropped, the line read as EX101A    1910"}},
        {"NUL bytes between identifier and year", "NUL2" + std::string(4, '\0') + "1990   100   999\n",
         {{"NUL2", 1990, 1}}, {{0, 0, 1.0f}}, {}},
        // a line that stands in its columns as written is read so, though a
        // tab stop or dropping its NULs would fit too (values of 3 digits)
        {"tab, then blanks up to the year",
         "S0AB\t   1900   100   101   102   103   104   105   106   107   108   109\nS0AB\t   1910   110   999\n",
         {{"S0AB", 1900, 11}}, {{0, 0, 1.0f}, {0, 9, 1.09f}, {0, 10, 1.1f}}, {}},
        {"identifier in a field of 8 bytes padded with NULs",
         "S0" + std::string(6, '\0') + "1900   100   101   102   103   104   105   106   107   108   109\nS0" +
             std::string(6, '\0') + "1910   110   999\n",
         {{"S0", 1900, 11}}, {{0, 0, 1.0f}, {0, 9, 1.09f}, {0, 10, 1.1f}}, {}},
        // a writer that pads identifiers to 8 bytes: the line stands in its
        // columns only counted by bytes
        {"identifier of 8 bytes with a letter of two",
         "EX\u00e9101A1810   310   188   259   262   321   299   346   225   220   324\nEX\u00e9101A1820   243   999\n",
         {{"EX\u00e9101A", 1810, 11}}, {{0, 0, 3.1f}, {0, 9, 3.24f}, {0, 10, 2.43f}}, {}},
        // the year of a series' first line spoiled: the next line of its
        // identifier tells its years, at which its values are read
        {"first line of a series with a spoiled year",
         "BBB     1990   100   999\nEX102B  18l1   243   290   232   237   304   430   169   207   354\n"
         "EX102B  1850   433   999\n",
         {{"BBB", 1990, 1}, {"EX102B", 1841, 10}}, {{1, 0, 2.43f}, {1, 8, 3.54f}, {1, 9, 4.33f}},
         {"series EX102B   line      2 of the file has a year that cannot be read: its values are read at  1841 to"
          "  1849, the years its next line gives"}},
        {"first line of the file with a spoiled year",
         "EX102B  18l1   243   290   232   237   304   430   169   207   354\nEX102B  1850   433   999\n",
         {{"EX102B", 1841, 10}}, {{0, 0, 2.43f}, {0, 9, 4.33f}},
         {"series EX102B   line      1 of the file has a year that cannot be read: its values are read at  1841"}},
        {"a spoiled year that the next line contradicts",
         "BBB     1990   100   999\nEX102B  17x1   243   290   232   237   304   430   169   207   354\n"
         "EX102B  1850   433   999\n",
         {{"BBB", 1990, 1}, {"EX102B", 1850, 1}}, {{1, 0, 4.33f}},
         {"line      2 of the file has values but a year that cannot be read: not read"}},
        // the first line of a file, its year spoiled in two characters or a
        // digit lost to a blank: data, not a title line
        {"first line of the file, two characters of its year spoiled",
         "EX101A  1ll0   310   188   259   262   321   299   346   225   220   324\nEX101A  1820   243   999\n",
         {{"EX101A", 1810, 11}}, {{0, 0, 3.1f}, {0, 9, 3.24f}, {0, 10, 2.43f}},
         {"series EX101A   line      1 of the file has a year that cannot be read: its values are read at  1810 to"
          "  1819"}},
        {"first line of the file, a digit of its year lost to a blank",
         "EX101A  18 0   310   188   259   262   321   299   346   225   220   324\nEX101A  1820   243   999\n",
         {{"EX101A", 1810, 11}}, {{0, 0, 3.1f}, {0, 10, 2.43f}},
         {"series EX101A   line      1 of the file has a year that cannot be read: its values are read at  1810"}},
        {"first line of the file, a year that the next line contradicts",
         "EX101A  17 0   310   188   259   262   321   299   346   225   220   324\nEX101A  1820   243   999\n",
         {{"EX101A", 1820, 1}}, {{0, 0, 2.43f}},
         {"line      1 of the file has values but a year that cannot be read: not read"}},
        // two end markers side by side are read by the units of the file's
        // other series: where they end in -9999, the -9999 after a full line
        // ends the series in thousandths and the 999 before it is a ring;
        // where they end in 999, that 999 ends the series and the -9999 is a
        // stray
        {"999 in the tenth field, -9999 after it, in a file of thousandths",
         "ELF003A 2000   903   733   694  1106  1029   646   736   691   829   999 -9999\nB002    2000   100   200 -9999\n",
         {{"ELF003A", 2000, 10}, {"B002", 2000, 2}}, {{0, 0, 0.903f}, {0, 8, 0.829f}, {0, 9, 0.999f}, {1, 1, 0.2f}},
         {"series ELF003A  line      1 of the file: 999 in year  2009 taken as a ring, not as an end marker"}},
        {"999 in the tenth field, -9999 after it, in a file of hundredths",
         "ELF003A 2000   903   733   694  1106  1029   646   736   691   829   999 -9999\nB002    2000   100   200   999\n",
         {{"ELF003A", 2000, 9}, {"B002", 2000, 2}}, {{0, 0, 9.03f}, {0, 8, 8.29f}, {1, 1, 2.0f}},
         {"line ELF003A   2000 holds -9999 after its end marker   999: not read"}},
        {"-9999, then 999, in a file of hundredths",
         "MR01    2000   120   130    87 -9999   999\nB002    2000   100   200   999\n",
         {{"MR01", 2000, 4}, {"B002", 2000, 2}}, {{0, 0, 1.2f}, {0, 2, 0.87f}, {0, 3, -99.99f}, {1, 1, 2.0f}}, {}},
        {"-9999, then 999, in a file of thousandths",
         "MR01    2000   120   130    87 -9999   999\nB002    2000   100   200 -9999\n",
         {{"MR01", 2000, 3}, {"B002", 2000, 2}}, {{0, 0, 0.12f}, {0, 2, 0.087f}, {1, 1, 0.2f}},
         {"line MR01      2000 holds   999 after its end marker -9999: not read"}},
        // a series whose own markers disagree with the file's units says so
        // where it names a marker
        {"a ring of 999 in a series of thousandths among series of hundredths",
         "AV37a   1890   813   999   646 -9999\nB001    1900   100   999\nB002    1900   100   999\n",
         {{"AV37a", 1890, 3}, {"B001", 1900, 1}, {"B002", 1900, 1}}, {{0, 1, 0.999f}},
         {"999 in year  1891 taken as a ring, not as an end marker: the series is read in thousandths"}},
        // a line written twice is read once; a second series of an
        // identifier is named
        {"a line copied after other series",
         "EX102B  1980    92    93   999\nEX101A  1980   105   999\nEX102B  1980    92    93   999\n",
         {{"EX102B", 1980, 2}, {"EX101A", 1980, 1}}, {},
         {"line      3 of the file repeats the values of EX102B   read before for  1980 to  1981: not read"}},
        {"a line copied inside its series",
         "EX101A  1980" + tenths + "\nEX101A  1980" + tenths + "\nEX101A  1990   105   999\n", {{"EX101A", 1980, 11}},
         {{0, 9, 1.91f}, {0, 10, 1.05f}},
         {"line      2 of the file repeats the values of EX101A   read before for  1980 to  1989: not read"}},
        {"a second series of an identifier on the same years",
         "EX102B  1980    92    93   999\nEX101A  1980   105   999\nEX102B  1980    92    94   999\n",
         {{"EX102B", 1980, 2}, {"EX101A", 1980, 1}, {"EX102B", 1980, 2}}, {{2, 1, 0.94f}},
         {"series EX102B   from line      3 of the file has the identifier of a series read before: two series share it"}},
        // a tab inside an identifier is no column of it; a line that no
        // reading gives its year in its columns is named, never cut apart
        {"a tab inside an identifier",
         "EX101A  1890" + tenths + "\nEX1\t01A  1900" + tenths + "\nEX101A  1910   105   999\n",
         {{"EX101A", 1890, 21}}, {{0, 10, 1.01f}, {0, 20, 1.05f}},
         {"line      2 of the file has a tab inside its identifier: dropped, the line read as EX101A    1900"}},
        {"a letter inside an identifier",
         "EX101A  1890" + tenths + "\nEX1\u00e901A  1900" + tenths + "\nEX101A  1910   105   999\n",
         {{"EX101A", 1890, 21}}, {{0, 9, 1.91f}, {0, 10, xmiss}, {0, 19, xmiss}, {0, 20, 1.05f}},
         {"line      2 of the file has values but a year that cannot be read: not read",
          "line EX101A    1910 does not follow on from series EX101A   at year  1900"}},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, c.file);
        const auto got = read_all(t);
        expect_series(got, c.series, c.what);
        expect_values(got, c.values, c.what);
        const std::string listing = t.listing();
        for (const char* needle : c.needles) EXPECT_EQ(count_lines_with(listing, needle), 1) << c.what << "\n" << listing;
        EXPECT_EQ(count_lines_with(listing, "warning"), static_cast<int>(c.needles.size())) << c.what << "\n" << listing;
        EXPECT_EQ(t.title, std::string(80, ' ')) << c.what;  // no line is the title
    }
}

// Series of one identifier: a segment of a core (after the end marker of the
// series before it, on other years) is named once per file, in one block at
// the end; a series that shares years with an earlier one, or follows one
// that a stray line cut short, keeps a line of its own; a line that holds
// only an end marker is a series without values, not a second series.
TEST(TucsonRead, SeriesOfOneIdentifier) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<Expected> series;
        std::vector<std::string> warnings;  // the listing's lines, in order
    };
    const std::string block =
        " *** warning: identifiers shared by segments of one core (each series after the end marker of the one "
        "before, on other years), with their numbers of series:";
    const Case cases[] = {
        {"segments of one core",
         "LT052B  1916   871   675   725   898\nLT052B  1920   770   321 -9999\nLT052B  1930   249   121 -9999\n"
         "LT053A  1916   871   675 -9999\nLT052B  1950   138 -9999\nLT053A  1930   249 -9999\n",
         {{"LT052B", 1916, 6}, {"LT052B", 1930, 2}, {"LT053A", 1916, 2}, {"LT052B", 1950, 1}, {"LT053A", 1930, 1}},
         {block, "     LT052B    3    LT053A    2"}},
        {"seven identifiers of segments, six to a line",
         "A1      1990   100   999\nA1      2000   100   999\nA2      1990   100   999\nA2      2000   100   999\n"
         "A3      1990   100   999\nA3      2000   100   999\nA4      1990   100   999\nA4      2000   100   999\n"
         "A5      1990   100   999\nA5      2000   100   999\nA6      1990   100   999\nA6      2000   100   999\n"
         "A7      1990   100   999\nA7      2000   100   999\n",
         {{"A1", 1990, 1}, {"A1", 2000, 1}, {"A2", 1990, 1}, {"A2", 2000, 1}, {"A3", 1990, 1}, {"A3", 2000, 1},
          {"A4", 1990, 1}, {"A4", 2000, 1}, {"A5", 1990, 1}, {"A5", 2000, 1}, {"A6", 1990, 1}, {"A6", 2000, 1},
          {"A7", 1990, 1}, {"A7", 2000, 1}},
         {block, "     A1        2    A2        2    A3        2    A4        2    A5        2    A6        2",
          "     A7        2"}},
        {"a second series on the same years",
         "EX102B  1980    92    93   999\nEX102B  1980    92    94   999\n", {{"EX102B", 1980, 2}, {"EX102B", 1980, 2}},
         {" *** warning: series EX102B   from line      2 of the file has the identifier of a series read before: two "
          "series share it"}},
        {"a second series on the same years, then a segment",
         "EX102B  1980    92    93   999\nEX102B  1980    92    94   999\nEX102B  1990    95   999\n",
         {{"EX102B", 1980, 2}, {"EX102B", 1980, 2}, {"EX102B", 1990, 1}},
         {" *** warning: series EX102B   from line      2 of the file has the identifier of a series read before: two "
          "series share it",
          block, "     EX102B    3"}},
        {"a series cut by a stray line",
         "CUT1    1998   100   110\nBBB     1990   100   999\nCUT1    2000   120   999\n",
         {{"CUT1", 1998, 2}, {"BBB", 1990, 1}, {"CUT1", 2000, 1}},
         {" *** warning: series CUT1     ends without an end marker before line BBB       1990",
          " *** warning: series CUT1     from line      3 of the file has the identifier of a series read before: two "
          "series share it"}},
        {"an end marker alone after a series that ended",
         "MAP973  1975   100   110   120   130   999\nMAP973  1980   999\n", {{"MAP973", 1975, 4}, {"MAP973", 1980, 0}},
         {}},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        t.open_text(t.in, c.file);
        expect_series(read_all(t), c.series, c.what);
        std::vector<std::string> lines;
        for (const auto& l : t.listing_lines())
            if (!l.empty()) lines.push_back(l);
        EXPECT_EQ(lines, c.warnings) << c.what;
    }
}

// A series whose identifier is longer than columns 1-8 fits none of its
// lines to the layout: it is not read, but named in a warning line, and it
// ends a series before it that lacks its end marker. A year of five digits
// in columns 8-12 reads as the last four: the warning line says so.
TEST(TucsonRead, SeriesThatDoNotFitTheLayoutAreNamed) {
    const std::string nine = "   100   110   120   130   140   150   160   170   180";
    struct Case {
        const char* what;
        std::string file;
        std::vector<Expected> series;
        std::vector<const char*> needles;  // one warning line each
    };
    const Case cases[] = {
        {"identifier of 11 characters run into the year",
         "ABCDEFGHIJK1990" + nine + "\nABCDEFGHIJK2000   100   999\nAAA     1990   100   999\n", {{"AAA", 1990, 1}},
         {"series ABCDEFGHIJK has an identifier longer than 8 columns: its lines do not fit the layout and are not read"}},
        {"identifier of 10 characters, a blank before the year",
         "ABCDEFGH12 1990   100   200\nABCDEFGH12 2000   100   999\nAAA     1990   100   999\n", {{"AAA", 1990, 1}},
         {"series ABCDEFGH12 has an identifier longer than 8 columns"}},
        {"the end marker alone on a line of such a series",
         "ABCDEFGHIJK1990" + nine + "\nABCDEFGHIJK1999   100\nABCDEFGHIJK2000 -9999\nAAA     1990   100   999\n",
         {{"AAA", 1990, 1}}, {"series ABCDEFGHIJK has"}},
        {"two such series",
         "ABCDEFGHIJK1990   100   999\nABCDEFGHIJL1990   100   999\nAAA     1990   100   999\n", {{"AAA", 1990, 1}},
         {"series ABCDEFGHIJK has", "series ABCDEFGHIJL has"}},
        {"after a series without its end marker",
         "AAA     1995   100   110   120   130   140\nABCDEFGHIJK2000   100   999\n", {{"AAA", 1995, 5}},
         {"series AAA      ends without an end marker before line      2 of the file",
          "series ABCDEFGHIJK has an identifier longer than 8 columns"}},
        {"year of five digits", "ABCDEFG10050   100   200   999\n", {{"ABCDEFG1", 50, 2}},
         {"series ABCDEFG1: year    50 of columns 9-12 may be the year  10050 of columns 8-12, which the layout cannot hold"}},
    };
    for (const Case& c : cases) {
        TucsonRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, c.file);
        expect_series(read_all(t), c.series, c.what);
        const std::string listing = t.listing();
        for (const char* needle : c.needles) EXPECT_EQ(count_lines_with(listing, needle), 1) << c.what << "\n" << listing;
        EXPECT_EQ(count_lines_with(listing, "warning"), static_cast<int>(c.needles.size())) << c.what << "\n" << listing;
        EXPECT_EQ(sc.output().find("title of data"), std::string::npos) << c.what;  // no text lines
    }
    // A text line of a long word and two years stays the title.
    TucsonRead t;
    kovtest::ScriptedConsole sc("");
    t.open_text(t.in, "NORTHCOAST 1650 1990\nAAA     1990   100   999\n");
    expect_series(read_all(t), {{"AAA", 1990, 1}}, "title");
    EXPECT_EQ(t.title, padded("NORTHCOAST 1650 1990", 80));
    EXPECT_EQ(count_lines_with(t.listing(), "warning"), 0);
}

namespace {

// A ring-width line of 6-column fields: the identifier in columns 1-8, the
// year in 9-12, then the integers.
std::string clean_line(const std::string& id, int year, const std::vector<int>& values) {
    std::string line = padded(id, 8) + fmt("(i4,$)", year);
    for (int v : values) line += fmt("(i6,$)", v);
    return line + "\n";
}

std::vector<int> from(int first, int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(first + i);
    return v;
}

}  // namespace

// Lines as writers and damage lay them out, each beside its clean twin (the
// same values written plainly): the file must read as its twin does, every
// value at its year, and a warning line that holds the needle (if any) says
// where the reader had to decide.
TEST(TucsonRead, DamagedLayoutsReadAsTheirCleanTwins) {
    const std::string nul6(6, '\0'), nul2(2, '\0');
    const std::string left = "123   45    67    89    101   112   131   141   151   161   ";
    struct Case {
        const char* what;
        std::string file, twin;
        const char* needle;
    };
    const Case cases[] = {
        // a real bank line: the first value straight after the year, the
        // values left-justified in their fields, the next line plain
        {"a value straight after the year",
         "HNA0417A185225    22    26    56    30    35    15    27\n" + clean_line("HNA0417A", 1860, from(23, 10)) +
             clean_line("HNA0417A", 1870, {999}),
         clean_line("HNA0417A", 1852, {25, 22, 26, 56, 30, 35, 15, 27}) + clean_line("HNA0417A", 1860, from(23, 10)) +
             clean_line("HNA0417A", 1870, {999}),
         ""},
        {"every value left-justified in its field",
         "ABCDEF  1850" + left + "\nABCDEF  1860" + left + "\nABCDEF  187027    28    29    999   \n",
         clean_line("ABCDEF", 1850, {123, 45, 67, 89, 101, 112, 131, 141, 151, 161}) +
             clean_line("ABCDEF", 1860, {123, 45, 67, 89, 101, 112, 131, 141, 151, 161}) +
             clean_line("ABCDEF", 1870, {27, 28, 29, 999}),
         ""},
        {"series of one line, a value straight after the year",
         "A1      185225    22   999\nB1      185225    22   999\n",
         clean_line("A1", 1852, {25, 22, 999}) + clean_line("B1", 1852, {25, 22, 999}),
         "series A1       has   1 lines without 6-column fields: values read by their separators"},
        {"a byte-order mark before the first data line",
         "\xEF\xBB\xBF" + clean_line("EX101A", 1835, {11, 12, 13, 14, 15}) + clean_line("EX101A", 1840, {16, 999}),
         clean_line("EX101A", 1835, {11, 12, 13, 14, 15}) + clean_line("EX101A", 1840, {16, 999}), ""},
        {"a byte-order mark before an identifier and a tab",
         "\xEF\xBB\xBF" "A1\t1835    12    13   999\nB1\t1835    22    23   999\n",
         clean_line("A1", 1835, {12, 13, 999}) + clean_line("B1", 1835, {22, 23, 999}), ""},
        // the tab of a 7-character identifier is one column as written and at
        // its tab stop alike: it tells nothing of how the 1-character one
        // is written
        {"identifiers of 1 and 7 characters, each with a tab",
         "EX101AB\t1835    11    12    13    14    15\nEX101AB\t1840    16   999\nA\t1930     2     7   999\n",
         clean_line("EX101AB", 1835, {11, 12, 13, 14, 15}) + clean_line("EX101AB", 1840, {16, 999}) +
             clean_line("A", 1930, {2, 7, 999}),
         ""},
        // an identifier right-justified in a field of 8 bytes of NULs: the
        // same bytes without the NULs would take the year into it
        {"identifiers right-justified after NULs, series of one line",
         nul6 + "AB1835    63    25    15    17   999\n" + nul6 + "AC1835    64    26    16    18   999\n",
         clean_line("      AB", 1835, {63, 25, 15, 17, 999}) + clean_line("      AC", 1835, {64, 26, 16, 18, 999}), ""},
        {"identifiers right-justified after NULs, series of one ring",
         nul6 + "B71860  1327 -9999\n" + nul6 + "B81860  1328 -9999\n",
         clean_line("      B7", 1860, {1327, -9999}) + clean_line("      B8", 1860, {1328, -9999}), ""},
        {"a tab before the blanks of a year of three digits", "A\t 850    12    34    56   999\n",
         clean_line("A", 850, {12, 34, 56, 999}), ""},
        // one column off the layout
        {"a line one column to the left, alone", "EX101A 1835    56    89    11    61   999\n",
         clean_line("EX101A", 1835, {56, 89, 11, 61, 999}), "has   1 lines one column to the left of the layout"},
        {"lines one column to the right", " EX101A  1835    56    89    11    61    62\n EX101A  1840   999\n",
         clean_line("EX101A", 1835, {56, 89, 11, 61, 62}) + clean_line("EX101A", 1840, {999}),
         "has   2 lines one column to the right of the layout"},
        {"a blank too many before the year of the first line",
         "EX101A   1835    56    89    11    61    62\n" + clean_line("EX101A", 1840, {999}),
         clean_line("EX101A", 1835, {56, 89, 11, 61, 62}) + clean_line("EX101A", 1840, {999}),
         "has   1 lines one column to the right of the layout"},
        {"years of five columns after identifiers of eight",
         "LONG1   -2999" + rep("   101", 9) + "\nLONG1   -2990" + rep("   102", 10) + "\nLONG1   -2980   120   999\n",
         "LONG1  -2999" + rep("   101", 9) + "\nLONG1  -2990" + rep("   102", 10) + "\nLONG1  -2980   120   999\n",
         "has   3 lines one column to the right of the layout"},
        // a file one column to the left whose last line is written twice
        {"the last line of a file one column to the left written twice",
         "B21A2  1985   201   202   203   204   205\nB21A2  1990   520   550   300 -9999\n"
         "B21A2  1990   520   550   300 -9999\n",
         clean_line("B21A2", 1985, {201, 202, 203, 204, 205}) + clean_line("B21A2", 1990, {520, 550, 300, -9999}),
         "line      3 of the file repeats the values of B21A2    read before for  1990 to  1992: not read"},
        // a spoiled character in the year of the file's first line, whose
        // digits agree with the year its next line gives
        {"a spoiled year on the first line of the file",
         "BUKC011 16 1  2208  2100  2300  2000  3700  2500  2600  2700  2800\n" +
             clean_line("BUKC011", 1670, from(1000, 10)) + clean_line("BUKC011", 1680, {1100, -9999}),
         clean_line("BUKC011", 1661, {2208, 2100, 2300, 2000, 3700, 2500, 2600, 2700, 2800}) +
             clean_line("BUKC011", 1670, from(1000, 10)) + clean_line("BUKC011", 1680, {1100, -9999}),
         "its values are read at  1661 to  1669, the years its next line gives"},
        // end markers where writers put them
        {"an end marker after ten values",
         clean_line("EX100A", 1825, from(1, 5)) + clean_line("EX100A", 1830, from(11, 10)).substr(0, 72) + "   999\n" +
             clean_line("EX101A", 1830, from(18, 10)).substr(0, 72) + "   999\n",
         clean_line("EX100A", 1825, from(1, 5)) + clean_line("EX100A", 1830, from(11, 10)) +
             clean_line("EX100A", 1840, {999}) + clean_line("EX101A", 1830, from(18, 10)) +
             clean_line("EX101A", 1840, {999}),
         ""},
        {"a tab after the last field of every line",
         nul2 + "EX101A  1831" + rep("    41", 9) + "\t\n" + nul2 + "EX101A  1840" + rep("    50", 10) + "\t\n" +
             nul2 + "EX101A  1850    60 -9999\t\n",
         clean_line("EX101A", 1831, std::vector<int>(9, 41)) + clean_line("EX101A", 1840, std::vector<int>(10, 50)) +
             clean_line("EX101A", 1850, {60, -9999}),
         "line      1 of the file has control characters before its year"},
        {"a tab after the end marker of a series of one line", "A\t1835    60    75    28    40   999\t\n",
         clean_line("A", 1835, {60, 75, 28, 40, 999}), ""},
        {"the end marker alone after a line cut short",
         clean_line("EX101X", 1876, {13, 32, 88, 85}) + clean_line("EX101X", 1880, {72}) +
             clean_line("EX101X", 1881, {999}),
         clean_line("EX101X", 1876, {13, 32, 88, 85}) + clean_line("EX101X", 1880, {72, 999}), ""},
        // two segments of one core that end on the same line: the second
        // one's last line is its own, no copy
        {"two segments that end on the same line",
         clean_line("A1", 1985, from(11, 5)) + clean_line("A1", 1990, {72, 46, 999}) + clean_line("A1", 1975, from(21, 5)) +
             clean_line("A1", 1980, from(31, 10)) + clean_line("A1", 1990, {72, 46, 999}),
         clean_line("A1", 1985, from(11, 5)) + clean_line("A1", 1990, {72, 46, 999}) +
             clean_line("A2", 1975, from(21, 5)) + clean_line("A2", 1980, from(31, 10)) +
             clean_line("A2", 1990, {72, 46, 999}),
         "two series share it"},
    };
    for (const Case& c : cases) {
        kovtest::ScriptedConsole sc("");
        std::vector<Got> want;
        {
            TucsonRead clean;
            clean.open_text(clean.in, c.twin);
            want = read_all(clean);
        }
        TucsonRead damaged;
        damaged.open_text(damaged.in, c.file);
        const auto got = read_all(damaged);
        ASSERT_EQ(got.size(), want.size()) << c.what << "\n" << damaged.listing();
        for (size_t k = 0; k < want.size(); ++k) {
            EXPECT_EQ(got[k].first, want[k].first) << c.what << " series " << k;
            EXPECT_EQ(got[k].values, want[k].values) << c.what << " series " << k;
        }
        if (*c.needle)
            EXPECT_EQ(count_lines_with(damaged.listing(), c.needle), 1) << c.what << "\n" << damaged.listing();
        else
            EXPECT_EQ(count_lines_with(damaged.listing(), "warning"), 0) << c.what << "\n" << damaged.listing();
    }
}

// Each piece of evidence that picks the reading of a line, shown on lines
// that it alone reads right: without it, each of these files is read
// otherwise. Expected series: the lines' identifiers, years and values as
// their writers meant them.
TEST(TucsonRead, EachPieceOfEvidenceReadsItsLines) {
    const std::string soh = std::string(1, '\0') + "\x01" + std::string(1, '\0'), nul7(7, '\0');
    const ReadCase cases[] = {
        // a year that runs on into its first value, alone between other
        // identifiers and without its end marker, is no reading
        {"a year that runs on with nothing to speak for it",
         "A1      185225    22    26    56    30    35    15    27\n" + clean_line("B1", 1850, {11, 12, 999}),
         {{"B1", 1850, 2}}, {{0, 0, 0.11f}}},
        // "11<tab>0795" is "110795" with its year after it, or "11" at year
        // 795 with the year as a value: only the next line tells
        {"the neighbouring line",
         "11\t0795  2007   101   102   103\n11\t0795  2010   104 -9999\n", {{"110795", 2007, 4}},
         {{0, 0, 0.101f}, {0, 3, 0.104f}}},
        // the same first line before a line written plainly: no line of its
        // series before it, both readings keep within their decade, and no
        // other line of its marks shows the file's habit; only the year of the
        // line after it tells (else "0795" stands as the year, which "110795"
        // would take into its identifier)
        {"the line after it", "11\t0795  2007   101   102   103\n" + clean_line("110795", 2010, {104, -9999}),
         {{"110795", 2007, 4}}, {{0, 0, 0.101f}, {0, 3, 0.104f}}},
        {"the line's own decade", "11\t0795  2000" + rep("   101", 9) + " -9999\n", {{"110795", 2000, 9}},
         {{0, 0, 0.101f}, {0, 8, 0.101f}}},
        // a blank put into the identifier of an end marker's line: the
        // marker at the year it stands by, not a ring at year 201 (the
        // series before it ends without it, in the file's units)
        {"a year apart from its first value",
         clean_line("20847", 2000, from(100, 10)) + "20 847   2010 -9999\n", {{"20847", 2000, 10}, {"20 847", 2010, 0}},
         {{0, 0, 0.1f}}},
        // a NUL, a SOH and a NUL before every line, values left-justified:
        // as written, "   1860122" is year 1 and a ring of 860122
        {"the marks of the line",
         soh + "X       18601     999   \n" + soh + "Y       186021    999   \n" + soh + "Z       1860122   999   \n",
         {{"X", 1860, 1}, {"Y", 1860, 1}, {"Z", 1860, 1}}, {{0, 0, 0.01f}, {1, 0, 0.21f}, {2, 0, 1.22f}}},
        // a blank put into the identifier, its year in columns 10-13: the
        // line stands one column to the right
        {"a blank put into the identifier",
         " 112256A 1990   230   327   778   765   699   674   571   824   491   224\n"
         "1 12256A 2000   227   249   276   247   234   397   222   186   152   293\n"
         "1 12256A 2010   255   171   180   213   245   184 -9999\n",
         {{"112256A", 1990, 26}}, {{0, 20, 0.255f}, {0, 25, 0.184f}}},
        // identifiers right-justified after NULs, values left-justified: the
        // same bytes without the NULs put "1" of the first value after the
        // year "X183", "5" after "Y183"
        {"values that begin their fields, after NULs",
         nul7 + "X18351     47    174   1111  999   \n" + nul7 + "Y183521    148   1085  6     999   \n",
         {{"       X", 1835, 4}, {"       Y", 1835, 4}}, {{0, 0, 0.01f}, {1, 3, 0.06f}}},
        // the lines of an identifier met again are looked up by their values,
        // also those of a series that ended after they were first looked up
        {"a line of a later segment written twice",
         clean_line("X1", 1900, {101, 102, 999}) + clean_line("X1", 1950, {201, 202, 999}) +
             clean_line("X1", 1950, {201, 202, 999}),
         {{"X1", 1900, 2}, {"X1", 1950, 2}}, {{1, 0, 2.01f}}},
    };
    for (const ReadCase& c : cases) expect_reads_as(c);
}

// Lines that no reading lays into the columns are named in the listing, on
// the file's first series as on a later one, and their values are not read
// at years they do not have.
TEST(TucsonRead, LinesNoReadingFitsAreNamed) {
    const ReadCase cases[] = {
        // a digit of a value written apart: more values than the decade
        {"a value that runs on from the year and does not fit its decade",
         clean_line("RH17B", 1920, from(101, 10)) + "RH17B   19331  185   9101  299   9721  0921  005   442\n" +
             clean_line("RH17B", 1940, {120, 121, 999}),
         {{"RH17B", 1920, 22}}, {},
         "series RH17B    line      2 of the file cannot be read: its first value (columns 13 to 18) runs on from "
         "its year"},
        {"two tabs at tab stops of four", "ABC\t\t1835     9     1     1     2   999\n" + clean_line("B1", 1835, {1, 999}),
         {{"B1", 1835, 1}}, {}, "line      1 of the file has values but a year that cannot be read: taken as text"},
        {"a line break inside the identifier of the first data line",
         "EX1\r01A  1830" + rep("   310", 10) + "\n" + clean_line("EX101A", 1840, {11, 999}), {{"EX101A", 1840, 1}}, {},
         "line      2 of the file has values but a year that cannot be read: taken as text"},
        {"a first line joined on after an end marker",
         clean_line("EX101A", 1840, from(20, 9)).substr(0, 66) + "   999" + clean_line("EX102A", 1850, {5, 6, 999}) +
             clean_line("EX103A", 1850, {8, 999}),
         {{"EX101A", 1840, 9}, {"EX103A", 1850, 1}}, {}, "line EX101A    1840 holds values after its end marker: not read"},
    };
    for (const ReadCase& c : cases) expect_reads_as(c);
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
        // thousandths: the missing value is the reader's own, xmiss, not
        // scaled with the series
        {"blank in a thousandths series", "mr", "AB03    1990   100         300 -9999\n", 3,
         {{0, 0.1f}, {1, xmiss}, {2, 0.3f}}, "line AB03      1990 has  1 empty value fields"},
        {"blank index pair", "ir", "IDX   1990" + std::string("1000  1") + std::string(7, ' ') + "1200  1" +
                                       rep("9990  0", 7) + "\n",
         3, {{0, 1.0f}, {1, xmiss}, {2, 1.2f}}, "line IDX       1990 has  1 empty value fields"},
        // the decade of the line without a year is missing: 2010 stays at 2010
        {"ring widths without a year", "mr",
         "AB04    1990" + nine + "   100\n" + std::string(12, ' ') + rep("   200", 10) + "\nAB04    2010   300   999\n",
         21, {{9, 1.0f}, {10, -9.99f}, {19, -9.99f}, {20, 3.0f}}, "holds values but no year: not read"},
        // years skipped before an end marker alone do not make the series longer
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
