#include <gtest/gtest.h>

#include <vector>

#include "series/compact.hpp"
#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"

using namespace kov;
using kovtest::ListingFixture;

namespace {

// A header line as the format lays it out: count, "=n", first year, "=i ",
// identifier, exponent in columns 69-71, value layout in 72-79, "~", tag.
std::string header(const std::string& count8, const std::string& first8, const std::string& id,
                   const std::string& exp3, const std::string& layout8, const std::string& tag) {
    return padded(count8 + "=n" + first8 + "=i " + id, 68) + exp3 + layout8 + "~ " + tag + "\n";
}

struct CompactRead : ListingFixture {
    TextIn in;
    int counter = 0;
    std::string id, title;
    int first = 0, count = 0;
    std::vector<float> values = std::vector<float>(mxy, -1.0f);
    void next() { cdf(id, values, first, count, counter, in, title); }
};

}  // namespace

// The writer's worked examples: exponent, field width and values per line are
// chosen for each series from its largest value and its trailing zeros.
TEST(CompactWrite, ScaleAndFieldWidthPerSeries) {
    struct Case {
        const char* what;
        std::vector<float> values;
        std::string expected;
    };
    const Case cases[] = {
        {"1.23 0.98 2.5", {1.23f, 0.98f, 2.5f},
         header("       3", "    1900", "CMP1", " -2", "(26f3.0)", "raw") + "123 98250\n"},
        {"a negative value needs its sign column", {1.23f, -9.99f},
         header("       2", "    1900", "CMP1", " -2", "(20f4.0)", "raw") + " 123-999\n"},
        {"only zeros", {0.0f, 0.0f, 0.0f}, header("       3", "    1900", "CMP1", "  0", "(80f1.0)", "raw") + "000\n"},
        {"values below 1", {0.5f}, header("       1", "    1900", "CMP1", " -1", "(40f2.0)", "raw") + " 5\n"},
    };
    for (const Case& c : cases) {
        ListingFixture t;
        t.open_save();
        std::vector<int> work(c.values.size());
        wrcdf("CMP1    ", c.values, work, static_cast<int>(c.values.size()), 1900, streams().luscr, "raw");
        EXPECT_EQ(t.saved(), c.expected) << c.what;
    }
}

TEST(CompactRoundTrip, WrittenSeriesReadBack) {
    std::vector<std::vector<float>> series = {
        {1.23f, 0.98f, 2.5f},
        {1.23f, -9.99f},
        {0.0f},
        {0.5f},
        {},
    };
    std::vector<float> long_one;
    for (int i = 0; i < 61; ++i) long_one.push_back(static_cast<float>((i * 37) % 250) / 100.0f);
    series.push_back(long_one);
    std::vector<float> big = {1234.5f, 2.0f, 17.25f};
    series.push_back(big);

    ListingFixture w;
    w.open_save();
    int first = -30;
    for (const auto& s : series) {
        std::vector<int> work(s.size());
        wrcdf("SER" + std::to_string(first), s, work, static_cast<int>(s.size()), first, streams().luscr, "gap");
        first += 100;
    }
    CompactRead t;
    t.open_text(t.in, w.saved());
    first = -30;
    for (const auto& s : series) {
        if (s.empty()) {  // nothing was written for it
            first += 100;
            continue;
        }
        t.next();
        EXPECT_EQ(t.first, first);
        EXPECT_EQ(t.id, padded("SER" + std::to_string(first), 8));
        ASSERT_EQ(t.count, static_cast<int>(s.size()));
        for (size_t i = 0; i < s.size(); ++i)
            EXPECT_NEAR(t.values[i], s[i], 1e-6f * std::max(1.0f, std::fabs(s[i]))) << first << " value " << i;
        first += 100;
    }
    t.next();
    EXPECT_EQ(t.count, -999);
    EXPECT_EQ(t.counter, -999);
}

// Blank exponent columns read as no scaling; blank lines are skipped; a count
// of 0 is an empty series and the next header follows at once.
TEST(CompactRead, BlankExponentBlankLinesAndEmptySeries) {
    CompactRead t;
    t.open_text(t.in, "\n" + header("       2", "    1950", "AB", "   ", "(10f6.0)", "raw") + "\n    12    34\n" +
                          header("       0", "    1960", "EMPTY", " -3", "(13f6.0)", "raw") +
                          header("       1", "    1970", "CD", " -3", "(13f6.0)", "raw") + "   250\n");
    t.next();
    EXPECT_EQ(t.id, "AB      ");
    ASSERT_EQ(t.count, 2);
    EXPECT_FLOAT_EQ(t.values[0], 12.0f);
    EXPECT_FLOAT_EQ(t.values[1], 34.0f);
    t.next();
    EXPECT_EQ(t.id, "EMPTY   ");
    EXPECT_EQ(t.first, 1960);
    EXPECT_EQ(t.count, 0);
    t.next();
    EXPECT_EQ(t.id, "CD      ");
    ASSERT_EQ(t.count, 1);
    EXPECT_FLOAT_EQ(t.values[0], 0.25f);
    EXPECT_EQ(t.counter, 3);
}

// A value field left blank, or cut off with the end of its line, holds no
// measurement: a missing value for the gap scan (not a ring of width 0 times
// the scale), with a warning line in the listing.
TEST(CompactRead, EmptyValueFieldsAreMissingValues) {
    CompactRead t;
    t.open_text(t.in, header("       4", "    1950", "GAPS", " -2", "(13f6.0)", "raw") + "   100         300\n" +
                          header("       1", "    1960", "NEXT", " -2", "(13f6.0)", "raw") + "   250\n");
    t.next();
    ASSERT_EQ(t.count, 4);
    EXPECT_FLOAT_EQ(t.values[0], 1.0f);
    EXPECT_FLOAT_EQ(t.values[1], xmiss);
    EXPECT_FLOAT_EQ(t.values[2], 3.0f);
    EXPECT_FLOAT_EQ(t.values[3], xmiss);
    EXPECT_EQ(kovtest::count_lines_with(t.listing(), "series GAPS     has     2 empty value fields: taken as missing values"), 1)
        << t.listing();
    t.next();
    EXPECT_EQ(t.id, "NEXT    ");
    EXPECT_FLOAT_EQ(t.values[0], 2.5f);
}

// Up to three unreadable header lines are shown and skipped; a fourth stops.
TEST(CompactRead, UnreadableHeaderLines) {
    const std::string series = header("       1", "    1970", "CD", "  0", "(13f6.0)", "raw") + "   250\n";
    {
        CompactRead t;
        kovtest::ScriptedConsole sc("");
        t.open_text(t.in, "Compact title line\nsecond text\nthird text\n" + series);
        t.next();
        EXPECT_EQ(t.count, 1);
        EXPECT_EQ(t.title.substr(0, 18), "Compact title line");
        EXPECT_NE(sc.output().find(" title of data:\n Compact title line"), std::string::npos);
        EXPECT_NE(sc.output().find("\n third text"), std::string::npos);
    }
    {
        CompactRead t;
        kovtest::ScriptedConsole sc("\n");
        t.open_text(t.in, "Compact title line\nsecond text\nthird text\nfourth text\n" + series);
        EXPECT_THROW(t.next(), Stop);
        EXPECT_NE(sc.output().find(" *** header line read error in sbr cdf: "), std::string::npos);
        EXPECT_NE(sc.output().find("\n fourth text"), std::string::npos);
    }
}

TEST(CompactRead, FaultsThatStop) {
    struct Case {
        const char* what;
        std::string file;
        size_t ld;
        const char* message;
    };
    const Case cases[] = {
        {"longer than the vector", header("       3", "    1970", "LONG", "  0", "(13f6.0)", "raw") + "     1     2     3\n",
         2, " *** series length exceeds maximum allowable length: series LONG has 3 values, the limit is 2\n"},
        // a count of seven digits (the reader takes columns 2 to 8) beside a
        // numeric identifier: both stay apart, in words
        {"count far beyond the limit", header(" 2522032", "    1970", "22522032", "  0", "(13f6.0)", "raw") + "     1\n",
         mxy, " *** series length exceeds maximum allowable length: series 22522032 has 2522032 values, the limit is 5001\n"},
        {"letters among the values", header("       2", "    1970", "BAD", "  0", "(13f6.0)", "raw") + "     1   x 2\n",
         mxy, " *** error reading data in sbr cdf: "},
        {"file ends in the values", header("      20", "    1970", "SHORT", "  0", "(13f6.0)", "raw") + "     1\n",
         mxy, "sbr cdf"},
        {"exponent that is no number", header("       1", "    1970", "EXP", " x1", "(13f6.0)", "raw") + "     1\n",
         mxy, "sbr cdf"},
        // 999999 times 10 to the 38 is beyond every 32-bit real; 10 to the 25
        // is a real, but its square is not; 5 times 10 to the -45 is nothing.
        {"exponent past the reals", header("       1", "    1970", "E38", " 38", "(13f6.0)", "raw") + "999999\n",
         mxy, " *** value out of range for its exponent in sbr cdf: "},
        {"exponent past what the stages carry", header("       1", "    1970", "E25", " 25", "(13f6.0)", "raw") + "     1\n",
         mxy, " *** value out of range for its exponent in sbr cdf: "},
        {"exponent that leaves nothing", header("       1", "    1970", "EM45", "-45", "(13f6.0)", "raw") + "     5\n",
         mxy, " *** value out of range for its exponent in sbr cdf: "},
    };
    for (const Case& c : cases) {
        CompactRead t;
        t.values.resize(c.ld);
        kovtest::ScriptedConsole sc("\n");
        t.open_text(t.in, c.file);
        EXPECT_THROW(t.next(), Stop) << c.what;
        EXPECT_NE(sc.output().find(c.message), std::string::npos) << c.what << "\n" << sc.output();
    }
}

