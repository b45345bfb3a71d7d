#include "chronology/rbar.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <span>

#include "numerics/pair_correlations.hpp"
#include "shared/console.hpp"
#include "shared/parallel.hpp"

namespace kov {

namespace {

constexpr float undefined = -99.0f;

}  // namespace

float expressed_signal(float r, float n) {
    if (!(n > 0)) return undefined;
    const float spread = (1 - r) / n;
    const float denom = spread + r;
    // The denominator vanishes where the correlations sum to the least they
    // can (rbar = -1 / (n - 1), as in a two-year window whose series rise and
    // fall in equal numbers). The correlations, and so r, are a few units in
    // their last place off the exact values, which leaves the difference of
    // the two terms as small as that instead of zero: EPS is undefined within
    // that rounding, not a number of a million.
    const float rounding = 8 * std::numeric_limits<float>::epsilon();
    return std::fabs(denom) > rounding ? r / denom : undefined;
}

void RbarSums::add(float r, int i, int j, int overlap) {
    if (r > rmax) {
        rmax = r;
        imax = i, jmax = j, nmax = overlap;
    }
    if (r < rmin) {
        rmin = r;
        imin = i, jmin = j, nmin = overlap;
    }
    const double d = r;
    s1 += d;
    s2 += d * d;
    s3 += d * d * d;
    s4 += d * d * d * d;
    ++n;
    years += overlap;
}

RbarStats rbar_stats(const RbarSums& s) {
    RbarStats st;
    if (s.n < 1) return st;
    const double n = s.n;
    const double m = s.s1 / n;
    st.mean = static_cast<float>(m);
    if (s.n < 2) return st;
    // Equal correlations can leave a rounding residue below zero.
    const double var = std::max(0.0, (s.s2 - n * m * m) / (n - 1));
    const double sd = std::sqrt(var);
    st.sdev = static_cast<float>(sd);
    st.serr = static_cast<float>(sd / std::sqrt(n));
    if (sd <= 0) return st;
    if (s.n > 2)
        st.skew = static_cast<float>((n * s.s3 - 3 * s.s1 * s.s2 + 2 * s.s1 * s.s1 * s.s1 / n) /
                                     (sd * sd * sd * (n - 2) * (n - 1)));
    if (s.n > 3)
        st.kurt = static_cast<float>(
            (n * s.s4 - 4 * s.s1 * s.s3 + 6 * s.s1 * s.s1 * s.s2 / n - 3 * std::pow(s.s1, 4) / (n * n)) *
            (n - 1) / (std::pow(sd, 4) * (n - 3) * (n - 2) * (n - 1)));
    return st;
}

void write_rbar_row(OutFile& out, const RbarSums& s, const RbarStats& st) {
    const float rmin = s.n > 0 ? s.rmin : undefined;
    const float rmax = s.n > 0 ? s.rmax : undefined;
    if (s.n < 1000)
        out.write("(i7,f9.3,f10.3,f11.3,f9.3,f11.3,2f10.3)", s.n, st.mean, st.sdev, st.serr, st.skew, st.kurt,
                  rmin, rmax);
    else
        out.write("(i8,f8.3,f10.3,f11.3,f9.3,f11.3,2f10.3)", s.n, st.mean, st.sdev, st.serr, st.skew, st.kurt,
                  rmin, rmax);
}

void rbarall(SeriesMatrix& x, const Table<int>& itab, const std::vector<std::string>& ids, int nc,
             OutFile& out, float& rmean) {
    RbarSums sums;
    const int first_year = itab(nc + 1, ify);
    std::vector<const float*> cols(nc);
    std::vector<int> first(nc), last(nc);
    for (int j = 1; j <= nc; ++j) {
        first[j - 1] = itab(j, ify) - first_year;
        last[j - 1] = itab(j, ily) - first_year;
        cols[j - 1] = x.rows(j, first[j - 1] + 1, last[j - 1] + 1);
    }
    // Every pair sharing more than 20 years, correlated over all of them.
    const OverlapCorrelations overlaps(cols, first, last, 20);
    for_each_pair(overlaps, [&](int a, int b, float r) {
        if (has_correlation(r)) sums.add(r, a + 1, b + 1, overlaps.common(a, b));
    });
    const RbarStats st = rbar_stats(sums);
    // Without any correlation there is no common signal to pass on to the
    // variance stabilisation: it gets 0, as before the first data file.
    rmean = sums.n > 0 ? st.mean : 0.0f;

    con().write("(/1x,'all possible series rbar: ',f7.4,2x,'+/-',f9.4,' 1sd')", Statistic{st.mean},
                Statistic{st.sdev});
    out.write("(/t2,'|-------------------- all possible series rbar statistics ','---------------------|'//t4,"
              "'total    mean   standard   standard  skewess   kurtosis   ','minimum   maximum'/t4,"
              "'corrs    rbar   deviation    ','error    coeff      coeff      corr      corr')");
    write_rbar_row(out, sums, st);

    const double pairs = (static_cast<double>(nc) * nc - nc) * 0.5;
    const std::int64_t span = static_cast<std::int64_t>(itab(nc + 1, ily)) - itab(nc + 1, ify) + 1;
    const double pair_years = (static_cast<double>(nc) * nc - nc) * static_cast<double>(span) / 2;
    const float pp = pairs > 0 ? static_cast<float>(sums.n / pairs * 100) : 0.0f;
    const float py = pair_years > 0 ? static_cast<float>(static_cast<double>(sums.years) / pair_years * 100) : 0.0f;
    con().write("(1x,'percent of all possible cross-correlations:',t49,f6.2)", pp);
    con().write("(1x,'percent of all possible tree-ring years used:',t49,f6.2)", py);

    if (sums.n > 0) {
        out.write("(/t4,'minimum correlation: ',f6.3,'   series  ',a8,'   and  ',a8,i7,' years')", sums.rmin,
                  ids[sums.imin], ids[sums.jmin], sums.nmin);
        out.write("(t4,'maximum correlation: ',f6.3,'   series  ',a8,'   and  ',a8,i7,' years')", sums.rmax,
                  ids[sums.imax], ids[sums.jmax], sums.nmax);
    }
    out.write("(/t8,'percent of all possible correlations used ','(n>20 years): ',t68,f6.2)", pp);
    out.write("(t8,'percent of all possible tree-ring years ','used in rbar: ',t68,f6.2)", py);
}

namespace {

struct Window {
    int ncorr = 0;
    float rmean = 0, sdev = 0, serr = 0;
};

// The correlations of the pairs that cover the whole window ys..ye, taken
// `block` pairs at a time.
Window window_rbar(SeriesMatrix& x, const Table<int>& itab, int nc, int ys, int ye, std::size_t block) {
    Window win;
    double s1 = 0, s2 = 0;
    float single = 0;
    const int w = ye - ys + 1;
    const int row0 = ys - itab(nc + 1, ify) + 1;
    std::vector<const float*> cols;
    for (int i = 1; i <= nc; ++i)
        if (itab(i, ify) <= ys && itab(i, ily) >= ye) cols.push_back(x.rows(i, row0, row0 + w - 1));
    for_each_pair(
        StretchCorrelations(cols, w),
        [&](int, int, float r) {
            if (!has_correlation(r)) return;
            ++win.ncorr;
            single = r;
            s1 += r;
            s2 += static_cast<double>(r) * r;
        },
        block);
    if (win.ncorr == 0) {
        win.rmean = -99.9f;
        win.serr = -99.9f;
    } else if (win.ncorr == 1) {
        win.rmean = single;
        win.sdev = 0;
        win.serr = 0;
    } else {
        win.rmean = static_cast<float>(s1 / win.ncorr);
        const double m = win.rmean;
        win.sdev = static_cast<float>(std::sqrt(std::max(0.0, (s2 - win.ncorr * m * m) / (win.ncorr - 1))));
        win.serr = win.sdev / std::sqrt(static_cast<float>(win.ncorr));
    }
    return win;
}

}  // namespace

void rbarseg(SeriesMatrix& x, const Table<int>& itab, int nc, int ys, int ye, int& ncorr, float& rmean,
             float& sdev, float& serr) {
    const Window win = window_rbar(x, itab, nc, ys, ye, pair_block_size);
    ncorr = win.ncorr;
    rmean = win.rmean;
    if (win.ncorr > 0) sdev = win.sdev;  // a window without pairs leaves it as it was
    serr = win.serr;
}

void rbarrun(SeriesMatrix& x, const Table<int>& itab, int ncrn, int nc, Table<float>& tab,
             std::vector<int>& counts, int& nwin, OutFile& out) {
    const auto& opt = shared().optval;
    const int w = opt(16, 1), o = opt(16, 2);
    const int step = w - o;
    nwin = 0;
    counts.clear();
    con().write("(1x,'window length: ',t22,i5,/1x,'window overlap: ',t22,i5)", w, o);
    const int first = itab(nc + 1, ify), last = itab(nc + 1, ily);
    // Windows that do not move forward (overlap not below the length) or have
    // no years cannot be laid out: no window is evaluated.
    const int windows = (step > 0 && w > 0) ? (ncrn - 1 + step) / step : 0;
    int decade = (first / 10) * 10;
    if (first < 0) decade -= 10;
    const int base = decade + 10;
    std::vector<int> starts;
    for (int k = 1; k <= windows; ++k) {
        const int s = k == 1 ? first : base + step * (k - 1);
        if (s + w - 1 <= last) starts.push_back(s);
    }
    // every series' rows in place before the threads read them
    for (int j = 1; j <= nc; ++j) x.rows(j, itab(j, ify) - first + 1, itab(j, ily) - first + 1);
    // The windows share the cores, and each window's pairs share them too;
    // every window is summed in the order of its pairs. The windows with the
    // most series start first, so that no core is left with a large one at
    // the end while the others wait.
    const int nw = static_cast<int>(starts.size());
    std::vector<int> covering(nw, 0), order(nw);
    for (int k = 0; k < nw; ++k)
        for (int i = 1; i <= nc; ++i)
            if (itab(i, ify) <= starts[k] && itab(i, ily) >= starts[k] + w - 1) ++covering[k];
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return covering[a] > covering[b]; });
    std::vector<Window> result(nw);
    parallel_for(nw, [&](int o) {
        const int k = order[o];
        // many windows at once: a smaller block of pairs each
        result[k] = window_rbar(x, itab, nc, starts[k], starts[k] + w - 1, pair_block_size / 8);
    });
    for (int k = 0; k < nw; ++k) {
        const int s = starts[k];
        const Window& win = result[k];
        if (win.rmean == -99.9f) continue;
        ++nwin;
        tab(nwin, 1) = static_cast<float>(s + w / 2);
        tab(nwin, 2) = static_cast<float>(win.ncorr);
        counts.push_back(win.ncorr);
        tab(nwin, 3) = win.rmean;
        tab(nwin, 4) = win.sdev;
        tab(nwin, 5) = win.serr;
        int present = 0;
        for (int j = 1; j <= nc; ++j)
            for (int t = 0; t < w; ++t)
                if (x.at(s - first + 1 + t, j) != xmiss) ++present;
        const float nss = static_cast<float>(present) / static_cast<float>(w);
        // A window of no values at all (series whose gaps could not be
        // filled) has no signal-to-noise ratio: EPS is undefined there.
        tab(nwin, 6) = expressed_signal(win.rmean, nss);
        tab(nwin, 7) = nss;
    }
    con().write("(1x,'segments calculated: ',t22,i5)", nwin);
    out.write("(/t2,'|--------------------------- running rbar ','statistics --------------------------|')");
    if (nwin > 50) {
        out.write("(/10x,i6,' running rbar segments calculated and ','stored in file')", nwin);
        return;
    }
    // Ten windows a block, each line one column of the table. The columns
    // are seven wide; a block whose widest value (a count of a million
    // correlations, an EPS far from 0 to 1) would touch the one before it is
    // written wider, so that every value keeps a blank before it.
    static constexpr int decimals[7] = {0, 0, 3, 3, 3, 3, 1};
    for (int r0 = 1; r0 <= nwin; r0 += 10) {
        const int r1 = std::min(nwin, r0 + 9);
        int width = 7;
        for (int c = 1; c <= 7; ++c)
            for (int r = r0; r <= r1; ++r) {
                const double v = c == 2 ? counts[static_cast<size_t>(r - 1)] : tab(r, c);
                width = std::max(width, fixed_width(v, decimals[c - 1]) + 1);
            }
        const std::string f = "10f" + std::to_string(width) + ".";
        const std::string lines[7] = {"(/t5,'year',1x," + f + "0)", "(t5,'corr',1x," + f + "0)",
                                      "(t5,'rbar'," + f + "3)",      "(t5,'sdev'," + f + "3)",
                                      "(t5,'serr'," + f + "3)",      "(t5,'eps '," + f + "3)",
                                      "(t5,'nss '," + f + "1)"};
        for (int c = 1; c <= 7; ++c) {
            std::vector<double> v;
            for (int r = r0; r <= r1; ++r) v.push_back(c == 2 ? counts[static_cast<size_t>(r - 1)] : tab(r, c));
            out.write(lines[c - 1], v);
        }
    }
}

}  // namespace kov
