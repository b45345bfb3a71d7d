// A run that cannot do what it was asked finds out before it writes anything:
// every data file of the list is checked, and in a batch run every command
// file is read, before the first output; all that fails is named at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
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
