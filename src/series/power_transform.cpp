#include "series/power_transform.hpp"

#include <cmath>
#include <vector>

#include "numerics/correlation.hpp"
#include "numerics/statistics.hpp"
#include "series/transformations.hpp"
#include "shared/capacities.hpp"

namespace kov {

namespace {
constexpr int passes = 10;
constexpr int later_value_level = 2;

struct Moments {
    float ave, sdev, skew;
};

Moments counted_moments(std::vector<float>& v, std::span<const int> cnt) {
    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(v, cnt, static_cast<int>(v.size()), ave, adev, sdev, var, skew, curt, sens, ac1);
    return {ave, sdev, skew};
}
}  // namespace

void powtrn(std::span<float> x, std::span<const int> cnt) {
    const int n = static_cast<int>(x.size());
    if (n < 2) return;
    std::vector<float> w1(x.begin(), x.end()), w4 = w1;
    const Moments m0 = counted_moments(w1, cnt);
    // Without a spread there is nothing to rescale to.
    if (m0.sdev == undef_stat || !(m0.sdev > 0.0f)) return;

    float best = std::fabs(m0.skew);
    bool improved = false;
    float g = m0.skew;
    float q = 1.0f;
    std::vector<float> lvl(n), spr(n), pass(n);
    const std::vector<int> every_pair(n, 1);
    for (int k = 1; k <= passes; ++k) {
        const int m = sprlvm(w1, cnt, lvl, spr, later_value_level);
        // The slope needs two pairs at different levels; without it no power
        // can be chosen, and the passes end with the best found so far.
        if (m < 2) break;
        bool level_varies = false, spread_varies = false;
        for (int i = 1; i < m; ++i) {
            level_varies = level_varies || lvl[i] != lvl[0];
            spread_varies = spread_varies || spr[i] != spr[0];
        }
        if (!level_varies) break;
        float b = 0.0f;
        if (spread_varies) {
            float r, a;
            if (!corlnm(lvl, spr, every_pair, m, r, a, b)) break;
        }
        if (g > 0.0f && b > 0.0f)
            q = 1.0f - b;
        else if (g < 0.0f && b < 0.0f)
            q = 1.0f - b;
        else if (g != 0.0f && b != 0.0f)
            q = 1.0f + b;
        // A power of 0 or below would map 0 to infinity and turn the order of
        // the years around: no transformation, so the search ends here.
        if (!(q > 0.0f)) break;

        pass = w1;
        bool finite = true;
        for (int i = 0; i < n; ++i) {
            if (cnt[i] <= 0) continue;
            pass[i] = std::pow(std::max(pass[i], 0.0f), q);
            finite = finite && std::isfinite(pass[i]);
        }
        if (!finite) break;
        w1 = pass;
        const Moments mk = counted_moments(w1, cnt);
        g = mk.skew;
        // A pass without spread has no skewness (-99): never the best.
        if (mk.sdev == undef_stat) continue;
        if (std::fabs(g) < best) {
            best = std::fabs(g);
            improved = true;
            w4 = w1;
        }
    }
    if (!improved) return;
    const Moments mb = counted_moments(w4, cnt);
    for (int i = 0; i < n; ++i)
        if (cnt[i] > 0) x[i] = (w4[i] - mb.ave) / mb.sdev * m0.sdev + m0.ave;
}

}  // namespace kov
