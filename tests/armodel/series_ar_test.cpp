#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "armodel/ar_test_support.hpp"
#include "armodel/series_ar.hpp"
#include "series/series_fixture.hpp"
#include "shared/capacities.hpp"

namespace {
#include "armodel/reference/robust_ar_ref.inc"
}  // namespace

using namespace kov;
using kovtest::ArSeries;

namespace {

struct Work {
    std::vector<float> w1, w2, w3, w4, w5, w6;
    Work() {
        for (auto* w : {&w1, &w2, &w3, &w4, &w5, &w6}) w->assign(ar_work_capacity, 0.0f);
    }
};

// Runs the stage over the loaded series with the given method and order
// option; crnmat column 1 holds the depth of the loaded series.
void run_stage(int method, int order_option, int printout = 1, int code = 1) {
    auto& sh = shared();
    sh.optval(9, 1) = method;
    sh.optval(9, 2) = code;
    sh.optval(11, 1) = order_option;
    sh.optval(17, 1) = printout;
    sh.crnmat.fill(xmiss);
    for (int r = 1; r <= sh.nyc; ++r) {
        int depth = 0;
        for (int i = 1; i <= sh.nc; ++i)
            if (1799 + r >= sh.sertbl(i, ify) && 1799 + r <= sh.sertbl(i, ily)) ++depth;
        sh.crnmat(r, 1) = static_cast<float>(depth);
    }
    Work w;
    arindv(sh.crnmat, w.w1, w.w2, w.w3, w.w4, w.w5, w.w6, sh.arcoef, 0, sh.rawstat);
}

std::vector<float> pseudo_series(int n, unsigned seed, int kind) {
    std::vector<float> x(static_cast<size_t>(n));
    float y = 0;
    for (auto& v : x) {
        seed = seed * 1103515245u + 12345u;
        const float e = static_cast<float>((seed >> 16) & 0x7fff) / 32768.0f - 0.5f;
        y = 0.5f * y + e * (0.2f + 0.05f * static_cast<float>(kind % 3));
        v = 1.0f + y;
    }
    return x;
}

}  // namespace

TEST(SeriesAr, OrderOptionGivesStagesAndMode) {
    struct Case {
        int option, npool, maxp, mode;
    };
    for (const Case& c : {Case{0, 3, 4, 1}, Case{0, 0, 1, 1}, Case{-1, 3, 11, 0}, Case{2, 3, 3, 1}, Case{12, 0, 11, 1}}) {
        const BurgStages s = burg_stages(c.option, c.npool);
        EXPECT_EQ(s.maxp, c.maxp) << c.option;
        EXPECT_EQ(s.mode, c.mode) << c.option;
    }
}

// What a scratch file written with "(10f9.4)" gives back (ties to even, as the
// decimal layout rounds the exact binary value).
TEST(SeriesAr, FourDecimals) {
    struct Case {
        float in, out;
    };
    for (const Case& c : {Case{1.23456f, 1.2346f}, Case{-0.00004f, 0.0f}, Case{0.03125f, 0.0312f},
                          Case{0.09375f, 0.0938f}, Case{-12.34567f, -12.3457f}, Case{12345.678f, 12345.678f}})
        EXPECT_EQ(four_decimals(c.in), c.out) << c.in;
}

// Method 1 over the reference series (order 2 fixed): sermat holds the plain
// residuals of robust_ar_ref.py + 1.0 over the series' years, xmiss above
// them; no outlier columns and no outlier-free file.
TEST(SeriesAr, PlainMethodLeavesResidualsAroundOne) {
    kovtest::ArListing listing;
    kovtest::InDir in(listing.dir().path());
    kovtest::ScriptedConsole console("");
    kovtest::load_ar_series({{5, robust_series}, {0, pseudo_series(100, 3, 0)}});
    auto& sh = shared();
    sh.datfil = "abc.txt";
    sh.crnmat.fill(xmiss);
    run_stage(1, 2);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(sh.sermat(r, 1), xmiss);
    for (size_t t = 0; t < robust_series.size(); ++t)
        EXPECT_NEAR(sh.sermat(6 + static_cast<int>(t), 1), std::max(robust_m1_x[t] + 1.0, 0.0), 5e-4) << t;
    for (int r = 1; r <= sh.nyc; ++r) {
        EXPECT_EQ(sh.crnmat(r, 13), 0.0f);
        EXPECT_EQ(sh.crnmat(r, 14), 0.0f);
        EXPECT_EQ(sh.crnmat(r, 15), xmiss);
    }
    EXPECT_EQ(sh.arcoef(12, 1), 2.0f);
    EXPECT_EQ(sh.sertbl(1, ips), 2);
    EXPECT_FALSE(listing.dir().exists("abc_no_outliers.txt"));
    EXPECT_NE(console.output().find("\n calculate individual series autoregressions\n"), std::string::npos);
    EXPECT_EQ(sh.optval(18, 1), 0);  // the save format is back
}

// A series the detrending left out (missing values only) has no model: its
// coefficients, r-squared and order stay 0, it stays missing under the plain
// and the robust method, its prewhitened statistics are undefined rather
// than those of the missing-value mark, and the series beside it is
// prewhitened as it is alone (robust_ar_ref.py).
TEST(SeriesAr, LeftOutSeriesHasNoModel) {
    for (int method : {1, 3}) {
        SCOPED_TRACE(method);
        kovtest::ArListing listing;
        kovtest::InDir in(listing.dir().path());
        kovtest::ScriptedConsole console("");
        kovtest::load_ar_series({{5, robust_series}, {10, std::vector<float>(40, xmiss)}});
        auto& sh = shared();
        sh.datfil = "gap.txt";
        sh.optval(18, 1) = 2;
        run_stage(method, 2, 2);
        const auto& residuals = method == 1 ? robust_m1_x : robust_m3_x;
        for (size_t t = 0; t < robust_series.size(); ++t)
            EXPECT_NEAR(sh.sermat(6 + static_cast<int>(t), 1), std::max(residuals[t] + 1.0, 0.0), 6e-4) << t;
        EXPECT_EQ(sh.arcoef(12, 1), 2.0f);
        for (int k = 1; k <= 12; ++k) EXPECT_EQ(sh.arcoef(k, 2), 0.0f) << k;
        for (int r = 1; r <= sh.nyc; ++r) EXPECT_EQ(sh.sermat(r, 2), xmiss) << r;
        const auto lines = listing.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "     2  S1002     1810   1849     40 -99.000 -99.000 -99.00 -99.00 -99.00 -99.000"),
                  lines.end());
    }
}

// Method 3: the residuals of the cleaned series come back through four
// decimals; the outliers of years 30, 31 and 90 are counted per year, their
// shares of the depth beside them; the outlier-free series are written in
// Tucson layout after the three header lines (".TXT" is kept in the name).
TEST(SeriesAr, RobustMethodCountsOutliersAndWritesCleanSeries) {
    kovtest::ArListing listing;
    kovtest::InDir in(listing.dir().path());
    kovtest::ScriptedConsole console("");
    kovtest::load_ar_series({{0, robust_series}, {0, pseudo_series(150, 9, 1)}});
    auto& sh = shared();
    sh.datfil = "abc.TXT";
    for (int k = 0; k < 3; ++k) {
        sh.hdrlin[static_cast<size_t>(k)] = std::string(80, 'a' + static_cast<char>(k)) + "12345";
    }
    run_stage(3, 2);
    for (size_t t = 0; t < robust_series.size(); ++t)
        EXPECT_NEAR(sh.sermat(1 + static_cast<int>(t), 1), robust_m3_x[t] + 1.0, 6e-4) << t;
    // the outlier series w3 of the reference: a year counts when it lies more
    // than 0.2 from the series' mean outlier value
    double mean = 0;
    for (double v : robust_m3_w3) mean += v;
    mean /= static_cast<double>(robust_m3_w3.size());
    int counted = 0;
    for (size_t t = 0; t < robust_m3_w3.size(); ++t) {
        const double d = robust_m3_w3[t] - mean;
        if (std::fabs(std::fabs(d) - 0.2) < 1e-3) continue;  // too close to call
        const float own_neg = d < -0.2 ? -1.0f : 0.0f, own_pos = d > 0.2 ? 1.0f : 0.0f;
        const int r = static_cast<int>(t) + 1;
        EXPECT_LE(sh.crnmat(r, 13), own_neg) << t;
        EXPECT_GE(sh.crnmat(r, 14), own_pos) << t;
        counted += d > 0.2 || d < -0.2;
    }
    EXPECT_GE(counted, 2);
    EXPECT_GE(sh.crnmat(30, 14), 1.0f);
    EXPECT_LE(sh.crnmat(90, 13), -1.0f);
    for (int r = 1; r <= sh.nyc; ++r) {
        EXPECT_FLOAT_EQ(sh.crnmat(r, 15), sh.crnmat(r, 13) / 2.0f);
        EXPECT_FLOAT_EQ(sh.crnmat(r, 16), sh.crnmat(r, 14) / 2.0f);
    }
    ASSERT_TRUE(listing.dir().exists("abc.TXT_no_outliers.txt"));
    const auto lines = kovtest::split_lines(listing.dir().read("abc.TXT_no_outliers.txt"));
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::string(80, 'a') + "12   ");
    EXPECT_EQ(lines[2], std::string(80, 'c') + "12   ");
    EXPECT_EQ(lines[3].substr(0, 12), "S1001   1800");
    EXPECT_EQ(sh.crvmean[0], xmiss);
    EXPECT_EQ(console.output().find("Negative values"), std::string::npos);
}

// 45 series: headers of both per-series tables before series 1, 20 and 40;
// order 7 puts coefficients 6 and 7 on a second line from column 38 in the
// table and from column 39 in the summary.
TEST(SeriesAr, ListingTablesAndSummaries) {
    kovtest::ArListing listing;
    kovtest::InDir in(listing.dir().path());
    kovtest::ScriptedConsole console("");
    std::vector<ArSeries> series;
    for (int i = 0; i < 45; ++i) series.push_back({i % 7, pseudo_series(120 + i, 100u + static_cast<unsigned>(i), i)});
    kovtest::load_ar_series(series);
    shared().datfil = "many.txt";
    run_stage(1, 7, 2);
    const std::string text = listing.listing();
    EXPECT_EQ(kovtest::count_lines_with(text, "series    ident    order     rsq     t-1"), 3);
    EXPECT_EQ(kovtest::count_lines_with(text, "series   ident   frst   last   year    mean"), 3);
    const auto lines = listing.lines();
    int table_second = 0, summary_second = 0;
    for (size_t k = 0; k + 1 < lines.size(); ++k) {
        if (lines[k].find("        20   S1020        7  ") == 0) {
            // fields of eight columns from column 38
            ASSERT_EQ(lines[k + 1].size(), 53u);
            EXPECT_EQ(lines[k + 1].substr(0, 37), std::string(37, ' '));
            ++table_second;
        }
        if (lines[k].find("   arithmetic mean") == 0 && lines[k].size() > 40) {
            EXPECT_EQ(lines[k].substr(24, 3), "  7");
            EXPECT_EQ(lines[k + 1].substr(0, 38), std::string(38, ' '));
            ++summary_second;
        }
    }
    EXPECT_EQ(table_second, 1);
    EXPECT_EQ(summary_second, 1);
    EXPECT_NE(text.find("|------------- summary statistics for autoregressive coefficients -------------|"),
              std::string::npos);
    EXPECT_NE(text.find("\n                                year    mean   stdev   skew   kurt   sens   ac(1)\n"),
              std::string::npos);
}

// A single series: its standard deviation is undefined; the coefficient
// summary shows 0.000 for it, the prewhitened summary -99.000. Orders chosen
// by AICc give the order and r-squared summary only.
TEST(SeriesAr, SingleSeriesSummaries) {
    kovtest::ArListing listing;
    kovtest::InDir in(listing.dir().path());
    kovtest::ScriptedConsole console("");
    kovtest::load_ar_series({{0, robust_series}});
    shared().datfil = "one.txt";
    run_stage(1, -1);
    const auto lines = listing.lines();
    std::vector<std::string> sd;
    for (const auto& l : lines)
        if (l.find("standard deviation") != std::string::npos) sd.push_back(l);
    ASSERT_EQ(sd.size(), 2u);
    EXPECT_EQ(sd[0].substr(24), "  0     0.000");
    EXPECT_NE(sd[1].find(" -99.000 -99.000"), std::string::npos) << sd[1];
    EXPECT_NE(listing.listing().find("\n                        order     rsq\n"), std::string::npos);
}

// In batch mode a series whose order option came from a detail record (0
// pooled, -1 AICc, k order k) is fitted with it and keeps it for the detail file
// written after the run; a series that no record reached takes (11,1) and
// records it. Interactively every series takes (11,1) and records it, whatever
// a record held.
TEST(SeriesAr, BatchModeUsesAndKeepsEachSeriesOrderOption) {
    kovtest::ArListing listing;
    kovtest::InDir in(listing.dir().path());
    kovtest::ScriptedConsole console("");
    auto& sh = shared();
    for (const char* mode : {"y", "n"}) {
        kovtest::load_ar_series(
            {{0, robust_series}, {0, robust_series}, {0, robust_series}, {0, robust_series}});
        sh.batmod = mode;
        sh.datfil = "b.txt";
        sh.sertbl(1, ips) = 3;
        sh.sertbl(2, ips) = 1;
        sh.sertbl(3, ips) = -1;
        for (int i = 1; i <= 3; ++i) sh.ips_from_record[static_cast<size_t>(i)] = true;
        run_stage(1, 2);
        if (std::string(mode) == "y") {
            EXPECT_EQ(sh.arcoef(12, 1), 3.0f);
            EXPECT_EQ(sh.arcoef(12, 2), 1.0f);
            EXPECT_LE(sh.arcoef(12, 3), 10.0f);
            EXPECT_EQ(sh.arcoef(12, 4), 2.0f);
            EXPECT_EQ(sh.sertbl(1, ips), 3);
            EXPECT_EQ(sh.sertbl(2, ips), 1);
            EXPECT_EQ(sh.sertbl(3, ips), -1);
            EXPECT_EQ(sh.sertbl(4, ips), 2);
        } else {
            for (int i = 1; i <= 4; ++i) {
                EXPECT_EQ(sh.arcoef(12, i), 2.0f);
                EXPECT_EQ(sh.sertbl(i, ips), 2);
            }
        }
    }
    for (int i = 1; i <= 3; ++i) sh.ips_from_record[static_cast<size_t>(i)] = false;
    sh.batmod = "n";
}
