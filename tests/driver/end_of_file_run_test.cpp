#include <gtest/gtest.h>

#include <string>

#include "support/test_support.hpp"

using kovtest::run_kovrin;
using kovtest::split_lines;
using kovtest::TempDir;

namespace {

std::string commands(const std::string& datfil) { return kovtest::default_commands(datfil); }

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
