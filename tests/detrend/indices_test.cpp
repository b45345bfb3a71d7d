#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detrend/indices.hpp"
#include "shared/capacities.hpp"
#include "support/test_support.hpp"

namespace {

struct IndexCase {
    const char* what;
    std::vector<float> x, f;
    int itype;
    std::vector<float> want;
};

}  // namespace

TEST(Indcal, RatiosAndRescaledDifferences) {
    const IndexCase cases[] = {
        {"curve equal to the series", {0.7f, 1.3f, 2.9f}, {0.7f, 1.3f, 2.9f}, 1, {1.0f, 1.0f, 1.0f}},
        {"any type but 2 is ratios", {2, 4, 6, 8}, {1, 2, 2, 4}, 3, {2, 2, 3, 2}},
        // ratios 2,2,3,2: mean 2.25, sd 0.5; differences 1,2,4,4: mean 2.75,
        // sd 1.5; index = (d - 2.75) / 1.5 * 0.5 + 2.25
        {"differences", {2, 4, 6, 8}, {1, 2, 2, 4}, 2, {5.0f / 3, 2.0f, 8.0f / 3, 8.0f / 3}},
        // equal differences (2) have no spread: every index is the ratios'
        // mean (3 + 2 + 5/3) / 3
        {"equal differences", {3, 4, 5}, {1, 2, 3}, 2, {20.0f / 9, 20.0f / 9, 20.0f / 9}},
        {"zero curve value gives no index", {2, 3, 4}, {1, 0, 2}, 1, {2.0f, kov::xmiss, 2.0f}},
    };
    for (const auto& k : cases) {
        std::vector<float> x = k.x;
        const int n = static_cast<int>(x.size());
        kov::indcal(x, k.f, n, k.itype, kov::mxy);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], k.want[i], 1e-5f) << k.what << " at " << i + 1;
    }
}

namespace {

struct Listing {
    kov::SeriesMatrix sermat;
    kov::Table<float> stat{kov::mxs, 12};
    kov::Table<int> tbl{kov::mxs + 2, 10};
    std::vector<std::string> ids = std::vector<std::string>(kov::mxs + 1, std::string(8, ' '));

    // series j covers first(j)..first(j) + len(j) - 1; its values come with run
    void add(int j, int first, int len) {
        tbl(j, kov::ify) = first;
        tbl(j, kov::ily) = first + len - 1;
        ids[j] = "S" + std::to_string(j);
        ids[j].resize(8, ' ');
    }
    std::vector<std::string> run(int nc, int first_year, int last_year, int iprt,
                                 const std::vector<std::vector<float>>& values) {
        tbl(nc + 1, kov::ify) = first_year;
        tbl(nc + 1, kov::ily) = last_year;
        for (int j = 1; j <= nc; ++j) {
            const auto& v = values[j - 1];
            for (size_t i = 0; i < v.size(); ++i) sermat(tbl(j, kov::ify) - first_year + 1 + int(i), j) = v[i];
        }
        kovtest::TempDir dir;
        kov::OutFile out;
        out.open_fresh((dir / "list.txt").string());
        kov::sngstat(sermat, stat, tbl, ids, nc, kov::mxy, kov::mxs, out, iprt);
        out.close();
        return kovtest::split_lines(dir.read("list.txt"));
    }
};

int count_of(const std::vector<std::string>& lines, const std::string& text) {
    int c = 0;
    for (const auto& l : lines) c += l.find(text) != std::string::npos;
    return c;
}

}  // namespace

TEST(Sngstat, RowOfOneSeriesAndNoSummary) {
    Listing l;
    l.add(1, 1900, 4);
    l.ids[1] = "A       ";
    auto lines = l.run(1, 1900, 1903, 2, {{1, 2, 3, 4}});
    // 1..4: mean 2.5, sd sqrt(5/3), skew 0, kurt 10.25 / (4 (5/3)^2) x 16 x 5 / 6
    // = 12.3, sens (1/1.5 + 1/2.5 + 1/3.5) / 3 = 0.451, ac1 1.25 / 1.25 / 4
    EXPECT_EQ(count_of(lines, "    1  A         1900   1903      4   2.500   1.291  0.000 12.300  0.451   0.250"),
              1);
    EXPECT_EQ(count_of(lines, "summary of single"), 0);
    EXPECT_FLOAT_EQ(l.stat(1, 1), 4.0f);
    EXPECT_FLOAT_EQ(l.stat(1, 2), 2.5f);
}

TEST(Sngstat, HeadingsEveryTwentySeriesAndSummaryRows) {
    Listing l;
    const int nc = 45;
    std::vector<std::vector<float>> values;
    for (int j = 1; j <= nc; ++j) {
        const int len = 10 + j % 4;  // lengths 10..13
        l.add(j, 1950, len);
        std::vector<float> v;
        for (int i = 0; i < len; ++i) v.push_back(1.0f + 0.1f * ((i * j) % 5));
        values.push_back(v);
    }
    auto lines = l.run(nc, 1950, 1962, 2, values);
    EXPECT_EQ(count_of(lines, " series   ident   frst   last   year    mean   stdev"), 3);
    EXPECT_EQ(count_of(lines, "|---------------- summary of single tree-ring series statistics ---------------|"), 1);
    // lengths: 11 of 10 (j = 4, 8, ..., 44), 12 of 11, 11 of 12, 11 of 13:
    // mean 517 / 45 = 11.49 -> 11 (rounded), min 10, median 11, max 13
    EXPECT_NEAR(l.stat(1, 1), 517.0f / 45, 1e-4f);
    EXPECT_FLOAT_EQ(l.stat(3, 1), 11.0f);
    EXPECT_FLOAT_EQ(l.stat(5, 1), 10.0f);
    EXPECT_FLOAT_EQ(l.stat(8, 1), 13.0f);
    // rows 9 on hold the sorted values, no longer series 9 on
    for (int r = 9; r < nc; ++r) EXPECT_LE(l.stat(r, 1), l.stat(r + 1, 1));
    // labels from column 2, the year count as i4 from column 33
    EXPECT_EQ(count_of(lines, " arithmetic mean" + std::string(18, ' ') + "11"), 1);
    EXPECT_EQ(count_of(lines, " maximum value" + std::string(20, ' ') + "13"), 1);
    EXPECT_EQ(count_of(lines, " lower hinge (25th quantile)"), 1);
}

TEST(Sngstat, SummaryWrittenAtEveryPrintoutLevel) {
    Listing l;
    l.add(1, 1900, 5);
    l.add(2, 1901, 5);
    auto lines = l.run(2, 1900, 1905, 1, {{1, 2, 3, 2, 1}, {2, 2, 3, 4, 3}});
    EXPECT_EQ(count_of(lines, "statistics of single tree-ring series"), 0);
    EXPECT_EQ(count_of(lines, "summary of single"), 1);
    EXPECT_EQ(count_of(lines, "                           year    mean   stdev   skew   kurt   sens   ac(1)"), 1);
}
