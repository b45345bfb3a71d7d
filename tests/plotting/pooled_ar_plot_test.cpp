#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::PlotCall;
using kovtest::RecordingBackend;

std::vector<PlotCall> panel_calls(const RecordingBackend& rec, int p, const std::string& name) {
    std::vector<PlotCall> out;
    int adv = -2;
    for (const auto& c : rec.calls) {
        if (c.name == "init" && !out.empty()) break;
        if (c.name == "adv") ++adv;
        if (adv == p && c.name == name) out.push_back(c);
    }
    return out;
}

TEST(PooledArPlot, BarsBandsAndFixedAxes) {
    ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
    kov::Table<float> tab(11, 4);
    for (int c = 1; c <= 4; ++c) tab(1, c) = 1.0f;
    tab(2, 1) = 0.5f;   // r1
    tab(3, 1) = 0.2f;   // r2
    tab(2, 3) = -0.4f;  // a negative coefficient
    tab(2, 4) = 1.3f;   // beyond the frame
    RecordingBackend rec;
    int sw = 2;
    std::string out;
    {
        kovtest::ScriptedConsole sc("8\nn\n");
        kov::pltacf(tab, 11, 1, "site.rwl   ", 100, sw);
        out = sc.output();
    }
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    EXPECT_EQ(sw, 2);
    EXPECT_NE(out.find("\n             Unknown option 8  re-enter a valid choise\n"), std::string::npos);
    EXPECT_EQ(rec.named("lab")[0].s[2], "site.rwl Pooled Autoregression");
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(panel_calls(rec, p, "wind")[0].v, (std::vector<double>{0, 10.5, -0.5, 1.0}));
        const auto ax = panel_calls(rec, p, "axes")[0];
        EXPECT_EQ(ax.v, (std::vector<double>{0, -0.5, 1.0, 0, 0.5, 0}));
        const auto fills = panel_calls(rec, p, "fill");
        ASSERT_EQ(fills.size(), 11u);
        EXPECT_EQ(fills[0].x, (std::vector<double>{0, 0, 0.4f, 0.4f}));
        EXPECT_NEAR(fills[3].x[0], 2.65, 1e-6);  // lag 3: 0.35 to its left, 0.4 to its right
        EXPECT_NEAR(fills[3].x[2], 3.4, 1e-6);
        EXPECT_EQ(fills[0].colour, 9);
        const auto lines = panel_calls(rec, p, "line");
        const PlotCall& zero = lines.back();
        EXPECT_EQ(zero.x.size(), 11u);
        EXPECT_EQ(zero.x.back(), 10);
        EXPECT_EQ(zero.colour, 15);
        EXPECT_EQ(lines.size(), 11u + (p < 2 ? 2 : 0) + 1u);
    }
    // 2 / sqrt(100) = 0.2 at lag 1; lag 2 widens by r1: 2 sqrt(1 + 2 * 0.25) / 10;
    // lag 3 by r1 and r2: 2 sqrt(1 + 2 * (0.25 + 0.04)) / 10
    const auto acf = panel_calls(rec, 0, "line");
    const PlotCall& band = acf[11];
    EXPECT_NEAR(band.y[0], 0.2, 1e-6);
    EXPECT_NEAR(band.y[1], 2 * std::sqrt(1.5) / 10, 1e-6);
    EXPECT_NEAR(band.y[2], 2 * std::sqrt(1.58) / 10, 1e-6);
    EXPECT_NEAR(acf[12].y[1], -2 * std::sqrt(1.5) / 10, 1e-6);
    EXPECT_EQ(band.colour, 1);
    EXPECT_EQ(band.width, 2);
    const auto pacf = panel_calls(rec, 1, "line");
    for (double v : pacf[11].y) EXPECT_NEAR(v, 0.2, 1e-6);
    EXPECT_FLOAT_EQ(static_cast<float>(panel_calls(rec, 2, "fill")[1].y[1]), -0.4f);
}

}  // namespace
