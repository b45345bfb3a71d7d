#include "detrend/curve_dispatch.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "detrend/age_spline.hpp"
#include "detrend/robust_smoothers.hpp"
#include "detrend/simplex_fit.hpp"
#include "detrend/super_smoother.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "shared/capacities.hpp"

namespace kov {

namespace {

void fill_mean(std::span<const float> x, int n, std::span<float> crv, int nout, float& mean) {
    xmean(x, n, mean);
    std::fill_n(crv.begin(), nout, mean);
}

// The least-squares line of the fall-backs. A single value has no slope: the
// line through it is flat, so the curve is that value.
void line_fit(std::span<const float> x, int n, std::span<float> crv, int nout, FitRecord& coef) {
    if (!linfit(nout, n, x, crv, coef[2], coef[4])) {
        coef[2] = 0.0f;
        fill_mean(x, n, crv, nout, coef[4]);
    }
}

// A fit that wrote no curve (a series too short for it, a system that cannot
// be solved, a window the smoother refuses) must not leave crv as an earlier
// series had it: the straight line stands in while it stays above zero over
// the curve, else the horizontal line through the mean. The option used says
// which.
void fall_back(std::span<const float> x, int n, std::span<float> crv, int nout, FitRecord& coef, int& iopt) {
    coef.fill(0.0f);
    if (n >= 2 && linfit(nout, n, x, crv, coef[2], coef[4]) &&
        std::all_of(crv.begin(), crv.begin() + nout, [](float v) { return v > 0.0f; })) {
        iopt = 4;
        return;
    }
    coef.fill(0.0f);
    fill_mean(x, n, crv, nout, coef[4]);
    iopt = 6;
}

// Options 7 and 8: the linearised first fit is in crv; the simplex refines it
// from the first vertex. false: the simplex found no finite curve.
bool refine(int mode, const SimplexVertex& start, std::span<const float> x, std::span<float> crv,
            std::span<float> w1, std::span<float> w2, int nout, int n, SimplexVertex& fitted) {
    for (int i = 1; i <= n; ++i) {
        w1[i - 1] = static_cast<float>(i);
        w2[i - 1] = crv[i - 1];
    }
    SimplexMatrix p{};
    p[0] = start;
    SimplexValues y{};
    SimplexVertex v{};
    int iter = 0;
    float ybest = 0.0f;
    if (!gamfit(p, y, v, mode + 2, iter, mode, simplex_nemax, nout, n, w1, x, crv, ybest)) return false;
    fitted = p[0];
    return true;
}

void first_differences(std::span<float> x, std::span<float> crv, std::span<float> w1,
                       std::span<float> w2, int& n) {
    const int big_n = n;
    for (int k = 1; k <= big_n - 1; ++k) {
        w1[k - 1] = x[k];
        w2[k - 1] = x[k] - x[k - 1];
    }
    x[0] = xmiss;
    for (int k = 1; k <= big_n - 1; ++k) x[k] = w2[k - 1];
    n = big_n - 1;  // at least 1: a single value never comes here
    float p = 0.0f;
    spline(n, w1, crv, p, n / 3);
    // A spline that could not be fitted (too short a series, a failed
    // factorisation) or that touches zero gives no ratio indices to take the
    // scale from: the differences are then left as they are.
    if (spline_failed(crv)) return;
    for (int k = 0; k < n; ++k)
        if (crv[k] == 0.0f) return;
    for (int k = 0; k < n; ++k) w1[k] = w1[k] / crv[k];
    float md, adev, sd, var, skew, curt, sens, ac1;
    moment(x.subspan(1, n), n, md, adev, sd, var, skew, curt, sens, ac1);
    float mr, sr;
    moment(w1.first(n), n, mr, adev, sr, var, skew, curt, sens, ac1);
    // An undefined spread (-99) means the values are all equal: their
    // standardised deviations are 0 and the rescaled differences are the
    // ratios' mean, never a value scaled by the sentinel.
    if (sr < 0.0f) sr = 0.0f;
    for (int k = 1; k <= n; ++k)
        x[k] = sd > 0.0f ? (x[k] - md) / sd * sr + mr : mr;
}

}  // namespace

int percent_period(int option, int n) {
    const int period = static_cast<int>(std::abs(static_cast<float>(option) / 100.0f * static_cast<float>(n)));
    return std::max(1, period);
}

float lowess_fraction(int width, int n) {
    float f = static_cast<float>(width) / static_cast<float>(n);
    while (f < 1.0f && static_cast<int>(static_cast<float>(n) * f) < width) f = std::nextafter(f, 2.0f);
    return f;
}

void crvfit(std::span<float> x, std::span<float> crv, std::span<float> w1, std::span<float> w2,
            int nout, int& n, FitRecord& coef, int& iopt, int ld, int /*nsmax*/, int& ipar,
            int /*iaux*/) {
    coef.fill(0.0f);
    // The smoothers, the splines and first differences fit n values: beyond
    // them, up to nout, the curve keeps its last value rather than what an
    // earlier fit left there.
    auto hold_last = [&] {
        if (n >= 1 && nout > n) std::fill(crv.begin() + n, crv.begin() + nout, crv[n - 1]);
    };
    switch (iopt) {
        case -6:
            if (!splext(ld, nout, n, x, crv, ipar)) fall_back(x, n, crv, nout, coef, iopt);
            return;
        case -5: {
            std::vector<float> wts(std::max(n, 1), 1.0f), sc(7 * static_cast<size_t>(std::max(n, 1)));
            for (int i = 1; i <= n; ++i) {
                w1[i - 1] = static_cast<float>(i);
                w2[i - 1] = x[i - 1];
            }
            const float span = n < 40 ? 0.3f : 0.0f;
            supsmu(n, w1, w2, wts, 1, span, static_cast<float>(ipar), crv, sc);
            hold_last();
            return;
        }
        case -4:
            std::copy_n(x.begin(), n, w1.begin());
            lowess(w1, crv, n, lowess_fraction(ipar, n));
            hold_last();
            return;
        case -3: {
            std::copy_n(x.begin(), n, w1.begin());
            int passes = 0, ier = 0;
            if (msmoor(w1, crv, w2, n, ipar, passes, ier, ld))
                hold_last();
            else
                fall_back(x, n, crv, nout, coef, iopt);
            return;
        }
        case -1:
            // a single value has no difference to take
            if (n < 2) {
                fall_back(x, n, crv, nout, coef, iopt);
            } else {
                first_differences(x, crv, w1, w2, n);
                hold_last();
            }
            return;
        case 1:
        case 2:
            if (curve(nout, n, x, crv, coef) && coef[4] >= 0.0f) return;
            coef.fill(0.0f);
            line_fit(x, n, crv, nout, coef);
            if (iopt == 1) {
                iopt = 4;
            } else {
                iopt = 5;
                if (coef[2] > 0.0f) {
                    coef.fill(0.0f);
                    fill_mean(x, n, crv, nout, coef[4]);
                }
            }
            return;
        case 3: {
            for (int i = 1; i <= n; ++i) w1[i - 1] = static_cast<float>(i);
            SimplexMatrix p{};
            SimplexValues y{};
            SimplexVertex v{};
            int iter = 0;
            float ybest = 0.0f;
            if (gamfit(p, y, v, 3, iter, 1, simplex_nemax, nout, n, w1, x, crv, ybest) && p[0][1] < 0.0f) {
                coef[0] = p[0][0];
                coef[1] = std::abs(p[0][1]);
                coef[4] = p[0][2];
                return;
            }
            coef.fill(0.0f);
            line_fit(x, n, crv, nout, coef);
            iopt = 4;
            return;
        }
        case 4:
        case 5:
            line_fit(x, n, crv, nout, coef);
            if (iopt == 5 && coef[2] > 0.0f) {
                coef.fill(0.0f);
                fill_mean(x, n, crv, nout, coef[4]);
                iopt = 6;
            }
            return;
        case 6:
            fill_mean(x, n, crv, nout, coef[4]);
            return;
        case 7:
        case 8: {
            for (int i = 1; i <= n; ++i) w1[i - 1] = static_cast<float>(i);
            SimplexVertex start{};
            bool first;
            if (iopt == 7) {
                first = hugfit(w1, x, nout, n, crv, coef, 0.0f);
                if (first) start = {coef[0], coef[1], coef[2], 0.0f, 0.0f};
            } else {
                first = gexp(x, nout, n, crv, w1, w2, coef, 0.0f);
                if (first) start = {coef[0], coef[1], 0.0f, 0.0f, 0.0f};
            }
            // Without a first fit the simplex starts from the origin and the
            // plot's first-fit curve is left empty.
            if (!first) std::fill_n(crv.begin(), std::max(n, nout), 0.0f);
            SimplexVertex q{};
            const int mode = iopt == 7 ? 3 : 2;
            if (refine(mode, start, x, crv, w1, w2, nout, n, q)) {
                coef.fill(0.0f);
                if (iopt == 7) {
                    coef = {q[0], q[1], std::abs(q[2]), 0.0f, q[4], q[3], 7.0f};
                } else {
                    coef = {q[0], 1.0f, std::abs(q[1]), 0.0f, q[3], q[2], 8.0f};
                }
                if (!first) std::copy_n(crv.begin(), n, w2.begin());
                return;
            }
            // No finite curve of this form: the straight line stands in, and
            // the changed option tells the caller so.
            coef.fill(0.0f);
            line_fit(x, n, crv, nout, coef);
            iopt = 4;
            return;
        }
        default:
            break;
    }
    if (iopt > 9 || iopt < -9) {
        const int period = iopt > 9 ? iopt : percent_period(iopt, n);
        std::fill_n(w1.begin(), n, 1.0f);
        float p = 0.0f;
        spline(n, x, crv, p, period);
        if (spline_failed(crv))
            fall_back(x, n, crv, nout, coef, iopt);
        else
            hold_last();
        return;
    }
    // Not a curve option (0, -2, -7, -8, -9, 9): a curve of zeros, which every
    // caller refuses, rather than whatever an earlier fit left in crv.
    std::fill_n(crv.begin(), std::max(n, nout), 0.0f);
}

}  // namespace kov
