#include "options/option_help.hpp"

#include <initializer_list>
#include <string_view>

#include "shared/console.hpp"

namespace kov {

namespace {

// One screen of a long page: the screen, then a wait for Return.
void screen(std::initializer_list<std::string_view> lines) {
    help_page(lines);
    con().put(" Hit Return to Continue");
    con().wait();
}

void data_formats() {
    help_page({
        "tree-ring data formats:",
        "four different formats of tree-ring data can be read and",
        "processed. choose the number of the format your data file",
        "is written in:",
        "  1  raw ring-width measurements, tucson decade format",
        "  2  tree-ring series, uea cru format",
        "  3  tree-ring indices, tucson decade format",
        "  4  tree-ring series, compact format",
        "the format is never guessed from the file: a wrong choice",
        "gives wrong or no series.",
    });
}

void missing_data() {
    help_page({
        "missing data in gaps:",
        "any negative number other than -9999 is taken as the flag",
        "of a missing ring. the gaps so marked are bridged by",
        "estimated values, so that a series is not cut into short",
        "segments: more of its low-frequency information survives",
        "the limits that segment length puts on every detrending.",
    });
}

void transformation() {
    help_page({
        "data transformation:",
        "no transformation followed by ratio indices is the",
        "traditional way of standardizing tree-ring series.",
        "option 1, the natural log, works only for values above 0;",
        "a zero ring is taken as 0.01 before its log is taken.",
        "option 2 adds the constant 1/6 before the log. this avoids",
        "the problem of zeros and reduces the strong negative skew",
        "that the plain log gives; the constant suits the range of",
        "tree-ring values.",
        "option 3, the inverse hypersine, handles zeros as well and",
        "is a milder transformation than the log.",
        "option 4, the adaptive power transformation, uses the",
        "relation between the level and the spread of each series",
        "to give every series its own power transformation, one",
        "that stabilizes its variance.",
    });
}

// Seven screens: the growth curves f(i) that detrend a series y(i) over time t.
void detrending() {
    screen({
        "detrending: a growth curve f(i) is fitted to each series",
        "y(i) over time t and the series is detrended with it.",
        "-6  age-dependent spline: a smoothing spline whose",
        "    stiffness grows linearly with the age of the tree.",
        "-5  variable span super smoother: a locally adaptive",
        "    smoother for disturbed series that do not evolve",
        "    homogeneously over time.",
        "-4  lowess robust smoothing: a chain of robustly fitted",
        "    linear segments, either of a fixed width (3 to n",
        "    years) or of a percentage of the series length",
        "    (-1 to -100). at -100 the fit is a robust linear trend.",
    });
    screen({
        "-3  running median smoothing: the width is chosen as for",
        "    lowess, but it must be odd. running medians also",
        "    sharpen the edges of abrupt, persistent changes in a",
        "    series. this option is experimental.",
    });
    screen({
        "-2  regional curve standardization: all raw series are",
        "    aligned by biological age and averaged; one curve, the",
        "    modified negative exponential of option 1, is fitted to",
        "    the mean; every series is re-aligned by calendar year",
        "    and detrended with that one curve. it keeps the most",
        "    low-frequency variance, but not always as well as is",
        "    claimed for it.",
        "-1  first differences f(i) = y(i) - y(i-1), which remove",
        "    all low-frequency variance.",
        " 0  no detrending.",
    });
    screen({
        " 1  modified negative exponential f(i) = a*exp(-b*t(i)) + d",
        "    with d > 0. when the fit fails, a linear trend of any",
        "    slope (option 4) is fitted instead.",
        " 2  the same curve; when the fit fails, a line of negative",
        "    or zero slope (option 5) is fitted instead.",
        " 3  the curve generalized to an asymptote of any sign and a",
        "    pith offset p: f(i) = a*exp(-b*t(i+p)) + d.",
    });
    screen({
        " 4  linear regression with any slope.",
        " 5  linear regression with negative or zero slope; a",
        "    positive slope gives way to the horizontal line",
        "    through the mean.",
        " 6  the horizontal line through the mean,",
        "    f(i) = mean(y(i)).",
    });
    screen({
        " 7  a growth curve that rises in the juvenile phase and",
        "    declines afterwards:",
        "    f(i) = a * t(i+p)**b * exp(-c*t(i+p)) + d,",
        "    with an asymptote d of any sign and a pith offset p",
        "    estimated for the missing inner rings.",
        " 8  the general negative exponential: the curve of option 7",
        "    with b = 1.0.",
    });
    screen({
        "above 9: a cubic smoothing spline with a fixed 50 percent",
        "    variance cutoff in years: 100 removes half of the",
        "    variance at a period of 100 years.",
        "below -9: the cutoff as a percentage of the series length;",
        "    two thirds of the length (-66) is a useful rule of",
        "    thumb.",
    });
}

void second_detrending() {
    help_page({
        "second detrending:",
        "the second detrending offers the choices of the first and",
        "is applied to the series left by the first.",
        "with regional curve standardization (-2) as the first",
        "detrending, this option is instead the curve fitted to the",
        "mean ring widths of the series aligned by age.",
    });
}

void general_detrending() {
    help_page({
        "general detrending methods:",
        "only non-robust, least-squares fitting of the growth curves",
        "is available. robust fitting is planned for a later",
        "version.",
    });
}

void interactive_work() {
    help_page({
        "interactive detrending:",
        "interactive detrending lets you look at and change the curve",
        "fitted to each series. it slows down batch processing, but",
        "gives you more control over every fit.",
    });
}

void index_calculation() {
    help_page({
        "index calculation:",
        "indices are computed either as ratios of each ring to its",
        "growth curve (the traditional way) or as differences from",
        "the growth trend. use differences when the series were",
        "transformed to stabilize their variance, or when they are",
        "homoscedastic already.",
    });
}

void ar_modelling() {
    help_page({
        "autoregressive modeling:",
        " 0  none: the whole residual and kovrin part of the run is",
        "    skipped.",
        " 1  non-robust: the default, the standard way to prewhiten.",
        " 2  robust: outliers are discounted in estimating the",
        "    coefficients.",
        " 3  robust with the iterative removal of innovational",
        "    outliers.",
        "the outliers are detected with two-tailed thresholds:",
        "2.00 sigma (about 1 in 20), 2.58 sigma (about 1 in 100) and",
        "3.50 sigma (about 1 in 1000). testing many values makes",
        "spurious outliers likely; 3.5 sigma is the most",
        "conservative choice.",
    });
}

void pooled_order() {
    help_page({
        "pooled ar model order:",
        "minimum aic selects the model that fits the pooled data of",
        "all series best. a fixed order imposes a model chosen in",
        "advance, up to order 10.",
    });
}

void series_order() {
    help_page({
        "series ar model order:",
        "the kovrin technique fits each series with the order of the",
        "pooled model (the default). -1 selects the order of each",
        "series by minimum aic. the third choice imposes an order",
        "that you give, up to 10, on every series.",
    });
}

void mean_chronology() {
    help_page({
        "mean chronology:",
        "none, the arithmetic mean, the robust biweight mean, or a",
        "quantile chronology, which takes the j-th quantile of the",
        "ranked values of each year: the median is j = -50, the",
        "lower hinge -25, the upper hinge -75, the minimum -1 and",
        "the maximum -100. quantile chronologies are little tried;",
        "use them with large samples.",
    });
}

void variance_stabilisation() {
    help_page({
        "variance stabilization:",
        "adjusts the variance of a chronology for a changing sample",
        "size or another dependence on time.",
        "the first method, rbar-weighted, uses the sample size of",
        "each year and the mean correlation between the series over",
        "all their overlaps (best with n > 20).",
        "the second removes a time trend in the absolute differences",
        "of the chronology with a smoothing spline. it is an ad hoc",
        "method that also works when the changing variance is not",
        "due to sample size alone.",
    });
}

void common_period() {
    help_page({
        "common period analysis:",
        "for the common period that you specify, the analysis gives",
        "the mean correlation between series (rbar), the signal-to-",
        "noise ratio (snr), the expressed population signal (eps)",
        "and the subsample signal strength (sss), for every",
        "chronology produced.",
    });
}

void site_tree_core_mask() {
    help_page({
        "site-tree-core mask:",
        "the mask separates the series into within- and between-tree",
        "groups for the common period analysis. it has up to 8",
        "characters: with a site id of 3 characters, a tree id of 2",
        "and a core id of 2 the mask is SSSTTCC with the 8th",
        "character blank; with 2, 2 and 1 it is ssttc.",
        "the mask numbers the trees 1 to m from the series ids; the",
        "batch detail file shows these numbers. the series of one",
        "tree need not stand together in the data file, but the",
        "convention of the ids must be consistent.",
    });
}

void running_rbar() {
    help_page({
        "running rbar:",
        "the running rbar is computed over all series and times with",
        "2 or more series. it does not separate within- and",
        "between-tree correlations, so it is biased upwards; the bias",
        "is small when the number of trees exceeds the mean number",
        "of cores per tree by 10 or more.",
        "give a window width and an overlap; the overlap must be",
        "smaller than the width.",
    });
}

void printout() {
    help_page({
        "printout options:",
        "the amount of output grows markedly from option 1 to",
        "option 4.",
    });
}

void save_series() {
    help_page({
        "saving core series:",
        "the series can be saved as (1) tucson raw measurements,",
        "(2) tucson indices, (3) uea cru modified indices, (4) the",
        "compact format, or as (5) space-, (6) tab- or (7) comma-",
        "delimited columns. tab-delimited columns suit spreadsheets.",
        "the files saved are the raw series, the transformed series,",
        "the indices, the fitted growth curves and the autoregressive",
        "residuals. saving also converts data between these formats.",
    });
}

void summary_plots() {
    help_page({
        "summary plots:",
        "1 overlays the series of each stage (spaghetti plots) and",
        "  the fitted growth curves.",
        "2 shows the final chronologies, the mean age and segment",
        "  length, and the running rbar and eps.",
        "3 both.",
        "0 is the choice for pure batch runs.",
    });
}

void stand_dynamics() {
    help_page({
        "stand dynamics:",
        "so far the analysis identifies endogenous outliers: extreme",
        "values found in the series but not in the mean chronology,",
        "beyond 3.5 standard deviations from the mean. this stringent",
        "level (about 1 in 1000) is chosen because the analysis is",
        "made a posteriori and tests many values.",
    });
}

}  // namespace

void opthelp(int option) {
    switch (option) {
        case 2: missing_data(); break;
        case 3: transformation(); break;
        case 4: detrending(); break;
        case 5: second_detrending(); break;
        case 6: general_detrending(); break;
        case 7: interactive_work(); break;
        case 8: index_calculation(); break;
        case 9: ar_modelling(); break;
        case 10: pooled_order(); break;
        case 11: series_order(); break;
        case 12: mean_chronology(); break;
        case 13: variance_stabilisation(); break;
        case 14: common_period(); break;
        case 15: site_tree_core_mask(); break;
        case 16: running_rbar(); break;
        case 17: printout(); break;
        case 18: save_series(); break;
        case 19: summary_plots(); break;
        case 20: stand_dynamics(); break;
        default: data_formats(); break;
    }
}

}  // namespace kov
