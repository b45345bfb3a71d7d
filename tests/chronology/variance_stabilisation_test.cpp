#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chronology/variance_stabilisation.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

using namespace kov;
using kovtest::split_lines;

namespace {
struct StabCase {
    const char* name;
    int per_in;
    int per_out;
    std::vector<float> x;
    std::vector<int> cnt;
    std::vector<double> absdev, crv, y;
};

// Computed once by reference/stabspl_reference.py (dense double-precision solve).
const std::vector<StabCase> cases = {
#include "chronology/reference/stabspl_reference.inc"
};
}  // namespace

TEST(Stabspl, MatchesIndependentReference) {
    for (const StabCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t n = c.x.size();
        std::vector<float> x = c.x, crv(n), y(n);
        int per = c.per_in;
        stabspl(x, crv, y, c.cnt, per);
        EXPECT_EQ(per, c.per_out);
        for (size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(x[i], c.absdev[i], 2e-6) << "year " << i + 1;
            EXPECT_NEAR(crv[i], c.crv[i], 2e-5) << "year " << i + 1;
            EXPECT_NEAR(y[i], c.y[i], 1e-4) << "year " << i + 1;
            EXPECT_GE(y[i], 0.0f);
        }
    }
}

TEST(Stabspl, FailedSplineLeavesSeriesAsItCame) {
    // Three years are too few for the spline: the spline's error value stays in
    // the curve and the series is not divided by it.
    std::vector<float> x = {0.8f, 1.3f, 0.9f}, crv(3), y(3);
    std::vector<int> cnt = {5, 5, 5};
    int per = 50;
    stabspl(x, crv, y, cnt, per);
    EXPECT_EQ(crv[0], -9998.0f);
    EXPECT_EQ(y, (std::vector<float>{0.8f, 1.3f, 0.9f}));
}

namespace {
struct RbarCase {
    const char* name;
    float rbar;
    std::vector<float> x;
    std::vector<int> depth;
    std::vector<double> y, neff;
};
struct SplineCase {
    const char* name;
    int istf_in, istf_out;
    std::vector<float> x;
    std::vector<int> depth;
    std::vector<double> absdev, crv, y;
};

// Computed once by reference/stabilisation_reference.py (double precision,
// dense spline solve).
const std::vector<RbarCase> rbar_cases = {
#define RBAR_CASES
#include "chronology/reference/stabilisation_reference.inc"
#undef RBAR_CASES
};
const std::vector<SplineCase> spline_cases = {
#define SPLINE_CASES
#include "chronology/reference/stabilisation_reference.inc"
#undef SPLINE_CASES
};
}  // namespace

TEST(Stabbm, MatchesIndependentReference) {
    for (const RbarCase& c : rbar_cases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.x.size());
        std::vector<float> y(n, 1.0f), neff(n, -1.0f);
        int ref1 = 0, ref2 = 0;
        stabbm(c.x, c.depth, 1801, 1800 + n, n, ref1, ref2, c.rbar, y, neff);
        EXPECT_EQ(ref1, 1801);
        EXPECT_EQ(ref2, 1800 + n);
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(neff[i], c.neff[i], 1e-5 * c.neff[i]) << "year " << i + 1;
            EXPECT_NEAR(y[i], c.y[i], 2e-5) << "year " << i + 1;
            if (c.depth[i] == 0) {
                EXPECT_EQ(y[i], 1.0f);  // untouched
            }
        }
    }
}

TEST(Stabbm, ConstantDepthOnlyRescalesToTheInput) {
    // Every year with 12 series: all deviations get the same factor, and the
    // rescaling to the input's mean and spread undoes it.
    std::vector<float> x = {0.91f, 1.12f, 0.87f, 1.30f, 0.95f, 1.02f, 0.78f, 1.21f, 1.05f, 0.99f};
    std::vector<int> depth(10, 12);
    std::vector<float> y(10), neff(10);
    int ref1 = 0, ref2 = 0;
    stabbm(x, depth, 1, 10, 10, ref1, ref2, 0.4f, y, neff);
    for (int i = 0; i < 10; ++i) {
        EXPECT_NEAR(y[i], x[i], 2e-6);
        EXPECT_FLOAT_EQ(neff[i], 12.0f / (1.0f + 11.0f * 0.4f));
    }
}

TEST(Stabbm, ReferencePeriodWithoutSpreadLeavesTheSeries) {
    // Only one year with data from ref1 on: no reference spread exists.
    std::vector<float> x = {0.8f, 1.2f, 0.9f, 1.1f}, y(4, 1.0f), neff(4);
    std::vector<int> depth = {3, 4, 0, 5};
    int ref1 = 1804, ref2 = 1804;
    stabbm(x, depth, 1801, 1804, 4, ref1, ref2, 0.2f, y, neff);
    EXPECT_EQ(y, (std::vector<float>{0.8f, 1.2f, 1.0f, 1.1f}));
    EXPECT_EQ(neff[2], 0.0f);
}

TEST(Stabspm, MatchesIndependentReference) {
    for (const SplineCase& c : spline_cases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.x.size());
        std::vector<float> x = c.x, crv(n), y(n, 1.0f);
        int istf = c.istf_in;
        stabspm(x, crv, y, c.depth, n, istf);
        EXPECT_EQ(istf, c.istf_out);
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(x[i], c.absdev[i], 3e-6) << "year " << i + 1;
            EXPECT_NEAR(crv[i], c.crv[i], 2e-5) << "year " << i + 1;
            EXPECT_NEAR(y[i], c.y[i], 1e-4) << "year " << i + 1;
            EXPECT_GE(y[i], 0.0f);
            if (c.depth[i] == 0) {
                EXPECT_EQ(y[i], 1.0f);  // untouched
            }
        }
    }
}

TEST(Stabspm, FailedSplineLeavesTheChronology) {
    std::vector<float> x = {0.8f, 1.3f, 0.9f}, crv(3), y(3, 1.0f);
    std::vector<int> depth = {5, 0, 5};
    int istf = 30;
    stabspm(x, crv, y, depth, 3, istf);
    EXPECT_EQ(crv[0], -9998.0f);
    EXPECT_EQ(y, (std::vector<float>{0.8f, 1.0f, 0.9f}));
}

namespace {
// Sets optval(13,1) (stabilisation) and optval(17,1) (printout level) and opens
// luout in a fresh folder for one test; all put back afterwards.
class StabRun {
public:
    StabRun(int choice, int printout)
        : choice_(shared().optval(13, 1)), printout_(shared().optval(17, 1)) {
        shared().optval(13, 1) = choice;
        shared().optval(17, 1) = printout;
        EXPECT_TRUE(streams().luout.open_fresh((dir_ / "out.txt").string()));
    }
    ~StabRun() {
        streams().luout.close();
        shared().optval(13, 1) = choice_;
        shared().optval(17, 1) = printout_;
    }
    std::vector<std::string> listing() {
        streams().luout.close();
        return split_lines(dir_.read("out.txt"));
    }

private:
    kovtest::TempDir dir_;
    int choice_, printout_;
};

bool has_line(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

#define CHOICE2_CASE
#include "chronology/reference/stabilisation_reference.inc"
#undef CHOICE2_CASE
}  // namespace

TEST(StabiliseChronology, MessageLineByChoice) {
    struct Case {
        int choice;
        float rbar;
        const char* line;
    };
    const Case cases[] = {
        {1, 0.3f, "           *** variance stabilized with briffa rbar-weighted method ***"},
        {1, -0.1f, "          *** briffa rbar-weighted stabilization not done: rbar.lt.0 ***"},
        {2, 0.3f, "                 *** rbar-weighted & 0.67n spline curve fit stabilization ***"},
        {30, 0.3f, "                 *** variance stabilized with spline curve fit ***"},
    };
    std::vector<float> x0(40);
    for (int i = 0; i < 40; ++i) x0[i] = 1.0f + 0.3f * std::sin(static_cast<float>(i));
    const std::vector<int> depth(40, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        StabRun run(c.choice, 1);
        std::vector<float> crn = x0, work(40), curve(40);
        stabilise_chronology(crn, work, curve, depth, 40, 1901, c.rbar);
        EXPECT_EQ(run.listing(), (std::vector<std::string>{"", c.line}));
    }
    StabRun quiet(30, 0);
    std::vector<float> crn = x0, work(40), curve(40);
    stabilise_chronology(crn, work, curve, depth, 40, 1901, 0.3f);
    EXPECT_TRUE(quiet.listing().empty());
}

TEST(StabiliseChronology, PercentChoiceUsesHalfTheLengthAndSaysSo) {
    const SplineCase& c = spline_cases[1];  // 300 years, stiffness -50
    ASSERT_EQ(c.istf_in, -50);
    StabRun run(-50, 4);
    const int n = 300;
    std::vector<float> crn = c.x, work(n), curve(n);
    stabilise_chronology(crn, work, curve, c.depth, n, 1701, 0.3f);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(crn[i], c.y[i], 1e-4) << "year " << i + 1;
    const std::vector<std::string> lines = run.listing();
    EXPECT_TRUE(has_line(lines, "                  *** series before variance stabilization ***"));
    EXPECT_TRUE(has_line(lines, "             *** curve fit and series after variance stabilization ***"));
    EXPECT_TRUE(has_line(lines, "                        spline curve fit used:   150  years"));
    // 300 years are listed in 10-year blocks, before and after.
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "         *** 10-year means of measurements, curve fit (x), and indices ***"),
              2);
}

TEST(StabiliseChronology, ChoiceTwoRunsTheSplineAtTwoThirdsAfterRbarWeighting) {
    // The reference applies the rbar-weighted method (rbar 0.3), then the
    // spline method at a stiffness of 200 years on the 300-year result.
    const size_t n = 300;
    const std::vector<int> depth(choice2_depth.begin(), choice2_depth.end());
    StabRun run(2, 1);
    std::vector<float> crn = choice2_x, work(n), curve(n);
    stabilise_chronology(crn, work, curve, depth, 300, 1701, 0.3f);
    for (size_t i = 0; i < n; ++i) EXPECT_NEAR(crn[i], choice2_y[i], 1e-4) << "year " << i + 1;
}

TEST(StabiliseChronology, NegativeRbarLeavesChoiceOneUnchanged) {
    std::vector<float> x0 = {0.9f, 1.2f, 0.8f, 1.1f, 1.3f, 0.7f};
    const std::vector<int> depth = {2, 3, 4, 5, 6, 7};
    StabRun run(1, 0);
    std::vector<float> crn = x0, work(6), curve(6);
    stabilise_chronology(crn, work, curve, depth, 6, 1901, -0.2f);
    EXPECT_EQ(crn, x0);
}
