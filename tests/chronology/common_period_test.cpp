#include "chronology/common_period.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "chronology/reference/statistics_ref.inc"
#include "chronology/principal_components.hpp"
#include "chronology/tree_numbers.hpp"
#include "numerics/correlation.hpp"
#include "numerics/eigen.hpp"
#include "statistics_fixture.hpp"
#include "support/test_support.hpp"

namespace {

using kov::shared;
using statfix::Series;

std::vector<float> noise(int n, unsigned seed) { return statfix::noise(n, seed, 777u); }

// A common signal plus a little noise per series, so that every pair agrees.
std::vector<float> signal_plus(int n, unsigned seed, float weight) {
    auto common = noise(n, 99), own = noise(n, seed);
    for (int i = 0; i < n; ++i) own[i] = common[i] + weight * own[i];
    return own;
}

// Runs compstat in a fresh folder with data file `datfil`, the listing on
// luout there; cpa as the driver leaves it (trees by the mask, 0 outside the
// period).
struct Analysis {
    kovtest::TempDir dir;
    kovtest::InDir in{dir.path()};
    float rbcp = 0, sdbt = 0, epscp = 0;
    std::vector<std::string> idu;
    std::string console;
    explicit Analysis(int p1, int p2, const std::string& input = "", int stage = 1, int plots = 0, bool trees = true,
                 const std::string& datfil = "site.txt") {
        auto& s = shared();
        s.optval(14, 1) = p1;
        s.optval(14, 2) = p2;
        s.optval(17, 1) = 2;
        s.optval(19, 1) = plots;
        s.datfil = datfil;
        if (trees) kov::treenum(s.serids, s.sertbl, s.nc, "SSSTTCC ");
        for (int k = 1; k <= s.nc; ++k)
            if (std::min(s.sertbl(k, kov::ily), p2) - std::max(s.sertbl(k, kov::ify), p1) + 1 < p2 - p1 + 1)
                s.sertbl(k, kov::cpa) = 0;
        // With the plots on, the pages of loadings and scores that follow the
        // answers are each left with "c" at their menus.
        std::string typed = input;
        if (plots == 2 || plots == 3)
            for (int k = 0; k < 64; ++k) typed += "c\n";
        kovtest::ScriptedConsole con(typed);
        kov::streams().luout.open_fresh("listing.txt");
        kov::compstat(s.sermat, s.sertbl, s.serids, idu, s.nc, s.rawstat, rbcp, sdbt, epscp, stage);
        kov::streams().luout.close();
        console = con.output();
    }
    std::vector<std::string> file(const std::string& name) const {
        return dir.exists(name) ? kovtest::split_lines(dir.read(name)) : std::vector<std::string>{};
    }
    std::vector<std::string> listing() const { return file("listing.txt"); }
};

std::string line_with(const std::vector<std::string>& lines, const std::string& text, int skip = 0) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos && skip-- == 0) return l;
    return "";
}

// The line after the first that holds `text`.
std::string line_after(const std::vector<std::string>& lines, const std::string& text) {
    for (size_t k = 0; k + 1 < lines.size(); ++k)
        if (lines[k].find(text) != std::string::npos) return lines[k + 1];
    return "";
}

std::string line_starting(const std::vector<std::string>& lines, const std::string& text, int skip = 0) {
    for (const auto& l : lines)
        if (l.rfind(text, 0) == 0 && skip-- == 0) return l;
    return "";
}

int count_starting(const std::vector<std::string>& lines, const std::string& text) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(text, 0) == 0;
    return n;
}

int count_with(const std::vector<std::string>& lines, const std::string& text) {
    int n = 0;
    for (const auto& l : lines) n += l.find(text) != std::string::npos;
    return n;
}

std::vector<double> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> v;
    std::string w;
    while (in >> w) {
        try {
            size_t used = 0;
            const double d = std::stod(w, &used);
            if (used == w.size()) v.push_back(d);
        } catch (...) {
        }
    }
    return v;
}

TEST(Compstat, RealSiteMatchesIndependentAnalysis) {
    statfix::load_file("rwl/ca618.rwl");
    Analysis run(1900, 1980);
    const auto lst = run.listing();
    EXPECT_NEAR(run.rbcp, statref::cp_mean, 2e-5);
    EXPECT_NEAR(run.epscp, statref::cp_eps, 2e-5);
    EXPECT_NEAR(run.sdbt, statref::cp_between[2], 2e-5);
    auto all = numbers(line_with(lst, "all series rbar:"));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], statref::cp_n * (statref::cp_n - 1) / 2);
    auto wt = numbers(line_with(lst, "within-trees rbar:"));
    EXPECT_EQ(wt[0], statref::cp_within[0]);
    EXPECT_NEAR(wt[1], statref::cp_within[1], 6e-4);
    auto bt = numbers(line_with(lst, "between-trees rbar:"));
    EXPECT_EQ(bt[0], statref::cp_between[0]);
    EXPECT_NEAR(bt[1], statref::cp_between[1], 6e-4);
    EXPECT_NEAR(numbers(line_with(lst, "ceff:")).back(), statref::cp_ceff, 6e-4);
    EXPECT_NEAR(numbers(line_with(lst, "reff:")).back(), statref::cp_reff, 6e-4);
    EXPECT_NEAR(numbers(line_with(lst, "snr:")).back(), statref::cp_snr, 2e-3);
    EXPECT_EQ(count_with(lst, "frst   last"), 3);  // before series 1, 20 and 40 of 55

    // Principal components: eigenvalues, the first eigenvector, the scores of
    // the first year, the broken-stick count.
    const auto loads = run.file("site_pcloads_raw.txt");
    ASSERT_FALSE(loads.empty());
    const auto ev = numbers(loads[0].substr(11));
    ASSERT_EQ(ev.size(), static_cast<size_t>(statref::cp_n));
    for (int k = 0; k < 10; ++k) EXPECT_NEAR(ev[k], statref::pc_eig[k], 1e-3) << k;
    for (int k = 0; k < statref::cp_n; ++k)
        EXPECT_NEAR(numbers(loads[6 + k].substr(10))[0], statref::pc_vec1[k], 1e-3) << k;
    EXPECT_EQ(numbers(line_with(lst, "broken stick order selected")).back(), statref::pc_nbs);
    const auto stick = line_with(lst, " brokn stck:");
    EXPECT_EQ(std::count(stick.begin(), stick.end(), '*'), statref::pc_nbs);
    const auto scores = run.file("site_pcscores_raw.txt");
    ASSERT_EQ(scores.size(), 82u);
    const auto first = numbers(scores[1]);
    EXPECT_EQ(first[0], 1900);
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(first[1 + k], statref::pc_score_first_year[k], 2e-3) << k;

    // Varimax factors: each matches one factor of the reference rotation.
    const auto vf = run.file("site_vfloads_raw.txt");
    const int nf = statref::pc_nbs;
    ASSERT_EQ(vf.size(), static_cast<size_t>(3 + statref::cp_n));
    const auto frac = numbers(vf[0].substr(11));
    const auto vscores = numbers(run.file("site_vfscores_raw.txt").at(1));
    ASSERT_EQ(frac.size(), static_cast<size_t>(nf));
    for (int j = 0; j < nf; ++j) {
        int best = 0;
        double best_dot = -1;
        for (int f = 0; f < nf; ++f) {
            double dot = 0;
            for (int k = 0; k < statref::cp_n; ++k)
                dot += numbers(vf[3 + k].substr(10))[j] * statref::vf_loads[f * statref::cp_n + k];
            if (dot > best_dot) best_dot = dot, best = f;
        }
        EXPECT_NEAR(frac[j], statref::vf_fraction[best], 0.005) << j;
        for (int k = 0; k < statref::cp_n; ++k)
            EXPECT_NEAR(numbers(vf[3 + k].substr(10))[j], statref::vf_loads[best * statref::cp_n + k], 0.03)
                << j << " " << k;
        EXPECT_NEAR(vscores[1 + j], statref::vf_score_first_year[best], 0.05) << j;
    }
}

TEST(Compstat, SeriesOutsideThePeriodAndTooFewSeries) {
    struct Case {
        std::vector<int> starts;  // each series 1900 + 60 years from here
        const char* message;
    } cases[] = {
        {{1901, 1901}, "*** no series found in common analysis period ***"},
        {{1900, 1901}, "*** only one series found in common analysis period ***"},
        {{1900}, "*** number of series < 2, no common period analysis performed ***"},
    };
    for (const auto& c : cases) {
        std::vector<Series> ser;
        for (size_t k = 0; k < c.starts.size(); ++k)
            ser.push_back({"AB" + std::to_string(k), c.starts[k], noise(60, static_cast<unsigned>(k))});
        statfix::load(ser);
        Analysis run(1900, 1950);
        const auto lst = run.listing();
        EXPECT_NE(line_with(lst, c.message), "") << c.message;
        EXPECT_EQ(line_with(lst, "summary of common period"), "");
        EXPECT_FALSE(run.dir.exists("site_pcloads_raw.txt"));
    }
}

TEST(Compstat, TreesSignalAndSubsampleTables) {
    // 13 series of one common signal: 5 trees of the mask SSSTTCC
    const std::vector<std::string> ids = {"ABC01A", "ABC01B", "ABC01C", "ABC02A", "ABC02B", "ABC03A", "ABC03B",
                                          "ABC04A", "ABC04B", "ABC04C", "ABC05A", "ABC05B", "ABC05C"};
    std::vector<Series> ser;
    for (size_t k = 0; k < ids.size(); ++k) ser.push_back({ids[k], 1900, signal_plus(80, 10 + k, 0.4f)});
    statfix::load(ser);
    Analysis run(1910, 1969);
    const auto lst = run.listing();
    // sss blocks of 12 and 1, sss(N) = 1 and eps(N) = eps
    EXPECT_EQ(count_starting(lst, "  sss:"), 2);
    EXPECT_EQ(count_starting(lst, "  eps:"), 2);
    EXPECT_EQ(numbers(line_starting(lst, "  sss:", 1)), std::vector<double>{1.0});
    const double r = run.rbcp, n = 13;
    EXPECT_NEAR(run.epscp, r / ((1 - r) / n + r), 1e-6);
    EXPECT_NEAR(numbers(line_starting(lst, "  sss:"))[1], 2 * (1 + 12 * r) / (13 * (1 + r)), 6e-4);
    EXPECT_NEAR(numbers(line_starting(lst, "  eps:", 1))[0], run.epscp, 6e-4);
    // trees of 3, 2, 2, 3, 3 cores: 3 + 1 + 1 + 3 + 3 within-tree pairs
    EXPECT_EQ(numbers(line_with(lst, "within-trees rbar:"))[0], 11);
    EXPECT_EQ(numbers(line_with(lst, "between-trees rbar:"))[0], 78 - 11);
    EXPECT_NEAR(numbers(line_with(lst, "ceff:")).back(), 5.0 / (1 / 3.0 * 3 + 1 / 2.0 * 2), 6e-4);
    // the statistics table is left sorted column by column
    auto& st = shared().rawstat;
    for (int k = 1; k < 13; ++k) EXPECT_LE(st(k, 2), st(k + 1, 2));
}

// A series constant over the period has no standard deviation (nor skewness,
// kurtosis, autocorrelation): the summary takes those columns over the two
// other series only. The per-series rows and the summary share the columns:
// mean of the two sds, their minimum and maximum.
TEST(Compstat, SummaryTakesTheDefinedStatisticsOnly) {
    statfix::load({{"ABC01A", 1900, std::vector<float>(60, 1.5f)}, {"ABC02A", 1900, noise(60, 1)},
                   {"ABC03A", 1900, noise(60, 2)}});
    Analysis run(1900, 1959);
    const auto lst = run.listing();
    auto sd_field = [](const std::string& line) { return line.substr(44, 8); };  // stdev, f8.3 from column 45
    const std::string sd1 = sd_field(line_starting(lst, "     1  ")), sd2 = sd_field(line_starting(lst, "     2  ")),
                      sd3 = sd_field(line_starting(lst, "     3  "));
    EXPECT_EQ(sd1, " -99.000");
    const double a = std::stod(sd2), b = std::stod(sd3);
    EXPECT_NEAR(std::stod(sd_field(line_starting(lst, " arithmetic mean"))), (a + b) / 2, 6e-4);
    EXPECT_EQ(sd_field(line_starting(lst, " minimum value")), a < b ? sd2 : sd3);
    EXPECT_EQ(sd_field(line_starting(lst, " maximum value")), a < b ? sd3 : sd2);
}

// The final signal lines of two trees' series whose correlation is -1 (eps
// and sss(2) then have a zero denominator) or a little below 0 (eps rounds to
// zero from below): an undefined value shows as a marker that fits its field,
// a value that rounds to zero shows no minus sign.
// r = -1: snr = 2 r / (1 - r) = -1; sss(1) = (1 + r) / 2 = 0.
// r = -0.0001 (a: 0.5, 1.5 alternating; b: 0.5, 0.5, 1.5, 1.5, ... with its
// first value 0.502): snr = -0.0002, eps = 2 r / (1 + r) = -0.0002,
// sss(1) = (1 + r) / 2 = 0.49995, eps(1) = -0.0001.
TEST(Compstat, FinalLinesShowUndefinedValuesAndZerosThatFit) {
    std::vector<float> a(40), b(40), opposite(40);
    for (int t = 0; t < 40; ++t) {
        a[t] = t % 2 == 0 ? 0.5f : 1.5f;
        opposite[t] = 2.0f - a[t];
        b[t] = (t / 2) % 2 == 0 ? 0.5f : 1.5f;
    }
    b[0] = 0.502f;
    const struct {
        const char* what;
        std::vector<float> second;
        const char* snr;
        const char* eps;
        const char* sss;
        const char* eps_n;
    } cases[] = {
        {"r = -1", opposite, "  -1.000", " -99.000", "  sss:   0.000 -99.0", "  eps:   -99.0 -99.0"},
        {"r just below 0", b, "   0.000", "   0.000", "  sss:   0.500 1.000", "  eps:   0.000 0.000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        statfix::load({{"ABC01A", 1900, a}, {"ABC02A", 1900, c.second}});
        Analysis run(1900, 1939);
        const auto lst = run.listing();
        EXPECT_EQ(line_with(lst, "snr:").substr(55), c.snr);
        EXPECT_EQ(line_with(lst, "eps:").substr(55), c.eps);
        EXPECT_EQ(line_starting(lst, "  sss:"), c.sss);
        EXPECT_EQ(line_starting(lst, "  eps:"), c.eps_n);
    }
}

// Two series in near-perfect agreement: a alternates 0.5 and 1.5, b = a + e c
// with e = 0.005 and c = +1, +1, -1, -1, ... (mean 0, and no covariance with
// a over any four years). Then r = var(a) / sqrt(var(a) (var(a) + e^2))
// = 1 / sqrt(1 + 4 e^2) = 0.99995000, and snr = 2 r / (1 - r) = 40001,
// too wide for its f8.3: it shows with one decimal in its eight columns.
TEST(Compstat, FinalFigureTooWideForItsFieldKeepsItsColumns) {
    std::vector<float> a(40), b(40);
    for (int t = 0; t < 40; ++t) {
        a[t] = t % 2 == 0 ? 0.5f : 1.5f;
        b[t] = a[t] + ((t / 2) % 2 == 0 ? 0.005f : -0.005f);
    }
    statfix::load({{"ABC01A", 1900, a}, {"ABC02A", 1900, b}});
    Analysis run(1900, 1939);
    const auto lst = run.listing();
    const std::string snr = line_with(lst, "snr:");
    ASSERT_EQ(snr.size(), 63u) << snr;
    const std::string field = snr.substr(55);
    EXPECT_EQ(field.find('*'), std::string::npos) << field;
    EXPECT_EQ(field[0], ' ');
    EXPECT_EQ(field[6], '.');  // " 40001.0"
    // float correlations: r to about 1e-7, so 1 - r to a few parts in a thousand
    EXPECT_NEAR(std::stod(field), 40001.0, 200.0);
    EXPECT_EQ(line_with(lst, "eps:").substr(55), "   1.000");
}

TEST(Compstat, OneTreeOrOneCorePerTree) {
    struct Case {
        std::vector<std::string> ids;
        bool within, between;
    } cases[] = {
        {{"ABC01A", "ABC01B", "ABC01C"}, true, false},
        {{"ABC01A", "ABC02A", "ABC03A"}, false, true},
    };
    for (const auto& c : cases) {
        std::vector<Series> ser;
        for (size_t k = 0; k < c.ids.size(); ++k) ser.push_back({c.ids[k], 1900, signal_plus(50, 30 + k, 0.5f)});
        statfix::load(ser);
        Analysis run(1900, 1949);
        const auto lst = run.listing();
        EXPECT_EQ(line_with(lst, "no within-tree series found").empty(), c.within);
        EXPECT_EQ(line_with(lst, "no between-tree series found").empty(), c.between);
        EXPECT_EQ(line_with(lst, "ceff:").empty(), !c.within);
        EXPECT_EQ(line_with(lst, "reff:").empty(), !c.within);
        if (!c.between) {
            EXPECT_EQ(line_with(lst, "between-trees rbar:"), "                 between-trees rbar:       0     0.000    0.000");
        }
    }
}

TEST(Compstat, TreeNumbersWithAGap) {
    // tree 2's cores do not cover the period: trees 1, 3 and 4 remain with 2,
    // 1 and 3 cores
    std::vector<Series> ser;
    const std::vector<std::string> ids = {"AAA01A", "AAA01B", "AAA02A", "AAA03A", "AAA04A", "AAA04B", "AAA04C"};
    for (size_t k = 0; k < ids.size(); ++k)
        ser.push_back({ids[k], k == 2 ? 1920 : 1900, signal_plus(60, 50 + k, 0.5f)});
    statfix::load(ser);
    Analysis run(1910, 1950);
    EXPECT_EQ(shared().sertbl(3, kov::cpa), 0);
    EXPECT_NEAR(numbers(line_with(run.listing(), "ceff:")).back(), 3.0 / (0.5 + 1 + 1 / 3.0), 6e-4);
}

TEST(Pcavmx, TwoSeriesHaveEigenvaluesOnePlusAndMinusR) {
    const auto a = noise(40, 1);
    auto b = noise(40, 2);
    for (int i = 0; i < 40; ++i) b[i] += a[i];
    statfix::load({{"AAA01A", 1900, a}, {"AAA02A", 1900, b}});
    Analysis run(1900, 1939);
    const double r = run.rbcp;
    const auto lst = run.listing();
    const auto ev = numbers(line_with(lst, "eigenvalue:").substr(12));
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_NEAR(ev[0], 1 + r, 6e-4);
    EXPECT_NEAR(ev[1], 1 - r, 6e-4);
    // both loadings of the first vector 1/sqrt(2), positive after the sign fixing
    const auto row = line_after(lst, "series id   eg_#1");
    EXPECT_EQ(row.substr(0, 18), "  AAA01A     0.707");
}

// Closely agreeing series have a first eigenvalue near 1 + (n - 1) rbar, an
// equicorrelated matrix's. After the label's colon it keeps three decimals
// while it fills its six columns ("eigenvalue:11.934"); one of a hundred or
// more would overflow them and takes fewer. A value of ten or more in a later
// field would run into the one before it: it takes fewer decimals, a blank
// before it. So does each standard error.
TEST(Pcavmx, LargeEigenvaluesFillTheirFieldAfterTheLabelOnly) {
    for (const int n : {12, 120}) {
        SCOPED_TRACE(n);
        std::vector<Series> ser;
        for (int k = 0; k < n; ++k) {
            char id[24];
            std::snprintf(id, sizeof id, "E%03d%02dA", k, k % 100);
            ser.push_back({id, 1900, signal_plus(150, 700 + k, 0.05f)});
        }
        statfix::load(ser);
        Analysis run(1900, 2049);  // more years than series: the eigenvalues as they are
        const auto lst = run.listing();
        for (const char* label : {"eigenvalue:", "eval sderr:"}) {
            const std::string line = line_with(lst, label);
            EXPECT_EQ(line.find('*'), std::string::npos) << line;
            const auto v = numbers(line.substr(12));
            ASSERT_EQ(v.size(), 10u) << line;
            // the first figure in columns 13 to 18, as many decimals as fit
            const std::string first = line.substr(12, 6);
            EXPECT_EQ(first, kov::fmt(v[0] < 100 ? "(f6.3)" : "(f6.2)", v[0]).substr(0, 6)) << line;
            if (v[0] >= 10) {
                EXPECT_NE(first[0], ' ') << line;
            }
            for (size_t k = 1; k < v.size(); ++k) EXPECT_EQ(line[18 + 7 * (k - 1)], ' ') << line;
        }
        const auto ev = numbers(line_with(lst, "eigenvalue:").substr(12));
        EXPECT_NEAR(ev[0], 1 + (n - 1) * run.rbcp, 0.01 * n);
        EXPECT_EQ(line_with(lst, "eigenvalue:").substr(18, 7), "  " + kov::fmt("(f5.3)", ev[1]).substr(0, 5));
    }
}

TEST(Pcavmx, NoComponentPassesTheBrokenStick) {
    // independent noise: the first eigenvalue less its error stays below 1/1 + ... + 1/10
    std::vector<Series> ser;
    for (int k = 0; k < 10; ++k) ser.push_back({"N" + std::to_string(100 + k), 1900, noise(60, 500 + k)});
    statfix::load(ser);
    Analysis run(1900, 1959);
    const auto lst = run.listing();
    const auto stick = line_with(lst, " brokn stck:");
    EXPECT_EQ(std::count(stick.begin(), stick.end(), '*'), 0);
    EXPECT_NEAR(numbers(stick.substr(12))[0], 1 + 1 / 2. + 1 / 3. + 1 / 4. + 1 / 5. + 1 / 6. + 1 / 7. + 1 / 8. + 1 / 9. + 1 / 10.,
                6e-4);
    EXPECT_EQ(numbers(line_with(lst, "broken stick order selected")).back(), 1);
    EXPECT_EQ(numbers(run.file("site_vfloads_raw.txt").at(0).substr(11)).size(), 1u);
}

TEST(Pcavmx, ShortPeriodRescalesTheEigenvalues) {
    std::vector<Series> ser;
    for (int k = 0; k < 30; ++k) ser.push_back({"S" + std::to_string(100 + k), 1900, signal_plus(40, 200 + k, 1.0f)});
    statfix::load(ser);
    Analysis run(1910, 1929);
    const auto loads = run.file("site_pcloads_raw.txt");
    ASSERT_GE(loads.size(), 6u);
    const auto ev = numbers(loads[0].substr(11));
    ASSERT_EQ(ev.size(), 20u);
    // m / neig of the kept eigenvalues' mean: their sum is 20 x 20 / 30
    double sum = 0;
    for (double e : ev) sum += e;
    EXPECT_NEAR(sum, 20.0 * 20 / 30, 0.02);
    EXPECT_EQ(numbers(loads[5]).size(), 20u);  // "#" then 1..20
    EXPECT_EQ(numbers(run.file("site_pcscores_raw.txt").at(1)).size(), 21u);
    // broken stick over 20 components: the last is 1/20
    EXPECT_NEAR(numbers(loads[4].substr(11)).back(), 0.05, 6e-4);
}

TEST(Pcavmx, ComponentMenu) {
    std::vector<Series> ser;
    for (int k = 0; k < 12; ++k) ser.push_back({"S" + std::to_string(100 + k), 1900, signal_plus(60, 300 + k, 0.6f)});
    struct Case {
        std::string input;
        int nf;
        int menus, headings;
    } cases[] = {
        // each eigenvalue plot is left with "c" at its own menu first
        {"c\n\n", -1, 1, 1},             // blank: the broken-stick count
        {"c\nx\nr\nc\nk\n", -2, 3, 2},  // another letter: menu again; r: plot and heading again
        {"c\ne\nq\ne\n3\n", 3, 2, 1},  // a letter at the cutoff prompt is a read error
        {"c\nE\n0\n", 0, 1, 1},
        {"c\ne\n99\n", 12, 1, 1},      // no more components than there are
    };
    for (const auto& c : cases) {
        statfix::load(ser);
        Analysis run(1900, 1959, c.input, 3, 2);
        EXPECT_EQ(count_with(kovtest::split_lines(run.console), "Enter your selection :>"), c.menus) << c.input;
        EXPECT_EQ(count_with(kovtest::split_lines(run.console), "Calculation of Significant Eigenvectors"),
                  c.headings);
        EXPECT_NE(run.console.find("  Detrended indices common period principal components."), std::string::npos);
        const auto lst = run.listing();
        const int nf = static_cast<int>(numbers(line_with(lst, "broken stick order selected")).back());
        const auto menu = kovtest::split_lines(run.console);
        if (c.nf == -1) EXPECT_EQ(nf, numbers(line_with(menu, "<B>roken-Stick")).back());
        else if (c.nf == -2) EXPECT_EQ(nf, numbers(line_with(menu, "[K]aiser")).back());
        else EXPECT_EQ(nf, c.nf);
        if (nf == 0) {
            EXPECT_NE(line_with(lst, "zero eigenvalues selected, no varimax rotation performed"), "");
            EXPECT_FALSE(run.dir.exists("site_vfloads_det.txt"));
            EXPECT_FALSE(run.dir.exists("site_vfscores_det.txt"));
        } else {
            EXPECT_EQ(numbers(run.file("site_vfscores_det.txt").at(1)).size(), static_cast<size_t>(nf + 1));
        }
    }
}

TEST(Pcavmx, ManyFactorsListing) {
    // 45 series of weak common signal, all twelve components typed in
    std::vector<Series> ser;
    for (int k = 0; k < 45; ++k) ser.push_back({"S" + std::to_string(100 + k), 1900, signal_plus(100, 400 + k, 3.0f)});
    statfix::load(ser);
    Analysis run(1900, 1999, "c\ne\n12\n", 4, 3);  // "c" leaves the eigenvalue plot
    const auto lst = run.listing();
    EXPECT_EQ(count_with(lst, "% variance:"), 1 + 2);   // components, then the factors on two lines
    EXPECT_EQ(count_with(lst, "cumulative:"), 1 + 2);
    EXPECT_EQ(count_with(lst, "series id   vl_#1"), 3);  // before series 1, 20 and 40
    EXPECT_EQ(numbers(line_after(lst, "series id   vl_#1")).size(), 12u);
    const auto vf = run.file("site_vfloads_res.txt");
    ASSERT_EQ(vf.size(), 48u);
    const auto frac = numbers(vf[0].substr(11)), cum = numbers(vf[1].substr(11));
    ASSERT_EQ(frac.size(), 12u);
    double sum = 0;
    for (int j = 0; j < 12; ++j) EXPECT_NEAR(cum[j], sum += frac[j], 2e-3);
}

TEST(Pcavmx, FileNamesKeepTheWholePrefix) {
    statfix::load({{"AAA01A", 1900, noise(30, 1)}, {"AAA02A", 1900, signal_plus(30, 2, 1.0f)},
                   {"AAA03A", 1900, signal_plus(30, 3, 1.0f)}});
    {
        Analysis run(1900, 1929, "", 2, 0, true, "oak.rwl");
        for (auto name : {"oak.rwl_pcloads_trn.txt", "oak.rwl_pcscores_trn.txt", "oak.rwl_vfloads_trn.txt",
                          "oak.rwl_vfscores_trn.txt"})
            EXPECT_TRUE(run.dir.exists(name)) << name;
    }
    const std::string longname = "a_data_file_with_a_rather_long_name_of_its_own.txt";
    Analysis run(1900, 1929, "", 1, 0, true, longname);
    const std::string prefix = longname.substr(0, longname.size() - 4);
    for (auto suffix : {"_pcloads_raw.txt", "_pcscores_raw.txt", "_vfloads_raw.txt", "_vfscores_raw.txt"})
        EXPECT_TRUE(run.dir.exists(prefix + suffix)) << suffix;
}

}  // namespace

namespace {
#include "chronology/reference/components_reference.inc"
}  // namespace

TEST(Pcavmx, ComponentsFromTheYearsAreThoseOfTheCorrelationMatrix) {
    // 30 series over 10 years, none, one or two of them constant. The
    // correlation matrix, with a constant series' row and column 1 on the
    // diagonal and 0 elsewhere as the analysis enters them, has rank
    // 9 + (constant series). Its decomposition (htdql) and the one of the 10
    // by 10 matrix of the years must give the same ten leading components, and
    // their eigenvalues must be those numpy finds
    // (reference/components_reference.py). A constant series adds the
    // eigenvalue 1 with its unit vector; without one, the tenth component has
    // no variance, and its vector, any unit vector orthogonal to the others,
    // must be one.
    const struct {
        const char* what;
        std::vector<int> constant;
        const std::vector<double>& expected;
    } cases[] = {{"no constant series", {}, eig30_none},
                 {"one constant series", {3}, eig30_one},
                 {"two constant series", {3, 17}, eig30_two}};
    for (const auto& cs : cases) {
        SCOPED_TRACE(cs.what);
        const int y = 10, n = 30;
        std::vector<float> z(static_cast<size_t>(y) * n, 0.0f);
        for (int a = 0; a < n; ++a) {
            if (std::find(cs.constant.begin(), cs.constant.end(), a) != cs.constant.end()) continue;
            const auto v = signal_plus(y, 700 + a, 0.8f);
            float mean = 0, ss = 0;
            for (float x : v) mean += x / y;
            for (float x : v) ss += (x - mean) * (x - mean);
            for (int t = 0; t < y; ++t) z[static_cast<size_t>(a) * y + t] = (v[t] - mean) / std::sqrt(ss / (y - 1));
        }
        std::vector<float> c(static_cast<size_t>(n) * n), d(n), e(n);
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b) {
                double sum = 0;
                for (int t = 0; t < y; ++t) sum += double(z[a * y + t]) * z[b * y + t];
                c[static_cast<size_t>(b) * n + a] = a == b ? 1.0f : static_cast<float>(sum / (y - 1));
            }
        int order = n;
        kov::htdql(order, n, d, e, c);
        ASSERT_EQ(order, n);

        std::vector<float> eig(n, -1.0f), v;
        ASSERT_TRUE(kov::components_from_years(z, y, y, n, eig, v));
        ASSERT_EQ(v.size(), static_cast<size_t>(n) * y);
        auto vec = [&](int k, int a) { return static_cast<double>(v[static_cast<size_t>(k) * n + a]); };
        const int with_variance = 9 + static_cast<int>(cs.constant.size());
        for (int k = 0; k < n; ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(eig[k], cs.expected[k], 2e-5 * cs.expected[0]);
            if (k < y) {
                EXPECT_NEAR(eig[k], d[k], 2e-5 * d[0]);
            }
        }
        for (int k = 0; k < std::min(with_variance, y); ++k) {
            SCOPED_TRACE(k);
            if (cs.constant.size() == 2 && std::fabs(eig[k] - 1.0f) < 1e-6f) {
                // the eigenvalue 1 twice: any unit vector of the two constant
                // series' plane
                double in_plane = 0;
                for (int a : cs.constant) in_plane += vec(k, a) * vec(k, a);
                EXPECT_NEAR(in_plane, 1.0, 1e-6);
                continue;
            }
            double dot = 0;
            for (int a = 0; a < n; ++a) dot += vec(k, a) * c[static_cast<size_t>(k) * n + a];
            EXPECT_NEAR(std::fabs(dot), 1.0, 1e-4);  // the same unit vector, up to its sign
        }
        for (int j = 0; j < y; ++j)
            for (int k = 0; k <= j; ++k) {
                double dot = 0;
                for (int a = 0; a < n; ++a) dot += vec(k, a) * vec(j, a);
                EXPECT_NEAR(dot, j == k ? 1.0 : 0.0, 1e-6) << k << " " << j;
            }
        for (int k = with_variance; k < y; ++k) {
            EXPECT_EQ(eig[k], 0.0f);
            for (int t = 0; t < y; ++t) {  // a direction without variance: no score in any year
                double score = 0;
                for (int a = 0; a < n; ++a) score += z[a * y + t] * vec(k, a);
                EXPECT_NEAR(score, 0.0, 1e-5) << t;
            }
        }
    }
}

TEST(Pcavmx, ManySeriesInAShortPeriodTakeTheComponentsFromTheYears) {
    // 510 series over a 12-year period: past 500 series the analysis takes
    // the route through the years, and the listing and files must show the
    // eigenvalues of the correlation matrix, rescaled to the 12 components.
    std::vector<Series> ser;
    for (int k = 0; k < 510; ++k) {
        char id[24];
        std::snprintf(id, sizeof id, "M%03d%02dA", k / 2, k % 100);
        ser.push_back({id, 1900, signal_plus(30, 900 + k, 0.7f)});
    }
    statfix::load(ser);
    const int n = 510, y = 12;
    std::vector<float> c(static_cast<size_t>(n) * n), d(n), e(n);
    auto& s = shared();
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= n; ++b) {
            float r = 1, ia, sl;
            if (a != b)
                kov::corlin(std::span<const float>(s.sermat.rows(a, 11, 22), y),
                            std::span<const float>(s.sermat.rows(b, 11, 22), y), y, r, ia, sl);
            c[static_cast<size_t>(b - 1) * n + (a - 1)] = r;
        }
    int order = n;
    kov::htdql(order, n, d, e, c);
    double kept = 0;
    for (int k = 0; k < y; ++k) kept += d[k];

    Analysis run(1910, 1921);
    const auto ev = numbers(line_with(run.listing(), "eigenvalue:").substr(12));
    ASSERT_EQ(ev.size(), 10u);
    for (int k = 0; k < 10; ++k) EXPECT_NEAR(ev[k], d[k] / (kept / y) * y / n, 1.5e-3) << k;
    const auto loads = run.file("site_pcloads_raw.txt");
    ASSERT_EQ(loads.size(), 6u + n);
    const auto all = numbers(loads[0].substr(11));
    ASSERT_EQ(all.size(), static_cast<size_t>(y));
    EXPECT_EQ(all.back(), 0.0);  // the twelfth has no variance
    EXPECT_EQ(run.file("site_pcscores_raw.txt").size(), 1u + y);
    EXPECT_FALSE(run.file("site_vfscores_raw.txt").empty());
}

TEST(Pcavmx, AConstantSeriesAmongManyKeepsItsEigenvalueOfOne) {
    // 600 series over the 12 years 1910-1921, series 251 constant there: the
    // route through the years must give the eigenvalues of the correlation
    // matrix that numpy finds (reference/components_reference.py): eleven
    // with variance, then the constant series' 1 with its unit vector, which
    // the analysis lists as component 12 and scores 0 in every year.
    const int n = 600, y = 12, constant = 250;
    std::vector<Series> ser;
    std::vector<float> z(static_cast<size_t>(y) * n, 0.0f);
    for (int k = 0; k < n; ++k) {
        char id[24];
        std::snprintf(id, sizeof id, "M%03d%02dA", k / 2, k % 100);
        auto v = signal_plus(30, 900 + k, 0.7f);
        if (k == constant) v.assign(30, 1.0f);
        ser.push_back({id, 1900, v});
        if (k == constant) continue;
        float mean = 0, ss = 0;
        for (int t = 10; t < 22; ++t) mean += v[t] / y;
        for (int t = 10; t < 22; ++t) ss += (v[t] - mean) * (v[t] - mean);
        for (int t = 0; t < y; ++t) z[static_cast<size_t>(k) * y + t] = (v[10 + t] - mean) / std::sqrt(ss / (y - 1));
    }
    std::vector<float> eig(n, -1.0f), v;
    ASSERT_TRUE(kov::components_from_years(z, y, y, n, eig, v));
    for (int k = 0; k < 13; ++k) EXPECT_NEAR(eig[k], eig600_one[k], 2e-5 * eig600_one[0]) << k;
    EXPECT_EQ(eig[11], 1.0f);
    EXPECT_EQ(v[static_cast<size_t>(11) * n + constant], 1.0f);

    statfix::load(ser);
    Analysis run(1910, 1921);
    // the eigenvalues rescaled to the 12 components: d(k) / (S / 12) * 12 / 600,
    // S the sum of the first twelve
    double kept = 0;
    for (int k = 0; k < y; ++k) kept += eig600_one[k];
    const auto loads = run.file("site_pcloads_raw.txt");
    ASSERT_EQ(loads.size(), 6u + n);
    const auto listed = numbers(loads[0].substr(11));
    ASSERT_EQ(listed.size(), static_cast<size_t>(y));
    for (int k = 0; k < y; ++k) EXPECT_NEAR(listed[k], eig600_one[k] / (kept / y) * y / n, 6e-4) << k;
    for (int a = 0; a < n; ++a) {
        const auto row = numbers(loads[6 + a].substr(10));
        ASSERT_EQ(row.size(), static_cast<size_t>(y)) << a;
        EXPECT_EQ(row[11], a == constant ? 1.0 : 0.0) << a;
        if (a == constant) {
            for (int k = 0; k < 11; ++k) EXPECT_EQ(row[k], 0.0) << k;
        }
    }
    const auto scores = run.file("site_pcscores_raw.txt");
    ASSERT_EQ(scores.size(), 1u + y);
    for (int t = 1; t <= y; ++t) EXPECT_EQ(numbers(scores[t]).back(), 0.0) << scores[t];
}
