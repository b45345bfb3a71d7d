#include <gtest/gtest.h>

#include <string>

#include "options/option_block.hpp"

using namespace kov;

namespace {

OptionBlock filled(int v) {
    OptionBlock ov;
    for (int k = 1; k <= 30; ++k)
        for (int j = 1; j <= 5; ++j) ov(k, j) = v;
    return ov;
}

OptionBlock defaults() {
    OptionBlock ov;
    std::string mask;
    set_option_defaults(ov, mask);
    return ov;
}

}  // namespace

// The values after one menu call with no change, as listed for the block;
// the two carried plot switches keep what they held.
TEST(OptionDefaults, SetsEveryListedSlotAndKeepsTheTwoCarriedPlotSwitches) {
    OptionBlock ov = filled(0);
    ov(2, 2) = 1;
    ov(20, 5) = 1;
    for (int k = 1; k <= 20; ++k)
        for (int j = 1; j <= 5; ++j)
            if (!(k == 2 && j == 2) && !(k == 20 && j == 5)) ov(k, j) = 77;
    std::string mask = "abcdefgh";
    set_option_defaults(ov, mask);

    OptionBlock want = filled(0);
    want(1, 1) = 1;
    want(2, 1) = -9;
    want(2, 2) = 1;
    want(4, 1) = -6;
    want(4, 2) = 20;
    want(6, 1) = 1;
    want(8, 1) = 1;
    want(9, 1) = 1;
    want(12, 1) = 2;
    want(13, 1) = 1;
    want(16, 1) = 50;
    want(16, 2) = 25;
    want(17, 1) = 2;
    want(20, 5) = 1;
    // Slots no option uses are not the defaults' business.
    for (int k = 1; k <= 20; ++k)
        for (int j = 1; j <= 5; ++j) {
            bool used = j == 1 || (k == 2 && j == 2) || (k == 3 && j == 2) || ((k == 4 || k == 5 || k == 9 || k == 16) && j <= 3) ||
                        (k == 10 && j == 2) || (k == 12 && j <= 4) || (k == 14 && j == 2) || k == 20;
            if (!used) want(k, j) = 77;
        }
    EXPECT_EQ(ov, want);
    EXPECT_EQ(mask, "SSSTTCC ");
}

TEST(DescriptionCode, PlotSwitchesAndTheMeanChronologyCode) {
    struct Case {
        const char* what;
        void (*set)(OptionBlock&);
        int line, code;
    };
    const Case cases[] = {
        {"no chronology, bootstrap set", [](OptionBlock& o) { o(12, 1) = 0; o(12, 3) = 1; }, 12, 1},
        {"arithmetic", [](OptionBlock& o) { o(12, 1) = 1; }, 12, 2},
        {"biweight", [](OptionBlock& o) { o(12, 1) = 2; }, 12, 3},
        {"quantile", [](OptionBlock& o) { o(12, 1) = -1; }, 12, 5},
        {"arithmetic, bootstrap", [](OptionBlock& o) { o(12, 1) = 1; o(12, 3) = 1; }, 12, 6},
        {"biweight, bootstrap", [](OptionBlock& o) { o(12, 1) = 2; o(12, 3) = 1; }, 12, 7},
        {"quantile, bootstrap", [](OptionBlock& o) { o(12, 1) = -25; o(12, 3) = 1; }, 12, 8},
        {"pooled order 3 plotted", [](OptionBlock& o) { o(10, 1) = 3; o(10, 2) = 1; }, 10, -4},
        {"pooled aic plotted", [](OptionBlock& o) { o(10, 2) = 1; }, 10, -1},
        {"pooled order 3", [](OptionBlock& o) { o(10, 1) = 3; }, 10, 3},
        {"transformation plotted", [](OptionBlock& o) { o(3, 1) = 3; o(3, 2) = 1; }, 3, -3},
        {"robust ar plotted", [](OptionBlock& o) { o(9, 1) = 2; o(9, 3) = 1; }, 9, -2},
        {"rbar plotted", [](OptionBlock& o) { o(16, 3) = 1; }, 16, -50},
        {"rbar switch other than 1", [](OptionBlock& o) { o(16, 3) = 2; }, 16, 50},
        {"stand dynamics ignores its plot", [](OptionBlock& o) { o(20, 1) = 2; o(20, 5) = 1; }, 20, 2},
        {"missing data: the plot switch", [](OptionBlock& o) { o(2, 2) = 1; }, 2, 1},
        {"common period first year", [](OptionBlock& o) { o(14, 1) = 1901; o(14, 2) = 1980; }, 14, 1901},
        {"threshold window", [](OptionBlock& o) { o(20, 2) = 30; }, 21, 30},
        {"threshold change", [](OptionBlock& o) { o(20, 3) = 25; }, 22, 25},
        {"threshold error", [](OptionBlock& o) { o(20, 4) = 2; }, 23, 2},
        {"data type", [](OptionBlock& o) { o(1, 1) = 4; }, 1, 4},
    };
    for (const auto& c : cases) {
        OptionBlock ov = defaults();
        c.set(ov);
        EXPECT_EQ(description_code(ov, c.line), c.code) << c.what;
    }
}

TEST(OptionDescription, DetrendingLinesCarryTheirPassMark) {
    OptionBlock ov = defaults();
    EXPECT_EQ(option_description(ov, 4).substr(0, 38), "!1st-age-dependent spline, init spline");
    EXPECT_EQ(option_description(ov, 5).substr(0, 28), "!2nd-no detrending performed");
    ov(4, 1) = -2;
    ov(5, 1) = -6;
    EXPECT_EQ(option_description(ov, 4).substr(0, 39), "!1st-regional curve method (briffa rcs)");
    EXPECT_EQ(option_description(ov, 5).substr(0, 38), "!rcs-age-dependent spline, init spline");
    EXPECT_EQ(option_description(ov, 5, SecondPassMark::second).substr(0, 38),
              "!2nd-age-dependent spline, init spline");
}

TEST(CheckOption, RefusesWhatWouldDivideByZeroAndWhatIsOutOfRange) {
    struct Case {
        const char* what;
        void (*set)(OptionBlock&);
        int line;
        bool refused;
        const char* names;  // a value the refusal must name
    };
    const Case cases[] = {
        {"defaults", [](OptionBlock&) {}, 16, false, ""},
        {"overlap equals window", [](OptionBlock& o) { o(16, 1) = 50; o(16, 2) = 50; }, 16, true, "50"},
        {"overlap above window", [](OptionBlock& o) { o(16, 1) = 20; o(16, 2) = 25; }, 16, true, "25"},
        {"overlap just below window", [](OptionBlock& o) { o(16, 1) = 50; o(16, 2) = 49; }, 16, false, ""},
        {"no window", [](OptionBlock& o) { o(16, 1) = 0; o(16, 2) = 25; }, 16, false, ""},
        {"bootstrap period 4", [](OptionBlock& o) { o(12, 3) = 1; o(12, 4) = 4; }, 12, true, "4"},
        {"bootstrap period 5", [](OptionBlock& o) { o(12, 3) = 1; o(12, 4) = 5; }, 12, false, ""},
        {"period 0 without bootstrap", [](OptionBlock& o) { o(12, 4) = 0; }, 12, false, ""},
        {"quantile -100", [](OptionBlock& o) { o(12, 1) = -100; }, 12, false, ""},
        {"quantile -101", [](OptionBlock& o) { o(12, 1) = -101; }, 12, true, ""},
        {"bootstrap plot 2", [](OptionBlock& o) { o(12, 2) = 2; }, 12, true, ""},
        {"first spline stiffness 4", [](OptionBlock& o) { o(4, 2) = 4; }, 4, true, "4"},
        {"first spline stiffness 5", [](OptionBlock& o) { o(4, 2) = 5; }, 4, false, ""},
        {"second spline stiffness 0", [](OptionBlock& o) { o(5, 1) = -6; o(5, 2) = 0; }, 5, true, "0"},
        {"smoother sensitivity 0", [](OptionBlock& o) { o(4, 1) = -5; o(4, 2) = 0; }, 4, false, ""},
        {"robust ar criterion 0", [](OptionBlock& o) { o(9, 1) = 2; o(9, 2) = 0; }, 9, true, "0"},
        {"robust ar criterion 3", [](OptionBlock& o) { o(9, 1) = 3; o(9, 2) = 3; }, 9, false, ""},
        {"plain ar criterion 0", [](OptionBlock& o) { o(9, 1) = 1; o(9, 2) = 0; }, 9, false, ""},
        {"ar criterion 4", [](OptionBlock& o) { o(9, 2) = 4; }, 9, true, ""},
        {"common period reversed", [](OptionBlock& o) { o(14, 1) = 1950; o(14, 2) = 1949; }, 14, true, "1949"},
        {"common period one year", [](OptionBlock& o) { o(14, 1) = 1950; o(14, 2) = 1950; }, 14, false, ""},
        {"common period first year only", [](OptionBlock& o) { o(14, 1) = 1950; }, 14, false, ""},
        {"data type 0", [](OptionBlock& o) { o(1, 1) = 0; }, 1, true, ""},
        {"series ar order -2", [](OptionBlock& o) { o(11, 1) = -2; }, 11, true, ""},
        {"release window 4", [](OptionBlock& o) { o(20, 1) = 2; o(20, 2) = 4; }, 21, true, ""},
        {"outlier analysis, window 0", [](OptionBlock& o) { o(20, 1) = 1; o(20, 2) = 0; }, 21, false, ""},
        {"window 51", [](OptionBlock& o) { o(20, 1) = 1; o(20, 2) = 51; }, 21, true, ""},
        {"change 201", [](OptionBlock& o) { o(20, 1) = 1; o(20, 3) = 201; }, 22, true, ""},
        {"error limit -1, modified", [](OptionBlock& o) { o(20, 1) = 3; o(20, 4) = -1; }, 23, true, ""},
        {"error limit -1, outliers", [](OptionBlock& o) { o(20, 1) = 1; o(20, 4) = -1; }, 23, false, ""},
    };
    for (const auto& c : cases) {
        OptionBlock ov = defaults();
        c.set(ov);
        OptionCheck r = check_option(ov, c.line);
        EXPECT_EQ(static_cast<bool>(r), c.refused) << c.what;
        EXPECT_NE(r.what.find(c.names), std::string::npos) << c.what << ": " << r.what;
    }
}
