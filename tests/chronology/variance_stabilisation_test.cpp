#include <gtest/gtest.h>

#include <vector>

#include "chronology/variance_stabilisation.hpp"

using namespace kov;

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
