#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "chronology/spectra.hpp"
#include "shared/files.hpp"
#include "support/test_support.hpp"

using namespace kov;
using kovtest::InDir;
using kovtest::TempDir;

namespace {
struct SpectrumCase {
    const char* name;
    std::vector<float> x;
    double mean, var;
    std::vector<double> acv, freq, pw;
};

// Computed once by reference/spectra_reference.py (numpy, double precision).
const std::vector<SpectrumCase> cases = {
#include "chronology/reference/spectra_reference.inc"
};

const SpectrumCase& find_case(const std::string& name) {
    return *std::find_if(cases.begin(), cases.end(), [&](const SpectrumCase& c) { return name == c.name; });
}

struct Spectrum {
    std::vector<float> x, acv, freq, pw;
    std::array<float, 2> wk{};
    int ier = -1;  // btspec leaves it alone on success
};

Spectrum run_btspec(std::vector<float> x, int m, float dt = 1.0f) {
    Spectrum s;
    const int n = static_cast<int>(x.size());
    s.x = std::move(x);
    s.acv.assign(std::max(m, 1), 0.0f);
    s.freq.assign(m + 1 > 0 ? m + 1 : 1, -7.0f);
    s.pw.assign(m + 1 > 0 ? m + 1 : 1, -7.0f);
    btspec(s.x, {0, n, 1, m, 0, 0}, {dt, 0.0f}, s.wk, s.acv, s.freq, s.pw, s.ier);
    return s;
}
}  // namespace

TEST(Btspec, MatchesIndependentSpectrum) {
    for (const SpectrumCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.x.size());
        const int m = n / 3;
        Spectrum s = run_btspec(c.x, m);
        EXPECT_EQ(s.ier, -1);
        EXPECT_NEAR(s.wk[0], c.mean, 1e-6 * std::abs(c.mean));
        EXPECT_NEAR(s.wk[1], c.var, 1e-5 * c.var);
        for (int t = 0; t < n; ++t) EXPECT_NEAR(s.x[t], c.x[t] - c.mean, 1e-6) << "centred value " << t + 1;
        ASSERT_EQ(c.acv.size(), static_cast<size_t>(m));
        for (int k = 0; k < m; ++k) EXPECT_NEAR(s.acv[k], c.acv[k], 1e-5 * c.var) << "lag " << k + 1;
        // The cosine arguments are single precision: up to pi m radians, so
        // allow a few parts in 1e5 of the largest power.
        const double top = *std::max_element(c.pw.begin(), c.pw.end());
        for (int j = 0; j <= m; ++j) {
            EXPECT_NEAR(s.freq[j], c.freq[j], 1e-7) << "frequency " << j + 1;
            EXPECT_NEAR(s.pw[j], c.pw[j], 3e-5 * top) << "power " << j + 1;
        }
    }
}

TEST(Btspec, TenYearCyclePeaksAtOneTenthCyclePerYear) {
    Spectrum s = run_btspec(find_case("cycle_10").x, 40);
    const auto top = std::max_element(s.pw.begin(), s.pw.end()) - s.pw.begin();
    EXPECT_FLOAT_EQ(s.freq[top], 0.1f);
}

TEST(Btspec, SamplingIntervalScalesTheFrequencies) {
    // two years between values: frequencies up to 0.25 cycles per year
    Spectrum s = run_btspec(find_case("ten_years").x, 3, 2.0f);
    EXPECT_EQ(s.ier, -1);
    EXPECT_FLOAT_EQ(s.freq[3], 0.25f);
    EXPECT_FLOAT_EQ(s.freq[1], 1.0f / 12.0f);
}

TEST(Btspec, InvalidLengthsAndIntervalComputeNothing) {
    struct Bad {
        int n, m;
        float dt;
        int ier;
    };
    const Bad bad[] = {
        {3, 3, 1.0f, 129},   // fewer than 4 values
        {8, 2, 1.0f, 129},   // fewer than 3 lags
        {10, 10, 1.0f, 129}, // as many lags as values
        {10, 3, 0.0f, 130},  // no sampling interval
        {10, 3, -1.0f, 130},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(testing::Message() << "n " << b.n << " m " << b.m << " dt " << b.dt);
        std::vector<float> x(b.n);
        for (int t = 0; t < b.n; ++t) x[t] = 1.0f + 0.1f * static_cast<float>(t % 3);
        const std::vector<float> before = x;
        Spectrum s = run_btspec(x, b.m, b.dt);
        EXPECT_EQ(s.ier, b.ier);
        EXPECT_EQ(s.x, before);
        EXPECT_EQ(s.pw[0], -7.0f);
    }
}

TEST(Btspec, ConstantSeriesHasNoPower) {
    // A residual column that was never filled holds xmiss in every year.
    Spectrum s = run_btspec(std::vector<float>(30, -9.99f), 10);
    EXPECT_EQ(s.wk[1], 0.0f);
    for (float p : s.pw) EXPECT_EQ(p, 0.0f);
}

TEST(Spectr, FileNameFollowsTheDataFileName) {
    const std::pair<const char*, const char*> names[] = {
        {"oak.txt", "oak_spectra.txt"},
        {"oak.rwl", "oak.rwl_spectra.txt"},
        {"my oak.txt", "myoak_spectra.txt"},
        {"oak.txt      ", "oak_spectra.txt"},
        {"oak.TXT", "oak.TXT_spectra.txt"},
        {"a b c.rwl   ", "abc.rwl_spectra.txt"},
    };
    for (const auto& [datfil, expected] : names) EXPECT_EQ(spectra_file_name(datfil), expected) << datfil;
}

namespace {
std::vector<std::string> lines_of(const std::string& text) { return kovtest::split_lines(text); }

// crnmat with the standard chronology in column 5; columns 6 and 7 as AR
// modelling off leaves them.
Table<float> chronologies(const std::vector<float>& std_crn) {
    Table<float> crn(mxy, 16, 0.0f);
    for (size_t i = 0; i < std_crn.size(); ++i) {
        crn(static_cast<int>(i) + 1, 5) = std_crn[i];
        crn(static_cast<int>(i) + 1, 6) = xmiss;
        crn(static_cast<int>(i) + 1, 7) = xmiss;
    }
    return crn;
}
}  // namespace

TEST(Spectr, WritesOneLinePerFrequencyWithTheThreeSpectra) {
    TempDir dir;
    InDir here(dir.path());
    const SpectrumCase& c = find_case("red_noise_300");
    Table<float> crn = chronologies(c.x);
    OutFile unit;
    spectr(crn, 300, 3, 5, 0, "site 7.txt", unit);
    EXPECT_FALSE(unit.is_open());
    const auto lines = lines_of(dir.read("site7_spectra.txt"));
    ASSERT_EQ(lines.size(), 102u);  // header and m + 1 = 101 frequencies
    EXPECT_EQ(lines[0], " FREQUENCY   POWER_STD_CRN   POWER_RES_CRN   POWER_KOV_CRN");
    const double top = *std::max_element(c.pw.begin(), c.pw.end());
    for (int k = 0; k <= 100; ++k) {
        const std::string& line = lines[k + 1];
        ASSERT_EQ(line.size(), 9u + 14u + 16u + 16u) << line;
        char freq[16];
        std::snprintf(freq, sizeof freq, "%9.5f", k / 200.0);
        EXPECT_EQ(line.substr(0, 9), freq) << line;
        EXPECT_NEAR(std::stod(line.substr(9, 14)), c.pw[k], 3e-5 * top + 5e-6) << line;
        // without AR modelling the residual and kovrin spectra are flat zero
        EXPECT_EQ(line.substr(23), "         0.00000         0.00000") << line;
    }
    EXPECT_EQ(lines[101].substr(0, 9), "  0.50000");
}

TEST(Spectr, TenYearsGiveFourFrequencies) {
    TempDir dir;
    InDir here(dir.path());
    Table<float> crn = chronologies(find_case("ten_years").x);
    OutFile unit;
    kovtest::ScriptedConsole con("c\n");  // the spectra plot's menu
    spectr(crn, 10, 3, 5, 2, "oak.txt", unit);
    const auto lines = lines_of(dir.read("oak_spectra.txt"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1].substr(0, 9), "  0.00000");
    EXPECT_EQ(lines[2].substr(0, 9), "  0.16667");
    EXPECT_EQ(lines[3].substr(0, 9), "  0.33333");
    EXPECT_EQ(lines[4].substr(0, 9), "  0.50000");
}

TEST(Spectr, ShortChronologyLeavesOnlyTheHeader) {
    TempDir dir;
    InDir here(dir.path());
    OutFile unit;
    // a full spectrum first, so that rows of an earlier data file could linger
    Table<float> crn = chronologies(find_case("ring_widths_47").x);
    spectr(crn, 47, 3, 5, 0, "oak.txt", unit);
    ASSERT_EQ(lines_of(dir.read("oak_spectra.txt")).size(), 17u);
    spectr(crn, 8, 3, 5, 0, "oak.txt", unit);
    const auto lines = lines_of(dir.read("oak_spectra.txt"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], " FREQUENCY   POWER_STD_CRN   POWER_RES_CRN   POWER_KOV_CRN");
}

TEST(Spectr, PlotComesFirstAndKnowsWhetherEveryPowerIsPositive) {
    struct Case {
        const char* name;
        const char* crn6;  // the residual and kovrin columns hold this case, or xmiss when null
        int iplot;
        bool plotted;
        int logok;
    };
    const Case cases[] = {
        {"three positive spectra", "red_noise_300", 2, true, 1},
        {"summary plots 3", "red_noise_300", 3, true, 1},
        {"no AR modelling: flat residual spectra", nullptr, 3, true, 0},
        {"a negative smoothed power", "cycle_10", 2, true, 0},
        {"summary plots 1", "red_noise_300", 1, false, 0},
        {"no summary plots", "red_noise_300", 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        InDir here(dir.path());
        const SpectrumCase& std_case = find_case("red_noise_300");
        Table<float> crn = chronologies(std_case.x);
        if (c.crn6) {
            const std::vector<float>& other = find_case(c.crn6).x;
            for (int i = 1; i <= 300; ++i) {
                crn(i, 6) = other[(i - 1) % other.size()];
                crn(i, 7) = std_case.x[i - 1];
            }
        }
        int calls = 0, logok = -1, nf = 0;
        std::string file_at_plot;
        std::vector<float> freq, power;
        OutFile unit;
        spectr(crn, 300, 3, 5, c.iplot, "oak.txt", unit,
               [&](int ldp, int, int ncol, int rows, const float* pp, int ok, std::string_view l1, std::string_view l2,
                   std::string_view l3) {
                   ++calls;
                   EXPECT_EQ(ldp, 1668);
                   EXPECT_EQ(ncol, 4);
                   EXPECT_EQ(std::string(l1) + std::string(l2) + std::string(l3), "STDRESKOV");
                   nf = rows;
                   logok = ok;
                   freq.assign(pp, pp + rows);
                   power.assign(pp + ldp, pp + ldp + rows);
                   file_at_plot = dir.read("oak_spectra.txt");
               });
        EXPECT_EQ(calls, c.plotted ? 1 : 0);
        if (!c.plotted) continue;
        EXPECT_EQ(logok, c.logok);
        EXPECT_EQ(nf, 101);
        EXPECT_FLOAT_EQ(freq[100], 0.5f);
        EXPECT_NEAR(power[3], std_case.pw[3], 1e-4 * std_case.pw[3]);
        EXPECT_EQ(file_at_plot, "");  // the file is written after the plot
    }
}
