#include <gtest/gtest.h>

#include <functional>

#include "driver/batch_detail.hpp"
#include "driver/data_file_loop.hpp"
#include "driver_test_support.hpp"
#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

using namespace kov;
using kovtest::at;
using kovtest::DriverScene;
using kovtest::ScriptedConsole;
using kovtest::split_lines;
using kovtest::write_commands;
using Change = std::function<void(OptionBlock&, std::string&)>;

namespace {

struct LoopRun {
    int status = -1;
    std::string console;
};

// The data-file loop and the end-of-run block over a list file, as the
// dialogue hands them over.
LoopRun run_loop(const std::string& list_text, const std::string& batmod = "y") {
    {
        OutFile f;
        f.open_fresh("list.txt");
        f.put(list_text);
    }
    streams().lulist.open("list.txt");
    driver_state().list_name = padded("list.txt", 60);
    driver_state().run_title = padded("a run", 80);
    shared().batmod = batmod;
    ScriptedConsole sc("");
    LoopRun r;
    r.status = data_file_loop();
    end_of_run_block();
    r.console = sc.output();
    return r;
}


std::string d50(const std::string& t) { return padded(t, 50); }

}  // namespace

TEST(PhaseSkeleton, PhasesRunInOrderUnderTheirConditions) {
    struct Case {
        const char* what;
        Change change;
        int nc;
        std::string expect;
    } cases[] = {
        {"defaults", {}, 2,
         "raw stat1 rawcrn detrend stat3 stdcrn ar stat4 rescrn kovcrn eof"},
        {"one series: no statistics", {}, 1, "raw rawcrn detrend stdcrn ar rescrn kovcrn eof"},
        {"transformation, no mean chronology",
         [](OptionBlock& o, std::string&) { o(3, 1) = 1; o(12, 1) = 0; }, 3,
         "raw stat1 trn stat2 detrend stat3 ar stat4 eof"},
        {"no detrending, no ar", [](OptionBlock& o, std::string&) { o(4, 1) = 0; o(9, 1) = 0; }, 2,
         "raw stat1 rawcrn eof"},
        {"endogenous outliers", [](OptionBlock& o, std::string&) { o(20, 1) = 1; }, 2,
         "raw stat1 rawcrn detrend stat3 stdcrn ar stat4 rescrn endo kovcrn eof"},
        {"outliers asked, no mean chronology",
         [](OptionBlock& o, std::string&) { o(20, 1) = 1; o(12, 1) = 0; }, 2,
         "raw stat1 detrend stat3 ar stat4 eof"},
    };
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("d.txt", "series\n");
        write_commands("d_log.txt", "d.txt", c.change);
        std::string seen;
        auto rec = [&seen](const char* name) {
            return [&seen, name] { seen += seen.empty() ? name : std::string(" ") + name; };
        };
        auto& p = phases();
        const int nc = c.nc;
        p.raw_series = [&seen, nc] {
            seen += "raw";
            shared().nc = nc;
        };
        p.statistics = [&seen](Stage s) { seen += " stat" + std::to_string(static_cast<int>(s)); };
        p.transformation = rec("trn");
        p.raw_chronology = rec("rawcrn");
        p.detrending = rec("detrend");
        p.standard_chronology = rec("stdcrn");
        p.autoregression = rec("ar");
        p.residual_chronology = rec("rescrn");
        p.endogenous_outliers = rec("endo");
        p.kovrin_chronology = rec("kovcrn");
        p.end_of_file_outputs = [&seen] {
            seen += " eof";
            streams().luout.line("end-of-file outputs");
        };
        auto r = run_loop("d.txt\n");
        EXPECT_EQ(r.status, exit_ok) << c.what;
        EXPECT_EQ(seen, c.expect) << c.what;
        // the closing line comes first in the end of the data file
        const auto out = scene.dir().read("d_out.txt");
        const auto closing = out.find("|================ as sam pelliton would say, \"this is the end\" ================|");
        EXPECT_NE(closing, std::string::npos) << c.what;
        EXPECT_LT(closing, out.find("end-of-file outputs")) << c.what;
        EXPECT_TRUE(scene.dir().exists("d_detail.txt")) << c.what;
    }
}

TEST(PhaseSkeleton, DecisionsReadTheSnapshotNotTheLiveOptions) {
    DriverScene scene;
    scene.dir().write("d.txt", "series\n");
    write_commands("d_log.txt", "d.txt");
    std::string seen;
    phases().raw_series = [] {
        // a procedure of another subsystem changes the live options
        shared().optval(9, 1) = 0;
        shared().optval(12, 1) = 0;
        shared().optval(4, 1) = 0;
    };
    phases().detrending = [&seen] { seen += "detrend "; };
    phases().autoregression = [&seen] { seen += "ar "; };
    phases().kovrin_chronology = [&seen] { seen += "kov"; };
    phases().residual_chronology = [] {};
    run_loop("d.txt\n");
    EXPECT_EQ(seen, "detrend ar kov");
}

TEST(PhaseSkeleton, UnbuiltStagesTakeTheirFollowersWithThem) {
    DriverScene scene;
    scene.dir().write("d.txt", "series\n");
    write_commands("d_log.txt", "d.txt", [](OptionBlock& o, std::string&) { o(3, 1) = 2; });
    std::string seen;
    phases().raw_series = [] { shared().nc = 4; };
    phases().statistics = [&seen](Stage s) { seen += std::to_string(static_cast<int>(s)); };
    phases().standard_chronology = [&seen] { seen += "std"; };
    phases().kovrin_chronology = [&seen] { seen += "kov"; };
    run_loop("d.txt\n");
    // no transformation, detrending or ar: only the raw statistics
    EXPECT_EQ(seen, "1");
}

TEST(DataFileSetUp, SeriesTableResetThenLoadedAndModesDerived) {
    struct Case {
        int type;
        const char *dtype, *wmode;
    } cases[] = {{1, "mr", "iw"}, {2, "cr", "cr"}, {3, "ir", "iw"}, {4, "cd", "iw"}};
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("d.txt", "series\n");
        write_commands("d_log.txt", "d.txt", [&c](OptionBlock& o, std::string&) {
            o(1, 1) = c.type;
            o(3, 1) = 3;
        });
        scene.dir().write("d_detail.txt", std::string(kovtest::detail_head) +
                                              "   1  ab01      1900  1950     7     0    -6     0     0     0     1     4\n");
        shared().sertbl(9, icu) = 0;  // left over from an earlier data file
        shared().serids[9] = "old     ";
        std::array<int, 10> row1{}, row2{}, row9{};
        std::string id1, id9;
        phases().raw_series = [&] {
            for (int k = 1; k <= 10; ++k) {
                row1[k - 1] = shared().sertbl(1, k);
                row2[k - 1] = shared().sertbl(2, k);
                row9[k - 1] = shared().sertbl(9, k);
            }
            id1 = shared().serids[1];
            id9 = shared().serids[9];
        };
        run_loop("d.txt\n");
        EXPECT_EQ(row1, (std::array<int, 10>{1900, 1950, 7, 0, -6, 0, 0, 0, 1, 4}));
        EXPECT_EQ(id1, "ab01    ");
        EXPECT_EQ(row2, (std::array<int, 10>{0, 0, 0, 3, 0, 0, 0, 1, 1, 2}));
        EXPECT_EQ(row9, (std::array<int, 10>{0, 0, 0, 3, 0, 0, 0, 1, 1, 9}));
        EXPECT_EQ(id9, "        ");
        EXPECT_EQ(shared().dtype, c.dtype);
        EXPECT_EQ(shared().wmode, c.wmode);
    }
}

TEST(Listing, HeadAndOptionLinesInTheirColumns) {
    DriverScene scene;
    scene.dir().write("d.txt", "series\n");
    write_commands("d_log.txt", "d.txt", [](OptionBlock& o, std::string& mask) {
        o(1, 1) = 3;
        o(2, 2) = 1;
        o(3, 1) = 2, o(3, 2) = 1;
        o(4, 1) = -2, o(4, 2) = 0, o(4, 3) = 1;
        o(5, 1) = -6, o(5, 2) = 10, o(5, 3) = 0;
        o(9, 1) = 3, o(9, 2) = 2, o(9, 3) = 1;
        o(10, 1) = 3, o(10, 2) = 1;
        o(12, 1) = -25, o(12, 3) = 1, o(12, 4) = 20, o(12, 2) = 1;
        o(14, 1) = 1900, o(14, 2) = 1950;
        mask = "SSTTTCC ";
        o(16, 3) = 1;
        o(19, 1) = 3;
        o(20, 1) = 3, o(20, 5) = 1, o(20, 2) = 20, o(20, 3) = 50, o(20, 4) = 2;
    });
    auto r = run_loop("d.txt\n");
    ASSERT_EQ(r.status, exit_ok);
    const auto lines = split_lines(scene.dir().read("d_out.txt"));

    const std::string stars(34, '*');
    const std::vector<std::string> head{
        "",
        at({{25, stars}}),
        at({{25, stars}}),
        at({{25, "***                            ***"}}),
        at({{25, "***     Program KOVRIN_v48     ***"}}),
    };
    ASSERT_GE(lines.size(), 5u);
    for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]);
    auto find = [&lines](const std::string& l) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == l) return static_cast<long>(i);
        return -1L;
    };
    const long rule = find(" |" + std::string(78, '=') + "|");
    ASSERT_GT(rule, 0);
    EXPECT_EQ(lines[rule + 2], " overall run title: " + padded("a run", 80));
    EXPECT_EQ(lines[rule + 4], at({{2, "file names file processed: "}, {35, padded("list.txt", 60)}}));
    EXPECT_EQ(lines[rule + 5], at({{2, "data file processed: "}, {35, padded("d.txt", 60)}}));
    EXPECT_EQ(lines[rule + 6], at({{2, "log file processed: "}, {35, padded("d_log.txt", 60)}}));
    EXPECT_EQ(lines[rule + 7], "");

    const long h = find("                       opt          plt");
    ASSERT_GT(h, rule);
    const std::vector<std::string> expect{
        at({{2, "tree-ring data type"}, {21, "    3"}, {42, d50("!tucson tree-ring index format")}}),
        at({{2, "missing data in gaps"}, {21, "   -9"}, {26, "            1"}, {42, d50("!missing values estimated (w/ plots)")}}),
        at({{2, "data transformation"}, {21, "    2"}, {26, "            1"}, {42, d50("!log (rt+1/6) transform (w/ plots)")}}),
        at({{2, "first detrending"}, {21, "   -2"}, {26, "      0"}, {33, "     1"},
            {42, d50("!1st-regional curve method (briffa rcs)")}}),
        at({{2, "second detrending"}, {21, "   -6"}, {26, "     10"}, {33, "     0"},
            {42, d50("!rcs-age-dependent spline, init spline")}}),
        at({{2, "robust detrending"}, {21, "    1"}, {42, d50("!non-robust detrending methods used")}}),
        at({{2, "interactive detrend"}, {21, "    0"}, {42, d50("!no interactive detrending")}}),
        at({{2, "index calculation"}, {21, "    1"}, {42, d50("!tree-ring indices or ratios (rt/gt)")}}),
        at({{2, "ar modeling method"}, {21, "    3"}, {26, "      2"}, {33, "     1"},
            {42, d50("!robust ar + outliers removed (w/ plots)")}}),
        at({{2, "pooled ar order"}, {21, "    3"}, {26, "            1"},
            {42, std::string("!user-supplied pooled ar model order fit (w/ plots").substr(0, 39)}}),
        at({{2, "series ar order"}, {21, "    0"}, {42, d50("!pooled ar order fit to all series")}}),
        at({{2, "mean chronology"}, {22, " -25"}, {26, "   1"}, {30, "   20"}, {35, "   1"},
            {42, d50("!jth quantile with bootstrap limits")}}),
        at({{2, "stabilize variance"}, {21, "    1"}, {42, d50("!rbar weighted stabilization method")}}),
        at({{2, "common period years"}, {25, " 1900"}, {30, " 1950"}, {42, d50("!first and last years of common period")}}),
        at({{2, "site-tree-core mask"}, {28, "SSTTTCC "}, {42, d50("!site-tree-core separation mask")}}),
        at({{2, "running rbar"}, {25, "   50"}, {30, "   25"}, {35, "   1"}, {42, d50("!running rbar window/overlap (w/ plots)")}}),
        at({{2, "printout option"}, {21, "    2"}, {42, d50("!summary & series statistics printed")}}),
        at({{2, "core series save"}, {21, "    0"}, {42, d50("!no individual core series saved")}}),
        at({{2, "summary plot displays"}, {24, " 3"}, {42, d50("!spaghetti and mean chronology plots")}}),
        "",
        at({{2, "stand dynamics stuff"}, {21, "    3"}, {26, "            1"}, {42, d50("!nowacki/abrams (modified by vane)")}}),
        at({{2, "running mean window"}, {21, "   20"}, {42, d50("!running mean window width")}}),
        at({{2, "percent growth change"}, {24, "50"}, {42, d50("!percent growth change threshold")}}),
        at({{2, "std error threshold"}, {21, "    2"}, {42, d50("!standard error limit threshold")}}),
    };
    ASSERT_GE(lines.size(), static_cast<size_t>(h) + 1 + expect.size());
    for (size_t i = 0; i < expect.size(); ++i) EXPECT_EQ(lines[h + 1 + i], expect[i]) << "option line " << i + 1;
    // nothing else is wired: the closing line follows at once
    EXPECT_EQ(lines[h + 1 + expect.size()], "");
    EXPECT_EQ(lines[h + 2 + expect.size()],
              " |================ as sam pelliton would say, \"this is the end\" ================|");
}

// The growth-change threshold of the release detection runs from 5 to 200;
// a blank always parts it from the label, whose last letter is in column 22.
TEST(Listing, GrowthChangeThresholdShownUpToItsLimit) {
    struct Case {
        int percent;
        std::string field;  // from column 23
    } cases[] = {{5, "  5"}, {99, " 99"}, {100, " 100"}, {200, " 200"}};
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("d.txt", "series\n");
        write_commands("d_log.txt", "d.txt", [&c](OptionBlock& o, std::string&) {
            o(20, 1) = 2, o(20, 2) = 10, o(20, 3) = c.percent, o(20, 4) = 1;
        });
        ASSERT_EQ(run_loop("d.txt\n").status, exit_ok) << c.percent;
        EXPECT_TRUE(kovtest::contains_line(
            split_lines(scene.dir().read("d_out.txt")),
            at({{2, "percent growth change"}, {23, c.field}, {42, d50("!percent growth change threshold")}})))
            << c.percent;
    }
}

TEST(InputGuard, AnOutputNeverReplacesAFileTheRunReads) {
    struct Case {
        const char* what;
        std::string list_name, list;
        std::vector<std::string> data;
        std::string guarded;  // the input that an output would have replaced
    } cases[] = {
        {"a later data file", "list.txt", "a.txt\na_out.txt\n", {"a.txt", "a_out.txt"}, "a_out.txt"},
        {"the list file", "s_tabs.txt", "s.txt\n", {"s.txt"}, "s_tabs.txt"},
        {"an earlier data file", "list.txt", "t_errs.txt\nt.txt\n", {"t.txt", "t_errs.txt"}, "t_errs.txt"},
    };
    for (const auto& c : cases) {
        DriverScene scene;
        for (const auto& d : c.data) {
            scene.dir().write(d, "input " + d + "\n");
            write_commands(output_prefix(d) + "_log.txt", d);
        }
        scene.dir().write(c.list_name, c.list);
        streams().lulist.open(c.list_name);
        driver_state().list_name = padded(c.list_name, 60);
        shared().batmod = "n";
        ScriptedConsole sc("");
        const int status = data_file_loop();
        end_of_run_block();
        EXPECT_EQ(status, exit_failure) << c.what;
        EXPECT_NE(sc.output().find("*** output file would overwrite an input file: " + c.guarded), std::string::npos)
            << c.what;
        EXPECT_NE(sc.output().find("\" ======|"), std::string::npos) << c.what;  // end-of-run block
        const std::string kept = c.guarded == c.list_name ? c.list : "input " + c.guarded + "\n";
        EXPECT_EQ(scene.dir().read(c.guarded), kept) << c.what;
    }
}

TEST(InputGuard, TheDetailFileReadIsTheOneWrittenAgain) {
    DriverScene scene;
    scene.dir().write("d.txt", "series\n");
    write_commands("d_log.txt", "d.txt");
    scene.dir().write("d_detail.txt", std::string(kovtest::detail_head) + "   1  x1        1900  1950     0     0     0     0     0     1     1     1\n");
    phases().raw_series = [] {
        shared().nc = 1;
        shared().serids[1] = "x1      ";
    };
    auto r = run_loop("d.txt\n", "y");
    EXPECT_EQ(r.status, exit_ok);
    EXPECT_NE(r.console.find("batch detail file saved: d_detail.txt"), std::string::npos);
}
