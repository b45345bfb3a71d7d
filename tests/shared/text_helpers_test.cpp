// Cases from the worked edge cases of the console text helpers.
#include <gtest/gtest.h>

#include "shared/text_helpers.hpp"

using namespace kov;

TEST(TextHelpers, AnsfmtLeftJustifiesAndCountsNonBlanks) {
    struct Case {
        std::string in, out, fmt;
    } cases[] = {
        {"  12    ", "12      ", "(i2)"},
        {"12      ", "12      ", "(i2)"},
        {"        ", "        ", "(i0)"},
        {"  1 2   ", "1       ", "(i2)"},  // only c characters move
        {"-1234567890", "-1234567890", "(i11)"},
        {" 1234567890", "1234567890 ", "(i10)"},
    };
    for (const auto& c : cases) {
        std::string ans = c.in, fmt;
        ansfmt(ans, fmt);
        EXPECT_EQ(ans, c.out) << "'" << c.in << "'";
        EXPECT_EQ(fmt, padded(c.fmt, 20)) << "'" << c.in << "'";
    }
}

TEST(TextHelpers, StrposRulesAndFallThrough) {
    struct Case {
        std::string str;
        int mode, start, expect;
    } cases[] = {
        {"abc     ", 1, -7, 3},
        {"abcdefgh", 1, -7, 8},       // no blank: falls through to the last non-blank
        {" abc    ", 1, -7, 0},
        {"abc     ", 7, -7, 3},       // any other mode behaves as 1
        {"ab cd   ", 2, -7, 5},
        {"        ", 2, -7, 0},
        {"        ", 1, -7, 0},       // 1 finds a blank at position 1
        {"site.rwl", 3, -7, 4},
        {"ab cd.e ", 3, -7, 2},
        {"abcdefgh", 3, -7, -7},      // neither blank nor full stop: unchanged
        {"", 1, -7, -7},
        {"", 2, -7, -7},
        {"", 3, -7, -7},
    };
    for (const auto& c : cases) {
        int ipos = c.start;
        strpos(c.str, ipos, c.mode);
        EXPECT_EQ(ipos, c.expect) << "'" << c.str << "' mode " << c.mode;
    }
}

TEST(TextHelpers, IfmtNarrowestLayoutAtEveryBoundary) {
    struct Case {
        int v;
        const char* fmt;
    } cases[] = {
        {0, "(i1)"},       {9, "(i1)"},       {10, "(i2)"},        {42, "(i2)"},       {-1, "(i2)"},
        {-5, "(i2)"},      {-9, "(i2)"},      {-10, "(i3)"},       {999, "(i3)"},      {1000, "(i4)"},
        {-999, "(i4)"},    {-1000, "(i5)"},   {99999, "(i5)"},     {100000, "(i6)"},   {999999, "(i6)"},
        {-99999, "(i6)"},  {-100000, "(i7)"}, {-999999, "(i7)"},   {1000000, ""},      {-1000000, ""},
    };
    for (const auto& c : cases) {
        std::string fmt = "junk";
        ifmt(c.v, fmt);
        EXPECT_EQ(fmt, padded(c.fmt, 20)) << c.v;
    }
}

TEST(TextHelpers, LjustAndBlnkfil) {
    struct Case {
        std::string in, out;
    } cases[] = {{"    ", "    "}, {"ab  ", "ab  "}, {"  ab", "ab  "}, {" a b ", "a b  "}, {"", ""}};
    for (const auto& c : cases) {
        std::string s = c.in;
        ljust(s);
        EXPECT_EQ(s, c.out) << "'" << c.in << "'";
    }
    std::string s = "x\ty z";
    blnkfil(s);
    EXPECT_EQ(s, "     ");
}

TEST(TextHelpers, NospaceClosesUpBlanksWithinTheFirstN) {
    struct Case {
        std::string in;
        int n;
        std::string out;
    } cases[] = {
        {padded("my file.txt", 60), 60, padded("myfile.txt", 60)},
        {padded("a   b  c.txt", 60), 60, padded("abc.txt", 60)},
        // a name filling all n positions with a blank ends with a blank
        {"ab cd", 5, "abcd "},
        // characters after position n are not touched
        {"a b c d", 3, "ab  c d"},
        {" a", 1, " a"},
        {"  ", 2, "  "},
        // a tab is not a blank
        {"a\t b", 4, "a\tb "},
    };
    for (const auto& c : cases) {
        std::string s = c.in;
        nospace(s, c.n);
        EXPECT_EQ(s, c.out) << "'" << c.in << "' n " << c.n;
    }
}
