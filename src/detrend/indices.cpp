#include "detrend/indices.hpp"

#include <vector>

#include "numerics/statistics.hpp"
#include "series/series_statistics.hpp"
#include "shared/capacities.hpp"

namespace kov {

void indcal(std::span<float> x, std::span<const float> f, int n, int itype, int /*ld*/) {
    std::vector<int> kept;
    kept.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (f[i] == 0.0f) {
            x[i] = xmiss;  // a ratio to a zero curve has no value
        } else {
            x[i] = x[i] / f[i];
            kept.push_back(i);
        }
    }
    if (itype != 2 || kept.empty()) return;
    const int m = static_cast<int>(kept.size());
    std::vector<float> v(m);
    float mr, sr, md, sd, adev, var, skew, curt, sens, ac1;
    for (int k = 0; k < m; ++k) v[k] = x[kept[k]];
    moment(v, m, mr, adev, sr, var, skew, curt, sens, ac1);
    for (int k = 0; k < m; ++k) {
        const int i = kept[k];
        x[i] = x[i] * f[i] - f[i];
        v[k] = x[i];
    }
    moment(v, m, md, adev, sd, var, skew, curt, sens, ac1);
    // Equal differences have no spread (-99): each is then its mean, and its
    // index is the ratios' mean; an undefined ratio spread scales by 0.
    if (sr < 0.0f) sr = 0.0f;
    for (int k = 0; k < m; ++k) {
        const int i = kept[k];
        x[i] = sd > 0.0f ? ((x[i] - md) / sd) * sr + mr : mr;
    }
}

void sngstat(SeriesMatrix& x, Table<float>& stat, const Table<int>& itab,
             const std::vector<std::string>& ids, int nc, int /*ld*/, int /*mxs*/, OutFile& iunit,
             int iprt) {
    if (iprt >= 2)
        iunit.write(
            "(/t2,'|-------------------- statistics of single tree-ring series -------------------|')");
    const int first = itab(nc + 1, ify);
    for (int j = 1; j <= nc; ++j) {
        const int n = itab(j, ily) - itab(j, ify) + 1;
        const int r1 = itab(j, ify) - first + 1, r2 = r1 + n - 1;
        // A series left out for want of a measured value holds missing values
        // only: its statistics are undefined, not those of the missing mark.
        const bool empty = x.all_missing(j, r1, r2);
        float* col = x.rows(j, r1, r2);
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        moment(std::span<float>(col, n), empty ? 0 : n, ave, adev, sdev, var, skew, curt, sens, ac1);
        put_statistics_row(stat, j, static_cast<float>(n), ave, sdev, skew, curt, sens, ac1);
        if (iprt >= 2) write_series_line(iunit, stat, j, j, ids[j], itab(j, ify), itab(j, ily));
    }
    if (nc == 1) return;
    iunit.write(
        "(/t2,'|---------------- summary of single tree-ring series statistics ---------------|'/)");
    // over the series whose statistic is defined (a constant series has no
    // standard deviation, skewness, kurtosis or autocorrelation)
    write_summary_rows(iunit, summarise_columns(stat, 7, nc, SummaryInTable::sorted_then_summary));
}

}  // namespace kov
