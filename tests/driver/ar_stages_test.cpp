// The autoregressive phase of a data file, end to end over a real data file.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "driver_test_support.hpp"

using kovtest::count;
using kovtest::detail_record;
using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

#include "driver/reference/wa129_ar_orders.inc"

// The documented default command file of the data file w.txt with the given
// lines (counted from 0) replaced.
std::string commands_with(const std::map<size_t, std::string>& replaced) {
    return kovtest::default_commands("w.txt", replaced);
}

// The documented default command file with the AR line (option 9) and the save
// line (option 18) replaced.
std::string commands(const std::string& ar_line, int save, const std::string& mean_line = "") {
    std::map<size_t, std::string> replaced{{9, ar_line}, {18, std::to_string(save) + "                  !"}};
    if (!mean_line.empty()) replaced[12] = mean_line;
    return commands_with(replaced);
}

kovtest::RunResult run_ar(const TempDir& d, const std::string& ar_line, int save, const std::string& mean_line = "") {
    d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
    d.write("w_log.txt", commands(ar_line, save, mean_line));
    d.write("list.txt", "w.txt\n");
    return run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
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
                  c.reports ? 1 : 0)
            << c.what;
        EXPECT_EQ(count(listing, "|================== individual series autoregression analyses =================|"),
                  c.reports ? 1 : 0)
            << c.what;
        EXPECT_EQ(count(listing, " selected autoregression order:"), c.reports ? 1 : 0) << c.what;
        EXPECT_EQ(count(listing, "summary of prewhitened tree-ring series statistics"), c.reports ? 1 : 0) << c.what;
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
        EXPECT_EQ(count(listing, title), 1) << title;
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
    EXPECT_EQ(count(none.read("w_out.txt"), "kovrin chronology statistics"), 0);
    EXPECT_EQ(count(none.read("w_out.txt"), "individual series autoregression analyses"), 1);
}

namespace {

// Identifier and order of every series in the listing's table of the series'
// AR coefficients, "(t6,i5,3x,a8,i6,...)"; the lines that carry coefficients 6
// to 10 have no series number.
std::vector<std::pair<std::string, int>> listed_orders(const std::string& listing) {
    std::vector<std::pair<std::string, int>> v;
    const size_t from = listing.find("individual series autoregressive coefficients");
    const size_t to = listing.find("summary statistics for autoregressive coefficients", from);
    if (from == std::string::npos || to == std::string::npos) return v;
    for (const auto& l : split_lines(listing.substr(from, to - from)))
        if (l.size() >= 27 && std::isdigit(static_cast<unsigned char>(l[9])))
            v.emplace_back(l.substr(13, 8), std::stoi(l.substr(21, 6)));
    return v;
}

}  // namespace

// In a batch run a series whose AR order option came from a record of the
// detail file keeps it, and a series that no record reached takes the run's
// option, here -1: each series by minimum AICc. The runs do not detrend, so the
// expected orders are those of R's Burg fits of the series as read
// (reference/wa129_ar_orders.R); they differ between series, and none is the
// pooled order 7 that a series without a record got before. The detail file
// written carries the option each series was fitted with, and a second batch
// run from it fits the same orders and writes the same options.
TEST(ArStages, BatchRunsHonourTheSeriesOrderOption) {
    struct Case {
        const char* what;
        std::vector<std::string> records;  // none: no detail file
        std::string left_out;              // the series of a record whose icu is 0
        std::map<std::string, int> fixed;  // series whose record fixes the order
    } cases[] = {
        {"no detail file", {}, "", {}},
        // The left-out series moves the settings of the later records one row
        // up; series 4 onwards have no record.
        {"records fix two series at orders 1 and 2, after a left-out series",
         {detail_record(1, "LIDY701", {1323, 1986, 0, 0, 0, 5, 0, 0, 1, 1}),
          detail_record(2, "LI702O", {991, 1368, 0, 0, 0, 1, 0, 1, 1, 2}),
          detail_record(3, "LI745", {1408, 1933, 0, 0, 0, 2, 0, 1, 1, 3})},
         "LIDY701 ",
         {{"LI702O  ", 1}, {"LI745   ", 2}}},
    };
    for (const auto& c : cases) {
        TempDir d;
        d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
        // no detrending; series AR orders by minimum AICc
        d.write("w_log.txt", commands_with({{4, "0      0     0     !"}, {11, "-1                 !"}}));
        d.write("list.txt", "w.txt\n");
        if (!c.records.empty()) {
            std::string text = kovtest::detail_head;
            for (const auto& r : c.records) text += r + "\n";
            d.write("w_detail.txt", text);
        }

        std::vector<std::pair<std::string, int>> expected;
        for (const auto& [ident, order] : wa129_aicc_orders) {
            if (ident == c.left_out) continue;
            const auto f = c.fixed.find(ident);
            expected.emplace_back(ident, f == c.fixed.end() ? order : f->second);
        }
        // The written records in file order: the order option of every series
        // used, and the record of the left-out series back at its place as read.
        const auto check_detail = [&](const char* run) {
            const auto lines = split_lines(d.read("w_detail.txt"));
            ASSERT_EQ(lines.size(), 8u + 21u) << c.what << ": " << run;
            for (size_t k = 0; k < 21; ++k) {
                const std::string ident = lines[8 + k].substr(6, 8);
                if (ident == c.left_out) {
                    EXPECT_EQ(lines[8 + k], c.records[k]) << c.what << ": " << run;
                    continue;
                }
                const auto f = c.fixed.find(ident);
                EXPECT_EQ(std::stoi(lines[8 + k].substr(44, 6)), f == c.fixed.end() ? -1 : f->second)
                    << c.what << ": " << run << ": " << ident;
            }
        };
        for (const char* run : {"first run", "second run, from the detail file of the first"}) {
            const auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
            ASSERT_EQ(r.status, 0) << c.what << ": " << run << "\n" << r.out;
            EXPECT_EQ(listed_orders(d.read("w_out.txt")), expected) << c.what << ": " << run;
            check_detail(run);
        }
    }
}

#include "driver/ar_stages.hpp"
#include "driver/data_file_setup.hpp"
#include "shared/layout.hpp"

namespace {

// Eight series of residual indices over 1901-1930: two from 1901, six from
// 1906, so that 1901-1905 hold fewer than six series (no limits of their own)
// and 1906-1930 eight. The residual and kovrin chronologies are built from
// them with the pooled model given, as the AR phase does after the series'
// own models, with bootstrap limits of an arithmetic mean.
class KovrinLimitScene : public kovtest::DriverScene {
public:
    KovrinLimitScene(int npool, float phi, float varinf) {
        auto& s = kov::shared();
        s.datfil = "k.txt";
        s.sermat.clear();
        s.nc = 8;
        // a common signal that persists from year to year (so that the
        // residual chronology's own model moves it far), and noise per series
        unsigned seed = 2024u;
        auto noise = [&] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>((seed >> 8) % 1000) / 1000.0f - 0.5f;
        };
        std::vector<float> common(31, 0.0f);
        for (int y = 1; y <= 30; ++y) common[y] = 0.9f * common[y - 1] + 0.4f * noise();
        for (int j = 1; j <= s.nc; ++j) {
            const int first = j <= 2 ? 1901 : 1906;
            for (int y = first; y <= 1930; ++y) s.sermat(y - 1900, j) = 1.0f + common[y - 1900] + 0.3f * noise();
            s.sertbl(j, kov::ify) = first;
            s.sertbl(j, kov::ily) = 1930;
        }
        s.sertbl(s.nc + 1, kov::ify) = 1901;
        s.sertbl(s.nc + 1, kov::ily) = 1930;
        s.ifyc = 1901;
        s.nyc = 30;
        for (int i = 1; i <= s.nyc; ++i) s.crnmat(i, 1) = i <= 5 ? 2.0f : 8.0f;  // the depth the standard step left
        s.first_limit_year = 1906;  // the span with limits as the raw chronology counted it
        s.nspan = 25;
        s.npool = npool;
        s.poolcf = {};
        s.poolcf[0] = phi;
        s.varinf = varinf;
        s.rawmax = 1.0f;
        s.rbmean = 0.0f;
        s.crnid = "k       ";
        s.wmode = "iw";
        s.hdrsave = {std::string(85, ' '), std::string(85, ' '), std::string(85, ' ')};
        s.optval = kov::OptionBlock{};
        s.optval(9, 1) = 1;
        s.optval(12, 1) = 1;
        s.optval(12, 3) = 1;
        s.optval(12, 4) = 10;
        s.optval(17, 1) = 1;
        s.bootlo.assign(kov::mxy, 0.0f);
        s.boothi.assign(kov::mxy, 0.0f);
        kov::optsnap() = s.optval;
        kovtest::open_chronology_streams("k");
    }
    // year, depth, chronology, lower and upper limit of every line of a
    // "_95%cl.txt" file
    std::vector<std::vector<kov::FVal>> limits(const std::string& name) {
        kov::streams().close_all();
        std::vector<std::vector<kov::FVal>> rows;
        const auto lines = split_lines(dir().read(name));
        for (size_t i = 1; i < lines.size(); ++i) rows.push_back(kov::read_values("(2i6,3f8.3)", lines[i]));
        return rows;
    }
};

}  // namespace

// The kovrin limits are the residual limits carried to the kovrin value: each
// keeps its distance from the residual value it was built around (the value
// "_res_95%cl.txt" lists), widened by sqrt(varinf - 1) + 1. So every kovrin
// year lies between its limits, a year of fewer than six series has the
// kovrin value as both, and a pooled order of 0 (varinf 1) leaves the kovrin
// limits those of the residual chronology. With order 1 the residual
// chronology is prewhitened after its limits were taken: distances from the
// prewhitened value would leave the kovrin value outside its own limits.
TEST(KovrinLimits, KeepTheirDistancesFromTheResidualValueTheyWereBuiltAround) {
    const struct {
        const char* what;
        int npool;
        float phi, varinf;
        double factor;  // sqrt(varinf - 1) + 1
    } cases[] = {{"pooled order 0", 0, 0.0f, 1.0f, 1.0}, {"pooled order 1", 1, 0.5f, 2.25f, 2.118034}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KovrinLimitScene sc(c.npool, c.phi, c.varinf);
        kovtest::ScriptedConsole con("");
        kov::residual_chronology_stage();
        kov::kovrin_chronology_stage();
        const auto res = sc.limits("k_res_95%cl.txt"), kov = sc.limits("k_kov_95%cl.txt");
        ASSERT_EQ(res.size(), 30u);
        ASSERT_EQ(kov.size(), 30u);
        int widened = 0;
        for (size_t i = 0; i < kov.size(); ++i) {
            SCOPED_TRACE(kov[i][0].i);
            const double r = res[i][2].r, rlo = res[i][3].r, rhi = res[i][4].r;
            const double k = kov[i][2].r, klo = kov[i][3].r, khi = kov[i][4].r;
            EXPECT_LE(klo, k);
            EXPECT_LE(k, khi);
            if (kov[i][1].i < 6) {
                EXPECT_EQ(klo, k);
                EXPECT_EQ(khi, k);
                continue;
            }
            if (c.npool == 0) {
                EXPECT_EQ(klo, rlo);
                EXPECT_EQ(khi, rhi);
                EXPECT_EQ(k, r);
            }
            // three printed decimals in r, k and the limits: the distances
            // agree to within (1 + 2 factor) half units of the last digit
            const double tol = 0.0005 * (1 + 2 * c.factor) + 1e-9;
            EXPECT_NEAR(k - klo, c.factor * (r - rlo), tol);
            EXPECT_NEAR(khi - k, c.factor * (rhi - r), tol);
            widened += rhi > rlo;
        }
        EXPECT_EQ(widened, 25);
    }
}
