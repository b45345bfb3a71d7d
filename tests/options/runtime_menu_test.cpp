#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "options/runtime_menu.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using namespace kov;
using kovtest::split_lines;

namespace {

const std::string title = " |************** kovrin run time menu and current options settings **************|";

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct MenuRun {
    OptionBlock o;
    std::string mask;
    std::string out;
    int stop = -1;
    bool unread = false;
};

MenuRun menu(const std::string& input, OptionBlock start = {}, std::string mask = "abcdefgh") {
    MenuRun r{start, mask, "", -1, false};
    kovtest::ScriptedConsole sc(input);
    try {
        runmenu(r.o, r.mask);
        r.unread = con().read_line().has_value();
    } catch (const Stop& s) {
        r.stop = s.status;
    }
    r.out = sc.output();
    return r;
}

// The menu line of option `label` (e.g. "[5]") in the last screen shown.
std::string last_line_of(const std::string& out, const std::string& label) {
    std::string found;
    for (const auto& l : split_lines(out))
        if (l.find(label) != std::string::npos) found = l;
    return rtrim(found);
}

}  // namespace

// With the defaults the screen is the title, the header and 23 lines, each
// value in its columns and the description from column 47 (the lines were
// placed by tests/options/menu_lines.py from the columns of each value; note
// that the value of option 2 is written over the last letter of its label).
TEST(RunMenu, DefaultScreenColumnForColumn) {
    const MenuRun r = menu("\n");
    ASSERT_EQ(r.stop, -1);
    const std::vector<std::string> want = {
        "",
        title,
        "",
        "                            opt          plt",
        "  [1] tree-ring data type    1                !tucson ring-width format",
        "  [2] missing data in gap   -9            0   !missing values estimated (no plots)",
        "  [3] data transformation    0            0   !no data transformation (no plots)",
        "  [4] first detrending      -6     20     0   !1st-age-dependent spline, init spline",
        "  [5] second detrending      0      0     0   !2nd-no detrending performed",
        "  [6] robust detrending      1                !non-robust detrending methods used",
        "  [7] interactive detrend    0                !no interactive detrending",
        "  [8] index calculation      1                !tree-ring indices or ratios (rt/gt)",
        "  [9] ar modeling method     1      0     0   !non-robust autoregressive modeling",
        " [10] pooled ar order        0            0   !minimum aic pooled ar model order fit",
        " [11] series ar order        0                !pooled ar order fit to all series",
        " [12] mean chronology        2   0    0   0   !robust (biweight) mean chronology",
        " [13] stabilize variance     1                !rbar weighted stabilization method",
        " [14] common period years        0    0       !no common period analysis performed",
        " [15] site-tree-core mask       SSSTTCC       !site-tree-core separation mask",
        " [16] running rbar              50   25   0   !running rbar window/overlap (no plots)",
        " [17] printout option        2                !summary & series statistics printed",
        " [18] core series save       0                !no individual core series saved",
        " [19] summary plots          0                !no spaghetti and mean chronology plots",
        " [20] stand dynamics stuff   0            0   !no stand dynamics analyses done",
        "      running mean window    0                !running mean window width",
        "      percent growth change  0                !percent growth change threshold",
        "      std error threshold    0                !standard error limit threshold",
        "",
        " enter the option to change (<ret> = go)    ==> ",
    };
    const auto got = split_lines(r.out);
    ASSERT_EQ(got.size(), want.size()) << r.out;
    for (size_t i = 0; i + 1 < want.size(); ++i) EXPECT_EQ(rtrim(got[i]), want[i]) << "line " << i;
    // The prompt keeps the cursor on its line, "==> " in columns 45 to 48.
    EXPECT_EQ(got.back(), want.back());
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "==> ");
    // Descriptions are written whole: 50 characters from column 47.
    EXPECT_EQ(got[4].size(), 96u);
}

// The growth-change threshold runs to 200: a value of three columns keeps a
// blank between it and the name, whose last letter is in column 27.
TEST(RunMenu, GrowthChangeThresholdKeepsABlankAfterItsName) {
    const struct {
        int percent;
        const char* line;
    } cases[] = {{99, "      percent growth change 99 "}, {150, "      percent growth change 150 "}};
    for (const auto& c : cases) {
        kovtest::ScriptedConsole con("");
        OptionBlock o;
        std::string mask;
        set_option_defaults(o, mask);
        o(20, 3) = c.percent;
        show_runmenu(o, mask);
        EXPECT_NE(con.output().find(std::string("\n") + c.line), std::string::npos) << c.percent;
    }
}

// Each call starts from the defaults; only the plot switches of options 2 and
// 20 keep what they held.
TEST(RunMenu, EveryCallStartsFromTheDefaultsButTwoPlotSwitches) {
    OptionBlock start;
    for (int k = 1; k <= 20; ++k)
        for (int j = 1; j <= 5; ++j) start(k, j) = 7;
    start(2, 2) = 1;
    start(20, 5) = 1;
    const MenuRun r = menu("\n", start);
    OptionBlock want = start;
    std::string mask;
    set_option_defaults(want, mask);
    EXPECT_EQ(r.o, want);
    EXPECT_EQ(r.o(2, 2), 1);
    EXPECT_EQ(r.o(20, 5), 1);
    EXPECT_EQ(r.o(4, 2), 20);
    EXPECT_EQ(r.o(16, 2), 25);
    EXPECT_EQ(r.mask, "SSSTTCC ");
    EXPECT_NE(r.out.find("  [2] missing data in gap   -9            1   !missing values estimated (w/ plots)"),
              std::string::npos);
    EXPECT_NE(r.out.find(" [20] stand dynamics stuff   0            1   !no stand dynamics analyses done"),
              std::string::npos);
}

// How the answers to the menu question end the menu, pick an option or repeat
// the question without showing the menu again.
TEST(RunMenu, AnswersEndPickOrRepeat) {
    const struct {
        const char* what;
        std::string input;
        int screens, prompts, stop;
    } cases[] = {
        {"empty ends", "\n", 1, 1, -1},
        {"blanks end", "      \n", 1, 1, -1},
        {"0 ends", "0\n", 1, 1, -1},
        {"-3 and h repeat the question only", "-3\nh\nhelp\n\n", 1, 4, -1},
        {"a blank and 5 is option 5", " 5\n1\nn\n\n", 2, 2, -1},
        {"25 asks the data type", "25\n3\n0\n", 2, 2, -1},
        {"two options in turn", "17\n4\n18\n5\n\n", 3, 3, -1},
        {"/ stops", "/\n", 1, 1, exit_ok},
        {"end of input stops with 2", "", 1, 1, exit_end_of_input},
    };
    for (const auto& c : cases) {
        const MenuRun r = menu(c.input);
        EXPECT_EQ(r.stop, c.stop) << c.what;
        EXPECT_FALSE(r.unread) << c.what;
        EXPECT_EQ(count_of(r.out, title), c.screens) << c.what;
        EXPECT_EQ(count_of(r.out, "enter the option to change (<ret> = go)"), c.prompts) << c.what;
    }
    EXPECT_EQ(menu(" 5\n1\nn\n\n").o(5, 1), 1);
    EXPECT_EQ(menu("25\n3\n0\n").o(1, 1), 3);
    const MenuRun two = menu("17\n4\n18\n5\n\n");
    EXPECT_EQ(two.o(17, 1), 4);
    EXPECT_EQ(two.o(18, 1), 5);
}

// With regional curve standardisation as the first detrending, line 5 is the
// regional curve: age-dependent spline of 10 years whatever option 5 was set to.
TEST(RunMenu, RegionalCurveShowsAndKeepsItsCurve) {
    const MenuRun r = menu("4\n-2\nn\n5\n1\ny\n\n");
    ASSERT_EQ(r.stop, -1);
    EXPECT_EQ(count_of(r.out, "rcs growth curve option (/ to exit, h for help):"), 1);
    EXPECT_EQ(last_line_of(r.out, "[5]"),
              "  [5] rcs detrending        -6     10     1   !rcs-age-dependent spline, init spline");
    EXPECT_EQ(r.o(5, 1), -6);
    EXPECT_EQ(r.o(5, 2), 10);
    EXPECT_EQ(r.o(4, 2), 0);
}

TEST(RunMenu, PooledOrderLineCutsItsDescription) {
    const MenuRun r = menu("10\n3\ny\n\n");
    EXPECT_EQ(last_line_of(r.out, "[10]"),
              " [10] pooled ar order        3            1   !user-supplied pooled ar model order fi");
}

// Every question of the menu and the option entry has "==> " in columns 45 to 48.
TEST(RunMenu, EveryPromptAtColumn45) {
    const std::string input =
        "1\n1\n2\n\nn\n3\n1\ny\n4\n-5\n5\nn\n4\n-6\n\nn\n4\n-4\n9\nn\n4\n-3\n9\nn\n5\n-6\nn\n6\n1\n7\n0\n8\n1\n"
        "9\n2\n3\nn\n10\n0\nn\n11\n0\n12\n1\ny\nn\n13\n1\n14\n\n\n15\nSSSTTCC\n16\n\n\nn\n17\n2\n18\n0\n"
        "19\n0\n20\n3\nn\n20\n50\n2\n4\n-2\nn\n5\n-6\n12\nn\n\n";
    const MenuRun r = menu(input);
    ASSERT_EQ(r.stop, -1) << r.out;
    EXPECT_FALSE(r.unread);
    // A prompt keeps the cursor on its line; the Return typed there ends it.
    std::string shown;
    for (char ch : r.out) {
        shown += ch;
        if (shown.size() >= 4 && shown.compare(shown.size() - 4, 4, "==> ") == 0) shown += '\n';
    }
    int prompts = 0;
    for (const auto& l : split_lines(shown)) {
        const auto at = l.find("==> ");
        if (at == std::string::npos) continue;
        ++prompts;
        EXPECT_EQ(at, 44u) << l;
    }
    EXPECT_EQ(prompts, 77);
}

namespace {

// A working folder with a list file open on lulist, as the dialogue leaves it.
struct ListRun {
    kovtest::TempDir dir;
    std::string out;
    int stop = -1;
    bool ok = false;
    std::string refused;

    void run(const std::string& list, char same, const std::string& input) {
        kovtest::InDir in(dir.path());
        dir.write("list.txt", list);
        ASSERT_TRUE(streams().lulist.open("list.txt"));
        shared().optval = OptionBlock{};
        kovtest::ScriptedConsole sc(input);
        try {
            ok = mklogs(same);
        } catch (const Stop& s) {
            stop = s.status;
        } catch (const FileRefused& f) {
            refused = f.name;
        }
        streams().lulog.close();
        streams().lulist.close();
        out = sc.output();
    }
    std::vector<std::string> lines(const std::string& name) const { return split_lines(dir.read(name)); }
};

}  // namespace

// With the defaults the batch command file is the example file line for line.
TEST(Mklogs, DefaultsWriteTheExampleFile) {
    ListRun r;
    r.run("site01.txt\n", 'y', "\n");
    ASSERT_TRUE(r.ok) << r.out;
    const std::vector<std::string> want = kovtest::split_lines(kovtest::default_commands("site01.txt"));
    const auto got = r.lines("site01_log.txt");
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(rtrim(got[i]), want[i]) << "line " << i + 1;
    EXPECT_EQ(got[0].size(), 80u);  // the name padded to 60 characters
    const auto con_lines = split_lines(r.out);
    ASSERT_GE(con_lines.size(), 4u);
    const size_t n = con_lines.size();
    // the empty line ends the line of the menu prompt, where Return was typed
    EXPECT_EQ(con_lines[n - 4], " enter the option to change (<ret> = go)    ==> ");
    EXPECT_EQ(rtrim(con_lines[n - 3]), " ==> writing batch commands for: site01.txt");
    EXPECT_EQ(con_lines[n - 2], "");
    EXPECT_EQ(con_lines[n - 1], "    1  batch command files created");
}

// Two names: the files are named after them, and line 1 carries the ordinal.
TEST(Mklogs, NamesOrdinalsAndOneMenuForAll) {
    ListRun r;
    r.run("site1.txt\nsite2\nsite3.TXT\n", 'Y', "3\n2\nn\n\n");
    ASSERT_TRUE(r.ok) << r.out;
    EXPECT_EQ(count_of(r.out, title), 2);  // the first screen and the one after option 3
    const auto a = r.lines("site1_log.txt"), b = r.lines("site2_log.txt"), c = r.lines("site3.TXT_log.txt");
    ASSERT_EQ(a.size(), 24u);
    ASSERT_EQ(b.size(), 24u);
    ASSERT_EQ(c.size(), 24u);
    EXPECT_EQ(b[0], "data file #  2  --  site2" + std::string(55, ' '));
    EXPECT_EQ(rtrim(c[0]), "data file #  3  --  site3.TXT");
    EXPECT_EQ(rtrim(a[3]), "2            0     !log (rt+1/6) transform (no plots)");
    EXPECT_TRUE(std::equal(a.begin() + 1, a.end(), b.begin() + 1));
    EXPECT_TRUE(std::equal(a.begin() + 1, a.end(), c.begin() + 1));
    // one empty line before the first file's line only
    EXPECT_NE(r.out.find("==> \n ==> writing batch commands for: site1.txt"), std::string::npos);
    EXPECT_NE(r.out.find("  \n ==> writing batch commands for: site2"), std::string::npos);
    EXPECT_NE(r.out.find("\n\n    3  batch command files created\n"), std::string::npos);
}

// "n": a menu per file, each from the defaults, but a yes to the in-filled
// data plot carries over to the next file.
TEST(Mklogs, MenuPerFileStartsFromTheDefaults) {
    ListRun r;
    r.run("a.txt\nb.txt\n", 'n', "3\n3\nn\n2\n\ny\n\n\n");
    ASSERT_TRUE(r.ok) << r.out;
    EXPECT_EQ(count_of(r.out, title), 4);
    const auto a = r.lines("a_log.txt"), b = r.lines("b_log.txt");
    ASSERT_EQ(a.size(), 24u);
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(rtrim(a[3]), "3            0     !inverse hypersine transform (no plots)");
    EXPECT_EQ(rtrim(a[8]), "2                  !residuals or differences (rt-gt)");
    EXPECT_EQ(rtrim(b[3]), "0            0     !no data transformation (no plots)");
    EXPECT_EQ(rtrim(b[8]), "1                  !tree-ring indices or ratios (rt/gt)");
    EXPECT_EQ(rtrim(a[2]), "-9           1     !missing values estimated (w/ plots)");
    EXPECT_EQ(rtrim(b[2]), "-9           1     !missing values estimated (w/ plots)");
}

TEST(Mklogs, BlankFirstLineWritesNoFile) {
    ListRun r;
    r.run("          site1\nsite2\n", 'y', "");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "\n    0  batch command files created\n");
    EXPECT_FALSE(r.dir.exists("site1_log.txt"));
    EXPECT_FALSE(r.dir.exists("site2_log.txt"));
}

// A stop in the second file's menu, at its prompt or inside an option's
// questions, or the end of the input there, keeps the first file written and
// leaves the second as it was: an earlier (hand-edited) file byte for byte, or
// no file at all. The file is written only once its menu has returned.
TEST(Mklogs, StopInAMenuLeavesItsFileAsItWas) {
    const struct {
        const char* what;
        const char* input;  // the first menu ended at once, then the second
        int status;
    } cases[] = {
        {"/ at the menu prompt", "\n/\n", exit_ok},
        {"/ in the first detrending's questions", "\n4\n/\n", exit_ok},
        {"end of input in a question", "\n4\n", exit_end_of_input},
    };
    const std::string edited = "data file #  2  --  b\n1                  !edited by hand\n";
    for (const auto& c : cases) {
        for (const bool earlier : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (earlier ? ", earlier file" : ", no file"));
            ListRun r;
            if (earlier) r.dir.write("b_log.txt", edited);
            r.run("a\nb\nc\n", 'n', c.input);
            EXPECT_EQ(r.stop, c.status);
            EXPECT_EQ(r.lines("a_log.txt").size(), 24u);
            EXPECT_EQ(r.dir.exists("b_log.txt"), earlier);
            if (earlier) {
                EXPECT_EQ(r.dir.read("b_log.txt"), edited);
            }
            EXPECT_FALSE(r.dir.exists("c_log.txt"));
        }
    }
}

// "site1" and "site1.txt" share a batch command file: the second must not
// write over the first one's options.
TEST(Mklogs, SharedBatchCommandFileIsRefused) {
    ListRun r;
    r.run("site1\nsite1.txt\n", 'n', "3\n1\nn\n\n\n");
    EXPECT_EQ(r.refused, "site1_log.txt");
    const auto a = r.lines("site1_log.txt");
    ASSERT_EQ(a.size(), 24u);
    EXPECT_EQ(rtrim(a[0]), "data file #  1  --  site1");
    EXPECT_EQ(rtrim(a[3]), "1            0     !log (rt) transform (no plots)");
}

// What the entry stores, the batch command reader reads back unchanged, also
// after the answers that the reader would refuse were asked again.
TEST(Mklogs, BatchReaderReadsBackWhatTheMenuSet) {
    const struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"defaults", "\n"},
        {"transformation, lowess, robust ar", "3\n4\ny\n4\n-4\n-40\ny\n5\n-6\nn\n9\n3\n0\n2\ny\n\n"},
        {"regional curve, quantile with bootstrap", "4\n-2\nn\n5\n-6\n3\n15\nn\n12\n-25\ny\ny\n13\n0\n\n"},
        {"second age-dependent spline", "5\n-6\ny\n\n"},
        {"common period, mask, rbar", "14\n1900\n1850\n1950\n15\nssttc\n16\n30\n30\n15\ny\n\n"},
        {"printout, save, plots, releases",
         "10\n3\ny\n11\n-1\n17\n4\n18\n7\n19\n3\n20\n3\ny\n50\n200\n5\n7\n3\n\n"},
    };
    for (const auto& c : cases) {
        ListRun r;
        r.run("d.rwl\n", 'y', c.input);
        ASSERT_TRUE(r.ok) << c.what << "\n" << r.out;
        const OptionBlock written = shared().optval;
        const std::string mask = shared().stcmask;
        kovtest::InDir in(r.dir.path());
        TextIn log;
        ASSERT_TRUE(log.open("d.rwl_log.txt"));
        shared().optval = OptionBlock{};
        shared().stcmask = "xxxxxxxx";
        int status = -1;
        {
            kovtest::ScriptedConsole sc("");
            status = rdbatch(log, 1, "d.rwl");
        }
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(shared().optval, written) << c.what;
        EXPECT_EQ(shared().stcmask, mask) << c.what;
    }
}
