// The series stages that the driver runs itself, end to end over real data
// files: reading, the common year axis, titles and header lines, the stage
// saves and gap filling.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver_test_support.hpp"
#include "shared/layout.hpp"
#include "shared/text_helpers.hpp"

using kov::padded;
using kov::rtrim;
using kovtest::contains_line;
using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

// The documented default command file with its transformation (line 4) and
// save (line 19) codes replaced.
std::string commands(const std::string& datfil, int transformation, int save,
                     std::map<size_t, std::string> more = {}) {
    more[3] = std::to_string(transformation) + "            0     !";
    more[18] = std::to_string(save) + "                  !";
    return kovtest::default_commands(datfil, more);
}

// Runs the data file `text`, named `prefix`.txt, in batch mode.
kovtest::RunResult run_text(const TempDir& d, const std::string& text, const std::string& prefix, int transformation,
                            int save) {
    d.write(prefix + ".txt", text);
    d.write(prefix + "_log.txt", commands(prefix + ".txt", transformation, save));
    d.write("list.txt", prefix + ".txt\n");
    return run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
}

// Runs a copy of a shared data file, named `prefix`.txt, in batch mode.
kovtest::RunResult run_one(const TempDir& d, const std::string& source, const std::string& prefix, int transformation,
                           int save) {
    return run_text(d, kovtest::read_file(kovtest::test_data(source)), prefix, transformation, save);
}

// One decade line of a ring-width file in hundredths: identifier in columns
// 1-8, year in 9-12, values of 6 columns.
std::string rw_line(const char* id, int year, const std::vector<int>& values) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%-8s%4d", id, year);
    std::string line = buf;
    for (int v : values) {
        std::snprintf(buf, sizeof buf, "%6d", v);
        line += buf;
    }
    return line + "\n";
}

// No header lines. SERA runs from -15 to 24 across year 0; SERB from -5 to 30
// with a missing value (-999) in year 3 and a ring width of 0 in year 10.
std::string bc_file() {
    return rw_line("SERA", -15, {100, 110, 120, 130, 140}) +
           rw_line("SERA", -10, {150, 160, 170, 180, 190, 200, 210, 220, 230, 240}) +
           rw_line("SERA", 0, {250, 260, 270, 280, 290, 300, 310, 320, 330, 340}) +
           rw_line("SERA", 10, {350, 360, 370, 380, 390, 400, 410, 420, 430, 440}) +
           rw_line("SERA", 20, {450, 460, 470, 480, 490, 999}) +
           rw_line("SERB", -5, {200, 210, 220, 230, 240}) +
           rw_line("SERB", 0, {250, 260, 270, -999, 290, 300, 310, 320, 330, 340}) +
           rw_line("SERB", 10, {0, 360, 370, 380, 390, 400, 410, 420, 430, 440}) +
           rw_line("SERB", 20, {450, 460, 470, 480, 490, 500, 510, 520, 530, 540}) +
           rw_line("SERB", 30, {550, 999});
}

// The cells of one row of a tab-delimited save, after the year.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> out;
    size_t p = row.find('\t');
    while (p != std::string::npos) {
        const size_t e = row.find('\t', p + 1);
        out.push_back(row.substr(p + 1, e == std::string::npos ? std::string::npos : e - p - 1));
        p = e;
    }
    return out;
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

// The gap-filled series as the ring-width save gives them: measured years as
// read, the two missing years of SERB (its -999 and, with a transformation,
// its 0) filled with widths above 0; the gap report in the listing.
TEST(SeriesStages, GapSaveHoldsTheMeasuredYearsAndTheFilledOnes) {
    TempDir d;
    auto r = run_text(d, bc_file(), "site", 1, 0);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto gap = split_lines(d.read("site_gap.txt"));
    ASSERT_GT(gap.size(), 12u);
    // Thousandths, ended by -9999; the stage tag on full lines.
    EXPECT_EQ(gap[3], "SERA     -15  1000  1100  1200  1300  1400");
    EXPECT_EQ(gap[4], "SERA     -10  1500  1600  1700  1800  1900  2000  2100  2200  2300  2400  gap");
    EXPECT_EQ(gap[7], "SERA      20  4500  4600  4700  4800  4900 -9999");
    EXPECT_EQ(gap[8], "SERB      -5  2000  2100  2200  2300  2400");
    const std::string y0 = gap[9], y10 = gap[10];
    EXPECT_EQ(y0.substr(0, 30), "SERB       0  2500  2600  2700");
    EXPECT_EQ(y0.substr(36), "  2900  3000  3100  3200  3300  3400  gap");
    EXPECT_GT(std::stoi(y0.substr(30, 6)), 0);
    EXPECT_EQ(y10.substr(0, 12), "SERB      10");
    EXPECT_GT(std::stoi(y10.substr(12, 6)), 0);
    EXPECT_EQ(y10.substr(18), "  3600  3700  3800  3900  4000  4100  4200  4300  4400  gap");

    const std::string listing = d.read("site_out.txt");
    EXPECT_NE(listing.find("           2       SERB           missing values found:   2 in   2 gaps\n"
                           "             /    3     3 /   10    10 /\n"),
              std::string::npos)
        << listing;
}

// Save option 6 serves the raw, gap-filled and transformed saves alike: tab-
// delimited columns over the whole span, -15 to 30, missing years -9.9900.
TEST(SeriesStages, ColumnSavesOfEveryStageAcrossYearZero) {
    TempDir d;
    auto r = run_text(d, bc_file(), "site", 1, 6);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto raw = split_lines(d.read("site_raw.txt"));
    const auto gap = split_lines(d.read("site_gap.txt"));
    const auto trn = split_lines(d.read("site_trn.txt"));
    ASSERT_EQ(raw.size(), 1u + 46u);
    ASSERT_EQ(gap.size(), raw.size());
    ASSERT_EQ(trn.size(), raw.size());
    EXPECT_EQ(raw[0], " year\tSERA    \tSERB    ");
    EXPECT_EQ(raw[1], "   -15\t  1.0000\t -9.9900");
    EXPECT_EQ(raw[11], "    -5\t  2.0000\t  2.0000");
    EXPECT_EQ(raw[19], "     3\t  2.8000\t -9.9900");
    EXPECT_EQ(raw[26], "    10\t  3.5000\t  0.0000");
    EXPECT_EQ(raw[46], "    30\t -9.9900\t  5.5000");
    for (size_t k = 1; k < raw.size(); ++k) {
        const auto a = cells(raw[k]), g = cells(gap[k]);
        ASSERT_EQ(g.size(), 2u) << gap[k];
        EXPECT_EQ(g[0], a[0]) << k;
        if (k == 19 || k == 26) {
            EXPECT_GT(std::stod(g[1]), 0.0) << gap[k];
        } else {
            EXPECT_EQ(g[1], a[1]) << k;
        }
    }
    // The transformed series keep their spans and their untransformed range.
    EXPECT_EQ(trn[1].substr(0, 25), "   -15\t  1.0000\t -9.9900");
    EXPECT_EQ(cells(trn[40])[0], "  4.9000");
    EXPECT_EQ(cells(trn[46])[1], "  5.5000");
}

// The release scan runs over every series after gap filling. With its plot
// switch on, each series' release plot is followed by the question whether to
// change the settings; "y" asks the three thresholds (refusing values out of
// range) and the prefilter, and runs the same series again; the next series
// starts from the thresholds of the command file again.
TEST(SeriesStages, ReleaseScanAsksForNewSettingsPerSeries) {
    TempDir d;
    std::string text;
    for (const char* id : {"REL01A", "REL02A"}) {
        for (int decade = 1900; decade < 1960; decade += 10) {
            std::vector<int> v;
            for (int y = 0; y < 10; ++y) v.push_back(100 + (decade >= 1930 ? 80 : 0) + 7 * ((y * 3 + decade / 10) % 5));
            text += rw_line(id, decade, v);
        }
        text += rw_line(id, 1960, {999});
    }
    d.write("rel.txt", text);
    d.write("rel_log.txt", commands("rel.txt", 0, 0,
                                    {{20, "2            1     !"},
                                     {21, "10                 !"},
                                     {22, "25                 !"},
                                     {23, "1                  !"}}));
    d.write("list.txt", "rel.txt\n");
    // series 1: plot, "y", window 99 (refused) then 20, percent 30, error 2,
    // prefilter "y", plot again, "n"; series 2: plot, empty answer; then "no
    // more plots" at the endogenous-outlier plots of the later phases
    std::string tail;
    for (int i = 0; i < 20; ++i) tail += "n\n";
    const auto r = run_kovrin(d.path(), "\nlist.txt\ntitle\ny\nc\ny\n99\n20\n30\n2\ny\nc\nn\nc\n\n" + tail);
    ASSERT_EQ(r.status, 0) << r.out;
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = r.out.find(text); at != std::string::npos; at = r.out.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("change release detection settings? y/<n>"), 3u);
    EXPECT_EQ(count("running mean window width (5-50)"), 2u);  // asked again after 99
    EXPECT_EQ(count("percent growth change threshold (5-200)"), 1u);
    EXPECT_EQ(count("standard error threshold (0-5)"), 1u);
    EXPECT_EQ(count("prefilter with 3-point binomial? y/<n>"), 1u);
    const std::string question = kov::fmt("(1x,'change release detection settings? y/<n>',t45,'==> ',$)");
    EXPECT_EQ(question.find("==> "), 44u);
}
