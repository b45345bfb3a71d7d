#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "armodel/growth_release.hpp"
#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "shared/layout.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::RecordingBackend;

// 99 values from 1900, windows of 5: 90 growth changes standing from 1904 on.
struct Releases {
    int m = 5, n = 99, np = 90;
    std::vector<float> x, rm, se, pg;
    int iyr = 1900, iplt = 1;
    std::string out;
    explicit Releases(int peaks) {
        for (int i = 0; i < n; ++i) x.push_back(1.0f + 0.3f * static_cast<float>(i % 3));
        rm.assign(n, 1.0f);
        se.assign(n, 0.1f);
        pg.assign(np, 0.0f);
        // a rise of two steps to a peak above 25 %: j = 3, 10, 17, ... (1-based)
        for (int q = 0; q < peaks; ++q) {
            const int j = 3 + 7 * q;
            pg[j - 3] = 0.1f;
            pg[j - 2] = 0.3f;
            pg[j - 1] = 0.6f;
        }
    }
    void run(RecordingBackend&, const std::string& answers) {
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        kovtest::ScriptedConsole sc(answers);
        const auto rm2 = std::span<const float>(rm).subspan(m), se2 = std::span<const float>(se).subspan(m);
        const std::vector<std::string> releases = kov::reldet(rm, se, rm2, se2, pg, np, iyr + m - 1, m, 25, 2, 2);
        kov::pltrel(x, rm, se, rm2, se2, pg, iyr, n, np, m, 25, 2, "AB01    ", " running mean growth series",
                    " % growth change (blue) and raw data (red)", "years", "running growth", "years",
                    "relative growth", iplt, 'n', releases);
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        out = sc.output();
    }
};

TEST(ReleasePlot, ReleaseLinesAndTheirListOnEveryPass) {
    Releases r(12);
    RecordingBackend rec;
    r.run(rec, "0\nn\n");
    EXPECT_EQ(r.iplt, 0);
    EXPECT_EQ(r.iyr, 1904);  // the first year of the growth-change axis
    ASSERT_EQ(rec.passes(), 2);
    for (int pass : {0, 1}) {
        std::vector<std::string> texts;
        for (const auto& c : rec.in_pass("mtex", pass)) texts.push_back(c.s[1]);
        ASSERT_EQ(texts.size(), 4u);
        EXPECT_EQ(texts[0], "rm:  5yr.  pg:  25%  se:  2 se  bf: n");  // m in 4-6, T in 16-18, k in 25-27
        EXPECT_EQ(texts[1], "AB01 % growth change (blue) and raw data (red)");
        // peaks at j = 3 + 7q stand at 1904 + j - 1
        EXPECT_EQ(texts[2], "Release dates: 1906 1913 1920 1927 1934 1941 1948 1955 1962 1969");
        EXPECT_EQ(texts[3], " 1976 1983");
        const auto m = rec.in_pass("mtex", pass);
        EXPECT_EQ(m[2].v, (std::vector<double>{4.2, 0.05, 0.0}));
        EXPECT_EQ(m[3].v, (std::vector<double>{2.7, 0.22, 0.0}));
        int release_lines = 0;
        for (const auto& l : rec.in_pass("line", pass))
            if (l.x.size() == 2 && l.x[0] == l.x[1] && l.colour == 15 && (static_cast<int>(l.x[0]) - 1906) % 7 == 0)
                ++release_lines;
        EXPECT_EQ(release_lines, 12);
    }
    EXPECT_EQ(rec.in_pass("lab", 0)[0].s[2], "AB01 running mean growth series");
}

TEST(ReleasePlot, GrowthChangesBeyondTheLimitsCannotBeShown) {
    Releases r(1);
    r.pg[40] = 25.0f;
    RecordingBackend rec;
    r.run(rec, "c\n");
    EXPECT_EQ(r.iplt, 1);
    EXPECT_EQ(rec.named("lab")[1].s[2], "Unable to display this plot");
    // no curves below and no list: the upper panel's two means and their bars only
    for (const auto& c : rec.named("mtex")) EXPECT_EQ(c.s[1].find("Release"), std::string::npos);
    const auto w = rec.named("wind");
    EXPECT_EQ(w[1].v[2], 0.0);
}

TEST(ReleasePlot, NoReleaseGivesTheHeadingAlone) {
    Releases r(0);
    RecordingBackend rec;
    r.run(rec, "c\n");
    EXPECT_EQ(rec.named("mtex").back().s[1], "Release dates:");
}

}  // namespace
