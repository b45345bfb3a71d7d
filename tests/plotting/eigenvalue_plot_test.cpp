#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::RecordingBackend;

TEST(EigenvaluePlot, LimitsCurvesAndErrorBars) {
    ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
    const std::vector<float> bstick{1.83f, 0.83f, 0.33f}, eig{3.2f, 1.1f, 0.5f}, se{0.4f, 0.2f, 0.1f};
    RecordingBackend rec;
    std::string out;
    {
        // a typed y maximum shows after 0; 99 brings the limits back from the data
        kovtest::ScriptedConsole sc("16\n20\n0\n99\n18\nn\n");
        kov::plteig(3, bstick, eig, 8001, 8001, 3, se);
        out = sc.output();
    }
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    const auto env = rec.named("env");
    ASSERT_EQ(env.size(), 3u);
    // x from 0 to 3, y from 0 to the largest value (3.2) plus 5
    EXPECT_NEAR(env[0].v[3], 8.2, 1e-5);
    EXPECT_EQ(env[0].v[1], 3);
    EXPECT_EQ(env[1].v[3], 20);
    EXPECT_NEAR(env[2].v[3], 8.2, 1e-5);
    EXPECT_EQ(rec.named("lab")[0].s, (std::vector<std::string>{"Principle Component", "Eigenvalue", "Detrended Indices"}));
    const auto pts = rec.in_pass("poin", 0);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[0].v[0], 1);
    EXPECT_EQ(pts[1].v[0], 3);
    EXPECT_EQ(pts[1].colour, 1);
    const auto bars = rec.in_pass("erry", 0);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_NEAR(bars[0].y[0], 2.8, 1e-6);
    EXPECT_NEAR(bars[0].y2[0], 3.6, 1e-6);
    EXPECT_EQ(bars[0].x, (std::vector<double>{1, 2, 3}));
    EXPECT_NE(out.find("Unknown option re-enter a valid request"), std::string::npos);  // 18 and above only
    EXPECT_EQ(out.find("Unknown option re-enter"), out.rfind("Unknown option re-enter"));
}

}  // namespace
