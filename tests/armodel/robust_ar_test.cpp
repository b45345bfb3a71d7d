#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "armodel/robust_ar.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace {
#include "armodel/reference/robust_ar_ref.inc"
}  // namespace

using namespace kov;

namespace {

struct RobustRun {
    std::vector<float> x, w1, w2, w3, w4, w5, phi;
    int ip = -1;
    float r2 = -1;
};

RobustRun run(int method, int code = 1, int maxp = 3, int mode = 1) {
    auto& opt = shared().optval;
    opt(9, 1) = method;
    opt(9, 2) = code;
    RobustRun r;
    r.x = robust_series;
    const int n = static_cast<int>(r.x.size());
    for (auto* w : {&r.w1, &r.w2, &r.w3, &r.w4, &r.w5}) w->assign(ar_work_capacity, 0.0f);
    r.phi.assign(11, 0.0f);
    rbar(r.x, n, r.w1, r.w2, r.w3, r.w4, r.w5, maxp, mode, r.phi, r.ip, r.r2, ar_work_capacity);
    return r;
}

void expect_series(const std::vector<float>& got, const std::vector<double>& want, double tol,
                   const std::string& what) {
    for (size_t t = 0; t < want.size(); ++t) EXPECT_NEAR(got[t], want[t], tol) << what << " year " << t + 1;
}

}  // namespace

// The three methods against a double-precision implementation built on
// statsmodels' Burg estimator (robust_ar_ref.py): a series with three
// outliers, order 2 fixed, threshold 2.0.
TEST(RobustAr, MethodsMatchIndependentImplementation) {
    struct Case {
        int method;
        const std::vector<double>& x;
        const std::vector<double>& phi;
    };
    for (const Case& c : {Case{1, robust_m1_x, robust_m1_phi}, Case{2, robust_m2_x, robust_m2_phi},
                          Case{3, robust_m3_x, robust_m3_phi}}) {
        SCOPED_TRACE("method " + std::to_string(c.method));
        const RobustRun r = run(c.method);
        ASSERT_EQ(r.ip, 2);
        EXPECT_NEAR(r.phi[0], c.phi[0], 2e-4);
        EXPECT_NEAR(r.phi[1], c.phi[1], 2e-4);
        expect_series(r.x, c.x, 5e-4, "x");
        expect_series(r.w4, std::vector<double>(robust_series.begin(), robust_series.end()), 0.0, "w4");
    }
    const RobustRun m2 = run(2), m3 = run(3);
    expect_series(m2.w1, robust_m2_w1, 5e-4, "w1 method 2");
    expect_series(m2.w2, robust_m2_w2, 5e-4, "w2 method 2");
    expect_series(m2.w3, robust_m2_w3, 5e-4, "w3 method 2");
    expect_series(m3.w2, robust_m3_w2, 5e-4, "w2 method 3");
    expect_series(m3.w3, robust_m3_w3, 5e-4, "w3 method 3");
    // the outliers put in at years 30 and 90 stand out of the outlier series
    EXPECT_GT(m3.w3[29] - 1.0f, 0.5f);
    EXPECT_LT(m3.w3[89] - 1.0f, -0.5f);
}

// Method 1 returns exactly the pass-1 residuals that the robust methods keep in w5.
TEST(RobustAr, PlainResidualsEqualFirstPassOfRobustMethods) {
    const RobustRun m1 = run(1, 1, 11, 0);
    for (int method : {2, 3}) {
        const RobustRun r = run(method, 1, 11, 0);
        for (size_t t = 0; t < robust_series.size(); ++t) ASSERT_EQ(m1.x[t], r.w5[t]) << method << " " << t;
    }
}

// Weights: exp(-exp(c (|u| - c))) inside the limit, 0 at and beyond it
// (hand values: exp(-exp(-4)) = 0.98185, exp(-exp(-2)) = 0.87345,
// exp(-exp(-6.6564)) = 0.99871, exp(-exp(-4.0764)) = 0.98317).
TEST(RobustAr, ResidualWeights) {
    struct Case {
        float u, c, w;
    };
    for (const Case& k : {Case{0.0f, 2.0f, 0.98185f}, Case{0.99999f, 2.0f, 0.87345f}, Case{-0.99999f, 2.0f, 0.87345f},
                          Case{1.0f, 2.0f, 0.0f}, Case{-1.5f, 2.0f, 0.0f}, Case{0.0f, 2.58f, 0.99871f},
                          Case{0.99999f, 2.58f, 0.98317f}, Case{0.5f, 3.5f, 1.0f}})
        EXPECT_NEAR(robust_residual_weight(k.u, k.c), k.w, 5e-5) << k.u << " " << k.c;
    EXPECT_EQ(ar_outlier_threshold(1), 2.0f);
    EXPECT_EQ(ar_outlier_threshold(2), 2.58f);
    EXPECT_EQ(ar_outlier_threshold(3), 3.5f);
}

// A robust method with an inadmissible code stops after its console line; the
// mean type comes back to its entry value after a robust fit.
TEST(RobustAr, ThresholdCodeAndMeanType) {
    for (int method : {2, 3}) {
        kovtest::ScriptedConsole console("\n");
        shared().optval(12, 1) = 1;
        EXPECT_THROW(run(method, 0), Stop);
        EXPECT_NE(console.output().find("\n SBR RBAR: AR outlier detection threshold inadmissible:  0"),
                  std::string::npos)
            << console.output();
    }
    kovtest::ScriptedConsole console("");
    shared().optval(12, 1) = -50;
    run(2, 2);
    EXPECT_EQ(shared().optval(12, 1), -50);
    run(1, 0);  // method 1 does not look at the code
    EXPECT_EQ(shared().optval(12, 1), -50);
}
