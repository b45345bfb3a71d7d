#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/data_file_loop.hpp"
#include "driver/endogenous_outliers.hpp"
#include "driver_test_support.hpp"
#include "shared/tables.hpp"

using namespace kov;
using kovtest::DriverScene;

namespace {

// A data file of prewhitened series over the years first .. first + nyc - 1,
// the residual chronology `crn` in crvmean, the depth in crnmat column 1.
void set_up(int ifyc, int nyc, const std::vector<float>& crn, int mean_type, int ar = 1, int stand = 1,
            int plots = 0, int save = 0) {
    auto& s = shared();
    s.sermat.clear();
    s.nc = 0;
    s.ifyc = ifyc;
    s.nyc = nyc;
    s.datfil = "oak.txt";
    std::fill(s.crvmean.begin(), s.crvmean.end(), 1.0f);
    std::copy(crn.begin(), crn.end(), s.crvmean.begin());
    s.crnmat.fill(7.0f);  // what the per-series AR stage left in columns 13 to 16
    for (int i = 1; i <= nyc; ++i) s.crnmat(i, 1) = 0.0f;
    s.optval(12, 1) = mean_type;
    s.optval(18, 1) = save;
    s.npool = 0;
    s.poolcf.fill(0.0f);
    OptionBlock& o = optsnap();
    o = OptionBlock{};
    o(9, 1) = ar;
    o(12, 1) = mean_type;
    o(18, 1) = save;
    o(19, 1) = 0;
    o(20, 1) = stand;
    o(20, 5) = plots;
}

void add_series(const std::string& id, int first_year, const std::vector<float>& values) {
    auto& s = shared();
    const int j = ++s.nc;
    s.serids[j] = id;
    s.sertbl(j, ify) = first_year;
    s.sertbl(j, ily) = first_year + static_cast<int>(values.size()) - 1;
    s.sertbl(j, ics) = 1;
    s.sertbl(j + 1, ify) = s.ifyc;  // the span of the data file
    s.sertbl(j + 1, ily) = s.ifyc + s.nyc - 1;
    for (size_t k = 0; k < values.size(); ++k) {
        const int row = first_year - s.ifyc + 1 + static_cast<int>(k);
        s.sermat(row, j) = values[k];
        s.crnmat(row, 1) += 1.0f;
    }
}

std::vector<float> series(int j, int first_row, int n) {
    std::vector<float> v;
    for (int r = first_row; r < first_row + n; ++r) v.push_back(shared().sermat(r, j));
    return v;
}

// Nineteen years at the chronology and one year `bump` away from it.
std::vector<float> one_bump(int n, int at, float bump) {
    std::vector<float> v(n, 1.0f);
    v[at] = 1.0f + bump;
    return v;
}

}  // namespace

TEST(EndogenousOutliers, ThresholdOfThreePointFiveScaleUnits) {
    // Five years: the biweight gives the median 1 of the deviations and the
    // scale 1.5 x MAD = 1.5 x 0.25 = 0.375, so 3.5 units lie 1.3125 from 1.
    // The chronology is 1.25 and every value 0.25 above the deviation.
    struct Case {
        float last;      // deviation of the fifth year
        bool outlier;
    };
    const Case cases[] = {
        {2.3125f, false},   // exactly 3.5 units above
        {2.3127f, true},    // just above
        {-0.3125f, false},  // exactly 3.5 units below
        {-0.3127f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        set_up(1901, 5, std::vector<float>(5, 1.25f), 2);
        const std::vector<float> dev = {0.5f, 1.0f, 1.0f, 1.25f, c.last};
        std::vector<float> x;
        for (float d : dev) x.push_back(d + 0.25f);
        add_series("a01", 1901, x);
        endogenous_outliers([](auto&&...) { FAIL() << "no plot asked for"; });
        const std::vector<float> expected = {1.0f, 1.0f, 1.0f, 1.0f, c.outlier ? x[4] - 1.25f + 1.0f : 1.0f};
        EXPECT_EQ(series(1, 1, 5), expected);
    }
}

TEST(EndogenousOutliers, ArithmeticMeanAndSeriesWithoutSpread) {
    struct Case {
        const char* name;
        int mean_type;
        std::vector<float> values;
        std::vector<float> expected;
    };
    // 19 years at 1.0 and one at 2.0: mean 1.05, standard deviation
    // sqrt((19 x 0.05^2 + 0.95^2) / 19) = sqrt(0.05) = 0.2236, so the 2.0 lies
    // 0.95 / 0.2236 = 4.25 units above and stays; the others lie 0.22 below.
    const std::vector<float> bump = one_bump(20, 6, 1.0f);
    const std::vector<float> flat(20, 1.0f);
    // spread of +-0.02 about 1: median 1, MAD 0.01, so the 2.0 lies some 70
    // units out and nothing else beyond two
    std::vector<float> spread(20);
    for (int k = 0; k < 20; ++k) spread[k] = 1.0f + 0.01f * static_cast<float>(k % 5 - 2);
    std::vector<float> spread_bump = spread;
    spread_bump[6] = 2.0f;
    const Case cases[] = {
        {"arithmetic mean", 1, bump, bump},
        {"biweight", 2, spread_bump, bump},
        {"biweight, more than half alike: no scale", 2, bump, flat},
        {"every deviation alike", 1, std::vector<float>(20, 1.3f), flat},
        {"median type has no scale", -50, bump, flat},
        {"single year", 2, {1.7f}, {1.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        set_up(1701, 20, {}, c.mean_type);
        add_series("b01", 1701, c.values);
        endogenous_outliers([](auto&&...) {});
        EXPECT_EQ(series(1, 1, static_cast<int>(c.values.size())), c.expected);
        EXPECT_EQ(shared().sermat(21, 1), xmiss);  // past the series
    }
}

TEST(EndogenousOutliers, CountsPerYearStoredOnlyForArMethodOneWithStandDynamicsOne) {
    struct Case {
        int ar, stand;
        bool stored;
    };
    const Case cases[] = {{1, 1, true}, {0, 1, true}, {2, 1, false}, {1, 2, false}, {1, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ar " << c.ar << " stand " << c.stand);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        set_up(1801, 22, {}, 1, c.ar, c.stand);
        add_series("c01", 1803, one_bump(20, 4, 1.0f));   // above in 1807
        add_series("c02", 1803, one_bump(20, 4, -1.0f));  // below in 1807
        add_series("c03", 1801, one_bump(20, 4, -1.0f));  // below in 1805
        std::vector<float> calm(18);
        for (int k = 0; k < 18; ++k) calm[k] = k % 2 ? 0.9f : 1.1f;
        add_series("c04", 1805, calm);                     // no outlier
        shared().crnmat(5, 1) = 0.0f;  // a year with an outlier whose depth went missing
        endogenous_outliers([](auto&&...) {});
        const auto& crn = shared().crnmat;
        for (int i = 1; i <= 22; ++i) {
            SCOPED_TRACE(i);
            if (!c.stored) {
                for (int col = 13; col <= 16; ++col) EXPECT_EQ(crn(i, col), 7.0f);
                continue;
            }
            const float depth = crn(i, 1);
            const float nabs = (i == 7 || i == 5) ? -1.0f : 0.0f;
            const float pabs = i == 7 ? 1.0f : 0.0f;
            EXPECT_EQ(crn(i, 13), nabs);
            EXPECT_EQ(crn(i, 14), pabs);
            EXPECT_EQ(crn(i, 15), depth > 0 ? nabs / depth : 0.0f);
            EXPECT_EQ(crn(i, 16), depth > 0 ? pabs / depth : 0.0f);
        }
        if (c.stored) {
            EXPECT_FLOAT_EQ(crn(7, 15), -1.0f / 4.0f);
            EXPECT_EQ(crn(5, 13), -1.0f);
            EXPECT_EQ(crn(5, 15), 0.0f);  // no fraction of no series
        }
    }
}

namespace {
struct PlotCall {
    int kind, variant, n, first_year;
    std::string name, top;
    std::vector<float> col1, col2, col4, col5;
};
}  // namespace

TEST(EndogenousOutliers, PlotsImpulseResponseAndTheSwitches) {
    struct Case {
        const char* name;
        int plots;      // (20,5)
        int refuse_at;  // per-series plot answered "n"
        std::vector<int> kinds;
    };
    const Case cases[] = {
        {"every plot", 1, 0, {8, 8, 8, 7}},
        {"n at series 2", 1, 2, {8, 8, 7}},
        {"plot switch off", 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        std::vector<float> crn(20, 1.0f);
        crn[0] = 1.2f;
        set_up(1601, 20, crn, 1, 1, 1, c.plots);
        shared().npool = 1;
        shared().poolcf[0] = 0.5f;
        std::vector<float> s1 = one_bump(20, 6, 1.0f);
        s1[0] = 1.2f;  // at the chronology in year 1
        add_series("d01", 1601, s1);
        add_series("d02", 1601, one_bump(20, 10, -1.0f));
        add_series("d03", 1603, one_bump(18, 2, 1.0f));
        std::vector<PlotCall> calls;
        endogenous_outliers([&](const TwoPanelData& d, int n, int first_year, int variant, std::string_view name,
                                std::string_view top, std::string_view, std::string_view, std::string_view,
                                std::string_view, std::string_view, int kind, char, int& sw,
                                const std::array<float, 7>&, int) {
            PlotCall p{kind, variant, n, first_year, std::string(name), std::string(top), {}, {}, {}, {}};
            p.col1.assign(d.col[0], d.col[0] + n);
            p.col2.assign(d.col[1], d.col[1] + n);
            p.col4.assign(d.col[3], d.col[3] + n);
            p.col5.assign(d.col[4], d.col[4] + n);
            calls.push_back(p);
            if (static_cast<int>(calls.size()) == c.refuse_at) sw = 0;
        });
        std::vector<int> kinds;
        for (const PlotCall& p : calls) kinds.push_back(p.kind);
        EXPECT_EQ(kinds, c.kinds);
        if (c.plots == 0) {
            EXPECT_EQ(shared().crvmean[0], 1.2f);
            continue;
        }
        EXPECT_EQ(shared().crvmean[0], xmiss);  // the summary plot has no mean curve
        const PlotCall& first = calls[0];
        EXPECT_EQ(first.name, "d01");
        EXPECT_EQ(first.top, " residuals with mean");
        EXPECT_EQ(first.variant, 2);
        EXPECT_EQ(first.n, 20);
        EXPECT_EQ(first.first_year, 1601);
        EXPECT_EQ(first.col1, s1);        // the prewhitened values as they were
        EXPECT_EQ(first.col2, crn);       // the chronology from the series' first year
        EXPECT_EQ(first.col4, one_bump(20, 6, 1.0f));  // the outlier series
        // the outlier's echo through the pooled AR(1) model with coefficient 0.5
        EXPECT_FLOAT_EQ(first.col5[5], 1.0f);
        EXPECT_FLOAT_EQ(first.col5[6], 2.0f);
        EXPECT_FLOAT_EQ(first.col5[7], 1.5f);
        EXPECT_FLOAT_EQ(first.col5[8], 1.25f);
        const PlotCall& summary = calls.back();
        EXPECT_EQ(summary.top, " number of endogenous outliers (>3.5 sd)");
        EXPECT_EQ(summary.n, 20);
        EXPECT_EQ(summary.first_year, 1601);
        EXPECT_EQ(summary.col2[6], 1.0f);   // pabs in 1607
        EXPECT_EQ(summary.col1[10], -1.0f); // nabs in 1611
        if (c.refuse_at == 0) {
            EXPECT_EQ(calls[2].first_year, 1603);
            EXPECT_EQ(calls[2].col2, std::vector<float>(18, 1.0f));
        }
    }
}

TEST(EndogenousOutliers, SaveKeepsTheWholeDataFileName) {
    struct Case {
        int save;
        bool written;
        bool header;
    };
    for (const Case c : {Case{0, false, false}, Case{5, true, false}, Case{6, true, false}, Case{2, true, true}}) {
        SCOPED_TRACE(c.save);
        DriverScene scene;
        kovtest::ScriptedConsole console("");
        set_up(1701, 20, {}, 1, 1, 1, 0, c.save);
        add_series("e01", 1701, one_bump(20, 6, 1.0f));
        shared().hdrsave = {std::string(82, 'h') + "xyz", "second header", "third header"};
        endogenous_outliers([](auto&&...) {});
        EXPECT_EQ(scene.dir().exists("oak.txt_endo_outs.txt"), c.written);
        EXPECT_FALSE(scene.dir().exists("oak_endo_outs.txt"));
        if (c.written) {
            const auto lines = kovtest::split_lines(scene.dir().read("oak.txt_endo_outs.txt"));
            ASSERT_GE(lines.size(), 4u);
            if (c.header) {
                // the header lines go first, their columns 83 to 85 blanked
                EXPECT_EQ(lines[0], std::string(82, 'h') + "   ");
                EXPECT_EQ(lines[1].substr(0, 13), "second header");
            } else {
                ASSERT_EQ(lines.size(), 21u);  // column header and 20 years
                EXPECT_NE(lines[0].find("year"), std::string::npos);
                EXPECT_NE(lines[7].find("2.0000"), std::string::npos);  // the outlier's deviation in 1707
                EXPECT_NE(lines[8].find("1.0000"), std::string::npos);
            }
        }
    }
}
