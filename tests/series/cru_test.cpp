#include <gtest/gtest.h>

#include <vector>

#include "series/cru.hpp"
#include "series/series_fixture.hpp"
#include "series/tucson.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"

using namespace kov;
using kovtest::ListingFixture;

namespace {

std::string rep(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct CruRead : ListingFixture {
    TextIn in;
    int counter = 0;
    std::string id, title;
    int first = 0, count = 0;
    std::vector<float> values = std::vector<float>(mxy, -1.0f);
    std::vector<int> depths = std::vector<int>(mxy, -1);
    void next() { rinfrn(id, first, count, values, depths, counter, in, title); }
};

}  // namespace

// Pairs line up to decades: year y sits in pair (y mod 10) + 1, also for BC
// years; four digits without a point are hundredths, a point is taken as
// written; blank lines are skipped wherever they stand.
TEST(CruRead, PairsAlignToDecades) {
    CruRead t;
    kovtest::ScriptedConsole sc("");
    t.open_text(t.in,
                "\n"
                "CRU001   1  12\n"
                "CRU001   0" + rep("9990  0", 1) + " 101  1 102  2 103  3 104  4 105  5 106  6 107  7 108  8 109  9\n" +
                "\n"
                "CRU001  10" + " 110101 111 11 112 12" + rep("9990  0", 7) + "\n" +
                "CRU002  -5  -3\n"
                "CRU002 -10" + rep("9990  0", 5) + "1.02  3" + " 1.5  4" + " 250  5" + rep("9990  0", 2) + "\n");
    t.next();
    EXPECT_EQ(t.id, "CRU001  ");
    EXPECT_EQ(t.first, 1);
    ASSERT_EQ(t.count, 12);
    EXPECT_FLOAT_EQ(t.values[0], 1.01f);
    EXPECT_FLOAT_EQ(t.values[8], 1.09f);
    EXPECT_FLOAT_EQ(t.values[9], 1.10f);
    EXPECT_EQ(t.depths[9], 101);
    EXPECT_FLOAT_EQ(t.values[11], 1.12f);
    EXPECT_EQ(t.counter, 1);

    t.next();
    EXPECT_EQ(t.first, -5);
    ASSERT_EQ(t.count, 3);
    EXPECT_FLOAT_EQ(t.values[0], 1.02f);
    EXPECT_FLOAT_EQ(t.values[1], 1.5f);
    EXPECT_FLOAT_EQ(t.values[2], 2.5f);
    EXPECT_EQ(t.depths[1], 4);

    t.next();
    EXPECT_EQ(t.count, -999);
    EXPECT_EQ(t.counter, -999);
    EXPECT_EQ(sc.output().find("title of data"), std::string::npos);  // blank lines are no title
}

// Up to five unreadable lines before a header: the first is the title and the
// only one shown; a sixth stops the program.
TEST(CruRead, UnreadableLinesBeforeAHeader) {
    const std::string value_line = "CRU001  10" + std::string(" 100  1") + rep("9990  0", 9) + "\n";
    {
        CruRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, "Title of the chronology\nmore text\nmore text\nmore text\nmore text\n"
                          "CRU001  10  10\n" + value_line);
        t.next();
        EXPECT_EQ(t.count, 1);
        EXPECT_EQ(t.title.substr(0, 23), "Title of the chronology");
        EXPECT_EQ(kovtest::count_lines_with(sc.output(), "more text"), 0);
        EXPECT_EQ(kovtest::count_lines_with(sc.output(), "Title of the chronology"), 1);
    }
    {
        CruRead t;
        kovtest::ScriptedConsole sc("\n");
        t.open_text(t.in, "Title of the chronology\nmore text\nmore text\nmore text\nmore text\nmore text\n"
                          "CRU001  10  10\n" + value_line);
        EXPECT_THROW(t.next(), Stop);
        EXPECT_NE(sc.output().find(" *** too many read errors in rinfrn"), std::string::npos);
    }
}

TEST(CruRead, UnreadableValuesOrEndOfFileStop) {
    struct Case {
        const char* what;
        std::string file;
        const char* message;
    };
    const Case cases[] = {
        {"letters in a value", "CRU001  10  11\nCRU001  10 1xx  1 100  1\n",
         " *** error reading tree-ring data in uea cru data format: series CRU001"},
        {"file ends in the values", "CRU001  10  25\nCRU001  10" + rep(" 100  1", 10) + "\n", "end of file"},
    };
    for (const Case& c : cases) {
        CruRead t;
        kovtest::ScriptedConsole sc("\n");
        t.open_text(t.in, c.file);
        EXPECT_THROW(t.next(), Stop) << c.what;
        EXPECT_NE(sc.output().find(c.message), std::string::npos) << c.what << "\n" << sc.output();
    }
}

// A value field left blank, or cut off with the end of its line, holds no
// measurement: a missing value for the gap scan, not a ring of width 0, with
// one warning line per series in the listing.
TEST(CruRead, EmptyValueFieldsAreMissingValues) {
    struct Case {
        const char* what;
        std::string file;
        int empty;
    };
    const Case cases[] = {
        {"blank pair", "CRU00119901993\nCRU0011990" + std::string(" 100  1") + std::string(7, ' ') + rep(" 120  1", 2) + "\n", 1},
        {"line cut short", "CRU00119901993\nCRU0011990 100  1\n", 3},
    };
    for (const Case& c : cases) {
        CruRead t;
        t.open_text(t.in, c.file);
        t.next();
        ASSERT_EQ(t.count, 4) << c.what;
        EXPECT_FLOAT_EQ(t.values[0], 1.0f) << c.what;
        for (int i = 1; i <= c.empty; ++i) EXPECT_FLOAT_EQ(t.values[i], xmiss) << c.what << " " << i;
        if (c.empty == 1) {
            EXPECT_FLOAT_EQ(t.values[2], 1.2f);
        }
        EXPECT_EQ(kovtest::count_lines_with(t.listing(), "series CRU001 has     " + std::to_string(c.empty) +
                                                             " empty value fields: taken as missing values"),
                  1)
            << c.what << "\n" << t.listing();
    }
}

// The CRU form written in thousandths and read in hundredths comes back ten
// times larger: the format's own scales, kept on purpose.
TEST(CruRoundTrip, WrittenThousandthsReadBackAsHundredths) {
    for (int first : {1, 15, 1990, -5, -999}) {
        const std::vector<float> v = {0.101f, 0.25f, 0.999f, 0.0f, 0.5f, 0.123f, 0.9f, 0.1f, 0.2f, 0.3f, 0.4f};
        const std::vector<int> d = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        ListingFixture w;
        w.open_save();
        trrw("CRU777", first, static_cast<int>(v.size()), v, d, streams().luscr, "cr", "std");
        CruRead t;
        t.open_text(t.in, w.saved());
        t.next();
        EXPECT_EQ(t.first, first);
        ASSERT_EQ(t.count, static_cast<int>(v.size()));
        for (size_t i = 0; i < v.size(); ++i) {
            EXPECT_NEAR(t.values[i], 10.0f * v[i], 1e-5f) << first << " value " << i;
            EXPECT_EQ(t.depths[i], d[i]);
        }
        t.next();
        EXPECT_EQ(t.count, -999);
    }
}

TEST(CruWrite, HeaderOfBcYearsTakesFiveColumns) {
    ListingFixture w;
    w.open_save();
    const std::vector<float> v = {1.0f, 1.0f};
    trrw("OLD001", -1001, 2, v, {}, streams().luscr, "cr", "std");
    const auto lines = kovtest::split_lines(w.saved());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "OLD001-1001-1000");
    EXPECT_EQ(lines[1], "OLD00-1001" + rep("9990  0", 9) + "1000  1" + "  std");
    EXPECT_EQ(lines[2], "OLD00-1000" + std::string("1000  1") + rep("9990  0", 9) + "  std");
}
