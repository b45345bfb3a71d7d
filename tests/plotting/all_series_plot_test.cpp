#include <gtest/gtest.h>

#include <cstdlib>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::RecordingBackend;

// Two series in sermat: A 1851-1900 (values 1.0 .. 1.49), B 1880-1990 (2.0);
// the year axis starts at 1851.
class AllSeriesPlot : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        auto& sh = kov::shared();
        saved_opt = sh.optval;
        sh.nc = 2;
        sh.datfil = "abcd.rwl";
        set_series(1, 1851, 1900, [](int k) { return 1.0f + 0.01f * k; });
        set_series(2, 1880, 1990, [](int) { return 2.0f; });
        sh.sertbl(3, kov::ify) = 1851;
        sh.sertbl(3, kov::ily) = 1990;
        sh.crvmean.assign(kov::mxy, kov::xmiss);
    }
    void TearDown() override {
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        auto& sh = kov::shared();
        sh.optval = saved_opt;
        sh.sermat.clear();
        sh.nc = 0;
        sh.datfil.clear();
        sh.crvmean.assign(kov::mxy, kov::xmiss);
    }
    template <class F>
    void set_series(int j, int f, int l, F value) {
        auto& sh = kov::shared();
        sh.sertbl(j, kov::ify) = f;
        sh.sertbl(j, kov::ily) = l;
        for (int y = f; y <= l; ++y) sh.sermat(y - 1851 + 1, j) = value(y - f);
    }
    std::string run(RecordingBackend&, int kind = 1, const std::string& answers = "c\n") {
        kovtest::ScriptedConsole sc(answers);
        kov::pltall("  tree ring measurements", "years   ", "measurements (y)", kind);
        return sc.output();
    }
    kov::OptionBlock saved_opt;
};

TEST_F(AllSeriesPlot, OneLinePerSeriesOverItsSpanAndTheFrameFromTheData) {
    RecordingBackend rec;
    run(rec);
    const auto lines = rec.in_pass("line", 0);
    ASSERT_EQ(lines.size(), 2u);  // crvmean(1) negative: no mean curve
    EXPECT_EQ(lines[0].x.front(), 1851);
    EXPECT_EQ(lines[0].x.back(), 1900);
    EXPECT_FLOAT_EQ(lines[0].y.back(), 1.49f);
    EXPECT_EQ(lines[1].x.front(), 1880);
    EXPECT_EQ(lines[1].x.back(), 1990);
    EXPECT_EQ(lines[1].colour, 15);
    const auto w = rec.in_pass("wind", 0);
    // 1851 -> 1850, 1990 -> 2000; values 1.0 to 2.0: ymin the least value (all
    // positive), ymax 2.0 raised to 2.5
    EXPECT_EQ(w[0].v, (std::vector<double>{1850, 2000, 1, 2.5}));
    const auto lab = rec.in_pass("lab", 0);
    EXPECT_EQ(lab[0].s, (std::vector<std::string>{"years", "measurements (y)", "tree ring measurements"}));
    // "abcd.rwl" (8 characters) stands at positions 16 to 23 of the name field
    const auto m = rec.in_pass("mtex", 0);
    EXPECT_EQ(m[0].s[1], std::string(15, ' ') + "abcd.rwl");
    EXPECT_EQ(m[0].v, (std::vector<double>{3.5, 0.18, 0.0}));
}

TEST_F(AllSeriesPlot, MeanCurveOnlyWhenItsFirstValueIsNotNegative) {
    auto& sh = kov::shared();
    for (int k = 0; k < 140; ++k) sh.crvmean[k] = 1.5f;
    sh.crvmean[0] = 0.0f;
    RecordingBackend rec;
    run(rec);
    const auto lines = rec.in_pass("line", 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].x.front(), 1851);
    EXPECT_EQ(lines[2].x.back(), 1990);
    EXPECT_EQ(lines[2].y.front(), 0.0);
    EXPECT_EQ(lines[2].colour, 1);
    EXPECT_EQ(lines[2].width, 2);
}

TEST_F(AllSeriesPlot, AMissingValueInASpanPutsTheFloorAtZero) {
    kov::shared().sermat(10, 1) = kov::xmiss;
    RecordingBackend rec;
    run(rec);
    EXPECT_EQ(rec.in_pass("wind", 0)[0].v[2], 0.0);
}

TEST_F(AllSeriesPlot, AgeModeOnlyForTheAlignedStageOfRegionalCurves) {
    auto& sh = kov::shared();
    sh.optval(4, 1) = -2;
    for (int kind : {5, 1}) {
        RecordingBackend rec;
        run(rec, kind);
        const auto lines = rec.in_pass("line", 0);
        ASSERT_EQ(lines.size(), 2u);
        const auto w = rec.in_pass("wind", 0);
        if (kind == 5) {
            // ages 1 to 140 (row nc + 1 is the longest): 0 to 150
            EXPECT_EQ(w[0].v[0], 0);
            EXPECT_EQ(w[0].v[1], 150);
            EXPECT_EQ(lines[0].x.front(), 1);
            EXPECT_EQ(lines[0].x.back(), 50);
            EXPECT_EQ(lines[1].x.back(), 111);
        } else {
            EXPECT_EQ(w[0].v[0], 1850);
        }
    }
}

TEST_F(AllSeriesPlot, NoMorePlotsIsContinueHereAndTypedLimitsKeepTheSpans) {
    RecordingBackend rec;
    const std::string out = run(rec, 1, "15\n1870\n0\n18\nn\n");
    EXPECT_NE(out.find("             Unknown option re-enter a valid request"), std::string::npos);  // 18 is not offered
    ASSERT_EQ(rec.passes(), 2);
    EXPECT_EQ(rec.in_pass("wind", 1)[0].v[0], 1870);
    EXPECT_EQ(rec.in_pass("line", 1).size(), 2u);
    EXPECT_EQ(rec.in_pass("line", 1)[0].x.front(), 1851);
    EXPECT_NE(out.find("|    [s]ave   <[c]ontinue>  [n]o more plots   |"), std::string::npos);
}

TEST_F(AllSeriesPlot, NameFieldForShortAndLongNames) {
    auto& sh = kov::shared();
    struct {
        std::string datfil, field;
    } cases[] = {
        {"ab cd.rwl", std::string(18, ' ') + "ab"},
        {std::string(45, 'x'), std::string(40, 'x')},  // no blank in 40: the whole field
    };
    for (const auto& c : cases) {
        sh.datfil = c.datfil;
        RecordingBackend rec;
        run(rec);
        EXPECT_EQ(rec.in_pass("mtex", 0)[0].s[1], c.field);
    }
}

}  // namespace
