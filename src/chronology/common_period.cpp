#include "chronology/common_period.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <span>
#include <string>

#include "chronology/principal_components.hpp"
#include "chronology/rbar.hpp"
#include "numerics/correlation.hpp"
#include "numerics/pair_correlations.hpp"
#include "numerics/statistics.hpp"
#include "series/series_statistics.hpp"
#include "shared/layout.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

constexpr float undefined = -99.0f;

// r of series i and j over len years from `row`; false for a pair without a
// correlation (a series constant over the period).
bool period_r(SeriesMatrix& x, int i, int j, int row, int len, float& r) {
    float a = 0, b = 0;
    const float* xi = x.rows(i, row, row + len - 1);
    const float* xj = x.rows(j, row, row + len - 1);
    return corlin(std::span<const float>(xi, len), std::span<const float>(xj, len), len, r, a, b);
}

// Beyond this many series in a period of fewer years, the principal components
// come from the years: the decomposition of the correlation matrix costs the
// cube of the number of series.
constexpr int most_series_decomposed = 500;

int overlap_in(const Table<int>& itab, int k, int p1, int p2) {
    return std::min(p2, itab(k, ily)) - std::max(p1, itab(k, ify)) + 1;
}

// The final statistics' tables of twelve: the sample sizes in "(t8,12i6)"
// and their values in "(t2,' sss:',t9,12f6.3)" (' eps:' for the eps table,
// after `label`): an undefined value as a marker that fits the narrow field,
// a value that would fill it or is too wide for it with fewer decimals.
void twelve_blocks(OutFile& out, const std::vector<float>& v, int n, const char* label) {
    for (int k = 1; k <= n; k += 12) {
        const int last = std::min(k + 11, n);
        std::vector<int> num;
        std::vector<Statistic> shown;
        for (int i = k; i <= last; ++i) {
            num.push_back(i);
            shown.push_back({v[static_cast<size_t>(i - 1)]});
        }
        out.write("(t8,12i6)", num);
        out.write("(t2,' " + std::string(label) + ":',t9," + fitted_reals(std::span<const Statistic>(shown), 6, 3) + ")",
                  shown);
    }
}

// One of the final figures in its "f8.3" at column 56, with fewer decimals
// when it is too wide for it (the signal-to-noise ratio of thousands of
// closely agreeing series); snr and eps as statistics.
template <class Shown>
void write_figure(OutFile& out, const std::string& head, float v) {
    const Shown value{v};
    out.write("(" + head + ",t56," + fitted_reals(std::span<const Shown>(&value, 1), 8, 3) + ")", value);
}

// The end of the within-tree or the between-tree rbar. Without a pair: the
// none-found lines, rmean and sdev 0, and false. Otherwise the statistics
// under their heading; a mean of exactly 1 has no standard error, and within
// trees no standard deviation either.
bool finish_rbar(OutFile& out, const RbarSums& sums, const char* none_found, const char* heading,
                 bool within_trees, float& rmean, float& sdev) {
    if (sums.n == 0) {
        out.write(none_found);
        rmean = 0;
        sdev = 0;
        return false;
    }
    RbarStats st = rbar_stats(sums);
    if (st.mean == 1.0f) {
        st.serr = 0;
        if (within_trees) st.sdev = 0;
    }
    rmean = st.mean;
    sdev = st.sdev;
    out.write(heading);
    write_rbar_row(out, sums, st);
    return true;
}

}  // namespace

void rbarwt(SeriesMatrix& x, const Table<int>& itab, int nc, int p1, int p2, int& ntree, int& ncorr, float& ceff,
            float& rmean, float& sdev, OutFile& out) {
    ncorr = 0;
    ntree = 0;
    RbarSums sums;
    const int len = p2 - p1 + 1;
    const int row = p1 - itab(nc + 1, ify) + 1;
    std::map<int, std::vector<int>> trees;  // tree number -> its series in series order
    for (int i = 1; i <= nc; ++i)
        if (itab(i, cpa) >= 1 && itab(i, cpa) <= nc) trees[itab(i, cpa)].push_back(i);
    ntree = static_cast<int>(trees.size());
    double inverse_cores = 0;
    for (const auto& [t, list] : trees) {
        inverse_cores += 1.0 / static_cast<double>(list.size());
        for (size_t a = 0; a + 1 < list.size(); ++a)
            for (size_t b = a + 1; b < list.size(); ++b) {
                const int i = list[a], j = list[b];
                if (overlap_in(itab, i, p1, p2) < len || overlap_in(itab, j, p1, p2) < len) continue;
                float r = 0;
                if (!period_r(x, i, j, row, len, r)) continue;
                sums.add(r, i, j, len);
            }
    }
    ncorr = sums.n;
    if (!finish_rbar(out, sums,
                     "(/t2,'|------------------ within-tree common period rbar ','statistics -----------------|'//t30,"
                     "'no within-tree series found')",
                     "(/t2,'|------------------ within-tree common period rbar ','statistics -----------------|'//t4,"
                     "'total    mean   standard   standard  skewess   ','kurtosis   minimum   maximum'/t4,"
                     "'corrs    rbar   ','deviation    error    coeff      coeff      ','corr      corr')",
                     true, rmean, sdev)) {
        ceff = static_cast<float>(nc);
        return;
    }
    ceff = static_cast<float>(ntree / inverse_cores);
}

void rbarbt(SeriesMatrix& x, const Table<int>& itab, int nc, int p1, int p2, int& ncorr, float& rmean, float& sdev,
            OutFile& out) {
    RbarSums sums;
    const int len = p2 - p1 + 1;
    const int row = p1 - itab(nc + 1, ify) + 1;
    std::vector<int> list;  // the series with a tree that cover the period
    std::vector<const float*> cols;
    for (int i = 1; i <= nc; ++i) {
        if (itab(i, cpa) == 0 || len < 1 || overlap_in(itab, i, p1, p2) < len) continue;
        list.push_back(i);
        cols.push_back(x.rows(i, row, row + len - 1));
    }
    for_each_pair(StretchCorrelations(cols, len), [&](int a, int b, float r) {
        const int i = list[a], j = list[b];
        if (itab(j, cpa) != itab(i, cpa) && has_correlation(r)) sums.add(r, i, j, len);
    });
    ncorr = sums.n;
    finish_rbar(out, sums,
                "(/t2,'|----------------- between-tree common period rbar ','statistics -----------------|'//t29,"
                "'no between-tree series found')",
                "(/t2,'|----------------- between-tree common period rbar ','statistics -----------------|'//t4,"
                "'total    mean   standard   standard  skewess   kurtosis   ','minimum   maximum'/t4,"
                "'corrs    rbar   deviation    ','error    coeff      coeff      corr      corr')",
                false, rmean, sdev);
}

void compstat(SeriesMatrix& x, const Table<int>& itab, const std::vector<std::string>& ids,
              std::vector<std::string>& idu, int nc, Table<float>& stat, float& rbcp, float& sdbt, float& epscp,
              int istage) {
    auto& s = shared();
    OutFile& out = streams().luout;
    int iplot = s.optval(19, 1);
    if (nc < 2) {
        out.write("(/t10,'*** number of series < 2, no common ','period analysis performed ***')");
        return;
    }
    const int p1 = s.optval(14, 1), p2 = s.optval(14, 2);
    const int len = p2 - p1 + 1;
    const int first_year = itab(nc + 1, ify);
    const bool detail = s.optval(17, 1) > 1;
    if (detail)
        out.write("(/t2,'|----------------------- statistics of ','the common period ----------------------|')");

    // The series in the period and their standardised values.
    std::vector<int> member;         // series numbers of the series in the period
    idu.assign(nc + 1, std::string(8, ' '));
    std::vector<float> zstd;
    std::vector<float> work(std::max(len, 1));
    for (int i = 1; i <= nc; ++i) {
        const int lo = std::max(p1, itab(i, ify)), hi = std::min(p2, itab(i, ily));
        const int n = hi - lo + 1;
        if (len < 1 || n < len) continue;
        member.push_back(i);
        const int N = static_cast<int>(member.size());
        const std::string id = in_columns(ids[i], 8);
        idu[N] = id;
        const int row = lo - first_year + 1;
        // a copy: the statistics standardise their vector in place
        const float* v = x.rows(i, row, row + n - 1);
        std::copy(v, v + n, work.begin());
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        moment(work, n, ave, adev, sdev, var, skew, curt, sens, ac1);
        for (int t = 0; t < n; ++t) zstd.push_back(sdev > 0 ? (v[t] - ave) / sdev : 0.0f);
        put_statistics_row(stat, N, static_cast<float>(n), ave, sdev, skew, curt, sens, ac1);
        if (detail) write_series_line(out, stat, N, N, id, lo, hi);
    }
    int N = static_cast<int>(member.size());
    if (N == 0) {
        out.write("(/t18,'*** no series found in common ','analysis period ***')");
        return;
    }
    if (N == 1) {
        out.write("(/t15,'*** only one series found in common ','analysis period ***')");
        return;
    }

    out.write("(/t2,'|------------ summary of common period ','tree-ring series statistics ------------|'/)");
    // over the series whose statistic is defined (a series constant over the
    // period has no standard deviation, skewness, kurtosis or autocorrelation)
    write_summary_rows(out, summarise_columns(stat, 7, N, SummaryInTable::sorted));

    // Correlation matrix and the rbar over the period. Without the matrix
    // (an empty one) the components come from the years.
    const bool from_years = N > len && N > most_series_decomposed;
    std::vector<float> corr;
    if (!from_years) {
        corr.assign(static_cast<size_t>(N) * N, 0.0f);
        for (int a = 1; a <= N; ++a) corr[static_cast<size_t>(a - 1) * N + (a - 1)] = 1.0f;
    }
    RbarSums sums;
    const int row = p1 - first_year + 1;
    std::vector<const float*> cols;
    for (const int i : member) cols.push_back(x.rows(i, row, row + len - 1));
    for_each_pair(StretchCorrelations(cols, len), [&](int a, int b, float r) {
        // a pair without a correlation enters the matrix as 0 and no average
        const bool defined = has_correlation(r);
        if (!from_years) {
            corr[static_cast<size_t>(a) * N + b] = defined ? r : 0.0f;
            corr[static_cast<size_t>(b) * N + a] = defined ? r : 0.0f;
        }
        if (defined) sums.add(r, member[a], member[b], len);
    });

    pcavmx(zstd, len, std::span<float>(stat.col(8), mxs), std::span<float>(stat.col(9), mxs), s.datfil, idu, N,
           {p1, p2}, corr, N, iplot, istage, 8001, out);

    const RbarStats all = rbar_stats(sums);
    out.write("(/t2,'|------------------ all series common period rbar ','statistics ------------------|'//t4,"
              "'total    mean   standard   standard  skewess   kurtosis   ','minimum   maximum'/t4,"
              "'corrs    rbar   deviation    ','error    coeff      coeff      corr      corr')");
    write_rbar_row(out, sums, all);
    if (sums.n > 0) {
        out.write("(/t4,'minimum correlation: ',f6.3,'   series  ',a8,'   and  ',a8,i7,' years')", sums.rmin,
                  ids[sums.imin], ids[sums.jmin], len);
        out.write("(t4,'maximum correlation: ',f6.3,'   series  ',a8,'   and  ',a8,i7,' years')", sums.rmax,
                  ids[sums.imax], ids[sums.jmax], len);
    }

    int ntree = 0, nwt = 0, nbt = 0;
    float ceff = 0, rwt = 0, sdwt = 0, rbt = 0, sdbt_ = 0;
    rbarwt(x, itab, nc, p1, p2, ntree, nwt, ceff, rwt, sdwt, out);
    rbarbt(x, itab, nc, p1, p2, nbt, rbt, sdbt_, out);

    out.write("(/t2,'|--------------------- final rbar, eps, and sss statistics ','--------------------|')");
    // Counts of ten million pairs and more (4,473 series and up) take a
    // wider column, and the heading moves with it.
    const int wide = std::max<int>(7, std::to_string(std::max({sums.n, nwt, nbt})).size());
    const std::string i = "i" + std::to_string(wide);
    out.write("(/t" + std::to_string(40 + wide - 7) + ",'number     rbar     sdev')");
    out.write("(t15,'      all series rbar: '," + i + ",f10.3,f9.3)", sums.n, all.mean, all.sdev);
    out.write("(t15,'    within-trees rbar: '," + i + ",f10.3,f9.3)", nwt, rwt, sdwt);
    out.write("(t15,'   between-trees rbar: '," + i + ",f10.3,f9.3)", nbt, rbt, sdbt_);
    if (nwt > 0) {
        const float denom = (1 - rwt) / ceff + rwt;
        const float reff = denom != 0 ? rbt / denom : undefined;
        // "(/t20,'effective number of cores  -  ceff: ',t56,f8.3)"
        write_figure<float>(out, "/t20,'effective number of cores  -  ceff: '", ceff);
        // "(/t18,'effective chronology signal  -  reff: ',t56,f8.3)"
        write_figure<float>(out, "/t18,'effective chronology signal  -  reff: '", reff);
    }

    // Without any correlation there is no common signal: rbar counts as 0.
    const float rbar = sums.n > 0 ? all.mean : 0.0f;
    const float count = static_cast<float>(N);
    float snr = 0, eps = 0;
    if (N > 0) {
        snr = rbar != 1.0f ? count * rbar / (1 - rbar) : undefined;
        eps = expressed_signal(rbar, count);
    }
    rbcp = rbar;
    sdbt = sdbt_;
    epscp = eps;
    // "(t24,'signal-to-noise ratio  -   snr: ',t56,f8.3)"
    write_figure<Statistic>(out, "t24,'signal-to-noise ratio  -   snr: '", snr);
    // "(t18,'expressed population signal  -   eps: ',t56,f8.3)"
    write_figure<Statistic>(out, "t18,'expressed population signal  -   eps: '", eps);

    std::vector<float> sss(std::max(N, 1)), epsn(std::max(N, 1));
    for (int n = 1; n <= N; ++n) {
        const float denom = count * (1 + (n - 1) * rbar);
        sss[n - 1] = denom != 0 ? n * (1 + (count - 1) * rbar) / denom : undefined;
        epsn[n - 1] = sss[n - 1] == undefined || eps == undefined ? undefined : sss[n - 1] * eps;
    }
    out.write("(/t4,'fractional common variance between the reduced ','sample-size chronology and the'/t13,"
              "'fully replicated chronology (','subsample signal strength - sss)')");
    out.write("(/t20,'sss as function of the number of trees ','in sample')");
    twelve_blocks(out, sss, N, "sss");
    out.write("(/t6,'fractional common variance between the reduced ','sample-size chronology and'/t19,"
              "'the expressed population signal or eps chronology')");
    out.write("(/t20,'eps as function of the number of trees ','in sample')");
    twelve_blocks(out, epsn, N, "eps");
}

}  // namespace kov
