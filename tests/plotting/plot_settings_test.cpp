#include "plotting/plot_settings.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "support/test_support.hpp"

namespace {

using kov::PlotSet;
using kov::pltopt;

TEST(PlotSettings, BackgroundChoices) {
    {
        kovtest::ScriptedConsole sc("0\n");
        PlotSet ps;
        pltopt(ps, 1);
        EXPECT_EQ(ps.ibgrgb, (std::array<int, 3>{0, 0, 0}));
        EXPECT_EQ(ps.idark, 1);
        const auto l = sc.lines();
        ASSERT_GE(l.size(), 5u);
        EXPECT_EQ(l[1], "             color table (background only) ____________________________");
        EXPECT_EQ(l[2], "             black(0) white(1)  user defined (2)");
        EXPECT_EQ(l.back(), "             select new background color [0/1/2] : ");
    }
    {
        kovtest::ScriptedConsole sc("2\n10\n20\n30\n");
        PlotSet ps;
        ps.idark = 1;
        pltopt(ps, 1);
        EXPECT_EQ(ps.ibgrgb, (std::array<int, 3>{10, 20, 30}));  // red, green, blue in turn
        EXPECT_EQ(ps.idark, 0);
        EXPECT_NE(sc.output().find("enter red value [0-255] > "), std::string::npos);
    }
    {
        kovtest::ScriptedConsole sc("5\n");
        PlotSet ps;
        ps.ibgrgb = {1, 2, 3};
        pltopt(ps, 1);
        EXPECT_EQ(ps.ibgrgb, (std::array<int, 3>{1, 2, 3}));
        EXPECT_EQ(ps.idark, 0);
    }
}

TEST(PlotSettings, EachOptionStoresItsField) {
    struct Case {
        int option;
        std::string typed;
        std::function<double(const PlotSet&)> field;
        double expected;
    } cases[] = {
        {2, "7\n", [](const PlotSet& p) { return p.ifrmc; }, 7},
        {3, " 4 \n", [](const PlotSet& p) { return p.itxtc; }, 4},
        {4, "12345\n", [](const PlotSet& p) { return p.icol[0]; }, 1234},  // (i4): four characters
        {5, "3\n", [](const PlotSet& p) { return p.icol[1]; }, 3},
        {6, "   2\n", [](const PlotSet& p) { return p.lsty[0]; }, 2},
        {7, "\n", [](const PlotSet& p) { return p.lsty[1]; }, 0},  // a blank (i4) field reads 0
        {8, "25\n", [](const PlotSet& p) { return p.xtick; }, 25},
        {9, "3\n", [](const PlotSet& p) { return p.nxsub; }, 3},
        {10, "0.25\n", [](const PlotSet& p) { return p.ytick; }, 0.25},
        {11, "12345\n", [](const PlotSet& p) { return p.nysub; }, 1234},
        {12, "2\n", [](const PlotSet& p) { return p.ztick; }, 2},
        {13, "6\n", [](const PlotSet& p) { return p.nzsub; }, 6},
        {14, "2010\n", [](const PlotSet& p) { return p.xmax; }, 2010},
        {15, "1850\n", [](const PlotSet& p) { return p.xmin; }, 1850},
        {16, "3.5\n", [](const PlotSet& p) { return p.ymax; }, 3.5},
        {17, "-1\n", [](const PlotSet& p) { return p.ymin; }, -1},
        {18, "4\n", [](const PlotSet& p) { return p.zmax; }, 4},
        {19, "0.5\n", [](const PlotSet& p) { return p.zmin; }, 0.5},
        {20, "32\n", [](const PlotSet& p) { return p.isym; }, 32},
        {21, "200\n", [](const PlotSet& p) { return p.isymc; }, 200},  // not range-checked
        {8, "abc\n", [](const PlotSet& p) { return p.xtick; }, 10},     // not a number: kept
        {16, "\n", [](const PlotSet& p) { return p.ymax; }, 1},          // nothing typed: kept
    };
    for (const auto& c : cases) {
        kovtest::ScriptedConsole sc(c.typed);
        PlotSet ps;
        ps.xtick = 10;
        ps.ymax = 1;
        pltopt(ps, c.option);
        SCOPED_TRACE(testing::Message() << "option " << c.option << " typed " << c.typed);
        EXPECT_FLOAT_EQ(c.field(ps), c.expected);
        const bool colour_table = (c.option >= 2 && c.option <= 5) || c.option == 21;
        EXPECT_EQ(sc.output().find("color table ____") != std::string::npos, colour_table);
    }
}

TEST(PlotSettings, PromptsShowTheCurrentValue) {
    kovtest::ScriptedConsole sc("2000\n");
    PlotSet ps;
    ps.xmax = 1990;
    pltopt(ps, 14);
    EXPECT_EQ(sc.output(), "\n             change x axis max value from: 1990.000\n             to > ");
}

TEST(PlotSettings, ResetKeepsTicksAndLimitsAndOtherNumbersDoNothing) {
    kovtest::ScriptedConsole sc("");
    PlotSet ps;
    ps.device = "psc";
    ps.ibgrgb = {0, 0, 0};
    ps.idark = 1;
    ps.icol = {3, 4, 5};
    ps.lsty = {5, 6};
    ps.itxtc = ps.ifrmc = 2;
    ps.isym = 3;
    ps.isymc = 4;
    ps.xmax = 1234;
    ps.ytick = 7;
    PlotSet before = ps;
    for (int k : {0, 22, 50, 98, -1}) pltopt(ps, k);
    EXPECT_EQ(sc.output(), "");
    EXPECT_EQ(ps.icol, before.icol);
    pltopt(ps, 99);
    EXPECT_EQ(ps.device, "wingcc");
    EXPECT_EQ(ps.ibgrgb, (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(ps.idark, 0);
    EXPECT_EQ(ps.icol, (std::array<int, 3>{15, 1, 9}));
    EXPECT_EQ(ps.lsty, (std::array<int, 2>{1, 2}));
    EXPECT_EQ(ps.itxtc, 15);
    EXPECT_EQ(ps.ifrmc, 15);
    EXPECT_EQ(ps.isym, 20);
    EXPECT_EQ(ps.isymc, 9);
    EXPECT_EQ(ps.xmax, 1234);
    EXPECT_EQ(ps.ytick, 7);
    EXPECT_EQ(sc.output(), "");
}

}  // namespace
