#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::PlotCall;
using kovtest::RecordingBackend;

class TransformStatsPlot : public ::testing::Test {
protected:
    // three series: skewness before, correlation before, power, skewness after, correlation after
    const std::vector<std::array<float, 5>> rows = {
        {0.5f, -0.3f, 0.5f, 0.2f, 0.123f},
        {1.2f, 0.4f, 0.0f, 0.123f, 0.1f},
        {0.9f, 0.2f, 1.0f, 0.3f, 0.5f},
    };
    void SetUp() override {
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        auto& t = kov::shared().trnstat;
        for (size_t i = 0; i < rows.size(); ++i)
            for (int c = 0; c < 5; ++c) t(static_cast<int>(i) + 1, c + 1) = rows[i][c];
    }
    void TearDown() override {
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        kov::shared().trnstat.fill(0.0f);
    }
    std::string run(const std::string& answers, int nser = 3) {
        kovtest::ScriptedConsole sc(answers);
        kov::plttrs(nser, "data.rwl", std::string(60, ' '));
        return sc.output();
    }
};

// The calls of panel p (0 to 3) in pass `pass`, after the page title.
std::vector<PlotCall> panel_calls(const RecordingBackend& rec, int pass, int p, const std::string& name) {
    std::vector<PlotCall> out;
    int passes = -1, adv = -2;
    for (const auto& c : rec.calls) {
        if (c.name == "init") ++passes, adv = -2;
        if (passes != pass) continue;
        if (c.name == "adv") ++adv;
        if (adv == p && c.name == name) out.push_back(c);
    }
    return out;
}

TEST_F(TransformStatsPlot, PanelsBarsMediansAndHinges) {
    RecordingBackend rec;
    const std::string out = run("c\n");
    EXPECT_EQ(rec.named("mtex")[0].s[1], "Data Transform Statistics");
    struct {
        double ymin, ymax;
        std::string median;
        double med, uh, lh;
        std::string title;
    } expected[] = {
        // before: from 0 (all positive); 1.2 -> 1.5
        {0, 1.5, "Median:   0.90", 0.9, 1.05, 0.7, "Before Transformation Skew"},
        // a negative correlation widens the floor; -0.3 + 0.4 -> span |ymin| + 0.5
        {-0.3, 0.5, "Median:   0.20", 0.2, 0.3, -0.05, "Spread vs. Level Correlation"},
        // after: from the least value, not 0
        {0.123, 0.5, "Median:   0.20", 0.2, 0.25, 0.1615, "After Transformation Skew"},
        {0.1, 0.5, "Median:   0.12", 0.123, 0.3115, 0.1115, "Spread vs. Level Correlation"},
    };
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        const auto w = panel_calls(rec, 0, p, "wind");
        ASSERT_EQ(w.size(), 1u);
        EXPECT_EQ(w[0].v[0], 1);
        EXPECT_EQ(w[0].v[1], 3);
        EXPECT_NEAR(w[0].v[2], expected[p].ymin, 1e-6);
        EXPECT_NEAR(w[0].v[3], expected[p].ymax, 1e-6);
        EXPECT_EQ(panel_calls(rec, 0, p, "lab")[0].s[2], expected[p].title);
        EXPECT_EQ(panel_calls(rec, 0, p, "axes")[0].s[0], "abitnr");
        const auto fills = panel_calls(rec, 0, p, "fill");
        ASSERT_EQ(fills.size(), 3u);
        // series 2's bar: 1.9 to 2.1 from 0 to its value
        EXPECT_NEAR(fills[1].x[0], 1.9, 1e-6);
        EXPECT_NEAR(fills[1].x[2], 2.1, 1e-6);
        EXPECT_EQ(fills[1].y[0], 0.0);
        EXPECT_FLOAT_EQ(static_cast<float>(fills[1].y[1]), rows[1][p < 2 ? p : p + 1]);
        EXPECT_EQ(fills[1].colour, 9);
        const auto lines = panel_calls(rec, 0, p, "line");
        ASSERT_EQ(lines.size(), 3u + (p >= 2 ? 1 : 0) + 3u);
        const size_t m = lines.size() - 3;
        EXPECT_NEAR(lines[m].y[0], expected[p].med, 1e-5);
        EXPECT_EQ(lines[m].colour, 15);
        EXPECT_NEAR(lines[m + 1].y[0], expected[p].uh, 1e-5);
        EXPECT_NEAR(lines[m + 2].y[0], expected[p].lh, 1e-5);
        EXPECT_EQ(lines[m + 2].colour, 1);
        EXPECT_EQ(panel_calls(rec, 0, p, "mtex")[0].s[1], expected[p].median);
    }
    // the negative correlation of series 1 points down
    EXPECT_FLOAT_EQ(static_cast<float>(panel_calls(rec, 0, 1, "fill")[0].y[1]), -0.3f);
    EXPECT_NE(out.find("|              [s]ave  [c]ontinue              |"), std::string::npos);
}

TEST_F(TransformStatsPlot, RedrawsShowTheSameBarsAndNoMoreIsNotOffered) {
    RecordingBackend rec;
    const std::string out = run("21\n3\nn\n0\nc\n");
    ASSERT_EQ(rec.passes(), 2);
    EXPECT_NE(out.find("Unknown option re-enter a valid number or letter"), std::string::npos);
    for (int p = 0; p < 4; ++p) {
        const auto a = panel_calls(rec, 0, p, "fill"), b = panel_calls(rec, 1, p, "fill");
        ASSERT_EQ(a.size(), b.size());
        for (size_t k = 0; k < a.size(); ++k) EXPECT_EQ(a[k].y, b[k].y);
        EXPECT_EQ(b[0].colour, 3);  // option 21 is the bar colour
    }
    EXPECT_FLOAT_EQ(kov::shared().trnstat(1, 1), 0.5f);  // the table keeps its order
}

TEST_F(TransformStatsPlot, OneSeriesHasItsValueAsMedianAndHinges) {
    RecordingBackend rec;
    run("c\n", 1);
    const auto lines = panel_calls(rec, 0, 0, "line");
    ASSERT_EQ(lines.size(), 4u);
    for (size_t k = 1; k < 4; ++k) EXPECT_FLOAT_EQ(static_cast<float>(lines[k].y[0]), 0.5f);
}

}  // namespace
