#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "driver_test_support.hpp"
#include "shared/output_names.hpp"

using namespace kov;

namespace {

// How the README writes an output name: for the data file "site.txt" and the
// pith offset file "offsets.txt", in backticks.
std::string readme_name(const OutputSuffix& s) {
    const std::string text(s.text);
    switch (s.after) {
        case NamedAfter::prefix: return "`site" + text + "`";
        case NamedAfter::data_file: return "`site.txt" + text + "`";
        case NamedAfter::pith_offset_file: return "`offsets.txt" + text + "`";
    }
    return text;
}

}  // namespace

TEST(OutputFiles, TheReadmeNamesEveryFileARunCanWrite) {
    const std::string readme = kovtest::read_file(KOVRIN_README);
    for (const auto& s : output_suffixes()) {
        EXPECT_NE(readme.find(readme_name(s)), std::string::npos) << readme_name(s);
        // the three names that keep ".txt" must not be shown without it
        if (s.after == NamedAfter::data_file) {
            EXPECT_EQ(readme.find("`site" + std::string(s.text) + "`"), std::string::npos) << s.text;
        }
    }
    for (const auto& n : run_wide_names()) EXPECT_NE(readme.find("`" + n + "`"), std::string::npos) << n;
}

// Two data files whose options between them reach every output of a batch
// run: every file the run leaves must be a name of the list (a file named
// anywhere else would be missing from the README), and every name of the list
// that a batch run can write must turn up, so that the run keeps reaching them.
TEST(OutputFiles, EveryFileOfABatchRunIsANameOfTheList) {
    kovtest::TempDir d;
    const std::string a = "a.txt", b = "b.rwl";
    d.write(a, kovtest::read_file(kovtest::test_data("rwl/caco_drop.rwl")));
    d.write(b, kovtest::read_file(kovtest::test_data("rwl/russ001.rwl")));
    d.write("list.txt", a + "\n" + b + "\n");
    {
        kovtest::InDir in(d.path());
        // a: logarithms (whose zero rings become gaps), two curve-fitting
        // passes, robust AR with outlier removal, bootstrap limits, a common
        // period, stand dynamics, saved as Tucson ring widths
        kovtest::write_commands(output_prefix(a) + std::string(suffix::batch_commands), a,
                                [](OptionBlock& o, std::string&) {
                                    o(3, 1) = 1;
                                    o(5, 1) = 30;
                                    o(9, 1) = 3, o(9, 2) = 3;
                                    o(12, 3) = 1, o(12, 4) = 20;
                                    o(14, 1) = 1960, o(14, 2) = 1990;
                                    o(18, 1) = 1;
                                    o(20, 1) = 1;
                                });
        // b: the regional curve, robust AR, bootstrap limits, stand dynamics,
        // saved as tab-delimited columns
        kovtest::write_commands(output_prefix(b) + std::string(suffix::batch_commands), b,
                                [](OptionBlock& o, std::string&) {
                                    o(4, 1) = -2, o(4, 2) = 0;
                                    o(5, 1) = -6, o(5, 2) = 10;
                                    o(9, 1) = 2, o(9, 2) = 3;
                                    o(12, 3) = 1, o(12, 4) = 20;
                                    o(18, 1) = 6;
                                    o(20, 1) = 1;
                                });
    }
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;

    std::set<std::string> listed;
    for (const auto& n : run_wide_names()) listed.insert(n);
    for (const std::string& datfil : {a, b})
        for (const auto& s : output_suffixes())
            listed.insert((s.after == NamedAfter::data_file ? datfil : output_prefix(datfil)) + std::string(s.text));

    const std::set<std::string> inputs{a, b, "list.txt", "a_log.txt", "b.rwl_log.txt"};
    std::set<std::string> written;
    for (const auto& e : std::filesystem::directory_iterator(d.path())) {
        const std::string name = e.path().filename().string();
        if (inputs.count(name)) continue;
        written.insert(name);
        EXPECT_TRUE(listed.count(name)) << name << " is not a name of the list";
    }

    // written by interactive runs only: the command files (here the inputs),
    // the list of typed names, the copy of a reformatted pith offset file and
    // that of a detail file replaced while it held other records
    for (const auto& s : output_suffixes()) {
        if (s.text == suffix::batch_commands || s.text == suffix::detail_copy ||
            s.after == NamedAfter::pith_offset_file)
            continue;
        const std::string text(s.text);
        const bool any = written.count((s.after == NamedAfter::data_file ? a : output_prefix(a)) + text) ||
                         written.count(output_prefix(b) + text);
        EXPECT_TRUE(any) << text << " written for neither data file";
    }
    for (const auto& n : run_wide_names()) {
        if (n == typed_list_file) continue;
        EXPECT_TRUE(written.count(n)) << n;
    }
}
