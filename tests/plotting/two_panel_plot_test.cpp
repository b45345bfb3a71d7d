// What the two-panel plot draws for its kinds, read from the recorded calls.
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

struct Plot {
    std::array<std::vector<float>, 6> col;
    std::vector<int> depth;
    std::array<float, 7> coef{};
    int kind = 1, ivar = 1, iopt = 0, returned = -100, first_year = 1990, flag = 1;
    RecordingBackend rec;
    std::string console;

    explicit Plot(int n) {
        for (auto& c : col) c.assign(n, 1.0f);
        depth.assign(n, 1);
    }
    void run(const std::string& answers = "c\n") {
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        kovtest::ScriptedConsole sc(answers);
        kov::TwoPanelData d;
        for (int j = 0; j < 6; ++j) d.col[j] = col[j].data();
        d.depth = depth.data();
        kov::plt2pn(d, static_cast<int>(col[0].size()), first_year, ivar, "TST01", " top", " bottom", "years",
                    "y label", "years", "z label", kind, ' ', flag, coef, iopt, &returned);
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        console = sc.output();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& c : rec.in_pass("mtex", 0)) t.push_back(c.s[1]);
        return t;
    }
    // the lines of panel p (0-based) of the first pass
    std::vector<PlotCall> panel_lines(int p) const {
        std::vector<PlotCall> out;
        int panel = -1;
        for (const auto& c : rec.calls) {
            if (c.name == "adv") ++panel;
            if (c.name == "end") break;
            if (panel == p && c.name == "line") out.push_back(c);
        }
        return out;
    }
    std::vector<PlotCall> axes() const { return rec.in_pass("axes", 0); }
    std::vector<PlotCall> winds() const { return rec.in_pass("wind", 0); }
};

bool has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(TwoPanelPlot, GrowthCurveTextsByCurveOption) {
    const std::string generic = "f(i)=a*t(i+p)**b*exp(-c*t(i+p))+k", negexp = "f(i)=a*exp(-b*t(i))+k";
    struct Case {
        int iopt;
        std::array<float, 7> coef;
        std::string name;
        std::string detail;  // the text at displacement -5.2 (equation values) or -1.8 (others)
        int returned;
        std::string formula;  // the equation line, none for the smoothers and splines
    } cases[] = {
        // a negative exponential record whose b and seventh element are 0 is a straight line
        {1, {0.5f, 0, 0, 0, 0, 0, 0}, "linear regression curve", " 0.500 0.000 0.000  0.00  0", 4, generic},
        // a kept negative exponential as the fit leaves it: 22 search passes in
        // the sixth element and the sum of the values in the seventh; its own
        // equation and the values of the listing row, where p is 0 for options 1 and 2
        {1, {2.0f, 0.0123f, 0, 0, 0.5f, 22, 153.7f}, "negative exponential curve", " 2.000 0.012 0.000  0.50  0",
         1, negexp},
        // k = 1 (the option, stored by the negative-curve guard): the record's own values
        {2, {1.25f, 0.031f, 0, 0, 0.4f, 3, 1}, "negative exponential curve", " 1.250 0.031 0.000  0.40  0", 2, negexp},
        // k = 4: the slope in the third element goes under a
        {4, {2.0f, 0, -0.004f, 0, 0, 0, 4}, "linear regression curve", "-0.004 1.000 0.000  0.00  0", 4, generic},
        {7, {0.1f, 1.5f, 0.02f, 0, 0.3f, 12, 7}, "hugershoff curve", " 0.100 1.500 0.020  0.30  12", 7, generic},
        {7, {0.1f, 1.5f, 0.02f, 0, 0.3f, 5, 7}, "hugershoff curve", " 0.100 1.500 0.020  0.30  5", 7, generic},
        {-4, {0, 0, 0, 0, 0, 0, 20}, "lowess robust smoother", "  20 yr. lowess smooth   ", -4, ""},
        {-5, {0, 0, 0, 0, 3, 0, 0}, "friedman super smoother", "       alpha = 3         ", -5, ""},
        {-3, {0, 0, 0, 0, 0, 0, 5}, "median filter sharpener", "   5 yr. median filter   ", -3, ""},
        {50, {0, 0, 0, 0, 0, 0, -50}, "cubic smoothing spline", "  50 yr. low-pass filter ", 50, ""},
        {-2, {}, "rcs growth curve", "                         ", -2, ""},
        {6, {1, 0, 0, 0, 0, 0, 6}, "horizontal mean curve", " 1.000 0.000 0.000  0.00  0", 6, generic},
    };
    for (const auto& c : cases) {
        Plot p(20);
        p.iopt = c.iopt;
        p.coef = c.coef;
        p.col[5][0] = -999;  // no first fit
        p.run();
        SCOPED_TRACE(c.name + " " + std::to_string(c.iopt));
        const auto t = p.texts();
        EXPECT_TRUE(has(t, c.name));
        EXPECT_TRUE(has(t, c.detail)) << ::testing::PrintToString(t);
        EXPECT_EQ(p.returned, c.returned);
        EXPECT_FALSE(has(t, "first linearized fit"));
        EXPECT_EQ(has(t, generic), c.formula == generic);
        EXPECT_EQ(has(t, negexp), c.formula == negexp);
        EXPECT_EQ(has(t, "   a     b     c     k    p   "), !c.formula.empty());
    }
}

TEST(TwoPanelPlot, SplineStiffnessTextComesFromTheDetrendingPass) {
    auto& sh = kov::shared();
    const auto saved = sh.optval;
    const int saved_pass = sh.ipass;
    sh.optval(4, 2) = 67;
    sh.optval(5, 2) = 32;
    // pass 0: the regional curve, which runs outside the passes and keeps its
    // stiffness with its curve option in (5,2)
    for (int pass : {1, 2, 0}) {
        sh.ipass = pass;
        Plot p(20);
        p.iopt = -6;
        p.col[5][0] = -999;
        p.run();
        SCOPED_TRACE(pass);
        EXPECT_TRUE(has(p.texts(), pass == 1 ? "initial spline:    67    " : "initial spline:    32    "));
    }
    sh.optval = saved;
    sh.ipass = saved_pass;
}

TEST(TwoPanelPlot, GrowthCurveKindPanels) {
    // with a first fit and indices: top d1, wide first fit in colour 9, wide curve;
    // bottom indices, wide spline, then the line at 1.0
    Plot p(20);
    p.iopt = 7;
    p.coef[6] = 7;
    for (int i = 0; i < 20; ++i) p.col[0][i] = 0.5f + 0.1f * i;  // up to 2.4
    p.col[5][0] = 0.8f;
    p.col[4][0] = 0.9f;
    p.run();
    const auto top = p.panel_lines(0);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].colour, 15);
    EXPECT_EQ(top[1].colour, 9);
    EXPECT_EQ(top[1].width, 2);
    EXPECT_EQ(top[2].colour, 1);
    const auto bottom = p.panel_lines(1);
    ASSERT_EQ(bottom.size(), 3u);
    EXPECT_EQ(bottom[2].y, std::vector<double>(20, 1.0));
    EXPECT_EQ(bottom[2].width, 1);  // after the wide lines the pen is lsty(1)
    EXPECT_TRUE(has(p.texts(), "first linearized fit"));
    EXPECT_TRUE(has(p.texts(), "final non-linear fit"));
    // x: 1990 to 2009 -> 1990 to 2010; y: 0 to 2.4 -> 2.5; z: every value 1.0 -> the y maximum
    const auto w = p.winds();
    EXPECT_EQ(w[0].v, (std::vector<double>{1990, 2010, 0, 2.5}));
    EXPECT_EQ(w[1].v, (std::vector<double>{1990, 2010, 0, 2.5}));
    // the years go from 1990 on
    EXPECT_EQ(top[0].x.front(), 1990);
    EXPECT_EQ(top[0].x.back(), 2009);

    Plot q(20);  // no indices: only the line at 1.0 in the bottom panel
    q.col[4][0] = 0.0f;
    q.col[5][0] = -999;
    q.run();
    ASSERT_EQ(q.panel_lines(1).size(), 1u);
    EXPECT_EQ(q.panel_lines(0).size(), 2u);
}

TEST(TwoPanelPlot, ChronologiesWithSampleDepth) {
    Plot p(11);  // 1990 to 2000
    p.kind = 3;
    for (int i = 0; i < 11; ++i) p.depth[i] = 3 + 38 * i / 10;  // 3 to 41
    p.run("22\n60\nc\n");
    const auto ax = p.axes();
    ASSERT_EQ(ax.size(), 3u);
    const auto w = p.winds();
    // 41 -> 45 (remainder 1: up by 4), span 42: step 10 with 4 minor ticks
    EXPECT_EQ(w[2].v[2], 3);
    EXPECT_EQ(w[2].v[3], 45);
    EXPECT_EQ(ax[2].v[4], 10);
    EXPECT_EQ(ax[2].v[5], 4);
    EXPECT_EQ(w[0].v[1], 2010);  // the last year 2000 gives an axis to 2010
    EXPECT_NE(p.console.find("| sample depth plot       max z2          [22] |"), std::string::npos);
    EXPECT_NE(p.console.find("change z2 axis max value from:   45.000"), std::string::npos);
    // titles of kind 3 keep their nine leading blanks
    const auto labels = p.rec.in_pass("lab", 0);
    EXPECT_EQ(labels[0].s[2], "         TST01 top");
    EXPECT_EQ(labels[2].s, (std::vector<std::string>{"years", "samples (z2)", "    "}));
    // the top panel's reference line at the mean of d1 (variant 1)
    EXPECT_EQ(p.panel_lines(0).back().y, std::vector<double>(11, 1.0));
}

TEST(TwoPanelPlot, RunningRbarWithErrorBars) {
    Plot p(5);
    p.kind = 5;
    for (int i = 0; i < 5; ++i) {
        p.col[0][i] = 0.5f;               // rbar
        p.col[1][i] = 1900.0f + 25 * i;   // window years
        p.col[3][i] = 0.8f;               // eps
        p.col[4][i] = 0.05f;              // standard error
    }
    p.run();
    const auto bars = p.rec.in_pass("erry", 0);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_NEAR(bars[0].y[0], 0.4, 1e-6);
    EXPECT_NEAR(bars[0].y2[0], 0.6, 1e-6);
    EXPECT_EQ(bars[0].x.back(), 2000);
    const auto ax = p.axes();
    const auto w = p.winds();
    EXPECT_NEAR(w[0].v[3], 1.0, 1e-6);  // 0.9 rounded up
    EXPECT_NEAR(w[1].v[3], 1.0, 1e-6);
    EXPECT_EQ(ax[0].v[4], 0.5);
    EXPECT_EQ(p.rec.in_pass("poin", 0).size(), 2u);
    EXPECT_EQ(p.panel_lines(1).back().y, std::vector<double>(5, 0.85f));
    // the window years themselves are the x axis: 1900 to 2000 -> 2010
    EXPECT_EQ(w[0].v[0], 1900);
    EXPECT_EQ(w[0].v[1], 2010);
}

TEST(TwoPanelPlot, OutlierSeriesWithoutOutliersHasNoReferenceLineBelow) {
    Plot p(10);
    p.kind = 8;
    p.run();
    const auto w = p.winds();
    EXPECT_EQ(w[1].v[2], 0);
    EXPECT_EQ(w[1].v[3], 2.5);  // 0 to 2, the maximum raised by 0.5
    EXPECT_EQ(p.panel_lines(1).size(), 2u);
    EXPECT_EQ(p.panel_lines(0).size(), 3u);

    Plot q(10);
    q.kind = 8;
    q.col[4][3] = 1.8f;
    q.run();
    EXPECT_EQ(q.panel_lines(1).size(), 3u);
}

TEST(TwoPanelPlot, BootstrapReferenceLevelFollowsTheVariant) {
    for (int ivar : {1, 2}) {
        Plot p(4);
        p.kind = 9;
        p.ivar = ivar;
        p.col[0] = {100, 200, 300, 400};
        p.col[2] = {150, 250, 350, 450};
        p.run();
        // top: lower and upper limit, chronology, then the reference line
        const auto top = p.panel_lines(0);
        ASSERT_EQ(top.size(), 4u);
        EXPECT_EQ(top[3].y.front(), ivar == 1 ? 250.0 : 1.0);
        EXPECT_EQ(p.winds()[0].v[3], 450);  // 0 to 450: on a multiple of 50 it stays
    }
}

TEST(TwoPanelPlot, TransformationPairDrawsTheBottomOnlyWithData) {
    Plot p(10);
    p.kind = 2;
    for (auto& v : p.col[3]) v = 0;
    p.run();
    EXPECT_TRUE(p.panel_lines(1).empty());
    // titles of kind 2 are left-justified
    EXPECT_EQ(p.rec.in_pass("lab", 0)[0].s[2], "TST01 top");
}

TEST(TwoPanelPlot, NoMorePlotsClearsTheSwitch) {
    Plot p(10);
    p.kind = 4;
    p.run("n\n");
    EXPECT_EQ(p.flag, 0);
}

}  // namespace
