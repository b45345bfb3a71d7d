#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

TEST(WeightsPlot, ThreeCurvesOverTheDecadesOfTheChronology) {
    const int n = 148;  // 1853 to 2000
    std::vector<float> q1(n, 0.9f), q2(n, 0.7f), q3(n, 0.2f);
    kovtest::RecordingBackend rec;
    std::string out;
    ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
    {
        kovtest::ScriptedConsole sc("18\nn\n");
        kov::pltwgt(q1, q2, q3, n, 1853, "oak.rwl    ", " Raw Biweights", "years", "weights", ' ', 1);
        out = sc.output();
    }
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    // 1853 -> 1850; 2000 is a multiple of 10 -> 2010; y 0 to 1.0 (1.0 raised to 1.5 by the y rule)
    const auto w = rec.named("wind");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].v[0], 1850);
    EXPECT_EQ(w[0].v[1], 2010);
    EXPECT_EQ(w[0].v[3], 1.5);
    EXPECT_EQ(rec.named("lab")[0].s, (std::vector<std::string>{"years", "weights", "oak.rwl Raw Biweights"}));
    const auto lines = rec.named("line");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FLOAT_EQ(static_cast<float>(lines[0].y[0]), 0.9f);
    EXPECT_EQ(lines[0].colour, 1);
    EXPECT_EQ(lines[0].width, 2);
    EXPECT_EQ(lines[1].colour, 15);
    EXPECT_EQ(lines[1].width, 1);
    EXPECT_EQ(lines[2].colour, 9);
    EXPECT_EQ(lines[2].x.front(), 1853);
    EXPECT_NE(out.find("Unknown option re-enter a valid request"), std::string::npos);
}

}  // namespace
