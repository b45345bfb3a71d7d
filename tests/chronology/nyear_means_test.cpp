#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chronology/nyear_means.hpp"
#include "shared/files.hpp"
#include "support/test_support.hpp"

using namespace kov;
using namespace kovtest;

namespace {
struct NyrCase {
    const char* name;
    int iyr1, nstep;
    std::vector<float> ym, yc, yi;
    std::vector<std::string> listing;
};

// Computed once by reference/nyear_means_reference.py.
const std::vector<NyrCase> cases = {
#include "chronology/reference/nyear_means_reference.inc"
};

std::vector<std::string> listing_of(const NyrCase& c, int n, int iprt, int mode) {
    TempDir dir;
    OutFile out;
    EXPECT_TRUE(out.open_fresh((dir / "list.txt").string()));
    nyrmean(c.ym, c.yc, c.yi, n, c.iyr1, c.nstep, out, iprt, mode);
    out.close();
    return split_lines(dir.read("list.txt"));
}
}  // namespace

TEST(Nyrmean, ListingMatchesReference) {
    // Among the cases: 1901-2000 in 10-year blocks gives 9 blocks labelled
    // 1900 to 1980 (the last year is a multiple of 10); 1900-1994 gives 9 full
    // blocks; a block whose curve equals its measurements shows no "x"; the
    // index digit of 1980 covers the "|" of 1.0.
    for (const NyrCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(listing_of(c, static_cast<int>(c.ym.size()), 4, 0), c.listing);
    }
}

TEST(Nyrmean, HighPrintoutLevelGoesToTheConsoleOnlyInModeTwo) {
    const NyrCase& c = cases[0];
    const int n = static_cast<int>(c.ym.size());
    {
        ScriptedConsole sc("");
        EXPECT_TRUE(listing_of(c, n, 5, 0).empty());
        EXPECT_EQ(sc.output(), "");
    }
    ScriptedConsole sc("");
    EXPECT_TRUE(listing_of(c, n, 5, 2).empty());
    EXPECT_EQ(sc.lines(), c.listing);
}

TEST(Nyrmean, FlatIndexMeansStayInsideTheLine) {
    // Every index block mean equal: the index scale has no range. The marks
    // go to the scale's first column instead of an undefined position.
    std::vector<float> ym(20), yc(20, 1.0f), yi(20, 1.0f);
    for (int i = 0; i < 20; ++i) ym[i] = 1.0f + 0.1f * static_cast<float>(i);
    NyrCase c{"flat", 1901, 5, ym, yc, yi, {}};
    const std::vector<std::string> lines = listing_of(c, 20, 4, 0);
    ASSERT_EQ(lines.size(), 6u + 3u);  // 1900, 1905, 1910 (1920 ends on a multiple of 10)
    const char digits[] = {'0', '0', '1'};  // tens digits of 1900, 1905, 1910
    for (size_t k = 6; k < lines.size(); ++k) {
        ASSERT_EQ(lines[k].size(), 82u);
        EXPECT_EQ(lines[k].substr(53, 6), "  1.00");
        EXPECT_EQ(lines[k][61], digits[k - 6]);  // plot column 34: the digit over the "|"
        EXPECT_EQ(lines[k].substr(62), std::string(20, ' '));
    }
}

// Block means of measurements that would fill their f6.2 (123.456) or are
// too wide for it (1234.5, which rounds to the even 1234.) take fewer
// decimals, a blank before each, in their columns 7-12, 13-18 and 54-59.
TEST(Nyrmean, WideBlockMeansKeepABlankBeforeThem) {
    NyrCase c{"wide", 1901, 5, std::vector<float>(20, 123.456f), std::vector<float>(20, 1234.5f),
              std::vector<float>(20, 1.0f), {}};
    const std::vector<std::string> lines = listing_of(c, 20, 4, 0);
    ASSERT_EQ(lines.size(), 6u + 3u);
    for (size_t k = 6; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].substr(6, 12), " 123.5 1234.") << lines[k];
        EXPECT_EQ(lines[k].substr(53, 6), "  1.00") << lines[k];
    }
}
