#include <cmath>

#include "series/transformations.hpp"

namespace kov {

namespace {
// Level and spread of the pair (a, b); false when either is not above 0, since
// only positive values have a logarithm.
bool pair_logs(float a, float b, int mode, float& lvl, float& spr) {
    const float level = mode == 2 ? b : (a + b) * 0.5f;
    const float spread = std::fabs(b - a);
    if (!(level > 0.0f) || !(spread > 0.0f)) return false;
    lvl = std::log(level);
    spr = std::log(spread);
    return true;
}
}  // namespace

int sprlev(std::span<const float> x, std::span<float> lvl, std::span<float> spr, int mode) {
    int m = 0;
    for (size_t i = 0; i + 1 < x.size(); ++i)
        if (pair_logs(x[i], x[i + 1], mode, lvl[m], spr[m])) ++m;
    return m;
}

int sprlvm(std::span<const float> x, std::span<const int> cnt, std::span<float> lvl, std::span<float> spr,
           int mode) {
    int m = 0;
    for (size_t i = 0; i + 1 < x.size(); ++i)
        if (cnt[i] > 0 && cnt[i + 1] > 0 && pair_logs(x[i], x[i + 1], mode, lvl[m], spr[m])) ++m;
    return m;
}

}  // namespace kov
