#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "shared/layout.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

// One case of tests/data/layout_reference.txt, written by gfortran from
// tests/shared/layout_reference.f90: the marker's fields and the text after it.
struct RefCase {
    std::vector<std::string> fields;  // fields[0] is W, R, M or F
    std::string text;
};

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t k = s.find(sep, start);
        out.push_back(s.substr(start, k == std::string::npos ? std::string::npos : k - start));
        if (k == std::string::npos) return out;
        start = k + 1;
    }
}

std::vector<RefCase> reference_cases() {
    const std::string all = kovtest::read_file(kovtest::test_data("layout_reference.txt"));
    std::vector<RefCase> cases;
    std::size_t at = all.find("@@");
    while (at != std::string::npos) {
        std::size_t next = all.find("@@", at + 2);
        std::string chunk = all.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
        std::size_t eol = chunk.find('\n');
        RefCase c;
        c.fields = split(chunk.substr(0, eol), '\t');
        c.text = eol == std::string::npos ? "" : chunk.substr(eol + 1);
        cases.push_back(std::move(c));
        at = next;
    }
    return cases;
}

// A value token as the Fortran program prints it; reals come back to the same
// binary value (9 digits for a 32-bit real, 18 for a 64-bit one).
FVal value_of(const std::string& tok) {
    const std::string body = tok.substr(1);
    switch (tok.at(0)) {
    case 'i': return FVal(std::stoll(body));
    case 'r': return FVal(static_cast<double>(std::strtof(body.c_str(), nullptr)));
    case 'd': return FVal(std::strtod(body.c_str(), nullptr));
    case 'a': return FVal(body);
    }
    ADD_FAILURE() << "unknown value token " << tok;
    return FVal();
}

std::string show(const std::vector<FVal>& vals) {
    std::string s;
    for (const FVal& v : vals) {
        if (v.kind == FVal::Int) s += " i" + std::to_string(v.i);
        if (v.kind == FVal::Real) s += " r" + std::to_string(v.r);
        if (v.kind == FVal::Text) s += " a[" + v.s + "]";
    }
    return s;
}

// Compares values read by the engine with the "=" line of a read case; reals
// as the 32-bit reals the Fortran program read, sign of zero included.
void expect_values(const std::vector<FVal>& got, const std::string& result_line, const std::string& where) {
    std::vector<std::string> toks = split(result_line.substr(1), '\t');
    toks.erase(toks.begin());  // the line starts with a tab
    ASSERT_EQ(got.size(), toks.size()) << where << " got" << show(got);
    for (std::size_t k = 0; k < toks.size(); ++k) {
        const FVal want = value_of(toks[k]);
        ASSERT_EQ(got[k].kind, want.kind) << where << " value " << k;
        if (want.kind == FVal::Int) {
            EXPECT_EQ(got[k].i, want.i) << where << " value " << k;
        } else if (want.kind == FVal::Text) {
            EXPECT_EQ(got[k].s, want.s) << where << " value " << k;
        } else {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(got[k].r)),
                      std::bit_cast<std::uint32_t>(static_cast<float>(want.r)))
                << where << " value " << k << ": " << got[k].r << " vs " << want.r;
        }
    }
}

std::string first_line(const std::string& s) { return s.substr(0, s.find('\n')); }

}  // namespace

TEST(LayoutReference, WritesEveryLineAsGfortranDoes) {
    int n = 0;
    for (const RefCase& c : reference_cases()) {
        if (c.fields[0] != "W") continue;
        ++n;
        std::vector<FVal> vals;
        for (std::size_t k = 2; k < c.fields.size(); ++k) vals.push_back(value_of(c.fields[k]));
        EXPECT_EQ(format_values(c.fields[1], vals), c.text) << "layout " << c.fields[1];
    }
    EXPECT_GT(n, 0) << "no write cases in the reference file";
}

TEST(LayoutReference, ReadsFieldsAsGfortranDoes) {
    int n = 0;
    for (const RefCase& c : reference_cases()) {
        if (c.fields[0] != "R") continue;
        ++n;
        const std::string where = c.fields[2] + " [" + c.fields[3] + "]";
        const std::string result = first_line(c.text);
        if (result == "=error") {
            EXPECT_THROW(read_values(c.fields[2], c.fields[3], std::stoi(c.fields[1])), ReadError) << where;
        } else {
            expect_values(read_values(c.fields[2], c.fields[3], std::stoi(c.fields[1])), result, where);
        }
    }
    EXPECT_GT(n, 0) << "no read cases in the reference file";
}

TEST(LayoutReference, ReadsOverSeveralRecordsAsGfortranDoes) {
    int n = 0;
    for (const RefCase& c : reference_cases()) {
        if (c.fields[0] != "M") continue;
        ++n;
        std::size_t next = 3;
        auto next_line = [&]() -> std::optional<std::string> {
            if (next >= c.fields.size()) return std::nullopt;
            return c.fields[next++];
        };
        const std::string where = c.fields[2] + " over " + std::to_string(c.fields.size() - 3) + " lines";
        const std::string result = first_line(c.text);
        if (result == "=end") {
            EXPECT_THROW(read_records(c.fields[2], next_line, std::stoi(c.fields[1])), EndOfData) << where;
        } else {
            expect_values(read_records(c.fields[2], next_line, std::stoi(c.fields[1])), result, where);
        }
    }
    EXPECT_GT(n, 0) << "no multi-record cases in the reference file";
}

TEST(LayoutReference, ReadsFreeFormAsGfortranDoes) {
    int n = 0;
    for (const RefCase& c : reference_cases()) {
        if (c.fields[0] != "F") continue;
        ++n;
        const std::string& line = c.fields[1];
        std::vector<std::string> toks = split(first_line(c.text).substr(1), '\t');
        ASSERT_EQ(toks.size(), 3u) << line;
        const std::vector<std::string> fields = free_fields(line);
        ASSERT_FALSE(fields.empty()) << line;
        if (toks[1] == "error") {
            EXPECT_THROW(free_int(fields[0]), ReadError) << line;
        } else {
            EXPECT_EQ(free_int(fields[0]), value_of(toks[1]).i) << line;
        }
        if (toks[2] == "error") {
            EXPECT_THROW(free_real(fields[0]), ReadError) << line;
        } else {
            EXPECT_EQ(static_cast<float>(free_real(fields[0])), static_cast<float>(value_of(toks[2]).r)) << line;
        }
    }
    EXPECT_GT(n, 0) << "no free-form cases in the reference file";
}

// Where the compiled runtime is not the model.

TEST(LayoutWrite, TabBackAfterAMovePastTheEndGoesToItsColumn) {
    // gfortran puts Z in column 11 here (a fault of its pending-blank logic);
    // tN means column N: the blank at column 4 was skipped, Z stands at 5.
    EXPECT_EQ(fmt("('abc',10x,t5,'Z')"), "abc Z\n");
    EXPECT_EQ(fmt("('abc',t20,t2,'Z')"), "aZc\n");
}

TEST(LayoutWrite, ArgumentsSpreadIntoValues) {
    // a range gives one value per element, as a Fortran array does; a char is text
    EXPECT_EQ(fmt("(i3,a,f5.1)", 7, "x", 2.5f), "  7x  2.5\n");
    EXPECT_EQ(fmt("(2a3)", std::vector<std::string>{"ab", "cdef"}), " abcde\n");
    EXPECT_EQ(fmt("(3f4.1)", std::vector<float>{1.f, 2.f, 3.f}), " 1.0 2.0 3.0\n");
    EXPECT_EQ(fmt("(a1,a1)", 'x', std::string("y")), "xy\n");
}

// A text of UTF-8 letters of two bytes takes the columns of its field by
// characters, so that its row lines up with rows of plain identifiers, also
// past a later tN: an identifier in its 8 columns (Ñandú01 and a blank, 9
// bytes; eight Cyrillic letters, 16) shows its first 7 in a7, and a text of 8
// bytes with fewer letters (ЖЖЖЖ) its letters and blanks after them. The
// expected rows are written by hand, column by column.
TEST(LayoutWrite, TextOfSeveralByteCharactersFillsItsColumns) {
    const struct {
        std::string id, row;
    } cases[] = {
        {"AB12CD01", "     3   AB12CD0  1990  x\n"},
        {"\u00d1and\u00fa01 ", "     3   \u00d1and\u00fa01  1990  x\n"},
        {"\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416",
         "     3   \u0416\u0416\u0416\u0416\u0416\u0416\u0416  1990  x\n"},
        {"\u00d1and\u00fa0", "     3   \u00d1and\u00fa0   1990  x\n"},
        {"\u0416\u0416\u0416\u0416", "     3   \u0416\u0416\u0416\u0416     1990  x\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt("(t2,i5,3x,a7,i6,t25,a)", 3, c.id, 1990, "x"), c.row) << c.id;
    // a text shorter than its field in bytes is right-justified by characters
    EXPECT_EQ(fmt("(a6,'|')", "\u00d1a"), "    \u00d1a|\n");
}

// Statistics as the listings show them: the undefined marker always fits its
// field, a value that rounds to zero carries no minus sign; any other value,
// and a plain real, prints as the descriptor writes it.
TEST(LayoutWrite, StatisticsShowAFittingMarkerAndAnUnsignedZero) {
    const struct {
        const char* layout;
        double value;
        const char* shown;
    } cases[] = {
        {"(f8.3)", -99.0, " -99.000"},  // the usual form where it fits
        {"(f7.3)", -99.0, "-99.000"},   // ... even without a blank before it
        {"(f7.4)", -99.0, " -99.00"},   // "-99.0000" does not fit
        {"(f6.3)", -99.0, " -99.0"},
        {"(f5.2)", -99.0, " -99."},
        {"(f4.2)", -99.0, " -99"},
        {"(f3.1)", -99.0, "-99"},
        {"(f2.0)", -99.0, "**"},        // no form fits at all
        {"(f6.3)", -0.0004, " 0.000"},
        {"(f7.4)", -0.00004, " 0.0000"},
        {"(f5.0)", -0.4, "   0."},
        {"(f6.3)", -0.0005, "-0.001"},  // rounds away from zero
        {"(f6.3)", -0.25, "-0.250"},
        {"(f6.3)", 99.5, "99.500"},
        {"(f6.3)", -99.5, "******"},    // a real value too wide stays asterisks
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fmt(c.layout, Statistic{c.value}), std::string(c.shown) + "\n") << c.layout << " " << c.value;
    }
    // a plain real keeps the descriptor's form
    EXPECT_EQ(fmt("(f6.3)", -99.0f), "******\n");
    EXPECT_EQ(fmt("(f6.3)", -0.0004f), "-0.000\n");
    // ranges of statistics, and values with nothing to show
    EXPECT_EQ(fmt("(t2,' sss:',t9,3f6.3)", std::vector<Statistic>{{0.0}, {-99.0}, {-1e-5}}),
              "  sss:   0.000 -99.0 0.000\n");
    EXPECT_EQ(fmt("(i4,2f8.3,a3)", FVal(12LL), FVal::nothing(), FVal(1.5), FVal::nothing()),
              "  12           1.500\n");
}

// Reals of a fixed-column table that would fill their fW.d or are too wide
// for it: fewer decimals, so that a blank stands before every value, and only
// without any decimals a wider field. The floats below are those nearest to
// the decimals written: 183859.66 is 183859.65625 (a step of 1/64 between
// 2^17 and 2^18), whose fourth decimal rounds to even, as does the fifth of
// 40341.703125 (exact in binary); 9999.999 is 9999.9990234375, which rounds
// up to 10000.00 with two decimals.
TEST(LayoutWrite, FittedRealsKeepTheirFieldWhereTheyCan) {
    const struct {
        float value;
        int w, d;
        const char* descriptor;
        const char* shown;
    } cases[] = {
        {43.939995f, 12, 6, "f12.6", "   43.939995"},
        {-0.014216f, 12, 6, "f12.6", "   -0.014216"},
        {4341.703125f, 12, 6, "f12.6", " 4341.703125"},   // a blank left: as the table has it
        {40341.703125f, 12, 6, "f12.5", " 40341.70312"},  // f12.6 would fill the field
        {183859.66f, 12, 6, "f12.4", " 183859.6562"},     // f12.5 would fill it
        {-1234567.0f, 12, 6, "f12.2", " -1234567.00"},
        {1.0e15f, 12, 6, "f17.0", " 999999986991104."},  // no decimals left: a wider field
        {999.999f, 8, 3, "f8.3", " 999.999"},
        {9999.999f, 8, 3, "f8.1", " 10000.0"},             // 10000.00 would fill it
        {12345.678f, 8, 3, "f8.1", " 12345.7"},
        {117612.3f, 8, 3, "f8.0", " 117612."},
        {-11.339f, 7, 3, "f7.2", " -11.34"},
        {-0.123f, 6, 3, "f6.2", " -0.12"},
        {-99.0f, 6, 3, "f6.1", " -99.0"},                  // the marker, as a statistic shows it
        {-99.0f, 7, 3, "f7.2", " -99.00"},
        {99.5f, 6, 3, "f6.2", " 99.50"},
        {-99.5f, 6, 3, "f6.1", " -99.5"},
    };
    for (const auto& c : cases) {
        const std::string d = fitted_reals(std::span<const float>(&c.value, 1), c.w, c.d);
        EXPECT_EQ(d, c.descriptor) << c.value;
        EXPECT_EQ(fmt("(" + d + ")", c.value), std::string(c.shown) + "\n") << c.value;
    }
    const std::vector<float> row = {183859.66f, -1.955775f, 0.012602f, -58.068756f};
    EXPECT_EQ(fitted_reals(row, 12, 6), "f12.4,f12.6,f12.6,f12.6");
    // Statistics are measured as they are shown: a zero has no sign to make
    // room for (the plain real needs a decimal less), -99 is the marker.
    const std::vector<Statistic> stats = {{-0.0001f}, {-99.0f}, {0.25f}};
    const std::string d = fitted_reals(std::span<const Statistic>(stats), 6, 3);
    EXPECT_EQ(d, "f6.3,f6.1,f6.3");
    EXPECT_EQ(fmt("(" + d + ")", stats), " 0.000 -99.0 0.250\n");
    EXPECT_EQ(fitted_real(-0.0001f, 6, 3), "f6.2");
}

// After a label's colon a value needs no blank before it: it keeps the
// table's decimals while it fills the field ("eigenvalue:12.859"), and takes
// fewer only where it would overflow it.
TEST(LayoutWrite, AValueAfterALabelMayFillItsField) {
    const struct {
        float value;
        const char* descriptor;
        const char* shown;
    } cases[] = {
        {5.125f, "f6.3", " 5.125"},
        {12.859f, "f6.3", "12.859"},
        {99.9996f, "f6.2", "100.00"},  // 100.000 would not fit
        {119.93f, "f6.2", "119.93"},
        {-12.85f, "f6.2", "-12.85"},
        {12345.6f, "f6.0", "12346."},
        {123456.7f, "f7.0", "123457."},  // no decimals left: a wider field
    };
    for (const auto& c : cases) {
        const std::string d = fitted_real_after_label(c.value, 6, 3);
        EXPECT_EQ(d, c.descriptor) << c.value;
        EXPECT_EQ(fmt("('eigenvalue:'," + d + ")", c.value), std::string("eigenvalue:") + c.shown + "\n") << c.value;
    }
}

TEST(LayoutWrite, MalformedLayoutsAreRefused) {
    for (const char* bad : {"i5", "(i5", "(i5))", "(q5)", "(f5)", "(i0)", "('abc)", "(0i5)", "(t0)",
                            "(i5) x", "(2t5)"}) {
        EXPECT_THROW(fmt(bad, 1), LayoutError) << bad;
    }
    // eW.d reads, but the engine does not write it
    EXPECT_THROW(fmt("(e10.3)", 1.0), LayoutError);
}

TEST(LayoutRead, CountBeyondTheItemsGoesOnAlongTheSameLine) {
    // (2i3) on " 1 2 3 4 5": i3 i3, then the layout starts again at column 7
    std::vector<FVal> v = read_values("(2i3)", "  1  2  3  4", 5);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0].i, 1);
    EXPECT_EQ(v[1].i, 2);
    EXPECT_EQ(v[2].i, 3);
    EXPECT_EQ(v[3].i, 4);
    EXPECT_EQ(v[4].i, 0);  // past the end of the line: blanks
    // no count: the items once
    EXPECT_EQ(read_values("(2i3)", "  1  2  3  4").size(), 2u);
    EXPECT_EQ(read_values("(i2,3(i2,1x),a)", "").size(), 5u);
    // a slash goes on in an empty record
    v = read_values("(i2,/,i2)", " 7 8");
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].i, 7);
    EXPECT_EQ(v[1].i, 0);
}

// An empty numeric field reads as 0 and is marked, so that a reader can tell
// a field with nothing in it from one that holds 0.
TEST(LayoutRead, EmptyNumericFieldsAreMarked) {
    const std::vector<FVal> v = read_values("(i3,f4.1,i3,i2,a2)", "  1      0");
    ASSERT_EQ(v.size(), 5u);
    const bool blank[5] = {false, true, false, true, false};  // "  1", "    ", "  0", past the end, text
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(v[k].blank, blank[k]) << k;
    EXPECT_EQ(v[1].r, 0.0);
    EXPECT_EQ(v[2].i, 0);
}

TEST(LayoutRead, AloneReadsTheRestOfTheLine) {
    std::vector<FVal> v = read_values("(i2,a)", "12 rest of it ");
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1].s, " rest of it ");
    v = read_values("(a4)", "ab");
    EXPECT_EQ(v.at(0).s, "ab  ");
}

TEST(LayoutRead, ValuesOutOfRangeAndBadLayoutsAreReadErrors) {
    // gfortran stores Infinity for these; the program never lets one in
    EXPECT_THROW(read_values("(f8.2)", "   1e99"), ReadError);
    EXPECT_THROW(read_values("(f8.2)", "-4.0e38"), ReadError);
    EXPECT_THROW(read_values("(i12)", " 2147483648"), ReadError);
    EXPECT_EQ(read_values("(i12)", "-2147483648").at(0).i, -2147483648LL);
    EXPECT_EQ(static_cast<float>(read_values("(f8.2)", "1.0e-99").at(0).r), 0.0f);
    EXPECT_EQ(read_values("(f9.2)", "1.0e-999").at(0).r, 0.0);
    // layouts from a data file or typed by the user
    EXPECT_THROW(read_values("(i5", "1"), ReadError);
    EXPECT_THROW(read_values("(x5)", "1"), ReadError);
    EXPECT_THROW(read_values("('ab',i3)", "ab  1"), ReadError);
    EXPECT_THROW(read_values("(999999(999999(1x)),i5)", "1", 1), ReadError);
    EXPECT_THROW(read_values("(999999(999999i1))", "1"), ReadError);
    // tabs are not blanks inside a fixed field
    EXPECT_THROW(read_values("(i4)", " \t12"), ReadError);
    // a long field keeps every digit
    EXPECT_EQ(read_values("(f30.0)", "  123456789012345678901234.5").at(0).r, 123456789012345678901234.5);
}

TEST(LayoutFreeForm, FieldsAreSplitOnBlanksTabsAndCommas) {
    struct Case {
        const char* line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"  12  3.5", {"12", "3.5"}},
        {"1,2,3", {"1", "2", "3"}},
        {"1,,2", {"1", "2"}},  // no empty values
        {"\t4\t, 5 ", {"4", "5"}},
        {"7 / 8", {"7"}},  // a slash ends the values
        {"", {}},
        {"   ", {}},
        {"abc x.y", {"abc", "x.y"}},
    };
    for (const Case& c : cases) EXPECT_EQ(free_fields(c.line), c.fields) << c.line;
    EXPECT_THROW(free_int(""), ReadError);
    EXPECT_THROW(free_real("inf"), ReadError);
    EXPECT_THROW(free_real("nan"), ReadError);
    EXPECT_THROW(free_real("1e99"), ReadError);
    EXPECT_THROW(free_int("3*5"), ReadError);
}

TEST(LayoutWrite, LongLinesAndManyCallsKeepTheirColumns) {
    // a row of 8001 series as the weights file writes it: 6 + 8001*8 columns
    std::vector<float> row(8001, -9.99f);
    row[8000] = 0.5f;
    const std::string line = fmt("(i6,8001f8.4)", 1901, row);
    ASSERT_EQ(line.size(), 6u + 8001u * 8u + 1u);
    EXPECT_EQ(line.substr(0, 14), "  1901 -9.9900");
    EXPECT_EQ(line.substr(line.size() - 9), "  0.5000\n");
    // read back by the layout that skips the year
    std::vector<FVal> back = read_values("(6x,8001f8.4)", line.substr(0, line.size() - 1), 8001);
    ASSERT_EQ(back.size(), 8001u);
    EXPECT_EQ(static_cast<float>(back[0].r), -9.99f);
    EXPECT_EQ(static_cast<float>(back[8000].r), 0.5f);
}
