#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "series/gap_filling.hpp"
#include "shared/capacities.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {
// Computed once by reference/estmis_reference.py: 6 series over 90 years with
// short gaps, a gap of 25 and one of exactly 20 years, gaps of 22 years at a
// series' start and 21 years at another's end, one year missing in every
// series, a negative code other than xmiss, and a ring width of 0.
#include "series/reference/estmis_reference.inc"

constexpr int first_year = 1801;

// Loads the reference input into the shared tables as the reader and the
// year-axis step leave them.
void load_reference(int itrn) {
    SharedTables& sh = shared();
    sh.sermat.clear();
    sh.nc = ref_series;
    for (int i = 1; i <= ref_series; ++i) {
        float* c = sh.sermat.col(i);
        for (int r = 0; r < ref_years; ++r) c[r] = ref_input[(i - 1) * ref_years + r];
        sh.sertbl(i, ify) = first_year + ref_spans[i - 1][0];
        sh.sertbl(i, ily) = first_year + ref_spans[i - 1][1];
        sh.serids[i] = "SER" + std::to_string(i) + "    ";
    }
    sh.sertbl(ref_series + 1, ify) = first_year;
    sh.sertbl(ref_series + 1, ily) = first_year + ref_years - 1;
    sh.optval(3, 1) = itrn;
    sh.optval(7, 1) = 0;
    sh.optval(2, 2) = 0;
    sh.optval(12, 1) = 1;
}

bool measured(float v, int itrn) { return !is_missing(v, itrn); }
}  // namespace

TEST(Estmis, FillsGapsLikeTheReferenceAndKeepsMeasuredValues) {
    const double* expected[] = {ref_filled_itrn0, ref_filled_itrn1};
    for (int itrn : {0, 1}) {
        SCOPED_TRACE("itrn " + std::to_string(itrn));
        kovtest::TempDir dir;
        kovtest::InDir in(dir.path());
        kovtest::ScriptedConsole console("");
        load_reference(itrn);
        SharedTables& sh = shared();
        estmis(sh.sermat, sh.nc, sh.sertbl, sh.serids);
        EXPECT_FALSE(dir.exists("curves.dat"));
        EXPECT_EQ(sh.optval(12, 1), 1);  // the mean type comes back
        int filled = 0;
        for (int i = 1; i <= ref_series; ++i) {
            const float* c = sh.sermat.col(i);
            for (int r = ref_spans[i - 1][0]; r <= ref_spans[i - 1][1]; ++r) {
                const float in_value = ref_input[(i - 1) * ref_years + r];
                const double want = expected[itrn][(i - 1) * ref_years + r];
                if (measured(in_value, itrn)) {
                    // Bit for bit: the value is never divided and multiplied back.
                    EXPECT_EQ(c[r], in_value) << "series " << i << " row " << r + 1;
                } else {
                    ++filled;
                    EXPECT_NEAR(c[r], want, 1e-4 * want + 1e-6) << "series " << i << " row " << r + 1;
                }
                EXPECT_GE(c[r], 0.0f);
            }
            for (int r = 0; r < ref_years; ++r) {
                if (r < ref_spans[i - 1][0] || r > ref_spans[i - 1][1]) {
                    EXPECT_EQ(c[r], xmiss);
                }
            }
        }
        // 4 + 1 (row 61), 25 + 20, 22 + 1, 21 + 1, 1, 1 cells; with a
        // transformation the ring width of 0 as well.
        EXPECT_EQ(filled, itrn ? 98 : 97);
    }
}

TEST(EstmisTrend, LongGapsAreBridgedByTheLineThroughTenYearsEachSide) {
    // Years 1..60: 1-5 at 100 and 51-60 at 50 lie beyond the ten years on each
    // side and must not pull the line; 6-15 at 2.0 and 41-50 at 4.0 do.
    // Gap 16-40 (25 years). By hand: mean year 28, mean value 3,
    // Sxx = 2 (13^2 + ... + 22^2) = 6290, Sxy = 350, slope b = 350 / 6290.
    std::vector<float> cells(60);
    for (int y = 1; y <= 60; ++y)
        cells[y - 1] = y <= 5 ? 100.0f : y <= 15 ? 2.0f : y <= 40 ? xmiss : y <= 50 ? 4.0f : 50.0f;
    const TrendInput t = trend_input(cells, 1, 0);
    const double b = 350.0 / 6290.0;
    for (int y = 16; y <= 40; ++y) {
        EXPECT_NEAR(t.w1[y - 1], 3.0 + b * (y - 28), 2e-6) << y;
        EXPECT_EQ(t.w3[y - 1], 1.0f) << y;
    }
    EXPECT_NEAR(t.w1[15], 2.33227345, 2e-6);
    EXPECT_EQ(t.missing_years.size(), 25u);
    EXPECT_EQ(cells[20], xmiss);  // the series itself keeps the gap
}

TEST(EstmisTrend, GapsAtTheEndsAndShortGaps) {
    // Years 1..60 of one series:
    //  1-21 missing (21 years at the start): bridged from years 22-31 only,
    //       which lie on 2 + 0.05 (year - 22), so the bridge is that line;
    //  32 missing, 34-53 missing (20 years): left free, xmiss with scale 999;
    //  54-59 measured, 60 missing (-3.0): one year, left free.
    std::vector<float> cells(60, 1.0f);
    for (int y = 22; y <= 31; ++y) cells[y - 1] = 2.0f + 0.05f * static_cast<float>(y - 22);
    for (int y = 1; y <= 21; ++y) cells[y - 1] = xmiss;
    cells[31] = xmiss;
    for (int y = 34; y <= 53; ++y) cells[y - 1] = -1.0f;
    cells[59] = -3.0f;
    const TrendInput t = trend_input(cells, 1, 0);
    for (int y = 1; y <= 21; ++y) {
        EXPECT_NEAR(t.w1[y - 1], 2.0 + 0.05 * (y - 22), 2e-6) << y;
        EXPECT_EQ(t.w3[y - 1], 1.0f) << y;
    }
    for (int y : {32, 34, 43, 53, 60}) {
        EXPECT_EQ(t.w1[y - 1], xmiss) << y;
        EXPECT_EQ(t.w3[y - 1], 999.0f) << y;
        EXPECT_EQ(cells[y - 1], xmiss) << y;  // other negative codes become xmiss
    }
    EXPECT_EQ(t.missing_years.size(), 21u + 1u + 20u + 1u);

    // A 21-year gap at the end: years 30-39 alternate 1 and 3, so by hand the
    // line has mean 2 at year 34.5 and slope Sxy / Sxx = 5 / 82.5.
    std::vector<float> tail(60, 7.0f);
    for (int y = 30; y <= 39; ++y) tail[y - 1] = y % 2 == 0 ? 1.0f : 3.0f;
    for (int y = 40; y <= 60; ++y) tail[y - 1] = xmiss;
    const TrendInput e = trend_input(tail, 1, 0);
    EXPECT_NEAR(e.w1[39], 2.0 + 5.5 * 5.0 / 82.5, 2e-6);
    EXPECT_NEAR(e.w1[59], 2.0 + 25.5 * 5.0 / 82.5, 2e-6);
}

TEST(EstmisTrend, BridgeWithOnePointIsLevelAndZeroIsMissingWithATransformation) {
    // One measured year before a 22-year gap that runs to the series' end:
    // one point only, so the bridge is the level through it.
    std::vector<float> cells(23, xmiss);
    cells[0] = 1.5f;
    const TrendInput t = trend_input(cells, 1950, 0);
    for (int j = 1; j < 23; ++j) EXPECT_EQ(t.w1[j], 1.5f) << j;

    std::vector<float> zeros = {0.4f, 0.0f, 0.5f};
    EXPECT_TRUE(trend_input(zeros, 1, 0).missing_years.empty());
    EXPECT_EQ(trend_input(zeros, 1, 3).missing_years, (std::vector<int>{2}));
    EXPECT_EQ(zeros[1], xmiss);
}

TEST(Estmis, InteractivePeriodQuestion) {
    // Reference data: every one of the 6 series has a gap, so each gets the
    // question once when Enter is pressed. A typed 40 refits series 1 and asks
    // again; an answer that is no number, and a period the spline cannot use,
    // only repeat the question. A leading blank accepts, as Enter does.
    auto run = [](const std::string& input, std::vector<float>& series1, std::vector<float>& series2) {
        kovtest::TempDir dir;
        kovtest::InDir in(dir.path());
        kovtest::ScriptedConsole console(input);
        load_reference(0);
        SharedTables& sh = shared();
        sh.optval(7, 1) = 1;
        estmis(sh.sermat, sh.nc, sh.sertbl, sh.serids);
        series1.assign(sh.sermat.col(1), sh.sermat.col(1) + ref_years);
        series2.assign(sh.sermat.col(2), sh.sermat.col(2) + ref_years);
        return console.output();
    };
    auto prompts = [](const std::string& out) {
        int k = 0;
        for (size_t p = out.find("enter in your new spline value"); p != std::string::npos;
             p = out.find("enter in your new spline value", p + 1))
            ++k;
        return k;
    };
    std::vector<float> d1, d2, a1, a2, b1, b2, c1, c2;
    // Every fit is shown first: "c" leaves the plot's menu before the question.
    auto each = [](const std::string& first) {
        std::string s = first;
        for (int k = 0; k < 5; ++k) s += "c\n\n";
        return s;
    };
    const std::string plain = run(each("c\n\n"), d1, d2);
    EXPECT_EQ(prompts(plain), 6);
    const std::string question =
        "\n the default setting is a 20 year\n spline for the low-frequency gap filling\n"
        " part. hit <ret> to accept and continue or\n"
        " enter in your new spline value             ==> ";
    EXPECT_EQ(plain.substr(plain.find("enter option number > ") + 22, question.size()), question);
    for (int r = 0; r < ref_years; ++r) EXPECT_NEAR(d1[r], ref_filled_itrn0[r], 1e-4 * ref_filled_itrn0[r] + 1e-6);

    EXPECT_EQ(prompts(run(each("c\n40\nc\n\n"), a1, a2)), 7);
    EXPECT_EQ(a2, d2);
    EXPECT_NE(a1, d1);
    EXPECT_EQ(a1[20], d1[20]);  // a measured year stays what it was

    EXPECT_EQ(prompts(run(each("c\n4x\n0\n1\n 40\n"), b1, b2)), 9);
    EXPECT_EQ(b1, d1);
    EXPECT_EQ(b2, d2);

    // Each typed period replaces the one before: 40 then 30 is not 40.
    EXPECT_EQ(prompts(run(each("c\n40\nc\n30\nc\n\n"), c1, c2)), 8);
    EXPECT_NE(c1, a1);
}
