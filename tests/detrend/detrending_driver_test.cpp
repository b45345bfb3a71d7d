#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "detrend/detrending_driver.hpp"
#include "driver/batch_detail.hpp"
#include "driver/data_file_loop.hpp"
#include "driver/driver_test_support.hpp"
#include "numerics/reference_cases.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using kovtest::at;
using kovtest::contains_line;
using kovtest::split_lines;

namespace {

// A data file's series on the common year axis, the pass's options, and the
// listing, in a fresh working folder.
class Scene {
public:
    Scene() : in_(dir_.path()) {
        kov::streams().close_all();
        kov::clear_protected();
        auto& s = kov::shared();
        s.sermat.clear();
        s.nc = 0;
        s.optval = kov::OptionBlock{};
        s.optval(6, 1) = 1;
        s.optval(8, 1) = 1;
        s.optval(17, 1) = 2;
        s.datfil = "site.txt";
        for (auto& h : s.hdrlin) h = std::string(85, ' ');
        kov::streams().luout.open_fresh("site_out.txt");
    }
    ~Scene() { kov::streams().close_all(); }

    // series j of the values from first; the axis is the span of them all
    void add(const std::string& id, int first, const std::vector<float>& v) {
        auto& s = kov::shared();
        const int j = ++s.nc;
        s.serids[j] = kov::padded(id, 8);
        s.sertbl(j, kov::ify) = first;
        s.sertbl(j, kov::ily) = first + static_cast<int>(v.size()) - 1;
        s.sertbl(j, kov::ics) = 1;
        values_.push_back(v);
    }
    void options(int pass, int opt, int par, int pflag = 0) {
        auto& o = kov::shared().optval;
        o(pass == 1 ? 4 : 5, 1) = opt;
        o(pass == 1 ? 4 : 5, 2) = par;
        o(pass == 1 ? 4 : 5, 3) = pflag;
    }
    void run(int pass = 1) {
        auto& s = kov::shared();
        int first = 99999, last = -99999;
        for (int j = 1; j <= s.nc; ++j) {
            first = std::min(first, s.sertbl(j, kov::ify));
            last = std::max(last, s.sertbl(j, kov::ily));
        }
        s.sertbl(s.nc + 1, kov::ify) = first;
        s.sertbl(s.nc + 1, kov::ily) = last;
        for (int j = 1; j <= s.nc; ++j)
            for (size_t i = 0; i < values_[j - 1].size(); ++i)
                s.sermat(s.sertbl(j, kov::ify) - first + 1 + static_cast<int>(i), j) = values_[j - 1][i];
        s.ipass = pass;
        std::vector<float> crv(kov::mxy), w1(kov::mxy), w2(kov::mxy), w3(kov::mxy), w4(kov::mxy);
        std::vector<int> cnt(kov::mxy);
        kov::detrnd(crv, w1, w2, w3, w4, s.fitcoef, cnt, s.rawstat);
    }
    std::vector<std::string> listing() {
        kov::streams().luout.close();
        return split_lines(dir_.read("site_out.txt"));
    }
    kovtest::TempDir& dir() { return dir_; }

private:
    kovtest::TempDir dir_;
    kovtest::InDir in_;
    std::vector<std::vector<float>> values_;
};

std::vector<float> ramp(int n, float a, float b) {
    std::vector<float> v(n);
    for (int i = 0; i < n; ++i) v[i] = a + b * (i + 1) + 0.3f * static_cast<float>(std::sin(1.7 * i));
    return v;
}

// One formatted field, without the end of the line.
std::string field(const char* layout, int v) {
    std::string f = kov::fmt(layout, v);
    while (!f.empty() && f.back() == '\n') f.pop_back();
    return f;
}

int count_of(const std::vector<std::string>& lines, const std::string& text) {
    int c = 0;
    for (const auto& l : lines) c += l.find(text) != std::string::npos;
    return c;
}

}  // namespace

// Window widths of the smoothers: cut to the length, percent of it, odd for
// the running medians; a spline's period in percent of the length; the row
// lists the width or period used.
TEST(Detrnd, SmootherWidthsResolvedAndListed) {
    struct Case { int opt, par, n, width; const char* text; };
    const Case cases[] = {
        {-3, -50, 41, 19, "median filter curve and window width"},  // trunc(20.5) = 20, made odd
        {-4, -50, 41, 20, "lowess robust curve and window width"},
        {-4, 60, 45, 45, "lowess robust curve and window width"},
        {-3, 60, 45, 45, "median filter curve and window width"},
        // percentages of a short series that come to less than the smoother
        // takes: trunc(0.96) = 0 held to 1 for the running medians,
        // trunc(1.92) = 1 held to 3 for lowess
        {-3, -1, 96, 1, "median filter curve and window width"},
        {-4, -2, 96, 3, "lowess robust curve and window width"},
        // 10 % of 15 years is 1.5 and 13 % is 1.95: both a period of 1
        {-10, 0, 15, 1, "smoothing spline curve and window width"},
        {-13, 0, 15, 1, "smoothing spline curve and window width"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.opt) + " " + std::to_string(k.par));
        kovtest::ScriptedConsole con("");
        Scene sc;
        sc.add("A", 1900, ramp(k.n, 2.0f, -0.01f));
        sc.options(1, k.opt, k.par);
        sc.run();
        EXPECT_EQ(kov::shared().fitcoef[6], static_cast<float>(k.width));
        const auto lines = sc.listing();
        // the smoothers list "(i4,i5,11x,a)", the splines "(i5,i5,9x,a)"
        const bool spline = k.opt <= -10;
        EXPECT_TRUE(contains_line(lines, at({{2, "    1"}, {10, "A       "}, {18, field(spline ? "(i5)" : "(i4)", k.opt)},
                                             {spline ? 23 : 22, field("(i5)", k.width)}, {spline ? 37 : 38, k.text}})));
        EXPECT_EQ(kov::shared().sertbl(1, kov::idt), k.opt);
    }
}

// Without a save and without the plots of all series the indices stay where
// they were made; with the plots they pass through the scratch files (four
// decimals) and the mean of the curves per year goes into crvmean.
TEST(Detrnd, ScratchFilesOnlyWhenNeeded) {
    {
        kovtest::ScriptedConsole con("");
        Scene sc;
        sc.add("A", 1900, {1.0f, 2.0f, 3.0f});
        sc.options(1, 6, 0);
        sc.run();
        EXPECT_FLOAT_EQ(kov::shared().sermat(1, 1), 0.5f);
        EXPECT_FLOAT_EQ(kov::shared().sermat(2, 1), 1.0f);
        EXPECT_FLOAT_EQ(kov::shared().sermat(3, 1), 1.5f);
        EXPECT_FALSE(sc.dir().exists("site_crv1.txt"));
        EXPECT_FALSE(sc.dir().exists("index.tmp"));
    }
    for (int plots : {0, 1}) {
        // the plot of all curves waits for its menu answer: "c" continues
        kovtest::ScriptedConsole con(plots == 1 ? "c\n" : "");
        Scene sc;
        sc.add("A", 1900, {1.0f, 2.0f});  // mean 1.5: indices 2/3 and 4/3
        sc.add("B", 1901, {4.0f, 4.0f, 4.0f});
        sc.options(1, 6, 0);
        kov::shared().optval(19, 1) = plots;
        sc.run();
        auto& s = kov::shared();
        if (plots == 0) {
            EXPECT_FLOAT_EQ(s.sermat(1, 1), 1.0f / 1.5f);
        } else {
            EXPECT_FLOAT_EQ(s.sermat(1, 1), 0.6667f);
            EXPECT_FLOAT_EQ(s.sermat(2, 1), 1.3333f);
            // curves: A 1.5 in 1900-1901, B 4.0 in 1901-1903
            EXPECT_FLOAT_EQ(s.crvmean[0], 1.5f);
            EXPECT_FLOAT_EQ(s.crvmean[1], 2.75f);
            EXPECT_FLOAT_EQ(s.crvmean[3], 4.0f);
        }
        EXPECT_FLOAT_EQ(s.sermat(1, 2), kov::xmiss);
        EXPECT_FLOAT_EQ(s.sermat(2, 2), 1.0f);
        EXPECT_FALSE(sc.dir().exists("site_crv1.txt"));
        EXPECT_FALSE(sc.dir().exists("index.tmp"));
    }
}

TEST(Detrnd, FirstDifferencesStartEverySeriesAYearLater) {
    kovtest::ScriptedConsole con("");
    Scene sc;
    sc.add("A", 1900, ramp(60, 3.0f, -0.02f));
    sc.add("B", 1910, ramp(40, 2.0f, 0.01f));
    sc.options(1, -1, 0);
    sc.run();
    auto& s = kov::shared();
    EXPECT_EQ(s.sertbl(1, kov::ify), 1901);
    EXPECT_EQ(s.sertbl(2, kov::ify), 1911);
    EXPECT_EQ(s.sertbl(3, kov::ify), 1901);
    EXPECT_EQ(s.sertbl(1, kov::idt), -1);
    // row 1 is now 1901; each series holds n - 1 indices recentred on 1.0
    for (int j : {1, 2}) {
        const int n = s.sertbl(j, kov::ily) - s.sertbl(j, kov::ify) + 1;
        const int r0 = s.sertbl(j, kov::ify) - 1901 + 1;
        double sum = 0;
        for (int r = r0; r < r0 + n; ++r) sum += s.sermat(r, j);
        EXPECT_NEAR(sum / n, 1.0, 1e-5) << j;
        EXPECT_FLOAT_EQ(s.sermat(r0 + n, j), kov::xmiss);
        if (r0 > 1) {
            EXPECT_FLOAT_EQ(s.sermat(r0 - 1, j), kov::xmiss);
        }
    }
    EXPECT_EQ(s.sertbl(1, kov::ily) - s.sertbl(1, kov::ify) + 1, 59);
    // the row lists the dispatcher's record, p = 0
    const auto lines = sc.listing();
    EXPECT_TRUE(contains_line(
        lines, at({{2, "    1"}, {10, "A       "}, {18, "     -1"}, {26, "    0.000000    0.000000    0.000000    0.000000       0"}})));
}

// A curve at or below zero makes no indices: the user is shown the series and
// chooses another curve, or the run ends.
TEST(Detrnd, NegativeCurveIsReplacedInteractively) {
    // the line through 9.5 - t reaches -0.5 in the tenth year
    // each showing of the series ends at the plot menu: "c" continues
    kovtest::ScriptedConsole con("\nc\ny\n6\nc\nn\n\n");
    Scene sc;
    std::vector<float> v;
    for (int t = 1; t <= 10; ++t) v.push_back(9.5f - t);
    sc.add("FALL", 1950, v);
    sc.options(1, 4, 0);
    sc.run();
    const auto out = con.lines();
    EXPECT_TRUE(contains_line(out, " *** series: FALL      growth curve goes negative! ***"));
    EXPECT_TRUE(contains_line(out, " year:   1959   -0.500"));
    EXPECT_TRUE(contains_line(out, " hit <ret> to display the dirty dog!"));
    EXPECT_TRUE(contains_line(out, " you can change the current curve fit with any one of the following options:"));
    auto& s = kov::shared();
    EXPECT_EQ(s.sertbl(1, kov::idt), 6);
    // the mean 4.0 now makes the indices
    EXPECT_FLOAT_EQ(s.sermat(1, 1), 8.5f / 4.0f);
    const auto lines = sc.listing();
    EXPECT_EQ(count_of(lines, "--> curve fit option failed"), 0);
    EXPECT_TRUE(contains_line(lines, at({{2, "    1"}, {10, "FALL    "}, {18, "      6"},
                                         {26, "    0.000000    0.000000    0.000000    4.000000       0"}})));
}

TEST(Detrnd, NegativeCurveKeptEndsTheRun) {
    // a mean of exactly 0.0 counts as negative; "h" shows the list and then
    // the termination question
    kovtest::ScriptedConsole con("\nc\nh\ny\n");
    Scene sc;
    kov::streams().lucrn.open_fresh("site_crns.txt");
    sc.add("ZERO", 1950, {1.0f, -1.0f, 1.0f, -1.0f});
    sc.options(1, 6, 0);
    try {
        sc.run();
        FAIL() << "the run goes on";
    } catch (const kov::Stop& e) {
        EXPECT_EQ(std::string(e.what()), "*** negative growth curve value ***");
        EXPECT_EQ(e.status, kov::exit_failure);
    }
    const auto out = con.lines();
    EXPECT_TRUE(contains_line(out, " year:   1950    0.000"));
    EXPECT_EQ(count_of(out, "==>  okay, hasta la vista, baby!"), 1);  // after the answer
    EXPECT_EQ(count_of(out, "is that what you really want? y/n"), 1);
    EXPECT_FALSE(sc.dir().exists("site_crns.txt"));
    // the series still holds its values: no indices were made
    EXPECT_FLOAT_EQ(kov::shared().sermat(2, 1), -1.0f);
}

TEST(Detrnd, FallBackReportedAndHeadingsEveryTwentySeries) {
    kovtest::ScriptedConsole con("");
    Scene sc;
    for (int j = 1; j <= 45; ++j) sc.add("S" + std::to_string(j), 1800, ramp(19, 5.0f, -0.1f));
    sc.options(1, 1, 0);
    sc.run();
    const auto lines = sc.listing();
    EXPECT_EQ(count_of(lines, " series   ident     option       a           b           c           d          p"), 3);
    EXPECT_TRUE(contains_line(lines, at({{2, "    1"}, {10, "S1      "}, {18, "      1"},
                                         {28, "--> curve fit option failed and changed to:     4"}})));
    EXPECT_EQ(count_of(lines, "--> curve fit option failed"), 45);
    EXPECT_EQ(kov::shared().sertbl(45, kov::idt), 4);
    EXPECT_EQ(count_of(con.lines(), ">> sbr curve:  only 19 values, no exponential curve fit"), 45);
}

TEST(Detrnd, SecondPassCurvesSavedUnderTheirTag) {
    kovtest::ScriptedConsole con("");
    Scene sc;
    sc.add("A", 1900, {1.5f, 1.5f, 1.5f});
    sc.add("B", 1901, {2.5f, 2.5f});
    sc.options(2, 6, 0);
    kov::shared().optval(18, 1) = 2;
    for (auto& h : kov::shared().hdrlin) h = kov::padded("header", 85);
    sc.run(2);
    ASSERT_TRUE(sc.dir().exists("site_crv2.txt"));
    EXPECT_FALSE(sc.dir().exists("index.tmp"));
    const auto crv = split_lines(sc.dir().read("site_crv2.txt"));
    ASSERT_GE(crv.size(), 5u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kov::padded(crv[i], 85).substr(79, 6), " crv2 ") << i;
    // Tucson index values: the curves 1.5 and 2.5 as 1500 and 2500
    EXPECT_NE(sc.dir().read("site_crv2.txt").find("1500"), std::string::npos);
    EXPECT_NE(sc.dir().read("site_crv2.txt").find("2500"), std::string::npos);
    EXPECT_FLOAT_EQ(kov::shared().sermat(1, 1), 1.0f);
}

// The scratch files hold "(f9.4)" fields: a value comes back as the layout
// engine writes it and a read of that field gives it back, ties included.
TEST(Detrnd, ScratchRoundingIsThatOfTheField) {
    std::vector<float> values = {0.03125f, -0.03125f, 1.15625f, 0.09375f, 0.66666667f, 1234.56789f,
                                 -0.00004f, 2.99995f, 0.0f, 9999.123f};
    for (int i = 1; i < 2000; ++i) values.push_back(static_cast<float>(i) * 0.0137f + 1.0f / i);
    for (float v : values) {
        const std::string field = kov::fmt("(f9.4)", v).substr(0, 9);
        ASSERT_EQ(field.find('*'), std::string::npos) << v;
        EXPECT_EQ(kov::through_f9_4(v), static_cast<float>(kov::free_real(field))) << field;
    }
}

TEST(Detrnd, NyearMeanStepsByLength) {
    const std::pair<int, int> cases[] = {{41, 5},    {200, 5},   {201, 10},  {400, 10},  {401, 20},   {800, 20},
                                         {801, 40},  {1600, 40}, {1601, 50}, {2000, 50}, {2001, 100}, {5001, 100}};
    for (auto [n, step] : cases) EXPECT_EQ(kov::nyear_step(n), step) << n;
}

// Interactive detrending: a changed option is refitted with the typed width or
// stiffness, the typed stiffness is the pass's parameter only until the user
// keeps a fit, and "n" to going on ends the questions for the pass.
TEST(Detrnd, InteractiveChangesOfOption) {
    // "c" leaves the plot menu shown before each question
    kovtest::ScriptedConsole con("c\ny\n-6\n25\nc\nn\n\nc\ny\n-4\n-50\nc\nn\nn\n");
    Scene sc;
    sc.add("A", 1900, ramp(60, 3.0f, -0.02f));
    sc.add("B", 1900, ramp(41, 2.0f, -0.01f));
    sc.add("C", 1900, ramp(50, 2.0f, -0.01f));
    sc.options(1, 6, 0);
    kov::shared().optval(7, 1) = 2;
    sc.run();
    auto& s = kov::shared();
    EXPECT_EQ(s.sertbl(1, kov::idt), -6);
    EXPECT_EQ(s.sertbl(2, kov::idt), -4);
    EXPECT_EQ(s.sertbl(3, kov::idt), 6);
    EXPECT_EQ(s.optval(4, 2), 0);  // back to the pass's parameter
    const std::string out = con.output();
    int asked = 0;
    for (size_t p = out.find("change curve fit? y/<n>"); p != std::string::npos; p = out.find("change curve fit? y/<n>", p + 1))
        ++asked;
    EXPECT_EQ(asked, 4);
    EXPECT_NE(out.find(" a default of 20 years or enter you own."), std::string::npos);
    EXPECT_NE(out.find(" and < the series length (  41) or a"), std::string::npos);
    const auto lines = sc.listing();
    // a window of -50 on 41 values is 20 values
    EXPECT_TRUE(contains_line(lines, at({{2, "    2"}, {10, "B       "}, {18, "  -4"}, {22, "   20"},
                                         {38, "lowess robust curve and window width"}})));
}

// A percentage window that comes to nothing on a shorter series: the series
// is smoothed with a window of one value, its own curve, and not with the
// curve the series before it left behind.
TEST(Detrnd, PercentMedianWindowOfNothingGivesTheSeriesItsOwnCurve) {
    kovtest::ScriptedConsole con("");
    Scene sc;
    sc.add("LONG", 1900, ramp(150, 9.0f, -0.05f));  // 1 % of 150: a window of 1
    sc.add("SHORT", 1920, ramp(96, 2.0f, -0.01f));  // 1 % of 96: 0, held to 1
    sc.options(1, -3, -1);
    sc.run();
    auto& s = kov::shared();
    for (int r = 21; r <= 116; ++r) EXPECT_EQ(s.sermat(r, 2), 1.0f) << r;
    EXPECT_EQ(s.sertbl(2, kov::idt), -3);
    EXPECT_EQ(con.output().find("input error"), std::string::npos);
}

// A spline whose period in percent of the length comes to 1 year: p = 0, the
// least-squares line; the reference is a dense least-squares solve
// (tests/numerics/reference/splines_ref.py). The width table checks the
// period listed.
TEST(Detrnd, PercentSplineOfOneYearDividesByTheLeastSquaresLine) {
    const auto refs = kovtest::read_ref_cases("splines_ref.txt");
    const auto& ref = kovtest::find_case(refs, "period1_n15");
    const auto y = ref.floats("y");
    for (int opt : {-10, -13}) {  // 10 % of 15 is 1.5 years, 13 % is 1.95: both 1
        kovtest::ScriptedConsole con("");
        Scene sc;
        sc.add("P15", 1950, y);
        sc.options(1, opt, 0);
        sc.run();
        auto& s = kov::shared();
        for (int i = 0; i < 15; ++i)
            EXPECT_NEAR(s.sermat(i + 1, 1), y[i] / ref["crv"][i], 2e-6) << opt << " at " << i;
        EXPECT_EQ(s.sertbl(1, kov::idt), opt);
    }
}

// Series of 1, 2 and 3 values, of zeros and of missing values under every
// first detrending: a fit that writes no curve falls back (listed) to the
// straight line, or to the mean of a single value; a series without a
// measured value is left out of the chronologies (listed, its cells missing);
// the run goes on and no curve that was never fitted "goes negative".
TEST(Detrnd, ShortAndEmptySeriesUnderEveryFirstDetrending) {
    // the 3-value block blp04H 1822-1824 of ok043.rwl, in mm: its line
    // 3.9623 - 0.7075 t stays above zero (1.8398 at t = 3)
    const std::vector<float> three = {3.147f, 2.763f, 1.732f}, two = {1.5f, 1.2f}, one = {1.4f};
    struct Case {
        int opt, par;
        int used[3];  // option used for the series of 1, 2, 3 values (0: whatever the form gives)
    };
    const Case cases[] = {
        {-6, 20, {6, 4, 4}},    {-5, 5, {-5, -5, -5}}, {-4, -10, {-4, -4, -4}}, {-3, -10, {-3, -3, -3}},
        {-1, 0, {6, -1, -1}},   {1, 0, {4, 4, 4}},     {2, 0, {5, 5, 5}},       {3, 0, {0, 0, 0}},
        {4, 0, {4, 4, 4}},      {5, 0, {5, 5, 5}},     {6, 0, {6, 6, 6}},       {7, 0, {0, 0, 0}},
        {8, 0, {0, 0, 0}},      {20, 0, {6, 4, 4}},    {-10, 0, {6, 4, 4}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.opt);
        kovtest::ScriptedConsole con("\n\n\n\n");  // a simplex may pause at its evaluation limit
        Scene sc;
        sc.add("LONG", 1900, ramp(60, 3.0f, -0.02f));
        sc.add("ONE", 1950, one);
        sc.add("TWO", 1940, two);
        sc.add("THREE", 1922, three);
        sc.add("ZERO", 1930, std::vector<float>(5, 0.0f));
        sc.add("MISS", 1935, std::vector<float>(5, kov::xmiss));
        sc.options(1, k.opt, k.par);
        ASSERT_NO_THROW(sc.run());
        EXPECT_EQ(con.output().find("goes negative"), std::string::npos);
        auto& s = kov::shared();
        const auto lines = sc.listing();
        for (int j = 1; j <= 4; ++j) {
            const int first = s.sertbl(j, kov::ify), last = s.sertbl(j, kov::ily);
            for (int y = first; y <= last; ++y) {
                const float v = s.sermat(y - s.sertbl(7, kov::ify) + 1, j);
                EXPECT_TRUE(std::isfinite(v) && v > 0.0f) << j << " " << y << " " << v;
            }
            if (j == 1) continue;
            const int used = k.used[j - 2];
            if (used == 0) continue;
            EXPECT_EQ(s.sertbl(j, kov::idt), used) << j;
            if (used != k.opt && k.opt != 1 && k.opt != 2 && k.opt != 5) {
                EXPECT_TRUE(contains_line(lines, at({{2, field("(i5)", j)}, {10, kov::padded(s.serids[j], 8)},
                                                     {18, field("(i7)", k.opt)},
                                                     {28, "--> curve fit option failed and changed to: " +
                                                              field("(i5)", used)}})))
                    << j;
            }
        }
        for (int j : {5, 6}) {
            for (int y = s.sertbl(j, kov::ify); y <= s.sertbl(j, kov::ily); ++y)
                EXPECT_EQ(s.sermat(y - s.sertbl(7, kov::ify) + 1, j), kov::xmiss) << j << " " << y;
            EXPECT_EQ(s.sertbl(j, kov::idt), 0) << j;
            // statistics undefined, not those of the missing-value mark
            EXPECT_TRUE(contains_line(lines, at({{2, field("(i5)", j)}, {9, kov::padded(s.serids[j], 8)},
                                                 {17, field("(i6)", s.sertbl(j, kov::ify))}, {23, field("(i7)", s.sertbl(j, kov::ily))},
                                                 {30, "      5 -99.000 -99.000 -99.00 -99.00 -99.00 -99.000"}})))
                << j;
            EXPECT_TRUE(contains_line(lines, at({{2, field("(i5)", j)}, {10, kov::padded(s.serids[j], 8)},
                                                 {18, field("(i7)", k.opt)},
                                                 {28, "--> no measured value: series left out of the chronologies"}})))
                << j;
        }
    }
}

// First differences start a series a year later. A series changed to another
// curve during the pass keeps its first year: the batch detail file gives it
// that year (not one before), and when it starts the common axis the axis
// stays where it was, its first value with it.
TEST(Detrnd, FirstDifferencesWithASeriesChangedToAnotherCurve) {
    for (int b_first : {1751, 1750}) {
        SCOPED_TRACE(b_first);
        // A: plot, keep, go on; B: plot, change to 6, plot, keep, no more questions
        kovtest::ScriptedConsole con("c\n\n\nc\ny\n6\nc\n\nn\n");
        Scene sc;
        const std::vector<float> a = ramp(40, 3.0f, -0.02f), b = ramp(40, 2.0f, -0.01f);
        sc.add("A", 1750, a);
        sc.add("B", b_first, b);
        sc.options(1, -1, 0);
        kov::shared().optval(7, 1) = 2;
        sc.run();
        auto& s = kov::shared();
        EXPECT_EQ(s.sertbl(1, kov::idt), -1);
        EXPECT_EQ(s.sertbl(2, kov::idt), 6);
        EXPECT_EQ(s.sertbl(1, kov::ify), 1751);
        EXPECT_EQ(s.sertbl(2, kov::ify), b_first);
        const int axis = std::min(1751, b_first);
        EXPECT_EQ(s.sertbl(3, kov::ify), axis);
        // B divided by its mean, every value in its own year
        double mean = 0;
        for (float v : b) mean += v;
        mean /= 40.0;
        for (int i = 0; i < 40; ++i) EXPECT_NEAR(s.sermat(b_first - axis + 1 + i, 2), b[i] / mean, 1e-5) << i;
        if (axis == 1750) {
            EXPECT_EQ(s.sermat(1, 1), kov::xmiss);
        }

        kov::optsnap()(4, 1) = -1;
        kov::batch_detail_state() = kov::BatchDetailState{};
        kov::write_batch_detail();
        const auto detail = split_lines(sc.dir().read("site_detail.txt"));
        ASSERT_EQ(detail.size(), 10u);
        EXPECT_EQ(detail[8].substr(14, 6), "  1750");  // A's own first year
        EXPECT_EQ(detail[9].substr(14, 6), field("(i6)", b_first));
    }
}
