#include "detrend/age_spline.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>
#include <vector>

#include "numerics/splines.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

void yrseq(int ld, int n, int first, std::span<int> seq) {
    int count = std::min({std::max(n, 1), ld, static_cast<int>(seq.size())});
    if (count < 1) return;
    seq[0] = first;
    for (int i = 1; i < count; ++i) seq[i] = seq[i - 1] + 1;
}

bool splvar(int n, std::span<const float> y, std::span<float> crv, std::span<const int> per) {
    if (n < 4) {
        crv[0] = spline_too_short;
        return false;
    }
    if (n > mxy) {
        con().line("");
        con().line(" *** series too long for spline subroutine ***");
        con().line(" *** enlarge mxy parameter in subroutine ***");
        con().line("");
        throw Stop("", exit_failure);
    }
    const int m = n - 2;
    assert(static_cast<int>(y.size()) >= n && static_cast<int>(crv.size()) >= n &&
           static_cast<int>(per.size()) >= m);
    // Band rows 1..m (index 0 unused): lo2 = element (i, i-2), lo1 = (i, i-1),
    // dg = (i, i); after factorisation dg holds the reciprocal root.
    std::vector<double> lo2(m + 1), lo1(m + 1), dg(m + 1), b(m + 1), z(m + 1), u(m + 1);
    auto not_positive_definite = [&] {
        crv[0] = spline_not_pd;
        con().line(">> sbr spline: matrix not positive definite");
        return false;
    };
    for (int i = 1; i <= m; ++i) {
        // A period of 0 has no smoothing parameter (the formula divides by
        // it): the system cannot be set up. Every other period can, 1 year
        // with p = 0 and a negative one as its absolute value.
        if (per[i - 1] == 0) return not_positive_definite();
        double w = 2.0 * std::numbers::pi / per[i - 1];
        double cw = std::cos(w);
        double p = 6.0 * (cw - 1.0) * (cw - 1.0) / (cw + 2.0);
        lo2[i] = i >= 3 ? 1.0 : 0.0;
        lo1[i] = i >= 2 ? -4.0 + p / 3.0 : 0.0;
        dg[i] = 6.0 + 4.0 * p / 3.0;
        b[i] = static_cast<double>(y[i - 1]) - 2.0 * y[i] + y[i + 1];
    }

    for (int i = 1; i <= m; ++i) {
        if (i >= 3) lo2[i] = lo2[i] * dg[i - 2];
        if (i >= 2) {
            double s = i >= 3 ? lo2[i] * lo1[i - 1] : 0.0;
            lo1[i] = (lo1[i] - s) * dg[i - 1];
        }
        double d = dg[i];
        double s = (i >= 3 ? lo2[i] * lo2[i] : 0.0) + (i >= 2 ? lo1[i] * lo1[i] : 0.0);
        double x = d - s;
        if (d + x / (16.0 * m) <= d) return not_positive_definite();
        dg[i] = 1.0 / std::sqrt(x);
    }

    int first = 1;
    while (first <= m && b[first] == 0.0) z[first++] = 0.0;
    for (int i = first; i <= m; ++i) {
        double s = b[i];
        if (i >= 2) s -= lo1[i] * z[i - 1];
        if (i >= 3) s -= lo2[i] * z[i - 2];
        z[i] = s * dg[i];
    }
    u[m] = z[m] * dg[m];
    for (int i = m - 1; i >= 1; --i) {
        double s = z[i] - lo1[i + 1] * u[i + 1];
        if (i + 2 <= m) s -= lo2[i + 2] * u[i + 2];
        u[i] = s * dg[i];
    }

    auto r = [&](int i) -> double {  // Q u at value i
        if (i == 1) return u[1];
        if (i == 2) return u[2] - 2.0 * u[1];
        if (i == n - 1) return u[m - 1] - 2.0 * u[m];
        if (i == n) return u[m];
        return u[i - 2] - 2.0 * u[i - 1] + u[i];
    };
    for (int i = 1; i <= n; ++i) crv[i - 1] = static_cast<float>(y[i - 1] - r(i));
    return true;
}

bool splext(int /*ld*/, int nout, int n, std::span<const float> y, std::span<float> crv, int s0) {
    std::vector<int> per(std::max({n, nout, 1}));
    yrseq(mxy, n, s0, per);
    if (!splvar(n, y, crv, per)) return false;
    if (n < nout) {
        std::vector<float> padded(nout);
        std::copy(crv.begin(), crv.begin() + n, padded.begin());
        std::fill(padded.begin() + n, padded.end(), crv[n - 1]);
        yrseq(mxy, nout, s0, per);
        if (!splvar(nout, padded, crv, per)) return false;
    }
    return true;
}

}  // namespace kov
