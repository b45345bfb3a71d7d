#include "armodel/growth_release.hpp"

#include <algorithm>
#include <cmath>

#include "plotting/plot_services.hpp"
#include "shared/layout.hpp"
#include "shared/tables.hpp"

namespace kov {

void grochg(std::span<float> x, std::string_view id, int& iyr, int& n, int m, int T, int k, char pref,
            std::span<float> rm, std::span<float> se, std::span<float> pg, int& iplt) {
    const int method = shared().optval(20, 1);
    if (pref == 'y' || pref == 'Y') {
        for (int i = 0; i + 2 < n; ++i)
            rm[static_cast<size_t>(i)] = 0.25f * x[static_cast<size_t>(i)] + 0.5f * x[static_cast<size_t>(i + 1)] +
                                         0.25f * x[static_cast<size_t>(i + 2)];
        for (int i = 0; i + 2 < n; ++i) x[static_cast<size_t>(i)] = rm[static_cast<size_t>(i)];
        n = std::max(n - 2, 0);
        iyr += 1;
    }
    // A window of fewer than two years has no spread to measure: no window.
    const int nw = m >= 2 ? n - m + 1 : 0;
    for (int i = 0; i < nw; ++i) {
        float sum = 0.0f;
        for (int t = i; t < i + m; ++t) sum += x[static_cast<size_t>(t)];
        const float mean = sum / static_cast<float>(m);
        float ss = 0.0f;
        for (int t = i; t < i + m; ++t) {
            const float d = x[static_cast<size_t>(t)] - mean;
            ss += d * d;
        }
        rm[static_cast<size_t>(i)] = mean;
        se[static_cast<size_t>(i)] = std::sqrt(ss / static_cast<float>(m - 1)) / std::sqrt(static_cast<float>(m));
    }
    const int np = m >= 2 ? (n < m ? -m : nw - m) : 0;
    for (int j = 0; j < np; ++j) {
        const float before = rm[static_cast<size_t>(j)];
        // A window without growth gives no relative change to measure.
        pg[static_cast<size_t>(j)] = before != 0.0f ? (rm[static_cast<size_t>(j + m)] - before) / before : 0.0f;
    }
    if (iplt <= 0 || m < 2) return;
    const size_t off = static_cast<size_t>(std::min(m, static_cast<int>(rm.size())));
    const std::span<float> rm2 = rm.subspan(off), se2 = se.subspan(off);
    // the changes the plot shows: as many as every table holds
    const int shown = std::clamp(np, 0, static_cast<int>(std::min({rm.size(), se.size(), rm2.size(), se2.size(),
                                                                   pg.size()})));
    const std::vector<std::string> releases = reldet(rm, se, rm2, se2, pg, shown, iyr + m - 1, m, T, k, method);
    pltrel(x, rm, se, rm2, se2, pg, iyr, n, shown, m, T, k, id, " running mean growth series",
           " % growth change (blue) and raw data (red)", "years", "running growth", "years", "relative growth", iplt,
           pref, releases);
}

std::vector<std::string> reldet(std::span<const float> rm1, std::span<const float> se1, std::span<const float> rm2,
                                std::span<const float> se2, std::span<const float> pg, int np, int iyr, int msep,
                                int T, int k, int method) {
    std::vector<std::string> years;
    const float threshold = static_cast<float>(T) / 100.0f;
    const float kk = static_cast<float>(k);
    int last = 0;
    for (int j = 3; j <= np - 2; ++j) {
        const auto at = [&](int i) { return pg[static_cast<size_t>(i - 1)]; };
        const bool peak = at(j) > threshold && at(j - 2) < at(j - 1) && at(j - 1) < at(j) && at(j + 1) <= at(j);
        bool found = false;
        if (method == 2) {
            found = peak;
        } else if (method == 3) {
            const auto i = static_cast<size_t>(j - 1);
            found = peak && rm1[i] + kk * se1[i] < rm2[i] - kk * se2[i];
        }
        if (!found) continue;
        const int y = iyr + j - 1;
        if (!years.empty() && y - last <= msep) continue;
        std::string text = fmt("(i4)", y);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        years.push_back(text);
        last = y;
    }
    return years;
}

}  // namespace kov
