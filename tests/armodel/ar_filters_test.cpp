#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "armodel/ar_filters.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

namespace {
#include "armodel/reference/filters_ref.inc"
}  // namespace

using namespace kov;

namespace {

double max_abs_diff(const std::vector<float>& a, const std::vector<double>& b) {
    EXPECT_GE(a.size(), b.size());
    double m = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

std::vector<float> work() { return std::vector<float>(ar_work_capacity); }

}  // namespace

// Reference: scipy.signal.lfilter on the levelled series with the backcasts in
// front (tests/armodel/reference/filters_ref.py); float against double.
TEST(ArFilters, EqualReferenceFilters) {
    const int n = static_cast<int>(filter_index.size());
    struct Case {
        const char* name;
        const std::vector<float>& phi;
        const std::vector<double>& pre;
        const std::vector<double>& re;
    };
    const Case cases[] = {
        {"order 3", phi_p3, prewhitened_p3, rewhitened_p3},
        {"order 10", phi_p10, prewhitened_p10, rewhitened_p10},
    };
    for (const auto& c : cases) {
        const int p = static_cast<int>(c.phi.size());
        std::vector<float> x = filter_index, w = work();
        prewht(x, w, n, p, c.phi, ar_work_capacity);
        x.resize(n);
        EXPECT_LT(max_abs_diff(x, c.pre), 1e-5) << c.name;

        x = filter_index;
        rewht(x, w, n, c.phi, p, ar_work_capacity);
        EXPECT_LT(max_abs_diff(x, c.re), 1e-5) << c.name;

        // a chronology with depth in every year is filtered the same way
        std::vector<int> cnt(n, 4);
        std::vector<float> pre = filter_index, re = filter_index;
        prwcrn(pre, cnt, w, n, p, c.phi, ar_work_capacity);
        rwhcrn(re, cnt, w, n, c.phi, p, ar_work_capacity);
        EXPECT_LT(max_abs_diff(pre, c.pre), 1e-5) << c.name;
        EXPECT_LT(max_abs_diff(re, c.re), 1e-5) << c.name;
    }
}

TEST(ArFilters, OutliersAroundOneGetTheirImpulseResponse) {
    std::vector<float> x(200, 1.0f), y(200 + 3, -5.0f);
    x[49] = 1.8f;
    x[119] = 0.4f;
    const auto before = x;
    rwhone(x, y, 200, phi_p3, 3, 203);
    EXPECT_EQ(x, before);
    y.resize(200);
    EXPECT_LT(max_abs_diff(y, impulses_p3), 1e-6);
}

TEST(ArFilters, YearsWithoutDepthEnterAsTheLevelAndComeOutAsOne) {
    // Hand computation, order 1, phi 0.5: valid mean 4, levelled -2 0 (0) 2,
    // backcast 0.5 x -2 = -1.
    //   residuals:  -2 - 0.5(-1) = -1.5,  0 - 0.5(-2) = 1,  (1.0),  2 - 0.5(0) = 2
    //   recursion:  -2 + 0.5(-1) = -2.5,  0 + 0.5(-2.5) = -1.25,  (0),  2 + 0.5(0) = 2
    const std::vector<float> chron{2, 4, 9, 6}, phi{0.5f};
    const std::vector<int> cnt{1, 1, 0, 1};
    std::vector<float> w = work();
    std::vector<float> pre = chron, re = chron;
    prwcrn(pre, cnt, w, 4, 1, phi, ar_work_capacity);
    rwhcrn(re, cnt, w, 4, phi, 1, ar_work_capacity);
    EXPECT_EQ(pre, (std::vector<float>{2.5f, 5.0f, 1.0f, 6.0f}));
    EXPECT_EQ(re, (std::vector<float>{1.5f, 2.75f, 1.0f, 6.0f}));
}

TEST(ArFilters, OrderZeroLeavesTheSeries) {
    const std::vector<float> s{0.8f, 1.3f, 0.95f, 1.1f, 0.7f};
    const std::vector<int> cnt{2, 2, 0, 2, 2};
    std::vector<float> w = work(), none;
    std::vector<float> a = s, b = s, c = s, d = s, y(5);
    prewht(a, w, 5, 0, none, ar_work_capacity);
    rewht(b, w, 5, none, 0, ar_work_capacity);
    prwcrn(c, cnt, w, 5, 0, none, ar_work_capacity);
    rwhcrn(d, cnt, w, 5, none, 0, ar_work_capacity);
    rwhone(s, y, 5, none, 0, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(a[i], s[i], 1e-6);
        EXPECT_NEAR(b[i], s[i], 1e-6);
        EXPECT_NEAR(y[i], s[i], 1e-6);
        EXPECT_NEAR(c[i], cnt[i] > 0 ? s[i] : 1.0f, 1e-6);
        EXPECT_NEAR(d[i], cnt[i] > 0 ? s[i] : 1.0f, 1e-6);
    }
}

TEST(ArFilters, BackcastRoom) {
    // a chronology of the full capacity takes the largest order
    std::vector<float> x(mxy), w = work(), phi(ar_max_order, 0.05f);
    for (int i = 0; i < mxy; ++i) x[i] = 1.0f + 0.1f * std::sin(0.3f * i);
    std::vector<int> cnt(mxy, 1);
    EXPECT_NO_THROW(prwcrn(x, cnt, w, mxy, ar_max_order, phi, ar_work_capacity));
    EXPECT_NO_THROW(rwhcrn(x, cnt, w, mxy, phi, ar_max_order, ar_work_capacity));

    // one value more than the work vector holds ends the program
    kovtest::ScriptedConsole sc("\n");
    try {
        prwcrn(x, cnt, w, mxy, ar_max_order, phi, ar_work_capacity - 1);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_failure);
    }
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", "*** no room in array for backcasts ***"}));
}
