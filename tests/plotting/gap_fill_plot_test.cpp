#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::PlotCall;
using kovtest::RecordingBackend;

// A series 1900 to 1960 (value 2.0, 1.0 in the missing years) with a trend of 3.0.
struct GapPlot {
    std::vector<float> y = std::vector<float>(61, 2.0f), trend = std::vector<float>(61, 3.0f);
    int flag = 1;
    RecordingBackend rec;
    std::string out;
    void run(std::vector<int> gaps, const std::string& answers = "c\n") {
        for (int g : gaps) y[g - 1900] = 1.0f;
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        kovtest::ScriptedConsole sc(answers);
        kov::pltfil(y, trend, 61, 1900, "AB01    ", " in-filled growth trend", "years", "measurements (y)", " ",
                    static_cast<int>(gaps.size()), gaps, flag);
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        out = sc.output();
    }
    std::vector<PlotCall> lines() const { return rec.in_pass("line", 0); }
};

TEST(GapFillPlot, RunsOfMissingYearsAreDrawnAgainAndFramed) {
    struct Case {
        std::vector<int> gaps;
        std::vector<std::pair<int, int>> stretches;  // drawn stretch of each run
        std::vector<std::pair<int, int>> frames;     // left and right frame line of each run
    } cases[] = {
        {{1930}, {{1929, 1931}}, {{1929, 1931}}},
        {{1901, 1902, 1903, 1950}, {{1900, 1904}, {1949, 1951}}, {{1900, 1904}, {1949, 1951}}},
        {{1900, 1901}, {{1900, 1902}}, {{1899, 1902}}},  // the left frame line stands before the span
        {{1910, 1912, 1913, 1960}, {{1909, 1911}, {1911, 1914}, {1959, 1960}}, {{1909, 1911}, {1911, 1914}, {1959, 1961}}},
        {{}, {}, {}},
    };
    for (const auto& c : cases) {
        GapPlot p;
        p.run(c.gaps);
        SCOPED_TRACE(::testing::PrintToString(c.gaps));
        const auto l = p.lines();
        ASSERT_EQ(l.size(), 2 + 5 * c.stretches.size());
        EXPECT_EQ(l[0].x.size(), 61u);  // the series over the whole span
        EXPECT_EQ(l[1].width, 2);       // the trend, wide
        for (size_t r = 0; r < c.stretches.size(); ++r) {
            const PlotCall& series = l[2 + 5 * r];
            const PlotCall& trend = l[3 + 5 * r];
            EXPECT_EQ(series.x.front(), c.stretches[r].first);
            EXPECT_EQ(series.x.back(), c.stretches[r].second);
            EXPECT_EQ(series.colour, 1);
            EXPECT_EQ(trend.colour, 9);
            EXPECT_EQ(trend.width, 2);
            const PlotCall& left = l[4 + 5 * r];
            const PlotCall& right = l[5 + 5 * r];
            const PlotCall& top = l[6 + 5 * r];
            EXPECT_EQ(left.x, (std::vector<double>{double(c.frames[r].first), double(c.frames[r].first)}));
            EXPECT_EQ(right.x, (std::vector<double>{double(c.frames[r].second), double(c.frames[r].second)}));
            EXPECT_EQ(left.y, (std::vector<double>{0, 2.5}));  // 0 to ymax (2.0 raised to 2.5)
            EXPECT_EQ(top.y, (std::vector<double>{2.5, 2.5}));
            EXPECT_EQ(left.colour, 15);
            EXPECT_EQ(left.width, 1);
        }
    }
}

TEST(GapFillPlot, LimitsTitleAndSwitch) {
    GapPlot p;
    p.run({1930}, "n\n");
    EXPECT_EQ(p.flag, 0);
    // the trend (3.0) does not enter: y from 0 to 2.5; x 1900 to 1960 -> 1970
    EXPECT_EQ(p.rec.in_pass("wind", 0)[0].v, (std::vector<double>{1900, 1970, 0, 2.5}));
    EXPECT_EQ(p.rec.in_pass("lab", 0)[0].s,
              (std::vector<std::string>{"years", "measurements (y)", "AB01 in-filled growth trend"}));
    EXPECT_NE(p.out.find("| fit  color         [5]  max. y          [16] |"), std::string::npos);

    GapPlot q;
    q.run({1930}, "\n");
    EXPECT_EQ(q.flag, 1);
}

}  // namespace
