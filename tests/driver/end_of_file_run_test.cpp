#include <gtest/gtest.h>

#include <string>

#include "support/test_support.hpp"

using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

// Batch commands: first detrending by the age-dependent spline, AR method 1,
// biweight mean chronology, no stand dynamics, no plots.
std::string commands(const std::string& datfil) {
    return "data file #  1  --  " + datfil +
           "\n"
           "1                  !tucson ring-width format\n"
           "-9           0     !missing values estimated (no plots)\n"
           "0            0     !no data transformation (no plots)\n"
           "-6     20    0     !1st-age-dependent spline, init spline\n"
           "0      0     0     !2nd-no detrending performed\n"
           "1                  !non-robust detrending methods used\n"
           "0                  !no interactive detrending\n"
           "1                  !tree-ring indices or ratios (rt/gt)\n"
           "1      0     0     !non-robust autoregressive modeling\n"
           "0            0     !minimum aic pooled ar model order fit (no plots)\n"
           "0                  !pooled ar order fit to all series\n"
           "2   0   0    0     !robust (biweight) mean chronology\n"
           "1                  !rbar weighted stabilization method\n"
           "0     0            !no common period analysis performed\n"
           "SSSTTCC            !site-tree-core separation mask\n"
           "50    25     0     !running rbar window/overlap (no plots)\n"
           "2                  !summary & series statistics printed\n"
           "0                  !no individual core series saved\n"
           "0                  !no spaghetti and mean chronology plots\n"
           "0            0     !no stand dynamics analyses done\n"
           "0                  !running mean window width\n"
           "0                  !percent growth change threshold\n"
           "0                  !standard error limit threshold\n";
}

}  // namespace

TEST(Run, TabTableAndSpectraAtTheEndOfADataFile) {
    TempDir d;
    d.write("my site.txt", kovtest::tiny_rwl);
    d.write("my site_log.txt", commands("my site.txt"));
    d.write("list.txt", "my site.txt\n");
    auto r = run_kovrin(d.path(), "\nlist.txt\nrun title\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto tab = split_lines(d.read("my site_tabs.txt"));
    ASSERT_GE(tab.size(), 2u);
    EXPECT_EQ(tab[0], "year\tnum\tseg\tage\traw\tstd\tres\tkov");
    const int nyc = static_cast<int>(tab.size()) - 1;
    // the blank of the data-file name is squeezed out of the spectra file's name
    ASSERT_TRUE(d.exists("mysite_spectra.txt"));
    const auto spectra = split_lines(d.read("mysite_spectra.txt"));
    EXPECT_EQ(spectra[0], " FREQUENCY   POWER_STD_CRN   POWER_RES_CRN   POWER_KOV_CRN");
    EXPECT_EQ(static_cast<int>(spectra.size()), nyc >= 9 ? nyc / 3 + 2 : 1);
}
