// The series stages that the driver runs itself, end to end over real data
// files: reading, the common year axis, titles and header lines, the stage
// saves and gap filling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/text_helpers.hpp"
#include "driver_test_support.hpp"
#include "shared/layout.hpp"

using kov::padded;
using kovtest::contains_line;
using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

// The documented default command file with its transformation (line 4) and
// save (line 19) codes replaced.
std::string commands(const std::string& datfil, int transformation, int save) {
    auto lines = split_lines(kovtest::read_file(kovtest::test_data("options/default_log.txt")));
    lines[0] = "data file #  1  --  " + datfil;
    lines[3] = std::to_string(transformation) + "            0     !";
    lines[18] = std::to_string(save) + "                  !";
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// Runs a copy of a shared data file, named `prefix`.txt, in batch mode.
kovtest::RunResult run_one(const TempDir& d, const std::string& source, const std::string& prefix, int transformation,
                           int save) {
    d.write(prefix + ".txt", kovtest::read_file(kovtest::shared_data(source)));
    d.write(prefix + "_log.txt", commands(prefix + ".txt", transformation, save));
    d.write("list.txt", prefix + ".txt\n");
    return run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

// Every series stands at its own years once the series are read: a column save
// gives, year by year, the values of the data file (0.01 mm there).
TEST(SeriesStages, SeriesStandOnTheCommonYearAxis) {
    TempDir d;
    auto r = run_one(d, "rwl/wa129.rwl", "w", 0, 5);
    ASSERT_EQ(r.status, 0) << r.out;
    // year, LIDY701 (1323 to 1986), LI702O (991 to 1368), from the decade lines
    // "LIDY701 1320 ... 448" (1323), "LIDY701 1980 ... 75" (1986),
    // "LI702O   991    81", "LI702O  1320 ... 141" (1323)
    struct Row {
        const char *year, *first, *second;
    } rows[] = {{"991", ".", "0.8100"}, {"1323", "4.4800", "1.4100"}, {"1986", "0.7500", "."}};
    const auto saved = split_lines(d.read("w_raw.txt"));
    ASSERT_FALSE(saved.empty());
    const auto head = kov::free_fields(saved[0]);
    ASSERT_GE(head.size(), 3u);
    EXPECT_EQ(head[1], "LIDY701");
    EXPECT_EQ(head[2], "LI702O");
    for (const auto& row : rows) {
        bool found = false;
        for (const auto& line : saved) {
            const auto f = kov::free_fields(line);
            if (f.size() < 3 || f[0] != row.year) continue;
            found = true;
            EXPECT_EQ(f[1], row.first) << row.year;
            EXPECT_EQ(f[2], row.second) << row.year;
        }
        EXPECT_TRUE(found) << row.year;
    }
}

// Which stages are saved, in which layout, and the header lines they carry.
TEST(SeriesStages, StageSavesAndGapFilling) {
    const std::string no_title = padded("r -- no data title --", 58);
    struct Case {
        const char* what;
        const char* source;
        int transformation, save;
        bool raw, gap, trn;                // which save files exist
        std::vector<std::string> header;   // first lines of every save file
        std::string first_series;
    } cases[] = {
        // zeros count as missing once transformed: gaps, saved in the Tucson
        // ring-width layout although nothing else is saved; no header lines in
        // the file, so the title and the three lines are made up
        {"no header lines, gaps, no saves", "rwl/russ001.rwl", 1, 0, false, true, false,
         {no_title + "1st itrdb line missing", no_title + "2nd itrdb line missing",
          no_title + "3rd itrdb line missing"},
         "S01161"},
        // internal missing values: every stage saved in the columns asked for
        {"gaps and column saves", "rwl/mong007w.rwl", 2, 5, true, true, true, {}, ""},
        // the file's own header lines in front of the Tucson saves
        {"header lines, no gaps", "rwl/wa129.rwl", 3, 1, true, false, true,
         {"LI     1 Long Island, Willapa Bay                            THPL",
          "LI     2 Washington   W. Red Cedar        50M  4627-12358    __     991 1986",
          "LI     3 Dave Yamaguchi"},
         "LIDY701"},
    };
    for (const auto& c : cases) {
        TempDir d;
        auto r = run_one(d, c.source, "r", c.transformation, c.save);
        ASSERT_EQ(r.status, 0) << c.what << "\n" << r.out;
        EXPECT_EQ(d.exists("r_raw.txt"), c.raw) << c.what;
        EXPECT_EQ(d.exists("r_gap.txt"), c.gap) << c.what;
        EXPECT_EQ(d.exists("r_trn.txt"), c.trn) << c.what;
        EXPECT_EQ(contains_line(split_lines(r.out), " fill in missing data gaps now and save infilled data"), c.gap)
            << c.what;
        for (const char* name : {"r_raw.txt", "r_gap.txt", "r_trn.txt"}) {
            if (!d.exists(name)) continue;
            const auto lines = split_lines(d.read(name));
            ASSERT_GT(lines.size(), 3u) << c.what << " " << name;
            if (c.save > 3) {
                EXPECT_EQ(kov::free_fields(lines[0])[0], "year") << c.what << " " << name;
                continue;
            }
            for (size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(rtrim(lines[i]), c.header[i]) << c.what << " " << name;
                EXPECT_LE(lines[i].size(), 85u) << c.what << " " << name;
            }
            // then the decade lines, from the first series
            EXPECT_EQ(lines[3].rfind(c.first_series, 0), 0u) << c.what << " " << name;
        }
    }
}
