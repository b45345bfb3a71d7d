#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "series/transformations.hpp"
#include "shared/capacities.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {
struct TransfCase {
    int option;
    std::vector<std::vector<double>> out;      // rescaled series
    std::vector<std::vector<double>> stats;    // per series: the ten statistics
    std::vector<std::vector<double>> summary;  // rows 1-8 by the ten statistics
    std::vector<std::vector<double>> plot;     // per series: the plot table
};

// Computed once by reference/transf_reference.py: 7 series of 40 to 94 years,
// one of them holding a ring width of 0.
#include "series/reference/transf_reference.inc"

constexpr int y0 = 1700;

// Loads series into the shared tables, series i from year y0 + 3 (i - 1).
void load(const std::vector<std::vector<float>>& series, int option, const std::string& batmod) {
    SharedTables& sh = shared();
    sh.sermat.clear();
    sh.nc = static_cast<int>(series.size());
    int last = y0;
    for (int i = 1; i <= sh.nc; ++i) {
        const auto& s = series[i - 1];
        const int f = y0 + 3 * (i - 1);
        for (size_t j = 0; j < s.size(); ++j) sh.sermat(f - y0 + 1 + static_cast<int>(j), i) = s[j];
        sh.sertbl(i, ify) = f;
        sh.sertbl(i, ily) = f + static_cast<int>(s.size()) - 1;
        sh.sertbl(i, itn) = option;
        sh.serids[i] = "TR" + std::to_string(100 + i) + "   ";
        last = std::max(last, sh.sertbl(i, ily));
    }
    sh.sertbl(sh.nc + 1, ify) = y0;
    sh.sertbl(sh.nc + 1, ily) = last;
    sh.optval(3, 1) = option;
    sh.optval(3, 2) = 0;
    sh.optval(17, 1) = 2;
    sh.optval(19, 1) = 0;
    sh.batmod = batmod;
}

// Runs transf with the listing in a fresh file; returns the listing's lines.
std::vector<std::string> run_transf() {
    kovtest::TempDir dir;
    kovtest::ScriptedConsole console("");
    SharedTables& sh = shared();
    OutFile& out = streams().luout;
    EXPECT_TRUE(out.open_fresh((dir / "out.txt").string()));
    transf(sh.sermat, sh.sertbl, sh.serids, sh.nc, sh.rawstat);
    out.close();
    return kovtest::split_lines(dir.read("out.txt"));
}

std::string line_of(const std::string& layout, const std::vector<FVal>& values) {
    std::string s = format_values(layout, values);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

float f32(double v) { return static_cast<float>(v); }
}  // namespace

TEST(Transf, SeriesStatisticsAndListingMatchTheReference) {
    const std::string header = " series   ident    mean   sdev    skew   kurt   sens  ac(1)  corr1   corr2  power";
    const char* labels[8] = {"arith mean",    "std deviation", "median",      "interquartile",
                             "minimum value", "lower hinge",   "upper hinge", "maximum value"};
    for (const TransfCase& c : ref_cases) {
        SCOPED_TRACE("option " + std::to_string(c.option));
        load(ref_series, c.option, "n");
        const auto lines = run_transf();
        SharedTables& sh = shared();
        const int nc = sh.nc;

        for (int i = 1; i <= nc; ++i) {
            const auto& in = ref_series[i - 1];
            const float* s = sh.sermat.col(i) + 3 * (i - 1);
            float mn = in[0], mx = in[0];
            for (float v : in) mn = std::min(mn, v), mx = std::max(mx, v);
            float rmn = s[0], rmx = s[0];
            for (size_t j = 0; j < in.size(); ++j) {
                EXPECT_NEAR(s[j], c.out[i - 1][j], 2e-6 + 2e-6 * std::fabs(c.out[i - 1][j])) << i << " " << j;
                rmn = std::min(rmn, s[j]);
                rmx = std::max(rmx, s[j]);
            }
            EXPECT_EQ(rmn, mn) << "series " << i;  // exactly the measured range
            EXPECT_EQ(rmx, mx) << "series " << i;
            const int power = static_cast<int>(1000.0 * c.stats[i - 1][9]);
            EXPECT_EQ(sh.sertbl(i, itn), c.option < 4 ? c.option : std::max(4, power)) << "series " << i;
            for (int k = 1; k <= 6; ++k)
                EXPECT_NEAR(sh.trnstat(i, k), c.plot[i - 1][k - 1], 2e-5 + 2e-5 * std::fabs(c.plot[i - 1][k - 1]))
                    << "series " << i << " plot column " << k;
        }
        for (int r = 1; r <= 8; ++r)
            for (int k = 1; k <= 10; ++k)
                EXPECT_NEAR(sh.rawstat(r, k), c.summary[r - 1][k - 1], 2e-5 + 2e-5 * std::fabs(c.summary[r - 1][k - 1]))
                    << "summary row " << r << " column " << k;

        std::vector<std::string> want = {"", " |------------------ statistics of transformed tree-ring data ------------------|",
                                         "", std::string(60, ' ') + "spread vs level tests", header};
        for (int i = 1; i <= nc; ++i) {
            const auto& st = c.stats[i - 1];
            want.push_back(line_of("(t2,i5,2x,a8,2f7.3,f8.3,2f7.3,2f7.3,f8.3,f7.3)",
                                   fvals(i, sh.serids[i], f32(st[0]), f32(st[1]), f32(st[2]), f32(st[3]), f32(st[4]),
                                         f32(st[5]), f32(st[7]), f32(st[8]), f32(st[9]))));
        }
        want.insert(want.end(), {"", " |------------- summary of transformed tree-ring series statistics -------------|", "",
                                 std::string(60, ' ') + "spread vs level tests",
                                 std::string(15, ' ') + "   mean   sdev    skew   kurt   sens  ac(1)  corr1   corr2   power"});
        for (int r = 0; r < 8; ++r) {
            const auto& sm = c.summary[r];
            want.push_back(line_of("(t2,a,t16,2f7.3,f8.3,4f7.3,2f8.3)",
                                   fvals(labels[r], f32(sm[0]), f32(sm[1]), f32(sm[2]), f32(sm[3]), f32(sm[4]),
                                         f32(sm[5]), f32(sm[7]), f32(sm[8]), f32(sm[9]))));
        }
        EXPECT_EQ(lines, want);
    }
}

TEST(Transf, WorkedValuesOfEachCode) {
    // Each row: option, series, the expected rescaled series by hand, and the
    // code stored in itn of an interactive run.
    const double ln001 = std::log(0.01), ln005 = std::log(0.05), sixth = 1.0 / 6.0;
    const std::vector<float> z = {0, 1, 2, 4, 3};
    const double half_p = 1.0 - std::log(12.0 / (double(10.003f) - 4.0)) / std::log(4.0);
    auto map_onto = [](std::vector<double> t, double xmin, double xmax) {
        const double tmin = *std::min_element(t.begin(), t.end()), tmax = *std::max_element(t.begin(), t.end());
        for (double& v : t) v = (v - tmin) * (xmax - xmin) / (tmax - tmin) + xmin;
        return t;
    };
    struct Case {
        const char* what;
        int option;
        std::vector<float> x;
        std::vector<double> want;
        int itn;
    };
    const Case cases[] = {
        // A ring width of 0 takes ln 0.01 = -4.6051702 under code 1...
        {"log", 1, z, map_onto({ln001, 0, std::log(2.0), std::log(4.0), std::log(3.0)}, 0, 4), 1},
        // ... and ln(1/6) under code 2.
        {"log sixth", 2, z,
         map_onto({std::log(sixth), std::log(1 + sixth), std::log(2 + sixth), std::log(4 + sixth), std::log(3 + sixth)},
                  0, 4),
         2},
        {"hypersine", 3, z, map_onto({0, std::asinh(1.0), std::asinh(2.0), std::asinh(4.0), std::asinh(3.0)}, 0, 4), 3},
        // Spread exactly proportional to the later value: slope 1, p = 0, a log
        // with ln 0.05 for the 0 (whose pair drops out: its level is 0).
        {"power 0", 4, {1, 2, 4, 8, 16, 0},
         map_onto({0, std::log(2.0), std::log(4.0), std::log(8.0), std::log(16.0), ln005}, 0, 16), 4},
        // Spread falls as the pair mean rises: slope below 0, p = 1; the value
        // below 0.01 is raised to 0.01 first.
        {"power 1", 5, {1, 5, 4.5f, 4.8f, 4.6f, 0.005f},
         map_onto({1, 5, 4.5f, 4.8f, 4.6f, 0.01}, 0.005f, 5), 1000},
        // Two pairs, levels 4 and 16, spreads 6.003 and 12: slope
        // ln(12 / 6.003) / ln 4 = 0.49964, p = 0.50036.
        {"power half", 4, {10.003f, 4, 16},
         map_onto({std::pow(double(10.003f), half_p), std::pow(4.0, half_p), std::pow(16.0, half_p)}, 4, 16),
         500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        load({c.x}, c.option, "n");
        run_transf();
        SharedTables& sh = shared();
        for (size_t j = 0; j < c.x.size(); ++j) EXPECT_NEAR(sh.sermat(j + 1, 1), c.want[j], 2e-5) << j;
        EXPECT_EQ(sh.sertbl(1, itn), c.itn);
    }
}

TEST(Transf, BatchRunTakesEachSeriesCodeFromItn) {
    // itn 0: unchanged; 1: log; 600: a power recomputed from the data (the
    // spread-proportional series gives p = 0, a log, whatever 600 said).
    const std::vector<std::vector<float>> series = {{1, 3, 2, 5}, {1, 3, 2, 5}, {1, 2, 4, 8, 16}};
    load(series, 4, "y");
    SharedTables& sh = shared();
    sh.sertbl(1, itn) = 0;
    sh.sertbl(2, itn) = 1;
    sh.sertbl(3, itn) = 600;
    run_transf();
    for (int j = 0; j < 4; ++j) EXPECT_EQ(sh.sermat.col(1)[j], series[0][j]);
    const double l5 = std::log(5.0);
    const double want2[] = {1, std::log(3.0) / l5 * 4 + 1, std::log(2.0) / l5 * 4 + 1, 5};
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(sh.sermat.col(2)[3 + j], want2[j], 2e-6);
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(sh.sermat.col(3)[6 + j], j * 15.0 / 4.0 + 1, 2e-5);
    EXPECT_EQ(sh.sertbl(1, itn), 0);
    EXPECT_EQ(sh.sertbl(2, itn), 1);
    EXPECT_EQ(sh.sertbl(3, itn), 600);
}

TEST(Transf, ListingHeadersAndUndefinedStatistics) {
    // 40 series: the column header stands before series 1, and after an empty
    // line before series 20 and 40. Series 7 is constant: no spread, no
    // pairs: its statistics print as -99.000 and it keeps its values. Series 8
    // has no values at all (a compact record of count 0): every statistic is
    // undefined and the power stays 1.
    std::vector<std::vector<float>> series(40, std::vector<float>{1.0f, 1.4f, 0.8f, 1.1f, 0.9f, 1.3f});
    series[6] = {2, 2, 2, 2, 2, 2};
    series[7] = {};
    load(series, 3, "n");
    const auto lines = run_transf();
    const std::string header = " series   ident    mean   sdev    skew   kurt   sens  ac(1)  corr1   corr2  power";
    std::vector<size_t> at;
    for (size_t k = 0; k < lines.size(); ++k)
        if (lines[k] == header) at.push_back(k);
    ASSERT_EQ(at.size(), 3u);
    EXPECT_EQ(at[0], 4u);
    EXPECT_EQ(at[1], 4u + 1 + 19 + 1);  // after series 1-19 and an empty line
    EXPECT_EQ(at[2], at[1] + 1 + 20 + 1);
    EXPECT_EQ(lines[at[1] - 1], "");
    EXPECT_EQ(lines[at[1] + 1].substr(0, 6), "    20");
    EXPECT_EQ(lines[at[0] + 7],
              "     7  TR107     2.000 -99.00 -99.000 -99.00  0.000 -99.00 -99.00 -99.000  1.000");
    EXPECT_EQ(lines[at[0] + 8],
              "     8  TR108    -99.00 -99.00 -99.000 -99.00 -99.00 -99.00 -99.00 -99.000  1.000");
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(shared().sermat(18 + j, 7), 2.0f);
    for (const auto& l : lines) EXPECT_EQ(l.find("nan"), std::string::npos) << l;
    // The summary rests on the statistics that are defined: in the columns
    // where series 7 and 8 have none (sdev, skew, kurt, ac(1), corr1, corr2)
    // only the 38 alike series count, so mean, median, hinges and extremes
    // are their figures (the -99 of series 7 and 8 would drag them off).
    auto figures = [](const std::string& line, size_t from) {
        std::vector<std::string> v;
        std::istringstream in(line.substr(from));
        for (std::string w; in >> w;) v.push_back(w);
        return v;
    };
    const auto alike = figures(lines[at[0] + 1], 15);
    ASSERT_EQ(alike.size(), 9u);
    for (const char* row : {"arith mean", "median", "minimum value", "lower hinge", "upper hinge", "maximum value"}) {
        size_t k = 0;
        while (k < lines.size() && lines[k].rfind(std::string(" ") + row, 0) != 0) ++k;
        ASSERT_LT(k, lines.size()) << row;
        const auto got = figures(lines[k], 15);
        ASSERT_EQ(got.size(), 9u) << row;
        for (size_t c : {1u, 2u, 3u, 5u, 6u, 7u}) EXPECT_EQ(got[c], alike[c]) << row << " column " << c;
    }
}
