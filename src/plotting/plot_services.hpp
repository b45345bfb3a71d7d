#pragma once
// The plots the phases call. Each draws its plot, shows its options menu on the
// console and returns when the user leaves it; an "n" in that menu clears the
// plot switch the caller passed, so no further plots of that kind follow.
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "shared/tables.hpp"

namespace kov {

// Puts "plplot_lib=" and the directory (less trailing blanks) into the environment.
void setplb(std::string_view directory);

// The two-panel plot: six data columns, the sample depth, n values from `first_year`.
// Kinds 1 to 9 choose the panels (a series with its growth curve, before and after
// transformation, two chronologies with the sample depth, ...). In kind 1 the curve
// option may come back changed to 4 (a negative exponential that is a straight
// line): through `returned_option` when the caller passes one.
struct TwoPanelData {
    std::array<const float*, 6> col{};  // columns 1 to 6 (nullptr: unused)
    const int* depth = nullptr;         // sample depth (second axis), may be nullptr
};
void plt2pn(const TwoPanelData& data, int n, int first_year, int variant, std::string_view name,
            std::string_view top_title, std::string_view bottom_title, std::string_view xlabel,
            std::string_view ylabel, std::string_view xlabel2, std::string_view zlabel, int kind,
            char setting, int& plot_switch, const std::array<float, 7>& fitcoef, int curve_option,
            int* returned_option = nullptr);

// Every series of sermat over the span, with crvmean when crvmean(1) >= 0.
void pltall(std::string_view title, std::string_view xlabel, std::string_view ylabel, int kind);

// A gap-filled series with its growth trend and the filled years marked.
void pltfil(std::span<const float> y, std::span<const float> crv, int n, int first_year,
            std::string_view short_id, std::string_view title, std::string_view xlabel,
            std::string_view ylabel, std::string_view unused, int nmiss, std::span<const int> missing_years,
            int& fill_plot_flag);

// The eigenvalues of the common-period components against their broken-stick
// values, with one standard error about each eigenvalue.
void plteig(int neig, std::span<const float> bstick, std::span<const float> eig, int ld, int maxev, int istage,
            std::span<const float> sderr);

// One page of up to four components (kind 1) or varimax factors (kind 2):
// pgload holds the loadings, series by panel (ldp rows, 4 columns); a panel c
// is drawn when pgpct[c] is not 0 and pgcomp[c] <= nf.
void pltldg(std::span<const float> pgload, int nser, int ncpage, std::string_view datfil,
            std::string_view subttl, int& iplot, int ldp, int istage, const std::array<float, 4>& pgpct,
            int kind, const std::array<int, 4>& pgcomp, int nf);

// The same page for the scores over the years iperd[0]..iperd[1] (ldp rows,
// ncol columns).
void pltscr(std::span<const float> pgscore, const std::array<int, 2>& iperd, int ncpage,
            std::string_view datfil, std::string_view subttl, int& iplot, int ldp, int ncol,
            const std::array<float, 4>& pgpct, int istage, int kind, const std::array<int, 4>& pgcomp,
            int nf);

// The transformation statistics page, from the per-series table trnstat columns
// 1, 2, 4 and 5 (skewness and spread-versus-level correlation before and after).
void plttrs(int nc, std::string_view datfil, std::string_view unused);

// The pooled autoregression page: a table of 11 lags by 4 columns (the pooled
// autocorrelations, the partial autocorrelations, 1 and the model's
// coefficients, the impulse response weights), the model order, the data-file
// name, the sample size and the summary-plot switch.
void pltacf(const Table<float>& table, int rows, int order, std::string_view datfil, int nyrs,
            int& summary_switch);

// The power spectra of three chronologies against frequency: pp holds ldp rows
// by 4 columns, column by column (frequencies, then the three powers), nf rows
// used; ncol columns enter the limits; logok 1 draws the logarithm of the power.
void pltspc(int ldp, int idum, int ncol, int nf, const float* pp, int logok, std::string_view leg1,
            std::string_view leg2, std::string_view leg3);

// The biweight weights of a robust mean chronology per year: the median (q1),
// the lower hinge (q2) and the least weight (q3) of the series present, n
// years from iyr1; the title follows the data file name.
void pltwgt(std::span<const float> q1, std::span<const float> q2, std::span<const float> q3, int n, int iyr1,
            std::string_view fname, std::string_view title, std::string_view xlab, std::string_view ylab, char flag,
            int kind);

// The release plot of one series: running means before and after each year
// with their error bars, the growth change with the series rescaled onto it,
// and the release years given ("(i4)" texts). rm2, se2 are rm, se from
// position m + 1. The np growth changes shown are at most as many as each of
// rm, se, rm2, se2 and pg holds (the caller counts them); np below 1 shows
// nothing. iyr comes back as the first year of the growth-change axis.
void pltrel(std::span<const float> x, std::span<const float> rm, std::span<const float> se,
            std::span<const float> rm2, std::span<const float> se2, std::span<const float> pg, int& iyr, int n,
            int np, int m, int T, int k, std::string_view id, std::string_view ttl1, std::string_view ttl2,
            std::string_view xlab1, std::string_view ylab1, std::string_view xlab2, std::string_view ylab2,
            int& iplt, char pref, std::span<const std::string> release_years);

}  // namespace kov
