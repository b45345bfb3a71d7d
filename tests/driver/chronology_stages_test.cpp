// The raw and standard chronology steps over a small series matrix: the
// chronology and error files, the run-wide files, the confidence-limit file
// and the spline dialogue.
#include "driver/chronology_stages.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "driver_test_support.hpp"
#include "numerics/reference_cases.hpp"
#include "shared/files.hpp"
#include "shared/generic_files.hpp"
#include "shared/layout.hpp"
#include <algorithm>
#include "shared/tables.hpp"

namespace {

using kovtest::contains_line;
using kovtest::split_lines;

// Two series of ring widths in the span 1901-1906: A 1901-1905 0.1 .. 0.5,
// B 1902-1904 0.3 .. 0.5; 1906 has no series (the first decade line carries
// the first year and starts with an empty slot). Arithmetic means:
// 1901 0.10 (1 series), 1902 0.25, 1903 0.35, 1904 0.45 (2 series, standard
// error sd / sqrt 2 = 0.05), 1905 0.50 (1), 1906 0.
class ChronologyScene : public kovtest::DriverScene {
public:
    explicit ChronologyScene(const std::string& datfil = "abcdefg.txt") {
        auto& s = kov::shared();
        s.datfil = datfil;
        s.sermat.clear();
        s.nc = 2;
        const float a[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, b[] = {0.3f, 0.4f, 0.5f};
        for (int i = 0; i < 5; ++i) s.sermat(1 + i, 1) = a[i];
        for (int i = 0; i < 3; ++i) s.sermat(2 + i, 2) = b[i];
        set_series(1, 1901, 1905);
        set_series(2, 1902, 1904);
        set_series(3, 1901, 1906);
        s.ifyc = 1901;
        s.nyc = 6;
        s.rawmax = 0.3f;
        s.rbmean = 0.0f;
        s.wmode = "iw";
        s.optval = kov::OptionBlock{};
        s.optval(12, 1) = 1;
        s.optval(12, 4) = 20;
        s.optval(17, 1) = 1;
        s.hdrsave = {padded("site one"), padded("line two"), padded("line three")};
        for (auto& h : s.hdrsave) h.replace(82, 3, "xyz");
        s.bootlo.assign(kov::mxy, 0.0f);
        s.boothi.assign(kov::mxy, 0.0f);
        kov::optsnap() = s.optval;
        kovtest::open_chronology_streams("abcdefg");
    }
    static std::string padded(std::string t) {
        t.resize(85, ' ');
        return t;
    }
    // Every stream closed, the file's lines.
    std::vector<std::string> file(const std::string& name) {
        kov::streams().close_all();
        return split_lines(dir().read(name));
    }
    void options(int k, int j, int v) {
        kov::shared().optval(k, j) = v;
        kov::optsnap()(k, j) = v;
    }

private:
    static void set_series(int row, int first, int last) {
        kov::shared().sertbl(row, kov::ify) = first;
        kov::shared().sertbl(row, kov::ily) = last;
        kov::shared().sertbl(row, kov::ics) = 1;
    }
};

const std::string empty7 = "9990  0";

TEST(RawChronologyStep, ChronologyAndErrorsInTucsonIndexLines) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    kov::shared().last_output_name = "abcdefg_errs.txt";
    kov::raw_chronology_stage();
    const std::string tail = empty7 + empty7 + empty7 + empty7;
    const std::string crn_line = "abcdef1901" + empty7 + " 100  1 250  2 350  2 450  2 500  1   0  0" + tail.substr(7) + "  raw";
    const std::string err_line = "abcdef1901" + empty7 + "   0  1  50  2  50  2  50  2   0  1   0  0" + tail.substr(7) + "  err";
    for (const std::string name : {"abcdefg_crns.txt", "crns_raw.txt"}) {
        SCOPED_TRACE(name);
        const auto lines = sc.file(name);
        ASSERT_EQ(lines.size(), 4u);
        // the header lines with their columns 83 to 85 blanked
        EXPECT_EQ(lines[0], ChronologyScene::padded("site one"));
        EXPECT_EQ(lines[2], ChronologyScene::padded("line three"));
        EXPECT_EQ(lines[3], crn_line);
    }
    for (const std::string name : {"abcdefg_errs.txt", "crns_raw_err.txt"}) {
        SCOPED_TRACE(name);
        const auto lines = sc.file(name);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[3], err_line);
    }
    auto& s = kov::shared();
    EXPECT_EQ(s.dtitle.substr(77), " raw crn");
    EXPECT_EQ(s.crnid, "abcdef  ");
    EXPECT_EQ(s.dtype, "n ");
    EXPECT_FLOAT_EQ(s.crnmat(3, 1), 2.0f);
    EXPECT_FLOAT_EQ(s.crvmean[4], 0.5f);
    EXPECT_FALSE(kovtest::TempDir().exists("abcdefg_raw_95%cl.txt"));
    const auto out = sc.file("abcdefg_out.txt");
    EXPECT_TRUE(contains_line(out, " |======================== raw data chronology statistics ======================|"));
}

TEST(RawChronologyStep, CruModeWritesNoHeaderLinesAndTransformedSeriesAreTaggedTrn) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    kov::shared().wmode = "cr";
    sc.options(3, 1, 1);
    kov::shared().last_output_name = "ab_trn.txt";  // a short name lends the suffix's characters
    kov::raw_chronology_stage();
    const auto lines = sc.file("abcdefg_crns.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "ab_trn19011906");
    EXPECT_EQ(lines[1].substr(0, 10), "ab_trn1901");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 5), "  trn");
}

TEST(RawChronologyStep, ConfidenceFileWithoutPlotAsksNothing) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    sc.options(12, 3, 1);
    kov::raw_chronology_stage();
    auto& s = kov::shared();
    // fewer than six series everywhere: no year has limits of its own, each
    // shows its value as both, and the span with limits is empty
    EXPECT_EQ(s.first_limit_year, 1907);
    EXPECT_EQ(s.nspan, 0);
    const auto lines = sc.file("abcdefg_raw_95%cl.txt");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "  year    nc     raw    2.5%   97.5%   20spl    2.5%   97.5%");
    EXPECT_EQ(lines[2].substr(0, 36), "  1902     2   0.250   0.250   0.250");
    // the year without series shows its value as both limits and the splined
    // chronology as both splined limits
    const std::string last = lines[6];
    EXPECT_EQ(last.substr(0, 36), "  1906     0   0.000   0.000   0.000");
    EXPECT_EQ(last.substr(36, 8), last.substr(44, 8));
    EXPECT_EQ(last.substr(36, 8), last.substr(52, 8));
    EXPECT_EQ(con.output().find("change the spline?"), std::string::npos);
}

TEST(RawChronologyStep, SplineDialogueAsksAgainUntilAUsablePeriod) {
    ChronologyScene sc;
    // the plot's menu (continue), an unknown answer, then y; 4 is too short, 30
    // is taken; the plot again; then n
    kovtest::ScriptedConsole con("c\nx\ny\n4\n30\nc\nn\n");
    sc.options(12, 3, 1);
    sc.options(12, 2, 1);
    kov::raw_chronology_stage();
    const std::string text = con.output();
    EXPECT_EQ(kovtest::count(text, " change the spline? y/<n>"), 3);
    EXPECT_NE(text.find("\n --> spline cutoff must be .ge. 5 years\n"), std::string::npos);
    EXPECT_EQ(kov::shared().optval(12, 4), 30);
    const auto lines = sc.file("abcdefg_raw_95%cl.txt");
    EXPECT_EQ(lines[0], "  year    nc     raw    2.5%   97.5%   30spl    2.5%   97.5%");
}

TEST(StandardChronologyStep, EmptyYearsAreOneAndTheStabilisedMarkIsLonger) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    kov::shared().crnid = "abcdef  ";
    sc.options(13, 1, 1);
    kov::standard_chronology_stage();
    auto& s = kov::shared();
    EXPECT_FLOAT_EQ(s.crnmat(6, 5), 1.0f);
    EXPECT_FLOAT_EQ(s.crvmean[5], 1.0f);
    EXPECT_EQ(s.dtitle.substr(72), " stab std crn");
    const auto lines = sc.file("crns_std.txt");
    ASSERT_EQ(lines.size(), 4u);
    // rbar-weighted with rbar 0: deviations from 0.33 times sqrt(depth), i.e.
    // -0.23, -0.113137, 0.028284, 0.169706, 0.17, brought back to the mean 0.33
    // and standard deviation 0.160468 of the chronology: (y - 0.004971) /
    // 0.176052 * 0.160468 + 0.33 = 0.1158, 0.2223, 0.3513, 0.4802, 0.4804.
    EXPECT_EQ(lines[3].substr(0, 10 + 7 * 7), "abcdef1901" + empty7 + " 116  1 222  2 351  2 480  2 480  11000  0");
    EXPECT_EQ(lines[3].substr(lines[3].size() - 5), "  std");
}

TEST(StandardChronologyStep, LimitsMoveWithTheStabilisedChronology) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    kov::shared().crnid = "abcdef  ";
    sc.options(13, 1, 1);
    sc.options(12, 3, 1);
    kov::shared().nspan = 5;  // as the raw chronology left them
    kov::shared().first_limit_year = 1901;
    kov::standard_chronology_stage();
    // below six series the limits are the year's mean as built, moved by the
    // stabilisation to the stabilised value (see the case above)
    const auto cl = sc.file("abcdefg_std_95%cl.txt");
    ASSERT_EQ(cl.size(), 7u);
    EXPECT_EQ(cl[0], "  year    nc     std    2.5%   97.5%   20spl    2.5%   97.5%");
    EXPECT_EQ(cl[1].substr(0, 36), "  1901     1   0.116   0.116   0.116");
    EXPECT_EQ(cl[4].substr(0, 36), "  1904     2   0.480   0.480   0.480");
    EXPECT_EQ(cl[6].substr(0, 36), "  1906     0   1.000   1.000   1.000");
}

// A year inside the span that no series covers (1906, between a series of
// 1901-1905 and one of 1907-1910). With fewer than six series in every year
// each limit is the year's mean, and the empty year's limits are the
// chronology's own empty value (0 raw, 1 for indices): chronology and limits
// are then the same values, so their splines must agree in every year. A
// limit of 0 in the index chronology would pull the splined band down around
// the empty year while the chronology stands at 1.
TEST(ConfidenceLimitStep, AYearWithoutSeriesTakesTheEmptyValueAsItsLimits) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    auto& s = kov::shared();
    s.sermat.clear();
    s.nc = 2;
    const float a[] = {0.9f, 1.1f, 1.3f, 0.8f, 1.2f}, b[] = {1.4f, 0.7f, 1.0f, 1.2f};
    for (int i = 0; i < 5; ++i) s.sermat(1 + i, 1) = a[i];
    for (int i = 0; i < 4; ++i) s.sermat(7 + i, 2) = b[i];
    s.sertbl(1, kov::ify) = 1901;
    s.sertbl(1, kov::ily) = 1905;
    s.sertbl(2, kov::ify) = 1907;
    s.sertbl(2, kov::ily) = 1910;
    s.sertbl(3, kov::ify) = 1901;
    s.sertbl(3, kov::ily) = 1910;
    s.nyc = 10;
    sc.options(12, 3, 1);
    sc.options(13, 1, 0);
    kov::raw_chronology_stage();
    kov::standard_chronology_stage();
    const struct {
        const char* file;
        const char* empty_year;
    } cases[] = {{"abcdefg_raw_95%cl.txt", "  1906     0   0.000   0.000   0.000"},
                 {"abcdefg_std_95%cl.txt", "  1906     0   1.000   1.000   1.000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto cl = sc.file(c.file);
        ASSERT_EQ(cl.size(), 11u);
        EXPECT_EQ(cl[6].substr(0, 36), c.empty_year);
        for (size_t i = 1; i < cl.size(); ++i) {
            SCOPED_TRACE(cl[i]);
            EXPECT_EQ(cl[i].substr(20, 8), cl[i].substr(12, 8));  // lower limit = chronology
            EXPECT_EQ(cl[i].substr(28, 8), cl[i].substr(12, 8));  // upper limit
            EXPECT_EQ(cl[i].substr(44, 8), cl[i].substr(36, 8));  // splined lower limit = splined chronology
            EXPECT_EQ(cl[i].substr(52, 8), cl[i].substr(36, 8));  // splined upper limit
        }
    }
}

TEST(StandardChronologyStep, AdaptivePowerChangesOnlyTheWrittenChronology) {
    ChronologyScene sc;
    kovtest::ScriptedConsole con("");
    kov::shared().crnid = "abcdef  ";
    sc.options(3, 1, 4);
    sc.options(12, 3, 1);
    kov::shared().nspan = 5;
    kov::shared().first_limit_year = 1901;
    kov::standard_chronology_stage();
    const auto out = sc.file("abcdefg_out.txt");
    EXPECT_TRUE(contains_line(out, " |-------------------- final adjusted chronology statistics --------------------|"));
    bool row = false;
    for (const auto& l : out) row |= l.rfind("   1901    1906       6 ", 0) == 0 && l.size() == 78;
    EXPECT_TRUE(row);
    const auto cl = sc.file("abcdefg_std_95%cl.txt");
    const auto crn = sc.file("abcdefg_crns.txt");
    ASSERT_EQ(crn.size(), 4u);
    // the file keeps the chronology as built (0.100 in 1901, see the raw case),
    // the chronology file the adjusted one; the empty year stays 1.0
    EXPECT_EQ(cl[1].substr(0, 20), "  1901     1   0.100");
    EXPECT_NE(crn[3].substr(17, 7), " 100  1");
    EXPECT_EQ(crn[3].substr(52, 7), "1000  0");
}

}  // namespace

namespace {

// A batch run of the real files `names` (tests/data/rwl) in `d`, each under
// the default commands with the lines of `replaced`.
kovtest::RunResult run_real_files(kovtest::TempDir& d, const std::vector<std::string>& names,
                                  const std::map<size_t, std::string>& replaced) {
    std::string list;
    for (const std::string& name : names) {
        d.write(name + ".txt", kovtest::read_file(kovtest::test_data("rwl/" + name + ".rwl")));
        d.write(name + "_log.txt", kovtest::default_commands(name + ".txt", replaced));
        list += name + ".txt\n";
    }
    d.write("list.txt", list);
    return kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
}

TEST(RawChronologyRun, TwoDataFilesFillTheRunWideFilesInListOrder) {
    // An arithmetic mean chronology with bootstrap limits and a 30-year
    // spline of the limits; no detrending: each data file's chronology file
    // then holds the raw chronology alone (and the age-dependent spline of
    // the defaults goes below zero on a series of ak046, which would stop to
    // ask what to do).
    kovtest::TempDir d;
    const auto r = run_real_files(d, {"wa129", "ak046"},
                                  {{4, "0      0     0     !1st-no detrending performed"},
                                   {12, "1   1   30   0      !mean chronology"}});
    ASSERT_EQ(r.status, 0) << r.out;

    // each file's chronology after its three header lines, in list order; a
    // five-character prefix lends the "_" of the suffix to the identifier
    // (the raw chronology is the first of those the file's own chronology file holds)
    auto raw_block = [&](const std::string& name) {
        const auto lines = split_lines(d.read(name));
        std::vector<std::string> block(lines.begin(), lines.begin() + std::min<size_t>(3, lines.size()));
        for (size_t i = 3; i < lines.size() && lines[i].size() > 3 && lines[i].substr(lines[i].size() - 3) == "raw"; ++i)
            block.push_back(lines[i]);
        return block;
    };
    const auto all = split_lines(d.read("crns_raw.txt"));
    const auto first = raw_block("wa129_crns.txt");
    const auto second = raw_block("ak046_crns.txt");
    ASSERT_GT(first.size(), 3u);
    ASSERT_EQ(all.size(), first.size() + second.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), all.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), all.begin() + first.size()));
    EXPECT_EQ(first[3].substr(0, 10), "wa129_ 991");
    EXPECT_EQ(second[3].substr(0, 10), "ak046_ 978");
    EXPECT_EQ(split_lines(d.read("crns_raw_err.txt")).size(), all.size());

    // wa129 spans 991-1986: a heading and one line per year
    const auto cl = split_lines(d.read("wa129_raw_95%cl.txt"));
    ASSERT_EQ(cl.size(), 997u);
    EXPECT_EQ(cl[0], "  year    nc     raw    2.5%   97.5%   30spl    2.5%   97.5%");
    EXPECT_EQ(cl[1].substr(0, 36), "   991     1   0.810   0.810   0.810");  // one series: the mean
    int bracketed = 0, deep = 0;
    for (size_t i = 1; i < cl.size(); ++i) {
        const auto v = kov::read_values("(2i6,6f8.3)", cl[i]);
        if (v[1].i < 6) continue;
        ++deep;
        bracketed += v[3].r < v[2].r && v[2].r < v[4].r;
    }
    EXPECT_GT(deep, 500);
    EXPECT_EQ(bracketed, deep) << "every year of six or more series has its mean inside its limits";
}

}  // namespace

namespace {

// First differences start every chronology after the raw one a year later:
// the limits of each are splined over its own years with limits (from the
// raw chronology's first to its last year of six or more series), none taken
// from beyond its last year; in the years outside them, and in a year of
// fewer than six series of its own (1660, where first differences take the
// first value of a series), the splined limits are the splined chronology.
// Expected splines:
// tests/numerics/reference/limit_splines_ref.py (scipy's smoothing spline of
// the listed limits; they carry three decimals, hence the tolerance of about
// one unit of the last printed digit).
TEST(ConfidenceLimitRun, LaterChronologiesSplineTheirLimitsOverTheirOwnYears) {
    kovtest::TempDir d;
    d.write("russ001.rwl", kovtest::read_file(kovtest::test_data("rwl/russ001.rwl")));
    d.write("russ001.rwl_log.txt",
            kovtest::default_commands("russ001.rwl", {{4, "-1     20    0     !1st-first differences"},
                                                      {12, "2   1   20   0     !robust (biweight) mean chronology"}}));
    d.write("list.txt", "russ001.rwl\n");
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;

    const auto cases = kovtest::read_ref_cases("limit_splines_ref.txt");
    for (const std::string kind : {"std", "res", "kov"}) {
        SCOPED_TRACE(kind);
        const auto& ref = kovtest::find_case(cases, kind);
        const int first = ref.count("first"), from = ref.count("span_from"), to = ref.count("span_to");
        const auto cl = split_lines(d.read("russ001.rwl_" + kind + "_95%cl.txt"));
        ASSERT_EQ(cl.size(), static_cast<size_t>(ref.count("last") - first + 2));
        ASSERT_EQ(ref["lo"].size(), static_cast<size_t>(to - from + 1));
        for (size_t i = 1; i < cl.size(); ++i) {
            const auto v = kov::read_values("(2i6,6f8.3)", cl[i]);
            ASSERT_EQ(v[0].i, first + static_cast<int>(i) - 1);
            if (v[0].i < from || v[0].i > to || v[1].i < 6) {
                EXPECT_EQ(cl[i].substr(44, 8), cl[i].substr(36, 8)) << v[0].i;
                EXPECT_EQ(cl[i].substr(52, 8), cl[i].substr(36, 8)) << v[0].i;
                continue;
            }
            const size_t k = static_cast<size_t>(v[0].i - from);
            // the same limits as the reference smoothed
            ASSERT_NEAR(v[3].r, ref["lo"][k], 1e-9) << v[0].i;
            ASSERT_NEAR(v[4].r, ref["hi"][k], 1e-9) << v[0].i;
            EXPECT_NEAR(v[6].r, ref["spllo"][k], 0.0012) << v[0].i;
            EXPECT_NEAR(v[7].r, ref["splhi"][k], 0.0012) << v[0].i;
        }
        EXPECT_EQ(ref.count("last"), 1968);
        EXPECT_LT(from, 1700);  // the span holds most of the years
    }
    // the case the fault showed: 1968 of the standard chronology, whose limits
    // splined with the raw chronology's last limits were 0.575 and 0.758
    const auto std_cl = split_lines(d.read("russ001.rwl_std_95%cl.txt"));
    EXPECT_EQ(std_cl.back(), "  1968    15   0.747   0.631   0.855   0.841   0.733   0.938");
}

}  // namespace

namespace {

// The chronology is splined over all its years, its limits over the years of
// six or more series: near the ends of those years the curves part, and a
// smoothed limit could cross the smoothed chronology (litu_drop 2016, raw:
// -0.005 and -0.019 around 0.096; qual_drop 2009, raw: 1.161 and 1.621 around
// 0.876, the smoothed limits of a run that did not widen them). A smoothed
// limit on the wrong side is widened to the smoothed chronology, no further.
TEST(ConfidenceLimitRun, SmoothedLimitsHoldTheSmoothedChronology) {
    kovtest::TempDir d;
    const auto r = run_real_files(d, {"litu_drop", "qual_drop"},
                                  {{4, "6      0     0     !1st-horizontal line"},
                                   {12, "2   1   20   0     !robust mean with bootstrap limits"},
                                   {13, "0                  !no stabilization"}});
    ASSERT_EQ(r.status, 0) << r.out;
    for (const std::string name : {"litu_drop", "qual_drop"})
        for (const std::string kind : {"raw", "std", "res", "kov"}) {
            SCOPED_TRACE(name + " " + kind);
            const auto cl = split_lines(d.read(name + "_" + kind + "_95%cl.txt"));
            ASSERT_GT(cl.size(), 100u);
            for (size_t i = 1; i < cl.size(); ++i) {
                const auto v = kov::read_values("(2i6,6f8.3)", cl[i]);
                EXPECT_LE(v[6].r, v[5].r) << cl[i];
                EXPECT_LE(v[5].r, v[7].r) << cl[i];
            }
        }
    EXPECT_TRUE(contains_line(split_lines(d.read("litu_drop_raw_95%cl.txt")),
                              "  2016     7   0.062   0.025   0.102   0.096  -0.005   0.096"));
    EXPECT_TRUE(contains_line(split_lines(d.read("qual_drop_raw_95%cl.txt")),
                              "  2009    59   1.545   1.290   1.820   0.876   0.876   1.621"));
}

// Two real data files under the default commands with a biweight mean, its
// bootstrap limits and no stabilisation: every limit file of the run holds
// its chronology between its limits in every year. A year of fewer than six
// series has no limits of its own: both show the chronology's own digits
// (ak111 1569: two series whose median 0.8445 the chronology's statistics
// moved to just below the tie, 0.844, while the limits kept 0.845), and its
// splined limits are the splined chronology. A year of six or more keeps its
// limits whatever their value: in mong007w's residual chronology, 1633 holds
// the six residuals 0.0000, 0.3438, 1.0745, 1.2417, 1.3433 and 1.3413 (as
// "_res.txt" saves them); a lower limit of 0.000 is a true limit there, not
// the mark of a year without limits, and no biweight mean of a resample of
// them can exceed the largest, 1.3433.
TEST(ConfidenceLimitRun, LimitsHoldTheirChronologyAndThinYearsShowItsDigits) {
    kovtest::TempDir d;
    const auto r = run_real_files(d, {"ak111", "mong007w"},
                                  {{12, "2   1   20   0     !robust (biweight) mean chronology"},
                                   {13, "0                  !no stabilization"}});
    ASSERT_EQ(r.status, 0) << r.out;

    for (const std::string name : {"ak111", "mong007w"})
        for (const std::string kind : {"raw", "std", "res", "kov"}) {
            SCOPED_TRACE(name + " " + kind);
            const auto cl = split_lines(d.read(name + "_" + kind + "_95%cl.txt"));
            ASSERT_GT(cl.size(), 400u);
            int thin = 0;
            for (size_t i = 1; i < cl.size(); ++i) {
                SCOPED_TRACE(cl[i]);
                const auto v = kov::read_values("(2i6,6f8.3)", cl[i]);
                EXPECT_LE(v[3].r, v[2].r);
                EXPECT_LE(v[2].r, v[4].r);
                if (v[1].i >= 6) continue;
                ++thin;
                EXPECT_EQ(cl[i].substr(20, 8), cl[i].substr(12, 8));
                EXPECT_EQ(cl[i].substr(28, 8), cl[i].substr(12, 8));
                EXPECT_EQ(cl[i].substr(44, 8), cl[i].substr(36, 8));
                EXPECT_EQ(cl[i].substr(52, 8), cl[i].substr(36, 8));
            }
            EXPECT_GT(thin, 10);
        }
    EXPECT_TRUE(contains_line(split_lines(d.read("ak111_raw_95%cl.txt")), "  1569     2   0.844   0.844   0.844   0.846   0.846   0.846"));
    std::vector<kov::FVal> y1633;
    for (const auto& l : split_lines(d.read("mong007w_res_95%cl.txt")))
        if (l.rfind("  1633", 0) == 0) y1633 = kov::read_values("(2i6,6f8.3)", l);
    ASSERT_EQ(y1633.size(), 8u);
    EXPECT_EQ(y1633[1].i, 6);
    EXPECT_EQ(y1633[3].r, 0.0);
    EXPECT_GT(y1633[4].r, y1633[2].r);
    EXPECT_LE(y1633[4].r, 1.3433);
}

}  // namespace
