#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/series_reader.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"

using namespace kov;
using kovtest::count_lines_with;
using kovtest::split_lines;

namespace {

// The state the driver leaves before it calls the reader: the per-series table
// reset, identifiers blanked, the data file open.
struct Reader : kovtest::ListingFixture {
    std::vector<float> work = std::vector<float>(mxy);
    std::vector<int> cnt = std::vector<int>(mxy, -5);
    std::string idbuf = std::string(8, ' ');
    float rawmax = -1.0f;
    int ngap = -1;

    explicit Reader(const char* dtype = "mr", int itrn = 0, int printout = 2) {
        SharedTables& t = shared();
        t.dtype = dtype;
        t.batmod = "n";
        t.optval(3, 1) = itrn;
        t.optval(17, 1) = printout;
        for (int row = 1; row <= mxs; ++row) {
            for (int c = 1; c <= 10; ++c) t.sertbl(row, c) = 0;
            t.sertbl(row, icu) = 1;
            t.sertbl(row, ics) = 1;
            t.sertbl(row, cpa) = row;
            t.serids[row] = std::string(8, ' ');
        }
        t.nc = 0;
    }
    ~Reader() { shared().batmod = "n"; }

    void open_file(const std::string& path) { ASSERT_TRUE(streams().ludata.open(path)); }
    void open_data(const std::string& text) { open_text(streams().ludata, text); }
    void read(int ld = mxy, int max_series = mxs) {
        SharedTables& t = shared();
        rdsers(t.sermat, work, cnt, t.nc, t.sertbl, idbuf, t.serids, ld, max_series, t.dtitle, rawmax, t.rawstat,
               ngap);
    }
};

// A ring-width series of hundredths from `first`, every value `hundredths`.
std::string ring_series(const std::string& id, int first, int n, int hundredths) {
    std::string out;
    char buf[32];
    int year = first;
    int slots = 10 - mod10(first);
    int written = 0;
    bool done = false;
    while (!done) {
        std::snprintf(buf, sizeof buf, "%-8s%4d", id.c_str(), year);
        std::string line = buf;
        for (int s = 0; s < slots; ++s) {
            int v = written < n ? hundredths : 999;
            std::snprintf(buf, sizeof buf, "%6d", v);
            line += buf;
            if (written++ >= n) {
                done = true;
                break;
            }
        }
        out += line + "\n";
        year += slots;
        slots = 10;
    }
    return out;
}

std::string rep(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string reference_path(const std::string& name) {
    return std::string(KOVRIN_TEST_DATA) + "/../series/reference/" + name;
}

}  // namespace

// Every real file reads with the series count and span of its source table;
// internal negative values (-999, -7) are the gaps reported; no line of any file
// draws a warning.
TEST(SeriesReader, RealFilesReadWhole) {
    struct Case {
        const char* file;
        int nc, first, last, with_gaps;
    };
    const Case cases[] = {
        {"wa129.rwl", 21, 991, 1986, 0},      {"mong007w.rwl", 26, 1570, 1995, 11},
        {"russ001.rwl", 21, 1541, 1968, 0},   {"cana163.rwl", 18, -422, -69, 0},
        {"ak111.rwl", 51, 1556, 1990, 15},    {"co689.rwl", 63, -452, 2012, 0},
        {"ca618.rwl", 118, 1572, 2004, 0},    {"mt170.rwl", 408, 1740, 2013, 0},
        {"ak046.rwl", 521, 978, 1992, 0},     {"caco_drop.rwl", 18, 1889, 2017, 0},
        {"litu_drop.rwl", 109, 1870, 2017, 0}, {"cdbk.rwl", 19, 1411, 2018, 0},
        {"cagl_drop.rwl", 39, 1868, 2016, 0}, {"cato_drop.rwl", 17, 1868, 2017, 0},
        {"quve_drop.rwl", 83, 1824, 2017, 0}, {"fagr_drop.rwl", 81, 1887, 2009, 0},
        {"fram_drop.rwl", 69, 1869, 2017, 0}, {"juni_drop.rwl", 31, 1880, 2010, 0},
        {"pist_drop.rwl", 36, 1931, 2016, 0}, {"qual_drop.rwl", 66, 1792, 2017, 0},
    };
    for (const Case& c : cases) {
        Reader r;
        kovtest::ScriptedConsole sc("");
        r.open_file(kovtest::test_data(std::string("rwl/") + c.file));
        r.read();
        const SharedTables& t = shared();
        EXPECT_EQ(t.nc, c.nc) << c.file;
        EXPECT_EQ(t.sertbl(t.nc + 1, ify), c.first) << c.file;
        EXPECT_EQ(t.sertbl(t.nc + 1, ily), c.last) << c.file;
        EXPECT_EQ(r.ngap, c.with_gaps) << c.file;
        const std::string listing = r.listing();
        EXPECT_EQ(count_lines_with(listing, "warning"), 0) << c.file;
        EXPECT_EQ(count_lines_with(listing, "missing values found:"), c.with_gaps) << c.file;
        char count_line[96];
        std::snprintf(count_line, sizeof count_line, "%6d series from%7d to%7d%8d years", c.nc, c.first, c.last,
                      c.last - c.first + 1);
        EXPECT_NE(sc.output().find(count_line), std::string::npos) << c.file;
    }
}

namespace {

// The value the series `id` that spans `year` has in that year, as read into
// the series matrix.
float value_in(const std::string& id, int year) {
    SharedTables& t = shared();
    for (int k = 1; k <= t.nc; ++k) {
        if (t.serids[k] != padded(id, 8) || year < t.sertbl(k, ify) || year > t.sertbl(k, ily)) continue;
        return t.sermat(year - t.sertbl(k, ify) + 1, k);
    }
    ADD_FAILURE() << id << " " << year << " not read";
    return 0.0f;
}

}  // namespace

// Real files that depart from the clean layout read with the series count and
// span of the independent count in tests/data/rwl-hard's source README, and
// the values that the departures could move or scale stand at their years
// as the file's lines give them (the integers of the quoted lines times 0.001
// for series ending in -9999, 0.01 for those ending in 999; a missing ring the
// file writes -9999 is -9.999, a year the reader fills is xmiss).
TEST(SeriesReader, RealFilesThatDepartFromTheLayout) {
    struct Value {
        const char* id;
        int year;
        float value;
    };
    struct Case {
        const char* file;
        int nc, first, last;
        std::vector<Value> values;
    };
    const Case cases[] = {
        // lines end in a lone CR, one in CR CR LF: "819011  1866   148", "819011  1980 ... 17   999"
        {"cana054.rwl", 24, 1826, 1988, {{"819011", 1866, 1.48f}, {"819011", 1988, 0.17f}}},
        // lone CRs and three CR LF: "j0105s  1936   753", "j0105s  2020   540   519   445 -9999"
        {"can683.rwl", 59, 1813, 2022, {{"j0105s", 1936, 0.753f}, {"j0105s", 2022, 0.445f}}},
        // "AV37a   1890   813   999   646": the series ends in -9999
        {"ak059.rwl", 99, 1542, 2002, {{"AV37a", 1890, 0.813f}, {"AV37a", 1891, 0.999f}, {"AV37a", 1892, 0.646f}}},
        // "p158t0061960  1549  1596  1716 -9999   755"
        {"ar077.rwl", 23, 1941, 2008,
         {{"p158t006", 1962, 1.716f}, {"p158t006", 1963, -9.999f}, {"p158t006", 1964, 0.755f}}},
        // "NCFL06-N1828   912  1145", "NCFL06-N2000   289   416 -9999"
        {"ak051.rwl", 39, 1828, 2001, {{"NCFL06-N", 1828, 0.912f}, {"NCFL06-N", 2001, 0.416f}}},
        // "SPL01b-01876   216", "SPL01b-02010    10   999"
        {"russ297.rwl", 35, 1779, 2013, {{"SPL01b-0", 1876, 2.16f}, {"SPL01b-0", 2010, 0.1f}}},
        // " TKPT1-11780   400 ...", " TKPT1-11790   210": the series ends in -9999
        {"newz076e.rwl", 14, 1743, 1994, {{" TKPT1-1", 1780, 0.4f}, {" TKPT1-1", 1790, 0.21f}}},
        // "SSB17C  1980  6640  5585  2235  957", "SSB17C  2010 ...  1091 -9999"
        {"bra009.rwl", 19, 1954, 2015, {{"SSB17C", 1983, 0.957f}, {"SSB17C", 2015, 1.091f}}},
        // "UTP1112B2010 ...   626 -9999         <tab>", "UTP1113A1890   406"
        {"ut562.rwl", 28, 1890, 2016, {{"UTP1112B", 2016, 0.626f}, {"UTP1113A", 1890, 0.406f}}},
        // "TAB15BLW1930    5  -9999 ... <tab>", "TAB16ALW1815   99"
        {"mexi028l.rwl", 72, 1583, 1993, {{"TAB15BLW", 1930, 0.005f}, {"TAB16ALW", 1815, 0.099f}}},
        // "blp15F  1863 ... 3107 -9999" (the marker past the decade), "blp15F  1871  2944"
        {"ok043.rwl", 404, 1772, 1912, {{"blp15F", 1869, 3.107f}, {"blp15F", 1870, xmiss}, {"blp15F", 1871, 2.944f}}},
        {"keny001.rwl", 20, 1939, 1994, {}},
        {"ak052.rwl", 186, 1730, 2002, {}},
    };
    for (const Case& c : cases) {
        Reader r;
        kovtest::ScriptedConsole sc("");
        r.open_file(kovtest::test_data(std::string("rwl-hard/") + c.file));
        r.read();
        const SharedTables& t = shared();
        EXPECT_EQ(t.nc, c.nc) << c.file;
        EXPECT_EQ(t.sertbl(t.nc + 1, ify), c.first) << c.file;
        EXPECT_EQ(t.sertbl(t.nc + 1, ily), c.last) << c.file;
        for (const Value& v : c.values) EXPECT_FLOAT_EQ(value_in(v.id, v.year), v.value) << c.file << " " << v.id << " " << v.year;
    }
}

// Any of LF, CR LF, CR CR LF and a lone CR ends a line, in any mix, in every
// read mode: the same two series read from each file.
TEST(SeriesReader, LineEndsOfEveryKindInEveryReadMode) {
    struct Case {
        const char* dtype;
        std::vector<std::string> lines;
        float second;  // the second value of series 1
    };
    const Case cases[] = {
        {"mr", {"A title line", "AAA     1995   100   200   300   400   500", "AAA     2000   600   999",
                "BBB     1990   100   999"}, 2.0f},
        {"ir", {"A title line", "AAA   1995" + rep("9990  0", 5) + rep(" 900  1", 5), "AAA   2000" + std::string(" 900  1") +
                rep("9990  0", 9), "BBB   1990" + std::string(" 900  1") + rep("9990  0", 9)}, 0.9f},
        {"cr", {"A title line", "AAA   19952000", "AAA   1995" + rep("9990  0", 5) + rep(" 100  1", 5),
                "AAA   2000" + std::string(" 100  1") + rep("9990  0", 9), "BBB   19901990", "BBB   1990" + std::string(" 100  1")}, 1.0f},
        {"cd", {"A title line", padded("       6=n    1995=i AAA", 68) + " -2(13f6.0)~ raw", "   100   200   300   400   500   600",
                padded("       1=n    1990=i BBB", 68) + " -2(13f6.0)~ raw", "   100"}, 2.0f},
        {"mr", {padded("AAA     self-describing", 79) + "#", "n " + std::string("       6") + "  " + "    1995" + "  (6f8.3)",
                "   1.000   2.000   3.000   4.000   5.000   6.000", "BBB     1990   100   999"}, 2.0f},
    };
    const char* const ends[] = {"\r", "\n", "\r\n", "\r\r\n"};
    for (const Case& c : cases) {
        // every line ends in the next kind of end, the last one in none
        std::string text;
        for (size_t i = 0; i < c.lines.size(); ++i) text += c.lines[i] + (i + 1 < c.lines.size() ? ends[i % 4] : "");
        Reader r(c.dtype);
        kovtest::ScriptedConsole sc("");
        r.open_data(text);
        r.read();
        SharedTables& t = shared();
        ASSERT_EQ(t.nc, 2) << c.dtype << " " << c.lines[1];
        EXPECT_EQ(t.sertbl(1, ify), 1995) << c.dtype;
        EXPECT_EQ(t.sertbl(1, ily), 2000) << c.dtype;
        EXPECT_FLOAT_EQ(t.sermat(2, 1), c.second) << c.dtype;
        EXPECT_EQ(t.sertbl(2, ify), 1990) << c.dtype;
    }
}

// The gap report, the per-series statistics, the count line and the eight-row
// summary, line by line, against listings computed independently
// (reference/raw_listing.py).
TEST(SeriesReader, RawListingMatchesIndependentReference) {
    for (const char* name : {"wa129", "mong007w", "ak111"}) {
        Reader r;
        kovtest::ScriptedConsole sc("");
        r.open_file(kovtest::test_data(std::string("rwl/") + name + ".rwl"));
        r.read();
        const auto expected = split_lines(kovtest::read_file(reference_path(std::string(name) + "_raw_listing.txt")));
        ASSERT_GT(expected.size(), 30u) << name;
        const auto got = r.listing_lines();
        size_t at = 0;
        for (const std::string& line : expected) {
            size_t k = at;
            while (k < got.size() && got[k] != line) ++k;
            ASSERT_LT(k, got.size()) << name << ": not found in order:\n[" << line << "]";
            at = k + 1;
        }
    }
}

TEST(SeriesReader, HeaderLinesTitleAndLayoutOfTheListing) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    r.open_data("SITE01 1 Site name of the file\n"
                "      2 second line: first six blank\n"
                "SITE01 3 third line\n" +
                ring_series("AAA01", 1901, 12, 150) + ring_series("AAA02", 1895, 20, 250));
    r.read();
    const auto lines = r.listing_lines();
    const std::string listing = r.listing();
    EXPECT_EQ(shared().dtitle, padded("SITE01 1 Site name of the file", 85));
    EXPECT_EQ(shared().hdrlin[1], padded("      2 second line: first six blank", 85));
    EXPECT_NE(listing.find("\n  data header lines:\n  " + padded("SITE01 1 Site name of the file", 85) + "\n  " +
                           padded("SITE01 3 third line", 85) + "\n"),
              std::string::npos)
        << listing;
    EXPECT_EQ(count_lines_with(listing, "second line"), 0);
    EXPECT_NE(listing.find("\n                           --- no gaps in data found ---\n"), std::string::npos);
    EXPECT_NE(listing.find("\n       number of series read in:    2   from   1895  to   1914      20 years\n"),
              std::string::npos);
    // Two series: the summary; the largest mean is 2.5.
    EXPECT_FLOAT_EQ(r.rawmax, 2.5f);
    EXPECT_NE(listing.find(padded(" maximum value", 32) + "  20   2.500"), std::string::npos) << listing;
    // The matrix holds each series from row 1 as read, xmiss after it.
    EXPECT_FLOAT_EQ(shared().sermat(12, 1), 1.5f);
    EXPECT_FLOAT_EQ(shared().sermat(13, 1), xmiss);
    EXPECT_EQ(shared().sertbl(2, ify), 1895);
    EXPECT_EQ(shared().sertbl(2, ily), 1914);
}

// One series: no summary block, and the largest mean is that series' mean.
TEST(SeriesReader, OneSeriesHasNoSummary) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    r.open_data(ring_series("ONLY01", 1950, 30, 123));
    r.read();
    EXPECT_EQ(shared().nc, 1);
    EXPECT_FLOAT_EQ(r.rawmax, 1.23f);
    EXPECT_EQ(count_lines_with(r.listing(), "summary of raw tree-ring series statistics"), 0);
    EXPECT_EQ(count_lines_with(r.listing(), "arithmetic mean"), 0);
}

TEST(SeriesReader, ColumnHeadingBeforeRowsOneTwentyAndForty) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    std::string text;
    for (int k = 1; k <= 45; ++k) text += ring_series("S" + std::to_string(100 + k), 1900 + k, 15, 100 + k);
    r.open_data(text);
    r.read();
    const auto lines = r.listing_lines();
    std::vector<std::string> before;  // the row after each heading
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].find("series   ident   frst   last   year    mean") != std::string::npos)
            before.push_back(lines[i + 1].substr(0, 6));
    EXPECT_EQ(before, (std::vector<std::string>{"     1", "    20", "    40"}));
}

// A batch run keeps the series whose detail row says use: file series 1 and 3
// become rows 1 and 2, row 2 taking its settings from detail row 3.
TEST(SeriesReader, BatchRunKeepsTheSeriesMarkedForUse) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    SharedTables& t = shared();
    t.batmod = "Y";
    for (int row = 1; row <= 3; ++row)
        for (int c = yfp; c <= ics; ++c) t.sertbl(row, c) = 10 * row + c;
    t.sertbl(1, icu) = 1;
    t.sertbl(2, icu) = 0;
    t.sertbl(3, icu) = 1;
    t.sertbl(2, cpa) = 77;
    r.open_data(ring_series("FIRST", 1900, 5, 100) + ring_series("SECOND", 1910, 5, 200) +
                ring_series("THIRD", 1920, 5, 300));
    r.read();
    ASSERT_EQ(t.nc, 2);
    EXPECT_EQ(t.serids[1], "FIRST   ");
    EXPECT_EQ(t.serids[2], "THIRD   ");
    EXPECT_EQ(t.sertbl(2, ify), 1920);
    for (int c = yfp; c <= ics; ++c)
        if (c != icu) {
            EXPECT_EQ(t.sertbl(2, c), 30 + c) << c;
        }
    EXPECT_EQ(t.sertbl(2, icu), 1);
    EXPECT_EQ(t.sertbl(2, cpa), 77);  // column 10 is left as it was
    EXPECT_EQ(t.sertbl(3, ify), 1900);
    EXPECT_EQ(t.sertbl(3, ily), 1924);
    EXPECT_FLOAT_EQ(t.sermat(1, 2), 3.0f);
}

// A series without values (a Tucson series that is nothing but its end
// marker, a compact header with a count of 0) or without a measured value (no
// value above 0: every line unreadable, as widths written in mm with decimal
// points are, or zeros only) is left out with a warning, and the series after
// it are read: no later stage meets an empty series.
TEST(SeriesReader, SeriesWithoutValuesIsSkipped) {
    struct Case {
        const char* dtype;
        std::string empty;  // between series FIRST and THIRD
        const char* warning;
    };
    const Case cases[] = {
        {"mr", "EMPTY   1910   999\n", "*** warning: series EMPTY    holds no values (end marker only): skipped"},
        {"cd", padded("       0=n    1910=i EMPTY", 68) + " -3(13f6.0)~ raw\n",
         "*** warning: series EMPTY    holds no values (count 0): skipped"},
        {"mr", "DECIM   1908  1.21  1.35\nDECIM   1910  1.05  0.98 -9999\n",
         "*** warning: series DECIM    holds no measured value in its     4 years: skipped"},
        {"mr", ring_series("ZEROS", 1910, 12, 0),
         "*** warning: series ZEROS    holds no measured value in its    12 years: skipped"},
        {"mr", ring_series("GAPS", 1910, 3, -1),
         "*** warning: series GAPS     holds no measured value in its     3 years: skipped"},
        {"cd", padded("       2=n    1910=i EMPTY", 68) + " -3(13f6.0)~ raw\n   -10     0\n",
         "*** warning: series EMPTY    holds no measured value in its     2 years: skipped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        Reader r(c.dtype);
        kovtest::ScriptedConsole sc("");
        if (std::string(c.dtype) == "mr")
            r.open_data(ring_series("FIRST", 1900, 5, 100) + c.empty + ring_series("THIRD", 1920, 5, 300));
        else
            r.open_data(padded("       2=n    1900=i FIRST", 68) + " -2(13f6.0)~ raw\n   100   100\n" + c.empty +
                        padded("       2=n    1920=i THIRD", 68) + " -2(13f6.0)~ raw\n   300   300\n");
        r.read();
        ASSERT_EQ(shared().nc, 2);
        EXPECT_EQ(shared().serids[2], "THIRD   ");
        EXPECT_FLOAT_EQ(shared().sermat(1, 2), 3.0f);
        EXPECT_EQ(count_lines_with(r.listing(), c.warning), 1) << r.listing();
    }
}

// In a batch run a skipped series takes no position: the detail file written
// after it holds no record of it, so the series after it still meets its own
// detail row (row 2 here, of THIRD), never the one of the series after it.
TEST(SeriesReader, SkippedSeriesKeepsDetailRowsAligned) {
    for (const std::string& skipped :
         {std::string("EMPTY   1910   999\n"), std::string("DECIM   1908  1.21  1.35\nDECIM   1910  1.05  0.98 -9999\n")}) {
        SCOPED_TRACE(skipped);
        Reader r;
        kovtest::ScriptedConsole sc("");
        SharedTables& t = shared();
        t.batmod = "y";
        t.sertbl(2, idt) = 42;
        t.sertbl(3, icu) = 0;  // a series at position 3 is left out by its record
        r.open_data(ring_series("FIRST", 1900, 5, 100) + skipped + ring_series("THIRD", 1920, 5, 300) +
                    ring_series("FOURTH", 1930, 5, 400));
        r.read();
        ASSERT_EQ(t.nc, 2);
        EXPECT_EQ(t.serids[2], "THIRD   ");
        EXPECT_EQ(t.sertbl(2, idt), 42);
    }
}

TEST(SeriesReader, IndexFileListsNoHeaderAndLeavesDepthsUnread) {
    Reader r("ir");
    kovtest::ScriptedConsole sc("");
    r.open_data("A title line of the index file\n" + std::string("IDX001  15") + rep("9990  0", 5) + " 900  7" +
                "1000 12" + "1100 13" + rep("9990  0", 2) + "\n");
    r.read();
    ASSERT_EQ(shared().nc, 1);
    EXPECT_EQ(shared().sertbl(1, ify), 15);
    EXPECT_EQ(shared().sertbl(1, ily), 17);
    EXPECT_FLOAT_EQ(shared().sermat(3, 1), 1.1f);
    EXPECT_EQ(count_lines_with(r.listing(), "data header lines"), 0);
    EXPECT_EQ(shared().dtitle, padded("A title line of the index file", 85));
    // The count vector holds the gap scan's flags, not the depths 7, 12, 13.
    EXPECT_EQ(r.cnt[0], 1);
    EXPECT_EQ(r.cnt[2], 1);
}

// With a transformation chosen a zero is missing too, and the listing says so.
TEST(SeriesReader, ZerosAreGapsWhenATransformationIsChosen) {
    for (int itrn : {0, 1}) {
        Reader r("mr", itrn);
        kovtest::ScriptedConsole sc("");
        r.open_data("ZERO01  1990   100     0   120   999\nPLAIN1  1990   100   110   120   999\n");
        r.read();
        EXPECT_EQ(r.ngap, itrn) << itrn;
        EXPECT_EQ(count_lines_with(r.listing(), "zeros are also treated as missing"), itrn) << itrn;
        EXPECT_FLOAT_EQ(shared().rawstat(1, 1) /* mean of the valid-year column */, itrn ? 2.5f : 3.0f);
    }
}

TEST(SeriesReader, CompactAndCruFilesHaveBlankHeaderLines) {
    struct Case {
        const char* dtype;
        std::string text;
        int ify, ily;
    };
    const Case cases[] = {
        {"cd",
         padded("       2=n    1960=i FULL", 68) + " -3(13f6.0)~ raw\n   250   300\n" + padded("       1=n    1970=i ONE", 68) +
             " -3(13f6.0)~ raw\n   250\n",
         1960, 1961},
        {"CR", "CRU001  10  11\nCRU001  10 100  1 200  1" + std::string(56, ' ') + "\n" +
                   "CRU002  10  10\nCRU002  10 100  1\n",
         10, 11},
    };
    for (const Case& c : cases) {
        Reader r(c.dtype);
        kovtest::ScriptedConsole sc("");
        shared().hdrlin[0] = padded("left over from the previous file", 85);
        r.open_data(c.text);
        r.read();
        EXPECT_EQ(shared().nc, 2) << c.dtype;
        EXPECT_EQ(shared().sertbl(1, ify), c.ify) << c.dtype;
        EXPECT_EQ(shared().sertbl(1, ily), c.ily) << c.dtype;
        EXPECT_EQ(shared().hdrlin[0], std::string(85, ' ')) << c.dtype;
        EXPECT_EQ(shared().dtitle, std::string(85, ' ')) << c.dtype;
    }
}

// A header that gives a series of -999 values (last year 1000 before the
// first, or a count of -999) ends the reading as any count below 1 does, with
// the warning line, and is not taken for the end of the file in silence.
TEST(SeriesReader, HeaderOfMinus999ValuesIsNoEndOfFile) {
    struct Case {
        const char* dtype;
        std::string text;
    };
    const Case cases[] = {
        {"cr", "CRU001  10  11\nCRU001  10 100  1 200  1\nCRU00220001000\nCRU003  10  10\nCRU003  10 100  1\n"},
        {"cd", padded("       2=n    1970=i FULL", 68) + " -3(13f6.0)~ raw\n   250   300\n" +
                   padded("    -999=n    1970=i NEG", 68) + " -3(13f6.0)~ raw\n"},
        {"mr", "TEST01  1970   123   999\n" + padded("SDS001", 79) + "#\nn " + "    -999" + "  " + "    1950" + "  (6f8.3)\n"},
    };
    for (const Case& c : cases) {
        Reader r(c.dtype);
        kovtest::ScriptedConsole sc("");
        r.open_data(c.text);
        r.read();
        EXPECT_EQ(shared().nc, 1) << c.dtype;
        EXPECT_EQ(count_lines_with(r.listing(), "has  -999 values: reading of the file ends here"), 1)
            << c.dtype << "\n" << r.listing();
    }
}

// The capacities are checked before anything is stored; a file without any
// series stops too. Each stop writes its message and waits for Enter; the
// console and the listing name the data file (on the message's line for no
// series, on the next line for the others).
TEST(SeriesReader, CapacitiesAndEmptyFilesStop) {
    struct Case {
        const char* what;
        std::string text;
        int ld, max_series;
        const char* message;
        bool named_on_next_line;
        const char* dtype = "mr";
    };
    const Case cases[] = {
        {"series longer than ld", ring_series("LONG01", 1900, 25, 100), 20, mxs,
         " *** series read in exceeds maximum allowable length: LONG01       25 >    20 max ***", true},
        {"more series than mxs",
         ring_series("A", 1900, 5, 100) + ring_series("B", 1900, 5, 100) + ring_series("C", 1900, 5, 100), mxy, 2,
         " *** number of series exceeds maximum allowed: 2 max ***", true},
        {"span beyond ld", ring_series("EARLY", 1000, 5, 100) + ring_series("LATE", 1030, 5, 100), 30, mxs,
         " *** total series length exceeds maximum allowable length:     35 >     30 max ***", true},
        {"no series", "just a text line\n", mxy, mxs, " *** nc .le. 0 after reading tree-ring data:  ", false},
        {"no measured value", "DECIM   1908  1.21  1.35\nDECIM   1910  1.05  0.98 -9999\n", mxy, mxs,
         " *** nc .le. 0 after reading tree-ring data:  ", false},
        {"over 25 text lines", rep("prose, not a tree-ring series at all\n", 30), mxy, mxs,
         "sbr trrw:  over 25 text lines", true},
        {"a CRU series cut short", "CRU001  10  30\nCRU001  10 100  1 200  1" + std::string(56, ' ') + "\n", mxy, mxs,
         " *** end of file in the values of uea cru data format series CRU001", true, "cr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reader r(c.dtype);
        kovtest::ScriptedConsole sc("\n");
        r.open_data(c.text);
        const std::string file = streams().ludata.name();
        try {
            r.read(c.ld, c.max_series);
            ADD_FAILURE() << "no stop";
        } catch (const Stop& s) {
            EXPECT_EQ(s.status, exit_failure);
        }
        const auto shown = split_lines(sc.output());
        const auto it = std::find_if(shown.begin(), shown.end(),
                                     [&](const std::string& l) { return l.rfind(c.message, 0) == 0; });
        ASSERT_NE(it, shown.end()) << sc.output();
        if (std::string(c.message).find("nc .le. 0") != std::string::npos) {
            EXPECT_EQ(*it, c.message + file);
            EXPECT_EQ(count_lines_with(r.listing(), c.message + file), 1) << r.listing();
        }
        if (c.named_on_next_line) {
            ASSERT_NE(it + 1, shown.end());
            EXPECT_EQ(*(it + 1), " *** in data file:  " + file);
            const auto listed = r.listing_lines();
            const auto at = std::find(listed.begin(), listed.end(), *it);
            ASSERT_NE(at, listed.end()) << r.listing();
            ASSERT_NE(at + 1, listed.end());
            EXPECT_EQ(*(at + 1), *(it + 1));
        }
    }
}

// The summary over series takes each statistic over the series that have it:
// a constant series (0.50 five times) has no standard deviation, skewness,
// kurtosis or autocorrelation, a series of one value has only its mean. By
// hand, with a series of the two values 1.00 and 3.00 (mean 2, sd sqrt 2,
// skewness 0, kurtosis 2 / (2 * 2^2) = 0.25, sensitivity 2 / 2 = 1,
// autocorrelation -1): the means 0.5 and 2 give 1.25, sd 1.061, interquartile
// range 1.5; the sensitivities 0 and 1 give 0.5, sd 0.707; a column of one
// defined value has that value in every row but its undefined sd and an
// interquartile range of 0. With a series of one value (2.00) instead, four
// columns have no defined value at all: the marker once, then blank fields.
TEST(SeriesReader, SummaryTakesTheDefinedStatisticsOnly) {
    const struct {
        const char* what;
        std::string other;
        std::vector<std::string> rows;  // the eight rows from column 33
    } cases[] = {
        {"constant and two values",
         "TWO01   1950   100   300   999\n",
         {"   4   1.250   1.414  0.000  0.250  0.500  -1.000",
          "   2   1.061 -99.000 -99.00 -99.00  0.707 -99.000",
          "   3   1.250   1.414  0.000  0.250  0.500  -1.000",
          "   3   1.500   0.000  0.000  0.000  1.000   0.000",
          "   2   0.500   1.414  0.000  0.250  0.000  -1.000",
          "   2   0.500   1.414  0.000  0.250  0.000  -1.000",
          "   5   2.000   1.414  0.000  0.250  1.000  -1.000",
          "   5   2.000   1.414  0.000  0.250  1.000  -1.000"}},
        {"constant and one value",
         "ONE01   1950   200   999\n",
         {"   3   1.250 -99.000 -99.00 -99.00  0.000 -99.000",
          "   2   1.061                       -99.00",
          "   3   1.250                        0.000",
          "   4   1.500                        0.000",
          "   1   0.500                        0.000",
          "   1   0.500                        0.000",
          "   5   2.000                        0.000",
          "   5   2.000                        0.000"}},
    };
    const char* const labels[8] = {"arithmetic mean", "standard deviation", "median (50th quantile)",
                                   "interquartile range", "minimum value", "lower hinge (25th quantile)",
                                   "upper hinge (75th quantile)", "maximum value"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reader r;
        kovtest::ScriptedConsole sc("");
        r.open_data(ring_series("CON01", 1950, 5, 50) + c.other);
        r.read();
        for (int k = 0; k < 8; ++k) {
            const std::string want = padded(std::string(" ") + labels[k], 32) + c.rows[static_cast<size_t>(k)];
            EXPECT_EQ(count_lines_with(r.listing(), want), 1) << want;
        }
    }
}

// Before the run a data file is read as the run will read it, and what would
// stop the run there is returned as the console would show it, naming the
// file: a file that holds no series (empty, header lines only, compressed, a
// table of comma-separated values, widths with decimal points), a reader's
// own stop, a span too long. The warnings the readers gave of the file come
// first, as the refused run writes no listing: ten of them, then how many
// more. Nothing reaches the console or takes an answer from it meanwhile.
TEST(SeriesFault, AFileTheRunWouldStopAtIsNamedWithTheReason) {
    const std::string tiny = kovtest::tiny_rwl;
    const std::string decimals = "AB01    1908  1.21  1.35\nAB01    1910  1.05  0.98 -9999\n";
    const std::string no_series = "\n *** nc .le. 0 after reading tree-ring data:  ";
    const std::string decimals_unread =
        "\n *** warning: series AB01     line      1 of the file cannot be read: years  1908 to  1909 taken as missing"
        " values\n"
        " *** warning: series AB01     line      2 of the file cannot be read: years  1910 to  1911 taken as missing"
        " values\n"
        " *** warning: series AB01     holds no measured value in its     4 years: skipped\n"
        " *** nc .le. 0 after reading tree-ring data:  ";
    // twelve series of zero widths: ten of their warnings, and two more
    std::string zeros, zeros_unread = "\n";
    for (int k = 1; k <= 12; ++k) {
        const std::string id = std::string("ZR") + (k < 10 ? "0" : "") + std::to_string(k);
        zeros += id + "    1907     0     0   999\n";
        if (k <= 10) zeros_unread += " *** warning: series " + id + "     holds no measured value in its     2 years: skipped\n";
    }
    // the small file has a line of ten values from 1998 and skips a decade
    const std::string tiny_warnings =
        " *** warning: line TNY02A    1998 holds values outside its decade: not read\n"
        " *** warning: line TNY02A    2010 does not follow on from series TNY02A   at year  2000: the years between"
        " are missing values\n";
    zeros_unread += " *** 2 more warnings about this file\n *** nc .le. 0 after reading tree-ring data:  ";
    auto all = [](int) { return true; };
    struct Case {
        const char* what;
        std::string text;
        const char* mode;
        std::function<bool(int)> keep;
        std::string fault;  // before the file name; "": none
        bool named_on_own_line;
    };
    const Case cases[] = {
        {"empty", "", "mr", all, no_series, false},
        {"header lines only", tiny.substr(0, tiny.find("\n", tiny.find("\n", tiny.find("\n") + 1) + 1) + 1), "mr", all,
         no_series, false},
        {"compressed", std::string("\x1f\x8b\x08\x00\x12\x34\x00\x00\x00\x03\xed\xc1\x01\r\n\x00\x00\x80\x90", 20),
         "mr", all, no_series, false},
        {"comma-separated values", "year,A,B\n1900,1.2,1.3\n1901,1.1,1.0\n", "mr", all, no_series, false},
        {"widths with decimal points", decimals, "mr", all, decimals_unread, false},
        {"twelve series of zeros", zeros, "mr", all, zeros_unread, false},
        {"prose", rep("This is a line of prose that is no tree-ring data at all.\n", 30), "mr", all,
         "\nsbr trrw:  over 25 text lines\n *** in data file:  ", true},
        {"a CRU series cut short", "CRU001  10  30\nCRU001  10 100  1 200  1" + std::string(56, ' ') + "\n", "cr",
         all, "\n *** end of file in the values of uea cru data format series CRU001\n *** in data file:  ", true},
        {"a batch run that uses none of its series", tiny, "mr", [](int s) { return s > 2; },
         "\n" + tiny_warnings + no_series.substr(1), false},
        {"a span beyond 5001 years", ring_series("EARLY", 1000, 5, 100) + ring_series("LATE", 6001, 5, 100), "mr",
         all, "\n *** total series length exceeds maximum allowable length:   5006 >   5001 max ***\n *** in data file:  ",
         true},
        {"two series", tiny, "mr", all, "", false},
        {"one measured series beside one without a value", tiny + decimals, "mr", all, "", false},
        {"a batch run that uses its second series", tiny, "mr", [](int s) { return s == 2; }, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kovtest::TempDir d;
        d.write("site.txt", c.text);
        const std::string name = (d / "site.txt").string();
        kovtest::ScriptedConsole sc("an answer\n");
        const auto fault = series_fault(name, c.mode, c.keep);
        if (c.fault.empty()) {
            EXPECT_FALSE(fault) << *fault;
        } else {
            ASSERT_TRUE(fault);
            EXPECT_EQ(*fault, c.fault + name + "\n");
        }
        EXPECT_EQ(sc.output(), "");
        EXPECT_EQ(kov::con().read_line(), "an answer");
    }
}
