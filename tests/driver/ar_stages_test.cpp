// The autoregressive phase of a data file, end to end over a real data file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_test_support.hpp"

using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

// The documented default command file with the AR line (option 9) and the save
// line (option 18) replaced.
std::string commands(const std::string& datfil, const std::string& ar_line, int save) {
    auto lines = split_lines(kovtest::read_file(kovtest::test_data("options/default_log.txt")));
    lines[0] = "data file #  1  --  " + datfil;
    lines[9] = ar_line;
    lines[18] = std::to_string(save) + "                  !";
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

kovtest::RunResult run_ar(const TempDir& d, const std::string& ar_line, int save) {
    d.write("w.txt", kovtest::read_file(kovtest::shared_data("rwl/wa129.rwl")));
    d.write("w_log.txt", commands("w.txt", ar_line, save));
    d.write("list.txt", "w.txt\n");
    return run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

// AR method 0 writes none of the phase; method 1 the pooled and per-series
// reports and the "_res.txt" save; method 3 also the outlier-free series.
TEST(ArStages, PhaseOverARealDataFile) {
    struct Case {
        const char* what;
        std::string ar_line;
        int save;
        bool reports, res_file, outlier_file;
    } cases[] = {
        {"no AR", "0      0     0     !", 1, false, false, false},
        {"plain AR, no save", "1      0     0     !", 0, true, false, false},
        {"robust AR, Tucson save", "3      1     0     !", 1, true, true, true},
    };
    for (const auto& c : cases) {
        TempDir d;
        const auto r = run_ar(d, c.ar_line, c.save);
        ASSERT_EQ(r.status, 0) << c.what << "\n" << r.out;
        const std::string listing = d.read("w_out.txt");
        EXPECT_EQ(count(listing, "|======================= pooled autoregression analysis =======================|"),
                  c.reports ? 1u : 0u)
            << c.what;
        EXPECT_EQ(count(listing, "|================== individual series autoregression analyses =================|"),
                  c.reports ? 1u : 0u)
            << c.what;
        EXPECT_EQ(count(listing, " selected autoregression order:"), c.reports ? 1u : 0u) << c.what;
        EXPECT_EQ(count(listing, "summary of prewhitened tree-ring series statistics"), c.reports ? 1u : 0u) << c.what;
        EXPECT_EQ(d.exists("w_res.txt"), c.res_file) << c.what;
        EXPECT_EQ(d.exists("w_no_outliers.txt"), c.outlier_file) << c.what;
        if (c.res_file) {
            const auto lines = split_lines(d.read("w_res.txt"));
            ASSERT_GT(lines.size(), 4u);
            EXPECT_EQ(lines[0].rfind("LI     1 Long Island", 0), 0u);
            EXPECT_NE(lines[3].find("LIDY701"), std::string::npos) << lines[3];
        }
        for (const char* bad : {"nan", "NaN"}) EXPECT_EQ(listing.find(bad), std::string::npos) << c.what;
    }
}
