#include <gtest/gtest.h>

#include "driver/start_dialogue.hpp"
#include "driver_test_support.hpp"
#include "shared/generic_files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

using namespace kov;
using kovtest::columns_of;
using kovtest::contains_line;
using kovtest::DriverScene;
using kovtest::ScriptedConsole;

namespace {

struct Outcome {
    bool stopped = false;
    int status = -1;
    std::string message;
    DialogueResult result;
};

Outcome dialogue(const std::string& input, std::string* console = nullptr) {
    ScriptedConsole sc(input);
    Outcome o;
    try {
        o.result = start_dialogue();
    } catch (const Stop& s) {
        o.stopped = true;
        o.status = s.status;
        o.message = s.what();
    }
    if (console) *console = sc.output();
    return o;
}

// Data files the dialogue finds (it checks them before the run goes on), with
// their batch command files for a batch run.
void put_data_files(const kovtest::TempDir& d, std::initializer_list<std::string> names, bool commands = false) {
    for (const auto& n : names) {
        d.write(n, kovtest::tiny_rwl);
        if (commands) d.write(output_prefix(n) + "_log.txt", kovtest::default_commands(n));
    }
}

int generic_files_present(const kovtest::TempDir& d) {
    int n = 0;
    for (int i = 0; i < 10; ++i) n += d.exists(generic_file_name(i));
    return n;
}

}  // namespace

TEST(StartPrompt, StopsLeaveTheGenericFilesOfAnEarlierRunAlone) {
    // Wherever the dialogue stops, no generic file has been written: an
    // earlier run's generic file keeps its chronologies and no other one is made.
    struct Case {
        std::string input;
        std::string message;
        int status;
    } cases[] = {
        {"/\n", " <=== bailout ===>", exit_ok},
        {"", "", exit_end_of_input},
        {"x\n/\n", " <=== bailout ===>", exit_ok},
        {"h\nx\n\n/\n", " <=== bailout ===>", exit_ok},  // page 1, page 2 (pause takes the empty line)
        {"\n/\n", " <=== bailout ===>", exit_ok},        // at the list-file question
        {"\n", "", exit_end_of_input},
        {"\nl.txt\ntitle\n/\n", "", exit_ok},    // at the batch question
        {"\nl.txt\ntitle\n\n\nn\n", "", exit_ok},  // "n" at the continue question, after the menu
    };
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("l.txt", "d1.rwl\n");
        put_data_files(scene.dir(), {"d1.rwl"});
        scene.dir().write("crns_raw.txt", "an earlier run\n");
        auto o = dialogue(c.input);
        EXPECT_TRUE(o.stopped) << c.input;
        EXPECT_EQ(o.status, c.status) << c.input;
        EXPECT_EQ(o.message, c.message) << c.input;
        EXPECT_EQ(generic_files_present(scene.dir()), 1) << c.input;
        EXPECT_EQ(scene.dir().read("crns_raw.txt"), "an earlier run\n") << c.input;
    }
}

TEST(StartPrompt, HelpPagesFollowTheShowingsOfThePrompt) {
    DriverScene scene;
    std::string out;
    // first form: "h" -> page 1; second form: "x" -> page 2 (its pause takes
    // "more"); third showing: "x" -> page 3, then the list-file question.
    dialogue("h\nx\nmore\nx\n/\n", &out);
    const auto p1 = out.find("welcome to program kovrin");
    const auto p2 = out.find("carries a prefix");
    const auto p2b = out.find("no residual files are written");
    const auto p3 = out.find("both files can be used unchanged");
    const auto q = out.find("open the file listing the data file names");
    ASSERT_NE(p1, std::string::npos);
    ASSERT_NE(p2, std::string::npos);
    ASSERT_NE(p3, std::string::npos);
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, p2b);
    EXPECT_LT(p2b, p3);
    EXPECT_LT(p3, q);
    EXPECT_EQ(columns_of(out, "<ret> to run, / to exit, h for more info: "), (std::vector<int>{21, 2, 2}));
}

TEST(ListFile, CountsNamesUpToTheFirstBlankLine) {
    DriverScene scene;
    scene.dir().write("names.txt", "one.rwl\ntwo.rwl\nthree.rwl\n\nfive.rwl\n");
    std::string out;
    auto o = dialogue("\nnames.txt\n/\n", &out);
    const auto lines = kovtest::split_lines(out);
    EXPECT_TRUE(contains_line(lines, " " + padded("names.txt", 60) + " opened"));
    EXPECT_TRUE(contains_line(lines, "     1  " + padded("one.rwl", 60)));
    EXPECT_TRUE(contains_line(lines, "     3  " + padded("three.rwl", 60)));
    EXPECT_EQ(out.find("five.rwl"), std::string::npos);
    EXPECT_TRUE(contains_line(lines, " number of files to be processed:     3"));
}

TEST(ListFile, RefusalsAskTheQuestionAgain) {
    DriverScene scene;
    scene.dir().write("empty_first.txt", "\nlater.rwl\n");
    scene.dir().write("bob.txt", "d1.rwl\n");
    const std::string long_name(61, 'n');
    std::string out;
    // missing file: silently again; first line blank: message; 61 characters:
    // message; "bob.txt" is a list file although it begins with "b".
    auto o = dialogue("\nmissing.txt\nempty_first.txt\n" + long_name + "\nbob.txt\nt\n/\n", &out);
    EXPECT_EQ(columns_of(out, "type h for help or <ret> to enter them").size(), 4u);
    EXPECT_NE(out.find("*** no data file names found ***"), std::string::npos);
    EXPECT_NE(out.find("*** a file name has at most 60 characters"), std::string::npos);
    EXPECT_NE(out.find(padded("bob.txt", 60) + " opened"), std::string::npos);
    EXPECT_TRUE(o.stopped);
    EXPECT_EQ(o.message, "");  // "/" at the batch question: blank message
}

TEST(TypedNames, BackWithdrawsTheLastNameFromTheFile) {
    struct Case {
        std::string typed;
        std::string file;  // "kovrin_files.txt" afterwards; "-" when it is gone
        int count;         // 0: the input ends while names are typed
    } cases[] = {
        {"a\nx\nb\nc\n\n", "a\nc\n", 2},
        {"a\nb\nc\n\n", "c\n", 1},
        {"/\nh\n\n", "/\nh\n", 2},  // no meaning here: stored as names
        {"a\n" + std::string(61, 'q') + "\nd\n\n", "a\nd\n", 2},  // refused, asked again
        {"a\nc\n", "a\nc\n", 0},  // the names typed before the end are kept
    };
    for (const auto& c : cases) {
        DriverScene scene;
        std::string out;
        auto o = dialogue("\n\n" + c.typed + (c.count > 0 ? "t\n/\n" : ""), &out);
        EXPECT_EQ(scene.dir().read("kovrin_files.txt"), c.file) << c.typed;
        if (c.count == 0) {
            EXPECT_TRUE(o.stopped) << c.typed;
            EXPECT_EQ(o.status, exit_end_of_input) << c.typed;
            EXPECT_EQ(out.find("number of files to be processed"), std::string::npos) << c.typed;
            continue;
        }
        EXPECT_NE(out.find(" number of files to be processed: " + std::string(5 - std::to_string(c.count).size(), ' ') +
                           std::to_string(c.count)),
                  std::string::npos)
            << c.typed;
    }
}

TEST(TypedNames, NothingTypedDeletesTheListFile) {
    for (std::string typed : {"b\n", "\n"}) {
        DriverScene scene;
        std::string out;
        dialogue("\n\n" + typed + "/\n", &out);
        EXPECT_FALSE(scene.dir().exists("kovrin_files.txt")) << typed;
        EXPECT_EQ(out.find("no data file names entered") != std::string::npos, typed == "\n") << typed;
        EXPECT_EQ(columns_of(out, "open the file listing the data file names").size(), 2u) << typed;
    }
}

// Typed names go to "kovrin_files.txt" only when that is none of the data
// files typed: a data file of that name keeps its content, and the names go to
// the first "kovrin_files_N.txt" that does not exist yet, with a message. The
// list is written once the names are complete, so a name typed and withdrawn
// never reaches it.
TEST(TypedNames, TheListNeverEmptiesADataFileTyped) {
    const std::string data = "a data file of the run\n";
    struct Case {
        const char* what;
        std::vector<std::string> existing;  // files there before, each holding `data`
        std::string typed;
        std::string list;   // the file the names went to
        std::string names;  // what it holds
    } cases[] = {
        {"list file typed as a data file", {"kovrin_files.txt"}, "site.rwl\nkovrin_files.txt\n\n", "kovrin_files_1.txt",
         "site.rwl\nkovrin_files.txt\n"},
        {"under another spelling", {"kovrin_files.txt"}, "./kovrin_files.txt\n\n", "kovrin_files_1.txt",
         "./kovrin_files.txt\n"},
        {"the next free name", {"kovrin_files.txt", "kovrin_files_1.txt"}, "kovrin_files.txt\nkovrin_files_1.txt\n\n",
         "kovrin_files_2.txt", "kovrin_files.txt\nkovrin_files_1.txt\n"},
        {"typed before it exists", {}, "kovrin_files.txt\n\n", "kovrin_files_1.txt", "kovrin_files.txt\n"},
        {"typed and withdrawn", {"kovrin_files.txt"}, "kovrin_files.txt\nb\nsite.rwl\n\n", "kovrin_files.txt",
         "site.rwl\n"},
    };
    for (const auto& c : cases) {
        DriverScene scene;
        for (const auto& e : c.existing) scene.dir().write(e, data);
        std::string out;
        auto o = dialogue("\n\n" + c.typed + "t\ny\n", &out);
        ASSERT_FALSE(o.stopped) << c.what;
        EXPECT_EQ(o.result.run.list_name, padded(c.list, 60)) << c.what;
        for (const auto& e : c.existing)
            if (e != c.list) {
                EXPECT_EQ(scene.dir().read(e), data) << c.what << ": " << e;
            }
        EXPECT_EQ(scene.dir().read(c.list), c.names) << c.what;
        const bool moved = c.list != "kovrin_files.txt";
        EXPECT_EQ(out.find(" *** kovrin_files.txt is a data file of the run: the names are stored in the new file: " +
                           c.list) != std::string::npos,
                  moved)
            << c.what << "\n" << out;
    }
}

// A list file for the typed names that cannot be created (here a folder
// stands under its name) is named, and the list-file question comes again;
// so it is when the console input ends while names are typed.
TEST(TypedNames, AListFileThatCannotBeCreatedIsNamed) {
    const std::string named = "\n *** output file cannot be created:  kovrin_files.txt\n";
    const struct {
        std::string typed;
        bool asked_again;  // the list-file question comes after the line
        int status;
    } cases[] = {
        {"site.rwl\n\n/\n", true, exit_ok},          // "/" at the question asked again
        {"site.rwl\n", false, exit_end_of_input},  // the input ends among the names
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        DriverScene scene;
        std::filesystem::create_directories(scene.dir() / "kovrin_files.txt" / "x");
        std::string out;
        const auto o = dialogue("\n\n" + c.typed, &out);
        EXPECT_TRUE(o.stopped);
        EXPECT_EQ(o.status, c.status);
        const size_t at = out.find(named);
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_EQ(kovtest::count(out, named), 1) << out;
        EXPECT_EQ(out.find(" open the file listing the data file names", at) != std::string::npos, c.asked_again)
            << out;
        EXPECT_TRUE(std::filesystem::is_directory(scene.dir() / "kovrin_files.txt" / "x"));
    }
}

TEST(TitleAndBatch, BackHelpAndAnswers) {
    DriverScene scene;
    scene.dir().write("l1.txt", "d1.rwl\n");
    scene.dir().write("l2.txt", "d2.rwl\nd3.rwl\n");
    put_data_files(scene.dir(), {"d2.rwl", "d3.rwl"}, true);
    std::string out;
    // title "h" repeats the count; title "b" back to the list question; batch
    // "q" asked again, "b" back to the count and title, "h" help, then "y".
    auto o = dialogue("\nl1.txt\nh\nb\nl2.txt\nfirst\nq\nb\nsecond title\nh\ny\n", &out);
    ASSERT_FALSE(o.stopped);
    EXPECT_TRUE(o.result.go);
    EXPECT_EQ(shared().batmod, "y");
    EXPECT_EQ(o.result.run.list_name, padded("l2.txt", 60));
    EXPECT_EQ(o.result.run.run_title, padded("second title", 80));
    EXPECT_EQ(o.result.run.count, 2);
    EXPECT_EQ(columns_of(out, "number of files to be processed:").size(), 4u);
    EXPECT_EQ(columns_of(out, "run in batch mode from log file?").size(), 4u);
    EXPECT_NE(out.find("batch mode runs from the batch command"), std::string::npos);
    // the list is handed over at its first line, the generic files made
    EXPECT_EQ(*streams().lulist.read_line(), "d2.rwl");
    EXPECT_EQ(generic_files_present(scene.dir()), 10);
}

TEST(TitleAndBatch, InteractiveAnswerWritesTheCommandFilesFirst) {
    DriverScene scene;
    scene.dir().write("l.txt", "d1.rwl\n");
    put_data_files(scene.dir(), {"d1.rwl"});
    std::string out;
    // one name: no same-commands question; the menu (ended at once), then
    // the continue question
    auto o = dialogue("\nl.txt\ntitle\n\n\n\n", &out);
    ASSERT_FALSE(o.stopped);
    EXPECT_TRUE(o.result.go);
    EXPECT_EQ(shared().batmod, "n");
    EXPECT_EQ(o.result.run.same_commands, 'y');
    EXPECT_EQ(out.find("use same commands for all runs?"), std::string::npos);
    EXPECT_EQ(kovtest::split_lines(scene.dir().read("d1.rwl_log.txt"))[0], "data file #  1  --  " + padded("d1.rwl", 60));
    EXPECT_EQ(*streams().lulist.read_line(), "d1.rwl");
}

TEST(TitleAndBatch, SameCommandsAndContinueQuestions) {
    DriverScene scene;
    scene.dir().write("l.txt", "d1.rwl\nd2.rwl\n");
    put_data_files(scene.dir(), {"d1.rwl", "d2.rwl"});
    std::string out;
    // same: help, unknown, back to the batch question; then "n": a menu per
    // file; continue: help, back to the same question; "y": one menu; "n" at
    // the continue question stops and removes the generic files
    auto o = dialogue("\nl.txt\ntitle\nn\nh\nq\nb\nN\nn\n\n\nh\nb\ny\n\nn\n", &out);
    EXPECT_TRUE(o.stopped);
    EXPECT_EQ(o.status, exit_ok);
    EXPECT_EQ(o.message, "");
    EXPECT_EQ(columns_of(out, "use same commands for all runs?").size(), 5u);
    EXPECT_EQ(columns_of(out, "enter the option to change").size(), 3u);
    EXPECT_EQ(columns_of(out, "continue with run?").size(), 3u);
    EXPECT_NE(out.find("you may stop here"), std::string::npos);
    EXPECT_EQ(generic_files_present(scene.dir()), 0);
    EXPECT_TRUE(scene.dir().exists("d1.rwl_log.txt"));
    EXPECT_TRUE(scene.dir().exists("d2.rwl_log.txt"));
}

TEST(Questions, ArrowAtColumn45) {
    DriverScene scene;
    scene.dir().write("l.txt", "d1.rwl\nd2.rwl\n");
    put_data_files(scene.dir(), {"d1.rwl", "d2.rwl"});
    std::string out;
    dialogue("\nh\nl.txt\ntitle\nh\nn\nh\n\n\nh\n\n", &out);
    // the list-file, batch, same-commands and continue questions (each twice)
    // and the menu; the title prompt is its own line from column 2
    const auto cols = kovtest::question_arrow_columns(out);
    ASSERT_EQ(cols.size(), 10u);
    EXPECT_EQ(std::count(cols.begin(), cols.end(), 45), 9);
    EXPECT_EQ(cols[2], 2);
}

TEST(TitleAndBatch, GenericFilesNeverReplaceAnInputOfTheRun) {
    DriverScene scene;
    // series of an earlier run's chronology, now a data file
    scene.dir().write("crns_std.txt", kovtest::tiny_rwl);
    scene.dir().write("l.txt", "site.txt\ncrns_std.txt\n");
    put_data_files(scene.dir(), {"site.txt"}, true);
    scene.dir().write("crns_std_log.txt", kovtest::default_commands("crns_std.txt"));
    std::string out;
    auto o = dialogue("\nl.txt\ntitle\ny\n", &out);
    ASSERT_FALSE(o.stopped);
    EXPECT_FALSE(o.result.go);
    EXPECT_EQ(o.result.status, exit_failure);
    EXPECT_NE(out.find(" *** output file would overwrite an input file: crns_std.txt"), std::string::npos) << out;
    EXPECT_EQ(scene.dir().read("crns_std.txt"), kovtest::tiny_rwl);
}

TEST(StartPrompt, AStopNeverEmptiesADataFileNamedLikeAGenericFile) {
    // The list names an earlier run's chronology as a data file; the dialogue
    // is stopped before the run starts: that file keeps its content, and no
    // generic file is made.
    struct Case {
        std::string input;
        int status;
    } cases[] = {
        {"\nl.txt\ntitle\n/\n", exit_ok},            // "/" at the batch question
        {"\nl.txt\n", exit_end_of_input},            // input ends at the title
        {"\n\nsite.txt\ncrns_std.txt\n", exit_end_of_input},  // ends among typed names
    };
    const std::string kept = "a chronology of an earlier run, now a data file\n";
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("crns_std.txt", kept);
        scene.dir().write("l.txt", "site.txt\ncrns_std.txt\n");
        auto o = dialogue(c.input);
        EXPECT_TRUE(o.stopped) << c.input;
        EXPECT_EQ(o.status, c.status) << c.input;
        EXPECT_EQ(scene.dir().read("crns_std.txt"), kept) << c.input;
        EXPECT_EQ(generic_files_present(scene.dir()), 1) << c.input;
    }
}
