// The series stages of a data file run end to end: the series placed on the
// common year axis, the title and header lines completed, the raw save, gap
// filling with its save, and the save option as the user set it afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/text_helpers.hpp"
#include "support/test_support.hpp"

using kov::padded;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

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
// with `year3` in year 3 and a ring width of 0 in year 10.
std::string data_file(int year3) {
    return rw_line("SERA", -15, {100, 110, 120, 130, 140}) +
           rw_line("SERA", -10, {150, 160, 170, 180, 190, 200, 210, 220, 230, 240}) +
           rw_line("SERA", 0, {250, 260, 270, 280, 290, 300, 310, 320, 330, 340}) +
           rw_line("SERA", 10, {350, 360, 370, 380, 390, 400, 410, 420, 430, 440}) +
           rw_line("SERA", 20, {450, 460, 470, 480, 490, 999}) +
           rw_line("SERB", -5, {200, 210, 220, 230, 240}) +
           rw_line("SERB", 0, {250, 260, 270, year3, 290, 300, 310, 320, 330, 340}) +
           rw_line("SERB", 10, {0, 360, 370, 380, 390, 400, 410, 420, 430, 440}) +
           rw_line("SERB", 20, {450, 460, 470, 480, 490, 500, 510, 520, 530, 540}) +
           rw_line("SERB", 30, {550, 999});
}

// An interactive run of "site.txt" with the run options typed in the run-time
// menu: save format (18) and transformation (3, without its plots).
kovtest::RunResult run_site(const TempDir& d, int save, int transform) {
    std::string menu = "18\n" + std::to_string(save) + "\n";
    if (transform > 0) menu += "3\n" + std::to_string(transform) + "\nn\n";
    return kovtest::run_kovrin(d.path(), "\n\nsite.txt\n\ntitle\nn\n" + menu + "\ny\n\n");
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

const std::string fill_note = " fill in missing data gaps now and save infilled data";

}  // namespace

TEST(SeriesStages, GapsWithoutSaveOptionAreSavedAsRingWidthsAndNothingLater) {
    // A transformation makes the 0 of SERB missing too: two gaps. With save
    // option 0 the filled series go to "_gap.txt" in the ring-width format,
    // the raw and transformed series are not saved.
    TempDir d;
    d.write("site.txt", data_file(-999));
    const auto r = run_site(d, 0, 1);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(fill_note), std::string::npos);
    EXPECT_FALSE(d.exists("site_raw.txt"));
    EXPECT_FALSE(d.exists("site_trn.txt"));
    ASSERT_TRUE(d.exists("site_gap.txt"));

    const auto gap = split_lines(d.read("site_gap.txt"));
    ASSERT_GT(gap.size(), 12u);
    // A file without text lines: the title is the file name less ".txt", and
    // each header line says which line was missing, from column 59.
    const std::string title = padded("site -- no data title -- ", 58);
    EXPECT_EQ(gap[0], title + "1st itrdb line missing" + "     ");
    EXPECT_EQ(gap[1], title + "2nd itrdb line missing" + "     ");
    EXPECT_EQ(gap[2], title + "3rd itrdb line missing" + "     ");
    // Thousandths, ended by -9999; the stage tag on full lines.
    EXPECT_EQ(gap[3], "SERA     -15  1000  1100  1200  1300  1400");
    EXPECT_EQ(gap[4], "SERA     -10  1500  1600  1700  1800  1900  2000  2100  2200  2300  2400  gap");
    EXPECT_EQ(gap[7], "SERA      20  4500  4600  4700  4800  4900 -9999");
    EXPECT_EQ(gap[8], "SERB      -5  2000  2100  2200  2300  2400");
    // Years 3 and 10 of SERB are filled with widths above 0; the measured
    // years are written as they were read.
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

TEST(SeriesStages, SaveFormatServesEverySaveOnTheCommonYearAxis) {
    // Save option 6: raw, gap-filled and transformed series are all saved as
    // tab-delimited columns over the span -15 to 30.
    TempDir d;
    d.write("site.txt", data_file(-999));
    const auto r = run_site(d, 6, 1);
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_TRUE(d.exists("site_raw.txt"));
    ASSERT_TRUE(d.exists("site_gap.txt"));
    ASSERT_TRUE(d.exists("site_trn.txt"));
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

TEST(SeriesStages, NoGapsNoGapSaveAndTheFileTitleKept) {
    // The ring width of 0 counts as measured without a transformation, so no
    // series has a gap: no filling, no "_gap.txt". The raw save in the
    // ring-width format carries the file's own header lines, 85 columns each.
    TempDir d;
    const std::string head1 = "SIT    1 Site of the tests                                   PIPO";
    const std::string head2 = "SIT    2 Somewhere    Pinus            1200M  4000-10000    __     -15   30";
    const std::string head3 = "SIT    3 kovrin";
    d.write("site.txt", head1 + "\n" + head2 + "\n" + head3 + "\n" + data_file(280));
    const auto r = run_site(d, 1, 0);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find(fill_note), std::string::npos);
    EXPECT_FALSE(d.exists("site_gap.txt"));
    const auto raw = split_lines(d.read("site_raw.txt"));
    ASSERT_GT(raw.size(), 4u);
    EXPECT_EQ(raw[0], padded(head1, 85));
    EXPECT_EQ(raw[1], padded(head2, 85));
    EXPECT_EQ(raw[2], padded(head3, 85));
    EXPECT_EQ(raw[3], "SERA     -15  1000  1100  1200  1300  1400");
    EXPECT_EQ(raw[9], "SERB       0  2500  2600  2700  2800  2900  3000  3100  3200  3300  3400  raw");
    EXPECT_EQ(raw[10], "SERB      10     0  3600  3700  3800  3900  4000  4100  4200  4300  4400  raw");
}
