#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "driver/data_file_loop.hpp"
#include "driver/end_of_file_outputs.hpp"
#include "driver_test_support.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"

using namespace kov;
using kovtest::DriverScene;

namespace {

// crnmat filled by hand over `years` rows: column c of year i holds
// c + i / 8 (exact in binary, so the rounding to three decimals is plain),
// the depth in column 1 is 10 + i.
Table<float> hand_filled(int years) {
    Table<float> crn(mxy, 16, 0.0f);
    for (int i = 1; i <= years; ++i) {
        crn(i, 1) = static_cast<float>(10 + i);
        for (int c = 2; c <= 16; ++c) crn(i, c) = static_cast<float>(c) + static_cast<float>(i) / 8.0f;
    }
    return crn;
}

// The row the table must hold for year i with the given crnmat columns after
// the depth, printed with the C library.
std::string expected_row(const Table<float>& crn, int year, int i, const std::vector<int>& cols) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " %6d\t%4.0f.", year, crn(i, 1));
    std::string row = buf;
    for (int c : cols) {
        std::snprintf(buf, sizeof buf, "\t%8.3f", crn(i, c));
        row += buf;
    }
    return row;
}

std::vector<std::string> tab_lines(const Table<float>& crn, int ifyc, int nyc, int detrend, int ar, int stand) {
    kovtest::TempDir dir;
    {
        OutFile out;
        out.open_fresh((dir / "t_tabs.txt").string());
        write_tab_table(out, crn, ifyc, nyc, detrend, ar, stand);
    }
    return kovtest::split_lines(dir.read("t_tabs.txt"));
}

}  // namespace

TEST(TabTable, LayoutChosenByDetrendingArAndStandDynamics) {
    const std::string base = "year\tnum\tseg\tage\traw\tstd\tres\tkov";
    const std::vector<int> base_cols = {2, 3, 4, 5, 6, 7};
    struct Case {
        int detrend, ar, stand;
        std::string header;  // empty: nothing is written
        std::vector<int> cols;
    };
    const std::vector<Case> cases = {
        {-2, 1, 0, base + "\trcs yr\tnum\trcs\tsig\tcrv", {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {-2, 1, 1, base + "\trcs yr\tnum\trcs\tsig\tcrv", {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {-2, 2, 1, base + "\trcs yr\tnum\trcs\tsig\tcrv\tnabs\tpabs\tnpct\tppct",
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
        {-2, 0, 1, "", {}},
        {1, 2, 1, base + "\tarnabs\tarpabs\tarnpct\tarppct", {2, 3, 4, 5, 6, 7, 13, 14, 15, 16}},
        {5, 3, 0, base + "\tarnabs\tarpabs\tarnpct\tarppct", {2, 3, 4, 5, 6, 7, 13, 14, 15, 16}},
        {1, 1, 1, base + "\tednabs\tedpabs\tednpct\tedppct", {2, 3, 4, 5, 6, 7, 13, 14, 15, 16}},
        {0, 0, 1, base + "\tednabs\tedpabs\tednpct\tedppct", {2, 3, 4, 5, 6, 7, 13, 14, 15, 16}},
        {1, 1, 2, base, base_cols},
        {0, 1, 0, base, base_cols},
        {1, 0, 0, "", {}},
        {1, -1, 3, "", {}},
    };
    const Table<float> crn = hand_filled(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "detrending " << c.detrend << " ar " << c.ar << " stand " << c.stand);
        const auto lines = tab_lines(crn, -2, 3, c.detrend, c.ar, c.stand);
        if (c.header.empty()) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], c.header);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(lines[i], expected_row(crn, -2 + i - 1, i, c.cols));
    }
}

TEST(TabTable, MissingTooWideAndUndefinedValues) {
    Table<float> crn = hand_filled(2);
    crn(1, 6) = xmiss;
    crn(1, 7) = 123456.7f;                                   // wider than f8.3
    crn(2, 6) = std::numeric_limits<float>::quiet_NaN();     // never printed as such
    crn(2, 7) = -0.0004f;
    crn(2, 1) = 0.0f;
    const auto lines = tab_lines(crn, 1850, 2, 1, 1, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "   1850\t  11.\t   2.125\t   3.125\t   4.125\t   5.125\t  -9.990\t********");
    EXPECT_EQ(lines[2], "   1851\t   0.\t   2.250\t   3.250\t   4.250\t   5.250\t  -9.990\t  -0.000");
}

namespace {

struct PlotCall {
    int kind, variant, n, first_year;
    std::string top;
    std::vector<float> col1, col2;  // the first two data columns
};

// Records the plots and the spectra calls; the plot numbered `refuse_at`
// (from 1) answers "n" in its options menu.
struct Recorder {
    std::vector<PlotCall> plots;
    std::vector<int> spectra_iplot;
    int refuse_at = 0;

    EndOfFileServices services() {
        EndOfFileServices s;
        s.two_panel = [this](const TwoPanelData& d, int n, int first_year, int variant, std::string_view,
                             std::string_view top, std::string_view, std::string_view, std::string_view,
                             std::string_view, std::string_view, int kind, char, int& plot_switch,
                             const std::array<float, 7>&, int) {
            PlotCall c{kind, variant, n, first_year, std::string(top), {}, {}};
            c.col1.assign(d.col[0], d.col[0] + n);
            c.col2.assign(d.col[1], d.col[1] + n);
            plots.push_back(std::move(c));
            if (static_cast<int>(plots.size()) == refuse_at) plot_switch = 0;
        };
        s.spectra = [this](const Table<float>&, int, int nser, int jcol, int iplot, std::string_view, OutFile&) {
            EXPECT_EQ(nser, 3);
            EXPECT_EQ(jcol, 5);
            spectra_iplot.push_back(iplot);
        };
        return s;
    }
    // kind * 10 + variant of each plot, in order
    std::vector<int> sequence() const {
        std::vector<int> seq;
        for (const PlotCall& p : plots) seq.push_back(p.kind * 10 + p.variant);
        return seq;
    }
};

struct Scene {
    int detrend = 1, ar = 1, mean = 1, trn = 1, summary = 3, rbar_switch = 0;
    int nc = 5, nwin = 4, nyc = 40;
};

void set_up(const Scene& sc) {
    auto& s = shared();
    OptionBlock& o = optsnap();
    o = OptionBlock{};
    o(3, 1) = sc.trn;
    o(4, 1) = sc.detrend;
    o(9, 1) = sc.ar;
    o(12, 1) = sc.mean;
    o(16, 1) = 31;
    o(16, 2) = 10;
    o(16, 3) = sc.rbar_switch;
    o(19, 1) = sc.summary;
    o(20, 1) = 0;
    s.nc = sc.nc;
    s.nwin = sc.nwin;
    s.nyc = sc.nyc;
    s.ifyc = 1801;
    s.datfil = "oak.txt";
    s.crnmat = hand_filled(sc.nyc);
    for (auto& t : s.rbtab) {
        t.fill(0.0f);
        for (int w = 1; w <= sc.nwin; ++w) t(w, 1) = 1815.5f + 21.0f * static_cast<float>(w - 1);
    }
}

}  // namespace

TEST(EndOfFileOutputs, PlotsAndSpectraFollowTheSwitchRules) {
    struct Case {
        const char* name;
        Scene scene;
        int refuse_at;
        std::vector<int> plots;  // kind * 10 + variant
        std::vector<int> spectra;
        int sumplt_after;
    };
    const std::vector<Case> cases = {
        {"every summary plot", {}, 0, {31, 32, 41, 53, 54, 55, 56}, {3}, 3},
        {"summary plots 2, no transformation", {1, 1, 1, 0, 2}, 0, {31, 32, 41, 53, 55, 56}, {2}, 2},
        {"n in the chronology plot stops them all", {1, 1, 1, 1, 3, 1}, 1, {31}, {3}, 0},
        {"n in the residual plot", {}, 2, {31, 32}, {3}, 0},
        {"n in the raw rbar plot", {}, 4, {31, 32, 41, 53}, {3}, 0},
        {"rbar switch alone", {1, 0, 1, 0, 1, 1}, 0, {53, 55}, {1}, 2},
        {"rbar switch alone, no chronology", {1, 1, 0, 0, 0, 1}, 0, {53, 55, 56}, {}, 2},
        {"no summary plots", {1, 1, 1, 1, 0, 0}, 0, {}, {0}, 0},
        {"no detrending: no spectra", {0, 1, 1, 0, 3}, 0, {31, 41, 53}, {}, 3},
        {"AR off: no residual plot", {1, 0, 1, 0, 3}, 0, {31, 41, 53, 55}, {3}, 3},
        {"one window: segment plot, no rbar plots", {1, 1, 1, 0, 3, 0, 5, 1}, 0, {31, 32, 41}, {3}, 3},
        {"no windows: no segment plot", {1, 1, 1, 0, 3, 0, 5, 0}, 0, {31, 32}, {3}, 3},
        {"one series", {1, 1, 1, 0, 3, 0, 1, 0}, 0, {31, 32}, {3}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        set_up(c.scene);
        Recorder rec;
        rec.refuse_at = c.refuse_at;
        end_of_file_outputs(rec.services());
        EXPECT_EQ(rec.sequence(), c.plots);
        EXPECT_EQ(rec.spectra_iplot, c.spectra);
        EXPECT_EQ(shared().sumplt, c.sumplt_after);
    }
}

TEST(EndOfFileOutputs, RunningRbarRefusedForOneSeriesOrOneWindow) {
    struct Case {
        int nc, nwin;
        int summary, rbar_switch;
        std::string second_line;  // empty: no message at all
    };
    const Case cases[] = {
        {1, 0, 2, 0, " *** only 1 series processed ***"},
        {1, 5, 0, 1, " *** only 1 series processed ***"},
        {4, 1, 3, 0, " *** number of segments is 1 ***"},
        {4, 1, 1, 0, ""},  // no plots asked for: nothing to refuse
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "nc " << c.nc << " nwin " << c.nwin << " summary " << c.summary);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        Scene sc;
        sc.nc = c.nc;
        sc.nwin = c.nwin;
        sc.summary = c.summary;
        sc.rbar_switch = c.rbar_switch;
        set_up(sc);
        Recorder rec;
        end_of_file_outputs(rec.services());
        for (const PlotCall& p : rec.plots) EXPECT_NE(p.kind, 5);
        const auto lines = console.lines();
        if (c.second_line.empty()) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], " *** no running rbar plotted ***");
        EXPECT_EQ(lines[2], c.second_line);
    }
}

TEST(EndOfFileOutputs, RunningRbarTitlesAndAxis) {
    DriverScene scene;
    kovtest::ScriptedConsole console("");
    set_up({});
    Recorder rec;
    end_of_file_outputs(rec.services());
    ASSERT_EQ(rec.plots.size(), 7u);
    // the window 31 and overlap 10 as "(2i4)" from the column the title gives
    const std::string titles[] = {
        " raw running rbar,   31  10",
        " transform running rbar,   31  10",
        " detrend running rbar,   31  10",
        " residual running rbar,   31  10",
    };
    for (int k = 0; k < 4; ++k) {
        const PlotCall& p = rec.plots[3 + k];
        EXPECT_EQ(p.top, titles[k] + std::string(85 - titles[k].size(), ' '));
        EXPECT_EQ(p.n, 4);
        EXPECT_EQ(p.first_year, 1815);  // the middle year of the first window, cut to an integer
    }
}

TEST(EndOfFileOutputs, ShortChronologyIsPlottedUnsmoothed) {
    // 10 years: the spline period 10 / 10 = 1 has nothing to smooth; under 10
    // years the period would be 0
    for (int nyc : {10, 6, 3}) {
        SCOPED_TRACE(nyc);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        Scene sc;
        sc.nyc = nyc;
        set_up(sc);
        Recorder rec;
        end_of_file_outputs(rec.services());
        ASSERT_GE(rec.plots.size(), 3u);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(rec.plots[k].col2, rec.plots[k].col1) << "plot " << k + 1;
        EXPECT_EQ(console.output(), "");  // no spline complaint
    }
}

TEST(EndOfFileOutputs, ChronologyPlotCarriesASmoothedCurve) {
    DriverScene scene;
    kovtest::ScriptedConsole console("");
    Scene sc;
    sc.nyc = 60;
    set_up(sc);
    // a zigzag raw chronology: the 6-year spline must flatten it
    for (int i = 1; i <= 60; ++i) shared().crnmat(i, 4) = (i % 2) ? 1.5f : 0.5f;
    Recorder rec;
    end_of_file_outputs(rec.services());
    ASSERT_FALSE(rec.plots.empty());
    const PlotCall& raw = rec.plots[0];
    EXPECT_EQ(raw.top, " raw ring width chronology");
    for (int i = 10; i < 50; ++i) EXPECT_NEAR(raw.col2[i], 1.0f, 0.05f) << i;
}

TEST(EndOfFileOutputs, WritesTheTableAndTheSpectraFile) {
    DriverScene scene;
    kovtest::ScriptedConsole console("");
    Scene sc;
    sc.summary = 0;
    sc.nyc = 30;
    set_up(sc);
    ASSERT_TRUE(streams().lutab.open_fresh("oak_tabs.txt"));
    end_of_file_outputs();
    streams().lutab.close();
    EXPECT_EQ(kovtest::split_lines(scene.dir().read("oak_tabs.txt")).size(), 31u);
    EXPECT_EQ(kovtest::split_lines(scene.dir().read("oak_spectra.txt")).size(), 12u);  // header, 11 frequencies
}

TEST(EndOfFileOutputs, NoMeanChronologyLeavesTheTableEmptyAndNoSpectra) {
    DriverScene scene;
    kovtest::ScriptedConsole console("");
    Scene sc;
    sc.mean = 0;
    sc.summary = 0;  // the screen plots would wait on the console
    set_up(sc);
    ASSERT_TRUE(streams().lutab.open_fresh("oak_tabs.txt"));
    end_of_file_outputs();
    streams().lutab.close();
    EXPECT_EQ(scene.dir().read("oak_tabs.txt"), "");
    EXPECT_FALSE(scene.dir().exists("oak_spectra.txt"));
}

TEST(EndOfFileOutputs, EndogenousColumnsWithoutArModellingHoldNoCounts) {
    // AR method 0 with stand dynamics 1: the endogenous layout, but no step
    // of this data file counted anything; the hand-filled columns 13 to 16
    // stand for what an earlier data file left.
    struct Case {
        int ar;
        bool zeroed;
    };
    for (const Case c : {Case{0, true}, Case{-1, true}, Case{1, false}}) {
        SCOPED_TRACE(c.ar);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        Scene sc;
        sc.ar = c.ar;
        sc.summary = 0;
        sc.nyc = 3;
        set_up(sc);
        optsnap()(20, 1) = 1;
        ASSERT_TRUE(streams().lutab.open_fresh("oak_tabs.txt"));
        end_of_file_outputs(Recorder{}.services());
        streams().lutab.close();
        const auto lines = kovtest::split_lines(scene.dir().read("oak_tabs.txt"));
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], "year\tnum\tseg\tage\traw\tstd\tres\tkov\tednabs\tedpabs\tednpct\tedppct");
        const std::string tail = lines[2].substr(lines[2].size() - 36);
        if (c.zeroed)
            EXPECT_EQ(tail, "\t   0.000\t   0.000\t   0.000\t   0.000");
        else
            EXPECT_EQ(tail, "\t  13.250\t  14.250\t  15.250\t  16.250");
    }
}
