// The chronology builder over small series matrices whose yearly means,
// spreads and bar positions are worked out by hand beside each case.
#include "chronology/chronology_builder.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chronology/weight_recorder.hpp"
#include "shared/tables.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"
#include "../series/series_fixture.hpp"

namespace {

using kovtest::split_lines;

struct Series {
    int first;
    std::vector<float> values;
};

// The shared tables holding the given series over the span first..last, the
// listing open in a fresh folder that is also the working directory.
class BuilderScene : public kovtest::ListingFixture {
public:
    BuilderScene(int first, int last, const std::vector<Series>& series, int mean_type,
                 const std::string& console_input = "")
        : in_(dir().path()), console_(console_input) {
        auto& s = kov::shared();
        s.sermat.clear();
        s.nc = static_cast<int>(series.size());
        s.datfil = "site.txt";
        s.optval = kov::OptionBlock{};
        s.optval(12, 1) = mean_type;
        s.optval(17, 1) = 3;
        s.crvmean.assign(kov::mxy, kov::xmiss);
        for (int j = 1; j <= s.nc; ++j) {
            const Series& x = series[j - 1];
            s.serids[j] = "ser" + std::to_string(j) + "    ";
            s.sertbl(j, kov::ify) = x.first;
            s.sertbl(j, kov::ily) = x.first + static_cast<int>(x.values.size()) - 1;
            s.sertbl(j, kov::ics) = 1;
            s.sertbl(j, kov::icu) = 1;
            for (size_t k = 0; k < x.values.size(); ++k)
                s.sermat(x.first - first + 1 + static_cast<int>(k), j) = x.values[k];
        }
        s.sertbl(s.nc + 1, kov::ify) = first;
        s.sertbl(s.nc + 1, kov::ily) = last;
        n_ = last - first + 1;
    }
    void build(char ctype, float rawmax) {
        auto v = [] { return std::vector<float>(kov::mxy, 0.0f); };
        work_ = {v(), v(), v(), v(), v(), v(), v(), v(), v(), v(), v(), v()};
        depth.assign(kov::mxy, -1);
        kov::bldcrn(depth, work_[0], work_[1], work_[2], work_[3], work_[4], work_[5], work_[6], work_[7], rawmax, 0.0f,
                    ctype, work_[8], work_[9], work_[10]);
    }
    float seglen(int i) const { return work_[0][i - 1]; }
    float age(int i) const { return work_[1][i - 1]; }
    float crn(int i) const { return work_[2][i - 1]; }
    float spread(int i) const { return work_[5][i - 1]; }
    float se(int i) const { return work_[8][i - 1]; }
    float lo(int i) const { return work_[9][i - 1]; }
    float hi(int i) const { return work_[10][i - 1]; }
    // The listing line of a year in the year-by-year table.
    std::string year_line(int year) {
        const std::string key = kov::fmt("(t2,i5)", year).substr(0, 6);
        for (const auto& l : listing_lines())
            if (l.rfind(key, 0) == 0 && l.size() > 60) return l;
        return "";
    }
    std::vector<int> depth;

private:
    kovtest::InDir in_;
    kovtest::ScriptedConsole console_;

public:
    std::string console_output() const { return console_.output(); }

private:
    std::vector<std::vector<float>> work_;
    int n_ = 0;
};

// 32 bar characters written after the figures of a year.
std::string bar(const std::string& marks) { return marks + std::string(32 - marks.size(), ' '); }

TEST(ChronologyBuilder, ArithmeticRawChronologyYearByYear) {
    // 1901-1906; series 1 1901-1904, series 2 1901-1903, series 3 1903-1905; 1906 empty.
    BuilderScene sc(1901, 1906, {{1901, {0.1f, 0.2f, 0.3f, 0.4f}}, {1901, {0.3f, 0.4f, 0.5f}}, {1903, {0.6f, 0.8f, 1.0f}}},
                    1);
    sc.build('n', 0.6f);
    // depth, mean, sample sd, sd / sqrt(depth), mean segment length, mean age
    struct Year {
        int depth;
        float mean, sd, se, seg, age;
    };
    const Year expect[] = {
        {2, 0.2f, 0.141421f, 0.1f, 3.5f, 1.0f},           // 0.1, 0.3
        {2, 0.3f, 0.141421f, 0.1f, 3.5f, 2.0f},           // 0.2, 0.4
        {3, 0.466667f, 0.152753f, 0.0881917f, 10.0f / 3, 7.0f / 3},  // 0.3, 0.5, 0.6: ages 3, 3, 1
        {2, 0.6f, 0.282843f, 0.2f, 3.5f, 3.0f},           // 0.4, 0.8
        {1, 1.0f, 0.0f, 0.0f, 3.0f, 3.0f},                // a single value: no spread
        {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},                // no series: 0 in a raw chronology
    };
    for (int i = 1; i <= 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sc.depth[i - 1], expect[i - 1].depth);
        EXPECT_NEAR(sc.crn(i), expect[i - 1].mean, 1e-6);
        EXPECT_NEAR(sc.spread(i), expect[i - 1].sd, 1e-6);
        EXPECT_NEAR(sc.se(i), expect[i - 1].se, 1e-6);
        if (expect[i - 1].depth > 0) {
            EXPECT_NEAR(sc.seglen(i), expect[i - 1].seg, 1e-5);
            EXPECT_NEAR(sc.age(i), expect[i - 1].age, 1e-5);
        }
    }
    EXPECT_EQ(sc.depth[6], -1) << "nothing beyond the span is written";

    // rawmax 0.6: step 3/31 per position; 0.2 stands at nint(0.2 * 31 / 3 + 1.5) = 4,
    // 1.0 at nint(11.83) = 12, 0 at position 2 (the digit alone, no axis mark).
    EXPECT_EQ(sc.year_line(1901), "  1901      2   0.200    0.141     0.100   1.000    0  " + bar(" :-1"));
    EXPECT_EQ(sc.year_line(1905), "  1905      1   1.000    0.000     0.000   0.000    0  " + bar(" :---------5"));
    EXPECT_EQ(sc.year_line(1906), "  1906      0   0.000    0.000     0.000   0.000    0  " + bar(" 6"));

    const auto lines = sc.listing_lines();
    auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
    EXPECT_TRUE(has("         gaussian mean raw data chronology"));
    EXPECT_TRUE(has("                                                            measurement units"));
    EXPECT_TRUE(has("  year   cores   mean   std dev   std err    eff  iter  0----:----1----:----2--->"));
    EXPECT_TRUE(has(" |---------------- gaussian mean raw data chronology statistics ----------------|"));
    // mean of the five years with data 2.566667 / 5; sd sqrt(0.390222 / 4)
    bool summary = false;
    for (const auto& l : lines) summary |= l.rfind("   1901    1906       6    0.513   0.312", 0) == 0;
    EXPECT_TRUE(summary);
    // every year's efficiency is at most 1 with the arithmetic mean: 0 improved, 5 unimproved
    bool counts = false;
    for (const auto& l : lines) counts |= l.size() > 38 && l.substr(l.size() - 38) == "                      0              5";
    EXPECT_TRUE(counts);
    // segment lengths 4, 3, 3: median 3, hinges 3 and 3.5, range 0.5 (printed to the even 0 and 4)
    EXPECT_TRUE(has("       3.             0.              3.           3.          4.            4."));
    EXPECT_TRUE(has(" |----------- raw data chronology auto and partial autocorrelations ------------|"));
    EXPECT_TRUE(has(" |------------------ raw data chronology autoregressive model ------------------|"));
}

TEST(ChronologyBuilder, IndexBarsRunFromOneAndEmptyYearsAreOne) {
    // One series of indices 1901-1903 in a span to 1904. Step 3/31: 0.5 stands at
    // nint(6.67) = 7, 1.0 at 12, 2.5 at nint(27.33) = 27; marks at 2, 12 and 22.
    BuilderScene sc(1901, 1904, {{1901, {0.5f, 1.0f, 2.5f}}}, 1);
    sc.build('s', 0.6f);
    EXPECT_EQ(sc.year_line(1901).substr(55), bar(" :    1----:         :"));
    EXPECT_EQ(sc.year_line(1902).substr(55), bar(" :         2         :"));
    EXPECT_EQ(sc.year_line(1903).substr(55), bar(" :         :--------------3"));
    EXPECT_EQ(sc.year_line(1904).substr(55), bar(" :         4         :"));
    EXPECT_EQ(sc.crn(4), 1.0f);
    EXPECT_EQ(sc.depth[3], 0);
    const std::string text = sc.listing();
    EXPECT_NE(text.find("\n" + std::string(56, ' ') + "       indices\n"), std::string::npos);
    EXPECT_EQ(text.find("segment length"), std::string::npos) << "only the raw chronology has segment lengths";
    EXPECT_NE(text.find("standard chronology autoregressive model"), std::string::npos);
    // one series: no spread to relate to the level
    EXPECT_NE(text.find("\n        0.000        0.000      0.000"), std::string::npos);
}

TEST(ChronologyBuilder, AgeAlignedChronologyEndsAfterItsEfficiencyTables) {
    BuilderScene sc(1, 4, {{1, {0.5f, 0.7f, 0.9f, 1.1f}}, {2, {0.4f, 0.6f, 0.8f}}}, 1);
    auto& s = kov::shared();
    s.sertbl(s.nc + 1, kov::ify) = 1901;  // the calendar span is not the one used
    s.sertbl(s.nc + 1, kov::ily) = 1990;
    s.sertbl(s.nc + 2, kov::ify) = 1;
    s.sertbl(s.nc + 2, kov::ily) = 4;
    sc.build('b', 0.6f);
    EXPECT_EQ(sc.depth[0], 1);
    EXPECT_EQ(sc.depth[1], 2);
    EXPECT_NEAR(sc.crn(4), 0.95f, 1e-6);
    const std::string text = sc.listing();
    EXPECT_NE(text.find("gaussian mean age-aligned chronology"), std::string::npos);
    EXPECT_NE(text.find("|-------------- gaussian mean age-aligned chronology statistics ---------------|"),
              std::string::npos);
    EXPECT_NE(text.find("      1       4       4 "), std::string::npos);
    for (const char* absent : {"segment length", "autocorrelations", "autoregressive model"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
}

TEST(ChronologyBuilder, QuantileAndRobustHeadings) {
    struct Case {
        int mean_type;
        char ctype;
        const char* name;
        const char* stats;
    };
    const Case cases[] = {
        {-50, 'n', "           50th quantile raw data chronology",
         " |---------------  50th quantile raw data chronology statistics ----------------|"},
        {2, 'r', "          robust mean residual chronology",
         " |----------------- robust mean residual chronology statistics -----------------|"},
        {2, 'b', "          robust mean age-aligned chronology",
         " |--------------- robust mean age-aligned chronology statistics ----------------|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuilderScene sc(1901, 1903, {{1901, {1.0f, 2.0f, 3.0f}}, {1901, {3.0f, 2.0f, 1.0f}}}, c.mean_type);
        auto& s = kov::shared();
        s.sertbl(s.nc + 2, kov::ify) = 1;
        s.sertbl(s.nc + 2, kov::ily) = 3;
        sc.build(c.ctype, 0.6f);
        const auto lines = sc.listing_lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.name), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.stats), lines.end());
    }
}

// Figures that would fill their fields of the year line, or are too wide for
// them, take fewer decimals in the same columns, so that a blank stands before
// each and nothing is written as asterisks. Columns: year 2-6, cores 7-13,
// mean 14-21, std dev 22-30, std err 31-40, eff 41-48, iter 49-53.
//
// Biweight: seven values c - L, c - e, c - e, c, c + e, c + e, c + L with
// e = 1/128 and L = 1.5 (1901, c = 2) or 3 (1902, c = 4), exact in binary.
// Median c, MAD e, so u = +-1/7.5 for the four close values and the two far
// ones get no weight; by symmetry the location stays c. With om = 1 - u^2:
//   scale = 7/sqrt(6) * sqrt(4 e^2 om^4) / (1 + 4 om (1 - 5 u^2)) = 0.0094065,
//   eff   = variance / scale^2 = ((2 L^2 + 4 e^2) / 6) / scale^2
//         = 8476.690 (1901: fills f8.3) and 33905.382 (1902: too wide).
// Arithmetic: 20000 and 40000 have mean 30000 (too wide for f8.3), standard
// deviation sqrt(2e8) = 14142.136 (fills f9.3) and standard error 10000.000,
// which fits f10.3 with its blank and stays as it was.
TEST(ChronologyBuilder, YearFiguresThatWouldFillTheirFieldsTakeFewerDecimals) {
    const float e = 1.0f / 128.0f;
    std::vector<Series> close;
    for (const float step : {-1.0f, -1.0f, 0.0f, 1.0f, 1.0f})
        close.push_back({1901, {2.0f + step * e, 4.0f + step * e}});
    close.push_back({1901, {0.5f, 1.0f}});
    close.push_back({1901, {3.5f, 7.0f}});
    const std::vector<Series> apart = {{1901, {20000.0f, 0.5f}}, {1901, {40000.0f, 1.5f}}};
    const struct {
        const char* what;
        int mean_type;
        std::vector<Series> series;
        int year;
        const char* figures;  // columns 1 to 53
    } cases[] = {
        {"eff fills its field", 2, close, 1901, "  1901      7   2.000    0.009     0.004 8476.69    3"},
        {"eff too wide", 2, close, 1902, "  1902      7   4.000    0.009     0.004 33905.4    3"},
        {"mean and std dev", 1, apart, 1901, "  1901      2 30000.0 14142.14 10000.000   1.000    0"},
        {"figures that fit", 1, apart, 1902, "  1902      2   1.000    0.707     0.500   1.000    0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BuilderScene sc(1901, 1902, c.series, c.mean_type);
        sc.build('n', 3.0f);
        EXPECT_EQ(sc.year_line(c.year).substr(0, 53), c.figures);
        EXPECT_EQ(sc.listing().find('*'), std::string::npos);
    }
}

// The chronology's own mean and standard deviation follow the measurements:
// the arithmetic chronology 30000, 1 has mean 15000.5 and standard deviation
// 29999 / sqrt(2) = 21212.496, both too wide for their f8.3.
TEST(ChronologyBuilder, ChronologyMeanAndDeviationTooWideKeepTheirColumns) {
    BuilderScene sc(1901, 1902, {{1901, {20000.0f, 0.5f}}, {1901, {40000.0f, 1.5f}}}, 1);
    sc.build('n', 3.0f);
    bool found = false;
    for (const auto& l : sc.listing_lines()) found |= l.rfind("   1901    1902       2  15000.5 21212.5", 0) == 0;
    EXPECT_TRUE(found) << sc.listing();
}

// Seven series in 1901 (the last one an outlier), six in 1902, three in 1903,
// none in 1904.
const std::vector<Series> seven = {
    {1901, {0.90f, 1.00f, 0.5f}}, {1901, {1.00f, 0.98f, 0.6f}}, {1901, {1.10f, 1.01f, 0.123456f}},
    {1901, {1.05f, 0.99f}},       {1901, {0.95f, 1.02f}},       {1901, {1.02f, 1.00f}},
    {1901, {3.00f}},
};

// Fields of the comma-delimited line of a year in a saved file.
std::vector<std::string> csv_year(const std::string& text, int year) {
    for (const auto& l : split_lines(text)) {
        if (l.rfind(kov::fmt("(i6)", year).substr(0, 6) + ",", 0) != 0) continue;
        std::vector<std::string> f;
        size_t a = 0;
        for (size_t b; (b = l.find(',', a)) != std::string::npos; a = b + 1) f.push_back(l.substr(a, b - a));
        f.push_back(l.substr(a));
        for (auto& x : f) x.erase(0, x.find_first_not_of(' '));
        return f;
    }
    return {};
}

TEST(ChronologyBuilder, BiweightWeightsFileQuartilesAndRoundedSeries) {
    BuilderScene sc(1901, 1904, seven, 2);
    auto& s = kov::shared();
    s.optval(18, 1) = 7;
    s.crvmean[3] = 0.5f;
    sc.build('n', 0.6f);
    const std::string file = sc.dir().read("site_raw_wgts.txt");
    // tests/chronology/reference/biweight_weights_ref.py
    const std::vector<std::string> w1901 = {"1901", "0.9236", "0.9999", "0.9338", "0.9845", "0.9792", "0.9981", "0.0000"};
    EXPECT_EQ(csv_year(file, 1901), w1901);
    EXPECT_EQ(csv_year(file, 1902).at(7), "-9.9900") << "a series without a value that year";
    const std::vector<std::string> w1903 = {"1903", "1.0000", "1.0000", "1.0000", "-9.9900", "-9.9900", "-9.9900", "-9.9900"};
    EXPECT_EQ(csv_year(file, 1903), w1903) << "fewer than six values: no weights of their own";
    // median of the seven weights of 1901, all -9.99 in a year without series
    EXPECT_FLOAT_EQ(s.crvmean[0], 0.9792f);
    EXPECT_FLOAT_EQ(s.crvmean[2], 1.0f);
    EXPECT_FLOAT_EQ(s.crvmean[3], kov::xmiss);
    // the series come back, rounded to four decimals
    EXPECT_FLOAT_EQ(s.sermat(1, 1), 0.9f);
    EXPECT_FLOAT_EQ(s.sermat(1, 2), 1.0f);
    EXPECT_FLOAT_EQ(s.sermat(3, 3), 0.1235f);
    EXPECT_FLOAT_EQ(s.sermat(2, 7), kov::xmiss);
    // the robust mean of 1901
    EXPECT_NEAR(sc.crn(1), 1.0037f, 1e-4);
}

// With summary plots 2 or 3 the weights are drawn after the weight file: the
// median, lower hinge and smallest weight per year, the median of 1901 being
// the reference value above; plots 1 draws nothing.
TEST(ChronologyBuilder, WeightsPlotUnderTheSummaryPlotSwitch) {
    for (int plots : {1, 2, 3}) {
        SCOPED_TRACE(plots);
        kovtest::RecordingBackend rec;
        BuilderScene sc(1901, 1904, seven, 2, "c\n");
        kov::shared().optval(19, 1) = plots;
        sc.build('n', 0.6f);
        const auto lines = rec.named("line");
        if (plots == 1) {
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(sc.console_output().find("plot options menu"), std::string::npos);
            continue;
        }
        EXPECT_NE(sc.console_output().find("plot options menu"), std::string::npos);
        bool median_drawn = false;
        for (const auto& l : lines)
            if (!l.y.empty() && std::abs(l.y.front() - 0.9792) < 1e-4) median_drawn = true;
        EXPECT_TRUE(median_drawn);
    }
}

TEST(ChronologyBuilder, NoWeightsWithoutSixSeriesOrWithoutAUseForThem) {
    struct Case {
        const char* what;
        size_t series;
        int save;
    };
    const Case cases[] = {{"at most five series in any year", 5, 7}, {"no save and no plots", 7, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BuilderScene sc(1901, 1904, std::vector<Series>(seven.begin(), seven.begin() + c.series), 2);
        auto& s = kov::shared();
        s.optval(18, 1) = c.save;
        s.crvmean[0] = 0.25f;
        sc.build('n', 0.6f);
        EXPECT_FALSE(sc.dir().exists("site_raw_wgts.txt"));
        EXPECT_FLOAT_EQ(s.crvmean[0], 0.25f);
        EXPECT_FLOAT_EQ(s.sermat(3, 3), 0.123456f) << "series not parked";
    }
}

TEST(ChronologyBuilder, BootstrapLimitsRepeatAndFollowTheDepth) {
    BuilderScene sc(1901, 1904, seven, 1);
    kov::shared().optval(12, 3) = 1;
    sc.build('n', 0.6f);
    const float lo = sc.lo(1), hi = sc.hi(1);
    EXPECT_LT(lo, sc.crn(1));
    EXPECT_GT(hi, sc.crn(1));
    // fewer than six values: both limits are the mean; no series: both 0
    EXPECT_EQ(sc.lo(3), sc.crn(3));
    EXPECT_EQ(sc.hi(3), sc.crn(3));
    EXPECT_EQ(sc.lo(4), 0.0f);
    EXPECT_EQ(sc.hi(4), 0.0f);
    sc.build('n', 0.6f);
    EXPECT_EQ(sc.lo(1), lo) << "the generator starts afresh with every chronology";
    EXPECT_EQ(sc.hi(1), hi);
}

// Seven values of -0.1 to -0.7 (differences, say): the mean -0.4 is written
// as 0, and every resample mean lies between -0.7 and -0.1, so the limits
// taken around -0.4 are widened to hold that 0: the upper one becomes 0.
TEST(ChronologyBuilder, LimitsOfAMeanRaisedToZeroHoldTheZero) {
    std::vector<Series> negative;
    for (int k = 1; k <= 7; ++k) negative.push_back({1901, {-0.1f * static_cast<float>(k)}});
    BuilderScene sc(1901, 1901, negative, 1);
    kov::shared().optval(12, 3) = 1;
    sc.build('n', 0.6f);
    EXPECT_EQ(sc.crn(1), 0.0f);
    EXPECT_GE(sc.lo(1), -0.7f);
    EXPECT_LT(sc.lo(1), -0.1f);
    EXPECT_EQ(sc.hi(1), 0.0f);
}

TEST(WeightRecorder, FourDecimalsAsTheScratchLayoutCarriesThem) {
    struct Case {
        float in, out;
    };
    const Case cases[] = {{0.123456f, 0.1235f}, {0.03125f, 0.0312f}, {-9.99f, -9.99f}, {1.0f, 1.0f},
                          {999.99994f, 1000.0f}, {1234.56789f, 1234.56789f}, {-150.123f, -150.123f}};
    for (const Case& c : cases) EXPECT_FLOAT_EQ(kov::round_to_4_decimals(c.in), c.out) << c.in;
}

}  // namespace
