#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "series/gap_filling.hpp"
#include "shared/capacities.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {
// Runs gapscan on x into a fresh file and returns the lines written.
std::vector<std::string> report(const std::vector<float>& x, int iser, const std::string& id, int iyr, int itrn,
                                int& nmiss, std::vector<int>& mask) {
    kovtest::TempDir dir;
    OutFile out;
    EXPECT_TRUE(out.open_fresh((dir / "out.txt").string()));
    mask.assign(x.size(), -1);
    nmiss = gapscan(x, id, iser, mask, iyr, itrn, out);
    out.close();
    return kovtest::split_lines(dir.read("out.txt"));
}

const std::string rule = std::string(7, ' ') + std::string(68, '-');
}  // namespace

TEST(Gapscan, ReportsGapsOfOneSeries) {
    // Years 5, 6, 7 and 50 of a series from 1901 are missing: two gaps.
    std::vector<float> x(60, 1.25f);
    x[4] = xmiss;
    x[5] = -1.0f;  // any negative value counts the same
    x[6] = xmiss;
    x[49] = xmiss;
    int nmiss = 0;
    std::vector<int> mask;
    const auto lines = report(x, 3, "ABC01   ", 1901, 0, nmiss, mask);
    EXPECT_EQ(nmiss, 4);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "           3       ABC01          missing values found:   4 in   2 gaps");
    EXPECT_EQ(lines[1], "             / 1905  1907 / 1950  1950 /");
    EXPECT_EQ(lines[2], rule);
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_EQ(mask[i], (i >= 4 && i <= 6) || i == 49 ? 0 : 1) << i;
}

TEST(Gapscan, FourGapsToALine) {
    // Five single-year gaps from year -3 (negative years print with their sign).
    std::vector<float> x(20, 0.5f);
    for (int i : {0, 2, 4, 6, 8}) x[i] = xmiss;
    int nmiss = 0;
    std::vector<int> mask;
    const auto lines = report(x, 1234, "X", -3, 0, nmiss, mask);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "        1234       X              missing values found:   5 in   5 gaps");
    EXPECT_EQ(lines[1], "             /   -3    -3 /   -1    -1 /    1     1 /    3     3 /");
    EXPECT_EQ(lines[2], "             /    5     5 /");
    EXPECT_EQ(lines[3], rule);
}

TEST(Gapscan, ZeroIsMissingOnlyWithATransformation) {
    const std::vector<float> x = {0.3f, 0.0f, 0.4f, 0.0f, 0.0f};
    struct Case {
        int itrn;
        int nmiss;
        size_t lines;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{-1, 0, 0}, Case{2, 3, 3}}) {
        int nmiss = -1;
        std::vector<int> mask;
        const auto lines = report(x, 1, "ZERO", 1800, c.itrn, nmiss, mask);
        EXPECT_EQ(nmiss, c.nmiss) << "itrn " << c.itrn;
        EXPECT_EQ(lines.size(), c.lines) << "itrn " << c.itrn;
        EXPECT_EQ(mask[1], c.nmiss ? 0 : 1);
        if (c.lines) {
            EXPECT_EQ(lines[1], "             / 1801  1801 / 1803  1804 /");
        }
    }
}
