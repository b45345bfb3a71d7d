// An interactive run end to end: the run-time menu writes the batch command
// files, and the run then goes on from them as a batch run would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using kov::rtrim;
using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

void put_data_file(const TempDir& d, const std::string& name) {
    std::filesystem::copy_file(kovtest::test_data("rwl/wa129.rwl"), d / name);
}

}  // namespace

// With one data file and the defaults the interactive run writes the example
// file and then runs as a batch run from that file does; it reads no batch
// detail file, even when one lies beside the data file.
TEST(InteractiveRun, DefaultsWriteTheExampleFileAndRunAsABatchRun) {
    TempDir inter, batch;
    for (const TempDir* d : {&inter, &batch}) {
        put_data_file(*d, "site01.txt");
        d->write("list.txt", "site01.txt\n");
    }
    inter.write("site01_detail.txt", "not a detail file\n");
    // start, list file, title, interactive, the menu ended at once, continue
    const auto ri = run_kovrin(inter.path(), "\nlist.txt\nrun title\n\n\n\n\n");
    ASSERT_EQ(ri.status, 0) << ri.out;
    // the batch command file of the defaults, trailing blanks not shown
    const auto example = kovtest::split_lines(kovtest::default_commands("site01.txt"));
    const auto log = split_lines(inter.read("site01_log.txt"));
    ASSERT_EQ(log.size(), example.size());
    for (size_t i = 0; i < example.size(); ++i) EXPECT_EQ(rtrim(log[i]), example[i]) << "line " << i + 1;
    EXPECT_EQ(ri.out.find("batch detail file opened"), std::string::npos);

    batch.write("site01_log.txt", inter.read("site01_log.txt"));
    const auto rb = run_kovrin(batch.path(), "\nlist.txt\nrun title\ny\n\n");
    ASSERT_EQ(rb.status, 0) << rb.out;
    for (const char* out : {"site01_out.txt", "site01_crns.txt", "site01_errs.txt", "site01_tabs.txt"})
        EXPECT_EQ(inter.read(out), batch.read(out)) << out;
    // the batch command file read back shows the same lines on both consoles
    const auto echo = [](const std::string& out) {
        const auto lines = split_lines(out);
        auto at = lines.begin();
        while (at != lines.end() && *at != " batch file inputs:") ++at;
        return std::vector<std::string>(at, lines.end() - at >= 22 ? at + 22 : lines.end());
    };
    ASSERT_EQ(echo(ri.out).size(), 22u);
    EXPECT_EQ(echo(ri.out), echo(rb.out));
    // only the batch run looks for a detail file
    EXPECT_NE(rb.out.find("*** batch detail data file either not found or"), std::string::npos);
}

// Two data files: "n" shows the menu once per file, each from the defaults.
TEST(InteractiveRun, MenuPerFileOrOneForAll) {
    for (const char same : {'n', 'y'}) {
        TempDir d;
        put_data_file(d, "a.rwl");
        put_data_file(d, "b.rwl");
        d.write("list.txt", "a.rwl\nb.rwl\n");
        // first menu: printout 3; a second menu (with "n") ended at once
        std::string answers = "\nlist.txt\ntitle\n\n" + std::string(1, same) + "\n17\n3\n\n";
        if (same == 'n') answers += "\n";
        answers += "\n\n";
        const auto r = run_kovrin(d.path(), answers);
        ASSERT_EQ(r.status, 0) << r.out;
        int menus = 0;
        for (const auto& l : split_lines(r.out)) menus += l.find("kovrin run time menu") != std::string::npos;
        EXPECT_EQ(menus, same == 'n' ? 3 : 2) << same;
        const auto a = split_lines(d.read("a.rwl_log.txt")), b = split_lines(d.read("b.rwl_log.txt"));
        ASSERT_EQ(a.size(), 24u);
        ASSERT_EQ(b.size(), 24u);
        EXPECT_EQ(rtrim(a[17]), "3                  !summary, series & long list chronology");
        EXPECT_EQ(rtrim(b[17]), same == 'n' ? "2                  !summary & series statistics printed"
                                            : "3                  !summary, series & long list chronology");
    }
}

// A stop inside an option's questions of the run-time menu ends the run as
// the user asked, and the batch command file of an earlier run (here edited
// by hand after it) is still there, byte for byte: the next batch run reads
// it as before.
TEST(InteractiveRun, StopInTheMenuKeepsTheEarlierCommandFile) {
    TempDir d;
    put_data_file(d, "site.txt");
    d.write("list.txt", "site.txt\n");
    ASSERT_EQ(run_kovrin(d.path(), "\nlist.txt\ntitle\n\n\nn\n").status, 0);
    std::string log = d.read("site_log.txt");
    ASSERT_EQ(split_lines(log).size(), 24u);
    const std::string printout = "\n2                  !summary";
    ASSERT_NE(log.find(printout), std::string::npos);
    log[log.find(printout) + 1] = '3';  // printout option 3, typed into the file
    d.write("site_log.txt", log);

    // option 4 chosen, then "/" at its first question
    const auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\n\n4\n/\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(d.read("site_log.txt"), log);
    EXPECT_FALSE(d.exists("site_out.txt"));

    const auto b = run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    EXPECT_EQ(b.status, 0) << b.out;
    EXPECT_NE(d.read("site_out.txt").find("printout option        3"), std::string::npos);
}
