#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using namespace kov;
using kovtest::ScriptedConsole;
using kovtest::TempDir;

namespace {

// The example file of a default run for site01.txt, as documented.
std::vector<std::string> default_file() {
    return kovtest::split_lines(kovtest::default_commands("site01.txt"));
}

OptionBlock defaults(std::string* mask = nullptr) {
    OptionBlock ov;
    std::string m;
    set_option_defaults(ov, m);
    if (mask) *mask = m;
    return ov;
}

// Writes a whole command file the way the set-up does: line 1, then wrbatch.
std::vector<std::string> write_file(const TempDir& dir, const OptionBlock& ov, const std::string& mask,
                                    const std::string& name = "site01.txt") {
    OutFile out;
    EXPECT_TRUE(out.open_fresh((dir / "site01_log.txt").string()));
    out.write("('data file #',i3,'  --  ',a)", 1, padded(name, 60));
    wrbatch(ov, mask, out);
    out.close();
    return kovtest::split_lines(dir.read("site01_log.txt"));
}

struct ReadResult {
    int status = -1;
    std::vector<std::string> console;
};

// Reads `text` as a command file into the shared block, which starts as `before`.
ReadResult read_text(const TempDir& dir, const std::string& text, const OptionBlock& before = OptionBlock{},
                     const std::string& datfil = "site01.txt") {
    dir.write("cmd_log.txt", text);
    shared().optval = before;
    shared().stcmask = "xxxxxxxx";
    TextIn in;
    EXPECT_TRUE(in.open((dir / "cmd_log.txt").string()));
    ScriptedConsole sc("");
    ReadResult r;
    r.status = rdbatch(in, 1, datfil);
    r.console = sc.lines();
    return r;
}

}  // namespace

TEST(Wrbatch, DefaultOptionsGiveTheDocumentedFile) {
    TempDir dir;
    std::string mask;
    OptionBlock ov = defaults(&mask);
    std::vector<std::string> got = write_file(dir, ov, mask);
    std::vector<std::string> want = default_file();
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(rtrim(got[i]), want[i]) << "line " << i + 1;
    // Line 1 fills the name out to column 80.
    EXPECT_EQ(got[0].size(), 80u);
}

TEST(Wrbatch, FieldsStandAtTheirColumns) {
    TempDir dir;
    std::string mask;
    OptionBlock ov = defaults(&mask);
    ov(12, 1) = -25;
    ov(12, 3) = 0;
    ov(12, 4) = 20;
    ov(12, 2) = 1;
    ov(10, 1) = 3;
    ov(10, 2) = 1;
    std::vector<std::string> got = write_file(dir, ov, mask);
    // Quantile in 1-3, bootstrap switch in 5, period from 9, plot switch in 14.
    EXPECT_EQ(got[12].substr(0, 19), "-25 0   20   1     ");
    EXPECT_EQ(rtrim(got[12].substr(19)), "!jth quantile tree-ring chronology");
    EXPECT_EQ(got[10].substr(0, 19), "3            1     ");
    EXPECT_EQ(got[10].substr(19), "!user-supplied pooled ar model order fit (w/ plots");
}

// A value that fills its field keeps one blank before the next value; the
// line reads back with every value in place.
TEST(Wrbatch, FullFieldsAreKeptApart) {
    TempDir dir;
    std::string mask;
    OptionBlock ov = defaults(&mask);
    ov(12, 1) = -100;
    ov(12, 3) = 1;
    ov(12, 4) = 20;
    ov(12, 2) = 1;
    ov(14, 1) = 123456;
    ov(14, 2) = 654321;
    std::vector<std::string> got = write_file(dir, ov, mask);
    EXPECT_EQ(rtrim(got[12]), "-100 1  20   1     !jth quantile with bootstrap limits");
    EXPECT_EQ(rtrim(got[14]), "123456 654321      !first and last years of common period");
}

TEST(BatchCommandFile, OptionBlocksGoThroughWriterAndReaderUnchanged) {
    struct Case {
        const char* what;
        std::function<void(OptionBlock&, std::string&)> set;
    };
    const std::vector<Case> cases = {
        {"defaults", [](OptionBlock&, std::string&) {}},
        {"quantile -100 with bootstrap and its plot",
         [](OptionBlock& o, std::string&) { o(12, 1) = -100; o(12, 3) = 1; o(12, 4) = 20; o(12, 2) = 1; o(13, 1) = 0; }},
        {"quantile -25, arithmetic off",
         [](OptionBlock& o, std::string&) { o(12, 1) = -25; o(12, 4) = 0; }},
        {"robust ar with plots, fixed orders",
         [](OptionBlock& o, std::string&) {
             o(9, 1) = 3; o(9, 2) = 2; o(9, 3) = 1; o(10, 1) = 3; o(10, 2) = 1; o(11, 1) = -1;
         }},
        {"regional curve",
         [](OptionBlock& o, std::string&) { o(4, 1) = -2; o(4, 2) = 0; o(4, 3) = 1; o(5, 1) = -6; o(5, 2) = 10; o(5, 3) = 1; }},
        {"lowess and median",
         [](OptionBlock& o, std::string&) { o(4, 1) = -4; o(4, 2) = -30; o(5, 1) = -3; o(5, 2) = 7; }},
        {"transformation, data type, saves",
         [](OptionBlock& o, std::string&) {
             o(1, 1) = 4; o(3, 1) = 5; o(3, 2) = 1; o(8, 1) = 2; o(7, 1) = 3; o(17, 1) = 4; o(18, 1) = 7; o(19, 1) = 3;
             o(2, 2) = 1;
         }},
        {"stand dynamics with thresholds",
         [](OptionBlock& o, std::string&) { o(20, 1) = 3; o(20, 2) = 10; o(20, 3) = 25; o(20, 4) = 2; o(20, 5) = 1; }},
        {"outlier analysis, thresholds left at 0", [](OptionBlock& o, std::string&) { o(20, 1) = 1; }},
        // What the entry can store at the edges of the refusals below.
        {"every plot switch on, differences, first differences twice",
         [](OptionBlock& o, std::string&) {
             o(2, 2) = 1; o(3, 1) = 1; o(3, 2) = 1; o(4, 1) = -1; o(4, 3) = 1; o(5, 1) = -1; o(5, 3) = 1;
             o(8, 1) = 2; o(9, 1) = 2; o(9, 2) = 1; o(9, 3) = 1; o(10, 2) = 1; o(12, 3) = 1; o(12, 4) = 20;
             o(12, 2) = 1; o(16, 3) = 1; o(20, 1) = 1; o(20, 5) = 1;
         }},
        {"splines and common period",
         [](OptionBlock& o, std::string&) {
             o(4, 1) = -67; o(5, 1) = 300; o(5, 2) = -5; o(13, 1) = -10; o(14, 1) = 1901; o(14, 2) = 1980;
             o(16, 1) = 30; o(16, 2) = -5; o(16, 3) = 1;
         }},
        {"values that fill or outgrow their fields",
         [](OptionBlock& o, std::string&) {
             o(2, 1) = -99999; o(2, 2) = 1;
             o(4, 1) = 15; o(4, 2) = 1234567; o(4, 3) = 1;
             o(5, 1) = -123456; o(5, 2) = 1234567; o(5, 3) = 1;
             o(12, 3) = 1; o(12, 4) = 123456;
             o(13, 1) = -2147483647 - 1; o(14, 1) = -12345; o(14, 2) = 123456;
             o(16, 1) = 100000; o(16, 2) = 99999; o(16, 3) = 1;
             o(20, 1) = 1; o(20, 5) = 1; o(20, 2) = -2147483647; o(20, 3) = -12345678; o(20, 4) = -9;
         }},
        {"mask none", [](OptionBlock&, std::string& m) { m = " none   "; }},
        {"mask with lower case", [](OptionBlock&, std::string& m) { m = "sstt cc "; }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string mask;
        OptionBlock ov = defaults(&mask);
        c.set(ov, mask);
        write_file(dir, ov, mask);
        ReadResult r = read_text(dir, dir.read("site01_log.txt"));
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_TRUE(shared().optval == ov) << c.what;
        EXPECT_EQ(shared().stcmask, mask) << c.what;
    }
}

TEST(Rdbatch, EchoesEveryLineWithTheDataFileInWork) {
    TempDir dir;
    ReadResult r = read_text(dir, kovtest::join_lines(default_file()), OptionBlock{}, "other.txt");
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> want = {
        "",
        " " + padded("data file #  1  --  other.txt", 80),
        " batch file inputs:",
        " inputs.............!input indentification",
    };
    // Lines 2 to 21; without stand dynamics the thresholds are not read.
    std::vector<std::string> file = default_file();
    for (int i = 1; i <= 20; ++i) want.push_back(" " + padded(file[i], 80));
    EXPECT_EQ(r.console, want);
}

TEST(Rdbatch, EchoShowsCurrentDescriptions) {
    TempDir dir;
    std::vector<std::string> file = default_file();
    file[4] = "-2     0     0     !1st-regional curve method (briffa rcs)";
    file[5] = "-6     10    0     !2nd-age-dependent spline, init spline";
    file[3] = "0            0     !edited by hand";
    file[8] = "  2                !tree-ring indices or ratios (rt/gt)";
    file[15] = " none              !site-tree-core separation mask";
    ReadResult r = read_text(dir, kovtest::join_lines(file));
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.console.size(), 24u);
    EXPECT_EQ(r.console[4 + 2], " " + padded("0            0     !no data transformation (no plots)", 80));
    EXPECT_EQ(r.console[4 + 4], " " + padded("-6     10    0     !rcs-age-dependent spline, init spline", 80));
    // The index code read goes into column 1 as one digit.
    EXPECT_EQ(r.console[4 + 7], " " + padded("2 2" + std::string(16, ' ') + "!residuals or differences (rt-gt)", 80));
    // The mask none stands where the other masks begin.
    EXPECT_EQ(r.console[4 + 14], " none" + std::string(15, ' ') + padded("!site-tree-core separation mask", 49) +
                                     std::string(11, ' '));
    EXPECT_EQ(shared().stcmask, " none   ");
    EXPECT_EQ(shared().optval(8, 1), 2);
}

// The median and lowess windows as read and as stored.
TEST(Rdbatch, WidthRulesOfTheSmoothers) {
    struct Case {
        int file_line;  // 5 or 6
        const char* values;
        int stored;
    };
    const Case cases[] = {
        {5, "-3 4 0", 3}, {5, "-3 6 0", 5}, {5, "-3 5 0", 5},       {5, "-3 -150 0", -100},
        {5, "-3 -4 0", -4}, {6, "-4 -150 0", -100}, {5, "-4 -150 0", -100}, {6, "-4 4 0", 4},
        {6, "-3 -100 0", -100}, {5, "7 1 0", 1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> file = default_file();
        file[c.file_line - 1] = padded(c.values, 19) + "!";
        ReadResult r = read_text(dir, kovtest::join_lines(file));
        ASSERT_EQ(r.status, 0) << c.values;
        EXPECT_EQ(shared().optval(c.file_line - 1, 2), c.stored) << c.values;
        // The console shows the width as the file has it.
        EXPECT_EQ(r.console[4 + c.file_line - 2].substr(1, 19), padded(c.values, 19)) << c.values;
    }
}

TEST(Rdbatch, SmootherWindowsBelowThreeStopTheProgram) {
    struct Case {
        int file_line;
        const char* values;
        const char* message;
    };
    const Case cases[] = {
        {5, "-4 2 0", "*** lowess smoother width inadmissable"},
        {6, "-4 2 0", "*** lowess smoother width inadmissable"},
        {6, "-3 0 0", "*** median filter width inadmissable"},
        {5, "-3 1 0", "*** median filter width inadmissable"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> file = default_file();
        file[c.file_line - 1] = padded(c.values, 19) + "!";
        try {
            read_text(dir, kovtest::join_lines(file));
            ADD_FAILURE() << c.values << ": no stop";
        } catch (const Stop& s) {
            EXPECT_EQ(std::string(s.what()), c.message);
            EXPECT_EQ(s.status, exit_failure);
        }
    }
}

// A refused line is named (the line of the file, the option, the value read)
// right before the block that ends the reading.
TEST(Rdbatch, UnreadableAndRefusedFilesEndWithTheirBlockAndStatus) {
    enum Block { eof, error };
    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> edit;
        int status;
        Block block;
        int echoed;         // option lines echoed before the failure
        std::string named;  // what the naming line says after "line n of the batch command file, "
    };
    auto set = [](int line, std::string text) {
        return [line, text](std::vector<std::string>& f) { f[line - 1] = text; };
    };
    auto keep = [](int n) { return [n](std::vector<std::string>& f) { f.resize(n); }; };
    const std::vector<Case> cases = {
        {"empty file", keep(0), 1, eof, -1, ""},
        {"line 1 only", keep(1), 1, eof, 0, ""},
        {"ends after option 10", keep(11), 11, eof, 10, ""},
        {"ends after line 21 with outlier analysis",
         [](std::vector<std::string>& f) { f[20] = "1            0     !"; f.resize(21); }, 20, eof, 20, ""},
        {"data type 7", set(2, "7                  !tucson ring-width format"), 1, error, 0,
         "line 2 of the batch command file, option 1: data type 7 is outside 1 to 4"},
        {"data type 0", set(2, "0"), 1, error, 0,
         "line 2 of the batch command file, option 1: data type 0 is outside 1 to 4"},
        {"missing data line with one value", set(3, "-9"), 2, error, 1,
         "line 3 of the batch command file, option 2: 1 value where 2 belong"},
        {"missing data line with its description where a value belongs", set(3, "-9                 !missing values"), 2,
         error, 1, "line 3 of the batch command file, option 2: \"!missing\" is not a whole number"},
        {"transformation 6", set(4, "6 0"), 3, error, 2,
         "line 4 of the batch command file, option 3: transformation 6 is outside 0 to 5"},
        {"transformation a word", set(4, "none 0"), 3, error, 2,
         "line 4 of the batch command file, option 3: \"none\" is not a whole number"},
        {"general detrending 3", set(7, "3"), 6, error, 5,
         "line 7 of the batch command file, option 6: general detrending method 3 is not 1, the only method there is"},
        // robust detrending is listed by the entry but not taken; no method 0
        {"general detrending 2", set(7, "2"), 6, error, 5,
         "line 7 of the batch command file, option 6: general detrending method 2 is not 1, the only method there is"},
        {"general detrending 0", set(7, "0"), 6, error, 5,
         "line 7 of the batch command file, option 6: general detrending method 0 is not 1, the only method there is"},
        {"index code 3", set(9, "3"), 8, error, 7,
         "line 9 of the batch command file, option 8: index type 3 is outside 1 to 2"},
        {"index code 0", set(9, "0"), 8, error, 7,
         "line 9 of the batch command file, option 8: index type 0 is outside 1 to 2"},
        // the regional curve as a second pass
        {"second detrending -2", set(6, "-2 0 0"), 5, error, 4,
         "line 6 of the batch command file, option 5: second detrending code -2 is the regional curve, a first "
         "detrending only"},
        {"regional curve of the regional curve", [](std::vector<std::string>& f) { f[4] = "-2 0 0"; f[5] = "-2 0 0"; },
         5, error, 4,
         "line 6 of the batch command file, option 5: second detrending code -2 is the regional curve, a first "
         "detrending only"},
        // plot switches are 0 or 1, on every line that has one
        {"gap fill plot 2", set(3, "-9 2"), 2, error, 1,
         "line 3 of the batch command file, option 2: gap fill plot switch 2 is outside 0 to 1"},
        {"transformation plot 2", set(4, "1 2"), 3, error, 2,
         "line 4 of the batch command file, option 3: transformation plot switch 2 is outside 0 to 1"},
        {"first curve plot 2", set(5, "-6 20 2"), 4, error, 3,
         "line 5 of the batch command file, option 4: first detrending plot switch 2 is outside 0 to 1"},
        {"second curve plot -1", set(6, "0 0 -1"), 5, error, 4,
         "line 6 of the batch command file, option 5: second detrending plot switch -1 is outside 0 to 1"},
        {"ar outlier plot 2", set(10, "2 3 2"), 9, error, 8,
         "line 10 of the batch command file, option 9: ar outlier plot switch 2 is outside 0 to 1"},
        {"pooled ar plot 7", set(11, "0 7"), 10, error, 9,
         "line 11 of the batch command file, option 10: pooled ar plot switch 7 is outside 0 to 1"},
        {"running rbar plot 2", set(17, "50 25 2"), 16, error, 15,
         "line 17 of the batch command file, option 16: running rbar plot switch 2 is outside 0 to 1"},
        {"stand dynamics plot 2", set(21, "1 2"), 20, error, 19,
         "line 21 of the batch command file, option 20: stand dynamics plot switch 2 is outside 0 to 1"},
        {"ar method 4", set(10, "4 0 0"), 9, error, 8,
         "line 10 of the batch command file, option 9: ar modeling method 4 is outside 0 to 3"},
        {"pooled order 11", set(11, "11 0"), 10, error, 9,
         "line 11 of the batch command file, option 10: pooled ar order 11 is outside 0 to 10"},
        {"series order -2", set(12, "-2"), 11, error, 10,
         "line 12 of the batch command file, option 11: series ar order -2 is outside -1 to 10"},
        {"quantile -101", set(13, "-101 0 0 0"), 12, error, 11,
         "line 13 of the batch command file, option 12: mean chronology -101 is outside -100 to 2"},
        {"bootstrap switch 2", set(13, "2 2 20 0"), 12, error, 11,
         "line 13 of the batch command file, option 12: bootstrap switch 2 is outside 0 to 1"},
        {"bootstrap plot 2", set(13, "2 0 0 2"), 12, error, 11,
         "line 13 of the batch command file, option 12: bootstrap plot switch 2 is outside 0 to 1"},
        {"year beyond 32 bits", set(15, "99999999999 0"), 14, error, 13,
         "line 15 of the batch command file, option 14: \"99999999999\" is not a whole number"},
        {"printout 5", set(18, "5"), 17, error, 16,
         "line 18 of the batch command file, option 17: printout 5 is outside 1 to 4"},
        {"save 8", set(19, "8"), 18, error, 17,
         "line 19 of the batch command file, option 18: save format 8 is outside 0 to 7"},
        {"summary plots 4", set(20, "4"), 19, error, 18,
         "line 20 of the batch command file, option 19: summary plots 4 is outside 0 to 3"},
        {"stand dynamics 4", set(21, "4 0"), 20, error, 19,
         "line 21 of the batch command file, option 20: stand dynamics 4 is outside 0 to 3"},
        {"release window 4",
         [](std::vector<std::string>& f) { f[20] = "2 0"; f[21] = "4"; f[22] = "25"; f[23] = "2"; }, 20, error, 20,
         "line 22 of the batch command file, option 20: running mean window 4 is outside 5 to 50"},
        {"growth change 201",
         [](std::vector<std::string>& f) { f[20] = "1 0"; f[22] = "201"; }, 20, error, 21,
         "line 23 of the batch command file, option 20: percent growth change 201 is above 200"},
        {"error limit -1 with releases",
         [](std::vector<std::string>& f) { f[20] = "3 0"; f[21] = "10"; f[22] = "25"; f[23] = "-1"; }, 20, error, 22,
         "line 24 of the batch command file, option 20: standard error limit -1 is outside 0 to 5"},
        {"overlap not below window", set(17, "50 50 0"), 16, error, 15,
         "line 17 of the batch command file, option 16: running rbar overlap 50 is not below its window 50"},
        {"bootstrap period 4", set(13, "2 1 4 0"), 12, error, 11,
         "line 13 of the batch command file, option 12: bootstrap spline period 4 is below 5 years"},
        {"first spline stiffness 4", set(5, "-6 4 0"), 4, error, 3,
         "line 5 of the batch command file, option 4: age-dependent spline stiffness 4 is below 5 years"},
        {"second spline stiffness 0", set(6, "-6 0 0"), 5, error, 4,
         "line 6 of the batch command file, option 5: age-dependent spline stiffness 0 is below 5 years"},
        // codes that name no curve: the keyboard refuses them too
        {"first detrending -8", set(5, "-8 0 0"), 4, error, 3,
         "line 5 of the batch command file, option 4: first detrending code -8 is not a curve option"},
        {"first detrending 9", set(5, "9 0 0"), 4, error, 3,
         "line 5 of the batch command file, option 4: first detrending code 9 is not a curve option"},
        {"second detrending -7", set(6, "-7 0 0"), 5, error, 4,
         "line 6 of the batch command file, option 5: second detrending code -7 is not a curve option"},
        {"second detrending -9", set(6, "-9 0 0"), 5, error, 4,
         "line 6 of the batch command file, option 5: second detrending code -9 is not a curve option"},
        {"robust ar criterion 0", set(10, "2 0 0"), 9, error, 8,
         "line 10 of the batch command file, option 9: ar outlier criterion 0 is outside 1 to 3 with robust ar modeling"},
        {"common period reversed", set(15, "1950 1900"), 14, error, 13,
         "line 15 of the batch command file, option 14: common period last year 1900 is before its first year 1950"},
    };
    const std::vector<std::string> eof_block = {"", " *** end-of-file reading batch commands. re-run",
                                                " *** the program in interactive mode to create",
                                                " *** the correct log files for batch mode runs."};
    const std::vector<std::string> error_block = {"", " *** error reading batch commands. re-run the",
                                                  " *** program in interactive mode to create the",
                                                  " *** correct log files for batch mode runs."};
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> file = default_file();
        c.edit(file);
        ReadResult r = read_text(dir, kovtest::join_lines(file));
        EXPECT_EQ(r.status, c.status) << c.what;
        std::vector<std::string> tail;
        if (c.block == eof) {
            tail = eof_block;
        } else {
            tail = {"", " *** " + c.named};
            tail.insert(tail.end(), error_block.begin(), error_block.end());
        }
        const size_t head = std::min<size_t>(c.echoed < 0 ? 0 : 4 + c.echoed, r.console.size());
        EXPECT_EQ(r.console.size(), head + tail.size()) << c.what;
        EXPECT_EQ(std::vector<std::string>(r.console.begin() + head, r.console.end()), tail) << c.what;
    }
}

// A reading that ends early leaves the earlier lines' slots filled from the
// file and the refused line's and later slots as they were.
TEST(Rdbatch, SlotsAreStoredLineByLine) {
    TempDir dir;
    std::vector<std::string> file = default_file();
    file[10] = "3 1";         // option 10: pooled order 3, plotted
    file[12] = "-101 0 0 0";  // option 12 refused
    OptionBlock before;
    for (int k = 1; k <= 20; ++k)
        for (int j = 1; j <= 5; ++j) before(k, j) = 7;
    ReadResult r = read_text(dir, kovtest::join_lines(file), before);
    ASSERT_EQ(r.status, 12);
    EXPECT_EQ(shared().optval(1, 1), 1);
    EXPECT_EQ(shared().optval(4, 2), 20);
    EXPECT_EQ(shared().optval(10, 1), 3);
    EXPECT_EQ(shared().optval(10, 2), 1);
    EXPECT_EQ(shared().optval(11, 1), 0);
    EXPECT_EQ(shared().optval(12, 1), 7);
    EXPECT_EQ(shared().optval(12, 3), 7);
    EXPECT_EQ(shared().optval(16, 1), 7);
    EXPECT_EQ(shared().stcmask, "xxxxxxxx");
}

TEST(Rdbatch, ThresholdsFollowTheStandDynamicsCode) {
    TempDir dir;
    // Without stand dynamics a file may end after line 21, and stale thresholds go.
    std::vector<std::string> file = default_file();
    file.resize(21);
    OptionBlock before;
    before(20, 2) = 10;
    before(20, 3) = 25;
    before(20, 4) = 2;
    ReadResult r = read_text(dir, kovtest::join_lines(file), before);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(shared().optval(20, 2), 0);
    EXPECT_EQ(shared().optval(20, 3), 0);
    EXPECT_EQ(shared().optval(20, 4), 0);
    // With outlier analysis only the upper bounds hold: a window of 0 is fine.
    file = default_file();
    file[20] = "1            0     !endogenous outlier analysis done";
    r = read_text(dir, kovtest::join_lines(file));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(shared().optval(20, 1), 1);
    ASSERT_EQ(r.console.size(), 4u + 23u);
    EXPECT_EQ(r.console.back(), " " + padded("0                  !standard error limit threshold", 80));
}
