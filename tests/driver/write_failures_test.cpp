// Output files that fail (one that cannot be created, a write to a full disk
// or past a file size limit, a rewrite that cannot be finished) end the run
// as a failure that names each of them: no output is missing or cut short
// silently, and a file the user edited is never lost to a failed rewrite.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.hpp"

using kovtest::run_kovrin_limited;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

const std::string failed = " *** writing failed, the file is incomplete: ";
const std::string not_created = " *** output file cannot be created:  ";
const std::string left_as_it_was = " *** writing failed, the file is left as it was: ";

// The files a run names by the line that begins with `what`.
std::set<std::string> named(const std::string& out, const std::string& what = failed) {
    std::set<std::string> names;
    for (const auto& l : split_lines(out))
        if (l.rfind(what, 0) == 0) names.insert(l.substr(what.size()));
    return names;
}

// How many lines of `text` are exactly `line`.
int lines_equal(const std::string& text, const std::string& line) {
    int n = 0;
    for (const auto& l : split_lines(text)) n += l == line;
    return n;
}

// The files of the folder whose names hold `part`.
std::set<std::string> files_with(const TempDir& d, const std::string& part) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        if (e.path().filename().string().find(part) != std::string::npos) names.insert(e.path().filename().string());
    return names;
}

// The files of the folder that reached the limit: their writing went on past it.
std::set<std::string> at_limit(const TempDir& d, int kib) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        if (e.is_regular_file() && e.file_size() == static_cast<std::uintmax_t>(kib) * 1024)
            names.insert(e.path().filename().string());
    return names;
}

void put_site(const TempDir& d, const std::string& rwl = "wa129.rwl") {
    std::filesystem::copy_file(kovtest::test_data("rwl/" + rwl), d / "site.rwl");
    d.write("list.txt", "site.rwl\n");
}

const std::string batch_run = "\nlist.txt\ntitle\ny\n\n";

}  // namespace

// A batch run of wa129.rwl with the default options writes a tab table of
// about 66 KiB, a listing, chronology and error file of about 35 KiB, the
// spectra of 18 KiB and running-rbar tables of 2.1 KiB. Under each limit
// every file that reached it is named, and only those; the run ends with
// status 1 at once (without its closing lines).
TEST(WriteFailures, EveryFileCutShortIsNamedAndTheRunFails) {
    for (const int kib : {48, 24, 2}) {
        SCOPED_TRACE(std::to_string(kib) + " KiB");
        TempDir d;
        put_site(d);
        d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl"));
        const auto r = run_kovrin_limited(d.path(), "\nlist.txt\ntitle\ny\n\n", kib);
        EXPECT_EQ(r.status, 1) << r.out;
        const auto names = named(r.out);
        EXPECT_FALSE(names.empty()) << r.out;
        EXPECT_EQ(names, at_limit(d, kib)) << r.out;
        if (kib == 48) {
            EXPECT_EQ(names, std::set<std::string>{"site.rwl_tabs.txt"});
        }
        if (kib == 2) {
            EXPECT_FALSE(d.exists("site.rwl_detail.txt"));  // the run stopped before it
        }
        EXPECT_EQ(r.out.find("THIS IS THE END"), std::string::npos);
    }
}

// Every output file of a run that cannot be created (here a folder stands
// under its name) is named on the console at once, in the listing when it
// belongs to a data file, and again as the run ends; the run writes its other
// outputs to the last (the batch detail file) and ends with status 1. A file
// of that name from an earlier run would otherwise look current.
TEST(WriteFailures, AnOutputThatCannotBeCreatedIsNamedAndTheRunFails) {
    struct Case {
        const char* file;
        std::map<size_t, std::string> options;  // command file lines changed
        bool in_listing;
    };
    const std::string bootstrap = "2   1   20   0     !robust mean with bootstrap limits";
    const Case cases[] = {
        {"site.rwl_raw_95%cl.txt", {{12, bootstrap}}, true},
        {"site.rwl_spectra.txt", {}, true},
        {"site.rwl_raw_wgts.txt", {{18, "1                  !series saved in tucson raw data format"}}, true},
        {"site.rwl_raw_rbar.txt", {}, true},
        // the common period covered by most series of wa129.rwl
        {"site.rwl_pcloads_raw.txt", {{14, "1824  1873        !first and last years of common period"}}, true},
        {"crns_raw.txt", {}, false},  // made before the listing of any data file
        {"site.rwl_detail.txt", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir d;
        put_site(d);
        d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl", c.options));
        std::filesystem::create_directories(d / c.file / "x");
        const auto r = kovtest::run_kovrin(d.path(), batch_run);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(lines_equal(r.out, not_created + c.file), 2) << r.out;
        EXPECT_EQ(lines_equal(d.read("site.rwl_out.txt"), not_created + c.file), c.in_listing ? 1 : 0);
        EXPECT_EQ(named(r.out, not_created), std::set<std::string>{c.file});
        // the run went on to its end
        EXPECT_NE(d.read("site.rwl_out.txt").find("\"this is the end\""), std::string::npos);
        if (std::string(c.file) != "site.rwl_detail.txt") {
            EXPECT_NE(r.out.find(" batch detail file saved: site.rwl_detail.txt"), std::string::npos) << r.out;
        }
        EXPECT_EQ(r.out.find("THIS IS THE END"), std::string::npos);
    }
}

// The four files a data file opens first (the listing, the tab table, the
// chronology and error files) are outputs like every other: one that cannot
// be created is named at once (in the listing too, when that was made) and
// again as the run ends, with status 1; the data file's other outputs are
// written, afresh, so that none of an earlier run stays looking like this
// run's, and the next data file of the list runs.
TEST(WriteFailures, AFirstOutputThatCannotBeCreatedStopsNoOtherWork) {
    const std::string earlier = "an earlier run\n";
    const std::vector<std::string> written = {"_out.txt",     "_tabs.txt",     "_crns.txt",    "_errs.txt",
                                              "_spectra.txt", "_raw_rbar.txt", "_ind_rbar.txt", "_res_rbar.txt"};
    for (const std::string blocked : {"_out.txt", "_tabs.txt", "_crns.txt", "_errs.txt"}) {
        SCOPED_TRACE(blocked);
        TempDir d;
        for (const std::string site : {"a.rwl", "b.rwl"}) {
            std::filesystem::copy_file(kovtest::test_data("rwl/wa129.rwl"), d / site);
            d.write(site + "_log.txt", kovtest::default_commands(site));
        }
        d.write("list.txt", "a.rwl\nb.rwl\n");
        ASSERT_EQ(kovtest::run_kovrin(d.path(), batch_run).status, 0);
        // the earlier run's outputs, told apart from this run's
        for (const auto& suffix : written) d.write("a.rwl" + suffix, d.read("a.rwl" + suffix) + earlier);
        auto detail = split_lines(d.read("a.rwl_detail.txt"));
        ASSERT_GT(detail.size(), 8u);
        detail[8].replace(6, 8, "EARLIER ");
        d.write("a.rwl_detail.txt", kovtest::join_lines(detail));
        std::filesystem::remove(d / "b.rwl_out.txt");
        const std::string name = "a.rwl" + blocked;
        std::filesystem::remove(d / name);
        std::filesystem::create_directories(d / name / "x");

        const auto r = kovtest::run_kovrin(d.path(), batch_run);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(lines_equal(r.out, not_created + name), 2) << r.out;
        EXPECT_EQ(named(r.out, not_created), std::set<std::string>{name});
        for (const auto& suffix : written) {
            if (suffix == blocked) continue;
            const std::string output = d.read("a.rwl" + suffix);
            EXPECT_FALSE(output.empty()) << suffix;
            EXPECT_EQ(output.find(earlier), std::string::npos) << suffix;
        }
        EXPECT_EQ(d.read("a.rwl_detail.txt").find("EARLIER"), std::string::npos);
        if (blocked != "_out.txt") {
            const std::string listing = d.read("a.rwl_out.txt");
            EXPECT_EQ(lines_equal(listing, not_created + name), 1);
            EXPECT_NE(listing.find("\"this is the end\""), std::string::npos);
        }
        // the next data file ran to its end
        EXPECT_NE(d.read("b.rwl_out.txt").find("\"this is the end\""), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" batch detail file saved: b.rwl_detail.txt"), std::string::npos);
        EXPECT_EQ(r.out.find("THIS IS THE END"), std::string::npos);
    }
}

// A batch detail file that the run refuses (a value its column does not
// admit, a record cut short, a file that is no text, a file shorter than its
// header) is left byte for byte as the user wrote it, with the edits the run
// could not take, rather than written again with the defaults: it is named
// at once on the console and in the listing and again as the run ends. The
// data file runs with the default settings, and the run ends with status 1,
// so that a script sees that the edits did not apply.
TEST(WriteFailures, ARefusedDetailFileIsLeftAsTheUserWroteIt) {
    const std::string not_used = " *** not used, the file is left as it was: ";
    TempDir first;
    put_site(first);
    first.write("site.rwl_log.txt", kovtest::default_commands("site.rwl"));
    ASSERT_EQ(kovtest::run_kovrin(first.path(), batch_run).status, 0);
    const auto written = split_lines(first.read("site.rwl_detail.txt"));
    ASSERT_EQ(written.size(), 8u + 21u);  // the 21 series of wa129.rwl
    auto text_of = [](std::vector<std::string> lines, const std::function<void(std::vector<std::string>&)>& edit) {
        edit(lines);
        return kovtest::join_lines(lines);
    };
    std::string binary;
    for (int i = 0; i < 2000; ++i) binary += static_cast<char>((i * 73 + 11) % 256);
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        // a series left out (icu 0) and a slip of the finger (icu 2)
        {"icu 2 in one record, 0 in another", text_of(written, [](auto& l) {
             l[9].replace(56, 6, "     0");
             l[12].replace(56, 6, "     2");
         })},
        {"a record cut short", text_of(written, [](auto& l) { l[14].resize(40); })},
        {"a file that is no text", binary},
        {"a file shorter than its header", text_of(written, [](auto& l) { l.resize(5); })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        put_site(d);
        d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl"));
        d.write("site.rwl_detail.txt", c.text);
        const auto r = kovtest::run_kovrin(d.path(), batch_run);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(d.read("site.rwl_detail.txt"), c.text);
        EXPECT_EQ(lines_equal(r.out, not_used + "site.rwl_detail.txt"), 2) << r.out;
        EXPECT_NE(r.out.find(" *** error in reading in data. defaults are used."), std::string::npos);
        EXPECT_EQ(r.out.find("batch detail file saved"), std::string::npos);
        // every series, with the defaults
        EXPECT_EQ(lines_equal(r.out, "     21 series from    991 to   1986     996 years"), 1) << r.out;
        const std::string listing = d.read("site.rwl_out.txt");
        EXPECT_EQ(lines_equal(listing, not_used + "site.rwl_detail.txt"), 1);
        EXPECT_NE(listing.find("\"this is the end\""), std::string::npos);
        EXPECT_EQ(files_with(d, "_detail"), std::set<std::string>{"site.rwl_detail.txt"});
    }
}

// The pages a file device writes for the plots are checked once written: a
// page cut short by the file size limit or written to a full device (through
// a link), and a PostScript save to a full device, are named as incomplete;
// the run draws every other page and ends with status 1.
TEST(WriteFailures, PlotFilesCutShortAreNamed) {
    const kovtest::Env device("KOVRIN_PLOT_DEVICE", "pngcairo"), display("DISPLAY", nullptr);
    const std::string plots = "1                  !spaghetti and mean chronology plots";
    auto lay_out = [&](const TempDir& d) {
        put_site(d);
        d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl", {{19, plots}}));
    };
    const std::string png_end("IEND\xae\x42\x60\x82", 8);  // the last chunk of a whole PNG file
    {
        SCOPED_TRACE("a page under the file size limit");
        TempDir d;
        lay_out(d);
        const int kib = 40;
        const auto r = run_kovrin_limited(d.path(), batch_run + std::string(50, '\n'), kib);
        if (r.out.find("plot device pngcairo is not available") != std::string::npos)
            GTEST_SKIP() << "PLplot has no pngcairo device here";
        EXPECT_EQ(r.status, 1) << r.out;
        const auto cut = at_limit(d, kib);
        EXPECT_EQ(named(r.out), cut) << r.out;
        int pages_cut = 0;
        for (const auto& f : files_with(d, ".png")) {
            const std::string bytes = d.read(f);
            const bool whole = bytes.size() >= 8 && bytes.compare(bytes.size() - 8, 8, png_end) == 0;
            EXPECT_NE(whole, cut.count(f) == 1) << f;
            pages_cut += !whole;
        }
        EXPECT_GT(pages_cut, 0);
    }
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    {
        SCOPED_TRACE("a page linked to a full device, a save to it");
        TempDir d;
        lay_out(d);
        const std::string page = "site.rwl_plot002_1st-detrending_curves_with_mean.png";
        std::filesystem::create_symlink("/dev/full", d / page);
        // the first plot's menu: save it to the full device, then go on
        const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\ns\n/dev/full\n" + std::string(50, '\n'));
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(named(r.out), (std::set<std::string>{page, "/dev/full"})) << r.out;
        const auto pages = files_with(d, ".png");
        EXPECT_EQ(pages.size(), 4u);
        for (const auto& f : pages) {
            if (f == page) continue;
            const std::string bytes = d.read(f);
            EXPECT_TRUE(bytes.size() > 8 && bytes.compare(bytes.size() - 8, 8, png_end) == 0) << f;
        }
    }
}

// A file the user may have edited, the batch detail file of a batch run or
// the batch command file of an interactive run, is rewritten whole or not at
// all: under a file size limit the earlier file stays byte for byte (two
// series left out by hand stay out), nothing is left beside it, and the run
// names it and ends with status 1.
TEST(WriteFailures, AFailedRewriteLeavesTheEarlierFile) {
    {
        SCOPED_TRACE("the batch detail file");
        TempDir d;
        put_site(d, "quve_drop.rwl");  // 84 series: a detail file of 6.6 KiB
        d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl"));
        ASSERT_EQ(kovtest::run_kovrin(d.path(), batch_run).status, 0);
        auto lines = split_lines(d.read("site.rwl_detail.txt"));
        ASSERT_GT(lines.size(), 20u);
        for (size_t k : {10u, 14u}) lines[k].replace(56, 6, "     0");  // icu of records 3 and 7
        const std::string edited = kovtest::join_lines(lines);
        d.write("site.rwl_detail.txt", edited);

        const auto r = run_kovrin_limited(d.path(), batch_run, 4);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(d.read("site.rwl_detail.txt"), edited);
        EXPECT_EQ(lines_equal(r.out, left_as_it_was + "site.rwl_detail.txt"), 2) << r.out;
        EXPECT_EQ(files_with(d, "_detail"), std::set<std::string>{"site.rwl_detail.txt"});
    }
    for (const bool earlier : {true, false}) {
        SCOPED_TRACE(earlier ? "the batch command file, edited by hand" : "the batch command file, a new one");
        TempDir d;
        put_site(d);
        const std::string hand = kovtest::default_commands("site.rwl") + "edited by hand\n";
        if (earlier) d.write("site.rwl_log.txt", hand);
        const auto r = run_kovrin_limited(d.path(), "\nlist.txt\ntitle\n\n\n\n\n", 0);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(named(r.out, left_as_it_was), std::set<std::string>{"site.rwl_log.txt"}) << r.out;
        EXPECT_EQ(files_with(d, "_log"), earlier ? std::set<std::string>{"site.rwl_log.txt"} : std::set<std::string>{});
        if (earlier) {
            EXPECT_EQ(d.read("site.rwl_log.txt"), hand);
        }
        EXPECT_FALSE(d.exists("site.rwl_out.txt"));  // the run stopped before its data file
    }
}

// A console written to a file under the limit: the error stream names it (and
// the files cut short, whose lines the console lost).
TEST(WriteFailures, ConsoleFileCutShortIsNamedOnTheErrorStream) {
    TempDir d;
    put_site(d);
    d.write("site.rwl_log.txt", kovtest::default_commands("site.rwl"));
    const auto r = run_kovrin_limited(d.path(), "\nlist.txt\ntitle\ny\n\n", 4, "console.txt");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(d.read("console.txt").size(), 4096u);
    const auto names = named(r.out);
    EXPECT_TRUE(names.count("standard output (the console)")) << r.out;
    auto files = at_limit(d, 4);
    files.erase("console.txt");
    for (const auto& f : files) EXPECT_TRUE(names.count(f)) << f << "\n" << r.out;
}

// A batch command file that an interactive run cannot create (a folder stands
// under its name) ends the run there, before its data files: it is named once,
// on a line of its own after the menu's prompt, not a second time as the run
// ends.
TEST(WriteFailures, ACommandFileThatCannotBeCreatedIsNamedOnce) {
    TempDir d;
    put_site(d);
    std::filesystem::create_directories(d / "site.rwl_log.txt" / "x");
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\n\n\n\n");
    EXPECT_EQ(r.status, 1);
    const auto lines = split_lines(r.out);
    EXPECT_EQ(lines_equal(r.out, not_created + "site.rwl_log.txt"), 1) << r.out;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), not_created + "site.rwl_log.txt");
    EXPECT_EQ(lines[lines.size() - 2].find(" enter the option to change"), 0u);
    EXPECT_FALSE(d.exists("site.rwl_out.txt"));
}
