// The autoregressive phase of a data file, end to end over a real data file.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver_test_support.hpp"

using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

// The documented default command file with the AR line (option 9) and the save
// line (option 18) replaced.
std::string commands(const std::string& datfil, const std::string& ar_line, int save,
                     const std::string& mean_line = "") {
    auto lines = split_lines(kovtest::read_file(kovtest::test_data("options/default_log.txt")));
    lines[0] = "data file #  1  --  " + datfil;
    lines[9] = ar_line;
    if (!mean_line.empty()) lines[12] = mean_line;
    lines[18] = std::to_string(save) + "                  !";
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

kovtest::RunResult run_ar(const TempDir& d, const std::string& ar_line, int save, const std::string& mean_line = "") {
    d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
    d.write("w_log.txt", commands("w.txt", ar_line, save, mean_line));
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

namespace {

// The values of the decade lines of a chronology or error file tagged `tag`
// (columns 83 to 85), in file order: "(a6,i4,10(i4,i3))".
std::vector<int> tagged_values(const std::string& text, const std::string& tag) {
    std::vector<int> v;
    for (const auto& l : split_lines(text)) {
        if (l.size() < 85 || l.substr(82, 3) != tag) continue;
        for (int k = 0; k < 10; ++k) {
            const int value = std::stoi(l.substr(10 + 7 * static_cast<size_t>(k), 4));
            if (value != 9990) v.push_back(value);
        }
    }
    return v;
}

}  // namespace

// With a mean chronology the residual and kovrin chronologies follow, with
// their tables; the kovrin errors are the residual errors divided by the root
// of the variance inflation that the pooled model reports. Without a mean
// chronology neither is made.
TEST(ArStages, ResidualAndKovrinChronologies) {
    TempDir d;
    const auto r = run_ar(d, "1      0     0     !", 0);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string listing = d.read("w_out.txt");
    for (const char* title :
         {"|======================== residual chronology statistics ======================|",
          "|---------- rewhitened chronology auto and partial autocorrelations -----------|",
          "|----------------- rewhitened chronology autoregressive model -----------------|",
          "|========================= kovrin chronology statistics =======================|",
          "|----------------- robust mean kovrin chronology statistics -------------------|",
          "|------------ kovrin chronology auto and partial autocorrelations -------------|",
          "|------------------- kovrin chronology autoregressive model -------------------|"})
        EXPECT_EQ(count(listing, title), 1u) << title;
    const size_t at = listing.find(" variance inflation from autoregression:");
    ASSERT_NE(at, std::string::npos);
    const double vinf = std::stod(listing.substr(at + 40, 8)) / 100.0;
    EXPECT_GT(vinf, 1.0);

    const std::string crns = d.read("w_crns.txt");
    const auto res = tagged_values(crns, "res"), kov = tagged_values(crns, "kov");
    EXPECT_EQ(res.size(), 996u);
    EXPECT_EQ(kov.size(), 996u);
    // the run detrends, so the standard chronology comes between the raw one
    // and the residual one
    EXPECT_EQ(tagged_values(crns, "std").size(), 996u);
    // the error file follows the chronologies: raw, std, res and kov errors in
    // that order
    const auto errs = tagged_values(d.read("w_errs.txt"), "err");
    ASSERT_EQ(errs.size(), 4u * 996u);
    for (size_t i = 0; i < 996; ++i) {
        const double res_err = errs[2 * 996 + i], kov_err = errs[3 * 996 + i];
        EXPECT_NEAR(kov_err, res_err / std::sqrt(vinf), 1.0) << i;
    }

    TempDir none;
    const auto r2 = run_ar(none, "1      0     0     !", 0, "0   0   0    0     !");
    ASSERT_EQ(r2.status, 0) << r2.out;
    EXPECT_EQ(count(none.read("w_out.txt"), "kovrin chronology statistics"), 0u);
    EXPECT_EQ(count(none.read("w_out.txt"), "individual series autoregression analyses"), 1u);
}
