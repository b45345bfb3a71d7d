#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver_test_support.hpp"
#include "shared/layout.hpp"
#include "support/test_support.hpp"

using kovtest::split_lines;

namespace {

std::string commands(const std::string& datfil, const std::string& first, const std::string& second) {
    return kovtest::default_commands(
        datfil, {{4, first}, {5, second}, {18, "2                  !series saved in tucson index format"}});
}

bool has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

}  // namespace

// Two passes, the first by first differences: each pass lists its curves and
// saves its indices and curves; every series, and the chronology, starts a
// year later.
TEST(DetrendingStage, TwoPassesWithFirstDifferences) {
    kovtest::TempDir d;
    d.write("w.txt", kovtest::read_file(kovtest::test_data("rwl/wa129.rwl")));
    d.write("w_log.txt", commands("w.txt", "-1     0     0     !1st-first differences",
                                  "6      0     0     !2nd-horizontal line through mean"));
    d.write("list.txt", "w.txt\n");
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, " first detrending of individual tree-ring series"));
    EXPECT_TRUE(has(r.out, " second detrending of individual tree-ring series"));
    const std::string listing = d.read("w_out.txt");
    EXPECT_TRUE(has(listing, "|------------------------ results of first detrending -------------------------|"));
    EXPECT_TRUE(has(listing, "|------------------------ results of second detrending ------------------------|"));
    for (const char* f : {"w_ind1.txt", "w_ind2.txt", "w_crv1.txt", "w_crv2.txt"}) EXPECT_TRUE(d.exists(f)) << f;
    EXPECT_FALSE(d.exists("index.tmp"));
    // wa129 spans 991-1986: its indices now start in 992
    const auto ind = split_lines(d.read("w_ind1.txt"));
    ASSERT_GT(ind.size(), 4u);
    bool first_of_702 = false;
    for (const auto& l : ind)
        if (l.rfind("LI702O", 0) == 0) {
            first_of_702 = l.substr(6, 4) == " 992";
            break;
        }
    EXPECT_TRUE(first_of_702);
    // the second pass's curve is each series' mean of its first-difference
    // indices, which first differences centre on 1.0
    const auto row = listing.find("\n     1   LIDY701       6 ");
    ASSERT_NE(row, std::string::npos);
    const auto v = kov::read_values("(t2,i5,3x,a8,i7,1x,4f12.6,i8)", listing.substr(row + 1, 80));
    EXPECT_NEAR(v[6].r, 1.0, 1e-3);
}

// Hugershoff curves of ca598: three series (SLM04B, SLM07A, SLM07B) have a
// parameter a of more than 100,000, too wide for the curve table's f12.6. It
// is listed with fewer decimals in its twelve columns, a blank before it; the
// columns after it stay where the table has them.
TEST(DetrendingStage, CurveParametersTooWideForTheTableKeepTheirColumns) {
    kovtest::TempDir d;
    d.write("c.txt", kovtest::read_file(kovtest::test_data("rwl-hard/ca598.rwl")));
    d.write("c_log.txt", kovtest::default_commands("c.txt", {{4, "7      0     0     !1st-hugershoff growth curve"}}));
    d.write("list.txt", "c.txt\n");
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string listing = d.read("c_out.txt");
    for (const char* id : {"SLM04B", "SLM07A", "SLM07B"}) {
        SCOPED_TRACE(id);
        const auto at = listing.find("   " + std::string(id) + "        7 ");
        ASSERT_NE(at, std::string::npos);
        const auto from = listing.rfind('\n', at) + 1;
        const std::string row = listing.substr(from, listing.find('\n', at) - from);
        const std::string a = row.substr(25, 12);
        EXPECT_EQ(a.find('*'), std::string::npos) << row;
        EXPECT_EQ(a[0], ' ') << row;
        EXPECT_EQ(a.substr(7, 1), ".") << row;  // " nnnnnn.dddd"
        const auto v = kov::read_values("(t2,i5,3x,a8,i7,1x,4f12.6,i8)", row);
        EXPECT_GT(v[3].r, 1e5) << row;
        EXPECT_LT(v[4].r, 0.0) << row;  // b, in its own columns
        EXPECT_GT(v[7].i, 0) << row;    // the pith offset
    }
    EXPECT_EQ(listing.find("************ "), std::string::npos);
}
