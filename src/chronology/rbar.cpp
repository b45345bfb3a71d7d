#include "chronology/rbar.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "numerics/correlation.hpp"
#include "shared/console.hpp"

namespace kov {

namespace {

constexpr float undefined = -99.0f;

// Pearson r of two equal stretches of two series; false when either is
// constant there (such a pair has no correlation and is left out).
bool pair_r(SeriesMatrix& x, int i, int j, int row, int n, float& r) {
    float a = 0, b = 0;
    return corlin(std::span<const float>(x.col(i) + row - 1, n),
                  std::span<const float>(x.col(j) + row - 1, n), n, r, a, b);
}

}  // namespace

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
    for (int i = 1; i < nc; ++i) {
        for (int j = i + 1; j <= nc; ++j) {
            const int first = std::max(itab(i, ify), itab(j, ify));
            const int last = std::min(itab(i, ily), itab(j, ily));
            const int n = last - first + 1;
            if (n <= 20) continue;
            float r = 0;
            if (!pair_r(x, i, j, first - first_year + 1, n, r)) continue;
            sums.add(r, i, j, n);
        }
    }
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

void rbarseg(SeriesMatrix& x, const Table<int>& itab, int nc, int ys, int ye, int& ncorr, float& rmean,
             float& sdev, float& serr) {
    ncorr = 0;
    double s1 = 0, s2 = 0;
    float single = 0;
    const int w = ye - ys + 1;
    const int row0 = ys - itab(nc + 1, ify) + 1;
    for (int i = 1; i < nc; ++i) {
        if (itab(i, ify) > ys || itab(i, ily) < ye) continue;
        for (int j = i + 1; j <= nc; ++j) {
            if (itab(j, ify) > ys || itab(j, ily) < ye) continue;
            float r = 0;
            if (!pair_r(x, i, j, row0, w, r)) continue;
            ++ncorr;
            single = r;
            s1 += r;
            s2 += static_cast<double>(r) * r;
        }
    }
    if (ncorr == 0) {
        rmean = -99.9f;
        serr = -99.9f;
    } else if (ncorr == 1) {
        rmean = single;
        sdev = 0;
        serr = 0;
    } else {
        rmean = static_cast<float>(s1 / ncorr);
        const double m = rmean;
        sdev = static_cast<float>(std::sqrt(std::max(0.0, (s2 - ncorr * m * m) / (ncorr - 1))));
        serr = sdev / std::sqrt(static_cast<float>(ncorr));
    }
}

void rbarrun(SeriesMatrix& x, const Table<int>& itab, int ncrn, int nc, Table<float>& tab, int& nwin,
             OutFile& out) {
    const auto& opt = shared().optval;
    const int w = opt(16, 1), o = opt(16, 2);
    const int step = w - o;
    nwin = 0;
    con().write("(1x,'window length: ',t22,i5,/1x,'window overlap: ',t22,i5)", w, o);
    const int first = itab(nc + 1, ify), last = itab(nc + 1, ily);
    // Windows that do not move forward (overlap not below the length) or have
    // no years cannot be laid out: no window is evaluated.
    const int windows = (step > 0 && w > 0) ? (ncrn - 1 + step) / step : 0;
    int decade = (first / 10) * 10;
    if (first < 0) decade -= 10;
    const int base = decade + 10;
    for (int k = 1; k <= windows; ++k) {
        const int s = k == 1 ? first : base + step * (k - 1);
        const int e = s + w - 1;
        if (e > last) continue;
        int ncorr = 0;
        float rmean = 0, sdev = 0, serr = 0;
        rbarseg(x, itab, nc, s, e, ncorr, rmean, sdev, serr);
        if (rmean == -99.9f) continue;
        ++nwin;
        tab(nwin, 1) = static_cast<float>(s + w / 2);
        tab(nwin, 2) = static_cast<float>(ncorr);
        tab(nwin, 3) = rmean;
        tab(nwin, 4) = sdev;
        tab(nwin, 5) = serr;
        int present = 0;
        for (int j = 1; j <= nc; ++j) {
            const float* c = x.col(j) + (s - first);
            for (int t = 0; t < w; ++t)
                if (c[t] != xmiss) ++present;
        }
        const float nss = static_cast<float>(present) / static_cast<float>(w);
        // A window of no values at all (series whose gaps could not be
        // filled) has no signal-to-noise ratio: EPS is undefined there.
        const float denom = nss > 0 ? (1 - rmean) / nss + rmean : 0.0f;
        tab(nwin, 6) = denom != 0 ? rmean / denom : undefined;
        tab(nwin, 7) = nss;
    }
    con().write("(1x,'segments calculated: ',t22,i5)", nwin);
    out.write("(/t2,'|--------------------------- running rbar ','statistics --------------------------|')");
    if (nwin > 50) {
        out.write("(/10x,i6,' running rbar segments calculated and ','stored in file')", nwin);
        return;
    }
    static constexpr const char* lines[7] = {"(/t5,'year',1x,10f7.0)", "(t5,'corr',1x,10f7.0)",
                                             "(t5,'rbar',10f7.3)",     "(t5,'sdev',10f7.3)",
                                             "(t5,'serr',10f7.3)",     "(t5,'eps ',10f7.3)",
                                             "(t5,'nss ',10f7.1)"};
    for (int r0 = 1; r0 <= nwin; r0 += 10) {
        const int r1 = std::min(nwin, r0 + 9);
        for (int c = 1; c <= 7; ++c) {
            std::vector<float> v(tab.col(c) + r0 - 1, tab.col(c) + r1);
            out.write(lines[c - 1], v);
        }
    }
}

}  // namespace kov
