#include "detrend/indices.hpp"

#include <algorithm>
#include <vector>

#include "numerics/statistics.hpp"
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
        float* col = x.rows(j, itab(j, ify) - first + 1, itab(j, ify) - first + n);
        // A series left out for want of a measured value holds missing values
        // only: its statistics are undefined, not those of the missing mark.
        const bool empty = std::all_of(col, col + n, [](float v) { return v == xmiss; });
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        moment(std::span<float>(col, n), empty ? 0 : n, ave, adev, sdev, var, skew, curt, sens, ac1);
        const float row[7] = {static_cast<float>(n), ave, sdev, skew, curt, sens, ac1};
        for (int k = 1; k <= 7; ++k) stat(j, k) = row[k - 1];
        if (iprt < 2) continue;
        if (j == 1 || j % 20 == 0)
            iunit.write(
                "(/t2,'series   ident   frst   last   year    mean   stdev   skew   kurt   sens   ac(1)')");
        iunit.write("(t2,i5,2x,a8,i6,2i7,2f8.3,3f7.3,f8.3)", j, ids[j], itab(j, ify), itab(j, ily), n,
                    ave, sdev, skew, curt, sens, ac1);
    }
    if (nc == 1) return;
    iunit.write(
        "(/t2,'|---------------- summary of single tree-ring series statistics ---------------|'/)");
    // over the series whose statistic is defined (a constant series has no
    // standard deviation, skewness, kurtosis or autocorrelation)
    std::array<ColumnSummary, 7> sum;
    for (int k = 1; k <= 7; ++k) {
        sum[static_cast<size_t>(k - 1)] = defined_summary(std::span<float>(stat.col(k), nc), nc, true);
        for (int r = 1; r <= 8; ++r) stat(r, k) = sum[static_cast<size_t>(k - 1)].row[static_cast<size_t>(r - 1)];
    }
    auto field = [&sum](int k, int r) { return summary_field(sum[static_cast<size_t>(k - 1)], r); };
    iunit.write("(t33,'year    mean   stdev   skew   kurt   sens   ac(1)')");
    static const char* const labels[8] = {
        "(t2,'arithmetic mean',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'standard deviation',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'median (50th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'interquartile range',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'minimum value',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'lower hinge (25th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'upper hinge (75th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'maximum value',t33,i4,2f8.3,3f7.3,f8.3)"};
    for (int r = 1; r <= 8; ++r) {
        const float count = stat(r, 1);
        const int years = r == 1 ? static_cast<int>(count + 0.5f) : static_cast<int>(count);
        iunit.write(labels[r - 1], years, field(2, r), field(3, r), field(4, r), field(5, r), field(6, r),
                    field(7, r));
    }
}

}  // namespace kov
