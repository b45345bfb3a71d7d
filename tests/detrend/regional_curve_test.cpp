#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "detrend/regional_curve.hpp"
#include "numerics/reference_cases.hpp"
#include "plotting/recording_backend.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using kovtest::split_lines;

namespace {

// Three series whose ring widths follow one age trend g(a) = 3 - 0.01 a,
// with pith offsets 0, 5 and 10, lengths 100, 100 and 50, in a batch run.
class Scene {
public:
    explicit Scene(const std::string& datfil) : in_(dir_.path()) {
        kov::streams().close_all();
        kov::clear_protected();
        auto& s = kov::shared();
        s.sermat.clear();
        s.optval = kov::OptionBlock{};
        s.optval(4, 1) = -2;
        s.optval(5, 1) = 4;  // a straight line through the age-aligned mean
        s.optval(6, 1) = 1;
        s.optval(8, 1) = 1;
        s.optval(12, 1) = 1;
        s.optval(17, 1) = 2;
        s.batmod = "y";
        s.wmode = "iw";
        s.datfil = datfil;
        for (auto& h : s.hdrlin) h = kov::padded("header", 85);
        kov::streams().luout.open_fresh("out.txt");
        const int offsets[] = {0, 5, 10}, lengths[] = {100, 100, 50}, firsts[] = {1801, 1850, 1900};
        s.nc = 3;
        for (int j = 1; j <= 3; ++j) {
            s.serids[j] = kov::padded("R" + std::to_string(j), 8);
            s.sertbl(j, kov::ify) = firsts[j - 1];
            s.sertbl(j, kov::ily) = firsts[j - 1] + lengths[j - 1] - 1;
            s.sertbl(j, kov::yfp) = offsets[j - 1];
            s.sertbl(j, kov::ics) = 1;
            s.sertbl(j, kov::idt) = 0;
            for (int i = 1; i <= lengths[j - 1]; ++i)
                s.sermat(firsts[j - 1] - 1801 + i, j) = g(offsets[j - 1] + i);
        }
        s.sertbl(4, kov::ify) = 1801;
        s.sertbl(4, kov::ily) = 1949;
    }
    ~Scene() {
        kov::streams().close_all();
        kov::shared().batmod = "n";
    }
    static float g(int age) { return 3.0f - 0.01f * static_cast<float>(age); }
    void run() {
        auto& s = kov::shared();
        std::vector<float> crv(kov::mxy), w1(kov::mxy), w2(kov::mxy), w3(kov::mxy), w4(kov::mxy), w5(kov::mxy);
        kov::rcsdet(s.crnmat, crv, s.ndepth, s.rawstat, w1, w2, w3, w4, w5, 3.0f,
                    {s.pithoff.data(), static_cast<size_t>(kov::mxs)}, s.dtitle, s.crnerr, s.bootlo, s.boothi);
    }
    kovtest::TempDir& dir() { return dir_; }

private:
    kovtest::TempDir dir_;
    kovtest::InDir in_;
};

}  // namespace

TEST(Rcsdet, AgeAxisCurveAndIndices) {
    kovtest::ScriptedConsole con("");
    Scene sc("oak.txt");
    sc.run();
    auto& s = kov::shared();
    // pmin 0, na = max(0 + 100, 5 + 100, 10 + 50) = 105 age rows
    EXPECT_EQ(s.sertbl(5, kov::ify), 1);
    EXPECT_EQ(s.sertbl(5, kov::ily), 105);
    // depth per age: 1 (ages 1-5), 2 (6-10), 3 (11-60), 2 (61-100), 1 (101-105)
    const std::pair<int, int> depth[] = {{1, 1}, {5, 1}, {6, 2}, {10, 2}, {11, 3}, {60, 3}, {61, 2}, {100, 2}, {101, 1}, {105, 1}};
    for (auto [age, d] : depth) {
        EXPECT_EQ(s.crnmat(age, 9), static_cast<float>(d)) << age;
        EXPECT_EQ(s.crnmat(age, 8), static_cast<float>(age));
    }
    // the mean at every age is g itself, and so is the line through it
    for (int age : {1, 50, 105}) {
        EXPECT_NEAR(s.crnmat(age, 10), Scene::g(age), 1e-5f) << age;
        EXPECT_NEAR(s.crnmat(age, 12), Scene::g(age), 1e-4f) << age;
    }
    // back on the calendar axis with the table as it was, indices of 1
    const int firsts[] = {1801, 1850, 1900}, lasts[] = {1900, 1949, 1949}, offsets[] = {0, 5, 10};
    for (int j = 1; j <= 3; ++j) {
        EXPECT_EQ(s.sertbl(j, kov::ify), firsts[j - 1]);
        EXPECT_EQ(s.sertbl(j, kov::ily), lasts[j - 1]);
        EXPECT_EQ(s.sertbl(j, kov::yfp), offsets[j - 1]);
        EXPECT_EQ(s.sertbl(j, kov::idt), -2);
        for (int y = firsts[j - 1]; y <= lasts[j - 1]; ++y) EXPECT_NEAR(s.sermat(y - 1800, j), 1.0f, 1e-4f) << j << " " << y;
        if (firsts[j - 1] > 1801) {
            EXPECT_EQ(s.sermat(firsts[j - 1] - 1801, j), kov::xmiss);
        }
        if (lasts[j - 1] < 1949) {
            EXPECT_EQ(s.sermat(lasts[j - 1] - 1800 + 1, j), kov::xmiss);
        }
    }
    EXPECT_EQ(s.sertbl(4, kov::ify), 1801);
    EXPECT_EQ(s.sertbl(4, kov::ily), 1949);
    EXPECT_EQ(s.dtitle.substr(0, 40), kov::padded("oak.txt -- no data title line provided --", 40));
    EXPECT_EQ(s.dtitle.substr(53, 27), " age-aligned rcs chronology");
}

// Pith offsets that would place a series beyond the rows of the series matrix
// stop the run with its message before any series is moved, also when they
// are so large or so far apart that their sums pass the 32-bit integers.
TEST(Rcsdet, OffsetsBeyondTheMatrixStop) {
    const int cases[][3] = {{0, 5, 4952}, {2147483647, 5, 10}, {2147483000, -2147483000, 0}};
    for (const auto& offsets : cases) {
        kovtest::ScriptedConsole con("");
        Scene sc("oak.txt");
        for (int j = 1; j <= 3; ++j) kov::shared().sertbl(j, kov::yfp) = offsets[j - 1];
        EXPECT_THROW(sc.run(), kov::Stop) << offsets[0];
        EXPECT_NE(con.output().find(" *** pith offsets place the series beyond   5001 age years ***"), std::string::npos)
            << offsets[0];
        EXPECT_EQ(kov::shared().sertbl(1, kov::ify), 1801) << offsets[0];
    }
}

TEST(Rcsdet, SavedFilesAndConfidenceLimitHeader) {
    kovtest::ScriptedConsole con("");
    Scene sc("oak.txt");
    auto& s = kov::shared();
    s.optval(18, 1) = 2;
    s.optval(12, 3) = 1;
    s.optval(12, 4) = 50;
    sc.run();
    EXPECT_TRUE(sc.dir().exists("oak_rcs_raw.txt"));
    EXPECT_TRUE(sc.dir().exists("oak.txt_rcs_ind1.txt"));
    ASSERT_TRUE(sc.dir().exists("oak.txt_rcs_95%cl.txt"));
    const auto cl = split_lines(sc.dir().read("oak.txt_rcs_95%cl.txt"));
    ASSERT_EQ(cl.size(), 106u);
    EXPECT_EQ(cl[0], "  year    nc     std    2.5%   97.5%   50spl    2.5%   97.5%");
    EXPECT_EQ(cl[0].substr(39, 2), "50");
    const auto row = kov::read_values("(2i6,6f8.3)", cl[11]);
    EXPECT_EQ(row[0].i, 11);
    EXPECT_EQ(row[1].i, 3);
    // three series at most: no age has limits of its own, so each shows its
    // mean as both limits and the spline of the mean as both splined limits
    for (size_t i = 1; i < cl.size(); ++i) {
        EXPECT_EQ(cl[i].substr(20, 8), cl[i].substr(12, 8)) << cl[i];
        EXPECT_EQ(cl[i].substr(28, 8), cl[i].substr(12, 8)) << cl[i];
        EXPECT_EQ(cl[i].substr(44, 8), cl[i].substr(36, 8)) << cl[i];
        EXPECT_EQ(cl[i].substr(52, 8), cl[i].substr(36, 8)) << cl[i];
    }
}

// Truncating the fitting length to all na age rows fits the same curve.
TEST(Rcsdet, TruncationToTheFullLengthChangesNothing) {
    std::vector<float> plain, truncated;
    // each plot of the curve waits at its menu: "c" continues
    for (const char* answers : {"c\nn\nn\n", "c\ny\n105\nc\nn\n"}) {
        kovtest::ScriptedConsole con(answers);
        Scene sc("oak.txt");
        kov::shared().optval(5, 1) = 2;  // the negative exponential: the line would fit any length
        kov::shared().optval(7, 1) = 2;
        sc.run();
        const bool truncating = std::string(answers)[2] == 'y';
        auto& out = truncating ? truncated : plain;
        for (int r = 1; r <= 105; ++r) out.push_back(kov::shared().crnmat(r, 12));
        kov::streams().luout.close();
        const bool noted = sc.dir().read("out.txt").find(std::string(16, ' ') +
                                                         "*** rcs curve and data truncated for fitting at age:    105") !=
                           std::string::npos;
        EXPECT_EQ(noted, truncating);
        EXPECT_NE(con.output().find("truncate rcs calculation length? y/<n>/h"), std::string::npos);
    }
    EXPECT_EQ(plain, truncated);
}

// The review asks "change curve fit?" only while a reason to review stands; an
// "n" in its plot clears the plot flag, which may have been the only one.
TEST(Rcsdet, TheCurveQuestionFollowsThePlotFlag) {
    struct Case {
        int plot_flag, summary_plots;
        const char* answers;  // the review plot, "truncate?", then as the case needs
        int asked;
    } cases[] = {
        {1, 0, "n\nn\nn\n", 0},     // then the first series plot: "n" ends them
        {1, 0, "c\nn\nn\nn\n", 1},  // "change curve fit?" n, the series plot n
        {0, 2, "n\nn\nn\n", 1},     // summary plots 2 are a reason of their own
    };
    for (const auto& c : cases) {
        kovtest::RecordingBackend rec;
        kovtest::ScriptedConsole con(c.answers);
        Scene sc("oak.txt");
        kov::shared().optval(4, 3) = c.plot_flag;
        kov::shared().optval(19, 1) = c.summary_plots;
        EXPECT_NO_THROW(sc.run()) << c.answers;
        size_t asked = 0;
        for (size_t p = con.output().find("change curve fit?"); p != std::string::npos;
             p = con.output().find("change curve fit?", p + 1))
            ++asked;
        EXPECT_EQ(asked, static_cast<size_t>(c.asked)) << c.answers;
        EXPECT_EQ(con.output().find("end of console input"), std::string::npos) << c.answers;
    }
}

// The regional curve refitted over a truncated length is the curve the
// indices are made with: when it reaches zero the guard stops it as it stops
// any other curve. Every series follows h(a) = 3.05 - 0.1 a up to age 20 and
// 1.0 after; the line through ages 1 to 105 stays above 0.69, the line
// through ages 1 to 20 is h itself, 0 at age 30.5 and -0.05 at age 31.
TEST(Rcsdet, TruncatedCurveBelowZeroIsGuarded) {
    // plot, truncate to 20, Enter after the guard, plot, keep the fit, end the run
    kovtest::ScriptedConsole con("c\ny\n20\n\nc\nn\ny\n");
    Scene sc("oak.txt");
    auto& s = kov::shared();
    s.optval(7, 1) = 2;
    const int offsets[] = {0, 5, 10}, lengths[] = {100, 100, 50}, firsts[] = {1801, 1850, 1900};
    for (int j = 1; j <= 3; ++j)
        for (int i = 1; i <= lengths[j - 1]; ++i) {
            const int age = offsets[j - 1] + i;
            s.sermat(firsts[j - 1] - 1801 + i, j) = age <= 20 ? 3.05f - 0.1f * static_cast<float>(age) : 1.0f;
        }
    try {
        sc.run();
        FAIL() << "the run goes on with a curve below zero";
    } catch (const kov::Stop& e) {
        EXPECT_EQ(std::string(e.what()), "*** negative growth curve value ***");
    }
    const auto out = split_lines(con.output());
    EXPECT_EQ(std::count(out.begin(), out.end(), " *** rcs growth curve goes negative! ***"), 1);
    EXPECT_NE(std::find(out.begin(), out.end(), " year:     31   -0.050"), out.end());
}

// A series of zeros has no measured value: it stays out of the age-aligned
// mean, and so out of the regional curve, and out of the chronologies.
TEST(Rcsdet, SeriesWithoutAMeasuredValueIsLeftOut) {
    kovtest::ScriptedConsole con("");
    Scene sc("oak.txt");
    auto& s = kov::shared();
    for (int i = 1; i <= 50; ++i) s.sermat(1900 - 1801 + i, 3) = 0.0f;
    sc.run();
    // R3 held ages 11 to 60: two series there now
    EXPECT_EQ(s.crnmat(11, 9), 2.0f);
    EXPECT_EQ(s.crnmat(60, 9), 2.0f);
    EXPECT_NEAR(s.crnmat(30, 10), Scene::g(30), 1e-5f);
    for (int y = 1900; y <= 1949; ++y) EXPECT_EQ(s.sermat(y - 1800, 3), kov::xmiss) << y;
    for (int y = 1850; y <= 1949; ++y) EXPECT_NEAR(s.sermat(y - 1800, 2), 1.0f, 1e-4f) << y;
    kov::streams().luout.close();
    const auto lines = split_lines(sc.dir().read("out.txt"));
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "     3   R3           -2   --> no measured value: series left out of the chronologies"),
              lines.end());
    // its statistics are undefined, not those of the missing-value mark
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "     3  R3        1900   1949     50 -99.000 -99.000 -99.00 -99.00 -99.00 -99.000"),
              lines.end());
}

// Only the series with a measured value place the age axis: an empty series'
// ages set neither its start nor its length, so they never enter the
// age-aligned mean as zeros. Without R1 (ages 1 to 100) the axis runs over
// the ages of R2 and R3, 6 to 105, and the line through their mean is g
// itself; R3 put at ages 6001 to 6050 lies off the matrix, which stops the
// run only when the series has values to place there.
TEST(Rcsdet, EmptySeriesDoNotPlaceTheAgeAxis) {
    struct Case {
        const char* what;
        int empty, offset;     // the series of zeros and its pith offset
        int first_age, ages;   // the age axis
        int depth_first_age;   // the depth at its first age
    } cases[] = {
        {"R1 empty at ages 1 to 100", 1, 0, 6, 100, 1},
        {"R3 empty at ages 6001 to 6050", 3, 6000, 1, 105, 1},
    };
    const int firsts[] = {1801, 1850, 1900}, lasts[] = {1900, 1949, 1949}, offsets[] = {0, 5, 10};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kovtest::ScriptedConsole con("");
        Scene sc("oak.txt");
        auto& s = kov::shared();
        s.optval(18, 1) = 5;  // the age-aligned series saved in columns
        s.sertbl(c.empty, kov::yfp) = c.offset;
        for (int y = firsts[c.empty - 1]; y <= lasts[c.empty - 1]; ++y) s.sermat(y - 1800, c.empty) = 0.0f;
        ASSERT_NO_THROW(sc.run());
        for (int r : {4, 5}) {
            EXPECT_EQ(s.sertbl(r, kov::ify), r == 4 ? 1801 : c.first_age) << r;
            EXPECT_EQ(s.sertbl(r, kov::ily), r == 4 ? 1949 : c.first_age + c.ages - 1) << r;
        }
        EXPECT_EQ(s.crnmat(1, 9), static_cast<float>(c.depth_first_age));
        for (int r : {1, 50, c.ages}) {
            const int age = c.first_age + r - 1;
            EXPECT_NEAR(s.crnmat(r, 10), Scene::g(age), 1e-5f) << age;
            EXPECT_NEAR(s.crnmat(r, 12), Scene::g(age), 1e-4f) << age;
        }
        for (int j = 1; j <= 3; ++j) {
            EXPECT_EQ(s.sertbl(j, kov::ify), firsts[j - 1]) << j;
            EXPECT_EQ(s.sertbl(j, kov::ily), lasts[j - 1]) << j;
            EXPECT_EQ(s.sertbl(j, kov::yfp), j == c.empty ? c.offset : offsets[j - 1]) << j;
            EXPECT_EQ(s.sertbl(j, kov::ics), 1) << j;
            for (int y = firsts[j - 1]; y <= lasts[j - 1]; ++y) {
                if (j == c.empty)
                    EXPECT_EQ(s.sermat(y - 1800, j), kov::xmiss) << y;
                else
                    EXPECT_NEAR(s.sermat(y - 1800, j), 1.0f, 1e-4f) << j << " " << y;
            }
        }
        // the aligned file holds the measured series over the axis only
        const auto aligned = split_lines(sc.dir().read("oak_rcs_raw.txt"));
        ASSERT_EQ(aligned.size(), static_cast<size_t>(c.ages + 1));
        EXPECT_EQ(aligned[0].find("R" + std::to_string(c.empty)), std::string::npos) << aligned[0];
        EXPECT_EQ(aligned[1].substr(0, 6), kov::fmt("(i6)", c.first_age).substr(0, 6));
        kov::streams().luout.close();
        const auto lines = split_lines(sc.dir().read("out.txt"));
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "     " + std::to_string(c.empty) + "   R" + std::to_string(c.empty) +
                                "           -2   --> no measured value: series left out of the chronologies"),
                  lines.end());
    }
}

// The listing gives a spline's period as the fit takes it. With every offset
// 0 the axis has 100 ages; -0.53 as a float is 0.529999971, so 53 % of 100
// ages is 52.9999971, a period of 52 years (the product 100 * 53 / 100 would
// be 53); 50 % is 50 either way, and a fixed period is itself.
TEST(Rcsdet, SplineListedWithThePeriodItFits) {
    const std::pair<int, const char*> cases[] = {
        {-53, "  all     rcs   -53     52        spline smoothed rcs curve and window width"},
        {-50, "  all     rcs   -50     50        spline smoothed rcs curve and window width"},
        {30, "  all     rcs    30     30        spline smoothed rcs curve and window width"},
    };
    for (const auto& [option, listed] : cases) {
        SCOPED_TRACE(option);
        kovtest::ScriptedConsole con("");
        Scene sc("oak.txt");
        auto& s = kov::shared();
        for (int j = 1; j <= 3; ++j) s.sertbl(j, kov::yfp) = 0;
        s.optval(5, 1) = option;
        sc.run();
        EXPECT_EQ(s.sertbl(5, kov::ily), 100);
        kov::streams().luout.close();
        const auto lines = split_lines(sc.dir().read("out.txt"));
        EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(" ") + listed), lines.end());
    }
}

// A spline refitted to the first 60 ages is the curve over all 105: beyond
// the ages it was fitted to it keeps its last value, and the mean of a line
// (g) gives the spline g itself there.
TEST(Rcsdet, TruncatedSplineHoldsItsLastValue) {
    kovtest::ScriptedConsole con("c\ny\n60\nc\nn\n");
    Scene sc("oak.txt");
    auto& s = kov::shared();
    s.optval(5, 1) = 20;
    s.optval(7, 1) = 2;
    sc.run();
    EXPECT_NEAR(s.crnmat(60, 12), Scene::g(60), 1e-4f);
    for (int r = 61; r <= 105; ++r) EXPECT_EQ(s.crnmat(r, 12), s.crnmat(60, 12)) << r;
}

// The limits of the age-aligned mean are splined over the ages from the first
// to the last of six or more series, as a chronology's over its years. With
// pith offsets of 10 years for all but the first four series of ak111, ages
// 1-10 hold four series and have no limits of their own, and ages 11-337 hold
// six or more: their limits are splined, ages 328-337 included, and none is
// splined with the ages before 11. Expected splines:
// tests/numerics/reference/rcs_limit_splines_ref.py (scipy's smoothing spline
// of the listed limits; they carry three decimals, hence the tolerance of
// about one unit of the last printed digit).
TEST(RcsRun, LimitsAreSplinedOverTheAgesOfSixOrMoreSeries) {
    kovtest::TempDir d;
    d.write("ak111.txt", kovtest::read_file(kovtest::test_data("rwl/ak111.rwl")));
    d.write("ak111_log.txt",
            kovtest::default_commands("ak111.txt", {{4, "-2     0     0     !1st-regional curve method"},
                                                    {5, "-10    0     0     !rcs-spline curve"},
                                                    {12, "2   1   20   0     !robust mean with bootstrap limits"},
                                                    {13, "0                  !no stabilization"}}));
    std::string detail = kovtest::detail_head;
    for (int k = 1; k <= 51; ++k)
        detail += kov::fmt("(i4,2x,a8,10i6)", k, "s" + std::to_string(k), std::vector<int>{0, 0, k >= 5 ? 10 : 0, 0, 0, 0, 0, 1, 1, k});
    d.write("ak111_detail.txt", detail);
    d.write("list.txt", "ak111.txt\n");
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;

    const auto cases = kovtest::read_ref_cases("rcs_limit_splines_ref.txt");
    const auto& ref = kovtest::find_case(cases, "ak111");
    const int from = ref.count("span_from"), to = ref.count("span_to");
    ASSERT_EQ(from, 11);
    ASSERT_EQ(to, 337);
    const auto cl = split_lines(d.read("ak111.txt_rcs_95%cl.txt"));
    ASSERT_EQ(cl.size(), static_cast<size_t>(ref.count("ages") + 1));
    for (size_t i = 1; i < cl.size(); ++i) {
        SCOPED_TRACE(cl[i]);
        const auto v = kov::read_values("(2i6,6f8.3)", cl[i]);
        const int age = static_cast<int>(v[0].i);
        ASSERT_EQ(age, static_cast<int>(i));
        EXPECT_NEAR(v[5].r, ref["spl"][i - 1], 0.0012);
        if (age < from || age > to) {
            EXPECT_EQ(cl[i].substr(44, 8), cl[i].substr(36, 8));
            EXPECT_EQ(cl[i].substr(52, 8), cl[i].substr(36, 8));
            continue;
        }
        const size_t k = static_cast<size_t>(age - from);
        ASSERT_NEAR(v[3].r, ref["lo"][k], 1e-9);
        ASSERT_NEAR(v[4].r, ref["hi"][k], 1e-9);
        // a smoothed limit on the wrong side of the smoothed mean stands at it
        EXPECT_NEAR(v[6].r, std::min(ref["spllo"][k], v[5].r), 0.0012);
        EXPECT_NEAR(v[7].r, std::max(ref["splhi"][k], v[5].r), 0.0012);
    }
}
