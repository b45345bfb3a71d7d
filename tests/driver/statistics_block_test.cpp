// The statistics block run end to end over a real data file: the running-rbar
// file and the common-period analysis of the raw stage.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>

#include "chronology/reference/statistics_ref.inc"
#include "chronology/statistics_fixture.hpp"
#include "driver/driver_test_support.hpp"
#include "driver/statistics_block.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::split_lines;

// A batch command file with the common period and running-rbar lines given.
std::string commands(const std::string& datfil, const std::string& period, const std::string& window) {
    return "data file #  1  --  " + datfil +
           "\n"
           "1                  !\n"
           "-9           0     !\n"
           "0            0     !\n"
           "-6     20    0     !\n"
           "0      0     0     !\n"
           "1                  !\n"
           "0                  !\n"
           "1                  !\n"
           "1      0     0     !\n"
           "0            0     !\n"
           "0                  !\n"
           "2   0   0    0     !\n"
           "1                  !\n" +
           period + "            !\nSSSTTCC            !\n" + window +
           "     !\n"
           "2                  !\n"
           "0                  !\n"
           "0                  !\n"
           "0            0     !\n"
           "0                  !\n"
           "0                  !\n"
           "0                  !\n";
}

const std::string batch_answers = "\nlist.txt\nrun title\ny\n\n";

std::vector<std::string> tab_fields(const std::string& line) {
    std::vector<std::string> f;
    std::stringstream in(line);
    for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
    return f;
}

TEST(StatisticsBlock, RawStageOfARealFile) {
    kovtest::TempDir d;
    d.write("c.txt", kovtest::read_file(kovtest::test_data("rwl/ca618.rwl")));
    d.write("c_log.txt", commands("c.txt", "1900  1980", "50    25     0"));
    d.write("list.txt", "c.txt\n");
    auto r = kovtest::run_kovrin(d.path(), batch_answers);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\n calculate raw data chronology running rbar\n"), std::string::npos);

    const auto rows = split_lines(d.read("c_raw_rbar.txt"));
    ASSERT_EQ(rows.size(), 1 + statref::run_rows.size() / 6);
    EXPECT_EQ(rows[0], "year\tcorrs\trbar\tsdev\tserr\teps \tcores");
    for (size_t i = 1; i < rows.size(); ++i) {
        const auto f = tab_fields(rows[i]);
        ASSERT_EQ(f.size(), 7u);
        EXPECT_EQ(f[0].size(), 7u);
        const double* e = &statref::run_rows[(i - 1) * 6];
        EXPECT_EQ(std::stod(f[0]), e[0]);
        EXPECT_EQ(std::stod(f[1]), e[1]);
        EXPECT_NEAR(std::stod(f[2]), e[2], 7e-5) << i;
        EXPECT_NEAR(std::stod(f[5]), e[4], 7e-5) << i;
        EXPECT_NEAR(std::stod(f[6]), e[5], 6e-3) << i;
    }

    const std::string listing = d.read("c_out.txt");
    const auto banner = listing.find(
        "\n |======================= raw data common period analyses ======================|\n");
    const auto pca = listing.find("all series common period principal components analysis");
    const auto rbar = listing.find("all series common period rbar statistics");
    const auto running = listing.find("running rbar statistics");
    EXPECT_NE(banner, std::string::npos);
    EXPECT_LT(listing.find("all possible series rbar statistics"), banner);
    EXPECT_LT(banner, pca);
    EXPECT_LT(pca, rbar);
    EXPECT_LT(rbar, running);
    EXPECT_NE(running, std::string::npos);
    for (auto name : {"c_pcloads_raw.txt", "c_pcscores_raw.txt", "c_vfloads_raw.txt", "c_vfscores_raw.txt"})
        EXPECT_TRUE(d.exists(name)) << name;
}

using statfix::noise;

// Values wider than their columns in the running-rbar file get the columns
// they need: a count of n (n - 1) / 2 correlations, and the EPS of -n that a
// two-year window gives when (n + 1) / 2 of n series rise and the others fall.
TEST(StatisticsBlock, RunningRbarFileWidensItsFields) {
    const struct {
        const char* what;
        int series, window, years;
        std::string count;          // as the file shows it
        std::optional<double> eps;  // near this value
    } cases[] = {
        {"a million correlations", 1415, 21, 45, "1000405.", std::nullopt},
        {"eps of -101", 101, 2, 6, "  5050.", -101.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<statfix::Series> ser;
        for (int k = 0; k < c.series; ++k) {
            std::vector<float> v = noise(c.years, 900 + k);
            if (c.window == 2) v[1] = k <= c.series / 2 ? v[0] + 0.5f : v[0] - 0.25f;
            ser.push_back({"S" + std::to_string(k), 1900, v});
        }
        kovtest::DriverScene scene;
        kovtest::ScriptedConsole con("");
        statfix::load(ser);
        auto& s = kov::shared();
        s.datfil = "t.txt";
        s.optval(14, 1) = s.optval(14, 2) = 0;
        s.optval(16, 1) = c.window;
        s.optval(16, 2) = c.window == 2 ? 1 : 0;
        s.optval(17, 1) = 1;
        s.optval(19, 1) = 0;
        kov::streams().luout.open_fresh("t_out.txt");
        kov::statistics_block(kov::Stage::raw);
        kov::streams().luout.close();
        const auto rows = split_lines(scene.dir().read("t_raw_rbar.txt"));
        ASSERT_EQ(rows.size(), 2u);
        const auto f = tab_fields(rows[1]);
        ASSERT_EQ(f.size(), 7u);
        EXPECT_EQ(f[1], c.count) << rows[1];
        if (c.eps) {
            EXPECT_NEAR(std::stod(f[5]), *c.eps, 0.01) << rows[1];
        }
    }
}

// The common-period analysis counts its pairs in seven columns; 4,473 series
// give 4473 x 4472 / 2 = 10,001,628 pairs, eight digits, and the column of
// counts widens under a heading that moves with it.
TEST(StatisticsBlock, CommonPeriodCountsOfTenMillionPairs) {
    std::vector<statfix::Series> ser;
    for (int k = 0; k < 4473; ++k) {
        // two cores a tree, trees numbered by characters 4 and 5
        const std::string tree = std::to_string(10000 + k / 2).substr(1);
        ser.push_back({"ABC" + tree + (k % 2 ? "B" : "A"), 1900, noise(25, 3000 + k)});
    }
    kovtest::DriverScene scene;
    kovtest::ScriptedConsole con("");
    statfix::load(ser);
    auto& s = kov::shared();
    s.datfil = "t.txt";
    kov::driver_state().mask_copy = "SSSTTTTC";
    s.optval(14, 1) = 1900;
    s.optval(14, 2) = 1924;
    s.optval(16, 1) = 0;
    s.optval(17, 1) = 1;
    s.optval(19, 1) = 0;
    kov::streams().luout.open_fresh("t_out.txt");
    kov::statistics_block(kov::Stage::raw);
    kov::streams().luout.close();
    const auto lines = split_lines(scene.dir().read("t_out.txt"));
    auto line_starting = [&](const std::string& head) {
        for (const auto& l : lines)
            if (l.rfind(head, 0) == 0) return l;
        return std::string();
    };
    EXPECT_EQ(line_starting(std::string(40, ' ')), std::string(40, ' ') + "number     rbar     sdev");
    EXPECT_EQ(line_starting("                    all series rbar: ").substr(0, 45),
              "                    all series rbar: 10001628");
    // within trees: one pair a tree of two cores, 2,236 of them
    EXPECT_EQ(line_starting("                  within-trees rbar: ").substr(0, 45),
              "                  within-trees rbar:     2236");
}

TEST(StatisticsBlock, NoWindowNoPeriod) {
    struct Case {
        std::string period, window;
        int width;
    } cases[] = {
        {"0     0 ", "0     0      0", 0},
        {"1900  0 ", "250   25     0", 250},  // the span 1572-2004 is not longer than 500 years
    };
    for (const auto& c : cases) {
        kovtest::TempDir d;
        d.write("c.txt", kovtest::read_file(kovtest::test_data("rwl/ca618.rwl")));
        d.write("c_log.txt", commands("c.txt", c.period, c.window));
        d.write("list.txt", "c.txt\n");
        auto r = kovtest::run_kovrin(d.path(), batch_answers);
        ASSERT_EQ(r.status, 0) << r.out;
        char width[8];
        std::snprintf(width, sizeof width, "%4d", c.width);
        const auto con = split_lines(r.out);
        const auto lst = split_lines(d.read("c_out.txt"));
        auto has = [](const std::vector<std::string>& lines, const std::string& l) {
            return std::find(lines.begin(), lines.end(), l) != lines.end();
        };
        EXPECT_TRUE(has(con, " no running rbar segments calculated: total chronology"));
        EXPECT_TRUE(has(con, "  length less then 2x the running window width: " + std::string(width)));
        EXPECT_TRUE(has(lst, "              no running rbar segments calculated: total chronology"));
        EXPECT_TRUE(has(lst, "               length less then 2x the running window width: " + std::string(width)));
        EXPECT_FALSE(d.exists("c_raw_rbar.txt")) << c.width;
        EXPECT_EQ(d.read("c_out.txt").find("common period analyses"), std::string::npos);
        EXPECT_FALSE(d.exists("c_pcloads_raw.txt"));
    }
}

TEST(StatisticsBlock, TreeNumbersAndThePlotTableByStage) {
    // Cores of trees AAA01 and AAA02; AAA02B starts inside the period.
    std::vector<statfix::Series> ser;
    const std::vector<std::string> ids = {"AAA01A", "AAA01B", "AAA02A", "AAA02B"};
    for (size_t k = 0; k < ids.size(); ++k) {
        std::vector<float> v(120);
        for (size_t t = 0; t < v.size(); ++t) v[t] = 1.0f + 0.5f * std::sin(0.7f * t + k) + 0.01f * ((t * 7 + k) % 5);
        ser.push_back({ids[k], k == 3 ? 1905 : 1880, v});
    }
    struct Case {
        kov::Stage stage;
        std::vector<int> cpa;
        bool plot_table;
    } cases[] = {
        {kov::Stage::indices, {1, 1, 2, 0}, false},
        {kov::Stage::residuals, {7, 8, 9, 10}, false},  // the numbers of the stage before stay
        {kov::Stage::raw, {1, 1, 2, 0}, true},
    };
    for (const auto& c : cases) {
        kovtest::DriverScene scene;
        kovtest::ScriptedConsole con("");
        statfix::load(ser);
        auto& s = kov::shared();
        for (int k = 1; k <= 4; ++k) s.sertbl(k, kov::cpa) = 6 + k;
        s.datfil = "t.txt";
        s.stcmask = "        ";
        kov::driver_state().mask_copy = "SSSTTCC ";
        s.optval(14, 1) = 1900;
        s.optval(14, 2) = 1950;
        s.optval(16, 1) = 20;
        s.optval(16, 2) = 10;
        s.optval(17, 1) = 1;
        s.optval(19, 1) = 0;
        s.rbplot.fill(-1.0f);
        kov::streams().luout.open_fresh("t_out.txt");
        kov::statistics_block(c.stage);
        kov::streams().luout.close();
        std::vector<int> cpa;
        for (int k = 1; k <= 4; ++k) cpa.push_back(s.sertbl(k, kov::cpa));
        EXPECT_EQ(cpa, c.cpa) << static_cast<int>(c.stage);
        ASSERT_GT(s.nwin, 0);
        const auto& tab = s.rbtab[static_cast<int>(c.stage) - 1];
        EXPECT_EQ(s.rbplot(1, 3) == tab(1, 3), c.plot_table);
        EXPECT_EQ(s.rbplot(s.nwin, 1) == tab(s.nwin, 1), c.plot_table);
        const std::string tag = c.stage == kov::Stage::raw ? "raw" : c.stage == kov::Stage::indices ? "ind" : "res";
        EXPECT_TRUE(scene.dir().exists("t_" + tag + "_rbar.txt")) << tag;
    }
}

}  // namespace
