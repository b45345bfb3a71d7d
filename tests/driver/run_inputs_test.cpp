// A run that cannot do what it was asked finds out before it writes anything:
// every data file of the list is checked, and in a batch run every command
// file is read, before the first output; all that fails is named at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver/run_inputs.hpp"
#include "driver_test_support.hpp"
#include "shared/output_names.hpp"
#include "shared/text_helpers.hpp"

using kov::padded;
using kovtest::contains_line;
using kovtest::folder_files;
using kovtest::run_kovrin;
using kovtest::ScriptedConsole;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

const std::string batch_answers = "\nlist.txt\ntitle\ny\n\n";

void put_site(const TempDir& d, const std::string& name) {
    d.write(name, kovtest::tiny_rwl);
    d.write(kov::output_prefix(name) + "_log.txt", kovtest::default_commands(name));
}

}  // namespace

// A name is a data file when a file that can be read stands under it. A
// folder is none: as a name it would become the folder of the outputs ("sub/"
// writes "sub/_out.txt", "/" writes into the root of the file system).
TEST(DataFilesReadable, ANameMustLeadToAFileThatCanBeRead) {
    const std::string long_name(61, 'a');
    const struct {
        std::string name;
        std::string line;  // "": the name is taken
    } cases[] = {
        {"site.txt", ""},
        {"link.txt", ""},  // a link to site.txt
        {"nothere.txt", " data file not found:  " + padded("nothere.txt", 60)},
        {"dangling.txt", " data file not found:  " + padded("dangling.txt", 60)},
        {"sub", " data file is not a file that can be read:  " + padded("sub", 60)},
        {"sub/", " data file is not a file that can be read:  " + padded("sub/", 60)},
        {"/", " data file is not a file that can be read:  " + padded("/", 60)},
        {"fifo", " data file is not a file that can be read:  " + padded("fifo", 60)},
        {long_name, " *** data file name longer than 60 characters:  " + long_name},
    };
    kovtest::DriverScene scene;
    TempDir& d = scene.dir();
    d.write("site.txt", kovtest::tiny_rwl);
    std::filesystem::create_directory(d / "sub");
    std::filesystem::create_symlink("site.txt", d / "link.txt");
    std::filesystem::create_symlink("gone.txt", d / "dangling.txt");
    ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0600), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedConsole sc("");
        EXPECT_EQ(kov::data_files_readable({c.name}), c.line.empty());
        const std::vector<std::string> expected =
            c.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{"", c.line};
        EXPECT_EQ(sc.lines(), expected);
    }
    // all of a list at once, in list order
    ScriptedConsole sc("");
    EXPECT_FALSE(kov::data_files_readable({"nothere.txt", "site.txt", "sub/"}));
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", cases[2].line, "", cases[5].line}));
}

// After a good batch run of two data files a value of the second's command
// file is mistyped: the run names it and changes no file, neither the first
// data file's outputs (which it would have written again) nor the second's
// nor the run-wide chronologies of the earlier run.
TEST(RunInputs, AMistypedCommandLeavesEveryFileAsItWas) {
    TempDir d;
    put_site(d, "one.txt");
    put_site(d, "two.txt");
    d.write("list.txt", "one.txt\ntwo.txt\n");
    ASSERT_EQ(run_kovrin(d.path(), batch_answers).status, 0);
    ASSERT_TRUE(d.exists("crns_std.txt"));
    // an output this run would write again looks different from a fresh one
    d.write("one_out.txt", d.read("one_out.txt") + "an earlier run\n");
    auto log = split_lines(d.read("two_log.txt"));
    log[8].replace(0, 1, "5");
    d.write("two_log.txt", kovtest::join_lines(log));
    const auto before = folder_files(d);

    const auto r = run_kovrin(d.path(), batch_answers);
    EXPECT_EQ(r.status, 1);
    const auto lines = split_lines(r.out);
    EXPECT_TRUE(contains_line(
        lines, " *** line 9 of the batch command file two_log.txt, option 8: index type 5 is outside 1 to 2"))
        << r.out;
    EXPECT_EQ(folder_files(d), before);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], " |====== as Sam Pelliton would say, \"THIS IS THE END.\" ======|");
}

// Everything that stops a batch run is named in one run, in list order by
// kind: the data files, then the command files missing, then each command
// file refused with its line.
TEST(RunInputs, EveryFailingNameAndLineIsNamedAtOnce) {
    TempDir d;
    put_site(d, "a.txt");
    d.write("b_log.txt", kovtest::default_commands("b.txt"));  // b.txt itself is missing
    d.write("c.txt", kovtest::tiny_rwl);                       // c_log.txt is missing
    put_site(d, "e.txt");
    d.write("e_log.txt", kovtest::default_commands("e.txt", {{17, "5                  !"}}));
    put_site(d, "f.txt");
    d.write("f_log.txt", kovtest::default_commands("f.txt", {{4, "-3     1     0     !"}}));
    std::filesystem::create_directory(d / "g");
    d.write("list.txt", "a.txt\nb.txt\nc.txt\ng/\ne.txt\nf.txt\n");
    const auto before = folder_files(d);

    const auto r = run_kovrin(d.path(), batch_answers);
    EXPECT_EQ(r.status, 1);
    const auto lines = split_lines(r.out);
    const std::vector<std::string> named = {
        " data file not found:  " + padded("b.txt", 60),
        " data file is not a file that can be read:  " + padded("g/", 60),
        " check file names in:  " + padded("list.txt", 60),
        " *** log file not found:  " + padded("c_log.txt", 60),
        " *** log file not found:  " + padded("g/_log.txt", 60),
        " *** re-run program in interactive mode",
        " *** line 18 of the batch command file e_log.txt, option 17: printout 5 is outside 1 to 4",
        " *** line 5 of the batch command file f_log.txt, option 4: median filter width inadmissable",
    };
    size_t at = 0;
    for (const auto& n : named) {
        const auto it = std::find(lines.begin() + static_cast<long>(at), lines.end(), n);
        ASSERT_NE(it, lines.end()) << "not named, or out of order: " << n << "\n" << r.out;
        at = static_cast<size_t>(it - lines.begin());
    }
    EXPECT_EQ(r.out.find("batch file inputs"), std::string::npos);  // no data file began
    EXPECT_EQ(folder_files(d), before);
}

// An interactive run checks its data files before it writes a command file or
// shows the run-time menu: a missing one ends it there, and a command file of
// an earlier run stays as it was.
TEST(RunInputs, AnInteractiveRunChecksItsDataFilesBeforeTheMenu) {
    TempDir d;
    put_site(d, "a.txt");
    d.write("a_log.txt", kovtest::default_commands("a.txt") + "edited by hand\n");
    d.write("list.txt", "a.txt\nb.txt\n");
    const auto before = folder_files(d);
    // interactive, the same commands, the menu left at once, continue
    const auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\nn\ny\n\ny\n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains_line(split_lines(r.out), " data file not found:  " + padded("b.txt", 60))) << r.out;
    EXPECT_EQ(r.out.find("use same commands"), std::string::npos);
    EXPECT_EQ(r.out.find("enter the option to change"), std::string::npos);
    EXPECT_EQ(folder_files(d), before);
}

namespace {

const std::string decimal_widths = "AB01    1908  1.21  1.35\nAB01    1910  1.05  0.98 -9999\n";

// The three header lines of the small ring-width file.
std::string header_lines() {
    const auto lines = split_lines(kovtest::tiny_rwl);
    return kovtest::join_lines({lines.begin(), lines.begin() + 3});
}

std::string prose(int lines) {
    std::string s;
    for (int i = 1; i <= lines; ++i) s += "This is line " + std::to_string(i) + " of a letter, no tree-ring data.\n";
    return s;
}

}  // namespace

// The second of three data files holds no series the run could read: a batch
// run names it before it writes anything, with what would have stopped it,
// and leaves every file as it was (the outputs of an earlier run of all three
// files among them), with exit status 1.
TEST(RunInputs, ADataFileWithoutASeriesIsNamedBeforeAnyOutput) {
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> named;
    } cases[] = {
        {"empty", "", {" *** nc .le. 0 after reading tree-ring data:  b.txt"}},
        {"header lines only", header_lines(),
         {" *** nc .le. 0 after reading tree-ring data:  b.txt"}},
        {"compressed", std::string("\x1f\x8b\x08\x08\x9a\x52\x00\x00\x00\x03\x62\x2e\x74\x78\x74\x00\xed\x9d\r\n", 20),
         {" *** nc .le. 0 after reading tree-ring data:  b.txt"}},
        {"comma-separated values", "year,TNY01A,TNY02A\n1995,1.20,\n1996,1.31,\n",
         {" *** nc .le. 0 after reading tree-ring data:  b.txt"}},
        // the refused run writes no listing: the console says why
        {"widths in mm with decimal points", decimal_widths,
         {" *** warning: series AB01     line      1 of the file cannot be read: years  1908 to  1909 taken as missing"
          " values",
          " *** warning: series AB01     line      2 of the file cannot be read: years  1910 to  1911 taken as missing"
          " values",
          " *** warning: series AB01     holds no measured value in its     4 years: skipped",
          " *** nc .le. 0 after reading tree-ring data:  b.txt"}},
        {"prose", prose(30), {"sbr trrw:  over 25 text lines", " *** in data file:  b.txt"}},
    };
    TempDir d;
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) put_site(d, n);
    d.write("list.txt", "a.txt\nb.txt\nc.txt\n");
    ASSERT_EQ(run_kovrin(d.path(), batch_answers).status, 0);
    ASSERT_TRUE(d.exists("b_crns.txt"));
    ASSERT_TRUE(d.exists("crns_std.txt"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d.write("b.txt", c.text);
        const auto before = folder_files(d);
        const auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 1);
        const auto lines = split_lines(r.out);
        const auto it = std::find(lines.begin(), lines.end(), c.named[0]);
        ASSERT_NE(it, lines.end()) << r.out;
        for (size_t k = 1; k < c.named.size(); ++k) {
            ASSERT_NE(it + static_cast<long>(k), lines.end());
            EXPECT_EQ(*(it + static_cast<long>(k)), c.named[k]);
        }
        EXPECT_EQ(r.out.find("batch file inputs"), std::string::npos);  // no data file began
        EXPECT_EQ(folder_files(d), before);
    }
}

// The series a batch run would read are those its detail file uses: a data
// file whose every series the detail file leaves out is named before any
// output; with one of them used, the run goes on.
TEST(RunInputs, ABatchRunReadsItsDataFilesWithTheirDetailFiles) {
    TempDir d;
    put_site(d, "a.txt");
    put_site(d, "b.txt");
    d.write("list.txt", "a.txt\nb.txt\n");
    auto detail = [](int icu1, int icu2) {
        return std::string(kovtest::detail_head) +
               kovtest::detail_record(1, "TNY01A", {1995, 2011, 0, 0, -6, 0, 0, icu1, 1, 1}) + "\n" +
               kovtest::detail_record(2, "TNY02A", {1998, 2013, 0, 0, -6, 0, 0, icu2, 1, 2}) + "\n";
    };
    d.write("b_detail.txt", detail(0, 0));
    const auto before = folder_files(d);
    const auto r = run_kovrin(d.path(), batch_answers);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains_line(split_lines(r.out), " *** nc .le. 0 after reading tree-ring data:  b.txt")) << r.out;
    EXPECT_EQ(folder_files(d), before);

    d.write("b_detail.txt", detail(0, 1));
    const auto ok = run_kovrin(d.path(), batch_answers);
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_TRUE(contains_line(split_lines(ok.out), "      1 series from   1998 to   2012      15 years")) << ok.out;
}

// An interactive run reads its data files once the run-time menu has given
// their data type, before it writes a command file: a file typed at the start
// whose widths are written in mm with decimal points is named there, and the
// run leaves nothing but the list of names it was typed into. With the same
// commands for all files, one of three files without a series leaves every
// command file as it was.
TEST(RunInputs, AnInteractiveRunReadsItsDataFilesBeforeItWritesACommandFile) {
    {
        TempDir d;
        d.write("d.txt", decimal_widths);
        // typed name, empty name, title, interactive, the menu left at once, continue
        const auto r = run_kovrin(d.path(), "\n\nd.txt\n\ntitle\nn\n\ny\n\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains_line(split_lines(r.out), " *** nc .le. 0 after reading tree-ring data:  d.txt")) << r.out;
        EXPECT_NE(r.out.find("enter the option to change"), std::string::npos);
        EXPECT_EQ(r.out.find("continue with run?"), std::string::npos);
        auto files = folder_files(d);
        EXPECT_EQ(files.erase("kovrin_files.txt"), 1u);
        EXPECT_EQ(files, (std::map<std::string, std::string>{{"d.txt", decimal_widths}}));
    }
    {
        TempDir d;
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) put_site(d, n);
        d.write("a_log.txt", kovtest::default_commands("a.txt") + "edited by hand\n");
        d.write("b.txt", prose(3));
        d.write("list.txt", "a.txt\nb.txt\nc.txt\n");
        const auto before = folder_files(d);
        const auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\nn\ny\n\ny\n\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains_line(split_lines(r.out), " *** nc .le. 0 after reading tree-ring data:  b.txt")) << r.out;
        EXPECT_EQ(r.out.find("writing batch commands"), std::string::npos);
        EXPECT_EQ(folder_files(d), before);
    }
}
