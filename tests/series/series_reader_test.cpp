#include <gtest/gtest.h>

#include <cstdio>
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

// A series that is nothing but its end marker is left out with a warning, and
// the series after it are read.
TEST(SeriesReader, EndMarkerOnlySeriesIsSkipped) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    r.open_data(ring_series("FIRST", 1900, 5, 100) + "EMPTY   1910   999\n" + ring_series("THIRD", 1920, 5, 300));
    r.read();
    ASSERT_EQ(shared().nc, 2);
    EXPECT_EQ(shared().serids[2], "THIRD   ");
    EXPECT_EQ(count_lines_with(r.listing(), "*** warning: series EMPTY    holds no values"), 1);
}

// In a batch run the skipped series takes no position: the series after it
// still meets its own detail row.
TEST(SeriesReader, SkippedSeriesKeepsDetailRowsAligned) {
    Reader r;
    kovtest::ScriptedConsole sc("");
    SharedTables& t = shared();
    t.batmod = "y";
    t.sertbl(2, idt) = 42;
    r.open_data(ring_series("FIRST", 1900, 5, 100) + "EMPTY   1910   999\n" + ring_series("THIRD", 1920, 5, 300));
    r.read();
    ASSERT_EQ(t.nc, 2);
    EXPECT_EQ(t.sertbl(2, idt), 42);
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
         padded("       0=n    1960=i EMPTY", 68) + " -3(13f6.0)~ raw\n" + padded("       2=n    1970=i FULL", 68) +
             " -3(13f6.0)~ raw\n   250   300\n",
         1960, 1959},
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
// series stops too. Each stop writes its message and waits for Enter.
TEST(SeriesReader, CapacitiesAndEmptyFilesStop) {
    struct Case {
        const char* what;
        std::string text;
        int ld, max_series;
        const char* message;
    };
    const Case cases[] = {
        {"series longer than ld", ring_series("LONG01", 1900, 25, 100), 20, mxs,
         " *** series read in exceeds maximum allowable length: LONG01       25 >    20 max ***"},
        {"more series than mxs",
         ring_series("A", 1900, 5, 100) + ring_series("B", 1900, 5, 100) + ring_series("C", 1900, 5, 100), mxy, 2,
         " *** number of series exceeds maximum allowed: 2 max ***"},
        {"span beyond ld", ring_series("EARLY", 1000, 5, 100) + ring_series("LATE", 1030, 5, 100), 30, mxs,
         " *** total series length exceeds maximum allowable length:     35 >     30 max ***"},
        {"no series", "just a text line\n", mxy, mxs, " *** nc .le. 0 after reading tree-ring data"},
    };
    for (const Case& c : cases) {
        Reader r;
        kovtest::ScriptedConsole sc("\n");
        r.open_data(c.text);
        try {
            r.read(c.ld, c.max_series);
            ADD_FAILURE() << c.what << ": no stop";
        } catch (const Stop& s) {
            EXPECT_EQ(s.status, exit_failure) << c.what;
        }
        EXPECT_NE(sc.output().find(c.message), std::string::npos) << c.what << "\n" << sc.output();
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
    const std::string label = " arithmetic mean";
    const struct {
        const char* what;
        std::string other;
        std::vector<std::string> rows;  // the eight rows from column 33
    } cases[] = {
        {"constant and two values",
         "TWO01   1950   100   300   999\n",
         {"   4   1.250   1.414  0.000  0.250  0.500  -1.000",
          "   2   1.061 -99.000-99.000-99.000  0.707 -99.000",
          "   3   1.250   1.414  0.000  0.250  0.500  -1.000",
          "   3   1.500   0.000  0.000  0.000  1.000   0.000",
          "   2   0.500   1.414  0.000  0.250  0.000  -1.000",
          "   2   0.500   1.414  0.000  0.250  0.000  -1.000",
          "   5   2.000   1.414  0.000  0.250  1.000  -1.000",
          "   5   2.000   1.414  0.000  0.250  1.000  -1.000"}},
        {"constant and one value",
         "ONE01   1950   200   999\n",
         {"   3   1.250 -99.000-99.000-99.000  0.000 -99.000",
          "   2   1.061                      -99.000",
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
        const auto lines = r.listing_lines();
        for (int k = 0; k < 8; ++k) {
            const std::string want = padded(std::string(" ") + labels[k], 32) + c.rows[static_cast<size_t>(k)];
            EXPECT_EQ(count_lines_with(r.listing(), want), 1) << want;
        }
    }
}
