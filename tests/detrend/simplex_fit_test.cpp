#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "detrend/growth_curves.hpp"
#include "detrend/simplex_fit.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

#include "detrend/reference/ring_series.hpp"

namespace {
#include "detrend/reference/growth_ref.inc"
#include "detrend/reference/simplex_ref.inc"
}  // namespace

using namespace kov;

namespace {

std::vector<float> times(int n) {
    std::vector<float> t(n);
    for (int i = 0; i < n; ++i) t[i] = static_cast<float>(i + 1);
    return t;
}

struct SimplexRun {
    SimplexMatrix p{};
    SimplexValues y{};
    int iter = 0;
    float ybest = 0;
    bool ok = false;
    std::vector<float> crv;
};

SimplexRun run(int mode, const SimplexVertex& first, const std::vector<float>& x, int nout = -1) {
    SimplexRun r;
    int n = static_cast<int>(x.size());
    if (nout < 0) nout = n;
    r.p[0] = first;
    r.crv.assign(nout, -1.0f);
    SimplexVertex v{};
    auto t = times(n);
    r.ok = gamfit(r.p, r.y, v, mode + 2, r.iter, mode, simplex_nemax, nout, n, t, x, r.crv, r.ybest);
    return r;
}

}  // namespace

TEST(Simplex, ExactNegativeExponentialStopsByTheTolerance) {
    std::vector<float> x(200);
    for (int i = 1; i <= 200; ++i) x[i - 1] = 3.0f * std::exp(-0.02f * i) + 0.4f;
    kovtest::ScriptedConsole sc("");
    auto r = run(1, {0, 0, 0, 0, 0}, x);
    ASSERT_TRUE(r.ok);
    EXPECT_LT(r.iter, 2000);
    EXPECT_TRUE(sc.output().empty()) << sc.output();
    EXPECT_NEAR(r.p[0][0], 3.0, 1e-4);
    EXPECT_NEAR(r.p[0][1], -0.02, 1e-6);
    EXPECT_NEAR(r.p[0][2], 0.4, 1e-4);
    EXPECT_EQ(r.ybest, r.y[0]);
    for (int i = 0; i < 200; ++i) EXPECT_NEAR(r.crv[i], x[i], 1e-5);
}

// Reference: scipy curve_fit optima of the three curve forms, the time shift
// bounded at 0 (tests/detrend/reference/growth_ref.py). The simplex stops when
// its vertex values agree to 1e-5, so its sum of squares is that close to the
// optimum. First vertices as the growth-curve dispatcher builds them.
TEST(Simplex, ReachesTheLeastSquaresOptimum) {
    const int nm = static_cast<int>(ringref::series_medium().size());
    const int nh = static_cast<int>(hugershoff_noisy.size());
    std::vector<float> crv(nm), tk(nm), zk(nm);
    FitRecord gx{}, hg{};
    ASSERT_TRUE(gexp(ringref::series_medium(), nm, nm, crv, tk, zk, gx, 0.0f));
    ASSERT_TRUE(hugfit(times(nh), hugershoff_noisy, nh, nh, crv, hg, 0.0f));
    struct Case {
        const char* name;
        int mode;
        SimplexVertex first;
        const std::vector<float>& x;
        double optimum;
    };
    const Case cases[] = {
        {"negative exponential", 1, {0, 0, 0, 0, 0}, ringref::series_medium(), form1_medium_sse},
        {"general exponential", 2, {gx[0], gx[1], 0, 0, 0}, ringref::series_medium(), form2_medium_sse},
        {"Hugershoff", 3, {hg[0], hg[1], hg[2], 0, 0}, hugershoff_noisy, form3_noisy_sse},
    };
    for (const auto& c : cases) {
        kovtest::ScriptedConsole sc("");
        auto r = run(c.mode, c.first, c.x);
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_LE(r.ybest, c.optimum * (1 + 1e-5)) << c.name;
        EXPECT_GE(r.ybest, c.optimum * (1 - 1e-6)) << c.name;
        // the curve handed back is the fit of row 1
        double sse = 0;
        for (size_t i = 0; i < c.x.size(); ++i) sse += (r.crv[i] - c.x[i]) * (r.crv[i] - c.x[i]);
        EXPECT_NEAR(sse, r.ybest, 1e-4 * r.ybest) << c.name;
        EXPECT_TRUE(sc.output().empty()) << c.name;
    }
    // the parameters of the negative exponential, where the optimum is sharp
    auto r1 = run(1, {0, 0, 0, 0, 0}, ringref::series_medium());
    EXPECT_NEAR(r1.p[0][0], form1_medium_A, 2e-3 * form1_medium_A);
    EXPECT_NEAR(r1.p[0][1], form1_medium_B, 2e-3 * -form1_medium_B);
    EXPECT_NEAR(r1.p[0][2], form1_medium_K, 2e-3 * form1_medium_K);
}

// Reference: a second implementation of the same minimiser in numpy float32
// (tests/detrend/reference/simplex_ref.py), from the same first vertices, on a
// real ring-width series. Both stop at the same vertex after the same number
// of evaluations.
//
// The Hugershoff fit stops at a sum of squares of 209.970, 0.56% above the
// least-squares optimum of 208.798 that curve_fit finds with a time shift of
// about 8.8 years. That is where this minimiser ends, not a fault: every start
// vertex but one has the shift 0 and trial shifts are clipped at 0, so the
// simplex flattens onto the face D = 0, its vertex values there agree to
// 1e-5 and the tolerance test ends the search (at evaluation 402 of 2000).
TEST(Simplex, StopsWhereTheMinimiserStopsOnRingWidths) {
    struct Case {
        const char* name;
        int mode;
        const std::vector<float>& first;
        const std::vector<float>& best;
        double sse;
        int evaluations;
        double optimum;
    };
    const Case cases[] = {
        {"negative exponential", 1, simplex_negexp_first, simplex_negexp_best, simplex_negexp_sse,
         simplex_negexp_evaluations, form1_medium_sse},
        {"general exponential", 2, simplex_gexp_first, simplex_gexp_best, simplex_gexp_sse,
         simplex_gexp_evaluations, form2_medium_sse},
        {"Hugershoff", 3, simplex_hugershoff_first, simplex_hugershoff_best, simplex_hugershoff_sse,
         simplex_hugershoff_evaluations, form3_medium_sse},
    };
    for (const auto& c : cases) {
        kovtest::ScriptedConsole sc("");
        SimplexVertex first{};
        std::copy(c.first.begin(), c.first.end(), first.begin());
        auto r = run(c.mode, first, ringref::series_medium());
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.iter, c.evaluations) << c.name;
        EXPECT_NEAR(r.ybest, c.sse, 1e-6 * c.sse) << c.name;
        for (size_t j = 0; j < c.best.size(); ++j)
            EXPECT_NEAR(r.p[0][j], c.best[j], 1e-5 * (std::fabs(c.best[j]) + 1e-3)) << c.name << " " << j;
        EXPECT_GE(r.ybest, c.optimum * (1 - 1e-6)) << c.name;
        EXPECT_TRUE(sc.output().empty()) << c.name;
    }
}

TEST(Simplex, TrialVerticesNeverGetANegativeTimeShift) {
    // The worst vertex has a large shift and the others none: its reflection
    // would have a shift of -5, which is set to 0.
    for (int mode : {2, 3}) {
        const int ndim = mode + 2, shift = ndim - 2;
        SimplexMatrix p{};
        SimplexValues y{};
        for (int i = 0; i <= ndim; ++i) {
            p[i][0] = 0.5f + 0.1f * i;
            y[i] = 1.0f + i;
        }
        p[ndim][shift] = 5.0f;
        y[ndim] = 1e30f;  // any trial is better: the vertex is replaced
        SimplexVertex psum{};
        for (int j = 0; j < ndim; ++j)
            for (int i = 0; i <= ndim; ++i) psum[j] += p[i][j];
        std::vector<float> x(10, 1.0f);
        auto t = times(10);
        float ytry = amotry(p, y, psum, ndim, ndim + 1, -1.0f, mode, simplex_nemax, 10, t, x);
        EXPECT_EQ(y[ndim], ytry) << mode;
        EXPECT_EQ(p[ndim][shift], 0.0f) << mode;
        EXPECT_FLOAT_EQ(psum[shift], 0.0f) << mode;
    }
}

TEST(Simplex, EvaluationLimitKeepsTheBestVertex) {
    // A tolerance of 0 is never met: the minimiser runs into its limit.
    SimplexMatrix p{};
    SimplexValues y{};
    p[1] = {1, 0, 0, 0, 0};
    p[2] = {0, -0.01f, 0, 0, 0};
    p[3] = {0, 0, 0.1f, 0, 0};
    const auto& x = ringref::series_medium();
    int n = static_cast<int>(x.size());
    auto t = times(n);
    for (int i = 0; i < 4; ++i) y[i] = gamoff(p[i], simplex_nemax, n, t, x, 1);
    kovtest::ScriptedConsole sc("\n");
    int iter = 0;
    amoeba(p, y, 3, iter, 0.0f, 1, simplex_nemax, n, t, x);
    EXPECT_GE(iter, 2000);
    EXPECT_EQ(sc.lines(), std::vector<std::string>{"itmax exceeded in amoeba"});
    for (int i = 1; i < 4; ++i) EXPECT_LE(y[0], y[i]);
    EXPECT_EQ(y[0], gamoff(p[0], simplex_nemax, n, t, x, 1));
}

TEST(Simplex, DataLimit) {
    // every series the program can hold is accepted
    std::vector<float> x(mxy);
    for (int i = 1; i <= mxy; ++i) x[i - 1] = 2.0f * std::exp(-0.001f * i) + 0.5f + 0.01f * ((i * 7) % 5);
    auto r = run(1, {0, 0, 0, 0, 0}, x);
    EXPECT_TRUE(r.ok);

    // beyond the limit the caller hands in, the program stops
    kovtest::ScriptedConsole sc("\n");
    std::vector<float> v{1, 0, 0}, big(2501, 1.0f);
    try {
        gamoff(v, 2500, 2501, times(2501), big, 1);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
    }
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", "in gamoff ne > nemax:       2501      2500", "bye."}));
}

TEST(Simplex, FitWithoutAFiniteSumOfSquaresFails) {
    std::vector<float> x(30, 1e30f);
    auto r = run(1, {0, 0, 0, 0, 0}, x);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.crv, std::vector<float>(30, -1.0f));
}
