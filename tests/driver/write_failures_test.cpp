// Writes that fail (a full disk, a file size limit) end the run as a failure
// that names every file left incomplete: no output is cut short silently.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/test_support.hpp"

using kovtest::run_kovrin_limited;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

const std::string failed = " *** writing failed, the file is incomplete: ";

// The files a run names as incomplete.
std::set<std::string> named(const std::string& out) {
    std::set<std::string> names;
    for (const auto& l : split_lines(out))
        if (l.rfind(failed, 0) == 0) names.insert(l.substr(failed.size()));
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

void put_site(const TempDir& d) {
    std::filesystem::copy_file(kovtest::test_data("rwl/wa129.rwl"), d / "site.rwl");
    d.write("list.txt", "site.rwl\n");
}

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

// The batch command file of an interactive run is checked as it is closed:
// the run stops there, before any data file.
TEST(WriteFailures, BatchCommandFileCutShortStopsTheDialogue) {
    TempDir d;
    put_site(d);
    const auto r = run_kovrin_limited(d.path(), "\nlist.txt\ntitle\n\n\n\n\n", 1);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(named(r.out), std::set<std::string>{"site.rwl_log.txt"});
    EXPECT_EQ(d.read("site.rwl_log.txt").size(), 1024u);
    EXPECT_FALSE(d.exists("site.rwl_out.txt"));
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
