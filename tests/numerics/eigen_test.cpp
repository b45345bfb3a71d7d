#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numerics/eigen.hpp"
#include "numerics/reference_cases.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

const std::vector<kovtest::RefCase>& eigen_refs() {
    static const auto cases = kovtest::read_ref_cases("eigen_ref.txt");
    return cases;
}

// Column j (0-based) of a column-major matrix with leading dimension ld.
std::vector<double> column(const std::vector<float>& m, int ld, int n, int j) {
    return std::vector<double>(m.begin() + static_cast<long>(j) * ld, m.begin() + static_cast<long>(j) * ld + n);
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

}  // namespace

TEST(Htdql, AgreesWithLapackUpToTheSignOfEachVector) {
    int checked = 0;
    for (const auto& c : eigen_refs()) {
        if (c.name.rfind("eigen_", 0) != 0) continue;
        int n = c.count("n");
        const int ld = n + 2;  // a caller's table with spare rows
        const auto m = c.floats("z");
        std::vector<float> z(static_cast<size_t>(ld) * n, 0.0f), d(n), e(n);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) z[static_cast<size_t>(j) * ld + i] = m[static_cast<size_t>(j) * n + i];
        // Only the lower triangle is read.
        for (int j = 1; j < n; ++j)
            for (int i = 0; i < j; ++i) z[static_cast<size_t>(j) * ld + i] = 1e6f;
        double norm = 0;
        for (double v : c["d"]) norm = std::max(norm, std::fabs(v));
        htdql(n, ld, d, e, z);
        ASSERT_EQ(n, c.count("n")) << c.name;
        const auto& dref = c["d"];
        const auto& vref = c["v"];
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(d[k], dref[k], 2e-6 * n * norm) << c.name << " eigenvalue " << k + 1;
            // Vectors of nearly equal eigenvalues are ill determined; compare
            // where the gap to the neighbours allows.
            double gap = norm;
            if (k > 0) gap = std::min(gap, dref[k - 1] - dref[k]);
            if (k + 1 < n) gap = std::min(gap, dref[k] - dref[k + 1]);
            const std::vector<double> ref(vref.begin() + static_cast<long>(k) * n, vref.begin() + static_cast<long>(k + 1) * n);
            const auto got = column(z, ld, n, k);
            const double sign = dot(got, ref) < 0 ? -1.0 : 1.0;
            const double tol = std::max(1e-5, 4e-6 * n * norm / gap);
            for (int i = 0; i < n; ++i) EXPECT_NEAR(sign * got[i], ref[i], tol) << c.name << " vector " << k + 1 << " row " << i + 1;
            EXPECT_NEAR(dot(got, got), 1.0, 1e-5) << c.name;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

TEST(Htdql, DiagonalAndOneByOneMatrices) {
    {
        int n = 1;
        std::vector<float> z = {2.5f}, d(1), e(1);
        htdql(n, 1, d, e, z);
        EXPECT_EQ(n, 1);
        EXPECT_EQ(d[0], 2.5f);
        EXPECT_EQ(z[0], 1.0f);
    }
    {
        // Diagonal 1, 4, -2, 4: sorted from the largest down with the unit
        // vectors following; the equal pair stays adjacent, the later of the
        // two (row 4) first.
        int n = 4;
        std::vector<float> z(16, 0.0f), d(4), e(4);
        const float diag[4] = {1.0f, 4.0f, -2.0f, 4.0f};
        for (int i = 0; i < 4; ++i) z[i * 4 + i] = diag[i];
        htdql(n, 4, d, e, z);
        EXPECT_EQ(d, (std::vector<float>{4.0f, 4.0f, 1.0f, -2.0f}));
        const int rows[4] = {3, 1, 0, 2};
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 4; ++i) EXPECT_EQ(std::fabs(z[k * 4 + i]), i == rows[k] ? 1.0f : 0.0f) << k << " " << i;
    }
}

TEST(Htdql, AnUndecomposableMatrixGivesOrderZeroAndTheMessage) {
    kovtest::ScriptedConsole sc("");
    int n = 3;
    std::vector<float> z = {1.0f, 0.5f, std::numeric_limits<float>::infinity(), 0.5f, 1.0f, 0.2f, 0.0f, 0.2f, 1.0f};
    std::vector<float> d(3), e(3);
    htdql(n, 3, d, e, z);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"0>>sbr htdql: eigenvector computation terminated after 30 iterations"}));
}

TEST(Sgnfix, FlipsColumnsWhoseNegativeEntriesWeighMore) {
    const int ld = 4, n = 3, nf = 4;
    // Column 1 all negative; column 2 balanced exactly (9 = 9); column 3
    // mostly positive; column 4 negative by a hair, with a zero. Row 4 is
    // outside the rows in use and stays.
    std::vector<float> a = {-0.5f, -0.2f, -0.1f, 7.0f,  //
                            3.0f, -3.0f, 0.0f, -7.0f,   //
                            0.9f, -0.3f, 0.1f, -7.0f,   //
                            0.0f, -0.6f, 0.59f, 7.0f};
    std::vector<int> sgn(nf, 0);
    sgnfix(a, n, nf, ld, sgn);
    EXPECT_EQ(sgn, (std::vector<int>{-1, 1, 1, -1}));
    EXPECT_EQ(a, (std::vector<float>{0.5f, 0.2f, 0.1f, 7.0f, 3.0f, -3.0f, 0.0f, -7.0f, 0.9f, -0.3f, 0.1f, -7.0f,
                                     -0.0f, 0.6f, -0.59f, 7.0f}));
}

TEST(Varimax, AgreesWithTheReferenceRotationToThreeDecimals) {
    int checked = 0;
    for (const auto& c : kovtest::read_ref_cases("varimax_ref.txt")) {
        const int n = c.count("n"), nf = c.count("nf"), ld = n + 1;
        const auto a0 = c.floats("a");
        std::vector<float> a(static_cast<size_t>(ld) * nf, 0.0f);
        for (int j = 0; j < nf; ++j)
            for (int i = 0; i < n; ++i) a[static_cast<size_t>(j) * ld + i] = a0[static_cast<size_t>(j) * n + i];
        const auto a_in = a;
        std::vector<float> b(a.size()), t(a.size()), fvar(nf), h(n);
        varimax(a, n, nf, b, t, fvar, h, ld);
        EXPECT_EQ(a, a_in);
        const auto& bref = c["b"];
        // Match every rotated factor to the reference column it lies along.
        for (int j = 0; j < nf; ++j) {
            const auto got = column(b, ld, n, j);
            int best = -1;
            double best_dot = 0;
            for (int k = 0; k < nf; ++k) {
                const std::vector<double> ref(bref.begin() + static_cast<long>(k) * n, bref.begin() + static_cast<long>(k + 1) * n);
                const double dt = dot(got, ref) / std::sqrt(dot(ref, ref) * dot(got, got));
                if (std::fabs(dt) > std::fabs(best_dot)) {
                    best_dot = dt;
                    best = k;
                }
            }
            ASSERT_GE(best, 0);
            const double sign = best_dot < 0 ? -1.0 : 1.0;
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR(sign * got[i], bref[static_cast<size_t>(best) * n + i], 5e-4) << c.name << " factor " << j + 1 << " row " << i + 1;
            // Mean squared loading of the factor.
            EXPECT_NEAR(fvar[j], dot(got, got) / n, 1e-6) << c.name;
        }
        // Row lengths of the loadings, and a rotation that is orthonormal and
        // carries a into b.
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < nf; ++j) s += static_cast<double>(a[j * ld + i]) * a[j * ld + i];
            EXPECT_NEAR(h[i], std::sqrt(s), 1e-6) << c.name;
            for (int j = 0; j < nf; ++j) {
                double r = 0;
                for (int k = 0; k < nf; ++k) r += static_cast<double>(a[k * ld + i]) * t[j * ld + k];
                EXPECT_NEAR(b[j * ld + i], r, 2e-6) << c.name;
            }
        }
        for (int j = 0; j < nf; ++j)
            for (int k = 0; k < nf; ++k) {
                double s = 0;
                for (int i = 0; i < nf; ++i) s += static_cast<double>(t[j * ld + i]) * t[k * ld + i];
                EXPECT_NEAR(s, j == k ? 1.0 : 0.0, 2e-6) << c.name;
            }
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

TEST(Varimax, NothingToRotate) {
    {  // one factor: unchanged, rotation 1, mean squared loading
        std::vector<float> a = {0.6f, -0.8f, 0.3f}, b(3), t(3, 7.0f), fvar(1), h(3);
        varimax(a, 3, 1, b, t, fvar, h, 3);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(b[i], a[i], 1e-7f);
        EXPECT_EQ(t[0], 1.0f);
        EXPECT_NEAR(fvar[0], (0.36f + 0.64f + 0.09f) / 3.0f, 1e-7f);
        EXPECT_EQ(h, (std::vector<float>{0.6f, 0.8f, 0.3f}));
    }
    {  // every variable on one factor only: already simple, no turn at all;
       // a variable with no loadings stays 0 (no division by its zero length)
        const int n = 5, nf = 3;
        std::vector<float> a = {0.7f, 0.0f, 0.0f, -0.5f, 0.0f,  //
                                0.0f, 0.9f, 0.0f, 0.0f, 0.0f,   //
                                0.0f, 0.0f, 0.4f, 0.0f, 0.0f};
        std::vector<float> b(15), t(15), fvar(3), h(5);
        varimax(a, n, nf, b, t, fvar, h, n);
        EXPECT_EQ(b, a);
        for (int j = 0; j < nf; ++j)
            for (int k = 0; k < nf; ++k) EXPECT_EQ(t[j * n + k], j == k ? 1.0f : 0.0f);
        EXPECT_EQ(h[4], 0.0f);
        for (float v : fvar) EXPECT_TRUE(std::isfinite(v));
    }
}
