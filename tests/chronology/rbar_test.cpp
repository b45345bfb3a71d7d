#include "chronology/rbar.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "chronology/reference/statistics_ref.inc"
#include "statistics_fixture.hpp"
#include "support/test_support.hpp"

namespace {

using kov::shared;
using statfix::noise;
using statfix::Series;

// Pearson r of the first n values, in double precision.
double pearson(const std::vector<float>& x, const std::vector<float>& y, int n) {
    double mx = 0, my = 0;
    for (int i = 0; i < n; ++i) mx += x[i], my += y[i];
    mx /= n, my /= n;
    double sxy = 0, sxx = 0, syy = 0;
    for (int i = 0; i < n; ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxy / std::sqrt(sxx * syy);
}

struct Listing {
    kovtest::TempDir dir;
    kov::OutFile out;
    Listing() { out.open_fresh((dir / "out.txt").string()); }
    std::vector<std::string> lines() {
        out.close();
        return kovtest::split_lines(dir.read("out.txt"));
    }
};

// The row of numbers after an rbar table header.
std::vector<double> row_after_header(const std::vector<std::string>& lines) {
    for (size_t k = 0; k + 1 < lines.size(); ++k)
        if (lines[k].find("corrs    rbar") != std::string::npos) {
            std::istringstream in(lines[k + 1]);
            std::vector<double> v;
            for (double d; in >> d;) v.push_back(d);
            return v;
        }
    return {};
}

std::string line_with(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) return l;
    return "";
}

TEST(Rbarall, RealSiteMatchesIndependentCorrelations) {
    statfix::load_file("rwl/ca618.rwl");
    auto& s = shared();
    kovtest::ScriptedConsole con("");
    Listing lst;
    float rmean = 0;
    kov::rbarall(s.sermat, s.sertbl, s.serids, s.nc, lst.out, rmean);
    EXPECT_NEAR(rmean, statref::all_mean, 2e-5);
    const auto lines = lst.lines();
    const auto row = row_after_header(lines);
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[0], statref::all_n);
    EXPECT_NEAR(row[1], statref::all_mean, 6e-4);
    EXPECT_NEAR(row[2], statref::all_sd, 6e-4);
    EXPECT_NEAR(row[3], statref::all_se, 6e-4);
    EXPECT_NEAR(row[6], statref::all_min, 6e-4);
    EXPECT_NEAR(row[7], statref::all_max, 6e-4);
    const auto id = [&](double k) { return s.serids[static_cast<int>(k)]; };
    EXPECT_NE(line_with(lines, "minimum correlation").find(id(statref::all_min_pair[0]) + "   and  " +
                                                             id(statref::all_min_pair[1])),
              std::string::npos);
    EXPECT_NE(line_with(lines, "maximum correlation").find(id(statref::all_max_pair[0]) + "   and  " +
                                                             id(statref::all_max_pair[1])),
              std::string::npos);
    const auto pct = [&](const std::string& text) {
        return std::stod(line_with(con.lines(), text).substr(48));
    };
    EXPECT_NEAR(pct("cross-correlations:"), statref::all_pct_pairs, 0.006);
    EXPECT_NEAR(pct("tree-ring years used:"), statref::all_pct_years, 0.006);
}

TEST(Rbarall, PairNeedsTwentyOneCommonYears) {
    struct Case {
        int second_start;  // first series 1900..1949
        int count;
    } cases[] = {{1930, 0}, {1929, 1}};
    for (auto c : cases) {
        statfix::load({{"A1", 1900, noise(50, 1)}, {"B1", c.second_start, noise(40, 2)}});
        auto& s = shared();
        kovtest::ScriptedConsole con("");
        Listing lst;
        float rmean = 0.5f;
        kov::rbarall(s.sermat, s.sertbl, s.serids, s.nc, lst.out, rmean);
        const auto lines = lst.lines();
        EXPECT_EQ(row_after_header(lines).at(0), c.count) << c.second_start;
        if (c.count == 0) {
            // nothing to average: 0 goes on to the chronology, no statistic
            // prints as a number it does not have
            EXPECT_EQ(rmean, 0.0f);
            EXPECT_EQ(line_with(lines, "minimum correlation"), "");
            // the mean's marker fits its field of seven
            EXPECT_EQ(line_with(con.lines(), "all possible series rbar"),
                      " all possible series rbar:  -99.00  +/- -99.0000 1sd");
        }
    }
}

TEST(Rbarall, ConstantSeriesTiesAndWideCounts) {
    // C is constant: its pairs have no correlation and are left out, also when
    // its 32-bit mean is not its value (-9.99, a series of missing values,
    // whose mean a correlation would see as spread and list as a "minimum
    // correlation: -0.000" with C). A and B, and A and D,
    // are the same series, so both pairs give r = 1: the pair met first keeps
    // the maximum.
    const auto a = noise(30, 3);
    auto& s = shared();
    for (const float c : {2.0f, -9.99f}) {
        statfix::load({{"A", 1900, a}, {"B", 1900, a}, {"C", 1900, std::vector<float>(30, c)}, {"D", 1900, a}});
        kovtest::ScriptedConsole con("");
        Listing lst;
        float rmean = 0;
        kov::rbarall(s.sermat, s.sertbl, s.serids, s.nc, lst.out, rmean);
        const auto lines = lst.lines();
        EXPECT_EQ(row_after_header(lines).at(0), 3) << c;
        EXPECT_NE(line_with(lines, "maximum correlation").find("A          and  B       "), std::string::npos) << c;
        EXPECT_EQ(line_with(lines, "minimum correlation").substr(0, 27), "   minimum correlation:  1.") << c;
        EXPECT_FLOAT_EQ(rmean, 1.0f) << c;
    }
    // 45 series give 990 correlations (count in seven columns), 46 give 1035
    // (count in eight).
    for (int nc : {45, 46}) {
        std::vector<Series> ser;
        for (int k = 1; k <= nc; ++k) ser.push_back({"S" + std::to_string(k), 1800, noise(30, 100 + k)});
        statfix::load(ser);
        kovtest::ScriptedConsole con("");
        Listing lst;
        float rmean = 0;
        kov::rbarall(s.sermat, s.sertbl, s.serids, s.nc, lst.out, rmean);
        const auto lines = lst.lines();
        for (size_t k = 0; k + 1 < lines.size(); ++k)
            if (lines[k].find("corrs    rbar") != std::string::npos) {
                const std::string& row = lines[k + 1];
                if (nc == 45) EXPECT_EQ(row.substr(0, 7), "    990");
                else EXPECT_EQ(row.substr(0, 8), "    1035");
                EXPECT_NE(row[12], ' ');  // the mean ends in column 16 either way
                EXPECT_EQ(row[16], ' ');
            }
    }
}

std::vector<int> middle_years(const kov::Table<float>& tab, int nwin) {
    std::vector<int> v;
    for (int r = 1; r <= nwin; ++r) v.push_back(static_cast<int>(tab(r, 1)));
    return v;
}

// rbarrun over the series loaded, in windows of optval(16,1) years
// overlapping by optval(16,2), over ncrn years: its table (every cell
// `fill` before), window count and listing.
struct RunningRbar {
    kov::Table<float> tab;
    std::vector<int> counts;
    int nwin = -1;
    std::vector<std::string> lines;
};
RunningRbar running_rbar(int ncrn, float fill = 0.0f) {
    auto& s = shared();
    RunningRbar r{kov::Table<float>(kov::mxy, 7, fill), {}, -1, {}};
    Listing lst;
    kov::rbarrun(s.sermat, s.sertbl, ncrn, s.nc, r.tab, r.counts, r.nwin, lst.out);
    r.lines = lst.lines();
    return r;
}

TEST(Rbarrun, WindowStartsAlignToDecades) {
    struct Case {
        int first, last, w, o;
        std::vector<int> middles;
    } cases[] = {
        {1703, 2002, 50, 25, {1728, 1760, 1785, 1810, 1835, 1860, 1885, 1910, 1935, 1960}},
        {1700, 1799, 50, 25, {1725, 1760}},
        {-15, 84, 30, 10, {0, 25, 45, 65}},  // D = -20, B = -10: second start -10 + 20
    };
    for (const auto& c : cases) {
        const int n = c.last - c.first + 1;
        statfix::load({{"A", c.first, noise(n, 4)}, {"B", c.first, noise(n, 5)}, {"C", c.first, noise(n, 6)}});
        auto& s = shared();
        s.optval(16, 1) = c.w;
        s.optval(16, 2) = c.o;
        kovtest::ScriptedConsole con("");
        const RunningRbar run = running_rbar(n);
        const auto& tab = run.tab;
        const int nwin = run.nwin;
        EXPECT_EQ(middle_years(tab, nwin), c.middles) << c.first;
        EXPECT_EQ(tab(1, 2), 3.0f);
        EXPECT_EQ(tab(1, 7), 3.0f);
    }
}

TEST(Rbarrun, UncoveredWindowsAreDroppedAndOnePairHasNoSpread) {
    // A and B cover 1900-1959 only, C 1930-1999 alone: the windows from 1950
    // on have no pair; a window of two series has r as its rbar.
    const auto a = noise(60, 7), b = noise(60, 8);
    statfix::load({{"A", 1900, a}, {"B", 1900, b}, {"C", 1930, noise(70, 9)}});
    auto& s = shared();
    s.optval(16, 1) = 20;
    s.optval(16, 2) = 10;
    kovtest::ScriptedConsole con("");
    const RunningRbar run = running_rbar(100);
    const auto& tab = run.tab;
    const int nwin = run.nwin;
    // starts 1900, 1920 (one pair: C starts 1930), 1930, 1940 (three pairs);
    // from 1950 on no pair
    EXPECT_EQ(middle_years(tab, nwin), (std::vector<int>{1910, 1930, 1940, 1950}));
    const float r = static_cast<float>(pearson(a, b, 20));
    EXPECT_EQ(tab(1, 2), 1.0f);
    EXPECT_NEAR(tab(1, 3), r, 1e-5);
    EXPECT_EQ(tab(1, 4), 0.0f);
    EXPECT_EQ(tab(1, 5), 0.0f);
    EXPECT_NEAR(tab(1, 6), r / ((1 - r) / 2 + r), 1e-5);  // two series every year
    EXPECT_EQ(tab(3, 2), 3.0f);                          // 1930-1949: A, B and C
    EXPECT_FLOAT_EQ(tab(2, 7), 2.5f);                    // 1920-1939: C present 10 of 20 years
    EXPECT_NE(line_with(con.lines(), "segments calculated:").find("    4"), std::string::npos);
}

TEST(Rbarrun, WindowsThatDoNotAdvanceAreNotLaidOut) {
    statfix::load({{"A", 1900, noise(100, 12)}, {"B", 1900, noise(100, 13)}});
    auto& s = shared();
    s.optval(16, 1) = 20;
    s.optval(16, 2) = 20;
    kovtest::ScriptedConsole con("");
    const RunningRbar run = running_rbar(100, 5.0f);
    const auto& tab = run.tab;
    const int nwin = run.nwin;
    EXPECT_EQ(nwin, 0);
    EXPECT_EQ(tab(1, 1), 5.0f);
    EXPECT_EQ(line_with(con.lines(), "segments calculated:"), " segments calculated:    0");
    const auto lines = run.lines;
    EXPECT_NE(line_with(lines, "running rbar statistics"), "");
    EXPECT_EQ(line_with(lines, "year"), "");
}

TEST(Rbarrun, RealSiteMatchesIndependentWindows) {
    statfix::load_file("rwl/ca618.rwl");
    auto& s = shared();
    s.optval(16, 1) = 50;
    s.optval(16, 2) = 25;
    kovtest::ScriptedConsole con("");
    const RunningRbar run = running_rbar(s.nyc);
    const auto& tab = run.tab;
    const int nwin = run.nwin;
    const auto& ref = statref::run_rows;
    ASSERT_EQ(static_cast<size_t>(nwin) * 6, ref.size());
    for (int r = 1; r <= nwin; ++r) {
        const double* e = &ref[(r - 1) * 6];
        EXPECT_EQ(tab(r, 1), e[0]);
        EXPECT_EQ(tab(r, 2), e[1]);
        EXPECT_NEAR(tab(r, 3), e[2], 2e-5) << r;
        EXPECT_NEAR(tab(r, 4), e[3], 2e-4) << r;
        EXPECT_NEAR(tab(r, 6), e[4], 2e-5) << r;
        EXPECT_NEAR(tab(r, 7), e[5], 1e-5) << r;
    }
}

// A count of correlations takes the columns it needs, and every column of
// its block widens with it, so that each value keeps a blank before it: the
// counts of n series covering one window are n (n - 1) / 2.
TEST(Rbarrun, ListingColumnsWidenForLargeCounts) {
    const struct {
        int series;
        std::string count;  // n (n - 1) / 2 and its point
        int width;          // of every column of the block
    } cases[] = {
        {447, "99681.", 7},     // as wide as ever
        {448, "100128.", 8},    // would touch the label's column before it
        {1415, "1000405.", 9},  // would not fit its seven columns
    };
    for (const auto& c : cases) {
        std::vector<Series> ser;
        for (int k = 1; k <= c.series; ++k) ser.push_back({"S" + std::to_string(k), 1900, noise(21, 500 + k)});
        statfix::load(ser);
        auto& s = shared();
        s.optval(16, 1) = 21;
        s.optval(16, 2) = 0;
        kovtest::ScriptedConsole con("");
        const RunningRbar run = running_rbar(21);
        const int nwin = run.nwin;
        ASSERT_EQ(nwin, 1);
        auto field = [&](const std::string& t) { return std::string(c.width - t.size(), ' ') + t; };
        const auto lines = run.lines;
        EXPECT_EQ(line_with(lines, "    year"), "    year " + field("1910."));
        EXPECT_EQ(line_with(lines, "    corr"), "    corr " + field(c.count));
        EXPECT_EQ(line_with(lines, "    nss "), "    nss " + field(std::to_string(c.series) + ".0"));
    }
}

// In a window of two years every correlation is +1 or -1. With k of n series
// rising and n - k falling, the correlations sum to ((2k - n)^2 - n) / 2, so
// that 1 + (n - 1) rbar = (2k - n)^2 / n: EPS = n rbar / (1 + (n - 1) rbar) is
// undefined for k = n / 2, and -n for k = (n + 1) / 2.
TEST(Rbarrun, TwoYearWindowsWhereSeriesRiseAndFallInEqualNumbers) {
    const struct {
        int series, rising;
        float eps;
        int width;  // of the listing's columns: "-99.000" and "-101.000" with a blank before
    } cases[] = {
        {12, 6, -99.0f, 8},  // computed in single precision, its denominator is some 1e-8, not 0
        {101, 51, -101.0f, 9},
    };
    for (const auto& c : cases) {
        std::vector<Series> ser;
        for (int k = 0; k < c.series; ++k) {
            // levels and steps of many sizes, so that the correlations are
            // -1 and +1 only to within their rounding
            const float a = 0.37f + 0.113f * static_cast<float>(k);
            const float second = k < c.rising ? a + 0.29f : a - 0.1f;
            ser.push_back({"S" + std::to_string(k), 1900, {a, second, 1.0f, 1.0f, 1.0f, 1.0f}});
        }
        statfix::load(ser);
        auto& s = shared();
        s.optval(16, 1) = 2;
        s.optval(16, 2) = 1;
        kovtest::ScriptedConsole con("");
        const RunningRbar run = running_rbar(6);
        const auto& tab = run.tab;
        const int nwin = run.nwin;
        ASSERT_EQ(nwin, 1) << c.series;
        EXPECT_EQ(tab(1, 2), static_cast<float>(c.series * (c.series - 1) / 2));
        EXPECT_NEAR(tab(1, 6), c.eps, 0.01) << c.series;
        const std::string eps = line_with(run.lines, "    eps ");
        ASSERT_EQ(eps.size(), 8u + c.width) << eps;
        EXPECT_EQ(eps[8], ' ') << eps;
        EXPECT_NEAR(std::stod(eps.substr(8)), c.eps, 0.01) << eps;
    }
}

TEST(Rbarrun, ListingBlocksOfTen) {
    // window 20, step 10 from 1000: the second window starts at 1020, so a
    // span of 10 n + 20 years holds n windows
    struct Case {
        int windows;
        int year_lines;
        bool count_only;
    } cases[] = {{23, 3, false}, {50, 5, false}, {51, 0, true}};
    for (auto c : cases) {
        const int n = 10 * c.windows + 20;
        statfix::load({{"A", 1000, noise(n, 10)}, {"B", 1000, noise(n, 11)}});
        auto& s = shared();
        s.optval(16, 1) = 20;
        s.optval(16, 2) = 10;
        kovtest::ScriptedConsole con("");
        const RunningRbar run = running_rbar(n);
        const int nwin = run.nwin;
        ASSERT_EQ(nwin, c.windows);
        const auto lines = run.lines;
        int years = 0;
        std::string last_year;
        for (const auto& l : lines)
            if (l.rfind("    year", 0) == 0) ++years, last_year = l;
        EXPECT_EQ(years, c.year_lines) << c.windows;
        EXPECT_EQ(!line_with(lines, "running rbar segments calculated and stored in file").empty(), c.count_only);
        if (c.windows == 23) {
            EXPECT_EQ(last_year, "    year   1220.  1230.  1240.");
        }
    }
}

}  // namespace
