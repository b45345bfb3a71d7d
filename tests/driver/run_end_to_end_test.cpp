// The program run end to end in a fresh folder with scripted console input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "chronology/statistics_fixture.hpp"
#include "driver_test_support.hpp"
#include "shared/generic_files.hpp"
#include "shared/output_names.hpp"
#include "shared/text_helpers.hpp"

using kov::padded;
using kovtest::columns_of;
using kovtest::contains_line;
using kovtest::detail_record;
using kovtest::folder_files;
using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

std::string command_file(const std::string& datfil) { return kovtest::default_commands(datfil); }

int generic_files(const TempDir& d) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        n += e.path().filename().string().rfind("crns_", 0) == 0;
    return n;
}

const std::string end_line = " |====== as Sam Pelliton would say, \"THIS IS THE END.\" ======|";
const std::string closing_line = " |================ as sam pelliton would say, \"this is the end\" ================|";
const std::string raw_section_line =
    " |======================== raw data statistical analyses =======================|";

// a batch run over the list file "list.txt"
const std::string batch_answers = "\nlist.txt\nrun title\ny\n\n";

}  // namespace

TEST(Run, BailoutAtTheFirstPromptAndTheBannerLimits) {
    TempDir d;
    // an earlier run's chronology stays as it was
    d.write("crns_std.txt", "from an earlier run\n");
    auto r = run_kovrin(d.path(), "/\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(" <=== bailout ===>"), std::string::npos);
    EXPECT_EQ(generic_files(d), 1);
    EXPECT_EQ(d.read("crns_std.txt"), "from an earlier run\n");
    const auto lines = split_lines(r.out);
    EXPECT_TRUE(contains_line(lines, std::string(17, ' ') + "MAXIMUM tree-ring chronology length: " +
                                         std::string(10, ' ') + " 5001"));
    EXPECT_TRUE(contains_line(lines, std::string(17, ' ') + "MAXIMUM number of tree-ring series:  " +
                                         std::string(10, ' ') + " 8001"));
}

TEST(Run, EmptyInputEndsAtTheFirstQuestion) {
    TempDir d;
    auto r = run_kovrin(d.path(), "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(columns_of(r.out, "<ret> to run").size(), 1u);
    EXPECT_EQ(split_lines(r.out).back(), " *** end of console input ***");
    EXPECT_EQ(generic_files(d), 0);
}

TEST(Run, EveryQuestionThroughTypedNamesToTheInteractiveRun) {
    TempDir d;
    d.write("a", kovtest::tiny_rwl);
    d.write("c", kovtest::tiny_rwl);
    // help at the list-file question, names a, x, b, c typed, help at the
    // batch, same-commands and continue questions; one menu for both files
    auto r = run_kovrin(d.path(), "\nh\n\na\nx\nb\nc\n\ntitle\nh\nn\nh\n\n\nh\n\n\n");
    EXPECT_EQ(d.read("kovrin_files.txt"), "a\nc\n");
    EXPECT_TRUE(contains_line(split_lines(r.out), " number of files to be processed:     2"));
    auto cols = kovtest::question_arrow_columns(r.out);
    ASSERT_EQ(cols.size(), 10u);
    EXPECT_EQ(cols[2], 2);  // the title prompt stands on its own line
    cols.erase(cols.begin() + 2);
    EXPECT_EQ(cols, std::vector<int>(9, 45));
    // the interactive run reads the command files back; no detail file is read
    EXPECT_TRUE(d.exists("a_log.txt"));
    EXPECT_TRUE(d.exists("c_log.txt"));
    EXPECT_TRUE(d.exists("a_out.txt"));
    EXPECT_TRUE(d.exists("c_out.txt"));
    EXPECT_EQ(r.out.find("batch detail file opened"), std::string::npos);
    EXPECT_EQ(r.status, 0) << r.out;
    const auto lines = split_lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], end_line);
    EXPECT_EQ(lines.back(), " hit return to quit");
    EXPECT_EQ(generic_files(d), 10);  // two data files processed
}

TEST(Run, ListFileCountStopsAtABlankLine) {
    TempDir d;
    d.write("list.txt", "one.rwl\ntwo.rwl\nthree.rwl\n\nfive.rwl\n");
    auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\n/\n");
    EXPECT_EQ(r.status, 0);
    const auto lines = split_lines(r.out);
    EXPECT_TRUE(contains_line(lines, "     1  " + padded("one.rwl", 60)));
    EXPECT_TRUE(contains_line(lines, "     2  " + padded("two.rwl", 60)));
    EXPECT_TRUE(contains_line(lines, "     3  " + padded("three.rwl", 60)));
    EXPECT_EQ(r.out.find("five.rwl"), std::string::npos);
    EXPECT_TRUE(contains_line(lines, " number of files to be processed:     3"));
    EXPECT_EQ(generic_files(d), 0);  // "/" before the run starts makes none
}

TEST(Run, BatchRunWritesListingsAndKeepsTheGenericFilesOfTwo) {
    for (int files : {1, 2}) {
        TempDir d;
        std::string list;
        for (int i = 1; i <= files; ++i) {
            const std::string name = "site" + std::to_string(i) + ".txt";
            d.write(name, kovtest::tiny_rwl);
            d.write("site" + std::to_string(i) + "_log.txt", command_file(name));
            list += name + "\n";
        }
        d.write("list.txt", list);
        auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(generic_files(d), files == 2 ? 10 : 0);
        for (int i = 1; i <= files; ++i) {
            const auto lines = split_lines(d.read("site" + std::to_string(i) + "_out.txt"));
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[1], std::string(24, ' ') + std::string(34, '*'));
            size_t h = 0;
            while (h < lines.size() && lines[h] != "                       opt          plt") ++h;
            ASSERT_LT(h + 26, lines.size());
            EXPECT_EQ(lines[h + 1].substr(0, 25), " tree-ring data type    1");
            EXPECT_EQ(lines[h + 20], "");
            EXPECT_EQ(lines[h + 24].substr(0, 25), " std error threshold    0");
            EXPECT_EQ(lines[h + 25], "");
            EXPECT_EQ(lines[h + 26], raw_section_line);
            EXPECT_EQ(lines.back(), closing_line);
            EXPECT_TRUE(d.exists("site" + std::to_string(i) + "_tabs.txt"));
        }
        const auto console = split_lines(r.out);
        EXPECT_EQ(console.back(), " hit return to quit");
    }
}

// An input that would stop a batch run at its data file (a data file missing
// or a folder, a batch command file missing, refused or cut short) stops it
// before it writes anything, also when it belongs to the second data file:
// the first is not run, no file of the folder changes, the run goes through
// its closing lines and ends with status 1.
TEST(Run, AnInputThatFailsStopsTheRunBeforeAnyFile) {
    struct Case {
        const char* what;
        std::string name;                  // the second data file of the list
        bool data, folder, commands;
        std::string command_text;          // "": the default commands
        std::vector<std::string> console;  // lines that must be on the console
    } cases[] = {
        {"data file missing", "s2.txt", false, false, true, "",
         {"", " data file not found:  " + padded("s2.txt", 60), "", " check file names in:  " + padded("list.txt", 60)}},
        {"data file a folder", "s2.txt", false, true, true, "",
         {" data file is not a file that can be read:  " + padded("s2.txt", 60)}},
        {"data file named as a folder", "sub/", false, true, false, "",
         {" data file is not a file that can be read:  " + padded("sub/", 60)}},
        {"command file missing", "s2.txt", true, false, false, "",
         {" *** log file not found:  " + padded("s2_log.txt", 60), " *** re-run program in interactive mode",
          " *** to create the proper log file."}},
        {"command file out of range", "s2.txt", true, false, true, "7 bad\n",
         {" *** line 2 of the batch command file s2_log.txt, option 1: data type 7 is outside 1 to 4", "",
          " *** error reading batch commands. re-run the"}},
        {"command file empty", "s2.txt", true, false, true, "\n",
         {" *** the batch command file s2_log.txt is empty", "",
          " *** end-of-file reading batch commands. re-run"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        d.write("s1.txt", kovtest::tiny_rwl);
        d.write("s1_log.txt", command_file("s1.txt"));
        if (c.data) d.write(c.name, kovtest::tiny_rwl);
        if (c.folder) std::filesystem::create_directory(d / c.name);
        if (c.commands) {
            std::string text = command_file(c.name);
            if (c.command_text == "7 bad\n") text.replace(text.find("\n1  ") + 1, 1, "7");
            else if (!c.command_text.empty()) text = "";
            d.write("s2_log.txt", text);
        }
        d.write("list.txt", "s1.txt\n" + c.name + "\n");
        const auto before = folder_files(d);
        auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 1);
        const auto lines = split_lines(r.out);
        for (const auto& l : c.console) EXPECT_TRUE(contains_line(lines, l)) << l << "\n" << r.out;
        EXPECT_EQ(lines[lines.size() - 3], end_line);
        EXPECT_EQ(r.out.find("batch file inputs"), std::string::npos);  // no data file began
        EXPECT_EQ(folder_files(d), before);
    }
}

TEST(Run, OutputNamesFromTheDataFileName) {
    struct Case {
        std::string datfil, prefix;
    } cases[] = {{"site1.txt", "site1"}, {"site1.TXT", "site1.TXT"}, {"site1", "site1"}, {"a.b.txt", "a.b"}, {".txt", ""}};
    for (const auto& c : cases) {
        TempDir d;
        d.write(c.datfil, kovtest::tiny_rwl);
        d.write(c.prefix + "_log.txt", command_file(c.datfil));
        d.write("list.txt", c.datfil + "\n");
        auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 0) << c.datfil << "\n" << r.out;
        for (const char* suffix : {"_out.txt", "_tabs.txt", "_crns.txt", "_errs.txt"})
            EXPECT_TRUE(d.exists(c.prefix + suffix)) << c.datfil << suffix;
        EXPECT_NE(d.read(c.prefix + "_out.txt").find(" data file processed:             " + padded(c.datfil, 60)),
                  std::string::npos)
            << c.datfil;
    }
}

namespace {

// The listing's line for a series in the transformed statistics, from its
// identifier on (the series number before it changes when series are left out).
std::string transformed_row(const std::string& listing, const std::string& ident) {
    const size_t section = listing.find("transformed data statistical analyses");
    const size_t at = listing.find("  " + ident + " ", section);
    if (section == std::string::npos || at == std::string::npos) return "";
    return listing.substr(at + 2, listing.find('\n', at) - at - 2);
}

}  // namespace

// Per-series settings carried from one run to the next through the detail file,
// over a real data file of 21 series (identifiers and years as the file has them).
TEST(Run, DetailFileCarriesThePerSeriesSettingsOfARealFile) {
    TempDir d;
    d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
    // log transformation, series saved as space-delimited columns
    d.write("w_log.txt", kovtest::default_commands("w.txt", {{3, "1            0     !"}, {18, "5                  !"}}));
    d.write("list.txt", "w.txt\n");

    // First run: no detail file yet; every series is used with the defaults.
    auto first = run_kovrin(d.path(), batch_answers);
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_TRUE(contains_line(split_lines(first.out), " *** batch detail data file either not found or"));
    auto detail = split_lines(d.read("w_detail.txt"));
    ASSERT_EQ(detail.size(), 8u + 21u);
    EXPECT_EQ(detail[7], " num  ident      ify   ily   yfp   itn   idt   ips   isb   icu   ics   cpa");
    // idt: the curve option each series was detrended with (the default -6)
    EXPECT_EQ(detail[8], detail_record(1, "LIDY701", {1323, 1986, 0, 1, -6, 0, 0, 1, 1, 1}));
    EXPECT_EQ(detail[9], detail_record(2, "LI702O", {991, 1368, 0, 1, -6, 0, 0, 1, 1, 2}));
    EXPECT_EQ(detail[28], detail_record(21, "LI769", {1634, 1986, 0, 1, -6, 0, 0, 1, 1, 21}));
    const std::string first_listing = d.read("w_out.txt");

    // Edited by hand: LI702O left out, LI745 transformed by the inverse
    // hypersine, a pith offset, LI752 not saved, an AR order and a
    // stabilisation code, and a record that names another series.
    detail[9] = detail_record(2, "LI702O", {991, 1368, 0, 1, 0, 0, 0, 0, 1, 2});
    detail[10] = detail_record(3, "LI745", {1408, 1933, 0, 3, 0, 0, 0, 1, 1, 3});
    detail[11] = detail_record(4, "LI751", {1486, 1893, 25, 1, 0, 0, 0, 1, 1, 4});
    detail[12] = detail_record(5, "LI752", {1680, 1986, 0, 1, 0, 0, 0, 1, 0, 5});
    detail[13] = detail_record(6, "LI753", {1417, 1986, 0, 1, 0, 2, 0, 1, 1, 6});
    detail[14] = detail_record(7, "LI754", {1452, 1986, 0, 1, 0, 0, 4, 1, 1, 7});
    detail[15] = detail_record(8, "XX755", {1425, 1873, 0, 1, 0, 0, 0, 1, 1, 8});
    d.write("w_detail.txt", kovtest::join_lines(detail));

    auto second = run_kovrin(d.path(), batch_answers);
    ASSERT_EQ(second.status, 0) << second.out;
    // without LI702O the span starts with LI767I
    EXPECT_TRUE(contains_line(split_lines(second.out), "     20 series from   1036 to   1986     951 years"));
    const std::string listing = d.read("w_out.txt");
    EXPECT_NE(listing.find("\n *** batch detail record     8 (XX755   ) is paired with series LI755   \n"),
              std::string::npos);
    // LI745 alone is transformed otherwise; the others as in the first run
    EXPECT_NE(transformed_row(listing, "LI745"), transformed_row(first_listing, "LI745"));
    EXPECT_EQ(transformed_row(listing, "LIDY701"), transformed_row(first_listing, "LIDY701"));
    EXPECT_EQ(transformed_row(listing, "LI769"), transformed_row(first_listing, "LI769"));
    EXPECT_NE(transformed_row(listing, "LI769"), "");
    // the saved columns hold the series used and saved
    const auto saved = split_lines(d.read("w_raw.txt"));
    ASSERT_FALSE(saved.empty());
    EXPECT_NE(saved[0].find("LI745"), std::string::npos);
    EXPECT_EQ(saved[0].find("LI702O"), std::string::npos);
    EXPECT_EQ(saved[0].find("LI752"), std::string::npos);

    // Rewritten: the left-out series keeps its record at its place, every
    // other record carries its settings, under the series' own identifier.
    detail = split_lines(d.read("w_detail.txt"));
    ASSERT_EQ(detail.size(), 8u + 21u);
    EXPECT_EQ(detail[9], detail_record(2, "LI702O", {991, 1368, 0, 1, 0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(detail[10].substr(0, 38), detail_record(3, "LI745", {1408, 1933, 0, 3}));
    EXPECT_EQ(detail[11].substr(0, 32), detail_record(4, "LI751", {1486, 1893, 25}));
    EXPECT_EQ(detail[12].substr(56, 12), "     1     0");  // icu, ics of LI752
    EXPECT_EQ(detail[13].substr(44, 6), "     2");        // ips of LI753
    EXPECT_EQ(detail[14].substr(50, 6), "     4");        // isb of LI754
    EXPECT_EQ(detail[15].substr(0, 26), detail_record(8, "LI755", {1425, 1873}));
    EXPECT_EQ(detail[28].substr(0, 26), detail_record(21, "LI769", {1634, 1986}));
}

// Identifiers that differ in the data file differ in every output: nine
// series Áä89-10 to Áä89-18 (7 characters in 9 bytes each: Á and ä take two)
// are listed, saved and written to the detail file each as itself, and the
// detail file reads back by characters: a second run pairs every record with
// its series, leaves out the one marked so and rewrites the file as it was.
TEST(Run, IdentifiersOfLettersOfTwoBytesStayApartInEveryOutput) {
    TempDir d;
    std::vector<std::string> ids;
    std::string rwl;
    for (int s = 0; s < 9; ++s) {
        ids.push_back("\u00c1\u00e489-1" + std::to_string(s));
        const std::vector<float> widths = statfix::noise(40, static_cast<unsigned>(s));
        for (int decade = 1900; decade <= 1930; decade += 10) {
            rwl += ids.back() + " " + std::to_string(decade);
            for (int k = 0; k < 10; ++k) {
                // 1.000 to 1.999 mm in hundredths
                const std::string v = std::to_string(std::lround(widths[decade - 1900 + k] * 100.0f));
                rwl += std::string(6 - v.size(), ' ') + v;
            }
            rwl += "\n";
        }
        rwl += ids.back() + " 1940   999\n";
    }
    d.write("w.txt", rwl);
    // series saved as space-delimited columns
    d.write("w_log.txt", kovtest::default_commands("w.txt", {{18, "5                  !"}}));
    d.write("list.txt", "w.txt\n");

    auto first = run_kovrin(d.path(), batch_answers);
    ASSERT_EQ(first.status, 0) << first.out;
    const std::string listing = d.read("w_out.txt");
    auto detail = split_lines(d.read("w_detail.txt"));
    ASSERT_EQ(detail.size(), 8u + 9u);
    std::string header = "  year";
    for (int s = 0; s < 9; ++s) {
        const std::string num = std::to_string(s + 1);
        // the raw statistics, "(t2,i5,3x,a7,i6,...)": the first 7 characters
        EXPECT_NE(listing.find("\n" + std::string(6 - num.size(), ' ') + num + "   " + ids[s] + "  1900   1939"),
                  std::string::npos)
            << ids[s];
        EXPECT_EQ(detail[8 + s], detail_record(s + 1, ids[s], {1900, 1939, 0, 0, -6, 0, 0, 1, 1, s + 1}));
        header += " " + ids[s] + " ";
    }
    EXPECT_EQ(split_lines(d.read("w_raw.txt"))[0], header);

    // Áä89-13 left out by hand
    detail[11] = detail_record(4, ids[3], {1900, 1939, 0, 0, -6, 0, 0, 0, 1, 4});
    d.write("w_detail.txt", kovtest::join_lines(detail));

    auto second = run_kovrin(d.path(), batch_answers);
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_TRUE(contains_line(split_lines(second.out), "      8 series from   1900 to   1939      40 years"));
    EXPECT_EQ(d.read("w_out.txt").find("is paired with"), std::string::npos);
    EXPECT_EQ(split_lines(d.read("w_raw.txt"))[0].find(ids[3]), std::string::npos);
    // every record as it was but for cpa, the rows' own numbers renumbered
    const auto rewritten = split_lines(d.read("w_detail.txt"));
    ASSERT_EQ(rewritten.size(), detail.size());
    const auto but_cpa = [](const std::string& l) { return l.substr(0, l.size() - 6); };
    for (size_t k = 8; k < detail.size(); ++k) EXPECT_EQ(but_cpa(rewritten[k]), but_cpa(detail[k])) << k;
}

// The batch command and detail files a run writes again keep the mode they
// had: a file only its owner may read stays so, after an interactive run
// (which writes both) and after a batch run (which writes the detail file).
TEST(Run, RewrittenCommandAndDetailFilesKeepTheirMode) {
    namespace fs = std::filesystem;
    const auto owner_only = fs::perms::owner_read | fs::perms::owner_write;
    const auto group_too = owner_only | fs::perms::group_read;
    TempDir d;
    d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
    d.write("w_log.txt", kovtest::default_commands("w.txt"));
    d.write("list.txt", "w.txt\n");
    ASSERT_EQ(run_kovrin(d.path(), batch_answers).status, 0);
    auto mode = [&d](const std::string& name) { return fs::status(d / name).permissions() & fs::perms::all; };
    fs::permissions(d / "w_log.txt", owner_only);
    fs::permissions(d / "w_detail.txt", group_too);
    // interactive: Enter past the run-time menu and at the continue question
    const auto interactive = run_kovrin(d.path(), "\nlist.txt\nrun title\nn\n\n\n\n");
    ASSERT_EQ(interactive.status, 0) << interactive.out;
    EXPECT_NE(interactive.out.find("==> writing batch commands for: w.txt"), std::string::npos);
    EXPECT_EQ(mode("w_log.txt"), owner_only);
    EXPECT_EQ(mode("w_detail.txt"), group_too);
    fs::permissions(d / "w_detail.txt", owner_only);
    ASSERT_EQ(run_kovrin(d.path(), batch_answers).status, 0);
    EXPECT_EQ(mode("w_detail.txt"), owner_only);
    EXPECT_EQ(mode("w_log.txt"), owner_only);
}

// A compact file may hold a record of count 0, kept as a series of no values:
// the smoothers that detrend it find nothing to smooth, and the run goes on to
// its end.
TEST(Run, CompactSeriesOfNoValuesThroughTheSmoothers) {
    auto header = [](int count, int first, const std::string& id) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%8d=n%8d=i ", count, first);
        return padded(buf + id, 68) + " -2(13f6.0)~ raw\n";
    };
    std::string values;
    for (int i = 0; i < 30; ++i) {
        char v[8];
        std::snprintf(v, sizeof v, "%6d", 90 + (i * 37) % 60);
        values += v;
        if (i % 13 == 12 || i == 29) values += "\n";
    }
    const std::string data = header(0, 1950, "EMPTY") + header(30, 1950, "CD01") + values + header(30, 1955, "CD02") + values;
    for (const char* detrending : {"-5     5     0     !", "-4     25    0     !", "-3     21    0     !"}) {
        TempDir d;
        d.write("c.txt", data);
        d.write("c_log.txt", kovtest::default_commands("c.txt", {{1, "4                  !"}, {4, detrending}}));
        d.write("list.txt", "c.txt\n");
        auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 0) << detrending << "\n" << r.out;
        const auto lines = split_lines(d.read("c_out.txt"));
        ASSERT_FALSE(lines.empty()) << detrending;
        EXPECT_EQ(lines.back(), closing_line) << detrending;
    }
}

// The real files that depart from the clean layout run through a whole batch
// run (default options, without detrending, whose growth curves are another
// matter) to its end: exit 0, each read whole (the series counts of
// tests/data/rwl-hard's source README).
TEST(Run, RealFilesThatDepartFromTheLayoutRunToTheEnd) {
    const struct {
        const char* name;
        int series;
    } files[] = {{"cana054", 24}, {"can683", 59}, {"ak059", 99}, {"ar077", 23}, {"ak051", 39},
                 {"russ297", 35}, {"newz076e", 14}, {"bra009", 19}, {"ut562", 28}, {"mexi028l", 72}};
    TempDir d;
    std::string list;
    for (const auto& f : files) {
        const std::string name = std::string(f.name) + ".rwl";
        d.write(name, kovtest::read_file(kovtest::test_data("rwl-hard/" + name)));
        std::string commands = command_file(name);
        const std::string spline = "-6     20    0     !1st-age-dependent spline, init spline";
        const size_t at = commands.find(spline);
        ASSERT_NE(at, std::string::npos);
        commands.replace(at, spline.size(), "0      0     0     !1st-no detrending performed");
        d.write(std::string(f.name) + ".rwl_log.txt", commands);
        list += name + "\n";
    }
    d.write("list.txt", list);
    auto r = run_kovrin(d.path(), batch_answers);
    EXPECT_EQ(r.status, 0) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
    for (const auto& f : files) {
        const std::string listing = d.read(std::string(f.name) + ".rwl_out.txt");
        char count[40];
        std::snprintf(count, sizeof count, "number of series read in: %4d", f.series);
        EXPECT_NE(listing.find(count), std::string::npos) << f.name;
        EXPECT_NE(listing.find(closing_line), std::string::npos) << f.name;
    }
}

// A data file that stops the run at a negative growth curve (keny001: the
// age-dependent spline of RAG39A reaches -0.059 in 1993) takes its own
// unfinished tab, chronology and error files with it, but the run-wide
// chronology files keep what the data files before it finished: the same
// files as a run over those alone. With one file before it, that run would
// have deleted them, and so does the stop.
TEST(Run, NegativeCurveStopKeepsTheChronologiesOfTheFilesBefore) {
    const std::string stop_answers = "\nlist.txt\nrun title\ny\n"
                                     "\nc\n\n\ny\n";  // the pause, the plot, keep the fit, no more questions, end
    auto prepare = [](const TempDir& d, const std::vector<std::string>& names) {
        const std::map<std::string, std::string> source = {
            {"a", "rwl-hard/bra009.rwl"}, {"b", "rwl-hard/ar077.rwl"}, {"c", "rwl-hard/keny001.rwl"}};
        std::string list;
        for (const auto& n : names) {
            d.write(n + ".txt", kovtest::read_file(kovtest::test_data(source.at(n))));
            d.write(n + "_log.txt", command_file(n + ".txt"));
            list += n + ".txt\n";
        }
        d.write("list.txt", list);
    };
    struct Case {
        std::vector<std::string> before;
    };
    for (const Case& k : {Case{{"a", "b"}}, Case{{"a"}}}) {
        SCOPED_TRACE(k.before.size());
        TempDir alone;
        prepare(alone, k.before);
        ASSERT_EQ(run_kovrin(alone.path(), batch_answers).status, 0);
        TempDir d;
        std::vector<std::string> names = k.before;
        names.push_back("c");
        prepare(d, names);
        const auto r = run_kovrin(d.path(), stop_answers);
        EXPECT_EQ(r.status, 1);
        const auto console = split_lines(r.out);
        EXPECT_TRUE(contains_line(console, "*** negative growth curve value ***"));
        EXPECT_EQ(generic_files(d), generic_files(alone));
        for (int i = 0; i < 10; ++i) {
            const std::string name = kov::generic_file_name(i);
            if (alone.exists(name)) {
                EXPECT_EQ(d.read(name), alone.read(name)) << name;
            }
        }
        for (const char* gone : {"c_tabs.txt", "c_crns.txt", "c_errs.txt"}) EXPECT_FALSE(d.exists(gone)) << gone;
        EXPECT_TRUE(d.exists("c_out.txt"));
        EXPECT_TRUE(contains_line(console, " *** removed: c_tabs.txt, c_crns.txt, c_errs.txt" +
                                               std::string(k.before.size() < 2 ? " and the run-wide chronology files (crns_*.txt)" : "")));
        if (k.before.size() >= 2) {
            EXPECT_EQ(generic_files(d), 10);
            EXPECT_TRUE(contains_line(console, " *** kept: c_out.txt and the run-wide chronology files (crns_*.txt) of "
                                               "the data files finished before"));
        }
    }
}

namespace {

// One series in the Tucson decade layout of 0.01 mm, ended by 999.
std::string tucson_series(const std::string& id, int first, const std::vector<int>& values) {
    std::string s;
    int year = first;
    size_t i = 0;
    while (i < values.size()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%4d", year);
        s += padded(id, 8) + buf;
        do {
            std::snprintf(buf, sizeof buf, "%6d", values[i++]);
            s += buf;
            ++year;
        } while (i < values.size() && year % 10 != 0);
        if (i == values.size() && year % 10 != 0) {
            s += "   999\n";
            return s;
        }
        s += "\n";
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%4d   999\n", year);
    return s + padded(id, 8) + buf;
}

std::vector<int> rings(int n, int level) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(level - i + (i * 37) % 23);
    return v;
}

// The sample depth of `year` in the chronology tagged `tag` of a chronology
// file in Tucson index decade lines "(a6,i4,10(i4,i3),2x,a)".
int depth_in(const std::vector<std::string>& crns, const std::string& tag, int year) {
    for (const auto& l : crns) {
        if (l.size() < 85 || l.substr(82, 3) != tag) continue;
        const int decade = std::stoi(l.substr(6, 4));
        if (year < decade || year >= decade + 10) continue;
        return std::stoi(l.substr(10 + 7 * (year - decade) + 4, 3));
    }
    return -1;
}

}  // namespace

// Series too short or too empty for their fit, and windows or periods that
// come to less than a year, run to the end of the data file.
TEST(Run, ShortAndEmptySeriesAndTinyWindowsRunToTheEnd) {
    const auto tiny = split_lines(kovtest::tiny_rwl);
    const std::string head = tiny[0] + "\n" + tiny[1] + "\n" + tiny[2] + "\n";  // the small file's header lines
    std::string fifteen = head;
    for (int k = 1; k <= 4; ++k) fifteen += tucson_series("FIF0" + std::to_string(k) + "A", 1950 + k, rings(15, 150 + 10 * k));
    struct Case {
        const char* what;
        std::string data;
        std::string detrending;  // line 5 of the command file; empty: the default
        const char* never;       // a console text the run must not show
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"1 % of 96 values is a median window of 0, held to 1: series 113071 is its own curve, indices of 1",
         kovtest::read_file(kovtest::test_data("rwl/mong007w.rwl")), "-3     -1    0     !", "input error",
         {"     9   113071    -3    1           median filter curve and window width",
          "     9  113071    1755   1850     96   1.000 -99.000 -99.00 -99.00  0.000 -99.000"}},
        {"10 % of 15 years: a spline of period 1, the least-squares line", fifteen, "-10    0     0     !",
         "not positive definite", {"     4   FIF04A    -10    1         smoothing spline curve and window width"}},
        {"the default age-dependent spline on a 3-value block (blp04H of ok043.rwl), zeros, missing values",
         head + tucson_series("S01A", 1900, rings(40, 180)) + tucson_series("S02A", 1905, rings(35, 140)) +
             tucson_series("blp04H", 1922, {315, 276, 173}) + tucson_series("ZERO", 1910, std::vector<int>(10, 0)) +
             tucson_series("MISS", 1915, std::vector<int>(5, -1)),
         "", "goes negative",
         {"     3   blp04H       -6   --> curve fit option failed and changed to:     4",
          " *** warning: series ZERO     holds no measured value in its    10 years: skipped",
          " *** warning: series MISS     holds no measured value in its     5 years: skipped"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        d.write("e.txt", c.data);
        d.write("e_log.txt", c.detrending.empty() ? command_file("e.txt")
                                                  : kovtest::default_commands("e.txt", {{4, c.detrending}}));
        d.write("list.txt", "e.txt\n");
        const auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find(c.never), std::string::npos);
        const auto lines = split_lines(d.read("e_out.txt"));
        for (const auto& l : c.listed) EXPECT_TRUE(contains_line(lines, l)) << l;
        EXPECT_EQ(lines.back(), closing_line);
        if (c.detrending.empty()) {
            // 1915: S01A and S02A; ZERO and MISS were left out as the file
            // was read
            const auto crns = split_lines(d.read("e_crns.txt"));
            EXPECT_EQ(depth_in(crns, "raw", 1915), 2);
            for (const char* tag : {"std", "res", "kov"}) EXPECT_EQ(depth_in(crns, tag, 1915), 2) << tag;
        }
    }
}

// Series without one measured value (every ring missing, or every ring 0) are
// left out as the file is read, each named in the listing; the series beside
// them run to the end, and no output file, listing or console line shows a
// value that is not a number.
TEST(Run, SeriesWithoutAMeasuredValueAreLeftOutAndLeaveNoNaN) {
    auto series = [](const std::string& id, const char* field) {
        std::string s;
        for (int decade = 1900; decade <= 1930; decade += 10) {
            s += padded(id, 8) + std::to_string(decade);
            for (int k = 0; k < 10; ++k) s += field;
            s += "\n";
        }
        return s + padded(id, 8) + "1940   999\n";
    };
    auto measured = [](const std::string& id, int level) {
        std::vector<int> v;
        for (int i = 0; i < 40; ++i) v.push_back(level + (i * 37 + level) % 41);
        return tucson_series(id, 1900, v);
    };
    struct Case {
        const char* what;
        std::string left_out;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"every ring missing", series("M1", "  -999") + series("M2", "    -5"),
         {" *** warning: series M1       holds no measured value in its    40 years: skipped",
          " *** warning: series M2       holds no measured value in its    40 years: skipped"}},
        {"every ring 0", series("Z1", "     0") + series("Z2", "     0"),
         {" *** warning: series Z1       holds no measured value in its    40 years: skipped",
          " *** warning: series Z2       holds no measured value in its    40 years: skipped"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        d.write("z.txt", measured("G1", 120) + c.left_out + measured("G2", 150));
        d.write("z_log.txt", kovtest::default_commands("z.txt", {{16, "10    5     0     !"}}));
        d.write("list.txt", "z.txt\n");
        auto r = run_kovrin(d.path(), batch_answers);
        EXPECT_EQ(r.status, 0) << r.out;
        const auto listing = split_lines(d.read("z_out.txt"));
        for (const auto& w : c.warnings) EXPECT_TRUE(contains_line(listing, w)) << w;
        EXPECT_TRUE(contains_line(split_lines(r.out), "      2 series from   1900 to   1939      40 years")) << r.out;
        std::string everything = r.out;
        for (const auto& e : std::filesystem::directory_iterator(d.path()))
            everything += kovtest::read_file(e.path());
        EXPECT_EQ(everything.find("NaN"), std::string::npos);
        EXPECT_EQ(everything.find("Inf"), std::string::npos);
        EXPECT_TRUE(d.exists("z_raw_rbar.txt"));
    }
}

namespace {

std::vector<std::string> folder_names(const TempDir& d) {
    std::vector<std::string> v;
    for (const auto& e : std::filesystem::directory_iterator(d.path())) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

// Two list names with one output prefix would share a batch command file and
// every output, the second writing over the first: a run refuses the list
// before it writes any file (no generic file, no batch command file), in
// batch mode and in an interactive run alike. Names whose prefixes differ run
// as usual.
TEST(Run, ListNamesSharingAnOutputPrefixAreRefusedBeforeAnyFile) {
    const struct {
        const char* first;
        const char* second;
        const char* prefix;  // the shared one; nullptr: none is shared
    } cases[] = {
        {"site1.txt", "site1", "site1"},
        {"site1.txt", "site1.txt", "site1"},   // a name listed twice
        {"d/s.txt", "d//s", "d//s"},           // the same path written otherwise
        {"site1.txt", "site1.TXT", nullptr},   // "site1" and "site1.TXT"
    };
    const struct {
        const char* mode;
        std::string answers;
    } modes[] = {
        {"batch", batch_answers},
        // interactive; then the same commands for both, the menu, continue
        // and the closing pause
        {"interactive", "\nlist.txt\nrun title\n\n\n\n\n\n"},
    };
    for (const auto& m : modes) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(m.mode) + ": " + c.first + " " + c.second);
            TempDir d;
            std::filesystem::create_directory(d / "d");
            for (const char* name : {c.first, c.second}) {
                d.write(name, kovtest::tiny_rwl);
                const std::string prefix = kov::output_prefix(name);
                d.write(prefix + "_log.txt", command_file(name));
            }
            d.write("list.txt", std::string(c.first) + "\n" + c.second + "\n");
            const auto before = folder_names(d);
            const std::string first_log = kov::output_prefix(c.first) + "_log.txt";
            const std::string log_before = d.read(first_log);
            auto r = run_kovrin(d.path(), m.answers);
            const auto lines = split_lines(r.out);
            if (c.prefix) {
                EXPECT_EQ(r.status, 1) << r.out;
                EXPECT_TRUE(contains_line(lines, std::string(" *** data files ") + c.first + " and " + c.second +
                                                     " share the output prefix " + c.prefix));
                EXPECT_TRUE(contains_line(lines, " check file names in:  " + padded("list.txt", 60)));
                EXPECT_EQ(folder_names(d), before);
                EXPECT_EQ(d.read(first_log), log_before);
                EXPECT_EQ(r.out.find("kovrin run time menu"), std::string::npos);
                EXPECT_EQ(split_lines(r.out).back(), " hit return to quit");
            } else {
                EXPECT_EQ(r.status, 0) << r.out;
                EXPECT_EQ(r.out.find("share the output prefix"), std::string::npos);
                EXPECT_TRUE(d.exists("site1_out.txt"));
                EXPECT_TRUE(d.exists("site1.TXT_out.txt"));
            }
        }
    }
}

// A chronology's identifier is the first six characters of the output name
// formed last before it: with a prefix of two characters and no running rbar,
// the batch command file's name in an interactive run (formed after the four
// files of the listing), the detail file's in a batch run (read after it).
TEST(Run, ShortPrefixTakesItsIdentifierFromTheNameFormedLast) {
    const struct {
        const char* what;
        std::string answers;
        const char* id;
    } cases[] = {
        // interactive: option 16 with its three questions left at their
        // defaults (no window), then the menu, the continue question
        {"interactive", "\nlist.txt\ntitle\n\n16\n\n\n\n\n\n", "ab_log"},
        {"batch", batch_answers, "ab_det"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        // the tiny file with its second series starting on its decade, so
        // that no gap is filled (the gap file would be the name formed last)
        std::string data = kovtest::tiny_rwl;
        data.replace(data.find("TNY02A  1998"), 12, "TNY02A  2000");
        d.write("ab.txt", data);
        d.write("ab_log.txt", kovtest::default_commands("ab.txt", {{16, "0     0     0     !"}}));
        d.write("list.txt", "ab.txt\n");
        auto r = run_kovrin(d.path(), c.answers);
        ASSERT_EQ(r.status, 0) << r.out;
        // every decade line of every chronology (the header lines are the file's)
        int decades = 0;
        for (const auto& l : split_lines(d.read("ab_crns.txt"))) {
            if (l.rfind("TNY ", 0) == 0) continue;
            ++decades;
            EXPECT_EQ(l.substr(0, 6), c.id) << l;
        }
        EXPECT_GT(decades, 4);
    }
}
