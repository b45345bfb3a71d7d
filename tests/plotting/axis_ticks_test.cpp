#include "plotting/axis_ticks.hpp"

#include <gtest/gtest.h>

namespace {

using kov::axtick;
using kov::nicesc;

struct Scale {
    float a, b;
    float vmin, step, vmax;
};

TEST(NiceScale, NineIntervalsCoverTheRange) {
    // Worked by hand: (b - a) / 9 is normalised into [1, 10), rounded up to the
    // next mantissa of 1, 1.2, 1.6, 2, 2.5, 3, 4, 5, 6, 8, 10, and the scale is
    // centred on the range at a multiple of the step.
    const Scale cases[] = {
        {-500, 2000, -600, 300, 2100},  // 2500/9 = 277.8 -> 3.0: x = -1.5, j = -2
        {1000, 3100, 1000, 250, 3250},  // 2100/9 = 233.3 -> 2.5: x = 4.2, j = 4
        {3, 3, 0, 0.4f, 3.6f},          // degenerate above 0: from 0, 3/9 = 0.333 -> 4.0
        {-3, -3, -3.6f, 0.4f, 0},       // degenerate below 0: up to 0
        {0, 0, 0, 0.12f, 1.08f},        // degenerate at 0: 0 to 1, 1/9 = 0.111 -> 1.2
        {0, 900, 0, 100, 900},          // exact: 100 per interval, from 0
    };
    for (const auto& c : cases) {
        float vmin = -1, step = -1, vmax = -1;
        int ierr = -1;
        nicesc(c.a, c.b, 10, vmin, step, vmax, ierr);
        SCOPED_TRACE(testing::Message() << c.a << " to " << c.b);
        EXPECT_EQ(ierr, 0);
        EXPECT_NEAR(vmin, c.vmin, 1e-3);
        EXPECT_NEAR(step, c.step, 1e-4);
        EXPECT_NEAR(vmax, c.vmax, 1e-3);
    }
}

TEST(NiceScale, RefusedRangesLeaveTheOutputsAlone) {
    struct {
        float a, b;
        int n;
    } cases[] = {{5, 4, 10}, {0, 10, 1}, {-3e38f, 3e38f, 10}};
    for (const auto& c : cases) {
        float vmin = 7, step = 8, vmax = 9;
        int ierr = 0;
        nicesc(c.a, c.b, c.n, vmin, step, vmax, ierr);
        EXPECT_EQ(ierr, 1);
        EXPECT_EQ(vmin, 7);
        EXPECT_EQ(step, 8);
        EXPECT_EQ(vmax, 9);
    }
}

TEST(AxisTicks, XStepsFollowTheYearSpan) {
    struct {
        float xmin, xmax;
        int nsub;
        float tick, new_min, new_max;
    } cases[] = {
        {1900, 1950, 10, 10, 1900, 1950}, {1900, 1951, 5, 20, 1900, 1951}, {1950, 1900, 10, 10, 1950, 1900},
        {1800, 1950, 10, 20, 1800, 1950}, {1500, 2000, 5, 50, 1500, 2000}, {1000, 2000, 10, 100, 1000, 2000},
        {0, 2000, 5, 250, 0, 2000},       {-500, 2000, 5, 300, -600, 2100}, {1000, 3100, 5, 250, 1000, 3250},
    };
    for (const auto& c : cases) {
        float xmin = c.xmin, xmax = c.xmax, ymin = 0, ymax = 1, zmin = 0, zmax = 1, xt = 0, yt = 0, zt = 0;
        int nx = 0, ny = 0, nz = 0;
        axtick(xmin, xmax, ymin, ymax, zmin, zmax, nx, ny, nz, xt, yt, zt);
        SCOPED_TRACE(testing::Message() << c.xmin << " to " << c.xmax);
        EXPECT_EQ(nx, c.nsub);
        EXPECT_FLOAT_EQ(xt, c.tick);
        EXPECT_FLOAT_EQ(xmin, c.new_min);
        EXPECT_FLOAT_EQ(xmax, c.new_max);
    }
}

TEST(AxisTicks, ValueMaximaRoundUpAndSetTheSteps) {
    struct {
        float vmin, vmax;
        float new_min, new_max;
        int nsub;
        float tick;
    } cases[] = {
        {0, 0.97f, 0, 1.0f, 4, 0.5f},   // 0.97 -> 1.0, span 1
        {0, 1.3f, 0, 1.5f, 4, 0.5f},    // frac 0.3 -> up to .5
        {0, 1.7f, 0, 2.0f, 4, 0.5f},    // frac 0.7 -> next integer
        {0, 1.5f, 0, 1.5f, 4, 0.5f},    // on the half stays
        {0, 2.0f, 0, 2.5f, 4, 0.5f},    // an integer rises by .5; span 2.5 truncates to 2
        {0, 3.2f, 0, 3.5f, 4, 1.0f},    // span 3
        {0, 9.0f, 0, 9.5f, 4, 2.0f},    // span 9
        {0, 10.0f, 0, 15.0f, 5, 5.0f},  // 10 -> 15
        {0, 23.0f, 0, 25.0f, 5, 5.0f},  // 23 -> 25
        {0, 27.0f, 0, 30.0f, 5, 5.0f},  // 27 -> 30
        {0, 20.0f, 0, 25.0f, 5, 5.0f},  // 20 -> 25
        {0, 66.0f, 0, 70.0f, 2, 10.0f}, // span 70
        {0, 100.0f, 0, 150.0f, 5, 100.0f},
        {0, 449.0f, 0, 450.0f, 5, 100.0f},
        {-0.3f, 0.2f, -0.3f, 0.5f, 4, 0.5f},  // span |ymin| + ymax
        {-0.3f, -0.2f, -0.3f, 0.5f, 4, 0.5f}, // a negative maximum rounds toward zero
        {0, 851.0f, 0, 900.0f, 5, 100.0f},    // 851 -> 900 (frac 51), span 900 -> nice scale 0..900 by 100
    };
    for (const auto& c : cases) {
        float xmin = 1900, xmax = 1950, ymin = c.vmin, ymax = c.vmax, zmin = c.vmin, zmax = c.vmax, xt = 0, yt = 0,
              zt = 0;
        int nx = 0, ny = 0, nz = 0;
        axtick(xmin, xmax, ymin, ymax, zmin, zmax, nx, ny, nz, xt, yt, zt);
        SCOPED_TRACE(testing::Message() << c.vmin << " to " << c.vmax);
        EXPECT_NEAR(ymax, c.new_max, 1e-5);
        EXPECT_NEAR(ymin, c.new_min, 1e-5);
        EXPECT_EQ(ny, c.nsub);
        EXPECT_FLOAT_EQ(yt, c.tick);
        // the z axis follows the same rules
        EXPECT_NEAR(zmax, c.new_max, 1e-5);
        EXPECT_EQ(nz, c.nsub);
        EXPECT_FLOAT_EQ(zt, c.tick);
        EXPECT_EQ(nx, 10);  // a wide value axis leaves the x rule alone
    }
}

}  // namespace
