#include <gtest/gtest.h>

#include <string>

#include "options/optdesc.hpp"

using kov::optdesc;

namespace {

struct DescCase {
    int number, code;
    std::string text;  // before padding to 50
};

std::string pad50(std::string s) {
    s.resize(50, ' ');
    return s;
}

}  // namespace

// Texts by number and code, chosen where a code range, a sign or a cut decides
// the text.
TEST(Optdesc, TextsAtTheBoundariesOfTheirCodes) {
    const DescCase cases[] = {
        {1, 1, "!tucson ring-width format"},
        {1, 4, "!tree-ring compact data format"},
        {2, 0, "!missing values estimated (no plots)"},
        {2, 7, "!missing values estimated (w/ plots)"},
        {3, 0, "!no data transformation (no plots)"},
        {3, -5, "!adaptive power transform (w/ plots)"},
        {3, 4, "!spread/level power transform (no plots)"},
        {4, -6, "!    age-dependent spline, init spline"},
        {5, 8, "!    general negative exponential curve"},
        {4, 9, ""},
        {5, -7, ""},
        {4, -9, ""},
        {4, 10, "!    spline curve (fixed 50% cutoff)"},
        {5, -10, "!    spline curve (pct n 50% cutoff)"},
        {5, 200, "!    spline curve (fixed 50% cutoff)"},
        {9, -1, ""},
        {9, -3, "!robust ar + outliers removed (w/ plots)"},
        // One character too long for the field: the closing parenthesis goes.
        {10, 3, "!user-supplied pooled ar model order fit (no plots"},
        {10, -4, "!user-supplied pooled ar model order fit (w/ plots"},
        {10, -1, "!minimum aic pooled ar model order fit (w/ plots)"},
        {11, -2, ""},
        {12, 1, "!no mean chronologies computed"},
        {12, 4, ""},
        {12, 6, "!arithmetic mean with bootstrap limits"},
        {12, 8, "!jth quantile with bootstrap limits"},
        {13, 5, ""},
        {13, -10, "!spline stabilized (pct n 50% cutoff)"},
        {14, 0, "!no common period analysis performed"},
        {14, -1950, "!no common period analysis performed"},
        {14, 1, "!first and last years of common period"},
        {15, 99, "!site-tree-core separation mask"},
        {16, -1, "!running rbar window/overlap (w/ plots)"},
        {16, 0, "!no running rbar analysis performed"},
        {17, 0, ""},
        {18, 7, "!series saved in comma-delimited columns"},
        {19, 3, "!spaghetti and mean chronology plots"},
        {20, 3, "!nowacki/abrams (modified by vane)"},
        {20, 4, ""},
        {21, 1234, "!running mean window width"},
        {23, 0, "!standard error limit threshold"},
        {0, 0, "!bloody hell if i know!"},
        {24, 1, "!bloody hell if i know!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(optdesc(c.number, c.code), pad50(c.text)) << "number " << c.number << " code " << c.code;
    }
}

// A data-type code no reader admits has no text rather than another line's.
TEST(Optdesc, DataTypeOutsideOneToFourIsBlank) {
    EXPECT_EQ(optdesc(1, 0), std::string(50, ' '));
    EXPECT_EQ(optdesc(1, 5), std::string(50, ' '));
    EXPECT_EQ(optdesc(1, -31), std::string(50, ' '));
}
