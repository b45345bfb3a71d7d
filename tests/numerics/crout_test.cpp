#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "numerics/crout.hpp"
#include "numerics/reference_cases.hpp"
#include "support/test_support.hpp"

using namespace kov;

TEST(Crout, InverseAndDeterminantMatchTheReference) {
    int checked = 0;
    for (const auto& c : kovtest::read_ref_cases("eigen_ref.txt")) {
        if (c.name.rfind("inverse_", 0) != 0) continue;
        const int n = c.count("n"), ld = n + 3;
        const auto m = c.floats("a");
        std::vector<float> a(static_cast<size_t>(ld) * n, 5.0f);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) a[static_cast<size_t>(j) * ld + i] = m[static_cast<size_t>(j) * n + i];
        float det = 0.0f;
        int ierr = 0;
        crout(a, n, det, ld, ierr);
        EXPECT_EQ(ierr, 0) << c.name;
        EXPECT_NEAR(det, c.scalar("det"), 1e-6 * std::fabs(c.scalar("det"))) << c.name;
        const auto& inv = c["inv"];
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const double ref = inv[static_cast<size_t>(j) * n + i];
                EXPECT_NEAR(a[static_cast<size_t>(j) * ld + i], ref, 1e-6 * std::max(1.0, std::fabs(ref))) << c.name;
            }
        for (int i = n; i < ld; ++i) EXPECT_EQ(a[i], 5.0f) << "rows past the order are not touched";
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

TEST(Crout, WorkedCases) {
    struct Case {
        const char* what;
        std::vector<float> a, inverse;  // 3 by 3, column-major
        float det;
    } cases[] = {
        {"identity", {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1.0f},
        {"diagonal", {2, 0, 0, 0, -4, 0, 0, 0, 0.5f}, {0.5f, 0, 0, 0, -0.25f, 0, 0, 0, 2}, -4.0f},
        // Rows 1 and 2 of the identity exchanged: its own inverse, det -1.
        {"rows exchanged", {0, 1, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 0, 1, 0, 0, 0, 0, 1}, -1.0f},
        // [[4,3],[6,3]] with a unit third row: det = (12 - 18) * 1, inverse
        // [[-1/2, 1/2], [1, -2/3]].
        {"pivoted", {4, 6, 0, 3, 3, 0, 0, 0, 1}, {-0.5f, 1, 0, 0.5f, -2.0f / 3.0f, 0, 0, 0, 1}, -6.0f},
    };
    for (const auto& c : cases) {
        auto a = c.a;
        float det = 0.0f;
        int ierr = 2;  // left from an earlier call: an inversion reports 0
        crout(a, 3, det, 3, ierr);
        EXPECT_EQ(ierr, 0) << c.what;
        EXPECT_FLOAT_EQ(det, c.det) << c.what;
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], c.inverse[i], 1e-7f) << c.what << " " << i;
    }
}

TEST(Crout, ExchangingTwoRowsFlipsTheDeterminant) {
    std::vector<float> a = {2, 1, 3, 0, 5, 1, 4, 2, 7}, b = {1, 2, 3, 5, 0, 1, 2, 4, 7};  // rows 1 and 2 exchanged
    float da = 0.0f, db = 0.0f;
    int ierr = 0;
    crout(a, 3, da, 3, ierr);
    crout(b, 3, db, 3, ierr);
    EXPECT_FLOAT_EQ(da, -db);
    EXPECT_NE(da, 0.0f);
}

TEST(Crout, InvertsTheLargestMatrixAndRefusesALargerOne) {
    const int n = 500;
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> a(static_cast<size_t>(n) * n);
    for (auto& v : a) v = u(gen);
    for (int i = 0; i < n; ++i) a[static_cast<size_t>(i) * n + i] += 30.0f;
    const auto orig = a;
    float det = 0.0f;
    int ierr = 0;
    crout(a, n, det, n, ierr);
    ASSERT_EQ(ierr, 0);
    // The product with the original is the identity.
    double worst = 0.0;
    for (int j = 0; j < n; j += 37)
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += static_cast<double>(orig[static_cast<size_t>(k) * n + i]) * a[static_cast<size_t>(j) * n + k];
            worst = std::max(worst, std::fabs(s - (i == j ? 1.0 : 0.0)));
        }
    EXPECT_LT(worst, 1e-5);
    EXPECT_TRUE(std::isfinite(det));  // beyond float range: the largest float, not Inf

    kovtest::ScriptedConsole sc("\n");
    std::vector<float> big(501 * 501, 1.0f);
    const auto big_orig = big;
    ierr = 0;
    float det2 = 3.0f;
    crout(big, 501, det2, 501, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(big, big_orig);
    EXPECT_EQ(det2, 3.0f);
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"*** matrix dimension too large for crout ***"}));
}

TEST(Crout, SingularMatrices) {
    {  // a row of zeros: reported, nothing inverted
        kovtest::ScriptedConsole sc("\n");
        std::vector<float> a = {1, 0, 2, 3, 0, 1, 4, 0, 5};
        const auto orig = a;
        float det = 9.0f;
        int ierr = 0;
        crout(a, 3, det, 3, ierr);
        EXPECT_EQ(ierr, 2);
        EXPECT_EQ(a, orig);
        EXPECT_EQ(det, 9.0f);
        EXPECT_EQ(sc.lines(), (std::vector<std::string>{"*** singular matrix in crout ***"}));
    }
    {  // two equal rows: no message, a zero pivot replaced, very large values
        kovtest::ScriptedConsole sc("");
        std::vector<float> a = {1, 1, 2, 2, 2, 1, 3, 3, 5};
        float det = 9.0f;
        int ierr = 0;
        crout(a, 3, det, 3, ierr);
        EXPECT_EQ(ierr, 0);
        EXPECT_TRUE(sc.lines().empty());
        float largest = 0.0f;
        for (float v : a) {
            EXPECT_TRUE(std::isfinite(v));
            largest = std::max(largest, std::fabs(v));
        }
        EXPECT_GT(largest, 1e15f);
        EXPECT_LT(std::fabs(det), 1e-15f);
    }
    {  // two chained zero pivots (U = [1 1 1; 0 0 -1; 0 0 0] after the
       // interchanges) put 1e40 into the inverse, beyond float range: refused
       // as singular
        kovtest::ScriptedConsole sc("\n");
        std::vector<float> a = {1, 1, 1, 1, 1, 1, 0, 1, 1};
        const auto orig = a;
        float det = 9.0f;
        int ierr = 0;
        crout(a, 3, det, 3, ierr);
        EXPECT_EQ(ierr, 2);
        EXPECT_EQ(a, orig);
        EXPECT_EQ(sc.lines(), (std::vector<std::string>{"*** singular matrix in crout ***"}));
    }
}
